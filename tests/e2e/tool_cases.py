"""kavexwebupd-manifest end to end, the same cases on both platforms: the tool on files,
on a loopback server and on product folders, and its explanations set against what the
real program does with the same manifests. test_native_manifest_tool.py and
test_wine_manifest_tool.py run them."""

import json
import os
import re

from protocol import SOURCE_DIR, Reply, manifest, ok, page_of, product_file, product_text
from manifest_download_cases import free_port

# The worked example of the manifest lookup, shared with the unit tests.
with open(os.path.join(SOURCE_DIR, "tests", "fixtures", "manifests", "worked-example.ini"),
          encoding="ascii") as _example:
    WORKED_EXAMPLE = _example.read().splitlines()


def text(lines, end="\r\n"):
    return (end.join(lines) + end).encode("utf-8")


# Manifests and products on which the tool's explanation must agree with the program:
# the cases of the update check's suite, the worked example, and the traps.
AGREEMENT_CASES = [
    ("locale wins", manifest(("App 7.0", ["FileArgs=http://127.0.0.1/all.html"]),
                             ("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"])),
     [("App", "7.0", "FR"), ("App", "7.0", "")]),
    ("version serves other locales",
     manifest(("App 7.0 fr", ["FileArgs=http://127.0.0.1/fr.html"]),
              ("App 7.0", ["FileArgs=http://127.0.0.1/all.html"])),
     [("App", "7.0", ""), ("App", "7.0", "fr"), ("App", "8.0", "fr")]),
    ("unusable locale pages fall back",
     text(["; m", "[App 7.0 en]", "FileArgs=https://127.0.0.1/en.html", "[App 7.0 de]",
           "FileArgs=/srv/de.html", "[App 7.0 fr]", "FileArgs=", "[App 7.0 it]",
           "FileArgs=ftp://h/it", "[App 7.0]", "FileArgs=http://127.0.0.1/all.html"]),
     [("App", "7.0", "en"), ("App", "7.0", "de"), ("App", "7.0", "fr"), ("App", "7.0", "it")]),
    ("pages that are not http",
     manifest(("App 7.0 en", ["FileArgs=https://127.0.0.1/en.html"]),
              ("App 7.0", ["FileArgs=file:///srv/all.html"])),
     [("App", "7.0", "")]),
    ("worked example", text(WORKED_EXAMPLE),
     [("App", "7.0", "en"), ("APP", "7.0", "EN"), ("App", "7.0", "de"), ("App", "7.0", "fr"),
      ("App", "6.0", "en"), ("App", "5.0", "en"), ("App", "5.5", "en")]),
    ("header on the first line", text(["[App 7.0]", "FileArgs=http://127.0.0.1/a.html"]),
     [("App", "7.0", "")]),
    ("empty FileArgs ends the lookup",
     text(["; m", "[App 7.0]", "FileArgs=", "FileArgs=http://127.0.0.1/a.html"]),
     [("App", "7.0", "")]),
    ("double blanks and lower-case keys",
     text(["; m", "[App  7.0]", "FileArgs=http://127.0.0.1/a.html", "[App 6.0]",
           "fileargs=http://127.0.0.1/b.html", "[App 5.0]", "sections=App 7.0"]),
     [("App", "7.0", ""), ("App", "6.0", ""), ("App", "5.0", "")]),
    ("old Macintosh line ends", text(WORKED_EXAMPLE, "\r"), [("App", "5.0", "")]),
    # The longest page offered is 900 characters: one more is no page, and the locale's
    # section then gives way to the version's.
    ("pages at the length bound",
     manifest(("App 7.0 fr", ["FileArgs=" + page_of(901, "fr")]),
              ("App 7.0", ["FileArgs=" + page_of(900, "all")]),
              ("App 6.0", ["FileArgs=" + page_of(901, "all")])),
     [("App", "7.0", "fr"), ("App", "6.0", "")]),
]



def _unescaped(text):
    """A line of the traps fixture, read one character a byte, as bytes."""
    text = re.sub(r"(.)\\\*(\d+)", lambda match: match[1] * int(match[2]), text)
    escapes = {"t": "\t", "s": " "}
    return re.sub(r"\\(x..|.)", lambda match: chr(int(match[1][1:], 16)) if len(match[1]) == 3
                  else escapes.get(match[1], match[1]), text).encode("latin-1")


def _read_traps():
    """Each trap case of the fixture shared with the unit tests: (what, the manifest's lines
    with the traps, [(line, kind) found], the lines without the traps)."""
    traps = []
    path = os.path.join(SOURCE_DIR, "tests", "fixtures", "manifests", "traps.txt")
    with open(path, encoding="latin-1") as fixture:
        for text in fixture.read().splitlines():
            word, _, rest = text.partition(" ")
            if word == "case":
                traps.append((rest, [], [], []))
            elif word == "trap":
                traps[-1][1].append(_unescaped(rest))
            elif word == "finds":
                line, _, kind = rest.partition(":")
                traps[-1][2].append((int(line), kind))
            elif word == "clean":
                traps[-1][3].append(_unescaped(rest))
    return traps


TRAPS = _read_traps()


def lines_text(lines, end=b"\r\n"):
    return b"".join(line + end for line in lines)


class Tool:
    def tool(self, *args, **options):
        """Runs the tool (with the options of run_program); returns (exit code, standard
        output as text with line feeds)."""
        result = self.run_program(*args, program="kavexwebupd-manifest", timeout=120, **options)
        self.assertFalse(result.timed_out, "the tool did not end")
        return result.exit_code, result.stdout.decode("latin-1").replace("\r\n", "\n")

    def tool_json(self, *args, code):
        result, stdout = self.tool("--json", *args)
        self.assertEqual(result, code, stdout)
        return json.loads(stdout)

    def write(self, name, data):
        with open(self.host_path(self.scratch(name)), "wb") as file:
            file.write(data)
        return self.scratch(name)


class AgreesWithTheProgram(Tool):
    """For each case, the program runs against the served manifest (visiting the page
    when it offers one) and the tool explains the same served manifest."""

    def program_page(self, name, version, locale):
        before = len(self.opened_pages())
        shown = self.check(name, version, "0", locale, answers=[ok(name)]).windows[0].text
        # The product's locale library, where the program ships one, speaks for it.
        if shown == self.as_shown(product_text(locale, "IDS_NO_UPDATES")):
            self.assertEqual(len(self.pages()), before)
            return None
        self.assertEqual(shown, self.as_shown(product_text(locale, "IDS_UPDATES_AVAILABLE")
                                              % name))
        return self.pages(before + 1)[before]

    def test_explain_agrees_on_every_case(self):
        for what, served, products in AGREEMENT_CASES:
            self.server.reply = Reply.http(200, served)
            for name, version, locale in products:
                with self.subTest(case=what, product=(name, version, locale)):
                    page = self.program_page(name, version, locale)
                    result = self.tool_json("explain", self.address, name, version, locale,
                                            code=0)["explanation"]
                    self.assertEqual(result["updateOffered"], page is not None, result)
                    if page is not None:
                        self.assertEqual(result["page"], page)
                    self.assertEqual(result["product"]["locale"], (locale or "en").lower())


class Manifests(Tool):
    def test_the_worked_example_explained_line_by_line(self):
        path = self.write("update.ini", text(WORKED_EXAMPLE))
        code, stdout = self.tool("explain", path, "App", "7.0", "de")
        self.assertEqual(code, 0)
        self.assertIn("    line 1: first line, never read: \"; update manifest\"\n"
                      "    line 4: [App 7.0 de] opens the section\n"
                      "    line 5: Sections redirects to [App 7.0] and ends the section\n"
                      "    line 7: [App 7.0] opens the section\n"
                      "    line 10: FileArgs gives \"http://server/app70.html\"\n", stdout)
        self.assertIn("Result: update offered, page http://server/app70.html", stdout)

        lookups = self.tool_json("explain", path, "App", "6.0", code=0)["explanation"]
        self.assertEqual((lookups["updateOffered"], lookups["decidedBy"]), (False, "none"))
        version = lookups["lookups"][1]
        self.assertEqual(version["header"], "[App 6.0]")
        self.assertEqual(version["sectionLines"], [11])
        self.assertEqual(version["redirects"], [{"line": 12, "header": "[App 7.0]"}])
        self.assertIsNone(version["fileArgsLine"])

        five = self.tool_json("explain", path, "App", "5.0", "EN", code=0)["explanation"]
        self.assertEqual(five["product"]["locale"], "en")
        self.assertEqual(five["lookups"][1]["sectionLines"], [13, 15])
        self.assertEqual(five["lookups"][1]["fileArgsLine"], 16)
        self.assertEqual(five["page"], "http://server/app55.html")

    def test_the_worked_example_checked(self):
        path = self.write("update.ini", text(WORKED_EXAMPLE))
        result = self.tool_json("check", path, code=1)
        self.assertEqual([(f["line"], f["kind"]) for f in result["findings"]],
                         [(6, "unreachable-line"), (9, "key-letter-case"),
                          (12, "redirect-target-missing")])

    def test_each_trap_is_found_and_absent_without_it(self):
        self.assertEqual(len(TRAPS), 20, "the traps fixture did not read")
        for what, trapped, expected, fixed in TRAPS:
            with self.subTest(what):
                path = self.write("trap.ini", lines_text(trapped))
                findings = self.tool_json("check", path, code=1)["findings"]
                self.assertEqual([(f["line"], f["kind"]) for f in findings], expected)
                code, stdout = self.tool("check", path)
                self.assertEqual(code, 1)
                for line, kind in expected:
                    self.assertIn("line %d: %s: " % (line, kind), stdout)
                path = self.write("fixed.ini", lines_text(fixed))
                self.assertEqual(self.tool_json("check", path, code=0)["findings"], [])

    def test_a_suggested_fix_says_when_it_changes_the_page(self):
        path = self.write("update.ini", text(WORKED_EXAMPLE))
        findings = {f["line"]: f for f in self.tool_json("check", path, code=1)["findings"]}
        # "fileargs" on line 9 stands above the FileArgs that [App 7.0], and [App 7.0 de]
        # that redirects to it, now give; [App 6.0]'s redirection, below it, finds nothing.
        fix = findings[9]["fix"]
        self.assertTrue(fix.startswith('Write "FileArgs". This changes what the lookup finds: '),
                        fix)
        for header in ("[App 7.0]", "[App 7.0 de]"):
            self.assertIn('%s would give "http://server/ignored.html" instead of '
                          '"http://server/app70.html"' % header, fix)
        self.assertNotIn("[App 6.0]", fix)
        self.assertIn('make it a comment (";")', fix)
        # Set right, the same page would win: nothing to warn of.
        path = self.write("same.ini", text(["; m", "[App 7.0]", "fileargs=http://h/a",
                                            "FileArgs=http://h/a"]))
        self.assertEqual(self.tool_json("check", path, code=1)["findings"][0]["fix"],
                         'Write "FileArgs".')
        # A header on the first line: the comment above it makes its page count.
        path = self.write("first.ini", text(["[App 7.0]", "FileArgs=http://h/a"]))
        self.assertIn('[App 7.0] would give "http://h/a" instead of no page',
                      self.tool_json("check", path, code=1)["findings"][0]["fix"])

    def test_a_lone_cr_or_a_zero_byte_is_found_where_it_hides(self):
        # A diff shows line 2 as one comment; the program, like an editor, reads a section
        # there, whose page wins.
        hiding = (b"; update manifest\n; notes\r[App 7.0 de]\rFileArgs=http://elsewhere.example/x\n"
                  b"[App 7.0]\nFileArgs=http://h/a\n")
        path = self.write("hiding.ini", hiding)
        findings = self.tool_json("check", path, code=1)["findings"]
        self.assertEqual([(f["line"], f["kind"]) for f in findings], [(2, "lone-cr"), (3, "lone-cr")])
        self.assertIn("line 2: lone-cr: ", self.tool("check", path)[1])
        self.assertEqual(self.tool_json("explain", path, "App", "7.0", "de", code=0)
                         ["explanation"]["page"], "http://elsewhere.example/x")
        # Line ends of one kind throughout hide nothing.
        for end in (b"\n", b"\r"):
            path = self.write("plain.ini", hiding.replace(b"\r", b"\n").replace(b"\n", end))
            self.assertEqual(self.tool_json("check", path, code=0)["findings"], [])
        # The program drops a zero byte and the rest of its line, line end included.
        path = self.write("zero.ini", b"; m\r\n[App 7.0]\r\n; note\0\0b\r\nFileArgs=http://h/a\r\n")
        findings = self.tool_json("check", path, code=1)["findings"]
        self.assertEqual([(f["line"], f["kind"]) for f in findings], [(3, "zero-byte")])

    def test_unusable_input(self):
        code, stdout = self.tool("check", self.scratch("missing.ini"))
        self.assertEqual(code, 2)
        self.assertIn("not readable", stdout)
        self.assertEqual(self.tool("explain")[0], 2)
        self.assertEqual(self.tool("frobnicate", "x")[0], 2)
        code, stdout = self.tool("--help")
        self.assertEqual(code, 0)
        self.assertIn("check SOURCE", stdout)
        result = self.tool_json("check", "https://127.0.0.1/update.ini", code=2)
        self.assertEqual(result["source"]["result"], "DL_UPDATE_ERROR")
        self.assertEqual(result["source"]["error"],
                         "URL has incorrect format: https://127.0.0.1/update.ini")


class LiveServer(Tool):
    def test_a_good_answer(self):
        self.server.reply = Reply.http(200, text(["; m", "[App 7.0]", "FileArgs=http://h/a"]))
        result = self.tool_json("check", self.address, code=0)
        self.assertEqual((result["source"]["result"], result["findings"]), ("DL_OK", []))
        result = self.tool_json("explain", self.address, "App", "7.0", code=0)
        self.assertEqual(result["explanation"]["page"], "http://h/a")
        for request in self.server.requests:
            self.assertEqual(request.header("User-Agent"), "Kavex Web Update")
            self.assertEqual(request.path, "/misc/update.ini")

    def test_a_redirection_is_reported_with_its_location(self):
        for status in (301, 302):
            with self.subTest(status=status):
                self.server.reply = Reply.redirect(status, "https://example.invalid/update.ini")
                code, stdout = self.tool("check", self.address)
                self.assertEqual(code, 2)
                self.assertIn("download: DL_UPDATE_ERROR: Connection error. Status code: %d\n"
                              % status, stdout)
                self.assertIn("redirects (%d) to: https://example.invalid/update.ini" % status,
                              stdout)
                self.assertIn("does not follow redirections", stdout)
                source = self.tool_json("check", self.address, code=2)["source"]
                self.assertEqual((source["status"], source["location"]),
                                 (status, "https://example.invalid/update.ini"))
        # Nothing but the manifest's own address was ever asked for.
        self.assertEqual({r.path for r in self.server.requests}, {"/misc/update.ini"})

    def test_a_folder_listing_is_not_a_manifest(self):
        listing = text(["<!DOCTYPE HTML>", "<html>", "<head><title>Index of /misc</title></head>",
                        "<body>", "<h1>Index of /misc</h1>", "<ul>",
                        '<li><a href="update.ini">update.ini</a></li>',
                        '<li><a href="old/">old/</a></li>', "</ul>", "</body>", "</html>"])
        for page in (listing, b"\xef\xbb\xbf\r\n  " + listing):
            self.server.reply = Reply.http(200, page)
            result = self.tool_json("check", self.address, code=1)
            self.assertEqual([(f["line"], f["kind"]) for f in result["findings"]],
                             [(1, "not-a-manifest")])
            code, stdout = self.tool("check", self.address)
            self.assertEqual(code, 1)
            self.assertIn("line 1: not-a-manifest: ", stdout)
            self.assertIn("1 finding(s)", stdout)

    def test_not_found(self):
        self.server.reply = Reply.http(404, b"not here")
        for command in (("check",), ("explain", "App", "7.0")):
            source = self.tool_json(command[0], self.address, *command[1:], code=2)["source"]
            self.assertEqual(source["error"], "Connection error. Status code: 404")
            self.assertEqual((source["status"], source["location"]), (404, None))

    def test_a_refused_port(self):
        address = "http://127.0.0.1:%d/update.ini" % free_port()
        source = self.tool_json("check", address, code=2)["source"]
        self.assertEqual((source["result"], source["error"]), ("DL_INTERNET_ERROR", self.REFUSED))


class Products(Tool):
    def test_good_and_bad_files(self):
        put = self.put_product_file
        put("good.xml", product_file("App", "7.0", "DE"))
        put("again.xml", product_file("App", "7.0", "de"))
        put("nolocale.xml", "<ProductInfo><Name>B</Name><Version>1</Version></ProductInfo>")
        put("noname.xml", product_file("", "7.0"))
        put("noversion.xml", product_file("C", ""))
        put("backwards.xml", "</ProductInfo><ProductInfo><Name>D</Name>"
                             "<Version>1</Version><Locale></Locale>\n")
        put("wide.xml", b"\xff\xfe" + product_file("E", "1").encode("utf-16-le"))
        put("ignored.txt", product_file("F", "1"))
        served = self.write("update.ini", text(["; m", "[App 7.0 de]", "FileArgs=http://h/de"]))

        result = self.tool_json("products", served, code=1)
        self.assertEqual(result["pattern"].lower(), self.product_path("*.xml").lower())
        files = {f["path"].replace("\\", "/").rsplit("/", 1)[1]: f for f in result["files"]}
        self.assertEqual(set(files), {"good.xml", "again.xml", "nolocale.xml", "noname.xml",
                                      "noversion.xml", "backwards.xml", "wide.xml"})
        reasons = {name: f["reason"] for name, f in files.items()}
        # Of the two files of one product, whichever the search yields first is taken.
        taken = [name for name in ("good.xml", "again.xml") if files[name]["taken"]]
        self.assertEqual(len(taken), 1)
        self.assertEqual(reasons["again.xml" if taken == ["good.xml"] else "good.xml"],
                         "duplicate")
        self.assertEqual(reasons["nolocale.xml"], "missing-tag")
        self.assertEqual(reasons["noname.xml"], "empty-name")
        self.assertEqual(reasons["noversion.xml"], "empty-version")
        self.assertEqual(reasons["backwards.xml"], "end-tag-before-start-tag")
        self.assertEqual(reasons["wide.xml"], "sixteen-bit")
        explanation = files[taken[0]]["explanation"]
        self.assertEqual(explanation["product"]["locale"], "de")
        self.assertEqual(explanation["page"], "http://h/de")

        # A folder named on the command line instead of the program's.
        os.makedirs(self.host_path(self.scratch("elsewhere")))
        with open(self.host_path(self.scratch("elsewhere", "x.XML")), "w") as file:
            file.write(product_file("App", "8.0"))
        code, stdout = self.tool("products", served, self.scratch("elsewhere"))
        self.assertEqual(code, 0)
        self.assertIn("Result: no update (no page)", stdout)

    def test_a_named_folder_that_is_not_there(self):
        served = self.write("update.ini", text(["; m", "[App 7.0]", "FileArgs=http://h/a"]))
        typo = self.scratch("elswhere")
        for form in ((), ("--json",)):
            with self.subTest(form=form):
                result = self.run_program(*form, "products", served, typo,
                                          program="kavexwebupd-manifest", timeout=120)
                self.assertEqual(result.exit_code, 2, result)
                self.assertEqual(result.stdout, b"", result)
                self.assertIn(b"does not exist", result.stderr)
        # A file is no folder either.
        self.assertEqual(self.tool("products", served, served)[0], 2)


CASES = (AgreesWithTheProgram, Manifests, LiveServer, Products)
