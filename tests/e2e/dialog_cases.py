"""The dialogs and message boxes, the same cases on both platforms, shown by the dialog
probe (tests/support/dialog_probe.cpp) as a product check shows them, one product per
locale given: the real Windows dialogs under Wine, the console host on Linux.
test_native_console_dialogs.py and test_wine_dialogs.py run them."""

import os
import re

from protocol import (BUILD_DIR, CAPTION, ENGLISH, GERMAN, GERMAN_NO_UPDATES, NO_UPDATES,
                      Answer, box, close, ok, pick, visit)


class Probe:
    def probe(self, action, product, *locales, answers=(), **options):
        """The probe's lines (what each dialog or box gave back) and the windows shown."""
        output = self.scratch("probe.txt")
        windows = self.check(output, action, product, *locales, answers=answers,
                             program="dialog_probe", **options).windows
        # Split as bytes: Latin-1 text would also break at bytes such as 0x85.
        lines = [line.decode("latin-1") for line in (self.read_file(output) or b"").splitlines()]
        # The controls' fits of each dialog come before its line (fit_probe.h).
        fits, measured = [], {}
        for line in lines:
            fit = re.fullmatch(r"fit id=(\d+) need=(\d+),(\d+) room=(-?\d+),(-?\d+)", line)
            if fit:
                measured[int(fit[1])] = tuple(map(int, fit.groups()[1:]))
            elif line.startswith(("update ", "noupdates ")):
                fits.append(measured)
                measured = {}
        for window, fit in zip(windows if action in ("update", "noupdates") else (), fits):
            window.fits = fit
        return [line for line in lines if not line.startswith("fit ")], windows


class Dialogs(Probe):
    def test_update_dialog_as_first_shown(self):
        lines, [window] = self.probe("update", "Acme Writer", answers=[ok("Acme Writer")])
        self.assertEqual(lines, ["update locale= result=1 remind=0"])
        self.assertOffer(window, "Acme Writer")
        self.assertEqual((window.items, window.selected), (self.DAYS, self.DAYS[0]))

    def test_a_number_picked_chooses_the_reminder(self):
        lines, [window] = self.probe("update", "Acme", answers=[ok("Acme", pick(30), "dump")])
        self.assertEqual(lines, ["update locale= result=1 remind=30"])
        self.assertEqual((window.later[0].checked, window.later[0].selected),
                         ("IDC_RADIO_REMIND", self.DAYS[3]))

    def test_visit_again_after_a_number_ignores_the_number(self):
        lines, _ = self.probe("update", "Acme", answers=[visit("Acme", pick(60))])
        self.assertEqual(lines, ["update locale= result=1 remind=0"])

    def test_remind_without_touching_the_list_gives_one_day(self):
        lines, _ = self.probe("update", "Acme", answers=[Answer("Acme", "remind", "enter")])
        self.assertEqual(lines, ["update locale= result=1 remind=1"])

    def test_close_box_and_escape_cancel(self):
        lines, _ = self.probe("update", "Acme", "", "", answers=[
            close("Acme", pick(10)), close("Acme", "remind", key="escape")])
        self.assertEqual(lines, ["update locale= result=2 remind=0"] * 2)

    def test_percent_signs_in_the_product_name_show_unchanged(self):
        name = "Tool 100% %s%d%n"
        lines, [window] = self.probe("update", name, answers=[ok(name)])
        self.assertOffer(window, name)
        self.assertEqual(lines, ["update locale= result=1 remind=0"])

    def test_no_updates_dialog(self):
        lines, [window, _] = self.probe("noupdates", "Acme", "", "", answers=[
            ok("Acme"), close("Acme", key="escape")])
        self.assertEqual(lines, ["noupdates locale= result=1", "noupdates locale= result=2"])
        self.assertDialog(window, "Acme", {"IDC_MESSAGE": NO_UPDATES, "IDOK": "OK"})

    def test_product_message_boxes_in_the_product_language(self):
        for action, product, texts in (
                ("error", "Acme 100%", ["Fehler: Verbindungsfehler. Statuscode: 404",
                                        "Error: Connection error. Status code: 404"]),
                ("unknown", "Acme", ["Unbekannter Fehler", "Unknown error"])):
            lines, windows = self.probe(action, product, "de", "en", answers=[box(product)] * 2)
            self.assertEqual(lines, ["%s locale=%s text=%s" % (action, locale, text)
                                     for locale, text in zip(("de", "en"), texts)])
            for window, text in zip(windows, texts):
                self.assertBox(window, product, text)

    def test_startup_box_is_fixed_english_without_icon_or_owner(self):
        _, [window] = self.probe("startup", "Acme", "de", answers=[box(CAPTION)])
        self.assertBox(window, CAPTION, "Unknown error", icon=False, owned=False)

    def test_german_library_then_a_product_without_one(self):
        lines, windows = self.probe("update", "Acme", "de", "en", "de", answers=[
            ok("Acme", pick(10)), ok("Acme"), ok("Acme")])
        self.assertEqual(lines, ["update locale=de result=1 remind=10",
                                 "update locale=en result=1 remind=0",
                                 "update locale=de result=1 remind=0"])
        for window, texts in zip(windows, (GERMAN, ENGLISH, GERMAN)):
            self.assertOffer(window, "Acme", texts)
            self.assertEqual(window.items, self.DAYS)
        _, [window] = self.probe("noupdates", "Acme", "de", answers=[ok("Acme")])
        self.assertEqual(window.text, GERMAN_NO_UPDATES)

    def test_locale_leading_out_of_the_locale_folder_loads_nothing(self):
        self.install_locale(os.path.join("..", "outside"),
                            os.path.join(BUILD_DIR, "src", "Locale", "de", "kavexwebupdexe.dat"))
        lines, _ = self.probe("texts", "Acme", "..\\outside", "../outside", "..", "de")
        for locale, text in (("..\\outside", "Error"), ("../outside", "Error"), ("..", "Error"),
                             ("de", "Fehler")):
            self.assertIn("text locale=%s id=2 %s" % (locale, text), lines)


CASES = (Dialogs,)
