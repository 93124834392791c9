"""Tests of --junit: the file must parse as XML whatever the installer
printed, and hold one testcase per run with its outcome where CI systems
look for it."""

import os
import shutil
import tempfile
import unittest
import xml.etree.ElementTree as ET

from tarnwick_test.junit import write_junit
from tarnwick_test.runner import RunResult


def result(name, os_name=None, problems=(), error=False, skipped=None, stdout=""):
    run = RunResult(name, "posix", os_name)
    run.problems = list(problems)
    run.error = error
    run.skipped = skipped
    run.stdout = stdout
    run.seconds = 0.25
    return run


class JunitTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarnwick-test-junit-")
        self.addCleanup(shutil.rmtree, self.folder)
        self.path = os.path.join(self.folder, "results.xml")

    def written(self, results):
        write_junit(self.path, results, "tarnwick-test", 0)
        return ET.parse(self.path).getroot()

    def test_one_testcase_per_run_with_the_counts(self):
        root = self.written([
            result("copy-files", "win98"), result("copy-files", "win10"),
            result("registry", problems=["exit code 1, expected 0", "check line 3: key X\n  no"],
                   stdout="Warning:\n\x01odd\x1b[0m <&>\n"),
            result("broken", problems=["could not run: exit: not a number"], error=True),
            result("wine-only", skipped="the case's platforms file leaves posix out")])
        self.assertEqual("testsuites", root.tag)
        (suite,) = root.findall("testsuite")
        for element in (root, suite):
            self.assertEqual(("5", "1", "1", "1"), (element.get("tests"), element.get("failures"),
                                                    element.get("errors"), element.get("skipped")))
        self.assertEqual("1.250", suite.get("time"))
        cases = suite.findall("testcase")
        self.assertEqual(["copy-files [posix win98]", "copy-files [posix win10]",
                          "registry [posix]", "broken [posix]", "wine-only [posix]"],
                         [case.get("name") for case in cases])
        self.assertEqual("copy-files", cases[0].get("classname"))
        self.assertEqual([], list(cases[0]))
        failure = cases[2].find("failure")
        self.assertEqual("exit code 1, expected 0", failure.get("message"))
        self.assertEqual("exit code 1, expected 0\ncheck line 3: key X\n  no", failure.text)
        self.assertEqual("Warning:\n\\x01odd\\x1b[0m <&>\n", cases[2].find("system-out").text)
        self.assertIsNotNone(cases[3].find("error"))
        self.assertEqual("the case's platforms file leaves posix out",
                         cases[4].find("skipped").get("message"))

    def test_no_runs_is_still_a_valid_file(self):
        root = self.written([])
        self.assertEqual("0", root.get("tests"))
        self.assertEqual([], root.find("testsuite").findall("testcase"))


if __name__ == "__main__":
    unittest.main()
