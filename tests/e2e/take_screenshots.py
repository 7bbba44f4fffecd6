"""Takes the pictures in docs/screenshots: the two dialogs (English and German), a
product error message box, the right-to-left dialogs (Arabic, Hebrew), Japanese, Chinese
and Korean ones, and the language of the longest texts (Greek) with a product name of 40
characters, as the Windows build shows them under Wine, each in a system locale of its
language's code page.

    KWU_BUILD_DIR=$PWD/build/win32 python3 tests/e2e/take_screenshots.py docs/screenshots [NAME...]

Given names, it takes only those pictures. The build folder is named by its full path:
the runs under Wine start in other folders.

Not a test: run it after changing a dialog, and look at the pictures."""
import os
import shutil
import subprocess
import sys
import threading
import time

from wine_harness import PROGRAM_FOLDER, UiScript, WineSession

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import locale_languages  # noqa: E402

PRODUCT = "Acme Writer"
LONG_PRODUCT = "Acme Document Writer Studio Professional"
SHOTS = [  # file name, probe action, locale[, product]
    ("update_available_en.png", "update", ""), ("update_available_de.png", "update", "de"),
    ("no_updates_en.png", "noupdates", ""), ("no_updates_de.png", "noupdates", "de"),
    ("product_error_en.png", "error", ""),
    ("update_available_ar.png", "update", "ar"), ("no_updates_ar.png", "noupdates", "ar"),
    ("update_available_he.png", "update", "he"), ("update_available_ja.png", "update", "ja"),
    ("update_available_zh-cn.png", "update", "zh-cn"),
    ("update_available_ko.png", "update", "ko"),
    ("update_available_long_name_el.png", "update", "el", LONG_PRODUCT)]


def system_locale(locale):
    """A system locale of the language's code page, in which the program shows its texts;
    None (Western, 1252) for the program's own English."""
    if not locale:
        return None
    codepage = locale_languages.language(locale).codepage
    return locale_languages.SYSTEM_LOCALE_OF_CODEPAGE[codepage]


def main(target, names=()):
    os.makedirs(target, exist_ok=True)
    with WineSession(display=True, fonts=locale_languages.CHECK_FONTS) as session:
        shutil.copy2(os.path.join(session.build, "tests", "support", "dialog_probe.exe"),
                     session.unix_path(PROGRAM_FOLDER))
        for name, action, locale, *named in SHOTS:
            if names and name not in names:
                continue
            product = named[0] if named else PRODUCT
            whole = os.path.join(session.base, name)

            def capture():
                time.sleep(3)
                subprocess.run(["import", "-display", session.display, "-window", "root", whole],
                               check=True)

            shooter = threading.Thread(target=capture)
            shooter.start()
            run = session.run(["C:\\kwu\\probe.txt", action, product, locale],
                              ui=UiScript(product, "sleep:5000", "ok", "wait-gone"),
                              program=PROGRAM_FOLDER + "dialog_probe.exe", cwd="C:\\kwu",
                              locale=system_locale(locale))
            shooter.join()
            window = run.ui[0].window
            x, y, width, height = window["rect"]
            margin = 12
            subprocess.run(["convert", whole, "-crop", "%dx%d+%d+%d" % (
                width + 2 * margin, height + 2 * margin, x - margin, y - margin),
                "+repage", os.path.join(target, name)], check=True)
            print(name, window["rect"])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "docs/screenshots", sys.argv[2:])
