// The shell-link object of the real shell: IShellLinkA with its
// IPersistFile, both released when the object is destroyed.
#include <windows.h>

#include "platform/platform_shell_link.h"
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>

namespace Platform {

namespace {

// Owns one COM interface pointer and releases it once.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  void** out() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};

class Win32ShellLink : public ShellLink {
 public:
  // Takes the created IShellLinkA.
  bool create() {
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link_.out())) &&
           link_.get() != nullptr;
  }

  long setPath(const std::string& target) override { return link_->SetPath(target.c_str()); }

  long setIconLocation(const std::string& icon, int index) override {
    return link_->SetIconLocation(icon.c_str(), index);
  }

  bool queryPersistFile() override {
    return SUCCEEDED(link_->QueryInterface(IID_IPersistFile, persist_.out())) &&
           persist_.get() != nullptr;
  }

  long save(const std::u16string& path) override {
    if (persist_.get() == nullptr) return E_UNEXPECTED;
    return persist_->Save(reinterpret_cast<LPCOLESTR>(path.c_str()), TRUE);
  }

 private:
  // Members are destroyed in reverse order: IPersistFile is released
  // before the shell link, the reverse of acquisition.
  ComPtr<IShellLinkA> link_;
  ComPtr<IPersistFile> persist_;
};

}  // namespace

std::unique_ptr<ShellLink> createShellLink() {
  std::unique_ptr<Win32ShellLink> link(new Win32ShellLink);
  if (!link->create()) return nullptr;
  return link;
}

bool toWide(const std::string& text, size_t capacity, std::u16string* wide) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
  if (capacity == 0 || capacity > 0x7FFFFFFF) return false;
  std::u16string buffer(capacity, u'\0');
  const int units =
      MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.c_str(), -1,
                          reinterpret_cast<LPWSTR>(&buffer[0]), static_cast<int>(capacity));
  if (units <= 0) return false;
  buffer.resize(static_cast<size_t>(units) - 1);  // without the terminator
  *wide = std::move(buffer);
  return true;
}

}  // namespace Platform
