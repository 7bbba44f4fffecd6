"""Every translation in the GTK host: each label's text within the room the template gives
it, in both dialogs of every language; a right-to-left dialog mirrored as Windows mirrors
it, and the next left-to-right one not; Chinese, Japanese and Korean drawn. The display,
the accessibility bus and the helpers are those of gtk_harness.py."""

import os
import re
import subprocess
import time
import unittest

from protocol import ID, locale_languages, product_file, product_text
import gtk_harness
from gtk_harness import GtkTestCase, setUpModule, tearDownModule, xdotool  # noqa: F401

LOCALES = [""] + [language.folder for language in locale_languages.LANGUAGES]
NAMES = {ident: name for name, ident in vars(ID).items()}


def product(locale):
    return "P " + (locale or "en")


class EveryLanguage(GtkTestCase):
    def show_every_language(self, served):
        """Shows each language's dialog in turn, closing each with Escape; returns the
        fits of each ({title: [(id, need, room)]})."""
        self.serve(*served)
        for locale in LOCALES:
            self.put_product_file("%s.xml" % (locale or "en"),
                                  product_file(product(locale), "7.0", locale))
        path = self.path("fits.txt")
        self.start("0", env={"KWU_TEST_GTK_FITS": path})
        for _ in LOCALES:
            shown = self.next_dialog()
            self.focus(shown)
            xdotool("key", "Escape")
        self.finish()
        fits = {}
        with open(path, encoding="utf-8") as file:
            for line in file.read().splitlines():
                fit = re.fullmatch(r"fit id=(\d+) need=(\d+),(\d+) room=(-?\d+),(-?\d+)", line)
                if fit:
                    fits[title].append((int(fit[1]), tuple(map(int, fit.groups()[1:]))))
                else:
                    title = line[len("dialog "):]
                    fits[title] = []
        self.assertEqual(sorted(fits), sorted(product(locale) for locale in LOCALES))
        return fits

    def next_dialog(self):
        """The title of the dialog the program shows now."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            self.assertIsNone(self.process.poll(), "the program ended early")
            for locale in LOCALES:
                title = product(locale)
                if title not in self.seen and self.shows(title):
                    self.seen.add(title)
                    return title
            time.sleep(0.1)
        self.fail("no further dialog")

    @staticmethod
    def shows(title):
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                              capture_output=True, timeout=20, env=dict(
                                  os.environ, DISPLAY=gtk_harness._display[
                                      "DISPLAY"])).stdout.strip() != b""

    def assert_fit(self, fits):
        for title, controls in fits.items():
            self.assertTrue(controls, title)
            for ident, (width, height, room_width, room_height) in controls:
                with self.subTest(title, control=NAMES.get(ident, ident)):
                    self.assertTrue(width <= room_width and height <= room_height,
                                    "needs %dx%d, has %dx%d" % (width, height, room_width,
                                                               room_height))

    def setUp(self):
        super().setUp()
        self.seen = set()

    def test_update_dialog_of_every_language_fits(self):
        self.assert_fit(self.show_every_language(
            [("%s 7.0" % product(locale), ["FileArgs=http://127.0.0.1/p.html"])
             for locale in LOCALES]))

    def test_no_updates_dialog_of_every_language_fits(self):
        self.assert_fit(self.show_every_language([]))


def extents(node):
    component = node.queryComponent()
    return component.getExtents(gtk_harness.pyatspi.DESKTOP_COORDS)


class Scripts(GtkTestCase):
    def remind_row(self, dialog, locale):
        """The x of the remind button, the list and the unit, in that order."""
        return [extents(node).x for node in (
            dialog.one("radio button", product_text(locale, "IDS_REMIND_ME")),
            dialog.one("combo box"), dialog.one("label", product_text(locale, "IDS_DAYS")))]

    def test_right_to_left_dialogs_mirrored_and_the_next_one_not(self):
        self.put_product_file("gamma.xml", product_file("Gamma", "3.0", "EN"))
        for locale in sorted(locale_languages.RIGHT_TO_LEFT):
            with self.subTest(locale):
                self.start("App", "7.0", "0", locale)
                dialog = self.window("App")
                headline = extents(dialog.one(
                    "label", product_text(locale, "IDS_UPDATES_AVAILABLE") % "App"))
                if locale == "ar":
                    self.screenshot("gtk_update_available_ar.png")
                # The icon right of the headline, the remind row read from the right.
                self.assertGreaterEqual(extents(dialog.all("icon")[0]).x,
                                        headline.x + headline.width)
                radio, combo, label = self.remind_row(dialog, locale)
                self.assertGreater(radio, combo)
                self.assertGreater(combo, label)
                xdotool("key", "Escape")
                english = self.window("Gamma")
                headline = extents(english.one(
                    "label", product_text("", "IDS_UPDATES_AVAILABLE") % "Gamma"))
                self.assertLessEqual(extents(english.all("icon")[0]).x, headline.x)
                radio, combo, label = self.remind_row(english, "")
                self.assertLess(radio, combo)
                self.assertLess(combo, label)
                xdotool("key", "Escape")
                self.finish()

    def test_chinese_japanese_and_korean_dialogs(self):
        for locale in ("ja", "zh-cn", "ko"):
            with self.subTest(locale):
                self.start("App", "7.0", "0", locale)
                dialog = self.window("App")
                self.assertEqual(dialog.texts("label"), [
                    product_text(locale, "IDS_UPDATES_AVAILABLE") % "App",
                    product_text(locale, "IDS_DAYS")])
                self.screenshot("gtk_update_available_%s.png" % locale)
                xdotool("key", "Escape")
                self.finish()


if __name__ == "__main__":
    unittest.main()
