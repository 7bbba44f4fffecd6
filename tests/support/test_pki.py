"""The certificates of the https tests, made with openssl when a suite starts and removed
with it: nothing of it is checked in.

    pki = TestPki()            # in a temporary folder of its own
    pki.certificate("good")    # (certificate file, key file) for a server
    pki.trusted_prefix()       # a command prefix that runs a program trusting the test CA
    pki.code_signing()         # (PKCS #12 file, its password file) to sign programs with
    pki.timestamping()         # (certificate file, key file) of a time-stamp authority
    pki.ca_file()              # the test CA's certificate
    pki.close()

The test CA is trusted the way the platform trusts any authority: through the system's
bundle, /etc/ssl/certs/ca-certificates.crt, which libcurl and Wine's crypt32 read. A
program started with trusted_prefix() runs in a mount namespace of its own in which a
bundle holding the test CA alone lies over that file; nothing outside it changes.

Servers (all for 127.0.0.1, named localhost: Wine matches a certificate's DNS names, not
addresses):
    good       localhost, by the test CA, valid now
    wrong-host another.invalid, by the test CA, valid now
    expired    localhost, by the test CA, valid for a month in 2020
    untrusted  localhost, by a second CA that nothing trusts, valid now
"""

import os
import shutil
import subprocess
import tempfile
import unittest

SYSTEM_BUNDLE = "/etc/ssl/certs/ca-certificates.crt"
HOST = "localhost"

_CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = {folder}/index.txt
serial = {folder}/serial
new_certs_dir = {folder}
default_md = sha256
policy = any_name
copy_extensions = copy
unique_subject = no
[any_name]
commonName = supplied
[server]
subjectAltName = DNS:{host}
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
[code_signing]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[timestamping]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
"""


def _openssl(*args):
    completed = subprocess.run(["openssl"] + list(args), capture_output=True)
    if completed.returncode != 0:
        raise RuntimeError("openssl %s: %s" % (args[0], completed.stderr.decode(errors="replace")))


class TestPki:
    def __init__(self):
        if shutil.which("openssl") is None:
            raise unittest.SkipTest("openssl is not installed (scripts/setup installs it)")
        self.folder = tempfile.mkdtemp(prefix="kwu-pki-")
        self.bundle = os.path.join(self.folder, "bundle.crt")
        self._make_ca("ca", "KavexWebUpdate test CA")
        self._make_ca("other-ca", "Untrusted test CA")
        shutil.copyfile(self._path("ca.crt"), self.bundle)
        self._certificates = {
            "good": self._make_server("good", "ca", HOST),
            "wrong-host": self._make_server("wrong-host", "ca", "another.invalid"),
            "expired": self._make_server("expired", "ca", HOST, ("20200101000000Z",
                                                                 "20200201000000Z")),
            "untrusted": self._make_server("untrusted", "other-ca", HOST),
        }

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def certificate(self, name):
        """(certificate file, key file) of one of the servers."""
        return self._certificates[name]

    def ca_file(self):
        """The certificate of the test CA, which signs every certificate but "untrusted"."""
        return self._path("ca.crt")

    def code_signing(self):
        """(PKCS #12 file, password file): an RSA code-signing certificate by the test CA,
        with its key and the CA's certificate, under a password; made on first use."""
        pfx, password = self._path("code-signing.pfx"), self._path("code-signing.pass")
        if not os.path.exists(pfx):
            certificate, key = self._issue("code-signing", "ca", "KavexWebUpdate test signer",
                                           "code_signing", ["rsa:2048"])
            with open(password, "w") as stream:
                stream.write("test password\n")
            _openssl("pkcs12", "-export", "-in", certificate, "-inkey", key,
                     "-certfile", self.ca_file(), "-passout", "file:" + password, "-out", pfx)
        return pfx, password

    def timestamping(self):
        """(certificate file, key file) of a time-stamp authority by the test CA."""
        return self._issue("timestamping", "ca", "KavexWebUpdate test TSA", "timestamping")

    def trusted_prefix(self):
        """The command prefix that runs a program with the test CA as the system's only
        trusted authority. Raises SkipTest where no mount namespace can be made."""
        mount = 'mount --bind "$0" %s && exec "$@"' % SYSTEM_BUNDLE
        unshare = ["unshare", "-m"] if os.geteuid() == 0 else ["unshare", "-r", "-m"]
        prefix = unshare + ["sh", "-c", mount, self.bundle]
        check = subprocess.run(prefix + ["true"], capture_output=True)
        if check.returncode != 0 or not os.path.exists(SYSTEM_BUNDLE):
            raise unittest.SkipTest("no mount namespace to trust the test CA in (%s)"
                                    % check.stderr.decode(errors="replace").strip())
        return prefix

    def _path(self, name):
        return os.path.join(self.folder, name)

    def _make_ca(self, name, subject):
        _openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                 "-nodes", "-keyout", self._path(name + ".key"), "-out", self._path(name + ".crt"),
                 "-days", "2", "-subj", "/CN=" + subject,
                 "-addext", "basicConstraints=critical,CA:TRUE",
                 "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        database = self._path(name + "-db")
        os.mkdir(database)
        open(os.path.join(database, "index.txt"), "w").close()
        with open(os.path.join(database, "serial"), "w") as serial:
            serial.write("1000\n")

    def _make_server(self, name, ca, host, validity=None):
        return self._issue(name, ca, host, "server", validity=validity)

    def _issue(self, name, ca, subject, extensions, key_type=None, validity=None):
        """(certificate file, key file) of a certificate by ca with the extensions of
        _CA_CONFIG's section of that name; a P-256 key unless key_type says otherwise."""
        key, request, certificate = (self._path(name + ext) for ext in (".key", ".csr", ".crt"))
        config = self._path(name + ".cnf")
        with open(config, "w") as stream:
            stream.write(_CA_CONFIG.format(folder=self._path(ca + "-db"), host=subject))
        new_key = (["-newkey"] + key_type if key_type else
                   ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256"])
        _openssl("req", *new_key, "-nodes", "-keyout", key, "-out", request,
                 "-subj", "/CN=" + subject)
        dates = ["-days", "2"] if validity is None else ["-startdate", validity[0],
                                                         "-enddate", validity[1]]
        _openssl("ca", "-batch", "-notext", "-config", config, "-extensions", extensions,
                 "-cert", self._path(ca + ".crt"), "-keyfile", self._path(ca + ".key"),
                 "-in", request, "-out", certificate, *dates)
        return certificate, key
