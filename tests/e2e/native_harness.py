"""Runs the native program end to end, each case in a sandbox of its own.

A sandbox is a temporary folder holding the case's settings file (the Linux counterpart
of the current user's registry), its common application-data folder and a home folder,
so that no case can read or change the machine's real settings. The program is the one
built in KWU_BUILD_DIR.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

BUILD_DIR = os.environ.get("KWU_BUILD_DIR", "")
SOURCE_DIR = os.environ.get("KWU_SOURCE_DIR", "")
PROGRAM = os.path.join(BUILD_DIR, "src", "kavexwebupd")

SETTINGS_KEY = "Software\\Kavex\\WebUpdates"
REMIND_DATES_KEY = SETTINGS_KEY + "\\RemindDates"
CAPTION = "Kavex Web Update"

# Variables of the caller that would change where the program looks or what it shows.
_CLEARED_VARIABLES = ("KAVEXWEBUPD_SETTINGS", "KAVEXWEBUPD_COMMON_APPDATA", "XDG_CONFIG_HOME",
                      "DISPLAY", "WAYLAND_DISPLAY", "KAVEXWEBUPD_GTK_MODULE", "http_proxy",
                      "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                      "COLUMNS")


class RunResult:
    def __init__(self, exit_code, stdout, stderr):
        self.exit_code = exit_code
        self.stdout = stdout  # bytes
        self.stderr = stderr  # bytes

    def __repr__(self):
        return "RunResult(exit_code=%r, stderr=%r)" % (self.exit_code, self.stderr)


def quote(text):
    """A name or value as written between quotes in the settings file."""
    if isinstance(text, str):
        text = text.encode("utf-8")
    escapes = {0x5C: b"\\\\", 0x22: b'\\"', 0x0A: b"\\n", 0x0D: b"\\r", 0x09: b"\\t"}
    out = bytearray(b'"')
    for byte in text:
        if byte in escapes:
            out += escapes[byte]
        elif byte < 0x20 or byte == 0x7F:
            out += b"\\x%02X" % byte
        else:
            out.append(byte)
    out += b'"'
    return bytes(out)


def _unquote(line, position):
    """Reads a quoted text at position; returns (text, position after it)."""
    assert line[position:position + 1] == b'"', line
    position += 1
    out = bytearray()
    simple = {ord("\\"): 0x5C, ord('"'): 0x22, ord("n"): 0x0A, ord("r"): 0x0D, ord("t"): 0x09}
    while True:
        byte = line[position]
        position += 1
        if byte == 0x22:
            return bytes(out), position
        if byte != 0x5C:
            out.append(byte)
            continue
        escaped = line[position]
        position += 1
        if escaped == ord("x"):
            out.append(int(line[position:position + 2], 16))
            position += 2
        else:
            out.append(simple[escaped])


def parse_settings(content):
    """{(key, name) in lower case: value bytes} of a settings file; the last line wins."""
    values = {}
    key = None
    for raw in content.split(b"\n"):
        line = raw.rstrip(b"\r").strip(b" \t")
        if not line or line[:1] in (b"#", b";"):
            continue
        if line[:1] == b"[":
            key = line[1:-1].decode("utf-8", "surrogateescape")
            continue
        if line[:1] == b"@":
            name, position = b"", 1
        else:
            name, position = _unquote(line, 0)
        position = line.index(b"=", position) + 1
        while line[position:position + 1] in (b" ", b"\t"):
            position += 1
        value, _ = _unquote(line, position)
        values[(key.lower(), name.decode("utf-8", "surrogateescape").lower())] = value
    return values


class Sandbox:
    def __init__(self, create_common_data=True):
        self.root = tempfile.mkdtemp(prefix="kwu-e2e-")
        self.settings_path = os.path.join(self.root, "settings.conf")
        self.common_data = os.path.join(self.root, "common")
        self.home = os.path.join(self.root, "home")
        os.mkdir(self.home)
        if create_common_data:
            os.mkdir(self.common_data)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    # Product description files.

    @property
    def product_folder(self):
        return os.path.join(self.common_data, "Dexivane", "KavexWebUpdate")

    def write_product_file(self, file_name, content):
        os.makedirs(self.product_folder, exist_ok=True)
        if isinstance(content, str):
            content = content.encode("utf-8")
        with open(os.path.join(self.product_folder, file_name), "wb") as file:
            file.write(content)

    # Settings: the file written as a user would write it by hand.

    def write_settings(self, content):
        if isinstance(content, str):
            content = content.encode("utf-8")
        with open(self.settings_path, "wb") as file:
            file.write(content)

    def set_values(self, values):
        """Writes a settings file holding {(key, name): value}, replacing any before."""
        by_key = {}
        for (key, name), value in values.items():
            by_key.setdefault(key, []).append((name, value))
        content = b"# written by the test harness\n"
        for key, entries in by_key.items():
            content += b"\n[" + key.encode("utf-8") + b"]\n"
            for name, value in entries:
                content += (b"@" if name == "" else quote(name)) + b"=" + quote(value) + b"\n"
        self.write_settings(content)

    def settings_bytes(self):
        with open(self.settings_path, "rb") as file:
            return file.read()

    def read_settings(self):
        """The values of the settings file, as parse_settings gives them; {} without one."""
        if not os.path.exists(self.settings_path):
            return {}
        return parse_settings(self.settings_bytes())

    def get_value(self, key, name):
        return self.read_settings().get((key.lower(), name.lower()))

    # Running the program.

    def environment(self, extra=None):
        env = {name: value for name, value in os.environ.items()
               if name not in _CLEARED_VARIABLES}
        env.update({
            "KAVEXWEBUPD_SETTINGS": self.settings_path,
            "KAVEXWEBUPD_COMMON_APPDATA": self.common_data,
            "HOME": self.home,
            "TZ": "UTC",
            "LC_ALL": "C",
            # Dialogs on the console host, answered through the piped input; the suites
            # of the other hosts choose theirs.
            "KAVEXWEBUPD_DIALOGS": "console",
            # A run that falls back to the built-in address must not look its host up in
            # the machine's resolver: a proxy on a closed loopback port refuses it first.
            "http_proxy": "http://127.0.0.1:9",
            "no_proxy": "127.0.0.1,localhost,::1",
        })
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        for name, value in (extra or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def run(self, *args, env=None, timeout=60, cwd=None, input=None, prefix=()):
        """Runs the program with the arguments; env entries set to None are removed.
        input (bytes or str) is piped to standard input, which is otherwise empty;
        prefix is a command that the program is run under (such as unshare)."""
        if isinstance(input, str):
            input = input.encode("utf-8")
        stdin = {"stdin": subprocess.DEVNULL} if input is None else {"input": input}
        completed = subprocess.run(list(prefix) + [PROGRAM] + [str(arg) for arg in args],
                                   env=self.environment(env), cwd=cwd or self.root,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   timeout=timeout, **stdin)
        return RunResult(completed.returncode, completed.stdout, completed.stderr)


class NativeTestCase(unittest.TestCase):
    """A test case with a fresh sandbox per test in self.box."""

    create_common_data = True

    @classmethod
    def setUpClass(cls):
        if not os.access(PROGRAM, os.X_OK):
            raise RuntimeError("the native program is not built: " + PROGRAM)

    def setUp(self):
        self.box = Sandbox(self.create_common_data)
        self.addCleanup(self.box.close)

    def read_file(self, path):
        with open(path, "rb") as file:
            return file.read()
