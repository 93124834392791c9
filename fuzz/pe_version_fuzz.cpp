// libFuzzer target for the PE version-resource reader: any byte string is
// taken as a file and run through the three steps the platform takes
// (find the resource, read it, query its fixed info), plus the query on the
// raw bytes. Nothing may crash, hang or read outside the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/pe_version_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
  PeVersion::fixedFileVersion(data, size, &mostSignificant, &leastSignificant);

  PeVersion::MemorySource source(data, size);
  PeVersion::Resource resource;
  if (!PeVersion::findVersionResource(source, &resource)) return 0;
  std::vector<unsigned char> block;
  if (!PeVersion::readVersionResource(source, resource, resource.size, &block)) return 0;
  PeVersion::fixedFileVersion(block.data(), block.size(), &mostSignificant, &leastSignificant);
  return 0;
}
