"""kavexwebupd-manifest's keys and signatures, on both platforms (the Linux tool signs with
OpenSSL, the Windows tool with CNG), held against openssl itself: the keys the tool makes
are keys to openssl, the keys openssl makes sign in the tool, and what the tool signs
verifies with openssl dgst. Any build; test_native_manifest_tool.py and
test_wine_manifest_tool.py run them."""

import base64
import json
import os
import stat
import subprocess
import time

from tool_cases import Tool
import manifest_signer

MANIFEST = b"; manifest\r\n[App 7.0]\r\nFileArgs=http://h/app/7.1/\r\n"


def openssl(*args, data=None):
    completed = subprocess.run(["openssl"] + list(args), input=data, capture_output=True)
    return completed.returncode, completed.stdout


class Signing(Tool):
    def host(self, name):
        """A file of the case's folder as this machine names it."""
        return self.host_path(self.scratch(name))

    def read(self, name):
        with open(self.host(name), "rb") as stream:
            return stream.read()

    def assertVerifiesWithOpenssl(self, name, *publics):
        """The file's last lines, one a public key in that order, each sign the bytes before
        the first of them, as openssl sees it."""
        content = self.read(name)
        start = content.rindex(manifest_signer.MARKER)
        for _ in publics[1:]:
            start = content.rindex(manifest_signer.MARKER, 0, start)
        lines = content[start:].splitlines()
        self.assertEqual(len(lines), len(publics), content)
        self.write("covered.bin", content[:start])
        for line, public in zip(lines, publics):
            raw = base64.b64decode(line.split(b" ")[-1])
            self.write("signature.der", manifest_signer.der_signature(raw))
            code, out = openssl("dgst", "-sha256", "-verify", self.host(public), "-signature",
                                self.host("signature.der"), self.host("covered.bin"))
            self.assertEqual((code, out.strip()), (0, b"Verified OK"), public)

    def test_the_tools_keys_and_signatures_are_openssls(self):
        code, stdout = self.tool("--json", "keygen", self.scratch("private.pem"),
                                 self.scratch("public.pem"))
        self.assertEqual(code, 0, stdout)
        made = json.loads(stdout)
        self.assertEqual(openssl("pkey", "-in", self.host("private.pem"), "-check", "-noout")[0], 0)
        self.assertEqual(made["keyId"], manifest_signer.key_id(self.host("private.pem")))
        self.write("update.ini", MANIFEST)
        freshness = ("--sequence", "200", "--expires", "2099-12-31")
        code, stdout = self.tool("sign", self.scratch("update.ini"), "--key",
                                 self.scratch("private.pem"), *freshness)
        self.assertEqual(code, 0, stdout)
        signed = self.read("update.ini")
        self.assertTrue(signed.startswith(MANIFEST + manifest_signer.freshness_line(
            200, "2099-12-31T00:00:00Z") + b"\r\n" + manifest_signer.MARKER), signed)
        self.assertTrue(signed.endswith(b"\r\n"), signed)
        self.assertVerifiesWithOpenssl("update.ini", "public.pem")
        # Signing twice with the same freshness gives the same bytes.
        self.assertEqual(self.tool("sign", self.scratch("update.ini"), "--key",
                                   self.scratch("private.pem"), *freshness)[0], 0)
        self.assertEqual(self.read("update.ini"), signed)
        self.assertEqual(self.tool("check", self.scratch("update.ini"), "--key",
                                   self.scratch("public.pem"))[0], 0)
        self.write("update.ini", signed.replace(b"7.1", b"7.2"))
        code, stdout = self.tool("--json", "check", self.scratch("update.ini"), "--key",
                                 self.scratch("public.pem"))
        self.assertEqual((code, json.loads(stdout)["signature"]["status"]), (1, "bad"))

    def test_keys_made_by_openssl_sign_in_the_tool(self):
        # PKCS #8, as openssl genpkey writes it, and SEC 1, as openssl ecparam writes it.
        manifest_signer.make_key(self.host("pkcs8.pem"))
        code, sec1 = openssl("ecparam", "-name", "prime256v1", "-genkey", "-noout")
        self.assertEqual(code, 0)
        self.write("sec1.pem", sec1)
        for key in ("pkcs8.pem", "sec1.pem"):
            with self.subTest(key=key):
                public = key + ".pub"
                self.assertEqual(openssl("pkey", "-in", self.host(key), "-pubout", "-out",
                                         self.host(public))[0], 0)
                self.write("update.ini", MANIFEST)
                code, stdout = self.tool("sign", self.scratch("update.ini"), "--key",
                                         self.scratch(key), "-o", self.scratch("out.ini"))
                self.assertEqual(code, 0, stdout)
                self.assertEqual(self.read("update.ini"), MANIFEST)
                self.assertVerifiesWithOpenssl("out.ini", public)
                # And what openssl signs, the tool finds valid.
                self.write("theirs.ini", manifest_signer.sign(MANIFEST, self.host(key)))
                code, stdout = self.tool("check", self.scratch("theirs.ini"), "--key",
                                         self.scratch(public))
                self.assertEqual(code, 0, stdout)
                self.assertIn("signature: valid", stdout)


    def test_each_signature_finding_in_text_and_json(self):
        ids = {}
        for pair in ("one", "two"):
            code, stdout = self.tool("--json", "keygen", self.scratch(pair + ".pem"),
                                     self.scratch(pair + ".pub"))
            self.assertEqual(code, 0, stdout)
            ids[pair] = json.loads(stdout)["keyId"]
        self.write("update.ini", MANIFEST)
        self.assertEqual(self.tool("sign", self.scratch("update.ini"), "--key",
                                   self.scratch("one.pem"))[0], 0)
        signed = self.read("update.ini")
        appended = b"[App 7.0 en]\r\nFileArgs=http://e/\r\n"
        # status: (the manifest, the key it is checked with, what the text says, and the
        # JSON report)
        cases = {
            "missing": (MANIFEST, "one", "no signature line", {"line": None}),
            "malformed": (MANIFEST + manifest_signer.MARKER + b"x\r\n", "one",
                          "line 4 is not of the form", {"line": 4}),
            "uncovered": (signed + appended, "one",
                          "followed by %d bytes that it does not cover" % len(appended),
                          {"uncoveredBytes": len(appended)}),
            "other-key": (signed, "two", "made by the key " + ids["one"],
                          {"signedBy": ids["one"], "keyId": ids["two"]}),
            "bad": (signed.replace(b"7.1", b"7.2"), "one", "line 5 does not verify",
                    {"signedBy": ids["one"], "signedBytes": signed.index(manifest_signer.MARKER)}),
        }
        for status, (content, key, text, report) in cases.items():
            with self.subTest(status=status):
                path = self.write("case.ini", content)
                public = self.scratch(key + ".pub")
                for command in (("check", path), ("explain", path, "App", "7.0")):
                    code, stdout = self.tool(*command, "--key", public)
                    self.assertEqual(code, 1, stdout)
                    self.assertIn("signature: %s (key %s, " % (status, ids[key]), stdout)
                    self.assertIn(text, stdout)
                    self.assertIn("\n  fix: Sign it ", stdout)
                shown = self.tool_json("check", path, "--key", public, code=1)["signature"]
                self.assertEqual(shown["status"], status, shown)
                self.assertEqual({name: shown[name] for name in report}, report, shown)

    def test_the_freshness_sign_writes_and_check_reports(self):
        manifest_signer.make_key(self.host("key.pem"))
        self.assertEqual(openssl("pkey", "-in", self.host("key.pem"), "-pubout", "-out",
                                 self.host("key.pub"))[0], 0)
        self.write("update.ini", MANIFEST)

        def sign(*options):
            return self.tool("--json", "sign", self.scratch("update.ini"), "--key",
                             self.scratch("key.pem"), *options)

        def check():
            return self.tool_json("check", self.scratch("update.ini"), "--key",
                                  self.scratch("key.pub"), code=0)

        # By default the signing time is the sequence, and it runs 60 days.
        before = int(time.time())
        code, stdout = sign()
        self.assertEqual(code, 0, stdout)
        made = json.loads(stdout)
        self.assertTrue(before <= made["sequence"] <= time.time(), made)
        self.assertEqual(made["expires"], time.strftime(
            "%Y-%m-%dT%H:%M:%SZ", time.gmtime(made["sequence"] + 60 * 86400)))
        shown = check()["freshness"]
        self.assertEqual((shown["status"], shown["line"], shown["sequence"], shown["expired"],
                          shown["daysLeft"], shown["canBeFrozen"]),
                         ("present", 4, made["sequence"], False, 60, False), shown)
        # What openssl signs with the line of shipping.md, the tool reads the same.
        self.write("update.ini", manifest_signer.sign(MANIFEST, self.host("key.pem"),
                                                      sequence=7, expires="never"))
        shown = check()["freshness"]
        self.assertEqual((shown["sequence"], shown["expires"], shown["canBeFrozen"]),
                         (7, "never", True), shown)
        code, stdout = self.tool("explain", self.scratch("update.ini"), "App", "7.0", "--key",
                                 self.scratch("key.pub"))
        self.assertEqual(code, 0, stdout)
        self.assertIn("freshness: never expires: line 4: sequence 7, never expires: the manifest "
                      "can be frozen", stdout)
        # A date past is signed, and is expired: a finding.
        code, stdout = sign("--expires", "2020-01-01", "--sequence", "100")
        self.assertEqual(code, 0, stdout)
        self.assertEqual(json.loads(stdout)["expired"], True)
        result = self.tool_json("check", self.scratch("update.ini"), "--key",
                                self.scratch("key.pub"), code=1)
        self.assertEqual((result["freshness"]["expired"], result["freshness"]["expires"]),
                         (True, "2020-01-01T00:00:00Z"))
        # A manifest with a zero byte is never signed.
        self.write("update.ini", MANIFEST.replace(b"7.0]", b"7.0]\0"))
        self.assertEqual(sign()[0], 2)
        self.assertEqual(self.read("update.ini"), MANIFEST.replace(b"7.0]", b"7.0]\0"))
    def test_keys_rotate_and_cannot_be_lost_or_leaked(self):
        for pair in ("old", "new"):
            code, stdout = self.tool("keygen", self.scratch(pair + ".pem"), self.scratch(pair + ".pub"))
            self.assertEqual(code, 0, stdout)
        # The maker's private key is the maker's alone; the public key is not, as a file
        # made without care is not.
        mode = stat.S_IMODE(os.stat(self.host("old.pem")).st_mode)
        self.assertEqual(mode & self.OWNER_ONLY_MASK, 0, oct(mode))
        self.assertNotEqual(stat.S_IMODE(os.stat(self.host("old.pub")).st_mode) & 0o004, 0)
        self.write("both.pub", self.read("old.pub") + self.read("new.pub"))
        self.write("update.ini", MANIFEST)
        code, stdout = self.tool("sign", self.scratch("update.ini"), "--key", self.scratch("old.pem"),
                                 "--key", self.scratch("new.pem"), "-o", self.scratch("both.ini"))
        self.assertEqual(code, 0, stdout)
        self.assertVerifiesWithOpenssl("both.ini", "old.pub", "new.pub")
        self.write("old.ini", manifest_signer.sign(MANIFEST, self.host("old.pem")))
        # status with each key file: old only, new only, both
        cases = {"both.ini": ("valid", "valid", "valid"), "old.ini": ("valid", "other-key", "valid")}
        for manifest, statuses in cases.items():
            for public, status in zip(("old.pub", "new.pub", "both.pub"), statuses):
                with self.subTest(manifest=manifest, key=public):
                    shown = self.tool_json("check", self.scratch(manifest), "--key",
                                           self.scratch(public), code=0 if status == "valid" else 1)
                    self.assertEqual(shown["signature"]["status"], status, shown)

        # sign never writes over its key, under any name, nor signs a private key.
        key = self.read("old.pem")
        os.makedirs(self.host("sub"), exist_ok=True)
        for output in (self.scratch("old.pem"), self.scratch("sub", "..", "old.pem")):
            code, _ = self.tool("sign", self.scratch("update.ini"), "--key",
                                self.scratch("old.pem"), "-o", output)
            self.assertEqual(code, 2, output)
        self.write("leak.ini", MANIFEST + key)
        self.assertEqual(self.tool("sign", self.scratch("leak.ini"), "--key",
                                   self.scratch("new.pem"))[0], 2)
        self.assertEqual(self.read("old.pem"), key)
        self.assertEqual(self.read("leak.ini"), MANIFEST + key)


CASES = (Signing,)
