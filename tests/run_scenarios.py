#!/usr/bin/env python3
"""Runs the end-to-end scenarios against a real installer binary.

A scenario is a folder under tests/scenarios/ holding a script, its payload and
its expectations (the format is described in tests/README.md). For each one the
installer is copied next to the script and payload in a fresh temporary folder,
as on installation media, and started from another directory, so that every
relative path must resolve against the installer's own folder.

  posix: the POSIX build; every scenario gets a fresh emulated machine.
  wine:  the x86_64 Win32 build under wine64; the scenarios of one run share
         one fresh Wine prefix, kept alive by one persistent wineserver.

Prints one PASS/FAIL line per scenario (with what differed) and ends with the
line "N passed, N failed". Exits 1 when any scenario failed.
"""

import argparse
import datetime
import difflib
import os
import pwd
import shutil
import signal
import struct
import subprocess
import sys
import tempfile

# Files of a scenario folder that describe the run instead of being payload.
RESERVED = {"args", "exit", "stdout", "stderr", "env", "platforms", "check", "dates"}
DEFAULT_ARGS = "-silent script.txt"
RUN_TIMEOUT = {"posix": 60, "wine": 90}
WINE_LOADER = "/usr/lib/wine/wine64"
WINE_SERVER = "/usr/lib/wine/wineserver"


class ScenarioError(Exception):
    """A scenario that is malformed or could not be run at all."""


# ---------------------------------------------------------------- scenario data

def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8")


def normalise_lines(text):
    return text.replace("\r\n", "\n")


class Scenario:
    def __init__(self, folder):
        self.folder = folder
        self.name = os.path.basename(folder)

    def has(self, name):
        return os.path.isfile(os.path.join(self.folder, name))

    def text(self, name, default=None):
        return read_text(os.path.join(self.folder, name)) if self.has(name) else default

    def arguments(self):
        text = self.text("args", DEFAULT_ARGS)
        # Both entries hand the installer its arguments joined by single blanks,
        # so only the tokens matter; their exact spacing cannot be preserved
        # through wine's command-line quoting anyway.
        return text.split()

    def expected_exit(self):
        text = self.text("exit", "0").strip()
        try:
            return int(text)
        except ValueError:
            raise ScenarioError("exit: not a number: %r" % text)

    def platforms(self):
        words = self.text("platforms", "posix wine").split()
        unknown = set(words) - {"posix", "wine"}
        if unknown:
            raise ScenarioError("platforms: unknown word(s): %s" % " ".join(sorted(unknown)))
        return words

    def environment(self):
        if self.has("env") and "wine" in self.platforms():
            raise ScenarioError("env applies to the POSIX run only: "
                                "add a platforms file saying posix")
        env = {}
        for line in self.text("env", "").splitlines():
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            key, sep, value = line.partition("=")
            if not sep:
                raise ScenarioError("env: expected KEY=VALUE, got %r" % line)
            env[key.strip()] = value
        return env

    def check_lines(self):
        lines = []
        for number, line in enumerate(self.text("check", "").splitlines(), 1):
            stripped = line.strip()
            if stripped and not stripped.startswith("#"):
                lines.append((number, stripped))
        return lines

    def dates(self):
        """(relative path, POSIX time) pairs: 'path YYYY-MM-DD HH:MM:SS', UTC."""
        result = []
        for line in self.text("dates", "").splitlines():
            parts = line.split()
            if not parts or parts[0].startswith("#"):
                continue
            if len(parts) < 3:
                raise ScenarioError("dates: expected 'path YYYY-MM-DD HH:MM:SS', got %r" % line)
            stamp = datetime.datetime.strptime(" ".join(parts[-2:]), "%Y-%m-%d %H:%M:%S")
            stamp = stamp.replace(tzinfo=datetime.timezone.utc)
            result.append((" ".join(parts[:-2]), stamp.timestamp()))
        return result


def discover(root, names):
    folders = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))
    if names:
        missing = [n for n in names if n not in folders]
        if missing:
            raise SystemExit("no such scenario: %s" % ", ".join(missing))
        folders = [f for f in folders if f in names]
    return [Scenario(os.path.join(root, f)) for f in folders]


# ---------------------------------------------------------------- check lines

def tokenize(text, count):
    """Splits off up to `count` leading tokens; returns (tokens, rest).

    A token is a run of non-blanks, or a double-quoted run that may hold
    blanks (no escapes inside). rest is the remaining text, stripped."""
    tokens = []
    rest = text.strip()
    while rest and len(tokens) < count:
        if rest[0] == '"':
            end = rest.find('"', 1)
            if end < 0:
                raise ScenarioError("unterminated quote in %r" % text)
            tokens.append(rest[1:end])
            rest = rest[end + 1:].lstrip()
        else:
            end = len(rest)
            for i, ch in enumerate(rest):
                if ch.isspace():
                    end = i
                    break
            tokens.append(rest[:end])
            rest = rest[end:].lstrip()
    return tokens, rest


def user_name():
    try:
        return pwd.getpwuid(os.getuid()).pw_name
    except KeyError:
        return os.environ.get("USER", "user")


ROOT_ALIASES = {
    "HKLM": "HKEY_LOCAL_MACHINE",
    "HKCU": "HKEY_CURRENT_USER",
    "HKCR": "HKEY_CLASSES_ROOT",
    "HKU": "HKEY_USERS",
    "HKCC": "HKEY_CURRENT_CONFIG",
}


def canonical_key(path):
    """Lower-cased key path with the views of other keys spelled out, so that
    HKEY_CURRENT_USER\\X and HKEY_USERS\\<user>\\X compare equal."""
    parts = [p for p in path.replace("/", "\\").split("\\") if p]
    if not parts:
        return ""
    root = ROOT_ALIASES.get(parts[0].upper(), parts[0].upper())
    views = {
        "HKEY_CLASSES_ROOT": ["HKEY_LOCAL_MACHINE", "Software", "Classes"],
        "HKEY_CURRENT_USER": ["HKEY_USERS", user_name()],
        "HKEY_CURRENT_CONFIG": ["HKEY_LOCAL_MACHINE", "System", "CurrentControlSet",
                                "Hardware Profiles", "Current"],
    }
    parts = views.get(root, [root]) + parts[1:]
    return "\\".join(parts).lower()


def parse_reg_string(text, start):
    """Parses a quoted REGEDIT string at text[start] == '"'; returns (value, end)."""
    out = []
    i = start + 1
    while i < len(text):
        ch = text[i]
        if ch == "\\" and i + 1 < len(text):
            out.append(text[i + 1])
            i += 2
        elif ch == '"':
            return "".join(out), i + 1
        else:
            out.append(ch)
            i += 1
    raise ScenarioError("unterminated string in registry line %r" % text)


def parse_reg_data(data):
    """A REGEDIT value's data text as a comparable (type, value) pair."""
    data = data.strip()
    if data.startswith('"'):
        value, _ = parse_reg_string(data, 0)
        return ("sz", value)
    lower = data.lower()
    if lower.startswith("dword:"):
        return ("dword", int(lower[6:], 16))
    if lower.startswith("hex"):
        kind, _, body = lower.partition(":")
        if kind == "hex":
            kind = "hex(3)"
        else:
            kind = "hex(%x)" % int(kind[4:-1], 16)
        body = body.replace("\\", "").replace(" ", "")
        values = bytes(int(b, 16) for b in body.split(",") if b)
        return (kind, values)
    if data == "-":
        return ("deleted", None)
    raise ScenarioError("unknown registry data %r" % data)


def parse_expected_data(text):
    """The expected data of a regvalue check: "text" (taken literally between
    the outer quotes), dword:0000001f, hex:0a,ff or hex(N):.."""
    text = text.strip()
    if len(text) >= 2 and text.startswith('"') and text.endswith('"'):
        return ("sz", text[1:-1])
    return parse_reg_data(text)


def describe_data(pair):
    kind, value = pair
    if kind == "sz":
        return '"%s"' % value
    if kind == "dword":
        return "dword:%08x" % value
    if kind == "deleted":
        return "-"
    prefix = "hex" if kind == "hex(3)" else kind
    return prefix + ":" + ",".join("%02x" % b for b in value)


def parse_reg_file(text):
    """{canonical key: {lower-cased value name ('' for default): (type, value)}}."""
    keys = {}
    current = None
    logical = []
    pending = ""
    for raw in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        line = pending + raw
        if line.endswith("\\") and not line.lstrip().startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        logical.append(line)
    for line in logical:
        stripped = line.strip()
        if not stripped or stripped.startswith(";"):
            continue
        if stripped.startswith("[") and stripped.endswith("]"):
            name = stripped[1:-1]
            if name.startswith("-"):
                current = None
                continue
            current = keys.setdefault(canonical_key(name), {})
            continue
        if current is None:
            continue  # the header line, or a value of a deleted key
        if stripped.startswith("@="):
            name, data = "", stripped[2:]
        elif stripped.startswith('"'):
            name, end = parse_reg_string(stripped, 0)
            if end >= len(stripped) or stripped[end] != "=":
                continue
            data = stripped[end + 1:]
        else:
            continue
        current[name.lower()] = parse_reg_data(data)
    return keys


def decode_reg_bytes(data):
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    return data.decode("cp1252", errors="replace")


def read_lnk(data):
    """(target, icon location) of a shell link file; raises ValueError."""
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link file")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 0x01:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & 0x02:
        info = data[pos:]
        size, _, info_flags, _, base_off, _, suffix_off = struct.unpack_from("<7I", info, 0)

        def cstring(offset):
            end = info.index(b"\0", offset)
            return info[offset:end].decode("cp1252", errors="replace")

        if info_flags & 1:
            target = cstring(base_off) + cstring(suffix_off)
        pos += size
    strings = {}
    for bit in (0x04, 0x08, 0x10, 0x20, 0x40):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if flags & 0x80 else 1
            raw = data[pos:pos + count * width]
            pos += count * width
            # Wine counts the terminating NUL of the icon location in.
            strings[bit] = raw.decode("utf-16-le" if width == 2 else "cp1252").rstrip("\0")
    return target, strings.get(0x40, "")


# ---------------------------------------------------------------- platforms

class Platform:
    """What differs between the two ways of running a scenario."""

    name = ""

    def __init__(self, installer, scratch):
        self.installer = installer
        self.scratch = scratch

    def installer_name(self):
        return os.path.basename(self.installer)

    def drive_c(self):
        raise NotImplementedError

    def host_path(self, windows_path):
        """Host path of C:\\... or Z:\\..., components found case-insensitively."""
        path = windows_path.replace("/", "\\")
        if len(path) < 2 or path[1] != ":":
            raise ScenarioError("not a full Windows path: %r" % windows_path)
        drive = path[0].upper()
        if drive == "C":
            base = self.drive_c()
        elif drive == "Z":
            base = "/"
        else:
            raise ScenarioError("drive %s: is not available to checks" % drive)
        for part in [p for p in path[2:].split("\\") if p]:
            candidate = os.path.join(base, part)
            if not os.path.lexists(candidate) and os.path.isdir(base):
                for entry in sorted(os.listdir(base)):
                    if entry.lower() == part.lower():
                        candidate = os.path.join(base, entry)
                        break
            base = candidate
        return base

    def registry_key(self, key):
        """{lower-cased value name: (type, value)} of the key, or None when missing."""
        raise NotImplementedError


class PosixPlatform(Platform):
    name = "posix"

    def prepare_run(self, work):
        self.machine = os.path.join(work, "machine")

    def drive_c(self):
        return os.path.join(self.machine, "drive_c")

    def command(self, media, arguments):
        return [os.path.join(media, self.installer_name())] + arguments

    def environment(self, scenario, work):
        env = dict(os.environ)
        for name in ("TARNWICK_OS", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        home = os.path.join(work, "home")
        os.makedirs(home, exist_ok=True)
        env["HOME"] = home
        env["TARNWICK_MACHINE"] = self.machine
        env.update(scenario.environment())
        return env

    def registry_key(self, key):
        path = os.path.join(self.machine, "registry.reg")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            keys = parse_reg_file(decode_reg_bytes(f.read()))
        return keys.get(canonical_key(key))

    def finish(self):
        pass


class WinePlatform(Platform):
    name = "wine"

    def __init__(self, installer, scratch, prefix):
        super().__init__(installer, scratch)
        self.prefix = prefix or os.path.join(scratch, "wineprefix")
        self.home = os.path.join(scratch, "winehome")
        os.makedirs(self.home, exist_ok=True)
        self.server_started = False

    def base_environment(self):
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "TARNWICK_MACHINE", "TARNWICK_OS"):
            env.pop(name, None)
        env.update({
            "WINEPREFIX": self.prefix,
            "HOME": self.home,
            "USER": user_name(),
            "WINEDEBUG": "-all",
            # No Mono or Gecko: nothing here needs them and nothing may be fetched.
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
        })
        return env

    def start(self):
        """Creates the prefix once and keeps one server alive for the whole run."""
        env = self.base_environment()
        subprocess.run([WINE_LOADER, "wineboot", "--init"], env=env, cwd=self.scratch,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300, start_new_session=True)
        subprocess.run([WINE_SERVER, "-w"], env=env, timeout=300)
        subprocess.run([WINE_SERVER, "-p"], env=env, timeout=60)
        self.server_started = True
        if not os.path.isdir(os.path.join(self.prefix, "drive_c")):
            raise ScenarioError("wineboot did not create the prefix %s" % self.prefix)

    def finish(self):
        if self.server_started:
            subprocess.run([WINE_SERVER, "-k"], env=self.base_environment(), timeout=60)
            self.server_started = False

    def prepare_run(self, work):
        pass

    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def command(self, media, arguments):
        return [WINE_LOADER, os.path.join(media, self.installer_name())] + arguments

    def environment(self, scenario, work):
        return self.base_environment()

    def registry_key(self, key):
        export = os.path.join(self.scratch, "export.reg")
        if os.path.exists(export):
            os.remove(export)
        result = subprocess.run(
            [WINE_LOADER, "reg", "export", key, "Z:" + export.replace("/", "\\"), "/y"],
            env=self.base_environment(), cwd=self.scratch, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120,
            start_new_session=True)
        if result.returncode != 0 or not os.path.exists(export):
            return None
        with open(export, "rb") as f:
            keys = parse_reg_file(decode_reg_bytes(f.read()))
        return keys.get(canonical_key(key), {})


# ---------------------------------------------------------------- one run

class Run:
    """One scenario on one platform: lays out the media, runs, checks."""

    def __init__(self, scenario, platform, work):
        self.scenario = scenario
        self.platform = platform
        self.work = work
        self.media = os.path.join(work, "media")
        self.elsewhere = os.path.join(work, "elsewhere")
        self.problems = []
        self.key_cache = {}

    def variables(self):
        return {
            "%INSTALLER%": "Z:" + self.media.replace("/", "\\"),
            "%USER%": user_name(),
        }

    def expand(self, text):
        for name, value in self.variables().items():
            text = text.replace(name, value)
        return text

    def lay_out_media(self):
        shutil.copytree(self.scenario.folder, self.media,
                        ignore=lambda d, names: [n for n in names
                                                 if d == self.scenario.folder and n in RESERVED])
        shutil.copy2(self.platform.installer,
                     os.path.join(self.media, self.platform.installer_name()))
        for relative, stamp in self.scenario.dates():
            os.utime(os.path.join(self.media, relative), (stamp, stamp))
        os.makedirs(self.elsewhere)

    def run_installer(self, arguments):
        # Output goes to files, not pipes: Wine's service processes, started by
        # the first program of a prefix, inherit the handles and outlive it, so
        # a pipe would never report its end.
        out_path = os.path.join(self.work, "stdout.out")
        err_path = os.path.join(self.work, "stderr.out")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            try:
                result = subprocess.run(
                    self.platform.command(self.media, arguments),
                    cwd=self.elsewhere, env=self.platform.environment(self.scenario, self.work),
                    stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                    timeout=RUN_TIMEOUT[self.platform.name],
                    # A new session has no controlling terminal, so a message box
                    # can never wait for a person who is not there.
                    start_new_session=True)
            except subprocess.TimeoutExpired:
                raise ScenarioError("the installer did not end within %d s"
                                    % RUN_TIMEOUT[self.platform.name])
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            return (result.returncode,
                    normalise_lines(out.read().decode("cp1252", errors="replace")),
                    normalise_lines(err.read().decode("cp1252", errors="replace")))

    def execute(self):
        self.scenario.environment()  # rejects an env file that cannot apply
        self.lay_out_media()
        self.platform.prepare_run(self.work)
        if os.path.exists(os.path.join(self.media, "setup.txt")):
            code, out, err = self.run_installer(["-silent", "setup.txt"])
            if code != 0:
                self.problems.append("setup.txt ended with exit code %d:\n%s%s" % (code, out, err))
                return
        code, out, err = self.run_installer(self.scenario.arguments())
        self.compare_exit(code)
        self.compare_text("stdout", out)
        if self.platform.name == "posix" and self.scenario.has("stderr"):
            self.compare_text("stderr", err)
        for number, line in self.scenario.check_lines():
            try:
                self.check(line)
            except ScenarioError as error:
                self.problems.append("check line %d: %s\n    %s" % (number, line, error))

    def compare_exit(self, code):
        expected = self.scenario.expected_exit()
        if code != expected:
            if code < 0:
                self.problems.append("killed by signal %d (expected exit code %d)"
                                     % (-code, expected))
            else:
                self.problems.append("exit code %d, expected %d" % (code, expected))

    def compare_text(self, name, actual):
        expected = normalise_lines(self.expand(self.scenario.text(name, "")))
        if actual != expected:
            diff = difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                        "expected " + name, "actual " + name)
            self.problems.append("%s differs:\n%s" % (
                name, "".join("    " + line.rstrip("\n").replace("\r", "\\r") + "\n"
                              for line in diff).rstrip("\n")))

    # The check vocabulary: see tests/README.md.
    def check(self, line):
        line = self.expand(line)
        verb, rest = tokenize(line, 1)
        verb = verb[0] if verb else ""
        handler = getattr(self, "check_" + verb, None)
        if handler is None:
            raise ScenarioError("unknown check %r" % verb)
        handler(rest)

    def path_argument(self, rest, count=1):
        tokens, tail = tokenize(rest, count)
        if len(tokens) < count:
            raise ScenarioError("expected %d argument(s)" % count)
        return tokens, tail

    def check_exists(self, rest):
        (path,), _ = self.path_argument(rest)
        if not os.path.lexists(self.platform.host_path(path)):
            raise ScenarioError("%s does not exist" % path)

    def check_missing(self, rest):
        (path,), _ = self.path_argument(rest)
        if os.path.lexists(self.platform.host_path(path)):
            raise ScenarioError("%s exists" % path)

    def check_dir(self, rest):
        (path,), _ = self.path_argument(rest)
        if not os.path.isdir(self.platform.host_path(path)):
            raise ScenarioError("%s is not a directory" % path)

    def read_host_file(self, path):
        host = self.platform.host_path(path)
        if not os.path.isfile(host):
            raise ScenarioError("%s is not a file" % path)
        with open(host, "rb") as f:
            return f.read()

    def check_content(self, rest):
        (path,), text = self.path_argument(rest)
        actual = normalise_lines(self.read_host_file(path).decode("cp1252", errors="replace"))
        if actual.rstrip("\n") != text:
            raise ScenarioError("content is %r, expected %r" % (actual, text))

    def scenario_file(self, name):
        path = os.path.join(self.scenario.folder, name)
        if not os.path.isfile(path):
            raise ScenarioError("the scenario has no file %r" % name)
        with open(path, "rb") as f:
            return f.read()

    def check_same(self, rest):
        (path, name), _ = self.path_argument(rest, 2)
        if self.read_host_file(path) != self.scenario_file(name):
            raise ScenarioError("%s differs from the scenario's %s" % (path, name))

    def check_log(self, rest):
        (path, name), _ = self.path_argument(rest, 2)
        expected_text = normalise_lines(self.expand(self.scenario_file(name).decode("utf-8")))
        expected = expected_text.replace("\n", "\r\n").encode("cp1252")
        actual = self.read_host_file(path)
        if actual != expected:
            diff = difflib.unified_diff(
                [l + "\n" for l in expected.decode("cp1252").split("\r\n")],
                [l + "\n" for l in actual.decode("cp1252", errors="replace").split("\r\n")],
                "expected " + name + " (CR LF)", "actual " + path)
            text = "".join("      " + l.rstrip("\n").replace("\r", "\\r") + "\n" for l in diff)
            raise ScenarioError("log differs (lines split at CR LF; a \\r left is a bare CR):\n"
                                + text.rstrip("\n"))

    def key_values(self, key):
        # The registry does not change after the run: read each key once.
        if key not in self.key_cache:
            self.key_cache[key] = self.platform.registry_key(key)
        return self.key_cache[key]

    def check_key(self, rest):
        (key,), _ = self.path_argument(rest)
        if self.key_values(key) is None:
            raise ScenarioError("key %s does not exist" % key)

    def check_nokey(self, rest):
        (key,), _ = self.path_argument(rest)
        if self.key_values(key) is not None:
            raise ScenarioError("key %s exists" % key)

    def value_name(self, token, raw):
        # A bare @ is the key's default value; "@" in quotes is a value named @.
        return "" if token == "@" and not raw.lstrip().startswith('"') else token.lower()

    def check_regvalue(self, rest):
        (key, name), data = self.path_argument(rest, 2)
        after_key = tokenize(rest, 1)[1]
        values = self.key_values(key)
        if values is None:
            raise ScenarioError("key %s does not exist" % key)
        actual = values.get(self.value_name(name, after_key))
        expected = parse_expected_data(data)
        if actual is None:
            raise ScenarioError("value %s does not exist (the key holds: %s)"
                                % (name, ", ".join(sorted(values)) or "nothing"))
        if actual != expected:
            raise ScenarioError("value is %s, expected %s"
                                % (describe_data(actual), describe_data(expected)))

    def check_noregvalue(self, rest):
        (key, name), _ = self.path_argument(rest, 2)
        after_key = tokenize(rest, 1)[1]
        values = self.key_values(key)
        if values is not None and self.value_name(name, after_key) in values:
            raise ScenarioError("value %s exists" % name)

    def check_link(self, rest):
        tokens, _ = tokenize(rest, 3)
        if len(tokens) < 2:
            raise ScenarioError("expected: link <file> <target> [<icon>]")
        data = self.read_host_file(tokens[0])
        try:
            target, icon = read_lnk(data)
        except (ValueError, struct.error) as error:
            raise ScenarioError("%s: %s" % (tokens[0], error))
        if target.lower() != tokens[1].lower():
            raise ScenarioError("target is %r, expected %r" % (target, tokens[1]))
        if len(tokens) > 2 and icon.lower() != tokens[2].lower():
            raise ScenarioError("icon is %r, expected %r" % (icon, tokens[2]))


# ---------------------------------------------------------------- main

def indent(text):
    return "\n".join("    " + line if not line.startswith("    ") else line
                     for line in text.splitlines())


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--platform", choices=("posix", "wine"), required=True)
    parser.add_argument("--installer", required=True,
                        help="the installer binary (install, or install.exe for wine)")
    parser.add_argument("--scenarios", default=os.path.join(here, "scenarios"))
    parser.add_argument("--wineprefix", help="prefix to create and use (default: a temp one)")
    parser.add_argument("--keep", action="store_true",
                        help="keep the temporary folders and print where they are")
    parser.add_argument("names", nargs="*", help="run only these scenarios")
    options = parser.parse_args()

    installer = os.path.abspath(options.installer)
    if not os.path.isfile(installer):
        print("no installer at %s" % installer)
        print("0 passed, 1 failed")
        return 1
    scenarios = discover(options.scenarios, options.names)
    # realpath: the installer reports its folder with links resolved.
    scratch = os.path.realpath(tempfile.mkdtemp(prefix="tarnwick-scenarios-"))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    if options.platform == "posix":
        platform = PosixPlatform(installer, scratch)
    else:
        platform = WinePlatform(installer, scratch, options.wineprefix)
    passed = failed = 0
    try:
        if isinstance(platform, WinePlatform):
            platform.start()
        for scenario in scenarios:
            try:
                if options.platform not in scenario.platforms():
                    continue
                work = os.path.join(scratch, scenario.name)
                os.makedirs(work)
                run = Run(scenario, platform, work)
                run.execute()
                problems = run.problems
            except (ScenarioError, OSError, ValueError) as error:
                problems = ["could not run: %s" % error]
            if problems:
                failed += 1
                print("FAIL %s [%s]" % (scenario.name, options.platform))
                for problem in problems:
                    print(indent(problem))
            else:
                passed += 1
                print("PASS %s [%s]" % (scenario.name, options.platform))
            sys.stdout.flush()
    except ScenarioError as error:
        print("FAIL could not start the %s platform: %s" % (options.platform, error))
        failed += 1
    finally:
        platform.finish()
        if options.keep:
            print("kept %s" % scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
