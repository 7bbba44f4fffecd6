#pragma once
// ECDSA P-256 with SHA-256, by the platform's own cryptography: CNG (bcrypt.dll, loaded
// when first needed) on Windows, OpenSSL's libcrypto on Linux. Keys come and go as their
// numbers; their files are the maker's tool's business.
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace platform {

// A P-256 public key: its point, X then Y, 32 bytes each, big-endian.
using P256Point = std::array<unsigned char, 64>;
// A P-256 private key: the scalar d, 32 bytes, big-endian.
using P256Scalar = std::array<unsigned char, 32>;

using Sha256Digest = std::array<unsigned char, 32>;
// An ECDSA P-256 signature: r then s, 32 bytes each, big-endian.
using P256Signature = std::array<unsigned char, 64>;

// The platform's cryptography failed, is missing, or refused a key.
class CryptoException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The SHA-256 digest of size bytes at data. Raises CryptoException.
Sha256Digest Sha256(const void* data, std::size_t size);

// Whether signature is the signature of digest by the key whose public point is key.
// Raises CryptoException, for a point that is not on the curve too.
bool VerifyP256(const P256Point& key, const Sha256Digest& digest, const P256Signature& signature);

// The signature of digest by the private key d whose public point is point. Signatures are
// randomised: two of the same digest differ, and both verify. Raises CryptoException.
P256Signature SignP256(const P256Scalar& d, const P256Point& point, const Sha256Digest& digest);

// A new key pair, from the platform's random source. Raises CryptoException.
void GenerateP256Key(P256Scalar& d, P256Point& point);

}  // namespace platform
