"""The real Windows dialogs and message boxes under Wine: the shared cases of
dialog_cases.py, and what only Win32 windows have: their frame (owner, focus, icon,
placement, size per language), an up-down control of a translation, which needs the
common controls, and locale libraries used as data only, their code never run."""

import os
import unittest

import dialog_cases
from protocol import BUILD_DIR, ID, Answer, bind, ok
from wine_case import WineCase
from wine_harness import PROGRAM_FOLDER

bind(dialog_cases.CASES, WineCase, globals())


def by_id(window):
    return {control["id"]: control for control in window.raw["controls"]}


class Win32Windows(dialog_cases.Probe, WineCase):
    def test_the_frame_of_both_dialogs(self):
        _, [update] = self.probe("update", "Acme", answers=[ok("Acme")])
        _, [german] = self.probe("update", "Acme", "de", answers=[ok("Acme")])
        _, [none] = self.probe("noupdates", "Acme", answers=[ok("Acme")])
        for window in (update, none):
            controls = by_id(window)
            self.assertFalse(window.owned)
            self.assertTrue(controls[ID.IDOK]["focused"])
            self.assertEqual(len([c for c in controls.values() if c.get("icon")]), 1)
        # Centred on the 1024 x 768 screen.
        x, y, width, height = update.raw["rect"]
        self.assertLessEqual(abs(x + width / 2 - 512), 2)
        self.assertLessEqual(abs(y + height / 2 - 384), 40)  # work area without a taskbar
        # The German template is the wider one.
        self.assertGreater(german.raw["rect"][2], width)

    def test_an_up_down_control_of_a_translation_chooses_the_reminder(self):
        self.install_locale("spin", os.path.join(BUILD_DIR, "tests", "fixtures", "spin",
                                                 "kavexwebupdexe.dat"))
        lines, [window] = self.probe("update", "Acme", "spin", answers=[Answer(
            "Acme", "dump", "press:%d" % ID.IDC_DAYS_SPIN, "dump", "ok")])
        self.assertEqual(lines, ["update locale=spin result=1 remind=1"])
        before, after = window.later
        self.assertEqual(by_id(before)[ID.IDC_DAYS_SPIN]["class"].lower(), "msctls_updown32")
        self.assertEqual((before.checked, after.checked), ("IDC_RADIO_VISIT", "IDC_RADIO_REMIND"))

    def test_library_code_never_runs(self):
        # Loaded as a locale library, its texts serve but its entry point does not run,
        # neither in the probe nor in the program's own run over a product.
        self.install_locale("evil", os.path.join(BUILD_DIR, "tests", "fixtures", "hostile",
                                                 "kavexwebupdexe.dat"))
        lines, _ = self.probe("texts", "Acme", "evil", cwd="C:\\kwu")
        self.assertIn("text locale=evil id=2 Hostile error", lines)
        self.set_setting("URL", "http://127.0.0.1:9/update.ini")
        self.check("Acme", "1.0", "1", "evil", cwd="C:\\kwu")
        self.assertIsNone(self.read_file("C:\\kwu\\entry_point_ran.txt"))
        # The same file loaded as an ordinary library does run its entry point.
        control = self.session.run(
            [PROGRAM_FOLDER + "Locale\\evil\\kavexwebupdexe.dat,Nothing"],
            program="C:\\windows\\system32\\rundll32.exe", cwd="C:\\kwu")
        self.assertFalse(control.timed_out)
        self.assertIsNotNone(self.read_file("C:\\kwu\\entry_point_ran.txt"))


if __name__ == "__main__":
    unittest.main()
