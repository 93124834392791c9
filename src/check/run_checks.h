#ifndef TARNWICK_CHECK_RUN_CHECKS_H_
#define TARNWICK_CHECK_RUN_CHECKS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/section_dispatch.h"
#include "platform/platform_host.h"

// What an instruction line fails with when it runs, as far as that is known
// without the target machine. Each check calls the rule the action itself
// applies, in the action's order, and so throws the action's own exception
// with its own message; text holding a value only the machine knows is not
// checked where that value could change the outcome. Relative paths resolve
// against the installer's folder, as the installer's do.
class RunChecks {
 public:
  // Whether a full path beside the script names anything (unset: never
  // asked).
  using FindBeside = std::function<Platform::HostMatch(const std::string&)>;
  using Advise = std::function<void(const std::string& message)>;

  RunChecks(const std::string& installerFolder, FindBeside findBeside)
      : installerFolder_(installerFolder), findBeside_(std::move(findBeside)) {}

  // One instruction line as far as it is known.
  struct Instruction {
    int sectionType = 0;                   // its effective section_type
    const std::string* section = nullptr;  // its section's name; null when unknown
    PredefinedSection predefined = PredefinedSection::kUnrecognized;  // of that name
    const std::string* name = nullptr;
    const std::string* value = nullptr;
    std::optional<int> regvalType;  // none: unknown
    std::optional<int> deleteRecurse;
    bool certainToRun = false;
  };

  // Checks the line as its section makes it run, in the engine's order of
  // dispatch; throws what the line would throw. Lines that would do nothing
  // and say nothing go to `advise`.
  void check(const Instruction& line, const Advise& advise) const;

  void createDirectories(const std::string& path) const;
  void copyFiles(const std::string& source, const std::string& target) const;
  // `recursive` is none when delete_recurse is unknown.
  void deleteFiles(const std::string& path, std::optional<bool> recursive) const;
  void createLink(const std::string& link) const;
  void createKey(const std::string& key) const;
  void deleteKey(const std::string& key) const;
  // `type` (REG_SZ, REG_DWORD, REG_BINARY) is none when regval_type is
  // unknown.
  void setValue(const std::string& key, std::optional<uint32_t> type,
                const std::string& text) const;

  // The root key name of `key` when it is known and none of the seven: the
  // installer then finds nothing to delete and says nothing.
  static std::string unknownRootKey(const std::string& key);

  // The full path of a copy source that lies in the installer's folder (a
  // relative path, or one below <INSTALLER>); empty for any other, and for
  // one that holds a value only the machine knows.
  std::string sourceBesideInstaller(const std::string& source) const;

 private:
  void checkPredefined(const Instruction& line, const Advise& advise) const;
  void adviseMissingSource(const std::string& source, const Advise& advise) const;

  // The full path of a known path; empty when it holds an unknown value.
  std::string fullPath(const std::string& path) const;
  // Throws as resolving a known path throws.
  void checkResolves(const std::string& path) const;

  std::string installerFolder_;
  FindBeside findBeside_;
};

#endif  // TARNWICK_CHECK_RUN_CHECKS_H_
