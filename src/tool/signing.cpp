#include "tool/signing.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "platform/clock.h"
#include "platform/file_write.h"
#include "platform/signature.h"
#include "platform/text.h"
#include "tool/key_files.h"
#include "tool/manifest_source.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"

namespace {

std::string ReadOrThrow(const std::string& path, const char* what) {
  std::string text;
  std::string why;
  if (!ReadWholeFile(path, text, why))
    throw std::runtime_error(std::string(what) + " " + path + ": " + why);
  return text;
}

void WriteNewOrThrow(const std::string& path, const std::string& content, bool ownerOnly) {
  if (!platform::WriteNewFile(path, content, ownerOnly))
    throw std::runtime_error(path + ": cannot be written (it must not exist yet)");
}

}  // namespace

std::optional<SignatureKey> SignatureKeyInEffect(const std::optional<std::string>& keyFile) {
  SignatureKey key;
  if (keyFile) {
    std::string why;
    if (!ReadPublicKeysPem(ReadOrThrow(*keyFile, "--key"), key.keys, why))
      throw std::runtime_error("--key " + *keyFile + ": " + why);
    key.name = *keyFile;
    return key;
  }
  if (!BuiltInManifestKeys().empty()) {
    key.name = "built-in";
    key.builtIn = true;
    key.keys = BuiltInManifestKeys();
    return key;
  }
  return std::nullopt;
}

SignatureReport ReportSignature(const std::string& manifest, const SignatureKey& key) {
  SignatureReport report{key, key.keys.front().id, CheckManifestSignature(manifest, key.keys)};
  for (const ManifestKey& trusted : key.keys) {
    if (trusted.id == report.signature.keyId)
      report.keyId = trusted.id;
  }
  return report;
}

KeygenResult Keygen(const std::string& privatePath, const std::string& publicPath) {
  ManifestSigningKey key;
  platform::GenerateP256Key(key.d, key.key.point);
  key.key = ManifestKeyOf(key.key.point);
  WriteNewOrThrow(privatePath, PrivateKeyPem(key), true);
  try {
    WriteNewOrThrow(publicPath, PublicKeyPem(key.key.point), false);
  } catch (...) {
    std::remove(privatePath.c_str());  // a private key without its public one is no use
    throw;
  }
  return KeygenResult{privatePath, publicPath, key.key.id};
}

namespace {

const std::int64_t kSecondsPerDay = 24 * 60 * 60;
const std::int64_t kDefaultExpiryDays = 60;
const std::uint64_t kMaxExpiryDays = 36500;

// The sequence and expiry (nothing: never) a signature made now carries.
struct ChosenFreshness {
  std::uint64_t sequence;
  std::optional<std::int64_t> expiry;
};

ChosenFreshness ChooseFreshness(const SignFreshness& given, std::int64_t now) {
  ChosenFreshness chosen{static_cast<std::uint64_t>(now), now + kDefaultExpiryDays * kSecondsPerDay};
  if (given.sequence && !ParseSequence(*given.sequence, chosen.sequence))
    throw std::runtime_error("--sequence " + *given.sequence +
                             ": give a whole number of 1 to 18 digits, without leading zeros");
  if (!given.expires)
    return chosen;
  const std::string& expires = *given.expires;
  std::uint64_t days = 0;
  std::int64_t date = 0;
  if (expires == "never")
    chosen.expiry.reset();
  else if (ParseDigits(expires, 5, days) && days <= kMaxExpiryDays)
    chosen.expiry = now + static_cast<std::int64_t>(days) * kSecondsPerDay;
  else if (expires.size() == 10 && ParseUtcTime(expires + "T00:00:00Z", date))
    chosen.expiry = date;
  else
    throw std::runtime_error("--expires " + expires + ": give a number of days (at most " +
                             std::to_string(kMaxExpiryDays) +
                             "), a date YYYY-MM-DD (from 1970) or never");
  return chosen;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// What the signature is to cover: the manifest without its signature and freshness lines
// (one on the first line becomes the comment ";", so that the lines after it keep their
// places), its last line ended, and the freshness line after it, all ended by the
// manifest's own kind of line end (CR LF when it has none).
std::string WithFreshnessLine(const std::string& manifest, const std::string& freshnessLine) {
  const std::size_t firstLine = manifest.find_first_not_of("\r\n");
  const std::string_view all(manifest);
  std::string text;
  std::string lineEnd;
  for (std::size_t start = 0; start < manifest.size();) {
    const std::size_t found = manifest.find_first_of("\r\n", start);
    const std::size_t end = found == std::string::npos ? manifest.size() : found;
    const std::size_t next = end + LineEndLength(manifest, end);
    if (lineEnd.empty())
      lineEnd = manifest.substr(end, next - end);
    const std::string_view line = all.substr(start);
    if (!StartsWith(line, kSignatureMarker) && !StartsWith(line, kFreshnessMarker))
      text.append(manifest, start, next - start);
    else if (start == firstLine)
      text += ";" + manifest.substr(end, next - end);
    start = next;
  }
  if (lineEnd.empty())
    lineEnd = "\r\n";
  if (!text.empty() && !IsLineEnd(text.back()))
    text += lineEnd;
  return text + freshnessLine + lineEnd;
}

}  // namespace

SignResult Sign(const std::string& manifestPath, const std::vector<std::string>& keyPaths,
                const std::string& outputPath, const SignFreshness& freshness) {
  const std::int64_t now = platform::CurrentTime();
  const ChosenFreshness chosen = ChooseFreshness(freshness, now);
  SignResult result;
  result.manifestPath = manifestPath;
  result.outputPath = outputPath.empty() ? manifestPath : outputPath;
  // Nothing is written over a private key, however it is named.
  for (const std::string& keyPath : keyPaths) {
    if (platform::IsSameFile(result.outputPath, keyPath))
      throw std::runtime_error(result.outputPath + " is the key file " + keyPath +
                               ": the signed manifest would destroy the private key");
  }
  const std::string manifest = ReadOrThrow(manifestPath, "the manifest");
  const std::size_t zero = manifest.find('\0');
  if (zero != std::string::npos)
    throw std::runtime_error(manifestPath + ": line " +
                             std::to_string(LineNumberAt(manifest, manifest.find_last_of(
                                                                       "\r\n", zero) + 1)) +
                             " holds a zero byte, which the program drops with the rest of its "
                             "line and a build with a key refuses: remove it");
  if (HoldsPrivateKeyPem(manifest))
    throw std::runtime_error(manifestPath +
                             " holds a private key: it is no manifest, and it must never be "
                             "published");
  std::vector<ManifestSigningKey> keys;
  std::vector<ManifestKey> publicKeys;
  for (const std::string& keyPath : keyPaths) {
    ManifestSigningKey key;
    std::string why;
    if (!ReadPrivateKeyPem(ReadOrThrow(keyPath, "--key"), key, why))
      throw std::runtime_error("--key " + keyPath + ": " + why);
    for (const ManifestSigningKey& other : keys) {
      if (other.key.id == key.key.id)
        throw std::runtime_error("--key " + keyPath + ": the key " + key.key.id +
                                 " is given twice");
    }
    if (platform::ReadableByOthers(keyPath))
      result.warnings.push_back("the private key " + keyPath +
                                " may be read by other users: chmod 600 " + keyPath);
    keys.push_back(key);
    publicKeys.push_back(key.key);
    result.keyIds.push_back(key.key.id);
  }
  const std::string covered =
      WithFreshnessLine(manifest, FreshnessLine(chosen.sequence, chosen.expiry));
  // Signatures are randomised: a manifest that carries valid ones by exactly these keys of
  // the same bytes is left as it is, so that signing twice with the same freshness gives
  // the same bytes.
  const ManifestSignature existing = CheckManifestSignature(manifest, publicKeys);
  std::string signedManifest = manifest;
  if (existing.status != SignatureStatus::kValid || existing.keyIds != result.keyIds ||
      manifest.compare(0, existing.signedBytes, covered) != 0) {
    try {
      signedManifest = SignManifest(covered, keys);
    } catch (const std::invalid_argument& error) {
      throw std::runtime_error(manifestPath + ": " + error.what());
    }
  }
  result.unchanged = signedManifest == manifest;
  // What is written is checked as the program will check it: by each key alone.
  for (const ManifestSigningKey& key : keys) {
    result.signature = CheckManifestSignature(signedManifest, {key.key});
    if (result.signature.status != SignatureStatus::kValid)
      throw std::runtime_error("the signature made does not verify");
  }
  result.signature.line = CheckManifestSignature(signedManifest, {keys.front().key}).line;
  result.freshness = ReadManifestFreshness(signedManifest, result.signature.signedBytes);
  if (result.freshness.status != FreshnessStatus::kPresent)
    throw std::runtime_error("the signature made does not verify");
  result.expired = chosen.expiry && *chosen.expiry <= now;
  if (!(result.unchanged && result.outputPath == manifestPath) &&
      !platform::ReplaceFileContent(result.outputPath, signedManifest))
    throw std::runtime_error(result.outputPath + ": cannot be written");
  return result;
}

FreshnessReport ReportFreshness(const std::string& manifest, const ManifestSignature& signature) {
  // Without a signature line, the line is looked for at the end of the manifest.
  const std::size_t covered = signature.line != 0 ? signature.signedBytes : manifest.size();
  return FreshnessReport{ReadManifestFreshness(manifest, covered), platform::CurrentTime()};
}

bool FreshnessExpired(const FreshnessReport& report) {
  const ManifestFreshness& freshness = report.freshness;
  return freshness.status == FreshnessStatus::kPresent && freshness.expires &&
         report.now >= freshness.expiry;
}

std::int64_t FreshnessDaysLeft(const FreshnessReport& report) {
  // Days begun count: a manifest signed for 60 days a moment ago has 60 days left.
  return FreshnessExpired(report)
             ? 0
             : (report.freshness.expiry - report.now + kSecondsPerDay - 1) / kSecondsPerDay;
}

bool FreshnessRefused(const FreshnessReport& report) {
  return report.freshness.status != FreshnessStatus::kPresent || FreshnessExpired(report);
}

std::string FreshnessMessage(const FreshnessReport& report) {
  const ManifestFreshness& freshness = report.freshness;
  const std::string line = "line " + std::to_string(freshness.line);
  const std::string refused =
      " A program built with this key refuses it with \"" + FormatText(IDS_BAD_SIGNATURE) + "\".";
  switch (freshness.status) {
    case FreshnessStatus::kMissing:
      return std::string("The manifest has no freshness line (\"") + kFreshnessMarker +
             " ...\") just before its signature." + refused;
    case FreshnessStatus::kMalformed:
      return line + " is not of the form \"" + kFreshnessMarker +
             " sequence=<number> expires=<YYYY-MM-DDTHH:MM:SSZ or never>\"." + refused;
    case FreshnessStatus::kMisplaced:
      return line +
             " is a freshness line outside its place, the last line before the signature, "
             "or a second one." +
             refused;
    case FreshnessStatus::kPresent: break;
  }
  const std::string head = line + ": sequence " + std::to_string(freshness.sequence);
  if (!freshness.expires)
    return head +
           ", never expires: the manifest can be frozen, since whoever can answer for its "
           "address can serve it for ever, and a program takes it until it has accepted a "
           "higher sequence.";
  if (FreshnessExpired(report))
    return head + ", expired " + UtcTimeText(freshness.expiry) +
           ": a program built with this key refuses it, from one day after that time, with \"" +
           FormatText(IDS_EXPIRED_MANIFEST) + "\".";
  return head + ", expires " + UtcTimeText(freshness.expiry) + " (expires in " +
         std::to_string(FreshnessDaysLeft(report)) + " days); a program that has accepted a higher "
         "sequence from the same address refuses it.";
}

std::string FreshnessFix(const FreshnessReport& report) {
  const ManifestFreshness& freshness = report.freshness;
  if (freshness.status == FreshnessStatus::kPresent && !freshness.expires)
    return "Sign it with an expiry (kavexwebupd-manifest sign MANIFEST --key PRIVATE.pem "
           "--expires DAYS), and sign it again before then.";
  if (!FreshnessRefused(report))
    return std::string();
  return "Sign it again (kavexwebupd-manifest sign MANIFEST --key PRIVATE.pem), which writes "
         "a new freshness line, and upload it byte for byte.";
}

const char* FreshnessStatusName(FreshnessStatus status) {
  switch (status) {
    case FreshnessStatus::kPresent: return "present";
    case FreshnessStatus::kMissing: return "missing";
    case FreshnessStatus::kMalformed: return "malformed";
    case FreshnessStatus::kMisplaced: return "misplaced";
  }
  return "";
}

std::string SignatureMessage(const SignatureReport& report) {
  const ManifestSignature& signature = report.signature;
  const std::string line = "line " + std::to_string(signature.line);
  std::string message;
  switch (signature.status) {
    case SignatureStatus::kValid:
      return line + " signs the " + std::to_string(signature.signedBytes) + " bytes before " +
             (signature.keyIds.size() > 1 ? "the signature lines." : "it.");
    case SignatureStatus::kMissing: message = "The manifest has no signature line."; break;
    case SignatureStatus::kMalformed:
      message = line + " is not of the form \"" + kSignatureMarker + " " + kSignatureAlgorithm +
                " <key id> <signature>\".";
      break;
    case SignatureStatus::kUncovered:
      message = line + " is followed by " + std::to_string(signature.uncoveredBytes) +
                " bytes that it does not cover.";
      break;
    case SignatureStatus::kOtherKey: {
      std::string ids;
      for (const std::string& id : signature.keyIds)
        ids += (ids.empty() ? "" : ", ") + id;
      message = line + " was made by the key " + ids + ", not by " +
                (report.key.keys.size() > 1 ? "these." : "this one.");
      break;
    }
    case SignatureStatus::kBad:
      message = line + " does not verify: the " + std::to_string(signature.signedBytes) +
                " bytes before " + (signature.keyIds.size() > 1 ? "the signature lines" : "it") +
                " are not those that were signed.";
      break;
  }
  return message + (report.key.keys.size() > 1 ? " A program built with these keys shows \""
                                                : " A program built with this key shows \"") +
         FormatText(IDS_BAD_SIGNATURE) + "\" for every product and offers nothing.";
}

std::string SignatureFix(const SignatureReport& report) {
  switch (report.signature.status) {
    case SignatureStatus::kValid: return std::string();
    case SignatureStatus::kOtherKey:
      return "Sign it with the private key of the key " + report.keyId +
             (report.key.keys.size() > 1 ? " or another trusted one" : "") +
             " (kavexwebupd-manifest sign MANIFEST --key PRIVATE.pem).";
    default:
      return "Sign it after its last change (kavexwebupd-manifest sign MANIFEST --key "
             "PRIVATE.pem) and upload it byte for byte, with no line ends converted.";
  }
}

const char* SignatureStatusName(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::kValid: return "valid";
    case SignatureStatus::kMissing: return "missing";
    case SignatureStatus::kMalformed: return "malformed";
    case SignatureStatus::kUncovered: return "uncovered";
    case SignatureStatus::kOtherKey: return "other-key";
    case SignatureStatus::kBad: return "bad";
  }
  return "";
}
