#!/usr/bin/env python3
"""The one way our tests set up Wine: a fresh prefix and a clean environment.

Every Windows program the tests run under Wine runs like this: in a prefix of
its own with HOME a folder of its own (a new prefix links the user's Desktop
and Documents into HOME), no display (a message box can never wait for a
person), no debug channels, no Mono or Gecko (nothing may be fetched), and the
locale C.UTF-8, which gives Wine the ANSI code page 1252 and its English
folder names whatever the host's locale is.

As a module (Python 3 standard library only):

    prefix = WinePrefix("/tmp/x/prefix")     # HOME is /tmp/x/prefix-home
    prefix.create()                          # wineboot; the server stays up
    prefix.run(["wine", "reg", "query", "HKLM\\\\Software"])
    prefix.kill()

From the shell:

    wine_env.py check                     exit 0 when Wine is there, else says
                                          which package to install
    wine_env.py new-prefix PREFIX         create a fresh prefix and keep its
                                          wineserver running
    wine_env.py run PREFIX -- CMD ARGS    run CMD in the prefix's environment
                                          ("wine" and "wineserver" are Wine's)
    wine_env.py kill PREFIX               stop the prefix's wineserver

HOME is PREFIX-home unless --home says otherwise. WINELOADER and WINESERVER
name other Wine binaries (Debian's wine64 by default).
"""

import argparse
import os
import subprocess
import sys

PACKAGE = "wine64"
LOADER = os.environ.get("WINELOADER") or "/usr/lib/wine/wine64"
SERVER = os.environ.get("WINESERVER") or os.path.join(os.path.dirname(LOADER), "wineserver")

# Variables of the host that must not reach a Windows program.
REMOVED = ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "LANGUAGE", "TARNWICK_MACHINE", "TARNWICK_OS")


class WineError(Exception):
    """Wine is missing, or a prefix could not be made."""


def available():
    return all(os.path.isfile(p) and os.access(p, os.X_OK) for p in (LOADER, SERVER))


def missing_message():
    return "Wine is not installed (no %s): install the Debian package %s" % (LOADER, PACKAGE)


class WinePrefix:
    """A Wine prefix of our own and the environment its programs run in."""

    def __init__(self, prefix, home=None):
        self.prefix = os.path.abspath(prefix)
        self.home = os.path.abspath(home) if home else self.prefix + "-home"
        self.started = False

    @property
    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def environment(self, base=None):
        env = dict(os.environ if base is None else base)
        for name in list(env):
            if name in REMOVED or name.startswith("LC_"):
                del env[name]
        env.update({
            "WINEPREFIX": self.prefix,
            "HOME": self.home,
            "LANG": "C.UTF-8",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
        })
        return env

    def command(self, argv):
        """argv with "wine" or "wineserver" first replaced by Wine's binaries."""
        known = {"wine": LOADER, "wine64": LOADER, "wineserver": SERVER}
        return [known.get(argv[0], argv[0])] + list(argv[1:])

    def run(self, argv, **options):
        """subprocess.run in the prefix's environment; no input unless given."""
        options.setdefault("stdin", subprocess.DEVNULL)
        options.setdefault("env", self.environment())
        self.started = True
        return subprocess.run(self.command(argv), **options)

    def create(self, timeout=300):
        """Makes the prefix and keeps one wineserver up until kill().

        The server comes first and stays: the system processes that wineboot
        starts (services, rpcss and the like) then run for the whole session
        with no output of anyone's. Started by a later program instead, they
        would hold its standard output open, and a caller reading that to
        its end would wait forever. Creating the prefix here also keeps its
        notices and its 10-20 s out of what is measured or compared.
        """
        if not available():
            raise WineError(missing_message())
        os.makedirs(self.prefix, exist_ok=True)
        os.makedirs(self.home, exist_ok=True)
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        self.run(["wineserver", "-p"], timeout=60, **quiet)
        self.run(["wine", "wineboot", "--init"], cwd=self.home, timeout=timeout,
                 start_new_session=True, **quiet)
        if not os.path.isdir(self.drive_c):
            raise WineError("wineboot did not create the prefix %s" % self.prefix)

    def kill(self):
        """Stops the prefix's wineserver (and with it every program still running)."""
        if self.started and os.path.exists(SERVER):
            self.run(["wineserver", "-k"], timeout=60, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
        self.started = False


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="action", required=True)
    commands.add_parser("check", help="exit 0 when Wine is installed")
    for name in ("new-prefix", "run", "kill"):
        command = commands.add_parser(name)
        command.add_argument("prefix")
        command.add_argument("--home", help="HOME of the prefix's programs (default PREFIX-home)")
        if name == "run":
            command.add_argument("program", nargs=argparse.REMAINDER,
                                 help="-- then the program and its arguments")
    options = parser.parse_args(argv)

    if not available():
        print(missing_message(), file=sys.stderr)
        return 1
    if options.action == "check":
        return 0
    prefix = WinePrefix(options.prefix, options.home)
    if options.action == "new-prefix":
        try:
            prefix.create()
        except (WineError, OSError, subprocess.SubprocessError) as error:
            print("wine_env.py: %s" % error, file=sys.stderr)
            return 1
        return 0
    if options.action == "kill":
        prefix.started = True
        prefix.kill()
        return 0
    program = options.program[1:] if options.program[:1] == ["--"] else options.program
    if not program:
        parser.error("run: no program given")
    command = prefix.command(program)
    os.execvpe(command[0], command, prefix.environment())


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
