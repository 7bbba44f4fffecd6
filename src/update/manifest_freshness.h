#pragma once
// A signed manifest's freshness: how new it is and until when it holds. It travels in one
// comment line, the last line the signature covers, just before the signature line:
//
//   ; kavexwebupd-freshness sequence=<sequence> expires=<expiry>
//
// <sequence> is a decimal number of 1 to 18 digits without leading zeros, which the maker
// raises with every manifest (by default the signing time in seconds since 1970).
// <expiry> is YYYY-MM-DDTHH:MM:SSZ, a time in UTC, or "never". A program built with a key
// refuses a manifest whose expiry has passed, or whose sequence is lower than one it
// accepted before from the same address, so that an old signed manifest cannot be served
// again to hold it back. docs/shipping.md tells makers the same.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Every line that begins with this is a freshness line, well formed or not.
inline constexpr char kFreshnessMarker[] = "; kavexwebupd-freshness";

// A program accepts a manifest until one day after its expiry, so that a clock up to a day
// fast does not refuse a fresh one.
inline constexpr std::int64_t kFreshnessClockSlack = 24 * 60 * 60;

enum class FreshnessStatus {
  kPresent,    // one freshness line, well formed, the last line of the signed bytes
  kMissing,    // no freshness line
  kMalformed,  // the last line of the signed bytes is a freshness line not of the form above
  kMisplaced,  // a freshness line elsewhere: not just before the signature, or a second one
};

struct ManifestFreshness {
  FreshnessStatus status = FreshnessStatus::kMissing;
  std::size_t line = 0;         // the freshness line (or the misplaced one), as an editor
                                // numbers it; 0: none
  std::uint64_t sequence = 0;   // kPresent only
  bool expires = false;         // false: "never"
  std::int64_t expiry = 0;      // seconds since 1970, when it expires
};

// The freshness of a manifest whose signed bytes are its first signedBytes bytes.
ManifestFreshness ReadManifestFreshness(const std::string& manifest, std::size_t signedBytes);

// The freshness line for sequence and expiry (nothing: never), without a line end.
std::string FreshnessLine(std::uint64_t sequence, std::optional<std::int64_t> expiry);

// What a program built with a key makes of a manifest's freshness.
enum class FreshnessVerdict {
  kAccepted,
  kNoFreshness,  // missing, malformed or misplaced: as good as unsigned
  kExpired,      // now is more than kFreshnessClockSlack past its expiry
  kOlder,        // its sequence is lower than highestAccepted
};
FreshnessVerdict JudgeFreshness(const ManifestFreshness& freshness, std::int64_t now,
                                std::optional<std::uint64_t> highestAccepted);

// "YYYY-MM-DDTHH:MM:SSZ" for a time since 1970, and back: false for a text not of that
// form or a date that does not exist. Years 1970 to 9999.
std::string UtcTimeText(std::int64_t time);
bool ParseUtcTime(const std::string& text, std::int64_t& time);

// A sequence as the freshness line writes it; false for anything else (a sign, a leading
// zero, more than 18 digits).
bool ParseSequence(const std::string& text, std::uint64_t& sequence);
