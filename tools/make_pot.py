#!/usr/bin/env python3
"""Makes the translators' template locale/kavexwebupd.pot from the program's resource
script: every string-table entry, and the dialog texts that are words rather than a
resource editor's placeholders. Each entry's context is its resource name (IDS_... or
dialog|control), and its comment says where the text shows, what its conversions stand
for and how much room it has in the English dialogs.

    tools/make_pot.py             # writes locale/kavexwebupd.pot
    tools/make_pot.py --check     # fails if locale/kavexwebupd.pot is not what it would write

Update a translation from the template with gettext's msgmerge:
    msgmerge --update --backup=none locale/<folder>.po locale/kavexwebupd.pot
"""
import argparse
import re
import sys
from pathlib import Path

import polib

import resource_script

ROOT = Path(__file__).resolve().parents[1]
SCRIPT = ROOT / "src" / "ui" / "kavexwebupd.rc"
TEMPLATE = ROOT / "locale" / "kavexwebupd.pot"

HEADER = """# Texts of Kavex Web Update, to be translated.
# Copyright (C) 2026 Dexivane Software
# This file is distributed under the same license as the KavexWebUpdate package.
# Made by tools/make_pot.py from src/ui/kavexwebupd.rc; do not edit by hand.
#
#, fuzzy
msgid ""
msgstr ""
"Project-Id-Version: KavexWebUpdate 1.0\\n"
"Report-Msgid-Bugs-To: \\n"
"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n"
"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n"
"Language-Team: LANGUAGE <LL@li.org>\\n"
"Language: \\n"
"MIME-Version: 1.0\\n"
"Content-Type: text/plain; charset=UTF-8\\n"
"Content-Transfer-Encoding: 8bit\\n"
"""

PLAIN = "Shown as it stands: a percent sign is an ordinary character here."
FORMAT = "A printf-style format: write a literal percent sign as %%."
SHOWN_IN = ("Shown in dialog {dialog}, control {control}: {width} x {height} dialog units in "
            "English, about {chars} average characters a line, {lines}.")
MORE_ROOM = ("Where the translation needs more room, the language's entry in "
             "tools/locale_languages.py widens the control; do not shorten the meaning.")

# What the program does with each entry: (formatted, where it shows, the dialog and
# control it fills or None, notes).
USES = {
    "IDS_ERROR": (False, "First word of a product's error message box; the program adds "
                  "\": \" and the error text, e.g. \"Error: Connection error. Status code: "
                  "404\". The box's caption is the product's name.", None, ""),
    "IDS_UNKNOWN_ERROR": (False, "Message box text when a product's check fails for a reason "
                          "the program cannot name; also the error text of a download that "
                          "failed that way (after \"Error: \").", None, ""),
    "IDS_BAD_URL": (True, "Error text, after \"Error: \" in a message box, when the update "
                    "address set in the settings is not an http:// address.", None, ""),
    "IDS_CONNECTION_ERROR": (True, "Error text, after \"Error: \" in a message box, when the "
                             "update server answers with a status other than 200.", None,
                             "%d = the HTTP status code, e.g. 404."),
    "IDS_NO_UPDATES": (True, "Message of the dialog that says there is nothing new.",
                       ("IDD_NO_UPDATES", "IDC_MESSAGE"),
                       "\\n is a line break; keep it between the two sentences. Each part "
                       "wraps at word boundaries within the control."),
    "IDS_UPDATES_AVAILABLE": (True, "Headline of the dialog that offers an update.",
                              ("IDD_UPDATE_AVAILABLE", "IDC_MESSAGE"),
                              "%s = the product's name, e.g. \"Acme Writer\"."),
    "IDS_VISIT_SITE": (True, "First choice (a radio button) of the update dialog: open the "
                       "product's update page in the browser.",
                       ("IDD_UPDATE_AVAILABLE", "IDC_RADIO_VISIT"),
                       "%s = the product's name. The text may wrap to two lines; the round "
                       "mark of the radio button takes about 12 units of the width."),
    "IDS_REMIND_ME": (True, "Second choice (a radio button) of the update dialog. The row "
                      "reads: this text, a list of numbers of days (1, 5, 10, 30, 60), then "
                      "IDS_DAYS; the three parts together make the sentence.",
                      ("IDD_UPDATE_AVAILABLE", "IDC_RADIO_REMIND"),
                      "One line; the round mark takes about 12 units of the width."),
    "IDS_DAYS": (True, "The unit after the list of days in the update dialog's second "
                 "choice; it stands after any of 1, 5, 10, 30 and 60.",
                 ("IDD_UPDATE_AVAILABLE", "IDC_DAYS_LABEL"), "One line."),
    "IDS_OK": (True, "Text of the OK button of both dialogs; it closes the dialog and "
               "carries out the choice.", ("IDD_UPDATE_AVAILABLE", "IDOK"), ""),
    "IDS_CANCEL": (False, "The dialogs have no Cancel button; on a terminal, the line that "
                   "lists the keys names with it the key that closes a dialog without an "
                   "answer, e.g. \"q=Cancel\". Translate it as the usual Cancel button of "
                   "the language.", None, ""),
    "IDS_BAD_SIGNATURE": (True, "Error text, after \"Error: \" in a message box, when the "
                          "update information does not carry the publisher's valid digital "
                          "signature (only a program built to check signatures shows it): "
                          "it was not signed, it was signed with another key, or it was "
                          "changed on its way.", None, ""),
    "IDS_EXPIRED_MANIFEST": (True, "Error text, after \"Error: \" in a message box, when the "
                             "publisher's signed update information is past the date until "
                             "which the publisher declared it valid (only a program built to "
                             "check signatures shows it): an old copy is being served, or the "
                             "publisher forgot to sign it again.", None, ""),
    "IDS_OLDER_MANIFEST": (True, "Error text, after \"Error: \" in a message box, when the "
                           "publisher's signed update information is older than the one this "
                           "program already received from the same address (only a program "
                           "built to check signatures shows it): someone is serving an old "
                           "copy to hold back updates.", None, ""),
}

# Texts resource editors put into new controls; the program replaces every one of them
# before the dialog shows, so they are not given to translators.
PLACEHOLDER = re.compile(r"^(|Dialog|Static|Radio\d*|Button\d*|Check\d*)$")


def room(dialog, control):
    lines = max(1, control.height // 8)
    return SHOWN_IN.format(dialog=dialog.name, control=control.ident, width=control.width,
                           height=control.height, chars=control.width // 4,
                           lines="one line" if lines == 1 else "%d lines" % lines)


def string_entries(script):
    entries = []
    for name, text, line in script.strings:
        formatted, where, control, notes = USES[name]
        comments = [where]
        if notes:
            comments.append(notes)
        if control:
            comments.append(room(script.dialog(control[0]),
                                 script.dialog(control[0]).control(control[1])))
            comments.append(MORE_ROOM)
        comments.append(FORMAT if formatted else PLAIN)
        flags = ["c-format" if formatted else "no-c-format"]
        entries.append(polib.POEntry(msgctxt=name, msgid=text, comment="\n".join(comments),
                                     occurrences=[("src/ui/kavexwebupd.rc", line)], flags=flags))
    return entries


def dialog_entries(script):
    entries = []
    for dialog in script.dialogs:
        for control in dialog.controls:
            if control.text is None or PLACEHOLDER.match(control.text):
                continue
            comments = ["Text of control %s in the template of dialog %s (%d x %d dialog "
                        "units). The program sets it from the string table when the dialog "
                        "opens (IDS_OK for the OK button); give it the same translation."
                        % (control.ident, dialog.name, control.width, control.height),
                        PLAIN]
            entries.append(polib.POEntry(msgctxt="%s|%s" % (dialog.name, control.ident),
                                         msgid=control.text, comment="\n".join(comments),
                                         occurrences=[("src/ui/kavexwebupd.rc", control.line)],
                                         flags=["no-c-format"]))
    return entries


def template(script):
    entries = string_entries(script) + dialog_entries(script)
    # Unwrapped (width 0): each comment and text on one line, split only after line feeds.
    return HEADER + "".join("\n" + entry.__unicode__(wrapwidth=0) for entry in entries)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--script", default=str(SCRIPT), help="the program's resource script")
    parser.add_argument("--output", default=str(TEMPLATE), help="the template to write")
    parser.add_argument("--check", action="store_true",
                        help="only compare the template with what would be written")
    options = parser.parse_args()
    text = template(resource_script.read_script(options.script))
    output = Path(options.output)
    if options.check:
        if not output.exists() or output.read_text(encoding="utf-8") != text:
            sys.exit("%s is out of date: run tools/make_pot.py" % output)
        return
    output.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
