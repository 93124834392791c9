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
import shutil
import signal
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the checkout free of __pycache__
from scenario_platforms import PlatformError, PosixPlatform, WinePlatform  # noqa: E402
from windows_formats import describe_data, parse_expected_data, read_lnk, user_name  # noqa: E402

# Files of a scenario folder that describe the run instead of being payload.
RESERVED = {"args", "exit", "stdout", "stderr", "env", "platforms", "check", "dates", "readonly",
            "findings"}
DEFAULT_ARGS = "-silent script.txt"
RUN_TIMEOUT = {"posix": 60, "wine": 90}


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

    def read_only_paths(self):
        """Paths in the scenario whose media copies lose their write bits."""
        return [line.strip() for line in self.text("readonly", "").splitlines()
                if line.strip() and not line.strip().startswith("#")]

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
            "%WORK%": "Z:" + self.work.replace("/", "\\"),
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
        # Last, since a folder without write bits takes no new times either.
        for relative in self.scenario.read_only_paths():
            path = os.path.join(self.media, relative)
            os.chmod(path, os.stat(path).st_mode & ~0o222)
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
            except (ScenarioError, PlatformError, ValueError) as error:
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


def remove_tree(path):
    """Removes a scratch tree, also where a scenario took write bits away."""
    for folder, _, _ in os.walk(path):
        if not os.path.islink(folder):
            os.chmod(folder, 0o700)
    shutil.rmtree(path, ignore_errors=True)


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
            except (ScenarioError, PlatformError, OSError, ValueError) as error:
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
    except (PlatformError, OSError, subprocess.SubprocessError) as error:
        print("FAIL could not start the %s platform: %s" % (options.platform, error))
        failed += 1
    finally:
        platform.finish()
        if options.keep:
            print("kept %s" % scratch)
        else:
            remove_tree(scratch)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
