"""Reads the program's resource script (src/ui/kavexwebupd.rc) as far as the translations
need it: the string table, the two dialog templates with their controls, and the lines a
locale library carries over unchanged (the dialog-init data of dialog 103 and the icons).

It reads the script as it is written, one statement per line, and refuses anything else
with the line it stopped at, so that a change to the script's form is noticed here
rather than turning into a library without a dialog.
"""
import re
from dataclasses import dataclass, field
from typing import List, Optional


class ScriptError(ValueError):
    pass


@dataclass
class Control:
    text: Optional[str]  # None for an icon, whose resource name stands in icon
    icon: Optional[str]
    ident: str  # IDOK, IDC_..., -1
    klass: str
    style: str
    x: int
    y: int
    width: int
    height: int
    line: int


@dataclass
class Dialog:
    name: str
    extended: bool
    x: int
    y: int
    width: int
    height: int
    style: str
    caption: str
    font_size: int
    font_face: str
    font_rest: List[str]  # weight, italic, charset of an extended template
    exstyle: str = ""
    controls: List[Control] = field(default_factory=list)
    line: int = 0

    def control(self, ident):
        for control in self.controls:
            if control.ident == ident:
                return control
        raise KeyError("%s has no control %s" % (self.name, ident))


@dataclass
class Script:
    strings: List[tuple]  # (name, text, line) in table order
    dialogs: List[Dialog]
    dialog_init: List[str]  # the raw lines of the type 240 resource, comments before it
    icons: List[str]  # the raw ICON lines

    def dialog(self, name):
        for dialog in self.dialogs:
            if dialog.name == name:
                return dialog
        raise KeyError(name)


ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "0": "\0"}


def parse_string(text, line):
    """The value of one resource-script string literal that makes up the whole text."""
    if len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise ScriptError("line %d: expected a quoted text, found %s" % (line, text))
    out, at, body = [], 0, text[1:-1]
    while at < len(body):
        c = body[at]
        if c == "\\":
            if at + 1 >= len(body) or body[at + 1] not in ESCAPES:
                raise ScriptError("line %d: unknown escape in %s" % (line, text))
            out.append(ESCAPES[body[at + 1]])
            at += 2
        elif c == '"':
            if body[at + 1:at + 2] != '"':
                raise ScriptError("line %d: stray quote in %s" % (line, text))
            out.append('"')
            at += 2
        else:
            out.append(c)
            at += 1
    return "".join(out)


def quote(text):
    """text as a resource-script string literal (the file is UTF-8)."""
    out = []
    for c in text:
        if c == "\n":
            out.append("\\n")
        elif c == "\\":
            out.append("\\\\")
        elif c == '"':
            out.append('""')
        elif ord(c) < 0x20:
            raise ScriptError("a text may hold no control character but a line feed: %r" % text)
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def split_fields(text):
    """The comma-separated fields of a statement, quoted texts kept whole."""
    fields, current, quoted = [], [], False
    at = 0
    while at < len(text):
        c = text[at]
        if c == '"':
            if quoted and text[at + 1:at + 2] == '"':
                current.append('""')
                at += 2
                continue
            quoted = not quoted
        if c == "," and not quoted:
            fields.append("".join(current).strip())
            current = []
        else:
            current.append(c)
        at += 1
    fields.append("".join(current).strip())
    return fields


DIALOG_HEAD = re.compile(r"^(IDD_\w+)\s+(DIALOGEX|DIALOG)\s+(.*)$")
STRING_ENTRY = re.compile(r"^(IDS_\w+)\s+(\".*\")$")


def _numbers(text, count, line):
    values = split_fields(text)
    if len(values) != count or not all(re.fullmatch(r"-?\d+", value) for value in values):
        raise ScriptError("line %d: expected %d numbers, found %s" % (line, count, text))
    return [int(value) for value in values]


def _parse_control(text, line):
    fields = split_fields(text)
    if len(fields) != 8:
        raise ScriptError("line %d: a CONTROL has 8 fields here: %s" % (line, text))
    label, ident, klass, style = fields[:4]
    x, y, width, height = _numbers(", ".join(fields[4:]), 4, line)
    if label.startswith('"'):
        return Control(parse_string(label, line), None, ident, klass, style, x, y, width,
                       height, line)
    return Control(None, label, ident, klass, style, x, y, width, height, line)


def _parse_dialog(lines, at, match):
    name, kind, frame = match.groups()
    x, y, width, height = _numbers(frame, 4, at + 1)
    dialog = Dialog(name, kind == "DIALOGEX", x, y, width, height, "", "", 0, "", [],
                    line=at + 1)
    at += 1
    while lines[at].strip() != "BEGIN":
        keyword, _, rest = lines[at].strip().partition(" ")
        if keyword == "STYLE":
            dialog.style = rest.strip()
        elif keyword == "EXSTYLE":
            dialog.exstyle = rest.strip()
        elif keyword == "CAPTION":
            dialog.caption = parse_string(rest.strip(), at + 1)
        elif keyword == "FONT":
            fields = split_fields(rest)
            dialog.font_size = int(fields[0])
            dialog.font_face = parse_string(fields[1], at + 1)
            dialog.font_rest = fields[2:]
        else:
            raise ScriptError("line %d: unexpected in dialog %s: %s" % (at + 1, name, lines[at]))
        at += 1
    at += 1
    while lines[at].strip() != "END":
        keyword, _, rest = lines[at].strip().partition(" ")
        if keyword != "CONTROL":
            raise ScriptError("line %d: only CONTROL statements are read: %s" % (at + 1, lines[at]))
        dialog.controls.append(_parse_control(rest, at + 1))
        at += 1
    return dialog, at + 1


def read_script(path):
    with open(path, encoding="utf-8") as handle:
        return parse_script(handle.read().splitlines())


def parse_script(lines):
    strings, dialogs, dialog_init, icons = [], [], [], []
    comments = []
    at = 0
    while at < len(lines):
        text = lines[at].strip()
        head = DIALOG_HEAD.match(text)
        if text.startswith("//"):
            comments.append(lines[at])
            at += 1
            continue
        if text == "STRINGTABLE":
            at += 2  # BEGIN
            while lines[at].strip() != "END":
                entry = STRING_ENTRY.match(lines[at].strip())
                if not entry:
                    raise ScriptError("line %d: not a string entry: %s" % (at + 1, lines[at]))
                strings.append((entry.group(1), parse_string(entry.group(2), at + 1), at + 1))
                at += 1
        elif head:
            dialog, at = _parse_dialog(lines, at, head)
            dialogs.append(dialog)
            comments = []
            continue
        elif re.match(r"^IDD_\w+\s+240$", text):
            block = comments + [lines[at]]
            while lines[at].strip() != "END":
                at += 1
                block.append(lines[at])
            dialog_init = block
        elif re.match(r"^IDI_\w+\s+ICON\s+", text):
            icons.append(lines[at])
        comments = []
        at += 1
    if not strings or len(dialogs) != 2 or not dialog_init or not icons:
        raise ScriptError("the script lacks its string table, a dialog, the dialog-init data "
                          "or the icons")
    return Script(strings, dialogs, dialog_init, icons)
