"""The two ways of running a scenario: the POSIX build on an emulated machine,
and the x86_64 Win32 build under wine64 in a Wine prefix."""

import os
import subprocess

from windows_formats import canonical_key, decode_reg_bytes, parse_reg_file, user_name
from wine_env import WineError, WinePrefix, available, missing_message


class PlatformError(Exception):
    """A platform that could not be set up, or a path it cannot show."""


class Platform:
    """What differs between the two ways of running a scenario."""

    name = ""

    def __init__(self, installer, scratch):
        self.installer = installer
        self.scratch = scratch

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
        raise NotImplementedError


class PosixPlatform(Platform):
    name = "posix"

    def prepare_run(self, work):
        self.machine = os.path.join(work, "machine")

    def drive_c(self):
        return os.path.join(self.machine, "drive_c")

    def command(self, media, arguments):
        return [os.path.join(media, self.installer_name())] + arguments

    def environment(self, scenario, work):
        env = dict(os.environ)
        for name in ("TARNWICK_OS", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        home = os.path.join(work, "home")
        os.makedirs(home, exist_ok=True)
        env["HOME"] = home
        env["TARNWICK_MACHINE"] = self.machine
        env.update(scenario.environment())
        return env

    def registry_key(self, key):
        path = os.path.join(self.machine, "registry.reg")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            keys = parse_reg_file(decode_reg_bytes(f.read()))
        return keys.get(canonical_key(key))

    def finish(self):
        pass


class WinePlatform(Platform):
    name = "wine"

    def __init__(self, installer, scratch, prefix):
        super().__init__(installer, scratch)
        self.wine = WinePrefix(prefix or os.path.join(scratch, "wineprefix"),
                               os.path.join(scratch, "winehome"))
        self.prefix = self.wine.prefix

    def base_environment(self):
        env = self.wine.environment()
        env["USER"] = user_name()  # the account %USER% stands for
        return env

    def start(self):
        """Creates the prefix once and keeps one server alive for the whole run."""
        if not available():
            raise PlatformError(missing_message())
        try:
            self.wine.create()
        except WineError as error:
            raise PlatformError(str(error))

    def finish(self):
        self.wine.kill()

    def prepare_run(self, work):
        pass

    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def command(self, media, arguments):
        return self.wine.command(["wine", os.path.join(media, self.installer_name())] + arguments)

    def environment(self, scenario, work):
        return self.base_environment()

    def registry_key(self, key):
        export = os.path.join(self.scratch, "export.reg")
        if os.path.exists(export):
            os.remove(export)
        windows_export = "Z:" + export.replace("/", "\\")
        result = subprocess.run(
            self.wine.command(["wine", "reg", "export", key, windows_export, "/y"]),
            env=self.base_environment(), cwd=self.scratch, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120,
            start_new_session=True)
        if result.returncode != 0 or not os.path.exists(export):
            return None
        with open(export, "rb") as f:
            keys = parse_reg_file(decode_reg_bytes(f.read()))
        return keys.get(canonical_key(key), {})
