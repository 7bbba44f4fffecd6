"""The product update check end to end, the same cases on both platforms: the real
program fetches its manifest from the loopback server that the "URL" setting points at,
its dialogs and message boxes are answered, and the pages it opens are recorded.
test_native_update_check.py and test_wine_update_check.py run them."""

import datetime
import os
import time
from zoneinfo import ZoneInfo

from manifest_download_cases import free_port
from protocol import (BUILD_DIR, CAPTION, DAY, GERMAN, GERMAN_NO_UPDATES, MANIFEST_PATH,
                      NO_UPDATES, ZONE, Reply, box, cache_value, close, local_date, ok, page_of, pick,
                      product_file, remind, visit)

PAGE = "http://127.0.0.1/app70.html?from=kwu&x=1"
APP = ("App 7.0", ["FileArgs=" + PAGE])


class Outcomes:
    """What the user sees, for each combination of silent mode, a pending reminder, a
    failed download and a page found."""

    def test_silent_with_a_pending_remind_date_sends_no_request(self):
        # Tomorrow (local midnight ahead) and the last year accepted hold the product back
        # before any network traffic, and nothing is stored or opened.
        self.serve(APP)
        for stored in (local_date(time.time() + DAY), "12/31/2037"):
            with self.subTest(stored=stored):
                self.set_remind_date("App", stored)
                before = self.settings_snapshot()
                self.assertEqual(self.check("App", "7.0", "1").requests, [])
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(), [])

    def test_silent_failures_of_every_kind_show_nothing(self):
        body = b"; manifest\r\n[App 7.0]\r\nFileArgs=http://127.0.0.1/a.html\r\n"
        for name, reply in (("404", Reply.http(404, b"not here")), ("500", Reply.http(500, b"")),
                            ("cut off", Reply.cut_mid_body(body, len(body) + 100)),
                            ("refused", None)):
            with self.subTest(name):
                if reply is None:
                    self.set_setting("URL", "http://127.0.0.1:%d/u.ini" % free_port())
                else:
                    self.server.reply = reply
                self.assertEqual(len(self.check("App", "7.0", "1").requests), int(bool(reply)))
        self.assertEqual(self.pages(), [])

    def test_a_silent_failure_does_not_stop_the_run(self):
        # The first product's download gets 404, the second one's the manifest.
        self.server.reply = Reply.http(404, b"gone")
        self.server.on_request = lambda request: self.serve(("Tool 2.0", ["FileArgs=" + PAGE]))
        self.put_product_file("tool.xml", product_file("Tool", "2.0", "en"))
        result = self.check("App", "7.0", "1", answers=[close("Tool", key="escape")])
        self.assertEqual(len(result.requests), 2)
        self.assertOffer(result.windows[0], "Tool")

    def test_silent_without_a_page_shows_nothing(self):
        # No section at all, and a section whose only page is not an http address.
        self.serve(("Other 7.0", ["FileArgs=http://127.0.0.1/other.html"]),
                   ("App 6.0", ["FileArgs=ftp://127.0.0.1/app60.html"]))
        for version in ("7.0", "6.0"):
            self.assertEqual([r.path for r in self.check("App", version, "1").requests],
                             [MANIFEST_PATH])

    def test_silent_with_a_page_offers_the_update(self):
        self.serve(APP)
        self.assertOffer(self.check("App", "7.0", "1", answers=[ok("App")]).windows[0], "App")
        self.assertEqual(self.pages(1), [PAGE])

    def test_a_failed_download_shows_the_error_box_and_no_dialog(self):
        self.server.reply = Reply.http(404, b"not here")
        result = self.check("App", "7.0", answers=[box("App")])
        self.assertBox(result.windows[0], "App", "Error: Connection error. Status code: 404")
        self.set_setting("URL", "http://127.0.0.1:%d/u.ini" % free_port())
        result = self.check("My App", "7.0", "0", answers=[box("My App")])
        self.assertBox(result.windows[0], "My App", "Error: " + self.REFUSED)

    def test_no_page_shows_the_no_updates_dialog(self):
        self.serve(("Other 7.0", ["FileArgs=http://127.0.0.1/other.html"]))
        window = self.check("App", "7.0", answers=[ok("App")]).windows[0]
        self.assertDialog(window, "App", {"IDC_MESSAGE": NO_UPDATES, "IDC_RADIO_VISIT": None})

    def test_a_page_offers_the_update_even_with_a_pending_remind_date(self):
        # Outside silent mode the reminder is not consulted; visiting clears it.
        self.serve(APP)
        self.set_remind_date("App", local_date(time.time() + 10 * DAY))
        self.assertOffer(self.check("App", "7.0", "0", answers=[ok("App")]).windows[0], "App")
        self.assertEqual(self.pages(1), [PAGE])
        self.assertEqual(self.remind_date("App"), "")


class FindingThePage:
    """The page: the locale's section first, then the version's; only http counts."""

    def test_the_locale_section_wins(self):
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]),
                   ("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"]))
        self.check("App", "7.0", "0", "FR", answers=[ok("App")])
        self.assertEqual(self.pages(1), ["http://127.0.0.1/fr.html"])

    def test_the_version_section_serves_other_locales(self):
        self.serve(("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"]),
                   ("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]))
        self.check("App", "7.0", answers=[ok("App")])
        self.check("App", "7.0", "0", "de", answers=[ok("App")])
        self.assertEqual(self.pages(2), ["http://127.0.0.1/all.html"] * 2)

    def test_a_locale_page_that_is_not_http_falls_back_to_the_version(self):
        unusable = ("https://127.0.0.1/en.html", "/srv/en.html", "", "ftp://h/en")
        for page in unusable:
            with self.subTest(page=page):
                self.serve(("App 7.0 en", ["FileArgs=" + page]),
                           ("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]))
                self.check("App", "7.0", answers=[ok("App")])
        self.assertEqual(self.pages(4), ["http://127.0.0.1/all.html"] * len(unusable))

    def test_pages_that_are_not_http_mean_no_update(self):
        self.serve(("App 7.0 en", ["FileArgs=https://127.0.0.1/en.html"]),
                   ("App 7.0", ["FileArgs=file:///srv/all.html"]),
                   ("App 6.0", ["FileArgs=ftp://127.0.0.1/app60.html"]))
        for version in ("7.0", "6.0"):
            with self.subTest(version=version):
                window = self.check("App", version, answers=[ok("App")]).windows[0]
                self.assertEqual(window.text, NO_UPDATES)
                self.check("App", version, "1")
        self.assertEqual(self.pages(), [])

    def test_a_page_is_offered_up_to_900_characters(self):
        # Longer pages overrun the Windows shell's buffer for the browser's command line
        # under Wine; both builds refuse them alike, as no page.
        longest, longer = page_of(900), page_of(901)
        self.serve(("App 7.0", ["FileArgs=" + longest]), ("App 6.0", ["FileArgs=" + longer]))
        self.check("App", "7.0", answers=[ok("App")])
        self.assertEqual(self.pages(1), [longest])
        window = self.check("App", "6.0", answers=[ok("App")]).windows[0]
        self.assertEqual(window.text, NO_UPDATES)
        self.assertEqual(self.pages(1), [longest])


class Answers:
    """What each answer to the update dialog stores and opens."""

    def setUp(self):
        super().setUp()
        self.serve(APP)

    def assertRemindsIn(self, days, answers):
        earliest = local_date(time.time() + days * DAY)
        result = self.check("App", "7.0", answers=answers)
        self.assertIn(self.remind_date("App"), {earliest, local_date(time.time() + days * DAY)})
        self.assertEqual(self.pages(), [])
        return result

    def test_a_number_picked_chooses_remind_and_ok_stores_the_local_date(self):
        window = self.assertRemindsIn(30, [ok("App", pick(30), "dump")]).windows[0]
        self.assertEqual((window.later[0].checked, window.later[0].selected),
                         ("IDC_RADIO_REMIND", self.DAYS[3]))

    def test_remind_without_touching_the_list_is_one_day(self):
        self.assertRemindsIn(1, [remind("App")])

    def test_visit_after_a_number_opens_the_page_and_clears_the_remind_date(self):
        self.set_remind_date("App", "01/06/2005")
        self.check("App", "7.0", "0", "fr", answers=[visit("App", pick(10))])
        self.assertEqual(self.pages(1), [PAGE])
        self.assertEqual(self.remind_date("App"), "")  # stored empty, not removed

    def test_closing_the_dialog_changes_nothing(self):
        # Without a date stored no key is made; with one it stays.
        for stored in (None, "01/06/2005"):
            if stored:
                self.set_remind_date("App", stored)
            before = self.settings_snapshot()
            for answer in (close("App", pick(5)), close("App", "remind", key="escape")):
                with self.subTest(stored=stored, answer=answer):
                    self.check("App", "7.0", answers=[answer])
                    self.assertEqual(self.settings_snapshot(), before)
        # A visit afterwards is the only opening ever recorded.
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/later.html"]))
        self.check("App", "7.0", answers=[ok("App")])
        self.assertEqual(self.pages(1), ["http://127.0.0.1/later.html"])


class RemindDates:
    """Which stored dates hold back a silent check, and products that share a name."""

    def test_dates_that_do_not_hold_back_a_silent_check(self):
        # Today is due since local midnight; the others are no dates the program takes.
        self.serve(APP)
        yesterday = datetime.datetime.now(ZoneInfo(ZONE)).date() - datetime.timedelta(days=1)
        for text in (local_date(time.time()), "%d/%d/%d" % (yesterday.month, yesterday.day,
                                                            yesterday.year),
                     "", "not a date", "13/01/2030", "01/01/2038"):
            with self.subTest(text=text):
                self.set_remind_date("App", text)
                result = self.check("App", "7.0", "1", answers=[close("App", key="escape")])
                self.assertEqual(len(result.requests), 1)
                self.assertEqual(self.remind_date("App"), text)

    def test_products_with_one_name_share_one_remind_date(self):
        # App 7.0 from the command line, App 6.0 from a product file.
        self.serve(APP, ("App 6.0", ["FileArgs=http://127.0.0.1/app60.html"]))
        self.put_product_file("app6.xml", product_file("App", "6.0", ""))
        dates = {local_date(time.time() + 60 * DAY)}
        result = self.check("App", "7.0", answers=[remind("App"), remind("App", 60)])
        self.assertIn(self.remind_date("App"), dates | {local_date(time.time() + 60 * DAY)})
        self.assertEqual(len(result.requests), 2)
        # The later answer holds both back in silent mode.
        self.assertEqual(self.check("App", "7.0", "1").requests, [])
        # Visiting the one page clears the date of both: a silent run offers both again.
        self.check("App", "7.0", answers=[ok("App"), close("App")])
        self.assertEqual((self.pages(1), self.remind_date("App")), ([PAGE], ""))
        self.check("App", "7.0", "1", answers=[close("App"), close("App")])
        # A reminder answered in a silent run holds back the next product of the name.
        self.assertEqual(len(self.check("App", "7.0", "1", answers=[remind("App", 5)]).requests), 1)


class Locales:
    """A German product between two English ones gets German texts, and only it; what a
    locale library lacks comes from the program."""

    def put_german_between_english(self):
        # The command-line product comes first; the files follow in the order in which the
        # search finds them, so the German product goes into the first-found file.
        self.put_product_file("one.xml", "")
        self.put_product_file("two.xml", "")
        first, second = self.listed(["one.xml", "two.xml"])
        self.put_product_file(first, product_file("Beta", "2.0", "de"))
        self.put_product_file(second, product_file("Gamma", "3.0", "EN"))

    def test_dialogs(self):
        self.put_german_between_english()
        self.enable_log()
        self.serve(("Alpha 1.0", ["FileArgs=http://127.0.0.1/alpha.html"]),
                   ("Gamma 3.0 en", ["FileArgs=http://127.0.0.1/gamma.html"]))
        result = self.check("Alpha", "1.0", answers=[ok("Alpha"), ok("Beta"), ok("Gamma")])
        alpha, beta, gamma = result.windows
        self.assertOffer(alpha, "Alpha")
        self.assertDialog(beta, "Beta", {"IDC_MESSAGE": GERMAN_NO_UPDATES})
        self.assertOffer(gamma, "Gamma")
        self.assertEqual(self.log_lines()[-3:], ["Checking updates for product: Alpha V:1.0 L:en",
                                                 "Checking updates for product: Beta V:2.0 L:de",
                                                 "Checking updates for product: Gamma V:3.0 L:en"])
        self.assertEqual(sorted(self.pages(2)), ["http://127.0.0.1/alpha.html",
                                                 "http://127.0.0.1/gamma.html"])

    def test_german_update_dialog(self):
        self.put_german_between_english()
        self.serve(("Beta 2.0", ["FileArgs=http://127.0.0.1/beta.html"]))
        self.assertOffer(self.check("1", answers=[close("Beta")]).windows[0], "Beta", GERMAN)

    def test_error_boxes(self):
        self.put_german_between_english()
        self.server.reply = Reply.http(404, b"")
        windows = self.check("Alpha", "1.0", answers=[box("Alpha"), box("Beta"),
                                                       box("Gamma")]).windows
        self.assertBox(windows[0], "Alpha", "Error: Connection error. Status code: 404")
        self.assertBox(windows[1], "Beta", "Fehler: Verbindungsfehler. Statuscode: 404")
        self.assertBox(windows[2], "Gamma", "Error: Connection error. Status code: 404")

    def test_a_locale_library_that_is_not_a_plain_file_is_no_library(self):
        # A pipe would block the run before any request if it were opened to be read; a
        # folder cannot be read. The product gets the program's own texts at once.
        os.mkfifo(os.path.join(self.locale_folder("xx"), "kavexwebupdexe.dat"))
        os.makedirs(os.path.join(self.locale_folder("yy"), "kavexwebupdexe.dat"))
        self.server.reply = Reply.http(404, b"")
        for locale in ("xx", "yy"):
            with self.subTest(locale=locale):
                window = self.check("App", "7.0", "0", locale, answers=[box("App")],
                                    timeout=30).windows[0]
                self.assertBox(window, "App", "Error: Connection error. Status code: 404")

    def test_what_a_locale_library_lacks_comes_from_the_program(self):
        # A maker's library for a locale the program has none for (Canadian French), with
        # one text only, the word "Error": the rest of the error box, the update dialog and
        # its list are the program's own.
        self.install_locale("fr-ca", os.path.join(BUILD_DIR, "tests", "fixtures", "partial",
                                               "kavexwebupdexe.dat"))
        self.enable_log()
        self.server.reply = Reply.http(404, b"")
        window = self.check("App", "7.0", "0", "FR-CA", answers=[box("App")]).windows[0]
        self.assertBox(window, "App", "Erreur partielle: Connection error. Status code: 404")
        self.serve(APP)
        earliest = local_date(time.time() + 10 * DAY)
        window = self.check("App", "7.0", "0", "FR-CA", answers=[remind("App", 10)]).windows[0]
        self.assertOffer(window, "App")
        self.assertEqual(window.items, self.DAYS)
        self.assertIn(self.remind_date("App"), {earliest, local_date(time.time() + 10 * DAY)})
        self.assertEqual(self.log_lines()[2:],
                         ["Checking updates for product: App V:7.0 L:fr-ca"])


class ManifestAddress:
    """A "URL" setting that is not an http address leaves the built-in address in use."""

    UNUSABLE = ("https://127.0.0.1/misc/update.ini", "ftp://127.0.0.1/update.ini",
                "127.0.0.1/misc/update.ini", "")

    def assertBuiltInAddressAsked(self, values):
        # Through a proxy on loopback, so that the request shows the address asked for.
        self.serve(APP)
        proxy = {"http_proxy": self.server.url(""), "no_proxy": None, "NO_PROXY": None}
        wanted = self.PROXY_REQUEST % cache_value("KWU_UPDATE_HOST")
        for value in values:
            with self.subTest(value=(value or "")[:40]):
                if value is None:
                    self.clear_settings()
                else:
                    self.set_setting("URL", value)
                result = self.check("App", "7.0", "1", env=proxy, answers=[close("App")])
                self.assertEqual([r.request_line for r in result.requests], [wanted])

    def test_the_built_in_address_is_requested(self):
        self.assertBuiltInAddressAsked(self.UNUSABLE)

    def test_a_url_setting_that_is_absent_or_too_long_to_read_leaves_the_built_in_address(self):
        # 512 characters cannot be read: the address is not cut to 511 and used.
        too_long = self.server.url("/misc/update.ini?")
        self.assertBuiltInAddressAsked([None, too_long + "x" * (512 - len(too_long))])

    def test_an_unreachable_built_in_address(self):
        # Where no name resolves, the built-in host is not found: a silent run shows
        # nothing, another the internet error. The setting's address is never used.
        direct = {"http_proxy": None}
        for value in self.UNUSABLE[:1] + self.UNUSABLE[2:]:
            with self.subTest(value=value):
                self.set_setting("URL", value)
                self.check("App", "7.0", "1", isolated=True, env=direct)
                result = self.check("App", "7.0", "0", isolated=True, env=direct,
                                    answers=[box("App")])
                self.assertBox(result.windows[0], "App", "Error: " + self.UNRESOLVABLE)
        self.assertEqual(self.server.requests, [])


class RunLog:
    FILES = {"tool.xml": ("Tool", "2.1", ""), "again.xml": ("App", "7.0", "en"),
             "beta.xml": ("Beta", "1.0", "DE")}

    def test_a_mixed_run(self):
        # App: remind in 5 days; then Beta (visit) and Tool (no updates) in file order. The
        # duplicate of the command-line product is found but not checked again; the others
        # are checked in the order their files were read, locales normalised.
        self.enable_log()
        for name, product in self.FILES.items():
            self.put_product_file(name, product_file(*product))
        self.serve(("App 7.0", ["FileArgs=http://127.0.0.1/app.html"]),
                   ("Beta 1.0 de", ["FileArgs=http://127.0.0.1/beta.html"]))
        found = [self.FILES[name] for name in self.listed(list(self.FILES))]
        others = [product for product in found if product[0] != "App"]
        dates = {local_date(time.time() + 5 * DAY)}
        result = self.check("App", "7.0", "0", "EN",
                            answers=[remind("App", 5)] + [ok(name) for name, _, _ in others])
        self.assertEqual(self.log_lines(), self.head_of_log() + [
            "Found product: %s V:%s L:%s" % product for product in found] + [
            "Checking updates for product: %s V:%s L:%s" % (name, version, locale.lower() or "en")
            for name, version, locale in [("App", "7.0", "en")] + others])
        self.assertEqual([r.path for r in result.requests], [MANIFEST_PATH] * 3)
        self.assertIn(self.remind_date("App"), dates | {local_date(time.time() + 5 * DAY)})
        self.assertEqual(self.remind_date("Beta"), "")
        self.assertIsNone(self.remind_date("Tool"))
        self.assertEqual(self.pages(1), ["http://127.0.0.1/beta.html"])


class FaultsThatNoRunCanCause:
    """Failures that no run can be made to have at will, caused at the test build's fault
    points (KWU_TEST_FAULT): the program's own handling of each, as a whole run shows it."""

    def setUp(self):
        super().setUp()
        if cache_value("KWU_TEST_FAULTS") != "ON":
            self.skipTest("the program is built without its test fault points")
        self.enable_log()
        self.serve(APP)

    def fault(self, name, *args, answers=(), exit_code=0):
        return self.check(*args, answers=answers, exit_code=exit_code,
                          env={"KWU_TEST_FAULT": name})

    def startup_box(self, fault, args, text):
        result = self.fault(fault, *args, answers=[box(CAPTION)], exit_code=1)
        self.assertBox(result.windows[0], CAPTION, text, icon=False, owned=False)
        return result

    def test_a_framework_that_cannot_start_ends_the_run_with_its_box(self):
        for args in (("App", "7.0"), ("App", "7.0", "1"), ("1",)):
            with self.subTest(args=args):
                result = self.startup_box("framework-init", args, "MFC initialization failed")
                self.assertIsNone(result.log)
        self.assertEqual(self.server.requests, [])

    def test_a_failure_that_reaches_the_entry_point_ends_the_run_with_unknown_error(self):
        # Memory runs out as the command-line product is added: a log from before keeps
        # its content, and no product is checked.
        with open(self.host_path(self.log_path), "wb") as log:
            log.write(b"previous run\r\n")
        self.put_product_file("tool.xml", product_file("Tool", "2.1"))
        for args in (("App", "7.0"), ("App", "7.0", "1", "DE")):
            with self.subTest(args=args):
                result = self.startup_box("product-list", args, "Unknown error")
                self.assertEqual(result.log, b"previous run\r\n")
        self.assertEqual(self.server.requests, [])

    def test_memory_running_out_while_a_product_file_is_read_skips_that_file(self):
        self.put_product_file("tool.xml", product_file("Tool", "2.1"))
        self.put_product_file("beta.xml", product_file("Beta", "1.0", "de"))
        for flag in ("0", "1"):
            with self.subTest(flag=flag):
                self.fault("product-list", flag)
                # Each file is read and its product found, then skipped: nothing is checked.
                lines = self.log_lines()
                self.assertEqual(lines[:2], self.head_of_log())
                self.assertEqual(sorted(lines[2:]), ["Found product: Beta V:1.0 L:de",
                                                     "Found product: Tool V:2.1 L:"])
        self.assertEqual(self.server.requests, [])

    def assertUnknownErrors(self, fault, texts, requests):
        self.put_product_file("beta.xml", product_file("Beta", "1.0", "de"))
        windows = self.fault(fault, "App", "7.0", answers=[box("App"), box("Beta")]).windows
        self.assertBox(windows[0], "App", texts[0])
        self.assertBox(windows[1], "Beta", texts[1])
        self.assertEqual(self.log_lines()[3:], ["Checking updates for product: App V:7.0 L:en",
                                                "Checking updates for product: Beta V:1.0 L:de"])
        self.fault(fault, "App", "7.0", "1")
        self.assertEqual(len(self.server.requests), requests)
        self.assertEqual(self.pages(), [])

    def test_a_download_that_fails_otherwise_reports_unknown_error(self):
        # The manifest is answered with 200; memory runs out as its body is read.
        self.assertUnknownErrors("manifest-read", ["Error: Unknown error",
                                                   "Fehler: Unbekannter Fehler"], 4)

    def test_an_internet_session_that_cannot_be_opened_is_an_unknown_error_of_the_check(self):
        self.assertUnknownErrors("internet-session", ["Unknown error", "Unbekannter Fehler"], 0)

    def test_an_update_dialog_that_cannot_be_created_stores_and_opens_nothing(self):
        # The date stored is past, so that the silent check too gets as far as the offer.
        self.set_remind_date("App", "01/06/2005")
        before = self.settings_snapshot()
        for args in (("App", "7.0"), ("App", "7.0", "1")):
            with self.subTest(args=args):
                self.fault("dialog-create", *args)
                self.assertEqual(self.settings_snapshot(), before)
                self.assertEqual(self.log_lines()[2:],
                                 ["Checking updates for product: App V:7.0 L:en"])
        self.assertEqual(len(self.server.requests), 2)
        self.assertEqual(self.pages(), [])

    def test_a_remind_date_that_cannot_be_stored_or_cleared_leaves_the_one_before(self):
        # Without a key before, none is made.
        before = self.settings_snapshot()
        self.fault("settings-write", "App", "7.0", answers=[remind("App", 30)])
        self.assertEqual(self.settings_snapshot(), before)
        self.set_remind_date("App", "01/02/2030")
        before = self.settings_snapshot()
        for answer in (remind("App", 30), ok("App")):  # visiting would clear the date
            with self.subTest(answer=answer):
                self.fault("settings-write", "App", "7.0", answers=[answer])
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(1), [PAGE])


CASES = (Outcomes, FindingThePage, Answers, RemindDates, Locales, ManifestAddress, RunLog,
         FaultsThatNoRunCanCause)
