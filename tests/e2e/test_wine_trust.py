"""The channel a maker can trust, with the Windows program under Wine: the cases of
trust_cases.py. WinINet verifies the servers' certificates through Wine's crypt32, which
reads the system's bundle, in which the test CA stands for the length of each run."""

import unittest

import trust_cases
from protocol import bind
from wine_case import WineCase


class WineTrust(WineCase):
    # WinINet tells each fault apart, in Wine's words. An authority it does not trust it
    # may report as 12057 (the revocation could not be checked), for which Wine's message
    # table has no text.
    CERTIFICATE_ERRORS = {
        "untrusted": {"(12057).", "(12045) The certificate authority is invalid or incorrect."},
        "wrong-host": {"(12038) SSL certificate common name (host name field) is incorrect."},
        "expired": {"(12037) SSL certificate date that was received from the server is bad. "
                    "The certificate is expired."},
    }
    # Wine's WinINet stops on a failed assertion (server->addr_len, netconnection.c) when
    # it opens an https tunnel through a proxy, so the address asked for cannot be seen
    # there; the built-in address is made by the same code on both platforms.
    HTTPS_THROUGH_PROXY = False


bind(trust_cases.CASES, WineTrust, globals())

if __name__ == "__main__":
    unittest.main()
