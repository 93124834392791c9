#include "testing/posix/child_process.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

ChildProcess::ChildProcess(const std::function<int()>& body) {
  int go[2];
  int errors[2];
  if (pipe(go) != 0 || pipe(errors) != 0) throw std::runtime_error("no pipe");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("no fork");
  if (pid_ == 0) {
    close(go[1]);
    close(errors[0]);
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(100);
    dup2(errors[1], 2);
    _exit(body());
  }
  close(go[0]);
  close(errors[1]);
  go_ = go[1];
  errors_ = errors[0];
}

ChildProcess::~ChildProcess() {
  wait();
  close(errors_);
}

void ChildProcess::go() {
  if (go_ < 0) return;
  if (write(go_, "g", 1) != 1) throw std::runtime_error("the child cannot be started");
  close(go_);
  go_ = -1;
}

bool ChildProcess::awaitError(const std::string& expected) {
  std::string received;
  while (received.find(expected) == std::string::npos) {
    struct pollfd ready = {errors_, POLLIN, 0};
    if (poll(&ready, 1, 10000) <= 0) return false;
    char buffer[256];
    ssize_t count = read(errors_, buffer, sizeof buffer);
    if (count <= 0) return false;
    received.append(buffer, static_cast<size_t>(count));
  }
  return true;
}

int ChildProcess::wait() {
  if (pid_ < 0) return -1;
  if (go_ >= 0) {
    close(go_);  // a child never told to go ends at once
    go_ = -1;
  }
  int status = 0;
  const bool waited = waitpid(pid_, &status, 0) == pid_;
  pid_ = -1;
  return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
