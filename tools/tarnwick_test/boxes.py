"""Message boxes: those a run showed, and those a case expects.

The POSIX installer without a terminal writes each box to standard error:

    +--- Tarnwick Installer [Error] ---
    | Warning:
    | Unrecognized predefined section encountered: install files
    +---

The word in brackets is the box's icon. Under Wine the Win32 installer's
MessageBoxA calls are read from Wine's relay trace, which shows the text,
caption and flags of each call even without a display:

    0104:Call user32.MessageBoxA(00000000,00ca5f40 "Warning:\\nUnrecognized ...",
        00ca6fa0 "Tarnwick Installer",00042010) ret=140002384

A case's boxes file is written like standard error, with either the flags
(0x42010: error icon, task modal, topmost; 0x2040: information icon, task
modal) or an icon word in the brackets. Flags are held exactly where the
platform shows them (Wine); the POSIX installer shows the icon only.
"""

import re

from .texts import indented_diff, normalise_lines

ICONS = {0x10: "Error", 0x20: "Question", 0x30: "Warning", 0x40: "Information"}
ICON_MASK = 0xF0

HEADER = re.compile(r"^\+--- (.*) \[(0x[0-9A-Fa-f]+|[A-Za-z]+)\] ---$")
FOOTER = "+---"
NUMBER = re.compile(r"[0-9a-fA-F]+")
RELAY_CALL = re.compile(r"^[0-9a-fA-F]+:Call user32\.MessageBoxA\((.*)\) ret=[0-9a-fA-F]+$")
TRACE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}


def icon_word(flags):
    return ICONS.get(flags & ICON_MASK, "Message")


class Box:
    """One message box: its text and caption, and its flags where the
    platform shows them, else only its icon."""

    def __init__(self, text, caption, flags=None, icon=None, truncated=False):
        self.text = text
        self.caption = caption
        self.flags = flags
        self.icon = icon if icon is not None else icon_word(flags or 0)
        self.truncated = truncated  # Wine's trace cut a long text short

    def __eq__(self, other):
        return (isinstance(other, Box) and
                (self.text, self.caption, self.flags, self.icon, self.truncated) ==
                (other.text, other.caption, other.flags, other.icon, other.truncated))

    def __repr__(self):
        return "Box(%r, %r, %s, %r)" % (self.text, self.caption, self.flags, self.icon)

    def draw(self, with_flags=True):
        """The box as standard error shows it, the flags in brackets if known."""
        label = "0x%x" % self.flags if with_flags and self.flags is not None else self.icon
        lines = ["+--- %s [%s] ---" % (self.caption, label)]
        lines += ["| " + line for line in self.text.split("\n")]
        if self.truncated:
            lines.append("| ... (the rest is cut off in Wine's trace)")
        return "\n".join(lines + [FOOTER]) + "\n"


def read_boxes(text, strict=False):
    """The boxes drawn in a text: standard error (other lines are skipped) or,
    with strict, a boxes file (only blank lines and # comments between boxes)."""
    boxes = []
    lines = normalise_lines(text).split("\n")
    index = 0
    while index < len(lines):
        line = lines[index]
        header = HEADER.match(line)
        index += 1
        if not header:
            if strict and line.strip() and not line.startswith("#"):
                raise ValueError("line %d: expected a box header '+--- CAPTION [FLAGS] ---', "
                                 "got %r" % (index, line))
            continue
        body = []
        while index < len(lines) and lines[index] != FOOTER:
            if not (lines[index].startswith("| ") or lines[index] == "|"):
                break
            body.append(lines[index][2:])
            index += 1
        if index >= len(lines) or lines[index] != FOOTER:
            if strict:
                raise ValueError("line %d: a box's lines start with '| ' and it ends with "
                                 "'+---'" % (index + 1))
            continue
        index += 1
        caption, label = header.group(1), header.group(2)
        if label.lower().startswith("0x"):
            boxes.append(Box("\n".join(body), caption, flags=int(label, 16)))
        else:
            boxes.append(Box("\n".join(body), caption, icon=label))
    return boxes


def parse_trace_string(text, start):
    """Wine's debug form of a string at text[start] == '"': (value, end,
    truncated). Bytes other than printable ASCII come as \\xNN."""
    raw = bytearray()
    index = start + 1
    while index < len(text):
        ch = text[index]
        if ch == '"':
            index += 1
            truncated = text.startswith("...", index)
            return raw.decode("cp1252", errors="replace"), index + (3 if truncated else 0), truncated
        if ch == "\\" and index + 1 < len(text):
            code = text[index + 1]
            if code == "x" and index + 3 < len(text):
                raw.append(int(text[index + 2:index + 4], 16))
                index += 4
                continue
            raw += TRACE_ESCAPES.get(code, code).encode("latin-1")
            index += 2
            continue
        raw += ch.encode("cp1252", errors="replace")
        index += 1
    raise ValueError("unterminated string in the trace")


def parse_trace_arguments(text):
    """The arguments of a relay 'Call' line: each is a number, optionally
    followed by the string it points to (or is NULL)."""
    arguments = []
    index = 0
    while index < len(text):
        match = NUMBER.match(text, index)
        if not match:
            raise ValueError("unreadable argument at %r" % text[index:])
        number = int(match.group(0), 16)
        index = match.end()
        string = None
        truncated = False
        if text.startswith(' "', index):
            string, index, truncated = parse_trace_string(text, index + 1)
        elif text.startswith(" (null)", index):
            index += len(" (null)")
        arguments.append((number, string, truncated))
        if index < len(text):
            if text[index] != ",":
                raise ValueError("expected ',' at %r" % text[index:])
            index += 1
    return arguments


def read_relay_trace(text):
    """The MessageBoxA calls in Wine's relay trace (standard error of a run
    with WINEDEBUG=trace+relay and the relay list limited to that function)."""
    boxes = []
    for line in normalise_lines(text).split("\n"):
        call = RELAY_CALL.match(line)
        if not call:
            continue
        try:
            arguments = parse_trace_arguments(call.group(1))
        except ValueError:
            continue  # another process's output cut into the line
        if len(arguments) != 4:
            continue
        _, (_, text_value, truncated), (_, caption, _), (flags, _, _) = arguments
        boxes.append(Box(text_value or "", caption or "", flags=flags, truncated=truncated))
    return boxes


def compare(expected, actual, platform_shows_flags):
    """What differs between the boxes a case expects and those shown, as a
    diff of their drawings; "" when they agree."""
    def with_flags(reference):
        # Flags where the platform shows them and the case states them.
        return platform_shows_flags and (reference is None or reference.flags is not None)

    want = "".join(box.draw(with_flags(box)) for box in expected)
    got = []
    for index, box in enumerate(actual):
        reference = expected[index] if index < len(expected) else None
        if box.truncated and reference is not None and reference.text.startswith(box.text):
            box = Box(reference.text, box.caption, box.flags, box.icon)  # all the trace showed
        got.append(box.draw(with_flags(reference)))
    if want == "".join(got):
        return ""
    return indented_diff(want.splitlines(True), "".join(got).splitlines(True), "expected boxes",
                         "boxes shown", "    ")
