"""kavexwebupd-manifest.exe, the Windows console build of the tool, under Wine: a file, a
live loopback server through WinINet (200, a redirection with its Location, 404, a
refused port) and the program's product folder."""

import json
import os
import sys
import unittest

from manifest_download_cases import BUILD_DIR, free_port
from test_native_manifest_tool import TRAPS, WORKED_EXAMPLE, text
from tool_signing_cases import ToolSigningCases
from program_texts import product_file
from wine_harness import PRODUCT_FOLDER, session_with_program, wine_available

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
from http_server import LoopbackHttpServer, Reply  # noqa: E402

TOOL = os.path.join(BUILD_DIR, "src", "kavexwebupd-manifest.exe")
FOLDER = "C:\\kwu-tools\\"
TOOL_IN_PREFIX = FOLDER + "kavexwebupd-manifest.exe"


class WineManifestTool(ToolSigningCases, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.exists(TOOL):
            raise unittest.SkipTest("kavexwebupd-manifest.exe is not built in " + BUILD_DIR)
        if not wine_available():
            raise unittest.SkipTest("wine is not installed")
        cls.session = session_with_program(TOOL, TOOL_IN_PREFIX)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.session.reset()

    def tool(self, *args):
        result = self.session.run(list(args), program=TOOL_IN_PREFIX, cwd=FOLDER, timeout=120)
        self.assertFalse(result.timed_out, "the tool did not end")
        stdout = result.stdout.decode("latin-1") if isinstance(result.stdout, bytes) \
            else result.stdout
        return result.returncode, stdout.replace("\r\n", "\n")

    def files(self):
        return self.session.unix_path(FOLDER), FOLDER

    def signing_tool(self, args):
        return self.tool(*args)

    def tool_json(self, *args, code):
        result, stdout = self.tool("--json", *args)
        self.assertEqual(result, code, stdout)
        return json.loads(stdout)

    def test_a_file_checked_and_explained(self):
        self.session.write_file(FOLDER + "update.ini", text(WORKED_EXAMPLE))
        findings = self.tool_json("check", FOLDER + "update.ini", code=1)["findings"]
        self.assertEqual([(f["line"], f["kind"]) for f in findings],
                         [(6, "unreachable-line"), (9, "key-letter-case"),
                          (12, "redirect-target-missing")])
        code, stdout = self.tool("explain", FOLDER + "update.ini", "App", "7.0", "de")
        self.assertEqual(code, 0)
        self.assertIn("line 5: Sections redirects to [App 7.0] and ends the section\n", stdout)
        self.assertIn("line 10: FileArgs gives \"http://server/app70.html\"\n", stdout)
        for trapped, (line, kind), fixed in TRAPS[:3]:
            with self.subTest(kind=kind):
                self.session.write_file(FOLDER + "trap.ini", text(trapped))
                found = self.tool_json("check", FOLDER + "trap.ini", code=1)["findings"]
                self.assertIn((line, kind), [(f["line"], f["kind"]) for f in found])

    def test_a_live_server(self):
        with LoopbackHttpServer() as server:
            address = server.url("/misc/update.ini")
            server.reply = Reply.http(200, text(["; m", "[App 7.0]", "FileArgs=http://h/a"]))
            result = self.tool_json("explain", address, "App", "7.0", code=0)
            self.assertEqual(result["explanation"]["page"], "http://h/a")
            self.assertEqual(server.requests[0].header("User-Agent"), "Kavex Web Update")

            server.reply = Reply.redirect(302, "https://example.invalid/update.ini")
            source = self.tool_json("check", address, code=2)["source"]
            self.assertEqual(source["error"], "Connection error. Status code: 302")
            self.assertEqual((source["status"], source["location"]),
                             (302, "https://example.invalid/update.ini"))

            server.reply = Reply.http(404, b"gone")
            source = self.tool_json("check", address, code=2)["source"]
            self.assertEqual((source["error"], source["location"]),
                             ("Connection error. Status code: 404", None))
        refused = "http://127.0.0.1:%d/update.ini" % free_port()
        source = self.tool_json("check", refused, code=2)["source"]
        self.assertEqual(source["result"], "DL_INTERNET_ERROR")
        self.assertTrue(source["error"].startswith("(12029) "), source["error"])

    def test_the_programs_product_folder(self):
        self.session.put_product_file("good.xml", product_file("App", "7.0", "DE"))
        self.session.put_product_file("noname.xml", product_file("", "7.0"))
        self.session.put_product_file(
            "wide.xml", b"\xff\xfe" + product_file("E", "1").encode("utf-16-le"))
        self.session.write_file(FOLDER + "update.ini",
                                text(["; m", "[App 7.0 de]", "FileArgs=http://h/de"]))
        result = self.tool_json("products", FOLDER + "update.ini", code=1)
        self.assertEqual(result["pattern"].lower(), (PRODUCT_FOLDER + "*.xml").lower())
        files = {f["path"].rsplit("\\", 1)[1].lower(): f for f in result["files"]}
        self.assertEqual(files["noname.xml"]["reason"], "empty-name")
        self.assertEqual(files["wide.xml"]["reason"], "sixteen-bit")
        self.assertEqual(files["good.xml"]["explanation"]["page"], "http://h/de")


if __name__ == "__main__":
    unittest.main()
