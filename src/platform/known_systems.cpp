#include "platform/known_systems.h"

namespace Platform {

namespace {

struct KnownSystem {
  const char* name;
  OsVersion version;
};

const KnownSystem kKnownSystems[] = {
    {"win95", {1, 4, 0}}, {"win98", {1, 4, 10}}, {"winme", {1, 4, 90}},
    {"nt40", {2, 4, 0}},  {"win2k", {2, 5, 0}},  {"winxp", {2, 5, 1}},
    {"win7", {2, 6, 1}},  {"win10", {2, 10, 0}}, {"unknown", {0, 0, 0}},
};

}  // namespace

bool knownSystemVersion(const std::string& name, OsVersion* version) {
  for (const KnownSystem& known : kKnownSystems) {
    if (name == known.name) {
      *version = known.version;
      return true;
    }
  }
  return false;
}

}  // namespace Platform
