// Linux stand-ins for the USER32 window calls the dialogs make: windows built
// from the templates, the standard controls' messages and their notifications.
#if !defined(_WIN32)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux_user.h"

namespace {

HWND captureWindow = nullptr;
HCURSOR currentCursor = IDC_ARROW;

// Dialog units are a quarter of the font's mean width and an eighth of its
// height, rounded to the nearest pixel.
int32_t PixelsAcross(int32_t units) {
  return (units * kDialogBaseX + 2) / 4;
}
int32_t PixelsDown(int32_t units) {
  return (units * kDialogBaseY + 4) / 8;
}

ControlKind KindOf(const TemplateItem& item) {
  const std::string_view cls = item.className;
  const uint32_t type = item.style & BS_TYPEMASK;
  if (cls == CLASS_BUTTON) {
    if (type == BS_GROUPBOX) return ControlKind::GroupBox;
    if (type == BS_AUTORADIOBUTTON) return ControlKind::Radio;
    if (type == BS_OWNERDRAW) return ControlKind::OwnerDrawn;
    return ControlKind::PushButton;
  }
  if (cls == CLASS_STATIC)
    return (item.style & 0x1F) == SS_BITMAP ? ControlKind::Picture : ControlKind::Label;
  if (cls == CLASS_EDIT) return ControlKind::Edit;
  if (cls == CLASS_COMBOBOX) return ControlKind::ComboBox;
  if (cls == CLASS_UPDOWN) return ControlKind::UpDown;
  return ControlKind::ScrollBar;
}

bool IsDialog(HWND w) {
  return w != nullptr && w->kind == ControlKind::Dialog;
}

}  // namespace

std::unique_ptr<HWND__> CreateDialogWindows(const DialogTemplate& t, HWND owner, DLGPROC proc,
                                            HINSTANCE instance) {
  auto dialog = std::make_unique<HWND__>();
  dialog->dialogTemplate = &t;
  dialog->style = t.style;
  dialog->text = t.caption;
  dialog->dialogProc = proc;
  dialog->instance = instance;
  dialog->owner = owner;
  dialog->rect = {0, 0, PixelsAcross(t.w), PixelsDown(t.h)};
  HWND previous = nullptr;
  for (size_t i = 0; i < t.count; ++i) {
    const TemplateItem& item = t.items[i];
    auto c = std::make_unique<HWND__>();
    c->kind = KindOf(item);
    c->id = item.id;
    c->style = item.style;
    c->text = item.text;
    c->enabled = (item.style & WS_DISABLED) == 0;
    c->parent = dialog.get();
    c->proc = StandInControlProc;
    // Position and size are mapped one by one, as the dialog manager does.
    const int32_t left = PixelsAcross(item.x), top = PixelsDown(item.y);
    c->rect = {left, top, left + PixelsAcross(item.w), top + PixelsDown(item.h)};
    // An up-down takes the control before it as its buddy and stands at its
    // right edge, inside it.
    if (c->kind == ControlKind::UpDown && previous != nullptr) {
      const int32_t width = PixelsAcross(9);
      c->rect = {previous->rect.right - width, previous->rect.top, previous->rect.right,
                 previous->rect.bottom};
      previous->rect.right -= width;
    }
    c->needsPaint = c->kind == ControlKind::OwnerDrawn;
    previous = c.get();
    dialog->children.push_back(std::move(c));
  }
  return dialog;
}

void NotifyParent(HWND control, WORD code) {
  HWND dialog = control->parent;
  if (!IsDialog(dialog) || dialog->dialogProc == nullptr) return;
  dialog->dialogProc(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control->id), code),
                     reinterpret_cast<LPARAM>(control));
}

namespace {

void NotifyFocus(HWND control, bool gained) {
  if (control == nullptr) return;
  if (control->kind == ControlKind::Edit)
    NotifyParent(control, gained ? EN_SETFOCUS : EN_KILLFOCUS);
  if (control->kind == ControlKind::ComboBox)
    NotifyParent(control, gained ? CBN_SETFOCUS : CBN_KILLFOCUS);
}

}  // namespace

void MoveFocus(HWND dialog, HWND to) {
  HWND from = dialog->focus;
  if (from == to) return;
  dialog->focus = to;
  NotifyFocus(from, false);
  // The kill-focus handler may have taken the focus elsewhere itself.
  if (dialog->focus == to) NotifyFocus(to, true);
}

void PaintPending(HWND dialog) {
  for (auto& c : dialog->children) {
    if (!c->needsPaint) continue;
    c->needsPaint = false;
    DeviceContext* dc = WindowDC(c.get());
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(c->id);
    item.hwndItem = c.get();
    item.hDC = dc;
    GetClientRect(c.get(), &item.rcItem);
    if (dialog->dialogProc != nullptr)
      dialog->dialogProc(dialog, WM_DRAWITEM, static_cast<WPARAM>(c->id),
                         reinterpret_cast<LPARAM>(&item));
    ReleaseWindowDC(dc);
  }
}

LRESULT StandInControlProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      w->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      if (w->kind == ControlKind::Edit) NotifyParent(w, EN_CHANGE);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0) return 0;
      const size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
      std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case EM_LIMITTEXT:
      w->limit = wParam != 0 ? static_cast<int32_t>(wParam) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return w->limit;
    case EM_SETSEL:
      w->selectionStart = static_cast<int32_t>(wParam);
      w->selectionEnd = static_cast<int32_t>(lParam);
      return 0;
    case BM_SETCHECK:
      w->checked = wParam == BST_CHECKED;
      return 0;
    case BM_GETCHECK:
      return w->checked ? BST_CHECKED : BST_UNCHECKED;
    case CB_RESETCONTENT:
      w->items.clear();
      w->selection = -1;
      return 0;
    case CB_ADDSTRING:
      w->items.emplace_back(reinterpret_cast<const char*>(lParam));
      return static_cast<LRESULT>(w->items.size() - 1);
    case CB_SETCURSEL: {
      const auto index = static_cast<int32_t>(wParam);
      w->selection = index >= 0 && index < static_cast<int32_t>(w->items.size()) ? index : -1;
      return w->selection;
    }
    case CB_GETCURSEL:
      return w->selection;
    case CB_GETCOUNT:
      return static_cast<LRESULT>(w->items.size());
    case CB_GETLBTEXT: {
      const auto index = static_cast<int32_t>(wParam);
      if (index < 0 || index >= static_cast<int32_t>(w->items.size())) return -1;
      std::strcpy(reinterpret_cast<char*>(lParam), w->items[index].c_str());
      return static_cast<LRESULT>(w->items[index].size());
    }
    case UDM_SETRANGE:
      w->upper = static_cast<int16_t>(LOWORD(lParam));
      w->lower = static_cast<int16_t>(HIWORD(lParam));
      return 0;
    case UDM_GETRANGE:
      return MAKELPARAM(static_cast<WORD>(w->upper), static_cast<WORD>(w->lower));
    case UDM_SETPOS: {
      const int32_t low = std::min(w->lower, w->upper), high = std::max(w->lower, w->upper);
      const int32_t previous = w->position;
      w->position = std::clamp<int32_t>(static_cast<int16_t>(LOWORD(lParam)), low, high);
      return previous;
    }
    case UDM_GETPOS:
      return w->position;
    default:
      return 0;
  }
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!IsDialog(dialog)) return nullptr;
  for (auto& c : dialog->children)
    if (c->id == id) return c.get();
  return nullptr;
}

int GetDlgCtrlID(HWND control) {
  return control != nullptr ? control->id : 0;
}

HWND GetParent(HWND window) {
  if (window == nullptr) return nullptr;
  return IsDialog(window) ? window->owner : window->parent;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  if (window == nullptr) return FALSE;
  const bool wasDisabled = !window->enabled;
  window->enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  return window != nullptr && window->enabled;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int checked) {
  for (int id = first; id <= last; ++id)
    if (HWND b = GetDlgItem(dialog, id)) b->checked = id == checked;
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND b = GetDlgItem(dialog, id);
  return b != nullptr && b->checked ? BST_CHECKED : BST_UNCHECKED;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr) return 0;
  if (IsDialog(window))
    return window->dialogProc != nullptr ? window->dialogProc(window, message, wParam, lParam) : 0;
  return window->proc(window, message, wParam, lParam);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND c = GetDlgItem(dialog, id);
  if (c == nullptr) return FALSE;
  return SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  if (size <= 0) return 0;
  text[0] = '\0';
  return static_cast<UINT>(SendDlgItemMessageA(dialog, id, WM_GETTEXT, static_cast<WPARAM>(size),
                                               reinterpret_cast<LPARAM>(text)));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char text[16];
  if (isSigned)
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  else
    std::snprintf(text, sizeof text, "%u", value);
  return SetDlgItemTextA(dialog, id, text);
}

// Leading blanks are skipped and the decimal digits read up to the first
// other character; text without digits, or too large, is not a number.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL) {
  if (translated != nullptr) *translated = FALSE;
  HWND c = GetDlgItem(dialog, id);
  if (c == nullptr) return 0;
  const char* p = c->text.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  uint64_t value = 0;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + static_cast<uint64_t>(*p++ - '0');
    if (value > 0xFFFFFFFFu) return 0;
  }
  if (p == digits) return 0;
  if (translated != nullptr) *translated = TRUE;
  return static_cast<UINT>(value);
}

HWND SetFocus(HWND window) {
  if (window == nullptr || IsDialog(window)) return nullptr;
  HWND dialog = window->parent;
  HWND previous = dialog->focus;
  MoveFocus(dialog, window);
  return previous;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  if (window == nullptr || IsDialog(window) || index != GWLP_WNDPROC) return 0;
  const auto previous = reinterpret_cast<LONG_PTR>(window->proc);
  window->proc = reinterpret_cast<WNDPROC>(value);
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  if (window == nullptr) return 0;
  if (index == GWLP_WNDPROC && !IsDialog(window)) return reinterpret_cast<LONG_PTR>(window->proc);
  if (index == GWLP_HINSTANCE) {
    HWND dialog = IsDialog(window) ? window : window->parent;
    return reinterpret_cast<LONG_PTR>(dialog->instance);
  }
  return 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc != nullptr ? proc(window, message, wParam, lParam) : 0;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (window == nullptr) return FALSE;
  if (IsDialog(window)) {
    for (auto& c : window->children)
      if (c->kind == ControlKind::OwnerDrawn) c->needsPaint = true;
  } else if (window->kind == ControlKind::OwnerDrawn) {
    window->needsPaint = true;
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (window == nullptr || rect == nullptr) return FALSE;
  *rect = ClientRectOf(*window);
  return TRUE;
}

HWND SetCapture(HWND window) {
  HWND previous = captureWindow;
  captureWindow = window;
  return previous;
}

BOOL ReleaseCapture() {
  captureWindow = nullptr;
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
  return name;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = currentCursor;
  currentCursor = cursor;
  return previous;
}

HCURSOR PlatformCursor() {
  return currentCursor;
}

HWND PlatformCapture() {
  return captureWindow;
}
#endif
