"""The product update check of the Linux program end to end: the real program, its
settings file and folders, dialogs answered on the console host through standard input,
the manifest served by a loopback server, and the update page handed to a recording
opener command."""

import datetime
import os
import re
import socket
import subprocess
import sys
import time
import unittest

from native_harness import (BUILD_DIR, CAPTION, REMIND_DATES_KEY, SETTINGS_KEY, SOURCE_DIR,
                            NativeTestCase)

sys.path.insert(0, os.path.join(SOURCE_DIR or os.path.join(os.path.dirname(__file__), "..", ".."),
                                "tests", "support"))
from http_server import LoopbackHttpServer, Reply  # noqa: E402
from program_texts import SEARCHING, product_file
from manifest_download_cases import free_port  # noqa: E402

# The line of keys that opens each dialog on the terminal, e.g.
# "(a b | 1 5 10 30 60 | Enter=<OK> | q=Cancel)".
HELP_LINE = re.compile(r"^\((?:[^\n]* \| )?Enter=<[^\n]*\)\n", re.MULTILINE)
UPDATES_AVAILABLE = "There are updates available for the %s software."
NO_UPDATES = "There are no new updates available.\nYou already have the most recent version."
GERMAN_UPDATES_AVAILABLE = "Für die Software %s sind Updates verfügbar."
GERMAN_NO_UPDATES = "Es sind keine neuen Updates verfügbar."
REFUSED = "(7) Couldn't connect to server."
UNRESOLVABLE = "(6) Couldn't resolve host name."

# A zone far from UTC, so that a date computed in the wrong zone shows: UTC+14.
ZONE = "KWU-14"
ZONE_OFFSET = datetime.timezone(datetime.timedelta(hours=14))
DAY = 24 * 60 * 60

# Records each opening as one line: the number of arguments, then each in brackets.
RECORDING_OPENER = """#!/bin/sh
line="$#"
for argument; do line="$line [$argument]"; done
printf '%%s\\n' "$line" >> '%s'
"""

# Records its process id and address, then stays until released (at most 30 s).
WAITING_OPENER = """#!/bin/sh
printf '%%s %%s\\n' "$$" "$1" > '%(record)s.tmp' && mv '%(record)s.tmp' '%(record)s'
i=0
while [ ! -e '%(release)s' ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
: > '%(finished)s'
"""


def manifest(*sections):
    """A manifest with a comment as its first line; sections are (header, [lines])."""
    lines = ["; KavexWebUpdate manifest"]
    for header, body in sections:
        lines.append("[%s]" % header)
        lines.extend(body)
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def local_date(instant):
    """The date of an instant in ZONE, as the program stores remind dates."""
    return datetime.datetime.fromtimestamp(instant, ZONE_OFFSET).strftime("%m/%d/%Y")


def dialogs(stdout):
    """(title, first screen) of each dialog the console host showed, in order."""
    shown = []
    for chunk in HELP_LINE.split(stdout)[1:]:
        screen = chunk.lstrip("\n").split("\n> ")[0]
        shown.append((screen.split("\n", 1)[0], screen))
    return shown


def only_loopback():
    return [name for _, name in socket.if_nameindex()] == ["lo"]


def default_manifest_host():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            if line.startswith("KWU_UPDATE_HOST:"):
                return line.split("=", 1)[1].strip()
    raise AssertionError("KWU_UPDATE_HOST not in the build's cache")


class UpdateCheckTestCase(NativeTestCase):
    """A loopback server serving the manifest named by the "URL" setting, and a recording
    opener command."""

    def setUp(self):
        super().setUp()
        self.server = LoopbackHttpServer().start()
        self.addCleanup(self.server.stop)
        self.address = self.server.url("/misc/update.ini")
        self.box.set_values({(SETTINGS_KEY, "URL"): self.address})
        self.openings_path = self.box.path("openings.txt")
        self.opener = self.write_script("opener.sh", RECORDING_OPENER % self.openings_path)

    def write_script(self, name, text):
        path = self.box.path(name)
        with open(path, "w", encoding="utf-8") as script:
            script.write(text)
        os.chmod(path, 0o755)
        return path

    def serve(self, *sections):
        self.server.reply = Reply.http(200, manifest(*sections))

    def set_remind_date(self, product, text):
        values = {(SETTINGS_KEY, "URL"): self.address}
        values.update({(REMIND_DATES_KEY, product): text})
        self.box.set_values(values)

    def remind_date(self, product):
        value = self.box.get_value(REMIND_DATES_KEY, product)
        return None if value is None else value.decode("utf-8")

    def check(self, *args, input="", env=None, prefix=()):
        """Runs the program; returns (stdout, stderr) as text after checking exit code 0."""
        environment = {"TZ": ZONE, "KWU_INTERNET_TIMEOUT": "5",
                       "KAVEXWEBUPD_OPEN_COMMAND": self.opener}
        environment.update(env or {})
        result = self.box.run(*args, input=input, env=environment, prefix=prefix)
        self.assertEqual(result.exit_code, 0, result)
        return result.stdout.decode("utf-8"), result.stderr.decode("utf-8")

    def openings(self, count, timeout=20):
        """The addresses of the first `count` openings, waiting for the detached opener;
        each must have had the address as its only argument."""
        deadline = time.monotonic() + timeout
        while True:
            lines = []
            if os.path.exists(self.openings_path):
                with open(self.openings_path, encoding="utf-8") as record:
                    lines = record.read().splitlines()
            if len(lines) >= count or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        self.assertEqual(len(lines), count, lines)
        for line in lines:
            self.assertRegex(line, r"^1 \[[^]]*\]$")
        return [line[3:-1] for line in lines]

    def assert_nothing_opened(self):
        # The opener is started before the program exits; give it a moment to record.
        time.sleep(0.5)
        self.assertFalse(os.path.exists(self.openings_path))


class WhatTheUserSees(UpdateCheckTestCase):
    """The product check's outcomes, silent and not: remind date, download, page."""

    PAGE = ("App 7.0", ["FileArgs=http://127.0.0.1/app70.html"])

    def test_silent_with_a_pending_remind_date_sends_no_request(self):
        self.serve(self.PAGE)
        tomorrow = datetime.datetime.now(ZONE_OFFSET).date() + datetime.timedelta(days=1)
        self.set_remind_date("App", tomorrow.strftime("%m/%d/%Y"))
        before = self.box.settings_bytes()
        self.assertEqual(self.check("App", "7.0", "1", input="\n"), ("", ""))
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.box.settings_bytes(), before)
        self.assert_nothing_opened()

    def test_silent_when_the_download_fails_shows_nothing(self):
        self.server.reply = Reply.http(404, b"not here")
        self.assertEqual(self.check("App", "7.0", "1"), ("", ""))
        self.assertEqual(len(self.server.requests), 1)
        self.box.set_values({(SETTINGS_KEY, "URL"): "http://127.0.0.1:%d/u.ini" % free_port()})
        self.assertEqual(self.check("App", "7.0", "1"), ("", ""))

    def test_silent_without_a_page_shows_nothing(self):
        self.serve(("Other 7.0", ["FileArgs=http://127.0.0.1/other.html"]))
        self.assertEqual(self.check("App", "7.0", "1"), ("", ""))
        self.assertEqual([r.path for r in self.server.requests], ["/misc/update.ini"])

    def test_silent_with_a_page_offers_the_update(self):
        self.serve(self.PAGE)
        stdout, stderr = self.check("App", "7.0", "1")
        self.assertEqual(stderr, "")
        [(title, screen)] = dialogs(stdout)
        self.assertEqual(title, "App")
        self.assertIn(UPDATES_AVAILABLE % "App", screen)
        self.assertIn("a) (*) Visit the App Web site to review the updates", screen)

    def test_download_failure_shows_the_error_without_a_dialog(self):
        self.server.reply = Reply.http(404, b"not here")
        self.assertEqual(self.check("App", "7.0", input="\n"),
                         ("", "App: Error: Connection error. Status code: 404\n"))
        self.box.set_values({(SETTINGS_KEY, "URL"): "http://127.0.0.1:%d/u.ini" % free_port()})
        self.assertEqual(self.check("App", "7.0", "0", input="\n"),
                         ("", "App: Error: " + REFUSED + "\n"))

    def test_no_page_shows_the_no_updates_dialog(self):
        self.serve(("Other 7.0", ["FileArgs=http://127.0.0.1/other.html"]))
        stdout, stderr = self.check("App", "7.0")
        self.assertEqual(stderr, "")
        [(title, screen)] = dialogs(stdout)
        self.assertEqual(title, "App")
        self.assertIn(NO_UPDATES, screen)
        self.assertNotIn("Visit", stdout)

    def test_a_page_offers_the_update_even_with_a_pending_remind_date(self):
        self.serve(self.PAGE)
        self.set_remind_date("App", local_date(time.time() + 10 * DAY))
        stdout, stderr = self.check("App", "7.0", "0", input="\n")
        self.assertEqual(stderr, "")
        [(title, screen)] = dialogs(stdout)
        self.assertIn(UPDATES_AVAILABLE % "App", screen)
        # Visiting clears the date that was pending.
        self.assertEqual(self.openings(1), ["http://127.0.0.1/app70.html"])
        self.assertEqual(self.remind_date("App"), "")


class FindingThePage(UpdateCheckTestCase):
    """The page: the locale's section first, then the version's; only http counts."""

    def visit(self, *args):
        stdout, stderr = self.check(*args, input="\n")
        self.assertEqual(stderr, "")
        return self.openings(1)[0]

    def test_the_locale_section_wins(self):
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]),
                   ("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"]))
        self.assertEqual(self.visit("App", "7.0", "0", "FR"), "http://127.0.0.1/fr.html")

    def test_the_version_section_serves_other_locales(self):
        self.serve(("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"]),
                   ("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]))
        self.assertEqual(self.visit("App", "7.0"), "http://127.0.0.1/all.html")

    def test_a_locale_page_that_is_not_http_falls_back_to_the_version(self):
        for unusable in ("https://127.0.0.1/en.html", "/srv/en.html", "", "ftp://h/en"):
            with self.subTest(unusable=unusable):
                if os.path.exists(self.openings_path):
                    os.unlink(self.openings_path)
                self.serve(("App 7.0 en", ["FileArgs=" + unusable]),
                           ("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]))
                self.assertEqual(self.visit("App", "7.0"), "http://127.0.0.1/all.html")

    def test_pages_that_are_not_http_mean_no_update(self):
        self.serve(("App 7.0 en", ["FileArgs=https://127.0.0.1/en.html"]),
                   ("App 7.0", ["FileArgs=file:///srv/all.html"]))
        stdout, stderr = self.check("App", "7.0", input="\n")
        self.assertEqual(stderr, "")
        [(_, screen)] = dialogs(stdout)
        self.assertIn(NO_UPDATES, screen)
        # Silent: nothing at all.
        self.assertEqual(self.check("App", "7.0", "1", input="\n"), ("", ""))
        self.assert_nothing_opened()


class Answers(UpdateCheckTestCase):
    """What each answer to the update dialog stores and opens."""

    def setUp(self):
        super().setUp()
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app70.html?from=kwu&x=1"]))

    def test_remind_in_30_days_stores_the_local_date(self):
        earliest = local_date(time.time() + 30 * DAY)
        stdout, stderr = self.check("App", "7.0", input="30\n\n")
        latest = local_date(time.time() + 30 * DAY)
        self.assertEqual(stderr, "")
        self.assertIn("b) (*) Remind me again in [30 v] day(s)", stdout)
        self.assertIn(self.remind_date("App"), {earliest, latest})
        self.assert_nothing_opened()

    def test_remind_choice_without_a_number_is_one_day(self):
        earliest = local_date(time.time() + DAY)
        self.check("App", "7.0", input="b\n\n")
        self.assertIn(self.remind_date("App"), {earliest, local_date(time.time() + DAY)})

    def test_visit_opens_the_page_and_clears_the_remind_date(self):
        self.set_remind_date("App", "01/06/2005")
        stdout, stderr = self.check("App", "7.0", input="30\na\n\n")
        self.assertEqual(stderr, "")
        self.assertEqual(self.openings(1), ["http://127.0.0.1/app70.html?from=kwu&x=1"])
        self.assertEqual(self.remind_date("App"), "")
        self.assertIn(b'"App"=""', self.box.settings_bytes())

    def test_the_opener_runs_detached_and_the_program_does_not_wait_for_it(self):
        record, release, finished = (self.box.path(n) for n in ("rec", "release", "finished"))
        opener = self.write_script("waiting.sh", WAITING_OPENER % {
            "record": record, "release": release, "finished": finished})
        self.addCleanup(lambda: open(release, "w").close())
        self.check("App", "7.0", input="\n", env={"KAVEXWEBUPD_OPEN_COMMAND": opener})
        deadline = time.monotonic() + 20
        while not os.path.exists(record) and time.monotonic() < deadline:
            time.sleep(0.05)
        with open(record, encoding="utf-8") as file:
            pid, url = file.read().split()
        pid = int(pid)
        self.assertEqual(url, "http://127.0.0.1/app70.html?from=kwu&x=1")
        # The program has ended while the opener still runs, in a session of its own
        # and writing nowhere near the dialogs.
        self.assertFalse(os.path.exists(finished))
        os.kill(pid, 0)
        self.assertNotEqual(os.getsid(pid), os.getsid(0))
        for descriptor in (0, 1, 2):
            self.assertEqual(os.readlink("/proc/%d/fd/%d" % (pid, descriptor)), "/dev/null")
        self.assertEqual(self.remind_date("App"), "")
        open(release, "w").close()
        while not os.path.exists(finished) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(os.path.exists(finished))

    def test_an_opener_that_cannot_start_or_fails_is_reported_with_the_address(self):
        page = "http://127.0.0.1/app70.html?from=kwu&x=1"
        failing = self.write_script("failing.sh", "#!/bin/sh\nexit 3\n")
        for opener in (self.box.path("no-such-opener"), failing):
            with self.subTest(opener=opener):
                self.set_remind_date("App", "01/06/2005")
                stdout, stderr = self.check("App", "7.0", input="\n",
                                            env={"KAVEXWEBUPD_OPEN_COMMAND": opener})
                self.assertIn("-> Visit the App Web site to review the updates\n   " + page + "\n",
                              stdout)
                self.assertTrue(stderr.startswith(CAPTION + ": The page could not be opened"),
                                stderr)
                self.assertIn(opener, stderr)
                self.assertTrue(stderr.endswith("\n" + page + "\n"), stderr)
                # The reminder goes as after any visit: the address is in the user's hands.
                self.assertEqual(self.remind_date("App"), "")

    def test_the_answer_is_told_on_the_terminal_in_the_dialogs_words(self):
        stdout, _ = self.check("App", "7.0", input="30\n\n")
        self.assertTrue(stdout.endswith("> -> Remind me again in 30 day(s)\n"), stdout[-200:])
        stdout, stderr = self.check("App", "7.0", input="\n")
        self.assertTrue(stdout.endswith("> -> Visit the App Web site to review the updates\n"
                                        "   http://127.0.0.1/app70.html?from=kwu&x=1\n"),
                        stdout[-200:])
        self.assertEqual(stderr, "")

    def test_closing_the_dialog_changes_nothing(self):
        self.set_remind_date("App", "01/06/2005")
        before = self.box.settings_bytes()
        for answer in ("", "30\n", "b\n"):
            with self.subTest(answer=answer):
                stdout, stderr = self.check("App", "7.0", input=answer)
                self.assertEqual(stderr, "")
                self.assertEqual(len(dialogs(stdout)), 1)
                self.assertEqual(self.box.settings_bytes(), before)
        # A visit afterwards is the only opening ever recorded.
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/later.html"]))
        self.check("App", "7.0", input="\n")
        self.assertEqual(self.openings(1), ["http://127.0.0.1/later.html"])


    def test_a_remind_date_that_cannot_be_stored_leaves_the_one_before(self):
        # The settings file is read-only to the user who runs the program (root may write
        # any file, so root runs it as nobody).
        self.set_remind_date("App", "01/06/2005")
        prefix = ()
        if os.geteuid() == 0:
            prefix = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups")
            for folder, _, files in os.walk(self.box.root):
                for path in [folder] + [os.path.join(folder, name) for name in files]:
                    os.chown(path, 65534, 65534)
        os.chmod(self.box.settings_path, 0o444)
        before = self.box.settings_bytes()
        for answer in ("30\n\n", "\n"):  # remind in 30 days; visit, which clears the date
            with self.subTest(answer=answer):
                stdout, stderr = self.check("App", "7.0", input=answer, prefix=prefix)
                self.assertEqual((len(dialogs(stdout)), stderr), (1, ""))
                self.assertEqual(self.box.settings_bytes(), before)
        self.assertEqual(self.openings(1), ["http://127.0.0.1/app70.html?from=kwu&x=1"])


class RemindDates(UpdateCheckTestCase):
    """Which stored dates hold back a silent check, and products that share a name."""

    def setUp(self):
        super().setUp()
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app70.html"]),
                   ("App 6.0", ["FileArgs=http://127.0.0.1/app60.html"]))

    def test_dates_that_do_not_hold_back_a_silent_check(self):
        today = datetime.datetime.now(ZONE_OFFSET).date()
        yesterday = today - datetime.timedelta(days=1)
        for text in (today.strftime("%m/%d/%Y"), yesterday.strftime("%-m/%-d/%Y"), "",
                     "not a date", "13/01/2030", "01/01/2038"):
            with self.subTest(text=text):
                self.server.requests.clear()
                self.set_remind_date("App", text)
                stdout, _ = self.check("App", "7.0", "1")
                self.assertEqual(len(self.server.requests), 1)
                self.assertEqual(len(dialogs(stdout)), 1)

    def test_products_with_one_name_share_one_remind_date(self):
        # App 7.0 from the command line, App 6.0 from a product file.
        self.box.write_product_file("app6.xml", product_file("App", "6.0", ""))
        dates = {local_date(time.time() + 60 * DAY)}
        stdout, _ = self.check("App", "7.0", input="b\n\n60\n\n")
        dates.add(local_date(time.time() + 60 * DAY))
        self.assertEqual([title for title, _ in dialogs(stdout)], ["App", "App"])
        self.assertIn(self.remind_date("App"), dates)
        self.assertEqual(len(self.server.requests), 2)

        # The later answer holds both back in silent mode.
        self.assertEqual(self.check("App", "7.0", "1", input="\n"), ("", ""))
        self.assertEqual(len(self.server.requests), 2)

        # Visiting the one page clears the date of both.
        self.check("App", "7.0", input="\n")
        self.assertEqual(self.openings(1), ["http://127.0.0.1/app70.html"])
        self.assertEqual(self.remind_date("App"), "")
        stdout, _ = self.check("App", "7.0", "1")
        self.assertEqual(len(dialogs(stdout)), 2)
        self.assertEqual(len(self.server.requests), 6)


class Locales(UpdateCheckTestCase):
    """A German product between two English ones gets German texts, and only it."""

    def setUp(self):
        super().setUp()
        # The command-line product comes first; the files follow in the order in which
        # the folder lists them, so the German product goes into the first-listed file.
        for name in ("one.xml", "two.xml"):
            self.box.write_product_file(name, "")
        first, second = os.listdir(self.box.product_folder)
        self.box.write_product_file(first, product_file("Beta", "2.0", "de"))
        self.box.write_product_file(second, product_file("Gamma", "3.0", "EN"))

    def test_dialogs(self):
        self.serve(("Alpha 1.0", ["FileArgs=http://127.0.0.1/alpha.html"]),
                   ("Gamma 3.0 en", ["FileArgs=http://127.0.0.1/gamma.html"]))
        stdout, stderr = self.check("Alpha", "1.0", input="\n\n\n")
        self.assertEqual(stderr, "")
        (alpha, alpha_screen), (beta, beta_screen), (gamma, gamma_screen) = dialogs(stdout)
        self.assertEqual((alpha, beta, gamma), ("Alpha", "Beta", "Gamma"))
        self.assertIn(UPDATES_AVAILABLE % "Alpha", alpha_screen)
        self.assertIn(GERMAN_NO_UPDATES, beta_screen)
        self.assertIn(UPDATES_AVAILABLE % "Gamma", gamma_screen)
        self.assertIn("Remind me again in", gamma_screen)
        for screen in (alpha_screen, gamma_screen):
            self.assertNotIn("verfügbar", screen)
            self.assertNotIn("Erneut", screen)
        # Two detached openers: their records may come in either order.
        self.assertEqual(sorted(self.openings(2)), ["http://127.0.0.1/alpha.html",
                                                    "http://127.0.0.1/gamma.html"])

    def test_error_messages(self):
        self.server.reply = Reply.http(404, b"")
        self.assertEqual(self.check("Alpha", "1.0"), ("", (
            "Alpha: Error: Connection error. Status code: 404\n"
            "Beta: Fehler: Verbindungsfehler. Statuscode: 404\n"
            "Gamma: Error: Connection error. Status code: 404\n")))

    def test_german_update_dialog(self):
        self.serve(("Beta 2.0", ["FileArgs=http://127.0.0.1/beta.html"]))
        stdout, _ = self.check("1", input="\n")
        [(title, screen)] = dialogs(stdout)
        self.assertEqual(title, "Beta")
        self.assertIn(GERMAN_UPDATES_AVAILABLE % "Beta", screen)
        self.assertIn("Erneut erinnern in", screen)


class ManifestAddress(UpdateCheckTestCase):
    """A "URL" setting that is not an http address leaves the built-in address in use."""

    UNUSABLE = ("https://127.0.0.1/misc/update.ini", "ftp://127.0.0.1/update.ini",
                "127.0.0.1/misc/update.ini", "")

    def test_the_built_in_address_is_requested(self):
        # Through a proxy on loopback, so that the request shows the address asked for.
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app70.html"]))
        proxy = {"http_proxy": self.server.url(""), "no_proxy": None, "NO_PROXY": None}
        wanted = "GET http://%s/misc/update.ini HTTP/1.1" % default_manifest_host()
        for value in self.UNUSABLE:
            with self.subTest(value=value):
                self.server.requests.clear()
                self.box.set_values({(SETTINGS_KEY, "URL"): value})
                stdout, _ = self.check("App", "7.0", "1", env=proxy)
                self.assertEqual([r.request_line for r in self.server.requests], [wanted])
                self.assertEqual(len(dialogs(stdout)), 1)

    def test_a_url_setting_that_is_absent_or_too_long_to_read_leaves_the_built_in_address(self):
        # 512 characters cannot be read: the address is not cut to 511 and used.
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app70.html"]))
        proxy = {"http_proxy": self.server.url(""), "no_proxy": None, "NO_PROXY": None}
        wanted = "GET http://%s/misc/update.ini HTTP/1.1" % default_manifest_host()
        too_long = self.server.url("/misc/update.ini?")
        too_long += "x" * (512 - len(too_long))
        for values in ({}, {(SETTINGS_KEY, "URL"): too_long}):
            with self.subTest(values=len(values)):
                self.server.requests.clear()
                self.box.set_values(values)
                stdout, stderr = self.check("App", "7.0", "1", env=proxy)
                self.assertEqual([r.request_line for r in self.server.requests], [wanted])
                self.assertEqual((len(dialogs(stdout)), stderr), (1, ""))

    def test_an_unreachable_built_in_address(self):
        # Run where no name can be resolved: loopback only, or a network namespace of
        # its own when this machine has other networks.
        prefix = ()
        if not only_loopback():
            prefix = ("unshare", "-n") if os.geteuid() == 0 else ("unshare", "-rn")
            if subprocess.run(list(prefix) + ["true"], capture_output=True).returncode != 0:
                self.skipTest("needs a network namespace without name resolution")
        self.box.set_values({(SETTINGS_KEY, "URL"): "https://127.0.0.1/misc/update.ini"})
        direct = {"http_proxy": None}  # the program itself must fail to resolve the host
        self.assertEqual(self.check("App", "7.0", "1", prefix=prefix, env=direct), ("", ""))
        self.assertEqual(self.check("App", "7.0", "0", prefix=prefix, env=direct),
                         ("", "App: Error: " + UNRESOLVABLE + "\n"))
        self.assertEqual(self.server.requests, [])


class RunLog(UpdateCheckTestCase):
    def test_a_mixed_run(self):
        log_path = self.box.path("run.log")
        self.box.set_values({(SETTINGS_KEY, "URL"): self.address,
                             (SETTINGS_KEY, "LogFile"): log_path})
        self.box.write_product_file("tool.xml", product_file("Tool", "2.1", ""))
        self.box.write_product_file("again.xml", product_file("App", "7.0", "en"))
        self.box.write_product_file("beta.xml", product_file("Beta", "1.0", "DE"))
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app.html"]),
                   ("Beta 1.0 de", ["FileArgs=http://127.0.0.1/beta.html"]))
        # App: remind in 5 days; then Beta (visit) and Tool (no updates) in file order.
        dates = {local_date(time.time() + 5 * DAY)}
        stdout, stderr = self.check("App", "7.0", "0", "EN", input="5\n\n\n\n")
        dates.add(local_date(time.time() + 5 * DAY))
        self.assertEqual(stderr, "")

        with open(log_path, "rb") as log:
            lines = log.read().decode("utf-8").split("\r\n")
        self.assertEqual(lines[:3], [
            "", "Searching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files",
            "Checking files: " + os.path.join(self.box.product_folder, "*.xml")])
        found = lines[3:6]
        self.assertEqual(sorted(found), ["Found product: App V:7.0 L:en",
                                         "Found product: Beta V:1.0 L:DE",
                                         "Found product: Tool V:2.1 L:"])
        # The duplicate of the command-line product is found but not checked again; the
        # others are checked in the order their files were read, locales normalised.
        normalised = {"Beta V:1.0 L:DE": "Beta V:1.0 L:de", "Tool V:2.1 L:": "Tool V:2.1 L:en"}
        file_products = [normalised[line[len("Found product: "):]] for line in found
                         if line != "Found product: App V:7.0 L:en"]
        self.assertEqual(lines[6:], ["Checking updates for product: " + key
                                     for key in ["App V:7.0 L:en"] + file_products] + [""])

        self.assertEqual([title for title, _ in dialogs(stdout)],
                         ["App"] + [key.split(" V:")[0] for key in file_products])
        self.assertIn(self.remind_date("App"), dates)
        self.assertEqual(self.remind_date("Beta"), "")
        self.assertIsNone(self.remind_date("Tool"))
        self.assertEqual(self.openings(1), ["http://127.0.0.1/beta.html"])


def built_with_fault_points():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
        return any(line.strip() == "KWU_TEST_FAULTS:BOOL=ON" for line in cache)


class FaultsThatNoRunCanCause(UpdateCheckTestCase):
    """Failures that no run can be made to have at will, caused at the test build's fault
    points (KWU_TEST_FAULT): the program's own handling of each, as a whole run shows it."""

    PAGE = "http://127.0.0.1/app70.html"

    def setUp(self):
        super().setUp()
        if not built_with_fault_points():
            self.skipTest("the program is built without its test fault points")
        self.log_path = self.box.path("run.log")
        self.set_values({})
        self.serve(("App 7.0", ["FileArgs=" + self.PAGE]))

    def set_values(self, values):
        everything = {(SETTINGS_KEY, "URL"): self.address, (SETTINGS_KEY, "LogFile"): self.log_path}
        everything.update(values)
        self.box.set_values(everything)

    def run_with(self, fault, *args, input=""):
        environment = {"TZ": ZONE, "KWU_INTERNET_TIMEOUT": "5", "KWU_TEST_FAULT": fault,
                       "KAVEXWEBUPD_OPEN_COMMAND": self.opener}
        return self.box.run(*args, input=input, env=environment)

    def log_lines(self):
        with open(self.log_path, "rb") as log:
            content = log.read().decode("utf-8")
        self.assertTrue(content.endswith("\r\n"), content)
        return content[:-2].split("\r\n")[1:]

    def head_of_log(self):
        return [SEARCHING, "Checking files: " + os.path.join(self.box.product_folder, "*.xml")]

    def test_a_framework_that_cannot_start_ends_the_run_with_its_box(self):
        for args in (("App", "7.0"), ("App", "7.0", "1"), ("1",)):
            with self.subTest(args=args):
                result = self.run_with("framework-init", *args)
                self.assertEqual((result.exit_code, result.stdout), (1, b""))
                self.assertEqual(result.stderr.decode(), CAPTION + ": MFC initialization failed\n")
                self.assertFalse(os.path.exists(self.log_path))
        self.assertEqual(self.server.requests, [])

    def test_a_failure_that_reaches_the_entry_point_ends_the_run_with_unknown_error(self):
        # Memory runs out as the command-line product is added: a log from before keeps
        # its content, and no product is checked.
        with open(self.log_path, "wb") as log:
            log.write(b"previous run\r\n")
        self.box.write_product_file("tool.xml", product_file("Tool", "2.1"))
        for args in (("App", "7.0"), ("App", "7.0", "1", "DE")):
            with self.subTest(args=args):
                result = self.run_with("product-list", *args)
                self.assertEqual((result.exit_code, result.stdout), (1, b""))
                self.assertEqual(result.stderr.decode(), CAPTION + ": Unknown error\n")
                self.assertEqual(self.read_file(self.log_path), b"previous run\r\n")
        self.assertEqual(self.server.requests, [])

    def test_memory_running_out_while_a_product_file_is_read_skips_that_file(self):
        self.box.write_product_file("tool.xml", product_file("Tool", "2.1"))
        self.box.write_product_file("beta.xml", product_file("Beta", "1.0", "de"))
        for flag in ("0", "1"):
            with self.subTest(flag=flag):
                result = self.run_with("product-list", flag)
                self.assertEqual((result.exit_code, result.stdout, result.stderr), (0, b"", b""))
                lines = self.log_lines()
                # Each file is read and its product found, then skipped: nothing is checked.
                self.assertEqual(lines[:2], self.head_of_log())
                self.assertEqual(sorted(lines[2:]), ["Found product: Beta V:1.0 L:de",
                                                     "Found product: Tool V:2.1 L:"])
        self.assertEqual(self.server.requests, [])

    def test_a_download_that_fails_otherwise_reports_unknown_error(self):
        # The manifest is answered with 200; memory runs out as its body is read.
        self.box.write_product_file("beta.xml", product_file("Beta", "1.0", "de"))
        result = self.run_with("manifest-read", "App", "7.0", input="\n\n")
        self.assertEqual((result.exit_code, result.stdout), (0, b""))
        self.assertEqual(result.stderr.decode(), "App: Error: Unknown error\n"
                                                 "Beta: Fehler: Unbekannter Fehler\n")
        self.assertEqual(len(self.server.requests), 2)
        self.assertEqual(self.log_lines()[3:], ["Checking updates for product: App V:7.0 L:en",
                                                "Checking updates for product: Beta V:1.0 L:de"])
        result = self.run_with("manifest-read", "App", "7.0", "1")
        self.assertEqual((result.exit_code, result.stdout, result.stderr), (0, b"", b""))
        self.assertEqual(len(self.server.requests), 4)
        self.assert_nothing_opened()

    def test_an_internet_session_that_cannot_be_opened_is_an_unknown_error_of_the_check(self):
        self.box.write_product_file("beta.xml", product_file("Beta", "1.0", "de"))
        result = self.run_with("internet-session", "App", "7.0", input="\n\n")
        self.assertEqual((result.exit_code, result.stdout), (0, b""))
        self.assertEqual(result.stderr.decode(), "App: Unknown error\nBeta: Unbekannter Fehler\n")
        self.assertEqual(self.log_lines()[3:], ["Checking updates for product: App V:7.0 L:en",
                                                "Checking updates for product: Beta V:1.0 L:de"])
        result = self.run_with("internet-session", "App", "7.0", "1")
        self.assertEqual((result.exit_code, result.stdout, result.stderr), (0, b"", b""))
        self.assertEqual(self.server.requests, [])
        self.assert_nothing_opened()

    def test_an_update_dialog_that_cannot_be_created_stores_and_opens_nothing(self):
        self.set_values({(REMIND_DATES_KEY, "App"): "01/06/2005"})
        before = self.box.settings_bytes()
        for args in (("App", "7.0"), ("App", "7.0", "1")):
            with self.subTest(args=args):
                # An answer waits on the input: a dialog shown would take it.
                result = self.run_with("dialog-create", *args, input="\n")
                self.assertEqual((result.exit_code, result.stdout, result.stderr), (0, b"", b""))
                self.assertEqual(self.box.settings_bytes(), before)
                self.assertEqual(self.log_lines()[2:],
                                 ["Checking updates for product: App V:7.0 L:en"])
        self.assertEqual(len(self.server.requests), 2)
        self.assert_nothing_opened()

    def test_a_remind_date_that_cannot_be_stored_or_cleared_leaves_the_one_before(self):
        self.set_values({(REMIND_DATES_KEY, "App"): "01/06/2005"})
        before = self.box.settings_bytes()
        for answer in ("30\n\n", "\n"):  # remind in 30 days; visit, which clears the date
            with self.subTest(answer=answer):
                result = self.run_with("settings-write", "App", "7.0", input=answer)
                self.assertEqual((result.exit_code, result.stderr), (0, b""))
                self.assertEqual(len(dialogs(result.stdout.decode("utf-8"))), 1)
                self.assertEqual(self.box.settings_bytes(), before)
        self.assertEqual(self.openings(1), [self.PAGE])


if __name__ == "__main__":
    unittest.main()
