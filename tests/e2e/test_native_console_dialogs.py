"""The dialogs and message boxes of the Linux program on a terminal (the console host):
the shared cases of dialog_cases.py, and what only a terminal has: the end of the input,
its own lines in the dialog's words, and lines broken at words to the terminal's width."""

import fcntl
import os
import re
import struct
import subprocess
import termios
import unittest

import dialog_cases
from native_harness import NativeCase
from protocol import bind, close, ok

bind(dialog_cases.CASES, NativeCase, globals())


class EndOfInput(dialog_cases.Probe, NativeCase):
    def test_the_end_of_the_input_cancels(self):
        for action, line in (("update", "update locale= result=2 remind=0"),
                             ("noupdates", "noupdates locale= result=2")):
            with self.subTest(action=action):
                lines, _ = self.probe(action, "Acme", answers=[close("Acme")], input="")
                self.assertEqual(lines, [line])


class TerminalLines(NativeCase):
    def screen(self, action, product, *locales, input, columns=None):
        """What the probe showed on standard output, with the products' dialogs answered by
        the input, at a width of columns (COLUMNS unset otherwise)."""
        answers = [ok(product)] * max(1, len(locales))
        result = self.check(self.scratch("probe.txt"), action, product, *locales,
                            answers=answers, program="dialog_probe", input=input,
                            env={"COLUMNS": str(columns) if columns else None})
        return result.stdout.decode("utf-8")

    def test_the_terminals_own_lines_use_the_librarys_words(self):
        screen = self.screen("update", "Acme", "de", input="x\n\n")
        keys = "(a b | 1 5 10 30 60 | Enter=<OK> | q=Abbrechen)"
        self.assertIn("\n" + keys + "\n", screen)
        self.assertIn("x ? " + keys + "\n", screen)
        # No list, no list in the keys.
        screen = self.screen("noupdates", "Acme", "de", "en", input="\n\n")
        self.assertEqual(re.findall(r"(?m)^\(.*\)$", screen),
                         ["(Enter=<OK> | q=Abbrechen)", "(Enter=<OK> | q=Cancel)"])

    def assert_wrapped(self, screen, width, *sentences):
        for line in screen.splitlines():
            self.assertLessEqual(len(line.removeprefix("> ")), width, line)
        words = " ".join(screen.split())
        for sentence in sentences:
            self.assertIn(sentence, words)

    def test_lines_break_at_words_to_the_width_of_columns(self):
        screen = self.screen("update", "Visual Studio Enterprise Edition", "de", "en",
                             input="\n\n", columns=60)
        self.assert_wrapped(screen, 60,
                            "Für die Software Visual Studio Enterprise Edition sind Updates "
                            "verfügbar.",
                            "a) (*) Die Website von Visual Studio Enterprise Edition besuchen, "
                            "um die Updates anzusehen",
                            "There are updates available for the Visual Studio Enterprise "
                            "Edition software.")
        self.assertIn("\n       to review the updates\n", screen)  # below the choice's text

    def test_on_a_terminal_its_width_wins(self):
        master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 44, 0, 0))
        output = self.scratch("probe.txt")
        with subprocess.Popen([self.install("dialog_probe"), output, "update",
                               "Visual Studio Enterprise Edition"],
                              stdin=slave, stdout=slave, stderr=slave,
                              env=self.environment({"COLUMNS": "100"})) as probe:
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
        self.assertEqual(self.read_file(output), b"update locale= result=1 remind=30\n")
        self.assert_wrapped(screen.decode().replace("\r", ""), 44,
                            "There are updates available for the Visual Studio Enterprise "
                            "Edition software.")


if __name__ == "__main__":
    unittest.main()
