"""The Linux program's dialogs in windows (the GTK module), read over the accessibility bus
and operated with real clicks and keys, the outcome checked in the program's effects (the
settings file and the pages handed to the browser stand-in). Also: which host a run
chooses in each situation, and that a run showing nothing never loads GTK.
test_native_gtk_keyboard.py answers the dialog by keys alone."""

import os
import sys
import time
import unittest

import gtk_harness as gtk
from gtk_harness import PAGE, GtkTestCase, send_close_request, wait_until, xdotool
from gtk_harness import setUpModule, tearDownModule  # noqa: F401 (the display and buses)
from native_harness import PROGRAM
from protocol import CAPTION, DAY, Reply, local_date, product_file


class UpdateDialog(GtkTestCase):
    def test_texts_initial_state_and_screenshots(self):
        self.start("App", "7.0")
        dialog = self.window("App")
        self.assertEqual(dialog.texts("label"), ["There are updates available for the App software.",
                                                 "day(s)"])
        visit = dialog.one("radio button", "Visit the App Web site to review the updates")
        remind = dialog.one("radio button", "Remind me again in")
        self.assertTrue(dialog.has(visit, gtk.pyatspi.STATE_CHECKED))
        self.assertFalse(dialog.has(remind, gtk.pyatspi.STATE_CHECKED))
        ok = dialog.one("push button", "OK")
        self.assertTrue(dialog.has(ok, gtk.pyatspi.STATE_FOCUSED))
        combo = dialog.one("combo box")
        self.assertEqual(combo.name, " 1")
        # The sorted list, from the dialog-init items.
        self.assertEqual(dialog.texts("menu item"), [" 1", " 5", "10", "30", "60"])
        self.assertEqual(len(dialog.all("icon")), 1)
        # The template's layout: the remind row reads radio button, list, unit.
        x = {name: node.queryComponent().getExtents(gtk.pyatspi.DESKTOP_COORDS).x
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
        self.assertTrue(wait_until(lambda: dialog.has(remind, gtk.pyatspi.STATE_CHECKED)))
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
        headline = german.one("label", labels[0]).queryComponent().getExtents(gtk.pyatspi.DESKTOP_COORDS)
        visit = [node for node in german.all("radio button") if node is not remind][0]
        # The headline's room ends above the visit choice.
        self.assertLessEqual(headline.y + headline.height,
                             visit.queryComponent().getExtents(gtk.pyatspi.DESKTOP_COORDS).y)
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
                # Its one button, the default, has the focus, as under Windows.
                ok = dialog.one("push button", "OK")
                for state in (gtk.pyatspi.STATE_FOCUSED, gtk.pyatspi.STATE_IS_DEFAULT):
                    self.assertTrue(wait_until(lambda: dialog.has(ok, state)), state)
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
        self.assertIn("-> Remind me again in 1 day(s)", stdout)
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
