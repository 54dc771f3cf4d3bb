#pragma once
#include "platform/win32.h"

// The driver's own module, from which the dialogs load their templates; null
// when no module of the driver's file name is loaded, and then no dialog opens.
extern HMODULE moduleHandle;
HMODULE FindOwnModule();
