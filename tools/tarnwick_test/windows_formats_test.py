"""Tests of the readers the checks and snapshots rely on: a reader that
misreads would let a case pass or fail for the wrong reason."""

import struct
import unittest

from tarnwick_test.windows_formats import (canonical_key, decode_reg_bytes, parse_expected_data,
                                           parse_reg_file, parse_reg_tree, read_lnk, user_name)


class RegFileTest(unittest.TestCase):
    def test_reads_every_type_with_escapes_and_continuations(self):
        text = ("REGEDIT4\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n"
                "@=\"default\"\r\n"
                "\"Path\"=\"C:\\\\Program Files\\\\\\\"App\\\"\"\r\n"
                "\"Count\"=dword:0000001F\r\n"
                "\"Blob\"=hex:0a,ff,\\\r\n  10\r\n"
                "\"Multi\"=hex(7):61,00,00,00\r\n")
        values = parse_reg_file(text)["hkey_local_machine\\software\\x"]
        self.assertEqual(("sz", "default"), values[""])
        self.assertEqual(("sz", 'C:\\Program Files\\"App"'), values["path"])
        self.assertEqual(("dword", 31), values["count"])
        self.assertEqual(("hex(3)", b"\x0a\xff\x10"), values["blob"])
        self.assertEqual(("hex(7)", b"a\0\0\0"), values["multi"])

    def test_current_user_is_the_users_own_hive(self):
        text = "REGEDIT4\n[HKEY_USERS\\%s\\Software\\Y]\n\"A\"=\"b\"\n" % user_name()
        keys = parse_reg_file(text)
        self.assertIn(canonical_key("HKCU\\Software\\Y"), keys)
        self.assertEqual(canonical_key("HKEY_CLASSES_ROOT\\.x"),
                         canonical_key("HKLM\\Software\\Classes\\.X"))

    def test_tree_keeps_the_spelling_for_showing(self):
        text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\MyApp]\n\"InstallDir\"=\"C:\\\\x\"\n"
        tree = parse_reg_tree(text)
        written, values = tree["hkey_local_machine\\software\\myapp"]
        self.assertEqual("HKEY_LOCAL_MACHINE\\Software\\MyApp", written)
        self.assertEqual({"installdir": ("InstallDir", ("sz", "C:\\x"))}, values)

    def test_deleted_key_holds_nothing(self):
        keys = parse_reg_file("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Z]\n\"A\"=\"b\"\n")
        self.assertEqual({}, keys)

    def test_wine_export_is_utf16(self):
        text = ("\ufeffWindows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\W]\r\n\"N\"=\"\u00e9t\u00e9\"\r\n")
        keys = parse_reg_file(decode_reg_bytes(text.encode("utf-16-le")))
        self.assertEqual(("sz", "\u00e9t\u00e9"), keys[canonical_key("HKCU\\Software\\W")]["n"])

    def test_expected_string_is_taken_literally(self):
        self.assertEqual(("sz", 'C:\\a "b"'), parse_expected_data('"C:\\a "b""'))
        self.assertEqual(("dword", 255), parse_expected_data("dword:000000ff"))


def link_bytes(flags, target=None, icon=None):
    data = bytearray(struct.pack("<I16sI", 0x4C, bytes(16), flags) + bytes(0x4C - 24))
    if flags & 0x01:
        data += struct.pack("<H", 4) + b"\x02\x00\x00\x00"
    if flags & 0x02:
        base = target.encode("cp1252") + b"\0"
        volume = struct.pack("<IIII", 0x11, 3, 0, 0x10) + b"\0"
        size = 0x1C + len(volume) + len(base) + 1
        data += struct.pack("<7I", size, 0x1C, 1, 0x1C, 0x1C + len(volume), 0,
                            0x1C + len(volume) + len(base))
        data += volume + base + b"\0"
    if flags & 0x40:
        data += struct.pack("<H", len(icon)) + icon.encode("utf-16-le")
    return bytes(data + b"\0\0\0\0")


class LinkTest(unittest.TestCase):
    def test_reads_target_and_icon_after_an_id_list(self):
        data = link_bytes(0xC3, "C:\\App\\app.exe", "C:\\App\\app.ico\0")
        self.assertEqual(("C:\\App\\app.exe", "C:\\App\\app.ico"), read_lnk(data))

    def test_no_icon_gives_empty_text(self):
        self.assertEqual(("C:\\a.exe", ""), read_lnk(link_bytes(0x82, "C:\\a.exe")))

    def test_other_files_are_refused(self):
        with self.assertRaises(ValueError):
            read_lnk(b"not a link")


if __name__ == "__main__":
    unittest.main()
