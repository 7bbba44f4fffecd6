"""The product update check of the Windows program under Wine: the shared cases of
update_check_cases.py, with the UI driver answering the real dialogs and message boxes
and Wine's browser hook recording the pages. Nothing of it is only Windows's."""

import unittest

import update_check_cases
from protocol import bind
from wine_case import WineCase

bind(update_check_cases.CASES, WineCase, globals())

if __name__ == "__main__":
    unittest.main()
