#!/usr/bin/python3
"""Measures the programs against baselines timed in the same run and prints one table.

Run by scripts/benchmark, which builds the programs and starts this inside a network
namespace that has only loopback. Every figure is a ratio to a baseline measured here
and now, so that a busy or slow machine changes both sides alike:

- the native program's silent run (one product, no update) against curl fetching the
  same manifest from the same loopback server;
- the silent run with 1,000 product files against the one with 100;
- FindFileArgs on a 50 MB manifest against grep -c on the same file;
- the sizes of the Windows and the Linux program against the size limit, and the
  native run's peak memory against curl's;
- under Wine, the Windows program's silent run against wininet_get.exe, one WinINet GET
  of the same manifest;
- with a build that has https and a manifest key, its silent run over https against curl,
  and the check of a 1 MB manifest's signature against openssl dgst -verify
  (trust_benchmarks.py).

Each command runs --runs times after one warm-up run, alternating with its baseline, and
the median counts. Progress and the machine's description go to standard error, the
table (Markdown) to standard output.

Standard library only.
"""

import argparse
import os
import platform
import shutil
import subprocess
import sys
import tempfile

from bench_support import (SETTINGS_KEY, _CLEARED, Failure, Server, check_silent, median_of,
                           ms, native_environment, note, peak_rss, run_once, time_pair,
                           write_product_files)
import trust_benchmarks

SIZE_LIMIT = 262144


# ---- files -------------------------------------------------------------------------------

def small_manifest():
    """A manifest of other products: no section for any product of the runs."""
    lines = ["; Kavex products"]
    for index in range(20):
        lines += ["[Other Product %d 2.0]" % index,
                  "FileArgs=http://127.0.0.1/other%d.html" % index,
                  "[Other Product %d 2.0 en]" % index, "Sections=Other Product %d 2.0" % index]
    return ("\r\n".join(lines) + "\r\n").encode()


def large_manifest(path, sections=100000, filler_length=215):
    """About 50 MB: sections of some 500 bytes, the last one the wanted. Returns the
    wanted (name, version key)."""
    filler = "x" * filler_length
    with open(path, "w", newline="") as file:
        file.write("; generated manifest\r\n")
        for index in range(sections):
            name = "Product%d" % index
            file.write("[%s 1.0 en]\r\n; %s\r\nOther=%s\r\nFileArgs=http://server/%s.html\r\n"
                       % (name, filler, filler, name))
    return "Product%d" % (sections - 1), "1.0 en"


# ---- the native rows -------------------------------------------------------------------

def native_rows(args, root, server, rows):
    program = os.path.join(args.native_build, "src", "kavexwebupd")
    env = native_environment(root, server.url)
    products = os.path.join(root, "common", "Dexivane", "KavexWebUpdate")

    write_product_files(products, 1)
    check_silent([program, "1"], env, server, 1)
    note("native: silent run against curl, %d runs" % args.runs)
    silent, curl = time_pair(args.runs, ("kavexwebupd 1", [program, "1"], env, None),
                             ("curl", ["curl", "-s", "-o", "/dev/null", server.url], env, None))
    rows.append(("Silent run, 1 product, no update (native release)",
                 ms(silent.median), "curl -s: " + ms(curl.median),
                 silent.median / curl.median, "1.1x measured before"))

    many = {}
    for count in (100, 1000):
        write_product_files(products, count)
        check_silent([program, "1"], env, server, count)
    runs = max(3, args.runs // 2)
    note("native: silent runs with 100 and 1,000 products, %d runs" % runs)
    for count in (100, 1000):
        write_product_files(products, count)
        many[count] = median_of(runs, [program, "1"], env)
    rows.append(("Silent run, 1,000 products against 100 (none with an update)",
                 ms(many[1000]), "100 products: " + ms(many[100]),
                 many[1000] / many[100], "at most 10 (linear)"))
    write_product_files(products, 1)
    memory = (peak_rss([program, "1"], env),
              peak_rss(["curl", "-s", "-o", "/dev/null", server.url], env))
    return memory


def lookup_row(args, root, rows):
    manifest = os.path.join(root, "large.ini")
    name, key = large_manifest(manifest)
    size = os.path.getsize(manifest)
    timing = os.path.join(args.native_build, "tests", "find_file_args_timing")
    note("lookup: FindFileArgs and grep -c on %.1f MB" % (size / 1e6))
    _, out, _ = run_once([timing, manifest, name, key, str(max(5, args.runs))], None)
    fields = out.decode().split()
    lookup_seconds = float(fields[fields.index("median_seconds") + 1])
    header = "[%s %s]" % (name, key)
    grep = ["grep", "-c", "-F", "-x", header + "\r", manifest]
    grep_env = dict(os.environ, LC_ALL="C")
    _, count, _ = run_once(grep, grep_env)
    if count.strip() != b"1":
        raise Failure("grep -c found the wanted section %r times" % count.strip())
    # grep starts in tens of milliseconds on a slow machine: the time of the same search
    # in an empty file is taken off, so that only its reading of the manifest counts.
    empty = os.path.join(root, "empty.ini")
    open(empty, "wb").close()
    grep_runs = max(5, args.runs)
    grep_seconds = median_of(grep_runs, grep, grep_env)
    start_seconds = median_of(grep_runs, grep[:-1] + [empty], grep_env, status=1)
    lookup_rate = size / lookup_seconds / 1e6
    grep_rate = size / max(grep_seconds - start_seconds, 1e-6) / 1e6
    rows.append(("FindFileArgs, %.0f MB manifest, 100,000 sections, wanted one last"
                 % (size / 1e6), "%.0f MB/s" % lookup_rate,
                 "grep -c: %.0f MB/s (%.0f ms start-up off)" % (grep_rate, start_seconds * 1000),
                 lookup_rate / grep_rate, "at least 1,500 MB/s"))


def size_rows(args, memory, rows):
    exe = os.path.join(args.win32_build, "src", "kavexwebupd.exe")
    native = os.path.join(args.native_build, "src", "kavexwebupd")
    for label, path in (("Size of kavexwebupd.exe (32-bit Windows, release)", exe),
                        ("Size of kavexwebupd (native release)", native)):
        size = os.path.getsize(path)
        rows.append((label, "{:,} B".format(size), "limit: {:,} B".format(SIZE_LIMIT),
                     size / SIZE_LIMIT, "at most 1.00 (exe)" if path == exe else "-"))
    rows.append(("Peak RSS of the silent run (native release)",
                 "{:,} KiB".format(memory[0]), "curl -s: {:,} KiB".format(memory[1]),
                 memory[0] / memory[1], "-"))


# ---- under Wine ----------------------------------------------------------------------------

class WinePrefix:
    """One warm prefix with a persistent wineserver, for every Wine run."""

    def __init__(self, root, arch):
        self.arch = arch
        self.wine = "/usr/lib/wine/wine64" if arch == "win64" else "wine"
        self.base = os.path.join(root, "wine")
        self.prefix = os.path.join(self.base, "prefix")
        os.makedirs(self.base)
        env = {name: value for name, value in os.environ.items()
               if name not in _CLEARED and "proxy" not in name.lower()}
        env.update({"WINEPREFIX": self.prefix, "WINEARCH": arch, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
                    "LC_ALL": "C.UTF-8", "HOME": self.base,
                    "XDG_CONFIG_HOME": os.path.join(self.base, ".config"),
                    "XDG_DATA_HOME": os.path.join(self.base, ".local", "share")})
        self.env = env
        self.started = False

    def start(self):
        note("wine: booting a %s prefix" % self.arch)
        run_once([self.wine, "wineboot", "-i"], self.env)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=60)
        self.started = True

    def stop(self):
        if self.started:
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)

    def unix_path(self, windows_path):
        return os.path.join(self.prefix, "drive_c", windows_path[3:].replace("\\", "/"))

    def copy_in(self, source, windows_folder):
        folder = self.unix_path(windows_folder)
        os.makedirs(folder, exist_ok=True)
        shutil.copy2(source, folder)
        return windows_folder + "\\" + os.path.basename(source)

    def command(self, windows_program, *args):
        return [self.wine, windows_program] + list(args)


def wine_row(args, server, rows):
    prefix = WinePrefix(args.root, args.wine_arch)
    try:
        prefix.start()
        build = args.wine_build
        program = prefix.copy_in(os.path.join(build, "src", "kavexwebupd.exe"), "C:\\Apps\\Kavex")
        locale = os.path.join(build, "src", "Locale")
        if os.path.isdir(locale):
            shutil.copytree(locale, prefix.unix_path("C:\\Apps\\Kavex\\Locale"))
        getter = prefix.copy_in(os.path.join(build, "tests", "wininet_get.exe"), "C:\\Apps\\Bench")
        run_once(prefix.command("reg", "add", "HKCU\\" + SETTINGS_KEY, "/v", "URL", "/t",
                                "REG_SZ", "/d", server.url, "/f"), prefix.env)
        folder = prefix.unix_path("C:\\ProgramData\\Dexivane\\KavexWebUpdate")
        write_product_files(folder, 1)
        cwd = prefix.unix_path("C:\\Apps\\Kavex")
        check_silent(prefix.command(program, "1"), prefix.env, server, 1)
        # The baseline must read the whole manifest, as the program does.
        _, got, _ = run_once(prefix.command(getter, server.url), prefix.env, cwd)
        if got.strip() != str(len(small_manifest())).encode():
            raise Failure("wininet_get.exe read %r bytes of %d" % (got.strip(),
                                                                   len(small_manifest())))
        note("wine: silent run against wininet_get.exe, %d runs" % args.runs)
        silent, get = time_pair(
            args.runs, ("kavexwebupd.exe 1", prefix.command(program, "1"), prefix.env, cwd),
            ("wininet_get.exe", prefix.command(getter, server.url), prefix.env, cwd))
        rows.append(("Silent run under Wine, 1 product, no update (%s build, %s Wine)"
                     % ("64-bit" if args.wine_arch == "win64" else "32-bit",
                        "64-bit" if args.wine_arch == "win64" else "32-bit"),
                     ms(silent.median), "wininet_get.exe: " + ms(get.median),
                     silent.median / get.median, "within 1.3x (3.7x before)"))
    finally:
        prefix.stop()


# ---- the table -------------------------------------------------------------------------------

def print_table(rows):
    header = ("Measure", "Figure", "Baseline (same run)", "Ratio", "Expected")
    lines = [header, ("---",) * 5]
    lines += [(label, figure, baseline, "%.2f" % ratio, expected)
              for label, figure, baseline, ratio, expected in rows]
    for line in lines:
        print("| " + " | ".join(line) + " |")


def describe_machine():
    model = "unknown"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    note("machine: %d processors (nproc), %s, Linux %s"
         % (len(os.sched_getaffinity(0)), model, platform.release()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--native-build", required=True, help="the native release build tree")
    parser.add_argument("--win32-build", required=True, help="the 32-bit Windows build tree")
    parser.add_argument("--wine-build", help="the Windows build tree run under Wine")
    parser.add_argument("--wine-arch", choices=("win32", "win64"), default="win32")
    parser.add_argument("--trust-build", help="the native build with https and a key")
    parser.add_argument("--trust-key", help="the private key of that build's public key")
    parser.add_argument("--runs", type=int, default=20)
    args = parser.parse_args()

    describe_machine()
    rows = []
    root = tempfile.mkdtemp(prefix="kwu-bench-")
    args.root = root
    manifest = os.path.join(root, "update.ini")
    with open(manifest, "wb") as file:
        file.write(small_manifest())
    server = Server(manifest, root)
    try:
        memory = native_rows(args, root, server, rows)
        lookup_row(args, root, rows)
        size_rows(args, memory, rows)
        if args.trust_build:
            trust_benchmarks.trust_rows(args, root, manifest, rows)
        if args.wine_build:
            wine_row(args, server, rows)
    except Failure as failure:
        note("benchmark failed: %s" % failure)
        return 1
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)
    print_table(rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
