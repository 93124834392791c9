#include "platform/posix/host_mapping.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/code_page.h"
#include "platform/posix/host_io.h"
#include "platform/windows_text.h"

namespace Posix {

namespace {

bool existsAsWritten(const std::string& host) {
  struct stat status;
  return lstat(host.c_str(), &status) == 0;
}

// Calls `each` with the names of a full path after its drive ("C:\\"), in
// order; false, after calling it for some, when one of them can name
// nothing on the host: "." or "..", or a name holding the host's separator.
template <typename Each>
bool forEachName(const std::string& full, Each each) {
  size_t start = 3;
  while (start < full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    const std::string_view name(full.data() + start, end - start);
    if (name == "." || name == ".." || name.find('/') != std::string_view::npos) return false;
    each(name);
    start = end + 1;
  }
  return true;
}

}  // namespace

HostMapping::HostMapping(const std::string& machineFolder) : driveC_(machineFolder + "/drive_c") {}

bool HostMapping::driveFolder(const std::string& full, std::string* root) const {
  if (full.size() < 3 || full[1] != ':' || full[2] != '\\') return false;
  const char drive = WindowsText::toUpper(full[0]);
  if (drive == 'C') {
    *root = driveC_;
  } else if (drive == 'Z' && !hostDriveHidden_) {
    *root = "/";
  } else {
    return false;
  }
  return true;
}

bool HostMapping::hostComponents(const std::string& full, std::string* root,
                                 std::vector<std::string>* names) const {
  if (!driveFolder(full, root)) return false;
  names->clear();
  return forEachName(full, [&](std::string_view name) {
    names->emplace_back();
    appendAnsiAsUtf8(name, &names->back());
  });
}

// Built in one pass: every path the installer touches goes through here
// first, most of them twice.
bool HostMapping::writtenHostPath(const std::string& full, std::string* host) const {
  std::string result;
  if (!driveFolder(full, &result)) return false;
  const bool hostable = forEachName(full, [&](std::string_view name) {
    if (result != "/") result.push_back('/');
    appendAnsiAsUtf8(name, &result);
  });
  if (!hostable) return false;
  *host = std::move(result);
  return true;
}

bool HostMapping::hostPath(const std::string& full, std::string* host) const {
  std::string root;
  std::vector<std::string> names;
  if (!hostComponents(full, &root, &names)) return false;
  // The longest prefix that exists as written needs no case-insensitive
  // look-up: each of its components is found as written. Usually that is the
  // whole path, or all of it but a new last name, so this costs one or two
  // status queries instead of two per component.
  std::vector<std::string> prefixes = {root};
  for (const std::string& name : names) prefixes.push_back(joinHostPath(prefixes.back(), name));
  size_t known = names.size();
  if (known > 0 && !existsAsWritten(prefixes[known])) {
    // A new name in a folder that exists as written: its listing answers.
    std::string match;
    if (listings_.lookUp(prefixes[known - 1], names.back(), &match)) {
      *host = match.empty() ? prefixes[known] : joinHostPath(prefixes[known - 1], match);
      return true;
    }
    --known;
    while (known > 0 && !existsAsWritten(prefixes[known])) --known;
  }
  std::string result = prefixes[known];
  bool missing = false;
  for (size_t i = known; i < names.size(); ++i) {
    const std::string written = joinHostPath(result, names[i]);
    // The name after the known prefix is missing as written; the names
    // below a differently cased one may exist as written.
    if (missing || (i > known && existsAsWritten(written))) {
      result = written;
      continue;
    }
    const std::string match = listings_.match(result, names[i]);
    missing = match.empty();
    result = missing ? written : joinHostPath(result, match);
  }
  *host = result;
  return true;
}

bool HostMapping::locate(const std::string& full, std::string* host, struct stat* status,
                         bool* found) const {
  std::string written;
  if (!writtenHostPath(full, &written)) return false;
  *found = stat(written.c_str(), status) == 0;
  if (*found) {
    *host = written;
    return true;
  }
  // Missing as written: the listing of its folder, when that exists as
  // written, tells whether it exists in another case.
  const bool named = full.size() > 3;
  const std::string parent = hostParentOf(written);
  const std::string name = written.substr(written.rfind('/') + 1);
  std::string match;
  if (named && listings_.lookUp(parent, name, &match)) {
    *host = match.empty() ? written : joinHostPath(parent, match);
  } else if (!hostPath(full, host)) {
    return false;
  }
  *found = *host != written && stat(host->c_str(), status) == 0;
  return true;
}

std::string HostMapping::windowsPathOf(const std::string& hostPath) const {
  std::string windows;
  if (hostPath == driveC_ || isInsideHostFolder(hostPath, driveC_)) {
    windows = "C:" + utf8ToAnsi(hostPath.substr(driveC_.size()));
  } else {
    windows = "Z:" + utf8ToAnsi(hostPath == "/" ? "" : hostPath);
  }
  std::replace(windows.begin(), windows.end(), '/', '\\');
  if (windows.size() == 2) windows += "\\";
  return windows;
}

}  // namespace Posix
