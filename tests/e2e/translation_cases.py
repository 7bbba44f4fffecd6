"""Every translation as the program shows it, the same cases on both platforms: every
string-table entry as the program loads it, both dialogs and a product error box read
back equal to the translation. Under Wine each language runs in a system locale of its
language's ANSI code page (Wine takes the code page from the locale, as Windows takes it
from the system's language) and the texts come back in that code page; the Linux program
shows them as they are. test_native_translations.py and test_wine_translations.py run
them.

The languages of one code page share a run of the dialog probe, one product per language,
so that a whole check costs one run per code page."""

import types

from dialog_cases import Probe
from protocol import CONTROL_NAMES, ID, STRING_NAMES, box, locale_languages, ok, product_text

PRODUCT = "Acme"


def by_code_page():
    """[(code page, [languages])], in code page order."""
    groups = {}
    for language in locale_languages.LANGUAGES:
        groups.setdefault(language.codepage, []).append(language)
    return sorted(groups.items())


ENGLISH = types.SimpleNamespace(folder="", codepage=1252)  # the program's own texts


class Translations(Probe):
    def assert_fits(self, window):
        """Where the platform measures it, every control's text within its room."""
        self.assertEqual(bool(window.fits), self.MEASURES_FITS, window)
        for ident, (width, height, room_width, room_height) in (window.fits or {}).items():
            self.assertTrue(width <= room_width and height <= room_height, "%s needs %dx%d, "
                            "has %dx%d" % (CONTROL_NAMES.get(ident, ident), width, height,
                                           room_width, room_height))

    def expected(self, language, name, *arguments):
        """The entry as the program formats it, as the platform gives it back."""
        return self.as_shown(product_text(language.folder, name) % arguments, language.codepage)

    def probe_languages(self, action, languages, codepage, answer):
        return self.probe(action, PRODUCT, *[l.folder for l in languages],
                          answers=[answer(PRODUCT)] * len(languages), codepage=codepage,
                          timeout=60 + 10 * len(languages))

    def dialogs(self, action):
        """(language, its window) of each language's dialog and the English one, closed
        with its OK button."""
        for codepage, languages in by_code_page():
            languages = [ENGLISH] + languages if codepage == ENGLISH.codepage else languages
            lines, windows = self.probe_languages(action, languages, codepage, ok)
            self.assertEqual(lines, ["%s locale=%s result=1%s" % (
                action, l.folder, " remind=0" if action == "update" else "")
                for l in languages])
            yield from zip(languages, windows)

    def test_every_string_entry_as_the_program_loads_it(self):
        for codepage, languages in by_code_page():
            lines, _ = self.probe("texts", PRODUCT, *[l.folder for l in languages],
                                  codepage=codepage)
            for language in languages:
                with self.subTest(language.folder):
                    prefix = "text locale=%s id=" % language.folder
                    loaded = dict(line[len(prefix):].split(" ", 1) for line in lines
                                  if line.startswith(prefix))
                    self.assertEqual(
                        {name: self.probe_text(loaded.get(str(getattr(ID, name)), ""))
                         for name in STRING_NAMES},
                        {name: self.as_shown(product_text(language.folder, name), codepage)
                         for name in STRING_NAMES})

    def test_update_dialog_of_every_language(self):
        for language, window in self.dialogs("update"):
            with self.subTest(language.folder):
                self.assertOffer(window, PRODUCT, {name: self.expected(language, entry, *args)
                                                   for name, entry, args in (
                    ("IDC_MESSAGE", "IDS_UPDATES_AVAILABLE", (PRODUCT,)),
                    ("IDC_RADIO_VISIT", "IDS_VISIT_SITE", (PRODUCT,)),
                    ("IDC_RADIO_REMIND", "IDS_REMIND_ME", ()),
                    ("IDC_DAYS_LABEL", "IDS_DAYS", ()),
                    ("IDOK", "IDS_OK", ()))})
                self.assertEqual((window.items, window.selected), (self.DAYS, self.DAYS[0]))
                self.assert_direction(window, language.folder in locale_languages.RIGHT_TO_LEFT)
                self.assert_fits(window)

    def test_no_updates_dialog_of_every_language(self):
        for language, window in self.dialogs("noupdates"):
            with self.subTest(language.folder):
                self.assertDialog(window, PRODUCT, {
                    "IDC_MESSAGE": self.expected(language, "IDS_NO_UPDATES"),
                    "IDOK": self.expected(language, "IDS_OK")})
                self.assert_direction(window, language.folder in locale_languages.RIGHT_TO_LEFT)
                self.assert_fits(window)

    def test_product_error_box_of_a_language_of_every_code_page(self):
        # A message box shows the texts of the string table, which every language has
        # read back above, through the same conversion: one language of each code page.
        for codepage, languages in by_code_page():
            language = languages[0]
            _, [window] = self.probe_languages("error", [language], codepage, box)
            with self.subTest(language.folder):
                # Its OK button speaks the system's language, not the product's.
                self.assertEqual((window.title, window.is_box, window.text), (
                    PRODUCT, True, self.expected(language, "IDS_ERROR") + ": " +
                    self.expected(language, "IDS_CONNECTION_ERROR", 404)))


CASES = (Translations,)
