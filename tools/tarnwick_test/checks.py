"""The check lines of a case: what must hold on the machine after the run.

Each check names its verb first (exists, missing, dir, content, same, log, key,
nokey, regvalue, noregvalue, link); docs/testing-scripts.md describes them.
"""

import os
import struct

from .texts import indented_diff, normalise_lines
from .windows_formats import describe_data, parse_expected_data, read_lnk


class CheckFailed(Exception):
    """A check that does not hold, or cannot be read."""


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
                raise CheckFailed("unterminated quote in %r" % text)
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


def quote(token):
    """A token as a check line writes it: in double quotes when it holds
    blanks, is empty or starts with a quote."""
    if not token or any(c.isspace() for c in token) or token.startswith('"'):
        return '"%s"' % token
    return token


def value_name(token, raw):
    """A bare @ is the key's default value; "@" in quotes is a value named @."""
    return "" if token == "@" and not raw.lstrip().startswith('"') else token.lower()


class Checker:
    """Tests check lines against one machine after one run.

    machine: host_path(windows path) and registry_key(key); case: the case's
    own files; expand: replaces %INSTALLER%, %USER% and %WORK%."""

    VERBS = ("exists", "missing", "dir", "content", "same", "log", "key", "nokey", "regvalue",
             "noregvalue", "link")

    def __init__(self, machine, case, expand):
        self.machine = machine
        self.case = case
        self.expand = expand
        self.key_cache = {}

    def check(self, line):
        verb, rest = tokenize(self.expand(line), 1)
        verb = verb[0] if verb else ""
        if verb not in self.VERBS:
            raise CheckFailed("unknown check %r (known: %s)" % (verb, ", ".join(self.VERBS)))
        getattr(self, "check_" + verb)(rest)

    def arguments(self, rest, count, usage):
        tokens, tail = tokenize(rest, count)
        if len(tokens) < count:
            raise CheckFailed("expected: %s" % usage)
        return tokens, tail

    def check_exists(self, rest):
        (path,), _ = self.arguments(rest, 1, "exists <path>")
        if not os.path.lexists(self.machine.host_path(path)):
            raise CheckFailed("%s does not exist" % path)

    def check_missing(self, rest):
        (path,), _ = self.arguments(rest, 1, "missing <path>")
        if os.path.lexists(self.machine.host_path(path)):
            raise CheckFailed("%s exists" % path)

    def check_dir(self, rest):
        (path,), _ = self.arguments(rest, 1, "dir <path>")
        if not os.path.isdir(self.machine.host_path(path)):
            raise CheckFailed("%s is not a folder" % path)

    def read_host_file(self, path):
        host = self.machine.host_path(path)
        if not os.path.isfile(host):
            raise CheckFailed("%s is not a file" % path)
        with open(host, "rb") as f:
            return f.read()

    def check_content(self, rest):
        (path,), text = self.arguments(rest, 1, "content <path> <text>")
        actual = normalise_lines(self.read_host_file(path).decode("cp1252", errors="replace"))
        if actual.rstrip("\n") != text:
            raise CheckFailed("content is %r, expected %r" % (actual, text))

    def case_file(self, name):
        try:
            return self.case.file_bytes(name)
        except Exception as error:  # CaseError, OSError: the check cannot be made
            raise CheckFailed(str(error))

    def check_same(self, rest):
        (path, name), _ = self.arguments(rest, 2, "same <path> <file of the case>")
        if self.read_host_file(path) != self.case_file(name):
            raise CheckFailed("%s differs from the case's %s" % (path, name))

    def check_log(self, rest):
        (path, name), _ = self.arguments(rest, 2, "log <path> <file of the case>")
        expected_text = normalise_lines(self.expand(self.case_file(name).decode("utf-8")))
        try:
            expected = expected_text.replace("\n", "\r\n").encode("cp1252")
        except UnicodeEncodeError:
            raise CheckFailed("the case's %s holds characters outside code page 1252" % name)
        actual = self.read_host_file(path)
        if actual != expected:
            text = indented_diff(
                [line + "\n" for line in expected.decode("cp1252").split("\r\n")],
                [line + "\n" for line in actual.decode("cp1252", errors="replace").split("\r\n")],
                "expected " + name + " (CR LF)", "actual " + path, "  ")
            raise CheckFailed("log differs (lines split at CR LF; a \\r left is a bare CR):\n"
                              + text)

    def key_values(self, key):
        # The registry does not change after the run: read each key once.
        if key not in self.key_cache:
            self.key_cache[key] = self.machine.registry_key(key)
        return self.key_cache[key]

    def check_key(self, rest):
        (key,), _ = self.arguments(rest, 1, "key <key>")
        if self.key_values(key) is None:
            raise CheckFailed("key %s does not exist" % key)

    def check_nokey(self, rest):
        (key,), _ = self.arguments(rest, 1, "nokey <key>")
        if self.key_values(key) is not None:
            raise CheckFailed("key %s exists" % key)

    def check_regvalue(self, rest):
        (key, name), data = self.arguments(rest, 2, "regvalue <key> <name> <data>")
        after_key = tokenize(rest, 1)[1]
        try:
            expected = parse_expected_data(data)
        except ValueError as error:
            raise CheckFailed(str(error))
        values = self.key_values(key)
        if values is None:
            raise CheckFailed("key %s does not exist" % key)
        actual = values.get(value_name(name, after_key))
        if actual is None:
            raise CheckFailed("value %s does not exist (the key holds: %s)"
                              % (name, ", ".join(sorted(values)) or "nothing"))
        if actual != expected:
            raise CheckFailed("value is %s, expected %s"
                              % (describe_data(actual), describe_data(expected)))

    def check_noregvalue(self, rest):
        (key, name), _ = self.arguments(rest, 2, "noregvalue <key> <name>")
        after_key = tokenize(rest, 1)[1]
        values = self.key_values(key)
        if values is not None and value_name(name, after_key) in values:
            raise CheckFailed("value %s exists" % name)

    def check_link(self, rest):
        tokens, _ = tokenize(rest, 3)
        if len(tokens) < 2:
            raise CheckFailed("expected: link <path> <target> [<icon>]")
        data = self.read_host_file(tokens[0])
        try:
            target, icon = read_lnk(data)
        except (ValueError, struct.error) as error:
            raise CheckFailed("%s: %s" % (tokens[0], error))
        if target.lower() != tokens[1].lower():
            raise CheckFailed("target is %r, expected %r" % (target, tokens[1]))
        if len(tokens) > 2 and icon.lower() != tokens[2].lower():
            raise CheckFailed("icon is %r, expected %r" % (icon, tokens[2]))
