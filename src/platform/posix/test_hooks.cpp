#include "platform/posix/test_hooks.h"

#include <cstddef>
#include <cstdlib>
#include <new>

// --- The allocation fault -----------------------------------------------------
//
// Replacing the global operator new is the only way to make the runtime's own
// allocations (std::string, containers) fail where they happen. The
// replacement keeps the standard contract: on failure it calls the installed
// new-handler until that throws, and throws std::bad_alloc without one.
// Every form of operator delete is replaced with it, so memory always goes
// back the way it came (malloc and free).

namespace {

// -1: not read yet; 0: no fault; n > 0: allocation number n fails.
long long failingAllocation = -1;
long long allocationCount = 0;

long long readFaultSetting() {
  const char* text = std::getenv("TARNWICK_FAULT_ALLOC_AFTER");
  if (text == nullptr || *text == '\0') return 0;
  char* end = nullptr;
  long long after = std::strtoll(text, &end, 10);
  if (*end != '\0' || after < 0) return 0;
  return after + 1;
}

bool injectFault() {
  if (failingAllocation < 0) failingAllocation = readFaultSetting();
  return ++allocationCount == failingAllocation;
}

void* allocate(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  bool fail = injectFault();
  for (;;) {
    void* memory = nullptr;
    if (!fail) {
      if (alignment <= alignof(std::max_align_t)) {
        memory = std::malloc(size);
      } else if (posix_memalign(&memory, alignment, size) != 0) {
        memory = nullptr;
      }
    }
    if (memory != nullptr) return memory;
    fail = false;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* allocateNoThrow(std::size_t size, std::size_t alignment) noexcept {
  try {
    return allocate(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

const std::size_t kPlain = alignof(std::max_align_t);

}  // namespace

namespace Posix {
namespace TestHooks {

void failAllocationAfter(long long count) {
  if (failingAllocation < 0) failingAllocation = readFaultSetting();
  failingAllocation = count < 0 ? 0 : allocationCount + count + 1;
}

}  // namespace TestHooks
}  // namespace Posix

void* operator new(std::size_t size) { return allocate(size, kPlain); }
void* operator new[](std::size_t size) { return allocate(size, kPlain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocateNoThrow(size, kPlain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocateNoThrow(size, kPlain);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateNoThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateNoThrow(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(memory);
}
