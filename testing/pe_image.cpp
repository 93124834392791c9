#include "testing/pe_image.h"

namespace PeImage {

namespace {

const uint32_t kSectionAddress = 0x1000;
const uint32_t kSectionFileOffset = 0x200;
const uint32_t kFileAlignment = 0x200;
const uint32_t kSectionAlignment = 0x1000;

void put16(std::string* image, uint32_t offset, uint16_t value) {
  (*image)[offset] = static_cast<char>(value & 0xFF);
  (*image)[offset + 1] = static_cast<char>(value >> 8);
}

uint32_t alignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// One resource directory with a single id entry pointing at `target`.
void putDirectory(std::string* image, uint32_t offset, uint16_t id, uint32_t target) {
  put16(image, offset + 14, 1);  // one id entry, no named ones
  put32(image, offset + 16, id);
  put32(image, offset + 20, target);
}

void putHeaders(std::string* image, uint32_t resourceSize, uint32_t rawSize) {
  image->replace(0, 2, "MZ");
  put32(image, 0x3C, kPeHeaderOffset);
  image->replace(kPeHeaderOffset, 4, std::string("PE\0\0", 4));
  const uint32_t file = kPeHeaderOffset + 4;
  put16(image, file, 0x14C);        // i386
  put16(image, file + 2, 1);        // one section
  put16(image, file + 16, 0xE0);    // optional header size
  put16(image, file + 18, 0x2102);  // executable, 32-bit, DLL
  const uint32_t optional = file + 20;
  put16(image, optional, 0x10B);
  put32(image, optional + 16, 0);  // no entry point
  put32(image, optional + 20, kSectionAddress);
  put32(image, optional + 24, kSectionAddress);
  put32(image, optional + 28, 0x10000000);  // image base
  put32(image, optional + 32, kSectionAlignment);
  put32(image, optional + 36, kFileAlignment);
  put16(image, optional + 40, 4);  // operating system version 4.0
  put16(image, optional + 48, 4);  // subsystem version 4.0
  put32(image, optional + 56, kSectionAddress + alignUp(resourceSize, kSectionAlignment));
  put32(image, optional + 60, kSectionFileOffset);  // size of headers
  put16(image, optional + 68, 2);                   // GUI subsystem
  put32(image, optional + 72, 0x100000);
  put32(image, optional + 76, 0x1000);
  put32(image, optional + 80, 0x100000);
  put32(image, optional + 84, 0x1000);
  put32(image, optional + 92, 16);  // data directories
  put32(image, optional + 112, kSectionAddress);
  put32(image, optional + 116, resourceSize);
  const uint32_t section = optional + 0xE0;
  image->replace(section, 5, ".rsrc");
  put32(image, section + 8, resourceSize);
  put32(image, section + 12, kSectionAddress);
  put32(image, section + 16, rawSize);
  put32(image, section + 20, kSectionFileOffset);
  put32(image, section + 36, 0x40000040);  // initialised data, readable
}

}  // namespace

void put32(std::string* image, uint32_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*image)[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string versionBlock(uint32_t mostSignificant, uint32_t leastSignificant) {
  std::string block(92, '\0');
  put16(&block, 0, 92);
  put16(&block, 2, 52);
  const char key[] = "VS_VERSION_INFO";
  for (size_t i = 0; i + 1 < sizeof key; ++i) block[6 + 2 * i] = key[i];
  put32(&block, 40, 0xFEEF04BD);
  put32(&block, 44, 0x00010000);
  put32(&block, 48, mostSignificant);
  put32(&block, 52, leastSignificant);
  put32(&block, 56, mostSignificant);
  put32(&block, 60, leastSignificant);
  put32(&block, 64, 0x3F);
  put32(&block, 72, 0x40004);  // VOS_NT_WINDOWS32
  put32(&block, 76, 2);        // VFT_DLL
  return block;
}

std::string dllWithVersionData(const std::string& versionData) {
  const uint32_t tree = kVersionData - kSectionFileOffset;
  const uint32_t resourceSize = tree + static_cast<uint32_t>(versionData.size());
  const uint32_t rawSize = alignUp(resourceSize, kFileAlignment);
  std::string image(kSectionFileOffset + rawSize, '\0');
  putHeaders(&image, resourceSize, rawSize);

  const uint32_t root = kSectionFileOffset;
  putDirectory(&image, root, 16, 0x80000000u | 0x18);
  putDirectory(&image, root + 0x18, 1, 0x80000000u | 0x30);
  putDirectory(&image, root + 0x30, 0x409, kResourceDataEntry - root);
  put32(&image, kResourceDataEntry, kSectionAddress + tree);
  put32(&image, kResourceDataEntry + 4, static_cast<uint32_t>(versionData.size()));
  image.replace(kVersionData, versionData.size(), versionData);
  return image;
}

std::string versionedDll(uint32_t mostSignificant, uint32_t leastSignificant) {
  return dllWithVersionData(versionBlock(mostSignificant, leastSignificant));
}

}  // namespace PeImage
