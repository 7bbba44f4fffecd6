"""The native program end to end: command line, product files, run log, settings file."""

import os
import unittest

from native_harness import CAPTION, SETTINGS_KEY, SOURCE_DIR, NativeTestCase
from program_texts import SEARCHING, USAGE_TEXT, product_file



class LoggedRunTestCase(NativeTestCase):
    """Cases that read the run log: LogFile points into the sandbox."""

    def setUp(self):
        super().setUp()
        self.log_path = self.box.path("run log %s.txt")
        self.box.set_values({(SETTINGS_KEY, "LogFile"): self.log_path})

    def run_logged(self, *args):
        result = self.box.run(*args)
        self.assertEqual(result.exit_code, 0, result)
        self.assertEqual(result.stdout, b"")
        return result

    def log_lines(self):
        """The log file's lines; each must end in CR LF."""
        content = self.read_file(self.log_path)
        self.assertTrue(content.endswith(b"\r\n"), content)
        self.assertNotIn(b"\n", content.replace(b"\r\n", b""), content)
        return content[:-2].decode("utf-8").split("\r\n")

    def checking_files_line(self):
        return "Checking files: " + os.path.join(self.box.product_folder, "*.xml")


class UsageErrors(LoggedRunTestCase):
    def test_every_wrong_command_line_shows_the_usage_and_writes_no_log(self):
        for args in ([], ["01"], [" 1"], ["true"], ["2"], ["App", "7.0", "2"],
                     ["App", "7.0", "1", "de", "extra"], ["a", "b", "c", "d", "e", "f"]):
            with self.subTest(args=args):
                result = self.box.run(*args)
                self.assertEqual(result.exit_code, 1)
                self.assertEqual(result.stderr.decode(), CAPTION + ": " + USAGE_TEXT + "\n")
                self.assertFalse(os.path.exists(self.log_path))

    def test_an_existing_log_keeps_its_content(self):
        self.box.write_product_file("p.xml", product_file("Tool", "1"))
        with open(self.log_path, "wb") as log:
            log.write(b"previous run\r\n")
        result = self.box.run("App", "7.0", "yes")
        self.assertEqual(result.exit_code, 1)
        self.assertEqual(self.read_file(self.log_path), b"previous run\r\n")


class CommandLineForms(LoggedRunTestCase):
    def test_silent_flag_alone_checks_only_product_files(self):
        for flag in ("0", "1"):
            with self.subTest(flag=flag):
                self.run_logged(flag)
                self.assertEqual(self.log_lines(), ["", SEARCHING, self.checking_files_line()])

    def test_one_product_with_and_without_silent_flag_and_locale(self):
        for args, key in ((["App", "7.0"], "App V:7.0 L:en"),
                          (["App", "7.0", "1"], "App V:7.0 L:en"),
                          (["My App", "7.0 beta", "0", "DE"], "My App V:7.0 beta L:de"),
                          (["App", "7.0", "1", ""], "App V:7.0 L:en")):
            with self.subTest(args=args):
                self.run_logged(*args)
                self.assertEqual(self.log_lines(), ["", SEARCHING, self.checking_files_line(),
                                                    "Checking updates for product: " + key])


class ProductFileDiscovery(LoggedRunTestCase):
    def test_the_documented_example(self):
        self.box.write_product_file("tool.xml", product_file("Tool", "2.1"))
        self.box.write_product_file("broken.xml", "<ProductInfo><Name>X</Name>"
                                                  "<Version>1</Version></ProductInfo>")
        self.run_logged("App", "7.0", "1", "DE")
        self.assertEqual(self.log_lines(), [
            "", SEARCHING, self.checking_files_line(),
            "Found product: Tool V:2.1 L:",
            "Checking updates for product: App V:7.0 L:de",
            "Checking updates for product: Tool V:2.1 L:en",
        ])

    def test_duplicates_are_logged_when_found_and_checked_once(self):
        self.box.write_product_file("a.xml", product_file("App", "7.0", "DE"))
        self.box.write_product_file("b.XML", product_file("Other", "1", "fr"))
        self.box.write_product_file("c.Xml", product_file("Other", "1", "FR"))
        self.run_logged("App", "7.0", "0", "de")
        lines = self.log_lines()
        self.assertEqual(lines[:3], ["", SEARCHING, self.checking_files_line()])
        self.assertEqual(sorted(lines[3:6]), ["Found product: App V:7.0 L:DE",
                                              "Found product: Other V:1 L:FR",
                                              "Found product: Other V:1 L:fr"])
        self.assertEqual(lines[6:], ["Checking updates for product: App V:7.0 L:de",
                                     "Checking updates for product: Other V:1 L:fr"])

    def test_entries_that_describe_no_product_are_skipped(self):
        os.makedirs(os.path.join(self.box.product_folder, "folder.xml"))
        self.box.write_product_file("notes.txt", product_file("Text", "1"))
        self.box.write_product_file("empty-name.xml", product_file("", "1"))
        self.box.write_product_file("wide.xml", product_file("Wide", "1").encode("utf-16"))
        self.box.write_product_file("crlf.xml", product_file("Crlf", "1").replace("\n", "\r\n"))
        self.run_logged("1")
        self.assertEqual(self.log_lines(), [
            "", SEARCHING, self.checking_files_line(),
            "Found product: Crlf V:1 L:",
            "Checking updates for product: Crlf V:1 L:en",
        ])

    def test_a_ctrl_z_end_mark_after_the_block_is_read_as_on_windows(self):
        # Windows stops reading at the Ctrl-Z; here it is one more line, after the block.
        self.box.write_product_file("dos.xml", product_file("Dos", "1", "en", newline="\r\n")
                                    + "\x1a")
        self.run_logged("1")
        self.assertEqual(self.log_lines(), [
            "", SEARCHING, self.checking_files_line(),
            "Found product: Dos V:1 L:en",
            "Checking updates for product: Dos V:1 L:en",
        ])

    def test_a_file_whose_reading_fails_is_skipped_without_a_word(self):
        # Reading this process's memory from its start fails (EIO) once the file is open.
        os.makedirs(self.box.product_folder, exist_ok=True)
        os.symlink("/proc/self/mem", os.path.join(self.box.product_folder, "mem.xml"))
        self.box.write_product_file("tool.xml", product_file("Tool", "1", "en"))
        result = self.run_logged("1")
        self.assertEqual(result.stderr, b"")
        self.assertEqual(self.log_lines(), [
            "", SEARCHING, self.checking_files_line(),
            "Found product: Tool V:1 L:en",
            "Checking updates for product: Tool V:1 L:en",
        ])

    def test_bytes_above_127_in_a_name_are_kept_as_on_windows(self):
        # Neither build converts a name: the log holds the file's bytes.
        self.box.write_product_file("cafe.xml", b"<ProductInfo><Name>Caf\xe9 \xc4</Name>"
                                                b"<Version>1</Version><Locale>en</Locale>"
                                                b"</ProductInfo>")
        self.run_logged("1")
        self.assertIn(b"\r\nFound product: Caf\xe9 \xc4 V:1 L:en\r\n"
                      b"Checking updates for product: Caf\xe9 \xc4 V:1 L:en\r\n",
                      self.read_file(self.log_path))

    def test_without_the_common_data_folder(self):
        os.rmdir(self.box.common_data)
        self.run_logged("App", "7.0")
        self.assertEqual(self.log_lines(), ["", SEARCHING, "Could not open CommonAppData folder",
                                            "Checking updates for product: App V:7.0 L:en"])


class RunLogFile(LoggedRunTestCase):
    def test_replaced_by_each_run(self):
        self.box.write_product_file("p.xml", product_file("Tool", "1"))
        self.run_logged("App", "7.0")
        self.assertEqual(len(self.log_lines()), 6)
        os.remove(os.path.join(self.box.product_folder, "p.xml"))
        self.run_logged("1")
        self.assertEqual(self.log_lines(), ["", SEARCHING, self.checking_files_line()])

    def test_no_file_without_a_usable_log_file_value(self):
        # A path of 512 characters in a folder that exists: too long to be read.
        long_folder = self.box.path("d" * 200, "e" * 200)
        os.makedirs(long_folder)
        too_long = os.path.join(long_folder, "f" * (511 - len(long_folder)))
        self.assertEqual(len(too_long), 512)
        before = sorted(os.listdir(self.box.root))
        for values in ({}, {(SETTINGS_KEY, "LogFile"): ""},
                       {(SETTINGS_KEY, "LogFile"): self.box.path("missing", "run.log")},
                       {(SETTINGS_KEY, "LogFile"): too_long},
                       {(SETTINGS_KEY, "URL"): "http://127.0.0.1:1/misc/update.ini"}):
            with self.subTest(values=values):
                self.box.set_values(values)
                self.run_logged("App", "7.0")
                self.assertEqual(sorted(os.listdir(self.box.root)), before)
                self.assertEqual(os.listdir(long_folder), [])

    def test_a_log_that_fails_part_way_is_not_reported(self):
        # Every write to /dev/full fails: the run ends as usual and says nothing.
        self.box.set_values({(SETTINGS_KEY, "LogFile"): "/dev/full"})
        result = self.run_logged("App", "7.0", "1")
        self.assertEqual(result.stderr, b"")

    def test_hand_written_settings_with_windows_line_ends(self):
        self.box.write_settings(
            "; edited by hand\r\n[software\\KAVEX\\webupdates]\r\n"
            "\"logfile\" = \"%s\"\r\n" % self.log_path.replace("\\", "\\\\"))
        self.run_logged("App", "7.0")
        self.assertEqual(len(self.log_lines()), 4)

    def test_the_documented_example_settings_file(self):
        with open(os.path.join(SOURCE_DIR, "docs", "linux-port.md"), encoding="utf-8") as doc:
            example = doc.read().split("### Example", 1)[1].split("```\n")[1]
        self.assertIn('"LogFile"="/home/alex/kavexwebupd.log"', example)
        self.box.write_settings(example.replace("/home/alex/kavexwebupd.log", self.log_path))
        self.run_logged("1")
        self.assertEqual(self.log_lines(), ["", SEARCHING, self.checking_files_line()])

    def test_a_settings_file_that_cannot_be_read_is_left_alone(self):
        broken = b"[Software\\Kavex\\WebUpdates]\n\"LogFile\"=\"" + self.log_path.encode() + b"\n"
        self.box.write_settings(broken)
        self.run_logged("App", "7.0", "1")
        self.assertFalse(os.path.exists(self.log_path))
        self.assertEqual(self.box.settings_bytes(), broken)

    def test_a_relative_log_path_is_taken_from_the_current_folder(self):
        self.box.set_values({(SETTINGS_KEY, "LogFile"): "relative.log"})
        os.mkdir(self.box.path("cwd"))
        result = self.box.run("1", cwd=self.box.path("cwd"))
        self.assertEqual(result.exit_code, 0)
        self.assertTrue(self.read_file(self.box.path("cwd", "relative.log")).startswith(b"\r\n"))


if __name__ == "__main__":
    unittest.main()
