#!/usr/bin/env python3
"""Runs the handbook's examples (docs/*.md) as tarnwick-test cases.

Each example in the handbook is written out as a case folder (the format of
docs/testing-scripts.md) in a temporary folder, and tarnwick-test runs them
all, so the handbook cannot drift from the program. The markers are HTML comments, which a Markdown viewer does not show;
every comment line of a handbook page must be one of them:

  <!-- example: NAME -->      starts the example NAME (a-z, 0-9 and '-',
                              unique in the handbook); it runs to the next
                              example or the next heading
  <!-- file: PATH -->         the next fenced block is the file PATH of the
                              example's folder: script.txt, payload files,
                              setup.txt, check, stderr, dates, readonly, ...
  <!-- run -->                the next fenced block is a transcript of the run:
                                $ [NAME=VALUE ...] install [ARGUMENTS]
                                ...standard output, line by line...
                                [exit code N]
                              NAME=VALUE pairs go to the environment (POSIX
                              only); the output lines are compared exactly
  <!-- platforms: WORDS -->   where the example runs: posix (the default)
                              and/or wine

Prints tarnwick-test's PASS/FAIL lines (a failure also names the page and line
of its example) and ends with "N passed, N failed". Exits 1 when anything
failed, 2 when the handbook's markers are broken.

  tests/doc_examples.py --platform posix --installer build/posix/install [NAME...]
  tests/doc_examples.py --platform wine --installer build/win32-x86_64/install.exe
  tests/doc_examples.py --list

tarnwick-test is the build folder's (build/posix/tarnwick-test) unless --tool
names another.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DOCS = os.path.join(ROOT, "docs")
TOOL = os.path.join(ROOT, "build", "posix", "tarnwick-test")

COMMENT = re.compile(r"^\s*<!--(.*)-->\s*$")
FENCE = re.compile(r"^(`{3,}|~{3,})")
NAME = re.compile(r"^[a-z0-9][a-z0-9-]*$")
EXIT_LINE = re.compile(r"^\[exit code (\d+)\]$")
ENV_WORD = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*=")
# What the run's transcript gives; a file: marker must not give them too.
RUN_FILES = {"args", "stdout", "exit", "env"}


class MarkerError(Exception):
    """A handbook page whose example markers cannot be read."""


class Example:
    def __init__(self, name, page, line):
        self.name = name
        self.page = page
        self.line = line
        self.files = {}
        self.platforms = "posix"
        self.has_run = False

    def where(self):
        return "%s:%d" % (self.page, self.line)

    def add_file(self, path, text, where):
        if path in self.files:
            raise MarkerError("%s: example %s has two files %s" % (where, self.name, path))
        self.files[path] = text

    def write(self, folder):
        """Writes the example as a case folder."""
        for path, text in self.files.items():
            target = os.path.join(folder, *path.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(text.encode("utf-8"))
        with open(os.path.join(folder, "platforms"), "w") as f:
            f.write(self.platforms + "\n")


def block_text(lines):
    """A fenced block's file: its lines, each ended by a line feed."""
    return "".join(line + "\n" for line in lines)


def parse_transcript(lines, where):
    """(environment lines, arguments, standard output, exit code) of a run block."""
    if not lines or not lines[0].startswith("$ "):
        raise MarkerError("%s: a run block starts with '$ install ...'" % where)
    words = lines[0][2:].split()
    environment = []
    while words and ENV_WORD.match(words[0]):
        environment.append(words.pop(0))
    if not words or words[0] not in ("install", "./install"):
        raise MarkerError("%s: a run block starts with '$ install ...'" % where)
    exit_match = EXIT_LINE.match(lines[-1]) if len(lines) > 1 else None
    if not exit_match:
        raise MarkerError("%s: a run block ends with '[exit code N]'" % where)
    return environment, words[1:], block_text(lines[1:-1]), int(exit_match.group(1))


def fenced_block(lines, start, where):
    """(lines inside, index after) of the fenced block at lines[start]."""
    fence = FENCE.match(lines[start]) if start < len(lines) else None
    if not fence:
        raise MarkerError("%s: the marker must be followed by a fenced block" % where)
    mark = fence.group(1)
    for end in range(start + 1, len(lines)):
        if lines[end].strip() == mark:
            return lines[start + 1:end], end + 1
    raise MarkerError("%s: the fenced block is not closed" % where)


def parse_page(text, page):
    """The examples of one handbook page, in page order."""
    lines = text.split("\n")
    examples = []
    current = None
    index = 0
    while index < len(lines):
        line = lines[index]
        where = "%s:%d" % (page, index + 1)
        if FENCE.match(line):
            # A fenced block of its own (no marker): an illustration only.
            _, index = fenced_block(lines, index, where)
            continue
        if line.startswith("#"):
            current = None
        comment = COMMENT.match(line)
        index += 1
        if not comment:
            if "<!--" in line:
                raise MarkerError("%s: a marker must be a line of its own" % where)
            continue
        keyword, _, value = comment.group(1).strip().partition(":")
        keyword, value = keyword.strip(), value.strip()
        if keyword == "example":
            if not NAME.match(value):
                raise MarkerError("%s: bad example name %r" % (where, value))
            current = Example(value, page, index)
            examples.append(current)
            continue
        if keyword not in ("file", "run", "platforms"):
            raise MarkerError("%s: unknown marker %r" % (where, line.strip()))
        if current is None:
            raise MarkerError("%s: %s marker outside an example" % (where, keyword))
        if keyword == "platforms":
            words = value.split()
            if not words or set(words) - {"posix", "wine"}:
                raise MarkerError("%s: platforms are posix and/or wine" % where)
            current.platforms = " ".join(words)
            continue
        content, index = fenced_block(lines, index, where)
        if keyword == "file":
            path = value.replace("\\", "/")
            if not path or path.startswith("/") or ".." in path.split("/") or path in RUN_FILES:
                raise MarkerError("%s: bad file name %r" % (where, value))
            current.add_file(path, block_text(content), where)
        else:
            if current.has_run:
                raise MarkerError("%s: example %s has two runs" % (where, current.name))
            environment, arguments, stdout, code = parse_transcript(content, where)
            current.has_run = True
            current.add_file("args", " ".join(arguments) + "\n" if arguments else "", where)
            current.add_file("stdout", stdout, where)
            current.add_file("exit", "%d\n" % code, where)
            if environment:
                current.add_file("env", block_text(environment), where)
    for example in examples:
        if not example.has_run:
            raise MarkerError("%s: example %s has no run block" % (example.where(), example.name))
        if "env" in example.files and "wine" in example.platforms:
            raise MarkerError("%s: example %s sets the environment, which only the POSIX "
                              "run can" % (example.where(), example.name))
    return examples


def collect(docs=DOCS):
    """Every example of the handbook; each page must have at least one."""
    examples = []
    names = {}
    pages = sorted(p for p in os.listdir(docs) if p.endswith(".md") and p != "README.md")
    if not pages:
        raise MarkerError("no handbook pages in %s" % docs)
    for page in pages:
        with open(os.path.join(docs, page), encoding="utf-8") as f:
            found = parse_page(f.read(), "docs/" + page)
        if not found:
            raise MarkerError("docs/%s: no examples found" % page)
        for example in found:
            if example.name in names:
                raise MarkerError("%s: example %s is also at %s"
                                  % (example.where(), example.name, names[example.name]))
            names[example.name] = example.where()
        examples.extend(found)
    return examples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--platform", choices=("posix", "wine"), default="posix")
    parser.add_argument("--installer", help="the installer binary (install, or install.exe)")
    parser.add_argument("--tool", default=TOOL, help="tarnwick-test (default: %(default)s)")
    parser.add_argument("--wineprefix", help="passed on to tarnwick-test")
    parser.add_argument("--keep", action="store_true", help="keep the case folders")
    parser.add_argument("--list", action="store_true", help="list the examples and stop")
    parser.add_argument("names", nargs="*", help="run only these examples")
    options = parser.parse_args()
    try:
        examples = collect()
    except (MarkerError, OSError) as error:
        print("the handbook's examples cannot be read: %s" % error)
        print("0 passed, 1 failed")
        return 2
    if options.list:
        for example in examples:
            print("%-44s %-34s %s" % (example.name, example.where(), example.platforms))
        print("%d examples" % len(examples))
        return 0
    if not options.installer:
        parser.error("--installer is required to run the examples")
    where = {example.name: example.where() for example in examples}
    unknown = [name for name in options.names if name not in where]
    if unknown:
        parser.error("no such example: %s" % ", ".join(unknown))

    folder = tempfile.mkdtemp(prefix="tarnwick-doc-examples-")
    try:
        for example in examples:
            case = os.path.join(folder, example.name)
            os.makedirs(case)
            example.write(case)
        command = [options.tool]
        if options.platform == "wine":
            command += ["--wine", options.installer]
        else:
            command += ["--installer", options.installer]
        if options.wineprefix:
            command += ["--wineprefix", options.wineprefix]
        if options.keep:
            command.append("--keep")
        cases = [os.path.join(folder, name) for name in options.names] or [folder]
        harness = subprocess.Popen(command + cases, stdout=subprocess.PIPE,
                                   universal_newlines=True)
        for line in harness.stdout:
            sys.stdout.write(line)
            words = line.split()
            if len(words) >= 2 and words[0] == "FAIL" and words[1] in where:
                sys.stdout.write("    (the example is at %s)\n" % where[words[1]])
            sys.stdout.flush()
        return harness.wait()
    finally:
        if options.keep:
            print("kept the case folders in %s" % folder)
        else:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
