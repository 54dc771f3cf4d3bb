// The finisher options dialog, edited in `optionsRecord` and copied into the
// working copy on OK, and the about box.
#include <cstring>
#include <string_view>

#include "config/descriptor.h"
#include "config/dialogs.h"
#include "config/record.h"
#include "config/tables.h"
#include "platform/module.h"
#include "resources/dialog_ids.inc"

ConfigRecord optionsRecord;

namespace {

// The folder program that feeds sheets by hand leaves margins and bins to it.
constexpr std::string_view kBypassLine = "@PJL DEFAULT FINISHPROGID=BYPASS\r\n";

using FinishLookup = const FinishEntry& (*)(int32_t model, int32_t index);
using FinishCount = int32_t (*)(int32_t model);

void ShowFinishList(HWND d, int id, FinishLookup entry, FinishCount count, int32_t position) {
  SendDlgItemMessageA(d, id, CB_RESETCONTENT, 0, 0);
  for (int32_t i = 0; i < count(currentModel); ++i)
    SendDlgItemMessageA(d, id, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(entry(currentModel, i).name));
  SendDlgItemMessageA(d, id, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

void ApplyBypassRule(HWND d) {
  const bool bypass =
      FinishProgramAt(currentModel, optionsRecord.finishProgram).pjlLine == kBypassLine;
  for (int id : {IDC_FINISH_MARGINS_LABEL, IDC_FINISH_MARGINS, IDC_BIN_LABEL, IDC_BIN})
    EnableWindow(GetDlgItem(d, id), bypass ? FALSE : TRUE);
}

void OpenOptions(HWND d) {
  optionsRecord = workingRecord;
  const ModelEntry& model = ModelAt(currentModel);
  if (Has(model.hasFinisher)) {
    ShowFinishList(d, IDC_PROGRAM, FinishProgramAt, FinishProgramCount,
                   optionsRecord.finishProgram);
    ShowFinishList(d, IDC_FINISH_MARGINS, FinishMarginsAt, FinishMarginsCount,
                   optionsRecord.finishMargins);
    ShowFinishList(d, IDC_BIN, FinishBinAt, FinishBinCount, optionsRecord.finishBin);
    ApplyBypassRule(d);
  }
  if (Has(model.hasManualOutput)) {
    CheckRadioButton(
        d, IDC_MANUAL_ON, IDC_MANUAL_OFF,
        (optionsRecord.jobFlags & kJobManualOutput) != 0 ? IDC_MANUAL_ON : IDC_MANUAL_OFF);
  } else {
    for (int id : {IDC_MANUAL_GROUP, IDC_MANUAL_ON, IDC_MANUAL_OFF})
      EnableWindow(GetDlgItem(d, id), FALSE);
  }
}

int16_t SelectedPosition(HWND d, int id, int16_t current) {
  const auto position = static_cast<int32_t>(SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0));
  return position >= 0 ? static_cast<int16_t>(position) : current;
}

void HandleOptionsCommand(HWND d, int id, WORD code) {
  const bool changed = code == CBN_SELCHANGE;
  switch (id) {
    case IDC_PROGRAM:
      if (changed)
        optionsRecord.finishProgram = SelectedPosition(d, id, optionsRecord.finishProgram);
      ApplyBypassRule(d);
      return;
    case IDC_FINISH_MARGINS:
      if (changed)
        optionsRecord.finishMargins = SelectedPosition(d, id, optionsRecord.finishMargins);
      return;
    case IDC_BIN:
      if (changed) optionsRecord.finishBin = SelectedPosition(d, id, optionsRecord.finishBin);
      return;
    case IDC_MANUAL_ON:
    case IDC_MANUAL_OFF:
      if (Has(ModelAt(currentModel).hasManualOutput)) {
        if (id == IDC_MANUAL_ON)
          optionsRecord.jobFlags |= kJobManualOutput;
        else
          optionsRecord.jobFlags &= static_cast<uint16_t>(~kJobManualOutput);
      }
      ApplyBypassRule(d);
      return;
    case IDOK:
      workingRecord = optionsRecord;
      EndDialog(d, kDialogOk);
      return;
    case IDCANCEL:
      EndDialog(d, kDialogCancelled);
      return;
    default:
      return;
  }
}

INT_PTR CALLBACK OptionsDialogProc(HWND d, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OpenOptions(d);
      return TRUE;
    case WM_COMMAND:
      HandleOptionsCommand(d, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

// Only OK (or Enter) closes the about box; Esc and the close box do not.
INT_PTR CALLBACK AboutDialogProc(HWND d, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    char name[kDriverNameSize + 1] = {};
    std::memcpy(name, driverDescriptor.name, kDriverNameSize);
    SetDlgItemTextA(d, IDC_DRIVER_NAME, name);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    EndDialog(d, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int32_t OptionsDialog(HWND owner, const char* name) {
  const INT_PTR result =
      DialogBoxParamA(static_cast<HINSTANCE>(moduleHandle), name, owner, OptionsDialogProc, 0);
  return result == kDialogOk ? kDialogOk : kDialogCancelled;
}

int32_t AboutDialog(HWND owner) {
  DialogBoxParamA(static_cast<HINSTANCE>(moduleHandle), "DRV_VER_POR", owner, AboutDialogProc, 0);
  return 0;
}
