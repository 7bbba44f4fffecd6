"""The dialogs and message boxes of the Linux program on a terminal (the console host),
driven through the dialog probe with piped input, one product per locale as a run checks
them."""
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

BUILD = Path(os.environ.get("KWU_BUILD_DIR", Path(__file__).resolve().parents[2] / "build" / "native"))


class ConsoleDialogs(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="kwu-console-"))
        self.addCleanup(shutil.rmtree, self.folder)
        shutil.copy2(BUILD / "tests" / "support" / "dialog_probe", self.folder)
        shutil.copytree(BUILD / "src" / "Locale", self.folder / "Locale")

    def probe(self, action, product, *locales, stdin=""):
        out = self.folder / "out.txt"
        run = subprocess.run([str(self.folder / "dialog_probe"), str(out), action, product, *locales],
                             input=stdin, capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, KAVEXWEBUPD_DIALOGS="console"))
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
        # First screen of each dialog: the one right after the help line.
        dialogs = output.split("(a letter chooses")[1:]
        self.assertEqual(len(dialogs), 3)
        return dialogs

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
