"""The Linux program's foundation end to end: the shared cases of foundation_cases.py, and
what only its settings file has: a file written by hand, the documented example, and a
file that cannot be read."""

import os
import unittest

import foundation_cases
from native_harness import NativeCase
from protocol import SOURCE_DIR, bind

bind(foundation_cases.CASES, NativeCase, globals())


class SettingsFile(NativeCase):
    def setUp(self):
        super().setUp()
        self.log_path = self.path("run.log")

    def test_hand_written_settings_with_windows_line_ends(self):
        self.write_settings(
            "; edited by hand\r\n[software\\KAVEX\\webupdates]\r\n"
            "\"logfile\" = \"%s\"\r\n" % self.log_path.replace("\\", "\\\\"))
        self.check("App", "7.0", "1")
        self.assertEqual(len(self.log_lines()), 3)

    def test_the_documented_example_settings_file(self):
        with open(os.path.join(SOURCE_DIR, "docs", "linux-port.md"), encoding="utf-8") as doc:
            example = doc.read().split("### Example", 1)[1].split("```\n")[1]
        self.assertIn('"LogFile"="/home/alex/kavexwebupd.log"', example)
        self.write_settings(example.replace("/home/alex/kavexwebupd.log", self.log_path))
        self.check("1")
        self.assertEqual(self.log_lines(), self.head_of_log())

    def test_a_settings_file_that_cannot_be_read_is_left_alone(self):
        broken = b"[Software\\Kavex\\WebUpdates]\n\"LogFile\"=\"" + self.log_path.encode() + b"\n"
        self.write_settings(broken)
        result = self.run_program("App", "7.0", "1")
        self.assertEqual((result.exit_code, result.stdout), (0, b""))
        self.assertFalse(os.path.exists(self.log_path))
        self.assertEqual(self.settings_snapshot(), broken)


if __name__ == "__main__":
    unittest.main()
