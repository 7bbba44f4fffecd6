"""The channel a maker can trust (the cases are in trust_cases.py), with the Linux program:
libcurl verifies the servers' certificates against the system's bundle, in which the test
CA stands for the length of each run."""

import os
import subprocess
import unittest

import test_native_hostile_server as hostile
from native_harness import BUILD_DIR, SETTINGS_KEY, NativeTestCase
from trust_cases import TrustCases

TOOL = os.path.join(BUILD_DIR, "src", "kavexwebupd-manifest")
# curl reports every fault of a certificate (its authority, its name, its dates) alike.
CERTIFICATE_ERROR = {"(60) SSL peer certificate or SSH remote key was not OK."}


class NativeTrust(TrustCases, NativeTestCase):
    CERTIFICATE_ERRORS = {"untrusted": CERTIFICATE_ERROR, "wrong-host": CERTIFICATE_ERROR,
                          "expired": CERTIFICATE_ERROR}
    START_SECONDS = 10
    run_program = hostile.NativeHostileServer.run_program

    def use_manifest_address(self, url):
        self.box.set_values({(SETTINGS_KEY, "URL"): url})

    def run_tool(self, args, prefix):
        completed = subprocess.run(list(prefix) + [TOOL] + list(args),
                                   env=self.box.environment(), cwd=self.box.root,
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        return completed.returncode, completed.stdout.decode("utf-8")


if __name__ == "__main__":
    unittest.main()
