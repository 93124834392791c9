"""Tests of the check lines against an emulated machine laid out by hand: a
check that misreads lets a case pass or fail for the wrong reason."""

import os
import shutil
import tempfile
import unittest

from tarnwick_test.cases import Case
from tarnwick_test.checks import Checker, CheckFailed, quote, tokenize
from tarnwick_test.platforms import PlatformError, PosixMachine
from tarnwick_test.windows_formats import user_name
from tarnwick_test.windows_formats_test import link_bytes

REGISTRY = """REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\App]
@="default"
"@"="named at"
"Path"="C:\\\\Program Files\\\\App"
"Count"=dword:0000001f

[HKEY_USERS\\%s\\Software\\App]
"Mine"="yes"
""" % user_name()


class CheckerTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="tarnwick-test-checks-")
        self.addCleanup(shutil.rmtree, self.work)
        self.machine = PosixMachine("/nonexistent/install", self.work, None)
        self.write("machine/drive_c/Program Files/App/app.exe", b"MZ")
        self.write("machine/drive_c/Program Files/App/log.txt", b"one\r\ntwo\r\n")
        self.write("machine/drive_c/Program Files/App/App.lnk",
                   link_bytes(0xC2, "C:\\Program Files\\App\\app.exe", "C:\\App\\app.ico\0"))
        self.write("machine/registry.reg", REGISTRY.replace("\n", "\r\n").encode("cp1252"))
        self.write("case/files/app.exe", b"MZ")
        self.write("case/expected.log", b"one\ntwo\n")
        self.checker = Checker(self.machine, Case(os.path.join(self.work, "case")),
                               lambda text: text.replace("%WORK%", "Z:" + self.work))

    def write(self, relative, data):
        path = os.path.join(self.work, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def assertHolds(self, *lines):
        for line in lines:
            self.checker.check(line)

    def assertFails(self, line, reason):
        with self.assertRaises(CheckFailed) as caught:
            self.checker.check(line)
        self.assertIn(reason, str(caught.exception))

    def test_paths_are_found_whatever_their_letter_case(self):
        self.assertHolds('exists "c:\\PROGRAM FILES\\app\\APP.EXE"',
                         'dir "C:\\Program Files\\App"', 'missing "C:\\Program Files\\Other"',
                         "exists %WORK%\\case\\expected.log")
        self.assertFails('dir "C:\\Program Files\\App\\app.exe"', "is not a folder")
        self.assertFails('missing "C:\\Program Files\\App"', "exists")

    def test_file_contents(self):
        self.write("machine/drive_c/one.txt", b"one line  with blanks\r\n")
        self.assertHolds('same "C:\\Program Files\\App\\app.exe" files/app.exe',
                         'log "C:\\Program Files\\App\\log.txt" expected.log',
                         "content C:\\one.txt one line  with blanks")
        self.assertFails('content "C:\\Program Files\\App\\log.txt" one', "content is")
        self.assertFails('same "C:\\Program Files\\App\\log.txt" files/app.exe', "differs")
        self.assertFails('same "C:\\Program Files\\App\\app.exe" ../outside', "has no file")
        self.write("machine/drive_c/bare-lf.txt", b"one\ntwo\n")
        self.assertFails("log C:\\bare-lf.txt expected.log", "log differs")

    def test_registry_values_default_and_named_at(self):
        self.assertHolds('regvalue HKLM\\Software\\App @ "default"',
                         'regvalue HKLM\\Software\\App "@" "named at"',
                         'regvalue hklm\\software\\app path "C:\\Program Files\\App"',
                         "regvalue HKEY_LOCAL_MACHINE\\Software\\App Count dword:0000001F",
                         "regvalue HKCU\\Software\\App Mine \"yes\"",
                         "key HKCU\\Software\\App", "nokey HKCU\\Software\\Other",
                         "noregvalue HKLM\\Software\\App Missing")
        self.assertFails("regvalue HKLM\\Software\\App Count dword:00000020",
                         "value is dword:0000001f, expected dword:00000020")
        self.assertFails('regvalue HKLM\\Software\\App Count "31"', "value is dword")
        self.assertFails("regvalue HKLM\\Software\\App Gone \"x\"", "does not exist")
        self.assertFails("regvalue HKLM\\Software\\App Count nonsense", "unknown registry data")
        self.assertFails("noregvalue HKLM\\Software\\App path", "exists")
        self.assertFails("key HKLM\\Software\\Other", "does not exist")

    def test_shortcut_target_and_icon(self):
        self.assertHolds('link "C:\\Program Files\\App\\App.lnk" '
                         '"c:\\program files\\app\\APP.exe" C:\\App\\app.ico')
        self.assertFails('link "C:\\Program Files\\App\\App.lnk" C:\\other.exe', "target is")
        self.assertFails('link "C:\\Program Files\\App\\App.lnk" "C:\\Program Files\\App\\app.exe"'
                         ' ""', "icon is")
        self.assertFails('link "C:\\Program Files\\App\\app.exe" C:\\x', "not a shell link")

    def test_lines_that_cannot_be_read(self):
        self.assertFails("exist C:\\x", "unknown check 'exist'")
        self.assertFails('exists "C:\\unterminated', "unterminated quote")
        self.assertFails("regvalue HKLM\\Software\\App", "expected: regvalue")
        with self.assertRaises(PlatformError):
            self.checker.check("exists D:\\x")
        with self.assertRaises(PlatformError):
            self.checker.check("exists relative\\x")


class TokenizeTest(unittest.TestCase):
    def test_quotes_group_blanks_and_the_rest_stays_verbatim(self):
        tokens, rest = tokenize('"C:\\Program Files\\x" Name  "a  b"', 2)
        self.assertEqual(["C:\\Program Files\\x", "Name"], tokens)
        self.assertEqual('"a  b"', rest)

    def test_quote_writes_what_tokenize_reads(self):
        for token in ("plain", "with blank", "", "tab\there"):
            self.assertEqual([token], tokenize(quote(token), 1)[0], token)


if __name__ == "__main__":
    unittest.main()
