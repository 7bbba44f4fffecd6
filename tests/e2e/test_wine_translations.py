"""Every translation as the Windows program shows it under Wine: the shared cases of
translation_cases.py, each language in a system locale of its code page, the right-to-left
dialogs mirrored; languages of several scripts measured at 192 DPI too; and what only an
8-bit Windows program has: what a system whose code page lacks a language's letters shows
instead.

Wine draws with the fonts of locale_languages.CHECK_FONTS alone, so that a machine's other
fonts change nothing."""

import subprocess
import unittest

import translation_cases
from protocol import bind, locale_languages, ok, product_text
from wine_case import WineCase


class TranslationCase(WineCase):
    FONTS = locale_languages.CHECK_FONTS

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
        super().setUpClass()


bind(translation_cases.CASES, TranslationCase, globals())


class CodePages(translation_cases.Probe, TranslationCase):
    def test_a_system_code_page_without_the_letters_shows_question_marks(self):
        # A Russian library on a Western system (code page 1252): every Cyrillic letter
        # comes out as "?", the spaces stay.
        remind = product_text("ru", "IDS_REMIND_ME")
        _, [window] = self.probe("update", "Acme", "ru", answers=[ok("Acme")], codepage=1252)
        shown = window.controls["IDC_RADIO_REMIND"]
        self.assertEqual(shown, remind.encode("cp1252", errors="replace").decode("cp1252"))
        self.assertEqual(set(shown), {"?", " "})


class HighDpi(translation_cases.Shown, TranslationCase):
    """On a screen of 192 DPI the dialogs grow with their font, but the font's letters do
    not grow exactly twice as wide: the texts are measured there too."""

    def test_dialogs_of_several_scripts_fit_at_192_dpi(self):
        self.addCleanup(self.session.set_dpi, 96)
        self.session.set_dpi(192)
        self.assert_every_dialog_fits([locale_languages.language(folder) for folder
                                       in translation_cases.HIGH_DPI_LANGUAGES])


if __name__ == "__main__":
    unittest.main()
