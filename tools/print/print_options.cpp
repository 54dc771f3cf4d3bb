#include "tools/print/print_options.h"

#include <cstdlib>

const TonePreset kTonePresets[6] = {
    {"default", "Default curve", {-1, -1, -1, -1, -1}},
    {"linear", "Linear", {0, 64, 128, 192, 255}},
    {"lighter", "Lighter", {0, 150, 205, 238, 255}},
    {"darker", "Darker", {0, 90, 150, 205, 255}},
    {"more-contrast", "More contrast", {0, 100, 190, 240, 255}},
    {"less-contrast", "Less contrast", {40, 130, 187, 220, 240}},
};

const NamedChoice kMediaTypes[4] = {
    {"plain", "Plain"},
    {"film", "Film"},
    {"printer-setting", "As set on the printer"},
    {"vellum", "Vellum"},
};

const NamedChoice kLanguages[2] = {{"rtl-gl2", "RTL/GL2"}, {"qdrs-mmr", "QDRS+MMR"}};

const NamedChoice kMediaSources[2] = {{"main-roll", "Roll"}, {"manual", "Cut sheet"}};

namespace {

template <size_t N>
int32_t Position(const NamedChoice (&choices)[N], const std::string& value) {
  for (size_t i = 0; i < N; ++i)
    if (value == choices[i].keyword) return static_cast<int32_t>(i);
  return -1;
}

int32_t Refuse(std::string& error, const std::string& name, const std::string& value) {
  error = name + ": '" + value + "' is not a value this printer takes";
  return -1;
}

}  // namespace

std::string FinisherProgramKeyword(int32_t program) {
  return program == 0 ? "manual-feed" : "program-" + std::to_string(program);
}

int32_t ApplyTone(const std::string& value, Settings& s, std::string& error) {
  for (const TonePreset& p : kTonePresets) {
    if (value != p.name) continue;
    s.toneDefault = p.levels[0] < 0;
    for (int32_t k = 0; k < 5; ++k) s.tone[k] = p.levels[k];
    return 0;
  }
  // Five levels go through the same checks as adihost's --tone.
  const int32_t taken = ParseSetting("--tone", value, s, error);
  if (taken == 1) return 0;
  error = "kalvo-tone: '" + value + "' is neither a preset nor five rising levels 0-255";
  return -1;
}

int32_t ApplyJobOptions(const OptionList& options, PrintSettings& settings, std::string& error) {
  Settings& s = settings.dialog;
  for (const auto& [name, value] : options) {
    int32_t n = -1;
    if (name == "kalvo-language") {
      if ((n = Position(kLanguages, value)) < 0) return Refuse(error, name, value);
      settings.qdrs = n == 1;
    } else if (name == "kalvo-label") {
      s.label = value;
      s.haveLabel = true;
    } else if (name == "kalvo-finisher-program") {
      if (value == "manual-feed") {
        s.program = 0;
      } else if (value.rfind("program-", 0) != 0 ||
                 ParseSetting("--program", value.substr(8), s, error) != 1 || s.program < 1) {
        return Refuse(error, name, value);
      }
    } else if (name == "kalvo-tone") {
      if (ApplyTone(value, s, error) < 0) return -1;
    } else if (name == "media-type") {
      if ((s.media = Position(kMediaTypes, value)) < 0) return Refuse(error, name, value);
    } else if (name == "media-source") {
      if ((n = Position(kMediaSources, value)) < 0) return Refuse(error, name, value);
      settings.roll = n == 0;
    } else if (name == "copies") {
      // The form only: the dialog checks the range, with its own message.
      if (ParseSetting("--copies", value, s, error) != 1) return Refuse(error, name, value);
    }
  }
  return 0;
}
