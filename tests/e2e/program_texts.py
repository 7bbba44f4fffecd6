"""What the program writes that every end-to-end suite checks, written down once, and the
product description files the suites place."""

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
