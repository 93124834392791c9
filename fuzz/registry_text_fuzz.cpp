// Fuzzes the registry text forms. The first byte picks the direction:
//  - text to data: the rest is a text form of a string, DWORD or binary
//    value; what fromText accepts must come back from toText in its
//    canonical spelling and read back to the same data;
//  - data to text: the rest is the data; toText of it must read back
//    (fromText) to the same data, up to the rules that strings end at their
//    first NUL and a DWORD is four bytes.
// Key paths are split as well; the split must put the text back together.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "actions/registry_text.h"
#include "driver/throwable.h"
#include "platform/platform_registry.h"

namespace {

const uint32_t kTypes[] = {Platform::kRegSz, Platform::kRegDword, Platform::kRegBinary};

// String data as it reads back: up to its first NUL, with one NUL.
std::vector<unsigned char> cutAtNul(const std::vector<unsigned char>& data) {
  size_t nul = 0;
  while (nul < data.size() && data[nul] != 0) ++nul;
  std::vector<unsigned char> cut(data.begin(), data.begin() + static_cast<long>(nul));
  cut.push_back(0);
  return cut;
}

void textToData(uint32_t type, const std::string& text) {
  std::vector<unsigned char> data;
  try {
    if (!Registry::fromText(type, text, &data)) std::abort();
  } catch (const RegistryException& exception) {
    const std::string& message = exception.message();
    if (message != "Malformed DWORD string: " + text &&
        message != "Malformed binary string: " + text) {
      std::abort();
    }
    return;
  }
  std::string canonical;
  if (!Registry::toText(type, data, &canonical)) std::abort();
  std::vector<unsigned char> again;
  if (!Registry::fromText(type, canonical, &again)) std::abort();
  if (again != (type == Platform::kRegSz ? cutAtNul(data) : data)) std::abort();
}

void dataToText(uint32_t type, const std::vector<unsigned char>& data) {
  std::string text;
  if (!Registry::toText(type, data, &text)) std::abort();
  std::vector<unsigned char> back;
  try {
    if (!Registry::fromText(type, text, &back)) std::abort();
  } catch (const RegistryException&) {
    std::abort();
  }
  // A string ends at its first NUL; a DWORD is four bytes, short data
  // padded with zeros.
  std::vector<unsigned char> expected = data;
  if (type == Platform::kRegSz) expected = cutAtNul(data);
  if (type == Platform::kRegDword) expected.resize(4, 0);
  if (back != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const uint32_t type = kTypes[(selector >> 1) % 3];
  if (selector & 1) {
    dataToText(type, std::vector<unsigned char>(rest.begin(), rest.end()));
  } else {
    textToData(type, rest);
  }
  // Types without a text form are refused both ways.
  std::string text;
  std::vector<unsigned char> bytes;
  const uint32_t kExpandSz = 2;
  if (Registry::toText(kExpandSz, bytes, &text)) std::abort();
  if (Registry::fromText(kExpandSz, rest, &bytes)) std::abort();

  std::string root;
  std::string subkey;
  Registry::splitKeyPath(rest, &root, &subkey);
  if (rest.find('\\') == std::string::npos) {
    if (root != rest || !subkey.empty()) std::abort();
  } else if (root + "\\" + subkey != rest) {
    std::abort();
  }
  if (Registry::isRootKeyName(root)) {
    Registry::rootKey(root);
  } else {
    try {
      Registry::rootKey(root);
      std::abort();
    } catch (const RegistryException& exception) {
      if (exception.message() != "Unknown root key encountered: " + root) std::abort();
    }
  }
  return 0;
}
