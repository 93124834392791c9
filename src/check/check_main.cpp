// tarnwick-check: finds the problems of installation scripts before they
// run, without running them and without touching the machine.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "check/check_command.h"

int main(int argc, char** argv) {
  try {
    return runCheckCommand(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
  } catch (const std::bad_alloc&) {
    std::fputs("tarnwick-check: out of memory\n", stderr);
    return 2;
  }
}
