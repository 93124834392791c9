"""--record: a run's observations written into its case folder as expectations.

The exit code goes to `exit`, standard output to `stdout`, the message boxes
(if any) to `boxes`, and what changed on the machine to `check`, one check per
change. Run-specific paths become %INSTALLER%, %WORK% and %USER% again. A file
the case already has is kept unless the caller forces it, so that an author
records once, reviews and commits.
"""

import os
import re
import struct

from .cases import EXPECTATIONS
from .checks import quote
from .texts import normalise_lines
from .windows_formats import describe_data, read_lnk

HEADER = "# Recorded by tarnwick-test --record: review it before you commit it.\n"
CONTENT_LIMIT = 200  # longer files are checked by exists or same


def generalise(text, variables):
    """Run-specific paths back into %INSTALLER%, %WORK% and %USER%."""
    for name in ("%INSTALLER%", "%WORK%"):
        text = text.replace(variables[name], name)
    user = re.escape(variables["%USER%"])
    text = re.sub(r"(?i)\\users\\" + user + r"(?=\\|$)", r"\\users\\%USER%", text)
    return re.sub(r"(?i)HKEY_USERS\\" + user + r"(?=\\|$)", r"HKEY_USERS\\%USER%", text)


class PayloadIndex:
    """The case's own files by content, to name one in a `same` check."""

    def __init__(self, case):
        self.by_size = {}
        for folder, dirs, files in os.walk(case.folder):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, case.folder).replace(os.sep, "/")
                if relative in EXPECTATIONS or not os.path.isfile(path):
                    continue
                self.by_size.setdefault(os.path.getsize(path), []).append((relative, path))

    def find(self, data):
        for relative, path in self.by_size.get(len(data), []):
            with open(path, "rb") as f:
                if f.read() == data:
                    return relative
        return None


def one_line_text(data):
    """The text of a short one-line file, as a content check can state it, or None."""
    if len(data) > CONTENT_LIMIT:
        return None
    text = normalise_lines(data.decode("cp1252", errors="replace"))
    if text.endswith("\n"):
        text = text[:-1]
    if any(ord(c) < 32 for c in text) or text != text.strip() or "%" in text:
        return None
    return text


def file_check(shown, host, payload, variables):
    with open(host, "rb") as f:
        data = f.read()
    if shown.lower().endswith(".lnk"):
        try:
            target, icon = read_lnk(data)
            return "link %s %s %s" % (quote(shown), quote(generalise(target, variables)),
                                      quote(generalise(icon, variables)))
        except (ValueError, struct.error):
            pass
    relative = payload.find(data)
    if relative is not None:
        return "same %s %s" % (quote(shown), quote(relative))
    text = one_line_text(data)
    if text is not None:
        return "content %s %s" % (quote(shown), generalise(text, variables))
    return "exists %s" % quote(shown)


def tree_checks(created, changed, deleted, windows_root, host_root, payload, variables):
    lines = []
    files = [p for p in created + changed if not p.endswith("\\")]
    for path in created:
        if path.endswith("\\"):
            inside = any(other.lower().startswith(path.lower()) for other in created
                         if other != path)
            if not inside:
                lines.append("dir %s" % quote(generalise(windows_root + path[:-1], variables)))
    for path in files:
        host = os.path.join(host_root, *path.split("\\"))
        if os.path.isfile(host):
            shown = generalise(windows_root + path, variables)
            lines.append(file_check(shown, host, payload, variables))
    for path in deleted:
        parent = path.rstrip("\\").rpartition("\\")[0] + "\\"
        if parent != "\\" and parent in deleted:
            continue  # its folder went with it
        lines.append("missing %s" % quote(generalise(windows_root + path.rstrip("\\"), variables)))
    return lines


def writable(token):
    return '"' not in token and "\n" not in token


def registry_checks(changes, variables):
    lines = []
    valued = {change.key for change in changes.values if change.new is not None}
    for key in changes.keys_added:
        # A value in it, or a key below it, says that it exists.
        below = key.lower() + "\\"
        if key not in valued and not any(other.lower().startswith(below)
                                         for other in list(valued) + changes.keys_added):
            lines.append("key %s" % quote(key))
    for key in changes.keys_deleted:
        if not any(key.lower().startswith(other.lower() + "\\") for other in changes.keys_deleted):
            lines.append("nokey %s" % quote(key))
    for change in changes.values:
        if change.key in changes.keys_deleted:
            continue
        name = "@" if change.name == "" else ('"@"' if change.name == "@" else quote(change.name))
        if not writable(change.key) or not writable(change.name):
            lines.append("# %s\\%s: a name a check line cannot quote" % (change.key, change.name))
        elif change.new is None:
            lines.append("noregvalue %s %s" % (quote(change.key), name))
        elif change.new[0] == "sz" and "\n" in change.new[1]:
            lines.append("# %s\\%s: a value of several lines" % (change.key, change.name))
        else:
            data = describe_data(change.new)
            if change.new[0] == "sz":
                data = generalise(data, variables)
            lines.append("regvalue %s %s %s" % (quote(change.key), name, data))
    return lines


def check_text(case, changes, media, machine, variables):
    payload = PayloadIndex(case)
    lines = tree_checks(changes.created, changes.changed, changes.deleted, "C:\\",
                        machine.drive_c(), payload, variables)
    lines += tree_checks(changes.media_created, changes.media_changed, changes.media_deleted,
                         "%INSTALLER%\\", media, payload, variables)
    lines += registry_checks(changes, variables)
    if not lines:
        lines.append("# The run changed nothing on the machine.")
    return HEADER + "".join(line + "\n" for line in lines)


def boxes_text(boxes):
    return "".join(box.draw() for box in boxes)


def record(case, observed, force):
    """Writes the files of `observed` ({name: text}) the case lacks (all of
    them with force); returns notes on what was written and what was kept."""
    written, kept = [], []
    for name, text in observed.items():
        path = case.path(name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                if f.read() == text.encode("utf-8"):
                    continue
            if not force:
                kept.append(name)
                continue
        with open(path, "wb") as f:
            f.write(text.encode("utf-8"))
        written.append(name)
    notes = []
    if written:
        notes.append("recorded %s" % ", ".join(written))
    if kept:
        notes.append("kept %s: the case's own differ from this run (--force replaces them)"
                     % ", ".join(kept))
    return notes
