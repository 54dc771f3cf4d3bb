#pragma once
// The script of a scripted dialog user: which dialog openings it handles and
// what it does in each. The Linux stand-in plays it against its model of the
// dialogs; a host-side robot plays the same script against real windows.
//
//   dialog NAME                 the next opening of template NAME
//   select ID INDEX             choose item INDEX of list ID
//   type ID TEXT...             replace the text of field ID (UTF-8 here)
//   leave ID                    field or list ID loses the focus
//   click ID                    press button, radio or check box ID
//   arrow ID up|down            one step of up-down or scroll bar ID
//   esc | enter                 the Esc or Enter key
//   drag ID X1 Y1 X2 Y2         press, move and release the mouse in ID
//   answer IDOK|IDCANCEL|IDYES|IDNO   how the next message box is answered
//   picture FILE                the dialog as it stands, as a BMP file (the
//                               Win32 robot only; the stand-in has no pixels)
//
// ID is a number or IDOK/IDCANCEL; '#' starts a comment line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ScriptVerb { Select, Type, Leave, Click, Arrow, Esc, Enter, Drag, Answer, Picture };

struct ScriptAction {
  ScriptVerb verb;
  int32_t id = 0;                    // the control, or the answer's button
  int32_t values[4] = {0, 0, 0, 0};  // INDEX; arrow: 1 up, -1 down; X1 Y1 X2 Y2
  std::string text;                  // `type`: Windows-1252
  int32_t line = 0;
};

struct ScriptSection {
  std::string dialog;
  std::vector<ScriptAction> actions;
  int32_t line = 0;
};

struct DialogScript {
  std::vector<ScriptSection> sections;
  std::vector<std::string> errors;  // "line N: what is wrong", one per skipped line
};

// The template names a section may open.
bool IsDialogTemplateName(std::string_view name);
DialogScript ParseDialogScript(std::string_view text);
// UTF-8 to Windows-1252; characters the code page lacks become '?'.
std::string Utf8ToWindows1252(std::string_view text);
std::string Windows1252ToUtf8(std::string_view text);
// The script's name for a verb, as written in it.
const char* ScriptVerbName(ScriptVerb verb);
