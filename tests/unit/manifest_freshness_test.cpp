// A signed manifest's freshness line, what a program built with a key makes of it, and the
// sequences it remembers per address.
#include "update/manifest_freshness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/manifest_sequences.h"
#include "settings/registry_settings.h"

#include "test_folder.h"

namespace {

const std::string kBody = "; m\r\n[App 7.0]\r\nFileArgs=http://h/a\r\n";
const std::string kLine = "; kavexwebupd-freshness sequence=200 expires=2030-06-01T12:30:05Z";
const std::int64_t kExpiry = 1906547405;  // 2030-06-01T12:30:05Z
const std::string kSignature = "; kavexwebupd-signature x\r\n";

// The freshness of signedPart followed by a signature line.
ManifestFreshness Read(const std::string& signedPart, const std::string& after = kSignature) {
  return ReadManifestFreshness(signedPart + after, signedPart.size());
}

}  // namespace

TEST(ManifestFreshness, TheLastSignedLineCarriesIt) {
  const ManifestFreshness found = Read(kBody + kLine + "\r\n");
  EXPECT_EQ(found.status, FreshnessStatus::kPresent);
  EXPECT_EQ(found.line, 4u);
  EXPECT_EQ(found.sequence, 200u);
  EXPECT_TRUE(found.expires);
  EXPECT_EQ(found.expiry, kExpiry);
  EXPECT_EQ(FreshnessLine(200, kExpiry), kLine);
  for (const char* end : {"\n", "\r"})
    EXPECT_EQ(Read(kBody + kLine + end).status, FreshnessStatus::kPresent) << end;
  const ManifestFreshness never = Read(FreshnessLine(0, std::nullopt) + "\n");
  EXPECT_EQ(never.status, FreshnessStatus::kPresent);
  EXPECT_FALSE(never.expires);
  EXPECT_EQ(never.line, 1u);
}

TEST(ManifestFreshness, AnythingElseIsMissingMalformedOrMisplaced) {
  const std::string head = "; kavexwebupd-freshness ";
  const std::vector<std::pair<std::string, FreshnessStatus>> cases = {
      {kBody, FreshnessStatus::kMissing},
      {"", FreshnessStatus::kMissing},
      {kBody + ";kavexwebupd-freshness sequence=1 expires=never\r\n", FreshnessStatus::kMissing},
      {kBody + head + "sequence=1 expires=never \r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=01 expires=never\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=-1 expires=never\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=1234567890123456789 expires=never\r\n",
       FreshnessStatus::kMalformed},
      {kBody + head + "sequence=1 expires=Never\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=1 expires=2030-02-29T00:00:00Z\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=1 expires=2030-06-01 12:30:05Z\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "sequence=1 expires=1969-12-31T23:59:59Z\r\n", FreshnessStatus::kMalformed},
      {kBody + head + "expires=never sequence=1\r\n", FreshnessStatus::kMalformed},
      // Not the last line before the signature, or a second one.
      {kBody + kLine + "\r\n; c\r\n", FreshnessStatus::kMisplaced},
      {kLine + "\r\n" + kBody, FreshnessStatus::kMisplaced},
      {kBody + kLine + "\r\n" + kLine + "\r\n", FreshnessStatus::kMisplaced},
  };
  for (const auto& [signedPart, status] : cases)
    EXPECT_EQ(Read(signedPart).status, status) << signedPart;
  // One after the signature is outside what it covers.
  const ManifestFreshness outside = Read(kBody, kSignature + kLine + "\r\n");
  EXPECT_EQ(outside.status, FreshnessStatus::kMisplaced);
  EXPECT_EQ(outside.line, 5u);
}

TEST(JudgeFreshness, ExpiryWithADaysSlackAndNoLowerSequence) {
  ManifestFreshness fresh = Read(kBody + kLine + "\r\n");
  const std::int64_t day = 24 * 60 * 60;
  struct Case {
    std::int64_t now;
    std::optional<std::uint64_t> highest;
    FreshnessVerdict verdict;
  };
  for (const Case& c : {Case{kExpiry - 1, std::nullopt, FreshnessVerdict::kAccepted},
                        Case{kExpiry + day, std::nullopt, FreshnessVerdict::kAccepted},
                        Case{kExpiry + day + 1, std::nullopt, FreshnessVerdict::kExpired},
                        Case{kExpiry + day + 1, 300, FreshnessVerdict::kExpired},
                        Case{0, 200, FreshnessVerdict::kAccepted},
                        Case{0, 201, FreshnessVerdict::kOlder},
                        Case{0, 0, FreshnessVerdict::kAccepted}})
    EXPECT_EQ(JudgeFreshness(fresh, c.now, c.highest), c.verdict) << c.now;
  fresh.expires = false;
  EXPECT_EQ(JudgeFreshness(fresh, kExpiry * 100, std::nullopt), FreshnessVerdict::kAccepted);
  for (FreshnessStatus status :
       {FreshnessStatus::kMissing, FreshnessStatus::kMalformed, FreshnessStatus::kMisplaced}) {
    fresh.status = status;
    EXPECT_EQ(JudgeFreshness(fresh, 0, std::nullopt), FreshnessVerdict::kNoFreshness);
  }
}

TEST(UtcTime, WrittenAndReadBackAcrossLeapYears) {
  for (std::int64_t time : {std::int64_t{0}, std::int64_t{951782400} /* 2000-02-29 */,
                            std::int64_t{4107542399} /* 2100-02-28T23:59:59Z */,
                            std::int64_t{253402300799} /* 9999-12-31T23:59:59Z */}) {
    std::int64_t back = -1;
    EXPECT_TRUE(ParseUtcTime(UtcTimeText(time), back)) << UtcTimeText(time);
    EXPECT_EQ(back, time);
  }
  EXPECT_EQ(UtcTimeText(951782400), "2000-02-29T00:00:00Z");
  std::int64_t time = 0;
  for (const char* text : {"2100-02-29T00:00:00Z", "2030-04-31T00:00:00Z", "2030-13-01T00:00:00Z",
                           "2030-01-01T24:00:00Z", "2030-01-01T00:60:00Z", "2030-01-01T00:00:00",
                           "2030-1-01T00:00:00Z"})
    EXPECT_FALSE(ParseUtcTime(text, time)) << text;
}

TEST(ManifestSequences, TheHighestPerAddressIsKeptAndBadTextIsReplaced) {
  test::TestFolder folder;
  const std::string a = "http://h/misc/update.ini";
  const std::string b = "http://h/other.ini";
  EXPECT_EQ(AcceptedManifestSequence(a), std::nullopt);
  RecordManifestSequence(a, 200);
  RecordManifestSequence(a, 100);
  RecordManifestSequence(b, 5);
  EXPECT_EQ(AcceptedManifestSequence(a), 200u);
  EXPECT_EQ(AcceptedManifestSequence(b), 5u);
  RecordManifestSequence(a, 999999999999999999u);
  EXPECT_EQ(AcceptedManifestSequence(a), 999999999999999999u);
  ASSERT_TRUE(WriteRegString(kManifestSequencesKey, b, "12x"));
  EXPECT_EQ(AcceptedManifestSequence(b), std::nullopt);
  RecordManifestSequence(b, 3);
  EXPECT_EQ(AcceptedManifestSequence(b), 3u);
  // Beside the other settings, which stay.
  ASSERT_TRUE(WriteRegString(kSettingsKey, kUrlValue, a));
  RecordManifestSequence(b, 4);
  std::string url;
  EXPECT_TRUE(ReadRegString(kSettingsKey, kUrlValue, url));
  EXPECT_EQ(url, a);
}
