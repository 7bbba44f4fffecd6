"""The Linux program's windows (the GTK module) on a virtual display with a session bus and
the accessibility bus, for the GTK suites: the controls are read through AT-SPI and
operated with real key presses and clicks (xdotool); GtkTestCase starts the program on
that display and waits for its windows. A suite takes setUpModule and tearDownModule from
here, which start and end the display and the buses."""

import ctypes
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from native_harness import PROGRAM, NativeCase
from protocol import BUILD_DIR

MODULE = os.path.join(BUILD_DIR, "src", "libkavexwebupd-gtk.so")
PAGE = "http://127.0.0.1/app70.html?from=kwu&x=1"
# Screenshots go to the build tree; KWU_SCREENSHOT_DIR=docs/screenshots refreshes the
# documentation's.
SCREENSHOTS = os.environ.get("KWU_SCREENSHOT_DIR") or os.path.join(BUILD_DIR, "screenshots")
TOOLS = ("Xvfb", "xdotool", "dbus-daemon", "import")
# How long one step may take on a busy machine before the suite calls it a failure; every
# wait ends as soon as what it waits for is there.
WAIT = 90

_display = {}  # "DISPLAY", "DBUS_SESSION_BUS_ADDRESS" and the processes behind them
pyatspi = None
GLib = None
# The controls the accessibility bus announced as focused, in order, since the last start.
focused_controls = []


def setUpModule():
    global pyatspi, GLib
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing or not os.path.exists(MODULE):
        raise unittest.SkipTest("needs %s and the GTK module" % ", ".join(TOOLS))
    read_end, write_end = os.pipe()
    # Without -noreset the server starts over whenever its last client has gone, as it
    # does between two runs of the program; a run connecting in that moment waits forever.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    # The accessibility bus that the session bus starts puts its socket in the user's
    # runtime folder, one path for all the user's sessions: a folder of the suite's own
    # keeps another suite running at the same time off it.
    runtime = tempfile.mkdtemp(prefix="kwu-gtk-runtime-")
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                           env=dict(os.environ, XDG_RUNTIME_DIR=runtime))
    address = bus.stdout.readline().strip()
    _display.update({"DISPLAY": ":" + number, "DBUS_SESSION_BUS_ADDRESS": address,
                     "processes": [bus, xvfb], "runtime": runtime})
    # The accessibility client finds the bus through these.
    os.environ["DISPLAY"] = _display["DISPLAY"]
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    try:
        import pyatspi as module
        from gi.repository import GLib as glib
    except ImportError:
        tearDownModule()
        raise unittest.SkipTest("needs python3-pyatspi")
    pyatspi, GLib = module, glib
    pyatspi.Registry.registerEventListener(
        lambda event: event.detail1 and focused_controls.append(event.source),
        "object:state-changed:focused")


def tearDownModule():
    for process in _display.get("processes", []):
        process.terminate()
        process.wait(timeout=10)
    if "runtime" in _display:
        shutil.rmtree(_display["runtime"], ignore_errors=True)


def display():
    """The suite's virtual X display."""
    return _display["DISPLAY"]


def xdotool(*args, timeout=WAIT):
    subprocess.run(["xdotool"] + [str(arg) for arg in args], check=True, timeout=timeout,
                   stdout=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=_display["DISPLAY"]))


def display_answers():
    """Whether a new client of the virtual display gets an answer in a few seconds."""
    try:
        xdotool("getdisplaygeometry", timeout=10)
        return True
    except (subprocess.SubprocessError, OSError):
        return False


def wait_until(condition, bound=WAIT):
    """The first true value of condition() within bound seconds, else its last value."""
    deadline = time.monotonic() + bound
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.1)


def dispatch_events():
    """Takes in what the accessibility bus has sent: the focus changes, and the registry's
    news of applications that came or went."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def program_frames():
    """(role, name, showing, frame) of each top-level window of the program that the
    accessibility bus lists now. The desktop's list of applications is a cache kept up to
    date by the registry's signals, which a loaded machine delivers late: it is read afresh
    each time, and an application that goes away while it is read is passed over."""
    dispatch_events()
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()
    frames = []
    for application in desktop:
        try:
            if application is None or application.name != "kavexwebupd":
                continue
            frames += [(frame.getRoleName(), frame.name,
                        frame.getState().contains(pyatspi.STATE_SHOWING), frame)
                       for frame in application if frame is not None]
        except GLib.Error:
            continue
    return frames


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
        self.stop()  # a run that a failed step left behind
        del focused_controls[:]  # what the last run announced
        self.process = subprocess.Popen([PROGRAM] + list(args), env=self.environment(env),
                                        cwd=self.root, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def stop(self):
        """Ends the program if it still runs (after a failure); what it wrote."""
        if self.process and self.process.poll() is None:
            self.process.kill()
        return self.process.communicate(timeout=WAIT) if self.process else None

    def finish(self):
        """Waits for the program; its (stdout, stderr) after checking exit code 0."""
        stdout, stderr = self.process.communicate(timeout=WAIT)
        self.assertEqual(self.process.returncode, 0, stderr)
        return stdout.decode("utf-8"), stderr.decode("utf-8")

    def window(self, title, role=("frame",), accessible=None, x_focus=True):
        """The program's showing window of that title; its X window gets the focus (unless
        it has none). An error message box is known to AT-SPI by its kind ("Error"), not its
        title."""
        listed = []

        def showing():
            if self.process.poll() is not None:
                self.fail("the program ended before showing %s: %r" % (title, self.stop()))
            listed[:] = program_frames()
            return next((frame for kind, name, shown, frame in listed
                         if name == (accessible or title) and kind in role and shown), None)
        frame = wait_until(showing)
        if frame is None:
            self.fail("no window %s among %r; the display %s; the program wrote %r" % (
                title, [entry[:3] for entry in listed],
                "answers" if display_answers() else "does not answer", self.stop()))
        if x_focus:
            self.focus(title)
        return Window(frame)

    def x_window(self, title):
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                "^%s$" % title.replace("%", "\\%")],
                               capture_output=True, text=True, timeout=WAIT,
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
        dialog.click(dialog.one("combo box"))
        item = wait_until(lambda: next(
            (node for node in dialog.all("menu item")
             if node.name.strip() == days and dialog.has(node, pyatspi.STATE_SHOWING)), None))
        self.assertIsNotNone(item, "the list did not open")
        time.sleep(0.3)  # the list settles where it opened
        dialog.click(item)
