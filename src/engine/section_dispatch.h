#ifndef TARNWICK_ENGINE_SECTION_DISPATCH_H_
#define TARNWICK_ENGINE_SECTION_DISPATCH_H_

#include <cstdint>
#include <string>

// What an instruction line does, told from its section: the predefined
// sections by name, and the registry value type of a create_regvals line.
// Pure rules, shared by the engine and the checker.

enum class PredefinedSection {
  kCreateDirectories,   // "create directories and program groups"
  kCopyFiles,           // "copy files"
  kDeleteFiles,         // "delete files, directories, and program groups"
  kCreateLinks,         // "create links"
  kCreateRegistryKeys,  // "create registry keys"
  kDeleteRegistryKeys,  // "delete registry keys"
  kRunPrograms,         // "run programs"
  kUnrecognized,
};

// The predefined section `name` (lower-cased by its header) opens, compared
// exactly.
PredefinedSection predefinedSectionNamed(const std::string& name);

// Throws ScriptEngineException "Unrecognized predefined section
// encountered: " + name for kUnrecognized.
PredefinedSection requirePredefinedSection(const std::string& name);

// The platform's value type (REG_SZ, REG_DWORD, REG_BINARY) for a
// regval_type setting code. Throws ScriptEngineException "Unrecognized
// regval_type setting encountered: %d" for a code the options table never
// gives.
uint32_t registryValueType(int regvalTypeCode);

#endif  // TARNWICK_ENGINE_SECTION_DISPATCH_H_
