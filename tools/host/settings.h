#pragma once
// Settings given on the command line, applied the way a user would apply them:
// as a script for the driver's dialogs, played by the dialogs' scripted user,
// so that the dialogs' own checks and messages apply. Afterwards the record
// the driver saved shows which settings were taken.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/host_kernel.h"

struct Settings {
  // -1 (or empty) for a setting not given.
  int32_t paper = -1, length = -1, margin = -1, copies = -1, fill = -1, resolution = -1;
  int32_t program = -1, finisherMargins = -1, bin = -1, manualOutput = -1;
  int32_t media = -1;  // position in the driver's media list
  std::string label;
  bool haveLabel = false;
  // The brightness dialog: exact tone levels (dragged on its graph), its
  // default curve, and presses of its arrows in the order given (the arrow
  // control's id and a count, negative for the down arrow).
  std::array<int32_t, 5> tone{-1, -1, -1, -1, -1};
  bool toneDefault = false;
  struct ArrowPresses {
    std::string option;
    int32_t control, count;
  };
  std::vector<ArrowPresses> arrows;
  bool Any() const;
  bool AnyTone() const;
};

// The brightness dialog's graph in pixels, laid out from its template as the
// dialogs are on either build; a level is (height - row) * 255 / height.
inline constexpr int32_t kToneGraphWidth = (85 * 7 + 2) / 4;
inline constexpr int32_t kToneGraphHeight = (79 * 14 + 4) / 8;

// The options this takes, for the help text.
extern const char* const kSettingsHelp;

// Takes "--copies" "3" and the like. 1 when the option is a setting and was
// taken, 0 when it is not a setting, -1 with `error` for a bad value.
int32_t ParseSetting(const std::string& option, const std::string& value, Settings& settings,
                     std::string& error);
// The paper size for a number (1-based) or a name from the driver's paper list.
int32_t PaperSizeFor(const std::string& value, const std::vector<std::string>& names);

// The dialog script that makes the main dialog's user enter the settings and
// press OK.
std::string DialogScriptFor(const Settings& settings);
// The script that cancels every dialog the driver opens.
std::string CancellingDialogScript();
// One line per setting that the saved record does not hold; `before` is the
// record the dialog opened with.
std::vector<std::string> SettingsNotApplied(const Settings& settings, const RecordBytes& before,
                                            const RecordBytes& record);
// One line per tone level that the graph can only come near: taken, but not
// the exact value asked for.
std::vector<std::string> SettingsApproximated(const Settings& settings, const RecordBytes& record);
