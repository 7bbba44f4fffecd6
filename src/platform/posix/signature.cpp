// ECDSA P-256 on Linux: OpenSSL's libcrypto. Keys enter it as their point (and scalar),
// as they enter CNG on Windows.
#include "platform/signature.h"

#include "platform/posix/p256_key.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>
#include <vector>

namespace platform {

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Key = P256Key;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Signature = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;
using Number = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using ParamBuild = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>>;

[[noreturn]] void Fail(const char* what) {
  throw CryptoException(std::string("OpenSSL: ") + what + " failed");
}

// A context for the key's signing or verifying of SHA-256 digests.
KeyContext DigestContext(EVP_PKEY* key, int (*init)(EVP_PKEY_CTX*)) {
  KeyContext context(EVP_PKEY_CTX_new(key, nullptr));
  if (!context || init(context.get()) <= 0 ||
      EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) <= 0)
    Fail("preparing the key");
  return context;
}

// The big-endian number of size bytes at data.
Number FromBytes(const unsigned char* data, std::size_t size) {
  Number number(BN_bin2bn(data, static_cast<int>(size), nullptr));
  if (!number)
    Fail("reading a number");
  return number;
}

}  // namespace

P256Key MakeP256Key(const P256Point& point, const P256Scalar* d) {
  unsigned char encoded[1 + sizeof point] = {0x04};  // uncompressed: 04 X Y
  std::copy(point.begin(), point.end(), encoded + 1);
  ParamBuild build(OSSL_PARAM_BLD_new());
  Number scalar;
  if (d != nullptr)
    scalar = FromBytes(d->data(), d->size());
  if (!build ||
      OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "P-256", 0) != 1 ||
      OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, encoded,
                                       sizeof encoded) != 1 ||
      (scalar && OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_PRIV_KEY, scalar.get()) != 1))
    Fail("preparing the key");
  const Params params(OSSL_PARAM_BLD_to_param(build.get()));
  const KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  // Reading the point checks that it is on the curve.
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &key, d != nullptr ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                        params.get()) <= 0)
    Fail(d != nullptr ? "reading the private key" : "reading the public key");
  return P256Key(key);
}

bool P256PointOf(EVP_PKEY* key, P256Point& point) {
  char group[32] = "";
  std::size_t length = 0;
  if (EVP_PKEY_get_base_id(key) != EVP_PKEY_EC ||
      EVP_PKEY_get_group_name(key, group, sizeof group, &length) != 1 ||
      std::string(group) != "prime256v1")
    return false;
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                   EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
  const Number xOwner(x);
  const Number yOwner(y);
  return got && BN_bn2binpad(x, point.data(), 32) == 32 &&
         BN_bn2binpad(y, point.data() + 32, 32) == 32;
}

Sha256Digest Sha256(const void* data, std::size_t size) {
  Sha256Digest digest;
  unsigned int length = 0;
  if (EVP_Digest(data, size, digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
      length != digest.size())
    Fail("SHA-256");
  return digest;
}

bool VerifyP256(const P256Point& key, const Sha256Digest& digest, const P256Signature& signature) {
  const Key publicKey = MakeP256Key(key);
  // OpenSSL takes the signature in DER: SEQUENCE { INTEGER r, INTEGER s }.
  Signature pair(ECDSA_SIG_new());
  Number r(BN_bin2bn(signature.data(), 32, nullptr));
  Number s(BN_bin2bn(signature.data() + 32, 32, nullptr));
  if (!pair || !r || !s || ECDSA_SIG_set0(pair.get(), r.get(), s.get()) != 1)
    Fail("reading the signature");
  r.release();  // owned by pair now
  s.release();
  unsigned char* der = nullptr;
  const int length = i2d_ECDSA_SIG(pair.get(), &der);
  if (length <= 0)
    Fail("encoding the signature");
  const std::unique_ptr<unsigned char, void (*)(unsigned char*)> derOwner(
      der, [](unsigned char* p) { OPENSSL_free(p); });
  const KeyContext context = DigestContext(publicKey.get(), EVP_PKEY_verify_init);
  const int result = EVP_PKEY_verify(context.get(), der, static_cast<std::size_t>(length),
                                     digest.data(), digest.size());
  if (result < 0)
    Fail("verifying");
  return result == 1;
}

P256Signature SignP256(const P256Scalar& d, const P256Point& point, const Sha256Digest& digest) {
  const Key key = MakeP256Key(point, &d);
  const KeyContext context = DigestContext(key.get(), EVP_PKEY_sign_init);
  std::size_t length = 0;
  if (EVP_PKEY_sign(context.get(), nullptr, &length, digest.data(), digest.size()) <= 0)
    Fail("signing");
  std::vector<unsigned char> der(length);
  if (EVP_PKEY_sign(context.get(), der.data(), &length, digest.data(), digest.size()) <= 0)
    Fail("signing");
  const unsigned char* at = der.data();
  const Signature pair(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(length)));
  P256Signature signature;
  if (!pair || BN_bn2binpad(ECDSA_SIG_get0_r(pair.get()), signature.data(), 32) != 32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(pair.get()), signature.data() + 32, 32) != 32)
    Fail("reading the signature made");
  return signature;
}

void GenerateP256Key(P256Scalar& d, P256Point& point) {
  const Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!key)
    Fail("making a key");
  BIGNUM* scalar = nullptr;
  if (EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_PRIV_KEY, &scalar) != 1)
    Fail("reading the key made");
  const Number scalarOwner(scalar);
  unsigned char encoded[65];
  std::size_t length = 0;
  if (BN_bn2binpad(scalar, d.data(), static_cast<int>(d.size())) != static_cast<int>(d.size()) ||
      EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, encoded, sizeof encoded,
                                      &length) != 1 ||
      length != sizeof encoded || encoded[0] != 0x04)
    Fail("reading the key made");
  std::copy(encoded + 1, encoded + sizeof encoded, point.begin());
}

}  // namespace platform
