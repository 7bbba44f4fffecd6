"""Cases of the channel a maker can trust, https and signed manifests, shared by the Linux
and the Windows (Wine) suites.

What a build does depends on how it was configured, which the cases read from its CMake
cache: a build with -DKWU_URL_SCHEMES=http,https -DKWU_MANIFEST_PUBLIC_KEY=<key> (the
presets native-trust, win64-trust, win32-trust; tests/support/make-test-key makes the key
beside which its private key lies) runs the trust cases; the default build runs the cases
that show it does as it always did. Every case runs `kavexwebupd App 7.0` (a message box
or a dialog) and, where it matters, `kavexwebupd App 7.0 1` (silent).

The https servers speak for localhost with certificates of a test CA made when the suite
starts (tests/support/test_pki.py); a program trusts it only when started with
self.trusted, which lays a bundle holding that CA over the system's for the one run.

A suite mixes TrustCases into a unittest.TestCase and provides:
- run_program(args, outcome, limit, env, prefix): a hostile_server_cases.Run;
- use_manifest_address(url): makes url the program's "URL" setting;
- run_tool(args, prefix): (exit code, standard output) of kavexwebupd-manifest;
- CERTIFICATE_ERRORS: {"untrusted" | "wrong-host" | "expired": set of the platform's texts};
- START_SECONDS: how long a run may take to start and end.
"""

import json
import os
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("KWU_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD_DIR = os.environ.get("KWU_BUILD_DIR", "")
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))

from hostile_server_cases import NO_UPDATES, UPDATE, error  # noqa: E402
from http_server import LoopbackHttpServer, Reply  # noqa: E402
import manifest_signer  # noqa: E402
from test_pki import TestPki  # noqa: E402

SIGNATURE_ERROR = "The update information is not signed by the publisher, or it was changed."
BAD_URL = "URL has incorrect format: "
MANIFEST_PATH = "/misc/update.ini"
PAGE = "https://localhost/app/7.1/"


def _cache_value(name):
    try:
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                if line.startswith(name + ":"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return ""


SCHEMES = _cache_value("KWU_URL_SCHEMES") or "http"
PUBLIC_KEY = _cache_value("KWU_MANIFEST_PUBLIC_KEY")
# The private key of the built-in one lies beside it (make-test-key writes both).
PRIVATE_KEY = PUBLIC_KEY.replace("-public.pem", "-private.pem") if PUBLIC_KEY else ""
TRUST_BUILD = SCHEMES == "http,https" and bool(PUBLIC_KEY)
DEFAULT_BUILD = SCHEMES == "http" and not PUBLIC_KEY


def manifest(page=PAGE, end=b"\r\n"):
    lines = [b"; KavexWebUpdate manifest", b"[App 7.0]", b"FileArgs=" + page.encode("ascii")]
    return end.join(lines) + end


def trust_build_only(test):
    return unittest.skipUnless(TRUST_BUILD, "a case of a build with https and a key")(test)


def default_build_only(test):
    return unittest.skipUnless(DEFAULT_BUILD, "a case of the default build")(test)


class TrustCases:
    CERTIFICATE_ERRORS = None
    START_SECONDS = 10

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if TRUST_BUILD and not os.path.exists(PRIVATE_KEY):
            raise unittest.SkipTest("the private key of the built-in one is missing: "
                                    + PRIVATE_KEY)
        cls.pki = TestPki()
        cls.trusted = cls.pki.trusted_prefix()
        cls.keys = tempfile.mkdtemp(prefix="kwu-keys-")
        cls.other_key = os.path.join(cls.keys, "other.pem")
        manifest_signer.make_key(cls.other_key)
        cls.signing_key = PRIVATE_KEY or cls.other_key

    @classmethod
    def tearDownClass(cls):
        cls.pki.close()
        for name in os.listdir(cls.keys):
            os.remove(os.path.join(cls.keys, name))
        os.rmdir(cls.keys)
        super().tearDownClass()

    def serve(self, body, certificate=None):
        """A server (https with one of the test certificates) that answers body; the
        program's "URL" setting names it. Returns the server."""
        tls = self.pki.certificate(certificate) if certificate else None
        server = LoopbackHttpServer(tls=tls).start()
        self.addCleanup(server.stop)
        server.reply = Reply.http(200, body)
        self.use_manifest_address(server.url(MANIFEST_PATH))
        return server

    def signed(self, body, key=None):
        return manifest_signer.sign(body, key or self.signing_key)

    def assertShows(self, expected, silent_too=True):
        """One run outside silent mode, and one silent when asked: each shows what it must
        (silent runs show nothing but an offer)."""
        for silent in (False, True) if silent_too else (False,):
            with self.subTest(silent=silent):
                shown = ("nothing",) if silent and expected != UPDATE else expected
                args = ("App", "7.0", "1") if silent else ("App", "7.0")
                run = self.run_program(args, shown, self.START_SECONDS + 20, {}, self.trusted)
                self.assertFalse(run.timed_out, run)
                self.assertEqual(run.exit_code, 0, run)
                self.assertEqual(run.kind, shown[0], run)
                if shown[0] == "error":
                    self.assertIn(run.text, shown[1], run)

    # A build with https and a key

    @trust_build_only
    def test_a_signed_manifest_over_https_offers_its_https_page(self):
        server = self.serve(self.signed(manifest()), "good")
        self.assertShows(UPDATE)
        self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 2)
        # A redirection is still the answer, never followed.
        server.reply = Reply.redirect(302, server.url("/moved.ini"))
        self.assertShows(error("Connection error. Status code: 302"), silent_too=False)
        self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 3)

    @trust_build_only
    def test_a_certificate_fault_is_an_internet_error(self):
        for certificate in ("untrusted", "wrong-host", "expired"):
            with self.subTest(certificate=certificate):
                self.serve(self.signed(manifest()), certificate)
                self.assertShows(error(*self.CERTIFICATE_ERRORS[certificate]))

    @trust_build_only
    def test_a_signed_manifest_over_http_is_offered(self):
        self.serve(self.signed(manifest("http://127.0.0.1/app/7.1/", b"\n")))
        self.assertShows(UPDATE, silent_too=False)

    @trust_build_only
    def test_a_manifest_without_a_valid_signature_is_the_signature_error(self):
        signed = self.signed(manifest())
        page = signed.index(b"app/7.1")
        changed = signed[:page] + b"evil" + signed[page + 4:]
        marker = signed.index(manifest_signer.MARKER)
        cases = {
            "changed by one byte": signed[:page] + b"b" + signed[page + 1:],
            "page changed": changed,
            "unsigned": manifest(),
            "signed by another key": self.signed(manifest(), self.other_key),
            "malformed line": signed[:marker] + b"; kavexwebupd-signature ecdsa-p256-sha256 x\r\n",
            "a section after the signature": signed + b"[App 7.0 en]\r\nFileArgs=http://e/\r\n",
        }
        for what, body in cases.items():
            with self.subTest(what):
                self.serve(body, "good")
                self.assertShows(error(SIGNATURE_ERROR))

    @trust_build_only
    def test_the_tool_reads_https_and_checks_with_the_built_in_key(self):
        server = self.serve(self.signed(manifest()), "good")
        code, stdout = self.run_tool(["--json", "check", server.url(MANIFEST_PATH)], self.trusted)
        result = json.loads(stdout)
        self.assertEqual(code, 0, stdout)
        self.assertEqual(result["source"]["result"], "DL_OK")
        self.assertEqual((result["signature"]["status"], result["signature"]["builtIn"]),
                         ("valid", True))
        server.reply = Reply.http(200, manifest())
        code, stdout = self.run_tool(["explain", server.url(MANIFEST_PATH), "App", "7.0"],
                                     self.trusted)
        self.assertEqual(code, 1, stdout)
        self.assertIn("signature: missing", stdout)
        self.assertIn("Result: update offered, page " + PAGE, stdout)
        untrusted = self.serve(self.signed(manifest()), "untrusted")
        code, stdout = self.run_tool(["--json", "check", untrusted.url(MANIFEST_PATH)],
                                     self.trusted)
        self.assertEqual(code, 2, stdout)
        self.assertEqual(json.loads(stdout)["source"]["result"], "DL_INTERNET_ERROR")

    # The default build: as it always was

    @default_build_only
    def test_the_default_build_refuses_https_as_before(self):
        server = self.serve(self.signed(manifest()), "good")
        # The "URL" setting is not an address it takes: the built-in one is used instead.
        run = self.run_program(("App", "7.0"), ("error", None), self.START_SECONDS + 60, {},
                               self.trusted)
        self.assertEqual((run.exit_code, run.kind), (0, "error"), run)
        self.assertNotIn("localhost", run.text or "")
        self.assertEqual((server.requests, server.failed_handshakes), ([], 0))
        code, stdout = self.run_tool(["--json", "check", server.url(MANIFEST_PATH)], self.trusted)
        self.assertEqual(code, 2, stdout)
        self.assertEqual(json.loads(stdout)["source"]["error"],
                         BAD_URL + server.url(MANIFEST_PATH))
        # Nor is an https page an update.
        self.serve(manifest())
        self.assertShows(NO_UPDATES, silent_too=False)

    @default_build_only
    def test_the_default_build_reads_a_signed_manifest_as_before(self):
        page = "http://127.0.0.1/app/7.1/"
        self.serve(self.signed(manifest(page)))
        self.assertShows(UPDATE, silent_too=False)
        # It has no key: a signature that does not verify is a comment like any other.
        self.serve(self.signed(manifest(page), self.other_key).replace(b"7.1/", b"7.2/"))
        self.assertShows(UPDATE, silent_too=False)
