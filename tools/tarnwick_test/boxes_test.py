"""Tests of reading message boxes: from the POSIX installer's standard error,
from Wine's relay trace, and from a case's boxes file; and of holding both
platforms to the same expectations."""

import unittest

from tarnwick_test.boxes import Box, compare, read_boxes, read_relay_trace

STDERR = """\
+--- Tarnwick Installer [Error] ---
| Warning:
| Unrecognized predefined section encountered: install files
+---
some other output
+--- Tarnwick Installer [Information] ---
| Software successfully installed!
+---
"""

# As Wine 8 prints it (x86_64), with the lines of other calls around.
TRACE = r"""010c:trace:relay:load_list L"RelayInclude" = L"user32.MessageBoxA"
010c:Call PE DLL (proc=0000000170068C10,module=0000000170000000 L"ntdll.dll",reason=PROCESS_ATTACH,res=000000000021FB00)
010c:Call user32.MessageBoxA(00000000,00ca5f40 "Warning:\nUnrecognized predefined section encountered: install files",00ca6fa0 "Tarnwick Installer",00042010) ret=140002384
010c:Call window proc 00000002169EF630 (hwnd=000000000001003C,msg=WM_NCCREATE,wp=00000000,lp=0021f028)
010c:Ret  user32.MessageBoxA() retval=ffffffff ret=140002384
010c:Call user32.MessageBoxA(00000000,00ca58b0 "Software successfully installed!",00ca56e0 "Tarnwick Installer",00002040) ret=140001f19
"""


class ReadBoxesTest(unittest.TestCase):
    def test_standard_error_gives_text_caption_and_icon(self):
        boxes = read_boxes(STDERR)
        self.assertEqual([Box("Warning:\nUnrecognized predefined section encountered: "
                              "install files", "Tarnwick Installer", icon="Error"),
                          Box("Software successfully installed!", "Tarnwick Installer",
                              icon="Information")], boxes)
        self.assertIsNone(boxes[0].flags)

    def test_empty_lines_and_brackets_inside_a_box_are_its_text(self):
        text = "+--- A [b] [Error] ---\n| [x]\n|\n| \n+---\n"
        self.assertEqual([Box("[x]\n\n", "A [b]", icon="Error")], read_boxes(text))

    def test_an_unfinished_box_is_not_a_box(self):
        self.assertEqual([], read_boxes("+--- A [Error] ---\n| text\n"))

    def test_boxes_file_takes_flags_or_icon_and_refuses_other_lines(self):
        text = "# expected\n+--- T [0x42010] ---\n| a\n+---\n\n+--- T [Information] ---\n| b\n+---\n"
        self.assertEqual([Box("a", "T", flags=0x42010), Box("b", "T", icon="Information")],
                         read_boxes(text, strict=True))
        for bad in ("stray line\n", "+--- T [0x10] ---\nno bar\n+---\n", "+--- T [0x10] ---\n"):
            with self.assertRaises(ValueError, msg=bad):
                read_boxes(bad, strict=True)

    def test_draw_is_what_read_reads(self):
        box = Box("two\nlines", "Tarnwick Installer", flags=0x42010)
        self.assertEqual([box], read_boxes(box.draw(), strict=True))
        self.assertEqual("Error", read_boxes(box.draw(with_flags=False))[0].icon)


class RelayTraceTest(unittest.TestCase):
    def test_calls_give_text_caption_and_flags(self):
        self.assertEqual(
            [Box("Warning:\nUnrecognized predefined section encountered: install files",
                 "Tarnwick Installer", flags=0x42010),
             Box("Software successfully installed!", "Tarnwick Installer", flags=0x2040)],
            read_relay_trace(TRACE))

    def test_escapes_and_code_page_1252(self):
        line = (r'0024:Call user32.MessageBoxA(00000000,0011 "C:\\a \"b\"\t\xe9\r",'
                r'0022 "Cap",00000010) ret=1')
        (box,) = read_relay_trace(line)
        self.assertEqual('C:\\a "b"\t\u00e9\r', box.text)
        self.assertEqual("Error", box.icon)

    def test_a_text_cut_short_and_a_null_caption(self):
        line = '0024:Call user32.MessageBoxA(00000000,0011 "long"...,00000000,00000040) ret=1'
        (box,) = read_relay_trace(line + "\r\n")
        self.assertEqual(("long", "", True), (box.text, box.caption, box.truncated))

    def test_lines_mixed_up_with_other_output_are_left_out(self):
        broken = '0024:Call user32.MessageBoxA(00000000,0011 "unterminated,00000010) ret=1'
        self.assertEqual([], read_relay_trace(broken + "\n"))


class CompareTest(unittest.TestCase):
    EXPECTED = [Box("Fatal Error:\nUsage", "Tarnwick Installer", flags=0x42010)]

    def test_posix_is_held_to_the_icon_of_the_flags(self):
        self.assertEqual("", compare(self.EXPECTED, [Box("Fatal Error:\nUsage",
                                                         "Tarnwick Installer", icon="Error")],
                                     platform_shows_flags=False))
        difference = compare(self.EXPECTED, [Box("Fatal Error:\nUsage", "Tarnwick Installer",
                                                 icon="Information")], False)
        self.assertIn("-+--- Tarnwick Installer [Error] ---", difference)
        self.assertIn("++--- Tarnwick Installer [Information] ---", difference)

    def test_wine_is_held_to_the_flags(self):
        shown = [Box("Fatal Error:\nUsage", "Tarnwick Installer", flags=0x42010)]
        self.assertEqual("", compare(self.EXPECTED, shown, True))
        shown = [Box("Fatal Error:\nUsage", "Tarnwick Installer", flags=0x40010)]
        self.assertIn("[0x40010]", compare(self.EXPECTED, shown, True))
        # An expected icon holds any flags with that icon.
        self.assertEqual("", compare([Box("Fatal Error:\nUsage", "Tarnwick Installer",
                                          icon="Error")], shown, True))

    def test_a_text_cut_short_by_the_trace_holds_when_it_begins_the_expected(self):
        cut = [Box("Fatal Error:\nUs", "Tarnwick Installer", flags=0x42010, truncated=True)]
        self.assertEqual("", compare(self.EXPECTED, cut, True))
        wrong = [Box("Fatal Error:\nX", "Tarnwick Installer", flags=0x42010, truncated=True)]
        self.assertIn("cut off", compare(self.EXPECTED, wrong, True))

    def test_missing_extra_and_caption(self):
        self.assertIn("-| Usage", compare(self.EXPECTED, [], True))
        self.assertIn("+| more", compare([], [Box("more", "Tarnwick Installer", flags=0x10)],
                                         True))
        self.assertIn("++--- Other [0x42010] ---",
                      compare(self.EXPECTED, [Box("Fatal Error:\nUsage", "Other",
                                                  flags=0x42010)], True))
        self.assertEqual("", compare([], [], False))


if __name__ == "__main__":
    unittest.main()
