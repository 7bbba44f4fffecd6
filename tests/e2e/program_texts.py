"""What the program writes that every end-to-end suite checks, written down once, and the
product description files the suites place."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import locale_languages  # noqa: E402
import make_locale_rc  # noqa: E402
import po_file  # noqa: E402
import resource_script  # noqa: E402

_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

USAGE_TEXT = (
    "\nKavexWebUpdate version 1.0\n"
    "\n"
    "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"
    "\n"
    "  <appName> and <appVersion> are the app and version to check for updates.\n"
    "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
    "  <localeID> must be the 2-letter locale code (default is \"EN\").\n"
    "\n"
    "USAGE 2: <silent>\n"
    "\n"
    "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n"
    "\n"
    "In both cases, it also searches in the CommonAppData folder for xml files\n"
    "with product info that it should check for updates.\n"
    "\n"
    "To create a log, set the registry item Kavex\\WebUpdates\\LogFile.\n")

SEARCHING = "Searching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files"


def product_file(name, version, locale="", extra="", newline="\n"):
    """A product description file; extra stands after the Locale element."""
    lines = ["<?xml version=\"1.0\"?>", "<ProductInfo>", "  <Name>%s</Name>" % name,
             "  <Version>%s</Version>" % version, "  <Locale>%s</Locale>%s" % (locale, extra),
             "</ProductInfo>"]
    return newline.join(lines) + newline


def product_text(locale, name):
    """The string entry name (IDS_...) as a product of that locale sees it on Linux: its
    language's translation, as the library holds it, where the program ships a library
    for the locale; the program's English text otherwise."""
    try:
        language = locale_languages.language(locale)
    except KeyError:
        script = resource_script.read_script(os.path.join(_SOURCE, "src", "ui", "kavexwebupd.rc"))
        return dict((entry, text) for entry, text, _ in script.strings)[name]
    path = os.path.join(_SOURCE, "locale", "%s.po" % language.folder)
    text = po_file.translations(po_file.read(path))[name]
    return make_locale_rc.windows_form(text, language.codepage)
