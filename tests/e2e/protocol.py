"""The one protocol the end-to-end cases are written against, whichever platform runs them.

A case is written once, in a mixin of cases, and run on both platforms by two thin
suites: test_native_<x>.py binds it to native_harness.NativeCase (the Linux program, its
settings file, its console host answered through standard input, an opener command that
records the pages) and test_wine_<x>.py to wine_case.WineCase (the Windows program
under Wine, the registry, the UI driver, Wine's browser hook). Both give a case:

- put_product_file(name, content); remove_common_data()
- set_setting(name, value, key=SETTINGS_KEY); setting(name, key) (text, or None when
  absent); settings_snapshot() (all the program's settings, to compare); clear_settings()
- self.server: a loopback HTTP server that the "URL" setting points at; serve(...)
- run_program(*args, answers=[...]) -> Result; check(...) also asserts exit code 0 and
  that exactly the windows answered were shown
- pages(count): the pages opened in the browser; log_lines(): the run log
- scratch(*parts): a path in a folder of the case, as the program names it
- listed(names): product files in the order the program's search finds them

Where the platforms differ, the platform's class says so in one attribute, with the
reason beside it (REFUSED, UNRESOLVABLE, BOX_DETAILS, DAYS, ...).
"""

import datetime
import os
import re
import shutil
import sys
import time
import types
import unittest
from zoneinfo import ZoneInfo

SOURCE_DIR = os.environ.get("KWU_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD_DIR = os.environ.get("KWU_BUILD_DIR", "")
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

from http_server import LoopbackHttpServer, Reply  # noqa: E402
import locale_languages  # noqa: E402
import make_locale_rc  # noqa: E402
import resource_script  # noqa: E402

SETTINGS_KEY = "Software\\Kavex\\WebUpdates"
REMIND_DATES_KEY = SETTINGS_KEY + "\\RemindDates"
CAPTION = "Kavex Web Update"
MANIFEST_PATH = "/misc/update.ini"
LOG_NAME = "run log %s.txt"  # blanks and a format in the name, which must stay text
# A zone far from UTC, so that a date computed in UTC would show.
ZONE = "Pacific/Auckland"
DAY = 24 * 60 * 60


def _resource_ids():
    """The program's resource ids, read from the header the program is built from."""
    ids = {"IDOK": 1, "IDCANCEL": 2}
    with open(os.path.join(SOURCE_DIR, "src", "ui", "resource_ids.h"), encoding="ascii") as h:
        ids.update((name, int(value))
                   for name, value in re.findall(r"^#define (ID\w+) (\d+)$", h.read(), re.M))
    return types.SimpleNamespace(**ids)


ID = _resource_ids()
# The controls of the two dialogs by id, for reading a dialog on any platform.
CONTROL_NAMES = {value: name for name, value in vars(ID).items()
                 if name.startswith("IDC_") or name == "IDOK"}


# ---- the program's texts ----------------------------------------------------------------------

ENGLISH = {
    "IDC_MESSAGE": "There are updates available for the %s software.",
    "IDC_RADIO_VISIT": "Visit the %s Web site to review the updates",
    "IDC_RADIO_REMIND": "Remind me again in",
    "IDC_DAYS_LABEL": "day(s)",
    "IDOK": "OK",
}
GERMAN = {
    "IDC_MESSAGE": "F\u00fcr die Software %s sind Updates verf\u00fcgbar.",
    "IDC_RADIO_VISIT": "Die Website von %s besuchen, um die Updates anzusehen",
    "IDC_RADIO_REMIND": "Erneut erinnern in",
    "IDC_DAYS_LABEL": "Tag(en)",
    "IDOK": "OK",
}
NO_UPDATES = "There are no new updates available.\nYou already have the most recent version."
GERMAN_NO_UPDATES = ("Es sind keine neuen Updates verf\u00fcgbar.\n"
                     "Sie haben bereits die neueste Version.")
DAYS = [" 1", " 5", "10", "30", "60"]

def _usage(locale_line, search, log):
    """The usage text around its three lines that name a platform's own things."""
    return ("\nKavexWebUpdate version 1.0\n"
            "\n"
            "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"
            "\n"
            "  <appName> and <appVersion> are the app and version to check for updates.\n"
            "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
            + locale_line +
            "\n"
            "USAGE 2: <silent>\n"
            "\n"
            "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n"
            "\n"
            + search +
            "\n"
            + log)


USAGE_TEXT = _usage(
    "  <localeID> must be the 2-letter locale code (default is \"EN\").\n",
    "In both cases, it also searches in the CommonAppData folder for xml files\n"
    "with product info that it should check for updates.\n",
    "To create a log, set the registry item Kavex\\WebUpdates\\LogFile.\n")

# The Linux program names the Linux places (the settings file, the product folder) and the
# locale as the Linux build has it.
LINUX_USAGE_TEXT = _usage(
    "  <localeID> is the locale code, such as de or pt-br (default is \"en\").\n",
    "In both cases, it also searches /usr/share/Dexivane/KavexWebUpdate/ (or\n"
    "$KAVEXWEBUPD_COMMON_APPDATA/Dexivane/KavexWebUpdate/) for xml files with\n"
    "product info that it should check for updates.\n",
    "To create a log, set \"LogFile\" under [Software\\Kavex\\WebUpdates] in the\n"
    "settings file ~/.config/kavexwebupd/settings.conf (or the file named by\n"
    "$KAVEXWEBUPD_SETTINGS, or the one in $XDG_CONFIG_HOME): see kavexwebupd(1).\n")

SEARCHING = "Searching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files"


# The string-table entries in the order of the resource script.
STRING_NAMES = [name for name, _, _ in resource_script.read_script(
    os.path.join(SOURCE_DIR, "src", "ui", "kavexwebupd.rc")).strings]


def product_text(locale, name):
    """The string entry name (IDS_...) as a product of that locale sees it: its language's
    translation, as the library holds it, where the program ships a library for the
    locale and the entry is translated; the program's English text otherwise (a library
    holds the English text of an entry its translation lacks)."""
    script = resource_script.read_script(os.path.join(SOURCE_DIR, "src", "ui", "kavexwebupd.rc"))
    english = dict((entry, text) for entry, text, _ in script.strings)[name]
    try:
        language = locale_languages.language(locale)
    except KeyError:
        return english
    path = os.path.join(SOURCE_DIR, "locale", "%s.po" % language.folder)
    text = make_locale_rc.translations(path).get(name)
    return english if text is None else make_locale_rc.windows_form(text, language.codepage)


def product_file(name, version, locale="", extra="", newline="\n"):
    """A product description file; extra stands after the Locale element."""
    lines = ["<?xml version=\"1.0\"?>", "<ProductInfo>", "  <Name>%s</Name>" % name,
             "  <Version>%s</Version>" % version, "  <Locale>%s</Locale>%s" % (locale, extra),
             "</ProductInfo>"]
    return newline.join(lines) + newline


def page_of(length, name="p"):
    """An http page address of exactly length characters."""
    start = "http://127.0.0.1/%s/" % name
    return start + "a" * (length - len(start))


def local_date(instant, zone=ZONE):
    """The date of an instant in a zone, as the program stores remind dates."""
    return datetime.datetime.fromtimestamp(instant, ZoneInfo(zone)).strftime("%m/%d/%Y")


def manifest(*sections):
    """A manifest with a comment as its first line; sections are (header, [lines])."""
    lines = ["; KavexWebUpdate manifest"]
    for header, body in sections:
        lines += ["[%s]" % header] + list(body)
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


# ---- answers: how a case answers each window a run shows, in order ----------------------

class Answer:
    """The title of a window the run must show, whether it is a message box, and the steps
    taken in it: "ok" (its OK button), "enter" (the Enter key), "visit", "remind",
    "pick:<days>", "dump" (read it again), and "close" (its close box) or "escape", which
    end it without an answer."""

    def __init__(self, title, *steps, is_box=False):
        self.title, self.steps, self.is_box = title, steps, is_box

    def __repr__(self):
        return "Answer(%r, %r%s)" % (self.title, self.steps, ", box" if self.is_box else "")


def box(title):
    """A message box, dismissed with OK (a terminal shows it without waiting)."""
    return Answer(title, "ok", is_box=True)


def ok(title, *before):
    """A dialog's OK: on the update dialog, the choice made (visit, unless changed)."""
    return Answer(title, *before, "ok")


def visit(title, *before):
    return Answer(title, *before, "visit", "ok")


def remind(title, days=None):
    """Remind in days (picked from the list), or with the list untouched."""
    return Answer(title, "pick:%d" % days if days else "remind", "ok")


def close(title, *before, key="close"):
    return Answer(title, *before, key)


def pick(days):
    return "pick:%d" % days


# ---- what a run gives back -------------------------------------------------------------------

class Window:
    """A dialog or message box as the run showed it. A message box has its text and, where
    the platform can tell, its icon and owner (else None). A dialog has its controls'
    texts by resource id name (controls), the checked radio button's name (checked; a
    list where several are), its list's items and shown item, and in later the dialog as
    read at each "dump" step. raw: the platform's own description, where it has one."""

    raw = None
    # Where the platform measures them: {control id: (need width, need height, room
    # width, room height)} in pixels, the text as the control draws it.
    fits = None

    def __init__(self, title, is_box=False, text="", icon=None, owned=None, controls=None,
                 checked=None, items=None, selected=None, later=()):
        self.title, self.is_box, self.icon, self.owned = title, is_box, icon, owned
        self.controls = controls or {}
        self.text = text if is_box else self.controls.get("IDC_MESSAGE", "")
        self.checked = checked[0] if checked and len(checked) == 1 else checked or None
        self.items, self.selected = items, selected
        self.later = list(later)

    def __repr__(self):
        return "Window(%r, %s)" % (self.title, vars(self))


class Result:
    """One run: exit code, the windows in the order answered (then any not answered), the
    requests the server saw, the run log (bytes, None without one), and the platform's
    own output (stdout, stderr)."""

    def __init__(self, exit_code, windows, stdout=b"", stderr=b"", timed_out=False,
                 peak_bytes=None, detail=""):
        self.exit_code, self.windows, self.timed_out = exit_code, windows, timed_out
        self.stdout, self.stderr, self.peak_bytes, self.detail = stdout, stderr, peak_bytes, detail
        self.requests, self.log = [], None

    def __repr__(self):
        return ("Result(exit_code=%r, timed_out=%r, windows=%r, stdout=%r, stderr=%r, %s)" % (
            self.exit_code, self.timed_out, self.windows, self.stdout[-600:],
            self.stderr[-600:], self.detail[-600:]))


def unquote(text):
    """Bytes written with the escapes \\\\, \\", \\n, \\r, \\t and \\xNN, as the settings file
    and the test programs write them, as they were."""
    simple = {b"\\": b"\\", b'"': b'"', b"n": b"\n", b"r": b"\r", b"t": b"\t"}
    return re.sub(rb"\\(x[0-9A-Fa-f]{2}|.)", lambda m: bytes([int(m[1][1:], 16)])
                  if len(m[1]) == 3 else simple[m[1]], text)


def cache_value(name):
    """A value of the build's CMake cache, or None."""
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as cache:
        return next((line.split("=", 1)[1].strip() for line in cache
                     if line.startswith(name + ":")), None)


def bind(cases, platform, namespace):
    """Makes each mixin of cases a TestCase of the platform, under its own name."""
    for mixin in cases:
        namespace[mixin.__name__] = type(mixin.__name__, (mixin, platform),
                                         {"__module__": namespace["__name__"]})


# ---- the base of every case ------------------------------------------------------------------

class ProgramCase(unittest.TestCase):
    """What every platform's case offers; the platform's class implements the primitives
    (put_product_file, set_setting, setting, settings_snapshot, remove_common_data,
    scratch, host_path, locale_folder, execute, opened_pages) and states its differences."""

    # Whether a message box's icon, owner and buttons can be read.
    BOX_DETAILS = True
    # The usage text: each platform's names its own places.
    USAGE = USAGE_TEXT
    # The items of the update dialog's list, as the platform shows them.
    DAYS = DAYS
    # The internet errors of a refused connection and of a name that does not resolve:
    # each platform's internet service words them.
    REFUSED = UNRESOLVABLE = None
    # The run log's "Checking files" line names the product folder as the platform does.
    CHECKING_FILES = None
    # A request for the built-in address through a proxy: its request line.
    PROXY_REQUEST = None
    # The code page a window's texts come in, read as Latin-1 (the bytes), or None where
    # they come as text.
    ANSI_CODE_PAGE = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.server = LoopbackHttpServer().start()
        cls.addClassCleanup(cls.server.stop)

    def install_locale(self, locale, library):
        """Puts library into the folder of locale's library beside the program."""
        shutil.copy2(library, self.locale_folder(locale))

    def setUp(self):
        super().setUp()
        self.server.reply = Reply.http(200, manifest())
        self.server.requests = []
        self.server.on_request = None
        self.address = self.server.url(MANIFEST_PATH)
        self.set_setting("URL", self.address)

    def serve(self, *sections):
        self.server.reply = Reply.http(200, manifest(*sections))

    def enable_log(self):
        self.log_path = self.scratch(LOG_NAME)
        self.set_setting("LogFile", self.log_path)

    def read_file(self, path):
        """The bytes of a file the program names so, or None."""
        try:
            with open(self.host_path(path), "rb") as file:
                return file.read()
        except FileNotFoundError:
            return None

    def log_lines(self):
        """The run log's lines after its leading empty one, as Latin-1 text (the bytes);
        every line must end in CR LF."""
        content = self.read_file(self.log_path)
        self.assertIsNotNone(content, "no run log")
        self.assertTrue(content.startswith(b"\r\n") and content.endswith(b"\r\n"), content)
        self.assertNotIn(b"\n", content.replace(b"\r\n", b""), content)
        return content[2:-2].decode("latin-1").split("\r\n") if content != b"\r\n" else []

    def head_of_log(self):
        return [SEARCHING, self.CHECKING_FILES]

    def remind_date(self, product):
        return self.setting(product, REMIND_DATES_KEY)

    def set_remind_date(self, product, text):
        self.set_setting(product, text, REMIND_DATES_KEY)

    def run_program(self, *args, answers=(), **options):
        """Runs the program with the arguments, answering its windows in order. Options:
        env (None removes a variable), tz (an Olson zone), timeout, isolated (in a network
        namespace with loopback only), program (a test program beside it, such as
        "dialog_probe"), prefix (a command the program runs under, such as setpriv or
        one that makes a mount namespace; under Wine, the wine command)."""
        before = len(self.server.requests)
        result = self.execute([str(arg) for arg in args], list(answers), **options)
        result.requests = self.server.requests[before:]
        if getattr(self, "log_path", None):
            result.log = self.read_file(self.log_path)
        return result

    def check(self, *args, answers=(), exit_code=0, **options):
        """A run that ends by itself with exit_code after showing exactly the windows
        answered, each of its kind."""
        result = self.run_program(*args, answers=answers, **options)
        self.assertFalse(result.timed_out, "the program did not end: %r" % result)
        self.assertEqual([(w.title, w.is_box) for w in result.windows],
                         [(a.title, a.is_box) for a in answers], result)
        self.assertEqual(result.exit_code, exit_code, result)
        return result

    def pages(self, count=0, wait=10):
        """The pages opened so far in this case, once count of them are there (or the wait
        is over); for none, after a moment in which a late one would come."""
        deadline = time.monotonic() + (wait if count else 1.0)
        while True:
            pages = self.opened_pages()
            if (count and len(pages) >= count) or time.monotonic() > deadline:
                return pages
            time.sleep(0.05)

    def as_shown(self, text, codepage=None):
        """A text as a window of the platform gives it back, in a run in a system of that
        code page (by default the harness's)."""
        if self.ANSI_CODE_PAGE is None:
            return text
        return text.encode("cp%d" % (codepage or self.ANSI_CODE_PAGE)).decode("latin-1")

    def probe_text(self, line):
        """A text the dialog probe wrote (line breaks written as \\n, read as Latin-1) as
        a window of the platform gives it back: 8-bit under Wine, UTF-8 on Linux."""
        line = line.replace("\\n", "\n")
        return line if self.ANSI_CODE_PAGE else line.encode("latin-1").decode("utf-8")

    def assertDialog(self, window, title, texts):
        """The dialog's title and the texts of the controls named in texts."""
        self.assertEqual(window.title, title, window)
        self.assertFalse(window.is_box, window)
        for name, text in texts.items():
            self.assertEqual(window.controls.get(name), text, (name, window))

    def assertOffer(self, window, product, texts=None):
        """The update dialog as first shown, in English unless texts are given."""
        self.assertDialog(window, product, {name: text.replace("%s", product)
                                            for name, text in (texts or ENGLISH).items()})
        self.assertEqual(window.checked, "IDC_RADIO_VISIT", window)

    def assertBox(self, window, title, text, icon=True, owned=None):
        """A message box with an OK button alone; owned=False: a box that no window of
        the program owns (those of the start-up)."""
        self.assertEqual((window.title, window.is_box, window.text), (title, True, text), window)
        if self.BOX_DETAILS:
            self.assertEqual((window.icon, window.controls), (icon, {"IDOK": "OK"}), window)
            if owned is False:
                self.assertFalse(window.owned, window)
