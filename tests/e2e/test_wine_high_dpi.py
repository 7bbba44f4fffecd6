"""The Windows program on a high-DPI screen, under Wine at 192 dots per inch (200 %): the
program declares itself DPI-aware, so both dialogs are laid out at the screen's size from
their font, twice as large as at 96, with every control inside its dialog and every text
needing no more of its control than at 96, not drawn small and stretched as a bitmap. Screenshots of both go to
the build tree; KWU_SCREENSHOT_DIR=docs/screenshots refreshes the documentation's."""

import os
import subprocess
import threading
import time
import unittest

from protocol import BUILD_DIR, close, ok
from wine_case import WineCase

SCREENSHOTS = os.environ.get("KWU_SCREENSHOT_DIR") or os.path.join(BUILD_DIR, "screenshots")


class HighDpi(WineCase):
    def setUp(self):
        super().setUp()
        self.serve(("Acme Writer 7.0", ["FileArgs=http://127.0.0.1/acme.html"]))

    def dialogs(self, shoot=None):
        """The update dialog (closed unanswered) and the no-updates dialog, as the program
        shows them; each is photographed first when shoot gives a name for it."""
        shown = []
        for product, version, answer in (("Acme Writer", "7.0", close("Acme Writer", "sleep:3000")),
                                         ("Acme Writer", "6.0", ok("Acme Writer", "sleep:3000"))):
            name = shoot and shoot % ("update_available" if version == "7.0" else "no_updates")
            shooter = threading.Thread(target=self.screenshot, args=(name,)) if name else None
            if shooter:
                shooter.start()
            window = self.check(product, version, "0", answers=[answer]).windows[0]
            if shooter:
                shooter.join()
                self.crop(name, window.raw["rect"])
            shown.append(window.raw)
        return shown

    def screenshot(self, name):
        # Once the dialog shows (Wine's windows carry their titles on the display).
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                        "^Acme Writer$"], env=dict(os.environ, DISPLAY=self.session.display),
                       capture_output=True, timeout=60)
        time.sleep(1)
        os.makedirs(SCREENSHOTS, exist_ok=True)
        subprocess.run(["import", "-display", self.session.display, "-window", "root",
                        os.path.join(SCREENSHOTS, name)], check=True, timeout=30)

    def crop(self, name, rect):
        x, y, width, height = rect
        margin = 12
        path = os.path.join(SCREENSHOTS, name)
        subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (
            width + 2 * margin, height + 2 * margin, x - margin, y - margin), "+repage", path],
            check=True, timeout=30)

    def assertInside(self, dialog):
        """Every control inside the dialog's client area."""
        width, height = dialog["client"]
        for control in dialog["controls"]:
            x, y, w, h = control["rect"]
            self.assertTrue(x >= 0 and y >= 0 and x + w <= width and y + h <= height,
                            (control, dialog["client"]))

    def assertTextsFitAsWell(self, small, big):
        """Each text fits its control at 192 DPI, or needs no more of it than at 96 (the
        templates are what they are at 96: there the message fills its two lines to the
        last pixel; at 200 % the dialog must be that dialog, twice as large)."""
        by_id = {control["id"]: control for control in small["controls"]}
        for control in big["controls"]:
            if "text_extent" not in control:
                continue
            before = by_id[control["id"]]
            for index in (0, 1):
                used = control["text_extent"][index] / control["rect"][2 + index]
                used_before = before["text_extent"][index] / before["rect"][2 + index]
                self.assertTrue(used <= 1 or used <= used_before * 1.05, (before, control))

    def test_both_dialogs_scale_with_their_font_and_nothing_is_clipped(self):
        normal = self.dialogs()
        self.addCleanup(self.session.set_dpi, 96)
        self.session.set_dpi(192)
        large = self.dialogs(shoot="%s_192dpi_en.png")
        for small, big in zip(normal, large):
            self.assertInside(small)
            self.assertInside(big)
            self.assertTextsFitAsWell(small, big)
            for index in (0, 1):
                ratio = big["client"][index] / small["client"][index]
                self.assertTrue(1.8 <= ratio <= 2.2, (small["client"], big["client"]))
            by_id = {control["id"]: control for control in small["controls"]}
            for control in big["controls"]:
                ratio = control["rect"][2] / by_id[control["id"]]["rect"][2]
                self.assertTrue(1.8 <= ratio <= 2.2, (by_id[control["id"]], control))


if __name__ == "__main__":
    unittest.main()
