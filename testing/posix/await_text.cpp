#include "testing/posix/await_text.h"

#include <poll.h>
#include <unistd.h>

bool awaitText(int fd, const std::string& expected) {
  std::string received;
  while (received.find(expected) == std::string::npos) {
    struct pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, 10000) <= 0) return false;
    char buffer[256];
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) return false;
    received.append(buffer, static_cast<size_t>(count));
  }
  return true;
}
