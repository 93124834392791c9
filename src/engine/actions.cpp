#include "engine/actions.h"

#include "actions/file_sys.h"
#include "actions/registry.h"
#include "actions/shell_links.h"
#include "platform/platform_system.h"

namespace {

class MachineActions : public Actions {
 public:
  void createDirectory(const std::string& path) override { FileSys::createDirectory(path, false); }
  void copyFiles(const std::string& source, const std::string& target) override {
    FileSys::copyFiles(source, target);
  }
  void deleteFiles(const std::string& path, bool recursive) override {
    FileSys::deleteFiles(path, recursive);
  }
  void createLink(const std::string& link, const std::string& target,
                  const std::string& icon) override {
    ShellLinks::createLink(link, target, icon);
  }
  void createKey(const std::string& key) override { Registry::createKey(key); }
  void deleteKey(const std::string& key) override { Registry::deleteKey(key); }
  void setValue(const std::string& key, const std::string& name, uint32_t type,
                const std::string& text) override {
    Registry::setValue(key, name, type, text);
  }
  void deleteValue(const std::string& key, const std::string& name) override {
    Registry::deleteValue(key, name);
  }
  void runProgram(const std::string& command) override { Platform::runCommand(command); }
};

}  // namespace

Actions& machineActions() {
  static MachineActions actions;
  return actions;
}
