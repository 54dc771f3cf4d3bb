// Loads the driver library the way the CAD host does, plays one of the built-in
// plots through it and writes the printer job to a file.
//
//   demo_host LIBRARY SCENARIO OUTPUT [--qdrs]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "tools/dialogbot/dialogbot.h"
#else
#include <dlfcn.h>
#endif

#include <fstream>
#include <sstream>

#include "tools/scenarios.h"

namespace {

// The driver opens its dialogs when the library is loaded under its own name.
// On Linux they play the script that TRNKV_DIALOG_SCRIPT names; on Win32 the
// robot plays it against the real windows. Without a script every dialog is
// closed with OK.
void StartDialogUser() {
#if defined(_WIN32)
  std::string script;
  if (const char* path = std::getenv("TRNKV_DIALOG_SCRIPT")) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    script = text.str();
  }
  DialogBotStart(script);
#endif
}

PladiFn LoadDriver(const char* path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<PladiFn>(GetProcAddress(module, "PLADI"));
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return nullptr;
  }
  return reinterpret_cast<PladiFn>(dlsym(module, "PLADI"));
#endif
}

// The driver's texts are Windows-1252; a Linux terminal reads UTF-8. The
// accented letters the texts use all lie in the part shared with Latin-1.
void PrintHostText(const std::string& text) {
#if defined(_WIN32)
  // Byte for byte, so that both builds' texts can be compared.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fputs(text.c_str(), stdout);
#else
  for (unsigned char c : text) {
    if (c < 0x80) {
      std::putchar(c);
    } else if (c >= 0xA0) {
      std::putchar(0xC0 | c >> 6);
      std::putchar(0x80 | (c & 0x3F));
    } else {
      std::putchar('?');
    }
  }
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s LIBRARY SCENARIO OUTPUT [--qdrs]\nscenarios: %s\n", argv[0],
                 ScenarioNames());
    return 2;
  }
  ScenarioOptions options;
  for (int i = 4; i < argc; ++i)
    if (std::strcmp(argv[i], "--qdrs") == 0) options.qdrs = true;

  PladiFn pladi = LoadDriver(argv[1]);
  if (pladi == nullptr) {
    std::fprintf(stderr, "cannot load PLADI from %s\n", argv[1]);
    return 1;
  }
  StartDialogUser();
  const DriverLink driver = ConnectDriver(pladi);
  if (!RunScenario(argv[2], driver, options)) {
    std::fprintf(stderr, "unknown scenario %s (%s)\n", argv[2], ScenarioNames());
    return 2;
  }
  for (const std::string& line : hostLog.lines) PrintHostText(line);
  std::printf("\n");

  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  const size_t written = std::fwrite(hostLog.output.data(), 1, hostLog.output.size(), out);
  if (std::fclose(out) != 0 || written != hostLog.output.size()) {
    std::perror(argv[3]);
    return 1;
  }
  std::fprintf(stderr, "%s: %zu bytes in %d host writes\n", argv[3], hostLog.output.size(),
               hostLog.writeCalls);
  return 0;
}
