"""The Windows program end to end under Wine against a manifest server that misbehaves
(the cases are in hostile_server_cases.py). The UI driver reads the message box or dialog
a run shows; a silent run that shows nothing gets no UI script, so a window it showed
would keep it from ending and fail the case.

Peak memory is read from /proc while the program runs (VmHWM of the Unix process that
runs kavexwebupd.exe in this suite's prefix), so it includes Wine's own share of the
process.
"""

import os
import threading
import unittest

from hostile_server_cases import MB, NO_UPDATES, UPDATE, HostileServerCases, error
from wine_case import WineCase
from wine_harness import PROGRAM_NAME

# Windows says "timed out"; Wine's WinINet reports an expired wait as a termination.
TIMEOUTS = ("(12002) The operation timed out.", "(12002) The request has timed out.",
            "(12030) The connection with the server has been terminated.")
TOO_LARGE = ("(223) The file size exceeds the limit allowed and cannot be saved.",
             "(223) The file size exceeds the limit allowed.")
STATUS_0 = "Connection error. Status code: 0"


class PeakMemory:
    """Polls the peak resident set of every process running the program in the prefix."""

    def __init__(self, prefix):
        self._marker = ("WINEPREFIX=" + prefix).encode()
        self._stop = threading.Event()
        self.peak = None
        self._thread = threading.Thread(target=self._poll, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def _poll(self):
        while True:
            for pid in filter(str.isdigit, os.listdir("/proc")):
                self._sample(pid)
            if self._stop.wait(0.05):
                return

    def _sample(self, pid):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if PROGRAM_NAME.encode() not in f.read():
                    return
            with open("/proc/%s/environ" % pid, "rb") as f:
                if self._marker not in f.read().split(b"\0"):
                    return
            with open("/proc/%s/status" % pid, encoding="ascii", errors="replace") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = int(line.split()[1]) * 1024
                        self.peak = max(self.peak or 0, peak)
        except (OSError, ValueError):
            pass  # gone, or not ours


class WineHostileServer(HostileServerCases, WineCase):
    EXPECTED = {
        "garbage_instead_of_http": error(STATUS_0),
        "close_without_reply": error(STATUS_0),
        "close_mid_body": error("(12030) The connection with the server has been terminated."),
        "never_answer": error(*TIMEOUTS),
        "headers_then_silence": error(*TIMEOUTS),
        "trickling_body": error(*TIMEOUTS),
        "endless_body": error(*TOO_LARGE),
        "endless_chunked_body": error(*TOO_LARGE),
        "oversize_body_with_content_length": error(*TOO_LARGE),
        "zero_and_high_bytes_in_the_body": NO_UPDATES,
        "zero_and_high_bytes_around_the_page": UPDATE,
        "redirect_to_itself": error("Connection error. Status code: 302"),
        # WinINet takes a header of 1 MiB; the body is a manifest without the product.
        "huge_header": NO_UPDATES,
        # WinINet reads a chunk size that is not a number as the last chunk: an empty body,
        # which it cannot tell from a real one.
        "bad_chunk_size": NO_UPDATES,
        "status_200_without_reason": UPDATE,
        "status_099": error("Connection error. Status code: 99"),
        "status_2000": error("Connection error. Status code: 2000"),
    }
    START_SECONDS = 30
    # Wine's own libraries make up most of the process (about 25 MB); the body adds at most
    # its limit.
    MEMORY_BOUND = 128 * MB

    def execute(self, *args, **options):
        with PeakMemory(self.session.prefix) as memory:
            result = super().execute(*args, **options)
        result.peak_bytes = memory.peak
        return result


if __name__ == "__main__":
    unittest.main()
