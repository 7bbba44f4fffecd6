#pragma once
// A manifest's signature. It travels in the manifest's last line, a comment that the
// lookup passes over, so that a program built without a key reads a signed manifest as
// any other:
//
//   ; kavexwebupd-signature ecdsa-p256-sha256 <key id> <signature>
//
// It signs every byte before that line, exactly as served (line ends included), by ECDSA
// P-256 over their SHA-256 digest. Only the line's own line end may follow it. <key id>
// names the key: the first 8 bytes of the SHA-256 digest of its DER SubjectPublicKeyInfo,
// in 16 lower-case hex digits. <signature> is r and s, 32 bytes each, in base64 (88
// characters). docs/shipping.md tells makers the same.
#include <cstddef>
#include <string>

#include "platform/key_encoding.h"

// Every line that begins with this is a signature line, well formed or not.
inline constexpr char kSignatureMarker[] = "; kavexwebupd-signature";
inline constexpr char kSignatureAlgorithm[] = "ecdsa-p256-sha256";

enum class SignatureStatus {
  kValid,      // by the key, over every byte before its line
  kMissing,    // no signature line
  kMalformed,  // a signature line not of the form above
  kUncovered,  // a signature line with bytes after it that it does not cover
  kOtherKey,   // made by another key
  kBad,        // names the key but does not verify: the bytes are not those signed
};

// What a manifest's signature is worth against one key.
struct ManifestSignature {
  SignatureStatus status = SignatureStatus::kMissing;
  std::size_t line = 0;            // the (last) signature line, as an editor numbers it; 0: none
  std::size_t signedBytes = 0;     // the bytes before that line: what it covers
  std::size_t uncoveredBytes = 0;  // the bytes after it and its line end
  std::string keyId;               // the key id it names; empty when malformed
};

// The signature of manifest checked against key. Raises platform::CryptoException when the
// platform cannot check (no cryptography, or a key that is not on the curve).
ManifestSignature CheckManifestSignature(const std::string& manifest,
                                         const platform::P256Point& key);

// The key id of key, as a signature line names it.
std::string ManifestKeyId(const platform::P256Point& key);

// The key every manifest must be signed with, built in by the maker
// (KWU_MANIFEST_PUBLIC_KEY); null for a program built without one.
const platform::P256Point* BuiltInManifestKey();

// The manifest signed by the key (d, point). A manifest already signed validly by this key
// comes back unchanged, so that signing twice gives the same result; otherwise every
// signature line is removed, a line end is added after the last line if it has none (of
// the kind the manifest uses first, else CR LF), and a new signature line follows, ended
// the same way. Raises std::invalid_argument for a manifest with a zero byte, which the
// program's download drops with the rest of its line, so that it could never verify; and
// platform::CryptoException.
std::string SignManifest(const std::string& manifest, const platform::P256Scalar& d,
                         const platform::P256Point& point);
