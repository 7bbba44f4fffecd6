"""The dialogs and message boxes of the Linux program on a terminal (the console host),
driven through the dialog probe with piped input, one product per locale as a run checks
them."""
import fcntl
import os
import re
import shutil
import struct
import subprocess
import tempfile
import termios
import unittest
from pathlib import Path

BUILD = Path(os.environ.get("KWU_BUILD_DIR", Path(__file__).resolve().parents[2] / "build" / "native"))


class ConsoleDialogs(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="kwu-console-"))
        self.addCleanup(shutil.rmtree, self.folder)
        shutil.copy2(BUILD / "tests" / "support" / "dialog_probe", self.folder)
        shutil.copytree(BUILD / "src" / "Locale", self.folder / "Locale")

    def probe(self, action, product, *locales, stdin="", columns=None):
        out = self.folder / "out.txt"
        env = dict(os.environ, KAVEXWEBUPD_DIALOGS="console")
        env.pop("COLUMNS", None)
        if columns:
            env["COLUMNS"] = str(columns)
        run = subprocess.run([str(self.folder / "dialog_probe"), str(out), action, product, *locales],
                             input=stdin, capture_output=True, text=True, timeout=60, env=env)
        self.assertEqual(run.returncode, 0, run.stderr)
        return out.read_text().splitlines(), run.stdout, run.stderr

    def test_reminder_chosen_from_the_list(self):
        lines, screen, _ = self.probe("update", "Acme Writer", stdin="30\n\n")
        self.assertEqual(lines, ["update locale= result=1 remind=30"])
        self.assertIn("There are updates available for the Acme Writer software.", screen)
        self.assertIn("b) (*) Remind me again in [30 v] day(s)", screen)

    def test_end_of_input_cancels(self):
        lines, _, _ = self.probe("update", "Acme", stdin="")
        self.assertEqual(lines, ["update locale= result=2 remind=0"])
        lines, _, _ = self.probe("noupdates", "Acme", stdin="")
        self.assertEqual(lines, ["noupdates locale= result=2"])

    def test_product_without_library_after_one_with(self):
        lines, screen, _ = self.probe("update", "Acme", "de", "en", "de", stdin="\n10\n\n\n")
        self.assertEqual(lines, ["update locale=de result=1 remind=0",
                                 "update locale=en result=1 remind=10",
                                 "update locale=de result=1 remind=0"])
        german, english, again = self._screens(screen)
        self.assertIn("Erneut erinnern in", german)
        self.assertIn("Remind me again in", english)
        self.assertNotIn("Erneut", english)
        self.assertIn("Tag(en)", again)

    def _screens(self, output):
        # First screen of each dialog: the one right after the line of keys.
        dialogs = re.split(r"(?m)^\((?:.* \| )?Enter=<.*\)$", output)[1:]
        self.assertEqual(len(dialogs), 3)
        return dialogs

    def test_the_terminals_own_lines_use_the_librarys_words(self):
        _, screen, _ = self.probe("update", "Acme", "de", stdin="x\n\n")
        keys = "(a b | 1 5 10 30 60 | Enter=<OK> | q=Abbrechen)"
        self.assertIn("\n" + keys + "\n", screen)
        self.assertIn("x ? " + keys + "\n", screen)
        # No list, no list in the keys.
        _, screen, _ = self.probe("noupdates", "Acme", "de", "en", stdin="\n\n")
        self.assertEqual(re.findall(r"(?m)^\(.*\)$", screen),
                         ["(Enter=<OK> | q=Abbrechen)", "(Enter=<OK> | q=Cancel)"])

    def assert_wrapped(self, screen, width, *sentences):
        for line in screen.splitlines():
            self.assertLessEqual(len(line.removeprefix("> ")), width, line)
        words = " ".join(screen.split())
        for sentence in sentences:
            self.assertIn(sentence, words)

    def test_lines_break_at_words_to_the_width_of_columns(self):
        _, screen, _ = self.probe("update", "Visual Studio Enterprise Edition", "de", "en",
                                  stdin="\n\n", columns=60)
        self.assert_wrapped(screen, 60,
                            "Für die Software Visual Studio Enterprise Edition sind Updates "
                            "verfügbar.",
                            "a) (*) Die Website von Visual Studio Enterprise Edition besuchen, um die Updates "
                            "anzusehen",
                            "There are updates available for the Visual Studio Enterprise "
                            "Edition software.")
        self.assertIn("\n       to review the updates\n", screen)  # below the choice's text

    def test_on_a_terminal_its_width_wins(self):
        master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 44, 0, 0))
        env = dict(os.environ, KAVEXWEBUPD_DIALOGS="console", COLUMNS="100")
        with subprocess.Popen([str(self.folder / "dialog_probe"), str(self.folder / "out.txt"),
                               "update", "Visual Studio Enterprise Edition"],
                              stdin=slave, stdout=slave, stderr=slave, env=env) as probe:
            os.close(slave)
            os.write(master, b"30\n\n")
            screen = b""
            while True:
                try:
                    chunk = os.read(master, 4096)
                except OSError:  # the terminal is gone with the program
                    break
                if not chunk:
                    break
                screen += chunk
            probe.wait(timeout=60)
        os.close(master)
        self.assertEqual(probe.returncode, 0)
        self.assertEqual((self.folder / "out.txt").read_text(),
                         "update locale= result=1 remind=30\n")
        self.assert_wrapped(screen.decode().replace("\r", ""), 44,
                            "There are updates available for the Visual Studio Enterprise "
                            "Edition software.")

    def test_locale_leading_outside_the_folder_loads_nothing(self):
        outside = self.folder / "outside"
        outside.mkdir()
        shutil.copy2(self.folder / "Locale" / "de" / "kavexwebupdexe.dat", outside)
        lines, screen, _ = self.probe("update", "Acme", "../outside", "..", stdin="\n\n")
        self.assertEqual(lines[0], "update locale=../outside result=1 remind=0")
        self.assertNotIn("Erneut", screen)
        self.assertIn("Remind me again in", screen)

    def test_message_boxes_go_to_standard_error_in_the_product_language(self):
        lines, _, errors = self.probe("error", "Acme 100%", "de", "en")
        self.assertEqual(lines, ["error locale=de text=Fehler: Verbindungsfehler. Statuscode: 404",
                                 "error locale=en text=Error: Connection error. Status code: 404"])
        self.assertEqual(errors.splitlines(), ["Acme 100%: Fehler: Verbindungsfehler. Statuscode: 404",
                                               "Acme 100%: Error: Connection error. Status code: 404"])
        _, _, errors = self.probe("startup", "Acme", "de")
        self.assertEqual(errors.splitlines(), ["Kavex Web Update: Unknown error"])

    def test_product_unknown_error_box(self):
        lines, screen, errors = self.probe("unknown", "Acme", "de", "en")
        self.assertEqual(lines, ["unknown locale=de text=Unbekannter Fehler",
                                 "unknown locale=en text=Unknown error"])
        self.assertEqual(screen, "")
        self.assertEqual(errors.splitlines(), ["Acme: Unbekannter Fehler", "Acme: Unknown error"])


if __name__ == "__main__":
    unittest.main()
