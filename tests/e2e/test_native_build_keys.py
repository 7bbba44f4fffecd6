"""The manifest keys a build is configured with (-DKWU_MANIFEST_PUBLIC_KEY): one to four
ECDSA P-256 public keys, each checked by openssl when the build is configured, and built in
with the key id that openssl's DER of it gives. Runs cmake/build_options.cmake as the
configure step does, without configuring a whole build."""

import base64
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("KWU_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", "..")


def openssl(*args, data=None):
    return subprocess.run(["openssl"] + list(args), input=data, capture_output=True,
                          check=True).stdout


class ConfiguredKeys(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kwu-build-keys-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.probe = os.path.join(self.folder, "probe.cmake")
        with open(self.probe, "w") as probe:
            probe.write('include("%s/cmake/build_options.cmake")\n'
                        'kwu_manifest_keys_initializer("${PEM}" keys)\n'
                        'message(STATUS "keys: ${keys}")\n' % SOURCE.replace("\\", "/"))

    def public_key(self, curve="P-256"):
        private = openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:" + curve)
        return openssl("pkey", "-pubout", data=private)

    def configure(self, pem):
        """(whether configuring succeeds, what it printed) with the file pem as the keys."""
        path = os.path.join(self.folder, "keys.pem")
        with open(path, "wb") as file:
            file.write(pem)
        done = subprocess.run(["cmake", "-DPEM=" + path, "-P", self.probe], capture_output=True,
                              cwd=self.folder)
        return done.returncode == 0, (done.stdout + done.stderr).decode(errors="replace")

    def test_one_to_four_keys_built_in_with_their_ids(self):
        keys = [self.public_key() for _ in range(4)]
        # One given with a compressed point is the same key, written uncompressed.
        keys[3] = openssl("pkey", "-pubin", "-ec_conv_form", "compressed", data=keys[3])
        ids = [hashlib.sha256(openssl("pkey", "-pubin", "-outform", "DER", "-ec_conv_form",
                                      "uncompressed", data=key)).hexdigest()[:16] for key in keys]
        for count in (1, 2, 4):
            with self.subTest(count=count):
                fits, output = self.configure(b"comment\n" + b"".join(keys[:count]))
                self.assertTrue(fits, output)
                self.assertEqual(re.findall(r'"([0-9a-f]{16})"', output), ids[:count], output)
                self.assertEqual(len(re.findall(r"0x[0-9a-f]{2}", output)), 64 * count)

    def test_keys_that_cannot_serve_fail_with_why(self):
        key = self.public_key()
        der = bytearray(openssl("pkey", "-pubin", "-outform", "DER", data=key))
        der[-1] ^= 1  # a point off the curve
        off_curve = (b"-----BEGIN PUBLIC KEY-----\n" + base64.encodebytes(bytes(der))
                     + b"-----END PUBLIC KEY-----\n")
        cases = {
            "a point off the curve": (off_curve, "is not a valid public key"),
            "a P-384 key": (self.public_key("P-384"), "is not an ECDSA P-256 public key"),
            "no key": (b"nothing\n", "holds 0 PEM"),
            "five keys": (b"".join(self.public_key() for _ in range(5)), "holds 5 PEM"),
            "one key twice": (key + key, "is there twice"),
        }
        for what, (pem, message) in cases.items():
            with self.subTest(what):
                fits, output = self.configure(pem)
                self.assertFalse(fits, output)
                self.assertIn("KWU_MANIFEST_PUBLIC_KEY", output)
                self.assertIn(message, " ".join(output.split()))


CASES = (ConfiguredKeys,)

if __name__ == "__main__":
    unittest.main()
