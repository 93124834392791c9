"""tarnwick-test: tests for installation scripts.

A case is a folder: an installation script with its payload, and what must
hold after the installer has run it on a fresh Windows machine (the exit code,
the output, files, registry values, shortcuts, message boxes). tarnwick-test
runs each case on the emulated machine of the POSIX installer, once for each
Windows version the case names, or with the Win32 installer under Wine, and
reports what differed. The format is described in docs/testing-scripts.md.

Python 3 standard library only.
"""
