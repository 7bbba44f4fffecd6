"""The real Windows dialogs and message boxes under Wine: the dialog probe shows them as a
product check does, one product per locale given, and the UI driver reads and operates
them. Also: locale libraries are used as data only, and only from plain locale names."""
import os
import shutil
import unittest

from wine_harness import PROGRAM_FOLDER, SETTINGS_KEY, UiScript, WineSession

PROBE = PROGRAM_FOLDER + "dialog_probe.exe"
OUTPUT = "C:\\kwu\\probe.txt"
DAYS = [" 1", " 5", "10", "30", "60"]
NO_UPDATES = "There are no new updates available.\nYou already have the most recent version."


def by_id(window):
    return {control["id"]: control for control in window["controls"]}


class WineDialogs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = WineSession(display=True).start()
        build = cls.session.build
        folder = cls.session.unix_path(PROGRAM_FOLDER)
        shutil.copy2(os.path.join(build, "tests", "support", "dialog_probe.exe"), folder)
        hostile = os.path.join(folder, "Locale", "evil")
        os.makedirs(hostile, exist_ok=True)
        shutil.copy2(os.path.join(build, "tests", "fixtures", "hostile", "kavexwebupdexe.dat"),
                     hostile)
        spin = os.path.join(folder, "Locale", "spin")
        os.makedirs(spin, exist_ok=True)
        shutil.copy2(os.path.join(build, "tests", "fixtures", "spin", "kavexwebupdexe.dat"), spin)
        outside = os.path.join(folder, "outside")
        os.makedirs(outside, exist_ok=True)
        shutil.copy2(os.path.join(folder, "Locale", "de", "kavexwebupdexe.dat"), outside)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.session.reset()

    def probe(self, action, product, *locales, ui=None):
        """Runs the probe; returns its lines and the UI driver's results."""
        run = self.session.run([OUTPUT, action, product] + list(locales), ui=ui, program=PROBE,
                               cwd="C:\\kwu")
        self.assertFalse(run.timed_out, "the probe did not end")
        for result in run.ui:
            self.assertTrue(result.ok, (result.returncode, result.events))
        self.assertEqual(run.returncode, 0)
        content = self.session.read_file(OUTPUT) or b""
        return content.decode("latin-1").splitlines(), run.ui

    # ---- the update-available dialog ------------------------------------------------

    def test_update_dialog_as_first_shown(self):
        lines, ui = self.probe("update", "Acme Writer",
                               ui=UiScript("Acme Writer", "ok", "wait-gone"))
        self.assertEqual(lines, ["update locale= result=1 remind=0"])
        window = ui[0].window
        controls = by_id(window)
        self.assertEqual(window["title"], "Acme Writer")
        self.assertFalse(window["owned"])
        self.assertEqual(controls[1006]["text"], "There are updates available for the Acme Writer software.")
        self.assertEqual(controls[1004]["text"], "Visit the Acme Writer Web site to review the updates")
        self.assertEqual(controls[1005]["text"], "Remind me again in")
        self.assertEqual(controls[1009]["text"], "day(s)")
        self.assertEqual(controls[1]["text"], "OK")
        self.assertEqual((controls[1004]["checked"], controls[1005]["checked"]), (1, 0))
        self.assertEqual(controls[1016]["items"], DAYS)
        self.assertEqual(controls[1016]["selected"], 0)
        self.assertEqual(controls[1016]["text"], " 1")
        self.assertTrue(controls[1]["focused"])
        icons = [c for c in window["controls"] if c["class"].lower() == "static" and c.get("icon")]
        self.assertEqual(len(icons), 1)
        # Centred on the 1024 x 768 screen.
        x, y, width, height = window["rect"]
        self.assertLessEqual(abs(x + width / 2 - 512), 2)
        self.assertLessEqual(abs(y + height / 2 - 384), 40)  # work area without a taskbar

    def test_choosing_a_number_chooses_the_reminder(self):
        lines, ui = self.probe("update", "Acme", ui=UiScript(
            "Acme", "select:1016:30", "dump", "ok", "wait-gone"))
        self.assertEqual(lines, ["update locale= result=1 remind=30"])
        after = by_id(ui[0].windows[1])
        self.assertEqual((after[1004]["checked"], after[1005]["checked"]), (0, 1))
        self.assertEqual(after[1016]["selected"], 3)

    def test_visit_again_after_a_number_ignores_the_number(self):
        lines, _ = self.probe("update", "Acme", ui=UiScript(
            "Acme", "select:1016:60", "click:1004", "ok", "wait-gone"))
        self.assertEqual(lines, ["update locale= result=1 remind=0"])

    def test_remind_without_touching_the_list_gives_one_day(self):
        lines, _ = self.probe("update", "Acme", ui=UiScript("Acme", "click:1005", "enter", "wait-gone"))
        self.assertEqual(lines, ["update locale= result=1 remind=1"])

    def test_the_keyboard_alone_answers_both_ways(self):
        # Windows' own dialog manager: the traces the dialog model's unit test expects of
        # the Linux hosts (the focused id, the checked choice, the list's selection).
        def trace(ui):
            states = []
            for window in ui[0].windows[1:]:
                controls = by_id(window)
                focused = [c["id"] for c in window["controls"] if c["focused"]]
                checked = [i for i in (1004, 1005) if controls[i]["checked"]]
                states.append("%s:%s:%d" % (focused[0] if focused else 0,
                                            checked[0] if checked else 0,
                                            controls[1016]["selected"]))
            return " ".join(states)

        for keys, expected, remind in (
                (["down", "down", "down", "down", "down", "shift+tab", "up"],
                 "1004:1004:0 1005:1005:0 1009:1005:0 1016:1005:0 1016:1005:1 1005:1005:1 "
                 "1004:1004:1", 0),
                (["tab", "tab", "down", "down"],
                 "1004:1004:0 1016:1004:0 1016:1005:1 1016:1005:2", 10)):
            with self.subTest(keys=keys):
                actions = [step for key in keys for step in ("key:" + key, "dump")]
                lines, ui = self.probe("update", "Acme", ui=UiScript(
                    "Acme", *actions, "key:return", "wait-gone"))
                self.assertEqual(trace(ui), expected)
                self.assertEqual(lines, ["update locale= result=1 remind=%d" % remind])

    def test_an_up_down_control_of_a_translation_chooses_the_reminder(self):
        # The dialog can be created only with the common controls loaded and initialised.
        lines, ui = self.probe("update", "Acme", "spin", ui=UiScript(
            "Acme", "dump", "press:1002", "dump", "ok", "wait-gone"))
        self.assertEqual(lines, ["update locale=spin result=1 remind=1"])
        before, after = by_id(ui[0].windows[1]), by_id(ui[0].windows[2])
        self.assertEqual(before[1002]["class"].lower(), "msctls_updown32")
        self.assertEqual((before[1004]["checked"], before[1005]["checked"]), (1, 0))
        self.assertEqual((after[1004]["checked"], after[1005]["checked"]), (0, 1))

    def test_close_box_and_escape_cancel(self):
        lines, _ = self.probe("update", "Acme", "", "", ui=[
            UiScript("Acme", "select:1016:10", "close", "wait-gone"),
            UiScript("Acme", "click:1005", "escape", "wait-gone")])
        self.assertEqual(lines, ["update locale= result=2 remind=0",
                                 "update locale= result=2 remind=0"])

    def test_percent_signs_in_the_product_name_show_unchanged(self):
        name = "Tool 100% %s%d%n"
        lines, ui = self.probe("update", name, ui=UiScript(name, "ok", "wait-gone"))
        controls = by_id(ui[0].window)
        self.assertEqual(ui[0].window["title"], name)
        self.assertEqual(controls[1006]["text"], "There are updates available for the %s software." % name)
        self.assertEqual(controls[1004]["text"], "Visit the %s Web site to review the updates" % name)
        self.assertEqual(lines, ["update locale= result=1 remind=0"])

    # ---- the no-updates dialog and the message boxes ---------------------------------

    def test_no_updates_dialog(self):
        lines, ui = self.probe("noupdates", "Acme", "", "", ui=[
            UiScript("Acme", "ok", "wait-gone"), UiScript("Acme", "escape", "wait-gone")])
        self.assertEqual(lines, ["noupdates locale= result=1", "noupdates locale= result=2"])
        controls = by_id(ui[0].window)
        self.assertEqual(controls[1006]["text"], NO_UPDATES)
        self.assertEqual(controls[1]["text"], "OK")
        self.assertTrue(controls[1]["focused"])
        self.assertTrue(any(c.get("icon") for c in ui[0].window["controls"]))

    def test_product_message_boxes(self):
        _, ui = self.probe("error", "Acme 100%", ui=UiScript("Acme 100%", "ok", "wait-gone"))
        box = ui[0].window["message_box"]
        self.assertEqual(box["text"], "Error: Connection error. Status code: 404")
        self.assertTrue(box["icon"])
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        _, ui = self.probe("unknown", "Acme", ui=UiScript("Acme", "ok", "wait-gone"))
        self.assertEqual(ui[0].window["message_box"]["text"], "Unknown error")
        self.assertTrue(ui[0].window["message_box"]["icon"])

    def test_startup_box_is_fixed_english_without_icon_or_owner(self):
        _, ui = self.probe("startup", "Acme", "de",
                           ui=UiScript("Kavex Web Update", "ok", "wait-gone"))
        box = ui[0].window["message_box"]
        self.assertEqual(box["text"], "Unknown error")
        self.assertFalse(box["icon"])
        self.assertFalse(ui[0].window["owned"])

    # ---- locale libraries -------------------------------------------------------------

    def test_german_library_then_a_product_without_one(self):
        lines, ui = self.probe("update", "Acme", "de", "en", ui=[
            UiScript("Acme", "select:1016:10", "ok", "wait-gone"),
            UiScript("Acme", "ok", "wait-gone")])
        self.assertEqual(lines, ["update locale=de result=1 remind=10",
                                 "update locale=en result=1 remind=0"])
        german, english = by_id(ui[0].window), by_id(ui[1].window)
        self.assertEqual(german[1006]["text"], "F\u00fcr die Software Acme sind Updates verf\u00fcgbar.")
        self.assertEqual(german[1004]["text"], "Die Website von Acme besuchen, um die Updates anzusehen")
        self.assertEqual(german[1005]["text"], "Erneut erinnern in")
        self.assertEqual(german[1009]["text"], "Tag(en)")
        self.assertEqual(german[1016]["items"], DAYS)
        self.assertEqual(english[1005]["text"], "Remind me again in")
        self.assertEqual(english[1009]["text"], "day(s)")
        # The German template is the wider one.
        self.assertGreater(ui[0].window["rect"][2], ui[1].window["rect"][2])

    def test_german_message_box_and_no_updates_dialog(self):
        _, ui = self.probe("error", "Acme", "de", "en", ui=[
            UiScript("Acme", "ok", "wait-gone"), UiScript("Acme", "ok", "wait-gone")])
        self.assertEqual(ui[0].window["message_box"]["text"], "Fehler: Verbindungsfehler. Statuscode: 404")
        self.assertEqual(ui[1].window["message_box"]["text"], "Error: Connection error. Status code: 404")
        _, ui = self.probe("noupdates", "Acme", "de", ui=UiScript("Acme", "ok", "wait-gone"))
        self.assertEqual(by_id(ui[0].window)[1006]["text"],
                         "Es sind keine neuen Updates verf\u00fcgbar.\nSie haben bereits die neueste Version.")

    def test_library_code_never_runs(self):
        # Loaded as a locale library, its texts serve but its entry point does not run,
        # neither in the probe nor in the program's own run over a product.
        lines, _ = self.probe("texts", "Acme", "evil")
        self.assertIn("text locale=evil id=2 Hostile error", lines)
        self.session.reg_add(SETTINGS_KEY, "URL", "http://127.0.0.1:9/update.ini")
        run = self.session.run(["Acme", "1.0", "1", "evil"], cwd="C:\\kwu")
        self.assertFalse(run.timed_out)
        self.assertEqual(run.returncode, 0)
        self.assertIsNone(self.session.read_file("C:\\kwu\\entry_point_ran.txt"))
        # The same file loaded as an ordinary library does run its entry point.
        control = self.session.run(
            [PROGRAM_FOLDER + "Locale\\evil\\kavexwebupdexe.dat,Nothing"],
            program="C:\\windows\\system32\\rundll32.exe", cwd="C:\\kwu")
        self.assertFalse(control.timed_out)
        self.assertIsNotNone(self.session.read_file("C:\\kwu\\entry_point_ran.txt"))

    def test_locale_leading_out_of_the_locale_folder_loads_nothing(self):
        lines, _ = self.probe("texts", "Acme", "..\\outside", "../outside", "de")
        self.assertIn("text locale=..\\outside id=2 Error", lines)
        self.assertIn("text locale=../outside id=2 Error", lines)
        self.assertIn("text locale=de id=2 Fehler", lines)


if __name__ == "__main__":
    unittest.main()
