// The signature line of a manifest from the network, and the encodings of keys: any input
// is judged without harm; a signature line is always where the check says it is; signing
// any manifest gives one that checks as valid, that signing again leaves alone and that
// the lookup reads as before; base64 has one way of writing each bytes; a key read from
// any PEM text writes back as a key that reads the same.
//
// Input: a mode byte, then the manifest (modes 0 and 1), a base64 text (2) or a PEM text (3).
#include <cstdint>
#include <string>
#include <vector>

#include "../unit/reference_key.h"
#include "fuzz_check.h"
#include "platform/base64.h"
#include "tool/key_files.h"
#include "update/manifest_lookup.h"
#include "update/manifest_signature.h"

namespace {

const std::string kMarker = kSignatureMarker;

void CheckAsServed(const std::string& manifest) {
  const ManifestSignature signature = CheckManifestSignature(manifest, {kReferenceKey});
  if (signature.status == SignatureStatus::kMissing) {
    KWU_FUZZ_CHECK(signature.line == 0);
    KWU_FUZZ_CHECK(manifest.compare(0, kMarker.size(), kMarker) != 0);
    KWU_FUZZ_CHECK(manifest.find("\n" + kMarker) == std::string::npos &&
                   manifest.find("\r" + kMarker) == std::string::npos);
    return;
  }
  KWU_FUZZ_CHECK(signature.line >= 1 && signature.signedBytes < manifest.size());
  KWU_FUZZ_CHECK(manifest.compare(signature.signedBytes, kMarker.size(), kMarker) == 0);
  const char before = signature.signedBytes > 0 ? manifest[signature.signedBytes - 1] : '\n';
  KWU_FUZZ_CHECK(before == '\r' || before == '\n');
  KWU_FUZZ_CHECK(signature.uncoveredBytes < manifest.size() - signature.signedBytes);
  if (signature.status == SignatureStatus::kValid)
    KWU_FUZZ_CHECK(signature.uncoveredBytes == 0 && signature.keyId == kReferenceKeyId);
}

void CheckSigned(const std::string& manifest) {
  if (manifest.find('\0') != std::string::npos)
    return;  // refused by SignManifest, as tested
  const std::string signedManifest = SignManifest(manifest, {kReferenceSigningKey});
  KWU_FUZZ_CHECK(CheckManifestSignature(signedManifest, {kReferenceKey}).status ==
                 SignatureStatus::kValid);
  KWU_FUZZ_CHECK(SignManifest(signedManifest, {kReferenceSigningKey}) == signedManifest);
  for (const char* key : {"1", "1 en", "7.0"})
    KWU_FUZZ_CHECK(FindFileArgs("App", key, manifest) == FindFileArgs("App", key, signedManifest));
}

void CheckBase64(const std::string& text) {
  std::vector<unsigned char> bytes;
  if (platform::Base64Decode(text, bytes))
    KWU_FUZZ_CHECK(platform::Base64Encode(bytes.data(), bytes.size()) == text);
  const std::vector<unsigned char> raw(text.begin(), text.end());
  KWU_FUZZ_CHECK(platform::Base64Decode(platform::Base64Encode(raw.data(), raw.size()), bytes) &&
                 bytes == raw);
}

// Key files as the tool reads them: any text is judged without harm, and a key read writes
// back as PEM that reads as the same key.
void CheckKeys(const std::string& text) {
  std::vector<ManifestKey> keys;
  std::string why;
  if (ReadPublicKeysPem(text, keys, why)) {
    KWU_FUZZ_CHECK(!keys.empty() && keys.size() <= kMaxPublicKeys);
    std::vector<ManifestKey> again;
    KWU_FUZZ_CHECK(ReadPublicKeysPem(PublicKeyPem(keys.front().point), again, why) &&
                   again.size() == 1 && again.front().id == keys.front().id);
  }
  ManifestSigningKey key;
  if (ReadPrivateKeyPem(text, key, why)) {
    ManifestSigningKey again;
    KWU_FUZZ_CHECK(ReadPrivateKeyPem(PrivateKeyPem(key), again, why));
    KWU_FUZZ_CHECK(again.d == key.d && again.key.id == key.key.id);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0: CheckAsServed(rest); break;
    case 1: CheckSigned(rest); break;
    case 2: CheckBase64(rest); break;
    default: CheckKeys(rest); break;
  }
  return 0;
}
