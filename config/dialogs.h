#pragma once
#include <cstdint>

// The configuration dialogs: 0 when closed with OK, 5 when cancelled. They
// edit a working copy of the record and copy it back only on OK.
constexpr int32_t kDialogOk = 0;
constexpr int32_t kDialogCancelled = 5;

int32_t MainConfigDialog();
int32_t DetailConfigDialog();
