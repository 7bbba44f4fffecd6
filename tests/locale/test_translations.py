"""The translations as translators hand them in: the template is what the resource script
gives, every language of the table has a complete .po file that gettext's own check
accepts, every translated format keeps the English entry's conversions (a translated
entry is outside input to the formatter), and every text survives the conversion to its
language's Windows code page."""
import os
import re
import shutil
import subprocess
import unicodedata
import unittest
from pathlib import Path

import locale_languages
import make_pot
import polib
import resource_script
import make_locale_rc
from make_locale_rc import windows_form

SOURCE = Path(os.environ.get("KWU_SOURCE_DIR", Path(__file__).resolve().parents[2]))
LOCALE = SOURCE / "locale"
SCRIPT = SOURCE / "src" / "ui" / "kavexwebupd.rc"
# The texts of the string table's second block (ids 16 and up), which only a program built
# with a manifest key carries.
KEY_TEXTS = [name for name, number in re.findall(
    r"^#define (IDS_\w+) (\d+)$", (SOURCE / "src" / "ui" / "resource_ids.h").read_text(),
    re.M) if int(number) >= 16]

# A printf conversion as the C runtime reads one; "%%" is a literal percent sign.
CONVERSION = re.compile(r"%(?:%|[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|L|z|j|t|I64|"
                        r"I32|I)?[diouxXeEfFgGaAcCsSpn])")


def conversions(text):
    """The conversions of a format in order, "%%" left out; ValueError at a "%" that
    starts none."""
    found, at = [], 0
    while True:
        at = text.find("%", at)
        if at < 0:
            return found
        match = CONVERSION.match(text, at)
        if not match:
            raise ValueError("a %% that starts no conversion: %r" % text)
        if match.group(0) != "%%":
            found.append(match.group(0))
        at = match.end()


def format_problem(english, translated):
    """Why a translated format cannot stand in for the English one, or None."""
    try:
        mine = conversions(translated)
    except ValueError as error:
        return str(error)
    if mine != conversions(english):
        return "conversions %s where the English entry has %s" % (mine, conversions(english))
    return None


def code_page_problem(text, codepage):
    """Why text does not survive the conversion to the code page, or None."""
    form = windows_form(text, codepage)
    try:
        encoded = form.encode("cp%d" % codepage)
    except UnicodeEncodeError as error:
        return "%r cannot be written in code page %d" % (error.object[error.start:error.end],
                                                         codepage)
    if encoded.decode("cp%d" % codepage) != form:
        return "changes in code page %d" % codepage
    if unicodedata.normalize("NFC", form) != unicodedata.normalize("NFC", text):
        return "its code page %d form reads differently" % codepage
    return None


def po_path(language):
    return LOCALE / ("%s.po" % language.folder)


class Checks(unittest.TestCase):
    """The checks below catch what they are meant to."""

    def test_format_check_refuses_changed_conversions(self):
        english = "Visit the %s Web site"
        self.assertIsNone(format_problem(english, "Die Website von %s besuchen"))
        self.assertIsNone(format_problem("Ready: 100%%", "Fertig: 100%%"))
        for bad in ("Website besuchen", "%s und %s", "%d besuchen", "%n%s", "%s: 100% fertig",
                    "%5s besuchen", "%s %"):
            self.assertIsNotNone(format_problem(english, bad), bad)
        self.assertEqual(conversions("%d of %ld, 50%%, %-5.2f"), ["%d", "%ld", "%-5.2f"])

    def test_code_page_check(self):
        # Vietnamese letters 1258 lacks are written as a letter it has and a tone mark.
        self.assertEqual(windows_form("\u1eadp", 1258), "\u00e2\u0323p")
        self.assertIsNone(code_page_problem("C\u1eadp nh\u1eadt", 1258))
        # Romanian s and t with a comma below are not in 1250 (the cedilla forms are).
        self.assertIsNotNone(code_page_problem("Vizita\u021bi", 1250))
        self.assertIsNone(code_page_problem("Vizita\u0163i", 1250))
        self.assertIsNotNone(code_page_problem("\u65e5\u672c", 1252))


class Template(unittest.TestCase):
    def test_template_is_what_the_resource_script_gives(self):
        made = make_pot.template(resource_script.read_script(SCRIPT))
        self.assertEqual((LOCALE / "kavexwebupd.pot").read_text(encoding="utf-8"), made,
                         "locale/kavexwebupd.pot is out of date: run tools/make_pot.py")

    def test_template_carries_every_string_and_the_ok_buttons(self):
        entries = polib.pofile(str(LOCALE / "kavexwebupd.pot"))
        contexts = [entry.msgctxt for entry in entries]
        self.assertEqual(contexts, ["IDS_ERROR", "IDS_UNKNOWN_ERROR", "IDS_BAD_URL",
                                    "IDS_CONNECTION_ERROR", "IDS_NO_UPDATES",
                                    "IDS_UPDATES_AVAILABLE", "IDS_VISIT_SITE", "IDS_REMIND_ME",
                                    "IDS_DAYS", "IDS_OK", "IDS_CANCEL", "IDS_BAD_SIGNATURE",
                                    "IDS_EXPIRED_MANIFEST", "IDS_OLDER_MANIFEST",
                                    "IDD_UPDATE_AVAILABLE|IDOK", "IDD_NO_UPDATES|IDOK"])
        by_context = {entry.msgctxt: entry for entry in entries}
        self.assertIn("c-format", by_context["IDS_VISIT_SITE"].flags)
        self.assertIn("no-c-format", by_context["IDS_ERROR"].flags)
        self.assertIn("%d = the HTTP status code", by_context["IDS_CONNECTION_ERROR"].comment)
        self.assertIn("177 x 17 dialog units", by_context["IDS_VISIT_SITE"].comment)


class TranslationFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.template = polib.pofile(str(LOCALE / "kavexwebupd.pot"))
        cls.files = {language.folder: polib.pofile(str(po_path(language)))
                     for language in locale_languages.LANGUAGES}

    def test_one_file_per_language_of_the_table(self):
        present = sorted(path.stem for path in LOCALE.glob("*.po"))
        self.assertEqual(present, sorted(language.folder
                                         for language in locale_languages.LANGUAGES))
        self.assertGreaterEqual(len(present), 30)

    def test_headers_name_the_language(self):
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                fields = self.files[language.folder].metadata
                self.assertEqual(fields["Language"], language.gettext)
                self.assertEqual(fields["Content-Type"], "text/plain; charset=UTF-8")
                self.assertEqual(fields["Plural-Forms"], language.plural)

    def test_every_entry_of_the_template_is_translated(self):
        # A text only a program built with a manifest key shows may be missing: the
        # library then falls back to the program's English text.
        optional = set(KEY_TEXTS)
        for folder, entries in self.files.items():
            with self.subTest(folder):
                entries = [entry for entry in entries if entry.msgid]
                present = {entry.msgctxt for entry in entries}
                expected = [(entry.msgctxt, entry.msgid) for entry in self.template
                            if entry.msgctxt in present or entry.msgctxt not in optional]
                self.assertEqual([(entry.msgctxt, entry.msgid) for entry in entries], expected)
                for entry in entries:
                    self.assertTrue(entry.msgstr, "%s is not translated" % entry.msgctxt)
                    self.assertFalse(entry.fuzzy, "%s is fuzzy" % entry.msgctxt)
                    self.assertEqual(entry.msgstr, unicodedata.normalize("NFC", entry.msgstr),
                                     "%s: write the text composed (NFC)" % entry.msgctxt)

    def test_formats_keep_the_english_conversions(self):
        english = {entry.msgctxt: entry.msgid for entry in self.template}
        formats = [entry.msgctxt for entry in self.template if "c-format" in entry.flags]
        self.assertEqual(len(formats), 11)
        for folder, entries in self.files.items():
            for context, text in make_locale_rc.translations(LOCALE / ("%s.po" % folder)).items():
                if context in formats:
                    with self.subTest(folder=folder, entry=context):
                        self.assertIsNone(format_problem(english[context], text))

    def test_line_breaks_stay_where_the_english_has_them(self):
        for folder, entries in self.files.items():
            for entry in entries:
                if entry.msgid:
                    with self.subTest(folder=folder, entry=entry.msgctxt):
                        self.assertEqual(entry.msgstr.count("\n"), entry.msgid.count("\n"))

    def test_every_text_survives_its_code_page(self):
        for language in locale_languages.LANGUAGES:
            for context, text in make_locale_rc.translations(po_path(language)).items():
                with self.subTest(language=language.folder, entry=context):
                    self.assertIsNone(code_page_problem(text, language.codepage))

    @unittest.skipUnless(shutil.which("msgfmt"), "gettext's msgfmt is not installed")
    def test_gettext_accepts_every_file(self):
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                run = subprocess.run(["msgfmt", "-c", "--check-format", "-o", os.devnull,
                                      str(po_path(language))], capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertNotIn("warning", run.stderr)


class LanguageTable(unittest.TestCase):
    def test_folders_and_identifiers(self):
        folders = [language.folder for language in locale_languages.LANGUAGES]
        self.assertEqual(len(folders), len(set(folders)))
        langids = [language.langid for language in locale_languages.LANGUAGES]
        self.assertEqual(len(langids), len(set(langids)))
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                # The program loads a library only for a locale of these characters, and
                # lower-cases the locale first.
                self.assertRegex(language.folder, r"^[a-z0-9_-]+$")
                self.assertIn(language.codepage, locale_languages.CHARSET_OF_CODEPAGE)
                self.assertTrue(language.langid >> 10, "the LANGID names no sublanguage")
        self.assertEqual(locale_languages.language("PT-BR").langid, 0x0416)

    def test_the_readme_and_the_makers_notes_list_every_language(self):
        readme = (SOURCE / "README.md").read_text(encoding="utf-8")
        makers = (SOURCE / "packaging" / "windows" / "README-makers.txt").read_text(
            encoding="utf-8").split()
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                self.assertIn("`%s` %s" % (language.folder, language.name),
                              " ".join(readme.split()))
                self.assertIn(language.folder, makers)

    def test_every_windows_code_page_is_covered(self):
        self.assertEqual({language.codepage for language in locale_languages.LANGUAGES},
                         set(locale_languages.CHARSET_OF_CODEPAGE))
        # The checks under Wine run each language in a system locale of its code page.
        self.assertEqual(set(locale_languages.SYSTEM_LOCALE_OF_CODEPAGE),
                         set(locale_languages.CHARSET_OF_CODEPAGE))


if __name__ == "__main__":
    unittest.main()
