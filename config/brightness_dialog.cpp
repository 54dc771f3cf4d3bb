// The brightness dialog: a graph of the tone curve with five draggable
// handles, three arrow controls that reshape it, and a default button.
#include <algorithm>
#include <cstdint>

#include "config/brightness.h"
#include "config/record.h"
#include "config/tone.h"
#include "platform/module.h"
#include "resources/dialog_ids.inc"

GraphPoint HandlePixels[5];
GraphPoint ScreenCurve[256];

namespace {

int32_t graphHeight = 1;
bool dragging = false;
int32_t dragHandle = 0;
WNDPROC previousGraphProc = nullptr;

// A handle stays this many pixels from its neighbours.
constexpr int32_t kHandleGap = 4;
// A press this close to a handle, in both directions, takes it.
constexpr int32_t kHandleReach = 2;
constexpr int32_t kDefaultLevelInputs[5] = {0, 64, 128, 192, 255};

struct CurveStep {
  CurveArrow arrow;
  int32_t direction;
  int32_t change[5];
};

constexpr CurveStep kCurveSteps[] = {
    {CurveArrow::Shift, 1, {1, 1, 1, 1, 1}},      {CurveArrow::Shift, -1, {-1, -1, -1, -1, -1}},
    {CurveArrow::Contrast, 1, {-2, -1, 0, 1, 2}}, {CurveArrow::Contrast, -1, {2, 1, 0, -1, -2}},
    {CurveArrow::Middle, 1, {0, 4, 5, 4, 0}},     {CurveArrow::Middle, -1, {0, -4, -5, -4, 0}},
};

bool GuardAllows(CurveArrow arrow, int32_t direction, const int32_t* l) {
  switch (arrow) {
    case CurveArrow::Shift:
      return direction > 0 ? l[4] < 255 : l[0] > 0;
    case CurveArrow::Contrast:
      return direction > 0 ? l[4] < 254 && l[0] >= 2 : l[4] <= 255 && l[0] >= 0 && l[3] - 10 > l[1];
    case CurveArrow::Middle:
      return direction > 0 ? l[3] < l[4] && l[2] < l[3] : l[0] < l[1] && l[1] < l[2];
  }
  return false;
}

void PaintGraph(const DRAWITEMSTRUCT& item, HWND dialog) {
  HDC dc = item.hDC;
  const int32_t w = item.rcItem.right - item.rcItem.left;
  const int32_t h = item.rcItem.bottom - item.rcItem.top;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  HBITMAP background = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_GRAPH_BACKGROUND));
  BITMAP size{};
  GetObjectA(background, sizeof size, &size);
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ kept = SelectObject(source, background);
  StretchBlt(dc, item.rcItem.left, item.rcItem.top, w, h, source, 0, 0, size.bmWidth, size.bmHeight,
             SRCCOPY);
  SelectObject(source, kept);
  DeleteDC(source);
  DeleteObject(background);

  graphHeight = h > 0 ? h : 1;
  int32_t xs[5], ys[5];
  for (int32_t k = 0; k < 5; ++k) {
    xs[k] = k * w / 4;
    ys[k] = h - h * CurveLevels[k] / 255;
    HandlePixels[k] = {xs[k], ys[k]};
  }
  POINT curve[256];
  for (int32_t i = 0; i < 256; ++i) {
    ScreenCurve[i] = {Bezier4(i, xs), Bezier4(i, ys)};
    curve[i] = {ScreenCurve[i].x, ScreenCurve[i].y};
  }
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  for (const GraphPoint& p : HandlePixels) {
    const RECT square = {p.x - 2, p.y - 2, p.x + 2, p.y + 2};
    FillRect(dc, &square, red);
  }
  DeleteObject(red);
  HPEN blue = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
  HGDIOBJ keptPen = SelectObject(dc, blue);
  Polyline(dc, curve, 256);
  SelectObject(dc, keptPen);
  DeleteObject(blue);
}

// The row a dragged handle moves to: inside the graph, and at least the gap
// away from both neighbours, so that the levels stay in order.
int32_t DraggedRow(int32_t k, uint16_t pointerRow, int32_t lowestRow) {
  const bool above = pointerRow >= 32768;
  const int32_t y = pointerRow;
  if (k == 4) {
    if (above) return 0;
    const int32_t limit = HandlePixels[3].y - kHandleGap;
    return y > limit ? limit : std::min(y, lowestRow);
  }
  const int32_t upper = HandlePixels[k + 1].y + kHandleGap;
  if (above || y <= upper) return upper;
  if (k > 0 && y >= HandlePixels[k - 1].y - kHandleGap) return HandlePixels[k - 1].y - kHandleGap;
  return std::min(y, lowestRow);
}

void EndDrag() {
  dragging = false;
  ReleaseCapture();
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

LRESULT CALLBACK GraphProc(HWND graph, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      const int32_t x = LOWORD(lParam), y = HIWORD(lParam);
      for (int32_t k = 0; k < 5; ++k) {
        const GraphPoint& h = HandlePixels[k];
        if (x < h.x - kHandleReach || x > h.x + kHandleReach || y < h.y - kHandleReach ||
            y > h.y + kHandleReach)
          continue;
        dragHandle = k;
        dragging = true;
        SetCapture(graph);
        SetCursor(LoadCursorA(nullptr, IDC_CROSS));
        return 0;
      }
      if (dragging) EndDrag();
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!dragging) break;
      SetCursor(LoadCursorA(nullptr, IDC_CROSS));
      RECT client;
      GetClientRect(graph, &client);
      HandlePixels[dragHandle].y = DraggedRow(dragHandle, HIWORD(lParam), client.bottom);
      SendMessageA(GetParent(graph), WM_USER, 0, 0);
      return 0;
    }
    case WM_LBUTTONUP:
      if (dragging) EndDrag();
      return 0;
    default:
      break;
  }
  return CallWindowProcA(previousGraphProc, graph, message, wParam, lParam);
}

void RestoreDefaultCurve(HWND d) {
  const int answer = MessageBoxA(d, "Restaurar para valor inicial?", "Correção da imagem",
                                 MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
  if (answer != IDYES) return;
  ResetToneTable();
  for (int32_t k = 0; k < 5; ++k) {
    CurveLevels[k] = GetToneLevel(kDefaultLevelInputs[k]);
    workingRecord.toneLevels[k] = static_cast<uint8_t>(CurveLevels[k]);
  }
  ApplyToneCurve();
  InvalidateRect(GetDlgItem(d, IDC_GRAPH), nullptr, FALSE);
}

INT_PTR CALLBACK BrightnessProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND graph = GetDlgItem(d, IDC_GRAPH);
  switch (message) {
    case WM_INITDIALOG:
      dragging = false;
      previousGraphProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GraphProc)));
      LoadCurveLevels(workingRecord.toneLevels);
      ApplyToneCurve();
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_GRAPH) return FALSE;
      PaintGraph(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), d);
      return TRUE;
    case WM_USER:
      CurveLevels[dragHandle] = (graphHeight - HandlePixels[dragHandle].y) * 255 / graphHeight;
      InvalidateRect(graph, nullptr, FALSE);
      return TRUE;
    case WM_VSCROLL: {
      const WORD code = LOWORD(wParam);
      if (code != SB_LINEUP && code != SB_LINEDOWN) return TRUE;
      const int32_t direction = code == SB_LINEUP ? 1 : -1;
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const CurveArrow arrow = id == IDC_SHIFT_ARROWS      ? CurveArrow::Shift
                               : id == IDC_CONTRAST_ARROWS ? CurveArrow::Contrast
                                                           : CurveArrow::Middle;
      if (id != IDC_SHIFT_ARROWS && id != IDC_CONTRAST_ARROWS && id != IDC_MIDDLE_ARROWS)
        return TRUE;
      if (StepCurve(arrow, direction)) InvalidateRect(graph, nullptr, FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_DEFAULT_CURVE) RestoreDefaultCurve(d);
      if (LOWORD(wParam) == IDC_CURVE_OK) {
        ApplyToneCurve();
        SetWindowLongPtrA(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousGraphProc));
        EndDialog(d, 0);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// A step outside 0..255, or one that would put the levels out of order, is
// refused as a failed guard is: the table holds one byte per level and the
// curve must rise from handle 0 to handle 4.
bool StepCurve(CurveArrow arrow, int32_t direction) {
  if (!GuardAllows(arrow, direction, CurveLevels)) return false;
  for (const CurveStep& s : kCurveSteps) {
    if (s.arrow != arrow || s.direction != direction) continue;
    int32_t next[5];
    for (int32_t k = 0; k < 5; ++k) {
      next[k] = CurveLevels[k] + s.change[k];
      if (next[k] < 0 || next[k] > 255) return false;
    }
    for (int32_t k = 1; k < 5; ++k)
      if (next[k] < next[k - 1] && CurveLevels[k] >= CurveLevels[k - 1]) return false;
    for (int32_t k = 0; k < 5; ++k) CurveLevels[k] = next[k];
    return true;
  }
  return false;
}

void BrightnessDialog(HWND owner) {
  DialogBoxParamA(static_cast<HINSTANCE>(moduleHandle), "IDD_COLOR_POR", owner, BrightnessProc, 0);
}
