"""kavexwebupd-manifest, the Linux build, end to end: the cases of tool_cases.py and
tool_signing_cases.py (its keys and signatures made with OpenSSL)."""

import unittest

import tool_cases
import tool_signing_cases
from native_harness import NativeCase
from protocol import bind

bind(tool_cases.CASES + tool_signing_cases.CASES, NativeCase, globals())

if __name__ == "__main__":
    unittest.main()
