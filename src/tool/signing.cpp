#include "tool/signing.h"

#include <cstdio>
#include <stdexcept>

#include "platform/file_write.h"
#include "platform/signature.h"
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
    if (!platform::ReadP256PublicKeyPem(ReadOrThrow(*keyFile, "--key"), key.point, why))
      throw std::runtime_error("--key " + *keyFile + ": " + why);
    key.name = *keyFile;
    return key;
  }
  if (const platform::P256Point* builtIn = BuiltInManifestKey()) {
    key.name = "built-in";
    key.builtIn = true;
    key.point = *builtIn;
    return key;
  }
  return std::nullopt;
}

SignatureReport ReportSignature(const std::string& manifest, const SignatureKey& key) {
  return SignatureReport{key, ManifestKeyId(key.point),
                         CheckManifestSignature(manifest, key.point)};
}

KeygenResult Keygen(const std::string& privatePath, const std::string& publicPath) {
  platform::P256Scalar d;
  platform::P256Point point;
  platform::GenerateP256Key(d, point);
  WriteNewOrThrow(privatePath,
                  platform::PemEncode(platform::EncodeP256PrivateKey(d, point), "PRIVATE KEY"),
                  true);
  try {
    WriteNewOrThrow(publicPath,
                    platform::PemEncode(platform::EncodeP256PublicKey(point), "PUBLIC KEY"), false);
  } catch (...) {
    std::remove(privatePath.c_str());  // a private key without its public one is no use
    throw;
  }
  return KeygenResult{privatePath, publicPath, ManifestKeyId(point)};
}

SignResult Sign(const std::string& manifestPath, const std::string& keyPath,
                const std::string& outputPath) {
  const std::string manifest = ReadOrThrow(manifestPath, "the manifest");
  platform::P256Scalar d;
  platform::P256Point point;
  std::string why;
  if (!platform::ReadP256PrivateKeyPem(ReadOrThrow(keyPath, "--key"), d, point, why))
    throw std::runtime_error("--key " + keyPath + ": " + why);
  SignResult result;
  result.manifestPath = manifestPath;
  result.outputPath = outputPath.empty() ? manifestPath : outputPath;
  result.keyId = ManifestKeyId(point);
  std::string signedManifest;
  try {
    signedManifest = SignManifest(manifest, d, point);
  } catch (const std::invalid_argument& error) {
    throw std::runtime_error(manifestPath + ": " + error.what());
  }
  result.unchanged = signedManifest == manifest;
  // What is written is checked as the program will check it.
  result.signature = CheckManifestSignature(signedManifest, point);
  if (result.signature.status != SignatureStatus::kValid)
    throw std::runtime_error("the signature made does not verify");
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
      return line + " signs the " + std::to_string(signature.signedBytes) + " bytes before it.";
    case SignatureStatus::kMissing: message = "The manifest has no signature line."; break;
    case SignatureStatus::kMalformed:
      message = line + " is not of the form \"" + kSignatureMarker + " " + kSignatureAlgorithm +
                " <key id> <signature>\".";
      break;
    case SignatureStatus::kUncovered:
      message = line + " is followed by " + std::to_string(signature.uncoveredBytes) +
                " bytes that it does not cover.";
      break;
    case SignatureStatus::kOtherKey:
      message = line + " was made by the key " + signature.keyId + ", not by this one.";
      break;
    case SignatureStatus::kBad:
      message = line + " does not verify: the " + std::to_string(signature.signedBytes) +
                " bytes before it are not those that were signed.";
      break;
  }
  return message + " A program built with this key shows \"" + FormatText(IDS_BAD_SIGNATURE) +
         "\" for every product and offers nothing.";
}

std::string SignatureFix(const SignatureReport& report) {
  switch (report.signature.status) {
    case SignatureStatus::kValid: return std::string();
    case SignatureStatus::kOtherKey:
      return "Sign it with the private key of the key " + report.keyId +
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
