// Linux stand-ins for the Win32 calls the driver makes, so that the same
// driver code builds and runs in the Linux library.
#if !defined(_WIN32)
#include <link.h>

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

namespace {

char lastMessageBox[1024];
int32_t messageBoxCount = 0;

struct ModuleSearch {
  const char* fileName;
  void* found;
};

int MatchModule(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<ModuleSearch*>(data);
  const char* path = info->dlpi_name;
  if (path == nullptr || *path == '\0') return 0;
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  if (std::strcmp(base, search->fileName) != 0) return 0;
  search->found = reinterpret_cast<void*>(info->dlpi_addr ? info->dlpi_addr : 1);
  return 1;
}

}  // namespace

HMODULE GetModuleHandleA(const char* stem) {
  char fileName[256];
  std::snprintf(fileName, sizeof fileName, "%s.so", stem);
  ModuleSearch search = {fileName, nullptr};
  dl_iterate_phdr(MatchModule, &search);
  return search.found;
}

// There is no window system to show the box: it is recorded and reported on
// standard error, and answered as if its only button were pressed.
int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  std::snprintf(lastMessageBox, sizeof lastMessageBox, "%s: %s", caption ? caption : "",
                text ? text : "");
  ++messageBoxCount;
  std::fprintf(stderr, "[message box] %s\n", lastMessageBox);
  return 1;
}

int32_t PlatformMessageBoxCount() {
  return messageBoxCount;
}
const char* PlatformLastMessageBox() {
  return lastMessageBox;
}
#endif
