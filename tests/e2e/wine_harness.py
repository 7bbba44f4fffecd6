"""Runs the Windows build of KavexWebUpdate under Wine for the end-to-end suites.

A WineSession owns one temporary Wine prefix (and, when asked, its own Xvfb display) for
a whole suite: create it in setUpClass, call reset() in setUp, close() in tearDownClass.
The cases of the suites reach it through wine_case.WineCase. See
docs/testing-under-wine.md for a walk-through.

Texts that cross from Windows programs (the UI driver, the settings probe) are 8-bit;
they arrive as Python strings whose code points are the bytes (Latin-1), so
text.encode("latin-1") gives the bytes back. Standard library only.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import types

from protocol import BUILD_DIR, SETTINGS_KEY  # noqa: F401 (for the packaging smoke run)

PROGRAM_NAME = "kavexwebupd.exe"
PROGRAM_FOLDER = "C:\\Apps\\Kavex\\"
PROGRAM_PATH = PROGRAM_FOLDER + PROGRAM_NAME

COMMON_APPDATA = "C:\\ProgramData"
PRODUCT_FOLDER = COMMON_APPDATA + "\\Dexivane\\KavexWebUpdate\\"

# Registry value types as regedit writes them (hex(<type>):...).
REG_TYPES = {
    "REG_NONE": 0, "REG_SZ": 1, "REG_EXPAND_SZ": 2, "REG_BINARY": 3,
    "REG_DWORD": 4, "REG_DWORD_BIG_ENDIAN": 5, "REG_MULTI_SZ": 7, "REG_QWORD": 11,
}


class WineError(RuntimeError):
    """A Wine tool failed in a way the harness cannot go on from."""


# The build under test decides the prefix: the 32-bit program runs in a win32 prefix with
# the 32-bit loader. On a machine whose kernel runs no 32-bit programs the suites test the
# 64-bit build of the same sources in a win64 prefix instead (KWU_WINEARCH=win64, set by
# the build tree).
WINEARCH = os.environ.get("KWU_WINEARCH", "win32")
WINE = "/usr/lib/wine/wine64" if WINEARCH == "win64" else "wine"
WINESERVER = "wineserver"


def wine_available():
    return shutil.which(WINE) is not None


class UiScript:
    """One window for the UI driver: its exact title and the actions to perform on it
    (see tests/support/uidriver.c), e.g. UiScript("Kavex Web Update", "ok", "wait-gone").
    The timeout is generous: the first window of a fresh prefix on a busy machine is slow."""

    def __init__(self, title, *actions, timeout=45):
        self.title = title
        self.actions = list(actions)
        self.timeout = timeout


class UiResult:
    """What the driver printed for one UiScript: every window description (windows, the
    first when the window was found: window), its errors, and whether it went through."""

    def __init__(self, script, returncode, events):
        self.script, self.returncode, self.ok = script, returncode, returncode == 0
        self.events = events
        self.windows = [e for e in events if e.get("event") == "window"]
        self.window = self.windows[0] if self.windows else None
        self.errors = [e for e in events if e.get("event") == "error"]


def _parse_json_lines(data):
    return [json.loads(line) for line in data.decode("ascii", "replace").splitlines()
            if line.strip()]


def _execute(command, env, timeout, cwd=None, on_timeout=None):
    """Runs a command with its output in files, not pipes: Wine's background processes
    (services, explorer) inherit the output handles and would hold a pipe open long after
    the command ended. On timeout the command's process group is killed and on_timeout
    (if given) called."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err, start_new_session=True)
        timed_out = False
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            if on_timeout:
                on_timeout()
            process.wait()
        out.seek(0)
        err.seek(0)
        return types.SimpleNamespace(returncode=process.returncode, stdout=out.read(),
                                     stderr=err.read(), timed_out=timed_out)


def _parse_reg_string(text, start):
    """The text of a quoted .reg string beginning at text[start] == '"', and the index
    after its closing quote."""
    chars = []
    i = start + 1
    while text[i] != '"':
        if text[i] == "\\":
            i += 1
        chars.append(text[i])
        i += 1
    return "".join(chars), i + 1


def _find_exported_value(text, key, name):
    # Continued lines (a backslash at the end) belong to the line before.
    text = text.replace("\\\r\n  ", "").replace("\\\n  ", "")
    in_key = False
    for line in text.splitlines():
        if line.startswith("["):
            in_key = line[1:-1].lower() == key.lower()
            continue
        if not in_key or not line:
            continue
        if line.startswith("@="):
            value_name, rest = "", line[2:]
        elif line.startswith('"'):
            value_name, after = _parse_reg_string(line, 0)
            rest = line[after + 1:]
        else:
            continue
        if value_name.lower() != (name or "").lower():
            continue
        if rest.startswith('"'):
            return "REG_SZ", _parse_reg_string(rest, 0)[0]
        if rest.startswith("dword:"):
            return "REG_DWORD", int(rest[6:], 16)
        kind, _, data = rest.partition(":")
        code = 3 if kind == "hex" else int(kind[4:-1], 16)
        names = {v: k for k, v in REG_TYPES.items()}
        return names.get(code, code), bytes.fromhex(data.replace(",", ""))
    return None


def _reg_quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


class WineSession:
    """A private Wine prefix, optionally with a private X display."""

    def __init__(self, display=False, program_dir=None, fonts=None):
        """fonts: the only font families Wine may draw with (their regular and bold
        faces), so that text is drawn alike on every machine, whatever else is installed;
        None for all installed fonts."""
        self.want_display = display
        self.fonts = fonts
        self.build = BUILD_DIR
        self.program_dir = program_dir or os.path.join(self.build, "src")
        self.support_dir = os.path.join(self.build, "tests", "support")
        self.base = None
        self.prefix = None
        self.display = None
        self._xvfb = None
        self._cleanups = []
        self.env = None

    # ---- lifecycle --------------------------------------------------------------

    def start(self):
        self.base = tempfile.mkdtemp(prefix="kwu-wine-")
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def _start(self):
        self.prefix = os.path.join(self.base, "prefix")
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "TZ"):
            env.pop(name, None)
        # WinINet follows http_proxy and the like; the suites' servers are on loopback.
        for name in [name for name in env if "proxy" in name.lower()]:
            del env[name]
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": WINEARCH,
            "WINEDEBUG": "-all",
            # No Mono/Gecko installer prompts, no menu entries in the user's home.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            "LC_ALL": "C.UTF-8",
            "HOME": self.base,
            "XDG_CONFIG_HOME": os.path.join(self.base, ".config"),
            "XDG_DATA_HOME": os.path.join(self.base, ".local", "share"),
        })
        self.env = env
        if self.fonts:
            self._limit_fonts(self.fonts)
        if self.want_display:
            self._start_xvfb()
        self._boot_prefix()
        self._start_wineserver()
        # Without a window manager, Wine waits for every hidden window; unmanaged windows
        # avoid it.
        self.reg_add("Software\\Wine\\X11 Driver", "Managed", "N")
        self.install_program()
        self.reset()

    def _boot_prefix(self):
        # Booting a prefix takes seconds; a run of all suites boots one template
        # (KWU_WINE_TEMPLATE, made by make_template) and each suite copies it.
        template = os.environ.get("KWU_WINE_TEMPLATE")
        if template and os.path.isdir(os.path.join(template, "drive_c")):
            shutil.copytree(template, self.prefix, symlinks=True)
            return
        self._tool([WINE, "wineboot", "-i"], timeout=300)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            # -noreset: the server would otherwise start over each time its last client
            # goes, and a program connecting just then would wait for ever.
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip() if select.select([pipe], [], [], 30)[0] else b""
        if not number:
            raise WineError("Xvfb did not report its display")
        self.display = self.env["DISPLAY"] = ":" + number.decode()

    def _limit_fonts(self, families):
        # Wine takes the fonts from fontconfig: a configuration in the temporary folder
        # names one folder, with links to the chosen faces.
        folder = os.path.join(self.base, "fonts")
        os.makedirs(folder)
        for family in families:
            found = set()
            for weight in (80, 200):  # regular, bold
                listed = subprocess.run(
                    ["fc-list", "-f", "%{file}\n",
                     ":family=%s:weight=%d:slant=0:width=100" % (family, weight)],
                    capture_output=True, text=True, check=True).stdout
                found.update(listed.split())
            if not found:
                raise WineError("the font %s is not installed (scripts/setup installs it)"
                                % family)
            for path in found:
                os.symlink(path, os.path.join(folder, os.path.basename(path)))
        config = os.path.join(self.base, "fonts.conf")
        with open(config, "w") as f:
            f.write('<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>%s</cachedir>'
                    '</fontconfig>\n' % (folder, os.path.join(self.base, "fontcache")))
        self.env["FONTCONFIG_FILE"] = config

    def _start_wineserver(self):
        # A persistent server keeps the prefix warm between the runs of a suite. The one
        # left by an earlier tool is waited for first, since only one server may run.
        self._tool([WINESERVER, "-w"], timeout=60, check=False)
        self._tool([WINESERVER, "-p"], timeout=60, check=False)

    def add_cleanup(self, function, *args):
        """Registers a call for close(), e.g. stopping a loopback HTTP server."""
        self._cleanups.append((function, args))

    def close(self):
        while self._cleanups:
            function, args = self._cleanups.pop()
            try:
                function(*args)
            except Exception:  # a failed cleanup must not keep the others from running
                pass
        if self.prefix and os.path.isdir(self.prefix):
            self._tool([WINESERVER, "-k"], check=False)
            self._tool([WINESERVER, "-w"], check=False)
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        if self.base:
            shutil.rmtree(self.base, ignore_errors=True)
            self.base = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def reset(self):
        """Back to the state a case starts from: no settings key, no product folder,
        C:\\ProgramData present, no recorded browser calls."""
        self.reg_delete_key("Software\\Kavex")
        self.restore_program_data()
        shutil.rmtree(self.unix_path(COMMON_APPDATA + "\\Dexivane"), ignore_errors=True)
        scratch = self.unix_path("C:\\kwu")
        shutil.rmtree(scratch, ignore_errors=True)
        os.makedirs(scratch)
        if os.path.exists(self._browser_log()):
            os.remove(self._browser_log())

    # ---- paths ------------------------------------------------------------------

    def unix_path(self, windows_path):
        """The host path of a path on the prefix's drive C:."""
        if not windows_path[:2].upper() == "C:":
            raise ValueError("only paths on C: are in the prefix: " + windows_path)
        rest = windows_path[2:].replace("\\", "/").lstrip("/")
        return os.path.join(self.prefix, "drive_c", rest)

    def write_file(self, windows_path, content):
        path = self.unix_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.encode("latin-1") if isinstance(content, str) else content)
        return path

    # ---- the program -------------------------------------------------------------

    def install_program(self):
        """Copies kavexwebupd.exe and its Locale folder into C:\\Apps\\Kavex\\."""
        folder = self.unix_path(PROGRAM_FOLDER)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy2(os.path.join(self.program_dir, PROGRAM_NAME), folder)
        for candidate in (os.path.join(self.program_dir, "Locale"),
                          os.path.join(self.build, "Locale")):
            if os.path.isdir(candidate):
                shutil.copytree(candidate, os.path.join(folder, "Locale"))
                break

    def support_program(self, name):
        return os.path.join(self.support_dir, name)

    def run(self, args=(), ui=None, tz=None, env=None, timeout=60, program=PROGRAM_PATH,
            cwd=PROGRAM_FOLDER, wrapper=None, locale=None):
        """Runs a Windows program (the installed kavexwebupd.exe unless told otherwise)
        with args, and the UI driver for each UiScript of ui in turn while it runs.

        tz sets the machine's time zone (an Olson name such as "Europe/Berlin") as a
        Windows machine has it: Wine takes it from TZ, the program's runtime sees no TZ.
        A run that outlasts timeout is ended (with everything else in the prefix) and
        reported with timed_out set, so a stuck dialog fails its case instead of hanging.
        wrapper: a command prefix for the wine command, e.g. one that runs it in a
        loopback-only network namespace.
        locale: the system locale of the program and the UI driver (e.g. "ru_RU.UTF-8"),
        from which Wine takes their ANSI code page (1251 there); installed locales only.
        """
        scripts = [ui] if isinstance(ui, UiScript) else list(ui or [])
        run_env = dict(self.env)
        if locale:
            run_env["LC_ALL"] = locale
        driver_env = dict(run_env)
        if tz:
            run_env["TZ"] = tz
        for name, value in (env or {}).items():
            if value is None:
                run_env.pop(name, None)
            else:
                run_env[name] = value
        command = list(wrapper or []) + [WINE, self.support_program("winrun.exe"), program,
                                         *args]
        results = []
        driver_thread = None
        if scripts:
            if not self.display:
                raise WineError("UI scripts need a session started with display=True")
            driver_thread = threading.Thread(target=self._drive,
                                             args=(scripts, results, driver_env))
            driver_thread.start()
        done = _execute(command, run_env, timeout, cwd=self.unix_path(cwd),
                        on_timeout=self._restart_prefix_processes)
        if driver_thread:
            driver_thread.join()
        done.ui = results
        return done

    def _drive(self, scripts, results, env):
        for script in scripts:
            command = [WINE, self.support_program("uidriver.exe"),
                       "--timeout", str(script.timeout), "--title", script.title]
            command += script.actions
            done = _execute(command, env, script.timeout + 60)
            results.append(UiResult(script, None if done.timed_out else done.returncode,
                                    _parse_json_lines(done.stdout)))
            if results[-1].returncode != 0:
                break  # later windows depend on this one

    def _restart_prefix_processes(self):
        # Ends whatever else the stuck run left in the prefix, then starts afresh.
        self._tool([WINESERVER, "-k"], check=False)
        self._tool([WINESERVER, "-w"], check=False)
        self._start_wineserver()

    def set_dpi(self, dpi):
        """The screen's dots per inch as the Display settings set them (96 is 100 %); the
        prefix's processes start again, since Wine reads it when they start."""
        self.reg_add("Control Panel\\Desktop", "LogPixels", dpi, kind="REG_DWORD")
        self._restart_prefix_processes()

    def probe(self, *arguments, tz=None, timeout=60):
        """Runs tests/support/settings_probe.exe with the arguments (several commands may
        follow one another) and returns the JSON object each command printed."""
        result = self.run(arguments, tz=tz, timeout=timeout,
                          program=self.support_program("settings_probe.exe"), cwd="C:\\")
        if result.timed_out or result.returncode != 0:
            raise WineError("settings_probe failed (%s): %s" % (
                result.returncode, result.stderr.decode(errors="replace")))
        return _parse_json_lines(result.stdout)

    # ---- registry (HKEY_CURRENT_USER) --------------------------------------------

    def _tool(self, args, timeout=60, check=True):
        done = _execute(args, self.env, timeout)
        if check and (done.timed_out or done.returncode != 0):
            raise WineError("%s failed (%d): %s" % (
                " ".join(args[:3]), done.returncode, done.stderr.decode(errors="replace")))
        return done

    def _wine(self, args, timeout=60, check=True):
        return self._tool([WINE] + args, timeout, check)

    def reg_add(self, key, name, data, kind="REG_SZ"):
        """Sets a value with `wine reg add`. name None or "" is the key's default value.
        data: text for REG_SZ/REG_EXPAND_SZ, a number for REG_DWORD, bytes for REG_BINARY."""
        if kind == "REG_BINARY" and isinstance(data, (bytes, bytearray)):
            data = data.hex()
        args = ["reg", "add", "HKCU\\" + key]
        args += ["/ve"] if not name else ["/v", name]
        args += ["/t", kind, "/d", str(data), "/f"]
        # `reg add` fails now and then on a busy machine, with exit code 1 and nothing on
        # standard error; the value is set once more before the suite gives up.
        if self._wine(args, check=False).returncode != 0:
            time.sleep(0.5)
            self._wine(args)

    def reg_set_raw(self, key, name, data, kind="REG_SZ"):
        """Stores exactly the given bytes under a type (a name of REG_TYPES or a number),
        through a regedit import: for data that `reg add` cannot express, such as a
        string without its terminating zero."""
        code = REG_TYPES.get(kind, kind)
        value_name = "@" if not name else _reg_quote(name)
        lines = ["REGEDIT4", "", "[HKEY_CURRENT_USER\\%s]" % key,
                 "%s=hex(%x):%s" % (value_name, code, ",".join("%02x" % b for b in data)), ""]
        path = os.path.join(self.base, "import.reg")
        with open(path, "w", encoding="latin-1", newline="\r\n") as f:
            f.write("\n".join(lines))
        self._wine(["regedit", "/S", path])

    def reg_export(self, key):
        """The text of a `wine reg export` of the key (which keeps every character
        exact), or None when the key does not exist."""
        path = os.path.join(self.base, "export.reg")
        if os.path.exists(path):
            os.remove(path)
        if self._wine(["reg", "export", "HKCU\\" + key, path, "/y"], check=False).returncode:
            return None
        with open(path, "rb") as f:
            return f.read().decode("utf-16")

    def reg_query(self, key, name):
        """(type name, data) of a value, or None when the key or the value does not exist;
        name None or "" is the default value. Data: text for REG_SZ, a number for
        REG_DWORD, bytes for the other types."""
        text = self.reg_export(key)
        return text and _find_exported_value(text, "HKEY_CURRENT_USER\\" + key, name)

    def reg_delete_key(self, key):
        self._wine(["reg", "delete", "HKCU\\" + key, "/f"], check=False)

    # ---- product description files and the common application-data folder -------

    def put_product_file(self, name, content):
        """Writes a product description file (text as Latin-1 bytes, or bytes) into
        C:\\ProgramData\\Dexivane\\KavexWebUpdate\\ and returns its host path."""
        return self.write_file(PRODUCT_FOLDER + name, content)

    def remove_program_data(self):
        """Takes C:\\ProgramData away, so the shell cannot give the common
        application-data folder; reset() brings it back."""
        os.rename(self.unix_path(COMMON_APPDATA), self._hidden_program_data())

    def restore_program_data(self):
        hidden = self._hidden_program_data()
        if os.path.isdir(hidden):
            os.rename(hidden, self.unix_path(COMMON_APPDATA))

    def _hidden_program_data(self):
        return os.path.join(self.base, "ProgramData.removed")

    # ---- the browser hook -----------------------------------------------------------

    def install_browser_recorder(self):
        """Points winebrowser (what ShellExecute of an http URL starts) at a script that
        records each URL instead of opening a browser; see browser_urls()."""
        script = os.path.join(self.base, "record-browser")
        with open(script, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self._browser_log())
        os.chmod(script, 0o755)
        self.reg_add("Software\\Wine\\WineBrowser", "Browsers", script)

    def browser_urls(self):
        try:
            with open(self._browser_log(), encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def _browser_log(self):
        return os.path.join(self.base, "browser.log")


def make_template(folder):
    """Boots a fresh prefix into folder, for the suites of one test run to copy."""
    shutil.rmtree(folder, ignore_errors=True)
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    env.update({"WINEPREFIX": folder, "WINEARCH": WINEARCH, "WINEDEBUG": "-all",
                "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"})
    home = tempfile.mkdtemp(prefix="kwu-wine-home-")
    env["HOME"] = home
    try:
        done = _execute([WINE, "wineboot", "-i"], env, 300)
        if done.timed_out or done.returncode != 0:
            raise WineError("wineboot failed (%s): %s" % (
                done.returncode, done.stderr.decode(errors="replace")))
        _execute([WINESERVER, "-w"], env, 120)
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    import sys
    if len(sys.argv) != 3 or sys.argv[1] != "--make-template":
        sys.exit("usage: wine_harness.py --make-template FOLDER")
    make_template(sys.argv[2])
