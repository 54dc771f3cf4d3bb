// The main and detail configuration dialogs: paper, printing, label, red
// printing, copies and output language, edited in `workingRecord` and copied
// back into the record only on OK.
#include "config/dialogs.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config/brightness.h"
#include "config/record.h"
#include "config/tables.h"
#include "config/tone.h"
#include "platform/module.h"
#include "resources/dialog_ids.inc"

namespace {

// A number field, the record value it edits and how a wrong value is told.
struct NumberField {
  int32_t id;
  bool textReadsAsZero;  // a text that is not a number reads as 0, which is ignored
  int32_t lowest;
  int32_t highest;  // 0: the paper size's largest custom length
  const char* message;
  const char* caption;
};

constexpr NumberField kNumberFields[] = {
    {IDC_COPIES, false, 1, kMaxCopies,
     "O número de cópias deve ser definido no intervalo de 1 a 99.", "Número de cópias"},
    {IDC_MARGIN, false, 0, 10, "A margem deve ser definida no intervalo de 0 a 10.",
     "Definição da margem"},
    {IDC_LENGTH, true, 1, 0, "O comprimento deve ser definido para %d ou menor.",
     "Comprimento do tamanho personalizado"},
    {IDC_RED_PEN, true, 1, 255, "O número da caneta deve ser definido para 255 ou menor.",
     "Número de caneta especificado para vermelho"},
};

constexpr const char* kLabelMessage =
    "Digite uma mensagem somente com caracteres ASCII alfanuméricos.";
constexpr const char* kLabelCaption = "Etiqueta";
constexpr int32_t kMaxLabelLength = 64;

// Which dialog is open: the main one has the label field.
bool labelShown = false;
int16_t openingMediaType = 0;

const ModelEntry& Model() {
  return ModelAt(currentModel);
}

void EnableControls(HWND d, std::initializer_list<int> ids, bool enable) {
  for (int id : ids) EnableWindow(GetDlgItem(d, id), enable ? TRUE : FALSE);
}

void ShowPaperSizes(HWND d, int32_t position) {
  SendDlgItemMessageA(d, IDC_PAPER_SIZE, CB_RESETCONTENT, 0, 0);
  for (int32_t size = 1; size <= PaperCount(currentModel); ++size)
    SendDlgItemMessageA(d, IDC_PAPER_SIZE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(PaperAt(currentModel, size).name));
  SendDlgItemMessageA(d, IDC_PAPER_SIZE, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

// The names for the output language in the working copy; a model without
// names for a language shows an empty list.
void ShowMediaTypes(HWND d, int32_t position) {
  const bool qdrs = (workingRecord.jobFlags & kJobQdrsOutput) != 0;
  SendDlgItemMessageA(d, IDC_MEDIA, CB_RESETCONTENT, 0, 0);
  for (int32_t i = 0; i < MediaCount(currentModel); ++i) {
    const MediaEntry& m = MediaAt(currentModel, i);
    const char* name = qdrs ? m.qdrsName : m.name;
    if (name[0] == '\0') break;
    SendDlgItemMessageA(d, IDC_MEDIA, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendDlgItemMessageA(d, IDC_MEDIA, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int32_t LengthCharacters() {
  const char* name = Model().name;
  const bool wide =
      std::strncmp(name, "Larkspan7410", 12) == 0 || std::strncmp(name, "7410/7420 Wide", 14) == 0;
  return wide ? 5 : 4;
}

// Sizes with a custom length offer the length field, starting from the
// length their name gives.
void ShowCustomLength(HWND d, bool startFromDefault) {
  const PaperEntry& paper = PaperAt(currentModel, workingRecord.paperSize);
  const bool custom = Has(paper.allowsCustomLength);
  if (custom) {
    if (startFromDefault)
      workingRecord.customLength = DefaultCustomLength(currentModel, workingRecord.paperSize);
    SendDlgItemMessageA(d, IDC_LENGTH, EM_LIMITTEXT, static_cast<WPARAM>(LengthCharacters()), 0);
    SetDlgItemInt(d, IDC_LENGTH, static_cast<UINT>(workingRecord.customLength), FALSE);
  }
  EnableControls(d, {IDC_LENGTH_LABEL, IDC_LENGTH}, custom);
}

void CheckResolution(HWND d) {
  static constexpr struct {
    uint16_t bits;
    int id;
  } kRadios[] = {{kJob600Dpi, IDC_600_DPI},
                 {kJob400Dpi, IDC_400_DPI},
                 {kJob300Dpi, IDC_300_DPI},
                 {kJob200Dpi, IDC_200_DPI}};
  for (const auto& r : kRadios)
    if ((workingRecord.jobFlags & kJobResolutionMask) == r.bits)
      CheckRadioButton(d, IDC_600_DPI, IDC_200_DPI, r.id);
}

void SetResolution(uint16_t bits) {
  workingRecord.jobFlags =
      static_cast<uint16_t>((workingRecord.jobFlags & ~kJobResolutionMask) | bits);
}

// The binary language offers 400 and 200 dpi only; HP-GL/2 offers 600 only
// on models that have it.
void OpenResolution(HWND d) {
  const uint16_t bits = workingRecord.jobFlags & kJobResolutionMask;
  if ((workingRecord.jobFlags & kJobQdrsOutput) != 0) {
    if (bits != kJob400Dpi && bits != kJob200Dpi) SetResolution(kJob400Dpi);
    EnableControls(d, {IDC_600_DPI, IDC_300_DPI}, false);
    return CheckResolution(d);
  }
  if (Has(Model().has600Dpi)) {
    if (bits == kJob600Dpi || bits == kJob400Dpi || bits == kJob300Dpi) return CheckResolution(d);
    return CheckRadioButton(d, IDC_600_DPI, IDC_200_DPI, IDC_200_DPI), void();
  }
  if (bits != kJob400Dpi && bits != kJob300Dpi && bits != kJob200Dpi) SetResolution(kJob400Dpi);
  EnableControls(d, {IDC_600_DPI}, false);
  CheckResolution(d);
}

void ShowRedPen(HWND d) {
  SendDlgItemMessageA(d, IDC_RED_PEN, EM_LIMITTEXT, 3, 0);
  SetDlgItemInt(d, IDC_RED_PEN, static_cast<UINT>(workingRecord.redPen), FALSE);
}

void SetUpDown(HWND d, int arrows, int32_t lowest, int32_t highest, int32_t position) {
  SendDlgItemMessageA(d, arrows, UDM_SETRANGE, 0,
                      MAKELPARAM(static_cast<WORD>(highest), static_cast<WORD>(lowest)));
  SendDlgItemMessageA(d, arrows, UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(position), 0));
}

void OpenDialog(HWND d) {
  workingRecord = configRecord;
  openingMediaType = workingRecord.mediaType;
  const ModelEntry& model = Model();
  ShowPaperSizes(d, workingRecord.paperSize - 1);
  if (Has(model.hasMediaTypes))
    ShowMediaTypes(d, workingRecord.mediaType);
  else
    EnableControls(d, {IDC_MEDIA_LABEL, IDC_MEDIA}, false);
  CheckRadioButton(
      d, IDC_FILL_SOLID, IDC_FILL_HALFTONE,
      (workingRecord.plotFlags & kPlotHalftoneFill) != 0 ? IDC_FILL_HALFTONE : IDC_FILL_SOLID);
  OpenResolution(d);
  if (Has(model.hasRedPrinting))
    CheckRadioButton(d, IDC_RED_ON, IDC_RED_OFF,
                     (workingRecord.jobFlags & kJobRedPrinting) != 0 ? IDC_RED_ON : IDC_RED_OFF);
  else
    EnableControls(d, {IDC_COLOUR_GROUP, IDC_RED_GROUP, IDC_RED_ON, IDC_RED_OFF}, false);
  if (Has(model.hasBinaryLanguage)) {
    CheckRadioButton(
        d, IDC_LANGUAGE_HPGL, IDC_LANGUAGE_QDRS,
        (workingRecord.jobFlags & kJobQdrsOutput) != 0 ? IDC_LANGUAGE_QDRS : IDC_LANGUAGE_HPGL);
  } else {
    workingRecord.jobFlags &= static_cast<uint16_t>(~kJobQdrsOutput);
    CheckRadioButton(d, IDC_LANGUAGE_HPGL, IDC_LANGUAGE_QDRS, IDC_LANGUAGE_HPGL);
    EnableControls(d, {IDC_LANGUAGE_GROUP, IDC_LANGUAGE_HPGL, IDC_LANGUAGE_QDRS}, false);
  }
  SendDlgItemMessageA(d, IDC_COPIES, EM_LIMITTEXT, 2, 0);
  SetUpDown(d, IDC_COPIES_ARROWS, 1, kMaxCopies, workingRecord.copies);
  SetDlgItemInt(d, IDC_COPIES, static_cast<UINT>(workingRecord.copies), FALSE);
  SendDlgItemMessageA(d, IDC_MARGIN, EM_LIMITTEXT, 2, 0);
  SetUpDown(d, IDC_MARGIN_ARROWS, 0, 10, workingRecord.margin);
  SetDlgItemInt(d, IDC_MARGIN, static_cast<UINT>(workingRecord.margin), FALSE);
  if (Has(model.hasRedPrinting) && (workingRecord.jobFlags & kJobRedPrinting) != 0)
    ShowRedPen(d);
  else
    EnableControls(d, {IDC_RED_PEN_LABEL, IDC_RED_PEN}, false);
  ShowCustomLength(d, false);
  if (!labelShown) return;
  if (Has(model.hasLabel)) {
    SendDlgItemMessageA(d, IDC_LABEL, EM_LIMITTEXT, kMaxLabelLength, 0);
    SetDlgItemTextA(d, IDC_LABEL, labelText);
  } else {
    EnableControls(d, {IDC_LABEL_LABEL, IDC_LABEL_HINT, IDC_LABEL}, false);
  }
}

int32_t RecordValue(int32_t id) {
  switch (id) {
    case IDC_COPIES:
      return workingRecord.copies;
    case IDC_MARGIN:
      return workingRecord.margin;
    case IDC_LENGTH:
      return workingRecord.customLength;
    default:
      return workingRecord.redPen;
  }
}

void SetRecordValue(int32_t id, int32_t value) {
  switch (id) {
    case IDC_COPIES:
      workingRecord.copies = value;
      break;
    case IDC_MARGIN:
      workingRecord.margin = static_cast<int16_t>(value);
      break;
    case IDC_LENGTH:
      workingRecord.customLength = value;
      break;
    default:
      workingRecord.redPen = value;
      break;
  }
}

// A value in range is taken; one out of range puts the record's value back
// into the field and says what is allowed.
void ReadNumberField(HWND d, const NumberField& f) {
  BOOL isNumber = FALSE;
  UINT value = GetDlgItemInt(d, f.id, &isNumber, FALSE);
  if (!isNumber && !f.textReadsAsZero) return;
  if (!isNumber) value = 0;
  if (value == 0 && f.textReadsAsZero) return;
  const int32_t highest =
      f.highest != 0 ? f.highest : PaperAt(currentModel, workingRecord.paperSize).maxCustomLength;
  if (value >= static_cast<UINT>(f.lowest) && value <= static_cast<UINT>(highest)) {
    SetRecordValue(f.id, static_cast<int32_t>(value));
    return;
  }
  SetDlgItemInt(d, f.id, static_cast<UINT>(RecordValue(f.id)), FALSE);
  char message[128];
  std::snprintf(message, sizeof message, f.message, highest);
  MessageBoxA(d, message, f.caption, MB_OK | MB_ICONEXCLAMATION);
}

void HandleNumberField(HWND d, const NumberField& f) {
  ReadNumberField(d, f);
  if (f.id == IDC_COPIES)
    SendDlgItemMessageA(d, IDC_COPIES_ARROWS, UDM_SETPOS, 0,
                        MAKELPARAM(static_cast<WORD>(workingRecord.copies), 0));
  if (f.id == IDC_MARGIN)
    SendDlgItemMessageA(d, IDC_MARGIN_ARROWS, UDM_SETPOS, 0,
                        MAKELPARAM(static_cast<WORD>(workingRecord.margin), 0));
}

// The label goes into the job header inside double quotes: printable ASCII
// only, and never a double quote, which would end it early.
bool LabelCharacterAllowed(unsigned char c) {
  return c >= 0x20 && c < 0x7F && c != '"';
}

void HandleLabelLeft(HWND d) {
  char text[kMaxLabelLength + 1] = {};
  GetDlgItemTextA(d, IDC_LABEL, text, sizeof text);
  for (const char* p = text; *p != '\0'; ++p) {
    if (LabelCharacterAllowed(static_cast<unsigned char>(*p))) continue;
    SetDlgItemTextA(d, IDC_LABEL, "");
    SetFocus(GetDlgItem(d, IDC_LABEL));
    MessageBoxA(d, kLabelMessage, kLabelCaption, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  std::memcpy(labelText, text, sizeof text);
}

void ChooseLanguage(HWND d, bool qdrs) {
  if (qdrs) {
    workingRecord.jobFlags |= kJobQdrsOutput;
    const uint16_t bits = workingRecord.jobFlags & kJobResolutionMask;
    if (bits == kJob600Dpi || bits == kJob300Dpi) {
      SetResolution(kJob400Dpi);
      CheckRadioButton(d, IDC_600_DPI, IDC_200_DPI, IDC_400_DPI);
    }
    EnableControls(d, {IDC_600_DPI, IDC_300_DPI}, false);
  } else {
    workingRecord.jobFlags &= static_cast<uint16_t>(~kJobQdrsOutput);
    EnableControls(d, {IDC_300_DPI}, true);
    if (Has(Model().has600Dpi)) EnableControls(d, {IDC_600_DPI}, true);
  }
  if (Has(Model().hasMediaTypes)) ShowMediaTypes(d, openingMediaType);
}

void ChooseRedPrinting(HWND d, bool on) {
  if (!Has(Model().hasRedPrinting)) return;
  if (on) {
    workingRecord.jobFlags |= kJobRedPrinting;
    EnableControls(d, {IDC_RED_PEN_LABEL, IDC_RED_PEN}, true);
    ShowRedPen(d);
  } else {
    workingRecord.jobFlags &= static_cast<uint16_t>(~kJobRedPrinting);
    EnableControls(d, {IDC_RED_PEN_LABEL, IDC_RED_PEN}, false);
  }
}

void HandleCommand(HWND d, int id, WORD code) {
  for (const NumberField& f : kNumberFields)
    if (f.id == id) return HandleNumberField(d, f);
  switch (id) {
    case IDC_PAPER_SIZE:
      if (code == CBN_SELCHANGE) {
        const auto position = static_cast<int32_t>(SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0));
        if (position >= 0) workingRecord.paperSize = position + 1;
      }
      // Any notification of the list, a change of focus among them.
      if (Has(PaperAt(currentModel, workingRecord.paperSize).allowsCustomLength))
        ShowCustomLength(d, true);
      else
        EnableControls(d, {IDC_LENGTH_LABEL, IDC_LENGTH}, false);
      return;
    case IDC_MEDIA:
      if (code == CBN_SELCHANGE) {
        const auto position = static_cast<int32_t>(SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0));
        if (position >= 0) workingRecord.mediaType = static_cast<int16_t>(position);
      }
      return;
    case IDC_LABEL:
      if (code == EN_KILLFOCUS && labelShown && Has(Model().hasLabel)) HandleLabelLeft(d);
      return;
    case IDC_FILL_SOLID:
      workingRecord.plotFlags &= static_cast<uint16_t>(~kPlotHalftoneFill);
      return;
    case IDC_FILL_HALFTONE:
      workingRecord.plotFlags |= kPlotHalftoneFill;
      return;
    case IDC_600_DPI:
      return SetResolution(kJob600Dpi);
    case IDC_400_DPI:
      return SetResolution(kJob400Dpi);
    case IDC_300_DPI:
      return SetResolution(kJob300Dpi);
    case IDC_200_DPI:
      return SetResolution(kJob200Dpi);
    case IDC_RED_ON:
      return ChooseRedPrinting(d, true);
    case IDC_RED_OFF:
      return ChooseRedPrinting(d, false);
    case IDC_LANGUAGE_HPGL:
      return ChooseLanguage(d, false);
    case IDC_LANGUAGE_QDRS:
      return ChooseLanguage(d, true);
    case IDC_BRIGHTNESS:
      BrightnessDialog(d);
      for (int32_t k = 0; k < 5; ++k)
        workingRecord.toneLevels[k] = static_cast<uint8_t>(CurveLevels[k]);
      return;
    case IDC_ABOUT:
      AboutDialog(d);
      return;
    case IDC_OPTIONS:
      OptionsDialog(d, labelShown ? "OPTIONCFG2_POR" : "OPTIONCFG1_POR");
      return;
    case IDOK:
      configRecord = workingRecord;
      copyCount = configRecord.copies;
      EndDialog(d, kDialogOk);
      return;
    case IDCANCEL:
      EndDialog(d, kDialogCancelled);
      return;
    default:
      return;
  }
}

INT_PTR CALLBACK ConfigDialogProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OpenDialog(d);
      return TRUE;
    case WM_COMMAND:
      HandleCommand(d, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_VSCROLL: {
      const auto arrows = reinterpret_cast<HWND>(lParam);
      if (arrows == GetDlgItem(d, IDC_COPIES_ARROWS)) {
        workingRecord.copies = static_cast<int16_t>(
            LOWORD(SendDlgItemMessageA(d, IDC_COPIES_ARROWS, UDM_GETPOS, 0, 0)));
        SetDlgItemInt(d, IDC_COPIES, static_cast<UINT>(workingRecord.copies), FALSE);
        SendDlgItemMessageA(d, IDC_COPIES, EM_SETSEL, 0, -1);
      } else if (arrows == GetDlgItem(d, IDC_MARGIN_ARROWS)) {
        workingRecord.margin = static_cast<int16_t>(
            LOWORD(SendDlgItemMessageA(d, IDC_MARGIN_ARROWS, UDM_GETPOS, 0, 0)));
        SetDlgItemInt(d, IDC_MARGIN, static_cast<UINT>(workingRecord.margin), FALSE);
        SendDlgItemMessageA(d, IDC_MARGIN, EM_SETSEL, 0, -1);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

int32_t RunConfigDialog(const char* name, bool withLabel) {
  labelShown = withLabel;
  const INT_PTR result =
      DialogBoxParamA(static_cast<HINSTANCE>(moduleHandle), name, nullptr, ConfigDialogProc, 0);
  return result == kDialogOk ? kDialogOk : kDialogCancelled;
}

}  // namespace

int32_t MainConfigDialog() {
  return RunConfigDialog("DRIVERCFG2_POR", true);
}

int32_t DetailConfigDialog() {
  return RunConfigDialog("DETAILCFG2_POR", false);
}
