#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

Usage: make_seeds.py BUILD_DIR   (a native build folder holding the resource images)

The seeds are small, typical inputs in each target's input layout; the fuzzers grow the
rest from them. Run again after the resources or the input layouts change.
"""
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
CORPUS = HERE / "corpus"
sys.path.insert(0, str(SOURCE / "tools"))
from pe_image import PeImage  # noqa: E402

# The worked example of the manifest lookup, shared with the unit tests.
WORKED_MANIFEST = (SOURCE / "tests" / "fixtures" / "manifests" / "worked-example.ini").read_text(
    encoding="ascii")


def short(text):
    data = text.encode("latin-1")
    return bytes([len(data)]) + data


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def manifest_seeds():
    example = (SOURCE / "examples" / "update.ini").read_bytes()
    write("manifest_lookup_fuzzer", "example_de", short("ExampleApp") + short("7.0 de") + example)
    write("manifest_lookup_fuzzer", "example_redirect",
          short("ExampleApp") + short("6.5") + example)
    for index, (name, version) in enumerate(
            [("App", "7.0 en"), ("APP", "7.0 EN"), ("App", "7.0 de"), ("App", "6.0"),
             ("App", "5.0")]):
        write("manifest_lookup_fuzzer", "worked_%d" % index,
              short(name) + short(version) + WORKED_MANIFEST.encode())
    write("manifest_lookup_fuzzer", "windows_line_ends",
          short("App") + short("7.0") + WORKED_MANIFEST.replace("\n", "\r\n").encode())


def product_seeds():
    example = (SOURCE / "examples" / "ExampleApp.xml").read_bytes()
    write("product_files_fuzzer", "example", short("<Name>") + short("</Name>") + example)
    write("product_files_fuzzer", "crlf_order",
          short("<ProductInfo>") + short("</ProductInfo>") +
          b"<ProductInfo>\r\n<Locale>de</Locale>\r\n<Version> 2.1 </Version>\r\n"
          b"<Name>Acme\r\nTools</Name>\r\n</ProductInfo>")
    write("product_files_fuzzer", "missing_locale",
          short("<") + short(">") +
          b"<ProductInfo><Name>A</Name><Version>1</Version></ProductInfo>\n")


def url_seeds():
    for index, url in enumerate([
            "http://www.example.com/exampleapp/7.1/de/",
            "http://127.0.0.1:8080/misc/update.ini?x=1#top",
            "https://[::1]:443/page%20two",
            "ftp://files.example.com",
            "HTTP://Host_Name.example:65535?query=a&b=c",
            "file://server/share/doc.html"]):
        write("url_fuzzer", "url_%d" % index, url)


def remind_seeds():
    for index, (zone, text) in enumerate([
            (0, "01/06/2005"), (1, "02/30/2005"), (2, "12/31/2037"), (3, "1/6/2005 tail"),
            (1, "01/01/1970"), (4, " +3/ 1/2010"), (6, "10/15/2017"), (0, "01/01/2038")]):
        write("remind_dates_fuzzer", "date_%d" % index, bytes([zone]) + text.encode())


def resource_seeds(build):
    images = [build / "src" / "kavexwebupd_res.dll",
              build / "src" / "Locale" / "de" / "kavexwebupdexe.dat"]
    for image in images:
        write("pe_resources_fuzzer", image.name, image.read_bytes())
    # The dialog templates and their init data on their own, for the parsers.
    for type_id, label in ((5, "dialog"), (240, "dialog_init")):
        for resource_id in (103, 104):
            data = PeImage(data=images[0].read_bytes()).find(type_id, resource_id)
            if data:
                write("pe_resources_fuzzer", "%s_%d" % (label, resource_id), data)


def format_seeds():
    texts = ["Connection error. Status code: %d",
             "There are updates available for the %s software.",
             "Visit the %s Web site to review the updates", "day(s)", "100%% sure %",
             "%-5s|%05ld|%x|%I64d|%1$s|%.*s|%n"]
    for index, text in enumerate(texts):
        write("text_format_fuzzer", "text_%d" % index, b"\x01" + short("Acme") + text.encode())
        write("text_format_fuzzer", "number_%d" % index,
              b"\x02" + struct.pack("<q", 404) + text.encode())
        write("text_format_fuzzer", "none_%d" % index, b"\x00" + text.encode())


def settings_seeds():
    key = "Software\\Kavex\\WebUpdates"
    files = [
        "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://example.com/misc/update.ini\"\n"
        "\"LogFile\"=\"/tmp/kwu.log\"\n\n[Software\\Kavex\\WebUpdates\\RemindDates]\n"
        "\"ExampleApp\"=\"01/06/2005\"\n",
        "\xef\xbb\xbf# written by hand\r\n; another comment\r\n\r\n"
        "  [Software\\Kavex\\WebUpdates]  \r\n\t\"URL\" =  \"http://e.com/u.ini\"\r\n"
        "@=\"default\"\r\n\"LogFile\"=\"/tmp/log \\x41\\x4a\\x00tail\"\r\n",
        "# empty key only\n[Software\\Kavex]\n"]
    for index, text in enumerate(files):
        write("settings_file_fuzzer", "file_%d" % index,
              short(key) + short("URL") + short("http://h/x") + text.encode("latin-1"))
    write("settings_file_fuzzer", "new_section",
          short(key + "\\RemindDates") + short("App") + short("02/13/2006") +
          files[0].encode("latin-1"))


def signature_seeds():
    # A manifest signed with the reference key of tests/unit/reference_key.h (RFC 6979's
    # P-256 key) by tests/support/manifest_signer.py would be valid; these are the shapes
    # around one: no line, a line, bytes after it, its first line.
    line = ("; kavexwebupd-signature ecdsa-p256-sha256 5a7a78cca4a0f420 " + "A" * 86 + "==")
    body = "; m\r\n[App 7.0]\r\nFileArgs=http://h/a\r\n"
    for index, text in enumerate([body, body + line + "\r\n", body + line + "\r\n[App 1]\r\n",
                                  line + "\n[App 1]\nFileArgs=http://h/1\n",
                                  "\r\n" + line + "\r[App 1 en]\rFileArgs=x"]):
        write("manifest_signature_fuzzer", "served_%d" % index, b"\x00" + text.encode())
        write("manifest_signature_fuzzer", "signed_%d" % index, b"\x01" + text.encode())
    write("manifest_signature_fuzzer", "base64", b"\x02" + b"YW55IGNhcm5hbCBwbGVhcw==")
    public = bytes.fromhex(
        "3059301306072a8648ce3d020106082a8648ce3d03010703420004"
        "60FED4BA255A9D31C961EB74C6356D68C049B8923B61FA6CE669622E60F29FB6"
        "7903FE1008B8BC99A41AE9E95628BC64F2F1B20C2D7E9F5177A3C294D4462299")
    write("manifest_signature_fuzzer", "public_key", b"\x03" + public)
    private = bytes.fromhex(
        "308187020100301306072a8648ce3d020106082a8648ce3d030107046d306b0201010420"
        "C9AFA9D845BA75166B5C215767B1D6934E50C3DB36E89B127B8A622B120F6721"
        "a14403420004" + public.hex()[54:])
    write("manifest_signature_fuzzer", "private_key", b"\x03" + private)


def tool_json_seeds():
    write("tool_json_fuzzer", "text",
          b"\x00Caf\xc3\xa9 \"q\" \\ \x01\x7f \xc2\x85 \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 "
          b"\xf0\x9f\x98\x80")
    write("tool_json_fuzzer", "check_worked", b"\x01" + WORKED_MANIFEST.encode())
    write("tool_json_fuzzer", "check_broken",
          b"\x01[App 7.0\xff]\r\nFileArgs=\x1b[2J\xe0\x80\x80\rx\x00y\n[")
    write("tool_json_fuzzer", "explain_worked",
          b"\x02" + short("App") + short("7.0 de") + short("de") + WORKED_MANIFEST.encode())


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = pathlib.Path(sys.argv[1])
    manifest_seeds()
    product_seeds()
    url_seeds()
    remind_seeds()
    resource_seeds(build)
    format_seeds()
    settings_seeds()
    signature_seeds()
    tool_json_seeds()


if __name__ == "__main__":
    main()
