"""The product update check of the Linux program end to end: the shared cases of
update_check_cases.py, and what only the Linux program has: the opener command that takes
the page to the browser, the answers told on the terminal, the end of the input, and a
settings file the user made read-only."""

import os
import time
import unittest

import update_check_cases
from native_harness import NativeCase
from protocol import CAPTION, bind, close, ok, pick, remind
from update_check_cases import APP, PAGE

bind(update_check_cases.CASES, NativeCase, globals())

# Records its process id and address, then stays until released (at most 30 s).
WAITING_OPENER = """#!/bin/sh
printf '%%s %%s\\n' "$$" "$1" > '%(record)s.tmp' && mv '%(record)s.tmp' '%(record)s'
i=0
while [ ! -e '%(release)s' ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
: > '%(finished)s'
"""


class LinuxAnswers(NativeCase):
    def setUp(self):
        super().setUp()
        self.serve(APP)

    def wait_for(self, path, deadline):
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.05)

    def test_the_opener_runs_detached_and_the_program_does_not_wait_for_it(self):
        record, release, finished = (self.path(n) for n in ("rec", "release", "finished"))
        opener = self.write_script("waiting.sh", WAITING_OPENER % {
            "record": record, "release": release, "finished": finished})
        self.addCleanup(lambda: open(release, "w").close())
        self.check("App", "7.0", answers=[ok("App")], env={"KAVEXWEBUPD_OPEN_COMMAND": opener})
        deadline = time.monotonic() + 20
        self.wait_for(record, deadline)
        with open(record, encoding="utf-8") as file:
            pid, url = file.read().split()
        pid = int(pid)
        self.assertEqual(url, PAGE)
        # The program has ended while the opener still runs, in a session of its own
        # and writing nowhere near the dialogs.
        self.assertFalse(os.path.exists(finished))
        os.kill(pid, 0)
        self.assertNotEqual(os.getsid(pid), os.getsid(0))
        for descriptor in (0, 1, 2):
            self.assertEqual(os.readlink("/proc/%d/fd/%d" % (pid, descriptor)), "/dev/null")
        self.assertEqual(self.remind_date("App"), "")
        open(release, "w").close()
        self.wait_for(finished, deadline)
        self.assertTrue(os.path.exists(finished))

    def test_an_opener_that_cannot_start_or_fails_is_reported_with_the_address(self):
        failing = self.write_script("failing.sh", "#!/bin/sh\nexit 3\n")
        for opener in (self.path("no-such-opener"), failing):
            with self.subTest(opener=opener):
                self.set_remind_date("App", "01/06/2005")
                result = self.run_program("App", "7.0", answers=[ok("App")],
                                          env={"KAVEXWEBUPD_OPEN_COMMAND": opener})
                self.assertEqual(result.exit_code, 0)
                self.assertIn(b"Opening " + PAGE.encode() + b"\n", result.stdout)
                stderr = result.stderr.decode()
                self.assertTrue(stderr.startswith(CAPTION + ": The page could not be opened"),
                                stderr)
                self.assertIn(opener, stderr)
                self.assertTrue(stderr.endswith("\n" + PAGE + "\n"), stderr)
                # The reminder goes as after any visit: the address is in the user's hands.
                self.assertEqual(self.remind_date("App"), "")

    def test_the_answer_is_told_on_the_terminal(self):
        stdout = self.check("App", "7.0", answers=[remind("App", 30)]).stdout.decode()
        self.assertTrue(stdout.endswith("> Reminding you in 30 days\n"), stdout[-200:])
        stdout = self.check("App", "7.0", answers=[ok("App")]).stdout.decode()
        self.assertTrue(stdout.endswith("> Opening " + PAGE + "\n"), stdout[-200:])

    def test_the_end_of_the_input_closes_the_dialog(self):
        self.set_remind_date("App", "01/06/2005")
        before = self.settings_snapshot()
        for answer in ("", "30\n", "b\n"):
            with self.subTest(answer=answer):
                self.check("App", "7.0", answers=[close("App")], input=answer)
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(), [])

    def test_a_remind_date_that_cannot_be_stored_leaves_the_one_before(self):
        # The settings file is read-only to the user who runs the program (root may write
        # any file, so root runs it as nobody).
        self.set_remind_date("App", "01/06/2005")
        prefix = ()
        if os.geteuid() == 0:
            prefix = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups")
            for folder, _, files in os.walk(self.root):
                for path in [folder] + [os.path.join(folder, name) for name in files]:
                    os.chown(path, 65534, 65534)
        os.chmod(self.settings_path, 0o444)
        before = self.settings_snapshot()
        for answer in (ok("App", pick(30)), ok("App")):  # remind in 30 days; visit
            with self.subTest(answer=answer):
                result = self.check("App", "7.0", answers=[answer], prefix=prefix)
                self.assertEqual(result.stderr, b"")
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(1), [PAGE])


if __name__ == "__main__":
    unittest.main()
