#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform_files.h"
#include "platform/platform_system.h"
#include "platform/posix/host_io.h"
#include "platform/posix/machine.h"
#include "platform/posix/registry_store.h"

namespace Platform {

namespace {

int comStarts = 0;

struct Folder {
  int csidl;
  const char* nt;   // below C:\, "%USER%" stands for the account name
  const char* w9x;  // below C:\, null where Windows 95 and 98 have none
};

const Folder kFolders[] = {
    {16, "users\\%USER%\\Desktop", "WINDOWS\\Desktop"},
    {11, "users\\%USER%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu", "WINDOWS\\Start Menu"},
    {2, "users\\%USER%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
     "WINDOWS\\Start Menu\\Programs"},
    {25, "users\\Public\\Desktop", nullptr},
    {22, "ProgramData\\Microsoft\\Windows\\Start Menu", nullptr},
    {23, "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", nullptr},
};

std::string iconWord(unsigned type) {
  switch (type & 0xF0) {
    case 0x10:
      return "Error";
    case 0x20:
      return "Question";
    case 0x30:
      return "Warning";
    case 0x40:
      return "Information";
    default:
      return "Message";
  }
}

std::string drawBox(const std::string& text, const std::string& caption, unsigned type) {
  std::string box = "+--- " + caption + " [" + iconWord(type) + "] ---\n";
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    box += "| " + text.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return box + "+---\n";
}

}  // namespace

struct ShellItem {
  std::string path;
};

bool osVersion(OsVersion* version) { return Posix::Machine::instance().osVersion(version); }

bool moduleFileName(std::string* path) {
  const std::string& module = Posix::Machine::instance().moduleFileName();
  if (module.empty() || !fitsMaxPath(module)) return false;
  *path = module;
  return true;
}

bool windowsDirectory(std::string* path) {
  *path = Posix::Machine::instance().isWindows9xLayout() ? "C:\\WINDOWS" : "C:\\windows";
  return true;
}

bool systemDirectory(std::string* path) {
  *path = Posix::Machine::instance().isWindows9xLayout() ? "C:\\WINDOWS\\SYSTEM"
                                                         : "C:\\windows\\system32";
  return true;
}

bool specialFolderLocation(int csidl, ShellItem** item) {
  const Posix::Machine& machine = Posix::Machine::instance();
  for (const Folder& folder : kFolders) {
    if (folder.csidl != csidl) continue;
    const char* relative = machine.isWindows9xLayout() ? folder.w9x : folder.nt;
    if (relative == nullptr) return false;
    std::string path = std::string("C:\\") + relative;
    size_t user = path.find("%USER%");
    if (user != std::string::npos) path.replace(user, 6, machine.userName());
    *item = new ShellItem{path};
    return true;
  }
  return false;
}

bool pathFromShellItem(ShellItem* item, std::string* path) {
  if (item == nullptr || !fitsMaxPath(item->path)) return false;
  *path = item->path;
  return true;
}

bool freeShellItem(ShellItem* item) {
  delete item;
  return true;
}

// COM has nothing to start here; the calls count as CoInitialize does, so
// that a second start on the thread answers S_FALSE.
long comInitialize() { return comStarts++ == 0 ? 0 : 1; }

void comUninitialize() {
  if (comStarts > 0) --comStarts;
}

// A box on the controlling terminal waits for Enter; without a terminal the
// box goes to standard error and the run goes on, since nobody is there to
// close it.
void messageBox(const std::string& text, const std::string& caption, unsigned type) {
  std::string box = drawBox(text, caption, type);
  std::fflush(stdout);
  int tty = open("/dev/tty", O_RDWR | O_NOCTTY);
  if (tty < 0) {
    Posix::writeAll(2, box);
    return;
  }
  Posix::writeAll(tty, box + "Press Enter to close. ");
  char c = 0;
  while (read(tty, &c, 1) == 1 && c != '\n') {
  }
  close(tty);
}

void runCommand(const std::string& command) {
  if (Posix::Machine::confined()) return;
  // The shell would see only the part before a NUL: such a command is not run.
  if (command.find('\0') != std::string::npos) return;
  // The program may itself be an installer that needs the registry: let it
  // go (every change made durable first) rather than make the program wait
  // for a lock this process holds while it waits for the program.
  Posix::flushRegistry();
  std::fflush(stdout);
  int status = std::system(command.c_str());
  // The program may have changed any folder.
  Posix::Machine::instance().forgetListings();
  (void)status;
}

void finishRun() { Posix::flushRegistry(); }

}  // namespace Platform
