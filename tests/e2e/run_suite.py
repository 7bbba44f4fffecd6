"""Runs one end-to-end suite and fails unless at least one of its cases ran and passed:
a suite whose every case was skipped (wine missing, a program not built) has tested
nothing, and must not count as passed.

    python3 run_suite.py <module>
"""

import sys
import unittest


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: run_suite.py <module>")
    suite = unittest.defaultTestLoader.loadTestsFromName(sys.argv[1])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    ran = result.testsRun - len(result.skipped)
    if not result.wasSuccessful():
        return 1
    if ran <= 0:
        print("FAILED: no case of %s ran (%d skipped)" % (sys.argv[1], len(result.skipped)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
