"""One smoke run under Wine of the Windows program as a maker ships it: the folder unpacked
from the zip, with its German library, and its Japanese one on a Japanese system (code
page 932), against a loopback manifest server.

    wine_smoke.py <unzipped folder> <build tree of the same architecture>

The build tree gives the harness its helpers (the process runner and the UI driver) and,
when the Windows suites have run, a booted Wine prefix to copy. Set KWU_WINEARCH to the
zip's architecture (win32 or win64). Prints "wine smoke: ok", or the failure, and exits 1.
"""

import os
import sys

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def main(folder, build):
    os.environ["KWU_BUILD_DIR"] = build
    template = os.path.join(build, "wine-template")
    if os.path.isdir(template):
        os.environ.setdefault("KWU_WINE_TEMPLATE", template)
    sys.path[:0] = [os.path.join(SOURCE_DIR, "tests", "e2e"),
                    os.path.join(SOURCE_DIR, "tests", "support"),
                    os.path.join(SOURCE_DIR, "tools")]
    from http_server import LoopbackHttpServer, Reply
    from wine_harness import SETTINGS_KEY, UiScript, WineSession
    import make_locale_rc

    manifest = b"; manifest\r\n[Acme 7.0 de]\r\nFileArgs=http://www.example.com/acme/7.1/\r\n"
    failures = []
    with WineSession(display=True, program_dir=folder) as session:
        server = LoopbackHttpServer().start()
        session.add_cleanup(server.stop)
        server.reply = Reply.http(200, manifest)
        session.reg_add(SETTINGS_KEY, "URL", server.url("/misc/update.ini"))
        session.put_product_file(
            "acme.xml", "<ProductInfo>\r\n<Name>Acme</Name>\r\n<Version>7.0</Version>\r\n"
            "<Locale>de</Locale>\r\n</ProductInfo>\r\n")

        def texts_of(args, *scripts, locale=None):
            """The controls' texts of each dialog the run shows, one UI script each."""
            ui = [UiScript(title, action, "wait-gone") for title, action in scripts]
            run = session.run(args, ui=ui, timeout=120, locale=locale)
            shown = [u.window for u in run.ui if u.window is not None]
            if run.timed_out or run.returncode != 0 or len(shown) != len(scripts):
                failures.append("%s: exit %r, timed out %r, ui %r" % (
                    " ".join(args), run.returncode, run.timed_out, [u.events for u in run.ui]))
                return [{}] * len(scripts)
            return [{c["id"]: c["text"] for c in window.get("controls", [])}
                    for window in shown]

        offer = "F\u00fcr die Software Acme sind Updates verf\u00fcgbar."
        # The silent check offers the update in German, from the product file.
        offered, = texts_of(("1",), ("Acme", "escape"))
        if offered.get(1006) != offer:
            failures.append("silent check: the update dialog says %r" % offered.get(1006))
        # A German product from the command line without an update, then the product file.
        told, offered = texts_of(("Other", "2.0", "0", "de"), ("Other", "ok"), ("Acme", "escape"))
        if told.get(1006) != ("Es sind keine neuen Updates verf\u00fcgbar.\n"
                              "Sie haben bereits die neueste Version."):
            failures.append("German check: the no-updates dialog says %r" % told.get(1006))
        if offered.get(1006) != offer:
            failures.append("German check: the update dialog says %r" % offered.get(1006))
        # A Japanese product on a Japanese system: its texts in code page 932.
        japanese = make_locale_rc.translations(
            os.path.join(SOURCE_DIR, "locale", "ja.po"))["IDS_NO_UPDATES"]
        told, _ = texts_of(("Other", "2.0", "0", "ja"), ("Other", "ok"), ("Acme", "escape"),
                           locale="ja_JP.UTF-8")
        shown = told.get(1006, "").encode("latin-1").decode("cp932", errors="replace")
        if shown != japanese:
            failures.append("Japanese check: the no-updates dialog says %r" % shown)
        if len(server.requests) != 5:
            failures.append("requests: %r" % server.requests)
    for failure in failures:
        print("wine smoke: FAIL: " + failure)
    if not failures:
        print("wine smoke: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
