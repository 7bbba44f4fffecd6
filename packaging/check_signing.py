"""The signed zips, checked as a user's Windows would check them: scripts/package signs
with a code-signing certificate of a test CA made now, and time-stamps at a loopback
time-stamp authority of the same CA; every program and locale library of both zips then
verifies against that CA with its time stamp; the signed program still passes the smoke
run under Wine; one changed byte fails the check; the build's own files stay unsigned;
and a signature that does not verify stops the package.

    check_signing.py <work folder> <Wine build tree> <Wine architecture>

The work folder is check-packages': its build trees a/ are built and packaged already, so
that only CPack runs again. Prints "check signing: ok", or the failures, and exits 1.
"""

import http.server
import os
import shutil
import subprocess
import sys
import threading
import zipfile

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))
from test_pki import TestPki  # noqa: E402

_TSA_CONFIG = """[tsa]
default_tsa = test_tsa
[test_tsa]
serial = {folder}/tsa-serial
crypto_device = builtin
signer_cert = {certificate}
signer_key = {key}
certs = {ca}
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = no
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


class TimestampAuthority:
    """An RFC 3161 time-stamp authority on loopback: each query POSTed to it is answered
    by openssl ts -reply with the given certificate. Counts the queries it answered."""

    def __init__(self, pki):
        certificate, key = pki.timestamping()
        self.config = os.path.join(pki.folder, "tsa.cnf")
        with open(os.path.join(pki.folder, "tsa-serial"), "w") as stream:
            stream.write("01\n")
        with open(self.config, "w") as stream:
            stream.write(_TSA_CONFIG.format(folder=pki.folder, certificate=certificate,
                                            key=key, ca=pki.ca_file()))
        self.folder = pki.folder
        self.answered = 0
        self.lock = threading.Lock()
        authority = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                reply = authority.reply(query, self.headers.get("Content-Type"))
                self.send_response(200 if reply else 400)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def reply(self, query, content_type):
        if content_type != "application/timestamp-query":
            return b""
        with self.lock:
            query_file = os.path.join(self.folder, "query.tsq")
            with open(query_file, "wb") as stream:
                stream.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", self.config,
                                   "-queryfile", query_file], capture_output=True)
            if made.returncode != 0:
                return b""
            self.answered += 1
            return made.stdout

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


def verify(path, ca):
    """(passed, what osslsigncode said) of the signature of path, trusting ca alone."""
    done = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-TSA-CAfile", ca,
                           "-in", path], capture_output=True, text=True)
    return done.returncode == 0, done.stdout + done.stderr


def package(work, dist, *signing):
    return subprocess.run([os.path.join(SOURCE_DIR, "scripts", "package"), "--win64",
                           "--build", os.path.join(work, "a"), "--dist", dist, *signing],
                          capture_output=True, text=True)


def main(work, wine_build, wine_arch):
    failures = []
    version = next(line.split("VERSION ")[1].split()[0].rstrip(")")
                   for line in open(os.path.join(SOURCE_DIR, "CMakeLists.txt"))
                   if line.startswith("project(KavexWebUpdate VERSION"))
    pki = TestPki()
    authority = TimestampAuthority(pki)
    try:
        pfx, password = pki.code_signing()
        dist = os.path.join(work, "dist-signed")
        shutil.rmtree(dist, ignore_errors=True)
        made = package(work, dist, "--sign-cert", pfx, "--sign-password-file", password,
                       "--sign-ca-file", pki.ca_file(), "--timestamp-url", authority.url)
        if made.returncode != 0:
            return ["scripts/package --sign-cert: exit %d\n%s" % (made.returncode,
                                                                 made.stderr[-3000:])]
        signed_files = 0
        for arch in ("win32", "win64"):
            top = "kavexwebupd-%s-%s" % (version, arch)
            folder = os.path.join(work, "signed", arch)
            shutil.rmtree(folder, ignore_errors=True)
            with zipfile.ZipFile(os.path.join(dist, top + ".zip")) as archive:
                archive.extractall(folder)
                names = [n for n in archive.namelist() if n.endswith((".exe", ".dat"))]
            if len(names) < 30:
                failures.append("%s.zip holds only %d programs and libraries" % (top, len(names)))
            for name in names:
                passed, said = verify(os.path.join(folder, name), pki.ca_file())
                # A time stamp by the test authority, checked too.
                if not passed or "Timestamp Server Signature verification: ok" not in said:
                    failures.append("%s: %s does not verify with its time stamp:\n%s"
                                    % (top, name, said))
                signed_files += 1
            # The build's own files are left as they were: unsigned.
            built = os.path.join(work, "a", arch, "src", "kavexwebupd.exe")
            passed, _ = verify(built, pki.ca_file())
            if passed:
                failures.append("%s: the build's own program was signed" % arch)
            # One changed byte, in the code or in a library's texts, fails the check.
            for name in (top + "/kavexwebupd.exe", top + "/Locale/de/kavexwebupdexe.dat"):
                changed = os.path.join(folder, "changed")
                shutil.copyfile(os.path.join(folder, name), changed)
                with open(changed, "r+b") as stream:
                    stream.seek(0x600)
                    byte = stream.read(1)
                    stream.seek(0x600)
                    stream.write(bytes([byte[0] ^ 0x01]))
                passed, said = verify(changed, pki.ca_file())
                if passed or "MISMATCH" not in said:
                    failures.append("%s: %s with one byte changed verifies" % (arch, name))
                os.remove(changed)
        if authority.answered != signed_files:
            failures.append("the time-stamp authority answered %d queries for %d files"
                            % (authority.answered, signed_files))
        print("check signing: %d files signed, time-stamped and verified; one changed byte "
              "fails" % signed_files)

        # The signed program runs as the unsigned one does.
        smoke = subprocess.run(
            [sys.executable, os.path.join(SOURCE_DIR, "packaging", "wine_smoke.py"),
             os.path.join(work, "signed", wine_arch, "kavexwebupd-%s-%s" % (version, wine_arch)),
             wine_build], env=dict(os.environ, KWU_WINEARCH=wine_arch),
            capture_output=True, text=True)
        if smoke.returncode != 0:
            failures.append("the signed %s program fails its smoke run:\n%s%s"
                            % (wine_arch, smoke.stdout, smoke.stderr[-2000:]))
        else:
            print("check signing: the signed %s program passes the smoke run under Wine"
                  % wine_arch)

        # A signature the check does not trust (another CA's) stops the package: no zip.
        untrusted = os.path.join(work, "dist-untrusted")
        shutil.rmtree(untrusted, ignore_errors=True)
        other_ca = os.path.join(pki.folder, "other-ca.crt")
        made = package(work, untrusted, "--sign-cert", pfx, "--sign-password-file", password,
                       "--sign-ca-file", other_ca)
        if made.returncode == 0 or "package_sign: the signature of" not in made.stderr or (
                os.path.isdir(untrusted) and any(n.endswith(".zip")
                                                 for n in os.listdir(untrusted))):
            failures.append("a signature that does not verify: exit %d, %r, made %r" % (
                made.returncode, made.stderr[-1000:],
                os.listdir(untrusted) if os.path.isdir(untrusted) else []))
        else:
            print("check signing: a signature that does not verify stops the package")
    finally:
        authority.stop()
        pki.close()
    return failures


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    found = main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3])
    for failure in found:
        print("check signing: FAIL: " + failure)
    if not found:
        print("check signing: ok")
    sys.exit(1 if found else 0)
