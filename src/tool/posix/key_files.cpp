// Key files on Linux: libcrypto's PEM reading and writing.
#include "tool/key_files.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

#include "platform/posix/p256_key.h"

namespace {

struct FreeBio {
  void operator()(BIO* bio) const { BIO_free_all(bio); }
};
using Bio = std::unique_ptr<BIO, FreeBio>;

// A BIO that reads text, which must outlive it.
Bio ReadingBio(const std::string& text) {
  Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  if (!bio)
    throw platform::CryptoException("OpenSSL: reading a key file failed");
  return bio;
}

// What a memory BIO holds.
std::string Written(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(size));
}

// Refuses a pass phrase prompt: the tool reads unencrypted keys only.
int NoPassPhrase(char*, int, int, void*) {
  return -1;
}

}  // namespace

ManifestKey ManifestKeyOf(const platform::P256Point& point) {
  const platform::P256Key key = platform::MakeP256Key(point);
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key.get(), &der);
  if (length <= 0)
    throw platform::CryptoException("OpenSSL: writing the public key failed");
  const platform::Sha256Digest digest = platform::Sha256(der, static_cast<std::size_t>(length));
  OPENSSL_free(der);
  return ManifestKey{point, ManifestKeyId(digest)};
}

bool ReadPublicKeysPem(const std::string& pem, std::vector<ManifestKey>& keys, std::string& why) {
  keys.clear();
  // Each block on its own, so that a key OpenSSL cannot read is told from the end of the
  // text.
  const std::string begin = "-----BEGIN PUBLIC KEY-----";
  const std::string end = "-----END PUBLIC KEY-----";
  for (std::size_t at = pem.find(begin); at != std::string::npos; at = pem.find(begin, at + 1)) {
    const std::size_t stop = pem.find(end, at);
    const std::string number = std::to_string(keys.size() + 1);
    const std::string block =
        stop == std::string::npos ? std::string() : pem.substr(at, stop + end.size() - at);
    const Bio bio = ReadingBio(block);
    const platform::P256Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, NoPassPhrase, nullptr));
    ERR_clear_error();
    platform::P256Point point{};
    if (!key) {
      why = "key " + number + " is not a public key OpenSSL reads (or its point is not on its curve)";
      return false;
    }
    if (!platform::P256PointOf(key.get(), point)) {
      why = "key " + number + " is not an ECDSA P-256 public key";
      return false;
    }
    keys.push_back(ManifestKeyOf(point));
  }
  return PublicKeyCountServes(keys.size(), why);
}

bool ReadPrivateKeyPem(const std::string& pem, ManifestSigningKey& key, std::string& why) {
  if (!PrivateKeyIsPlain(pem, why))
    return false;
  const Bio bio = ReadingBio(pem);
  const platform::P256Key read(PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassPhrase, nullptr));
  ERR_clear_error();
  if (!read) {
    why = "it holds no PEM \"PRIVATE KEY\" or \"EC PRIVATE KEY\" that OpenSSL reads";
    return false;
  }
  platform::P256Point point{};
  BIGNUM* d = nullptr;
  if (!platform::P256PointOf(read.get(), point)) {
    why = "it is not an ECDSA P-256 key";
    return false;
  }
  if (EVP_PKEY_get_bn_param(read.get(), OSSL_PKEY_PARAM_PRIV_KEY, &d) != 1) {
    why = "it holds no private key";
    return false;
  }
  const bool fits = BN_bn2binpad(d, key.d.data(), static_cast<int>(key.d.size())) ==
                    static_cast<int>(key.d.size());
  BN_clear_free(d);
  if (!fits) {
    why = "its private key is not a P-256 one";
    return false;
  }
  key.key = ManifestKeyOf(point);
  return true;
}

std::string PrivateKeyPem(const ManifestSigningKey& key) {
  const platform::P256Key pair = platform::MakeP256Key(key.key.point, &key.d);
  const Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), pair.get(), nullptr, nullptr, 0, nullptr,
                                       nullptr) != 1)
    throw platform::CryptoException("OpenSSL: writing the private key failed");
  return Written(bio.get());
}

std::string PublicKeyPem(const platform::P256Point& point) {
  const platform::P256Key key = platform::MakeP256Key(point);
  const Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PUBKEY(bio.get(), key.get()) != 1)
    throw platform::CryptoException("OpenSSL: writing the public key failed");
  return Written(bio.get());
}
