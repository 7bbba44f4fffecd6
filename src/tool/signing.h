#pragma once
// kavexwebupd-manifest's keys and signatures: the key a check uses, making a key pair, and
// signing a manifest, with the program's own signature code (update/manifest_signature.h).
#include <optional>
#include <string>

#include "update/manifest_signature.h"

// The key a command checks a manifest's signature with.
struct SignatureKey {
  std::string name;  // the --key file, or "built-in"
  bool builtIn = false;
  platform::P256Point point{};
};

// A manifest's signature judged against a key.
struct SignatureReport {
  SignatureKey key;
  std::string keyId;  // of the key
  ManifestSignature signature;
};

// The key of the --key file when keyFile is given, else the one built into the program,
// else none. Raises std::runtime_error for a file that is not an ECDSA P-256 public key.
std::optional<SignatureKey> SignatureKeyInEffect(const std::optional<std::string>& keyFile);

// The report of manifest's signature against key.
SignatureReport ReportSignature(const std::string& manifest, const SignatureKey& key);

// Makes a key pair and writes it to two new files, the private key readable by its owner
// alone (on Linux). Raises std::runtime_error, leaving no file, when either path exists or
// a file cannot be written.
struct KeygenResult {
  std::string privatePath;
  std::string publicPath;
  std::string keyId;
};
KeygenResult Keygen(const std::string& privatePath, const std::string& publicPath);

// Signs the manifest file with the private key file and writes the result to outputPath
// (the manifest itself when empty). Raises std::runtime_error.
struct SignResult {
  std::string manifestPath;
  std::string outputPath;
  std::string keyId;
  ManifestSignature signature;  // of the manifest written
  bool unchanged = false;       // it was signed validly by this key already
};
SignResult Sign(const std::string& manifestPath, const std::string& keyPath,
                const std::string& outputPath);

// What the report means, for a reader, and what to do about a signature that is not valid
// (empty for a valid one).
std::string SignatureMessage(const SignatureReport& report);
std::string SignatureFix(const SignatureReport& report);

// The stable name of a signature status: "valid", "missing", "malformed", "uncovered",
// "other-key" or "bad".
const char* SignatureStatusName(SignatureStatus status);
