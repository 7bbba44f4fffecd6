#!/usr/bin/env python3
"""Writes the resource script of one locale library from the program's English templates
(src/ui/kavexwebupd.rc) and the language's translation (locale/<folder>.po): the same
string ids, the same dialogs and controls with the translated texts, the sizes and font
the language's entry in tools/locale_languages.py gives, the same dialog-init data and
icons, marked with the language's LANGID.

    tools/make_locale_rc.py FOLDER OUTPUT.rc [--po FILE] [--script FILE]
    tools/make_locale_rc.py --list            # the folder names, one a line

The script it writes includes resource_ids.h and the icons from src/ui (compile it with
-I src/ui). An entry the .po does not translate (empty or fuzzy) keeps its English text,
as gettext itself would, and is named on standard error.
"""
import argparse
import sys
import unicodedata
from itertools import combinations
from pathlib import Path

import polib

import locale_languages
import resource_script
from resource_script import quote

ROOT = Path(__file__).resolve().parents[1]
SCRIPT = ROOT / "src" / "ui" / "kavexwebupd.rc"
LOCALE = ROOT / "locale"

WS_EX_LAYOUTRTL = "0x00400000"
ALIGNMENTS = {"left": "SS_LEFT", "right": "SS_RIGHT"}
GEOMETRY = ("x", "y", "width", "height")


def translations(po):
    """{context: text} of a translation's .po file: the entries gettext would use (not the
    header, not fuzzy, not obsolete, not empty)."""
    return {entry.msgctxt: entry.msgstr for entry in polib.pofile(str(po)).translated_entries()}


def encodable(text, codepage):
    try:
        text.encode("cp%d" % codepage)
        return True
    except UnicodeEncodeError:
        return False


def windows_form(text, codepage):
    """text in the form that survives the conversion to the code page: a letter the code
    page lacks is written as the richest composed letter it has followed by combining
    marks it has (Vietnamese in 1258 is written that way: "â" plus a combining tone mark
    for "ậ"). Letters no such form exists for are left as they are, for the checks to
    report."""
    out = []
    for letter in text:
        if encodable(letter, codepage):
            out.append(letter)
            continue
        decomposed = unicodedata.normalize("NFD", letter)
        base, marks = decomposed[0], decomposed[1:]
        best = letter
        for count in range(len(marks), -1, -1):
            for chosen in combinations(range(len(marks)), count):
                composed = unicodedata.normalize("NFC", base + "".join(marks[i] for i in chosen))
                rest = "".join(mark for i, mark in enumerate(marks) if i not in chosen)
                if len(composed) == 1 and encodable(composed + rest, codepage):
                    best = composed + rest
                    break
            if best != letter:
                break
        out.append(best)
    return "".join(out)


def adjusted(dialog, sizes):
    """The dialog's frame and controls with the language's sizes."""
    table = sizes.get(dialog.name, {})
    frame = {key: getattr(dialog, key) for key in GEOMETRY}
    frame.update({key: value for key, value in table.get("dialog", {}).items()})
    controls = []
    for control in dialog.controls:
        changes = dict(table.get(control.ident, {}))
        if control.ident == "IDOK" and "x" not in changes and frame["width"] != dialog.width:
            changes["x"] = (frame["width"] - changes.get("width", control.width)) // 2
        geometry = {key: changes.get(key, getattr(control, key)) for key in GEOMETRY}
        style = control.style
        if "align" in changes:
            parts = [part.strip() for part in style.split("|")]
            parts = [part for part in parts if part not in ALIGNMENTS.values()]
            style = " | ".join(parts + [ALIGNMENTS[changes["align"]]])
        controls.append((control, geometry, style))
    unknown = set(table) - {"dialog"} - {control.ident for control in dialog.controls}
    if unknown:
        raise ValueError("%s has no control %s" % (dialog.name, ", ".join(sorted(unknown))))
    return frame, controls


def dialog_lines(dialog, language, texts):
    frame, controls = adjusted(dialog, language.sizes)
    kind = "DIALOGEX" if dialog.extended else "DIALOG"
    size, face = language.font or (dialog.font_size, dialog.font_face)
    lines = ["%s %s %d, %d, %d, %d" % (dialog.name, kind, frame["x"], frame["y"],
                                        frame["width"], frame["height"]),
             "STYLE " + dialog.style]
    if language.folder in locale_languages.RIGHT_TO_LEFT:
        # Windows mirrors the dialog and its controls; a classic template has this field
        # too, so the dialog keeps its template format.
        lines.append("EXSTYLE " + WS_EX_LAYOUTRTL)
    lines.append("CAPTION " + quote(dialog.caption))
    font = "FONT %d, %s" % (size, quote(face))
    if dialog.extended:
        weight, italic = dialog.font_rest[:2]
        charset = locale_languages.CHARSET_OF_CODEPAGE[language.codepage]
        font += ", %s, %s, 0x%X" % (weight, italic, charset)
    lines += [font, "BEGIN"]
    for control, geometry, style in controls:
        if control.text is None:
            label = control.icon
        else:
            label = quote(texts.get("%s|%s" % (dialog.name, control.ident), control.text))
        lines.append("    CONTROL %s, %s, %s, %s, %d, %d, %d, %d" % (
            label, control.ident, control.klass, style, geometry["x"], geometry["y"],
            geometry["width"], geometry["height"]))
    return lines + ["END", ""]


def locale_script(script, language, translations, warn=None):
    """The text of the language's resource script."""
    def text(context, english):
        translated = translations.get(context)
        if translated is None:
            if warn:
                warn("%s: %s is not translated; the English text stands" % (language.folder,
                                                                             context))
            return english
        return windows_form(translated, language.codepage)

    texts = {}
    for dialog in script.dialogs:
        for control in dialog.controls:
            context = "%s|%s" % (dialog.name, control.ident)
            if context in translations:
                texts[context] = text(context, control.text)
    primary, sub = language.langid & 0x3FF, language.langid >> 10
    lines = [
        "// %s texts and dialogs of Kavex Web Update, for Locale/%s/kavexwebupdexe.dat." % (
            language.name, language.folder),
        "// Made by tools/make_locale_rc.py from src/ui/kavexwebupd.rc and locale/%s.po; "
        "do not edit." % language.folder,
        "#pragma code_page(65001)",
        "",
        "#include <windows.h>",
        '#include "resource_ids.h"',
        "",
        "#define CLASS_BUTTON 0x0080",
        "#define CLASS_STATIC 0x0082",
        "#define CLASS_COMBOBOX 0x0085",
        "",
        "LANGUAGE 0x%02X, 0x%02X  // LANGID 0x%04X" % (primary, sub, language.langid),
        "",
        "STRINGTABLE",
        "BEGIN",
    ]
    width = max(len(name) for name, _, _ in script.strings) + 4
    for name, english, _ in script.strings:
        lines.append("    %s%s" % (name.ljust(width), quote(text(name, english))))
    lines += ["END", ""]
    for dialog in script.dialogs:
        lines += dialog_lines(dialog, language, texts)
    lines += script.dialog_init + [""] + script.icons
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", help="the language's folder name, e.g. de")
    parser.add_argument("output", nargs="?", help="the resource script to write")
    parser.add_argument("--po", help="the translation (default: locale/<folder>.po)")
    parser.add_argument("--script", default=str(SCRIPT), help="the program's resource script")
    parser.add_argument("--list", action="store_true", help="print the folder names")
    options = parser.parse_args()
    if options.list:
        print("\n".join(language.folder for language in locale_languages.LANGUAGES))
        return
    if not options.folder or not options.output:
        parser.error("give the folder name and the output file")
    language = locale_languages.language(options.folder)
    po = options.po or LOCALE / ("%s.po" % language.folder)
    text = locale_script(resource_script.read_script(options.script), language, translations(po),
                         warn=lambda message: print(message, file=sys.stderr))
    output = Path(options.output)
    output.parent.mkdir(parents=True, exist_ok=True)
    # Written only when it changes, so that the build does not recompile an equal script.
    if not output.exists() or output.read_text(encoding="utf-8") != text:
        output.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
