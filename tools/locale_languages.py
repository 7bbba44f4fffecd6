"""The languages Kavex Web Update is translated into: for each, the folder its locale
library goes into, its Windows identifiers and ANSI code page, the dialog font it needs
and the room its texts need beyond the English dialogs. The generator of the libraries'
resource scripts and the translation checks read this one table.

A folder name is the locale a product passes (the program lower-cases it), so it is the
name of the library's folder: Locale/<folder>/kavexwebupdexe.dat. Its translation is
locale/<folder>.po.

Sizes are in dialog units and replace the English template's values for the named
dialog or control; anything not named keeps the English value. When a dialog's width
changes, its OK button is centred in the new width unless the table places it. Every
language's update dialog is laid out for product names of up to PRODUCT_NAME_LENGTH
characters (update_layout).
"""
from collections import namedtuple

Language = namedtuple("Language", "folder name gettext langid codepage plural font sizes")
Language.__doc__ = """One translation.

folder    the locale products pass and the library's folder name
name      the language in English, for headers and messages
gettext   the code translation tools use in the .po header's Language field
langid    the Windows language identifier (LANGID) of the library's resources
codepage  the Windows ANSI code page of systems in that language: the program shows
          its texts in it, so every text must survive the conversion to it
plural    the Plural-Forms header translation tools expect
font      (points, face) of the dialogs, or None for the English "MS Sans Serif" 8
sizes     {dialog: {"dialog" or control: {"x"|"y"|"width"|"height": units,
          "align": "left"|"right"}}}
"""

# The longest product name, in characters, the update dialog of every language holds
# whole: its headline and visit choice name the product (the fit checks show 11, 24 and
# 40 characters). The English templates are the program's own, of fixed sizes, and hold
# a shorter one (docs/resources-and-locales.md).
PRODUCT_NAME_LENGTH = 40

# Layouts that read from right to left; their dialogs are mirrored by the system.
RIGHT_TO_LEFT = {"ar", "he"}

# The font character set that goes with each ANSI code page (as Windows pairs them);
# extended dialog templates name it with the font.
CHARSET_OF_CODEPAGE = {
    874: 222, 932: 128, 936: 134, 949: 129, 950: 136, 1250: 238, 1251: 204, 1252: 0,
    1253: 161, 1254: 162, 1255: 177, 1256: 178, 1257: 186, 1258: 163,
}

# For each ANSI code page, a system locale whose code page it is: Wine takes a program's
# ANSI code page from the locale it runs in (LC_ALL, LANG), so the checks under Wine run
# each language in its code page's locale. scripts/setup generates these locales
# (tools/locale_languages.py --system-locales lists them).
SYSTEM_LOCALE_OF_CODEPAGE = {
    874: "th_TH.UTF-8", 932: "ja_JP.UTF-8", 936: "zh_CN.UTF-8", 949: "ko_KR.UTF-8",
    950: "zh_TW.UTF-8", 1250: "pl_PL.UTF-8", 1251: "ru_RU.UTF-8", 1252: "de_DE.UTF-8",
    1253: "el_GR.UTF-8", 1254: "tr_TR.UTF-8", 1255: "he_IL.UTF-8", 1256: "ar_SA.UTF-8",
    1257: "lt_LT.UTF-8", 1258: "vi_VN.UTF-8",
}

# Plural rules, as translation tools write them.
TWO = "nplurals=2; plural=(n != 1);"
TWO_FROM_TWO = "nplurals=2; plural=(n > 1);"
ONE = "nplurals=1; plural=0;"
SLAVIC_EAST = ("nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && "
               "(n%100<10 || n%100>=20) ? 1 : 2);")
WEST_SLAVIC = "nplurals=3; plural=(n==1) ? 0 : (n>=2 && n<=4) ? 1 : 2;"
POLISH = ("nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) "
          "? 1 : 2);")
ROMANIAN = "nplurals=3; plural=(n==1 ? 0 : (n==0 || (n%100 > 0 && n%100 < 20)) ? 1 : 2);"
ARABIC = ("nplurals=6; plural=(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 "
          ": n%100>=11 ? 4 : 5);")
LITHUANIAN = ("nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && (n%100<10 || "
              "n%100>=20) ? 1 : 2);")
LATVIAN = "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n != 0 ? 1 : 2);"

# Dialog fonts of Windows in each script: Tahoma carries Thai, Vietnamese, Arabic and
# Hebrew and is what those editions of Windows use in dialogs; the East Asian editions
# use their own 9-point faces. Named by their English names, which Windows and Wine
# both resolve.
TAHOMA = (8, "Tahoma")
JAPANESE_FONT = (9, "MS UI Gothic")
SIMPLIFIED_CHINESE_FONT = (9, "SimSun")
TRADITIONAL_CHINESE_FONT = (9, "PMingLiU")
KOREAN_FONT = (9, "Gulim")
# The fonts the checks under Wine draw every language with, whatever else a machine has
# (scripts/setup installs them): DejaVu Sans carries Latin, Greek, Cyrillic, Hebrew and
# Arabic, WenQuanYi Micro Hei Chinese, Japanese and Korean, Loma Thai. Wine draws a face a
# template names that is not there (Tahoma, the East Asian faces) with one of these that
# carries the template's character set.
CHECK_FONTS = ("DejaVu Sans", "WenQuanYi Micro Hei", "Loma")


def remind_row(radio, label, combo_width=28, gap=4):
    """The remind row laid out from the remind button's width: the days list right after
    the button, then the unit, left-aligned a few units after the list (the English row
    lets a right-aligned unit overlap the list instead)."""
    combo_x = 39 + radio
    return {
        "IDC_RADIO_REMIND": {"width": radio},
        "IDC_DAYS_COMBO": {"x": combo_x},
        "IDC_DAYS_LABEL": {"x": combo_x + combo_width + gap, "width": label, "align": "left"},
    }


def update_layout(width=250, headline=2, visit=2, line=8):
    """The update dialog laid out from the top for the lines its headline and visit choice
    take with a product name of PRODUCT_NAME_LENGTH characters: the headline moved up,
    both texts reaching the right margin, then the remind row, the OK button and the
    dialog's bottom margin with the English template's gaps (two lines each give the
    English height). line is the height of a line of the language's font in dialog units:
    8, a font's height, unless its letters reach beyond it. {control or "dialog": {...}}"""
    right = width - 46  # from x 39 to the right margin of 7
    height = headline * line + 5
    visit_y = 5 + height + 2
    visit_height = visit * line + 1
    row = visit_y + visit_height + 2
    ok = row + 22
    return {
        "dialog": {"width": width, "height": ok + 21},
        "IDC_MESSAGE": {"y": 5, "width": right, "height": height},
        "IDC_RADIO_VISIT": {"y": visit_y, "width": right, "height": visit_height},
        "IDC_RADIO_REMIND": {"y": row},
        "IDC_DAYS_COMBO": {"y": row},
        "IDC_DAYS_LABEL": {"y": row + 2},
        "IDOK": {"y": ok},
    }


def sizes(update_width=250, headline=2, visit=2, line=8, row=None, no_updates_width=None,
          no_updates_message=None):
    """A language's adjustments: the update dialog's width and the lines its headline and
    visit choice take (update_layout); row is remind_row(...), by default the English
    widths with the unit after the list; a wider no-updates dialog gives its message the
    extra width."""
    update, no_updates = {}, {}
    for name, geometry in update_layout(update_width, headline, visit, line).items():
        update[name] = dict(geometry)
    for name, geometry in (row or remind_row(78, 22)).items():
        update.setdefault(name, {}).update(geometry)
    if no_updates_width:
        no_updates["dialog"] = {"width": no_updates_width}
        no_updates["IDC_MESSAGE"] = {"width": no_updates_width - 47}
    if no_updates_message:
        no_updates.setdefault("IDC_MESSAGE", {}).update(no_updates_message)
    return {name: table for name, table in (("IDD_UPDATE_AVAILABLE", update),
                                            ("IDD_NO_UPDATES", no_updates)) if table}


LANGUAGES = [
    Language("de", "German", "de", 0x0407, 1252, TWO, None,
             sizes(update_width=262, row=remind_row(80, 34), no_updates_width=204)),
    Language("fr", "French", "fr", 0x040C, 1252, TWO_FROM_TWO, None,
             sizes(no_updates_width=204)),
    Language("es", "Spanish", "es", 0x0C0A, 1252, TWO, None,
             sizes(row=remind_row(104, 24))),
    Language("it", "Italian", "it", 0x0410, 1252, TWO, None,
             sizes(row=remind_row(78, 30))),
    Language("pt-br", "Portuguese (Brazil)", "pt_BR", 0x0416, 1252, TWO_FROM_TWO, None,
             sizes(row=remind_row(94, 24))),
    Language("pt", "Portuguese (Portugal)", "pt", 0x0816, 1252, TWO, None,
             sizes(row=remind_row(108, 24))),
    Language("nl", "Dutch", "nl", 0x0413, 1252, TWO, None,
             sizes(row=remind_row(108, 30))),
    Language("sv", "Swedish", "sv", 0x041D, 1252, TWO, None,
             sizes(row=remind_row(78, 28))),
    Language("da", "Danish", "da", 0x0406, 1252, TWO, None, sizes()),
    Language("nb", "Norwegian (Bokm\u00e5l)", "nb", 0x0414, 1252, TWO, None,
             sizes(row=remind_row(100, 28))),
    Language("fi", "Finnish", "fi", 0x040B, 1252, TWO, None,
             sizes(row=remind_row(78, 64))),
    Language("pl", "Polish", "pl", 0x0415, 1250, POLISH, None,
             sizes(row=remind_row(94, 20))),
    Language("cs", "Czech", "cs", 0x0405, 1250, WEST_SLAVIC, None,
             sizes(row=remind_row(90, 20))),
    Language("sk", "Slovak", "sk", 0x041B, 1250, WEST_SLAVIC, None, sizes()),
    Language("hu", "Hungarian", "hu", 0x040E, 1250, TWO, None,
             sizes(row=remind_row(78, 42))),
    Language("ro", "Romanian", "ro", 0x0418, 1250, ROMANIAN, None, sizes()),
    Language("bg", "Bulgarian", "bg", 0x0402, 1251, TWO, None,
             sizes(row=remind_row(96, 20))),
    Language("ru", "Russian", "ru", 0x0419, 1251, SLAVIC_EAST, None,
             sizes(row=remind_row(94, 16))),
    Language("uk", "Ukrainian", "uk", 0x0422, 1251, SLAVIC_EAST, None,
             sizes(row=remind_row(90, 16))),
    Language("el", "Greek", "el", 0x0408, 1253, TWO, None,
             sizes(row=remind_row(78, 28))),
    Language("tr", "Turkish", "tr", 0x041F, 1254, TWO, None,
             sizes(row=remind_row(78, 40))),
    Language("he", "Hebrew", "he", 0x040D, 1255, TWO, TAHOMA, sizes()),
    Language("ar", "Arabic", "ar", 0x0401, 1256, ARABIC, TAHOMA,
             sizes(row=remind_row(86, 40))),
    Language("lt", "Lithuanian", "lt", 0x0427, 1257, LITHUANIAN, None, sizes()),
    Language("lv", "Latvian", "lv", 0x0426, 1257, LATVIAN, None,
             sizes(row=remind_row(78, 30))),
    Language("et", "Estonian", "et", 0x0425, 1257, TWO, None,
             sizes(row=remind_row(80, 50))),
    Language("vi", "Vietnamese", "vi", 0x042A, 1258, ONE, TAHOMA, sizes()),
    # Thai's marks above and below the line need taller lines and a taller unit label
    # (where a Thai font stands in for a dialog font without Thai, its lines are taller
    # than that font's).
    Language("th", "Thai", "th", 0x041E, 874, ONE, TAHOMA,
             sizes(line=12, row=dict(remind_row(78, 22), IDC_DAYS_LABEL=dict(
                 remind_row(78, 22)["IDC_DAYS_LABEL"], height=11)))),
    # The East Asian faces' lines are a little taller than the font height dialog units
    # are measured in.
    Language("ja", "Japanese", "ja", 0x0411, 932, ONE, JAPANESE_FONT,
             sizes(update_width=270, line=9, row=remind_row(108, 24))),
    Language("zh-cn", "Chinese (Simplified)", "zh_CN", 0x0804, 936, ONE,
             SIMPLIFIED_CHINESE_FONT, sizes(line=9)),
    Language("ko", "Korean", "ko", 0x0412, 949, ONE, KOREAN_FONT,
             sizes(update_width=270, line=9, row=remind_row(102, 24))),
    Language("zh-tw", "Chinese (Traditional)", "zh_TW", 0x0404, 950, ONE,
             TRADITIONAL_CHINESE_FONT, sizes(line=9)),
    Language("id", "Indonesian", "id", 0x0421, 1252, ONE, None, sizes()),
]

BY_FOLDER = {language.folder: language for language in LANGUAGES}


def language(folder):
    """The language whose library goes into Locale/<folder>; KeyError for any other."""
    return BY_FOLDER[folder.lower()]


if __name__ == "__main__":
    import sys
    if sys.argv[1:] != ["--system-locales"]:
        sys.exit("usage: locale_languages.py --system-locales")
    print("\n".join(sorted(set(SYSTEM_LOCALE_OF_CODEPAGE.values()))))
