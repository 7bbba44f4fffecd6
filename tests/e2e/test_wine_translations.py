"""Every translation as the Windows program shows it under Wine, in a system locale of its
language's ANSI code page (Wine takes the code page from the locale, as Windows takes it
from the system's language): every string-table entry as the program loads it, the texts
of both dialogs and of a product error box read back through the UI driver in that code
page, the right-to-left dialogs mirrored, and what a system whose code page lacks a
language's letters shows instead.

The languages of one code page share a run of the dialog probe, one product per language,
so that a whole check costs one Wine process per code page."""
import os
import shutil
import subprocess
import sys
import unicodedata
import unittest

from wine_harness import PROGRAM_FOLDER, UiScript, WineSession

SOURCE = os.environ.get("KWU_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import locale_languages  # noqa: E402
import po_file  # noqa: E402
import resource_script  # noqa: E402

PROBE = PROGRAM_FOLDER + "dialog_probe.exe"
OUTPUT = "C:\\kwu\\probe.txt"
PRODUCT = "Acme"
DAYS = [" 1", " 5", "10", "30", "60"]
WS_EX_LAYOUTRTL = 0x00400000
# The string-table entries in id order, from IDS_ERROR (2).
STRING_NAMES = [name for name, _, _ in resource_script.read_script(
    os.path.join(SOURCE, "src", "ui", "kavexwebupd.rc")).strings]


def translations(language):
    path = os.path.join(SOURCE, "locale", "%s.po" % language.folder)
    return po_file.translations(po_file.read(path))


def by_code_page():
    groups = {}
    for language in locale_languages.LANGUAGES:
        groups.setdefault(language.codepage, []).append(language)
    return sorted(groups.items())


def shown(text, codepage):
    """A text the driver or the probe read in the code page, as Unicode (composed)."""
    return unicodedata.normalize("NFC", text.encode("latin-1").decode("cp%d" % codepage))


def expected(texts, name, *arguments):
    """The entry as the program formats it ("%%" is a percent sign)."""
    return unicodedata.normalize("NFC", texts[name] % arguments)


def by_id(window):
    return {control["id"]: control for control in window["controls"]}


class WineTranslations(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Wine runs a program in a locale that is not installed as in "C": code page 1252.
        installed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
        installed = {name.lower() for name in installed.split()}
        missing = [name for name in locale_languages.SYSTEM_LOCALE_OF_CODEPAGE.values()
                   if name.lower().replace("utf-8", "utf8") not in installed]
        if missing:
            raise unittest.SkipTest("the locales %s are not installed (scripts/setup "
                                    "generates them)" % ", ".join(sorted(missing)))
        cls.session = WineSession(display=True, fonts=locale_languages.CHECK_FONTS).start()
        shutil.copy2(os.path.join(cls.session.build, "tests", "support", "dialog_probe.exe"),
                     cls.session.unix_path(PROGRAM_FOLDER))

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def probe(self, action, languages, locale, ui_actions=()):
        """Runs the probe over the languages in the system locale; returns its lines and,
        when ui_actions are given, the UI driver's result for each language's window."""
        self.session.reset()
        scripts = [UiScript(PRODUCT, *ui_actions) for _ in languages] if ui_actions else None
        run = self.session.run([OUTPUT, action, PRODUCT] + [l.folder for l in languages],
                               ui=scripts, program=PROBE, cwd="C:\\kwu", locale=locale,
                               timeout=60 + 10 * len(languages))
        self.assertFalse(run.timed_out, "the probe did not end")
        for result in run.ui:
            self.assertTrue(result.ok, (result.returncode, result.events))
        self.assertEqual(run.returncode, 0)
        self.assertEqual(len(run.ui), len(languages) if ui_actions else 0)
        return (self.session.read_file(OUTPUT) or b"").decode("latin-1").splitlines(), run.ui

    def dialogs(self, action):
        """(language, its texts, the window) of each language's dialog, each read in the
        language's code page and closed with its OK button."""
        for codepage, languages in by_code_page():
            locale = locale_languages.SYSTEM_LOCALE_OF_CODEPAGE[codepage]
            lines, ui = self.probe(action, languages, locale, ("ok", "wait-gone"))
            self.assertEqual(lines, ["%s locale=%s result=1%s" % (
                action, l.folder, " remind=0" if action == "update" else "")
                for l in languages])
            for language, result in zip(languages, ui):
                yield language, translations(language), result.window

    def assert_direction(self, window, headline):
        """Mirrored exactly in the right-to-left languages: the dialog's extended style,
        and the icon on the screen right of the headline rather than left of it."""
        icons = [control["screen"] for control in window["controls"] if control.get("icon")]
        self.assertEqual(len(icons), 1)
        icon, text = icons[0], by_id(window)[headline]["screen"]
        if window["exstyle"] & WS_EX_LAYOUTRTL:
            self.assertGreaterEqual(icon[0], text[0] + text[2])
        else:
            self.assertLessEqual(icon[0] + icon[2], text[0])

    def test_every_string_entry_as_the_program_loads_it(self):
        for codepage, languages in by_code_page():
            locale = locale_languages.SYSTEM_LOCALE_OF_CODEPAGE[codepage]
            lines, _ = self.probe("texts", languages, locale)
            for language in languages:
                with self.subTest(language.folder):
                    texts = translations(language)
                    prefix = "text locale=%s id=" % language.folder
                    loaded = {int(line[len(prefix):].split(" ", 1)[0]):
                              line[len(prefix):].split(" ", 1)[1].replace("\\n", "\n")
                              for line in lines if line.startswith(prefix)}
                    self.assertEqual(
                        {name: shown(loaded.get(number, ""), codepage)
                         for number, name in enumerate(STRING_NAMES, 2)},
                        {name: unicodedata.normalize("NFC", texts[name])
                         for name in STRING_NAMES})

    def test_update_dialog_of_every_language(self):
        for language, texts, window in self.dialogs("update"):
            with self.subTest(language.folder):
                controls = by_id(window)
                read = {ident: shown(controls[ident]["text"], language.codepage)
                        for ident in (1006, 1004, 1005, 1009, 1)}
                self.assertEqual(read, {
                    1006: expected(texts, "IDS_UPDATES_AVAILABLE", PRODUCT),
                    1004: expected(texts, "IDS_VISIT_SITE", PRODUCT),
                    1005: expected(texts, "IDS_REMIND_ME"),
                    1009: expected(texts, "IDS_DAYS"),
                    1: expected(texts, "IDS_OK")})
                self.assertEqual(window["title"], PRODUCT)
                self.assertEqual(controls[1016]["items"], DAYS)
                mirrored = language.folder in locale_languages.RIGHT_TO_LEFT
                self.assertEqual(bool(window["exstyle"] & WS_EX_LAYOUTRTL), mirrored)
                self.assert_direction(window, 1006)

    def test_no_updates_dialog_of_every_language(self):
        for language, texts, window in self.dialogs("noupdates"):
            with self.subTest(language.folder):
                controls = by_id(window)
                self.assertEqual(shown(controls[1006]["text"], language.codepage),
                                 expected(texts, "IDS_NO_UPDATES"))
                self.assertEqual(shown(controls[1]["text"], language.codepage),
                                 expected(texts, "IDS_OK"))
                mirrored = language.folder in locale_languages.RIGHT_TO_LEFT
                self.assertEqual(bool(window["exstyle"] & WS_EX_LAYOUTRTL), mirrored)
                self.assert_direction(window, 1006)

    def test_product_error_box_of_a_language_of_every_code_page(self):
        # A message box shows the texts of the string table, which every language has
        # read back above, through the same conversion: one language of each code page.
        for codepage, languages in by_code_page():
            locale = locale_languages.SYSTEM_LOCALE_OF_CODEPAGE[codepage]
            _, ui = self.probe("error", languages[:1], locale, ("ok", "wait-gone"))
            for language, result in zip(languages, ui):
                with self.subTest(language.folder):
                    texts = translations(language)
                    self.assertEqual(
                        shown(result.window["message_box"]["text"], codepage),
                        expected(texts, "IDS_ERROR") + ": " +
                        expected(texts, "IDS_CONNECTION_ERROR", 404))

    def test_a_system_code_page_without_the_letters_shows_question_marks(self):
        # A Russian library on a Western system (code page 1252): every Cyrillic letter
        # comes out as "?", the spaces stay.
        russian = locale_languages.language("ru")
        remind = translations(russian)["IDS_REMIND_ME"]
        _, ui = self.probe("update", [russian], "de_DE.UTF-8", ("ok", "wait-gone"))
        self.assertEqual(by_id(ui[0].window)[1005]["text"],
                         remind.encode("cp1252", errors="replace").decode("cp1252"))
        self.assertEqual(set(by_id(ui[0].window)[1005]["text"]), {"?", " "})


if __name__ == "__main__":
    unittest.main()
