"""The Windows program's foundation under Wine: the shared cases of foundation_cases.py,
and what only the Windows build has: the registry's reads and writes, remind dates as the
C runtime and the time zones of Windows give them, and Windows paths, each driven through
the settings probe (tests/support/settings_probe.cpp) on the real platform.
"""

import datetime
import unittest
from zoneinfo import ZoneInfo

import foundation_cases
from protocol import REMIND_DATES_KEY, SETTINGS_KEY, bind, local_date
from wine_case import WineCase

bind(foundation_cases.CASES, WineCase, globals())


class RegistryTest(WineCase):
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
        args = [word for name, _, _ in reads for word in ("read", self.KEY, name)]
        results = s.probe(*args, "read", "software\\KAVEX\\webupdates\\probe", "511",
                          "read", SETTINGS_KEY + "\\Missing\\Deeper", "x")
        for (name, ok, value), result in zip(reads, results):
            with self.subTest(name=name):
                self.assertEqual((result["ok"], result["value"]), (ok, value))
        self.assertEqual(results[-2], {"ok": True, "value": "a" * 511})
        self.assertEqual(results[-1], {"ok": False, "value": ""})
        self.assertIsNone(s.reg_export(SETTINGS_KEY + "\\Missing"))

    def test_writing_values(self):
        s = self.session
        results = s.probe("write", REMIND_DATES_KEY, "App", "01/06/2005",
                          "write", REMIND_DATES_KEY, "", "default",
                          "write", REMIND_DATES_KEY, "Empty", "",
                          "write", REMIND_DATES_KEY, "Ansi", "hex:436166e9",
                          "read", REMIND_DATES_KEY, "Ansi")
        self.assertEqual(results[:4], [{"ok": True}] * 4)
        self.assertEqual(results[4], {"ok": True, "value": "Caf\xe9"})
        for name, value in (("App", "01/06/2005"), ("", "default"), ("Empty", ""),
                            ("Ansi", "Caf\u00e9"), ("Missing", None)):
            self.assertEqual(s.reg_query(REMIND_DATES_KEY, name),
                             None if value is None else ("REG_SZ", value))


class PlatformPathsTest(WineCase):

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
        results = self.session.probe(*[word for path, _, _ in cases
                                       for word in ("split-path", path)], "module-file-name")
        for (path, drive, folder), result in zip(cases, results):
            with self.subTest(path=path):
                self.assertEqual(result, {"drive": drive, "folder": folder})
        self.assertTrue(results[-1]["path"].lower().endswith("\\settings_probe.exe"),
                        results[-1])
        self.assertEqual(results[-1]["path"][1], ":")


class RemindDatesTest(WineCase):
    BERLIN = "Europe/Berlin"

    @staticmethod
    def instant(zone, *fields):
        """The instant of a local time (a date alone: its midnight) in a zone."""
        return int(datetime.datetime(*fields, tzinfo=ZoneInfo(zone)).timestamp())

    def stored_dates(self, texts, zone):
        results = self.session.probe(*[word for i, text in enumerate(texts) for word in (
            "write", REMIND_DATES_KEY, "P%d" % i, text, "get-remind", "P%d" % i)], tz=zone)
        return [r["time"] for r in results[1::2]]

    def test_reading_stored_dates(self):
        berlin = self.BERLIN
        cases = [
            ("01/01/2006", self.instant(berlin, 2006, 1, 1)),
            ("07/01/2006", self.instant(berlin, 2006, 7, 1)),
            ("1/6/2005", self.instant(berlin, 2005, 1, 6)),
            (" 01/ 06/ 2005", self.instant(berlin, 2005, 1, 6)),
            ("01/06/2005 and more", self.instant(berlin, 2005, 1, 6)),
            ("02/30/2005", self.instant(berlin, 2005, 3, 2)),
            ("04/31/2005", self.instant(berlin, 2005, 5, 1)),
            ("12/31/2037", self.instant(berlin, 2037, 12, 31)),
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
                         [self.instant(zone, 1970, 1, 1)])

    def test_missing_value_means_no_reminder(self):
        self.assertEqual(self.session.probe("get-remind", "Nothing", tz=self.BERLIN),
                         [{"time": 0}])
        self.assertIsNone(self.session.reg_export(REMIND_DATES_KEY))

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
        results = self.session.probe(*[word for instant, _ in cases
                                       for word in ("format-remind", str(instant))], tz=berlin)
        for (instant, text), result in zip(cases, results):
            with self.subTest(instant=instant):
                self.assertEqual(result["text"], text)
        # A date in 2038 is stored but does not hold a product back.
        self.assertEqual(self.stored_dates(["01/19/2038"], berlin), [0])

    def test_set_and_clear(self):
        results = self.session.probe(
            "set-remind", "App", "1", "read", REMIND_DATES_KEY, "App", "get-remind", "App",
            "set-remind", "Past", "-1", "read", REMIND_DATES_KEY, "Past",
            "set-remind", "Far", "400000", "read", REMIND_DATES_KEY, "Far",
            "clear-remind", "App", "read", REMIND_DATES_KEY, "App", "get-remind", "App",
            tz=self.BERLIN)
        now, berlin = results[0]["now"], self.BERLIN
        self.assertIn(results[1]["value"], {local_date(now + 86400, berlin),
                                            local_date(now + 86401, berlin)})
        month, day, year = (int(part) for part in results[1]["value"].split("/"))
        self.assertEqual(results[2]["time"], self.instant(berlin, year, month, day))
        self.assertIn(results[4]["value"], {local_date(now - 86400, berlin),
                                            local_date(now - 86399, berlin)})
        self.assertEqual(results[6], {"ok": True, "value": ""})  # not convertible: empty
        self.assertEqual(results[8], {"ok": True, "value": ""})
        self.assertEqual(results[9], {"time": 0})
        self.assertEqual(self.session.reg_query(REMIND_DATES_KEY, "App"), ("REG_SZ", ""))


if __name__ == "__main__":
    unittest.main()
