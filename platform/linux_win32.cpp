// Linux stand-in for the module lookup: the driver finds its own library by
// file name.
#if !defined(_WIN32)
#include <link.h>

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

namespace {

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

#endif
