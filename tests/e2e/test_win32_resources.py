"""What the Windows program's files offer to those who rely on them, read back from the
built files by pefile (independent of the program's resource reader and of the
toolchain): the resource ids and types that translators and the dialogs rely on,
in the controls of each dialog and kind; their languages; the import list (system
libraries only); the version and manifest resources; and a locale library that carries
the same ids, resources only. Texts and layout are the dialog suites' business."""

import os
import re
import struct
import unittest
import xml.etree.ElementTree as ElementTree

from protocol import BUILD_DIR, ID, SOURCE_DIR, cache_value
from pe_image import PeImage

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24
RT_DLGINIT = 240  # the dialog-init data, a type of the resource compiler's own
CB_ADDSTRING = 0x403
BUTTON, STATIC, COMBOBOX = 0x80, 0x82, 0x85
# Each control as (class, kind): the button's type, an icon or a text (whatever its
# alignment), the combo box's type.
DEFPUSHBUTTON, AUTORADIOBUTTON, TEXT, SS_ICON, DROPDOWNLIST = 1, 9, 0, 3, 3
ICON_STATIC = -1


def _text_or_ordinal(data, at):
    """A template's text or ordinal: (value, position after it)."""
    if data[at:at + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = next(i for i in range(at, len(data), 2) if data[i:i + 2] == b"\0\0")
    return data[at:end].decode("utf-16-le"), end + 2


def controls_of(template):
    """{id: (class, kind, text)} of a dialog template, extended or not."""
    extended = template[:4] == b"\x01\x00\xff\xff"
    style, count = struct.unpack_from("<12xIH" if extended else "<I4xH", template)
    at = 26 if extended else 18
    for _ in range(3):  # menu, class, title
        at = _text_or_ordinal(template, at)[1]
    if style & 0x40:  # a font: its size (and weight, italic, charset) and its face
        at = _text_or_ordinal(template, at + (6 if extended else 2))[1]
    controls = {}
    for _ in range(count):
        at = (at + 3) & ~3
        if extended:
            style, control, at = struct.unpack_from("<8xI8xi", template, at) + (at + 24,)
        else:
            style, control, at = struct.unpack_from("<I12xh", template, at) + (at + 18,)
        kind, at = _text_or_ordinal(template, at)
        text, at = _text_or_ordinal(template, at)
        at += 2 + struct.unpack_from("<H", template, at)[0]
        if kind == STATIC:
            style = SS_ICON if style & 0x1F == SS_ICON else TEXT
        controls[control] = (kind, style & (0x3 if kind == COMBOBOX else 0xF), text)
    return controls


EXPECTED_DIALOGS = {
    ID.IDD_UPDATE_AVAILABLE: {
        ID.IDOK: (BUTTON, DEFPUSHBUTTON), ID.IDC_RADIO_VISIT: (BUTTON, AUTORADIOBUTTON),
        ID.IDC_RADIO_REMIND: (BUTTON, AUTORADIOBUTTON), ID.IDC_MESSAGE: (STATIC, TEXT),
        ID.IDC_DAYS_LABEL: (STATIC, TEXT), ID.IDC_DAYS_COMBO: (COMBOBOX, DROPDOWNLIST),
        ICON_STATIC: (STATIC, SS_ICON)},
    ID.IDD_NO_UPDATES: {ID.IDOK: (BUTTON, DEFPUSHBUTTON), ID.IDC_MESSAGE: (STATIC, TEXT),
                        ICON_STATIC: (STATIC, SS_ICON)},
}
ICONS = {ID.IDD_UPDATE_AVAILABLE: ID.IDI_UPDATES_AVAILABLE, ID.IDD_NO_UPDATES: ID.IDI_NO_UPDATES}
STRING_IDS = sorted(value for name, value in vars(ID).items() if name.startswith("IDS_"))
# The texts only a program built with a manifest key carries, in a block of their own.
KEY_STRING_IDS = [i for i in STRING_IDS if i >= 16]


def program_string_block():
    """The program's one block of texts as it ships, entries 0 to 15 ("" where empty)."""
    block = [""] * 16
    with open(os.path.join(SOURCE_DIR, "tests", "fixtures", "program_string_block.txt"),
              encoding="ascii") as fixture:
        for line in fixture.read().splitlines():
            if line and not line.startswith("#"):
                number, text = line.split(" ", 1)
                block[int(number)] = text.replace("\\n", "\n")
    return block


def conversions(text):
    return re.findall(r"%[-+ #0]*\d*(?:\.\d+)?[a-zA-Z%]", text)


class ResourcesUsersRelyOn:
    """The checks of a file of resources in one language; PATH and LANGUAGE are set."""

    @classmethod
    def setUpClass(cls):
        cls.pe = PeImage(cls.PATH)
        cls.english = PeImage(EXE) if cls.PATH != EXE else cls.pe

    def test_every_resource_is_in_the_files_language(self):
        self.assertEqual({language for _, _, language in self.pe.resources}, {self.LANGUAGE})

    def test_the_dialogs_have_the_controls_the_program_addresses(self):
        for dialog, expected in EXPECTED_DIALOGS.items():
            with self.subTest(dialog=dialog):
                controls = controls_of(self.pe.find(RT_DIALOG, dialog))
                self.assertEqual({i: c[:2] for i, c in controls.items()}, expected)
                self.assertEqual(controls[ICON_STATIC][2], ICONS[dialog])

    STRING_IDS = STRING_IDS

    def test_every_text_is_there_with_the_conversions_of_the_english_one(self):
        texts, english = self.pe.strings, self.english.strings
        self.assertEqual(sorted(texts), self.STRING_IDS)
        for text_id in self.STRING_IDS:
            self.assertTrue(texts[text_id], text_id)
            # A default program lacks the texts of a build with a key; none of them converts.
            self.assertEqual(conversions(texts[text_id]),
                             conversions(english.get(text_id, "")), text_id)

    def test_the_list_offers_the_days_of_a_reminder(self):
        data, at, items = self.pe.find(RT_DLGINIT, ID.IDD_UPDATE_AVAILABLE), 0, []
        while struct.unpack_from("<H", data, at)[0]:
            control, message, length = struct.unpack_from("<HHI", data, at)
            self.assertEqual((control, message), (ID.IDC_DAYS_COMBO, CB_ADDSTRING))
            items.append(data[at + 8:at + 8 + length].rstrip(b"\0").decode("ascii"))
            at += 8 + length
        self.assertEqual([int(item) for item in items], [1, 5, 10, 30, 60])

    def test_both_icons_in_two_sizes(self):
        for group in (ID.IDI_UPDATES_AVAILABLE, ID.IDI_NO_UPDATES):
            data = self.pe.find(RT_GROUP_ICON, group)
            self.assertEqual(struct.unpack_from("<HH", data), (0, 1))
            entries = [struct.unpack_from("<B7xIH", data, 6 + 14 * i)
                       for i in range(struct.unpack_from("<H", data, 4)[0])]
            self.assertEqual(sorted(size for size, _, _ in entries), [16, 32], group)
            for _, length, image in entries:
                self.assertEqual(len(self.pe.find(RT_ICON, image)), length)


EXE = os.path.join(BUILD_DIR, "src", "kavexwebupd.exe")
LIBRARY = os.path.join(BUILD_DIR, "src", "Locale", "de", "kavexwebupdexe.dat")


class ExecutableResources(ResourcesUsersRelyOn, unittest.TestCase):
    PATH, LANGUAGE = EXE, 0x409  # US English
    KEYED = bool(cache_value("KWU_MANIFEST_PUBLIC_KEY"))
    STRING_IDS = STRING_IDS if KEYED else [i for i in STRING_IDS if i not in KEY_STRING_IDS]

    def test_the_string_block_is_the_programs_own_entry_by_entry(self):
        texts = self.pe.strings
        self.assertEqual([texts.get(i, "") for i in range(16)], program_string_block())
        blocks = sorted(block for kind, block, _ in self.pe.resources if kind == RT_STRING)
        self.assertEqual(blocks, [1, 2] if self.KEYED else [1])

    def test_imports_only_system_libraries_and_no_common_controls(self):
        # The runtime is linked in, and the common controls are loaded only before the
        # first dialog, so that a run that shows none never starts them.
        self.assertEqual(sorted(self.pe.imports), ["advapi32.dll", "kernel32.dll", "msvcrt.dll",
                                                   "shell32.dll", "user32.dll", "wininet.dll"])

    def test_the_file_icon_is_the_update_icon(self):
        # The lowest-numbered icon group is the one the shell shows for the file.
        self.assertEqual(min(name for kind, name, _ in self.pe.resources
                             if kind == RT_GROUP_ICON), ID.IDI_UPDATES_AVAILABLE)

    def test_manifest_asks_for_the_common_controls_6_of_its_architecture(self):
        # A 64-bit program that names x86 assemblies does not start on 64-bit Windows. The
        # 32-bit program carries src/ui's manifest byte for byte; the 64-bit one the same
        # with its own architecture.
        manifest = self.pe.find(RT_MANIFEST, 1)
        architecture = "X86" if self.pe.pe32 else "amd64"
        with open(os.path.join(SOURCE_DIR, "src", "ui", "kavexwebupd.exe.manifest"), "rb") as f:
            source = f.read()
        self.assertEqual(manifest, source.replace(b'"X86"', b'"%s"' % architecture.encode()))
        xml = ElementTree.fromstring(manifest)
        space = {"a": "urn:schemas-microsoft-com:asm.v1"}
        self.assertEqual(xml.find("a:description", space).text, "Web Update Application")
        self.assertEqual(xml.find("a:assemblyIdentity", space).get("processorArchitecture"),
                         architecture)
        identity = xml.find("a:dependency/a:dependentAssembly/a:assemblyIdentity", space).attrib
        self.assertEqual(identity, {
            "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": architecture, "publicKeyToken": "6595b64144ccf1df",
            "language": "*"})
        self.assertEqual(len(xml.findall("a:dependency", space)), 1)

    def test_manifest_declares_per_monitor_dpi_awareness(self):
        # Sharp on high-DPI screens: per monitor (v2, else v1) where Windows knows it, and
        # system-wide on Windows before 10; unaware, both dialogs would be stretched.
        xml = ElementTree.fromstring(self.pe.find(RT_MANIFEST, 1))
        settings = xml.findall("{urn:schemas-microsoft-com:asm.v3}application/"
                               "{urn:schemas-microsoft-com:asm.v3}windowsSettings")
        self.assertEqual(len(settings), 1)
        values = {child.tag: child.text for child in settings[0]}
        self.assertEqual(values, {
            "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "true/pm",
            "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness":
                "PerMonitorV2, PerMonitor"})

    def test_version_information(self):
        data = self.pe.find(RT_VERSION, 1)
        # The fixed part's signature and the file version 1.0.0.0.
        self.assertEqual(struct.unpack_from("<I4xII", data, 40), (0xFEEF04BD, 0x10000, 0))
        text = data.decode("utf-16-le", "replace")
        for key, value in (("FileDescription", "Web Update Application"),
                           ("ProductName", "Kavex Web Update"),
                           ("OriginalFilename", "kavexwebupd.exe"), ("FileVersion", "1.0.0.0")):
            self.assertRegex(text, "%s\0+%s\0" % (key, re.escape(value)))
        self.assertIn("040904E4", text)
        # US English in the ANSI code page 1252.
        self.assertRegex(data, "Translation".encode("utf-16-le") + b"\0\0(\0\0)?\x09\x04\xe4\x04")


class GermanLibrary(ResourcesUsersRelyOn, unittest.TestCase):
    PATH, LANGUAGE = LIBRARY, 0x407  # German

    def test_resources_only(self):
        # No code, no imports, no entry point: loading it can run nothing.
        self.assertEqual((self.pe.entry_point, self.pe.imports), (0, []))
        self.assertEqual(self.pe.strings[ID.IDS_ERROR], "Fehler")
        self.assertEqual(self.pe.strings[ID.IDS_BAD_SIGNATURE],
                         "Die Update-Informationen sind nicht vom Herausgeber signiert oder "
                         "wurden ver\u00e4ndert.")


if __name__ == "__main__":
    unittest.main()
