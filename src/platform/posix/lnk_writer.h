#ifndef TARNWICK_PLATFORM_POSIX_LNK_WRITER_H_
#define TARNWICK_PLATFORM_POSIX_LNK_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a shell link (.lnk) file in the Shell Link Binary File
// Format, as Windows and Wine read them. Only what the installer sets is
// written: the target (as an item id list and as link info with a local
// base path) and, optionally, an icon location with index 0.
namespace Posix {

// One component of the target's path below the drive root, as it is on
// the machine.
struct LnkPathItem {
  std::string name;  // ANSI (code page 1252)
  bool directory = false;
  uint32_t size = 0;     // file size, cut to 32 bits
  int64_t modified = 0;  // seconds since 1970, 0 when unknown
};

struct LnkContent {
  // Full Windows path of the target ("C:\dir\file.exe"), ANSI. Empty: the
  // link names no target (what an empty SetPath leaves).
  std::string targetPath;
  // The target's components below "X:\", outermost first; empty for a
  // drive root. The last one also fills the header's attributes, size and
  // write time.
  std::vector<LnkPathItem> items;
  // ANSI; empty: no icon location is stored.
  std::string iconLocation;
};

// Returns the file's bytes. False when a field cannot be represented (a
// string longer than 65535 characters, a target that is not "X:\...").
bool buildLnk(const LnkContent& content, std::string* bytes);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_LNK_WRITER_H_
