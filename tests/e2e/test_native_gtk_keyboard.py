"""The update dialog of the GTK module answered by key presses alone (xdotool), the focus
(as the accessibility bus announces it to a screen reader) and the checked choice read
back over the bus after each key, on X and under a Wayland compositor (weston)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import gtk_harness as gtk
from gtk_harness import (PAGE, WAIT, GtkTestCase, dispatch_events, focused_controls,
                         wait_until, xdotool)
from gtk_harness import setUpModule, tearDownModule  # noqa: F401 (the display and buses)
from protocol import DAY, local_date


class KeysTestCase(GtkTestCase):
    """Reads back, after each key, the focus and the checked choice of the update dialog."""

    VISIT = "Visit the App Web site to review the updates"
    REMIND = "Remind me again in"

    @staticmethod
    def focused():
        """Role and name of the control the accessibility bus last announced as focused, as a
        screen reader follows the focus. GTK announces a list's own button: the list."""
        dispatch_events()
        if not focused_controls:
            return None
        node = focused_controls[-1]
        while node is not None and node.getRoleName() in ("toggle button", "filler"):
            if node.parent is not None and node.parent.getRoleName() == "combo box":
                node = node.parent
                break
            node = node.parent
        return (node.getRoleName(), node.name.strip()) if node is not None else None

    def state(self, dialog):
        """(the focused control, the checked choice, the list's text)."""
        checked = [node.name for node in dialog.all("radio button")
                   if dialog.has(node, gtk.pyatspi.STATE_CHECKED)]
        return self.focused(), checked, dialog.one("combo box").name.strip()

    def expect(self, dialog, expected, key=None):
        wait_until(lambda: self.state(dialog) == expected)
        self.assertEqual(self.state(dialog), expected, key)

    def keys(self, dialog, *steps):
        """Presses each key and waits for the state the step expects."""
        for key, expected in steps:
            xdotool("key", key)
            self.expect(dialog, expected, key)


class Keyboard(KeysTestCase):
    """The update dialog answered by key presses alone, as the Windows dialog manager
    takes them: Tab between the tab stops (a checked radio button is one), the arrows round
    a group, checking the radio buttons they reach, Enter for the default button."""

    def test_initial_focus_on_the_default_button_then_visit_by_arrows(self):
        self.set_remind_date("App", "01/06/2005")
        self.start("App", "7.0")
        dialog = self.window("App")
        ok = dialog.one("push button", "OK")
        self.assertTrue(dialog.has(ok, gtk.pyatspi.STATE_IS_DEFAULT))
        self.expect(dialog, (("push button", "OK"), [self.VISIT], "1"))
        self.keys(dialog,
                  ("Down", (("radio button", self.VISIT), [self.VISIT], "1")),
                  ("Down", (("radio button", self.REMIND), [self.REMIND], "1")),
                  ("Down", (("label", "day(s)"), [self.REMIND], "1")),
                  ("Up", (("radio button", self.REMIND), [self.REMIND], "1")),
                  ("Up", (("radio button", self.VISIT), [self.VISIT], "1")))
        time.sleep(0.5)  # the theme's transitions settle
        self.screenshot("gtk_update_available_focus_en.png")
        xdotool("key", "Return")
        self.finish()
        self.assertEqual(self.pages(1), [PAGE])
        self.assertEqual(self.remind_date("App"), "")

    def test_remind_in_ten_days_by_tab_and_arrows_and_back_to_visit(self):
        for back in (False, True):
            with self.subTest(back_to_visit=back):
                self.set_remind_date("App", "")
                self.start("App", "7.0")
                dialog = self.window("App")
                self.keys(dialog,
                          ("Tab", (("radio button", self.VISIT), [self.VISIT], "1")),
                          ("Tab", (("combo box", "1"), [self.VISIT], "1")),
                          ("Down", (("combo box", "5"), [self.REMIND], "5")))
                # Alt+Down opens the list, whose arrows and Enter are its own.
                xdotool("key", "alt+Down")
                self.assertTrue(wait_until(lambda: any(dialog.has(item, gtk.pyatspi.STATE_SHOWING)
                                                       for item in dialog.all("menu item"))),
                                "the list did not open")
                time.sleep(0.3)  # the list settles where it opened
                xdotool("key", "Down")
                xdotool("key", "Return")
                self.expect(dialog, (("combo box", "10"), [self.REMIND], "10"))
                if back:
                    self.keys(dialog,
                              ("shift+Tab", (("radio button", self.REMIND), [self.REMIND], "10")),
                              ("Up", (("radio button", self.VISIT), [self.VISIT], "10")))
                earliest = local_date(time.time() + 10 * DAY)
                xdotool("key", "Return")
                self.finish()
                self.assertIn(self.remind_date("App"),
                              {""} if back else {earliest, local_date(time.time() + 10 * DAY)})
        self.assertEqual(self.pages(1), [PAGE])


class Wayland(KeysTestCase):
    """The dialog under a Wayland compositor, answered by keys. Weston's headless backend
    gives its clients no seat, so no key can reach them there; its X11 backend, on the
    suite's virtual display, is the same compositor with a seat that takes the keys pressed
    on that display. The program sees no X display: GTK speaks Wayland or nothing."""

    SOCKET = "kwu-wayland"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if not shutil.which("weston"):
            raise unittest.SkipTest("needs weston")
        cls.runtime = tempfile.mkdtemp(prefix="kwu-wayland-")
        cls.log = open(os.path.join(cls.runtime, "weston.log"), "w")
        cls.weston = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--no-config",
             "--socket=" + cls.SOCKET, "--width=800", "--height=600", "--idle-time=0"],
            env=dict(os.environ, XDG_RUNTIME_DIR=cls.runtime, DISPLAY=gtk.display()),
            stdout=cls.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + WAIT
        while not os.path.exists(os.path.join(cls.runtime, cls.SOCKET)):
            if cls.weston.poll() is not None or time.monotonic() > deadline:
                cls.tearDownClass()
                raise AssertionError("weston did not start")
            time.sleep(0.1)

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "weston", None):
            cls.weston.terminate()
            cls.weston.wait(timeout=10)
            cls.log.close()
            shutil.rmtree(cls.runtime, ignore_errors=True)
        super().tearDownClass()

    def test_the_update_dialog_answered_by_keys(self):
        # The keys go to the compositor's window on the virtual display: it has the focus
        # before the dialog opens, so that the compositor gives the dialog the keyboard.
        found = subprocess.run(["xdotool", "search", "--sync", "--class", "^Weston Compositor$"],
                               capture_output=True, text=True, timeout=WAIT,
                               env=dict(os.environ, DISPLAY=gtk.display()))
        xdotool("windowfocus", "--sync", found.stdout.split()[0])
        self.start("App", "7.0", env={"DISPLAY": None, "GDK_BACKEND": "wayland",
                                      "XDG_RUNTIME_DIR": self.runtime,
                                      "WAYLAND_DISPLAY": self.SOCKET})
        dialog = self.window("App", x_focus=False)
        # A key reaches the window once the compositor has made it the active one.
        self.assertTrue(wait_until(lambda: dialog.has(dialog.frame, gtk.pyatspi.STATE_ACTIVE)))
        self.expect(dialog, (("push button", "OK"), [self.VISIT], "1"))
        self.keys(dialog,
                  ("Down", (("radio button", self.VISIT), [self.VISIT], "1")),
                  ("Down", (("radio button", self.REMIND), [self.REMIND], "1")),
                  ("Tab", (("combo box", "1"), [self.REMIND], "1")),
                  ("Down", (("combo box", "5"), [self.REMIND], "5")))
        earliest = local_date(time.time() + 5 * DAY)
        xdotool("key", "Return")
        self.finish()
        self.assertIn(self.remind_date("App"), {earliest, local_date(time.time() + 5 * DAY)})
        self.assertEqual(self.pages(), [])


if __name__ == "__main__":
    sys.exit(unittest.main())
