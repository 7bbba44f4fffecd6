// ECDSA P-256 on Windows: CNG. bcrypt.dll is loaded from the system folder the first time
// a digest, a signature or a key is asked for, so that a program that never checks a
// signature (one built without a key) neither imports nor loads it. Every function used is
// there since Windows Vista.
#include "platform/signature.h"

#include "platform/win32/windows_include.h"

#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace platform {

namespace {

// BCryptVerifySignature's answer for a signature that does not verify.
const NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);

[[noreturn]] void Fail(const char* what, NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
  throw CryptoException(std::string("CNG: ") + what + " failed (" + code + ")");
}

void Check(const char* what, NTSTATUS status) {
  if (status != 0)
    Fail(what, status);
}

// The functions of bcrypt.dll that are used, and the library, which stays loaded.
struct Cng {
  HMODULE library;
  decltype(&BCryptOpenAlgorithmProvider) OpenAlgorithmProvider;
  decltype(&BCryptCloseAlgorithmProvider) CloseAlgorithmProvider;
  decltype(&BCryptGetProperty) GetProperty;
  decltype(&BCryptCreateHash) CreateHash;
  decltype(&BCryptHashData) HashData;
  decltype(&BCryptFinishHash) FinishHash;
  decltype(&BCryptDestroyHash) DestroyHash;
  decltype(&BCryptImportKeyPair) ImportKeyPair;
  decltype(&BCryptGenerateKeyPair) GenerateKeyPair;
  decltype(&BCryptFinalizeKeyPair) FinalizeKeyPair;
  decltype(&BCryptExportKey) ExportKey;
  decltype(&BCryptDestroyKey) DestroyKey;
  decltype(&BCryptVerifySignature) VerifySignature;
  decltype(&BCryptSignHash) SignHash;

  ~Cng() { FreeLibrary(library); }
};

template <class Function>
void Bind(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (function == nullptr)
    Fail(name, static_cast<NTSTATUS>(GetLastError()));
}

// Loaded on first use, from the system folder only: never a bcrypt.dll planted beside the
// program. A failure is raised again by the next use.
const Cng& LoadCng() {
  static const std::unique_ptr<Cng> cng([] {
    char folder[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      Fail("GetSystemDirectory", static_cast<NTSTATUS>(GetLastError()));
    const HMODULE library = LoadLibraryA((std::string(folder) + "\\bcrypt.dll").c_str());
    if (library == nullptr)
      Fail("loading bcrypt.dll", static_cast<NTSTATUS>(GetLastError()));
    std::unique_ptr<Cng> loaded(new Cng());
    loaded->library = library;
    Bind(library, "BCryptOpenAlgorithmProvider", loaded->OpenAlgorithmProvider);
    Bind(library, "BCryptCloseAlgorithmProvider", loaded->CloseAlgorithmProvider);
    Bind(library, "BCryptGetProperty", loaded->GetProperty);
    Bind(library, "BCryptCreateHash", loaded->CreateHash);
    Bind(library, "BCryptHashData", loaded->HashData);
    Bind(library, "BCryptFinishHash", loaded->FinishHash);
    Bind(library, "BCryptDestroyHash", loaded->DestroyHash);
    Bind(library, "BCryptImportKeyPair", loaded->ImportKeyPair);
    Bind(library, "BCryptGenerateKeyPair", loaded->GenerateKeyPair);
    Bind(library, "BCryptFinalizeKeyPair", loaded->FinalizeKeyPair);
    Bind(library, "BCryptExportKey", loaded->ExportKey);
    Bind(library, "BCryptDestroyKey", loaded->DestroyKey);
    Bind(library, "BCryptVerifySignature", loaded->VerifySignature);
    Bind(library, "BCryptSignHash", loaded->SignHash);
    return loaded.release();
  }());
  return *cng;
}

struct CloseAlgorithm {
  void operator()(void* handle) const { LoadCng().CloseAlgorithmProvider(handle, 0); }
};
struct DestroyHash {
  void operator()(void* handle) const { LoadCng().DestroyHash(handle); }
};
struct DestroyKey {
  void operator()(void* handle) const { LoadCng().DestroyKey(handle); }
};
using Algorithm = std::unique_ptr<void, CloseAlgorithm>;
using Hash = std::unique_ptr<void, DestroyHash>;
using Key = std::unique_ptr<void, DestroyKey>;

Algorithm OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  Check("BCryptOpenAlgorithmProvider", LoadCng().OpenAlgorithmProvider(&handle, name, nullptr, 0));
  return Algorithm(handle);
}

// A key blob: the header, X and Y, and for a private key d.
std::vector<unsigned char> KeyBlob(ULONG magic, const P256Point& point, const P256Scalar* d) {
  BCRYPT_ECCKEY_BLOB header = {magic, 32};
  std::vector<unsigned char> blob(sizeof header);
  std::copy_n(reinterpret_cast<const unsigned char*>(&header), sizeof header, blob.begin());
  blob.insert(blob.end(), point.begin(), point.end());
  if (d != nullptr)
    blob.insert(blob.end(), d->begin(), d->end());
  return blob;
}

Key ImportKey(const Algorithm& algorithm, const wchar_t* type, std::vector<unsigned char> blob) {
  BCRYPT_KEY_HANDLE handle = nullptr;
  Check("BCryptImportKeyPair",
        LoadCng().ImportKeyPair(algorithm.get(), nullptr, type, &handle, blob.data(),
                                static_cast<ULONG>(blob.size()), 0));
  return Key(handle);
}

// Digests and signatures are passed to CNG as unsigned bytes it only reads.
PUCHAR Bytes(const void* data) {
  return static_cast<PUCHAR>(const_cast<void*>(data));
}

}  // namespace

Sha256Digest Sha256(const void* data, std::size_t size) {
  const Cng& cng = LoadCng();
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  // Windows Vista wants the hash object's memory from the caller.
  DWORD objectSize = 0;
  ULONG written = 0;
  Check("BCryptGetProperty",
        cng.GetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                        reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &written, 0));
  std::vector<unsigned char> object(objectSize);
  BCRYPT_HASH_HANDLE handle = nullptr;
  Check("BCryptCreateHash",
        cng.CreateHash(algorithm.get(), &handle, object.data(), objectSize, nullptr, 0, 0));
  const Hash hash(handle);
  // BCryptHashData takes at most 4 GiB at a time.
  const unsigned char* at = static_cast<const unsigned char*>(data);
  for (std::size_t left = size; left > 0;) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(left, 0x40000000));
    Check("BCryptHashData", cng.HashData(handle, Bytes(at), piece, 0));
    at += piece;
    left -= piece;
  }
  Sha256Digest digest;
  Check("BCryptFinishHash", cng.FinishHash(handle, digest.data(), digest.size(), 0));
  return digest;
}

bool VerifyP256(const P256Point& key, const Sha256Digest& digest, const P256Signature& signature) {
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  const Key publicKey = ImportKey(algorithm, BCRYPT_ECCPUBLIC_BLOB,
                                  KeyBlob(BCRYPT_ECDSA_PUBLIC_P256_MAGIC, key, nullptr));
  const NTSTATUS status =
      LoadCng().VerifySignature(publicKey.get(), nullptr, Bytes(digest.data()), digest.size(),
                                Bytes(signature.data()), signature.size(), 0);
  if (status == kInvalidSignature)
    return false;
  Check("BCryptVerifySignature", status);
  return true;
}

P256Signature SignP256(const P256Scalar& d, const P256Point& point, const Sha256Digest& digest) {
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  const Key privateKey = ImportKey(algorithm, BCRYPT_ECCPRIVATE_BLOB,
                                   KeyBlob(BCRYPT_ECDSA_PRIVATE_P256_MAGIC, point, &d));
  P256Signature signature;
  ULONG written = 0;
  Check("BCryptSignHash",
        LoadCng().SignHash(privateKey.get(), nullptr, Bytes(digest.data()), digest.size(),
                           signature.data(), signature.size(), &written, 0));
  if (written != signature.size())
    Fail("BCryptSignHash", 0);
  return signature;
}

void GenerateP256Key(P256Scalar& d, P256Point& point) {
  const Cng& cng = LoadCng();
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  BCRYPT_KEY_HANDLE handle = nullptr;
  Check("BCryptGenerateKeyPair", cng.GenerateKeyPair(algorithm.get(), &handle, 256, 0));
  const Key key(handle);
  Check("BCryptFinalizeKeyPair", cng.FinalizeKeyPair(handle, 0));
  std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + point.size() + d.size());
  ULONG written = 0;
  Check("BCryptExportKey", cng.ExportKey(handle, nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                                         static_cast<ULONG>(blob.size()), &written, 0));
  if (written != blob.size())
    Fail("BCryptExportKey", 0);
  const unsigned char* at = blob.data() + sizeof(BCRYPT_ECCKEY_BLOB);
  std::copy_n(at, point.size(), point.begin());
  std::copy_n(at + point.size(), d.size(), d.begin());
}

}  // namespace platform
