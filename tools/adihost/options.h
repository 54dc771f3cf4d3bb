#pragma once
// adihost's command line: the options, the help text and the exit codes.
#include <cstdint>
#include <string>

#include "tools/host/settings.h"

// Exit codes, as --help lists them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitPlotFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitBadInput = 3;
inline constexpr int kExitSendFailed = 4;
inline constexpr int kExitSettingRefused = 5;

struct Options {
  std::string input, output, record, send, dump, driver, language, preview;
  int32_t timeout = 10;
  double scale = 0;
  bool verbose = false, configure = false, summary = false, legend = false, probe = false;
  bool listPapers = false, version = false;
  int32_t failWrite = 0;  // for tests: the n-th host write fails
  Settings settings;
};

// The version adihost reports.
inline constexpr const char* kAdihostVersion = "1.1";

// 0 when the options are sound, else the exit code (after a message); --help
// prints the help text and ends the process. An option's value may follow it
// as the next word or after '=' (--paper=A1); after "--" every word is an
// input; "-" is standard input.
int ParseOptions(int argc, char** argv, Options& o);
