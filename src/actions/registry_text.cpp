#include "actions/registry_text.h"

#include "driver/throwable.h"
#include "platform/windows_text.h"
#include "script/utils.h"

namespace Registry {

namespace {

struct RootName {
  const char* name;
  Platform::RegHandle key;
};

const RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", Platform::kHkeyClassesRoot},
    {"HKEY_CURRENT_CONFIG", Platform::kHkeyCurrentConfig},
    {"HKEY_CURRENT_USER", Platform::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", Platform::kHkeyLocalMachine},
    {"HKEY_USERS", Platform::kHkeyUsers},
    {"HKEY_PERFORMANCE_DATA", Platform::kHkeyPerformanceData},
    {"HKEY_DYN_DATA", Platform::kHkeyDynData},
};

const char kHexDigits[] = "0123456789abcdef";

std::string quotedString(const std::vector<unsigned char>& data) {
  std::string text = "\"";
  for (unsigned char byte : data) {
    if (byte == 0) break;
    text += static_cast<char>(byte);
  }
  return text + "\"";
}

// A DWORD is read in the platform's (little-endian) order; data shorter
// than four bytes reads as if padded with zeros instead of past its end.
std::string dwordText(const std::vector<unsigned char>& data) {
  uint32_t value = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) value |= uint32_t(data[i]) << (8 * i);
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kHexDigits[value & 0xF];
  return text;
}

std::string binaryText(const std::vector<unsigned char>& data) {
  std::string text;
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) text += ',';
    text += kHexDigits[data[i] >> 4];
    text += kHexDigits[data[i] & 0xF];
  }
  return text;
}

std::vector<unsigned char> stringData(const std::string& text) {
  std::string bare = Utils::stripQuotes(text);
  std::vector<unsigned char> data(bare.begin(), bare.end());
  data.push_back(0);
  return data;
}

std::vector<unsigned char> dwordData(const std::string& text) {
  if (text.size() != 8) throw RegistryException("Malformed DWORD string: " + text);
  uint32_t value = 0;
  for (char c : text) {
    int digit = WindowsText::hexDigitValue(c);
    if (digit < 0) throw RegistryException("Malformed DWORD string: " + text);
    value = (value << 4) | uint32_t(digit);
  }
  return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
          static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

// n bytes are written in 3n - 1 characters, or 3n with one trailing
// separator; the empty text is no bytes. Any other length is refused rather
// than silently dropping a dangling digit. The separator characters are not
// examined.
std::vector<unsigned char> binaryData(const std::string& text) {
  if (text.size() % 3 == 1) throw RegistryException("Malformed binary string: " + text);
  size_t count = (text.size() + 1) / 3;
  std::vector<unsigned char> data;
  data.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    int high = WindowsText::hexDigitValue(text[3 * i]);
    int low = WindowsText::hexDigitValue(text[3 * i + 1]);
    if (high < 0 || low < 0) throw RegistryException("Malformed binary string: " + text);
    data.push_back(static_cast<unsigned char>(high * 16 + low));
  }
  return data;
}

// The text forms of the three types a script can write and read.
struct TextForm {
  uint32_t type;
  std::string (*toText)(const std::vector<unsigned char>&);
  std::vector<unsigned char> (*fromText)(const std::string&);
};

const TextForm kTextForms[] = {
    {Platform::kRegSz, quotedString, stringData},
    {Platform::kRegDword, dwordText, dwordData},
    {Platform::kRegBinary, binaryText, binaryData},
};

const TextForm* textFormOf(uint32_t type) {
  for (const TextForm& form : kTextForms) {
    if (form.type == type) return &form;
  }
  return nullptr;
}

}  // namespace

void splitKeyPath(const std::string& key, std::string* root, std::string* subkey) {
  Utils::splitFirst(key, '\\', root, subkey);
}

bool isRootKeyName(const std::string& name) {
  for (const RootName& root : kRootNames) {
    if (name == root.name) return true;
  }
  return false;
}

void checkKeyDeletion(const std::string& key) {
  std::string root;
  std::string subkey;
  splitKeyPath(key, &root, &subkey);
  if (isRootKeyName(root) && subkey.find_first_not_of('\\') == std::string::npos) {
    throw RegistryException("Unable to delete key: " + key);
  }
}

Platform::RegHandle rootKey(const std::string& name) {
  for (const RootName& root : kRootNames) {
    if (name == root.name) return root.key;
  }
  throw RegistryException("Unknown root key encountered: " + name);
}

bool toText(uint32_t type, const std::vector<unsigned char>& data, std::string* text) {
  const TextForm* form = textFormOf(type);
  if (form == nullptr) return false;
  *text = form->toText(data);
  return true;
}

bool fromText(uint32_t type, const std::string& text, std::vector<unsigned char>* data) {
  const TextForm* form = textFormOf(type);
  if (form == nullptr) return false;
  *data = form->fromText(text);
  return true;
}

}  // namespace Registry
