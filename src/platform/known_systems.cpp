#include "platform/known_systems.h"

namespace Platform {

namespace {

const KnownSystem kKnownSystems[] = {
    {"win95", {1, 4, 0}}, {"win98", {1, 4, 10}}, {"winme", {1, 4, 90}},
    {"nt40", {2, 4, 0}},  {"win2k", {2, 5, 0}},  {"winxp", {2, 5, 1}},
    {"win7", {2, 6, 1}},  {"win10", {2, 10, 0}}, {"unknown", {0, 0, 0}},
};

}  // namespace

const KnownSystem* findKnownSystem(const std::string& name) {
  for (const KnownSystem& system : kKnownSystems) {
    if (name == system.name) return &system;
  }
  return nullptr;
}

const char* defaultSystemName() { return "win10"; }

bool hasWindows9xLayout(const std::string& name) {
  const KnownSystem* system = findKnownSystem(name);
  return system != nullptr && system->version.platformId != 2;
}

}  // namespace Platform
