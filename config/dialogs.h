#pragma once
#include <cstdint>

#include "platform/win32.h"

// The configuration dialogs: 0 when closed with OK, 5 when cancelled. They
// edit a working copy of the record and copy it back only on OK.
constexpr int32_t kDialogOk = 0;
constexpr int32_t kDialogCancelled = 5;

// The copy of the working record that the options dialog edits.
struct ConfigRecord;
extern ConfigRecord optionsRecord;

// The main dialog, opened when the host asks for the configuration.
int32_t MainConfigDialog();
// The same dialog without the label, opened before a plot.
int32_t DetailConfigDialog();
// The finisher options, on top of a configuration dialog; `name` is the
// template that dialog opens them from.
int32_t OptionsDialog(HWND owner, const char* name);
// The driver's name and version.
int32_t AboutDialog(HWND owner);
