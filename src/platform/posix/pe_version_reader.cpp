#include "platform/posix/pe_version_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace PeVersion {

namespace {

const uint16_t kResourceTypeVersion = 16;
const uint16_t kVersionInfoName = 1;
const uint32_t kFixedInfoSignature = 0xFEEF04BD;
const size_t kFixedInfoSize = 52;
const uint32_t kHighBit = 0x80000000u;
// Bytes read at once for the small reads of FileSource.
const size_t kWindowSize = 4096;

bool readU16(const ByteSource& file, uint64_t offset, uint16_t* value) {
  unsigned char bytes[2];
  if (!file.read(offset, 2, bytes)) return false;
  *value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  return true;
}

bool readU32(const ByteSource& file, uint64_t offset, uint32_t* value) {
  unsigned char bytes[4];
  if (!file.read(offset, 4, bytes)) return false;
  *value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

uint16_t u16At(const unsigned char* data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

uint32_t u32At(const unsigned char* data, size_t offset) {
  return static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
         static_cast<uint32_t>(data[offset + 2]) << 16 |
         static_cast<uint32_t>(data[offset + 3]) << 24;
}

// What the headers say about the image: where its section table is and
// where its resource directory lies (as an image address).
struct Image {
  uint64_t sectionTable = 0;
  uint16_t sectionCount = 0;
  uint32_t resourceRva = 0;
};

bool readHeaders(const ByteSource& file, Image* image) {
  unsigned char magic[4];
  uint32_t peOffset = 0;
  if (!file.read(0, 2, magic) || magic[0] != 'M' || magic[1] != 'Z') return false;
  if (!readU32(file, 0x3C, &peOffset)) return false;
  if (!file.read(peOffset, 4, magic) || std::memcmp(magic, "PE\0\0", 4) != 0) return false;

  const uint64_t fileHeader = uint64_t{peOffset} + 4;
  uint16_t optionalSize = 0;
  if (!readU16(file, fileHeader + 2, &image->sectionCount)) return false;
  if (!readU16(file, fileHeader + 16, &optionalSize)) return false;

  const uint64_t optional = fileHeader + 20;
  uint16_t optionalMagic = 0;
  if (!readU16(file, optional, &optionalMagic)) return false;
  uint64_t countOffset;
  uint64_t resourceEntry;
  if (optionalMagic == 0x10B) {
    countOffset = 92;
    resourceEntry = 112;
  } else if (optionalMagic == 0x20B) {
    countOffset = 108;
    resourceEntry = 128;
  } else {
    return false;
  }
  uint32_t directoryCount = 0;
  uint32_t resourceSize = 0;
  if (optionalSize < resourceEntry + 8) return false;
  if (!readU32(file, optional + countOffset, &directoryCount) || directoryCount <= 2) return false;
  if (!readU32(file, optional + resourceEntry, &image->resourceRva)) return false;
  if (!readU32(file, optional + resourceEntry + 4, &resourceSize)) return false;
  if (image->resourceRva == 0 || resourceSize == 0) return false;
  image->sectionTable = optional + optionalSize;
  return true;
}

// The file offset of an image address: the section with
// address <= rva < address + raw size holds it.
bool fileOffsetOf(const ByteSource& file, const Image& image, uint32_t rva, uint64_t* offset) {
  for (uint16_t i = 0; i < image.sectionCount; ++i) {
    const uint64_t header = image.sectionTable + uint64_t{i} * 40;
    uint32_t address = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
    if (!readU32(file, header + 12, &address) || !readU32(file, header + 16, &rawSize) ||
        !readU32(file, header + 20, &rawPointer)) {
      return false;
    }
    if (address <= rva && uint64_t{rva} < uint64_t{address} + rawSize) {
      *offset = uint64_t{rawPointer} + (rva - address);
      return true;
    }
  }
  return false;
}

// Looks up one level of the resource tree: the entry with id `id`, or with
// `id` 0 the first entry of any kind. `target` is the entry's second field.
bool findEntry(const ByteSource& file, uint64_t directory, uint16_t id, uint32_t* target) {
  uint16_t named = 0;
  uint16_t ids = 0;
  if (!readU16(file, directory + 12, &named) || !readU16(file, directory + 14, &ids)) return false;
  const uint64_t first = directory + 16;
  const uint32_t total = uint32_t{named} + ids;
  for (uint32_t i = 0; i < total; ++i) {
    const uint64_t entry = first + uint64_t{i} * 8;
    uint32_t name = 0;
    if (!readU32(file, entry, &name) || !readU32(file, entry + 4, target)) return false;
    if (id == 0) return true;
    if (i >= named && (name & kHighBit) == 0 && name == id) return true;
  }
  return false;
}

// Follows a directory entry to the subdirectory it names.
bool subdirectory(uint64_t base, uint32_t target, uint64_t* directory) {
  if ((target & kHighBit) == 0) return false;
  *directory = base + (target & ~kHighBit);
  return true;
}

}  // namespace

bool MemorySource::read(uint64_t offset, size_t length, unsigned char* out) const {
  if (offset > size_ || length > size_ - offset) return false;
  if (length > 0) std::memcpy(out, data_ + offset, length);
  return true;
}

FileSource::FileSource(const std::string& hostPath) {
  fd_ = open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat status;
  if (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<uint64_t>(status.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0 && owned_) close(fd_);
}

bool FileSource::read(uint64_t offset, size_t length, unsigned char* out) const {
  if (fd_ < 0 || offset > size_ || length > size_ - offset) return false;
  const bool inWindow = offset >= windowStart_ && offset - windowStart_ <= window_.size() &&
                        length <= window_.size() - (offset - windowStart_);
  if (!inWindow) {
    if (length > kWindowSize) return readFromFile(offset, length, out);
    const size_t windowLength =
        static_cast<size_t>(std::min<uint64_t>(kWindowSize, size_ - offset));
    window_.resize(windowLength);
    windowStart_ = offset;
    if (!readFromFile(offset, windowLength, window_.data())) {
      window_.clear();
      return false;
    }
  }
  if (length > 0) std::memcpy(out, window_.data() + (offset - windowStart_), length);
  return true;
}

bool FileSource::readFromFile(uint64_t offset, size_t length, unsigned char* out) const {
  size_t done = 0;
  while (done < length) {
    ssize_t got = pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

bool findVersionResource(const ByteSource& file, Resource* resource) {
  Image image;
  uint64_t base = 0;
  if (!readHeaders(file, &image) || !fileOffsetOf(file, image, image.resourceRva, &base)) {
    return false;
  }
  uint32_t target = 0;
  uint64_t names = 0;
  uint64_t languages = 0;
  if (!findEntry(file, base, kResourceTypeVersion, &target) ||
      !subdirectory(base, target, &names)) {
    return false;
  }
  if (!findEntry(file, names, kVersionInfoName, &target) ||
      !subdirectory(base, target, &languages)) {
    return false;
  }
  if (!findEntry(file, languages, 0, &target) || (target & kHighBit) != 0) return false;

  const uint64_t leaf = base + target;
  uint32_t dataRva = 0;
  if (!readU32(file, leaf, &dataRva) || !readU32(file, leaf + 4, &resource->size)) return false;
  resource->mapped = fileOffsetOf(file, image, dataRva, &resource->fileOffset);
  return resource->size != 0;
}

bool readVersionResource(const ByteSource& file, const Resource& resource, uint32_t size,
                         std::vector<unsigned char>* data) {
  if (size == 0 || !resource.mapped) return false;
  if (resource.fileOffset > file.size() || resource.size > file.size() - resource.fileOffset) {
    return false;
  }
  std::vector<unsigned char> bytes(size, 0);
  if (!file.read(resource.fileOffset, std::min(size, resource.size), bytes.data())) return false;
  data->swap(bytes);
  return true;
}

bool fixedFileVersion(const unsigned char* data, size_t size, uint32_t* mostSignificant,
                      uint32_t* leastSignificant) {
  // VS_VERSIONINFO: length, value length, type, then the NUL-terminated
  // UTF-16 key, padded to 4 bytes; the value, VS_FIXEDFILEINFO, follows.
  if (data == nullptr || size < 6) return false;
  const size_t blockEnd = std::min<size_t>(u16At(data, 0), size);
  const uint16_t valueLength = u16At(data, 2);
  size_t position = 6;
  while (true) {
    if (position + 2 > blockEnd) return false;
    const uint16_t unit = u16At(data, position);
    position += 2;
    if (unit == 0) break;
  }
  const size_t value = (position + 3) & ~size_t{3};
  if (valueLength < kFixedInfoSize || value > blockEnd || kFixedInfoSize > blockEnd - value) {
    return false;
  }
  if (u32At(data, value) != kFixedInfoSignature) return false;
  *mostSignificant = u32At(data, value + 8);
  *leastSignificant = u32At(data, value + 12);
  return true;
}

}  // namespace PeVersion
