// Key files on Windows. The DER forms of a P-256 key are written and read here, for the
// Windows tool only: the program never reads a key file.
#include "tool/key_files.h"

#include <algorithm>
#include <cstring>

#include "platform/base64.h"

namespace {

// DER tags of the elements a P-256 key is made of.
const unsigned char kSequence = 0x30;
const unsigned char kInteger = 0x02;
const unsigned char kBitString = 0x03;
const unsigned char kOctetString = 0x04;
const unsigned char kObjectId = 0x06;
const unsigned char kContext0 = 0xA0;
const unsigned char kContext1 = 0xA1;
// The object identifiers' contents: id-ecPublicKey and prime256v1 (P-256).
const unsigned char kEcPublicKeyOid[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
const unsigned char kP256Oid[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};

// The fixed beginnings of the two forms written here; the point, or the scalar and the
// point, follow.
const unsigned char kPublicKeyPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48,
                                          0xCE, 0x3D, 0x02, 0x01, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                          0xCE, 0x3D, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
const unsigned char kPrivateKeyPrefix[] = {0x30, 0x81, 0x87, 0x02, 0x01, 0x00, 0x30, 0x13, 0x06,
                                           0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01, 0x06,
                                           0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07,
                                           0x04, 0x6D, 0x30, 0x6B, 0x02, 0x01, 0x01, 0x04, 0x20};
const unsigned char kPrivateKeyPointPrefix[] = {0xA1, 0x44, 0x03, 0x42, 0x00, 0x04};

// Reads DER elements one after the other from a span of bytes.
class DerReader {
public:
  DerReader() = default;
  DerReader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

  // The next element when its tag is tag: its contents, and the reader moves past it.
  bool Read(unsigned char tag, DerReader& contents) {
    if (m_size < 2 || m_data[0] != tag)
      return false;
    std::size_t length = m_data[1];
    std::size_t header = 2;
    if (length >= 0x80) {
      const std::size_t digits = length - 0x80;
      if (digits < 1 || digits > 2 || m_size < 2 + digits)
        return false;
      length = 0;
      for (std::size_t i = 0; i < digits; ++i)
        length = length << 8 | m_data[2 + i];
      header += digits;
    }
    if (m_size - header < length)
      return false;
    contents = DerReader(m_data + header, length);
    m_data += header + length;
    m_size -= header + length;
    return true;
  }

  bool Equals(const unsigned char* bytes, std::size_t size) const {
    return m_size == size && std::memcmp(m_data, bytes, size) == 0;
  }
  bool AtEnd() const { return m_size == 0; }
  const unsigned char* Data() const { return m_data; }
  std::size_t Size() const { return m_size; }

private:
  const unsigned char* m_data = nullptr;
  std::size_t m_size = 0;
};

bool ReadObjectId(DerReader& reader, const unsigned char* oid, std::size_t size) {
  DerReader value;
  return reader.Read(kObjectId, value) && value.Equals(oid, size);
}

// The small non-negative INTEGER expected.
bool ReadSmallInteger(DerReader& reader, unsigned char expected) {
  DerReader value;
  return reader.Read(kInteger, value) && value.Equals(&expected, 1);
}

// SEC 1's ECPrivateKey: version 1, d, the curve (required when not within PKCS #8, whose
// algorithm names it), and the public point.
bool DecodeEcPrivateKey(DerReader der, bool curveKnown, platform::P256Scalar& d, platform::P256Point& point,
                        std::string& why) {
  DerReader key;
  DerReader scalar;
  if (!der.Read(kSequence, key) || !ReadSmallInteger(key, 1) || !key.Read(kOctetString, scalar) ||
      scalar.Size() != d.size()) {
    why = "it is not an EC private key of 32 bytes";
    return false;
  }
  std::copy(scalar.Data(), scalar.Data() + d.size(), d.begin());
  DerReader parameters;
  if (key.Read(kContext0, parameters)) {
    if (!ReadObjectId(parameters, kP256Oid, sizeof kP256Oid)) {
      why = "its curve is not P-256";
      return false;
    }
    curveKnown = true;
  }
  if (!curveKnown) {
    why = "it does not name its curve";
    return false;
  }
  DerReader publicKey;
  DerReader bits;
  if (!key.Read(kContext1, publicKey) || !publicKey.Read(kBitString, bits) ||
      bits.Size() != 2 + point.size() || bits.Data()[0] != 0 || bits.Data()[1] != 0x04) {
    why = "it does not hold its public key";
    return false;
  }
  std::copy(bits.Data() + 2, bits.Data() + bits.Size(), point.begin());
  return true;
}


std::string PemEncode(const std::vector<unsigned char>& der, const std::string& label) {
  const std::string base64 = platform::Base64Encode(der.data(), der.size());
  std::string text = "-----BEGIN " + label + "-----\n";
  for (std::size_t i = 0; i < base64.size(); i += 64)
    text += base64.substr(i, 64) + "\n";
  return text + "-----END " + label + "-----\n";
}

bool PemDecode(const std::string& text, const std::string& label, std::vector<unsigned char>& der) {
  const std::string begin = "-----BEGIN " + label + "-----";
  const std::string end = "-----END " + label + "-----";
  const auto start = text.find(begin);
  if (start == std::string::npos)
    return false;
  const auto stop = text.find(end, start + begin.size());
  if (stop == std::string::npos)
    return false;
  std::string base64;
  for (std::size_t i = start + begin.size(); i < stop; ++i) {
    if (std::strchr(" \t\r\n", text[i]) == nullptr)
      base64 += text[i];
  }
  return platform::Base64Decode(base64, der);
}

bool DecodeP256PrivateKey(const std::vector<unsigned char>& der, bool pkcs8, platform::P256Scalar& d,
                          platform::P256Point& point, std::string& why) {
  DerReader all(der.data(), der.size());
  if (!pkcs8)
    return DecodeEcPrivateKey(all, false, d, point, why);
  // PrivateKeyInfo: version 0 (or 1, which may add a public key of its own after the
  // private one), the algorithm with its curve, and the ECPrivateKey in an octet string.
  DerReader info;
  DerReader algorithm;
  DerReader privateKey;
  DerReader versionValue;
  if (!all.Read(kSequence, info) || !info.Read(kInteger, versionValue) ||
      versionValue.Size() != 1 || versionValue.Data()[0] > 1 || !info.Read(kSequence, algorithm) ||
      !info.Read(kOctetString, privateKey)) {
    why = "it is not a PKCS #8 private key";
    return false;
  }
  if (!ReadObjectId(algorithm, kEcPublicKeyOid, sizeof kEcPublicKeyOid)) {
    why = "it is not an EC key";
    return false;
  }
  if (!ReadObjectId(algorithm, kP256Oid, sizeof kP256Oid)) {
    why = "its curve is not P-256";
    return false;
  }
  return DecodeEcPrivateKey(privateKey, true, d, point, why);
}

std::vector<unsigned char> PublicKeyDer(const platform::P256Point& point) {
  std::vector<unsigned char> der(std::begin(kPublicKeyPrefix), std::end(kPublicKeyPrefix));
  der.insert(der.end(), point.begin(), point.end());
  return der;
}

}  // namespace

ManifestKey ManifestKeyOf(const platform::P256Point& point) {
  // CNG refuses a point off the curve.
  const platform::Sha256Digest probe{};
  const platform::P256Signature none{};
  platform::VerifyP256(point, probe, none);
  const std::vector<unsigned char> der = PublicKeyDer(point);
  const platform::Sha256Digest digest = platform::Sha256(der.data(), der.size());
  static const char digits[] = "0123456789abcdef";
  ManifestKey result{point, std::string()};
  for (std::size_t i = 0; i < 8; ++i)
    result.id += std::string{digits[digest[i] >> 4], digits[digest[i] & 0x0F]};
  return result;
}

bool ReadPublicKeysPem(const std::string& pem, std::vector<ManifestKey>& keys, std::string& why) {
  keys.clear();
  const std::string begin = "-----BEGIN PUBLIC KEY-----";
  for (std::size_t at = pem.find(begin); at != std::string::npos; at = pem.find(begin, at + 1)) {
    std::vector<unsigned char> der;
    const std::size_t prefix = sizeof kPublicKeyPrefix;
    platform::P256Point point{};
    if (!PemDecode(pem.substr(at), "PUBLIC KEY", der) || der.size() != prefix + point.size() ||
        !std::equal(std::begin(kPublicKeyPrefix), std::end(kPublicKeyPrefix), der.begin())) {
      why = "key " + std::to_string(keys.size() + 1) + " is not an ECDSA P-256 public key";
      return false;
    }
    std::copy(der.begin() + prefix, der.end(), point.begin());
    keys.push_back(ManifestKeyOf(point));
  }
  if (keys.empty()) {
    why = "it holds no PEM \"PUBLIC KEY\"";
    return false;
  }
  if (keys.size() > kMaxPublicKeys) {
    why = "it holds " + std::to_string(keys.size()) + " public keys; one to " +
          std::to_string(kMaxPublicKeys) + " are trusted";
    return false;
  }
  return true;
}

bool ReadPrivateKeyPem(const std::string& pem, ManifestSigningKey& key, std::string& why) {
  std::vector<unsigned char> der;
  if (pem.find("ENCRYPTED") != std::string::npos) {
    why = "it is encrypted (write it unencrypted: openssl pkey -in KEY -out PLAIN)";
    return false;
  }
  platform::P256Point point{};
  bool read = false;
  if (PemDecode(pem, "PRIVATE KEY", der))
    read = DecodeP256PrivateKey(der, true, key.d, point, why);
  else if (PemDecode(pem, "EC PRIVATE KEY", der))
    read = DecodeP256PrivateKey(der, false, key.d, point, why);
  else
    why = "it holds no PEM \"PRIVATE KEY\" or \"EC PRIVATE KEY\"";
  if (read)
    key.key = ManifestKeyOf(point);
  return read;
}

std::string PrivateKeyPem(const ManifestSigningKey& key) {
  std::vector<unsigned char> der(std::begin(kPrivateKeyPrefix), std::end(kPrivateKeyPrefix));
  der.insert(der.end(), key.d.begin(), key.d.end());
  der.insert(der.end(), std::begin(kPrivateKeyPointPrefix), std::end(kPrivateKeyPointPrefix));
  der.insert(der.end(), key.key.point.begin(), key.key.point.end());
  return PemEncode(der, "PRIVATE KEY");
}

std::string PublicKeyPem(const platform::P256Point& point) {
  return PemEncode(PublicKeyDer(point), "PUBLIC KEY");
}
