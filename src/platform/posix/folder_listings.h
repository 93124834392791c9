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
// are those it was made with. The installer's own changes update it through
// added() and removed(), which keep it trusted; a change by anybody else
// shows in the modification time and makes the next look-up list again.
class FolderListings {
 public:
  // The entry of `folder` equal to `name` ignoring A-Z case (the first in
  // case-insensitive order when several are); empty for none.
  std::string match(const std::string& folder, const std::string& name);

  // The installer has just created or removed `path` (a host path).
  void added(const std::string& path);
  void removed(const std::string& path);

  // Forgets every listing: others (a program run) may have changed anything.
  void clear() { listings_.clear(); }

 private:
  struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified = {0, 0};
    std::unordered_map<std::string, std::string> byFoldedName;
  };

  static bool describes(const Listing& listing, const struct stat& status);
  static void stamp(Listing* listing, const struct stat& status);
  bool list(const std::string& folder, const struct stat& status, Listing* listing);
  // The listing of the folder holding `path` when there is one; its name.
  Listing* listingOf(const std::string& path, std::string* folder, std::string* name);
  void restamp(const std::string& folder, Listing* listing);

  std::unordered_map<std::string, Listing> listings_;
};

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_FOLDER_LISTINGS_H_
