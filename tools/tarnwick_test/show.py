"""--show: a run's outcome and what it changed on the machine, for reading."""

from .snapshot import path_order
from .windows_formats import describe_data

EXIT_MEANINGS = {0: "clean: no warnings, no errors", 1: "warnings only",
                 2: "a fatal error ended the run"}
INDENT = "    "


def exit_text(code):
    if code < 0:
        return "killed by signal %d" % -code
    return "exit code %d (%s)" % (code, EXIT_MEANINGS.get(code, "unexpected"))


def section(title, lines):
    return [INDENT + title] + [INDENT + "  " + line for line in (lines or ["(none)"])]


def value_line(change):
    name = {"": "@ (default)", "@": '"@"'}.get(change.name, change.name)
    if change.new is None:
        return "- %s (was %s)" % (name, describe_data(change.old))
    if change.old is None:
        return "+ %s = %s" % (name, describe_data(change.new))
    return "~ %s = %s (was %s)" % (name, describe_data(change.new), describe_data(change.old))


def registry_lines(changes):
    marks = {}
    for key in changes.keys_added:
        marks[key] = "+"
    for key in changes.keys_deleted:
        marks[key] = "-"
    values = {}
    for change in changes.values:
        values.setdefault(change.key, []).append(value_line(change))
        marks.setdefault(change.key, " ")
    lines = []
    for key in sorted(marks, key=path_order):
        lines.append("%s [%s]" % (marks[key], key))
        lines += ["    " + line for line in values.get(key, [])]
    return lines


def tree_lines(created, changed, deleted, prefix):
    marked = [("+", p) for p in created] + [("~", p) for p in changed] + \
        [("-", p) for p in deleted]
    marked.sort(key=lambda item: path_order(item[1]))
    return ["%s %s%s" % (mark, prefix, path) for mark, path in marked]


def describe(command, code, stdout, boxes, changes, shortcuts):
    """The lines --show prints under a run's PASS or FAIL line."""
    lines = [INDENT + "ran: %s (from another folder): %s" % (" ".join(command), exit_text(code))]
    lines += section("standard output:", stdout.rstrip("\n").split("\n") if stdout else [])
    lines += section("message boxes:",
                     [line for box in boxes for line in box.draw().rstrip("\n").split("\n")])
    if changes is None:
        return lines
    lines += section("files and folders on C:",
                     tree_lines(changes.created, changes.changed, changes.deleted, "C:\\"))
    lines += section("registry:", registry_lines(changes))
    shortcut_lines = []
    for path, target, icon in shortcuts:
        shortcut_lines += [path, "  -> %s%s" % (target, "  (icon %s)" % icon if icon else "")]
    lines += section("shortcuts made:", shortcut_lines)
    lines += section("files written into the installer's folder:",
                     tree_lines(changes.media_created, changes.media_changed,
                                changes.media_deleted, ""))
    return lines
