// Checks a manifest's signature once, as the program checks it, so that the benchmark can
// time it as a process beside openssl dgst -sha256 -verify on the same bytes.
//
//   signature_check <manifest file> <public key (PEM)>
//
// Exit code 0 when the signature is valid, 1 when it is not, 2 for a file or key that
// cannot be read.
#include <cstdio>
#include <string>

#include "tool/key_files.h"
#include "tool/manifest_source.h"
#include "update/manifest_signature.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <manifest file> <public key (PEM)>\n", argv[0]);
    return 2;
  }
  std::string manifest;
  std::string pem;
  std::string why;
  std::vector<ManifestKey> keys;
  if (!ReadWholeFile(argv[1], manifest, why) || !ReadWholeFile(argv[2], pem, why) ||
      !ReadPublicKeysPem(pem, keys, why)) {
    std::fprintf(stderr, "signature_check: %s\n", why.c_str());
    return 2;
  }
  return CheckManifestSignature(manifest, keys).status == SignatureStatus::kValid ? 0 : 1;
}
