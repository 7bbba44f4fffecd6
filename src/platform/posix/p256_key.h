#pragma once
// A P-256 key as libcrypto holds it, made from its point (and its scalar, for a private
// key): what the signature check and the maker's tool hand to OpenSSL.
#include <openssl/evp.h>

#include <memory>

#include "platform/signature.h"

namespace platform {

struct FreeP256Key {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using P256Key = std::unique_ptr<EVP_PKEY, FreeP256Key>;

// The key of point, with d a private one. Raises CryptoException for a point that is not on
// the curve.
P256Key MakeP256Key(const P256Point& point, const P256Scalar* d = nullptr);

// The point of an EC key, when it is a P-256 one.
bool P256PointOf(EVP_PKEY* key, P256Point& point);

}  // namespace platform
