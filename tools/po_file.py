"""Reads and writes the gettext files of the translations (locale/kavexwebupd.pot and
locale/<folder>.po) as far as they are used here: one msgctxt per entry, no plurals.
"""
from dataclasses import dataclass, field
from typing import List, Optional


class PoError(ValueError):
    pass


@dataclass
class Entry:
    msgctxt: Optional[str]
    msgid: str
    msgstr: str = ""
    comments: List[str] = field(default_factory=list)  # "#. ..." lines, without "#. "
    references: List[str] = field(default_factory=list)
    flags: List[str] = field(default_factory=list)
    obsolete: bool = False

    @property
    def fuzzy(self):
        return "fuzzy" in self.flags


ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"'}


def _unquote(text, line):
    text = text.strip()
    if len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise PoError("line %d: expected a quoted text" % line)
    out, at, body = [], 0, text[1:-1]
    while at < len(body):
        if body[at] == "\\":
            if body[at + 1:at + 2] not in ESCAPES:
                raise PoError("line %d: unknown escape" % line)
            out.append(ESCAPES[body[at + 1]])
            at += 2
        elif body[at] == '"':
            raise PoError("line %d: unescaped quote" % line)
        else:
            out.append(body[at])
            at += 1
    return "".join(out)


def _parse_block(lines):
    entry = Entry(None, None)
    key, seen = None, []
    for number, raw in lines:
        line = raw.strip()
        if line.startswith("#~"):
            entry.obsolete = True
            line = line[2:].strip()
            if not line:
                continue
        if line.startswith("#."):
            entry.comments.append(line[2:].strip())
        elif line.startswith("#:"):
            entry.references.extend(line[2:].split())
        elif line.startswith("#,"):
            entry.flags.extend(flag.strip() for flag in line[2:].split(","))
        elif line.startswith("#"):
            continue  # a translator's own comment
        elif line.startswith('"'):
            if key is None:
                raise PoError("line %d: a text that continues nothing" % number)
            setattr(entry, key, getattr(entry, key) + _unquote(line, number))
        else:
            word, _, rest = line.partition(" ")
            # In order: an optional msgctxt, the msgid, the msgstr; each once.
            order = ("msgctxt", "msgid", "msgstr")
            if word not in order or seen[-1:] and order.index(word) <= order.index(seen[-1]):
                raise PoError("line %d: not understood here: %s" % (number, raw))
            seen.append(word)
            key = word
            setattr(entry, word, _unquote(rest, number))
    if entry.msgid is not None and "msgstr" not in seen:
        raise PoError("line %d: an entry without msgstr" % lines[0][0])
    return entry


def parse(text):
    """The entries of a .po or .pot text, one per block of lines between empty lines;
    the header is the entry whose msgid is empty."""
    entries, block = [], []
    for number, raw in enumerate(text.splitlines() + [""], 1):
        if raw.strip():
            block.append((number, raw))
            continue
        if block:
            entry = _parse_block(block)
            if entry.msgid is not None:
                entries.append(entry)
            elif any(not raw.lstrip().startswith("#") for _, raw in block):
                raise PoError("line %d: an entry without msgid" % block[0][0])
            block = []
    return entries


def read(path):
    with open(path, encoding="utf-8") as handle:
        return parse(handle.read())


def header(entries):
    """The header fields of a parsed file."""
    fields = {}
    for entry in entries:
        if entry.msgid == "" and entry.msgctxt is None:
            for line in entry.msgstr.splitlines():
                name, _, value = line.partition(":")
                fields[name.strip()] = value.strip()
    return fields


def translations(entries):
    """{msgctxt: msgstr} of the entries that carry a usable translation: not the header,
    not fuzzy, not obsolete, not empty (gettext's own rule)."""
    return {entry.msgctxt: entry.msgstr for entry in entries
            if entry.msgid and entry.msgstr and not entry.fuzzy and not entry.obsolete}


def quote(text):
    body = (text.replace("\\", "\\\\").replace('"', '\\"').replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))
    return '"%s"' % body


def format_string(keyword, text):
    """keyword and text, split after each line feed as translation tools write them."""
    parts = text.split("\n")
    pieces = [part + "\n" for part in parts[:-1]] + ([parts[-1]] if parts[-1] else [])
    if len(pieces) <= 1:
        return "%s %s\n" % (keyword, quote(text))
    return "%s \"\"\n" % keyword + "".join(quote(piece) + "\n" for piece in pieces)


def format_entry(entry):
    out = ["#. %s\n" % comment if comment else "#.\n" for comment in entry.comments]
    if entry.references:
        out.append("#: %s\n" % " ".join(entry.references))
    if entry.flags:
        out.append("#, %s\n" % ", ".join(entry.flags))
    if entry.msgctxt is not None:
        out.append(format_string("msgctxt", entry.msgctxt))
    out.append(format_string("msgid", entry.msgid))
    out.append(format_string("msgstr", entry.msgstr))
    return "".join(out)
