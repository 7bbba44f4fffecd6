"""Every translation in the GTK host: each label's text within the room the template gives
it, in both dialogs of every language, with product names of 11, 24 and 40 characters
(English with the names its fixed templates are made for), and in languages of several
scripts with fonts at 192 DPI too; a right-to-left dialog mirrored as Windows mirrors it,
and the next left-to-right one not; Chinese, Japanese and Korean drawn. The display, the
accessibility bus and the helpers are those of gtk_harness.py."""

import os
import re
import subprocess
import time
import unittest

from protocol import ID, locale_languages, product_file, product_text
import gtk_harness
from gtk_harness import GtkTestCase, setUpModule, tearDownModule, xdotool  # noqa: F401
from translation_cases import ENGLISH_NAMES, HIGH_DPI_LANGUAGES, PRODUCT_NAMES

LOCALES = [""] + [language.folder for language in locale_languages.LANGUAGES]
NAMES = {ident: name for name, ident in vars(ID).items()}


def products(locales):
    """The product names each locale shows: the shared names, each made the locale's own
    by its first word, of the same length ("Acme Writer" is "Dexx Writer" in German)."""
    shown = []
    for locale in locales:
        code = ("".join(c for c in (locale or "en") if c.isalpha()) + "xx")[:4].capitalize()
        shown += [(locale, name.replace("Acme", code, 1))
                  for name in (PRODUCT_NAMES if locale else ENGLISH_NAMES)]
    return shown


class EveryLanguage(GtkTestCase):
    def show_every_language(self, served, locales=LOCALES, env=None):
        """Shows each product's dialog in turn, closing each with Escape; returns the
        fits of each ({title: [(id, need, room)]})."""
        shown = products(locales)
        self.serve(*[("%s 7.0" % name, ["FileArgs=http://127.0.0.1/p.html"])
                     for _, name in shown] if served else [])
        for index, (locale, name) in enumerate(shown):
            self.put_product_file("p%03d.xml" % index, product_file(name, "7.0", locale))
        path = self.path("fits.txt")
        self.start("0", env=dict(env or {}, KWU_TEST_GTK_FITS=path))
        titles = {name for _, name in shown}
        for _ in shown:
            self.focus(self.next_dialog(titles))
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
        self.assertEqual(sorted(fits), sorted(titles))
        return fits

    def next_dialog(self, titles):
        """The title of the dialog the program shows now, one of titles not seen yet."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            self.assertIsNone(self.process.poll(), "the program ended early")
            for title in self.showing() & (titles - self.seen):
                self.seen.add(title)
                return title
            time.sleep(0.1)
        self.fail("no further dialog")

    @staticmethod
    def showing():
        """The titles of the windows the display shows."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".",
                                "getwindowname", "%@"], capture_output=True, timeout=20,
                               text=True, env=dict(os.environ, DISPLAY=gtk_harness._display[
                                   "DISPLAY"]))
        return set(found.stdout.splitlines())

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
        self.assert_fit(self.show_every_language(True))

    def test_no_updates_dialog_of_every_language_fits(self):
        self.assert_fit(self.show_every_language(False))

    def test_both_dialogs_of_several_scripts_fit_with_fonts_at_192_dpi(self):
        # GTK takes the fonts' resolution from the desktop's (Xft.dpi); GDK_DPI_SCALE
        # multiplies it, and the templates' units follow the font: the headline's room,
        # the template's rectangle, about twice the one at 96 DPI.
        headlines = {}
        for scale, served in (("1", True), ("2", True), ("2", False)):
            self.seen = set()
            fits = self.show_every_language(served, HIGH_DPI_LANGUAGES,
                                            env={"GDK_DPI_SCALE": scale})
            if served:
                headlines[scale] = {title: measured[2] for title, controls in fits.items()
                                    for ident, measured in controls if ident == ID.IDC_MESSAGE}
            if scale == "2":
                self.assert_fit(fits)
        self.assertEqual(sorted(headlines["1"]), sorted(headlines["2"]))
        for title, width in headlines["1"].items():
            self.assertTrue(1.8 <= headlines["2"][title] / width <= 2.2,
                            (title, width, headlines["2"][title]))


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
