#pragma once
// The driver's texts are Windows-1252; adihost shows them in UTF-8
// (Windows1252ToUtf8, shared with the dialogs' scripted user).
#include <string>

#include "platform/dialog_script.h"

// Control characters other than line feeds made visible (\e, \r, \xNN).
std::string Visible(const std::string& text);
