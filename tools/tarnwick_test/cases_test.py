"""Tests of reading case folders: which runs a case asks for, which folders
are cases, and the files that must be refused rather than misread."""

import os
import shutil
import tempfile
import unittest

from tarnwick_test.cases import (CaseError, Case, OS_NAMES, find_cases, matches,
                                 parse_os_names)


class Folder(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tarnwick-test-cases-")
        self.addCleanup(shutil.rmtree, self.root)

    def make(self, relative, files):
        folder = os.path.join(self.root, relative)
        os.makedirs(folder, exist_ok=True)
        for name, text in files.items():
            path = os.path.join(folder, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        return folder


class OsNamesTest(Folder):
    def test_names_in_order_with_commas_comments_and_all(self):
        self.assertEqual(["win98", "nt40", "win10"],
                         parse_os_names("# oldest first\nwin98, nt40\n\nwin10\n", "os"))
        self.assertEqual(list(OS_NAMES), parse_os_names("all", "--os"))

    def test_bad_lists_are_refused_with_the_reason(self):
        for text, reason in (("win31", "unknown Windows version 'win31'"),
                             ("Win98", "unknown"),  # the machine's names are lower case
                             ("win98 win98", "named twice"), ("all win7", "named twice"),
                             ("# nothing\n", "names no Windows version")):
            with self.assertRaises(CaseError) as caught:
                parse_os_names(text, "case/os")
            self.assertIn(reason, str(caught.exception), text)
            self.assertIn("case/os", str(caught.exception))

    def test_os_file_gives_one_run_each_and_the_command_line_overrides_it(self):
        case = Case(self.make("c", {"script.txt": "", "os": "win95 winxp win10\n"}))
        self.assertEqual(["win95", "winxp", "win10"], case.os_names())
        self.assertEqual(["win2k"], case.os_names(["win2k"]))

    def test_without_os_file_one_run_on_the_default(self):
        self.assertEqual([None], Case(self.make("c", {"script.txt": ""})).os_names())

    def test_env_naming_the_version_still_works_as_written(self):
        folder = self.make("c", {"env": "TARNWICK_OS=win31\n", "platforms": "posix\n"})
        case = Case(folder)
        self.assertEqual(["win31"], case.os_names())  # the case tests a refused name
        self.assertEqual(["win7"], case.os_names(["win7"]))

    def test_env_and_os_file_cannot_both_name_it(self):
        folder = self.make("c", {"env": "TARNWICK_OS=win98\n", "os": "win95\n",
                                 "platforms": "posix\n"})
        with self.assertRaises(CaseError):
            Case(folder).os_names()


class CaseFilesTest(Folder):
    def test_defaults_of_an_almost_empty_case(self):
        case = Case(self.make("c", {"script.txt": ""}))
        self.assertEqual(["-silent", "script.txt"], case.arguments())
        self.assertEqual(0, case.expected_exit())
        self.assertEqual(["posix", "wine"], case.platforms())
        self.assertEqual({}, case.environment())
        self.assertEqual([], case.check_lines())

    def test_empty_args_means_no_arguments(self):
        self.assertEqual([], Case(self.make("c", {"args": ""})).arguments())

    def test_setup_script_is_a_preparation_unless_it_is_the_script(self):
        prepared = Case(self.make("a", {"script.txt": "", "setup.txt": ""}))
        self.assertEqual("setup.txt", prepared.setup_script())
        package = Case(self.make("b", {"setup.txt": "", "args": "-silent Setup.txt\n"}))
        self.assertIsNone(package.setup_script())

    def test_malformed_files_are_refused(self):
        for name, text in (("exit", "two\n"), ("platforms", "windows\n"), ("env", "NOEQUALS\n"),
                           ("dates", "a.txt yesterday\n")):
            case = Case(self.make(name, {name: text, "platforms": "posix\n"}
                                  if name != "platforms" else {name: text}))
            with self.assertRaises(CaseError, msg=name):
                {"exit": case.expected_exit, "platforms": case.platforms,
                 "env": case.environment, "dates": case.dates}[name]()

    def test_env_needs_the_posix_platform_only(self):
        with self.assertRaises(CaseError):
            Case(self.make("c", {"env": "A=b\n"})).environment()

    def test_dates_are_utc_and_paths_may_hold_blanks(self):
        case = Case(self.make("c", {"dates": "files/a b.txt 1999-12-31 23:00:00\n"}))
        self.assertEqual([("files/a b.txt", 946681200.0)], case.dates())

    def test_case_files_stay_inside_the_case(self):
        folder = self.make("c", {"files/a.txt": "a"})
        self.make("", {"secret.txt": "s"})
        case = Case(folder)
        self.assertEqual(b"a", case.file_bytes("files\\a.txt"))
        for name in ("../secret.txt", "/etc/passwd", "files", "nothing.txt"):
            with self.assertRaises(CaseError, msg=name):
                case.file_bytes(name)

    def test_text_that_is_not_utf8_is_refused(self):
        folder = self.make("c", {})
        with open(os.path.join(folder, "stdout"), "wb") as f:
            f.write(b"caf\xe9\n")
        with self.assertRaises(CaseError):
            Case(folder).text("stdout")


class FindCasesTest(Folder):
    def test_a_case_folder_is_one_case(self):
        folder = self.make("copy-files", {"script.txt": ""})
        self.assertEqual(["copy-files"], [c.name for c in find_cases([folder])])
        self.assertEqual(["copy-files"], [c.name for c in find_cases([folder + "/"])])

    def test_a_folder_of_cases_runs_them_all_in_name_order_at_any_depth(self):
        self.make("suite/b", {"check": ""})
        self.make("suite/a", {"args": ""})
        self.make("suite/group/c", {"script.txt": ""})
        self.make("suite/.hidden/d", {"script.txt": ""})
        self.make("suite/a/files", {"payload.txt": ""})  # payload of a, not a case
        names = [c.name for c in find_cases([os.path.join(self.root, "suite")])]
        self.assertEqual(["a", "b", "c"], names)

    def test_a_case_named_twice_runs_once(self):
        folder = self.make("c", {"script.txt": ""})
        self.assertEqual(1, len(find_cases([folder, os.path.join(self.root, ".", "c")])))

    def test_what_is_not_a_case_is_an_error(self):
        self.make("empty/files", {"readme.md": ""})
        for path in (os.path.join(self.root, "empty"), os.path.join(self.root, "missing")):
            with self.assertRaises(CaseError):
                find_cases([path])


class MatchesTest(unittest.TestCase):
    def test_parts_and_patterns_letter_case_aside(self):
        self.assertTrue(matches(None, "copy-files"))
        self.assertTrue(matches(["COPY"], "copy-files"))
        self.assertTrue(matches(["copy-*"], "copy-files"))
        self.assertFalse(matches(["copy"], "registry-keys"))
        self.assertFalse(matches(["copy-*"], "x-copy-files"))  # a pattern matches whole
        self.assertTrue(matches(["*win98]"], "os", "os [posix win98]"))
        self.assertTrue(matches(["none", "keys"], "registry-keys"))


if __name__ == "__main__":
    unittest.main()
