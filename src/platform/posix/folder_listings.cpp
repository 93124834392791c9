#include "platform/posix/folder_listings.h"

#include <dirent.h>

#include <memory>

#include "platform/posix/host_io.h"
#include "platform/posix/windows_names.h"

namespace Posix {

namespace {

// Bounds the memory kept: a run touches few folders at a time.
const size_t kMaxListings = 64;

// Keeps the name that comes first in case-insensitive order, as a look-up
// through the listing order would find it.
void enter(const std::string& name, std::unordered_map<std::string, std::string>* names) {
  auto inserted = names->emplace(WindowsNames::folded(name), name);
  if (!inserted.second && WindowsNames::lessInFolderOrder(name, inserted.first->second)) {
    inserted.first->second = name;
  }
}

}  // namespace

bool FolderListings::describes(const Listing& listing, const struct stat& status) {
  return listing.device == status.st_dev && listing.inode == status.st_ino &&
         listing.modified.tv_sec == status.st_mtim.tv_sec &&
         listing.modified.tv_nsec == status.st_mtim.tv_nsec;
}

void FolderListings::stamp(Listing* listing, const struct stat& status) {
  listing->device = status.st_dev;
  listing->inode = status.st_ino;
  listing->modified = status.st_mtim;
}

bool FolderListings::list(const std::string& folder, const struct stat& status, Listing* listing) {
  // Closed on every path: entering a name allocates and may throw.
  std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
  if (directory == nullptr) return false;
  listing->byFoldedName.clear();
  while (dirent* entry = readdir(directory.get())) enter(entry->d_name, &listing->byFoldedName);
  stamp(listing, status);
  return true;
}

std::string FolderListings::match(const std::string& folder, const std::string& name) {
  struct stat status;
  if (stat(folder.c_str(), &status) != 0) return "";
  auto found = listings_.find(folder);
  if (found == listings_.end() || !describes(found->second, status)) {
    if (listings_.size() >= kMaxListings) listings_.clear();
    Listing& listing = listings_[folder];
    if (!list(folder, status, &listing)) {
      listings_.erase(folder);
      return "";
    }
    found = listings_.find(folder);
  }
  auto match = found->second.byFoldedName.find(WindowsNames::folded(name));
  return match == found->second.byFoldedName.end() ? "" : match->second;
}

FolderListings::Listing* FolderListings::listingOf(const std::string& path, std::string* folder,
                                                   std::string* name) {
  *folder = hostParentOf(path);
  *name = path.substr(path.rfind('/') + 1);
  auto found = listings_.find(*folder);
  return found == listings_.end() ? nullptr : &found->second;
}

// The installer's own change moved the folder's time on; the listing, now
// updated, describes the folder again.
void FolderListings::restamp(const std::string& folder, Listing* listing) {
  struct stat status;
  if (stat(folder.c_str(), &status) == 0) {
    stamp(listing, status);
  } else {
    listings_.erase(folder);
  }
}

void FolderListings::added(const std::string& path) {
  std::string folder, name;
  if (Listing* listing = listingOf(path, &folder, &name)) {
    enter(name, &listing->byFoldedName);
    restamp(folder, listing);
  }
}

void FolderListings::removed(const std::string& path) {
  std::string folder, name;
  if (Listing* listing = listingOf(path, &folder, &name)) {
    // Another name of the same case-folded form may remain: list again then.
    auto entry = listing->byFoldedName.find(WindowsNames::folded(name));
    if (entry != listing->byFoldedName.end() && entry->second == name) {
      listings_.erase(folder);
      return;
    }
    restamp(folder, listing);
  }
}

}  // namespace Posix
