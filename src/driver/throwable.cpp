#include "driver/throwable.h"

#include <cstdio>

char* messageBuffer = nullptr;
int messageBufferCapacity = 0;

namespace {
const int kMessageBufferSize = 1024;
}

void allocateMessageBuffer() {
  if (messageBuffer == nullptr) messageBuffer = new char[kMessageBufferSize];
  messageBufferCapacity = kMessageBufferSize - 1;
}

void releaseMessageBuffer() {
  delete[] messageBuffer;
  messageBuffer = nullptr;
  messageBufferCapacity = 0;
}

std::string formatMessage(const char* format, int number) {
  // Outside a run (unit tests, start-up failures) a local buffer of the same
  // size stands in, so the cut is the same everywhere.
  char local[kMessageBufferSize];
  char* buffer = messageBuffer != nullptr ? messageBuffer : local;
  int capacity = messageBuffer != nullptr ? messageBufferCapacity : kMessageBufferSize - 1;
  std::snprintf(buffer, static_cast<size_t>(capacity) + 1, format, number);
  return std::string(buffer);
}

void outOfMemory() { throw MemError("Unable to allocate memory."); }
