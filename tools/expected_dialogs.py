"""Writes the program's two dialog templates as tools/resource_script.py reads them from the
resource script, with every name resolved to the number the resource compiler stores, for
the unit tests to hold the compiled image against, control by control.

    expected_dialogs.py SCRIPT IDS_HEADER OUTPUT

One tab-separated line per dialog and per control, in the script's order:
    dialog  ID  EXTENDED(0|1)  X  Y  WIDTH  HEIGHT  STYLE  TITLE  POINTS  FONT  WEIGHT  ITALIC  CHARSET
    control  ID  CLASS  TEXT  ICON  X  Y  WIDTH  HEIGHT  STYLE
"""
import re
import sys

from resource_script import ScriptError, read_script

# The Windows API's values of the styles and ids the script names (winuser.h); they are
# part of the template format, not of this program.
WINDOWS_NAMES = {
    "IDOK": 1, "IDCANCEL": 2,
    "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
    "WS_CAPTION": 0x00C00000, "WS_VSCROLL": 0x00200000, "WS_SYSMENU": 0x00080000,
    "WS_GROUP": 0x00020000, "WS_TABSTOP": 0x00010000,
    "DS_SETFONT": 0x40, "DS_MODALFRAME": 0x80,
    "BS_DEFPUSHBUTTON": 0x1, "BS_AUTORADIOBUTTON": 0x9, "BS_TOP": 0x400, "BS_MULTILINE": 0x2000,
    "SS_LEFT": 0x0, "SS_RIGHT": 0x2, "SS_ICON": 0x3,
    "CBS_DROPDOWNLIST": 0x3, "CBS_SORT": 0x100,
}
# The predefined classes, stored as atoms and named so by the template reader.
CLASS_ATOMS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox",
               0x84: "ScrollBar", 0x85: "ComboBox"}
DEFINE = re.compile(r"^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\s*$")


def defines(path):
    with open(path, encoding="utf-8") as handle:
        return {m[1]: int(m[2], 0) for m in map(DEFINE.match, handle) if m}


def resolve(names, expression):
    """The value of NAME | NAME | number, as the resource compiler reads a style or id."""
    value = 0
    for term in expression.split("|"):
        term = term.strip()
        if re.fullmatch(r"-?(0x[0-9A-Fa-f]+|\d+)", term):
            value |= int(term, 0)
        elif term in names:
            value |= names[term]
        else:
            raise ScriptError("unknown name %s in %s" % (term, expression))
    return value


def lines(script_path, ids_path):
    names = {**WINDOWS_NAMES, **defines(ids_path), **defines(script_path)}
    script = read_script(script_path)
    out = []
    for dialog in script.dialogs:
        rest = [resolve(names, value) for value in dialog.font_rest] or [0, 0, 0]
        out.append(["dialog", names[dialog.name], int(dialog.extended), dialog.x, dialog.y,
                    dialog.width, dialog.height, "0x%08X" % resolve(names, dialog.style),
                    dialog.caption, dialog.font_size, dialog.font_face] + rest)
        for control in dialog.controls:
            # "No id" is -1 in the id field's width: a word in a classic template.
            ident = resolve(names, control.ident) & (0xFFFFFFFF if dialog.extended else 0xFFFF)
            icon = names[control.icon] if control.icon else 0
            out.append(["control", ident, CLASS_ATOMS[resolve(names, control.klass)],
                        control.text or "", icon, control.x, control.y, control.width,
                        control.height, "0x%08X" % resolve(names, control.style)])
    for fields in out:
        if any("\t" in str(field) or "\n" in str(field) for field in fields):
            raise ScriptError("a text holds a tab or line break: %r" % fields)
    return ["\t".join(str(field) for field in fields) for fields in out]


def main(arguments):
    if len(arguments) != 3:
        sys.exit(__doc__)
    try:
        text = "".join(line + "\n" for line in lines(arguments[0], arguments[1]))
    except (ScriptError, KeyError) as error:
        sys.exit("expected_dialogs: %s" % error)
    with open(arguments[2], "w", encoding="utf-8", newline="\n") as handle:
        handle.write(text)


if __name__ == "__main__":
    main(sys.argv[1:])
