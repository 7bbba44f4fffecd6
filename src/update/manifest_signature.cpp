#include "update/manifest_signature.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "build_options.h"
#include "platform/base64.h"
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

// Where the line before the one that begins at start begins; npos for the first line.
std::size_t PreviousLineStart(const std::string& text, std::size_t start) {
  if (start == 0)
    return std::string::npos;
  std::size_t end = start - 1;  // the previous line's line end, CR LF taken whole
  if (text[end] == '\n' && end > 0 && text[end - 1] == '\r')
    --end;
  const std::size_t before = end == 0 ? std::string::npos : text.find_last_of("\r\n", end - 1);
  return before == std::string::npos ? 0 : before + 1;
}

// The starts of the signature lines that end the text, in order: the last one and every
// signature line right before it.
std::vector<std::size_t> FindSignatureLines(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = FindLastSignatureLine(text); at != std::string::npos;
       at = PreviousLineStart(text, at)) {
    if (text.compare(at, kMarkerLength, kSignatureMarker) != 0)
      break;
    starts.push_back(at);
  }
  std::reverse(starts.begin(), starts.end());
  return starts;
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
                                         const std::vector<ManifestKey>& keys) {
  ManifestSignature result;
  const std::vector<std::size_t> starts = FindSignatureLines(manifest);
  if (starts.empty())
    return result;
  const std::size_t lastEnd = EndOfLine(manifest, starts.back());
  result.signedBytes = starts.front();
  result.uncoveredBytes = manifest.size() - lastEnd - LineEndLength(manifest, lastEnd);

  // The signature lines follow one another: their numbers are counted once, over the
  // bytes before the first (a megabyte's count costs as much as its digest).
  const std::size_t firstNumber = LineNumberAt(manifest, starts.front());
  std::vector<platform::P256Signature> signatures(starts.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t start = starts[i];
    const std::size_t end = EndOfLine(manifest, start);
    std::string keyId;
    if (!ParseSignatureLine(
            std::string_view(manifest).substr(start + kMarkerLength, end - start - kMarkerLength),
            keyId, signatures[i]) ||
        // One line a key: copies of a valid line would each cost a verification.
        std::find(result.keyIds.begin(), result.keyIds.end(), keyId) != result.keyIds.end()) {
      result.status = SignatureStatus::kMalformed;
      result.line = firstNumber + i;
      result.keyIds.clear();
      return result;
    }
    result.keyIds.push_back(keyId);
  }
  // The line that decides, until another does: the first, or the last for uncovered bytes.
  const auto decide = [&](SignatureStatus status, std::size_t i) {
    result.status = status;
    result.line = firstNumber + i;
    result.keyId = result.keyIds[i];
  };
  if (result.uncoveredBytes != 0) {
    decide(SignatureStatus::kUncovered, starts.size() - 1);
    return result;
  }
  // Every line by a trusted key must verify; lines by other keys are left alone.
  decide(SignatureStatus::kOtherKey, 0);
  bool digested = false;
  platform::Sha256Digest digest{};
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const auto key = std::find_if(keys.begin(), keys.end(),
                                  [&](const ManifestKey& k) { return k.id == result.keyIds[i]; });
    if (key == keys.end())
      continue;
    if (!digested) {
      digest = platform::Sha256(manifest.data(), result.signedBytes);
      digested = true;
    }
    if (!platform::VerifyP256(key->point, digest, signatures[i])) {
      decide(SignatureStatus::kBad, i);
      return result;
    }
    if (result.status != SignatureStatus::kValid)
      decide(SignatureStatus::kValid, i);
  }
  return result;
}

const std::vector<ManifestKey>& BuiltInManifestKeys() {
  static const std::vector<ManifestKey> keys = {KWU_MANIFEST_KEYS};
  return keys;
}

std::string SignManifest(const std::string& manifest, const std::vector<ManifestSigningKey>& keys) {
  if (keys.empty())
    throw std::invalid_argument("no key to sign with");
  if (manifest.find('\0') != std::string::npos)
    throw std::invalid_argument(
        "the manifest holds a zero byte, which the program drops with the rest of its line: "
        "a signature of it could never verify");
  std::vector<ManifestKey> publicKeys;
  std::vector<std::string> ids;
  for (const ManifestSigningKey& key : keys) {
    if (std::find(ids.begin(), ids.end(), key.key.id) != ids.end())
      throw std::invalid_argument("the key " + key.key.id + " is given twice");
    publicKeys.push_back(key.key);
    ids.push_back(key.key.id);
  }
  // Already signed validly by exactly these keys: each line by one of them verified.
  const ManifestSignature already = CheckManifestSignature(manifest, publicKeys);
  if (already.status == SignatureStatus::kValid && already.keyIds == ids)
    return manifest;
  std::string text = WithoutSignatureLines(manifest);
  const std::string lineEnd = FirstLineEnd(text);
  if (!text.empty() && !IsLineEnd(text.back()))
    text += lineEnd;
  const platform::Sha256Digest digest = platform::Sha256(text.data(), text.size());
  std::string lines;
  for (const ManifestSigningKey& key : keys) {
    const platform::P256Signature signature = platform::SignP256(key.d, key.key.point, digest);
    lines += std::string(kSignatureMarker) + " " + kSignatureAlgorithm + " " + key.key.id + " " +
             platform::Base64Encode(signature.data(), signature.size()) + lineEnd;
  }
  return text + lines;
}
