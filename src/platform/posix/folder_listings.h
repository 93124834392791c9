#ifndef TARNWICK_PLATFORM_POSIX_FOLDER_LISTINGS_H_
#define TARNWICK_PLATFORM_POSIX_FOLDER_LISTINGS_H_

#include <sys/stat.h>

#include <string>
#include <unordered_map>

namespace Posix {

// The names of host folders by their A-Z-folded form, kept while a folder is
// unchanged, so that finding a name whatever its case does not list the
// folder again for every file put into it (copying a tree into one folder
// would otherwise take time growing with the square of its size).
//
// A listing is trusted while the folder's identity and modification time
// are those it was stamped with. The installer's own changes update it
// through added() and removed(); the time they give the folder is taken as
// the new stamp at the next look-up, which asks the folder's status anyway.
// A change by anybody else shows in the modification time and makes a
// look-up list the folder again (unless it falls between one of the
// installer's own changes and that look-up).
class FolderListings {
 public:
  // Whether `folder` could be listed, and into *match its entry equal to
  // `name` ignoring A-Z case (the first in case-insensitive order when
  // several are), empty for none.
  bool lookUp(const std::string& folder, const std::string& name, std::string* match);
  // The match alone; empty also when the folder cannot be listed.
  std::string match(const std::string& folder, const std::string& name);

  // The installer has just created or removed `path` (a host path).
  void added(const std::string& path);
  void removed(const std::string& path);
  // The installer has just made the folder `path`: its listing is empty.
  void made(const std::string& path);

  // Forgets every listing: others (a program run) may have changed anything.
  void clear() {
    listings_.clear();
    names_ = 0;
  }

 private:
  struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified = {0, 0};
    bool changedHere = false;  // by the installer, since the stamp
    std::unordered_map<std::string, std::string> byFoldedName;
  };

  static bool describes(const Listing& listing, const struct stat& status);
  static void stamp(Listing* listing, const struct stat& status);
  bool list(const std::string& folder, const struct stat& status, Listing* listing);
  // A listing to fill, within the bound on the memory kept.
  Listing& fresh(const std::string& folder);
  void enter(const std::string& name, Listing* listing);
  void forget(const std::string& folder);
  // The listing of the folder holding `path` when there is one; its name.
  Listing* listingOf(const std::string& path, std::string* folder, std::string* name);

  std::unordered_map<std::string, Listing> listings_;
  size_t names_ = 0;  // in all listings
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_FOLDER_LISTINGS_H_
