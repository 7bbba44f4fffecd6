"""The manifest download of the Windows build (WinINet) under Wine, against a loopback
server. One Wine prefix (the shared harness's, without a display) for the whole suite."""

import os
import unittest

from manifest_download_cases import BUILD_DIR, DownloadCases
from wine_harness import session_with_program, wine_available

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
        cls.session = session_with_program(PROBE, PROBE_IN_PREFIX)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def run_probe(self, args, env=None, prefix=None, timeout=None):
        result = self.session.run(args, env=env, wrapper=prefix, timeout=timeout or 180,
                                  program=PROBE_IN_PREFIX, cwd="C:\\")
        self.assertFalse(result.timed_out, "the probe did not end")
        self.assertEqual(result.returncode, 0, result.stderr.decode("latin-1")[-2000:])
        return result.stdout.decode("latin-1")


if __name__ == "__main__":
    unittest.main()
