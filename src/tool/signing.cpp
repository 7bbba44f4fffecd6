#include "tool/signing.h"

#include <cstdio>
#include <stdexcept>

#include "platform/file_write.h"
#include "platform/signature.h"
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

SignResult Sign(const std::string& manifestPath, const std::vector<std::string>& keyPaths,
                const std::string& outputPath) {
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
  if (HoldsPrivateKeyPem(manifest))
    throw std::runtime_error(manifestPath +
                             " holds a private key: it is no manifest, and it must never be "
                             "published");
  std::vector<ManifestSigningKey> keys;
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
    result.keyIds.push_back(key.key.id);
  }
  std::string signedManifest;
  try {
    signedManifest = SignManifest(manifest, keys);
  } catch (const std::invalid_argument& error) {
    throw std::runtime_error(manifestPath + ": " + error.what());
  }
  result.unchanged = signedManifest == manifest;
  // What is written is checked as the program will check it: by each key alone.
  for (const ManifestSigningKey& key : keys) {
    result.signature = CheckManifestSignature(signedManifest, {key.key});
    if (result.signature.status != SignatureStatus::kValid)
      throw std::runtime_error("the signature made does not verify");
  }
  result.signature.line = CheckManifestSignature(signedManifest, {keys.front().key}).line;
  if (!(result.unchanged && result.outputPath == manifestPath) &&
      !platform::ReplaceFileContent(result.outputPath, signedManifest))
    throw std::runtime_error(result.outputPath + ": cannot be written");
  return result;
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
