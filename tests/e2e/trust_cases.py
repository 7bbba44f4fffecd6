"""The channel a maker can trust, https and signed manifests, written once and run on both
platforms by test_native_trust.py and test_wine_trust.py.

What a build does depends on how it was configured, which the cases read from its CMake
cache: a build with -DKWU_URL_SCHEMES=http,https -DKWU_MANIFEST_PUBLIC_KEY=<keys> (the
presets native-trust, win64-trust, win32-trust; tests/support/make-test-key makes the file
of two public keys, an old and a new one, beside which their private keys lie) runs
HttpsAndSignatures; the default build runs
DefaultBuildAsBefore, the cases that show it does as it always did.

The https servers speak for localhost with certificates of a test CA made when the suite
starts (tests/support/test_pki.py); a program trusts it only when started under
self.trusted, which lays a bundle holding that CA over the system's for the one run.

A platform's suite states CERTIFICATE_ERRORS: {"untrusted" | "wrong-host" | "expired": the
texts its internet service may give}, and HTTPS_THROUGH_PROXY: whether a run can ask a
proxy for an https tunnel.
"""

import json
import os
import shutil
import tempfile
import time
import unittest

from hostile_server_cases import NO_UPDATES, UPDATE, Outcomes, error
from protocol import MANIFEST_PATH, Reply, box, cache_value, visit
from tool_cases import Tool
from http_server import LoopbackHttpServer
import manifest_signer
from test_pki import TestPki

SIGNATURE_ERROR = "The update information is not signed by the publisher, or it was changed."
EXPIRED_ERROR = "The update information has expired: the publisher has not renewed it."
OLDER_ERROR = "The update information is older than the one received before."
# Where a build with a key remembers the highest sequence it took from each address.
SEQUENCES_KEY = "Software\\Kavex\\WebUpdates\\ManifestSequences"
BAD_URL = "URL has incorrect format: "
PAGE = "https://localhost/app/7.1/"
HTTP_PAGE = "http://127.0.0.1/app/7.1/"

SCHEMES = cache_value("KWU_URL_SCHEMES") or "http"
PUBLIC_KEY = cache_value("KWU_MANIFEST_PUBLIC_KEY") or ""
# The private keys of the built-in ones lie beside them (make-test-key writes them all).
PRIVATE_KEY = PUBLIC_KEY.replace("-public.pem", "-private.pem") if PUBLIC_KEY else ""
SECOND_KEY = PUBLIC_KEY.replace("-public.pem", "-private-2.pem") if PUBLIC_KEY else ""
TRUST_BUILD = SCHEMES == "http,https" and bool(PUBLIC_KEY)
DEFAULT_BUILD = SCHEMES == "http" and not PUBLIC_KEY


def manifest(page=PAGE, end=b"\r\n"):
    lines = [b"; KavexWebUpdate manifest", b"[App 7.0]", b"FileArgs=" + page.encode("ascii")]
    return end.join(lines) + end


class TrustCase(Outcomes, Tool):
    """The test CA, the trusted prefix and a key of no build, for the cases below."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for key in (PRIVATE_KEY, SECOND_KEY) if PUBLIC_KEY else ():
            if not os.path.exists(key):
                raise unittest.SkipTest("the private key of a built-in one is missing: " + key)
        cls.pki = TestPki()
        cls.addClassCleanup(cls.pki.close)
        cls.trusted = cls.pki.trusted_prefix()
        keys = tempfile.mkdtemp(prefix="kwu-keys-")
        cls.addClassCleanup(shutil.rmtree, keys, True)
        cls.other_key = os.path.join(keys, "other.pem")
        manifest_signer.make_key(cls.other_key)
        cls.signing_key = PRIVATE_KEY or cls.other_key

    def serve_https(self, body, certificate):
        """An https server with one of the test certificates that answers body; the
        program's "URL" setting names it. Returns the server."""
        server = LoopbackHttpServer(tls=self.pki.certificate(certificate)).start()
        self.addCleanup(server.stop)
        server.reply = Reply.http(200, body)
        self.set_setting("URL", server.url(MANIFEST_PATH))
        return server

    def serve_body(self, body):
        """The case's http server answers body."""
        self.server.reply = Reply.http(200, body)

    def signed(self, body, key=None, **freshness):
        return manifest_signer.sign(body, key or self.signing_key, **freshness)

    def assertShows(self, expected, silent_too=True):
        """A run outside silent mode, and a silent one when asked, trusting the test CA."""
        for silent in (False, True) if silent_too else (False,):
            with self.subTest(silent=silent):
                self.check_outcome(expected, silent, prefix=self.trusted)

    def assertVisits(self, page):
        """The offer is made, and its page is the one handed to the browser."""
        before = len(self.pages())
        result = self.check("App", "7.0", answers=[visit("App")], prefix=self.trusted)
        self.assertOffer(result.windows[0], "App")
        self.assertEqual(self.pages(before + 1)[before:], [page])

    def trusted_tool(self, *args):
        return self.tool(*args, prefix=self.trusted)


@unittest.skipUnless(TRUST_BUILD, "a case of a build with https and a key")
class HttpsAndSignatures(TrustCase):
    def test_a_signed_manifest_over_https_offers_its_https_page(self):
        server = self.serve_https(self.signed(manifest()), "good")
        self.assertShows(UPDATE)
        self.assertVisits(PAGE)
        self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 3)
        # A redirection is still the answer, never followed.
        server.reply = Reply.redirect(302, server.url("/moved.ini"))
        self.assertShows(error("Connection error. Status code: 302"), silent_too=False)
        self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 4)

    def test_a_certificate_fault_is_an_internet_error(self):
        for certificate in ("untrusted", "wrong-host", "expired"):
            with self.subTest(certificate=certificate):
                self.serve_https(self.signed(manifest()), certificate)
                self.assertShows(error(*self.CERTIFICATE_ERRORS[certificate]))

    def test_a_signed_manifest_over_http_is_offered(self):
        self.serve_body(self.signed(manifest(HTTP_PAGE, b"\n")))
        self.assertVisits(HTTP_PAGE)

    def test_a_manifest_without_a_valid_signature_is_the_signature_error(self):
        signed = self.signed(manifest())
        page = signed.index(b"app/7.1")
        marker = signed.index(manifest_signer.MARKER)
        cases = {
            "changed by one byte": signed[:page] + b"b" + signed[page + 1:],
            "page changed": signed[:page] + b"evil" + signed[page + 4:],
            "unsigned": manifest(),
            "signed by another key": self.signed(manifest(), self.other_key),
            "malformed line": signed[:marker] + b"; kavexwebupd-signature ecdsa-p256-sha256 x\r\n",
            "a section after the signature": signed + b"[App 7.0 en]\r\nFileArgs=http://e/\r\n",
        }
        for what, body in cases.items():
            with self.subTest(what):
                server = self.serve_https(body, "good")
                self.assertShows(error(SIGNATURE_ERROR))
                # One GET a run, as without a key.
                self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 2)
        self.assertEqual(self.pages(), [])

    def assertRefused(self, body, text):
        """body is refused with text, one GET a run, and nothing is offered."""
        self.server.requests = []
        self.serve_body(body)
        self.assertShows(error(text))
        self.assertEqual([r.path for r in self.server.requests], [MANIFEST_PATH] * 2)

    def test_a_manifest_past_its_expiry_is_refused(self):
        self.assertRefused(self.signed(manifest(HTTP_PAGE), expires="2020-01-01T00:00:00Z"),
                           EXPIRED_ERROR)
        # A clock up to a day fast still takes a manifest that has just expired.
        just = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(time.time() - 3600))
        self.serve_body(self.signed(manifest(HTTP_PAGE), expires=just))
        self.assertVisits(HTTP_PAGE)
        self.serve_body(self.signed(manifest(HTTP_PAGE), expires="never"))
        self.assertVisits(HTTP_PAGE)
        self.assertEqual(self.pages(), [HTTP_PAGE] * 2)

    def test_a_manifest_older_than_one_taken_from_its_address_is_refused(self):
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=200))
        self.assertVisits(HTTP_PAGE)
        self.assertEqual(self.setting(self.address, key=SEQUENCES_KEY), "200")
        self.assertRefused(self.signed(manifest(HTTP_PAGE), sequence=100), OLDER_ERROR)
        self.assertEqual(self.setting(self.address, key=SEQUENCES_KEY), "200")
        # The same sequence again is taken, and a higher one raises the mark.
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=200))
        self.assertVisits(HTTP_PAGE)
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=201))
        self.assertShows(UPDATE, silent_too=False)
        self.assertEqual(self.setting(self.address, key=SEQUENCES_KEY), "201")
        # Another address keeps a mark of its own.
        other = self.server.url("/other/update.ini")
        self.set_setting("URL", other)
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=100))
        self.assertShows(UPDATE, silent_too=False)
        self.assertEqual((self.setting(other, key=SEQUENCES_KEY),
                          self.setting(self.address, key=SEQUENCES_KEY)), ("100", "201"))

    def test_a_settings_store_that_cannot_be_written_still_takes_a_fresh_manifest(self):
        if cache_value("KWU_TEST_FAULTS") != "ON":
            self.skipTest("the program is built without its test fault points")
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=300))
        before = self.settings_snapshot()
        for silent in (False, True):
            with self.subTest(silent=silent):
                self.check_outcome(UPDATE, silent, prefix=self.trusted,
                                   env={"KWU_TEST_FAULT": "settings-write"})
        self.assertEqual(self.settings_snapshot(), before)
        # Nothing was remembered, so an older manifest is still taken.
        self.serve_body(self.signed(manifest(HTTP_PAGE), sequence=100))
        self.assertShows(UPDATE, silent_too=False)

    def test_a_signed_manifest_without_its_freshness_or_with_a_zero_byte_is_refused(self):
        body = manifest(HTTP_PAGE)
        line = manifest_signer.freshness_line()
        # The program drops a zero byte with the rest of its piece (1,022 characters at
        # most): here the rest of the piece and no line end, so the bytes it reads are the
        # ones signed.
        hidden = b"; notes\0" + b"x" * (1022 - 8)
        signed = self.signed(b"; notes\r\n" + body)
        cases = {
            "no freshness line": self.signed(body, freshness=False),
            "a malformed one": self.signed(body + line.replace(b"expires=", b"expires ") + b"\r\n",
                                           freshness=False),
            "one not just before the signature": self.signed(body + line + b"\r\n; c\r\n",
                                                             freshness=False),
            "a second one": self.signed(body + line + b"\r\n"),
            "one after the signature": self.signed(body, freshness=False) + line + b"\r\n",
            "a zero byte": hidden + signed[len(b"; notes"):],
        }
        for what, content in cases.items():
            with self.subTest(what):
                self.assertRefused(content, SIGNATURE_ERROR)
        self.assertEqual(self.pages(), [])

    def test_keys_rotate_at_one_address(self):
        # The build trusts an old and a new key; other_key is no key of it.
        old, new, unknown = PRIVATE_KEY, SECOND_KEY, self.other_key
        body = manifest(HTTP_PAGE, b"\n")
        for what, keys in {"old and new": [old, new], "new and old": [new, old],
                           "new only": [new], "an unknown key, then old": [unknown, old],
                           "new, then an unknown key": [new, unknown]}.items():
            with self.subTest(what):
                self.serve_body(self.signed(body, keys))
                self.assertVisits(HTTP_PAGE)
        # A line by a trusted key that does not verify refuses the manifest, whatever else
        # verifies; lines by unknown keys alone are no signature.
        stale = manifest_signer.signature_line(manifest(), new) + b"\r\n"
        refused = {"an unknown key only": self.signed(body, unknown),
                   "old, and new over other bytes": self.signed(body, old) + stale}
        for what, content in refused.items():
            with self.subTest(what):
                server = self.serve_https(content, "good")
                self.assertShows(error(SIGNATURE_ERROR))
                self.assertEqual([r.path for r in server.requests], [MANIFEST_PATH] * 2)
        self.assertEqual(self.pages(), [HTTP_PAGE] * 5)

    def test_the_built_in_address_is_https(self):
        # Through a proxy on loopback, which sees the host and port the tunnel is asked for;
        # what comes back is no server of that host, so the silent run shows nothing.
        if not self.HTTPS_THROUGH_PROXY:
            self.skipTest("no https through a proxy on this platform: see the suite")
        proxy = {"http_proxy": self.server.url(""), "https_proxy": self.server.url(""),
                 "no_proxy": None, "NO_PROXY": None}
        wanted = "CONNECT %s:443 HTTP/1.1" % cache_value("KWU_UPDATE_HOST")
        for value in (None, "ftp://127.0.0.1/update.ini"):
            with self.subTest(value=value):
                if value is None:
                    self.clear_settings()
                else:
                    self.set_setting("URL", value)
                result = self.check("App", "7.0", "1", env=proxy)
                self.assertEqual([r.request_line for r in result.requests][:1], [wanted])

    def test_the_tool_reads_https_and_checks_with_the_built_in_key(self):
        server = self.serve_https(self.signed(manifest()), "good")
        code, stdout = self.trusted_tool("--json", "check", server.url(MANIFEST_PATH))
        result = json.loads(stdout)
        self.assertEqual(code, 0, stdout)
        self.assertEqual(result["source"]["result"], "DL_OK")
        self.assertEqual((result["signature"]["status"], result["signature"]["builtIn"]),
                         ("valid", True))
        server.reply = Reply.http(200, manifest())
        code, stdout = self.trusted_tool("explain", server.url(MANIFEST_PATH), "App", "7.0")
        self.assertEqual(code, 1, stdout)
        self.assertIn("signature: missing", stdout)
        self.assertIn("Result: update offered, page " + PAGE, stdout)
        untrusted = self.serve_https(self.signed(manifest()), "untrusted")
        code, stdout = self.trusted_tool("--json", "check", untrusted.url(MANIFEST_PATH))
        self.assertEqual(code, 2, stdout)
        self.assertEqual(json.loads(stdout)["source"]["result"], "DL_INTERNET_ERROR")


@unittest.skipUnless(DEFAULT_BUILD, "a case of the default build")
class DefaultBuildAsBefore(TrustCase):
    def test_https_is_refused_as_before(self):
        server = self.serve_https(self.signed(manifest()), "good")
        # The "URL" setting is not an address it takes: the built-in one is asked for, and
        # where no name resolves it is not found.
        direct = {"http_proxy": None}
        self.check("App", "7.0", "1", isolated=True, env=direct, prefix=self.trusted)
        result = self.check("App", "7.0", isolated=True, env=direct, prefix=self.trusted,
                            answers=[box("App")])
        self.assertBox(result.windows[0], "App", "Error: " + self.UNRESOLVABLE)
        self.assertEqual((server.requests, server.failed_handshakes), ([], 0))
        code, stdout = self.trusted_tool("--json", "check", server.url(MANIFEST_PATH))
        self.assertEqual(code, 2, stdout)
        self.assertEqual(json.loads(stdout)["source"]["error"],
                         BAD_URL + server.url(MANIFEST_PATH))
        # Nor is an https page an update.
        self.set_setting("URL", self.address)
        self.serve_body(manifest())
        self.assertShows(NO_UPDATES, silent_too=False)

    def test_a_signed_manifest_is_read_as_before(self):
        self.serve_body(self.signed(manifest(HTTP_PAGE)))
        self.assertVisits(HTTP_PAGE)
        # It has no key: a signature that does not verify is a comment like any other.
        self.serve_body(self.signed(manifest(HTTP_PAGE), self.other_key).replace(b"7.1/", b"7.2/"))
        self.assertVisits(HTTP_PAGE.replace("7.1/", "7.2/"))


CASES = (HttpsAndSignatures, DefaultBuildAsBefore)
