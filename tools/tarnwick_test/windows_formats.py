"""Readers for the Windows file formats that checks look into:
REGEDIT files (REGEDIT4 as the POSIX machine writes it, and the UTF-16
"Version 5.00" form that Wine's reg export writes) and shell link files.

Malformed input raises ValueError.
"""

import os
import pwd
import struct


def user_name():
    try:
        return pwd.getpwuid(os.getuid()).pw_name
    except KeyError:
        return os.environ.get("USER", "user")


ROOT_ALIASES = {
    "HKLM": "HKEY_LOCAL_MACHINE",
    "HKCU": "HKEY_CURRENT_USER",
    "HKCR": "HKEY_CLASSES_ROOT",
    "HKU": "HKEY_USERS",
    "HKCC": "HKEY_CURRENT_CONFIG",
}


def canonical_key(path):
    """Lower-cased key path with the views of other keys spelled out, so that
    HKEY_CURRENT_USER\\X and HKEY_USERS\\<user>\\X compare equal."""
    parts = [p for p in path.replace("/", "\\").split("\\") if p]
    if not parts:
        return ""
    root = ROOT_ALIASES.get(parts[0].upper(), parts[0].upper())
    views = {
        "HKEY_CLASSES_ROOT": ["HKEY_LOCAL_MACHINE", "Software", "Classes"],
        "HKEY_CURRENT_USER": ["HKEY_USERS", user_name()],
        "HKEY_CURRENT_CONFIG": ["HKEY_LOCAL_MACHINE", "System", "CurrentControlSet",
                                "Hardware Profiles", "Current"],
    }
    parts = views.get(root, [root]) + parts[1:]
    return "\\".join(parts).lower()


def parse_reg_string(text, start):
    """Parses a quoted REGEDIT string at text[start] == '"'; returns (value, end)."""
    out = []
    i = start + 1
    while i < len(text):
        ch = text[i]
        if ch == "\\" and i + 1 < len(text):
            out.append(text[i + 1])
            i += 2
        elif ch == '"':
            return "".join(out), i + 1
        else:
            out.append(ch)
            i += 1
    raise ValueError("unterminated string in registry line %r" % text)


def parse_reg_data(data):
    """A REGEDIT value's data text as a comparable (type, value) pair."""
    data = data.strip()
    if data.startswith('"'):
        value, _ = parse_reg_string(data, 0)
        return ("sz", value)
    lower = data.lower()
    if lower.startswith("dword:"):
        return ("dword", int(lower[6:], 16))
    if lower.startswith("hex"):
        kind, _, body = lower.partition(":")
        if kind == "hex":
            kind = "hex(3)"
        else:
            kind = "hex(%x)" % int(kind[4:-1], 16)
        body = body.replace("\\", "").replace(" ", "")
        values = bytes(int(b, 16) for b in body.split(",") if b)
        return (kind, values)
    if data == "-":
        return ("deleted", None)
    raise ValueError("unknown registry data %r" % data)


def parse_expected_data(text):
    """The expected data of a regvalue check: "text" (taken literally between
    the outer quotes), dword:0000001f, hex:0a,ff or hex(N):.."""
    text = text.strip()
    if len(text) >= 2 and text.startswith('"') and text.endswith('"'):
        return ("sz", text[1:-1])
    return parse_reg_data(text)


def describe_data(pair):
    kind, value = pair
    if kind == "sz":
        return '"%s"' % value
    if kind == "dword":
        return "dword:%08x" % value
    if kind == "deleted":
        return "-"
    prefix = "hex" if kind == "hex(3)" else kind
    return prefix + ":" + ",".join("%02x" % b for b in value)


def parse_reg_tree(text):
    """{canonical key: (key as written, {lower-cased value name ('' for the
    default): (name as written, (type, value))})}, the registry of a REGEDIT
    file with the spelling of its names kept, for showing them."""
    keys = {}
    current = None
    logical = []
    pending = ""
    for raw in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        line = pending + raw
        if line.endswith("\\") and not line.lstrip().startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        logical.append(line)
    for line in logical:
        stripped = line.strip()
        if not stripped or stripped.startswith(";"):
            continue
        if stripped.startswith("[") and stripped.endswith("]"):
            name = stripped[1:-1]
            if name.startswith("-"):
                current = None
                continue
            current = keys.setdefault(canonical_key(name), (name, {}))[1]
            continue
        if current is None:
            continue  # the header line, or a value of a deleted key
        if stripped.startswith("@="):
            name, data = "", stripped[2:]
        elif stripped.startswith('"'):
            name, end = parse_reg_string(stripped, 0)
            if end >= len(stripped) or stripped[end] != "=":
                continue
            data = stripped[end + 1:]
        else:
            continue
        current[name.lower()] = (name, parse_reg_data(data))
    return keys


def parse_reg_file(text):
    """{canonical key: {lower-cased value name ('' for default): (type, value)}}."""
    return {key: {name: data for name, (_, data) in values.items()}
            for key, (_, values) in parse_reg_tree(text).items()}


def decode_reg_bytes(data):
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    return data.decode("cp1252", errors="replace")


def read_lnk(data):
    """(target, icon location) of a shell link file; raises ValueError."""
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link file")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 0x01:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & 0x02:
        info = data[pos:]
        size, _, info_flags, _, base_off, _, suffix_off = struct.unpack_from("<7I", info, 0)

        def cstring(offset):
            end = info.index(b"\0", offset)
            return info[offset:end].decode("cp1252", errors="replace")

        if info_flags & 1:
            target = cstring(base_off) + cstring(suffix_off)
        pos += size
    strings = {}
    for bit in (0x04, 0x08, 0x10, 0x20, 0x40):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if flags & 0x80 else 1
            raw = data[pos:pos + count * width]
            pos += count * width
            # Wine counts the terminating NUL of the icon location in.
            strings[bit] = raw.decode("utf-16-le" if width == 2 else "cp1252").rstrip("\0")
    return target, strings.get(0x40, "")
