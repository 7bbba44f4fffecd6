"""kavexwebupd-manifest, the Linux build, end to end: the cases of tool_cases.py."""

import unittest

import tool_cases
from native_harness import NativeCase
from protocol import bind

bind(tool_cases.CASES, NativeCase, globals())

if __name__ == "__main__":
    unittest.main()
