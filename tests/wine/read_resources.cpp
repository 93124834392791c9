// Prints a program's resources as Windows reads them, one "name=value" line
// each: the version information (GetFileVersionInfoA, VerQueryValueA), the
// sizes in the first icon group, and at the end "manifest:" and the
// manifest's text as it is.
// tests/check_resources.sh runs it under Wine on install.exe.
//
// Usage: read_resources <file.exe>; exit code 1 when the file has no
// version information or cannot be loaded as a data file.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string version(DWORD mostSignificant, DWORD leastSignificant) {
  char text[64];
  std::snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", mostSignificant >> 16,
                mostSignificant & 0xFFFF, leastSignificant >> 16, leastSignificant & 0xFFFF);
  return text;
}

bool printVersionInfo(const char* path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return false;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return false;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD) {
    return false;
  }
  std::printf("file_version=%s\n", version(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
  std::printf("product_version=%s\n",
              version(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());

  // The strings of the first translation listed.
  WORD* translation = nullptr;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < 4) {
    return true;
  }
  char block[64];
  std::snprintf(block, sizeof(block), "\\StringFileInfo\\%04x%04x\\", translation[0],
                translation[1]);
  std::printf("translation=%04x%04x\n", translation[0], translation[1]);
  for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "InternalName",
                           "OriginalFilename", "ProductName", "ProductVersion"}) {
    char* value = nullptr;
    std::string query = std::string(block) + name;
    if (VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
      std::printf("%s=%s\n", name, value);
    }
  }
  return true;
}

// The directory of an icon group: a header of three WORDs, then 14-byte
// entries whose first two bytes are width and height (0 for 256).
void printIconSizes(HMODULE module) {
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
  if (group == nullptr) return;
  DWORD size = SizeofResource(module, group);
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
  if (bytes == nullptr || size < 6) return;
  WORD count = bytes[4] | (bytes[5] << 8);
  std::printf("icon_sizes=");
  for (DWORD i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
    const BYTE* entry = bytes + 6 + 14 * i;
    WORD id = entry[12] | (entry[13] << 8);
    // Each entry names an RT_ICON resource that must be there.
    bool present = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)) != nullptr;
    std::printf("%s%dx%d%s", i ? " " : "", entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256,
                present ? "" : "(missing)");
  }
  std::printf("\n");
}

void printManifest(HMODULE module) {
  HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (manifest == nullptr) return;
  DWORD size = SizeofResource(module, manifest);
  const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
  if (text == nullptr) return;
  std::printf("manifest:\n");
  std::fwrite(text, 1, size, stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_resources <file.exe>\n");
    return 2;
  }
  if (!printVersionInfo(argv[1])) {
    std::printf("no version information\n");
    return 1;
  }
  HMODULE module =
      LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) {
    std::printf("cannot load as a data file: error %lu\n", GetLastError());
    return 1;
  }
  printIconSizes(module);
  printManifest(module);
  FreeLibrary(module);
  return 0;
}
