#ifndef TARNWICK_TESTING_PE_IMAGE_H_
#define TARNWICK_TESTING_PE_IMAGE_H_

#include <cstdint>
#include <string>

// Small PE32 DLL images, made in memory, for tests of version comparison.
// Each image has one ".rsrc" section holding a version resource (type 16,
// name 1, language 0x409); Windows, Wine and the POSIX reader all read it.
namespace PeImage {

// File offsets inside every image this builder makes.
const uint32_t kPeHeaderOffset = 0x40;          // "PE\0\0"
const uint32_t kResourceDataEntry = 0x248;      // the leaf: data address, size
const uint32_t kVersionData = 0x258;            // the VS_VERSIONINFO block
const uint32_t kFixedInfo = kVersionData + 40;  // VS_FIXEDFILEINFO

// A VS_VERSIONINFO block whose fixed info holds the file version
// (mostSignificant, leastSignificant).
std::string versionBlock(uint32_t mostSignificant, uint32_t leastSignificant);

// A DLL whose version resource holds `versionData` as it is.
std::string dllWithVersionData(const std::string& versionData);

// A DLL with the file version (mostSignificant, leastSignificant).
std::string versionedDll(uint32_t mostSignificant, uint32_t leastSignificant);

// Stores a little-endian 32-bit value at `offset` (which must lie inside).
void put32(std::string* image, uint32_t offset, uint32_t value);

}  // namespace PeImage

#endif  // TARNWICK_TESTING_PE_IMAGE_H_
