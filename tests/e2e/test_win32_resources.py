"""The resources linked into the Windows executable, read back from the built file with
the toolchain's resource compiler (independent of the program's own resource reader), and
compared with the tables they were made to: dialog frames, controls, styles and order, the
string table, the dialog-init bytes, the icons, the manifest and the version information.
The German locale library is checked for the same ids."""
import os
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

BUILD = Path(os.environ.get("KWU_BUILD_DIR", Path(__file__).resolve().parents[2] / "build" / "win32"))
WINDRES = "i686-w64-mingw32-windres"

DIALOG_103 = """103 DIALOGEX 0, 0, 250, 90
STYLE 0x80c800c0
CAPTION "Dialog"
FONT 8, "MS Sans Serif", 0, 0, 0
BEGIN
  DEFPUSHBUTTON "OK", 1, 100, 69, 50, 14, 0x50010001
  AUTORADIOBUTTON "Radio1", 1004, 39, 28, 177, 17, 0x50002409
  AUTORADIOBUTTON "Radio2", 1005, 39, 47, 78, 12, 0x50000009
  LTEXT "Static", 1006, 39, 9, 189, 14, 0x50020000
  ICON 101, -1, 7, 7, 21, 20, 0x50000003
  RTEXT "Static", 1009, 143, 49, 22, 9, 0x50020002
  COMBOBOX 1016, 117, 47, 28, 73, 0x50210103
END
"""

DIALOG_104 = """104 DIALOG 0, 0, 184, 58
STYLE 0x80c800c0
CAPTION "Dialog"
FONT 8, "MS Sans Serif"
BEGIN
  DEFPUSHBUTTON "OK", 1, 66, 37, 50, 14, 0x50010001
  ICON 102, 65535, 7, 7, 20, 20, 0x50000003
  LTEXT "Static", 1006, 40, 10, 137, 24, 0x50020000
END
"""

STRINGS = {
    2: "Error",
    3: "Unknown error",
    4: "URL has incorrect format",
    5: "Connection error. Status code: %d",
    6: "There are no new updates available.\nYou already have the most recent version.",
    7: "There are updates available for the %s software.",
    8: "Visit the %s Web site to review the updates",
    9: "Remind me again in",
    10: "day(s)",
    11: "OK",
    12: "Cancel",
    13: "The update information is not signed by the publisher, or it was changed.",
}

DIALOG_INIT = b"".join(struct.pack("<HHI", 1016, 0x0403, 3) + text + b"\0"
                       for text in (b" 1", b" 5", b"10", b"30", b"60")) + b"\0\0"


def read_name(data, at):
    """A type or name of a .res header: 0xFFFF and a number, or a UTF-16 string."""
    if data[at:at + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def resources_of(path):
    """{(type, name): (language, bytes)} of a built PE file, through a .res conversion
    (which gives every language as 0)."""
    with tempfile.TemporaryDirectory() as folder:
        res = Path(folder) / "out.res"
        subprocess.run([WINDRES, "-J", "coff", "-i", str(path), "-O", "res", "-o", str(res)],
                       check=True)
        data = res.read_bytes()
    found = {}
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind, after = read_name(data, at + 8)
        name, after = read_name(data, after)
        after = (after + 3) & ~3
        language = struct.unpack_from("<H", data, after + 6)[0]
        if size:
            found[(kind, name)] = (language, data[at + header:at + header + size])
        at = (at + header + size + 3) & ~3
    return found


def strings_of(block):
    texts, at = {}, 0
    for index in range(16):
        length = struct.unpack_from("<H", block, at)[0]
        if length:
            texts[index] = block[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        at += 2 + 2 * length
    return texts


def decompiled(path):
    return subprocess.run([WINDRES, "-J", "coff", "-i", str(path), "-O", "rc"], check=True,
                          capture_output=True, text=True).stdout


class ExecutableResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.exe = BUILD / "src" / "kavexwebupd.exe"
        cls.resources = resources_of(cls.exe)

    def test_imports_only_system_libraries_and_no_common_controls(self):
        # The runtime is linked in, and the common controls are loaded only before the
        # first dialog, so that a run that shows none never starts them.
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(BUILD / "src" / "kavexwebupd.exe")],
                              check=True, capture_output=True, text=True).stdout
        imports = sorted(line.split(":", 1)[1].strip().lower()
                         for line in dump.splitlines() if "DLL Name:" in line)
        self.assertEqual(imports, ["advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll",
                                   "user32.dll", "wininet.dll"])

    def test_every_resource_is_us_english(self):
        # The decompiler states the language once, before the first resource of each
        # language (its .res output does not keep languages).
        languages = [line for line in decompiled(self.exe).splitlines()
                     if line.startswith("LANGUAGE")]
        self.assertEqual(languages, ["LANGUAGE 9, 1"])

    def test_dialog_templates_match_the_tables(self):
        text = decompiled(self.exe)
        self.assertIn(DIALOG_103, text)
        self.assertIn(DIALOG_104, text)
        self.assertEqual(self.resources[(5, 103)][1][:4], b"\x01\x00\xff\xff")  # extended
        self.assertNotEqual(self.resources[(5, 104)][1][:4], b"\x01\x00\xff\xff")

    def test_string_table(self):
        block = strings_of(self.resources[(6, 1)][1])
        self.assertEqual(block, STRINGS)

    def test_dialog_init_data(self):
        self.assertEqual(self.resources[(240, 103)][1], DIALOG_INIT)
        self.assertEqual(len(DIALOG_INIT), 57)

    def test_icon_groups(self):
        for group in (101, 102):
            data = self.resources[(14, group)][1]
            reserved, kind, count = struct.unpack_from("<HHH", data)
            self.assertEqual((reserved, kind, count), (0, 1, 2))
            for index, (size, length) in enumerate(((32, 744), (16, 296))):
                entry = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * index)
                self.assertEqual(entry[:7], (size, size, 16, 0, 1, 4, length))
                image = self.resources[(3, entry[7])][1]
                self.assertEqual(len(image), length)
                self.assertEqual(struct.unpack_from("<IiiHH", image), (40, size, 2 * size, 1, 4))
        # The lowest-numbered group is the file's icon: there is none below 101.
        self.assertEqual(min(name for kind, name in self.resources if kind == 14), 101)

    def test_manifest_requests_common_controls_6(self):
        xml = self.resources[(24, 1)][1].decode("utf-8")
        self.assertIn("<description>Web Update Application</description>", xml)
        self.assertIn('name="Microsoft.Windows.Common-Controls" version="6.0.0.0" '
                      'processorArchitecture="X86" publicKeyToken="6595b64144ccf1df" language="*"', xml)
        self.assertIn('type="win32"', xml)

    def test_version_information(self):
        text = decompiled(self.exe)
        self.assertIn('BLOCK "040904E4"', text)
        self.assertIn('VALUE "FileDescription", "Web Update Application"', text)
        self.assertIn('VALUE "Translation", 0x409, 1252', text)


class GermanLibrary(unittest.TestCase):
    def test_same_ids_translated_texts(self):
        library = BUILD / "src" / "Locale" / "de" / "kavexwebupdexe.dat"
        resources = resources_of(library)
        german = strings_of(resources[(6, 1)][1])
        self.assertEqual(sorted(german), list(range(2, 14)))
        self.assertEqual(german[2], "Fehler")
        self.assertEqual(german[13], "Die Update-Informationen sind nicht vom Herausgeber "
                                     "signiert oder wurden ver\u00e4ndert.")
        self.assertIn("LANGUAGE 7, 1", decompiled(library))
        self.assertEqual(german[7], "F\u00fcr die Software %s sind Updates verf\u00fcgbar.")
        self.assertEqual(resources[(240, 103)][1], DIALOG_INIT)
        for key in ((5, 103), (5, 104), (14, 101), (14, 102)):
            self.assertIn(key, resources)
        # Resources only: no code, no imports, no entry point.
        headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(library)], check=True,
                                 capture_output=True, text=True).stdout
        self.assertIn("AddressOfEntryPoint\t00000000", headers)
        self.assertNotIn("DLL Name:", headers)


if __name__ == "__main__":
    unittest.main()
