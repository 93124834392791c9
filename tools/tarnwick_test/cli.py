"""The command line of tarnwick-test."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from .cases import CaseError, OS_NAMES, find_cases, matches, parse_os_names
from .junit import write_junit
from .platforms import PlatformError, PosixPlatform, WinePlatform
from .runner import Options, Run, RunResult

USAGE = ("tarnwick-test [--os NAMES] [--wine INSTALL.EXE] [--junit FILE] [--show] "
         "[--record [--force]] [-k PATTERN] [--keep] CASE...")
DESCRIPTION = """\
Runs installation script tests: each CASE folder holds a script, its files and
what must hold after the installer has run it on a fresh Windows machine. A
folder that holds case folders runs them all. Every case runs once for each
Windows version its os file names (else on the default one), on the emulated
machine of the POSIX installer, or with --wine under Wine. Prints PASS or FAIL
per run, with what differed, then "N passed, N failed"; exits 0 only when all
passed. The case format: docs/testing-scripts.md."""


def parse_arguments(argv, version):
    parser = argparse.ArgumentParser(prog="tarnwick-test", usage=USAGE, description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("cases", nargs="+", metavar="CASE", help="a case folder, or a folder "
                        "of cases")
    parser.add_argument("--os", metavar="NAMES", help="run every case on these Windows versions "
                        "instead of those its os file names (blanks or commas between them; "
                        "%s; all)" % ", ".join(OS_NAMES))
    parser.add_argument("--wine", metavar="INSTALL.EXE", help="run the Win32 installer under "
                        "Wine instead of the POSIX one")
    parser.add_argument("--installer", metavar="PATH", help="the POSIX installer to run "
                        "(default: the one installed with tarnwick-test)")
    parser.add_argument("--junit", metavar="FILE", help="also write the results as JUnit XML")
    parser.add_argument("--show", action="store_true", help="after each run, show what it "
                        "changed on the machine")
    parser.add_argument("--record", action="store_true", help="write what each run observed "
                        "(exit, stdout, boxes, check) into its case where the case has no such "
                        "file yet")
    parser.add_argument("--force", action="store_true", help="with --record, replace the files "
                        "the case has")
    parser.add_argument("-k", dest="patterns", action="append", metavar="PATTERN",
                        help="run only the cases (or runs, as 'name [posix win98]') that "
                        "PATTERN is part of, or that match it with * ? [...]; repeatable")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folders "
                        "(machines, media, Wine prefixes) and say where they are")
    parser.add_argument("--wineprefix", metavar="DIR", help="with --wine, make the Wine prefix "
                        "here (versions other than the default get DIR-<version>)")
    parser.add_argument("--version", action="version", version="tarnwick-test " + version)
    options = parser.parse_args(argv)
    if options.force and not options.record:
        parser.error("--force goes with --record")
    if options.wine and options.installer:
        parser.error("give --installer (the POSIX installer) or --wine (install.exe), not both")
    if options.wineprefix and not options.wine:
        parser.error("--wineprefix goes with --wine")
    if options.os is not None:
        try:
            options.os = parse_os_names(options.os, "--os")
        except CaseError as error:
            parser.error(str(error))
    return options


def remove_tree(path):
    """Removes a scratch tree, also where a case took write bits away."""
    for folder, _, _ in os.walk(path):
        if not os.path.islink(folder):
            os.chmod(folder, 0o700)
    shutil.rmtree(path, ignore_errors=True)


class Session:
    """All runs of one command line: prints each result as it comes."""

    def __init__(self, options, platform, scratch):
        self.options = options
        self.platform = platform
        self.scratch = scratch
        self.results = []
        # Run folders are named after their case, beside the Wine prefixes.
        self.folders = {name + suffix for name in ["wineprefix"] + ["wineprefix-" + os_name
                                                                    for os_name in OS_NAMES]
                        for suffix in ("", "-home")}

    def work_folder(self, name, os_name):
        base = name if os_name is None else "%s-%s" % (name, os_name)
        folder, number = base, 1
        while folder in self.folders:
            number += 1
            folder = "%s-%d" % (base, number)
        self.folders.add(folder)
        path = os.path.join(self.scratch, folder)
        os.makedirs(path)
        return path

    def report(self, result):
        self.results.append(result)
        if result.skipped:
            print("SKIP %s: %s" % (result.label(), result.skipped))
        else:
            print("%s %s" % ("PASS" if result.passed() else "FAIL", result.label()))
        for note in result.notes:
            print("    (%s)" % note)
        for problem in result.problems:
            print("\n".join("    " + line if not line.startswith("    ") else line
                            for line in problem.splitlines()))
        for line in result.shown:
            print(line)
        if self.options.keep and result.folder:
            print("    kept: %s (media/: the installer's folder%s)"
                  % (result.folder, ", machine/: the emulated machine"
                     if result.platform == "posix" else ""))
        sys.stdout.flush()

    def run_case(self, case):
        os_names = self.planned_versions(case)
        record = self.options.record
        for os_name in os_names:
            label = RunResult(case.name, self.platform.name, os_name).label()
            if matches(self.options.patterns, case.name, label):
                result = self.run_once(case, os_name, record)
                # One recording per case: its other runs are held to it.
                record = record and result.skipped is not None
                self.report(result)

    def planned_versions(self, case):
        """The Windows versions to run the case on; [] when it is not to run
        here or cannot, which is reported."""
        platform = self.platform.name
        result = RunResult(case.name, platform, None)
        try:
            if platform in case.platforms():
                return case.os_names(self.options.os)
            result.skipped = "the case's platforms file leaves %s out" % platform
        except CaseError as error:
            result.problems.append("could not run: %s" % error)
            result.error = True
        if matches(self.options.patterns, case.name):
            self.report(result)
        return []

    def run_once(self, case, os_name, record):
        result = RunResult(case.name, self.platform.name, os_name)
        result.skipped = self.platform.cannot_run(os_name)
        if result.skipped:
            return result
        work = self.work_folder(case.name, os_name)
        try:
            machine = self.platform.machine(work, os_name)
        except PlatformError as error:
            result.problems.append("could not run: %s" % error)
            result.error = True
            return result
        options = Options(self.options.show, record, self.options.force)
        result = Run(case, machine, work, options).execute()
        result.folder = work
        return result

    def summary(self):
        passed = sum(1 for r in self.results if r.passed())
        skipped = sum(1 for r in self.results if r.skipped)
        failed = len(self.results) - passed - skipped
        if skipped:
            print("%d skipped" % skipped)
        print("%d passed, %d failed" % (passed, failed))
        return passed, failed


def main(argv, default_installer, version):
    options = parse_arguments(argv, version)
    try:
        cases = find_cases(options.cases)
    except (CaseError, OSError) as error:
        print("tarnwick-test: %s" % error, file=sys.stderr)
        return 2
    installer = os.path.abspath(options.wine or options.installer or default_installer or "")
    if not os.path.isfile(installer):
        print("tarnwick-test: no installer at %s%s" % (installer, "" if options.wine else
              " (build it, or name one with --installer)"), file=sys.stderr)
        return 2

    # realpath: the installer reports its own folder with links resolved.
    scratch = os.path.realpath(tempfile.mkdtemp(prefix="tarnwick-test-"))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    if options.wine:
        platform = WinePlatform(installer, scratch, options.wineprefix)
    else:
        platform = PosixPlatform(installer)
    session = Session(options, platform, scratch)
    started = time.time()
    try:
        platform.start()
        for case in cases:
            session.run_case(case)
    except BrokenPipeError:
        raise  # nobody reads the report any more
    except (PlatformError, OSError, subprocess.SubprocessError) as error:
        print("FAIL could not start the %s platform: %s" % (platform.name, error))
        result = RunResult("(%s platform)" % platform.name, platform.name, None)
        result.problems.append(str(error))
        result.error = True
        session.results.append(result)
    finally:
        platform.finish()
        if options.keep:
            print("kept %s%s" % (scratch, " (Wine prefixes: wineprefix*)" if options.wine else ""))
        else:
            remove_tree(scratch)
    passed, failed = session.summary()
    if options.junit:
        write_junit(options.junit, session.results, "tarnwick-test", started)
    if not session.results:
        print("tarnwick-test: no case was run (check the -k patterns)", file=sys.stderr)
        return 1
    return 1 if failed else 0


def run(argv, default_installer, version):
    """main, for the launcher: a reader that stops reading (| head) or ^C
    ends the run quietly, its temporary folders removed."""
    try:
        return main(argv, default_installer, version)
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    except KeyboardInterrupt:
        print("tarnwick-test: interrupted", file=sys.stderr)
        return 130
