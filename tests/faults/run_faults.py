#!/usr/bin/env python3
"""Fault tests of the POSIX installer: what it does when the world fails it.

  python3 tests/faults/run_faults.py --installer build/posix/install-faults [names...]

The installer to test is the fault-test build, install-faults: the POSIX
installer linked with its test hooks (an allocation that fails on demand),
which the installer that ships never contains. Each test runs that binary on its own emulated machine in its
own temporary folder and prints one PASS/FAIL/SKIP line; the run ends with
"N passed, N failed" and exits 1 when anything failed.

- disk-full-copy, disk-full-registry, disk-full-fold, errlog-disk-full: the
  machine lives on a 1 MiB tmpfs (needs root and a sandbox that allows
  mounting; SKIP otherwise) that is filled up before the run.
- read-only: read-only files and folders stay, even for root.
- out-of-memory: TARNWICK_FAULT_ALLOC_AFTER=N makes the allocation after the
  first N fail, for every N over a whole run, from the very first (N = 0).
- kill: the installer is killed with SIGKILL at random points of a long
  script, a hundred times; every completed registry change must survive.
- kill-first-run: a machine's very first run is killed early; the next run
  must find a whole machine.

These are POSIX-only: they need tmpfs mounts, the allocation hook of the
POSIX fault-test build and signals, none of which Wine offers.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TERMINATING = "Fatal Error:\nTerminating execution of script due to fatal exception...\n\n"
KEY = "HKEY_LOCAL_MACHINE\\Software\\Tarnwick Faults"


class Failure(Exception):
    pass


class Skip(Exception):
    pass


# ------------------------------------------------------------------ the registry file

def read_registry(machine):
    """The REGEDIT4 file as {key (lower-case): {value name (lower-case): data text}}.
    Raises Failure when it is not a whole, well-formed file."""
    path = os.path.join(machine, "registry.reg")
    try:
        with open(path, "rb") as f:
            text = f.read().decode("latin-1")
    except OSError as error:
        raise Failure("registry.reg cannot be read: %s" % error)
    lines = text.replace("\r\n", "\n").split("\n")
    if not lines or lines[0] != "REGEDIT4":
        raise Failure("registry.reg does not start with REGEDIT4")
    if not text.endswith("\n"):
        raise Failure("registry.reg does not end with a line end (cut off?)")
    keys = {}
    current = None
    continued = False
    value_line = re.compile(r'^("(?:[^"\\]|\\.)*"|@)=(.*)$')
    for number, line in enumerate(lines[1:], start=2):
        if continued:
            continued = line.endswith("\\")
            continue
        if line == "" or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].lower(), {})
            continue
        match = value_line.match(line)
        if not match or current is None:
            raise Failure("registry.reg line %d is malformed: %r" % (number, line))
        name = match.group(1)
        name = "" if name == "@" else name[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        current[name.lower()] = match.group(2)
        continued = line.endswith("\\")
    return keys


def registry_value(machine, key, name):
    return read_registry(machine).get(key.lower(), {}).get(name.lower())


# ------------------------------------------------------------------ running the installer

class Run:
    """A temporary folder with media/ (the installer beside its scripts) and a
    machine folder (by default inside the temporary folder)."""

    def __init__(self, installer, machine=None):
        self.root = tempfile.mkdtemp(prefix="tarnwick-faults-", dir=scratch_base())
        self.media = os.path.join(self.root, "media")
        os.makedirs(self.media)
        shutil.copy2(installer, os.path.join(self.media, "install"))
        self.machine = machine or os.path.join(self.root, "machine")
        self.elsewhere = os.path.join(self.root, "elsewhere")
        os.makedirs(self.elsewhere)

    def write(self, name, content):
        path = os.path.join(self.media, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.encode("latin-1") if isinstance(content, str) else content)
        return path

    def environment(self, extra=None):
        env = dict(os.environ)
        env.pop("TARNWICK_OS", None)
        env.pop("TARNWICK_FAULT_ALLOC_AFTER", None)
        env["TARNWICK_MACHINE"] = self.machine
        env.update(extra or {})
        return env

    def install(self, *args, env=None, timeout=120):
        result = subprocess.run([os.path.join(self.media, "install")] + list(args),
                                cwd=self.elsewhere, env=self.environment(env),
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        stdout = result.stdout.decode("latin-1")
        stderr = result.stderr.decode("latin-1")
        if result.returncode < 0 or result.returncode > 2:
            raise Failure("exit code %d (a crash?)\nstdout: %s\nstderr: %s"
                          % (result.returncode, stdout[-2000:], stderr[-3000:]))
        return result.returncode, stdout, stderr

    def script(self, name, text, *extra_args, env=None):
        self.write(name, text)
        return self.install("-silent", *extra_args, name, env=env)

    def installer_path(self):
        return "Z:" + self.media.replace("/", "\\")

    def host(self, windows_path):
        """Host path of a C: path on the machine (exact case)."""
        assert windows_path[:3].upper() == "C:\\"
        return os.path.join(self.machine, "drive_c", *windows_path[3:].split("\\"))

    def close(self):
        for folder, _, _ in os.walk(self.root):
            os.chmod(folder, 0o755)
        shutil.rmtree(self.root, ignore_errors=True)


def scratch_base():
    return os.environ.get("TMPDIR", "/tmp")


def expect(what, actual, expected):
    if actual != expected:
        raise Failure("%s:\n--- expected\n%s\n--- actual\n%s" % (what, expected, actual))


def expect_run(result, code, stdout):
    expect("exit code", result[0], code)
    expect("standard output", result[1], stdout)


# ------------------------------------------------------------------ a small full disk

class SmallDisk:
    """A tmpfs of `size` mounted on a new folder, unmounted on close."""

    def __init__(self, size="1m"):
        if os.geteuid() != 0:
            raise Skip("needs root to mount a tmpfs")
        self.folder = tempfile.mkdtemp(prefix="tarnwick-faults-disk-", dir=scratch_base())
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs",
                                 self.folder], capture_output=True)
        if result.returncode != 0:
            os.rmdir(self.folder)
            raise Skip("cannot mount a tmpfs here: %s" % result.stderr.decode().strip())

    def fill(self, leave=0):
        """Fills the disk up to `leave` free bytes (0: completely)."""
        path = os.path.join(self.folder, "filler-%d" % len(os.listdir(self.folder)))
        chunk = b"\0" * 4096
        with open(path, "wb", buffering=0) as f:
            try:
                while True:
                    stat = os.statvfs(self.folder)
                    free = stat.f_bavail * stat.f_frsize
                    if free <= leave:
                        break
                    f.write(chunk if free - leave >= 4096 else chunk[: free - leave])
            except OSError:
                pass
        return path

    def close(self):
        subprocess.run(["umount", self.folder], capture_output=True)
        os.rmdir(self.folder)


# ------------------------------------------------------------------ the tests

SETUP = """[create directories and program groups]
<PROGFILES>\\Faults
[create registry keys]
%s
[%s] ? section_type=create_regvals
Before = kept
""" % (KEY, KEY)


def test_disk_full_copy(installer):
    disk = SmallDisk()
    run = Run(installer, machine=os.path.join(disk.folder, "machine"))
    try:
        expect_run(run.script("setup.txt", SETUP), 0, "")
        run.write("big.bin", os.urandom(600 * 1024))
        disk.fill(leave=200 * 1024)
        result = run.script("script.txt", """[copy files] ? err_type=warning
<PROGFILES>\\Faults = big.bin
[%s] ? section_type=create_regvals
After = written
""" % KEY)
        expect_run(result, 1, "Warning:\nThe following directories/files could not be copied:\n"
                   "\t%s\\big.bin\n\n" % run.installer_path())
        left = os.listdir(run.host("C:\\Program Files\\Faults"))
        expect("files left in the target folder (no partial copy)", left, [])
        expect("Before", registry_value(run.machine, KEY, "Before"), '"kept"')
        expect("After", registry_value(run.machine, KEY, "After"), '"written"')
    finally:
        run.close()
        disk.close()


def test_disk_full_registry(installer):
    disk = SmallDisk()
    run = Run(installer, machine=os.path.join(disk.folder, "machine"))
    try:
        expect_run(run.script("setup.txt", SETUP), 0, "")
        before = open(os.path.join(run.machine, "registry.reg"), "rb").read()
        filler = disk.fill()
        result = run.script("script.txt", """[%s] ? section_type=create_regvals
After = this value does not fit on the disk
""" % KEY)
        expect_run(result, 2, "Fatal Error:\nUnable to set registry value: [%s]:After\n\n%s"
                   % (KEY, TERMINATING))
        after = open(os.path.join(run.machine, "registry.reg"), "rb").read()
        expect("registry.reg after the failed write", after, before)
        # With room again the registry loads whole, with the earlier change.
        os.remove(filler)
        expect_run(run.script("empty.txt", ""), 0, "")
        expect("Before", registry_value(run.machine, KEY, "Before"), '"kept"')
        expect("After", registry_value(run.machine, KEY, "After"), None)
    finally:
        run.close()
        disk.close()


def test_disk_full_fold(installer):
    """The change fits in the journal but the new registry file does not:
    the change is kept (in the journal) and folded by a later run."""
    disk = SmallDisk()
    run = Run(installer, machine=os.path.join(disk.folder, "machine"))
    try:
        values = "".join("Filler%d = %s\n" % (i, "x" * 200) for i in range(1000))
        expect_run(run.script("setup.txt", SETUP + values), 0, "")
        filler = disk.fill(leave=40 * 1024)
        code, stdout, stderr = run.script("script.txt", "[%s] ? section_type=create_regvals\n"
                                          "After = written\n" % KEY)
        expect("exit code", code, 0)
        expect("standard output", stdout, "")
        print("   (standard error: %s)" % stderr.strip().replace("\n", " | "))
        if "registry" not in stderr:
            raise Failure("no word on standard error that the registry file was not replaced: %r"
                          % stderr)
        os.remove(filler)
        expect_run(run.script("empty.txt", ""), 0, "")
        expect("After", registry_value(run.machine, KEY, "After"), '"written"')
        expect("Filler999", registry_value(run.machine, KEY, "Filler999"), '"%s"' % ("x" * 200))
    finally:
        run.close()
        disk.close()


def test_errlog_disk_full(installer):
    disk = SmallDisk()
    run = Run(installer, machine=os.path.join(disk.folder, "machine"))
    try:
        expect_run(run.script("setup.txt", SETUP + "[create directories and program groups]\n"
                              "<PROGFILES>\\Drelmont\n"), 0, "")
        disk.fill()
        code, stdout, stderr = run.script("script.txt", "[install files] ? err_type=warning\nx\n",
                                          "-errlog", "faults.log")
        report = "Warning:\nUnrecognized predefined section encountered: install files\n\n"
        expect("exit code", code, 1)
        # Either the log cannot be opened (and says so), or the entry is lost.
        lost = "Unable to open logfile: C:\\Program Files\\Drelmont\\faults.log\n" + report
        if stdout not in (report, lost):
            raise Failure("standard output: %r" % stdout)
    finally:
        run.close()
        disk.close()


def test_read_only(installer):
    run = Run(installer)
    try:
        run.write("a.txt", "old\n")
        expect_run(run.script("setup.txt", """[create directories and program groups]
<PROGFILES>\\Faults\\locked folder
<PROGFILES>\\Faults\\tree\\sub
[copy files]
<PROGFILES>\\Faults = a.txt
<PROGFILES>\\Faults\\tree\\sub = a.txt
"""), 0, "")
        os.chmod(run.host("C:\\Program Files\\Faults\\a.txt"), 0o444)
        os.chmod(run.host("C:\\Program Files\\Faults\\tree\\sub\\a.txt"), 0o444)
        os.chmod(run.host("C:\\Program Files\\Faults\\locked folder"), 0o555)
        run.write("a.txt", "new\n")
        os.utime(os.path.join(run.media, "a.txt"), (2000000000, 2000000000))
        result = run.script("script.txt", """[copy files] ? err_type=warning
<PROGFILES>\\Faults = a.txt
[delete files, directories, and program groups] ? err_type=warning
<PROGFILES>\\Faults\\a.txt
<PROGFILES>\\Faults\\locked folder
<PROGFILES>\\Faults\\tree ? delete_recurse=yes
""")
        pf = "C:\\Program Files\\Faults"
        expect_run(result, 1,
                   "Warning:\nThe following directories/files could not be copied:\n\t%s\\a.txt\n\n"
                   % run.installer_path()
                   + "Warning:\nThe following directories/files could not be deleted:\n\t%s\\a.txt\n\n" % pf
                   + "Warning:\nThe following directories/files could not be deleted:\n\t%s\\locked folder\n\n" % pf
                   + "Warning:\nThe following directories/files could not be deleted:\n"
                   "\t%s\\tree\\sub\\a.txt\t%s\\tree\\sub\t%s\\tree\n\n" % (pf, pf, pf))
        expect("a.txt", open(run.host(pf + "\\a.txt")).read(), "old\n")
        for path in (pf + "\\locked folder", pf + "\\tree\\sub\\a.txt"):
            if not os.path.exists(run.host(path)):
                raise Failure("%s was deleted" % path)
    finally:
        run.close()


def test_out_of_memory(installer):
    """Every allocation of a whole run fails in turn."""
    run = Run(installer)
    try:
        expect_run(run.script("setup.txt", SETUP), 0, "")
        run.write("a.txt", "a\n")
        script = """[package information]
package_name = Faults
[aliases]
DIR = <PROGFILES>\\Faults\\oom ? alias_type=makepath
HAVE = [%s]:Before ? alias_type=regvalexists
[create directories and program groups]
<DIR>
[copy files]
<DIR> = a.txt
[create registry keys]
%s\\oom
[%s] ? section_type=create_regvals
Count = 00000010 ? regval_type=dword
Bytes = 01,02,03 ? regval_type=binary
Text = <HAVE>
[delete registry keys]
%s\\oom
""" % (KEY, KEY, KEY, KEY)
        run.write("script.txt", script)
        count = 0
        deadline = time.time() + 600
        while True:
            try:
                code, stdout, stderr = run.install(
                    "-silent", "script.txt", env={"TARNWICK_FAULT_ALLOC_AFTER": str(count)})
            except Failure as failure:
                raise Failure("allocation %d: %s" % (count + 1, failure))
            if code == 0:
                break  # past the run's last allocation
            if code != 2 or stderr != "Unable to allocate memory.\n":
                raise Failure("allocation %d: exit code %d, standard error %r, output %r"
                              % (count + 1, code, stderr[-2000:], stdout[-500:]))
            # The registry is whole and keeps what the setup wrote.
            try:
                expect("Before", registry_value(run.machine, KEY, "Before"), '"kept"')
            except Failure as failure:
                raise Failure("allocation %d: %s" % (count + 1, failure))
            count += 1
            if time.time() > deadline:
                raise Failure("the sweep did not end within 10 minutes (at %d)" % count)
        if count < 50:
            raise Failure("only %d allocations: is the fault hook in this build?" % count)
        print("   (%d allocations, each failed once)" % count)
    finally:
        run.close()


def test_kill(installer, rounds=100, lines=150):
    """SIGKILL at random points; every registry change proven complete by its
    marker must be in the registry, which must always load."""
    base = "/dev/shm" if os.path.isdir("/dev/shm") else scratch_base()
    run = Run(installer, machine=tempfile.mkdtemp(prefix="tarnwick-faults-kill-", dir=base))
    try:
        body = ["[create registry keys]", KEY + "\\kill"]
        for i in range(lines):
            body += ["[%s\\kill] ? section_type=create_regvals" % KEY, "V%d = value %d" % (i, i),
                     "[run programs]", "echo %d >> markers.txt" % i]
        run.write("script.txt", "\n".join(body) + "\n")
        run.write("empty.txt", "")
        markers = os.path.join(run.media, "markers.txt")
        started = time.time()
        expect_run(run.install("-silent", "script.txt"), 0, "")
        whole = time.time() - started
        rng = random.Random(int(os.environ.get("TARNWICK_FAULTS_SEED", "20261207")))
        checked = 0
        for round_number in range(rounds):
            if os.path.exists(markers):
                os.remove(markers)
            expect_run(run.script("reset.txt", "[delete registry keys]\n%s\\kill\n" % KEY), 0, "")
            process = subprocess.Popen([os.path.join(run.media, "install"), "-silent", "script.txt"],
                                       cwd=run.elsewhere, env=run.environment(),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, start_new_session=True)
            time.sleep(rng.uniform(0, whole))
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
            # The next run loads the registry (replaying what the killed one left).
            code, stdout, stderr = run.install("-silent", "empty.txt")
            if code != 0 or stderr:
                raise Failure("round %d: the run after the kill: exit %d, %r %r"
                              % (round_number, code, stdout, stderr))
            done = open(markers).read().split() if os.path.exists(markers) else []
            values = read_registry(run.machine).get((KEY + "\\kill").lower(), {})
            checked += len(done)
            for number in done:
                if values.get("v" + number) != '"value %s"' % number:
                    raise Failure("round %d: V%s completed but missing from the registry"
                                  % (round_number, number))
        print("   (%d kills over a run of %.1f s; %d completed changes checked)"
              % (rounds, whole, checked))
    finally:
        shutil.rmtree(run.machine, ignore_errors=True)
        run.close()


def test_kill_first_run(installer, rounds=60):
    """A machine's first run killed at random points: the next run must work
    (the drive and the provisioned registry value are there)."""
    run = Run(installer)
    try:
        run.write("script.txt", "[create directories and program groups]\n<PROGFILES>\\Faults\n")
        started = time.time()
        expect_run(run.install("-silent", "script.txt"), 0, "")
        whole = time.time() - started
        rng = random.Random(int(os.environ.get("TARNWICK_FAULTS_SEED", "20261207")))
        for round_number in range(rounds):
            shutil.rmtree(run.machine, ignore_errors=True)
            process = subprocess.Popen([os.path.join(run.media, "install"), "-silent", "script.txt"],
                                       cwd=run.elsewhere, env=run.environment(),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0, whole))
            process.kill()
            process.wait()
            code, stdout, stderr = run.install("-silent", "script.txt")
            if code != 0:
                raise Failure("round %d: the run after the killed first run: exit %d, %r"
                              % (round_number, code, stdout))
    finally:
        run.close()


TESTS = {
    "disk-full-copy": test_disk_full_copy,
    "disk-full-registry": test_disk_full_registry,
    "disk-full-fold": test_disk_full_fold,
    "errlog-disk-full": test_errlog_disk_full,
    "read-only": test_read_only,
    "out-of-memory": test_out_of_memory,
    "kill": test_kill,
    "kill-first-run": test_kill_first_run,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--installer", required=True,
                        help="the POSIX fault-test build of the installer (install-faults)")
    parser.add_argument("names", nargs="*", help="run only these tests")
    args = parser.parse_args()
    installer = os.path.abspath(args.installer)
    passed = failed = 0
    for name, test in TESTS.items():
        if args.names and name not in args.names:
            continue
        try:
            test(installer)
            print("PASS fault %s" % name)
            passed += 1
        except Skip as skip:
            print("SKIP fault %s: %s" % (name, skip))
        except (Failure, subprocess.TimeoutExpired) as failure:
            print("FAIL fault %s" % name)
            print("\n".join("    " + line for line in str(failure).splitlines()))
            failed += 1
        sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
