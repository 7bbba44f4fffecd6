"""Every translation as the program shows it, the same cases on both platforms: every
string-table entry as the program loads it, both dialogs and a product error box read
back equal to the translation, both dialogs with product names of the lengths products
have. Under Wine each language runs in a system locale of its language's ANSI code page
(Wine takes the code page from the locale, as Windows takes it from the system's
language) and the texts come back in that code page, and every text of both dialogs is
measured against its control; the Linux program shows them as they are.
test_native_translations.py and test_wine_translations.py run them.

The languages of one code page share a run of the dialog probe, each language showing
each product name in turn, so that a whole check costs one run per code page."""

import types

from dialog_cases import Probe
from protocol import CONTROL_NAMES, ID, STRING_NAMES, box, locale_languages, ok, product_text

PRODUCT = "Acme"
# Product names of 11, 24 and 40 characters (locale_languages.PRODUCT_NAME_LENGTH), ASCII
# letters and spaces, as products are named ("<maker> <product> Professional"): the
# translated templates give the headline and the visit choice the lines the longest needs.
PRODUCT_NAMES = ("Acme Writer", "Acme Writer Studio Suite",
                 "Acme Document Writer Studio Professional")
# The program's own English templates keep their fixed sizes: the headline holds a name
# of 10 characters on its one line; a longer one wraps to a second line the control cuts
# (docs/resources-and-locales.md).
ENGLISH_NAMES = ("Acme Suite",)
# Languages of different scripts whose dialogs are measured at 192 DPI as well.
HIGH_DPI_LANGUAGES = ("de", "ru", "el", "ar", "th", "ja")


def by_code_page(languages=None):
    """[(code page, [languages])], in code page order."""
    groups = {}
    for language in languages or locale_languages.LANGUAGES:
        groups.setdefault(language.codepage, []).append(language)
    return sorted(groups.items())


ENGLISH = types.SimpleNamespace(folder="", codepage=1252)  # the program's own texts


class Shown(Probe):
    """The languages' dialogs as the probe shows them, and their fits."""

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

    def probe_languages(self, action, languages, codepage, answer, names=(PRODUCT,)):
        """Each language shows each product name in turn."""
        count = len(languages) * len(names)
        return self.probe(action, "|".join(names), *[l.folder for l in languages],
                          answers=[answer(name) for _ in languages for name in names],
                          codepage=codepage, timeout=60 + 10 * count)

    def dialogs(self, action, languages=None):
        """(language, product name, its window) of each language's dialog with each name,
        and of the English one with the names it is made for, closed with its OK button."""
        for codepage, group in by_code_page(languages):
            runs = [(group, PRODUCT_NAMES)]
            if codepage == ENGLISH.codepage and languages is None:
                runs.insert(0, ([ENGLISH], ENGLISH_NAMES))
            for shown, names in runs:
                lines, windows = self.probe_languages(action, shown, codepage, ok, names)
                self.assertEqual(lines, ["%s locale=%s result=1%s" % (
                    action, l.folder, " remind=0" if action == "update" else "")
                    for l in shown for _ in names])
                yield from zip([(l, name) for l in shown for name in names], windows)

    def assert_every_dialog_fits(self, languages):
        """Both dialogs of the languages, with every name, each text within its room."""
        for action in ("update", "noupdates"):
            for (language, name), window in self.dialogs(action, languages):
                with self.subTest(language.folder, dialog=action, product=name):
                    self.assert_fits(window)


class Translations(Shown):
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
        for (language, name), window in self.dialogs("update"):
            with self.subTest(language.folder, product=name):
                self.assertOffer(window, name, {entry: self.expected(language, text, *args)
                                                for entry, text, args in (
                    ("IDC_MESSAGE", "IDS_UPDATES_AVAILABLE", (name,)),
                    ("IDC_RADIO_VISIT", "IDS_VISIT_SITE", (name,)),
                    ("IDC_RADIO_REMIND", "IDS_REMIND_ME", ()),
                    ("IDC_DAYS_LABEL", "IDS_DAYS", ()),
                    ("IDOK", "IDS_OK", ()))})
                self.assertEqual((window.items, window.selected), (self.DAYS, self.DAYS[0]))
                self.assert_direction(window, language.folder in locale_languages.RIGHT_TO_LEFT)
                self.assert_fits(window)

    def test_no_updates_dialog_of_every_language(self):
        for (language, name), window in self.dialogs("noupdates"):
            with self.subTest(language.folder, product=name):
                self.assertDialog(window, name, {
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
