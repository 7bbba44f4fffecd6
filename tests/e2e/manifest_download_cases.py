"""Cases of the manifest download shared by the Linux and the Windows (Wine) suites, run
through the download probe (tests/support/download_probe.cpp).

A suite mixes DownloadCases into its platform's case (protocol.py) and gives the
platform's expected texts. Every case talks to the case's LoopbackHttpServer on
127.0.0.1, whose reply the case sets.
"""

import os
import shutil
import socket
import subprocess
import sys
import time
import unittest

SOURCE_DIR = os.environ.get("KWU_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD_DIR = os.environ.get("KWU_BUILD_DIR", "")
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))

from http_server import LoopbackHttpServer, Reply  # noqa: E402
from protocol import unquote  # noqa: E402

AGENT = "Kavex Web Update"
BAD_URL = "URL has incorrect format: "
UNRESOLVABLE_HOST = "kwu-no-such-host.invalid"
# Short enough for a quick test, long enough for a loaded machine to connect.
TEST_TIMEOUT_SECONDS = 3
# The deadline of a whole transfer set by the cases of a trickling server.
TEST_DEADLINE_SECONDS = 4
# The most a manifest may hold.
MAX_BODY = 16 * 1024 * 1024
# The lines of the bodies the server makes (Reply.sized, Reply.endless).
BODY_LINE = b"a" * 63 + b"\n"


def unescape(text):
    """Undoes the probe's escaping (\\\\, \\r, \\n, \\xNN) of a text it printed."""
    return unquote(text.encode("latin-1"))


def parse_probe_output(stdout):
    return dict(line.rstrip("\r").split("=", 1) for line in stdout.splitlines() if "=" in line)


def has_non_loopback_interface():
    try:
        names = os.listdir("/sys/class/net")
    except OSError:
        return True
    return any(name != "lo" for name in names)


_refusing_socket = None


def free_port():
    """A loopback port that refuses every connection: bound, never listening, and kept so
    for the whole run of the suite, so that no server of a suite running beside it can
    take the port in the meantime."""
    global _refusing_socket
    if _refusing_socket is None:
        _refusing_socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        _refusing_socket.bind(("127.0.0.1", 0))
    return _refusing_socket.getsockname()[1]


def loopback_only_prefix():
    """The command prefix that runs a program in a fresh network namespace with only the
    loopback interface, or None when this is already such a namespace. Raises SkipTest
    when isolation is needed but not possible."""
    if not has_non_loopback_interface():
        return None
    unshare = shutil.which("unshare")
    ip = shutil.which("ip")
    if unshare and ip:
        check = subprocess.run([unshare, "-n", "true"], capture_output=True)
        if check.returncode == 0:
            return [unshare, "-n", "sh", "-c", 'ip link set lo up && exec "$@"', "isolated"]
    raise unittest.SkipTest("a name lookup could leave the machine: run the suite in a "
                            "loopback-only network namespace (unshare -n) to test it")


class DownloadCases:
    # Filled in by each platform's suite: exact error texts and result codes (the texts of
    # a refused connection and of a name that does not resolve are the platform case's).
    CUT_MID_BODY = None
    NOT_HTTP = None          # (result, error text)
    BAD_STATUS_LINE = None   # (result, error text)
    EMPTY_REPLY = None       # (result, error text)
    TIMEOUTS = None          # set of acceptable exact texts
    TOO_LARGE = None         # set of acceptable exact texts for a body past the limit
    DEADLINE = None          # set of acceptable exact texts for the passed deadline
    HEADERS_TOO_LARGE = None  # (result, error text), or None where it is left to the platform
    # How long a run may take, beyond what the case waits for, to start and to end; and
    # how long a transfer of the largest body allowed may take.
    START_SECONDS = 10
    LIMIT_SECONDS = 30

    def run_probe(self, args, env=None, isolated=False, timeout=None):
        """The probe's standard output; a run that outlasts timeout seconds fails. The
        proxy of the environment only where a case sets it."""
        env = dict({"http_proxy": None, "KWU_INTERNET_TIMEOUT": None}, **(env or {}))
        result = self.run_program(*args, program="download_probe", timeout=timeout or 180,
                                  env=env, isolated=isolated)
        self.assertFalse(result.timed_out, "the probe did not end")
        self.assertEqual(result.exit_code, 0, result.stderr[-2000:])
        return result.stdout.decode("latin-1")

    def download(self, url, env=None, isolated=False, timeout=None):
        values = parse_probe_output(self.run_probe(["download", url], env, isolated, timeout))
        self.assertIn("result", values, "the probe printed no result")
        return int(values["result"]), unescape(values["error"]).decode("latin-1"), \
            unescape(values["manifest"])

    def timed_download(self, reply, env=None, limit=None):
        """Result, error text, the manifest's size, its last 64 bytes and the seconds the
        run took, for a reply too large to print."""
        self.server.reply = reply
        limit = self.START_SECONDS + self.LIMIT_SECONDS if limit is None else limit
        started = time.monotonic()
        values = parse_probe_output(self.run_probe(["download-size", self.server.url("/")],
                                                   env, timeout=limit))
        elapsed = time.monotonic() - started
        self.assertIn("result", values, "the probe printed no result")
        return (int(values["result"]), unescape(values["error"]).decode("latin-1"),
                int(values["manifest-size"]), unescape(values["manifest-tail"]), elapsed)

    def assertStoppedEarly(self, most):
        """The last request's reply was cut off by the client after at most `most` bytes."""
        request = self.server.requests[-1]
        self.assertTrue(request.finished.wait(15), "the server is still sending")
        self.assertLess(request.bytes_sent, most)

    def assertManifest(self, body, path="/misc/update.ini"):
        self.server.reply = Reply.http(200, body)
        result, error, manifest = self.download(self.server.url(path))
        self.assertEqual((result, error), (0, ""))
        self.assertEqual(manifest, body)

    # Successful transfers

    def test_body_arrives_whole_with_every_kind_of_line_end(self):
        lines = [b"; manifest", b"[App 7.0 en]", b"FileArgs=http://server/app.html"]
        for line_end in (b"\r\n", b"\n", b"\r"):
            with self.subTest(line_end=line_end):
                self.assertManifest(line_end.join(lines) + line_end)

    def test_empty_body_is_success_with_empty_texts(self):
        # The probe fills both outputs before the call: they must come back empty.
        self.assertManifest(b"")

    def test_lines_longer_than_one_piece_are_appended_whole(self):
        body = b"; first\n" + b"x" * 1022 + b"\n" + b"y" * 3000 + b"\r\nlast line"
        self.assertManifest(body)

    def test_large_body_in_many_reads(self):
        body = b"".join(b"line %06d %s\r\n" % (i, b"z" * 60) for i in range(5000))
        self.assertManifest(body)

    def test_body_ended_by_closing_without_content_length(self):
        self.server.reply = Reply.raw(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n"
                                      b"; m\nrest")
        self.assertEqual(self.download(self.server.url("/")), (0, "", b"; m\nrest"))

    def test_zero_byte_cuts_off_the_rest_of_its_piece(self):
        self.server.reply = Reply.http(200, b"; m\nab\x00cd\nef\n")
        self.assertEqual(self.download(self.server.url("/")), (0, "", b"; m\nabef\n"))

    # The request

    def test_request_is_one_get_of_the_object_on_the_given_port_with_the_agent(self):
        self.server.reply = Reply.http(200, b"; m\n")
        result, _, _ = self.download(self.server.url("/misc/update.ini?lang=en&x=%41#frag"))
        self.assertEqual(result, 0)
        self.assertEqual(len(self.server.requests), 1)
        request = self.server.requests[0]
        self.assertEqual(request.request_line, "GET /misc/update.ini?lang=en&x=%41 HTTP/1.1")
        self.assertEqual(request.header("User-Agent"), AGENT)
        self.assertEqual(request.header("Host"), "127.0.0.1:%d" % self.server.port)

    def test_address_without_path_requests_the_root(self):
        self.server.reply = Reply.http(200, b"")
        self.download("http://127.0.0.1:%d" % self.server.port)
        self.assertEqual(self.server.requests[0].path, "/")

    def test_address_without_port_connects_to_port_80(self):
        try:
            server = LoopbackHttpServer(port=80)
        except OSError as error:
            self.skipTest("cannot listen on 127.0.0.1:80 here (%s)" % error)
        with server:
            server.reply = Reply.http(200, b"; on port 80\n")
            self.assertEqual(self.download("http://127.0.0.1/p.ini"), (0, "", b"; on port 80\n"))
            self.assertEqual(server.requests[0].path, "/p.ini")

    def test_ipv6_literal_address(self):
        try:
            server = LoopbackHttpServer("::1")
        except OSError as error:
            self.skipTest("no IPv6 loopback here (%s)" % error)
        with server:
            server.reply = Reply.http(200, b"; over IPv6\n")
            self.assertEqual(self.download(server.url("/v6.ini")), (0, "", b"; over IPv6\n"))
            self.assertEqual(server.requests[0].path, "/v6.ini")

    # Answers other than 200

    def test_statuses_other_than_200_are_update_errors(self):
        for status in (404, 500, 201, 204):
            with self.subTest(status=status):
                self.server.reply = Reply.http(status, b"not the manifest")
                self.assertEqual(self.download(self.server.url("/")),
                                 (2, "Connection error. Status code: %d" % status, b""))

    def test_redirections_are_reported_and_not_followed(self):
        with LoopbackHttpServer() as target:
            target.reply = Reply.http(200, b"; moved here\n")
            for status in (301, 302):
                with self.subTest(status=status):
                    self.server.reply = Reply.redirect(status, target.url("/new.ini"))
                    self.assertEqual(self.download(self.server.url("/old.ini")),
                                     (2, "Connection error. Status code: %d" % status, b""))
            self.assertEqual(target.requests, [])

    def test_unreadable_status_lines_never_count_as_success(self):
        self.server.reply = Reply.raw(b"this is not HTTP\r\n\r\n; m\nFileArgs=http://x/\n")
        result, error, _ = self.download(self.server.url("/"))
        self.assertEqual((result, error), self.NOT_HTTP)
        self.server.reply = Reply.raw(b"HTTP/1.1 abc OK\r\nContent-Length: 4\r\n\r\n; m\n")
        result, error, _ = self.download(self.server.url("/"))
        self.assertEqual((result, error), self.BAD_STATUS_LINE)

    # Addresses that are not http URLs

    def test_addresses_that_are_not_http_fail_before_any_connection(self):
        port = self.server.port
        for url in ("https://127.0.0.1:%d/update.ini" % port, "ftp://127.0.0.1:%d/u" % port,
                    "file:///etc/hostname", "127.0.0.1:%d/update.ini" % port,
                    "http://user@127.0.0.1:%d/" % port, "mailto:someone@example.com"):
            with self.subTest(url=url):
                self.assertEqual(self.download(url), (2, BAD_URL + url, b""))
        self.assertEqual(self.server.requests, [])

    def test_is_http_url_gives_the_same_answers_on_every_platform(self):
        cases = {"http://host/misc/update.ini": "true", "HTTP://host:8080": "true",
                 "http://host/p?q=1#f": "true", "http://[::1]:81/": "true",
                 "https://host/": "false", "ftp://host/": "false", "file:///c:/x": "false",
                 "mailto:a@b.example": "false", "host/path": "false",
                 "http://host:0/": "false", "http://user@host/": "false",
                 "http://host/a%zz": "false"}
        for text, expected in cases.items():
            with self.subTest(text=text):
                self.assertEqual(self.run_probe(["is-http", text]).strip(), expected)

    # Failures of the internet service

    def test_body_cut_off_mid_way_is_an_internet_error(self):
        self.server.reply = Reply.cut_mid_body(b"; manifest\n[App 1]\n", 5000)
        result, error, _ = self.download(self.server.url("/"))
        self.assertEqual((result, error), (1, self.CUT_MID_BODY))

    def test_connection_closed_without_an_answer(self):
        self.server.reply = Reply.raw(b"")
        result, error, _ = self.download(self.server.url("/"))
        self.assertEqual((result, error), self.EMPTY_REPLY)

    def test_refused_connection_is_an_internet_error(self):
        self.assertEqual(self.download("http://127.0.0.1:%d/update.ini" % free_port()),
                         (1, self.REFUSED, b""))

    def test_unresolvable_host_is_an_internet_error(self):
        self.assertEqual(self.download("http://%s/update.ini" % UNRESOLVABLE_HOST, isolated=True),
                         (1, self.UNRESOLVABLE, b""))

    def test_server_that_never_answers_times_out(self):
        self.server.reply = Reply.never_answer()
        result, error, _ = self.download(
            self.server.url("/"), env={"KWU_INTERNET_TIMEOUT": str(TEST_TIMEOUT_SECONDS)})
        self.assertEqual(result, 1)
        self.assertIn(error, self.TIMEOUTS)

    # Bounds: no server can fill the memory of a run or hold it for long

    def test_endless_body_stops_at_the_size_limit(self):
        for framing in ("close", "chunked"):
            with self.subTest(framing=framing):
                result, error, _, _, _ = self.timed_download(Reply.endless(framing))
                self.assertEqual(result, 1)
                self.assertIn(error, self.TOO_LARGE)
                # Stopped at the limit (and what the sockets buffer), not by the server.
                self.assertStoppedEarly(2 * MAX_BODY)

    def test_announced_length_past_the_limit_fails_before_the_body(self):
        for announced in (MAX_BODY + 1, 1 << 30, 1 << 40):
            with self.subTest(announced=announced):
                result, error, size, _, _ = self.timed_download(
                    Reply.endless("length", announced=announced))
                self.assertEqual((result, size), (1, 0))
                self.assertIn(error, self.TOO_LARGE)
                self.assertStoppedEarly(MAX_BODY)

    def test_body_of_exactly_the_limit_arrives_and_one_byte_more_fails(self):
        for framing in ("length", "close", "chunked"):
            with self.subTest(framing=framing):
                result, error, size, tail, _ = self.timed_download(Reply.sized(MAX_BODY, framing))
                self.assertEqual((result, error, size), (0, "", MAX_BODY))
                self.assertEqual(tail, BODY_LINE)
                result, error, _, _, _ = self.timed_download(Reply.sized(MAX_BODY + 1, framing))
                self.assertEqual(result, 1)
                self.assertIn(error, self.TOO_LARGE)

    def test_trickling_body_ends_at_the_deadline(self):
        # Two bytes every half second: never a stall, and never an end.
        result, error, _, _, elapsed = self.timed_download(
            Reply.trickle(0.5), env={"KWU_INTERNET_DEADLINE": str(TEST_DEADLINE_SECONDS)},
            limit=TEST_DEADLINE_SECONDS + self.START_SECONDS)
        self.assertEqual(result, 1)
        self.assertIn(error, self.DEADLINE)
        self.assertGreaterEqual(elapsed, TEST_DEADLINE_SECONDS - 0.5)

    def test_headers_past_the_limit_are_refused_and_usual_ones_are_not(self):
        for size, lines in ((1 << 20, 1), (200000, 2000)):
            with self.subTest(size=size, lines=lines):
                self.server.reply = Reply.huge_header(size, lines)
                # Where the platform's answer is not fixed, the run must still end in time.
                result, error, _ = self.download(self.server.url("/"),
                                                 timeout=self.START_SECONDS + 20)
                if self.HEADERS_TOO_LARGE is not None:
                    self.assertEqual((result, error), self.HEADERS_TOO_LARGE)
        self.server.reply = Reply.huge_header(50000, 500)
        self.assertEqual(self.download(self.server.url("/")), (0, "", b"; m\n"))
