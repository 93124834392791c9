#ifndef TARNWICK_PLATFORM_POSIX_TEST_HOOKS_H_
#define TARNWICK_PLATFORM_POSIX_TEST_HOOKS_H_

// Test hooks of the emulated machine. None of them is ever switched on by
// the installer itself: the first two only by a call from test code (the
// whole-run fuzzer), the allocation fault only through an environment
// variable whose name says what it does. Normal runs cannot reach them.
namespace Posix {
namespace TestHooks {

// Drive Z: (the host's '/') stops existing for this process: every path on
// it fails as on a missing drive, so a run can touch nothing outside the
// machine folder. For a fuzzer whose installer folder lies on C:.
void setHostDriveDisabled(bool disabled);
bool hostDriveDisabled();

// "run programs" lines do nothing at all: no shell is started.
void setRunProgramsDisabled(bool disabled);
bool runProgramsDisabled();

// TARNWICK_FAULT_ALLOC_AFTER=N (a decimal number): the allocation that
// follows the first N allocations of operator new fails once, as when a
// large request finds no memory (the new-handler runs, as for a real
// failure). Read once, at the first allocation. Unset or not a number: no
// fault. This file replaces the global operator new and delete for that.
//
// The same fault from test code: the allocation after the next `count`
// ones fails once. A negative count cancels a pending fault.
void failAllocationAfter(long long count);
}  // namespace TestHooks
}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_TEST_HOOKS_H_
