"""One run: a case on one machine, from laying out the media to the checks."""

import os
import shutil
import subprocess
import time

from . import record, show, snapshot
from .boxes import compare as compare_boxes, read_boxes
from .cases import EXPECTATIONS, CaseError
from .checks import Checker, CheckFailed
from .platforms import PlatformError
from .texts import indented_diff, normalise_lines
from .windows_formats import user_name

RUN_TIMEOUT = {"posix": 60, "wine": 90}


class RunResult:
    """What one run of a case on one platform and Windows version came to."""

    def __init__(self, case_name, platform, os_name):
        self.case_name = case_name
        self.platform = platform
        self.os_name = os_name
        self.problems = []  # each a text of one or more lines
        self.error = False  # the run could not be made at all
        self.skipped = None  # why the run was not made
        self.notes = []  # what --record did
        self.seconds = 0.0
        self.stdout = ""
        self.stderr = ""
        self.shown = []  # --show's lines
        self.folder = None  # where the run's media and machine were

    def label(self):
        where = self.platform if self.os_name is None else "%s %s" % (self.platform, self.os_name)
        return "%s [%s]" % (self.case_name, where)

    def passed(self):
        return not self.problems and not self.skipped


class Options:
    def __init__(self, show=False, record=False, force=False):
        self.show = show
        self.record = record
        self.force = force


class Run:
    """Lays out the media in `work`, runs the installer on the machine, and
    compares what happened with what the case expects."""

    def __init__(self, case, machine, work, options):
        self.case = case
        self.machine = machine
        self.work = work
        self.options = options
        self.media = os.path.join(work, "media")
        self.elsewhere = os.path.join(work, "elsewhere")
        self.result = RunResult(case.name, machine.platform, machine.os_name)

    def variables(self):
        return {
            "%INSTALLER%": "Z:" + self.media.replace("/", "\\"),
            "%WORK%": "Z:" + self.work.replace("/", "\\"),
            "%USER%": user_name(),
        }

    def expand(self, text):
        for name, value in self.variables().items():
            text = text.replace(name, value)
        return text

    def execute(self):
        started = time.monotonic()
        try:
            self.carry_out()
        except (CaseError, PlatformError, OSError, ValueError, subprocess.SubprocessError) as error:
            self.result.problems.append("could not run: %s" % error)
            self.result.error = True
        self.result.seconds = time.monotonic() - started
        return self.result

    def carry_out(self):
        case_environment = self.case.environment()
        self.lay_out_media()
        setup = self.case.setup_script()
        if setup:
            code, out, err = self.run_installer(["-silent", setup], case_environment)
            if code != 0:
                self.result.problems.append("%s ended with exit code %d:\n%s%s"
                                            % (setup, code, out, err))
                return
        observe = self.options.show or self.options.record
        before = None
        if observe:
            self.provision(case_environment)
            before = snapshot.take(self.machine, self.media)
        arguments = self.case.arguments()
        code, out, err = self.run_installer(arguments, case_environment)
        self.result.stdout, self.result.stderr = out, err
        boxes = self.machine.boxes(err)
        changes = None
        if observe:
            ignored = snapshot.WINE_OWN_KEYS if self.machine.platform == "wine" else ()
            changes = snapshot.Changes(before, snapshot.take(self.machine, self.media), ignored)
        if self.options.record:
            self.record(code, out, boxes, changes)
        if self.options.show:
            self.result.shown = show.describe(["install"] + arguments, code, out, boxes, changes,
                                              changes.shortcuts(self.machine))
        self.compare(code, out, err, boxes)

    def lay_out_media(self):
        """The case's files with the installer beside them, as on installation media."""
        folder = self.case.folder
        shutil.copytree(folder, self.media,
                        ignore=lambda d, names: [n for n in names
                                                 if os.path.samefile(d, folder) and
                                                 n in EXPECTATIONS])
        shutil.copy2(self.machine.installer,
                     os.path.join(self.media, self.machine.installer_name()))
        for relative, stamp in self.case.dates():
            os.utime(self.media_path(relative, "dates"), (stamp, stamp))
        # Last, since a folder without write bits takes no new times either.
        for relative in self.case.read_only_paths():
            path = self.media_path(relative, "readonly")
            os.chmod(path, os.stat(path).st_mode & ~0o222)
        os.makedirs(self.elsewhere)

    def media_path(self, relative, where):
        """The media's copy of a path of the case; nothing outside the media."""
        media = os.path.realpath(self.media)
        path = os.path.realpath(os.path.join(media, *relative.replace("\\", "/").split("/")))
        if not path.startswith(media + os.sep) or not os.path.lexists(path):
            raise CaseError("%s: %r is no path in the case" % (where, relative))
        return path

    def provision(self, case_environment):
        """A machine comes into being on first use: a run of an empty script
        makes it, so that the snapshot before the run shows a bare machine
        rather than nothing."""
        if self.machine.exists():
            return
        folder = os.path.join(self.work, "provision")
        os.makedirs(folder)
        shutil.copy2(self.machine.installer, os.path.join(folder, self.machine.installer_name()))
        open(os.path.join(folder, "empty.txt"), "w").close()
        self.run_installer(["-silent", "empty.txt"], case_environment, folder)

    def run_installer(self, arguments, case_environment, media=None):
        """(exit code, standard output, standard error) of one installer run,
        started from another folder, without a terminal."""
        # Output goes to files, not pipes: Wine's service processes, started by
        # the first program of a prefix, inherit the handles and outlive it, so
        # a pipe would never report its end.
        out_path = os.path.join(self.work, "stdout.out")
        err_path = os.path.join(self.work, "stderr.out")
        timeout = RUN_TIMEOUT[self.machine.platform]
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            try:
                result = subprocess.run(
                    self.machine.command(media or self.media, arguments), cwd=self.elsewhere,
                    env=self.machine.environment(case_environment), stdin=subprocess.DEVNULL,
                    stdout=out, stderr=err, timeout=timeout,
                    # A new session has no controlling terminal, so a message
                    # box can never wait for a person who is not there.
                    start_new_session=True)
            except subprocess.TimeoutExpired:
                raise CaseError("the installer did not end within %d s" % timeout)
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            return (result.returncode,
                    normalise_lines(out.read().decode("cp1252", errors="replace")),
                    normalise_lines(err.read().decode("cp1252", errors="replace")))

    def record(self, code, out, boxes, changes):
        variables = self.variables()
        observed = {"exit": "%d\n" % code, "stdout": record.generalise(out, variables),
                    "check": record.check_text(self.case, changes, self.media, self.machine,
                                               variables)}
        if boxes or self.case.has("boxes"):
            observed["boxes"] = record.generalise(record.boxes_text(boxes), variables)
        self.result.notes += record.record(self.case, observed, self.options.force)

    # ------------------------------------------------------------ comparisons

    def compare(self, code, out, err, boxes):
        self.compare_exit(code)
        self.compare_text("stdout", out)
        if self.machine.platform == "posix" and self.case.has("stderr"):
            self.compare_text("stderr", err)
        if self.case.has("boxes"):
            self.compare_boxes(boxes)
        checker = Checker(self.machine, self.case, self.expand)
        for number, line in self.case.check_lines():
            try:
                checker.check(line)
            except (CheckFailed, PlatformError, ValueError, OSError) as error:
                self.result.problems.append("check line %d: %s\n  %s" % (number, line, error))

    def compare_exit(self, code):
        expected = self.case.expected_exit()
        if code == expected:
            return
        if code < 0:
            self.result.problems.append("killed by signal %d (expected exit code %d)"
                                        % (-code, expected))
        else:
            self.result.problems.append("exit code %d, expected %d" % (code, expected))

    def compare_text(self, name, actual):
        expected = normalise_lines(self.expand(self.case.text(name, "")))
        if actual != expected:
            self.result.problems.append("%s differs:\n%s" % (name, indented_diff(
                expected.splitlines(True), actual.splitlines(True), "expected " + name,
                "actual " + name, "    ")))

    def compare_boxes(self, boxes):
        try:
            expected = read_boxes(self.expand(self.case.text("boxes")), strict=True)
        except ValueError as error:
            self.result.problems.append("boxes: %s" % error)
            return
        difference = compare_boxes(expected, boxes, self.machine.shows_flags)
        if difference:
            self.result.problems.append("message boxes differ:\n" + difference)
