#include "tools/adihost/settings.h"

#include <cstdlib>
#include <cstring>

#include "host/packet.h"

namespace {

// The controls the scripted user works, by the ids of the dialog templates.
#include "resources/dialog_ids.inc"
constexpr int32_t kPaperList = IDC_PAPER_SIZE;
constexpr int32_t kCopiesField = IDC_COPIES;
constexpr int32_t kMarginField = IDC_MARGIN;
constexpr int32_t kLengthField = IDC_LENGTH;
constexpr int32_t kSolidFill = IDC_FILL_SOLID;
constexpr int32_t kHalftoneFill = IDC_FILL_HALFTONE;
constexpr int32_t kResolution600 = IDC_600_DPI;  // 600, 400, 300, 200 dpi in a row
static_assert(IDC_200_DPI == IDC_600_DPI + 3);
constexpr int32_t kLabelField = IDC_LABEL;
constexpr int32_t kOptionsButton = IDC_OPTIONS;
constexpr int32_t kProgramList = IDC_PROGRAM;
constexpr int32_t kFinisherMarginsList = IDC_FINISH_MARGINS;
constexpr int32_t kBinList = IDC_BIN;
constexpr int32_t kManualOutputOn = IDC_MANUAL_ON;
constexpr int32_t kManualOutputOff = IDC_MANUAL_OFF;

constexpr int32_t kResolutions[] = {600, 400, 300, 200};

// The paper names of the driver's one model, in its list order, trimmed.
constexpr const char* kPaperNames[] = {"30-Arch(30\")",
                                       "E-arch(36\")",
                                       "D-arch(24\")",
                                       "C-arch(18\")",
                                       "B-arch(12\")",
                                       "A-arch(9\")",
                                       "E-ANSI(34\")",
                                       "D-ANSI(22\")",
                                       "C-ANSI(17\")",
                                       "B-ANSI(11\")",
                                       "A-ANSI(8.5\")",
                                       "A0",
                                       "A1",
                                       "A2",
                                       "A3",
                                       "A4"};

bool ParseNumber(const std::string& value, int32_t low, int32_t high, int32_t& out) {
  char* end = nullptr;
  const long v = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || v < low || v > high) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool SameLetters(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

const char* const kSettingsHelp =
    "  --paper N|NAME        paper size by list number (1-43) or name (A1, E-arch(36\"), ...)\n"
    "  --length MM           sheet length of a custom-length paper size\n"
    "  --margin MM           margin on every side, 0-10\n"
    "  --copies N            copies, 1-99\n"
    "  --fill solid|halftone how polygons are filled\n"
    "  --resolution DPI      raster resolution: 600, 400, 300 or 200\n"
    "  --label TEXT          plot label (ASCII letters and digits)\n"
    "  --program N           finisher program: 0 manual feed, 1-20\n"
    "  --finisher-margins N  0 as the program says, 1 always off\n"
    "  --bin N               output bin: 0 any, 1 fan-fold, 2-14 bins 1-13\n"
    "  --manual-output on|off\n";

bool Settings::Any() const {
  return paper >= 0 || length >= 0 || margin >= 0 || copies >= 0 || fill >= 0 || resolution >= 0 ||
         program >= 0 || finisherMargins >= 0 || bin >= 0 || manualOutput >= 0 || haveLabel;
}

int32_t PaperSizeFor(const std::string& value, const std::vector<std::string>& names) {
  int32_t n;
  if (ParseNumber(value, 1, static_cast<int32_t>(names.size()), n)) return n;
  for (size_t i = 0; i < names.size(); ++i)
    if (SameLetters(value, names[i].c_str())) return static_cast<int32_t>(i + 1);
  return -1;
}

int32_t ParseSetting(const std::string& option, const std::string& value, Settings& s,
                     std::string& error) {
  // Values are checked only as far as their form goes: the range is the
  // dialog's to check, so that its own message tells what is wrong.
  const auto number = [&](int32_t& field) {
    if (ParseNumber(value, 0, 99999, field)) return 1;
    error = option + " takes a number, not '" + value + "'";
    return -1;
  };
  if (option == "--paper") {
    s.paper = PaperSizeFor(value, {std::begin(kPaperNames), std::end(kPaperNames)});
    if (s.paper < 0) ParseNumber(value, 0, 99999, s.paper);
    if (s.paper >= 0) return 1;
    error =
        "--paper: unknown paper size '" + value + "' (a number from 1 to 43, or a name such as A1)";
    return -1;
  }
  if (option == "--length") return number(s.length);
  if (option == "--margin") return number(s.margin);
  if (option == "--copies") return number(s.copies);
  if (option == "--program") return number(s.program);
  if (option == "--finisher-margins") return number(s.finisherMargins);
  if (option == "--bin") return number(s.bin);
  if (option == "--label") {
    s.label = value;
    s.haveLabel = true;
    return 1;
  }
  const auto choice = [&](const char* off, const char* on, int32_t& field) {
    if (value == off || value == on) {
      field = value == on;
      return 1;
    }
    error = option + " takes " + off + " or " + on;
    return -1;
  };
  if (option == "--fill") return choice("solid", "halftone", s.fill);
  if (option == "--manual-output") return choice("off", "on", s.manualOutput);
  if (option == "--resolution") {
    for (size_t i = 0; i < std::size(kResolutions); ++i)
      if (value == std::to_string(kResolutions[i])) {
        s.resolution = static_cast<int32_t>(i);
        return 1;
      }
    error = "--resolution takes 600, 400, 300 or 200";
    return -1;
  }
  return 0;
}

std::string DialogScriptFor(const Settings& s) {
  std::string main = "dialog DRIVERCFG2_POR\n";
  const auto line = [&main](const std::string& text) { main += text + "\n"; };
  // Choosing a paper size resets the length, so the length comes after it.
  if (s.paper >= 0)
    line("select " + std::to_string(kPaperList) + " " + std::to_string(s.paper - 1));
  if (s.length >= 0) line("type " + std::to_string(kLengthField) + " " + std::to_string(s.length));
  if (s.margin >= 0) line("type " + std::to_string(kMarginField) + " " + std::to_string(s.margin));
  if (s.copies >= 0) line("type " + std::to_string(kCopiesField) + " " + std::to_string(s.copies));
  if (s.fill >= 0) line("click " + std::to_string(s.fill ? kHalftoneFill : kSolidFill));
  if (s.resolution >= 0) line("click " + std::to_string(kResolution600 + s.resolution));
  if (s.haveLabel) {
    line("type " + std::to_string(kLabelField) + " " + s.label);
    line("leave " + std::to_string(kLabelField));
  }
  std::string options;
  if (s.program >= 0 || s.finisherMargins >= 0 || s.bin >= 0 || s.manualOutput >= 0) {
    line("click " + std::to_string(kOptionsButton));
    options = "dialog OPTIONCFG2_POR\n";
    if (s.program >= 0)
      options += "select " + std::to_string(kProgramList) + " " + std::to_string(s.program) + "\n";
    if (s.finisherMargins >= 0)
      options += "select " + std::to_string(kFinisherMarginsList) + " " +
                 std::to_string(s.finisherMargins) + "\n";
    if (s.bin >= 0)
      options += "select " + std::to_string(kBinList) + " " + std::to_string(s.bin) + "\n";
    if (s.manualOutput >= 0)
      options +=
          "click " + std::to_string(s.manualOutput ? kManualOutputOn : kManualOutputOff) + "\n";
    options += "click IDOK\n";
  }
  line("click IDOK");
  return main + options;
}

std::string CancellingDialogScript() {
  std::string script;
  for (const char* name : {"DETAILCFG2_POR", "DRIVERCFG2_POR", "DETAILCFG2_POR", "DRIVERCFG2_POR"})
    script += std::string("dialog ") + name + "\nclick IDCANCEL\n";
  return script;
}

std::vector<std::string> SettingsNotApplied(const Settings& s, const std::array<uint8_t, 40>& r) {
  std::vector<std::string> missing;
  const auto check = [&missing](bool given, bool held, const std::string& what) {
    if (given && !held) missing.push_back(what);
  };
  const uint16_t plotFlags = ReadU16(r.data(), 28), jobFlags = ReadU16(r.data(), 30);
  check(s.paper >= 0, ReadI32(r.data(), 4) == s.paper, "--paper " + std::to_string(s.paper));
  check(s.length >= 0, ReadI32(r.data(), 8) == s.length, "--length " + std::to_string(s.length));
  check(s.margin >= 0, ReadI16(r.data(), 26) == s.margin, "--margin " + std::to_string(s.margin));
  check(s.copies >= 0, ReadI32(r.data(), 0) == s.copies, "--copies " + std::to_string(s.copies));
  check(s.fill >= 0, ((plotFlags & 0x1000) != 0) == (s.fill == 1), "--fill");
  check(s.resolution >= 0, (jobFlags & 0x0F00) == (0x100 << s.resolution),
        "--resolution " + std::to_string(kResolutions[std::max(0, s.resolution)]));
  check(s.program >= 0, ReadI16(r.data(), 14) == s.program,
        "--program " + std::to_string(s.program));
  check(s.finisherMargins >= 0, ReadI16(r.data(), 16) == s.finisherMargins,
        "--finisher-margins " + std::to_string(s.finisherMargins));
  check(s.bin >= 0, ReadI16(r.data(), 18) == s.bin, "--bin " + std::to_string(s.bin));
  check(s.manualOutput >= 0, ((jobFlags & 0x0080) != 0) == (s.manualOutput == 1),
        "--manual-output");
  return missing;
}
