#include "tools/host/driver_library.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "config/descriptor.h"
#include "tools/host/file_names.h"

namespace {

std::string ProgramFolder(const char* argv0) {
#if defined(_WIN32)
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? FolderOf(path) : FolderOf(argv0);
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return FolderOf(argv0);
  path[n] = '\0';
  return FolderOf(path);
#endif
}

// A fixed-size text field of the descriptor, without its padding blanks.
std::string Field(const char* text, size_t size) {
  std::string s(text, strnlen(text, size));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

// The driver beside the program, as in a build folder; else, for an installed
// program, the library where it was installed (a path from the program's
// folder).
std::string DefaultDriverPath(const char* argv0) {
  const std::string folder = ProgramFolder(argv0);
#if defined(_WIN32)
  const char* const name = "trnkv_p.dll";
#else
  const char* const name = "trnkv_p.so";
#endif
  const std::string beside = folder.empty() ? name : folder + "/" + name;
#if defined(TRNKV_INSTALLED_DRIVER)
  if (access(beside.c_str(), F_OK) != 0)
    return (folder.empty() ? "" : folder + "/") + TRNKV_INSTALLED_DRIVER;
#endif
  return beside;
}

PladiFn LoadDriverLibrary(const std::string& path, std::string& error) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "cannot load the driver library " + path;
    return nullptr;
  }
  auto pladi = reinterpret_cast<PladiFn>(reinterpret_cast<void*>(GetProcAddress(module, "PLADI")));
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    error = dlerror();
    return nullptr;
  }
  auto pladi = reinterpret_cast<PladiFn>(dlsym(module, "PLADI"));
#endif
  if (pladi == nullptr) error = path + ": no PLADI entry point";
  return pladi;
}

std::string DriverName(const DriverLink& d) {
  const auto* descriptor = reinterpret_cast<const DriverDescriptor*>(d.descriptor);
  return Field(descriptor->name, sizeof descriptor->name);
}

std::vector<std::string> DriverPaperNames(const DriverLink& d) {
  const auto* descriptor = reinterpret_cast<const DriverDescriptor*>(d.descriptor);
  std::vector<std::string> names;
  // Entry i of the first model's block holds paper size i; the list ends at
  // the first empty name.
  for (int32_t i = 1; i < kPaperBlock; ++i) {
    const PaperEntry& paper = descriptor->papers[i - 1];
    if (paper.name[0] == '\0') break;
    names.push_back(Field(paper.name, sizeof paper.name));
  }
  return names;
}
