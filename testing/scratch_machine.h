#ifndef TARNWICK_TESTING_SCRATCH_MACHINE_H_
#define TARNWICK_TESTING_SCRATCH_MACHINE_H_

#include <cstdint>
#include <string>

// A fresh place for one test to work in, removed with everything in it when
// the test ends. On POSIX it is a new emulated machine in a temporary host
// folder (so nothing outside it can be touched); on Win32 a new temporary
// folder and a new registry key. Paths are Windows paths.
class ScratchMachine {
 public:
  // Whether the machine is emulated (POSIX): a test may then choose its
  // Windows version, and try what would harm a real machine. On Win32 the
  // machine is the system the tests run on.
  static bool emulated();

  // A machine of the system $TARNWICK_OS would name (win95, win98, ...), or
  // of the default one for an empty name. Throws std::runtime_error for a
  // name where the machine is not emulated().
  explicit ScratchMachine(const std::string& system = "");
  ~ScratchMachine();
  ScratchMachine(const ScratchMachine&) = delete;
  ScratchMachine& operator=(const ScratchMachine&) = delete;

  // An empty directory the test may fill freely, without a trailing '\'.
  const std::string& root() const { return root_; }
  // root() + "\" + relative.
  std::string path(const std::string& relative) const;

  // A subkey path below HKEY_CURRENT_USER for the test to fill freely: it
  // does not exist yet, and it is removed with everything below it when
  // the test ends.
  const std::string& registryKey() const { return registryKey_; }

  void writeFile(const std::string& path, const std::string& content);
  std::string readFile(const std::string& path) const;
  void makeDirectory(const std::string& path);
  bool exists(const std::string& path) const;
  void setModified(const std::string& path, int64_t secondsSince1970);
  void setReadOnly(const std::string& path, bool readOnly);

  // Host path of a Windows path (the same path on Win32).
  std::string hostPath(const std::string& path) const;

 private:
  std::string hostFolder_;
  std::string root_;
  std::string registryKey_;
};

#endif  // TARNWICK_TESTING_SCRATCH_MACHINE_H_
