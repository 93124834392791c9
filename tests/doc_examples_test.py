#!/usr/bin/env python3
"""Tests of the handbook's example reader (tests/doc_examples.py): broken markers
are refused instead of silently skipping examples, and the handbook's pages
all yield their examples."""

import os
import re
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the checkout free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from doc_examples import DOCS, MarkerError, collect, parse_page  # noqa: E402

FENCE = "```"


def page(*lines):
    return "\n".join(lines) + "\n"


RUN = ["<!-- run -->", FENCE, "$ install -silent script.txt", "[exit code 0]", FENCE]


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
            "only the POSIX run": page("<!-- example: a -->", "<!-- platforms: wine -->",
                                       "<!-- run -->", FENCE, "$ TARNWICK_OS=win98 install",
                                       "[exit code 0]", FENCE),
        }
        for reason, text in cases.items():
            with self.subTest(reason):
                with self.assertRaisesRegex(MarkerError, reason):
                    parse_page(text, "docs/x.md")


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

    def test_a_page_without_examples_is_refused(self):
        with tempfile.TemporaryDirectory() as docs:
            with open(os.path.join(docs, "empty.md"), "w") as f:
                f.write("# Nothing here\n")
            with self.assertRaisesRegex(MarkerError, "no examples found"):
                collect(docs)


if __name__ == "__main__":
    unittest.main()
