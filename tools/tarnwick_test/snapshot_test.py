"""Tests of what --show finds changed between two snapshots of a machine, and
of how it shows it."""

import os
import shutil
import tempfile
import unittest

from tarnwick_test import show
from tarnwick_test.boxes import Box
from tarnwick_test.platforms import PosixMachine
from tarnwick_test.snapshot import Changes, Snapshot, take, tree_changes, walk
from tarnwick_test.windows_formats import parse_reg_tree, user_name
from tarnwick_test.windows_formats_test import link_bytes


class MachineFolder(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="tarnwick-test-snapshot-")
        self.addCleanup(shutil.rmtree, self.work)
        self.machine = PosixMachine("/nonexistent/install", self.work, None)
        self.media = os.path.join(self.work, "media")
        os.makedirs(self.media)
        os.makedirs(self.machine.drive_c())

    def write(self, relative, data=b"x"):
        path = os.path.join(self.work, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def registry(self, text):
        self.write("machine/registry.reg", ("REGEDIT4\r\n\r\n" + text).encode("cp1252"))


class TreeChangesTest(MachineFolder):
    def test_created_changed_and_deleted_files_and_folders(self):
        self.write("machine/drive_c/keep.txt")
        self.write("machine/drive_c/old/gone.txt")
        self.write("machine/drive_c/grow.txt", b"a")
        before = walk(self.machine.drive_c())
        os.remove(os.path.join(self.work, "machine/drive_c/old/gone.txt"))
        os.rmdir(os.path.join(self.work, "machine/drive_c/old"))
        self.write("machine/drive_c/grow.txt", b"abc")
        self.write("machine/drive_c/New Folder/b.txt")
        self.write("machine/drive_c/New Folder/A.txt")
        created, changed, deleted = tree_changes(before, walk(self.machine.drive_c()))
        self.assertEqual(["New Folder\\", "New Folder\\A.txt", "New Folder\\b.txt"], created)
        self.assertEqual(["grow.txt"], changed)
        self.assertEqual(["old\\", "old\\gone.txt"], deleted)

    def test_a_file_written_again_has_changed_even_with_the_same_bytes(self):
        path = self.write("machine/drive_c/same.txt", b"abc")
        before = walk(self.machine.drive_c())
        stat = os.stat(path)
        os.utime(path, ns=(stat.st_atime_ns, stat.st_mtime_ns + 10**9))
        self.assertEqual((["same.txt"]), tree_changes(before, walk(self.machine.drive_c()))[1])

    def test_a_folder_whose_contents_change_has_not_changed_itself(self):
        self.write("machine/drive_c/dir/a.txt")
        before = walk(self.machine.drive_c())
        self.write("machine/drive_c/dir/b.txt")
        self.assertEqual(([], []), tree_changes(before, walk(self.machine.drive_c()))[1:])

    def test_a_machine_that_does_not_exist_yet_is_empty(self):
        self.assertEqual({}, walk(os.path.join(self.work, "nothing")))


class RegistryChangesTest(MachineFolder):
    def changes(self, before, after, ignored=()):
        empty = {}
        return Changes(Snapshot(empty, empty, parse_reg_tree(before)),
                       Snapshot(empty, empty, parse_reg_tree(after)), ignored)

    def test_keys_and_values_added_changed_and_deleted(self):
        changes = self.changes(
            "[HKEY_LOCAL_MACHINE\\Software\\App]\n\"Version\"=dword:00000001\n\"Old\"=\"x\"\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Gone]\n\"A\"=\"b\"\n",
            "[HKEY_LOCAL_MACHINE\\Software\\App]\n\"Version\"=dword:00000002\n\"New\"=\"y\"\n"
            "[HKEY_USERS\\%s\\Software\\App]\n@=\"mine\"\n" % user_name())
        self.assertEqual(["HKEY_CURRENT_USER\\Software\\App"], changes.keys_added)
        self.assertEqual(["HKEY_LOCAL_MACHINE\\Software\\Gone"], changes.keys_deleted)
        found = [(c.key, c.name, c.old, c.new) for c in changes.values]
        self.assertIn(("HKEY_LOCAL_MACHINE\\Software\\App", "Version", ("dword", 1),
                       ("dword", 2)), found)
        self.assertIn(("HKEY_LOCAL_MACHINE\\Software\\App", "New", None, ("sz", "y")), found)
        self.assertIn(("HKEY_LOCAL_MACHINE\\Software\\App", "Old", ("sz", "x"), None), found)
        self.assertIn(("HKEY_CURRENT_USER\\Software\\App", "", None, ("sz", "mine")), found)

    def test_a_key_whose_values_change_only_in_letter_case_of_the_name_is_unchanged(self):
        changes = self.changes("[HKEY_LOCAL_MACHINE\\S]\n\"Name\"=\"v\"\n",
                               "[HKEY_LOCAL_MACHINE\\s]\n\"NAME\"=\"v\"\n")
        self.assertEqual(([], [], []), (changes.keys_added, changes.keys_deleted, changes.values))

    def test_ignored_subtrees_are_left_out(self):
        changes = self.changes("", "[HKEY_LOCAL_MACHINE\\Software\\Wine\\X]\n\"A\"=\"b\"\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Winery]\n",
                               ["hkey_local_machine\\software\\wine"])
        self.assertEqual(["HKEY_LOCAL_MACHINE\\Software\\Winery"], changes.keys_added)


class ShowTest(MachineFolder):
    def test_a_run_shown_with_files_registry_shortcuts_media_and_boxes(self):
        self.registry("")
        self.write("media/setup.txt")
        before = take(self.machine, self.media)
        self.write("machine/drive_c/Program Files/App/app.exe")
        self.write("machine/drive_c/Program Files/App/App.lnk",
                   link_bytes(0xC2, "C:\\Program Files\\App\\app.exe", "C:\\i.ico\0"))
        self.write("media/ran.txt")
        self.registry("[HKEY_LOCAL_MACHINE\\Software\\App]\n\"Dir\"=\"C:\\\\App\"\n\"@\"=\"at\"\n")
        changes = Changes(before, take(self.machine, self.media))
        lines = show.describe(["install", "-silent", "setup.txt"], 1, "Warning:\nx\n\n",
                              [Box("Software successfully installed!", "T", flags=0x2040)],
                              changes, changes.shortcuts(self.machine))
        text = "\n".join(lines)
        for expected in ("ran: install -silent setup.txt (from another folder): exit code 1 "
                         "(warnings only)",
                         "      Warning:\n      x\n    message boxes:",
                         "      +--- T [0x2040] ---",
                         "      + C:\\Program Files\\App\\\n"
                         "      + C:\\Program Files\\App\\app.exe\n"
                         "      + C:\\Program Files\\App\\App.lnk",
                         "      + [HKEY_LOCAL_MACHINE\\Software\\App]\n"
                         "          + \"@\" = \"at\"\n"
                         "          + Dir = \"C:\\App\"",
                         "      C:\\Program Files\\App\\App.lnk\n"
                         "        -> C:\\Program Files\\App\\app.exe  (icon C:\\i.ico)",
                         "    files written into the installer's folder:\n      + ran.txt"):
            self.assertIn(expected, text)

    def test_nothing_changed_says_so(self):
        before = take(self.machine, self.media)
        changes = Changes(before, take(self.machine, self.media))
        text = "\n".join(show.describe(["install"], 2, "", [], changes, []))
        self.assertIn("exit code 2 (a fatal error ended the run)", text)
        self.assertEqual(6, text.count("(none)"))
        self.assertIn("killed by signal 9", show.exit_text(-9))


if __name__ == "__main__":
    unittest.main()
