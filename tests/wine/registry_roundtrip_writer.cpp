// Writes a known set of registry values through the emulated registry store
// of the machine folder named on the command line and flushes it, for
// registry_roundtrip.sh to import under Wine.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes sz(const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

bool set(Posix::RegistryStore& store, Platform::RegHandle root, const std::string& key,
         const std::string& name, uint32_t type, const Bytes& data) {
  Platform::RegHandle handle = 0;
  bool ok = store.createKey(root, key, Posix::kKeyAllAccess, &handle) == 0 &&
            store.setValue(handle, name, type, data) == 0;
  store.closeKey(handle);
  if (!ok) std::fprintf(stderr, "cannot set %s:%s\n", key.c_str(), name.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: registry_roundtrip_writer <machine folder>\n");
    return 2;
  }
  Posix::RegistryLayout layout;
  layout.userName = "tester";
  layout.provisionNew = true;
  Posix::RegistryStore store(argv[1], layout);
  const Platform::RegHandle lm = Platform::kHkeyLocalMachine;
  const std::string key = "Software\\TarnwickRoundTrip";
  bool ok = set(store, lm, key, "", 1, sz("default")) &&
            set(store, lm, key, "path", 1, sz("C:\\Program Files\\\"App\"")) &&
            set(store, lm, key, "dword", 4, {0x1f, 0, 0, 0}) &&
            set(store, lm, key, "max", 4, {0xff, 0xff, 0xff, 0xff}) &&
            set(store, lm, key, "binary", 3, {0x0a, 0xff}) &&
            set(store, lm, key, "empty binary", 3, {}) &&
            set(store, lm, key, "long binary", 3, Bytes(100, 0xab)) &&
            set(store, lm, key, "expand", 2, sz("%SystemRoot%\\x")) &&
            set(store, lm, key, "multi", 7, {'a', 0, 'b', 0, 0}) &&
            set(store, lm, key, "no nul", 1, {'a', 'b'}) &&
            set(store, lm, key, "none", 0, {1, 2}) &&
            set(store, lm, key, "qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}) &&
            set(store, lm, key, "odd type", 0x12345, {9}) &&
            set(store, lm, key, "gone", 1, sz("deleted before the flush")) &&
            set(store, lm, key + "\\Sub", "in sub", 1, sz("sub")) &&
            set(store, lm, key + "\\Gone", "v", 1, sz("x")) &&
            set(store, Platform::kHkeyCurrentUser, key, "user", 1, sz("for tester"));
  Platform::RegHandle handle = 0;
  ok = ok && store.openKey(lm, key, Platform::kKeySetValue, &handle) == 0 &&
       store.deleteValue(handle, "gone") == 0 && store.deleteKey(lm, key + "\\Gone") == 0;
  store.closeKey(handle);
  return ok && store.flush() ? 0 : 1;
}
