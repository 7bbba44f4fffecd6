"""kavexwebupd-manifest.exe, the Windows console build of the tool, under Wine: the cases
of tool_cases.py, its downloads through WinINet and the program's product folder."""

import unittest

import tool_cases
from protocol import bind
from wine_case import WineCase

bind(tool_cases.CASES, WineCase, globals())

if __name__ == "__main__":
    unittest.main()
