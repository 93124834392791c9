#include "platform/posix/lnk_writer.h"

#include <ctime>

#include "platform/posix/code_page.h"

namespace Posix {

namespace {

const uint32_t kHeaderSize = 0x4C;
const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, the root item of every local path.
const unsigned char kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                            0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

const uint32_t kHasTargetIdList = 0x01;
const uint32_t kHasLinkInfo = 0x02;
const uint32_t kHasIconLocation = 0x40;
const uint32_t kIsUnicode = 0x80;

const uint32_t kAttributeDirectory = 0x10;
const uint32_t kAttributeArchive = 0x20;

const uint32_t kShowNormal = 1;
const uint32_t kDriveFixed = 3;
const uint32_t kLinkInfoHeaderSize = 0x1C;
const uint32_t kVolumeIdAndLocalBasePath = 1;

// Little-endian appenders.
void put16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string* out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

void put64(std::string* out, uint64_t value) {
  put32(out, static_cast<uint32_t>(value));
  put32(out, static_cast<uint32_t>(value >> 32));
}

void putBytes(std::string* out, const unsigned char* bytes, size_t count) {
  out->append(reinterpret_cast<const char*>(bytes), count);
}

// Seconds since 1970 as a FILETIME (100 ns units since 1601); 0 stays 0.
uint64_t fileTime(int64_t seconds) {
  if (seconds <= 0) return 0;
  return (static_cast<uint64_t>(seconds) + 11644473600ULL) * 10000000ULL;
}

// The FAT date and time the shell keeps in a file item; 0 before 1980.
void dosDateTime(int64_t seconds, uint16_t* date, uint16_t* time) {
  *date = 0;
  *time = 0;
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts;
  if (seconds <= 0 || gmtime_r(&t, &parts) == nullptr || parts.tm_year < 80) return;
  *date = static_cast<uint16_t>(((parts.tm_year - 80) << 9) | ((parts.tm_mon + 1) << 5) |
                                parts.tm_mday);
  *time = static_cast<uint16_t>((parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
}

bool isDriveRootPath(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// A shell item: its 2-byte size (itself included), then the body.
void putItem(std::string* out, const std::string& body) {
  put16(out, static_cast<uint32_t>(body.size() + 2));
  out->append(body);
}

std::string myComputerItem() {
  std::string body;
  body.push_back('\x1F');  // a root folder named by class id
  body.push_back('\x50');  // its sort position, as Windows writes it
  putBytes(&body, kMyComputerClsid, sizeof kMyComputerClsid);
  return body;
}

std::string driveItem(char letter) {
  std::string body;
  body.push_back('\x2F');  // a drive, as stored in links
  body.push_back(letter);
  body.append(":\\");
  body.resize(23, '\0');  // the name field is 20 bytes, then 2 unused
  return body;
}

// A file-system item in its simplest form (no extension block): the name
// is held in full, followed by an empty short name.
std::string fileSystemItem(const LnkPathItem& item) {
  std::string body;
  body.push_back(item.directory ? '\x31' : '\x32');
  body.push_back('\0');
  put32(&body, item.directory ? 0 : item.size);
  uint16_t date, time;
  dosDateTime(item.modified, &date, &time);
  put16(&body, date);
  put16(&body, time);
  put16(&body, item.directory ? kAttributeDirectory : kAttributeArchive);
  body.append(item.name);
  body.push_back('\0');
  body.push_back('\0');
  if (body.size() % 2 != 0) body.push_back('\0');  // items keep even sizes
  return body;
}

bool putIdList(std::string* out, const LnkContent& content) {
  std::string list;
  putItem(&list, myComputerItem());
  putItem(&list, driveItem(content.targetPath[0]));
  for (const LnkPathItem& item : content.items) {
    std::string body = fileSystemItem(item);
    if (body.size() + 2 > 0xFFFF) return false;
    putItem(&list, body);
  }
  put16(&list, 0);  // the terminating empty item
  if (list.size() > 0xFFFF) return false;
  put16(out, static_cast<uint32_t>(list.size()));
  out->append(list);
  return true;
}

std::string volumeId() {
  std::string volume;
  put32(&volume, 0x11);  // this block's size: the fields and an empty label
  put32(&volume, kDriveFixed);
  put32(&volume, 0);     // serial number
  put32(&volume, 0x10);  // label offset
  volume.push_back('\0');
  return volume;
}

void putLinkInfo(std::string* out, const std::string& localBasePath) {
  const std::string volume = volumeId();
  const uint32_t volumeOffset = kLinkInfoHeaderSize;
  const uint32_t basePathOffset = volumeOffset + static_cast<uint32_t>(volume.size());
  const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(localBasePath.size()) + 1;
  const uint32_t totalSize = suffixOffset + 1;  // the common suffix is empty
  put32(out, totalSize);
  put32(out, kLinkInfoHeaderSize);
  put32(out, kVolumeIdAndLocalBasePath);
  put32(out, volumeOffset);
  put32(out, basePathOffset);
  put32(out, 0);  // no network location
  put32(out, suffixOffset);
  out->append(volume);
  out->append(localBasePath);
  out->push_back('\0');
  out->push_back('\0');
}

// A counted UTF-16 string without terminator.
void putString(std::string* out, const std::string& ansi) {
  const std::u16string wide = ansiToUtf16(ansi);
  put16(out, static_cast<uint32_t>(wide.size()));
  for (char16_t unit : wide) put16(out, unit);
}

void putHeader(std::string* out, const LnkContent& content, uint32_t flags) {
  uint32_t attributes = 0;
  uint32_t size = 0;
  int64_t modified = 0;
  if (!content.targetPath.empty()) {
    attributes = kAttributeDirectory;  // a drive root
    if (!content.items.empty()) {
      const LnkPathItem& last = content.items.back();
      attributes = last.directory ? kAttributeDirectory : kAttributeArchive;
      size = last.directory ? 0 : last.size;
      modified = last.modified;
    }
  }
  put32(out, kHeaderSize);
  putBytes(out, kLinkClsid, sizeof kLinkClsid);
  put32(out, flags);
  put32(out, attributes);
  put64(out, 0);                   // creation time: unknown
  put64(out, 0);                   // access time: unknown
  put64(out, fileTime(modified));  // write time
  put32(out, size);
  put32(out, 0);  // icon index
  put32(out, kShowNormal);
  put16(out, 0);  // no hot key
  out->append(10, '\0');
}

}  // namespace

bool buildLnk(const LnkContent& content, std::string* bytes) {
  const bool hasTarget = !content.targetPath.empty();
  const bool hasIcon = !content.iconLocation.empty();
  if (hasTarget && !isDriveRootPath(content.targetPath)) return false;
  if (content.iconLocation.size() > 0xFFFF) return false;

  uint32_t flags = kIsUnicode;
  if (hasTarget) flags |= kHasTargetIdList | kHasLinkInfo;
  if (hasIcon) flags |= kHasIconLocation;

  std::string out;
  putHeader(&out, content, flags);
  if (hasTarget) {
    if (!putIdList(&out, content)) return false;
    putLinkInfo(&out, content.targetPath);
  }
  if (hasIcon) putString(&out, content.iconLocation);
  put32(&out, 0);  // no extra data blocks
  *bytes = std::move(out);
  return true;
}

}  // namespace Posix
