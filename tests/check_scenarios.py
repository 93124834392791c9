#!/usr/bin/env python3
"""Runs tarnwick-check over the scripts of every end-to-end scenario.

Each scenario's scripts (setup.txt, then the script its args name) are
checked in a copy of its media, as an author would check them beside the
installer, with --os from the scenario's TARNWICK_OS when it names a system.
The checker's standard output must equal the scenario's `findings` file
(absent: nothing found), where %INSTALLER% stands for the media folder, and
a scenario that runs clean (expected exit code 0) must have no error.

  check_scenarios.py --checker build/posix/tarnwick-check [names...]
  check_scenarios.py --checker ... --update            rewrite the findings files
  check_scenarios.py --checker ... --wine build/win32-x86_64/tarnwick-check.exe [names...]
                     also run tarnwick-check.exe under Wine: same output

Prints one PASS/FAIL line per scenario, then "N passed, N failed".
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the checkout free of __pycache__
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from tarnwick_test.cases import EXPECTATIONS, OS_NAMES, find_cases  # noqa: E402
from tarnwick_test.wine_env import WinePrefix  # noqa: E402

TIMEOUT = 60


def scripts_of(scenario):
    """The scripts the installer is given (every argument that is no option,
    nor -errlog's value), after setup.txt when there is one. Only those that
    exist, unless none does: then the scenario is about a script that cannot
    be opened."""
    names = []
    tokens = scenario.arguments()
    i = 0
    while i < len(tokens):
        if tokens[i] == "-errlog":
            i += 2
            continue
        if not tokens[i].startswith("-"):
            names.append(tokens[i])
        i += 1
    existing = [n for n in names
                if os.path.isfile(os.path.join(scenario.folder, n.replace("\\", os.sep)))]
    if existing or not names:
        names = existing
    setup = scenario.setup_script()
    return ([setup] if setup else []) + names


def os_option(scenario):
    """--os from the case's TARNWICK_OS or its `os` file, when they name one
    system."""
    names = (scenario.text("os", "") or "").split()
    for line in (scenario.text("env", "") or "").splitlines():
        key, _, value = line.strip().partition("=")
        if key.strip() == "TARNWICK_OS":
            names.append(value.strip())
    if len(names) == 1 and names[0] in OS_NAMES:
        return ["--os", names[0]]
    return []


def lay_out_media(scenario, media):
    shutil.copytree(scenario.folder, media,
                    ignore=lambda d, names: [n for n in names
                                             if d == scenario.folder and n in EXPECTATIONS])


def run(command, media, env=None):
    # Output goes to a file, not a pipe: Wine's service processes inherit the
    # handles and outlive the program, so a pipe would never report its end.
    with tempfile.TemporaryFile() as out:
        result = subprocess.run(command, cwd=media, env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.DEVNULL, timeout=TIMEOUT,
                                start_new_session=True)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
    return result.returncode, text.replace("\r\n", "\n")


def expected_code(output):
    if ": error: " in output:
        return 2
    return 1 if ": warning: " in output else 0


def check_one(scenario, args, work, wine):
    """Returns the list of problems of one scenario (empty: it passed)."""
    names = scripts_of(scenario)
    if not names:
        return []
    media = os.path.join(work, scenario.name, "media")
    lay_out_media(scenario, media)
    installer_folder = "Z:" + os.path.realpath(media).replace("/", "\\")
    # The installer runs from the media folder, also for a script in a
    # folder of its own.
    placed = ["--installer", "."] if any("/" in n or "\\" in n for n in names) else []
    arguments = os_option(scenario) + placed + names
    code, output = run([args.checker] + arguments, media)
    output = output.replace(installer_folder, "%INSTALLER%")
    problems = []
    if code != expected_code(output):
        problems.append("exit code %d for this output" % code)
    if scenario.expected_exit() == 0 and ": error: " in output:
        problems.append("the scenario runs clean, but the checker reports an error")
    expected_file = os.path.join(scenario.folder, "findings")
    if args.update:
        if output:
            with open(expected_file, "w", encoding="utf-8", newline="\n") as f:
                f.write(output)
        elif os.path.exists(expected_file):
            os.remove(expected_file)
    expected = scenario.text("findings", "") or ""
    if output != expected:
        problems.append("findings differ:\n--- expected\n%s--- got\n%s" % (expected, output))
    if wine is not None:
        exe = os.path.join(media, os.path.basename(args.wine))
        shutil.copy(args.wine, exe)
        wine_code, wine_output = run(wine.command(["wine", exe] + arguments), media,
                                     env=wine.environment())
        wine_output = wine_output.replace(installer_folder, "%INSTALLER%")
        if (wine_code, wine_output) != (code, output):
            problems.append("under Wine (exit code %d):\n%s" % (wine_code, wine_output))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--checker", required=True)
    parser.add_argument("--wine", help="tarnwick-check.exe to compare under Wine")
    parser.add_argument("--wineprefix")
    parser.add_argument("--update", action="store_true")
    parser.add_argument("--scenarios", default=os.path.join(os.path.dirname(
        os.path.abspath(__file__)), "scenarios"))
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    args.checker = os.path.abspath(args.checker)
    if args.wine:
        args.wine = os.path.abspath(args.wine)

    work = tempfile.mkdtemp(prefix="tarnwick-check-scenarios-")
    wine = None
    passed = failed = 0
    try:
        if args.wine:
            wine = WinePrefix(args.wineprefix or os.path.join(work, "prefix"))
            wine.create()
        scenarios = [case for case in find_cases([args.scenarios])
                     if not args.names or case.name in args.names]
        for scenario in scenarios:
            problems = check_one(scenario, args, work, wine)
            if problems:
                failed += 1
                print("FAIL %s" % scenario.name)
                for problem in problems:
                    print("   " + problem.replace("\n", "\n   "))
            else:
                passed += 1
                print("PASS %s" % scenario.name)
    finally:
        if wine is not None:
            wine.kill()
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
