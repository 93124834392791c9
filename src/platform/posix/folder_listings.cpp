#include "platform/posix/folder_listings.h"

#include "platform/posix/host_io.h"
#include "platform/posix/windows_names.h"

namespace Posix {

namespace {

// Bounds the memory kept. A tree copied breadth first makes every folder of
// a level before it fills the first, so the listings of a whole level are
// worth keeping; beyond the bounds everything is forgotten and listed again
// when needed.
const size_t kMaxListings = 4096;
const size_t kMaxNames = 65536;

}  // namespace

bool FolderListings::describes(const Listing& listing, const struct stat& status) {
  return listing.device == status.st_dev && listing.inode == status.st_ino &&
         (listing.changedHere || (listing.modified.tv_sec == status.st_mtim.tv_sec &&
                                  listing.modified.tv_nsec == status.st_mtim.tv_nsec));
}

void FolderListings::stamp(Listing* listing, const struct stat& status) {
  listing->device = status.st_dev;
  listing->inode = status.st_ino;
  listing->modified = status.st_mtim;
  listing->changedHere = false;
}

// Keeps the name that comes first in case-insensitive order, as a look-up
// through the listing order would find it.
void FolderListings::enter(const std::string& name, Listing* listing) {
  auto inserted = listing->byFoldedName.emplace(WindowsNames::folded(name), name);
  if (inserted.second) {
    ++names_;
  } else if (WindowsNames::lessInFolderOrder(name, inserted.first->second)) {
    inserted.first->second = name;
  }
}

FolderListings::Listing& FolderListings::fresh(const std::string& folder) {
  auto found = listings_.find(folder);
  if (found != listings_.end()) {
    names_ -= found->second.byFoldedName.size();
    found->second.byFoldedName.clear();
    return found->second;
  }
  if (listings_.size() >= kMaxListings || names_ >= kMaxNames) clear();
  return listings_[folder];
}

bool FolderListings::list(const std::string& folder, const struct stat& status, Listing* listing) {
  const bool listed =
      listHostFolder(folder, [&](const char* name, unsigned char) { enter(name, listing); });
  if (listed) stamp(listing, status);
  return listed;
}

bool FolderListings::lookUp(const std::string& folder, const std::string& name,
                            std::string* match) {
  struct stat status;
  if (stat(folder.c_str(), &status) != 0) return false;
  auto found = listings_.find(folder);
  if (found != listings_.end() && describes(found->second, status)) {
    stamp(&found->second, status);
  } else {
    Listing& listing = fresh(folder);
    if (!list(folder, status, &listing)) {
      forget(folder);
      return false;
    }
    found = listings_.find(folder);
  }
  auto entry = found->second.byFoldedName.find(WindowsNames::folded(name));
  *match = entry == found->second.byFoldedName.end() ? std::string() : entry->second;
  return true;
}

void FolderListings::forget(const std::string& folder) {
  auto found = listings_.find(folder);
  if (found == listings_.end()) return;
  names_ -= found->second.byFoldedName.size();
  listings_.erase(found);
}

std::string FolderListings::match(const std::string& folder, const std::string& name) {
  std::string found;
  return lookUp(folder, name, &found) ? found : std::string();
}

FolderListings::Listing* FolderListings::listingOf(const std::string& path, std::string* folder,
                                                   std::string* name) {
  *folder = hostParentOf(path);
  *name = path.substr(path.rfind('/') + 1);
  auto found = listings_.find(*folder);
  return found == listings_.end() ? nullptr : &found->second;
}

void FolderListings::added(const std::string& path) {
  std::string folder, name;
  if (Listing* listing = listingOf(path, &folder, &name)) {
    enter(name, listing);
    listing->changedHere = true;
  }
}

void FolderListings::removed(const std::string& path) {
  // A removed folder's own listing goes with it: a folder made later in its
  // place may even have its identity.
  forget(path);
  std::string folder, name;
  if (Listing* listing = listingOf(path, &folder, &name)) {
    // Another name of the same case-folded form may remain: list again then.
    auto entry = listing->byFoldedName.find(WindowsNames::folded(name));
    if (entry != listing->byFoldedName.end() && entry->second == name) {
      forget(folder);
      return;
    }
    listing->changedHere = true;
  }
}

void FolderListings::made(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return;
  stamp(&fresh(path), status);
}

}  // namespace Posix
