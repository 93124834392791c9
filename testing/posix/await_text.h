#ifndef TARNWICK_TESTING_POSIX_AWAIT_TEXT_H_
#define TARNWICK_TESTING_POSIX_AWAIT_TEXT_H_

#include <string>

// Reads what arrives on `fd` (a pipe from a child process) until
// `expected` is among it. False at the pipe's end, or after ten seconds
// without news: a stalled child must fail a test, not hang it.
bool awaitText(int fd, const std::string& expected);

#endif  // TARNWICK_TESTING_POSIX_AWAIT_TEXT_H_
