"""Every translation as the Linux program shows it on the console host: the shared cases
of translation_cases.py."""

import unittest

import translation_cases
from native_harness import NativeCase
from protocol import bind

bind(translation_cases.CASES, NativeCase, globals())

if __name__ == "__main__":
    unittest.main()
