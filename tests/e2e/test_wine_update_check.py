"""The product update check end to end under Wine: the real kavexwebupd.exe fetches its
manifest from a loopback server (the "URL" setting points at it), the UI driver reads and
operates its dialogs and message boxes, and Wine's browser hook records the pages it opens.

One Wine prefix, one Xvfb display and one loopback server for the whole suite. A run that
is expected to show nothing gets no UI script: a window it showed would keep it from
ending, and its timeout would fail the case.
"""

import datetime
import os
import re
import shutil
import time
import unittest
from zoneinfo import ZoneInfo

from manifest_download_cases import free_port, loopback_only_prefix
from http_server import LoopbackHttpServer, Reply
from wine_harness import (CAPTION, PROGRAM_FOLDER, REMIND_DATES_KEY, SETTINGS_KEY, UiScript,
                          WineSession)
from program_texts import SEARCHING
from program_texts import product_file as _product_file

MANIFEST_PATH = "/misc/update.ini"
LOG_PATH = "C:\\kwu\\run.log"

MANIFEST = b"""; KavexWebUpdate manifest\r
[App 7.0 en]\r
FileArgs=http://pages.example/app70-en.html\r
[App 7.0 de]\r
FileArgs=https://pages.example/app70-de.html\r
[App 7.0]\r
FileArgs=http://pages.example/app70.html\r
[App 6.0 en]\r
FileArgs=ftp://pages.example/app60.html\r
[Tool 2.0]\r
FileArgs=http://pages.example/tool20.html\r
[Tool 3.0]\r
FileArgs=http://pages.example/tool30.html\r
[Anglo 1.0]\r
FileArgs=http://pages.example/anglo.html\r
[Deutsch 1.0]\r
FileArgs=http://pages.example/deutsch.html\r
[Zweite 1.0]\r
FileArgs=http://pages.example/zweite.html\r
"""

ENGLISH = {
    1006: "There are updates available for the %s software.",
    1004: "Visit the %s Web site to review the updates",
    1005: "Remind me again in",
    1009: "day(s)",
    1: "OK",
}
GERMAN = {
    1006: "F\u00fcr die Software %s sind Updates verf\u00fcgbar.",
    1004: "Die Website von %s besuchen, um die Updates anzusehen",
    1005: "Erneut erinnern in",
    1009: "Tag(en)",
    1: "OK",
}
NO_UPDATES = "There are no new updates available.\nYou already have the most recent version."
CHECKING_FILES = "Checking files: C:\\ProgramData\\Dexivane\\KavexWebUpdate\\*.xml"

# A zone far from UTC, so that a date computed in UTC would show.
ZONE = "Pacific/Auckland"

_session = None
_server = None


def setUpModule():
    global _session, _server
    _session = WineSession(display=True).start()
    _server = LoopbackHttpServer().start()
    _session.add_cleanup(_server.stop)
    _session.install_browser_recorder()


def tearDownModule():
    if _session:
        _session.close()


def product_file(name, version, locale):
    """Product files as a Windows setup writes them, with CR LF line ends."""
    return _product_file(name, version, locale, newline="\r\n")


def by_id(window):
    return {control["id"]: control for control in window["controls"]}


def local_date(seconds, zone):
    return datetime.datetime.fromtimestamp(seconds, ZoneInfo(zone)).strftime("%m/%d/%Y")


class UpdateCheckCase(unittest.TestCase):

    def setUp(self):
        self.session = _session
        self.server = _server
        self.session.reset()
        self.server.on_request = None
        self.server.reply = Reply.http(200, MANIFEST)
        self.server.requests = []
        self.session.reg_add(SETTINGS_KEY, "URL", self.server.url(MANIFEST_PATH))

    def check(self, *args, ui=None, timeout=None, **kwargs):
        """Runs the program; it must end by itself with 0, after every UI script went
        through."""
        if timeout is None:
            timeout = 40 if ui else 20
        result = self.session.run(args, ui=ui, timeout=timeout, **kwargs)
        for ui_result in result.ui:
            self.assertTrue(ui_result.ok, (ui_result.returncode, ui_result.events))
        self.assertFalse(result.timed_out, "the program did not end (a window left open?)")
        self.assertEqual(len(result.ui), len([ui] if isinstance(ui, UiScript) else ui or []))
        self.assertEqual(result.returncode, 0)
        return result

    def remind_date(self, name):
        return self.session.reg_query(REMIND_DATES_KEY, name)

    def set_remind_date(self, name, text):
        self.session.reg_add(REMIND_DATES_KEY, name, text)

    def opened_pages(self, expected_count):
        """The pages handed to the browser; waits a little for the browser hook, which
        winebrowser runs after the program may have ended."""
        deadline = time.monotonic() + (5 if expected_count else 1.5)
        while True:
            urls = self.session.browser_urls()
            if time.monotonic() > deadline or (expected_count and len(urls) >= expected_count):
                return urls
            time.sleep(0.1)

    def assertDialogTexts(self, window, product, texts=ENGLISH):
        controls = by_id(window)
        self.assertEqual(window["title"], product)
        for control_id, text in texts.items():
            expected = text % product if "%s" in text else text
            self.assertEqual(controls[control_id]["text"], expected, control_id)

    def assertErrorBox(self, ui_result, product):
        window = ui_result.window
        self.assertEqual(window["title"], product)
        box = window["message_box"]
        self.assertTrue(box["icon"])
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        return box["text"]


class OutcomesTest(UpdateCheckCase):
    """What the user sees, for each combination of silent mode, a pending reminder, a
    failed download and a page found."""

    def test_silent_with_a_pending_reminder_sends_no_request(self):
        # Tomorrow's date (local midnight ahead) and the last accepted year both hold the
        # product back, before any network traffic.
        today = datetime.datetime.now(ZoneInfo(ZONE)).date()
        tomorrow = (today + datetime.timedelta(days=1)).strftime("%m/%d/%Y")
        for stored in (tomorrow, "12/31/2037"):
            with self.subTest(stored=stored):
                self.server.requests = []
                self.set_remind_date("App", stored)
                self.check("App", "7.0", "1", tz=ZONE)
                self.assertEqual(self.server.requests, [])
                self.assertEqual(self.remind_date("App"), ("REG_SZ", stored))

    def test_silent_with_a_due_reminder_checks_and_offers(self):
        # Today's date is due since local midnight.
        today = local_date(time.time(), ZONE)
        self.set_remind_date("App", today)
        run = self.check("App", "7.0", "1", tz=ZONE,
                         ui=UiScript("App", "escape", "wait-gone"))
        self.assertEqual(len(self.server.requests), 1)
        self.assertDialogTexts(run.ui[0].window, "App")
        self.assertEqual(self.remind_date("App"), ("REG_SZ", today))

    def test_silent_failed_download_shows_nothing_and_the_run_goes_on(self):
        # The first product's download gets 404, the second one's the manifest: the
        # failure is dropped silently and the next product is still offered its update.
        def manifest_after_first(request):
            self.server.reply = Reply.http(200, MANIFEST)
        self.server.reply = Reply.http(404, b"gone")
        self.server.on_request = manifest_after_first
        self.session.put_product_file("tool.xml", product_file("Tool", "2.0", "en"))
        run = self.check("App", "7.0", "1", ui=UiScript("Tool", "escape", "wait-gone"))
        self.assertEqual(len(self.server.requests), 2)
        self.assertDialogTexts(run.ui[0].window, "Tool")

    def test_silent_failures_of_every_kind_show_nothing(self):
        cases = {
            "refused": None,
            "status 500": Reply.http(500, b"error"),
            "cut off": Reply.cut_mid_body(MANIFEST, len(MANIFEST) + 100),
        }
        for name, reply in cases.items():
            with self.subTest(name):
                if reply is None:
                    self.session.reg_add(SETTINGS_KEY, "URL",
                                         "http://127.0.0.1:%d/update.ini" % free_port())
                else:
                    self.session.reg_add(SETTINGS_KEY, "URL", self.server.url(MANIFEST_PATH))
                    self.server.reply = reply
                self.check("App", "7.0", "1")
        self.assertEqual(self.opened_pages(0), [])

    def test_silent_without_a_page_shows_nothing(self):
        # No section at all, and a section whose only page is not an http address.
        for args in (("Unknown", "1.0", "1"), ("App", "6.0", "1")):
            with self.subTest(args=args):
                self.server.requests = []
                self.check(*args)
                self.assertEqual(len(self.server.requests), 1)

    def test_silent_with_a_page_offers_the_update(self):
        run = self.check("App", "7.0", "1", ui=UiScript("App", "ok", "wait-gone"))
        self.assertDialogTexts(run.ui[0].window, "App")
        self.assertEqual(self.opened_pages(1), ["http://pages.example/app70-en.html"])

    def test_failed_download_shows_the_error_box(self):
        self.server.reply = Reply.http(404, b"not here")
        run = self.check("App", "7.0", ui=UiScript("App", "ok", "wait-gone"))
        self.assertEqual(self.assertErrorBox(run.ui[0], "App"),
                         "Error: Connection error. Status code: 404")

        self.session.reg_add(SETTINGS_KEY, "URL", "http://127.0.0.1:%d/update.ini" % free_port())
        run = self.check("My App", "7.0", ui=UiScript("My App", "ok", "wait-gone"))
        self.assertEqual(self.assertErrorBox(run.ui[0], "My App"),
                         "Error: (12029) The attempt to connect to the server failed.")

    def test_no_page_shows_the_no_updates_dialog(self):
        run = self.check("Unknown", "1.0", ui=UiScript("Unknown", "ok", "wait-gone"))
        window = run.ui[0].window
        self.assertEqual(window["title"], "Unknown")
        self.assertEqual(by_id(window)[1006]["text"], NO_UPDATES)
        self.assertNotIn(1004, by_id(window))

    def test_page_found_offers_the_update_even_with_a_pending_reminder(self):
        # Outside silent mode the reminder is not consulted; visiting clears it.
        self.set_remind_date("App", "12/31/2037")
        run = self.check("App", "7.0", ui=UiScript("App", "ok", "wait-gone"))
        self.assertDialogTexts(run.ui[0].window, "App")
        self.assertEqual(self.opened_pages(1), ["http://pages.example/app70-en.html"])
        self.assertEqual(self.remind_date("App"), ("REG_SZ", ""))


class PageLookupTest(UpdateCheckCase):
    """Which page is offered: the locale's section first, then the version's."""

    def visit(self, *args):
        self.check(*args, ui=UiScript(args[0], "ok", "wait-gone"))
        return self.opened_pages(1)

    def test_locale_section_wins_over_the_version_section(self):
        self.assertEqual(self.visit("App", "7.0", "0", "EN"),
                         ["http://pages.example/app70-en.html"])

    def test_version_section_serves_a_locale_without_its_own(self):
        self.assertEqual(self.visit("App", "7.0", "0", "fr"), ["http://pages.example/app70.html"])

    def test_page_that_is_not_http_in_the_locale_section_falls_back_to_the_version(self):
        # [App 7.0 de] names an https page.
        self.assertEqual(self.visit("App", "7.0", "0", "de"), ["http://pages.example/app70.html"])

    def test_page_that_is_not_http_without_a_fallback_means_no_updates(self):
        run = self.check("App", "6.0", ui=UiScript("App", "ok", "wait-gone"))
        self.assertEqual(by_id(run.ui[0].window)[1006]["text"], NO_UPDATES)
        self.assertEqual(self.opened_pages(0), [])


class AnswersTest(UpdateCheckCase):
    """What the user's answer in the update dialog leaves behind."""

    def test_remind_in_30_days_stores_the_local_date(self):
        before = time.time()
        self.check("App", "7.0", tz=ZONE,
                   ui=UiScript("App", "select:1016:30", "ok", "wait-gone"))
        after = time.time()
        expected = {local_date(before + 30 * 86400, ZONE), local_date(after + 30 * 86400, ZONE)}
        self.assertIn(self.remind_date("App")[1], expected)
        self.assertEqual(self.remind_date("App")[0], "REG_SZ")
        self.assertEqual(self.opened_pages(0), [])

    def test_visit_opens_the_page_and_clears_the_reminder(self):
        self.set_remind_date("App", "01/02/2030")
        self.check("App", "7.0", "0", "fr", ui=UiScript("App", "select:1016:10", "click:1004",
                                                       "ok", "wait-gone"))
        self.assertEqual(self.opened_pages(1), ["http://pages.example/app70.html"])
        self.assertEqual(self.remind_date("App"), ("REG_SZ", ""))

    def test_close_box_and_escape_change_nothing(self):
        self.set_remind_date("App", "01/02/2030")
        self.check("App", "7.0", ui=UiScript("App", "select:1016: 5", "close", "wait-gone"))
        self.assertEqual(self.remind_date("App"), ("REG_SZ", "01/02/2030"))
        self.session.reg_delete_key(REMIND_DATES_KEY)
        self.check("App", "7.0", ui=UiScript("App", "click:1005", "escape", "wait-gone"))
        self.assertFalse(self.session.reg_key_exists(REMIND_DATES_KEY))
        self.assertEqual(self.opened_pages(0), [])

    def test_products_with_one_name_share_the_reminder(self):
        # Tool 2.0 from the command line is put off for 5 days; Tool 3.0 from a product
        # file, checked next in the same silent run, is then held back without a request.
        self.session.put_product_file("tool3.xml", product_file("Tool", "3.0", "en"))
        before = time.time()
        self.check("Tool", "2.0", "1", tz=ZONE,
                   ui=UiScript("Tool", "select:1016: 5", "ok", "wait-gone"))
        after = time.time()
        self.assertEqual(len(self.server.requests), 1)
        self.assertIn(self.remind_date("Tool")[1],
                      {local_date(moment + 5 * 86400, ZONE) for moment in (before, after)})


class LocaleTest(UpdateCheckCase):

    def test_german_product_between_two_english_ones(self):
        # Product files are read in name order: the German one comes second.
        self.session.reg_add(SETTINGS_KEY, "LogFile", LOG_PATH)
        self.session.put_product_file("1-deutsch.xml", product_file("Deutsch", "1.0", "DE"))
        self.session.put_product_file("2-zweite.xml", product_file("Zweite", "1.0", "en"))
        run = self.check("Anglo", "1.0", ui=[UiScript("Anglo", "escape", "wait-gone"),
                                             UiScript("Deutsch", "escape", "wait-gone"),
                                             UiScript("Zweite", "escape", "wait-gone")])
        log = self.session.read_file(LOG_PATH).decode("latin-1").split("\r\n")
        self.assertEqual([line for line in log if line.startswith("Checking updates")],
                         ["Checking updates for product: Anglo V:1.0 L:en",
                          "Checking updates for product: Deutsch V:1.0 L:de",
                          "Checking updates for product: Zweite V:1.0 L:en"])
        self.assertDialogTexts(run.ui[0].window, "Anglo", ENGLISH)
        self.assertDialogTexts(run.ui[1].window, "Deutsch", GERMAN)
        self.assertDialogTexts(run.ui[2].window, "Zweite", ENGLISH)

    def test_german_error_box_and_no_updates_dialog(self):
        self.server.reply = Reply.http(404, b"")
        run = self.check("Deutsch", "1.0", "0", "de", ui=UiScript("Deutsch", "ok", "wait-gone"))
        self.assertEqual(self.assertErrorBox(run.ui[0], "Deutsch"),
                         "Fehler: Verbindungsfehler. Statuscode: 404")
        self.server.reply = Reply.http(200, MANIFEST)
        run = self.check("Deutsch", "9.0", "0", "de", ui=UiScript("Deutsch", "ok", "wait-gone"))
        self.assertEqual(by_id(run.ui[0].window)[1006]["text"],
                         "Es sind keine neuen Updates verf\u00fcgbar.\n"
                         "Sie haben bereits die neueste Version.")


class ManifestAddressTest(UpdateCheckCase):

    def test_url_setting_that_is_not_http_falls_back_to_the_default_address(self):
        # The default host cannot be resolved in a loopback-only namespace: a silent run
        # shows nothing, another shows the internet error. The setting's own address
        # (on the loopback server) is never used, nor reported as malformed.
        isolated = loopback_only_prefix()
        port = self.server.port
        for url in ("https://127.0.0.1:%d%s" % (port, MANIFEST_PATH),
                    "127.0.0.1:%d%s" % (port, MANIFEST_PATH), ""):
            with self.subTest(url=url):
                self.session.reg_add(SETTINGS_KEY, "URL", url)
                self.check("App", "7.0", "1", wrapper=isolated)
                run = self.check("App", "7.0", wrapper=isolated,
                                 ui=UiScript("App", "ok", "wait-gone"))
                self.assertRegex(self.assertErrorBox(run.ui[0], "App"),
                                 re.compile(r"\AError: \(\d+\) \S.*\.\Z", re.S))
        self.assertEqual(self.server.requests, [])


class RunLogTest(UpdateCheckCase):

    def test_log_of_a_run_over_command_line_and_product_files(self):
        self.session.reg_add(SETTINGS_KEY, "LogFile", LOG_PATH)
        put = self.session.put_product_file
        put("alpha.xml", product_file("Alpha", "1.0", "DE"))
        put("beta.xml", product_file("Beta", "2.0", ""))
        put("cmd.xml", product_file("App", "7.0", "en"))  # the command-line product again
        self.check("App", "7.0", "1", ui=UiScript("App", "escape", "wait-gone"))
        self.assertEqual(self.session.read_file(LOG_PATH), "".join(
            "\r\n" + line for line in [
                SEARCHING, CHECKING_FILES,
                "Found product: Alpha V:1.0 L:DE",
                "Found product: Beta V:2.0 L:",
                "Found product: App V:7.0 L:en",
                "Checking updates for product: App V:7.0 L:en",
                "Checking updates for product: Alpha V:1.0 L:de",
                "Checking updates for product: Beta V:2.0 L:en",
            ] + [""]).encode("latin-1"))
        # The manifest address is fetched once per product.
        self.assertEqual([r.path for r in self.server.requests], [MANIFEST_PATH] * 3)


def built_with_fault_points():
    with open(os.path.join(_session.build, "CMakeCache.txt"), encoding="utf-8") as cache:
        return any(line.strip() == "KWU_TEST_FAULTS:BOOL=ON" for line in cache)


class FaultsThatNoRunCanCause(UpdateCheckCase):
    """Failures that no run can be made to have at will, caused at the test build's fault
    points (KWU_TEST_FAULT), and a locale library that lacks texts and dialogs: the
    program's own handling of each, as a whole run shows it."""

    PAGE = "http://pages.example/app70-en.html"

    def setUp(self):
        super().setUp()
        self.session.reg_add(SETTINGS_KEY, "LogFile", LOG_PATH)

    def run_with(self, fault, *args, ui=None):
        self.skip_without_fault_points()
        return self.session.run(args, ui=ui, timeout=40 if ui else 20,
                                env={"KWU_TEST_FAULT": fault})

    def check_with(self, fault, *args, ui=None):
        """A run that ends by itself with 0, after every UI script went through."""
        self.skip_without_fault_points()
        return self.check(*args, ui=ui, env={"KWU_TEST_FAULT": fault})

    def skip_without_fault_points(self):
        if not built_with_fault_points():
            self.skipTest("the program is built without its test fault points")

    def startup_box(self, fault, *args):
        """The text of the one start-up box of a run that must end with 1."""
        result = self.run_with(fault, *args, ui=UiScript(CAPTION, "ok", "wait-gone"))
        self.assertFalse(result.timed_out, "the program did not end")
        self.assertTrue(result.ui[0].ok, (result.ui[0].returncode, result.ui[0].events))
        self.assertEqual(result.returncode, 1)
        window = result.ui[0].window
        self.assertEqual(window["title"], CAPTION)
        self.assertFalse(window["owned"])
        box = window["message_box"]
        self.assertFalse(box["icon"])
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        return box["text"]

    def log_lines(self):
        content = self.session.read_file(LOG_PATH).decode("latin-1")
        self.assertTrue(content.endswith("\r\n"), content)
        return content[:-2].split("\r\n")[1:]

    def test_a_framework_that_cannot_start_ends_the_run_with_its_box(self):
        for args in (("App", "7.0"), ("App", "7.0", "1")):
            with self.subTest(args=args):
                self.assertEqual(self.startup_box("framework-init", *args),
                                 "MFC initialization failed")
                self.assertIsNone(self.session.read_file(LOG_PATH))
        self.assertEqual(self.server.requests, [])

    def test_a_failure_that_reaches_the_entry_point_ends_the_run_with_unknown_error(self):
        # Memory runs out as the command-line product is added: a log from before keeps
        # its content, and no product is checked.
        self.session.write_file(LOG_PATH, b"previous run\r\n")
        self.session.put_product_file("tool.xml", product_file("Tool", "2.0", "en"))
        self.assertEqual(self.startup_box("product-list", "App", "7.0", "1", "DE"),
                         "Unknown error")
        self.assertEqual(self.session.read_file(LOG_PATH), b"previous run\r\n")
        self.assertEqual(self.server.requests, [])

    def test_memory_running_out_while_a_product_file_is_read_skips_that_file(self):
        self.session.put_product_file("1-tool.xml", product_file("Tool", "2.0", "en"))
        self.session.put_product_file("2-deutsch.xml", product_file("Deutsch", "1.0", "DE"))
        self.check_with("product-list", "0")
        # Each file is read and its product found, then skipped: nothing is checked.
        self.assertEqual(self.log_lines(), [SEARCHING, CHECKING_FILES,
                                            "Found product: Tool V:2.0 L:en",
                                            "Found product: Deutsch V:1.0 L:DE"])
        self.assertEqual(self.server.requests, [])

    def test_a_download_that_fails_otherwise_reports_unknown_error(self):
        # The manifest is answered with 200; memory runs out as its body is read.
        self.session.put_product_file("deutsch.xml", product_file("Deutsch", "1.0", "de"))
        run = self.check_with("manifest-read", "App", "7.0", ui=[
            UiScript("App", "ok", "wait-gone"), UiScript("Deutsch", "ok", "wait-gone")])
        self.assertEqual(self.assertErrorBox(run.ui[0], "App"), "Error: Unknown error")
        self.assertEqual(self.assertErrorBox(run.ui[1], "Deutsch"),
                         "Fehler: Unbekannter Fehler")
        self.assertEqual(len(self.server.requests), 2)
        self.assertEqual(self.log_lines()[3:], ["Checking updates for product: App V:7.0 L:en",
                                                "Checking updates for product: Deutsch V:1.0 L:de"])
        self.check_with("manifest-read", "App", "7.0", "1")
        self.assertEqual(len(self.server.requests), 4)
        self.assertEqual(self.opened_pages(0), [])

    def test_an_internet_session_that_cannot_be_opened_is_an_unknown_error_of_the_check(self):
        self.session.put_product_file("deutsch.xml", product_file("Deutsch", "1.0", "de"))
        run = self.check_with("internet-session", "App", "7.0", ui=[
            UiScript("App", "ok", "wait-gone"), UiScript("Deutsch", "ok", "wait-gone")])
        self.assertEqual(self.assertErrorBox(run.ui[0], "App"), "Unknown error")
        self.assertEqual(self.assertErrorBox(run.ui[1], "Deutsch"), "Unbekannter Fehler")
        self.assertEqual(self.log_lines()[3:], ["Checking updates for product: App V:7.0 L:en",
                                                "Checking updates for product: Deutsch V:1.0 L:de"])
        self.check_with("internet-session", "App", "7.0", "1")
        self.assertEqual(self.server.requests, [])
        self.assertEqual(self.opened_pages(0), [])

    def test_an_update_dialog_that_cannot_be_created_stores_and_opens_nothing(self):
        # No UI script: a window shown would keep the run from ending. The date stored
        # is past, so that the silent check too gets as far as the offer.
        self.set_remind_date("App", "01/06/2005")
        for args in (("App", "7.0"), ("App", "7.0", "1")):
            with self.subTest(args=args):
                self.check_with("dialog-create", *args)
                self.assertEqual(self.remind_date("App"), ("REG_SZ", "01/06/2005"))
                self.assertEqual(self.log_lines()[2:],
                                 ["Checking updates for product: App V:7.0 L:en"])
        self.assertEqual(len(self.server.requests), 2)
        self.assertEqual(self.opened_pages(0), [])

    def test_a_remind_date_that_cannot_be_stored_or_cleared_leaves_the_one_before(self):
        self.set_remind_date("App", "01/02/2030")
        self.check_with("settings-write", "App", "7.0",
                        ui=UiScript("App", "select:1016:30", "ok", "wait-gone"))
        self.assertEqual(self.remind_date("App"), ("REG_SZ", "01/02/2030"))
        self.assertEqual(self.opened_pages(0), [])
        # Visiting opens the page; the date it would clear stays.
        self.check_with("settings-write", "App", "7.0", ui=UiScript("App", "ok", "wait-gone"))
        self.assertEqual(self.opened_pages(1), [self.PAGE])
        self.assertEqual(self.remind_date("App"), ("REG_SZ", "01/02/2030"))
        # Without a key before, none is made.
        self.session.reg_delete_key(REMIND_DATES_KEY)
        self.check_with("settings-write", "App", "7.0",
                        ui=UiScript("App", "select:1016:30", "ok", "wait-gone"))
        self.assertFalse(self.session.reg_key_exists(REMIND_DATES_KEY))

    def test_what_a_locale_library_lacks_comes_from_the_program(self):
        # A maker's library for a locale the program has none for (Canadian French), with
        # one text only, the word "Error": the rest of the error box, the update dialog and
        # its list are the program's own.
        library = os.path.join(self.session.build, "tests", "fixtures", "partial",
                               "kavexwebupdexe.dat")
        folder = self.session.unix_path(PROGRAM_FOLDER + "Locale\\fr-ca")
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy2(library, folder)
        self.server.reply = Reply.http(404, b"")
        run = self.check("App", "7.0", "0", "FR-CA", ui=UiScript("App", "ok", "wait-gone"))
        self.assertEqual(self.assertErrorBox(run.ui[0], "App"),
                         "Erreur partielle: Connection error. Status code: 404")
        self.server.reply = Reply.http(200, MANIFEST)
        before = time.time()
        run = self.check("App", "7.0", "0", "FR-CA", tz=ZONE,
                         ui=UiScript("App", "select:1016:10", "ok", "wait-gone"))
        after = time.time()
        self.assertDialogTexts(run.ui[0].window, "App", ENGLISH)
        self.assertEqual(by_id(run.ui[0].window)[1016]["items"], [" 1", " 5", "10", "30", "60"])
        self.assertIn(self.remind_date("App")[1],
                      {local_date(moment + 10 * 86400, ZONE) for moment in (before, after)})
        self.assertEqual(self.log_lines()[2:],
                         ["Checking updates for product: App V:7.0 L:fr-ca"])


if __name__ == "__main__":
    unittest.main()
