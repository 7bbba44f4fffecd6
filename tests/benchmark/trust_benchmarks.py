"""The rows of a build with https and a manifest key (preset native-trust):

- its silent run against an https server (one product, no update, the manifest signed)
  against curl -s of the same https URL; both trust the test CA the same way, through a
  bundle laid over the system's in a mount namespace of each run (tests/support/test_pki.py);
- the check of a 1 MB manifest's signature (tests/benchmark/signature_check.cpp: read the
  file, check it as the program does) against an openssl dgst -sha256 -verify process on
  the same bytes and the same signature.
"""

import base64
import os
import sys

from bench_support import (SOURCE_DIR, Failure, Server, check_silent, ms, native_environment,
                           note, run_once, time_pair, write_product_files)

sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "support"))
import manifest_signer  # noqa: E402
from test_pki import TestPki  # noqa: E402

MB = 1024 * 1024


def https_row(args, root, manifest, pki, key, rows):
    program = os.path.join(args.trust_build, "src", "kavexwebupd")
    signed = os.path.join(root, "signed.ini")
    with open(manifest, "rb") as source, open(signed, "wb") as target:
        target.write(manifest_signer.sign(source.read(), key))
    trusted = pki.trusted_prefix()
    server = Server(signed, root, tls=pki.certificate("good"))
    try:
        os.makedirs(os.path.join(root, "trust"))
        env = native_environment(os.path.join(root, "trust"), server.url)
        products = os.path.join(root, "trust", "common", "Dexivane", "KavexWebUpdate")
        write_product_files(products, 1)
        check_silent(trusted + [program, "1"], env, server, 1)
        note("trust: silent run over https against curl, %d runs" % args.runs)
        silent, curl = time_pair(
            args.runs, ("kavexwebupd 1", trusted + [program, "1"], env, None),
            ("curl", trusted + ["curl", "-s", "-o", "/dev/null", server.url], env, None))
    finally:
        server.stop()
    rows.append(("Silent run over https, 1 product, no update, signed manifest (native, "
                 "https and a key)", ms(silent.median), "curl -s: " + ms(curl.median),
                 silent.median / curl.median, "at most 1.3x"))


def signature_row(args, root, key, public, rows):
    # A manifest of 1 MB: sections of some 500 bytes, the signature line last.
    body = b"; generated manifest\r\n"
    index = 0
    while len(body) < MB:
        body += (b"[Product%d 1.0 en]\r\n; %s\r\nFileArgs=http://server/p%d.html\r\n"
                 % (index, b"x" * 440, index))
        index += 1
    line = manifest_signer.signature_line(body, key)
    paths = {name: os.path.join(root, name) for name in ("big.ini", "covered.bin", "sig.der")}
    for name, content in (("big.ini", body + line + b"\r\n"), ("covered.bin", body),
                          ("sig.der", manifest_signer.der_signature(base64.b64decode(line.split(b" ")[-1])))):
        with open(paths[name], "wb") as stream:
            stream.write(content)
    check = [os.path.join(args.trust_build, "tests", "signature_check"), paths["big.ini"], public]
    openssl = ["openssl", "dgst", "-sha256", "-verify", public, "-signature", paths["sig.der"],
               paths["covered.bin"]]
    if run_once(openssl, None)[1].strip() != b"Verified OK":
        raise Failure("openssl does not verify the benchmark's signature")
    note("trust: signature check of %.1f MB against openssl dgst -verify, %d runs"
         % (len(body) / 1e6, args.runs))
    ours, theirs = time_pair(args.runs, ("signature_check", check, None, None),
                             ("openssl", openssl, None, None))
    rows.append(("Signature check of a %.1f MB manifest (process: read, SHA-256, ECDSA "
                 "P-256)" % (len(body) / 1e6), ms(ours.median),
                 "openssl dgst -sha256 -verify: " + ms(theirs.median),
                 ours.median / theirs.median, "-"))


def trust_rows(args, root, manifest, rows):
    """Both rows; manifest: the small manifest of the other rows, served signed."""
    key = args.trust_key
    public = key.replace("-private.pem", "-public.pem")
    pki = TestPki()
    try:
        https_row(args, root, manifest, pki, key, rows)
    finally:
        pki.close()
    signature_row(args, root, key, public, rows)
