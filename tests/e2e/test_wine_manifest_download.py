"""The manifest download of the Windows build (WinINet) under Wine, against a loopback
server: the cases of manifest_download_cases.py."""

import unittest

from manifest_download_cases import DownloadCases
from wine_case import WineCase


class WineManifestDownload(DownloadCases, WineCase):
    CUT_MID_BODY = "(12030) The connection with the server has been terminated."
    # WinINet reads an answer without a status line as 200 without header fields, and a
    # status that is not a number as 0: both are reported as status 0.
    NOT_HTTP = (2, "Connection error. Status code: 0")
    BAD_STATUS_LINE = (2, "Connection error. Status code: 0")
    EMPTY_REPLY = (2, "Connection error. Status code: 0")
    # Windows says "timed out"; Wine's WinINet reports the expired wait as a termination.
    TIMEOUTS = {"(12002) The operation timed out.",
                "(12030) The connection with the server has been terminated."}
    # WinINet has no size error: the system's file-size error, with the program's own text
    # where the system has none (Wine).
    TOO_LARGE = {"(223) The file size exceeds the limit allowed and cannot be saved.",
                 "(223) The file size exceeds the limit allowed."}
    # Windows's text, and Wine's.
    DEADLINE = {"(12002) The operation timed out.", "(12002) The request has timed out."}
    # WinINet's own limits for headers decide; the run must only end in time.
    HEADERS_TOO_LARGE = None
    START_SECONDS = 20
    LIMIT_SECONDS = 90


if __name__ == "__main__":
    unittest.main()
