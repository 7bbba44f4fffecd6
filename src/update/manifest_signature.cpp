#include "update/manifest_signature.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "build_options.h"
#include "platform/signature.h"
#include "platform/text.h"

namespace {

// The parts after the marker: " <algorithm> <key id> <signature>".
const std::size_t kKeyIdDigits = 16;
const std::size_t kSignatureCharacters = 88;
const std::size_t kMarkerLength = sizeof kSignatureMarker - 1;

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// The end of the line that begins at start: its first line end, or the end of the text.
std::size_t EndOfLine(const std::string& text, std::size_t start) {
  const std::size_t end = text.find_first_of("\r\n", start);
  return end == std::string::npos ? text.size() : end;
}

// Where the last signature line begins (at the start of the text or after a line end);
// npos when there is none.
std::size_t FindLastSignatureLine(const std::string& text) {
  std::size_t at = text.rfind(kSignatureMarker);
  while (at != std::string::npos && at > 0 && !IsLineEnd(text[at - 1]))
    at = text.rfind(kSignatureMarker, at - 1);
  return at;
}

std::string Hex(const unsigned char* bytes, std::size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0x0F];
  }
  return text;
}

// The key id and the signature of a signature line, after its marker; false when the rest
// is not exactly " <algorithm> <key id> <signature>".
bool ParseSignatureLine(std::string_view rest, std::string& keyId,
                        platform::P256Signature& signature) {
  const std::string head = std::string(" ") + kSignatureAlgorithm + " ";
  if (rest.substr(0, head.size()) != head)
    return false;
  rest.remove_prefix(head.size());
  if (rest.size() != kKeyIdDigits + 1 + kSignatureCharacters || rest[kKeyIdDigits] != ' ')
    return false;
  for (char c : rest.substr(0, kKeyIdDigits)) {
    if (std::strchr("0123456789abcdef", c) == nullptr || c == '\0')
      return false;
  }
  std::vector<unsigned char> bytes;
  if (!platform::Base64Decode(std::string(rest.substr(kKeyIdDigits + 1)), bytes) ||
      bytes.size() != signature.size())
    return false;
  keyId = std::string(rest.substr(0, kKeyIdDigits));
  std::copy(bytes.begin(), bytes.end(), signature.begin());
  return true;
}

// The manifest without its signature lines. One that is the lookup's first line (only
// line ends before it) becomes the comment ";", so that the lines after it keep their
// places: the lookup never reads the first.
std::string WithoutSignatureLines(const std::string& manifest) {
  const std::size_t firstLine = manifest.find_first_not_of("\r\n");
  std::string text;
  for (std::size_t start = 0; start < manifest.size();) {
    const std::size_t end = EndOfLine(manifest, start);
    const std::size_t next = end + LineEndLength(manifest, end);
    if (manifest.compare(start, kMarkerLength, kSignatureMarker) != 0)
      text.append(manifest, start, next - start);
    else if (start == firstLine)
      text += ";" + manifest.substr(end, next - end);
    start = next;
  }
  return text;
}

// The line end the manifest uses first; CR LF when it has none.
std::string FirstLineEnd(const std::string& manifest) {
  const std::size_t end = EndOfLine(manifest, 0);
  return end == manifest.size() ? "\r\n" : manifest.substr(end, LineEndLength(manifest, end));
}

}  // namespace

ManifestSignature CheckManifestSignature(const std::string& manifest,
                                         const platform::P256Point& key) {
  ManifestSignature result;
  const std::size_t start = FindLastSignatureLine(manifest);
  if (start == std::string::npos)
    return result;
  const std::size_t end = EndOfLine(manifest, start);
  result.line = LineNumberAt(manifest, start);
  result.signedBytes = start;
  result.uncoveredBytes = manifest.size() - end - LineEndLength(manifest, end);

  platform::P256Signature signature;
  if (!ParseSignatureLine(
          std::string_view(manifest).substr(start + kMarkerLength, end - start - kMarkerLength),
          result.keyId, signature)) {
    result.status = SignatureStatus::kMalformed;
  } else if (result.uncoveredBytes != 0) {
    result.status = SignatureStatus::kUncovered;
  } else if (result.keyId != ManifestKeyId(key)) {
    result.status = SignatureStatus::kOtherKey;
  } else {
    const bool valid =
        platform::VerifyP256(key, platform::Sha256(manifest.data(), start), signature);
    result.status = valid ? SignatureStatus::kValid : SignatureStatus::kBad;
  }
  return result;
}

std::string ManifestKeyId(const platform::P256Point& key) {
  const std::vector<unsigned char> der = platform::EncodeP256PublicKey(key);
  const platform::Sha256Digest digest = platform::Sha256(der.data(), der.size());
  return Hex(digest.data(), kKeyIdDigits / 2);
}

const platform::P256Point* BuiltInManifestKey() {
  static const platform::P256Point key = {KWU_MANIFEST_KEY_POINT};
  return KWU_MANIFEST_KEY_BUILT_IN ? &key : nullptr;
}

std::string SignManifest(const std::string& manifest, const platform::P256Scalar& d,
                         const platform::P256Point& point) {
  if (manifest.find('\0') != std::string::npos)
    throw std::invalid_argument(
        "the manifest holds a zero byte, which the program drops with the rest of its line: "
        "a signature of it could never verify");
  if (CheckManifestSignature(manifest, point).status == SignatureStatus::kValid)
    return manifest;
  std::string text = WithoutSignatureLines(manifest);
  const std::string lineEnd = FirstLineEnd(text);
  if (!text.empty() && !IsLineEnd(text.back()))
    text += lineEnd;
  const platform::P256Signature signature =
      platform::SignP256(d, point, platform::Sha256(text.data(), text.size()));
  return text + kSignatureMarker + " " + kSignatureAlgorithm + " " + ManifestKeyId(point) + " " +
         platform::Base64Encode(signature.data(), signature.size()) + lineEnd;
}
