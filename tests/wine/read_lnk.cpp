// Loads a shell link through the real shell-link object and prints what it
// names, one "key=value" line each:
//   path=<GetPath>
//   icon=<GetIconLocation path>
//   index=<GetIconLocation index>
//   idlist=<SHGetPathFromIDListA of GetIDList, empty without an id list>
// Exit code 0 when the link loaded, 1 for a usage error, 2 when COM or the
// load failed. Used by lnk_roundtrip.sh to check links our writers made.
#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

namespace {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* operator->() const { return pointer_; }
  void** out() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

int readLink(const char* linkPath) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out()))) {
    std::fprintf(stderr, "cannot create the shell-link object\n");
    return 2;
  }
  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.out()))) {
    std::fprintf(stderr, "no IPersistFile\n");
    return 2;
  }
  WCHAR widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkPath, -1, widePath, MAX_PATH) == 0) {
    std::fprintf(stderr, "link path too long\n");
    return 2;
  }
  HRESULT loaded = persist->Load(widePath, STGM_READ);
  if (FAILED(loaded)) {
    std::fprintf(stderr, "Load failed: %08lx\n", static_cast<unsigned long>(loaded));
    return 2;
  }
  char path[MAX_PATH] = "";
  link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
  char icon[MAX_PATH] = "";
  int index = -1;
  link->GetIconLocation(icon, MAX_PATH, &index);
  char idListPath[MAX_PATH] = "";
  LPITEMIDLIST idList = nullptr;
  if (SUCCEEDED(link->GetIDList(&idList)) && idList != nullptr) {
    SHGetPathFromIDListA(idList, idListPath);
    CoTaskMemFree(idList);
  }
  std::printf("path=%s\nicon=%s\nindex=%d\nidlist=%s\n", path, icon, index, idListPath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_lnk <link file>\n");
    return 1;
  }
  if (FAILED(CoInitialize(nullptr))) {
    std::fprintf(stderr, "CoInitialize failed\n");
    return 2;
  }
  int result = readLink(argv[1]);
  CoUninitialize();
  return result;
}
