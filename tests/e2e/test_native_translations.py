"""Every translation as the Linux program shows it on the console host: the shared cases
of translation_cases.py."""

import unittest

import translation_cases
from native_harness import NativeCase
from protocol import bind



class TranslationCase(NativeCase):
    def environment(self, extra=None):
        # A terminal wide enough for every text on one line, so that each reads back whole
        # (test_native_console_dialogs.py shows the lines broken to the width).
        return super().environment(dict({"COLUMNS": "400"}, **(extra or {})))


bind(translation_cases.CASES, TranslationCase, globals())

if __name__ == "__main__":
    unittest.main()
