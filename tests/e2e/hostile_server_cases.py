"""The whole program against a manifest server that misbehaves, shared by the Linux and
the Windows (Wine) suites.

Each case runs `kavexwebupd App 7.0` (the error message box, or a dialog) and
`kavexwebupd App 7.0 1` (silent: nothing, or the update dialog) with the manifest address
on a loopback server whose reply the case sets. Every run must end by itself, within the
case's time limit, with exit code 0; it must show the outcome the platform's suite
expects for the case; it must send exactly one request (no retry, no redirection
followed); and, where the suite can measure it, its peak memory must stay below the
suite's bound.

A suite mixes HostileServerCases into its platform's case (protocol.py) and provides:
- EXPECTED: {case name: outcome}, an outcome being error(text, ...) (the download's error
  text; several when the platform may give one of them), NO_UPDATES or UPDATE; None for
  a case that the platform is known to fail, which is then skipped with the comment
  beside it;
- START_SECONDS: how long a run may take beyond the case's own waits;
- MEMORY_BOUND: bytes, or None where the suite cannot measure (the run's peak_bytes).
"""

import collections
import time

from protocol import NO_UPDATES as NO_UPDATES_TEXT, Reply, box, close, ok

# Waits of the internet layer shortened for the tests: each wait for data, and a whole
# transfer.
TIMEOUT_SECONDS = 3
DEADLINE_SECONDS = 5
# The cases that send the largest body allowed need longer on a slow platform.
SIZE_DEADLINE_SECONDS = 60
MAX_BODY = 16 * 1024 * 1024
MB = 1024 * 1024

NO_UPDATES = ("no-updates",)
UPDATE = ("update",)
UPDATES_AVAILABLE = "There are updates available for the App software."


def error(*texts):
    """The outcome of a failed download: the message box in a run that is not silent,
    nothing in a silent one. texts: the error text, or each the platform may give."""
    return ("error", frozenset(texts))


# make_reply is called with the server's manifest address; a run that ends sooner than
# least_seconds did not wait for what the case makes it wait for.
Case = collections.namedtuple("Case", "name make_reply deadline least_seconds",
                              defaults=(DEADLINE_SECONDS, 0.0))


def _manifest_with_odd_bytes(with_page):
    # A zero byte drops the rest of its piece (up to the line feed); bytes above 127 are
    # kept as they are, and a section header made of them matches no product.
    lines = [b"; KavexWebUpdate manifest", b"junk \x00 after a zero byte [App 7.0]",
             b"[\xc4pp 7.0]", b"FileArgs=http://127.0.0.1/\xe9\xff.html", b"\x01\x02\x7f\x80\xfe"]
    if with_page:
        lines += [b"[App 7.0]", b"FileArgs=http://127.0.0.1/app70.html"]
    return Reply.http(200, b"\r\n".join(lines) + b"\r\n")


CASES = [
    Case("garbage_instead_of_http",
         lambda url: Reply.raw(b"\x16\x03\x01\x00\xa5garbage, not HTTP\x00\xff\r\n\r\n")),
    Case("close_without_reply", lambda url: Reply.raw(b"")),
    Case("close_mid_body",
         lambda url: Reply.cut_mid_body(b"; m\r\n[App 7.0]\r\nFileArgs=http://127.0.0.1/", 5000)),
    Case("never_answer", lambda url: Reply.never_answer(), least_seconds=TIMEOUT_SECONDS - 0.5),
    Case("headers_then_silence", lambda url: Reply.headers_then_silence(),
         least_seconds=TIMEOUT_SECONDS - 0.5),
    Case("trickling_body", lambda url: Reply.trickle(0.5), least_seconds=DEADLINE_SECONDS - 0.5),
    Case("endless_body", lambda url: Reply.endless("close"), deadline=SIZE_DEADLINE_SECONDS),
    Case("endless_chunked_body", lambda url: Reply.endless("chunked"),
         deadline=SIZE_DEADLINE_SECONDS),
    Case("oversize_body_with_content_length", lambda url: Reply.sized(MAX_BODY + 1, "length"),
         deadline=SIZE_DEADLINE_SECONDS),
    Case("zero_and_high_bytes_in_the_body", lambda url: _manifest_with_odd_bytes(False)),
    Case("zero_and_high_bytes_around_the_page", lambda url: _manifest_with_odd_bytes(True)),
    Case("redirect_to_itself", lambda url: Reply.redirect(302, url)),
    Case("huge_header", lambda url: Reply.huge_header(1 << 20)),
    Case("bad_chunk_size", lambda url: Reply.bad_chunk_size()),
    Case("status_200_without_reason",
         lambda url: Reply.status_line("HTTP/1.1 200",
                                       b"; m\r\n[App 7.0]\r\nFileArgs=http://127.0.0.1/a.html\r\n")),
    Case("status_099", lambda url: Reply.status_line("HTTP/1.1 099 Early")),
    Case("status_2000", lambda url: Reply.status_line("HTTP/1.1 2000 OK")),
]


class HostileServerCases:
    EXPECTED = None
    START_SECONDS = 10
    MEMORY_BOUND = None
    # How each outcome is answered: the error box, the no-updates dialog, the offer.
    ANSWERS = {"error": box, "no-updates": ok, "update": lambda title: close(title, key="escape")}

    def test_every_case_has_an_expected_outcome(self):
        self.assertEqual(sorted(self.EXPECTED), sorted(case.name for case in CASES))

    def check_case(self, case):
        self.server.reply = case.make_reply(self.address)
        expected = self.EXPECTED[case.name]
        if expected is None:
            self.skipTest("known to fail on this platform: see EXPECTED in the suite")
        env = {"KWU_INTERNET_TIMEOUT": str(TIMEOUT_SECONDS),
               "KWU_INTERNET_DEADLINE": str(case.deadline)}
        limit = case.deadline + self.START_SECONDS
        for silent in (False, True):
            with self.subTest(silent=silent):
                shows = not silent or expected[0] == "update"
                answers = [self.ANSWERS[expected[0]]("App")] if shows else []
                started = time.monotonic()
                result = self.check("App", "7.0", *(["1"] if silent else []), answers=answers,
                                    env=env, timeout=limit)
                seconds = time.monotonic() - started
                window = result.windows[0] if shows else None
                if shows and expected[0] == "error":
                    self.assertEqual(window.text[:7], "Error: ", result)
                    self.assertIn(window.text[7:], expected[1], result)
                    if self.BOX_DETAILS:
                        self.assertTrue(window.icon, result)
                elif shows:
                    self.assertEqual(window.text, NO_UPDATES_TEXT if expected == NO_UPDATES
                                     else UPDATES_AVAILABLE, result)
                self.assertGreaterEqual(seconds, case.least_seconds, result)
                self.assertEqual(len(result.requests), 1,
                                 "one request per run: %r" % result.requests)
                if self.MEMORY_BOUND is not None:
                    self.assertIsNotNone(result.peak_bytes, result)
                    self.assertLess(result.peak_bytes, self.MEMORY_BOUND, result)


def _add_case_tests():
    for case in CASES:
        def test(self, case=case):
            self.check_case(case)
        test.__name__ = "test_" + case.name
        setattr(HostileServerCases, test.__name__, test)


_add_case_tests()
