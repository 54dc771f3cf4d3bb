#pragma once
// A robot that plays a dialog script (platform/dialog_script.h) against the
// real dialog boxes of this process, from a thread of its own: it finds each
// dialog the driver opens, sends it the messages the user's actions cause and
// answers its message boxes. A dialog with no section of the script is closed
// as if the user pressed OK. Win32 only.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BotMessageBox {
  std::string caption, text;  // Windows-1252
  int32_t answer;
};

// Registers the common controls the templates use and starts the robot with
// the script's text; the parse errors go to standard error.
bool DialogBotStart(std::string_view script);
// Replaces the script; sections not yet used are dropped.
void DialogBotSetScript(std::string_view script);
// What the robot saw: message boxes, and the template of each dialog it took
// up, in the order they opened.
std::vector<BotMessageBox> DialogBotMessageBoxes();
std::vector<std::string> DialogBotDialogs();
// Whatever the robot could not do (a missing control, a dialog it could not
// tell), one line each.
std::vector<std::string> DialogBotProblems();
// The process ends with status 3 and a message unless DialogBotDisarm is called
// within `seconds`: a dialog that never appears, or never closes, cannot hang
// the host.
void DialogBotArm(int32_t seconds, const char* what);
void DialogBotDisarm();
