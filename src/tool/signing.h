#pragma once
// kavexwebupd-manifest's keys and signatures: the key a check uses, making a key pair, and
// signing a manifest, with the program's own signature code (update/manifest_signature.h).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update/manifest_freshness.h"
#include "update/manifest_signature.h"

// The keys a command checks a manifest's signature with.
struct SignatureKey {
  std::string name;  // the --key file, or "built-in"
  bool builtIn = false;
  std::vector<ManifestKey> keys;  // one to four
};

// A manifest's signature judged against the keys.
struct SignatureReport {
  SignatureKey key;
  std::string keyId;  // of the trusted key that decided, else of the first trusted one
  ManifestSignature signature;
};

// The keys of the --key file when keyFile is given, else those built into the program,
// else none. Raises std::runtime_error for a file that is not one to four ECDSA P-256
// public keys.
std::optional<SignatureKey> SignatureKeyInEffect(const std::optional<std::string>& keyFile);

// The report of manifest's signature against the keys.
SignatureReport ReportSignature(const std::string& manifest, const SignatureKey& key);

// Makes a key pair and writes it to two new files, the private key readable by its owner
// alone. Raises std::runtime_error, leaving no file, when either path exists or
// a file cannot be written.
struct KeygenResult {
  std::string privatePath;
  std::string publicPath;
  std::string keyId;
};
KeygenResult Keygen(const std::string& privatePath, const std::string& publicPath);

// The freshness sign writes, as given on the command line: --sequence N (default: the
// signing time in seconds since 1970) and --expires DAYS, YYYY-MM-DD (that day at 00:00
// UTC) or never (default: 60 days after signing).
struct SignFreshness {
  std::optional<std::string> sequence;
  std::optional<std::string> expires;
};

// Signs the manifest file with each private key file, one signature line each, and writes
// the result to outputPath (the manifest itself when empty), with a new freshness line.
// Raises std::runtime_error, writing nothing, for an output that is one of the key files, a
// manifest that holds a private key, or a key that cannot serve. warnings gets what the
// maker should know: a private key file that others may read.
struct SignResult {
  std::string manifestPath;
  std::string outputPath;
  std::vector<std::string> keyIds;  // in the order of the lines
  ManifestSignature signature;      // of the manifest written
  ManifestFreshness freshness;      // of the manifest written
  bool expired = false;             // its expiry had passed when it was signed
  bool unchanged = false;           // it was signed validly by these keys, with this freshness
  std::vector<std::string> warnings;
};
SignResult Sign(const std::string& manifestPath, const std::vector<std::string>& keyPaths,
                const std::string& outputPath, const SignFreshness& freshness = {});

// The freshness of a manifest as the tool reports it beside its signature.
struct FreshnessReport {
  ManifestFreshness freshness;
  std::int64_t now = 0;  // when it was judged
};
FreshnessReport ReportFreshness(const std::string& manifest, const ManifestSignature& signature);

// Whether the report's manifest has expired (its expiry has passed by the tool's clock),
// and the days left until it does, a day begun counting as one.
bool FreshnessExpired(const FreshnessReport& report);
std::int64_t FreshnessDaysLeft(const FreshnessReport& report);
// What the report means, for a reader, and what to do (empty when nothing is wrong).
std::string FreshnessMessage(const FreshnessReport& report);
std::string FreshnessFix(const FreshnessReport& report);
// Whether a program built with the key refuses the manifest for its freshness line.
bool FreshnessRefused(const FreshnessReport& report);

// The stable name of a freshness status: "present", "missing", "malformed", "misplaced".
const char* FreshnessStatusName(FreshnessStatus status);

// What the report means, for a reader, and what to do about a signature that is not valid
// (empty for a valid one).
std::string SignatureMessage(const SignatureReport& report);
std::string SignatureFix(const SignatureReport& report);

// The stable name of a signature status: "valid", "missing", "malformed", "uncovered",
// "other-key" or "bad".
const char* SignatureStatusName(SignatureStatus status);
