#include "tools/adihost/options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tools/host/send.h"

namespace {

const char* const kHelp =
    "usage: adihost [OPTIONS] INPUT\n"
    "       adihost --list-papers | --version\n"
    "\n"
    "Plots INPUT through the plotter driver and writes the printer job.\n"
    "INPUT is a DXF drawing (.dxf) or a request script (any other name);\n"
    "'-' reads standard input (a DXF drawing when it starts as one) and writes\n"
    "the job to standard output unless -o says otherwise. The Win32 build\n"
    "reads request scripts only. A value may follow its option after '='\n"
    "(--paper=A1); after '--' every word is an input.\n"
    "\n"
    "Output and delivery:\n"
    "  -o FILE               write the job to FILE ('-' for standard output);\n"
    "                        default: INPUT's name with .plt, in this folder\n"
    "  --send HOST[:PORT]    send the finished job to a network printer over a raw\n"
    "                        TCP connection (port 9100 by default); the job file is kept\n"
    "  --timeout SECONDS     connect and write timeout for --send (default 10)\n"
    "  --preview FILE.png    also draw the job as the printer will print it (PNG, or\n"
    "                        a true-size PDF for a name ending in .pdf)\n"
    "  --dump-requests FILE  also write the drawing as a request script (its images\n"
    "                        as netpbm files beside it), which either build can play\n"
    "\n"
    "Placement:\n"
    "  --scale N             plot a DXF drawing at 1:N (its units taken from the file,\n"
    "                        millimetres when it names none); default: fit the sheet\n"
    "\n"
    "Settings (applied through the driver's own dialogs; a value the dialog\n"
    "refuses shows its message and is not applied):\n"
    "%s"
    "  --language rtl|qdrs   qdrs stores the binary-language bit in the record and\n"
    "                        answers every dialog with Cancel\n"
    "  --record FILE         keep the driver's 40-byte settings record in FILE\n"
    "                        (created with the driver's defaults when missing)\n"
    "\n"
    "Driver conversation:\n"
    "  --configure           open the main settings dialog before plotting\n"
    "  --summary             print the driver's settings summary\n"
    "  --legend              print the driver's line-type legend\n"
    "  --driver FILE         the driver library (default: trnkv_p beside adihost,\n"
    "                        else where it was installed)\n"
    "  --probe               write the driver's descriptor and capability answers\n"
    "                        instead of a plot\n"
    "  --verbose             show device-control strings, the swap setting and\n"
    "                        record saves\n"
    "  --list-papers         list the driver's paper sizes by number and name\n"
    "  --version             show adihost's version and the driver's name\n"
    "  --help                this text\n"
    "\n"
    "The driver's messages are shown in the terminal's character set (the\n"
    "locale's; on Windows the console's); what it lacks is approximated or '?'.\n"
    "\n"
    "Examples:\n"
    "  adihost plan.dxf                          plan.plt, fitted to the sheet\n"
    "  adihost --paper A1 --copies 2 -o a1.plt plan.dxf\n"
    "  adihost --scale 50 --send 192.168.1.40 plan.dxf\n"
    "  adihost --tone 0,100,170,220,255 plan.dxf  its raster images printed lighter\n"
    "  adihost --language qdrs -o - examples/lines.req > lines.qdrs\n"
    "\n"
    "Exit codes:\n"
    "  0  the job was written (and sent)\n"
    "  1  the driver failed (its message is shown) or the job could not be written;\n"
    "     no job is left (one that stood there before stays as it was)\n"
    "  2  wrong usage, or an output that is the input or another output;\n"
    "     nothing is written\n"
    "  3  the input could not be read, is not valid, or has nothing to plot\n"
    "     (nothing on the sheet)\n"
    "  4  the job was written but could not be sent\n"
    "  5  the job was written, but a setting was refused and not applied\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "adihost: %s\nTry 'adihost --help'.\n", why.c_str());
  return kExitUsage;
}

}  // namespace

namespace {

// Options that take no value.
struct Flag {
  const char* name;
  bool Options::*field;
};
constexpr Flag kFlags[] = {
    {"--verbose", &Options::verbose},        {"-v", &Options::verbose},
    {"--configure", &Options::configure},    {"--summary", &Options::summary},
    {"--legend", &Options::legend},          {"--probe", &Options::probe},
    {"--list-papers", &Options::listPapers}, {"--version", &Options::version},
};

// Options that take a file name or a word, and what they need.
struct Named {
  const char* name;
  std::string Options::*field;
  const char* needs;
};
constexpr Named kNamed[] = {
    {"-o", &Options::output, "a file name"},
    {"--output", &Options::output, "a file name"},
    {"--record", &Options::record, "a file name"},
    {"--send", &Options::send, "HOST[:PORT]"},
    {"--preview", &Options::preview, "a file name"},
    {"--dump-requests", &Options::dump, "a file name"},
    {"--driver", &Options::driver, "a file name"},
    {"--language", &Options::language, "rtl or qdrs"},
};

// A positive number for --timeout, --scale and --fail-write.
int TakeNumber(const std::string& option, const std::string& v, Options& o) {
  char* end = nullptr;
  const double n = std::strtod(v.c_str(), &end);
  if (v.empty() || *end != '\0' || !(n > 0) || n > 1e9)
    return Usage(option + " needs a positive number, not '" + v + "'");
  if (option == "--timeout") o.timeout = static_cast<int32_t>(std::max(1.0, n));
  if (option == "--scale") o.scale = n;
  if (option == "--fail-write") o.failWrite = static_cast<int32_t>(n);
  return 0;
}

// One option that takes a value, given as `v`. 0, or the exit code.
int TakeValue(const std::string& option, const std::string& v, Options& o) {
  for (const Named& n : kNamed)
    if (option == n.name) {
      if (v.empty()) return Usage(option + " needs " + n.needs);
      o.*n.field = v;
      return 0;
    }
  if (option == "--timeout" || option == "--scale" || option == "--fail-write")
    return TakeNumber(option, v, o);
  std::string error;
  if (ParseSetting(option, v, o.settings, error) < 0) return Usage(error);
  return 0;
}

bool TakesValue(const std::string& option) {
  for (const Named& n : kNamed)
    if (option == n.name) return true;
  Settings scratch;
  std::string error;
  return option == "--timeout" || option == "--scale" || option == "--fail-write" ||
         ParseSetting(option, "?", scratch, error) != 0;
}

// What the options say together: refused combinations, and the default job name.
int CheckTogether(Options& o) {
  if (o.listPapers || o.version) return 0;
  if (o.input.empty() && !o.probe) return Usage("no input drawing");
  if (!o.language.empty() && o.language != "qdrs" && o.language != "rtl")
    return Usage("--language takes rtl or qdrs");
  if (o.language == "qdrs" && (o.settings.Any() || o.configure))
    return Usage(
        "--language qdrs answers every dialog with Cancel, so settings cannot be applied with it");
  if (o.settings.tone[0] >= 0 && !o.settings.arrows.empty()) {
    const std::string& arrow = o.settings.arrows[0].option;
    return Usage("--tone sets every level; give them as you want them rather than with " +
                 arrow.substr(0, arrow.find(' ')));
  }
  std::string error;
  if (!o.send.empty() && CheckSendTarget(o.send, error) < 0) return Usage("--send: " + error);
  if (o.output.empty() && o.input == "-") o.output.assign(1, '-');
  if (o.output.empty()) {
    std::string base = o.input.empty() ? "probe" : o.input.substr(o.input.find_last_of("/\\") + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    o.output = base + ".plt";
  }
  if (!o.send.empty() && o.output == "-")
    return Usage("--send needs the job in a file, not on standard output");
  if (!o.preview.empty() && o.output == "-")
    return Usage("--preview needs the job in a file, not on standard output");
  return 0;
}

int TakeInput(const std::string& word, Options& o) {
  if (!o.input.empty()) return Usage("one input at a time (" + o.input + ", " + word + ")");
  o.input = word;
  return 0;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options& o) {
  bool inputsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (inputsOnly || word == "-" || word.empty() || word[0] != '-') {
      if (const int code = TakeInput(word, o)) return code;
      continue;
    }
    if (word == "--") {
      inputsOnly = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      std::printf(kHelp, kSettingsHelp);
      std::exit(kExitOk);
    }
    // --option=value, or the value as the next word.
    const size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
    const std::string option = word.substr(0, equals);
    bool isFlag = false;
    for (const Flag& f : kFlags)
      if (option == f.name) o.*f.field = isFlag = true;
    if (isFlag && equals != std::string::npos) return Usage(option + " takes no value");
    if (isFlag) continue;
    if (option == "--tone-default") {
      if (equals != std::string::npos) return Usage(option + " takes no value");
      o.settings.toneDefault = true;
      continue;
    }
    if (!TakesValue(option)) return Usage("unknown option " + option);
    std::string value;
    if (equals != std::string::npos) {
      value = word.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      return Usage(option + " needs a value");
    }
    if (const int code = TakeValue(option, value, o)) return code;
  }
  return CheckTogether(o);
}
