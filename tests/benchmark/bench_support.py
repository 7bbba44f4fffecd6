"""What the benchmarks share: running and timing commands, the loopback server, product
files and the native program's environment. Standard library only."""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
HTTP_SERVER = os.path.join(SOURCE_DIR, "tests", "support", "http_server.py")

SETTINGS_KEY = "Software\\Kavex\\WebUpdates"
MANIFEST_PATH = "/misc/update.ini"
PRODUCT_VERSION = "1.0"

# What the program and curl must not take from the caller: proxies, a display, settings.
_CLEARED = ("KAVEXWEBUPD_SETTINGS", "KAVEXWEBUPD_COMMON_APPDATA", "XDG_CONFIG_HOME",
            "DISPLAY", "WAYLAND_DISPLAY", "TZ")


def note(text):
    print(text, file=sys.stderr, flush=True)


class Failure(RuntimeError):
    pass


# ---- running and timing --------------------------------------------------------------

class Timing:
    """Wall times (seconds) of the runs of one command."""

    def __init__(self, label):
        self.label = label
        self.seconds = []

    @property
    def median(self):
        return statistics.median(self.seconds)


def run_once(command, env, cwd=None, status=0):
    """Runs command with its output in files (Wine's helpers inherit the handles and
    would hold a pipe open); returns (seconds, stdout, stderr). The command must end with
    the exit code status."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err)
        process.wait()
        seconds = time.perf_counter() - start
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read(), err.read()
    if process.returncode != status:
        raise Failure("%s ended with %d: %s" % (" ".join(command[:3]), process.returncode,
                                                stderr.decode(errors="replace")[-2000:]))
    return seconds, stdout, stderr


def peak_rss(command, env, runs=3):
    """The largest peak resident size (KiB) of some runs, as GNU time reports it. (The
    rusage of a child of this process would count the memory of the Python process it
    was forked from: Linux keeps the peak across exec.)"""
    with tempfile.NamedTemporaryFile() as report:
        peaks = []
        for _ in range(runs):
            run_once(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, env)
            report.seek(0)
            peaks.append(int(report.read().split()[-1]))
    return max(peaks)


def time_pair(runs, measured, baseline):
    """Times two commands, each given as (label, command, env, cwd), alternately: one
    warm-up run of each, then runs of each. Returns their Timings."""
    timings = []
    for label, command, env, cwd in (measured, baseline):
        run_once(command, env, cwd)
        timings.append(Timing(label))
    for _ in range(runs):
        for timing, (label, command, env, cwd) in zip(timings, (measured, baseline)):
            timing.seconds.append(run_once(command, env, cwd)[0])
    return timings


# ---- the loopback server ---------------------------------------------------------------

class Server:
    """tests/support/http_server.py serving one file, with a log of the requests."""

    def __init__(self, body_file, folder, tls=None):
        """tls: (certificate file, key file) to speak https, for localhost."""
        self.log = os.path.join(folder, "requests.log" if tls is None else "tls-requests.log")
        command = [sys.executable, HTTP_SERVER, "--port", "0", "--body-file", body_file,
                   "--log", self.log]
        if tls:
            command += ["--tls-certificate", tls[0], "--tls-key", tls[1]]
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE)
        line = self.process.stdout.readline().decode().split()
        if len(line) != 2 or line[0] != "port":
            self.stop()
            raise Failure("the HTTP server did not report its port")
        host = "https://localhost" if tls else "http://127.0.0.1"
        self.url = "%s:%s%s" % (host, line[1], MANIFEST_PATH)

    def requests(self):
        try:
            with open(self.log, encoding="latin-1") as log:
                return sum(1 for line in log if line.startswith("GET "))
        except FileNotFoundError:
            return 0

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


# ---- product files and the native program's settings ------------------------------------

def product_name(index):
    return "Bench Product %d" % index


def product_file(index):
    return ("<?xml version=\"1.0\"?>\n<ProductInfo>\n  <Name>%s</Name>\n"
            "  <Version>%s</Version>\n  <Locale></Locale>\n</ProductInfo>\n"
            % (product_name(index), PRODUCT_VERSION)).encode()


def write_product_files(folder, count):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for index in range(count):
        with open(os.path.join(folder, "bench%04d.xml" % index), "wb") as file:
            file.write(product_file(index))


def median_of(runs, command, env=None, status=0):
    run_once(command, env, status=status)
    return statistics.median(run_once(command, env, status=status)[0] for _ in range(runs))


def native_environment(root, url):
    settings = os.path.join(root, "settings.conf")
    with open(settings, "w") as file:
        file.write("[%s]\n\"URL\"=\"%s\"\n" % (SETTINGS_KEY, url))
    home = os.path.join(root, "home")
    os.makedirs(home, exist_ok=True)
    env = {name: value for name, value in os.environ.items()
           if name not in _CLEARED and "proxy" not in name.lower()}
    env.update({"KAVEXWEBUPD_SETTINGS": settings,
                "KAVEXWEBUPD_COMMON_APPDATA": os.path.join(root, "common"),
                "HOME": home, "LC_ALL": "C", "TZ": "UTC"})
    return env


def check_silent(command, env, server, products):
    """One run must stay silent and ask the server once per product: a run that found an
    update, failed early or skipped the download would measure something else."""
    before = server.requests()
    _, stdout, stderr = run_once(command, env)
    asked = server.requests() - before
    if stdout or stderr or asked != products:
        raise Failure("the silent run with %d products asked %d times and wrote %r %r"
                      % (products, asked, stdout[:200], stderr[:200]))


def ms(seconds):
    return "%.1f ms" % (seconds * 1000)
