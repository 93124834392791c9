#include "engine/section_dispatch.h"

#include "driver/throwable.h"
#include "platform/platform_registry.h"
#include "script/options_table.h"

namespace {

struct SectionName {
  const char* name;
  PredefinedSection section;
};

const SectionName kPredefinedSections[] = {
    {"create directories and program groups", PredefinedSection::kCreateDirectories},
    {"copy files", PredefinedSection::kCopyFiles},
    {"delete files, directories, and program groups", PredefinedSection::kDeleteFiles},
    {"create links", PredefinedSection::kCreateLinks},
    {"create registry keys", PredefinedSection::kCreateRegistryKeys},
    {"delete registry keys", PredefinedSection::kDeleteRegistryKeys},
    {"run programs", PredefinedSection::kRunPrograms},
};

}  // namespace

PredefinedSection predefinedSectionNamed(const std::string& name) {
  for (const SectionName& known : kPredefinedSections) {
    if (name == known.name) return known.section;
  }
  return PredefinedSection::kUnrecognized;
}

PredefinedSection requirePredefinedSection(const std::string& name) {
  PredefinedSection section = predefinedSectionNamed(name);
  if (section == PredefinedSection::kUnrecognized) {
    throw ScriptEngineException("Unrecognized predefined section encountered: " + name);
  }
  return section;
}

uint32_t registryValueType(int regvalTypeCode) {
  switch (regvalTypeCode) {
    case SettingCode::kSz:
      return Platform::kRegSz;
    case SettingCode::kDword:
      return Platform::kRegDword;
    case SettingCode::kBinary:
      return Platform::kRegBinary;
    default:
      throw ScriptEngineException(
          formatMessage("Unrecognized regval_type setting encountered: %d", regvalTypeCode));
  }
}
