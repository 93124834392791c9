#ifndef TARNWICK_PLATFORM_PLATFORM_SHELL_LINK_H_
#define TARNWICK_PLATFORM_PLATFORM_SHELL_LINK_H_

#include <memory>
#include <string>

// The shell-link object: one IShellLinkA with its IPersistFile, released
// when the object is destroyed (IPersistFile first). Results are HRESULTs
// (0 S_OK, 1 S_FALSE, negative for failures, also where long is wider than
// 32 bits). setPath answers S_FALSE for a target that does not exist, as
// the shell does. win32/ forwards to the shell; posix/ checks targets on the
// emulated machine and writes .lnk files itself.
namespace Platform {

class ShellLink {
 public:
  virtual ~ShellLink() = default;
  virtual long setPath(const std::string& target) = 0;
  virtual long setIconLocation(const std::string& icon, int index) = 0;
  // QueryInterface for IPersistFile; false when it is not provided.
  virtual bool queryPersistFile() = 0;
  // IPersistFile::Save(path, TRUE) of the wide path made by toWide.
  virtual long save(const std::u16string& path) = 0;
};

// CoCreateInstance(CLSID_ShellLink): null on failure.
std::unique_ptr<ShellLink> createShellLink();

// MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED) into `capacity` units, the
// terminator included: false when the conversion fails or does not fit.
bool toWide(const std::string& text, size_t capacity, std::u16string* wide);

}  // namespace Platform

#endif  // TARNWICK_PLATFORM_PLATFORM_SHELL_LINK_H_
