// The signature line of a manifest: what it covers, and every way it can fail.
#include "update/manifest_signature.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "update/manifest_lookup.h"

#include "reference_key.h"

namespace {

const std::string kManifest =
    "; update manifest\r\n[App 7.0 de]\r\nFileArgs=http://h/de.html\r\n[App 7.0]\r\n"
    "FileArgs=http://h/all.html\r\n";

// A new key pair, with a made-up id (the check matches ids, it does not derive them).
ManifestSigningKey NewKey(const std::string& id) {
  ManifestSigningKey key;
  platform::GenerateP256Key(key.d, key.key.point);
  key.key.id = id;
  return key;
}

struct OtherKey {
  ManifestSigningKey signing = NewKey("0123456789abcdef");
  const platform::P256Scalar& d = signing.d;
  const platform::P256Point& point = signing.key.point;
};

std::string Signed(const std::string& manifest) {
  return SignManifest(manifest, {kReferenceSigningKey});
}

ManifestSignature Check(const std::string& manifest) {
  return CheckManifestSignature(manifest, {kReferenceKey});
}

SignatureStatus Status(const std::string& manifest) {
  return Check(manifest).status;
}

// The signature line of a signed manifest, without its line end.
std::string SignatureLine(const std::string& signedManifest) {
  const std::size_t start = signedManifest.rfind(kSignatureMarker);
  return signedManifest.substr(start, signedManifest.find_first_of("\r\n", start) - start);
}

}  // namespace

TEST(ManifestSignature, CoversEveryByteBeforeItsLineAndNamesTheKey) {
  const std::string signedManifest = Signed(kManifest);
  ASSERT_EQ(signedManifest.rfind(kManifest, 0), 0u);
  const std::string line = SignatureLine(signedManifest);
  EXPECT_EQ(signedManifest, kManifest + line + "\r\n");
  EXPECT_EQ(
      line.rfind(std::string("; kavexwebupd-signature ecdsa-p256-sha256 ") + kReferenceKeyId + " ",
                 0),
      0u)
      << line;
  EXPECT_EQ(line.size(), 41u + 1 + 17 + 88);
  const ManifestSignature signature = Check(signedManifest);
  EXPECT_EQ(signature.status, SignatureStatus::kValid);
  EXPECT_EQ(signature.line, 6u);
  EXPECT_EQ(signature.signedBytes, kManifest.size());
  EXPECT_EQ(signature.uncoveredBytes, 0u);
  EXPECT_EQ(signature.keyId, kReferenceKeyId);
  // Its own line end is not covered: without one, or another one, it is as good.
  EXPECT_EQ(Status(kManifest + line), SignatureStatus::kValid);
  EXPECT_EQ(Status(kManifest + line + "\n"), SignatureStatus::kValid);
  EXPECT_EQ(Status(kManifest + line + "\r"), SignatureStatus::kValid);
}

TEST(ManifestSignature, EveryKindOfLineEndIsKeptAndTheLookupFindsTheSame) {
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    std::string manifest = kManifest;
    for (std::size_t at = manifest.find("\r\n"); at != std::string::npos;
         at = manifest.find("\r\n", at + end.size()))
      manifest.replace(at, 2, end);
    for (const std::string& unsigned_ :
         {manifest, manifest.substr(0, manifest.size() - end.size())}) {
      const std::string signedManifest = Signed(unsigned_);
      EXPECT_EQ(signedManifest, manifest + SignatureLine(signedManifest) + end);
      EXPECT_EQ(Status(signedManifest), SignatureStatus::kValid);
      for (const char* key : {"7.0 de", "7.0", "7.0 fr"})
        EXPECT_EQ(FindFileArgs("App", key, signedManifest), FindFileArgs("App", key, unsigned_));
    }
  }
  // A manifest without any line end gets CR LF; an empty one is signed as it is.
  const std::string oneLine = Signed("; one line");
  EXPECT_EQ(oneLine, "; one line\r\n" + SignatureLine(oneLine) + "\r\n");
  EXPECT_EQ(Status(Signed("")), SignatureStatus::kValid);
  EXPECT_EQ(Check(Signed("")).line, 1u);
}

TEST(ManifestSignature, AnyChangedByteAfterSigningIsCaught) {
  const std::string signedManifest = Signed(kManifest);
  for (std::size_t at = 0; at < kManifest.size(); ++at) {
    std::string changed = signedManifest;
    changed[at] = static_cast<char>(changed[at] ^ 0x20);
    // A changed line end may take the marker off its line's start: never valid either way.
    if (kManifest[at] != '\r' && kManifest[at] != '\n') {
      EXPECT_EQ(Status(changed), SignatureStatus::kBad) << at;
    }
    EXPECT_NE(Status(changed), SignatureStatus::kValid) << at;
  }
  EXPECT_EQ(Status(kManifest.substr(1) + SignatureLine(signedManifest)), SignatureStatus::kBad);
  EXPECT_EQ(Status("\n" + signedManifest), SignatureStatus::kBad);
}

TEST(ManifestSignature, BytesAfterTheSignatureLineAreNotCovered) {
  const std::string signedManifest = Signed(kManifest);
  const ManifestSignature appended =
      Check(signedManifest + "[App 6.0]\r\nFileArgs=http://evil/\r\n");
  EXPECT_EQ(appended.status, SignatureStatus::kUncovered);
  EXPECT_EQ(appended.line, 6u);
  EXPECT_EQ(appended.uncoveredBytes, 34u);
  EXPECT_EQ(Status(signedManifest + "\r\n"), SignatureStatus::kUncovered);
  EXPECT_EQ(Status(signedManifest + " "), SignatureStatus::kUncovered);
}

TEST(ManifestSignature, MissingOtherKeyAndMalformedLines) {
  EXPECT_EQ(Check(kManifest).status, SignatureStatus::kMissing);
  EXPECT_EQ(Check(kManifest).line, 0u);
  EXPECT_EQ(Status(""), SignatureStatus::kMissing);
  // The marker counts only at the start of a line.
  const std::string line = SignatureLine(Signed(kManifest));
  EXPECT_EQ(Status(kManifest + " " + line), SignatureStatus::kMissing);

  const OtherKey other;
  const ManifestSignature byOther = Check(SignManifest(kManifest, {other.signing}));
  EXPECT_EQ(byOther.status, SignatureStatus::kOtherKey);
  EXPECT_EQ(byOther.keyId, other.signing.key.id);

  const std::string base64 = line.substr(line.size() - 88);
  const std::string head = "; kavexwebupd-signature ecdsa-p256-sha256 ";
  // The last character before "==" with one of the bits that the padding says are zero set.
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string nonCanonical = base64;
  nonCanonical[85] = alphabet[alphabet.find(base64[85]) | 1];
  for (const std::string& malformed :
       {std::string("; kavexwebupd-signature"), head + kReferenceKeyId,
        "; kavexwebupd-signature ecdsa-p384-sha384 " + std::string(kReferenceKeyId) + " " + base64,
        head + "5A7A78CCA4A0F420 " + base64, head + "5a7a78cca4a0f42 " + base64,
        head + kReferenceKeyId + "  " + base64, head + kReferenceKeyId + " " + base64 + " ",
        head + kReferenceKeyId + " " + base64.substr(4),
        head + kReferenceKeyId + " " + nonCanonical, head + kReferenceKeyId + "\t" + base64,
        line + " extra"}) {
    const ManifestSignature signature = Check(kManifest + malformed + "\r\n");
    EXPECT_EQ(signature.status, SignatureStatus::kMalformed) << malformed;
    EXPECT_EQ(signature.line, 6u);
  }
  // A signature that names the key but is not its signature of these bytes.
  std::string forged = line;
  forged[forged.size() - 10] = forged[forged.size() - 10] == 'A' ? 'B' : 'A';
  EXPECT_EQ(Status(kManifest + forged), SignatureStatus::kBad);
}

TEST(SignManifest, SigningTwiceGivesTheSameBytesAndOneSignatureLine) {
  const std::string once = Signed(kManifest);
  EXPECT_EQ(Signed(once), once);
  // Signatures are randomised: a stale or foreign one is replaced, never kept beside.
  const OtherKey other;
  const std::string byOther = SignManifest(kManifest, {other.signing});
  const std::string replaced = Signed(byOther);
  EXPECT_EQ(Status(replaced), SignatureStatus::kValid);
  EXPECT_EQ(replaced.find(kSignatureMarker), replaced.rfind(kSignatureMarker));
  EXPECT_EQ(replaced.rfind(kManifest, 0), 0u);
  // Sections added after the signature line are kept, and covered by the new one.
  const std::string grown = Signed(once + "[App 6.0]\r\nFileArgs=http://h/60.html\r\n");
  EXPECT_EQ(Status(grown), SignatureStatus::kValid);
  EXPECT_EQ(grown.find(kSignatureMarker), grown.rfind(kSignatureMarker));
  EXPECT_EQ(FindFileArgs("App", "6.0", grown), "http://h/60.html");
}

TEST(SignManifest, ASignatureOnTheFirstLineKeepsTheLinesAfterItInPlace) {
  // A manifest that began as a signed empty one: its second line is read by the lookup and
  // must stay the second line.
  const std::string grown = Signed("") + "[App 7.0]\r\nFileArgs=http://h/a.html\r\n";
  ASSERT_EQ(FindFileArgs("App", "7.0", grown), "http://h/a.html");
  const std::string resigned = Signed(grown);
  EXPECT_EQ(resigned.rfind(";\r\n[App 7.0]\r\n", 0), 0u) << resigned;
  EXPECT_EQ(FindFileArgs("App", "7.0", resigned), "http://h/a.html");
  EXPECT_EQ(Status(resigned), SignatureStatus::kValid);
  // Line ends before it do not make a line of their own for the lookup.
  const std::string afterBreaks = "\r\n\n" + grown;
  ASSERT_EQ(FindFileArgs("App", "7.0", afterBreaks), "http://h/a.html");
  EXPECT_EQ(FindFileArgs("App", "7.0", Signed(afterBreaks)), "http://h/a.html");
}

TEST(SignManifest, RefusesAManifestWithAZeroByte) {
  // The program's download drops what follows a zero byte in its line: it would never verify.
  EXPECT_THROW(Signed(std::string("; m\r\n[App 7.0]\0\r\n", 17)), std::invalid_argument);
}

TEST(ManifestSignature, AProgramBuiltWithoutAKeyHasNone) {
  EXPECT_TRUE(BuiltInManifestKeys().empty());
}

TEST(ManifestSignature, OneLineAKeyAndOneTrustedKeyThatVerifiesIsEnough) {
  const ManifestSigningKey old = kReferenceSigningKey;
  const ManifestSigningKey fresh = NewKey("00000000000000aa");
  const ManifestSigningKey unknown = NewKey("00000000000000bb");
  const std::string both = SignManifest(kManifest, {old, fresh});
  ASSERT_EQ(both.rfind(kManifest, 0), 0u);
  // Two lines, each covering the bytes before the first.
  const std::string firstLine = SignatureLine(SignManifest(kManifest, {old}));
  EXPECT_EQ(both.find(firstLine.substr(0, 58)), kManifest.size());
  struct Case {
    std::string manifest;
    std::vector<ManifestKey> trusted;
    SignatureStatus status;
    std::size_t line;
  };
  const std::string oldOnly = SignManifest(kManifest, {old});
  const std::string withUnknown = SignManifest(kManifest, {unknown, fresh});
  std::string oldForged = both;  // the old key's line no longer verifies
  const std::size_t oldSignature = kManifest.size() + 59 + 40;
  oldForged[oldSignature] = oldForged[oldSignature] == 'A' ? 'B' : 'A';
  const Case cases[] = {
      {both, {old.key}, SignatureStatus::kValid, 6},
      {both, {fresh.key}, SignatureStatus::kValid, 7},
      {both, {old.key, fresh.key}, SignatureStatus::kValid, 6},
      {both, {unknown.key}, SignatureStatus::kOtherKey, 6},
      {oldOnly, {fresh.key}, SignatureStatus::kOtherKey, 6},
      {withUnknown, {old.key, fresh.key}, SignatureStatus::kValid, 7},
      // A trusted key's line that fails refuses the manifest, whatever else verifies.
      {oldForged, {fresh.key}, SignatureStatus::kValid, 7},
      {oldForged, {old.key, fresh.key}, SignatureStatus::kBad, 6},
      {both + "[App 6.0]\r\n", {fresh.key}, SignatureStatus::kUncovered, 7},
      // Only the signature lines that end the manifest count: one above a comment is
      // covered by those below it, which then fail.
      {kManifest + firstLine + "\r\n; comment\r\n" + SignatureLine(both) + "\r\n",
       {fresh.key}, SignatureStatus::kBad, 8},
      {kManifest + firstLine + "\r\n; kavexwebupd-signature x\r\n", {old.key},
       SignatureStatus::kMalformed, 7},
      // A line repeated is refused, not verified once a copy.
      {oldOnly + firstLine + "\r\n", {old.key}, SignatureStatus::kMalformed, 7},
  };
  for (const Case& c : cases) {
    const ManifestSignature signature = CheckManifestSignature(c.manifest, c.trusted);
    EXPECT_EQ(signature.status, c.status) << c.manifest;
    EXPECT_EQ(signature.line, c.line) << c.manifest;
  }
  EXPECT_EQ(CheckManifestSignature(both, {fresh.key}).keyIds,
            (std::vector<std::string>{old.key.id, fresh.key.id}));
  // Signing again by the same keys in the same order leaves it alone; other keys re-sign.
  EXPECT_EQ(SignManifest(both, {old, fresh}), both);
  const std::string resigned = SignManifest(both, {fresh});
  EXPECT_EQ(CheckManifestSignature(resigned, {fresh.key}).keyIds,
            std::vector<std::string>{fresh.key.id});
  EXPECT_THROW(SignManifest(kManifest, {}), std::invalid_argument);
  EXPECT_THROW(SignManifest(kManifest, {old, fresh, old}), std::invalid_argument);
}
