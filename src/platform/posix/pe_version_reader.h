#ifndef TARNWICK_PLATFORM_POSIX_PE_VERSION_READER_H_
#define TARNWICK_PLATFORM_POSIX_PE_VERSION_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the version resource of a PE file straight from its bytes, the way
// GetFileVersionInfoSizeA / GetFileVersionInfoA / VerQueryValueA(data, "\")
// see it. Every offset and size taken from the file is checked against the
// file's length: a malformed file never crashes the reader, it only fails
// one of the three steps.
namespace PeVersion {

// Random access to the bytes of one file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // True iff all `length` bytes at `offset` were read into `out`.
  virtual bool read(uint64_t offset, size_t length, unsigned char* out) const = 0;
};

// Bytes held in memory (tests, the fuzzer). The bytes are not copied.
class MemorySource : public ByteSource {
 public:
  MemorySource(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, size_t length, unsigned char* out) const override;

 private:
  const unsigned char* data_;
  size_t size_;
};

// A host file, read with pread. Small reads are served from a window of
// the file's bytes read at once: finding a version resource takes a few
// dozen small reads, most of them close to each other.
class FileSource : public ByteSource {
 public:
  // Opens the file; it is closed when the source goes.
  explicit FileSource(const std::string& hostPath);
  // Reads an open regular file of `size` bytes, which stays the caller's.
  FileSource(int fd, uint64_t size) : fd_(fd), owned_(false), size_(size) {}
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // False when the path could not be opened as a regular file.
  bool isOpen() const { return fd_ >= 0; }
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, size_t length, unsigned char* out) const override;

 private:
  bool readFromFile(uint64_t offset, size_t length, unsigned char* out) const;

  int fd_ = -1;
  bool owned_ = true;
  uint64_t size_ = 0;
  mutable std::vector<unsigned char> window_;
  mutable uint64_t windowStart_ = 0;
};

// Where the RT_VERSION resource (type 16, name 1, first language) says its
// data lies. `mapped` is false when the data's address lies in no section.
struct Resource {
  uint32_t size = 0;
  bool mapped = false;
  uint64_t fileOffset = 0;
};

// True when the file is a PE image with a version resource; false for any
// other file, including a PE file whose headers or resource tree are broken.
bool findVersionResource(const ByteSource& file, Resource* resource);

// Reads `size` bytes of the resource (fewer when the resource is shorter; the
// rest of `data` is zero). False when the resource does not lie wholly in
// the file or `size` is 0.
bool readVersionResource(const ByteSource& file, const Resource& resource, uint32_t size,
                         std::vector<unsigned char>* data);

// The file version of the VS_FIXEDFILEINFO at the root of a VS_VERSIONINFO
// block: false when the block holds no complete fixed info with the
// signature 0xFEEF04BD.
bool fixedFileVersion(const unsigned char* data, size_t size, uint32_t* mostSignificant,
                      uint32_t* leastSignificant);

}  // namespace PeVersion

#endif  // TARNWICK_PLATFORM_POSIX_PE_VERSION_READER_H_
