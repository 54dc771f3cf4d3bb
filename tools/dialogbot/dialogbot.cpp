#include "tools/dialogbot/dialogbot.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "platform/dialog_script.h"
#include "platform/terminal_text.h"
#include "resources/dialog_ids.inc"

namespace {

// The control ids of each template, read from the same file the resource
// script compiles (the styles and classes are not needed, and not expanded).
struct TemplateIds {
  const char* name;
  std::vector<int32_t> ids;
};

// clang-format off
#define DIALOG_TEMPLATE(name, w, h, style, caption) {#name, {
#define BARE_DIALOG_TEMPLATE(name, w, h, style) {#name, {
#define CONTROL_ITEM(text, id, cls, style, x, y, w, h) id,
#define PICTURE_ITEM(bitmap, id, x, y, w, h) id,
#define END_TEMPLATE }},
// clang-format on
const TemplateIds kTemplates[] = {
#include "resources/dialog_templates.inc"
};
#undef DIALOG_TEMPLATE
#undef BARE_DIALOG_TEMPLATE
#undef CONTROL_ITEM
#undef PICTURE_ITEM
#undef END_TEMPLATE

constexpr int32_t kActionSeconds = 30;
constexpr int32_t kMessageBoxText = 0xFFFF;

// The robot's thread and its helpers share these (the mingw runtime here has
// no std::mutex).
struct Lock {
  CRITICAL_SECTION section;
  Lock() { InitializeCriticalSection(&section); }
} lock;
struct Guard {
  Guard() { EnterCriticalSection(&lock.section); }
  ~Guard() { LeaveCriticalSection(&lock.section); }
};
std::map<std::string, std::deque<ScriptSection>> sections;
std::vector<BotMessageBox> messageBoxes;
std::vector<std::string> dialogsSeen;
std::vector<std::string> problems;
std::set<HWND> handled;
int32_t pendingAnswer = 0;
HANDLE watchdogEvent = nullptr;

void Problem(const std::string& what) {
  std::fprintf(stderr, "dialogbot: %s\n", what.c_str());
  Guard g;
  problems.push_back(what);
}

std::string Text(HWND w) {
  char buffer[512] = {};
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

bool IsDialogClass(HWND w) {
  char name[32] = {};
  GetClassNameA(w, name, sizeof name);
  return std::string_view(name) == "#32770";
}

struct Search {
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND w, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(w, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(w) && IsDialogClass(w))
    reinterpret_cast<Search*>(data)->found.push_back(w);
  return TRUE;
}

// The process's visible dialog windows that the robot has not taken up yet.
HWND NewDialogWindow() {
  Search s;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
  for (HWND w : s.found)
    if (handled.count(w) == 0) return w;
  return nullptr;
}

BOOL CALLBACK CollectChildId(HWND w, LPARAM data) {
  reinterpret_cast<std::set<int32_t>*>(data)->insert(GetDlgCtrlID(w));
  return TRUE;
}

// Tells the template from the window's controls; the two option templates
// are told apart by the dialog that opened them.
std::string TemplateOf(HWND dialog, const std::string& ownerName) {
  std::set<int32_t> present;
  EnumChildWindows(dialog, CollectChildId, reinterpret_cast<LPARAM>(&present));
  present.erase(-1);
  present.erase(0xFFFF);
  for (const TemplateIds& t : kTemplates) {
    std::set<int32_t> ids(t.ids.begin(), t.ids.end());
    ids.erase(-1);
    if (ids != present) continue;
    const std::string name = t.name;
    if (name.rfind("OPTIONCFG", 0) == 0)
      return ownerName == "DETAILCFG2_POR" ? "OPTIONCFG1_POR" : "OPTIONCFG2_POR";
    return name;
  }
  return "";
}

bool Gone(HWND w) {
  return !IsWindow(w) || !IsWindowVisible(w);
}

void WaitGone(HWND w) {
  for (int i = 0; i < 200 && !Gone(w); ++i) Sleep(10);
}

void RunDialog(HWND dialog, const std::string& ownerName);

void AnswerMessageBox(HWND box) {
  BotMessageBox m{Text(box), "", 0};
  char text[1024] = {};
  GetDlgItemTextA(box, kMessageBoxText, text, sizeof text);
  m.text = text;
  int32_t answer;
  {
    Guard g;
    answer = pendingAnswer != 0 ? pendingAnswer : GetDlgItem(box, IDOK) ? IDOK : IDYES;
    pendingAnswer = 0;
  }
  m.answer = answer;
  PrintWindows1252(stderr, "[message box] " + m.caption + ": " + m.text + "\n");
  {
    Guard g;
    messageBoxes.push_back(m);
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
  WaitGone(box);
}

// A message box is answered; a dialog plays its section.
void TakeUp(HWND w, const std::string& ownerName) {
  handled.insert(w);
  if (GetDlgItem(w, kMessageBoxText) != nullptr && TemplateOf(w, ownerName).empty())
    AnswerMessageBox(w);
  else
    RunDialog(w, ownerName);
}

// Runs one action on a helper thread, whose sends wait for the dialog to
// handle them, and meanwhile takes up the message boxes and dialogs the
// action opens.
struct Job {
  std::function<void()> run;
};

DWORD WINAPI RunJob(LPVOID data) {
  reinterpret_cast<Job*>(data)->run();
  return 0;
}

void Perform(const std::string& ownerName, std::function<void()> action) {
  Job job{std::move(action)};
  HANDLE thread = CreateThread(nullptr, 0, RunJob, &job, 0, nullptr);
  const DWORD deadline = GetTickCount() + kActionSeconds * 1000;
  while (WaitForSingleObject(thread, 15) == WAIT_TIMEOUT) {
    if (HWND w = NewDialogWindow()) TakeUp(w, ownerName);
    if (GetTickCount() > deadline) {
      Problem("an action did not finish within " + std::to_string(kActionSeconds) + " s");
      ExitProcess(3);
    }
  }
  CloseHandle(thread);
}

void SendCommand(HWND dialog, int32_t id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int32_t DefaultButton(HWND dialog) {
  const LRESULT answer = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : IDOK;
}

void Focus(HWND dialog, HWND control) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void PressArrow(HWND control, int32_t step) {
  char name[32] = {};
  GetClassNameA(control, name, sizeof name);
  HWND dialog = GetParent(control);
  if (std::string_view(name) == "ScrollBar") {
    SendMessageA(dialog, WM_VSCROLL, step > 0 ? SB_LINEUP : SB_LINEDOWN,
                 reinterpret_cast<LPARAM>(control));
    SendMessageA(dialog, WM_VSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(control));
    return;
  }
  RECT r;
  GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, step > 0 ? r.bottom / 4 : r.bottom * 3 / 4);
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(control, WM_LBUTTONUP, 0, at);
}

// The window as it shows on the screen, as a 24-bit BMP file.
void TakePicture(HWND window, const std::string& path) {
  Sleep(300);  // let it finish painting
  RECT r;
  GetWindowRect(window, &r);
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ kept = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, kept);
  BITMAPINFOHEADER info = {sizeof info, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  std::vector<char> pixels(rowBytes * static_cast<DWORD>(h));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof info};
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return Problem("cannot write " + path);
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  std::fclose(out);
}

void PlayAction(HWND dialog, const std::string& name, const ScriptAction& a) {
  if (a.verb == ScriptVerb::Picture) return TakePicture(dialog, a.text);
  if (a.verb == ScriptVerb::Answer) {
    Guard g;
    pendingAnswer = a.id;
    return;
  }
  if (a.verb == ScriptVerb::Esc) return Perform(name, [=] { SendCommand(dialog, IDCANCEL); });
  if (a.verb == ScriptVerb::Enter)
    return Perform(name, [=] { SendCommand(dialog, DefaultButton(dialog)); });
  HWND c = GetDlgItem(dialog, a.id);
  const std::string where = name + ": line " + std::to_string(a.line) + ": ";
  if (c == nullptr) return Problem(where + "no control " + std::to_string(a.id));
  if (!IsWindowEnabled(c))
    return Problem(where + "control " + std::to_string(a.id) +
                   " is disabled: " + ScriptVerbName(a.verb) + " ignored");
  switch (a.verb) {
    case ScriptVerb::Select:
      return Perform(name, [=] {
        Focus(dialog, c);
        SendMessageA(c, CB_SETCURSEL, static_cast<WPARAM>(a.values[0]), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(a.id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(c));
      });
    case ScriptVerb::Type: {
      const std::string text = a.text;
      return Perform(name, [=] {
        Focus(dialog, c);
        SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      });
    }
    case ScriptVerb::Leave:
      return Perform(name, [=] {
        Focus(dialog, c);
        SendMessageA(dialog, WM_NEXTDLGCTL, 0, FALSE);
      });
    case ScriptVerb::Click:
      return Perform(name, [=] { SendMessageA(c, BM_CLICK, 0, 0); });
    case ScriptVerb::Arrow:
      return Perform(name, [=] { PressArrow(c, a.values[0]); });
    case ScriptVerb::Drag:
      return Perform(name, [=] {
        auto at = [](int32_t x, int32_t y) {
          return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
        };
        UpdateWindow(c);
        // While the control holds the mouse, the system sends it moves of
        // its own (a window of another program showing under the pointer,
        // say) at the real pointer, which is put where the drag ends so that
        // they agree with it.
        POINT end = {a.values[2], a.values[3]};
        ClientToScreen(c, &end);
        SetCursorPos(end.x, end.y);
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, at(a.values[0], a.values[1]));
        SendMessageA(c, WM_MOUSEMOVE, MK_LBUTTON, at(a.values[2], a.values[3]));
        SendMessageA(c, WM_LBUTTONUP, 0, at(a.values[2], a.values[3]));
      });
    default:
      return;
  }
}

bool TakeSection(const std::string& name, ScriptSection& out) {
  Guard g;
  auto found = sections.find(name);
  if (found == sections.end() || found->second.empty()) return false;
  out = std::move(found->second.front());
  found->second.pop_front();
  return true;
}

void RunDialog(HWND dialog, const std::string& ownerName) {
  const std::string name = TemplateOf(dialog, ownerName);
  if (name.empty()) {
    Problem("a dialog captioned \"" + Text(dialog) + "\" is none of the driver's: pressing Cancel");
    Perform(ownerName, [=] { SendCommand(dialog, IDCANCEL); });
    return WaitGone(dialog);
  }
  {
    Guard g;
    dialogsSeen.push_back(name);
  }
  // A user sees the dialog before acting on it: the graph's handles, among
  // others, are placed by its first paint.
  Perform(name, [=] {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  });
  ScriptSection section;
  if (TakeSection(name, section)) {
    for (size_t i = 0; i < section.actions.size(); ++i) {
      if (Gone(dialog)) {
        Problem(name + ": line " + std::to_string(section.actions[i].line) +
                ": the dialog has closed: the rest of its section is skipped");
        break;
      }
      PlayAction(dialog, name, section.actions[i]);
    }
    // Actions that leave the dialog open end in Cancel.
    if (!Gone(dialog)) Perform(name, [=] { SendCommand(dialog, IDCANCEL); });
  }
  // No section, or a dialog that ignores Cancel: its default button.
  if (!Gone(dialog)) Perform(name, [=] { SendCommand(dialog, DefaultButton(dialog)); });
  WaitGone(dialog);
}

DWORD WINAPI WatchDialogs(LPVOID) {
  for (;;) {
    Sleep(20);
    if (HWND w = NewDialogWindow()) TakeUp(w, "");
  }
}

DWORD WINAPI Watchdog(LPVOID what) {
  const auto* w = static_cast<std::pair<int32_t, std::string>*>(what);
  if (WaitForSingleObject(watchdogEvent, static_cast<DWORD>(w->first) * 1000) == WAIT_OBJECT_0)
    return 0;
  std::fprintf(stderr, "dialogbot: %s did not finish within %d s\n", w->second.c_str(), w->first);
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace

void DialogBotSetScript(std::string_view text) {
  const DialogScript script = ParseDialogScript(text);
  for (const std::string& e : script.errors)
    std::fprintf(stderr, "[dialog script] %s\n", e.c_str());
  Guard g;
  sections.clear();
  pendingAnswer = 0;
  for (const ScriptSection& s : script.sections) sections[s.dialog].push_back(s);
}

bool DialogBotStart(std::string_view script) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBotSetScript(script);
  return CreateThread(nullptr, 0, WatchDialogs, nullptr, 0, nullptr) != nullptr;
}

std::vector<BotMessageBox> DialogBotMessageBoxes() {
  Guard g;
  return messageBoxes;
}

std::vector<std::string> DialogBotDialogs() {
  Guard g;
  return dialogsSeen;
}

std::vector<std::string> DialogBotProblems() {
  Guard g;
  return problems;
}

void DialogBotArm(int32_t seconds, const char* what) {
  if (watchdogEvent == nullptr) watchdogEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ResetEvent(watchdogEvent);
  static std::pair<int32_t, std::string> armed;
  armed = {seconds, what};
  CreateThread(nullptr, 0, Watchdog, &armed, 0, nullptr);
}

void DialogBotDisarm() {
  if (watchdogEvent != nullptr) SetEvent(watchdogEvent);
}
