#ifndef TARNWICK_PLATFORM_POSIX_TEST_HOOKS_H_
#define TARNWICK_PLATFORM_POSIX_TEST_HOOKS_H_

// Test machinery: an allocation that fails on demand. test_hooks.cpp is
// linked only into the unit tests, the fuzzers and the fault-test build of
// the installer (install-faults), never into the installer that ships.
namespace Posix {
namespace TestHooks {

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
