// The dialog-script reader on arbitrary text. Whatever it reads must be a
// script it would write again: every section names a dialog, every action
// keeps its operands in range, and the script written back from what was read
// reads back the same. The code-page conversion must give every Windows-1252
// text back through UTF-8, but for NUL and the five bytes the code page leaves
// empty, which come back as '?'.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog_script.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

const char* ButtonName(int32_t id) {
  switch (id) {
    case 1:
      return "IDOK";
    case 2:
      return "IDCANCEL";
    case 6:
      return "IDYES";
    case 7:
      return "IDNO";
    default:
      FuzzBroken("an answer with no button");
  }
}

void CheckInRange(const ScriptAction& a) {
  const bool control = a.id >= 0 && a.id <= 0xFFFF;
  bool fine = true;
  switch (a.verb) {
    case ScriptVerb::Select:
      fine = control && a.values[0] >= 0;
      break;
    case ScriptVerb::Arrow:
      fine = control && (a.values[0] == 1 || a.values[0] == -1);
      break;
    case ScriptVerb::Drag:
      for (int32_t v : a.values) fine = fine && control && v >= -32768 && v <= 65535;
      break;
    case ScriptVerb::Answer:
      ButtonName(a.id);
      break;
    default:
      fine = control;
  }
  if (!fine) FuzzBroken("a script action with operands out of range");
}

// A typed text as the script's file holds it: UTF-8, and a NUL as it stands
// (the code-page conversion has no NUL).
std::string TypedText(const std::string& text) {
  std::string out;
  size_t from = 0;
  for (size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', from)) {
    out += Windows1252ToUtf8(std::string_view(text).substr(from, nul - from));
    out += '\0';
    from = nul + 1;
  }
  return out + Windows1252ToUtf8(std::string_view(text).substr(from));
}

std::string Written(const DialogScript& script) {
  std::string out;
  for (const ScriptSection& section : script.sections) {
    out += "dialog " + section.dialog + "\n";
    for (const ScriptAction& a : section.actions) {
      out += ScriptVerbName(a.verb);
      const std::string id = " " + std::to_string(a.id);
      switch (a.verb) {
        case ScriptVerb::Select:
          out += id + " " + std::to_string(a.values[0]);
          break;
        case ScriptVerb::Type:
          out += id + " " + TypedText(a.text);
          break;
        case ScriptVerb::Arrow:
          out += id + (a.values[0] > 0 ? " up" : " down");
          break;
        case ScriptVerb::Drag:
          out += id;
          for (int32_t v : a.values) out += " " + std::to_string(v);
          break;
        case ScriptVerb::Answer:
          out += std::string(" ") + ButtonName(a.id);
          break;
        case ScriptVerb::Leave:
        case ScriptVerb::Click:
          out += id;
          break;
        case ScriptVerb::Picture:
          out += " " + a.text;
          break;
        case ScriptVerb::Esc:
        case ScriptVerb::Enter:
          break;
      }
      out += "\n";
    }
  }
  return out;
}

bool SameActions(const ScriptAction& a, const ScriptAction& b) {
  for (int k = 0; k < 4; ++k)
    if (a.values[k] != b.values[k]) return false;
  return a.verb == b.verb && a.id == b.id && a.text == b.text;
}

bool SameScripts(const DialogScript& a, const DialogScript& b) {
  if (a.sections.size() != b.sections.size()) return false;
  for (size_t i = 0; i < a.sections.size(); ++i) {
    const ScriptSection &x = a.sections[i], &y = b.sections[i];
    if (x.dialog != y.dialog || x.actions.size() != y.actions.size()) return false;
    for (size_t k = 0; k < x.actions.size(); ++k)
      if (!SameActions(x.actions[k], y.actions[k])) return false;
  }
  return true;
}

void CheckCodePage(std::string_view bytes) {
  std::string expected(bytes);
  for (char& c : expected) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0 || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) c = '?';
  }
  if (Utf8ToWindows1252(Windows1252ToUtf8(bytes)) != expected)
    FuzzBroken("a Windows-1252 text that does not come back through UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const DialogScript script = ParseDialogScript(text);
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  if (script.errors.size() > lines) FuzzBroken("more errors than lines");
  int32_t last = 0;
  for (const ScriptSection& section : script.sections) {
    if (!IsDialogTemplateName(section.dialog)) FuzzBroken("a section of no dialog");
    for (const ScriptAction& a : section.actions) {
      if (a.line <= last || a.line > static_cast<int32_t>(lines)) FuzzBroken("an action's line");
      last = a.line;
      CheckInRange(a);
    }
  }
  const DialogScript again = ParseDialogScript(Written(script));
  if (!again.errors.empty() || !SameScripts(script, again))
    FuzzBroken("a script that does not read back as written");
  CheckCodePage(text);
  return 0;
}
