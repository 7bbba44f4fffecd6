"""kavexwebupd-manifest.exe, the Windows console build of the tool, under Wine: the cases
of tool_cases.py, its downloads through WinINet and the program's product folder, and of
tool_signing_cases.py, its keys and signatures made with CNG."""

import unittest

import tool_cases
import tool_signing_cases
from protocol import bind
from wine_case import WineCase

bind(tool_cases.CASES + tool_signing_cases.CASES, WineCase, globals())

if __name__ == "__main__":
    unittest.main()
