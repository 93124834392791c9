"""What a run changed on the machine: snapshots of drive C:, the registry and
the installer's folder before and after it, and the differences.

A file counts as changed when its size, its modification time or its status
change time moved: anything that wrote it, even the same bytes again.
Folders count when they come or go, not when their contents change.
"""

import os
import struct

from .windows_formats import read_lnk, user_name

# What Wine itself changes in a prefix whenever a program runs there (its own
# settings, devices it links, the display it looks for): not the installer's
# doing.
WINE_OWN_KEYS = (
    "hkey_users\\%s\\software\\wine" % user_name().lower(),
    "hkey_local_machine\\software\\wine",
    "hkey_local_machine\\system\\currentcontrolset\\control\\deviceclasses",
    "hkey_local_machine\\system\\currentcontrolset\\control\\servicecurrent",
    "hkey_local_machine\\system\\currentcontrolset\\control\\video",
)


class Entry:
    """A file, folder or link as the snapshot saw it."""

    def __init__(self, kind, size=0, mtime=0, ctime=0):
        self.kind = kind
        self.stamp = (kind, size, mtime, ctime)

    def __eq__(self, other):
        return self.stamp == other.stamp


def walk(root):
    """{path below root with \\ separators: Entry} of a folder tree."""
    entries = {}
    if not os.path.isdir(root):
        return entries
    for folder, dirs, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        prefix = "" if relative == "." else relative.replace(os.sep, "\\") + "\\"
        for name in dirs + files:
            path = os.path.join(folder, name)
            try:
                status = os.lstat(path)
            except OSError:
                continue
            if os.path.islink(path):
                kind = "link"
            elif os.path.isdir(path):
                kind = "dir"
            else:
                kind = "file"
            size = status.st_size if kind == "file" else 0
            entries[prefix + name] = Entry(kind, size, status.st_mtime_ns, status.st_ctime_ns)
    return entries


class Snapshot:
    def __init__(self, drive, media, registry):
        self.drive = drive
        self.media = media
        self.registry = registry


def take(machine, media):
    return Snapshot(walk(machine.drive_c()), walk(media), machine.registry())


def path_order(path):
    return path.lower().split("\\")


def tree_changes(before, after):
    """(created, changed, deleted) paths of two walks, each in path order;
    folders end in a backslash."""
    def shown(path, entry):
        return path + "\\" if entry.kind == "dir" else path

    created = [shown(p, e) for p, e in after.items() if p not in before]
    deleted = [shown(p, e) for p, e in before.items() if p not in after]
    changed = [shown(p, e) for p, e in after.items()
               if p in before and e.kind != "dir" and e != before[p]]
    return tuple(sorted(paths, key=path_order) for paths in (created, changed, deleted))


def shown_key(written):
    """A key as a person reads it: the user's own hive as HKEY_CURRENT_USER."""
    own = "HKEY_USERS\\%s\\" % user_name()
    if written.lower().startswith(own.lower()):
        return "HKEY_CURRENT_USER\\" + written[len(own):]
    return written


class ValueChange:
    def __init__(self, key, name, old, new):
        self.key = key  # as shown
        self.name = name  # as written; "" is the default value
        self.old = old  # (type, value) or None
        self.new = new


class Changes:
    """What one run changed: paths on C: and in the installer's folder,
    registry keys and values, the shortcuts among the files; message boxes
    are added by the run."""

    def __init__(self, before, after, ignored_keys=()):
        self.created, self.changed, self.deleted = tree_changes(before.drive, after.drive)
        self.media_created, self.media_changed, self.media_deleted = \
            tree_changes(before.media, after.media)
        self.keys_added = []
        self.keys_deleted = []
        self.values = []
        self.compare_registry(before.registry, after.registry, ignored_keys)
        self.boxes = []

    def compare_registry(self, before, after, ignored_keys):
        def ignored(key):
            return any(key == own or key.startswith(own + "\\") for own in ignored_keys)

        for key in sorted(set(before) | set(after), key=path_order):
            if ignored(key):
                continue
            old = before.get(key, (None, {}))[1]
            written, new = after.get(key, before.get(key))[0], after.get(key, (None, {}))[1]
            if key not in before:
                self.keys_added.append(shown_key(written))
            elif key not in after:
                self.keys_deleted.append(shown_key(written))
                continue
            for name in sorted(set(old) | set(new)):
                old_value = old.get(name, (None, None))[1]
                new_value = new.get(name, (None, None))[1]
                if old_value != new_value:
                    spelled = new.get(name, old.get(name))[0]
                    self.values.append(ValueChange(shown_key(written), spelled, old_value,
                                                   new_value))

    def shortcuts(self, machine):
        """(path, target, icon) of the shortcut files made or changed; an
        unreadable one gives its error as the target."""
        found = []
        for path in self.created + self.changed:
            if not path.lower().endswith(".lnk"):
                continue
            try:
                with open(machine.host_path("C:\\" + path), "rb") as f:
                    target, icon = read_lnk(f.read())
            except (OSError, ValueError, struct.error) as error:
                target, icon = "(unreadable: %s)" % error, ""
            found.append(("C:\\" + path, target, icon))
        return found
