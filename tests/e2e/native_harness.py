"""The Linux program end to end, behind the protocol of protocol.py: NativeCase.

Each case has a sandbox of its own: a temporary folder holding the settings file (the
Linux counterpart of the current user's registry), the common application-data folder, a
home folder and an opener command that records the pages handed to the browser, so that
no case can read or change the machine's real settings. Dialogs are shown by the console
host and answered through standard input; message boxes go to standard error as
"<caption>: <text>". The program is the one built in KWU_BUILD_DIR.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading

from manifest_download_cases import loopback_only_prefix
from protocol import (BUILD_DIR, LINUX_USAGE_TEXT, SETTINGS_KEY, ZONE, ProgramCase, Result,
                      Window, unquote)

PROGRAM = os.path.join(BUILD_DIR, "src", "kavexwebupd")

# Variables of the caller that would change where the program looks or what it shows.
_CLEARED_VARIABLES = ("KAVEXWEBUPD_SETTINGS", "KAVEXWEBUPD_COMMON_APPDATA", "XDG_CONFIG_HOME",
                      "DISPLAY", "WAYLAND_DISPLAY", "KAVEXWEBUPD_GTK_MODULE", "http_proxy",
                      "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                      "COLUMNS")

# Records each opening as one line: the number of arguments, then each in brackets.
RECORDING_OPENER = """#!/bin/sh
line="$#"
for argument; do line="$line [$argument]"; done
printf '%%s\\n' "$line" >> '%s'
"""

# ---- the settings file ------------------------------------------------------------------

_ESCAPES = {0x5C: b"\\\\", 0x22: b'\\"', 0x0A: b"\\n", 0x0D: b"\\r", 0x09: b"\\t"}
_QUOTED = rb'"((?:[^"\\]|\\.)*)"'
_VALUE_LINE = re.compile(rb"(@|%s)[ \t]*=[ \t]*%s" % (_QUOTED, _QUOTED))


def quote(text):
    """A name or value as written between quotes in the settings file."""
    out = bytearray(b'"')
    for byte in text.encode("utf-8") if isinstance(text, str) else text:
        if byte in _ESCAPES:
            out += _ESCAPES[byte]
        elif byte < 0x20 or byte == 0x7F:
            out += b"\\x%02X" % byte
        else:
            out.append(byte)
    return bytes(out + b'"')


def parse_settings(content):
    """{(key, name): value bytes} of a settings file, in file order; the last line wins."""
    values, key = {}, None
    for line in content.replace(b"\r", b"").split(b"\n"):
        line = line.strip(b" \t")
        match = _VALUE_LINE.fullmatch(line)
        if line[:1] == b"[":
            key = line[1:-1].decode("utf-8", "surrogateescape")
        elif match:
            name = b"" if match[1] == b"@" else unquote(match[2])
            values[(key, name.decode("utf-8", "surrogateescape"))] = unquote(match[3])
    return values


def settings_text(values):
    by_key = {}
    for (key, name), value in values.items():
        by_key.setdefault(key, []).append((name, value))
    content = b"# written by the test harness\n"
    for key, entries in by_key.items():
        content += b"\n[" + key.encode("utf-8") + b"]\n"
        for name, value in entries:
            content += (b"@" if name == "" else quote(name)) + b"=" + quote(value) + b"\n"
    return content


# ---- what the console host shows --------------------------------------------------------------

# The line of keys that opens each dialog, e.g. "(a b | 1 5 10 30 60 | Enter=<OK> | q=Cancel)".
_HELP_LINE = re.compile(r"\n\((?:[^\n]* \| )?Enter=<[^\n]*\)\n")
# The console host letters the radio buttons in template order.
_RADIO_KEYS = {"a": "IDC_RADIO_VISIT", "b": "IDC_RADIO_REMIND"}
_INPUT = {"ok": "\n", "enter": "\n", "visit": "a\n", "remind": "b\n", "close": "q\n",
          "escape": "\x1b\n", "dump": ""}


def console_input(answer):
    """The lines that answer a window on the console host; a message box waits for none."""
    return "" if answer.is_box else "".join(
        step[5:] + "\n" if step.startswith("pick:") else _INPUT[step] for step in answer.steps)


def _screen(piece):
    """A dialog as one screen of the console host shows it, or None for other output."""
    lines = piece.split("\n")
    if len(lines) < 3 or lines[0] != "" or not re.fullmatch("=+", lines[2]):
        return None
    controls, message, checked, items, selected = {}, [], [], None, None
    rows = []
    for row in lines[3:]:
        # A choice's text goes on below its mark when it is wider than the terminal.
        if rows and row.startswith(" " * 7) and re.match(r"[a-z]\) ", rows[-1]):
            rows[-1] += " " + row.strip()
        else:
            rows.append(row)
    for row in rows:
        radio = re.fullmatch(r"([a-z])\) \((\*| )\) (.*)", row)
        if radio:
            name, text = _RADIO_KEYS.get(radio[1], radio[1]), radio[3]
            combo = re.fullmatch(r"(.*?) ?\[(.*) v\] ?(.*)", text)
            if combo:
                text, selected, controls["IDC_DAYS_LABEL"] = combo[1], combo[2], combo[3]
            controls[name] = text
            checked += [name] if radio[2] == "*" else []
        elif row.startswith("   v: "):
            items = row.split()[1:]
        elif re.fullmatch(r"<.*>", row):
            controls["IDOK"] = row[1:-1]
        elif row:
            message.append(row)
    controls["IDC_MESSAGE"] = "\n".join(message)
    return Window(lines[1], controls=controls, checked=checked, items=items, selected=selected)


def console_dialogs(stdout, answers=()):
    """The dialogs of a run on the console host, each as first shown, with the screens
    after the steps that came before each "dump" of its answer."""
    shown = []
    for chunk, answer in zip(_HELP_LINE.split(stdout)[1:], list(answers) + [None] * 99):
        screens = [screen for screen in map(_screen, re.split(r"(?m)^> ", chunk)) if screen]
        steps = answer.steps if answer else ()
        # Each step the host understood drew the dialog again.
        done = [len([s for s in steps[:i] if s != "dump"]) for i, s in enumerate(steps)
                if s == "dump"]
        screens[0].later += [screens[i] for i in done if i < len(screens)]
        shown.append(screens[0])
    return shown


def console_boxes(stderr, titles):
    """The message boxes written to standard error, read as "<title>: <text>" lines for
    the titles expected in turn; what is left over comes back as the last."""
    boxes, rest = [], stderr
    for title, following in zip(titles, titles[1:] + [None]):
        if not rest.startswith(title + ": "):
            break
        rest = rest[len(title) + 2:]
        end = rest.find("\n%s: " % following) if following else -1
        end = len(rest) - 1 if end < 0 else end
        boxes.append(Window(title, is_box=True, text=rest[:end]))
        rest = rest[end + 1:]
    if rest:
        boxes.append(Window("(standard error)", is_box=True, text=rest))
    return boxes


# ---- the case ----------------------------------------------------------------------------------

class NativeCase(ProgramCase):
    """A case run natively, in a sandbox of its own (self.root)."""

    BOX_DETAILS = False  # a terminal shows a message box's caption and text only
    USAGE = LINUX_USAGE_TEXT
    REFUSED = "(7) Couldn't connect to server."
    UNRESOLVABLE = "(6) Couldn't resolve host name."
    # The terminal shows the list's items without their padding.
    DAYS = ["1", "5", "10", "30", "60"]
    PROXY_REQUEST = "GET http://%s/misc/update.ini HTTP/1.1"
    SHORT_NAMES = False  # files have no second, short name on Linux
    OWNER_ONLY_MASK = 0o077  # a file readable by its owner alone: mode 0600
    # The console host writes every text whole, on lines as long as the text; the GTK
    # host's labels are measured in its own suite.
    MEASURES_FITS = False

    @classmethod
    def setUpClass(cls):
        if not os.access(PROGRAM, os.X_OK):
            raise RuntimeError("the native program is not built: " + PROGRAM)
        super().setUpClass()

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="kwu-e2e-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.settings_path = self.path("settings.conf")
        self.common_data = self.path("common")
        self.product_folder = os.path.join(self.common_data, "Dexivane", "KavexWebUpdate")
        self.CHECKING_FILES = "Checking files: " + os.path.join(self.product_folder, "*.xml")
        os.makedirs(self.path("home"))
        os.makedirs(self.common_data)
        self.openings_path = self.path("openings.txt")
        self.opener = self.write_script("opener.sh", RECORDING_OPENER % self.openings_path)
        self.program_dir = os.path.dirname(PROGRAM)
        super().setUp()

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    scratch = path

    def host_path(self, path):
        return path

    def write_script(self, name, text):
        path = self.path(name)
        with open(path, "w", encoding="utf-8") as script:
            script.write(text)
        os.chmod(path, 0o755)
        return path

    # Product files and settings.

    def product_path(self, name):
        return os.path.join(self.product_folder, name)

    def put_product_file(self, name, content):
        os.makedirs(os.path.dirname(self.product_path(name)), exist_ok=True)
        with open(self.product_path(name), "wb") as file:
            file.write(content.encode("utf-8") if isinstance(content, str) else content)

    def long_log_path(self, length):
        """A path of length characters in folders that exist, and the file that its first
        511 characters name."""
        folder = self.path("d" * 200, "e" * 200)
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "f" * (length - len(folder) - 1))
        return path, path[:511]

    def full_device(self):
        return "/dev/full"

    def remove_common_data(self):
        shutil.rmtree(self.common_data)

    def listed(self, names):
        """The search lists a folder's files as the file system gives them."""
        return [name for name in os.listdir(self.product_folder) if name in names]

    def write_settings(self, content):
        with open(self.settings_path, "wb") as file:
            file.write(content.encode("utf-8") if isinstance(content, str) else content)

    def clear_settings(self):
        os.remove(self.settings_path)

    def settings_snapshot(self):
        return self.read_file(self.settings_path)

    def read_settings(self):
        return parse_settings(self.settings_snapshot() or b"")

    def set_setting(self, name, value, key=SETTINGS_KEY):
        values = self.read_settings()
        same = [k for k in values if (k[0].lower(), k[1].lower()) == (key.lower(), name.lower())]
        values[same[0] if same else (key, name)] = value
        self.write_settings(settings_text(values))

    def setting(self, name, key=SETTINGS_KEY):
        for (k, n), value in self.read_settings().items():
            if (k.lower(), n.lower()) == (key.lower(), name.lower()):
                return value.decode("utf-8", "surrogateescape")
        return None

    # Running.

    def install(self, name):
        """Copies a program of the build (or a test program) beside a copy of the locale
        libraries in the sandbox, to run from there; returns its path."""
        folder = self.path("program")
        if not os.path.isdir(folder):
            shutil.copytree(os.path.join(os.path.dirname(PROGRAM), "Locale"),
                            os.path.join(folder, "Locale"))
        for source in (os.path.join(place, name) for place in (
                os.path.dirname(PROGRAM), os.path.join(BUILD_DIR, "tests", "support"),
                os.path.join(BUILD_DIR, "tests"))):
            if os.path.exists(source) and not os.path.exists(os.path.join(folder, name)):
                shutil.copy2(source, folder)
        return os.path.join(folder, name)

    def assert_direction(self, window, right_to_left):
        """The console host writes a right-to-left dialog's texts in their logical order,
        as every text, and leaves their layout to the terminal: nothing to tell apart."""

    def locale_folder(self, locale):
        """Runs the program from the sandbox; the (new) folder of a locale's library."""
        self.program_dir = os.path.dirname(self.install("kavexwebupd"))
        folder = os.path.join(self.program_dir, "Locale", locale)
        os.makedirs(folder)
        return folder

    def environment(self, extra=None):
        env = {name: value for name, value in os.environ.items()
               if name not in _CLEARED_VARIABLES}
        env.update({
            "KAVEXWEBUPD_SETTINGS": self.settings_path,
            "KAVEXWEBUPD_COMMON_APPDATA": self.common_data,
            "HOME": self.path("home"),
            "TZ": ZONE,
            "LC_ALL": "C",
            "KWU_INTERNET_TIMEOUT": "5",
            # Dialogs on the console host, answered through the input; the suites of the
            # other hosts choose theirs.
            "KAVEXWEBUPD_DIALOGS": "console",
            "KAVEXWEBUPD_OPEN_COMMAND": self.opener,
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

    def execute(self, args, answers, env=None, tz=ZONE, timeout=60, isolated=False,
                program=None, input=None, prefix=(), cwd=None, codepage=None):
        """Native options: input (the text on standard input instead of the answers'),
        prefix (a command the program runs under, such as setpriv), cwd. The Linux
        program shows every text as it is, whatever the system's code page."""
        if input is None:
            input = "".join(console_input(answer) for answer in answers)
        command = list(prefix) + ((loopback_only_prefix() or []) if isolated else [])
        command += [self.install(program) if program else
                    os.path.join(self.program_dir, "kavexwebupd")] + args
        environment = self.environment(dict(env or {}, TZ=tz))
        with tempfile.TemporaryFile() as stdin, tempfile.TemporaryFile() as out, \
                tempfile.TemporaryFile() as err:
            stdin.write(input.encode("utf-8") if isinstance(input, str) else input)
            stdin.seek(0)
            process = subprocess.Popen(command, env=environment, cwd=cwd or self.root,
                                       stdin=stdin, stdout=out, stderr=err,
                                       start_new_session=True)
            killed = threading.Event()

            def kill():
                killed.set()
                os.killpg(process.pid, signal.SIGKILL)
            timer = threading.Timer(timeout, kill)
            timer.start()
            try:
                _, status, usage = os.wait4(process.pid, 0)
            finally:
                timer.cancel()
            process.returncode = os.waitstatus_to_exitcode(status)
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        text = stderr.decode("utf-8", "replace")
        dialogs = console_dialogs(stdout.decode("utf-8", "replace"),
                                  [a for a in answers if not a.is_box])
        boxes = console_boxes(text, [a.title for a in answers if a.is_box]) if text else []
        if stdout and not dialogs:  # what the terminal showed that was no dialog
            dialogs.append(Window("(standard output)", True, stdout.decode("utf-8", "replace")))
        windows = []
        for answer in answers:
            shown = boxes if answer.is_box else dialogs
            windows += [shown.pop(0)] if shown else []
        return Result(process.returncode, windows + dialogs + boxes, stdout, stderr,
                      timed_out=killed.is_set(), peak_bytes=usage.ru_maxrss * 1024)

    def opened_pages(self):
        """Each opening must have had the address as its only argument."""
        lines = (self.read_file(self.openings_path) or b"").decode("utf-8").splitlines()
        for line in lines:
            self.assertRegex(line, r"^1 \[[^]]*\]$")
        return [line[3:-1] for line in lines]

