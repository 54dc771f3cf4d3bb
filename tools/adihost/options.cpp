#include "tools/adihost/options.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kHelp =
    "usage: adihost [OPTIONS] INPUT\n"
    "\n"
    "Plots INPUT through the plotter driver and writes the printer job.\n"
    "INPUT is a DXF drawing (.dxf) or a request script (any other name);\n"
    "the Win32 build reads request scripts only.\n"
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
    "  1  the driver failed (its message is shown) or the job could not be written\n"
    "  2  wrong usage\n"
    "  3  the input could not be read or is not valid\n"
    "  4  the job was written but could not be sent\n"
    "  5  the job was written, but a setting was refused and not applied\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "adihost: %s\nTry 'adihost --help'.\n", why.c_str());
  return kExitUsage;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string v, error;
    if (a == "--help" || a == "-h") {
      std::printf(kHelp, kSettingsHelp);
      std::exit(kExitOk);
    } else if (a == "--verbose" || a == "-v") {
      o.verbose = true;
    } else if (a == "--configure") {
      o.configure = true;
    } else if (a == "--summary") {
      o.summary = true;
    } else if (a == "--legend") {
      o.legend = true;
    } else if (a == "--tone-default") {
      o.settings.toneDefault = true;
    } else if (a == "--probe") {
      o.probe = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.output)) return Usage(a + " needs a file name");
    } else if (a == "--record") {
      if (!value(o.record)) return Usage(a + " needs a file name");
    } else if (a == "--send") {
      if (!value(o.send)) return Usage(a + " needs HOST[:PORT]");
    } else if (a == "--preview") {
      if (!value(o.preview)) return Usage(a + " needs a file name");
    } else if (a == "--dump-requests") {
      if (!value(o.dump)) return Usage(a + " needs a file name");
    } else if (a == "--driver") {
      if (!value(o.driver)) return Usage(a + " needs a file name");
    } else if (a == "--language") {
      if (!value(o.language) || (o.language != "qdrs" && o.language != "rtl"))
        return Usage("--language takes rtl or qdrs");
    } else if (a == "--timeout" || a == "--scale" || a == "--fail-write") {
      char* end = nullptr;
      if (!value(v)) return Usage(a + " needs a number");
      const double n = std::strtod(v.c_str(), &end);
      if (*end != '\0' || !(n > 0) || n > 1e9)
        return Usage(a + " needs a positive number, not '" + v + "'");
      if (a == "--timeout") o.timeout = static_cast<int32_t>(n);
      if (a == "--scale") o.scale = n;
      if (a == "--fail-write") o.failWrite = static_cast<int32_t>(n);
    } else if (a.size() > 2 && a[0] == '-' && a[1] == '-') {
      Settings scratch;
      if (ParseSetting(a, "?", scratch, error) == 0) return Usage("unknown option " + a);
      if (!value(v)) return Usage(a + " needs a value");
      if (ParseSetting(a, v, o.settings, error) < 0) return Usage(error);
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (!o.input.empty()) {
      return Usage("one input at a time (" + o.input + ", " + a + ")");
    } else {
      o.input = a;
    }
  }
  if (o.input.empty() && !o.probe) return Usage("no input drawing");
  if (o.language == "qdrs" && (o.settings.Any() || o.configure))
    return Usage(
        "--language qdrs answers every dialog with Cancel, so settings cannot be applied with it");
  if (o.settings.tone[0] >= 0 && !o.settings.arrows.empty())
    return Usage("--tone sets every level; give them as you want them rather than with " +
                 o.settings.arrows[0].option.substr(0, o.settings.arrows[0].option.find(' ')));
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
