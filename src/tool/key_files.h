#pragma once
// The maker's key files: ECDSA P-256 keys in PEM, read and written by the platform's
// cryptography libraries (libcrypto on Linux, crypt32 on Windows). The program itself never
// reads a key file: its keys are built in.
#include <string>
#include <vector>

#include "update/manifest_signature.h"

// The most public keys one file may hold, in the tool and in the build alike.
inline constexpr std::size_t kMaxPublicKeys = 4;

// A key's id: the first eight bytes of the SHA-256 digest of its SubjectPublicKeyInfo DER,
// in lower-case hex, as the build computes it for the keys it builds in.
std::string ManifestKeyId(const platform::Sha256Digest& digest);

// The key of a point, with its key id. Raises platform::CryptoException for a point that is
// not on the curve.
ManifestKey ManifestKeyOf(const platform::P256Point& point);

// Every "PUBLIC KEY" of a PEM text, in order; false, with why, when there is none, more than
// kMaxPublicKeys, or one that is not an ECDSA P-256 key.
bool ReadPublicKeysPem(const std::string& pem, std::vector<ManifestKey>& keys, std::string& why);

// The private key of a PEM text: PKCS #8 ("PRIVATE KEY") or SEC 1 ("EC PRIVATE KEY"),
// unencrypted. False, with why, when there is none or it is encrypted, of another kind or
// curve.
bool ReadPrivateKeyPem(const std::string& pem, ManifestSigningKey& key, std::string& why);

// The PEM texts of a key pair: PKCS #8 "PRIVATE KEY", and "PUBLIC KEY".
std::string PrivateKeyPem(const ManifestSigningKey& key);
std::string PublicKeyPem(const platform::P256Point& point);

// Whether a key file's count of public keys serves: false, with why, for none or more than
// kMaxPublicKeys.
bool PublicKeyCountServes(std::size_t count, std::string& why);

// Whether a PEM private key is unencrypted, as the tool reads it: false, with why, if not.
bool PrivateKeyIsPlain(const std::string& pem, std::string& why);

// Whether text holds the first line of a PEM private key of any kind.
bool HoldsPrivateKeyPem(const std::string& text);
