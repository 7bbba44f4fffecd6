"""The program's foundation end to end, the same cases on both platforms: the command
line, product description files and the run log. Every product is checked against a
manifest that names no page: a silent check shows nothing, any other the no-updates
dialog. test_native_foundation.py and test_wine_foundation.py run them."""

import os

from protocol import CAPTION, SEARCHING, USAGE_TEXT, box, ok, product_file


class CommandLine:
    def test_every_wrong_command_line_shows_the_usage_and_writes_no_log(self):
        self.enable_log()
        with open(self.host_path(self.log_path), "wb") as log:
            log.write(b"previous run\r\n")
        self.put_product_file("tool.xml", product_file("Tool", "2.1", ""))
        for args in [(), ("2",), ("01",), (" 1",), ("true",), ("",), ("App", "7.0", "2"),
                     ("App", "7.0", "yes"), ("App", "7.0", "1 ", "DE"),
                     ("App", "7.0", "1", "DE", "x"), ("a", "b", "c", "d", "e", "f"),
                     ("a", "b", "c", "d", "e", "f", "g")]:
            with self.subTest(args=args):
                result = self.check(*args, answers=[box(CAPTION)], exit_code=1)
                self.assertBox(result.windows[0], CAPTION, USAGE_TEXT, icon=False, owned=False)
                self.assertEqual(result.log, b"previous run\r\n")

    def test_accepted_forms_check_their_products(self):
        self.enable_log()
        for args, keys in [(("0",), []), (("1",), []),
                           (("App", "7.0"), ["App V:7.0 L:en"]),
                           (("App", "7.0", "0"), ["App V:7.0 L:en"]),
                           (("App", "7.0", "1"), ["App V:7.0 L:en"]),
                           (("App", "7.0", "1", "DE"), ["App V:7.0 L:de"]),
                           (("App", "7.0", "1", ""), ["App V:7.0 L:en"]),
                           (("My App", "7.0 beta", "0", "DE"), ["My App V:7.0 beta L:de"]),
                           (("My App", "7.0 beta", "0", ""), ["My App V:7.0 beta L:en"]),
                           (("100%s App", "%d", "1", "XX"), ["100%s App V:%d L:xx"])]:
            with self.subTest(args=args):
                shown = len(args) > 1 and args[2:3] != ("1",)
                self.check(*args, answers=[ok(args[0])] if shown else [])
                self.assertEqual(self.log_lines(), self.head_of_log() + [
                    "Checking updates for product: " + key for key in keys])


class ProductFiles:
    def found_and_checked(self, *args, answers=()):
        """The products the log says were found and checked."""
        self.enable_log()
        self.check(*args, answers=answers)
        lines = self.log_lines()
        self.assertEqual(lines[:2], self.head_of_log())
        found = [line[15:] for line in lines if line.startswith("Found product: ")]
        checked = [line[30:] for line in lines if line.startswith("Checking updates for product: ")]
        self.assertEqual(len(found) + len(checked) + 2, len(lines), lines)
        return found, checked

    def test_the_documented_example(self):
        self.put_product_file("tool.xml", product_file("Tool", "2.1"))
        self.put_product_file("broken.xml", "<ProductInfo><Name>X</Name>"
                                            "<Version>1</Version></ProductInfo>")
        self.assertEqual(self.found_and_checked("App", "7.0", "1", "DE"),
                         (["Tool V:2.1 L:"], ["App V:7.0 L:de", "Tool V:2.1 L:en"]))

    def test_files_that_yield_a_product(self):
        put = self.put_product_file
        put("crlf.xml", product_file("Crlf", "1.0", "DE", newline="\r\n"))
        put("no-final-newline.xml", product_file("Bare", "2", "fr").rstrip("\n"))
        put("order.xml", "<ProductInfo><Locale>it</Locale><Version>3</Version>"
                         "<Name>Reverse</Name></ProductInfo>")
        put("padded.xml", "<ProductInfo><Name> Padded </Name><Version>4</Version>"
                          "<Locale></Locale></ProductInfo>")
        put("UPPER.XML", product_file("Upper", "5", "en"))
        put("short-name.xmlx", product_file("ShortName", "6", "en"))
        # Neither build converts a name: the log holds the file's bytes.
        put("bytes.xml", b"\xef\xbb\xbf<!-- c --><ProductInfo><Name>Caf\xe9 \xc4 &amp;</Name>"
                         b"<Version>7</Version><Locale>es</Locale></ProductInfo>"
                         b"<ProductInfo><Name>Second</Name></ProductInfo>")
        found, checked = self.found_and_checked("1")
        expected = {"Crlf V:1.0 L:DE", "Bare V:2 L:fr", "Reverse V:3 L:it", " Padded  V:4 L:",
                    "Upper V:5 L:en", "Caf\xe9 \xc4 &amp; V:7 L:es"}
        self.assertEqual(set(found), expected | ({"ShortName V:6 L:en"} if self.SHORT_NAMES
                                                  else set()))
        # Checked in the order found, with the locale normalised.
        self.assertEqual(checked, [key[:key.rindex(" L:") + 3] +
                                   (key[key.rindex(" L:") + 3:].lower() or "en") for key in found])

    def test_files_that_are_skipped(self):
        put = self.put_product_file
        put("no-locale.xml", "<ProductInfo><Name>A</Name><Version>1</Version></ProductInfo>")
        put("empty-name.xml", product_file("", "1", "en"))
        put("empty-version.xml", product_file("B", "", "en"))
        put("other-case.xml", "<productinfo><Name>C</Name><Version>1</Version>"
                              "<Locale>en</Locale></productinfo>")
        put("attribute.xml", "<ProductInfo id=\"1\"><Name>D</Name><Version>1</Version>"
                             "<Locale>en</Locale></ProductInfo>")
        put("end-before-start.xml", "<ProductInfo></Name><Name>E<Version>1</Version>"
                                    "<Locale>en</Locale></ProductInfo>")
        put("utf16.xml", product_file("F", "1", "en").encode("utf-16"))
        put("other.txt", product_file("G", "1", "en"))
        put(os.path.join("folder.xml", "inner.xml"), product_file("H", "1", "en"))
        self.assertEqual(self.found_and_checked("1"), ([], []))

    def test_a_file_whose_reading_fails_is_skipped_without_a_word(self):
        # Reading a process's memory from its start fails once the file is open.
        self.put_product_file("tool.xml", product_file("Tool", "1", "en"))
        os.symlink("/proc/self/mem", self.host_path(self.product_path("mem.xml")))
        self.assertEqual(self.found_and_checked("1"), (["Tool V:1 L:en"], ["Tool V:1 L:en"]))

    def test_duplicates_are_logged_when_found_and_checked_once(self):
        self.put_product_file("a.xml", product_file("App", "7.0", ""))
        self.put_product_file("b.XML", product_file("Other", "1", "fr"))
        self.put_product_file("c.Xml", product_file("Other", "1", "FR"))
        # An empty locale is "en": the file's product is the command line's.
        found, checked = self.found_and_checked("App", "7.0", "0", "EN",
                                                answers=[ok("App"), ok("Other")])
        self.assertEqual(sorted(found), ["App V:7.0 L:", "Other V:1 L:FR", "Other V:1 L:fr"])
        self.assertEqual(checked, ["App V:7.0 L:en", "Other V:1 L:fr"])

    def test_a_ctrl_z_end_mark_after_the_block_is_read_alike(self):
        # The Windows runtime's text mode stops at the Ctrl-Z; Linux reads it as one more
        # line: either way it stands outside the block.
        self.put_product_file("dos.xml", product_file("Dos", "1", "en", newline="\r\n") + "\x1a")
        self.assertEqual(self.found_and_checked("1"), (["Dos V:1 L:en"], ["Dos V:1 L:en"]))

    def test_without_the_product_folder(self):
        self.assertEqual(self.found_and_checked("App", "7.0", answers=[ok("App")]),
                         ([], ["App V:7.0 L:en"]))

    def test_without_the_common_data_folder(self):
        self.enable_log()
        self.remove_common_data()
        self.check("App", "7.0", answers=[ok("App")])
        self.assertEqual(self.log_lines(), [SEARCHING, "Could not open CommonAppData folder",
                                            "Checking updates for product: App V:7.0 L:en"])


class RunLogFile:
    def test_replaced_by_each_run(self):
        self.enable_log()
        with open(self.host_path(self.log_path), "wb") as log:
            log.write(b"x" * 5000)
        self.check("First", "1", answers=[ok("First")])
        self.check("Second", "2", "1")
        self.assertEqual(self.log_lines(), self.head_of_log() + [
            "Checking updates for product: Second V:2 L:en"])

    def test_no_file_without_a_usable_log_file_value(self):
        # A path of 512 characters cannot be read: the value is not cut to 511 and used.
        too_long, cut = self.long_log_path(512)
        missing = self.scratch("missing", "run.log")
        for value in (None, "", missing, too_long):
            with self.subTest(value=value and value[:40]):
                if value is not None:
                    self.set_setting("LogFile", value)
                self.check("App", "7.0", answers=[ok("App")])
                self.assertEqual((self.read_file(missing), self.read_file(cut)), (None, None))

    def test_the_longest_log_path_that_can_be_read(self):
        path, written = self.long_log_path(511)
        self.set_setting("LogFile", path)
        self.check("1")
        self.assertEqual(self.read_file(written), ("\r\n" + "\r\n".join(
            self.head_of_log()) + "\r\n").encode("latin-1"))

    def test_a_log_that_fails_part_way_is_not_reported(self):
        # Every write to the full device fails: the run ends as usual and says nothing.
        self.set_setting("LogFile", self.full_device())
        self.check("App", "7.0", "1")

    def test_a_relative_log_path_is_taken_from_the_current_folder(self):
        self.set_setting("LogFile", "relative.log")
        os.makedirs(self.host_path(self.scratch("cwd")))
        self.check("1", cwd=self.scratch("cwd"))
        self.assertTrue(self.read_file(self.scratch("cwd", "relative.log")).startswith(b"\r\n"))


CASES = (CommandLine, ProductFiles, RunLogFile)
