#include "platform/key_encoding.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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
bool DecodeEcPrivateKey(DerReader der, bool curveKnown, P256Scalar& d, P256Point& point,
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

}  // namespace

std::string Base64Encode(const unsigned char* data, std::size_t size) {
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  for (std::size_t i = 0; i < size; i += 3) {
    const std::size_t count = std::min<std::size_t>(3, size - i);
    unsigned long group = static_cast<unsigned long>(data[i]) << 16;
    if (count > 1)
      group |= static_cast<unsigned long>(data[i + 1]) << 8;
    if (count > 2)
      group |= data[i + 2];
    for (std::size_t j = 0; j < 4; ++j)
      text += j <= count ? kBase64Alphabet[(group >> (18 - 6 * j)) & 0x3F] : '=';
  }
  return text;
}

bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0)
    return false;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    // Only the last group may end in one or two "=".
    std::size_t padding = 0;
    if (i + 4 == text.size() && text[i + 3] == '=')
      padding = text[i + 2] == '=' ? 2 : 1;
    unsigned long group = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      unsigned long value = 0;
      if (j < 4 - padding) {
        const char c = text[i + j];
        const char* found = c == '\0' ? nullptr : std::strchr(kBase64Alphabet, c);
        if (found == nullptr)
          return false;
        value = static_cast<unsigned long>(found - kBase64Alphabet);
      }
      group = group << 6 | value;
    }
    // The bits that padding stands for are zero in the one way of writing the bytes.
    if ((padding == 1 && (group & 0xFF) != 0) || (padding == 2 && (group & 0xFFFF) != 0))
      return false;
    bytes.push_back(static_cast<unsigned char>(group >> 16));
    if (padding < 2)
      bytes.push_back(static_cast<unsigned char>(group >> 8));
    if (padding < 1)
      bytes.push_back(static_cast<unsigned char>(group));
  }
  return true;
}

std::string PemEncode(const std::vector<unsigned char>& der, const std::string& label) {
  const std::string base64 = Base64Encode(der.data(), der.size());
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
  return Base64Decode(base64, der);
}

std::vector<unsigned char> EncodeP256PublicKey(const P256Point& point) {
  std::vector<unsigned char> der(std::begin(kPublicKeyPrefix), std::end(kPublicKeyPrefix));
  der.insert(der.end(), point.begin(), point.end());
  return der;
}

bool DecodeP256PublicKey(const std::vector<unsigned char>& der, P256Point& point) {
  const std::size_t prefix = sizeof kPublicKeyPrefix;
  if (der.size() != prefix + point.size() ||
      !std::equal(std::begin(kPublicKeyPrefix), std::end(kPublicKeyPrefix), der.begin()))
    return false;
  std::copy(der.begin() + prefix, der.end(), point.begin());
  return true;
}

std::vector<unsigned char> EncodeP256PrivateKey(const P256Scalar& d, const P256Point& point) {
  std::vector<unsigned char> der(std::begin(kPrivateKeyPrefix), std::end(kPrivateKeyPrefix));
  der.insert(der.end(), d.begin(), d.end());
  der.insert(der.end(), std::begin(kPrivateKeyPointPrefix), std::end(kPrivateKeyPointPrefix));
  der.insert(der.end(), point.begin(), point.end());
  return der;
}

bool DecodeP256PrivateKey(const std::vector<unsigned char>& der, bool pkcs8, P256Scalar& d,
                          P256Point& point, std::string& why) {
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

bool ReadP256PublicKeyPem(const std::string& pem, P256Point& point, std::string& why) {
  std::vector<unsigned char> der;
  if (!PemDecode(pem, "PUBLIC KEY", der)) {
    why = "it holds no PEM \"PUBLIC KEY\"";
    return false;
  }
  if (!DecodeP256PublicKey(der, point)) {
    why = "it is not an ECDSA P-256 public key";
    return false;
  }
  return true;
}

bool ReadP256PrivateKeyPem(const std::string& pem, P256Scalar& d, P256Point& point,
                           std::string& why) {
  std::vector<unsigned char> der;
  if (pem.find("ENCRYPTED") != std::string::npos) {
    why = "it is encrypted (write it unencrypted: openssl pkey -in KEY -out PLAIN)";
    return false;
  }
  if (PemDecode(pem, "PRIVATE KEY", der))
    return DecodeP256PrivateKey(der, true, d, point, why);
  if (PemDecode(pem, "EC PRIVATE KEY", der))
    return DecodeP256PrivateKey(der, false, d, point, why);
  why = "it holds no PEM \"PRIVATE KEY\" or \"EC PRIVATE KEY\"";
  return false;
}

}  // namespace platform
