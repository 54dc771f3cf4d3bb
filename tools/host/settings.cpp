#include "tools/host/settings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/protocol.h"

namespace {

// The controls the scripted user works, by the ids of the dialog templates.
#include "resources/dialog_ids.inc"
constexpr int32_t kPaperList = IDC_PAPER_SIZE;
constexpr int32_t kMediaList = IDC_MEDIA;
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
constexpr int32_t kBrightnessButton = IDC_BRIGHTNESS;
constexpr int32_t kToneGraph = IDC_GRAPH;
constexpr int32_t kDefaultCurveButton = IDC_DEFAULT_CURVE;
constexpr int32_t kCurveOk = IDC_CURVE_OK;

// The brightness dialog's arrows: the option that presses them and how one
// press of the up arrow moves the five levels (the down arrow the other way).
struct ToneArrow {
  const char* option;
  int32_t control;
  int32_t change[5];
};
constexpr ToneArrow kToneArrows[] = {
    {"--brightness", IDC_SHIFT_ARROWS, {1, 1, 1, 1, 1}},
    {"--contrast", IDC_CONTRAST_ARROWS, {-2, -1, 0, 1, 2}},
    {"--midtones", IDC_MIDDLE_ARROWS, {0, 4, 5, 4, 0}},
};
// More presses than this move no level further.
constexpr int32_t kMostArrowPresses = 255;

// The levels of the dialog's default curve, and the graph's rule that keeps
// a dragged handle this many rows from its neighbours.
constexpr int32_t kDefaultToneLevels[5] = {0, 123, 187, 228, 255};
constexpr int32_t kHandleGap = 4;

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

// The paper sizes in the driver's list (adihost --list-papers).
constexpr int32_t kPaperCount = 43;

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

// The graph as the dialog paints it: a level's row, and the level a handle
// dragged to a row takes.
int32_t RowOfLevel(int32_t level) {
  return kToneGraphHeight - kToneGraphHeight * level / 255;
}
int32_t LevelOfRow(int32_t row) {
  return (kToneGraphHeight - row) * 255 / kToneGraphHeight;
}
// The row whose level comes nearest `level` (the upper of two as near).
int32_t NearestRow(int32_t level) {
  int32_t best = 0;
  for (int32_t row = 1; row <= kToneGraphHeight; ++row)
    if (std::abs(LevelOfRow(row) - level) < std::abs(LevelOfRow(best) - level)) best = row;
  return best;
}

// Where the dialog lets handle k go when the pointer is released on `row`:
// inside the graph and the gap away from both neighbours.
int32_t AllowedRow(int32_t k, int32_t row, const int32_t (&rows)[5]) {
  if (k < 4 && row <= rows[k + 1] + kHandleGap) return rows[k + 1] + kHandleGap;
  if (k > 0 && row >= rows[k - 1] - kHandleGap) return rows[k - 1] - kHandleGap;
  return std::min(row, kToneGraphHeight);
}

// Drags of the five handles from the default curve to the rows nearest the
// levels asked for. A handle moves only once its neighbours leave room for
// its new row, so that levels that keep the gap are reached in any order of
// the handles; any left over are dragged as far as the dialog lets them.
std::string ToneDrags(const std::array<int32_t, 5>& levels) {
  std::string drags;
  int32_t rows[5], current[5], targets[5];
  for (int32_t k = 0; k < 5; ++k) {
    current[k] = kDefaultToneLevels[k];
    rows[k] = RowOfLevel(current[k]);
    targets[k] = NearestRow(levels[k]);
  }
  const auto drag = [&](int32_t k) {
    // The press lands on the handle inside the graph's client area.
    const int32_t x = std::min(k * kToneGraphWidth / 4, kToneGraphWidth - 1);
    const int32_t y = std::min(rows[k], kToneGraphHeight - 1);
    drags += "drag " + std::to_string(kToneGraph) + " " + std::to_string(x) + " " +
             std::to_string(y) + " " + std::to_string(x) + " " + std::to_string(targets[k]) + "\n";
    current[k] = LevelOfRow(AllowedRow(k, targets[k], rows));
    rows[k] = RowOfLevel(current[k]);
  };
  for (int32_t pass = 0; pass < 5; ++pass)
    for (int32_t k = 0; k < 5; ++k)
      if (current[k] != LevelOfRow(targets[k]) && AllowedRow(k, targets[k], rows) == targets[k])
        drag(k);
  for (int32_t k = 0; k < 5; ++k)
    if (current[k] != LevelOfRow(targets[k])) drag(k);
  return drags;
}

std::string LevelList(const uint8_t* levels) {
  std::string text;
  for (int32_t k = 0; k < 5; ++k) {
    if (k > 0) text += ',';
    text += std::to_string(levels[k]);
  }
  return text;
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
    "  --manual-output on|off\n"
    "  --tone L0,L1,L2,L3,L4 tone curve of raster images: output levels 0-255,\n"
    "                        rising, for the greys 0, 64, 128, 192 and 255; dragged\n"
    "                        on the brightness graph, which reaches most levels\n"
    "                        exactly and the rest within one (the level reached is\n"
    "                        named); its handles stay about 7 levels apart\n"
    "  --tone-default        the default tone curve (0,123,187,228,255)\n"
    "  --brightness N        presses of the brightness arrows: the whole curve up\n"
    "                        (N > 0) or down, one level a press\n"
    "  --contrast N          presses of the contrast arrows: N > 0 spreads the curve\n"
    "                        about its middle, N < 0 narrows it\n"
    "  --midtones N          presses of the midtone arrows: N > 0 lifts the middle\n"
    "                        of the curve, N < 0 lowers it\n"
    "                        The arrows are pressed in the order given (-255 to 255\n"
    "                        each, not with --tone), from the saved curve or after\n"
    "                        --tone-default; presses the dialog refuses at the\n"
    "                        curve's limits are reported\n";

bool Settings::Any() const {
  return paper >= 0 || media >= 0 || length >= 0 || margin >= 0 || copies >= 0 || fill >= 0 ||
         resolution >= 0 || program >= 0 || finisherMargins >= 0 || bin >= 0 || manualOutput >= 0 ||
         haveLabel || AnyTone();
}

bool Settings::AnyTone() const {
  return tone[0] >= 0 || toneDefault || !arrows.empty();
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
    // The list has no message of its own for a number it lacks.
    if (s.paper < 0) ParseNumber(value, 1, kPaperCount, s.paper);
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
  for (const ToneArrow& arrow : kToneArrows) {
    if (option != arrow.option) continue;
    int32_t count;
    if (!ParseNumber(value, -kMostArrowPresses, kMostArrowPresses, count)) {
      error = option + " takes a number of arrow presses from -255 to 255, not '" + value + "'";
      return -1;
    }
    if (count != 0) s.arrows.push_back({option + " " + value, arrow.control, count});
    return 1;
  }
  if (option == "--tone") {
    std::array<int32_t, 5> levels{};
    size_t at = 0;
    for (int32_t k = 0; k < 5; ++k) {
      const size_t comma = k < 4 ? value.find(',', at) : value.size();
      if (comma == std::string::npos ||
          !ParseNumber(value.substr(at, comma - at), 0, 255, levels[k])) {
        error = "--tone takes five levels from 0 to 255 separated by commas, not '" + value + "'";
        return -1;
      }
      at = comma + 1;
    }
    for (int32_t k = 1; k < 5; ++k)
      if (levels[k] <= levels[k - 1]) {
        error = "--tone: the levels must rise from the first to the last (" + value +
                "): each handle of the brightness graph stays above the one before";
        return -1;
      }
    s.tone = levels;
    return 1;
  }
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
  if (s.media >= 0) line("select " + std::to_string(kMediaList) + " " + std::to_string(s.media));
  if (s.margin >= 0) line("type " + std::to_string(kMarginField) + " " + std::to_string(s.margin));
  if (s.copies >= 0) line("type " + std::to_string(kCopiesField) + " " + std::to_string(s.copies));
  if (s.fill >= 0) line("click " + std::to_string(s.fill ? kHalftoneFill : kSolidFill));
  if (s.resolution >= 0) line("click " + std::to_string(kResolution600 + s.resolution));
  if (s.haveLabel) {
    line("type " + std::to_string(kLabelField) + " " + s.label);
    line("leave " + std::to_string(kLabelField));
  }
  std::string brightness;
  if (s.AnyTone()) {
    line("click " + std::to_string(kBrightnessButton));
    brightness = "dialog IDD_COLOR_POR\n";
    if (s.toneDefault || s.tone[0] >= 0)
      brightness += "answer IDYES\nclick " + std::to_string(kDefaultCurveButton) + "\n";
    if (s.tone[0] >= 0) brightness += ToneDrags(s.tone);
    for (const Settings::ArrowPresses& a : s.arrows)
      for (int32_t n = 0; n < std::abs(a.count); ++n)
        brightness += "arrow " + std::to_string(a.control) + (a.count > 0 ? " up\n" : " down\n");
    brightness += "click " + std::to_string(kCurveOk) + "\n";
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
  return main + brightness + options;
}

std::string CancellingDialogScript() {
  std::string script;
  for (const char* name : {"DETAILCFG2_POR", "DRIVERCFG2_POR", "DETAILCFG2_POR", "DRIVERCFG2_POR"})
    script += std::string("dialog ") + name + "\nclick IDCANCEL\n";
  return script;
}

std::vector<std::string> SettingsNotApplied(const Settings& s, const RecordBytes& before,
                                            const RecordBytes& r) {
  std::vector<std::string> missing;
  const auto check = [&missing](bool given, bool held, const std::string& what) {
    if (given && !held) missing.push_back(what);
  };
  const uint8_t* b = r.data();
  const uint16_t plotFlags = ReadU16(b, kRecord.plotFlags), jobFlags = ReadU16(b, kRecord.jobFlags);
  check(s.paper >= 0, ReadI32(b, kRecord.paperSize) == s.paper,
        "--paper " + std::to_string(s.paper));
  check(s.length >= 0, ReadI32(b, kRecord.customLength) == s.length,
        "--length " + std::to_string(s.length));
  check(s.media >= 0, ReadI16(b, kRecord.mediaType) == s.media,
        "media type " + std::to_string(s.media));
  check(s.margin >= 0, ReadI16(b, kRecord.margin) == s.margin,
        "--margin " + std::to_string(s.margin));
  check(s.copies >= 0, ReadI32(b, kRecord.copies) == s.copies,
        "--copies " + std::to_string(s.copies));
  check(s.fill >= 0, ((plotFlags & kPlotHalftoneFill) != 0) == (s.fill == 1), "--fill");
  check(s.resolution >= 0,
        s.resolution < 0 || (jobFlags & kJobResolutionMask) == (kJob600Dpi << s.resolution),
        "--resolution " + std::to_string(kResolutions[std::max(0, s.resolution)]));
  check(s.program >= 0, ReadI16(b, kRecord.finishProgram) == s.program,
        "--program " + std::to_string(s.program));
  check(s.finisherMargins >= 0, ReadI16(b, kRecord.finishMargins) == s.finisherMargins,
        "--finisher-margins " + std::to_string(s.finisherMargins));
  check(s.bin >= 0, ReadI16(b, kRecord.finishBin) == s.bin, "--bin " + std::to_string(s.bin));
  check(s.manualOutput >= 0, ((jobFlags & kJobManualOutput) != 0) == (s.manualOutput == 1),
        "--manual-output");
  const uint8_t* levels = b + kRecord.toneLevels;
  if (s.tone[0] >= 0) {
    // A level off by more than the graph's nearest row was held back by a
    // neighbouring handle.
    for (int32_t k = 0; k < 5; ++k)
      if (levels[k] != LevelOfRow(NearestRow(s.tone[k]))) {
        missing.push_back("--tone " + std::to_string(s.tone[0]) + "," + std::to_string(s.tone[1]) +
                          "," + std::to_string(s.tone[2]) + "," + std::to_string(s.tone[3]) + "," +
                          std::to_string(s.tone[4]) + ": the graph keeps its handles " +
                          std::to_string(kHandleGap) + " rows apart; the levels are " +
                          LevelList(levels));
        break;
      }
  } else if (s.toneDefault || !s.arrows.empty()) {
    // What the presses give when the dialog takes every one of them.
    int32_t expected[5];
    std::string options;
    for (int32_t k = 0; k < 5; ++k)
      expected[k] = s.toneDefault ? kDefaultToneLevels[k] : before[kRecord.toneLevels + k];
    for (const Settings::ArrowPresses& a : s.arrows) {
      options += (options.empty() ? "" : " ") + a.option;
      for (const ToneArrow& arrow : kToneArrows)
        if (arrow.control == a.control)
          for (int32_t k = 0; k < 5; ++k) expected[k] += a.count * arrow.change[k];
    }
    bool taken = true;
    for (int32_t k = 0; k < 5; ++k) taken = taken && levels[k] == expected[k];
    if (!taken && options.empty()) missing.push_back("--tone-default");
    if (!taken && !options.empty())
      missing.push_back(options +
                        ": the dialog refused presses at the curve's limits; the levels are " +
                        LevelList(levels));
  }
  return missing;
}

std::vector<std::string> SettingsApproximated(const Settings& s, const RecordBytes& r) {
  std::vector<std::string> notes;
  if (s.tone[0] < 0) return notes;
  for (int32_t k = 0; k < 5; ++k) {
    const int32_t reached = r[kRecord.toneLevels + k];
    if (reached != s.tone[k] && reached == LevelOfRow(NearestRow(s.tone[k])))
      notes.push_back("--tone: level " + std::to_string(k) + " is " + std::to_string(reached) +
                      ", the nearest to " + std::to_string(s.tone[k]) + " the graph reaches");
  }
  return notes;
}
