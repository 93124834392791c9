"""Where a case runs: the POSIX installer on an emulated machine of its own,
or the Win32 installer under Wine, in a prefix shared by the cases of one
Windows version.

A platform makes one Machine per run. The machine knows how to start the
installer on it, and shows drive C:, the registry and the message boxes of
the run to the checks and the snapshots.
"""

import os
import subprocess

from . import wine_env
from .boxes import read_boxes, read_relay_trace
from .windows_formats import canonical_key, decode_reg_bytes, parse_reg_tree, user_name

# Wine's relay trace, limited to one function, shows the message boxes.
RELAY_FUNCTION = "user32.MessageBoxA"
WINE_TRACE = "-all,trace+relay"


class PlatformError(Exception):
    """A platform that could not be set up, or a path it cannot show."""


class Machine:
    """The Windows machine of one run."""

    platform = ""
    shows_flags = False  # whether boxes come with their flags

    def __init__(self, installer, os_name):
        self.installer = installer
        self.os_name = os_name

    def installer_name(self):
        return os.path.basename(self.installer)

    def drive_c(self):
        raise NotImplementedError

    def host_path(self, windows_path):
        """Host path of C:\\... or Z:\\..., components found case-insensitively."""
        path = windows_path.replace("/", "\\")
        if len(path) < 2 or path[1] != ":":
            raise PlatformError("not a full Windows path: %r" % windows_path)
        drive = path[0].upper()
        if drive == "C":
            base = self.drive_c()
        elif drive == "Z":
            base = "/"
        else:
            raise PlatformError("drive %s: is not available to checks" % drive)
        for part in [p for p in path[2:].split("\\") if p]:
            candidate = os.path.join(base, part)
            if not os.path.lexists(candidate) and os.path.isdir(base):
                for entry in sorted(os.listdir(base)):
                    if entry.lower() == part.lower():
                        candidate = os.path.join(base, entry)
                        break
            base = candidate
        return base

    def registry_key(self, key):
        """{lower-cased value name: (type, value)} of the key, or None when missing."""
        found = self.read_registry(key).get(canonical_key(key))
        return None if found is None else {name: data for name, (_, data) in found[1].items()}

    def registry(self):
        """The whole registry, as windows_formats.parse_reg_tree gives it."""
        raise NotImplementedError

    def read_registry(self, key):
        raise NotImplementedError


class PosixMachine(Machine):
    platform = "posix"

    def __init__(self, installer, work, os_name):
        super().__init__(installer, os_name)
        self.machine = os.path.join(work, "machine")
        self.home = os.path.join(work, "home")

    def drive_c(self):
        return os.path.join(self.machine, "drive_c")

    def exists(self):
        return os.path.isdir(self.drive_c())

    def command(self, media, arguments):
        return [os.path.join(media, self.installer_name())] + arguments

    def environment(self, case_environment):
        env = dict(os.environ)
        for name in ("TARNWICK_OS", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        os.makedirs(self.home, exist_ok=True)
        env["HOME"] = self.home
        env["TARNWICK_MACHINE"] = self.machine
        env.update(case_environment)
        env.pop("TARNWICK_OS", None)
        if self.os_name is not None:
            env["TARNWICK_OS"] = self.os_name
        return env

    def registry(self):
        # The machine keeps its whole registry in this file after every run.
        path = os.path.join(self.machine, "registry.reg")
        if not os.path.exists(path):
            return {}
        with open(path, "rb") as f:
            return parse_reg_tree(decode_reg_bytes(f.read()))

    def read_registry(self, key):
        return self.registry()

    def boxes(self, stderr):
        return read_boxes(stderr)


class WineMachine(Machine):
    platform = "wine"
    shows_flags = True

    def __init__(self, installer, prefix, work, os_name):
        super().__init__(installer, os_name)
        self.prefix = prefix
        self.work = work
        self.exports = 0

    def drive_c(self):
        return self.prefix.drive_c

    def exists(self):
        return True

    def command(self, media, arguments):
        return self.prefix.command(["wine", os.path.join(media, self.installer_name())] +
                                   arguments)

    def environment(self, case_environment):
        env = self.prefix.environment()
        env["USER"] = user_name()  # the account %USER% stands for
        env["WINEDEBUG"] = WINE_TRACE
        return env

    def export(self, key):
        """The key and its subkeys as `reg export` writes them, or {}."""
        self.exports += 1
        export = os.path.join(self.work, "export-%d.reg" % self.exports)
        result = self.prefix.run(["wine", "reg", "export", key, "Z:" + export.replace("/", "\\"),
                                  "/y"], cwd=self.work, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, timeout=120, start_new_session=True)
        if result.returncode != 0 or not os.path.exists(export):
            return {}
        with open(export, "rb") as f:
            data = f.read()
        os.remove(export)
        return parse_reg_tree(decode_reg_bytes(data))

    def read_registry(self, key):
        return self.export(key)

    def registry(self):
        tree = self.export("HKEY_LOCAL_MACHINE")
        tree.update(self.export("HKEY_CURRENT_USER"))
        return tree

    def boxes(self, stderr):
        return read_relay_trace(stderr)


class PosixPlatform:
    """The POSIX installer; every run gets a fresh emulated machine."""

    name = "posix"

    def __init__(self, installer):
        self.installer = installer

    def start(self):
        pass

    def cannot_run(self, os_name):
        return None

    def machine(self, work, os_name):
        return PosixMachine(self.installer, work, os_name)

    def finish(self):
        pass


class WinePlatform:
    """The Win32 installer under Wine. Making a prefix takes many seconds, so
    the runs of one Windows version share one prefix, made when first needed;
    each case runs at most once in it. A named version is claimed through
    HKEY_CURRENT_USER\\Software\\Wine\\Version, which changes what the system
    reports, not its folders."""

    name = "wine"

    def __init__(self, installer, scratch, prefix=None):
        self.installer = installer
        self.scratch = scratch
        self.base = os.path.abspath(prefix) if prefix else os.path.join(scratch, "wineprefix")
        self.prefixes = {}
        self.failures = {}

    def start(self):
        if not wine_env.available():
            raise PlatformError(wine_env.missing_message())

    def cannot_run(self, os_name):
        if os_name == "unknown":
            return "Wine cannot claim a Windows version that the installer does not know"
        return None

    def prefix_for(self, os_name):
        if os_name in self.failures:
            raise PlatformError(self.failures[os_name])
        if os_name not in self.prefixes:
            path = self.base if os_name is None else "%s-%s" % (self.base, os_name)
            prefix = wine_env.WinePrefix(path)
            self.prefixes[os_name] = prefix  # to be stopped at the end, whatever happens
            try:
                prefix.create()
                self.set_value(prefix, "HKCU\\Software\\Wine\\Debug", "RelayInclude",
                               RELAY_FUNCTION)
                if os_name is not None:
                    self.set_value(prefix, "HKCU\\Software\\Wine", "Version", os_name)
            except (PlatformError, wine_env.WineError, OSError,
                    subprocess.SubprocessError) as error:
                self.failures[os_name] = "could not make the Wine prefix %s: %s" % (path, error)
                raise PlatformError(self.failures[os_name])
        return self.prefixes[os_name]

    def set_value(self, prefix, key, name, data):
        result = prefix.run(["wine", "reg", "add", key, "/v", name, "/d", data, "/f"],
                            cwd=self.scratch, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, timeout=120, start_new_session=True)
        if result.returncode != 0:
            raise PlatformError("could not set %s\\%s" % (key, name))

    def machine(self, work, os_name):
        return WineMachine(self.installer, self.prefix_for(os_name), work, os_name)

    def finish(self):
        for prefix in self.prefixes.values():
            prefix.kill()
