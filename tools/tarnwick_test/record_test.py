"""Tests of --record: the check file it writes must hold on the machine it
was recorded from, name paths as any run names them, and never overwrite
what an author wrote unless asked."""

import os
import shutil
import tempfile
import unittest

from tarnwick_test import record
from tarnwick_test.cases import Case
from tarnwick_test.checks import Checker
from tarnwick_test.platforms import PosixMachine
from tarnwick_test.snapshot import Changes, take
from tarnwick_test.windows_formats import user_name
from tarnwick_test.windows_formats_test import link_bytes


class RecordTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="tarnwick-test-record-")
        self.addCleanup(shutil.rmtree, self.work)
        self.machine = PosixMachine("/nonexistent/install", self.work, None)
        self.media = os.path.join(self.work, "media")
        self.variables = {"%INSTALLER%": "Z:" + self.media.replace("/", "\\"),
                          "%WORK%": "Z:" + self.work.replace("/", "\\"),
                          "%USER%": user_name()}
        self.case = Case(os.path.join(self.work, "case"))
        self.write("case/files/app.exe", b"MZ program")
        self.write("case/exit", b"0\n")  # an expectation file is no payload to name
        self.write("machine/registry.reg", b"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Old]\r\n"
                   b"\"Gone\"=\"x\"\r\n[HKEY_LOCAL_MACHINE\\Old\\Sub]\r\n"
                   b"[HKEY_LOCAL_MACHINE\\Keep]\r\n\"Gone\"=\"y\"\r\n")
        self.write("machine/drive_c/old/inside.txt")
        self.write("media/setup.txt")

    def write(self, relative, data=b"x"):
        path = os.path.join(self.work, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def run_installer(self):
        """What an installation would do to the machine laid out in setUp."""
        user = user_name()
        self.write("machine/drive_c/Program Files/My App/app.exe", b"MZ program")
        self.write("machine/drive_c/Program Files/My App/version.txt", b"1.2\r\n")
        self.write("machine/drive_c/Program Files/My App/data.bin", b"\0\1\2")
        os.makedirs(os.path.join(self.work, "machine/drive_c/Program Files/My App/Empty"))
        self.write("machine/drive_c/users/%s/Desktop/App.lnk" % user,
                   link_bytes(0x82, "C:\\users\\%s\\app.exe" % user))
        shutil.rmtree(os.path.join(self.work, "machine/drive_c/old"))
        self.write("media/debug.out", b"traced %s\r\n" % self.variables["%INSTALLER%"].encode())
        self.write("machine/registry.reg", (
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Keep]\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\My App]\r\n@=\"default\"\r\n\"@\"=\"at\"\r\n"
            "\"Dir\"=\"C:\\\\users\\\\%s\\\\app\"\r\n\"Count\"=dword:00000003\r\n"
            "\"Q\\\"uote\"=\"v\"\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\My App\\Empty\\Deeper]\r\n"
            "[HKEY_USERS\\%s\\Software\\Mine]\r\n\"X\"=\"y\"\r\n" % (user, user)).encode())

    def recorded_checks(self):
        before = take(self.machine, self.media)
        self.run_installer()
        changes = Changes(before, take(self.machine, self.media))
        return record.check_text(self.case, changes, self.media, self.machine, self.variables)

    def test_every_change_becomes_a_check_that_holds(self):
        text = self.recorded_checks()
        lines = [line for line in text.splitlines() if line and not line.startswith("#")]
        self.assertEqual([
            'dir "C:\\Program Files\\My App\\Empty"',
            'same "C:\\Program Files\\My App\\app.exe" files/app.exe',
            'exists "C:\\Program Files\\My App\\data.bin"',
            'content "C:\\Program Files\\My App\\version.txt" 1.2',
            'link C:\\users\\%USER%\\Desktop\\App.lnk C:\\users\\%USER%\\app.exe ""',
            "missing C:\\old",
            "content %INSTALLER%\\debug.out traced %INSTALLER%",
            "key \"HKEY_LOCAL_MACHINE\\Software\\My App\\Empty\\Deeper\"",
            "nokey HKEY_LOCAL_MACHINE\\Old",
            "noregvalue HKEY_LOCAL_MACHINE\\Keep Gone",
            "regvalue \"HKEY_LOCAL_MACHINE\\Software\\My App\" @ \"default\"",
            "regvalue \"HKEY_LOCAL_MACHINE\\Software\\My App\" \"@\" \"at\"",
            "regvalue \"HKEY_LOCAL_MACHINE\\Software\\My App\" Count dword:00000003",
            "regvalue \"HKEY_LOCAL_MACHINE\\Software\\My App\" Dir "
            "\"C:\\users\\%USER%\\app\"",
            "regvalue HKEY_CURRENT_USER\\Software\\Mine X \"y\""], lines)
        self.assertIn('# HKEY_LOCAL_MACHINE\\Software\\My App\\Q"uote: a name a check line cannot '
                      'quote', text)
        expand = record_expander(self.variables)
        checker = Checker(self.machine, self.case, expand)
        for line in lines:
            checker.check(line)

    def test_nothing_changed_is_said_in_a_comment(self):
        before = take(self.machine, self.media)
        changes = Changes(before, take(self.machine, self.media))
        text = record.check_text(self.case, changes, self.media, self.machine, self.variables)
        self.assertTrue(text.startswith("#"))
        self.assertNotIn("\n" + "exists", text)

    def test_paths_of_the_run_become_variables(self):
        text = "Z:%s\\a.txt in Z:%s, C:\\Users\\%s\\x, C:\\users\\%sx" % (
            self.media.replace("/", "\\"), self.work.replace("/", "\\"), user_name(), user_name())
        self.assertEqual("%%INSTALLER%%\\a.txt in %%WORK%%, C:\\users\\%%USER%%\\x, "
                         "C:\\users\\%sx" % user_name(),
                         record.generalise(text, self.variables))

    def test_what_the_case_has_is_kept_unless_forced(self):
        self.write("case/stdout", b"mine\n")
        notes = record.record(self.case, {"exit": "0\n", "stdout": "theirs\n", "check": "# c\n"},
                              force=False)
        self.assertEqual(["recorded check",
                          "kept stdout: the case's own differ from this run (--force replaces "
                          "them)"], notes)
        self.assertEqual("mine\n", self.case.text("stdout"))
        notes = record.record(self.case, {"stdout": "theirs\n"}, force=True)
        self.assertEqual(["recorded stdout"], notes)
        self.assertEqual("theirs\n", self.case.text("stdout"))
        self.assertEqual([], record.record(self.case, {"stdout": "theirs\n"}, force=False))


def record_expander(variables):
    def expand(text):
        for name, value in variables.items():
            text = text.replace(name, value)
        return text
    return expand


if __name__ == "__main__":
    unittest.main()
