// kalvo-printer-app: an IPP Everywhere printer application for the printers.
// Every computer that prints over IPP (or a CUPS queue made with
// `lpadmin -m everywhere`) can print to it; each job goes through the driver
// by way of rastertokalvo to the printer's raw TCP port.
#include <pappl/pappl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tools/print/printer_app/driver.h"

namespace {

constexpr const char* kUsage =
    "Usage: kalvo-printer-app [OPTIONS]\n"
    "Serves the printers over IPP, with a web interface, until stopped (SIGTERM).\n"
    "\n"
    "  --state DIR            state, spool and log folder (default /var/lib/kalvo-printer-app)\n"
    "  --port N               IPP and web port (default 8631)\n"
    "  --listen ADDRESS       the address served: 127.0.0.1 (default), an address,\n"
    "                         or '*' for every address of the machine\n"
    "  --hostname NAME        the name clients reach it by (default localhost); web\n"
    "                         requests naming another host are refused\n"
    "  --admin-password-file FILE\n"
    "                         the web interface's administration password (first\n"
    "                         line of FILE); required with any --listen other than\n"
    "                         the loopback address\n"
    "  --add-printer NAME,MODEL,URI\n"
    "                         a printer made at the first start (MODEL kalvo_7410\n"
    "                         or kalvo_7420, URI socket://HOST[:PORT])\n"
    "  --log-level LEVEL      debug, info (default), warn or error\n"
    "  --help\n"
    "\n"
    "Exit status: 0 after a clean stop, 1 when the server cannot start, 2 for\n"
    "wrong usage.\n";

struct AppOptions {
  std::string state = "/var/lib/kalvo-printer-app";
  int port = 8631;
  std::string listen = "127.0.0.1";
  std::string hostname = "localhost";
  std::string passwordFile;
  std::vector<std::string> printers;
  pappl_loglevel_t logLevel = PAPPL_LOGLEVEL_INFO;
};

int ParseArguments(int argc, char** argv, AppOptions& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") return std::fputs(kUsage, stdout), -1;
    if (i + 1 >= argc)
      return std::fprintf(stderr, "kalvo-printer-app: %s needs a value\n", a.c_str()), 2;
    const std::string v = argv[++i];
    if (a == "--state")
      o.state = v;
    else if (a == "--port")
      o.port = std::atoi(v.c_str());
    else if (a == "--listen")
      o.listen = v;
    else if (a == "--hostname")
      o.hostname = v;
    else if (a == "--admin-password-file")
      o.passwordFile = v;
    else if (a == "--add-printer")
      o.printers.push_back(v);
    else if (a == "--log-level")
      o.logLevel = v == "debug"   ? PAPPL_LOGLEVEL_DEBUG
                   : v == "warn"  ? PAPPL_LOGLEVEL_WARN
                   : v == "error" ? PAPPL_LOGLEVEL_ERROR
                                  : PAPPL_LOGLEVEL_INFO;
    else
      return std::fprintf(stderr, "kalvo-printer-app: unknown option %s\n", a.c_str()), 2;
  }
  if (o.port < 1 || o.port > 65535)
    return std::fprintf(stderr, "kalvo-printer-app: --port takes 1 to 65535\n"), 2;
  const bool loopback = o.listen == "127.0.0.1" || o.listen == "localhost" || o.listen == "::1";
  if (!loopback && o.passwordFile.empty())
    return std::fprintf(stderr, "kalvo-printer-app: serving %s needs --admin-password-file\n",
                        o.listen.c_str()),
           2;
  return 0;
}

bool SaveState(pappl_system_t* system, void* path) {
  return papplSystemSaveState(system, static_cast<const char*>(path));
}

// "NAME,MODEL,URI": a printer at the first start.
void AddPrinter(pappl_system_t* system, const std::string& spec) {
  const size_t a = spec.find(','), b = a == std::string::npos ? a : spec.find(',', a + 1);
  if (b == std::string::npos) {
    std::fprintf(stderr, "kalvo-printer-app: --add-printer %s: NAME,MODEL,URI\n", spec.c_str());
    return;
  }
  const std::string name = spec.substr(0, a), model = spec.substr(a + 1, b - a - 1);
  const std::string uri = spec.substr(b + 1);
  if (papplPrinterCreate(system, 0, name.c_str(), model.c_str(), nullptr, uri.c_str()) == nullptr)
    std::fprintf(stderr, "kalvo-printer-app: cannot make printer %s\n", name.c_str());
}

int SetPassword(pappl_system_t* system, const std::string& file) {
  std::ifstream in(file);
  std::string password;
  if (!std::getline(in, password) || password.empty()) {
    std::fprintf(stderr, "kalvo-printer-app: %s: no password in its first line\n", file.c_str());
    return -1;
  }
  char hash[256];
  papplSystemSetPassword(
      system, papplSystemHashPassword(system, nullptr, password.c_str(), hash, sizeof hash));
  return 0;
}

// The labels of our options and their values in the web interface.
constexpr const char* kStrings =
    "\"kalvo-language\" = \"Output language\";\n"
    "\"kalvo-language.rtl-gl2\" = \"RTL/GL2\";\n"
    "\"kalvo-language.qdrs-mmr\" = \"QDRS+MMR (400 or 200 dpi)\";\n"
    "\"kalvo-label\" = \"Plot label\";\n"
    "\"kalvo-finisher-program\" = \"Finisher program\";\n"
    "\"kalvo-finisher-program.manual-feed\" = \"Manual feed\";\n"
    "\"kalvo-tone\" = \"Tone curve\";\n"
    "\"kalvo-tone.default\" = \"Default curve\";\n"
    "\"kalvo-tone.linear\" = \"Linear\";\n"
    "\"kalvo-tone.lighter\" = \"Lighter\";\n"
    "\"kalvo-tone.darker\" = \"Darker\";\n"
    "\"kalvo-tone.more-contrast\" = \"More contrast\";\n"
    "\"kalvo-tone.less-contrast\" = \"Less contrast\";\n"
    "\"media-source.main-roll\" = \"Roll\";\n"
    "\"media-source.manual\" = \"Cut sheet\";\n"
    "\"media-type.plain\" = \"Plain\";\n"
    "\"media-type.film\" = \"Film\";\n"
    "\"media-type.printer-setting\" = \"As set on the printer\";\n"
    "\"media-type.vellum\" = \"Vellum\";\n";

}  // namespace

int main(int argc, char** argv) {
  AppOptions o;
  if (const int code = ParseArguments(argc, argv, o)) return code < 0 ? 0 : code;
  mkdir(o.state.c_str(), 0700);
  const std::string spool = o.state + "/spool", log = o.state + "/log";
  const std::string statePath = o.state + "/state";
  mkdir(spool.c_str(), 0700);
  pappl_soptions_t soptions = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE |
                              PAPPL_SOPTIONS_WEB_LOG | PAPPL_SOPTIONS_WEB_SECURITY;
  if (!o.passwordFile.empty()) soptions |= PAPPL_SOPTIONS_WEB_REMOTE;
  pappl_system_t* system =
      papplSystemCreate(soptions, "Kalvo Printer Application", o.port, "_print,_universal",
                        spool.c_str(), log.c_str(), o.logLevel, nullptr, false);
  if (system == nullptr) return std::fputs("kalvo-printer-app: cannot start\n", stderr), 1;
  papplSystemSetHostName(system, o.hostname.c_str());
  if (!papplSystemAddListeners(system, o.listen == "*" ? nullptr : o.listen.c_str())) {
    std::fprintf(stderr, "kalvo-printer-app: cannot listen on %s port %d\n", o.listen.c_str(),
                 o.port);
    return 1;
  }
  if (!o.passwordFile.empty() && SetPassword(system, o.passwordFile) < 0) return 1;
  papplSystemAddStringsData(system, "/en.strings", "en", kStrings);
  papplSystemSetPrinterDrivers(system, 2, const_cast<pappl_pr_driver_t*>(kDrivers), nullptr,
                               nullptr, &KalvoDriver, nullptr);
  papplSystemSetFooterHTML(system, "Kalvo 7410/7420 Wide Format");
  if (!papplSystemLoadState(system, statePath.c_str()))
    for (const std::string& spec : o.printers) AddPrinter(system, spec);
  papplSystemSetSaveCallback(system, &SaveState, const_cast<char*>(statePath.c_str()));
  papplSystemRun(system);
  papplSystemDelete(system);
  return 0;
}
