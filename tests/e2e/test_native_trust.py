"""The channel a maker can trust, with the Linux program: the cases of trust_cases.py.
libcurl verifies the servers' certificates against the system's bundle, in which the test
CA stands for the length of each run."""

import unittest

import trust_cases
from native_harness import NativeCase
from protocol import bind

# curl reports every fault of a certificate (its authority, its name, its dates) alike.
_CERTIFICATE_ERROR = {"(60) SSL peer certificate or SSH remote key was not OK."}


class NativeTrust(NativeCase):
    CERTIFICATE_ERRORS = {"untrusted": _CERTIFICATE_ERROR, "wrong-host": _CERTIFICATE_ERROR,
                          "expired": _CERTIFICATE_ERROR}
    HTTPS_THROUGH_PROXY = True


bind(trust_cases.CASES, NativeTrust, globals())

if __name__ == "__main__":
    unittest.main()
