#pragma once
// The driver's texts are Windows-1252; adihost shows them in the terminal's
// encoding (Windows1252ToTerminal, shared with the dialogs' scripted user).
#include <string>

#include "platform/dialog_script.h"
#include "platform/terminal_text.h"

// Control characters other than line feeds made visible (\e, \r, \xNN).
std::string Visible(const std::string& text);
