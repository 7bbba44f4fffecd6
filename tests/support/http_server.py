#!/usr/bin/python3
"""A loopback HTTP server for the tests, whose reply each test case sets.

As a module:

    with LoopbackHttpServer() as server:
        server.reply = Reply.http(200, b"; manifest\\r\\n")
        ... fetch server.url("/misc/update.ini") ...
        server.requests[0].path, server.requests[0].header("User-Agent")

With tls=(certificate file, key file) it speaks https: its url() names it by the host
name the certificate is for, localhost, and a client that refuses the certificate (or any
other failed handshake) counts in server.failed_handshakes, not in server.requests.

As a script it serves one fixed reply until it is stopped, and prints "port <n>" on its
first line of output:

    http_server.py [--port N] [--status 200] [--body-file FILE] [--location URL]
                   [--log FILE] [--endless close|chunked|length] [--trickle SECONDS]
                   [--tls-certificate FILE --tls-key FILE]

It listens on 127.0.0.1 only (or ::1 when asked), and never connects anywhere. Streamed
replies make their body as they send it, stop as soon as the client goes away, and send
for at most MAX_STREAM_SECONDS.
"""

import argparse
import itertools
import signal
import socket
import ssl
import sys
import threading
import time

_REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 404: "Not Found",
            500: "Internal Server Error"}


MAX_STREAM_SECONDS = 300
# One block of a generated body: lines of 63 letters and a line feed.
_BLOCK = (b"a" * 63 + b"\n") * 1024


def _blocks(size=None, block=_BLOCK):
    """size bytes of lines (for ever when size is None), in pieces of at most one block."""
    if size is None:
        return itertools.repeat(block)
    full, rest = divmod(size, len(block))
    return itertools.chain(itertools.repeat(block, full), [block[:rest]] if rest else [])


def _chunked(pieces):
    """The pieces in chunked transfer coding, with the last chunk when they end."""
    for piece in pieces:
        if piece:
            yield b"%x\r\n" % len(piece) + piece + b"\r\n"
    yield b"0\r\n\r\n"


class Reply:
    """What the server does with each request: send bytes and close, or stay silent.
    After data, a streamed reply sends what make_stream() yields, waiting interval
    seconds before each piece."""

    def __init__(self, data=b"", silent=False, make_stream=None, interval=0.0, hold=False):
        self.data = data
        self.silent = silent
        self.make_stream = make_stream
        self.interval = interval
        # After data, send nothing more and keep the connection open until the client
        # leaves (or MAX_STREAM_SECONDS have passed).
        self.hold = hold

    @staticmethod
    def _head(status, fields):
        reason = _REASONS.get(status, "Status")
        lines = ["HTTP/1.1 %d %s" % (status, reason)] + ["%s: %s" % pair for pair in fields]
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    @classmethod
    def http(cls, status=200, body=b"", headers=(), reason=None, content_length=None):
        """A complete HTTP/1.1 answer. content_length overrides the length announced, so
        that a body can be cut short."""
        if isinstance(body, str):
            body = body.encode("latin-1")
        reason = _REASONS.get(status, "Status") if reason is None else reason
        length = len(body) if content_length is None else content_length
        head = ["HTTP/1.1 %d %s" % (status, reason), "Content-Length: %d" % length,
                "Content-Type: text/plain", "Connection: close"]
        head.extend("%s: %s" % pair for pair in headers)
        return cls(("\r\n".join(head) + "\r\n\r\n").encode("latin-1") + body)

    @classmethod
    def redirect(cls, status, location):
        return cls.http(status, b"moved\n", headers=[("Location", location)])

    @classmethod
    def cut_mid_body(cls, body, announced):
        """Announces `announced` bytes of body, sends `body` (shorter) and hangs up."""
        return cls.http(200, body, content_length=announced)

    @classmethod
    def raw(cls, data):
        """Exactly these bytes, whatever they are, then the connection is closed."""
        return cls(data if isinstance(data, bytes) else data.encode("latin-1"))

    @classmethod
    def sized(cls, size, framing="length"):
        """A 200 answer with a body of exactly size bytes of lines, made as it is sent;
        framed by Content-Length, by closing the connection, or chunked."""
        return cls._streamed(framing, lambda: _blocks(size), size)

    @classmethod
    def endless(cls, framing="close", announced=None, interval=0.0):
        """A 200 answer whose body never ends; "length" announces `announced` bytes; with an
        interval, a pause that long after every 64 KiB block."""
        return cls._streamed(framing, _blocks, announced, interval)

    @classmethod
    def trickle(cls, interval, piece=b"a\n", framing="close"):
        """A 200 answer whose endless body comes one piece every interval seconds."""
        return cls._streamed(framing, lambda: itertools.repeat(piece), 1 << 40, interval)

    @classmethod
    def trickled_headers(cls, interval):
        """A status line, then header fields that never end, one byte every interval."""
        pieces = lambda: itertools.chain([b"HTTP/1.1 200 OK\r\nX-Slow: "],
                                         itertools.repeat(b"s"))
        return cls(make_stream=pieces, interval=interval)

    @classmethod
    def huge_header(cls, size, lines=1):
        """A 200 answer with `lines` header fields of about size bytes in all."""
        each = max(1, size // lines)
        fields = [("X-Filler-%d" % i, "f" * each) for i in range(lines)]
        return cls(cls._head(200, fields + [("Content-Length", "4"), ("Connection", "close")])
                   + b"; m\n")

    @classmethod
    def _streamed(cls, framing, make_body, length, interval=0.0):
        fields = [("Content-Type", "text/plain"), ("Connection", "close")]
        make_stream = make_body
        if framing == "length":
            fields.insert(0, ("Content-Length", str(length)))
        elif framing == "chunked":
            fields.insert(0, ("Transfer-Encoding", "chunked"))
            make_stream = lambda: _chunked(make_body())
        elif framing != "close":
            raise ValueError("framing is length, chunked or close: %r" % framing)
        return cls(cls._head(200, fields), make_stream=make_stream, interval=interval)

    @classmethod
    def headers_then_silence(cls, announced=4096):
        """A complete head announcing `announced` bytes of body, then not one byte more;
        the connection stays open until the client leaves."""
        fields = [("Content-Length", str(announced)), ("Content-Type", "text/plain")]
        return cls(cls._head(200, fields), hold=True)

    @classmethod
    def status_line(cls, line, body=b"; m\n"):
        """An answer whose status line is exactly `line` (bytes or text), with a body framed
        by Content-Length."""
        if isinstance(line, str):
            line = line.encode("latin-1")
        return cls(line + b"\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
                   + body)

    @classmethod
    def bad_chunk_size(cls, size_line=b"zz"):
        """A chunked answer whose first chunk size line is not a hexadecimal number."""
        return cls(cls._head(200, [("Transfer-Encoding", "chunked"), ("Connection", "close")])
                   + size_line + b"\r\n; m\r\n0\r\n\r\n")

    @classmethod
    def never_answer(cls):
        """Accepts the connection and reads the request, but never answers."""
        return cls(silent=True)


class RecordedRequest:
    def __init__(self, head):
        lines = head.decode("latin-1").split("\r\n")
        self.request_line = lines[0]
        parts = self.request_line.split(" ")
        self.method = parts[0] if parts else ""
        self.path = parts[1] if len(parts) > 1 else ""
        self.headers = []
        self.bytes_sent = 0  # of the reply, counted as it is sent
        self.finished = threading.Event()  # set once the server is done with it
        for line in lines[1:]:
            if ":" in line:
                name, value = line.split(":", 1)
                self.headers.append((name.strip(), value.strip()))

    def header(self, name):
        for key, value in self.headers:
            if key.lower() == name.lower():
                return value
        return None

    def __repr__(self):
        return "RecordedRequest(%r)" % self.request_line


class LoopbackHttpServer:
    def __init__(self, host="127.0.0.1", port=0, tls=None):
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        self._socket = socket.socket(family, socket.SOCK_STREAM)
        self._socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._socket.bind((host, port))
        self._socket.listen(16)
        self.host = host
        self.port = self._socket.getsockname()[1]
        self.reply = Reply.http(200, b"")
        self.requests = []
        self.on_request = None  # called with each RecordedRequest, from the server thread
        self.failed_handshakes = 0
        self._tls = None
        if tls:
            self._tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self._tls.load_cert_chain(*tls)
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._threads = []
        self._accepter = threading.Thread(target=self._accept_loop, daemon=True)

    def start(self):
        self._accepter.start()
        return self

    def stop(self):
        self._stopping.set()
        try:
            self._socket.close()
        except OSError:
            pass
        self._accepter.join(5)
        for thread in list(self._threads):
            thread.join(5)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def url(self, path="/"):
        if self._tls:
            return "https://localhost:%d%s" % (self.port, path)
        host = "[%s]" % self.host if ":" in self.host else self.host
        return "http://%s:%d%s" % (host, self.port, path)

    def _accept_loop(self):
        self._socket.settimeout(0.2)
        while not self._stopping.is_set():
            try:
                connection, _ = self._socket.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            thread = threading.Thread(target=self._serve, args=(connection,), daemon=True)
            self._threads.append(thread)
            thread.start()

    def _serve(self, connection):
        if self._tls:
            try:
                connection.settimeout(10)
                connection = self._tls.wrap_socket(connection, server_side=True)
            except (OSError, ssl.SSLError):
                with self._lock:
                    self.failed_handshakes += 1
                connection.close()
                return
        with connection:
            connection.settimeout(10)
            head = b""
            try:
                while b"\r\n\r\n" not in head and len(head) < 65536:
                    chunk = connection.recv(4096)
                    if not chunk:
                        break
                    head += chunk
            except OSError:
                return
            request = RecordedRequest(head.split(b"\r\n\r\n", 1)[0])
            with self._lock:
                self.requests.append(request)
                reply = self.reply
            if self.on_request:
                self.on_request(request)
            try:
                self._send_reply(connection, reply, request)
            finally:
                request.finished.set()

    def _send_reply(self, connection, reply, request):
        if reply.silent:
            self._stopping.wait()
            return
        try:
            connection.sendall(reply.data)
            request.bytes_sent += len(reply.data)
            if reply.hold:
                self._hold(connection)
                return
            if reply.make_stream:
                # A client that has gone makes sendall fail, which ends the stream.
                give_up = time.monotonic() + MAX_STREAM_SECONDS
                for piece in reply.make_stream():
                    if reply.interval and self._stopping.wait(reply.interval):
                        return
                    if self._stopping.is_set() or time.monotonic() > give_up:
                        return
                    connection.sendall(piece)
                    request.bytes_sent += len(piece)
            connection.shutdown(socket.SHUT_WR)
            # Let the client read everything before the socket goes away.
            connection.settimeout(2)
            while connection.recv(4096):
                pass
        except OSError:
            pass


    def _hold(self, connection):
        """Waits, sending nothing, until the client closes, the server stops or
        MAX_STREAM_SECONDS have passed."""
        give_up = time.monotonic() + MAX_STREAM_SECONDS
        connection.settimeout(0.2)
        while not self._stopping.is_set() and time.monotonic() < give_up:
            try:
                if not connection.recv(4096):
                    return
            except socket.timeout:
                continue


def main(argv=None):
    parser = argparse.ArgumentParser(description="Loopback HTTP server with a fixed reply")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--body-file")
    parser.add_argument("--location")
    parser.add_argument("--log", help="file that receives each request line and headers")
    parser.add_argument("--endless", choices=("close", "chunked", "length"),
                        help="answer 200 with a body that never ends (length: 1 GiB announced)")
    parser.add_argument("--trickle", type=float, metavar="SECONDS",
                        help="answer 200 with an endless body, two bytes every SECONDS")
    parser.add_argument("--tls-certificate", help="speak https with this certificate")
    parser.add_argument("--tls-key", help="the certificate's private key")
    args = parser.parse_args(argv)
    if args.host not in ("127.0.0.1", "::1", "localhost"):
        parser.error("the server listens on the loopback interface only")

    body = b""
    if args.body_file:
        with open(args.body_file, "rb") as stream:
            body = stream.read()
    headers = [("Location", args.location)] if args.location else []
    tls = (args.tls_certificate, args.tls_key) if args.tls_certificate else None
    server = LoopbackHttpServer(args.host, args.port, tls=tls)
    server.reply = Reply.http(args.status, body, headers=headers)
    if args.endless:
        server.reply = Reply.endless(args.endless, announced=1 << 30)
    if args.trickle:
        server.reply = Reply.trickle(args.trickle)
    if args.log:
        def record(request):
            with open(args.log, "a", encoding="latin-1") as log:
                log.write(request.request_line + "\n")
                for name, value in request.headers:
                    log.write("%s: %s\n" % (name, value))
                log.write("\n")
        server.on_request = record

    stopped = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopped.set())
    signal.signal(signal.SIGINT, lambda *_: stopped.set())
    server.start()
    print("port %d" % server.port, flush=True)
    stopped.wait()
    server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
