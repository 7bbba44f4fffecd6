// Key files on Windows. crypt32 reads and writes PEM's base64 and a public key's
// SubjectPublicKeyInfo. A private key's DER forms (PKCS #8 and SEC 1) are read and written
// here: crypt32 as Wine provides it decodes neither (PKCS_PRIVATE_KEY_INFO and
// X509_ECC_PRIVATE_KEY find no decoder), and the tool must work there as on Windows. The
// program never reads a key file, and never imports crypt32.
#include "tool/key_files.h"

#include "platform/win32/windows_include.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <memory>

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

// The fixed beginning of the private key form written here (PKCS #8 holding SEC 1); the
// scalar, then the point, follow.
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


// The PEM of DER bytes under label, with LF line ends.
std::string PemEncode(const std::vector<unsigned char>& der, const std::string& label) {
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCR;
  DWORD size = 0;
  if (!CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, nullptr, &size))
    throw platform::CryptoException("crypt32: writing base64 failed");
  std::string base64(size, '\0');
  if (!CryptBinaryToStringA(der.data(), static_cast<DWORD>(der.size()), flags, &base64[0], &size))
    throw platform::CryptoException("crypt32: writing base64 failed");
  base64.resize(std::strlen(base64.c_str()));
  if (base64.empty() || base64.back() != '\n')
    base64 += '\n';
  return "-----BEGIN " + label + "-----\n" + base64 + "-----END " + label + "-----\n";
}

// The text of the first PEM block under label, from its BEGIN line to its END line.
std::string PemBlock(const std::string& text, const std::string& label, std::size_t from = 0) {
  const std::string begin = "-----BEGIN " + label + "-----";
  const std::string end = "-----END " + label + "-----";
  const std::size_t start = text.find(begin, from);
  const std::size_t stop = start == std::string::npos ? start : text.find(end, start);
  return stop == std::string::npos ? std::string() : text.substr(start, stop + end.size() - start);
}

// The DER bytes of a PEM block; false when there is none or it is not base64.
bool PemDecode(const std::string& text, const std::string& label, std::vector<unsigned char>& der) {
  const std::string block = PemBlock(text, label);
  DWORD size = 0;
  if (block.empty() ||
      !CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                            CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return false;
  der.resize(size);
  if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                            CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
    return false;
  der.resize(size);
  return true;
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

// The DER of P-256's object identifier, the parameters of an EC public key on it.
const unsigned char kP256Parameters[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// A P-256 public key as a SubjectPublicKeyInfo, its point uncompressed, by crypt32.
std::vector<unsigned char> PublicKeyDer(const platform::P256Point& point) {
  unsigned char encoded[1 + sizeof point] = {0x04};
  std::copy(point.begin(), point.end(), encoded + 1);
  CERT_PUBLIC_KEY_INFO info{};
  info.Algorithm.pszObjId = const_cast<char*>(szOID_ECC_PUBLIC_KEY);
  info.Algorithm.Parameters = {sizeof kP256Parameters, const_cast<BYTE*>(kP256Parameters)};
  info.PublicKey = {sizeof encoded, encoded, 0};
  BYTE* der = nullptr;
  DWORD size = 0;
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &info,
                           CRYPT_ENCODE_ALLOC_FLAG, nullptr, &der, &size))
    throw platform::CryptoException("crypt32: writing the public key failed");
  const std::unique_ptr<BYTE, LocalFreer> owner(der);
  return std::vector<unsigned char>(der, der + size);
}

// The point of a SubjectPublicKeyInfo read by crypt32, when it is an uncompressed P-256 one.
bool DecodeP256PublicKey(const std::vector<unsigned char>& der, platform::P256Point& point) {
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                           static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &info,
                           &size))
    return false;
  const std::unique_ptr<CERT_PUBLIC_KEY_INFO, LocalFreer> owner(info);
  const CRYPT_BIT_BLOB& key = info->PublicKey;
  const CRYPT_OBJID_BLOB& parameters = info->Algorithm.Parameters;
  if (std::strcmp(info->Algorithm.pszObjId, szOID_ECC_PUBLIC_KEY) != 0 ||
      parameters.cbData != sizeof kP256Parameters ||
      std::memcmp(parameters.pbData, kP256Parameters, sizeof kP256Parameters) != 0 ||
      key.cbData != 1 + point.size() || key.cUnusedBits != 0 || key.pbData[0] != 0x04)
    return false;
  std::copy(key.pbData + 1, key.pbData + key.cbData, point.begin());
  return true;
}

}  // namespace

ManifestKey ManifestKeyOf(const platform::P256Point& point) {
  // CNG refuses a point off the curve.
  const platform::Sha256Digest probe{};
  const platform::P256Signature none{};
  platform::VerifyP256(point, probe, none);
  const std::vector<unsigned char> der = PublicKeyDer(point);
  const platform::Sha256Digest digest = platform::Sha256(der.data(), der.size());
  return ManifestKey{point, ManifestKeyId(digest)};
}

bool ReadPublicKeysPem(const std::string& pem, std::vector<ManifestKey>& keys, std::string& why) {
  keys.clear();
  const std::string begin = "-----BEGIN PUBLIC KEY-----";
  for (std::size_t at = pem.find(begin); at != std::string::npos; at = pem.find(begin, at + 1)) {
    std::vector<unsigned char> der;
    platform::P256Point point{};
    if (!PemDecode(PemBlock(pem, "PUBLIC KEY", at), "PUBLIC KEY", der) ||
        !DecodeP256PublicKey(der, point)) {
      why = "key " + std::to_string(keys.size() + 1) + " is not an ECDSA P-256 public key";
      return false;
    }
    keys.push_back(ManifestKeyOf(point));
  }
  return PublicKeyCountServes(keys.size(), why);
}

bool ReadPrivateKeyPem(const std::string& pem, ManifestSigningKey& key, std::string& why) {
  std::vector<unsigned char> der;
  if (!PrivateKeyIsPlain(pem, why))
    return false;
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
