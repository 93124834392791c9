// Host tool for lnk_roundtrip.sh: writes shell links with the POSIX
// platform so that the real shell can read them back under Wine.
//
//   write_lnk <link> <target> [icon]
//     ShellLinks::createLink on the emulated machine ($TARNWICK_MACHINE);
//     prints the failure message and exits 1 when it throws.
//   write_lnk --raw <host file> <target> [icon]
//     the .lnk writer alone, no machine: every component of the target but
//     the last is taken as a folder, the last as an empty file.
#include <cstdio>
#include <fstream>
#include <string>

#include "actions/shell_links.h"
#include "driver/throwable.h"
#include "platform/posix/lnk_writer.h"

namespace {

int writeRaw(const std::string& hostFile, const std::string& target, const std::string& icon) {
  Posix::LnkContent content;
  content.targetPath = target;
  content.iconLocation = icon;
  size_t start = 3;
  while (start < target.size()) {
    size_t end = target.find('\\', start);
    if (end == std::string::npos) end = target.size();
    Posix::LnkPathItem item;
    item.name = target.substr(start, end - start);
    item.directory = end < target.size();
    content.items.push_back(item);
    start = end + 1;
  }
  std::string bytes;
  if (!Posix::buildLnk(content, &bytes)) {
    std::fprintf(stderr, "cannot build a link for %s\n", target.c_str());
    return 1;
  }
  std::ofstream out(hostFile, std::ios::binary | std::ios::trunc);
  out << bytes;
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool raw = argc > 1 && std::string(argv[1]) == "--raw";
  const int first = raw ? 2 : 1;
  if (argc - first < 2 || argc - first > 3) {
    std::fprintf(stderr, "usage: write_lnk [--raw] <link> <target> [icon]\n");
    return 2;
  }
  const std::string icon = argc - first == 3 ? argv[first + 2] : "";
  if (raw) return writeRaw(argv[first], argv[first + 1], icon);
  try {
    ShellLinks::createLink(argv[first], argv[first + 1], icon);
  } catch (const Exception& e) {
    std::printf("%s\n", e.message().c_str());
    return 1;
  }
  return 0;
}
