"""The Linux program end to end against a manifest server that misbehaves (the cases are
in hostile_server_cases.py). The peak memory of each run is the child's maximum resident
set size, as wait4 reports it when the run has ended."""

import os
import signal
import subprocess
import tempfile
import threading
import unittest

from hostile_server_cases import (MB, HostileServerCases, Run, error, NO_UPDATES, UPDATE)
from native_harness import BUILD_DIR, PROGRAM, SETTINGS_KEY, NativeTestCase
from http_server import LoopbackHttpServer
from test_native_update_check import dialogs

NO_UPDATES_TEXT = "There are no new updates available."
UPDATES_AVAILABLE = "There are updates available for the App software."
ERROR_PREFIX = "App: Error: "
TIMEOUT = "(28) Timeout was reached."
TOO_LARGE = "(63) Maximum file size exceeded."


def sanitized_build():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
        return any(line.strip() == "KWU_SANITIZE:BOOL=ON" for line in cache)


class NativeHostileServer(HostileServerCases, NativeTestCase):
    EXPECTED = {
        "garbage_instead_of_http": error("(1) Unsupported protocol."),
        "close_without_reply": error("(52) Server returned nothing (no headers, no data)."),
        "close_mid_body": error("(18) Transferred a partial file."),
        "never_answer": error(TIMEOUT),
        "headers_then_silence": error(TIMEOUT),
        "trickling_body": error(TIMEOUT),
        "endless_body": error(TOO_LARGE),
        "endless_chunked_body": error(TOO_LARGE),
        "oversize_body_with_content_length": error(TOO_LARGE),
        "zero_and_high_bytes_in_the_body": NO_UPDATES,
        "zero_and_high_bytes_around_the_page": UPDATE,
        "redirect_to_itself": error("Connection error. Status code: 302"),
        "huge_header": error("(56) Too large response headers."),
        "bad_chunk_size": error("(56) Failure when receiving data from the peer."),
        "status_200_without_reason": UPDATE,
        "status_099": error("(1) Unsupported protocol."),
        "status_2000": error("(1) Unsupported protocol."),
    }
    START_SECONDS = 10
    # Stopping an endless body at the limit, a release build peaks near 44 MB and the
    # sanitizer build near 112 MB (shadow memory and quarantine), and 34 MB in the other cases.
    MEMORY_BOUND = (300 if sanitized_build() else 64) * MB

    def setUp(self):
        super().setUp()
        self.server = LoopbackHttpServer().start()
        self.addCleanup(self.server.stop)
        self.box.set_values({(SETTINGS_KEY, "URL"): self.server.url("/misc/update.ini")})

    def run_program(self, args, outcome, limit, env, prefix=()):
        environment = self.box.environment(dict(env, KAVEXWEBUPD_OPEN_COMMAND="/bin/true"))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(list(prefix) + [PROGRAM] + list(args), env=environment,
                                       cwd=self.box.root,
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                       start_new_session=True)
            killed = threading.Event()

            def kill():
                killed.set()
                os.killpg(process.pid, signal.SIGKILL)
            timer = threading.Timer(limit, kill)
            timer.start()
            try:
                _, status, usage = os.wait4(process.pid, 0)
            finally:
                timer.cancel()
            process.returncode = os.waitstatus_to_exitcode(status)
            out.seek(0)
            err.seek(0)
            stdout = out.read().decode("utf-8", "replace")
            stderr = err.read().decode("utf-8", "replace")
        run = Run(process.returncode, "nothing", peak_bytes=usage.ru_maxrss * 1024,
                  timed_out=killed.is_set(), detail="stdout=%r stderr=%r" % (stdout, stderr))
        shown = dialogs(stdout)
        if stderr.startswith(ERROR_PREFIX) and stderr.endswith("\n") and not stdout:
            run.kind, run.text = "error", stderr[len(ERROR_PREFIX):-1]
        elif len(shown) == 1 and not stderr:
            title, screen = shown[0]
            if title == "App" and NO_UPDATES_TEXT in screen:
                run.kind = "no-updates"
            elif title == "App" and UPDATES_AVAILABLE in screen:
                run.kind = "update"
            else:
                run.kind = "dialog %r" % title
        elif stdout or stderr:
            run.kind = "something else"
        return run


if __name__ == "__main__":
    unittest.main()
