"""The manifest download of the Windows build (WinINet) under Wine, against a loopback
server. One Wine prefix (the shared harness's, without a display) for the whole suite."""

import os
import shutil
import unittest

from manifest_download_cases import BUILD_DIR, MAX_BODY, DownloadCases
from http_server import Reply
from wine_harness import WineSession, wine_available

PROBE = os.path.join(BUILD_DIR, "tests", "download_probe.exe")
PROBE_IN_PREFIX = "C:\\kwu-tools\\download_probe.exe"


class WineManifestDownload(DownloadCases, unittest.TestCase):
    REFUSED = "(12029) The attempt to connect to the server failed."
    UNRESOLVABLE = "(12007) The server name could not be resolved."
    CUT_MID_BODY = "(12030) The connection with the server has been terminated."
    # WinINet reads an answer without a status line as 200 without header fields, and a
    # status that is not a number as 0: both are reported as status 0.
    NOT_HTTP = (2, "Connection error. Status code: 0")
    BAD_STATUS_LINE = (2, "Connection error. Status code: 0")
    EMPTY_REPLY = (2, "Connection error. Status code: 0")
    # Windows says "timed out"; Wine's WinINet reports the expired wait as a termination.
    TIMEOUTS = {"(12002) The operation timed out.",
                "(12030) The connection with the server has been terminated."}
    # WinINet has no size error: the system's file-size error, with the program's own text
    # where the system has none (Wine).
    TOO_LARGE = {"(223) The file size exceeds the limit allowed and cannot be saved.",
                 "(223) The file size exceeds the limit allowed."}
    # Windows's text, and Wine's.
    DEADLINE = {"(12002) The operation timed out.", "(12002) The request has timed out."}
    # WinINet's own limits for headers decide; the run must only end in time.
    HEADERS_TOO_LARGE = None
    START_SECONDS = 20
    LIMIT_SECONDS = 90

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(PROBE):
            raise unittest.SkipTest("download_probe.exe is not built in " + BUILD_DIR)
        if not wine_available():
            raise unittest.SkipTest("wine is not installed")
        cls.session = WineSession().start()
        try:
            target = cls.session.unix_path(PROBE_IN_PREFIX)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy2(PROBE, target)
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    # Wine's WinINet, closing a request whose body is not read to its end, goes on reading
    # it for as long as the server has more ready to send (to keep the connection), and no
    # option of the program stops it. A server that never pauses would therefore hold the
    # closing of the request after the size error; these servers pause after every block,
    # as any server reached over a real network does, so that the program's own bound is
    # what the cases show.
    PACED = 0.02

    def test_endless_body_stops_at_the_size_limit(self):
        for framing in ("close", "chunked"):
            with self.subTest(framing=framing):
                result, error, _, _, _ = self.timed_download(
                    Reply.endless(framing, interval=self.PACED))
                self.assertEqual(result, 1)
                self.assertIn(error, self.TOO_LARGE)
                self.assertStoppedEarly(2 * MAX_BODY)

    def test_announced_length_past_the_limit_fails_before_the_body(self):
        for announced in (MAX_BODY + 1, 1 << 30, 1 << 40):
            with self.subTest(announced=announced):
                result, error, size, _, _ = self.timed_download(
                    Reply.endless("length", announced=announced, interval=self.PACED))
                self.assertEqual((result, size), (1, 0))
                self.assertIn(error, self.TOO_LARGE)
                self.assertStoppedEarly(MAX_BODY)

    def run_probe(self, args, env=None, prefix=None, timeout=None):
        result = self.session.run(args, env=env, wrapper=prefix, timeout=timeout or 180,
                                  program=PROBE_IN_PREFIX, cwd="C:\\")
        self.assertFalse(result.timed_out, "the probe did not end")
        self.assertEqual(result.returncode, 0, result.stderr.decode("latin-1")[-2000:])
        return result.stdout.decode("latin-1")


if __name__ == "__main__":
    unittest.main()
