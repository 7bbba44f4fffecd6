"""The dialogs and message boxes of the Linux program on a terminal (the console host):
the shared cases of dialog_cases.py, and the end of the input, which only a terminal has."""

import unittest

import dialog_cases
from native_harness import NativeCase
from protocol import bind, close

bind(dialog_cases.CASES, NativeCase, globals())


class EndOfInput(dialog_cases.Probe, NativeCase):
    def test_the_end_of_the_input_cancels(self):
        for action, line in (("update", "update locale= result=2 remind=0"),
                             ("noupdates", "noupdates locale= result=2")):
            with self.subTest(action=action):
                lines, _ = self.probe(action, "Acme", answers=[close("Acme")], input="")
                self.assertEqual(lines, [line])


if __name__ == "__main__":
    unittest.main()
