#pragma once
// The job's choices as the print queues name them, turned into the settings
// the driver's dialogs are given. The same names serve the printer
// application's IPP attributes and the classic queue's options (`lp -o`);
// a PPD's choices arrive in the raster header instead (raster_page.h).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/print/page_plot.h"

// One of the tone curves offered by name: the brightness dialog's default
// curve, or five levels dragged on its graph.
struct TonePreset {
  const char* name;
  const char* label;
  int32_t levels[5];  // all -1: the dialog's default curve
};
extern const TonePreset kTonePresets[6];

// The driver's media list as keywords, in its order, with the labels shown.
struct NamedChoice {
  const char* keyword;
  const char* label;
};
extern const NamedChoice kMediaTypes[4];
extern const NamedChoice kLanguages[2];
// Input slots: the roll (a custom length for every page) or cut sheets.
extern const NamedChoice kMediaSources[2];
constexpr int32_t kFinisherPrograms = 21;  // manual feed, programs 1-20
std::string FinisherProgramKeyword(int32_t program);

using OptionList = std::vector<std::pair<std::string, std::string>>;

// Applies the options it knows to `settings` (others are left alone). 0, or
// -1 with the reason in `error` for a value it cannot take.
int32_t ApplyJobOptions(const OptionList& options, PrintSettings& settings, std::string& error);
// The tone curve by preset name or as "L0,L1,L2,L3,L4".
int32_t ApplyTone(const std::string& value, Settings& settings, std::string& error);
