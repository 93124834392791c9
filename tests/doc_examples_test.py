#!/usr/bin/env python3
"""Tests of the handbook's example reader (tests/doc_examples.py): broken markers
are refused instead of silently skipping examples, and the handbook's pages
all yield their examples."""

import argparse
import contextlib
import io
import os
import re
import shutil
import stat
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the checkout free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from doc_examples import (DOCS, MarkerError, Tally, check_example_problems, collect,  # noqa: E402
                          parse_page, run_cases, run_checks)

FENCE = "```"


def page(*lines):
    return "\n".join(lines) + "\n"


RUN = ["<!-- run -->", FENCE, "$ install -silent script.txt", "[exit code 0]", FENCE]
CHECK_RUN = ["<!-- run -->", FENCE, "$ tarnwick-check --os win98 setup.txt",
             "setup.txt:2: warning: Alias A is never used", "    A = 1",
             "no errors, 1 warning", "[exit code 1]", FENCE]


class ParsePageTest(unittest.TestCase):
    def test_an_example_becomes_a_case(self):
        text = page("# Title", "<!-- example: copy-a-file -->", "Some prose.",
                    "<!-- file: script.txt -->", FENCE + "ini", "[copy files]",
                    "<PROGFILES> = files\\a.txt", FENCE, "",
                    "<!-- file: files/a.txt -->", FENCE, "a", FENCE, "",
                    "<!-- run -->", FENCE, "$ TARNWICK_OS=win98 install -silent script.txt",
                    "Warning:", "\tthe message", "", "[exit code 1]", FENCE)
        (example,) = parse_page(text, "docs/x.md")
        self.assertEqual(example.name, "copy-a-file")
        self.assertEqual(example.line, 2)
        self.assertEqual(example.files["script.txt"], "[copy files]\n<PROGFILES> = files\\a.txt\n")
        self.assertEqual(example.files["files/a.txt"], "a\n")
        self.assertEqual(example.files["args"], "-silent script.txt\n")
        self.assertEqual(example.files["stdout"], "Warning:\n\tthe message\n\n")
        self.assertEqual(example.files["exit"], "1\n")
        self.assertEqual(example.files["env"], "TARNWICK_OS=win98\n")

    def test_no_arguments_and_no_output(self):
        text = page("<!-- example: bare -->", "<!-- run -->", FENCE, "$ install",
                    "[exit code 2]", FENCE)
        (example,) = parse_page(text, "docs/x.md")
        self.assertEqual(example.files["args"], "")
        self.assertEqual(example.files["stdout"], "")

    def test_an_example_ends_at_the_next_heading(self):
        text = page("<!-- example: first -->", *RUN, "## Next", "<!-- file: check -->",
                    FENCE, "dir C:\\x", FENCE)
        with self.assertRaisesRegex(MarkerError, "x.md:8: file marker outside an example"):
            parse_page(text, "docs/x.md")

    def test_fenced_blocks_without_a_marker_are_illustrations(self):
        text = page(FENCE, "<!-- example: not-one -->", FENCE, "<!-- example: real -->", *RUN)
        self.assertEqual([e.name for e in parse_page(text, "docs/x.md")], ["real"])

    def test_a_checker_run_is_no_case(self):
        text = page("<!-- example: a-check -->", "<!-- file: setup.txt -->", FENCE,
                    "[aliases]", "A = 1", FENCE, *CHECK_RUN)
        (example,) = parse_page(text, "docs/x.md")
        self.assertTrue(example.is_check())
        self.assertEqual(sorted(example.files), ["setup.txt"])
        self.assertEqual(example.run.arguments, ["--os", "win98", "setup.txt"])
        self.assertEqual(example.run.output, "setup.txt:2: warning: Alias A is never used\n"
                         "    A = 1\nno errors, 1 warning\n")
        self.assertEqual(example.run.code, 1)

    def test_platforms(self):
        text = page("<!-- example: both -->", "<!-- platforms: posix wine -->", *RUN)
        self.assertEqual(parse_page(text, "docs/x.md")[0].platforms, "posix wine")

    def test_broken_markers_are_refused(self):
        cases = {
            "unknown marker": page("<!-- exmaple: typo -->"),
            "bad example name": page("<!-- example: Upper Case -->", *RUN),
            "must be followed by a fenced block": page(
                "<!-- example: a -->", "<!-- file: script.txt -->", "", FENCE, "x", FENCE, *RUN),
            "not closed": page("<!-- example: a -->", "<!-- file: script.txt -->", FENCE, "x"),
            "has no run block": page("<!-- example: a -->"),
            "has two runs": page("<!-- example: a -->", *RUN, *RUN),
            "ends with .\\[exit code N\\]": page(
                "<!-- example: a -->", "<!-- run -->", FENCE, "$ install x", "out", FENCE),
            "starts with": page(
                "<!-- example: a -->", "<!-- run -->", FENCE, "install x", "[exit code 0]", FENCE),
            "has two files": page("<!-- example: a -->", "<!-- file: check -->", FENCE, FENCE,
                                  "<!-- file: check -->", FENCE, FENCE, *RUN),
            "bad file name": page("<!-- example: a -->", "<!-- file: ../x -->", FENCE, FENCE,
                                  *RUN),
            "line of its own": page("text <!-- example: a -->"),
            "takes no NAME=VALUE": page(
                "<!-- example: a -->", "<!-- run -->", FENCE, "$ TARNWICK_OS=win98 tarnwick-check",
                "[exit code 2]", FENCE),
            "runs tarnwick-check, which the examples run on POSIX only": page(
                "<!-- example: a -->", "<!-- platforms: posix wine -->", *CHECK_RUN),
            "runs tarnwick-check, which has no check file": page(
                "<!-- example: a -->", "<!-- file: check -->", FENCE, "dir C:\\x", FENCE,
                *CHECK_RUN),
            "only the POSIX run": page("<!-- example: a -->", "<!-- platforms: wine -->",
                                       "<!-- run -->", FENCE, "$ TARNWICK_OS=win98 install",
                                       "[exit code 0]", FENCE),
        }
        for reason, text in cases.items():
            with self.subTest(reason):
                with self.assertRaisesRegex(MarkerError, reason):
                    parse_page(text, "docs/x.md")


def fake_program(folder, name, body):
    """A Python program in folder, for the runner to start."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("#!%s\nimport os, sys\n%s\n" % (sys.executable, body))
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


class RunnerTest(unittest.TestCase):
    """The runner's side of a run, with stand-ins for tarnwick-check and
    tarnwick-test."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="doc-examples-test-")
        self.addCleanup(shutil.rmtree, self.folder)
        # Findings naming its folder as the checker sees it, then the summary
        # on standard error; the exit code is its last argument.
        self.checker = fake_program(self.folder, "checker", "\n".join([
            "print('f.txt:1: warning: in Z:' + os.getcwd().replace('/', '\\\\'))",
            "sys.stdout.flush()",
            "print('no errors, 1 warning', file=sys.stderr)",
            "sys.exit(int(sys.argv[-1]))"]))

    def example(self, output, code, arguments="1"):
        text = page("<!-- example: a-check -->", "<!-- file: f.txt -->", FENCE, "x", FENCE,
                    "<!-- run -->", FENCE, "$ tarnwick-check " + arguments, *output,
                    "[exit code %d]" % code, FENCE)
        (example,) = parse_page(text, "docs/x.md")
        case = os.path.join(self.folder, example.name)
        example.write(case)
        return example, case

    def test_the_checker_runs_in_the_example_folder_and_is_read_as_a_terminal_shows_it(self):
        example, case = self.example(["f.txt:1: warning: in %INSTALLER%",
                                      "no errors, 1 warning"], 1)
        self.assertEqual(check_example_problems(example, case, self.checker), [])
        self.assertTrue(os.path.isfile(os.path.join(case, "f.txt")))

    def test_output_and_exit_code_are_held_to_the_transcript(self):
        example, case = self.example(["f.txt:1: warning: somewhere else",
                                      "no errors, 1 warning"], 0)
        problems = check_example_problems(example, case, self.checker)
        self.assertEqual(problems[0], "exit code 1, expected 0")
        self.assertIn("-f.txt:1: warning: somewhere else", problems[1])
        self.assertIn("+f.txt:1: warning: in %INSTALLER%", problems[1])

    def test_a_checker_that_cannot_run_fails_the_example(self):
        example, case = self.example([], 0)
        (problem,) = check_example_problems(example, case, os.path.join(self.folder, "none"))
        self.assertTrue(problem.startswith("cannot run "), problem)

    def test_both_kinds_end_in_one_summary(self):
        tool = fake_program(self.folder, "tarnwick-test", "\n".join([
            "print('PASS first [posix]')", "print('FAIL second [posix]')",
            "print('1 skipped')", "print('1 passed, 1 failed')", "sys.exit(1)"]))
        example, case = self.example(["f.txt:1: warning: in %INSTALLER%",
                                      "no errors, 1 warning"], 1)
        options = argparse.Namespace(tool=tool, platform="posix", installer="install",
                                     wineprefix=None, keep=False, checker=self.checker)
        tally = Tally()
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            code = run_cases([], self.folder, options, {"second": "docs/x.md:3"}, tally)
            run_checks([example], self.folder, options, tally)
            tally.print_summary()
        self.assertEqual(code, 1)
        self.assertEqual(out.getvalue(), "PASS first [posix]\nFAIL second [posix]\n"
                         "    (the example is at docs/x.md:3)\n"
                         "PASS a-check [tarnwick-check]\n1 skipped\n2 passed, 1 failed\n")

    def test_checker_examples_are_skipped_under_wine(self):
        example, case = self.example([], 0)
        options = argparse.Namespace(platform="wine", checker=self.checker)
        tally = Tally()
        with contextlib.redirect_stdout(io.StringIO()) as out:
            run_checks([example], self.folder, options, tally)
        self.assertEqual(out.getvalue(), "SKIP a-check [tarnwick-check]: checker examples "
                         "run on POSIX\n")
        self.assertEqual((tally.passed, tally.failed, tally.skipped), (0, 0, 1))


class HandbookTest(unittest.TestCase):
    def test_every_example_marker_of_the_handbook_is_found(self):
        examples = collect()
        for name in sorted(os.listdir(DOCS)):
            if not name.endswith(".md") or name == "README.md":
                continue
            with open(os.path.join(DOCS, name), encoding="utf-8") as f:
                marked = len(re.findall(r"^<!-- example: ", f.read(), re.MULTILINE))
            found = [e for e in examples if e.page == "docs/" + name]
            with self.subTest(name):
                self.assertGreater(marked, 0)
                self.assertEqual(len(found), marked)

    def test_the_index_table_lists_every_page(self):
        with open(os.path.join(DOCS, "README.md"), encoding="utf-8") as f:
            listed = re.findall(r"^\| \[[^]]*\]\(([^)#]*)\) \|", f.read(), re.MULTILINE)
        pages = sorted(n for n in os.listdir(DOCS) if n.endswith(".md") and n != "README.md")
        self.assertEqual(sorted(listed), pages)

    def test_a_page_without_examples_is_refused(self):
        with tempfile.TemporaryDirectory() as docs:
            with open(os.path.join(docs, "empty.md"), "w") as f:
                f.write("# Nothing here\n")
            with self.assertRaisesRegex(MarkerError, "no examples found"):
                collect(docs)


if __name__ == "__main__":
    unittest.main()
