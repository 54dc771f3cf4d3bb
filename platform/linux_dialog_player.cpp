// The Linux stand-in's dialog boxes: each opening builds the template's
// windows, runs the dialog procedure and plays the next section of the
// scripted user's actions for that template (see platform/dialog_script.h).
// No script, or no section for an opening: the user presses OK at once.
#if !defined(_WIN32)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/dialog_script.h"
#include "platform/linux_user.h"
#include "platform/terminal_text.h"

namespace {

bool scriptLoaded = false;
std::map<std::string, std::deque<ScriptSection>> pendingSections;
int pendingAnswer = 0;  // how the next message box is answered; 0: its first button
std::vector<RecordedMessageBox> messageBoxes;
std::vector<DialogSnapshot> closedDialogs;
char lastMessageBox[1024];

void Report(const char* dialog, int32_t line, const char* what) {
  std::fprintf(stderr, "[dialog] %s: line %d: %s\n", dialog, line, what);
}

void TakeScript(const DialogScript& script) {
  pendingSections.clear();
  for (const std::string& error : script.errors)
    std::fprintf(stderr, "[dialog script] %s\n", error.c_str());
  for (const ScriptSection& s : script.sections) pendingSections[s.dialog].push_back(s);
}

void LoadScriptOnce() {
  if (scriptLoaded) return;
  scriptLoaded = true;
  const char* path = std::getenv("TRNKV_DIALOG_SCRIPT");
  if (path == nullptr || *path == '\0') return;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "[dialog script] %s: cannot be read\n", path);
    return;
  }
  std::stringstream text;
  text << file.rdbuf();
  TakeScript(ParseDialogScript(text.str()));
}

bool NextSection(const char* name, ScriptSection& out) {
  auto found = pendingSections.find(name);
  if (found == pendingSections.end() || found->second.empty()) return false;
  out = std::move(found->second.front());
  found->second.pop_front();
  return true;
}

HWND FirstTabStop(HWND dialog) {
  for (auto& c : dialog->children)
    if ((c->style & WS_TABSTOP) != 0 && c->enabled) return c.get();
  return nullptr;
}

// The next control that takes the focus with the Tab key, after `from`.
HWND NextTabStop(HWND dialog, HWND from) {
  auto& all = dialog->children;
  size_t at = 0;
  while (at < all.size() && all[at].get() != from) ++at;
  for (size_t k = 1; k <= all.size(); ++k) {
    HWND c = all[(at + k) % all.size()].get();
    if ((c->style & WS_TABSTOP) != 0 && c->enabled) return c;
  }
  return from;
}

void Command(HWND dialog, int32_t id, HWND control) {
  dialog->dialogProc(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
}

int32_t DefaultButton(HWND dialog) {
  for (auto& c : dialog->children)
    if (c->kind == ControlKind::PushButton && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      return c->id;
  return IDOK;
}

// An automatic radio button checks itself and clears the others of its group,
// which runs from a radio with WS_GROUP to the next control with it.
void CheckInGroup(HWND dialog, HWND radio) {
  auto& all = dialog->children;
  size_t at = 0;
  while (all[at].get() != radio) ++at;
  size_t first = at;
  while (first > 0 && (all[first]->style & WS_GROUP) == 0) --first;
  for (size_t k = first; k < all.size(); ++k) {
    if (k > first && (all[k]->style & WS_GROUP) != 0) break;
    if (all[k]->kind == ControlKind::Radio) all[k]->checked = all[k].get() == radio;
  }
}

void Click(HWND dialog, HWND c) {
  if (c->kind == ControlKind::PushButton || c->kind == ControlKind::Radio ||
      c->kind == ControlKind::OwnerDrawn)
    MoveFocus(dialog, c);
  if (c->kind == ControlKind::Radio) CheckInGroup(dialog, c);
  NotifyParent(c, BN_CLICKED);
}

void Arrow(HWND c, int32_t step) {
  if (c->kind == ControlKind::UpDown) {
    // The up arrow moves towards the range's upper end.
    const int32_t direction = c->upper >= c->lower ? step : -step;
    const int32_t low = std::min(c->lower, c->upper), high = std::max(c->lower, c->upper);
    c->position = std::clamp(c->position + direction, low, high);
    c->parent->dialogProc(c->parent, WM_VSCROLL,
                          MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(c->position)),
                          reinterpret_cast<LPARAM>(c));
  } else {
    c->parent->dialogProc(c->parent, WM_VSCROLL, step > 0 ? SB_LINEUP : SB_LINEDOWN,
                          reinterpret_cast<LPARAM>(c));
  }
  c->parent->dialogProc(c->parent, WM_VSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(c));
}

void Drag(HWND c, const int32_t (&v)[4]) {
  auto at = [](int32_t x, int32_t y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
  };
  const WPARAM leftButton = 0x0001;
  c->proc(c, WM_LBUTTONDOWN, leftButton, at(v[0], v[1]));
  c->proc(c, WM_MOUSEMOVE, leftButton, at(v[2], v[3]));
  c->proc(c, WM_LBUTTONUP, 0, at(v[2], v[3]));
}

bool Accepts(HWND c, std::initializer_list<ControlKind> kinds) {
  for (ControlKind k : kinds)
    if (c->kind == k) return true;
  return false;
}

void Play(HWND dialog, const ScriptAction& a) {
  const char* name = dialog->dialogTemplate->name;
  char what[160];
  if (a.verb == ScriptVerb::Esc) return Command(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
  if (a.verb == ScriptVerb::Enter) {
    const int32_t id = DefaultButton(dialog);
    return Command(dialog, id, GetDlgItem(dialog, id));
  }
  if (a.verb == ScriptVerb::Answer) {
    pendingAnswer = a.id;
    return;
  }
  if (a.verb == ScriptVerb::Picture) return;
  HWND c = GetDlgItem(dialog, a.id);
  if (c == nullptr) {
    std::snprintf(what, sizeof what, "no control %d", a.id);
    return Report(name, a.line, what);
  }
  if (!c->enabled) {
    std::snprintf(what, sizeof what, "control %d is disabled: %s ignored", a.id,
                  ScriptVerbName(a.verb));
    return Report(name, a.line, what);
  }
  using K = ControlKind;
  bool fits = true;
  switch (a.verb) {
    case ScriptVerb::Select:
      fits = Accepts(c, {K::ComboBox}) && a.values[0] < static_cast<int32_t>(c->items.size());
      if (!fits) break;
      MoveFocus(dialog, c);
      c->selection = a.values[0];
      NotifyParent(c, CBN_SELCHANGE);
      break;
    case ScriptVerb::Type:
      if (!(fits = Accepts(c, {K::Edit}))) break;
      MoveFocus(dialog, c);
      SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a.text.c_str()));
      break;
    case ScriptVerb::Leave:
      if (!(fits = Accepts(c, {K::Edit, K::ComboBox}))) break;
      MoveFocus(dialog, c);
      MoveFocus(dialog, NextTabStop(dialog, c));
      break;
    case ScriptVerb::Click:
      if ((fits = Accepts(c, {K::PushButton, K::Radio, K::OwnerDrawn}))) Click(dialog, c);
      break;
    case ScriptVerb::Arrow:
      if ((fits = Accepts(c, {K::UpDown, K::ScrollBar}))) Arrow(c, a.values[0]);
      break;
    case ScriptVerb::Drag:
      if ((fits = Accepts(c, {K::OwnerDrawn}))) Drag(c, a.values);
      break;
    default:
      break;
  }
  if (!fits) {
    std::snprintf(what, sizeof what, "%s does not fit control %d", ScriptVerbName(a.verb), a.id);
    Report(name, a.line, what);
  }
}

void Snapshot(HWND dialog, int32_t actionsPlayed) {
  DialogSnapshot s{dialog->dialogTemplate->name, dialog->result, actionsPlayed, {}};
  for (auto& c : dialog->children)
    s.controls.push_back({c->id, c->kind, c->text, c->enabled, c->checked, c->items, c->selection,
                          c->limit, c->lower, c->upper, c->position, c->surface});
  closedDialogs.push_back(std::move(s));
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  if (instance == nullptr || name == nullptr || IS_INTRESOURCE(name) || proc == nullptr) return -1;
  const DialogTemplate* t = FindDialogTemplate(name);
  if (t == nullptr) return -1;
  LoadScriptOnce();
  std::unique_ptr<HWND__> window = CreateDialogWindows(*t, owner, proc, instance);
  HWND dialog = window.get();
  HWND first = FirstTabStop(dialog);
  if (proc(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) != FALSE && first)
    MoveFocus(dialog, first);
  PaintPending(dialog);

  ScriptSection section;
  int32_t played = 0;
  if (NextSection(t->name, section)) {
    for (const ScriptAction& a : section.actions) {
      if (dialog->ended) {
        Report(t->name, a.line, "the dialog has closed: the rest of its section is skipped");
        break;
      }
      Play(dialog, a);
      PaintPending(dialog);
      ++played;
    }
    // Actions that leave the dialog open end in Cancel.
    if (!dialog->ended) Command(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
  } else {
    const int32_t id = DefaultButton(dialog);
    Command(dialog, id, GetDlgItem(dialog, id));
  }
  // A dialog that ignores Cancel is closed with its default button, and one
  // that ignores that as well is closed by the stand-in.
  if (!dialog->ended) {
    const int32_t id = DefaultButton(dialog);
    Command(dialog, id, GetDlgItem(dialog, id));
  }
  if (!dialog->ended) {
    std::fprintf(stderr, "[dialog] %s: stays open: closed\n", t->name);
    dialog->result = IDCANCEL;
  }
  Snapshot(dialog, played);
  return dialog->result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  if (dialog == nullptr || dialog->kind != ControlKind::Dialog) return FALSE;
  dialog->ended = true;
  dialog->result = result;
  return TRUE;
}

// The box is recorded and reported on standard error, and answered as the
// script asked or with its first button.
int MessageBoxA(HWND, const char* text, const char* caption, UINT style) {
  const std::string t = text ? text : "", c = caption ? caption : "";
  std::snprintf(lastMessageBox, sizeof lastMessageBox, "%s: %s", c.c_str(), t.c_str());
  const int first = (style & 0x0F) == MB_YESNO ? IDYES : IDOK;
  const int answer = pendingAnswer != 0 ? pendingAnswer : first;
  pendingAnswer = 0;
  messageBoxes.push_back({t, c, style, answer});
  PrintWindows1252(stderr, "[message box] " + c + ": " + t + "\n");
  return answer;
}

int32_t PlatformMessageBoxCount() {
  return static_cast<int32_t>(messageBoxes.size());
}
const char* PlatformLastMessageBox() {
  return lastMessageBox;
}

void PlatformSetDialogScript(std::string_view text) {
  scriptLoaded = true;
  pendingAnswer = 0;
  messageBoxes.clear();
  closedDialogs.clear();
  TakeScript(ParseDialogScript(text));
}

const std::vector<RecordedMessageBox>& PlatformMessageBoxes() {
  return messageBoxes;
}

const std::vector<DialogSnapshot>& PlatformClosedDialogs() {
  return closedDialogs;
}

const DialogSnapshot* PlatformClosedDialog(std::string_view name) {
  for (auto it = closedDialogs.rbegin(); it != closedDialogs.rend(); ++it)
    if (it->name == name) return &*it;
  return nullptr;
}

const ControlSnapshot* DialogSnapshot::Control(int32_t id) const {
  for (const ControlSnapshot& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}
#endif
