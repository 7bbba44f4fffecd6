"""Signs manifests for the tests with openssl, independently of the program's own code:
openssl makes the ECDSA signature, and the signature line is written here from its
description in docs/shipping.md. A manifest the program accepts from this signer shows
that the program and the description agree.

    line = signature_line(covered_bytes, "private.pem")
    der = der_signature(r_and_s)                     # for openssl dgst -verify
    signed = sign(manifest_bytes, "private.pem")     # manifest + freshness line + signature
                                                     # line, each with its line end
    signed = sign(manifest_bytes, "private.pem", sequence=200, expires="2020-01-01T00:00:00Z")
    signed = sign(manifest_bytes, ["a.pem", "b.pem"])  # one signature line a key, in order
    make_key("other.pem")                            # a new P-256 private key
"""

import base64
import hashlib
import subprocess
import time

MARKER = b"; kavexwebupd-signature ecdsa-p256-sha256 "
FRESHNESS = b"; kavexwebupd-freshness "


def _openssl(args, data=None):
    completed = subprocess.run(["openssl"] + args, input=data, capture_output=True)
    if completed.returncode != 0:
        raise RuntimeError("openssl %s: %s" % (args[0], completed.stderr.decode(errors="replace")))
    return completed.stdout


def make_key(path):
    """Writes a new ECDSA P-256 private key (PKCS #8 PEM) to path."""
    _openssl(["genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-out", path])


def key_id(private_key):
    """The first 8 bytes of SHA-256 over the key's DER SubjectPublicKeyInfo, in hex."""
    der = _openssl(["pkey", "-in", private_key, "-pubout", "-outform", "DER"])
    return hashlib.sha256(der).hexdigest()[:16]


def _integer(der, at):
    """A DER INTEGER at `at`: (its value as 32 bytes, the position after it)."""
    assert der[at] == 0x02, der
    length = der[at + 1]
    value = der[at + 2:at + 2 + length].lstrip(b"\0")
    return value.rjust(32, b"\0"), at + 2 + length


def raw_signature(der):
    """r and s of a DER ECDSA signature (SEQUENCE of two INTEGERs), 32 bytes each."""
    assert der[0] == 0x30 and der[1] < 0x80, der
    r, at = _integer(der, 2)
    s, _ = _integer(der, at)
    return r + s


def der_signature(raw):
    """r and s (32 bytes each) back as the DER SEQUENCE that openssl dgst -verify takes."""
    def integer(value):
        value = value.lstrip(b"\0") or b"\0"
        if value[0] & 0x80:
            value = b"\0" + value
        return b"\x02" + bytes([len(value)]) + value
    body = integer(raw[:32]) + integer(raw[32:])
    return b"\x30" + bytes([len(body)]) + body


def signature_line(covered, private_key):
    """The signature line (without a line end) for the covered bytes."""
    der = _openssl(["dgst", "-sha256", "-sign", private_key], covered)
    return (MARKER + key_id(private_key).encode("ascii") + b" "
            + base64.b64encode(raw_signature(der)))


def freshness_line(sequence=None, expires=None):
    """The freshness line (without a line end): by default, as the tool signs, the time
    now as the sequence and an expiry 60 days ahead; expires may be "never" or a time
    written YYYY-MM-DDTHH:MM:SSZ."""
    now = int(time.time())
    if sequence is None:
        sequence = now
    if expires is None:
        expires = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(now + 60 * 86400))
    return FRESHNESS + b"sequence=%d expires=%s" % (sequence, expires.encode("ascii"))


def sign(manifest, private_keys, end=b"\r\n", sequence=None, expires=None, freshness=True):
    """manifest (ending in a line end) with its freshness line (unless freshness is False)
    and a signature line for the key, or for each of a list of keys, appended, each ended
    by end."""
    assert manifest == b"" or manifest.endswith((b"\n", b"\r")), manifest
    if isinstance(private_keys, str):
        private_keys = [private_keys]
    if freshness:
        manifest += freshness_line(sequence, expires) + end
    return manifest + b"".join(signature_line(manifest, key) + end for key in private_keys)
