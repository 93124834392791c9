"""Cases: what a case folder holds, and which cases a command line names.

A case folder holds an installation script, its payload and the files listed
in EXPECTATIONS, which describe the run instead of going onto the media.
"""

import datetime
import fnmatch
import os

# The Windows versions of the emulated machine (TARNWICK_OS), oldest first.
OS_NAMES = ("win95", "win98", "winme", "nt40", "win2k", "winxp", "win7", "win10", "unknown")

# Files of a case folder that describe the run instead of being payload.
EXPECTATIONS = frozenset({"args", "exit", "stdout", "stderr", "boxes", "check", "env", "os",
                          "platforms", "dates", "readonly", "findings"})
PLATFORMS = ("posix", "wine")
DEFAULT_ARGS = "-silent script.txt"
DEFAULT_SCRIPT = "script.txt"
SETUP_SCRIPT = "setup.txt"


class CaseError(Exception):
    """A case that is malformed or cannot be found."""


def read_text(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise CaseError("%s is not UTF-8 text (%s)" % (path, error))


def meaningful_lines(text):
    """(line number, stripped line) of the lines that are neither blank nor # comments."""
    for number, line in enumerate(text.splitlines(), 1):
        stripped = line.strip()
        if stripped and not stripped.startswith("#"):
            yield number, stripped


def parse_os_names(text, where):
    """The OS names of an os file or of --os: blanks or commas between them;
    "all" stands for every one."""
    names = []
    for _, line in meaningful_lines(text.replace(",", " ")):
        for word in line.split():
            expanded = list(OS_NAMES) if word == "all" else [word]
            for name in expanded:
                if name not in OS_NAMES:
                    raise CaseError("%s: unknown Windows version %r (known: %s, all)"
                                    % (where, name, " ".join(OS_NAMES)))
                if name in names:
                    raise CaseError("%s: %s is named twice" % (where, name))
                names.append(name)
    if not names:
        raise CaseError("%s: names no Windows version" % where)
    return names


class Case:
    def __init__(self, folder):
        self.folder = folder
        self.name = os.path.basename(os.path.normpath(os.path.abspath(folder)))

    def path(self, name):
        return os.path.join(self.folder, name)

    def has(self, name):
        return os.path.isfile(self.path(name))

    def text(self, name, default=None):
        return read_text(self.path(name)) if self.has(name) else default

    def file_bytes(self, name):
        """A file of the case, by its path inside the case folder."""
        path = os.path.realpath(os.path.join(self.folder, *name.replace("\\", "/").split("/")))
        inside = os.path.realpath(self.folder) + os.sep
        if not path.startswith(inside) or not os.path.isfile(path):
            raise CaseError("the case has no file %r" % name)
        with open(path, "rb") as f:
            return f.read()

    def arguments(self):
        # Both installers join their arguments with single blanks, so only the
        # tokens matter; their exact spacing could not pass Wine's command line.
        return self.text("args", DEFAULT_ARGS).split()

    def setup_script(self):
        """The script run before the case's own, if any. A package whose own
        script is setup.txt has no preparation: its arguments name it."""
        if not self.has(SETUP_SCRIPT):
            return None
        if any(word.lower() == SETUP_SCRIPT for word in self.arguments()):
            return None
        return SETUP_SCRIPT

    def expected_exit(self):
        text = self.text("exit", "0").strip()
        try:
            return int(text)
        except ValueError:
            raise CaseError("exit: not a number: %r" % text)

    def platforms(self):
        words = self.text("platforms", " ".join(PLATFORMS)).split()
        unknown = set(words) - set(PLATFORMS)
        if unknown:
            raise CaseError("platforms: unknown word(s): %s" % " ".join(sorted(unknown)))
        return words

    def environment(self):
        """The env file's variables; POSIX only, the Win32 build under Wine
        cannot be given an environment of a Windows machine."""
        if not self.has("env"):
            return {}
        if "wine" in self.platforms():
            raise CaseError("env applies to the POSIX run only: add a platforms file saying posix")
        env = {}
        for _, line in meaningful_lines(self.text("env")):
            key, sep, value = line.partition("=")
            if not sep or not key.strip():
                raise CaseError("env: expected KEY=VALUE, got %r" % line)
            env[key.strip()] = value
        return env

    def os_names(self, chosen=None):
        """The Windows versions to run on, one run each; None is the
        platform's own default. `chosen` (from --os) overrides the case."""
        env_os = self.environment().get("TARNWICK_OS")
        if env_os is not None and self.has("os"):
            raise CaseError("both env and os name the Windows version: keep the os file")
        if chosen:
            return list(chosen)
        if self.has("os"):
            return parse_os_names(self.text("os"), os.path.join(self.name, "os"))
        if env_os is not None:
            return [env_os]  # as the author wrote it, even a name the machine refuses
        return [None]

    def check_lines(self):
        return list(meaningful_lines(self.text("check", "")))

    def read_only_paths(self):
        """Paths in the case whose media copies lose their write bits."""
        return [line for _, line in meaningful_lines(self.text("readonly", ""))]

    def dates(self):
        """(relative path, POSIX time) pairs: 'path YYYY-MM-DD HH:MM:SS', UTC."""
        result = []
        for _, line in meaningful_lines(self.text("dates", "")):
            parts = line.split()
            try:
                if len(parts) < 3:
                    raise ValueError
                stamp = datetime.datetime.strptime(" ".join(parts[-2:]), "%Y-%m-%d %H:%M:%S")
            except ValueError:
                raise CaseError("dates: expected 'path YYYY-MM-DD HH:MM:SS', got %r" % line)
            stamp = stamp.replace(tzinfo=datetime.timezone.utc)
            result.append((" ".join(parts[:-2]), stamp.timestamp()))
        return result


def is_case(folder):
    """A case folder holds a script or a file that describes a run."""
    names = EXPECTATIONS | {DEFAULT_SCRIPT, SETUP_SCRIPT}
    return any(os.path.isfile(os.path.join(folder, name)) for name in names)


def find_cases(paths):
    """The cases named on the command line: a case folder, or a folder whose
    subfolders (at any depth) are cases, run in name order."""
    cases = []
    seen = set()

    def add(folder):
        key = os.path.realpath(folder)
        if key not in seen:
            seen.add(key)
            cases.append(Case(folder))

    def search(folder):
        found = 0
        for entry in sorted(os.listdir(folder)):
            path = os.path.join(folder, entry)
            if entry.startswith(".") or not os.path.isdir(path):
                continue
            if is_case(path):
                add(path)
                found += 1
            else:
                found += search(path)
        return found

    for path in paths:
        if not os.path.isdir(path):
            raise CaseError("%s: no such case folder" % path)
        if is_case(path):
            add(path)
        elif not search(path):
            raise CaseError("%s: neither a case (no %s, args or expectation files) nor a folder "
                            "of cases" % (path, DEFAULT_SCRIPT))
    return cases


def matches(patterns, *names):
    """-k: a pattern with * ? [ is matched whole, any other is looked for
    inside; letter case does not count. No pattern selects everything."""
    if not patterns:
        return True
    for pattern in patterns:
        pattern = pattern.lower()
        for name in names:
            name = name.lower()
            if any(c in pattern for c in "*?["):
                if fnmatch.fnmatchcase(name, pattern):
                    return True
            elif pattern in name:
                return True
    return False
