"""The Windows program under Wine, behind the protocol of protocol.py: WineCase.

The cases of a suite share one WineSession (wine_harness.py): one prefix and Xvfb display,
with Wine's browser hook recording the pages, reset before each case. Dialogs and message
boxes are answered by the UI driver (tests/support/uidriver.c), which also reads them;
the settings are the registry, the product folder C:\\ProgramData\\Dexivane\\KavexWebUpdate\\.
"""

import os
import shutil
import unittest

from manifest_download_cases import loopback_only_prefix
from protocol import (CONTROL_NAMES, ID, LOG_NAME, SETTINGS_KEY, ZONE, ProgramCase, Result,
                      Window, locale_languages)
from wine_harness import (PRODUCT_FOLDER, PROGRAM_FOLDER, PROGRAM_PATH, UiScript, WineSession,
                          wine_available)

_shared = None
WS_EX_LAYOUTRTL = 0x00400000


def shared_session(fonts=None):
    """The session of the suite's WineCase classes: one prefix and display, with the
    browser recorder, closed when the suite's module is done."""
    global _shared
    if _shared is None:
        if not wine_available():
            raise unittest.SkipTest("wine is not installed")
        _shared = WineSession(display=True, fonts=fonts).start()
        _shared.install_browser_recorder()
        unittest.addModuleCleanup(_close_shared)
    return _shared


def _close_shared():
    global _shared
    _shared = _shared.close()  # None: the next module starts its own


def _window(event, later=()):
    """A Window of the protocol from the UI driver's description."""
    controls = {CONTROL_NAMES.get(c["id"], c["id"]): c for c in event["controls"]}
    if "IDC_MESSAGE" not in controls:
        box = event["message_box"]
        return Window(event["title"], True, box["text"], icon=box["icon"], owned=event["owned"],
                      controls={CONTROL_NAMES.get(b["id"], b["id"]): b["text"]
                                for b in box["buttons"]})
    combo = controls.get("IDC_DAYS_COMBO", {})
    items = combo.get("items")
    checked = [name for name, c in controls.items() if c.get("checked") == 1]
    window = Window(event["title"], controls={name: c["text"] for name, c in controls.items()},
                    checked=checked, items=items,
                    selected=items[combo["selected"]] if combo.get("selected", -1) >= 0 else None,
                    owned=event["owned"], later=[_window(e) for e in later])
    window.raw = event
    return window


_ACTIONS = {"visit": "click:%d" % ID.IDC_RADIO_VISIT, "remind": "click:%d" % ID.IDC_RADIO_REMIND}


def driver_actions(answer):
    """The UI driver's actions for an answer; the list's items are two characters wide."""
    return [("select:%d:%2s" % (ID.IDC_DAYS_COMBO, step[5:])) if step.startswith("pick:")
            else _ACTIONS.get(step, step) for step in answer.steps] + ["wait-gone"]


class WineCase(ProgramCase):
    """A case run under Wine: the suite's one prefix, reset before each case."""

    REFUSED = "(12029) The attempt to connect to the server failed."
    UNRESOLVABLE = "(12007) The server name could not be resolved."
    CHECKING_FILES = "Checking files: " + PRODUCT_FOLDER + "*.xml"
    # WinINet names the port in the address it asks a proxy for.
    PROXY_REQUEST = "GET http://%s:80/misc/update.ini HTTP/1.1"
    # The file search matches a pattern's extension against the short (8.3) names too, so
    # "*.xml" finds "x.xmlx", as on Windows.
    SHORT_NAMES = True
    # The mode bits that a file whose access list names its user alone leaves clear: Wine
    # maps such a list to the owner's and the group's bits (its user and primary group are
    # one), and clears the others'.
    OWNER_ONLY_MASK = 0o007
    # The harness runs Wine in the C locale, whose ANSI code page is the Western one.
    ANSI_CODE_PAGE = 1252
    # The dialog probe measures each control's text against its room.
    MEASURES_FITS = True
    # The only font families Wine may draw with (None: all installed ones).
    FONTS = None

    @classmethod
    def setUpClass(cls):
        cls.session = shared_session(cls.FONTS)
        super().setUpClass()

    def setUp(self):
        self.session.reset()
        super().setUp()

    def scratch(self, *parts):
        return "C:\\kwu\\" + "\\".join(parts)

    def host_path(self, path):
        return self.session.unix_path(path)

    def product_path(self, name):
        return PRODUCT_FOLDER + name

    def put_product_file(self, name, content):
        self.session.put_product_file(name, content)

    def long_log_path(self, length):
        """The log path with blanks up to length characters; the file system drops the
        trailing blanks, so its first 511 characters name the log file."""
        log = self.scratch(LOG_NAME)
        return log + " " * (length - len(log)), log

    def full_device(self):
        """A link to /dev/full, where every write fails."""
        os.symlink("/dev/full", self.host_path(self.scratch("full.log")))
        return self.scratch("full.log")

    def remove_common_data(self):
        self.session.remove_program_data()

    def listed(self, names):
        """Wine's file search gives a folder's files in the order of their names."""
        return sorted(names, key=str.lower)

    def set_setting(self, name, value, key=SETTINGS_KEY):
        self.session.reg_add(key, name, value)

    def setting(self, name, key=SETTINGS_KEY):
        """The text of a REG_SZ value; (type, data) of another type."""
        value = self.session.reg_query(key, name)
        return value[1] if value and value[0] == "REG_SZ" else value

    def clear_settings(self):
        self.session.reg_delete_key("Software\\Kavex")

    def settings_snapshot(self):
        return self.session.reg_export("Software\\Kavex")

    def install(self, name):
        """Copies a program of the build (or a test program) beside the program; returns
        its path."""
        path = PROGRAM_FOLDER + name + ".exe"
        for source in (os.path.join(folder, name + ".exe") for folder in (
                self.session.program_dir, self.session.support_dir,
                os.path.dirname(self.session.support_dir))):
            if os.path.exists(source) and not os.path.exists(self.host_path(path)):
                shutil.copy2(source, self.host_path(path))
        return path

    def locale_folder(self, locale):
        folder = self.host_path(PROGRAM_FOLDER + "Locale\\" + locale)
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder, True)
        return folder

    def execute(self, args, answers, env=None, tz=ZONE, timeout=60, isolated=False,
                program=None, cwd=PROGRAM_FOLDER, prefix=(), codepage=None):
        """prefix wraps the wine command; the prefix's wineserver, started outside it,
        serves the run as any other. codepage: run in a system locale of that ANSI code
        page."""
        locale = codepage and locale_languages.SYSTEM_LOCALE_OF_CODEPAGE[codepage]
        scripts = [UiScript(a.title, *driver_actions(a), timeout=timeout) for a in answers]
        wrapper = list(prefix) + ((loopback_only_prefix() or []) if isolated else [])
        run = self.session.run(args, ui=scripts, tz=tz, env=env, timeout=timeout,
                               wrapper=wrapper, cwd=cwd, locale=locale,
                               program=self.install(program) if program else PROGRAM_PATH)
        windows = [_window(ui.windows[0], ui.windows[1:]) for ui in run.ui if ui.windows]
        detail = "driver: %r" % [(ui.returncode, ui.errors) for ui in run.ui if not ui.ok]
        return Result(run.returncode, windows, run.stdout, run.stderr, run.timed_out,
                      detail=detail)

    def assert_direction(self, window, right_to_left):
        """Mirrored exactly in the right-to-left languages: the dialog's extended style,
        and the icon on the screen right of the headline rather than left of it."""
        self.assertEqual(bool(window.raw["exstyle"] & WS_EX_LAYOUTRTL), right_to_left)
        [icon] = [c["screen"] for c in window.raw["controls"] if c.get("icon")]
        text = next(c["screen"] for c in window.raw["controls"] if c["id"] == ID.IDC_MESSAGE)
        if right_to_left:
            self.assertGreaterEqual(icon[0], text[0] + text[2])
        else:
            self.assertLessEqual(icon[0] + icon[2], text[0])

    def opened_pages(self):
        return self.session.browser_urls()
