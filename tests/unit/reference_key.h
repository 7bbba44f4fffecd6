#pragma once
// The P-256 key and the SHA-256 signatures of "sample" and "test" published with RFC 6979
// (A.2.5): an outside reference for the byte order of points, digests and signatures.
#include <array>
#include <string>
#include <vector>

#include "platform/signature.h"
#include "update/manifest_signature.h"

inline std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

template <std::size_t N>
std::array<unsigned char, N> ArrayFromHex(const std::string& hex) {
  const std::vector<unsigned char> bytes = FromHex(hex);
  std::array<unsigned char, N> array{};
  std::copy(bytes.begin(), bytes.begin() + std::min(N, bytes.size()), array.begin());
  return array;
}

inline const platform::P256Scalar kReferenceD =
    ArrayFromHex<32>("C9AFA9D845BA75166B5C215767B1D6934E50C3DB36E89B127B8A622B120F6721");
inline const platform::P256Point kReferencePoint = ArrayFromHex<64>(
    "60FED4BA255A9D31C961EB74C6356D68C049B8923B61FA6CE669622E60F29FB6"
    "7903FE1008B8BC99A41AE9E95628BC64F2F1B20C2D7E9F5177A3C294D4462299");
// Its key id: the first 8 bytes of SHA-256 over its SubjectPublicKeyInfo, as
// openssl pkey -pubin -outform DER | sha256sum gives them.
inline const char kReferenceKeyId[] = "5a7a78cca4a0f420";
inline const ManifestKey kReferenceKey{kReferencePoint, kReferenceKeyId};
inline const ManifestSigningKey kReferenceSigningKey{kReferenceD, kReferenceKey};
inline const platform::P256Signature kSampleSignature = ArrayFromHex<64>(
    "EFD48B2AACB6A8FD1140DD9CD45E81D69D2C877B56AAF991C34D0EA84EAF3716"
    "F7CB1C942D657C41D436C7A1B6E29F65F3E900DBB9AFF4064DC4AB2F843ACDA8");
inline const platform::P256Signature kTestSignature = ArrayFromHex<64>(
    "F1ABB023518351CD71D881567B1EA663ED3EFCF6C5132B354F28D3B0B7D38367"
    "019F4113742A2B14BD25926B49C649155F267E60D3814B4C0CC84250E46F0083");
