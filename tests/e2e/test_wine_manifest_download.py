"""The manifest download of the Windows build (WinINet) under Wine, against a loopback
server. Each run makes a fresh 32-bit Wine prefix and ends only that prefix's processes."""

import os
import shutil
import subprocess
import tempfile
import unittest

from manifest_download_cases import BUILD_DIR, DownloadCases, probe_environment

PROBE = os.path.join(BUILD_DIR, "tests", "download_probe.exe")


class WinePrefix:
    """A throw-away 32-bit prefix; no display is needed for a console program."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="kwu-manifest-wine-")
        self.env = {"WINEPREFIX": os.path.join(self.root, "pfx"), "WINEARCH": "win32",
                    "WINEDEBUG": "-all", "DISPLAY": ""}
        try:
            subprocess.run(["wineboot", "-i"], env=probe_environment(self.env),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                           timeout=300)
            # A server that stays up spares every probe run Wine's start-up: once the one
            # of wineboot has ended, start one that persists. It must keep no pipe of ours
            # open, or waiting for its output would never end.
            for option in ("-w", "-p"):
                subprocess.run(["wineserver", option], env=probe_environment(self.env),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               check=True, timeout=120)
        except Exception:
            self.remove()
            raise

    def remove(self):
        subprocess.run(["wineserver", "-k"], env=probe_environment(self.env),
                       capture_output=True, timeout=60)
        shutil.rmtree(self.root, ignore_errors=True)


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

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(PROBE):
            raise unittest.SkipTest("download_probe.exe is not built in " + BUILD_DIR)
        if shutil.which("wine") is None:
            raise unittest.SkipTest("wine is not installed")
        cls.prefix = WinePrefix()

    @classmethod
    def tearDownClass(cls):
        cls.prefix.remove()

    def run_probe(self, args, env=None, prefix=None):
        environment = dict(self.prefix.env)
        environment.update(env or {})
        # Files, not pipes: Wine's helper processes inherit the handles and outlive the
        # probe, and a pipe would stay open until they end.
        with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
            completed = subprocess.run((prefix or []) + ["wine", PROBE] + args, stdout=stdout,
                                       stderr=stderr, env=probe_environment(environment),
                                       timeout=180)
            stdout.seek(0)
            stderr.seek(0)
            self.assertEqual(completed.returncode, 0, stderr.read().decode("latin-1")[-2000:])
            return stdout.read().decode("latin-1")

if __name__ == "__main__":
    unittest.main()
