// Prints the file version of a PE file as the POSIX build reads it (the
// version resource's fixed info, "a.b.c.d"), for tests/check_resources.sh.
//
// Usage: read_pe_version <file>; exit code 1 when the file has no readable
// version information.
#include <cstdio>
#include <vector>

#include "platform/posix/pe_version_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_pe_version <file>\n");
    return 2;
  }
  PeVersion::FileSource file(argv[1]);
  PeVersion::Resource resource;
  std::vector<unsigned char> data;
  uint32_t most = 0;
  uint32_t least = 0;
  if (!file.isOpen() || !PeVersion::findVersionResource(file, &resource) ||
      !PeVersion::readVersionResource(file, resource, resource.size, &data) ||
      !PeVersion::fixedFileVersion(data.data(), data.size(), &most, &least)) {
    std::printf("no version information\n");
    return 1;
  }
  std::printf("%u.%u.%u.%u\n", most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF);
  return 0;
}
