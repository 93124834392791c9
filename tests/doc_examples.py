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
                              only); the output lines are compared exactly.
                              Or a run of the script checker:
                                $ tarnwick-check [ARGUMENTS]
                                ...standard output, then standard error...
                                [exit code N]
                              run in the example's folder (its files, no
                              installer), on POSIX only, without NAME=VALUE
                              pairs and without the files that describe an
                              installer's run (check, stderr, boxes, os, ...)
  <!-- platforms: WORDS -->   where the example runs: posix (the default)
                              and/or wine

Installer examples run as case folders through tarnwick-test; checker examples
run here, with the checker's output read as a terminal shows it (its summary
on standard error comes last). In expected output %INSTALLER% stands for the
installer's folder (a checker example's folder) as the program sees it.

Prints one PASS/FAIL line per example (a failure also names the page and line
of its example) and ends with "N passed, N failed". Exits 1 when anything
failed, 2 when the handbook's markers are broken.

  tests/doc_examples.py --platform posix --installer build/posix/install \
                        --checker build/posix/tarnwick-check [NAME...]
  tests/doc_examples.py --platform wine --installer build/win32-x86_64/install.exe
  tests/doc_examples.py --list

tarnwick-test is the build folder's (build/posix/tarnwick-test) unless --tool
names another, and so is tarnwick-check unless --checker does.
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
CHECKER = os.path.join(ROOT, "build", "posix", "tarnwick-check")

sys.dont_write_bytecode = True  # keep the checkout free of __pycache__
sys.path.insert(0, os.path.join(ROOT, "tools"))
from tarnwick_test.cases import EXPECTATIONS  # noqa: E402
from tarnwick_test.texts import indented_diff, normalise_lines  # noqa: E402

COMMENT = re.compile(r"^\s*<!--(.*)-->\s*$")
FENCE = re.compile(r"^(`{3,}|~{3,})")
NAME = re.compile(r"^[a-z0-9][a-z0-9-]*$")
EXIT_LINE = re.compile(r"^\[exit code (\d+)\]$")
ENV_WORD = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*=")
SUMMARY_LINE = re.compile(r"^(\d+) passed, (\d+) failed$")
SKIPPED_LINE = re.compile(r"^(\d+) skipped$")
# What the run's transcript gives; a file: marker must not give them too.
RUN_FILES = {"args", "stdout", "exit", "env"}
INSTALLERS = ("install", "./install")
CHECKERS = ("tarnwick-check",)
CHECKER_TIMEOUT = 60


class MarkerError(Exception):
    """A handbook page whose example markers cannot be read."""


class Transcript:
    """A run block: the program, its environment and arguments, and what it
    must print and return."""

    def __init__(self, program, environment, arguments, output, code):
        self.program = program
        self.environment = environment
        self.arguments = arguments
        self.output = output
        self.code = code


class Example:
    def __init__(self, name, page, line):
        self.name = name
        self.page = page
        self.line = line
        self.files = {}
        self.platforms = "posix"
        self.run = None

    def where(self):
        return "%s:%d" % (self.page, self.line)

    def is_check(self):
        """True for a run of tarnwick-check, false for one of the installer."""
        return self.run.program in CHECKERS

    def add_file(self, path, text, where):
        if path in self.files:
            raise MarkerError("%s: example %s has two files %s" % (where, self.name, path))
        self.files[path] = text

    def add_run(self, transcript, where):
        if self.run is not None:
            raise MarkerError("%s: example %s has two runs" % (where, self.name))
        self.run = transcript
        if self.is_check():
            return
        # An installer's run is a tarnwick-test case: its files say it all.
        self.add_file("args", " ".join(transcript.arguments) + "\n"
                      if transcript.arguments else "", where)
        self.add_file("stdout", transcript.output, where)
        self.add_file("exit", "%d\n" % transcript.code, where)
        if transcript.environment:
            self.add_file("env", block_text(transcript.environment), where)

    def validate(self):
        """Refuses what the example's run cannot honour."""
        if self.run is None:
            raise MarkerError("%s: example %s has no run block" % (self.where(), self.name))
        if not self.is_check():
            if "env" in self.files and "wine" in self.platforms:
                raise MarkerError("%s: example %s sets the environment, which only the POSIX "
                                  "run can" % (self.where(), self.name))
            return
        if self.platforms != "posix":
            raise MarkerError("%s: example %s runs tarnwick-check, which the examples run on "
                              "POSIX only" % (self.where(), self.name))
        described = sorted(EXPECTATIONS.intersection(self.files))
        if described:
            raise MarkerError("%s: example %s runs tarnwick-check, which has no %s file"
                              % (self.where(), self.name, described[0]))

    def write(self, folder):
        """Writes the example's files; an installer's example as a case folder."""
        os.makedirs(folder, exist_ok=True)
        for path, text in self.files.items():
            target = os.path.join(folder, *path.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(text.encode("utf-8"))
        if not self.is_check():
            with open(os.path.join(folder, "platforms"), "w") as f:
                f.write(self.platforms + "\n")


def block_text(lines):
    """A fenced block's file: its lines, each ended by a line feed."""
    return "".join(line + "\n" for line in lines)


def parse_transcript(lines, where):
    """The Transcript of a run block."""
    usage = "%s: a run block starts with '$ install ...' or '$ tarnwick-check ...'" % where
    if not lines or not lines[0].startswith("$ "):
        raise MarkerError(usage)
    words = lines[0][2:].split()
    environment = []
    while words and ENV_WORD.match(words[0]):
        environment.append(words.pop(0))
    if not words or words[0] not in INSTALLERS + CHECKERS:
        raise MarkerError(usage)
    if environment and words[0] in CHECKERS:
        raise MarkerError("%s: a tarnwick-check run takes no NAME=VALUE pairs" % where)
    exit_match = EXIT_LINE.match(lines[-1]) if len(lines) > 1 else None
    if not exit_match:
        raise MarkerError("%s: a run block ends with '[exit code N]'" % where)
    program = "install" if words[0] in INSTALLERS else words[0]
    return Transcript(program, environment, words[1:], block_text(lines[1:-1]),
                      int(exit_match.group(1)))


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
            current.add_run(parse_transcript(content, where), where)
    for example in examples:
        example.validate()
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


def check_example_problems(example, folder, checker):
    """What differs when the checker runs the example in its written-out
    folder (empty: it passed). Standard error joins standard output, as in a
    terminal: the checker has written all its findings before its summary."""
    try:
        result = subprocess.run([checker] + example.run.arguments, cwd=folder,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=CHECKER_TIMEOUT)
    except (OSError, subprocess.SubprocessError) as error:
        return ["cannot run %s: %s" % (checker, error)]
    output = normalise_lines(result.stdout.decode("cp1252", "replace"))
    installer = "Z:" + os.path.realpath(folder).replace("/", "\\")
    output = output.replace(installer, "%INSTALLER%")
    problems = []
    if result.returncode != example.run.code:
        problems.append("exit code %d, expected %d" % (result.returncode, example.run.code))
    if output != example.run.output:
        problems.append("output differs:\n" + indented_diff(
            example.run.output.splitlines(True), output.splitlines(True),
            "expected", "actual", "      "))
    return problems


class Tally:
    """The runs of both kinds, summed for one last line."""

    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.skipped = 0

    def count(self, line):
        """Takes in a summary line of tarnwick-test; false for any other."""
        summary = SUMMARY_LINE.match(line)
        skipped = SKIPPED_LINE.match(line)
        if summary:
            self.passed += int(summary.group(1))
            self.failed += int(summary.group(2))
        elif skipped:
            self.skipped += int(skipped.group(1))
        return bool(summary or skipped)

    def print_summary(self):
        if self.skipped:
            print("%d skipped" % self.skipped)
        print("%d passed, %d failed" % (self.passed, self.failed))


def run_cases(examples, folder, options, where, tally):
    """Runs the installer's examples through tarnwick-test; its exit code."""
    command = [options.tool]
    if options.platform == "wine":
        command += ["--wine", options.installer]
    else:
        command += ["--installer", options.installer]
    if options.wineprefix:
        command += ["--wineprefix", options.wineprefix]
    if options.keep:
        command.append("--keep")
    cases = [os.path.join(folder, example.name) for example in examples]
    try:
        harness = subprocess.Popen(command + cases, stdout=subprocess.PIPE,
                                   universal_newlines=True)
    except OSError as error:
        print("FAIL cannot run %s: %s" % (options.tool, error))
        tally.failed += 1
        return 1
    finished = False
    for line in harness.stdout:
        if tally.count(line.strip()):
            finished = finished or bool(SUMMARY_LINE.match(line.strip()))
            continue
        sys.stdout.write(line)
        words = line.split()
        if len(words) >= 2 and words[0] == "FAIL" and words[1] in where:
            sys.stdout.write("    (the example is at %s)\n" % where[words[1]])
        sys.stdout.flush()
    code = harness.wait()
    if not finished:
        print("FAIL tarnwick-test did not finish (exit code %d)" % code)
        tally.failed += 1
    return code


def run_checks(examples, folder, options, tally):
    """Runs the checker's examples; prints a line for each."""
    for example in examples:
        label = "%s [tarnwick-check]" % example.name
        if options.platform != "posix":
            print("SKIP %s: checker examples run on POSIX" % label)
            tally.skipped += 1
            continue
        # Absolute: the checker starts in the example's folder.
        problems = check_example_problems(example, os.path.join(folder, example.name),
                                          os.path.abspath(options.checker))
        if not problems:
            print("PASS %s" % label)
            tally.passed += 1
            continue
        print("FAIL %s" % label)
        print("    (the example is at %s)" % example.where())
        for problem in problems:
            print("    " + problem)
        tally.failed += 1
        sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--platform", choices=("posix", "wine"), default="posix")
    parser.add_argument("--installer", help="the installer binary (install, or install.exe)")
    parser.add_argument("--tool", default=TOOL, help="tarnwick-test (default: %(default)s)")
    parser.add_argument("--checker", default=CHECKER,
                        help="tarnwick-check, for its examples (default: %(default)s)")
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
            where = "tarnwick-check" if example.is_check() else example.platforms
            print("%-44s %-34s %s" % (example.name, example.where(), where))
        print("%d examples" % len(examples))
        return 0
    if not options.installer:
        parser.error("--installer is required to run the examples")
    where = {example.name: example.where() for example in examples}
    unknown = [name for name in options.names if name not in where]
    if unknown:
        parser.error("no such example: %s" % ", ".join(unknown))
    chosen = [e for e in examples if not options.names or e.name in options.names]

    folder = tempfile.mkdtemp(prefix="tarnwick-doc-examples-")
    tally = Tally()
    code = 0
    try:
        cases = [e for e in chosen if not e.is_check()]
        checks = [e for e in chosen if e.is_check()]
        # Apart: tarnwick-test would take a checker example for a case.
        for kind, group in (("cases", cases), ("checks", checks)):
            for example in group:
                example.write(os.path.join(folder, kind, example.name))
        if cases:
            code = run_cases(cases, os.path.join(folder, "cases"), options, where, tally)
        run_checks(checks, os.path.join(folder, "checks"), options, tally)
    finally:
        if options.keep:
            print("kept the case folders in %s" % folder)
        else:
            shutil.rmtree(folder, ignore_errors=True)
    tally.print_summary()
    if code == 2:
        return 2
    return 1 if tally.failed else 0


if __name__ == "__main__":
    sys.exit(main())
