"""The resource scripts the generator writes for the locale libraries: the program's ids,
templates, dialog-init data and icons with each language's texts, sizes, font and
direction; and, where the toolchain is installed, every one compiled, read back and
compared with the checked-in library the native build uses without MinGW-w64."""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
from itertools import combinations
from pathlib import Path

import locale_languages
import make_locale_rc
from pe_image import PeImage
import resource_script

SOURCE = Path(os.environ.get("KWU_SOURCE_DIR", Path(__file__).resolve().parents[2]))
UI = SOURCE / "src" / "ui"
PREBUILT = SOURCE / "resources" / "prebuilt" / "Locale"
WINDRES = os.environ.get("KWU_WINDRES") or shutil.which("i686-w64-mingw32-windres")

ENGLISH = resource_script.read_script(UI / "kavexwebupd.rc")
# The string ids: a string table's block n holds the ids 16 (n - 1) to 16 n - 1.
STRING_IDS = {name: int(number) for name, number in re.findall(
    r"^#define (IDS_\w+) (\d+)$", (UI / "resource_ids.h").read_text(), re.M)}


def translations(language):
    return make_locale_rc.translations(SOURCE / "locale" / ("%s.po" % language.folder))


def generated(language):
    return make_locale_rc.locale_script(ENGLISH, language, translations(language))


def parsed(text):
    return resource_script.parse_script(text.splitlines())


def without_lines(dialog):
    """A dialog's content, without where its statements stand in the file."""
    controls = [tuple(value for key, value in vars(control).items() if key != "line")
                for control in dialog.controls]
    fields = {key: value for key, value in vars(dialog).items()
              if key not in ("line", "controls")}
    return fields, controls


def code_lines(lines):
    return [line.strip() for line in lines if not line.strip().startswith("//")]


def compile_res(script, folder):
    """The .res windres makes of a script, resolving includes and icons in src/ui."""
    output = Path(folder) / (Path(script).stem + ".res")
    subprocess.run([WINDRES, "--input-format=rc", "--output-format=res", "-I", str(UI),
                    str(script), "-o", str(output)], check=True, capture_output=True)
    return output.read_bytes()


def resources_of(data):
    """{(type, name): (language, bytes)} of a .res file."""
    def name_at(at):
        if data[at:at + 2] == b"\xff\xff":
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[at:end].decode("utf-16-le"), end + 2

    found, at = {}, 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind, after = name_at(at + 8)
        name, after = name_at(after)
        language = struct.unpack_from("<H", data, ((after + 3) & ~3) + 6)[0]
        if size:
            found[(kind, name)] = (language, data[at + header:at + header + size])
        at = (at + header + size + 3) & ~3
    return found


def image_resources(data):
    """{(type, name): (language, bytes)} of a PE image's resource section, the form
    resources_of gives for a .res file."""
    return {(kind, name): (language, resource)
            for (kind, name, language), resource in PeImage(data=data).resources.items()}


def strings_of(block):
    texts, at = {}, 0
    for index in range(16):
        length = struct.unpack_from("<H", block, at)[0]
        if length:
            texts[index] = block[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        at += 2 + 2 * length
    return texts


class GeneratedScripts(unittest.TestCase):
    def test_same_ids_templates_data_and_icons_in_every_language(self):
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                script = parsed(generated(language))
                self.assertEqual([name for name, _, _ in script.strings],
                                 [name for name, _, _ in ENGLISH.strings])
                self.assertEqual(code_lines(script.dialog_init), code_lines(ENGLISH.dialog_init))
                self.assertEqual(script.icons, ENGLISH.icons)
                for english in ENGLISH.dialogs:
                    mine = script.dialog(english.name)
                    self.assertEqual(mine.extended, english.extended)
                    self.assertEqual(mine.style, english.style)
                    self.assertEqual(mine.caption, english.caption)
                    self.assertEqual([(c.ident, c.klass, c.icon) for c in mine.controls],
                                     [(c.ident, c.klass, c.icon) for c in english.controls])

    def test_texts_are_the_translations_in_their_code_page_form(self):
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                texts = translations(language)
                script = parsed(generated(language))
                english = {name: text for name, text, _ in ENGLISH.strings}
                for name, text, _ in script.strings:
                    # A text the translation lacks stands in English.
                    self.assertEqual(text, make_locale_rc.windows_form(
                        texts.get(name, english[name]), language.codepage))
                for dialog in script.dialogs:
                    ok = dialog.control("IDOK")
                    self.assertEqual(ok.text, texts["%s|IDOK" % dialog.name])

    def test_language_font_and_direction(self):
        for language in locale_languages.LANGUAGES:
            with self.subTest(language.folder):
                text = generated(language)
                primary, sub = language.langid & 0x3FF, language.langid >> 10
                self.assertIn("\nLANGUAGE 0x%02X, 0x%02X " % (primary, sub), text)
                self.assertIn("#pragma code_page(65001)", text)
                size, face = language.font or (8, "MS Sans Serif")
                charset = locale_languages.CHARSET_OF_CODEPAGE[language.codepage]
                for dialog in parsed(text).dialogs:
                    self.assertEqual((dialog.font_size, dialog.font_face), (size, face))
                    if dialog.extended:
                        self.assertEqual(int(dialog.font_rest[2], 16), charset)
                    mirrored = language.folder in locale_languages.RIGHT_TO_LEFT
                    self.assertEqual(dialog.exstyle, "0x00400000" if mirrored else "")

    def test_every_control_inside_its_dialog_apart_and_above_the_ok_button(self):
        # A closed list takes 12 units whatever its template height (the dropped list).
        def rectangle(control):
            height = 12 if control.klass == "CLASS_COMBOBOX" else control.height
            return control.x, control.y, control.x + control.width, control.y + height

        for language in locale_languages.LANGUAGES:
            for dialog in parsed(generated(language)).dialogs:
                with self.subTest(language=language.folder, dialog=dialog.name):
                    places = {control.ident: rectangle(control) for control in dialog.controls}
                    for ident, (_, _, right, bottom) in places.items():
                        self.assertLessEqual(right, dialog.width - 6, ident)
                        self.assertLessEqual(bottom, dialog.height - 6, ident)
                    for (one, a), (other, b) in combinations(places.items(), 2):
                        self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and
                                         b[1] < a[3], "%s overlaps %s" % (one, other))
                    ok_top = places.pop("IDOK")[1]
                    self.assertLessEqual(max(bottom for _, _, _, bottom in places.values()),
                                         ok_top)

    def test_sizes_name_only_existing_controls(self):
        language = locale_languages.Language(
            "xx", "Test", "xx", 0x0409, 1252, "", None,
            {"IDD_NO_UPDATES": {"IDC_RADIO_VISIT": {"width": 10}}})
        with self.assertRaises(ValueError):
            make_locale_rc.locale_script(ENGLISH, language, {})

    def test_untranslated_entries_keep_english_and_are_named(self):
        warnings = []
        text = make_locale_rc.locale_script(ENGLISH, locale_languages.language("fr"),
                                            {"IDS_ERROR": "Erreur"}, warn=warnings.append)
        strings = {name: value for name, value, _ in parsed(text).strings}
        self.assertEqual(strings["IDS_ERROR"], "Erreur")
        self.assertEqual(strings["IDS_DAYS"], "day(s)")
        self.assertTrue(any("IDS_DAYS" in warning for warning in warnings))

    def test_wider_dialog_centres_its_ok_button(self):
        script = parsed(generated(locale_languages.language("ja")))
        dialog = script.dialog("IDD_UPDATE_AVAILABLE")
        self.assertEqual(dialog.width, 270)
        self.assertEqual(dialog.control("IDOK").x, (270 - 50) // 2)


@unittest.skipUnless(WINDRES, "i686-w64-mingw32-windres is not installed")
class CompiledLibraries(unittest.TestCase):
    def test_every_script_compiles_and_reads_back(self):
        with tempfile.TemporaryDirectory() as folder:
            for language in locale_languages.LANGUAGES:
                with self.subTest(language.folder):
                    script = Path(folder) / ("%s.rc" % language.folder)
                    script.write_text(generated(language), encoding="utf-8")
                    resources = resources_of(compile_res(script, folder))
                    texts = translations(language)
                    # A text the translation lacks stands in English.
                    expected = {}
                    for name, english, _ in ENGLISH.strings:
                        number = STRING_IDS[name]
                        expected.setdefault(number // 16 + 1, {})[number % 16] = (
                            make_locale_rc.windows_form(texts.get(name, english),
                                                        language.codepage))
                    for block_id, block_texts in expected.items():
                        language_of_table, block = resources[(6, block_id)]
                        self.assertEqual(language_of_table, language.langid)
                        self.assertEqual(strings_of(block), block_texts)
                    for key in ((5, 103), (5, 104), (240, 103), (14, 101), (14, 102)):
                        self.assertIn(key, resources)
                    # 103 stays an extended template, 104 a classic one; both carry the
                    # mirrored layout in their extended style where the language needs it.
                    extended = resources[(5, 103)][1]
                    classic = resources[(5, 104)][1]
                    self.assertEqual(extended[:4], b"\x01\x00\xff\xff")
                    self.assertNotEqual(classic[:4], b"\x01\x00\xff\xff")
                    rtl = language.folder in locale_languages.RIGHT_TO_LEFT
                    mirrored = 0x00400000 if rtl else 0
                    self.assertEqual(struct.unpack_from("<I", extended, 8)[0], mirrored)
                    self.assertEqual(struct.unpack_from("<I", classic, 4)[0], mirrored)
                    # A native build without MinGW-w64 ships the checked-in library.
                    checked_in = image_resources(
                        (PREBUILT / language.folder / "kavexwebupdexe.dat").read_bytes())
                    for key in sorted(set(resources) | set(checked_in), key=str):
                        self.assertEqual(checked_in.get(key), resources.get(key),
                                         "resource %s of the checked-in library is not the "
                                         "one locale/%s.po gives: run "
                                         "scripts/refresh-resources" % (key, language.folder))


if __name__ == "__main__":
    unittest.main()
