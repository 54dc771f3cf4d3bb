#include "tools/host/driver_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

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
