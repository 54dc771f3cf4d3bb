#pragma once
// Settings given on the command line, applied the way a user would apply them:
// as a script for the driver's dialogs, played by the dialogs' scripted user,
// so that the dialogs' own checks and messages apply. Afterwards the record
// the driver saved shows which settings were taken.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Settings {
  // -1 (or empty) for a setting not given.
  int32_t paper = -1, length = -1, margin = -1, copies = -1, fill = -1, resolution = -1;
  int32_t program = -1, finisherMargins = -1, bin = -1, manualOutput = -1;
  std::string label;
  bool haveLabel = false;
  bool Any() const;
};

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
// One line per setting that the saved record does not hold.
std::vector<std::string> SettingsNotApplied(const Settings& settings,
                                            const std::array<uint8_t, 40>& record);
