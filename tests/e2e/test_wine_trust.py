"""The channel a maker can trust (the cases are in trust_cases.py), with the Windows program
under Wine: WinINet verifies the servers' certificates through crypt32, which reads the
system's bundle, in which the test CA stands for the length of each run."""

import os
import unittest

import test_wine_hostile_server as hostile
from trust_cases import BUILD_DIR, TrustCases
from wine_harness import SETTINGS_KEY, WineSession, wine_available

TOOL = os.path.join(BUILD_DIR, "src", "kavexwebupd-manifest.exe")
TOOL_FOLDER = "C:\\kwu-tools\\"
TOOL_IN_PREFIX = TOOL_FOLDER + "kavexwebupd-manifest.exe"


class WineTrust(TrustCases, unittest.TestCase):
    # Wine's texts; its message table has none for 12057.
    CERTIFICATE_ERRORS = {
        "untrusted": {"(12057).", "(12045) The certificate authority is invalid or incorrect."},
        "wrong-host": {"(12038) SSL certificate common name (host name field) is incorrect."},
        "expired": {"(12037) SSL certificate date that was received from the server is bad. "
                    "The certificate is expired."},
    }
    START_SECONDS = 30
    run_program = hostile.WineHostileServer.run_program

    @classmethod
    def setUpClass(cls):
        if not wine_available():
            raise unittest.SkipTest("wine is not installed")
        super().setUpClass()
        cls.session = WineSession(display=True).start()
        with open(TOOL, "rb") as tool:
            cls.session.write_file(TOOL_IN_PREFIX, tool.read())

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        super().tearDownClass()

    def setUp(self):
        self.session.reset()

    def use_manifest_address(self, url):
        self.session.reg_add(SETTINGS_KEY, "URL", url)

    def run_tool(self, args, prefix):
        result = self.session.run(list(args), program=TOOL_IN_PREFIX, cwd=TOOL_FOLDER,
                                  wrapper=prefix, timeout=120)
        self.assertFalse(result.timed_out, "the tool did not end")
        return result.returncode, result.stdout.decode("latin-1").replace("\r\n", "\n")


if __name__ == "__main__":
    unittest.main()
