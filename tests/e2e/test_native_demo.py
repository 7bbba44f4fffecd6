"""scripts/demo linux, as a newcomer runs it first: the release program offers ExampleApp's
update from the bundled manifest, the demonstration shows the page handed to the browser,
and it ends with the program's exit code, 0 after an answer, with no warning on the way.
Once without a display, the answer piped in, and once with a virtual display, where the
GTK dialog is answered with the Enter key. And the release tree it builds installs."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

from protocol import SOURCE_DIR

DEMO = os.path.join(SOURCE_DIR, "scripts", "demo")
# The first run builds the release tree.
BUILD_TIME = 1200
PAGE = "The page handed to the browser: http://www.example.com/exampleapp/7.1/"


def demo_environment(**extra):
    env = {name: value for name, value in os.environ.items()
           if name not in ("DISPLAY", "WAYLAND_DISPLAY", "KAVEXWEBUPD_DIALOGS")}
    env.update(extra)
    return env


class Demo(unittest.TestCase):
    def assertQuietAnswer(self, code, output):
        self.assertEqual(code, 0, output)
        self.assertIn("== The run is over (exit code 0).", output)
        self.assertIn(PAGE, output)
        for noise in ("CMake Warning", "LeakSanitizer", "runtime error"):
            self.assertNotIn(noise, output)

    def test_without_a_display_the_piped_answer_is_taken(self):
        # Enter confirms the offer as shown: visit the page.
        run = subprocess.run([DEMO, "--no-setup", "linux"], input="\n", capture_output=True,
                             text=True, timeout=BUILD_TIME, env=demo_environment())
        output = run.stdout + run.stderr
        self.assertQuietAnswer(run.returncode, output)
        self.assertIn("answered from standard input", output)

    def test_without_an_answer_nothing_is_visited(self):
        run = subprocess.run([DEMO, "--no-setup", "linux"], input="q\n", capture_output=True,
                             text=True, timeout=BUILD_TIME, env=demo_environment())
        output = run.stdout + run.stderr
        self.assertEqual(run.returncode, 0, output)
        self.assertNotIn("The page handed to the browser", output)

    def test_the_tree_it_builds_installs(self):
        # The demonstration builds the program alone in the release tree; what is installed
        # with it is built with it, so that the tree installs.
        run = subprocess.run([DEMO, "--no-setup", "linux"], input="q\n", capture_output=True,
                             text=True, timeout=BUILD_TIME, env=demo_environment())
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        with tempfile.TemporaryDirectory() as prefix:
            install = subprocess.run(["cmake", "--install", os.path.join(
                SOURCE_DIR, "build", "native-release"), "--prefix", prefix],
                capture_output=True, text=True, timeout=300)
            self.assertEqual(install.returncode, 0, install.stdout + install.stderr)
            for path in ("bin/kavexwebupd", "bin/kavexwebupd-manifest",
                         "share/man/man1/kavexwebupd.1.gz",
                         "lib/kavexwebupd/Locale/de/kavexwebupdexe.dat"):
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)
            with open(os.path.join(prefix, "share", "doc", "kavexwebupd", "examples",
                                   "kavexwebupd.service"), encoding="utf-8") as service:
                self.assertIn("\nExecStart=%s/bin/kavexwebupd 1\n" % prefix, service.read())

    @unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb, xdotool")
    def test_with_a_display_the_window_is_answered(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            display = ":" + pipe.readline().strip()
        self.addCleanup(xvfb.wait, 10)
        self.addCleanup(xvfb.terminate)
        env = demo_environment(DISPLAY=display)
        demo = subprocess.Popen([DEMO, "--no-setup", "linux"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                env=env)
        self.addCleanup(lambda: demo.poll() is None and (demo.kill(), demo.communicate()))
        window = None
        deadline = time.monotonic() + BUILD_TIME
        while window is None and demo.poll() is None and time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                    "^ExampleApp$"], capture_output=True, text=True, env=env)
            window = found.stdout.split()[-1] if found.stdout.split() else None
            time.sleep(0.5)
        self.assertIsNotNone(window, "no dialog: %s" % (demo.poll() is not None and
                                                        demo.communicate()[0]))
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True, env=env,
                       timeout=20)
        subprocess.run(["xdotool", "key", "Return"], check=True, env=env, timeout=20)
        output = demo.communicate(timeout=60)[0]
        self.assertQuietAnswer(demo.returncode, output)
        self.assertIn("in a window", output)


if __name__ == "__main__":
    unittest.main()
