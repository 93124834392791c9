#ifndef TARNWICK_TESTING_SCRATCH_MACHINE_H_
#define TARNWICK_TESTING_SCRATCH_MACHINE_H_

#include <cstdint>
#include <string>

// A fresh place for one test to work in, removed with everything in it when
// the test ends. On POSIX it is a new emulated machine in a temporary host
// folder (so nothing outside it can be touched); on Win32 a new temporary
// folder. Paths are Windows paths.
class ScratchMachine {
 public:
  ScratchMachine();
  ~ScratchMachine();
  ScratchMachine(const ScratchMachine&) = delete;
  ScratchMachine& operator=(const ScratchMachine&) = delete;

  // An empty directory the test may fill freely, without a trailing '\'.
  const std::string& root() const { return root_; }
  // root() + "\" + relative.
  std::string path(const std::string& relative) const;

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
};

#endif  // TARNWICK_TESTING_SCRATCH_MACHINE_H_
