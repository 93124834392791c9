#ifndef TARNWICK_CHECK_RUN_CHECKS_H_
#define TARNWICK_CHECK_RUN_CHECKS_H_

#include <cstdint>
#include <optional>
#include <string>

// What an instruction line fails with when it runs, as far as that is known
// without the target machine. Each check calls the rule the action itself
// applies, in the action's order, and so throws the action's own exception
// with its own message; text holding a value only the machine knows is not
// checked where that value could change the outcome. Relative paths resolve
// against the installer's folder, as the installer's do.
class RunChecks {
 public:
  explicit RunChecks(const std::string& installerFolder) : installerFolder_(installerFolder) {}

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
  // The full path of a known path; empty when it holds an unknown value.
  std::string fullPath(const std::string& path) const;
  // Throws as resolving a known path throws.
  void checkResolves(const std::string& path) const;

  std::string installerFolder_;
};

#endif  // TARNWICK_CHECK_RUN_CHECKS_H_
