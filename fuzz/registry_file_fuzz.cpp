// Fuzzes the reading of registry files and journals: any input must parse
// or be refused without a crash, whatever parses must read back the same
// after being written out again, and a registry.reg the store loads must be
// written out as a file that loads to the same registry.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/regedit_file.h"
#include "platform/posix/registry_journal.h"
#include "platform/posix/registry_store.h"

namespace {

bool sameChange(const Posix::RegeditChange& a, const Posix::RegeditChange& b) {
  return a.kind == b.kind && a.key == b.key && a.name == b.name && a.type == b.type &&
         a.data == b.data;
}

// Writes the changes out and reads them back: the writer must produce text
// the reader takes, and the same changes (a value change reads back after
// the key line that opens its key).
void checkRoundTrip(const std::vector<Posix::RegeditChange>& changes) {
  for (const Posix::RegeditChange& change : changes) {
    // Key names with line breaks cannot be written; the store never makes them.
    if (change.key.find_first_of("\r\n") != std::string::npos) continue;
    std::vector<Posix::RegeditChange> again;
    Posix::RegeditError error;
    if (!Posix::parseRegedit(Posix::regeditChangeText(change), false, &again, &error)) abort();
    if (again.empty() || !sameChange(change, again.back())) abort();
  }
}

// A machine folder on tmpfs where there is one, so that the store's fsync
// calls cost nothing.
const std::string& machineFolder() {
  static std::string folder = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    pattern += "/registry-fuzz-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) abort();
    return pattern;
  }();
  return folder;
}

// The store's diagnostics for refused files would drown the fuzzer's own
// output; they are silenced while a store is open.
class QuietStderr {
 public:
  QuietStderr() : saved_(dup(2)) {
    FILE* null = freopen("/dev/null", "w", stderr);
    (void)null;
  }
  ~QuietStderr() {
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
  }

 private:
  int saved_;
};

void checkStoreLoad(const std::string& text) {
  const std::string file = machineFolder() + "/registry.reg";
  unlink((machineFolder() + "/registry.journal").c_str());
  FILE* out = fopen(file.c_str(), "wb");
  if (out == nullptr) abort();
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
  Posix::RegistryLayout layout;
  layout.userName = "fuzz";
  std::string written;
  QuietStderr quiet;
  {
    Posix::RegistryStore store(machineFolder(), layout);
    if (!store.usable()) return;
    written = store.text();
  }
  Posix::RegistryStore again(machineFolder(), layout);
  if (!again.usable() || again.text() != written) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<Posix::RegeditChange> changes;
  Posix::RegeditError error;
  if (Posix::parseRegedit(text, true, &changes, &error)) {
    checkRoundTrip(changes);
    checkStoreLoad(text);
  }

  Posix::JournalContents journal = Posix::readJournal(text);
  if (journal.validLength > text.size()) abort();
  for (const std::string& payload : journal.payloads) {
    if (Posix::parseRegedit(payload, false, &changes, &error)) checkRoundTrip(changes);
  }
  return 0;
}
