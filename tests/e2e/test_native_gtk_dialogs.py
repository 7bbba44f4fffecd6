"""The Linux program's dialogs in windows (the GTK module), on a virtual display with a
session bus and the accessibility bus: the controls are read through AT-SPI, operated with
real key presses and clicks (xdotool), and the outcome is checked in the program's effects,
the settings file and the pages handed to the browser stand-in. Also: which host a run
chooses in each situation, and that a run showing nothing never loads GTK."""

import ctypes
import os
import shutil
import subprocess
import sys
import time
import unittest

from native_harness import PROGRAM, NativeCase
from protocol import BUILD_DIR, CAPTION, DAY, Reply, local_date, product_file

MODULE = os.path.join(BUILD_DIR, "src", "libkavexwebupd-gtk.so")
PAGE = "http://127.0.0.1/app70.html?from=kwu&x=1"
# Screenshots go to the build tree; KWU_SCREENSHOT_DIR=docs/screenshots refreshes the
# documentation's.
SCREENSHOTS = os.environ.get("KWU_SCREENSHOT_DIR") or os.path.join(BUILD_DIR, "screenshots")
TOOLS = ("Xvfb", "xdotool", "dbus-daemon", "import")

_display = {}  # "DISPLAY", "DBUS_SESSION_BUS_ADDRESS" and the processes behind them
pyatspi = None


def setUpModule():
    global pyatspi
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing or not os.path.exists(MODULE):
        raise unittest.SkipTest("needs %s and the GTK module" % ", ".join(TOOLS))
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    _display.update({"DISPLAY": ":" + number, "DBUS_SESSION_BUS_ADDRESS": address,
                     "processes": [bus, xvfb]})
    # The accessibility client finds the bus through these.
    os.environ["DISPLAY"] = _display["DISPLAY"]
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    try:
        import pyatspi as module
    except ImportError:
        tearDownModule()
        raise unittest.SkipTest("needs python3-pyatspi")
    pyatspi = module


def tearDownModule():
    for process in _display.get("processes", []):
        process.terminate()
        process.wait(timeout=10)


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(arg) for arg in args], check=True, timeout=20,
                   env=dict(os.environ, DISPLAY=_display["DISPLAY"]))


def send_close_request(window):
    """What a window manager does for the close box (and Alt+F4): WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(_display["DISPLAY"].encode())
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


class Window:
    """A dialog or message box of the program as AT-SPI shows it."""

    def __init__(self, frame):
        self.frame = frame

    def all(self, role=None, node=None):
        """The window's accessible objects of a role, or all, in the order of the tree."""
        found = []
        for child in (self.frame if node is None else node):
            if child is not None:
                found += [child] if role is None or child.getRoleName() == role else []
                found += self.all(role, child)
        return found

    def texts(self, role):
        return [node.name for node in self.all(role)]

    def one(self, role, name=None):
        nodes = [node for node in self.all(role) if name is None or node.name == name]
        assert len(nodes) == 1, (role, name, [node.name for node in self.all(role)])
        return nodes[0]

    @staticmethod
    def has(node, state):
        return node.getState().contains(state)

    @staticmethod
    def click(node):
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", "--sync", extents.x + extents.width // 2,
                extents.y + extents.height // 2)
        xdotool("click", "1")


class GtkTestCase(NativeCase):
    def setUp(self):
        super().setUp()
        self.serve(("App 7.0", ["FileArgs=" + PAGE]),
                   ("Acme 100% 7.0", ["FileArgs=http://127.0.0.1/acme.html"]),
                   ("Gamma 3.0 en", ["FileArgs=http://127.0.0.1/gamma.html"]))
        self.process = None
        self.addCleanup(self.stop)

    def environment(self, extra=None):
        env = {"DISPLAY": _display["DISPLAY"],
               "DBUS_SESSION_BUS_ADDRESS": _display["DBUS_SESSION_BUS_ADDRESS"],
               "KAVEXWEBUPD_DIALOGS": None,
               # GTK keeps what it allocates until the end.
               "ASAN_OPTIONS": "detect_leaks=0"}
        env.update(extra or {})
        return super().environment(env)

    def start(self, *args, env=None):
        self.process = subprocess.Popen([PROGRAM] + list(args), env=self.environment(env),
                                        cwd=self.root, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.communicate()

    def finish(self):
        """Waits for the program; its (stdout, stderr) after checking exit code 0."""
        stdout, stderr = self.process.communicate(timeout=30)
        self.assertEqual(self.process.returncode, 0, stderr)
        return stdout.decode("utf-8"), stderr.decode("utf-8")

    def window(self, title, role=("frame",), timeout=30, accessible=None):
        """The program's showing window of that title; its X window gets the focus. An
        error message box is known to AT-SPI by its kind ("Error"), not its title."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.assertIsNone(self.process.poll(), "the program ended before showing " + title)
            frames = [frame for application in pyatspi.Registry.getDesktop(0)
                      if application is not None and application.name == "kavexwebupd"
                      for frame in application if frame is not None]
            for frame in frames:
                if (frame.name == (accessible or title) and frame.getRoleName() in role
                        and frame.getState().contains(pyatspi.STATE_SHOWING)):
                    self.focus(title)
                    return Window(frame)
            time.sleep(0.2)
        self.fail("no window %s among %r" % (title, [(f.getRoleName(), f.name) for f in frames]))

    def x_window(self, title):
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                "^%s$" % title.replace("%", "\\%")],
                               capture_output=True, text=True, timeout=20,
                               env=dict(os.environ, DISPLAY=_display["DISPLAY"]))
        return int(found.stdout.split()[-1])

    def focus(self, title):
        xdotool("windowfocus", "--sync", self.x_window(title))

    def screenshot(self, name):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", "-crop", "600x300+212+234",
                        os.path.join(SCREENSHOTS, name)], check=True, timeout=30,
                       env=dict(os.environ, DISPLAY=_display["DISPLAY"]))

    def pick_days(self, dialog, days):
        combo = dialog.one("combo box")
        dialog.click(combo)
        deadline = time.monotonic() + 10
        item = None
        while time.monotonic() < deadline:
            items = [node for node in dialog.all("menu item") if node.name.strip() == days]
            if items and dialog.has(items[0], pyatspi.STATE_SHOWING):
                item = items[0]
                break
            time.sleep(0.1)
        self.assertIsNotNone(item, "the list did not open")
        time.sleep(0.3)  # the list settles where it opened
        dialog.click(item)


class UpdateDialog(GtkTestCase):
    def test_texts_initial_state_and_screenshots(self):
        self.start("App", "7.0")
        dialog = self.window("App")
        self.assertEqual(dialog.texts("label"), ["There are updates available for the App software.",
                                                 "day(s)"])
        visit = dialog.one("radio button", "Visit the App Web site to review the updates")
        remind = dialog.one("radio button", "Remind me again in")
        self.assertTrue(dialog.has(visit, pyatspi.STATE_CHECKED))
        self.assertFalse(dialog.has(remind, pyatspi.STATE_CHECKED))
        ok = dialog.one("push button", "OK")
        self.assertTrue(dialog.has(ok, pyatspi.STATE_FOCUSED))
        combo = dialog.one("combo box")
        self.assertEqual(combo.name, " 1")
        # The sorted list, from the dialog-init items.
        self.assertEqual(dialog.texts("menu item"), [" 1", " 5", "10", "30", "60"])
        self.assertEqual(len(dialog.all("icon")), 1)
        # The template's layout: the remind row reads radio button, list, unit.
        x = {name: node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x
             for name, node in (("radio", remind), ("combo", combo),
                                ("label", dialog.one("label", "day(s)")))}
        self.assertLess(x["radio"], x["combo"])
        self.assertLess(x["combo"], x["label"])
        self.screenshot("gtk_update_available_en.png")
        xdotool("key", "Return")  # the default button: visit
        stdout, stderr = self.finish()
        self.assertEqual(stderr, "")
        self.assertEqual(self.pages(1), [PAGE])
        self.assertEqual(self.remind_date("App"), "")

    def test_pick_30_then_ok_reminds_in_30_days(self):
        self.start("App", "7.0")
        dialog = self.window("App")
        self.pick_days(dialog, "30")
        remind = dialog.one("radio button", "Remind me again in")
        deadline = time.monotonic() + 5
        while not dialog.has(remind, pyatspi.STATE_CHECKED) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertTrue(dialog.has(remind, pyatspi.STATE_CHECKED))
        self.assertEqual(dialog.one("combo box").name, "30")
        earliest = local_date(time.time() + 30 * DAY)
        dialog.click(dialog.one("push button", "OK"))
        self.finish()
        self.assertIn(self.remind_date("App"), {earliest, local_date(time.time() + 30 * DAY)})
        self.assertEqual(self.pages(), [])

    def test_remind_alone_takes_the_preselected_day(self):
        self.start("App", "7.0")
        dialog = self.window("App")
        dialog.click(dialog.one("radio button", "Remind me again in"))
        self.focus("App")
        xdotool("key", "Return")
        self.finish()
        self.assertEqual(self.remind_date("App"), local_date(time.time() + DAY))
        self.assertEqual(self.pages(), [])

    def test_pick_then_visit_opens_the_page(self):
        self.set_remind_date("App", "01/06/2005")
        self.start("App", "7.0")
        dialog = self.window("App")
        self.pick_days(dialog, "60")
        dialog.click(dialog.one("radio button", "Visit the App Web site to review the updates"))
        dialog.click(dialog.one("push button", "OK"))
        self.finish()
        self.assertEqual(self.pages(1), [PAGE])
        self.assertEqual(self.remind_date("App"), "")

    def test_close_box_and_escape_change_nothing(self):
        self.set_remind_date("App", "01/06/2005")
        before = self.settings_snapshot()
        for close in ("close box", "Escape"):
            with self.subTest(close=close):
                self.start("App", "7.0")
                dialog = self.window("App")
                self.pick_days(dialog, "10")
                self.focus("App")
                if close == "Escape":
                    xdotool("key", "Escape")
                else:
                    send_close_request(self.x_window("App"))
                self.finish()
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(), [])

    def test_percent_sign_in_the_name(self):
        self.start("Acme 100%", "7.0")
        dialog = self.window("Acme 100%")
        self.assertIn("There are updates available for the Acme 100% software.",
                      dialog.texts("label"))
        dialog.one("radio button", "Visit the Acme 100% Web site to review the updates")
        xdotool("key", "Return")
        self.finish()
        self.assertEqual(self.pages(1), ["http://127.0.0.1/acme.html"])

    def test_german_library_then_an_english_product(self):
        self.put_product_file("gamma.xml", product_file("Gamma", "3.0", "EN"))
        self.start("App", "7.0", "0", "de")
        german = self.window("App")
        labels = german.texts("label")
        self.assertIn("Tag(en)", labels)
        remind = german.one("radio button", "Erneut erinnern in")
        headline = german.one("label", labels[0]).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        visit = [node for node in german.all("radio button") if node is not remind][0]
        # The headline's room ends above the visit choice.
        self.assertLessEqual(headline.y + headline.height,
                             visit.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y)
        self.screenshot("gtk_update_available_de.png")
        xdotool("key", "Escape")
        english = self.window("Gamma")
        self.assertEqual(english.texts("label"),
                         ["There are updates available for the Gamma software.", "day(s)"])
        english.one("radio button", "Remind me again in")
        xdotool("key", "Escape")
        self.finish()
        self.assertEqual(self.pages(), [])


class OtherWindows(GtkTestCase):
    def test_no_updates_dialog_in_both_languages(self):
        self.serve()
        for locale, text, name in (("", "There are no new updates available.", "en"),
                                   ("de", "Es sind keine neuen Updates", "de")):
            with self.subTest(locale=locale):
                self.start("App", "7.0", "0", *([locale] if locale else []))
                dialog = self.window("App")
                message = dialog.texts("label")
                self.assertEqual(len(message), 1)
                self.assertTrue(message[0].startswith(text), message)
                self.assertEqual(len(dialog.all("icon")), 1)
                self.screenshot("gtk_no_updates_%s.png" % name)
                send_close_request(self.x_window("App"))
                self.finish()

    def test_error_message_box(self):
        self.server.reply = Reply.http(404, b"")
        self.start("App", "7.0")
        box = self.window("App", role=("alert",), accessible="Error")
        self.assertIn("Error: Connection error. Status code: 404", box.texts("label"))
        box.click(box.one("push button"))
        self.assertEqual(self.finish(), ("", ""))

    def test_failing_opener_is_reported_in_a_message_box_with_the_address(self):
        self.start("App", "7.0", env={"KAVEXWEBUPD_OPEN_COMMAND": self.path("no-opener")})
        self.window("App")
        xdotool("key", "Return")
        box = self.window(CAPTION, role=("alert",), accessible="Error")
        self.assertTrue(any(PAGE in text for text in box.texts("label")), box.texts("label"))
        xdotool("key", "Return")
        self.finish()
        self.assertEqual(self.remind_date("App"), "")


class HostChoice(GtkTestCase):
    """Which host each situation gets, and what a run without windows loads."""

    def run_without_window(self, *args, env=None, input=""):
        result = self.run_program(*args, env=env, input=input)
        self.assertEqual(result.exit_code, 0, result)
        return result.stdout.decode("utf-8"), result.stderr.decode("utf-8")

    def test_without_display_or_terminal_the_offer_is_one_line(self):
        before = self.settings_snapshot()
        for env in ({"DISPLAY": None}, {"KAVEXWEBUPD_DIALOGS": "none"}):
            with self.subTest(env=env):
                stdout, stderr = self.run_without_window("App", "7.0", env=env)
                self.assertEqual(stdout, "")
                self.assertEqual(stderr, "App: There are updates available for the App software. "
                                         + PAGE + "\n")
                self.assertEqual(self.settings_snapshot(), before)
        self.assertEqual(self.pages(), [])
        self.serve()
        self.assertEqual(self.run_without_window("App", "7.0", env={"DISPLAY": None}),
                         ("", "App: There are no new updates available. You already have the "
                              "most recent version.\n"))

    def test_forced_console_reads_the_piped_answer(self):
        stdout, _ = self.run_without_window("App", "7.0", env={"KAVEXWEBUPD_DIALOGS": "console"},
                                            input="b\n\n")
        self.assertIn("Reminding you in 1 day", stdout)
        self.assertEqual(self.remind_date("App"), local_date(time.time() + DAY))

    def test_without_the_module_or_gtk_the_next_host_serves(self):
        # The program copied without its module; a module that does not load; a display
        # that GTK cannot open.
        lonely = self.install("kavexwebupd")
        broken = self.write_script("broken.so", "not a library")
        line = "App: There are updates available for the App software. " + PAGE + "\n"
        for program, env in ((lonely, {}), (PROGRAM, {"KAVEXWEBUPD_GTK_MODULE": broken}),
                             (PROGRAM, {"DISPLAY": ":4711", "KAVEXWEBUPD_DIALOGS": "gtk"})):
            with self.subTest(program=program, env=env):
                self.program_dir = os.path.dirname(program)
                _, stderr = self.run_without_window("App", "7.0", env=env)
                self.assertTrue(stderr.endswith(line), stderr)

    def test_a_run_that_shows_nothing_maps_no_gtk(self):
        maps = self.path("maps.txt")
        self.set_remind_date("App", local_date(time.time() + 30 * DAY))
        self.run_without_window("App", "7.0", "1", env={"KWU_TEST_MAPS_AT_EXIT": maps})
        with open(maps, encoding="utf-8") as file:
            mapped = file.read()
        self.assertIn("kavexwebupd", mapped)
        self.assertNotIn("libgtk-3", mapped)
        self.assertNotIn("libkavexwebupd-gtk", mapped)
        # The same check sees GTK once a window was shown.
        self.start("App", "7.0", env={"KWU_TEST_MAPS_AT_EXIT": maps})
        self.window("App")
        xdotool("key", "Escape")
        self.finish()
        with open(maps, encoding="utf-8") as file:
            self.assertIn("libgtk-3", file.read())


if __name__ == "__main__":
    sys.exit(unittest.main())
