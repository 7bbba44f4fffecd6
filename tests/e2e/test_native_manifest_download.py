"""The manifest download of the Linux build (libcurl) against a loopback server."""

import unittest

from manifest_download_cases import TEST_DEADLINE_SECONDS, DownloadCases, Reply
from native_harness import NativeCase


class NativeManifestDownload(DownloadCases, NativeCase):
    CUT_MID_BODY = "(18) Transferred a partial file."
    # curl refuses an answer without an HTTP status line itself.
    NOT_HTTP = (1, "(1) Unsupported protocol.")
    BAD_STATUS_LINE = (1, "(1) Unsupported protocol.")
    EMPTY_REPLY = (1, "(52) Server returned nothing (no headers, no data).")
    TIMEOUTS = {"(28) Timeout was reached."}
    TOO_LARGE = {"(63) Maximum file size exceeded."}
    DEADLINE = {"(28) Timeout was reached."}
    HEADERS_TOO_LARGE = (1, "(56) Too large response headers.")
    START_SECONDS = 5

    def test_proxy_comes_from_the_environment(self):
        # http_proxy pointing at the loopback server makes it receive the absolute URL.
        self.server.reply = Reply.http(200, b"; via proxy\n")
        url = "http://manifest.example/misc/update.ini"
        values = self.download(url, env={"http_proxy": self.server.url("")})
        self.assertEqual(values, (0, "", b"; via proxy\n"))
        self.assertEqual(self.server.requests[0].request_line, "GET %s HTTP/1.1" % url)

    def test_timeout_variables_that_are_not_numbers_keep_the_defaults(self):
        # A bad value neither breaks the transfer nor is taken as "no time at all".
        self.server.reply = Reply.http(200, b"; m\n")
        for variable in ("KWU_INTERNET_TIMEOUT", "KWU_INTERNET_DEADLINE"):
            for value in ("abc", "-5", "0", "3x"):
                with self.subTest(variable=variable, value=value):
                    self.assertEqual(self.download(self.server.url("/"),
                                                   env={variable: value})[0], 0)

    def test_headers_that_never_end_are_held_to_the_deadline(self):
        # curl's deadline covers the whole transfer, headers included.
        result, error, _, _, elapsed = self.timed_download(
            Reply.trickled_headers(0.5), env={"KWU_INTERNET_DEADLINE": str(TEST_DEADLINE_SECONDS)},
            limit=TEST_DEADLINE_SECONDS + self.START_SECONDS)
        self.assertEqual((result, error), (1, "(28) Timeout was reached."))
        self.assertGreaterEqual(elapsed, TEST_DEADLINE_SECONDS - 0.5)


if __name__ == "__main__":
    unittest.main()
