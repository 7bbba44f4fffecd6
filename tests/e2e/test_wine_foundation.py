"""The Windows program's foundation under Wine: command line, product description files,
run log, registry access and remind dates.

One Wine prefix and one Xvfb display for the whole suite; every case starts from a
clean settings key and product folder.
"""

import datetime
import os
import sys
import unittest
from zoneinfo import ZoneInfo

from wine_harness import (CAPTION, PRODUCT_FOLDER, REMIND_DATES_KEY, SETTINGS_KEY, UiScript,
                          WineSession)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from http_server import LoopbackHttpServer, Reply  # noqa: E402
from program_texts import SEARCHING, USAGE_TEXT, product_file

LOG_PATH = "C:\\kwu\\run.log"
CHECKING_FILES = "Checking files: " + PRODUCT_FOLDER + "*.xml"


def log_bytes(*lines):
    """The log file of a run whose messages are lines: an empty first line, CR LF after
    every line, the last one too."""
    return ("\r\n" + "".join(line + "\r\n" for line in lines)).encode("latin-1")


_session = None
_server = None


def setUpModule():
    global _session, _server
    _session = WineSession(display=True).start()
    # Every product is checked against a manifest that names no page: a silent check shows
    # nothing, any other shows the no-updates dialog, and nothing leaves loopback.
    _server = LoopbackHttpServer().start()
    _session.add_cleanup(_server.stop)
    _server.reply = Reply.http(200, b"; a manifest without any product's page\r\n")


def tearDownModule():
    if _session:
        _session.close()


class WineTestCase(unittest.TestCase):

    def setUp(self):
        self.session = _session
        self.reset()

    def reset(self):
        self.session.reset()
        self.session.reg_add(SETTINGS_KEY, "URL", _server.url("/misc/update.ini"))

    def run_program(self, *args, **kwargs):
        result = self.session.run(args, **kwargs)
        for ui in result.ui:
            self.assertTrue(ui.ok, (ui.returncode, ui.events))
        self.assertFalse(result.timed_out, "the program did not end: %r" % (args,))
        return result

    def run_checking(self, *args, products):
        """Runs a non-silent check; each product's no-updates dialog is closed with OK."""
        return self.run_program(*args, ui=[UiScript(name, "ok", "wait-gone") for name in products])

    def log(self):
        return self.session.read_file(LOG_PATH)

    def enable_log(self):
        self.session.reg_add(SETTINGS_KEY, "LogFile", LOG_PATH)


class CommandLineTest(WineTestCase):

    def test_usage_error_shows_the_usage_text_and_writes_no_log(self):
        self.enable_log()
        self.session.write_file(LOG_PATH, b"previous run\r\n")
        self.session.put_product_file("tool.xml", product_file("Tool", "2.1", ""))
        rows = [
            (),                                   # argc 1
            ("2",), ("01",), (" 1",), ("true",), ("",),  # argc 2, silent not exactly 0/1
            ("App", "7.0", "2"),                  # argc 4
            ("App", "7.0", "1 ", "DE"),           # argc 5
            ("App", "7.0", "1", "DE", "x"),       # argc 6
            ("a", "b", "c", "d", "e", "f", "g"),  # argc 8
        ]
        for args in rows:
            with self.subTest(args=args):
                result = self.run_program(
                    *args, ui=UiScript(CAPTION, "ok", "wait-gone"))
                self.assertEqual(result.returncode, 1)
                ui = result.ui[0]
                self.assertTrue(ui.ok, ui.errors)
                window = ui.window
                self.assertEqual(window["title"], CAPTION)
                self.assertFalse(window["owned"])
                box = window["message_box"]
                self.assertEqual(box["text"].encode("latin-1"), USAGE_TEXT.encode("latin-1"))
                self.assertFalse(box["icon"])
                self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
                self.assertEqual(self.log(), b"previous run\r\n")

    def test_accepted_forms_run_to_the_end_without_a_window(self):
        self.enable_log()
        rows = [
            (("0",), [], []),
            (("1",), [], []),
            (("App", "7.0"), ["App V:7.0 L:en"], ["App"]),
            (("App", "7.0", "0"), ["App V:7.0 L:en"], ["App"]),
            (("App", "7.0", "1", "DE"), ["App V:7.0 L:de"], []),
            (("My App", "7.0 beta", "0", ""), ["My App V:7.0 beta L:en"], ["My App"]),
            (("100%s App", "%d", "1", "XX"), ["100%s App V:%d L:xx"], []),
        ]
        for args, keys, dialogs in rows:
            with self.subTest(args=args):
                result = self.run_checking(*args, products=dialogs)
                self.assertEqual(result.returncode, 0)
                self.assertEqual(self.log(), log_bytes(
                    SEARCHING, CHECKING_FILES,
                    *["Checking updates for product: " + key for key in keys]))


class RunLogTest(WineTestCase):

    def test_log_of_the_documented_example(self):
        self.enable_log()
        self.session.put_product_file("tool.xml", product_file("Tool", "2.1", ""))
        self.session.put_product_file(
            "nolocale.xml", "<ProductInfo><Name>X</Name><Version>1</Version></ProductInfo>")
        self.assertEqual(self.run_program("App", "7.0", "1", "DE").returncode, 0)
        self.assertEqual(self.log(), log_bytes(
            SEARCHING, CHECKING_FILES, "Found product: Tool V:2.1 L:",
            "Checking updates for product: App V:7.0 L:de",
            "Checking updates for product: Tool V:2.1 L:en"))

    def test_each_run_replaces_the_file(self):
        self.enable_log()
        self.session.write_file(LOG_PATH, b"x" * 5000)
        self.run_checking("First", "1", products=["First"])
        self.run_checking("Second", "2", products=["Second"])
        self.assertEqual(self.log(), log_bytes(
            SEARCHING, CHECKING_FILES, "Checking updates for product: Second V:2 L:en"))

    def test_no_file_without_a_usable_log_file_value(self):
        cases = {
            "absent": None,
            "empty": "",
            "folder missing": "C:\\kwu\\missing\\run.log",
            # 512 characters: cannot be read. (The file system drops the trailing blanks,
            # so a value cut to 511 characters would name the log file.)
            "too long": LOG_PATH + " " * (512 - len(LOG_PATH)),
        }
        for name, value in cases.items():
            with self.subTest(name):
                self.reset()
                if value is not None:
                    self.session.reg_add(SETTINGS_KEY, "LogFile", value)
                self.assertEqual(self.run_checking("App", "7.0", products=["App"]).returncode, 0)
                self.assertEqual(self.log(), None)
                self.assertEqual(self.session.read_file("C:\\kwu\\missing\\run.log"), None)

    def test_a_log_that_fails_part_way_is_not_reported(self):
        # The log file is a link to /dev/full, where every write fails.
        os.symlink("/dev/full", self.session.unix_path("C:\\kwu\\full.log"))
        self.session.reg_add(SETTINGS_KEY, "LogFile", "C:\\kwu\\full.log")
        self.assertEqual(self.run_program("1").returncode, 0)  # and no window

    def test_longest_readable_log_path(self):
        self.session.reg_add(SETTINGS_KEY, "LogFile", LOG_PATH + " " * (511 - len(LOG_PATH)))
        self.run_program("1")
        self.assertEqual(self.log(), log_bytes(SEARCHING, CHECKING_FILES))

    def test_common_appdata_folder_missing(self):
        self.enable_log()
        self.session.remove_program_data()
        self.assertEqual(self.run_checking("App", "7.0", products=["App"]).returncode, 0)
        self.assertEqual(self.log(), log_bytes(
            SEARCHING, "Could not open CommonAppData folder",
            "Checking updates for product: App V:7.0 L:en"))


class ProductFilesTest(WineTestCase):

    def checked_and_found(self, *args, dialogs=()):
        self.enable_log()
        self.assertEqual(self.run_checking(*args, products=dialogs).returncode, 0)
        lines = self.log().decode("latin-1").split("\r\n")
        self.assertEqual(lines[:3], ["", SEARCHING, CHECKING_FILES])
        self.assertEqual(lines[-1], "")
        body = lines[3:-1]
        found = [line[len("Found product: "):] for line in body
                 if line.startswith("Found product: ")]
        checked = [line[len("Checking updates for product: "):] for line in body
                   if line.startswith("Checking updates for product: ")]
        self.assertEqual(len(found) + len(checked), len(body), body)
        return found, checked

    def test_files_that_yield_a_product(self):
        put = self.session.put_product_file
        put("crlf.xml", product_file("Crlf", "1.0", "DE", newline="\r\n"))
        put("no-final-newline.xml", product_file("Bare", "2", "fr").rstrip("\n"))
        put("order.xml", "<ProductInfo><Locale>it</Locale><Version>3</Version>"
                         "<Name>Reverse</Name></ProductInfo>")
        put("padded.xml", "<ProductInfo><Name> Padded </Name><Version>4</Version>"
                          "<Locale></Locale></ProductInfo>")
        put("UPPER.XML", product_file("Upper", "5", "en"))
        put("short-name.xmlx", product_file("ShortName", "6", "en"))
        put("bytes.xml", b"\xef\xbb\xbf<!-- c --><ProductInfo><Name>Caf\xe9 &amp;</Name>"
                         b"<Version>7</Version><Locale>es</Locale></ProductInfo>"
                         b"<ProductInfo><Name>Second</Name></ProductInfo>")
        found, checked = self.checked_and_found("1")
        expected = {"Crlf V:1.0 L:DE", "Bare V:2 L:fr", "Reverse V:3 L:it",
                    " Padded  V:4 L:", "Upper V:5 L:en", "ShortName V:6 L:en",
                    "Caf\xe9 &amp; V:7 L:es"}
        self.assertEqual(sorted(found), sorted(expected))
        # Checked in the order found, with the locale normalised.
        normalised = [key[:key.rindex(" L:") + 3] + (key[key.rindex(" L:") + 3:].lower() or "en")
                      for key in found]
        self.assertEqual(checked, normalised)

    def test_files_that_are_skipped(self):
        put = self.session.put_product_file
        put("no-locale.xml", "<ProductInfo><Name>A</Name><Version>1</Version></ProductInfo>")
        put("empty-name.xml", product_file("", "1", "en"))
        put("empty-version.xml", product_file("B", "", "en"))
        put("other-case.xml", "<productinfo><Name>C</Name><Version>1</Version>"
                              "<Locale>en</Locale></productinfo>")
        put("attribute.xml", "<ProductInfo id=\"1\"><Name>D</Name><Version>1</Version>"
                             "<Locale>en</Locale></ProductInfo>")
        put("end-before-start.xml", "<ProductInfo></Name><Name>E<Version>1</Version>"
                                    "<Locale>en</Locale></ProductInfo>")
        put("utf16.xml", product_file("F", "1", "en").encode("utf-16"))
        put("other.txt", product_file("G", "1", "en"))
        self.session.write_file(PRODUCT_FOLDER + "folder.xml\\inner.xml",
                                product_file("H", "1", "en"))
        found, checked = self.checked_and_found("1")
        self.assertEqual(found, [])
        self.assertEqual(checked, [])

    def test_a_file_whose_reading_fails_is_skipped(self):
        # Reading a process's memory from its start fails once the file is open.
        self.session.put_product_file("tool.xml", product_file("Tool", "1", "en"))
        os.symlink("/proc/self/mem", self.session.unix_path(PRODUCT_FOLDER + "mem.xml"))
        found, checked = self.checked_and_found("1")
        self.assertEqual((found, checked), (["Tool V:1 L:en"], ["Tool V:1 L:en"]))

    def test_duplicates_are_logged_but_checked_once(self):
        put = self.session.put_product_file
        put("one.xml", product_file("Tool", "2.1", "EN"))
        put("two.xml", product_file("Tool", "2.1", "en"))
        put("cmd.xml", product_file("App", "7.0", ""))
        found, checked = self.checked_and_found("App", "7.0", "0", "EN",
                                                 dialogs=["App", "Tool"])
        self.assertEqual(sorted(found), ["App V:7.0 L:", "Tool V:2.1 L:EN", "Tool V:2.1 L:en"])
        self.assertEqual(checked, ["App V:7.0 L:en", "Tool V:2.1 L:en"])

    def test_a_ctrl_z_end_mark_after_the_block_is_read_as_on_linux(self):
        # The runtime's text mode stops at the Ctrl-Z; what it cuts off is outside the block.
        self.session.put_product_file("dos.xml", product_file("Dos", "1", "en", newline="\r\n")
                                      + "\x1a")
        found, checked = self.checked_and_found("1")
        self.assertEqual((found, checked), (["Dos V:1 L:en"], ["Dos V:1 L:en"]))

    def test_missing_product_folder(self):
        found, checked = self.checked_and_found("App", "7.0", dialogs=["App"])
        self.assertEqual((found, checked), ([], ["App V:7.0 L:en"]))


class RegistryTest(WineTestCase):
    KEY = SETTINGS_KEY + "\\Probe"

    def test_reading_values(self):
        s = self.session
        s.reg_add(self.KEY, "511", "a" * 511)
        s.reg_add(self.KEY, "512", "b" * 512)
        s.reg_add(self.KEY, "empty", "")
        s.reg_add(self.KEY, "dword", 0x00434241, "REG_DWORD")
        s.reg_add(self.KEY, "binary", b"ab\x00cd", "REG_BINARY")
        s.reg_add(self.KEY, "binary-unterminated", b"xyz", "REG_BINARY")
        s.reg_add(self.KEY, "expand", "%TEMP%\\x", "REG_EXPAND_SZ")
        s.reg_set_raw(self.KEY, "unterminated", b"raw", "REG_SZ")
        s.reg_add(self.KEY, "", "default value")
        s.reg_add(self.KEY, "ansi", "Caf\xe9")
        reads = [("511", True, "a" * 511), ("512", False, ""), ("empty", True, ""),
                 ("dword", True, "ABC"), ("binary", True, "ab"),
                 ("binary-unterminated", True, "xyz"), ("expand", True, "%TEMP%\\x"),
                 ("unterminated", True, "raw"), ("", True, "default value"),
                 ("ansi", True, "Caf\xe9"), ("absent", False, ""), ("EXPAND", True, "%TEMP%\\x")]
        args = []
        for name, _, _ in reads:
            args += ["read", self.KEY, name]
        args += ["read", "software\\KAVEX\\webupdates\\probe", "511",
                 "read", SETTINGS_KEY + "\\Missing\\Deeper", "x"]
        results = s.probe(*args)
        for (name, ok, value), result in zip(reads, results):
            with self.subTest(name=name):
                self.assertEqual((result["ok"], result["value"]), (ok, value))
        self.assertEqual(results[-2], {"ok": True, "value": "a" * 511})
        self.assertEqual(results[-1], {"ok": False, "value": ""})
        self.assertFalse(s.reg_key_exists(SETTINGS_KEY + "\\Missing"))

    def test_writing_values(self):
        s = self.session
        results = s.probe("write", REMIND_DATES_KEY, "App", "01/06/2005",
                          "write", REMIND_DATES_KEY, "", "default",
                          "write", REMIND_DATES_KEY, "Empty", "",
                          "write", REMIND_DATES_KEY, "Ansi", "hex:436166e9",
                          "read", REMIND_DATES_KEY, "Ansi")
        self.assertEqual(results[:4], [{"ok": True}] * 4)
        self.assertEqual(results[4], {"ok": True, "value": "Caf\xe9"})
        self.assertEqual(s.reg_query(REMIND_DATES_KEY, "App"), ("REG_SZ", "01/06/2005"))
        self.assertEqual(s.reg_query(REMIND_DATES_KEY, ""), ("REG_SZ", "default"))
        self.assertEqual(s.reg_query(REMIND_DATES_KEY, "Empty"), ("REG_SZ", ""))
        self.assertEqual(s.reg_query(REMIND_DATES_KEY, "Ansi"), ("REG_SZ", "Caf\u00e9"))
        self.assertEqual(s.reg_query(REMIND_DATES_KEY, "Missing"), None)


class PlatformPathsTest(WineTestCase):

    def test_split_path_and_module_file_name(self):
        deep = "C:" + "\\folder" * 80 + "\\"  # longer than the runtime's 256-byte folder
        cases = [
            ("C:\\Apps\\Kavex\\kavexwebupd.exe", "C:", "\\Apps\\Kavex\\"),
            ("C:/Apps/Kavex/kavexwebupd.exe", "C:", "/Apps/Kavex/"),
            ("\\\\server\\share\\kavexwebupd.exe", "", "\\\\server\\share\\"),
            ("C:kavexwebupd.exe", "C:", ""),
            ("kavexwebupd.exe", "", ""),
            (deep + "kavexwebupd.exe", "C:", deep[2:]),
        ]
        args = []
        for path, _, _ in cases:
            args += ["split-path", path]
        results = self.session.probe(*(args + ["module-file-name"]))
        for (path, drive, folder), result in zip(cases, results):
            with self.subTest(path=path):
                self.assertEqual(result, {"drive": drive, "folder": folder})
        self.assertTrue(results[-1]["path"].lower().endswith("\\settings_probe.exe"),
                        results[-1])
        self.assertEqual(results[-1]["path"][1], ":")


class RemindDatesTest(WineTestCase):
    BERLIN = "Europe/Berlin"

    @staticmethod
    def midnight(year, month, day, zone):
        return int(datetime.datetime(year, month, day, tzinfo=ZoneInfo(zone)).timestamp())

    @staticmethod
    def instant(zone, *fields):
        return int(datetime.datetime(*fields, tzinfo=ZoneInfo(zone)).timestamp())

    def stored_dates(self, texts, zone):
        args = []
        for i, text in enumerate(texts):
            args += ["write", REMIND_DATES_KEY, "P%d" % i, text, "get-remind", "P%d" % i]
        results = self.session.probe(*args, tz=zone)
        return [r["time"] for r in results[1::2]]

    def test_reading_stored_dates(self):
        berlin = self.BERLIN
        cases = [
            ("01/01/2006", self.midnight(2006, 1, 1, berlin)),
            ("07/01/2006", self.midnight(2006, 7, 1, berlin)),
            ("1/6/2005", self.midnight(2005, 1, 6, berlin)),
            (" 01/ 06/ 2005", self.midnight(2005, 1, 6, berlin)),
            ("01/06/2005 and more", self.midnight(2005, 1, 6, berlin)),
            ("02/30/2005", self.midnight(2005, 3, 2, berlin)),
            ("04/31/2005", self.midnight(2005, 5, 1, berlin)),
            ("12/31/2037", self.midnight(2037, 12, 31, berlin)),
            ("01/01/2038", 0), ("13/01/2005", 0), ("00/10/2005", 0), ("01/00/2005", 0),
            ("01/32/2005", 0), ("2005/01/06", 0), ("01-06-2005", 0), ("01/06/05", 0),
            ("", 0), ("01/01/1969", 0),
            ("01/01/1970", 0),  # east of UTC its midnight lies before the epoch
        ]
        times = self.stored_dates([text for text, _ in cases], berlin)
        for (text, expected), time in zip(cases, times):
            with self.subTest(text=text):
                self.assertEqual(time, expected)

    def test_numbers_beyond_the_int_range_are_held_at_its_ends_as_on_linux(self):
        # Cut to 32 bits, each would read as a valid date (2037, month 1, day 6).
        texts = ["01/06/4294969333", "4294967297/06/2005", "01/4294967302/2005",
                 "-4294967295/06/2005", "01/06/-4294965259", "01/06/99999999999999999999"]
        self.assertEqual(self.stored_dates(texts, self.BERLIN), [0] * len(texts))

    def test_first_day_west_of_utc(self):
        zone = "America/New_York"
        self.assertEqual(self.stored_dates(["01/01/1970"], zone),
                         [self.midnight(1970, 1, 1, zone)])

    def test_missing_value_means_no_reminder(self):
        self.assertEqual(self.session.probe("get-remind", "Nothing", tz=self.BERLIN),
                         [{"time": 0}])
        self.assertFalse(self.session.reg_key_exists(REMIND_DATES_KEY))

    def test_stored_text_for_a_remind_instant(self):
        berlin = self.BERLIN
        day = 86400
        cases = [
            (self.instant(berlin, 2005, 1, 5, 15) + day, "01/06/2005"),
            (self.instant(berlin, 2005, 12, 15, 10) + 60 * day, "02/13/2006"),
            (self.instant(berlin, 2037, 12, 20, 12) + 30 * day, "01/19/2038"),
            # The night the clocks go forward: 23:30 plus 86,400 s is 00:30 two days on.
            (self.instant(berlin, 2005, 3, 26, 23, 30) + day, "03/28/2005"),
            # The night they go back: 00:30 plus 86,400 s is 23:30 the same day.
            (self.instant(berlin, 2005, 10, 30, 0, 30) + day, "10/30/2005"),
            (-1, ""),
            (33000000000, ""),  # beyond the year 3000
        ]
        args = []
        for instant, _ in cases:
            args += ["format-remind", str(instant)]
        results = self.session.probe(*args, tz=berlin)
        for (instant, text), result in zip(cases, results):
            with self.subTest(instant=instant):
                self.assertEqual(result["text"], text)
        # A date in 2038 is stored but does not hold a product back.
        self.assertEqual(self.stored_dates(["01/19/2038"], berlin), [0])

    def test_set_and_clear(self):
        berlin = ZoneInfo(self.BERLIN)
        results = self.session.probe(
            "set-remind", "App", "1", "read", REMIND_DATES_KEY, "App", "get-remind", "App",
            "set-remind", "Past", "-1", "read", REMIND_DATES_KEY, "Past",
            "set-remind", "Far", "400000", "read", REMIND_DATES_KEY, "Far",
            "clear-remind", "App", "read", REMIND_DATES_KEY, "App", "get-remind", "App",
            tz=self.BERLIN)
        now = results[0]["now"]

        def local_date(instant):
            return datetime.datetime.fromtimestamp(instant, berlin).strftime("%m/%d/%Y")

        self.assertIn(results[1]["value"], {local_date(now + 86400), local_date(now + 86401)})
        month, day, year = (int(part) for part in results[1]["value"].split("/"))
        self.assertEqual(results[2]["time"], self.midnight(year, month, day, self.BERLIN))
        self.assertIn(results[4]["value"], {local_date(now - 86400), local_date(now - 86399)})
        self.assertEqual(results[6], {"ok": True, "value": ""})  # not convertible: empty
        self.assertEqual(results[8], {"ok": True, "value": ""})
        self.assertEqual(results[9], {"time": 0})
        self.assertEqual(self.session.reg_query(REMIND_DATES_KEY, "App"), ("REG_SZ", ""))


if __name__ == "__main__":
    unittest.main()
