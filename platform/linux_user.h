#pragma once
// The Linux stand-in's model of windows, dialogs and drawing surfaces, shared
// by its files, and what it records for tests.
#if !defined(_WIN32)
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

// One control of a dialog template, as the resource script declares it.
struct TemplateItem {
  const char* text;
  int32_t id;
  const char* className;
  uint32_t style;
  int16_t x, y, w, h;  // dialog units
  int32_t bitmap;      // pictures: the bitmap resource shown
};

struct DialogTemplate {
  const char* name;
  int16_t w, h;
  uint32_t style;
  const char* caption;
  const TemplateItem* items;
  size_t count;
};

const DialogTemplate* FindDialogTemplate(std::string_view name);
// The bytes of an embedded BMP file, or an empty view.
std::string_view BitmapResource(int32_t id);

// Dialog units to pixels for the templates' font, as the Win32 build gets
// them under wine at 96 dots per inch.
constexpr int32_t kDialogBaseX = 7;
constexpr int32_t kDialogBaseY = 14;

struct Surface {
  int32_t width = 0, height = 0;
  std::vector<COLORREF> pixels;
  void Resize(int32_t w, int32_t h) {
    width = w, height = h;
    pixels.assign(static_cast<size_t>(w) * h, 0);
  }
  COLORREF At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

enum class ControlKind {
  Dialog,
  GroupBox,
  Label,
  Picture,
  PushButton,
  Radio,
  OwnerDrawn,
  Edit,
  ComboBox,
  UpDown,
  ScrollBar
};

struct HWND__ {
  ControlKind kind = ControlKind::Dialog;
  int32_t id = 0;
  uint32_t style = 0;
  std::string text;
  bool enabled = true;
  HWND parent = nullptr;
  RECT rect{};  // pixels, in the parent's client area
  // Dialogs
  const DialogTemplate* dialogTemplate = nullptr;
  std::vector<std::unique_ptr<HWND__>> children;
  DLGPROC dialogProc = nullptr;
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  HWND focus = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  // Controls
  WNDPROC proc = nullptr;
  bool checked = false;
  std::vector<std::string> items;
  int32_t selection = -1;
  int32_t limit = 30000;
  int32_t selectionStart = 0, selectionEnd = 0;
  int32_t lower = 100, upper = 0, position = 0;  // up-down: Win32's initial range
  bool needsPaint = false;
  Surface surface;  // owner-drawn controls: what the last paint drew
};

// A window's client area: its own size, from its origin.
inline RECT ClientRectOf(const HWND__& window) {
  return {0, 0, window.rect.right - window.rect.left, window.rect.bottom - window.rect.top};
}

// The control procedure every control starts with.
LRESULT StandInControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Builds a dialog's windows from its template.
std::unique_ptr<HWND__> CreateDialogWindows(const DialogTemplate& t, HWND owner, DLGPROC proc,
                                            HINSTANCE instance);
// Sends a command notification from a control to its dialog.
void NotifyParent(HWND control, WORD code);
// Moves the keyboard focus, with the notifications a real move sends.
void MoveFocus(HWND dialog, HWND to);
// A device context that draws into the window's surface.
HDC WindowDC(HWND window);
void ReleaseWindowDC(HDC dc);
// Paints the owner-drawn controls that were invalidated.
void PaintPending(HWND dialog);

// What the stand-in recorded, for tests.
struct RecordedMessageBox {
  std::string text, caption;  // Windows-1252
  UINT style;
  int answer;
};
struct ControlSnapshot {
  int32_t id;
  ControlKind kind;
  std::string text;
  bool enabled, checked;
  std::vector<std::string> items;
  int32_t selection, limit, lower, upper, position;
  Surface surface;
};
struct DialogSnapshot {
  std::string name;
  INT_PTR result;
  int32_t actionsPlayed;  // of its script section, before it closed
  std::vector<ControlSnapshot> controls;
  const ControlSnapshot* Control(int32_t id) const;
};

// Replaces the script (normally read from the file that TRNKV_DIALOG_SCRIPT
// names) and forgets what was recorded.
void PlatformSetDialogScript(std::string_view text);
const std::vector<RecordedMessageBox>& PlatformMessageBoxes();
// Every dialog as it was when it closed, in the order they closed.
const std::vector<DialogSnapshot>& PlatformClosedDialogs();
const DialogSnapshot* PlatformClosedDialog(std::string_view name);
HCURSOR PlatformCursor();
HWND PlatformCapture();
// GDI objects created and not deleted.
int32_t PlatformLiveGdiObjects();
#endif
