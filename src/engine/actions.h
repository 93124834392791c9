#ifndef TARNWICK_ENGINE_ACTIONS_H_
#define TARNWICK_ENGINE_ACTIONS_H_

#include <cstdint>
#include <string>

// What the script engine asks of the machine, one call per kind of
// instruction line. Each reports failure by throwing an Exception. The
// engine's unit tests put a recording fake in place of the real actions.
class Actions {
 public:
  virtual ~Actions() = default;
  virtual void createDirectory(const std::string& path) = 0;
  virtual void copyFiles(const std::string& source, const std::string& target) = 0;
  virtual void deleteFiles(const std::string& path, bool recursive) = 0;
  virtual void createLink(const std::string& link, const std::string& target,
                          const std::string& icon) = 0;
  virtual void createKey(const std::string& key) = 0;
  virtual void deleteKey(const std::string& key) = 0;
  virtual void setValue(const std::string& key, const std::string& name, uint32_t type,
                        const std::string& text) = 0;
  virtual void deleteValue(const std::string& key, const std::string& name) = 0;
  // Runs a command through the command interpreter and waits for it; never
  // throws and reports nothing.
  virtual void runProgram(const std::string& command) = 0;
};

// The actions that change this machine: FileSys, Registry, ShellLinks and
// the platform's command interpreter.
Actions& machineActions();

#endif  // TARNWICK_ENGINE_ACTIONS_H_
