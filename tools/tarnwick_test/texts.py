"""Text helpers shared by the comparisons: line ends, and diffs for reports."""

import difflib


def normalise_lines(text):
    """CR LF read as LF, as the installer's output is compared."""
    return text.replace("\r\n", "\n")


def indented_diff(expected, actual, expected_name, actual_name, indent):
    """A unified diff of two lists of lines (ending in LF), each line
    indented, a CR left in a line shown as \\r."""
    diff = difflib.unified_diff(expected, actual, expected_name, actual_name)
    return "".join(indent + line.rstrip("\n").replace("\r", "\\r") + "\n"
                   for line in diff).rstrip("\n")
