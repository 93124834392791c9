"""End-to-end tests of tarnwick-test: the real launcher runs the real
installer on cases made here.

TARNWICK_TEST names the launcher (default: build/posix/tarnwick-test of this
checkout); TARNWICK_TEST_WINE names an x86_64 install.exe to also run the
Wine tests with (they make Wine prefixes, which takes a while).
"""

import os
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.environ.get("TARNWICK_TEST") or os.path.join(ROOT, "build", "posix", "tarnwick-test")
WINE_INSTALLER = os.environ.get("TARNWICK_TEST_WINE")

SCRIPT = """\
[create directories and program groups]
<PROGFILES>\\{name}

[copy files]
<PROGFILES>\\{name} = app.exe

[create links]
<PROGFILES>\\{name}\\App.lnk = <PROGFILES>\\{name}\\app.exe

[create registry keys]
HKEY_LOCAL_MACHINE\\Software\\{name}

[HKEY_LOCAL_MACHINE\\Software\\{name}] ? section_type=create_regvals
Family = <OS>
"""


@unittest.skipUnless(os.path.isfile(TOOL), "no tarnwick-test at %s (build it first)" % TOOL)
class EndToEndTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarnwick-test-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def case(self, name, **files):
        folder = os.path.join(self.folder, "cases", name)
        os.makedirs(folder)
        files.setdefault("script.txt", SCRIPT.format(name=name))
        files.setdefault("app.exe", "MZ")
        for file_name, text in files.items():
            with open(os.path.join(folder, file_name), "w") as f:
                f.write(text)
        return folder

    def run_tool(self, *arguments):
        env = dict(os.environ, TMPDIR=self.folder)
        result = subprocess.run([TOOL] + list(arguments), env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                universal_newlines=True, timeout=600)
        return result.returncode, result.stdout, result.stderr

    def test_an_os_file_of_three_versions_gives_three_results(self):
        folder = self.case("three", os="win98 nt40\nwin10\n",
                           check='dir "C:\\Program Files\\three"\n')
        code, out, _ = self.run_tool(folder)
        self.assertEqual(0, code, out)
        self.assertEqual(["PASS three [posix win98]", "PASS three [posix nt40]",
                          "PASS three [posix win10]", "3 passed, 0 failed"], out.splitlines())

    def test_a_failing_check_fails_the_run_and_is_named(self):
        passing = self.case("passing")
        failing = self.case("failing", os="win95 win7\n", check=(
            "# the family differs between the two\n"
            'regvalue HKLM\\Software\\failing Family "Windows NT"\n'))
        code, out, _ = self.run_tool(passing, failing)
        self.assertEqual(1, code)
        self.assertIn("PASS passing [posix]\n"
                      "FAIL failing [posix win95]\n"
                      '    check line 2: regvalue HKLM\\Software\\failing Family "Windows NT"\n'
                      '      value is "Windows 95", expected "Windows NT"\n'
                      "PASS failing [posix win7]\n", out)
        self.assertTrue(out.endswith("2 passed, 1 failed\n"), out)

    def test_exit_code_and_output_differences_show_expected_and_actual(self):
        folder = self.case("warns", **{"script.txt": "[install files] ? err_type=warning\nx\n"})
        code, out, _ = self.run_tool(folder)
        self.assertEqual(1, code)
        self.assertIn("    exit code 1, expected 0\n", out)
        self.assertIn("    +Warning:\n    +Unrecognized predefined section encountered: "
                      "install files\n", out)

    def test_junit_file_names_every_run_and_the_failure(self):
        folder = self.case("junit", os="win2k winxp", exit="2\n")
        junit = os.path.join(self.folder, "results.xml")
        code, _, _ = self.run_tool("--junit", junit, folder)
        self.assertEqual(1, code)
        suite = ET.parse(junit).getroot().find("testsuite")
        self.assertEqual(["junit [posix win2k]", "junit [posix winxp]"],
                         [case.get("name") for case in suite.findall("testcase")])
        self.assertEqual("exit code 0, expected 2",
                         suite.find("testcase/failure").get("message"))

    def test_show_lists_files_registry_values_and_shortcuts(self):
        folder = self.case("shown")
        code, out, _ = self.run_tool("--show", folder)
        self.assertEqual(0, code, out)
        for line in ("      + C:\\Program Files\\shown\\app.exe",
                     "      + [HKEY_LOCAL_MACHINE\\Software\\shown]",
                     '          + Family = "Windows NT"',
                     "      C:\\Program Files\\shown\\App.lnk",
                     "        -> C:\\Program Files\\shown\\app.exe"):
            self.assertIn(line + "\n", out)

    def test_record_then_run_passes_and_keeps_what_the_case_has(self):
        folder = self.case("recorded", stdout="mine\n")
        code, out, _ = self.run_tool("--record", folder)
        self.assertEqual(1, code)  # the kept stdout still does not hold
        self.assertIn("(recorded exit, check)", out)
        self.assertIn("(kept stdout", out)
        with open(os.path.join(folder, "check")) as f:
            check = f.read()
        self.assertIn('same "C:\\Program Files\\recorded\\app.exe" app.exe\n', check)
        self.assertIn('regvalue HKEY_LOCAL_MACHINE\\Software\\recorded Family "Windows NT"\n',
                      check)
        code, out, _ = self.run_tool("--record", "--force", folder)
        self.assertEqual((0, "PASS recorded [posix]\n    (recorded stdout)\n1 passed, 0 failed\n"),
                         (code, out))
        self.assertEqual((0, "PASS recorded [posix]\n1 passed, 0 failed\n"), self.run_tool(folder)[:2])

    def test_k_selects_runs_and_a_folder_of_cases_runs_them_all(self):
        self.case("alpha", os="win98 win10")
        self.case("beta")
        cases = os.path.join(self.folder, "cases")
        code, out, _ = self.run_tool("-k", "win98", "-k", "beta", cases)
        self.assertEqual(["PASS alpha [posix win98]", "PASS beta [posix]", "2 passed, 0 failed"],
                         out.splitlines())
        code, out, err = self.run_tool("-k", "gamma", cases)
        self.assertEqual(1, code)
        self.assertIn("no case was run", err)

    def test_cases_that_cannot_run_are_reported(self):
        bad_os = self.case("bad-os", os="win31\n")
        code, out, _ = self.run_tool(bad_os)
        self.assertEqual(1, code)
        self.assertIn("FAIL bad-os [posix]\n    could not run: bad-os/os: unknown Windows version "
                      "'win31'", out)
        outside = os.path.join(self.folder, "outside.txt")
        open(outside, "w").close()
        escaping = self.case("escaping", readonly="../../outside.txt\n")
        code, out, _ = self.run_tool(escaping)
        self.assertEqual(1, code)
        self.assertIn("could not run: readonly: '../../outside.txt' is no path in the case", out)
        self.assertTrue(os.stat(outside).st_mode & 0o200)  # its write bit untouched
        code, _, err = self.run_tool(os.path.join(self.folder, "nowhere"))
        self.assertEqual(2, code)
        self.assertIn("no such case folder", err)
        code, _, err = self.run_tool("--os", "win31", bad_os)
        self.assertEqual(2, code)
        self.assertIn("unknown Windows version", err)

    @unittest.skipUnless(WINE_INSTALLER, "TARNWICK_TEST_WINE names no install.exe")
    def test_wine_claims_each_version_and_shows_the_boxes(self):
        folder = self.case("e2e-wine-versions", args="script.txt\n", os="win98 winxp\n",
                           check='regvalue HKLM\\Software\\e2e-wine-versions Family '
                                 '"Windows 98"\n',
                           boxes="+--- Tarnwick Installer [0x2040] ---\n"
                                 "| Software successfully installed!\n+---\n")
        code, out, _ = self.run_tool("--wine", WINE_INSTALLER, folder)
        self.assertEqual(1, code)
        self.assertIn("PASS e2e-wine-versions [wine win98]\n"
                      "FAIL e2e-wine-versions [wine winxp]\n", out)
        self.assertIn('value is "Windows NT", expected "Windows 98"', out)
        self.assertNotIn("message boxes differ", out)


if __name__ == "__main__":
    unittest.main()
