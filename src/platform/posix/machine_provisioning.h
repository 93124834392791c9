#ifndef TARNWICK_PLATFORM_POSIX_MACHINE_PROVISIONING_H_
#define TARNWICK_PLATFORM_POSIX_MACHINE_PROVISIONING_H_

#include <string>

// What a new machine gets on its first run. The drive is made here; the
// registry's value ProgramFilesDir is the registry store's to write
// (RegistryLayout::provisionNew) when registryNeverWritten says so.
namespace Posix {

// Makes drive C: of the machine in `folder` when it has none: the folders
// of its OS family (those of 95/98/ME with `windows9xLayout`, else the NT
// family's, with the account folders of `userName`) and C:\Program Files.
// Done under the machine's lock, so that two first runs on one new machine
// never build it at once, and built under another name and renamed into
// place, so that a run killed half-way leaves no drive that lacks folders.
// True when this call made the drive.
bool provisionDrive(const std::string& folder, bool windows9xLayout, const std::string& userName);

// Whether the machine's registry has never been written: no registry.reg
// and no journal holding a change. A machine whose first run ended (killed,
// say) before that is still new.
bool registryNeverWritten(const std::string& folder);

}  // namespace Posix

#endif  // TARNWICK_PLATFORM_POSIX_MACHINE_PROVISIONING_H_
