#pragma once
// The encodings of ECDSA P-256 keys and signatures as files and text hold them: base64,
// PEM, and the fixed DER forms of a P-256 key. Encoding only: the cryptography is the
// platform's (signature.h).
#include <array>
#include <string>
#include <vector>

namespace platform {

// A P-256 public key: its point, X then Y, 32 bytes each, big-endian.
using P256Point = std::array<unsigned char, 64>;
// A P-256 private key: the scalar d, 32 bytes, big-endian.
using P256Scalar = std::array<unsigned char, 32>;

// Base64 with padding (the standard alphabet), no line breaks.
std::string Base64Encode(const unsigned char* data, std::size_t size);
// The bytes of a base64 text written exactly as Base64Encode writes them (padding, no
// blanks, zero bits after the last byte); false for any other text.
bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes);

// DER bytes in PEM: "-----BEGIN <label>-----", base64 in lines of 64, the END line; LF
// line ends.
std::string PemEncode(const std::vector<unsigned char>& der, const std::string& label);
// The DER bytes of the first PEM block of text with this label; blanks and line ends of
// any kind inside it are skipped. False when there is none or it is not base64.
bool PemDecode(const std::string& text, const std::string& label, std::vector<unsigned char>& der);

// A P-256 public key as a SubjectPublicKeyInfo ("PUBLIC KEY", 91 bytes, the point
// uncompressed), and back. False for any other key or form.
std::vector<unsigned char> EncodeP256PublicKey(const P256Point& point);
bool DecodeP256PublicKey(const std::vector<unsigned char>& der, P256Point& point);

// A P-256 key pair as PKCS #8 ("PRIVATE KEY"), the public point included.
std::vector<unsigned char> EncodeP256PrivateKey(const P256Scalar& d, const P256Point& point);
// A P-256 private key from PKCS #8 ("PRIVATE KEY") or SEC 1 ("EC PRIVATE KEY") DER,
// unencrypted, holding its public point. False, with why, for anything else.
bool DecodeP256PrivateKey(const std::vector<unsigned char>& der, bool pkcs8, P256Scalar& d,
                          P256Point& point, std::string& why);

// The public key in a PEM text ("PUBLIC KEY"); false, with why, when there is none.
bool ReadP256PublicKeyPem(const std::string& pem, P256Point& point, std::string& why);
// The private key in a PEM text ("PRIVATE KEY" or "EC PRIVATE KEY"); false, with why,
// when there is none or it is encrypted, of another curve or without its public point.
bool ReadP256PrivateKeyPem(const std::string& pem, P256Scalar& d, P256Point& point,
                           std::string& why);

}  // namespace platform
