#pragma once
// A manifest's signatures. They travel in the manifest's last lines, comments that the
// lookup passes over, so that a program built without a key reads a signed manifest as
// any other; one line a key:
//
//   ; kavexwebupd-signature ecdsa-p256-sha256 <key id> <signature>
//
// Each signs every byte before the first of them, exactly as served (line ends included),
// by ECDSA P-256 over their SHA-256 digest. Only signature lines, each with its line end,
// may follow. <key id> names the key: the first 8 bytes of the SHA-256 digest of its DER
// SubjectPublicKeyInfo, in 16 lower-case hex digits. <signature> is r and s, 32 bytes
// each, in base64 (88 characters). docs/shipping.md tells makers the same.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/signature.h"

// Every line that begins with this is a signature line, well formed or not.
inline constexpr char kSignatureMarker[] = "; kavexwebupd-signature";
inline constexpr char kSignatureAlgorithm[] = "ecdsa-p256-sha256";

// A public key a manifest may be signed with, and the id its signature lines name it by.
struct ManifestKey {
  platform::P256Point point{};
  std::string id;
};

// A key to sign with: the private scalar of a public key.
struct ManifestSigningKey {
  platform::P256Scalar d{};
  ManifestKey key;
};

enum class SignatureStatus {
  kValid,      // a line by a trusted key verifies, and no line by a trusted key fails
  kMissing,    // no signature line
  kMalformed,  // a signature line not of the form above, or a second line by one key
  kUncovered,  // bytes after the signature lines that they do not cover
  kOtherKey,   // no line is by a trusted key
  kBad,        // a line by a trusted key does not verify: the bytes are not those signed
};

// What a manifest's signatures are worth against the keys a program trusts.
struct ManifestSignature {
  SignatureStatus status = SignatureStatus::kMissing;
  // The line that decided, as an editor numbers it: the malformed or failing one, else the
  // first valid one, else the first signature line; 0: none.
  std::size_t line = 0;
  std::size_t signedBytes = 0;     // the bytes before the first signature line: what they cover
  std::size_t uncoveredBytes = 0;  // the bytes after the last one and its line end
  std::string keyId;               // the key id the deciding line names; empty when malformed
  std::vector<std::string> keyIds;  // the key ids of every well-formed signature line, in order
};

// The signatures of manifest checked against the trusted keys. Raises
// platform::CryptoException when the platform cannot check (no cryptography, or a key that
// is not on the curve).
ManifestSignature CheckManifestSignature(const std::string& manifest,
                                         const std::vector<ManifestKey>& keys);

// The keys every manifest must be signed with (one is enough), built in by the maker
// (KWU_MANIFEST_PUBLIC_KEY, one to four keys); empty for a program built without one.
const std::vector<ManifestKey>& BuiltInManifestKeys();

// The manifest signed by each of the keys, one line each in their order. A manifest whose
// signature lines are already valid ones by exactly these keys, in this order, comes back
// unchanged, so that signing twice gives the same result; otherwise every signature line is
// removed, a line end is added after the last line if it has none (of the kind the
// manifest uses first, else CR LF), and the new signature lines follow, each ended the same
// way. Raises std::invalid_argument for no key, a key given twice, or a manifest with a zero
// byte, which the program's download drops with the rest of its line, so that it could
// never verify; and platform::CryptoException.
std::string SignManifest(const std::string& manifest, const std::vector<ManifestSigningKey>& keys);
