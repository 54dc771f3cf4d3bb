// The graphics requests that prepare a drawing: reset, configuration fetch,
// the main dialog with its plot area, the host's plot area, the paper list,
// and the legend and settings summary printed in the host's text window.
#include "vector/drawing_setup.h"

#include <cmath>
#include <cstring>

#include "config/dialogs.h"
#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "config/tone.h"
#include "host/control.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "output/buffer.h"
#include "platform/module.h"
#include "vector/state.h"

uint8_t paperListDue = 0;
char paperNames[kPaperListSize][kPaperNameSize];
int32_t paperCount = 0;

namespace {

constexpr char kLargestAreaName[4] = "MAX";

constexpr int16_t kDefaultPen = 7;

// Table texts may fill their fields to the last byte; they are printed from a
// terminated copy.
template <size_t N>
struct TerminatedText {
  char text[N + 1];
};
template <size_t N>
TerminatedText<N> Terminated(const char (&field)[N]) {
  TerminatedText<N> t;
  std::memcpy(t.text, field, N);
  t.text[N] = '\0';
  return t;
}

void WriteAnswerBytes(uint8_t* p) {
  WriteU8(p, kCapabilities.answerTwo, 2);
  WriteU8(p, kCapabilities.answerZero, 0);
}

// Lengths and units from the host end up in the plot's unit counts; a value
// that is no length at all (negative, infinite, not a number) is taken as none.
double HostLength(const uint8_t* p, int32_t offset) {
  const double v = ReadF64(p, offset);
  return std::isfinite(v) && v >= 0 ? v : 0;
}

const char* PaperNameOf(int32_t paperSize) {
  return paperSize >= 1 && paperSize <= paperCount ? paperNames[paperSize - 1] : "";
}

const char* ResolutionMessage(uint16_t jobFlags) {
  switch (jobFlags & kJobResolutionMask) {
    case kJob600Dpi:
      return MessageText(kMsg600Dpi);
    case kJob400Dpi:
      return MessageText(kMsg400Dpi);
    case kJob300Dpi:
      return MessageText(kMsg300Dpi);
    default:
      return MessageText(kMsg200Dpi);
  }
}

void PrintFinisherSettings(const ConfigRecord& r) {
  HostPrintMessage("\n %s%s ", MessageText(kMsgProgram),
                   Terminated(FinishProgramAt(currentModel, r.finishProgram).name).text);
  if (r.finishProgram == 0) return;
  HostPrintMessage("\n %s%s ", MessageText(kMsgMargins),
                   Terminated(FinishMarginsAt(currentModel, r.finishMargins).name).text);
  HostPrintMessage("\n %s%s ", MessageText(kMsgOutputBin),
                   Terminated(FinishBinAt(currentModel, r.finishBin).name).text);
}

}  // namespace

void BuildPaperList() {
  paperCount = 0;
  const int32_t count = PaperCount(currentModel);
  for (int32_t size = 1; size <= count && paperCount < kPaperListSize; ++size) {
    const char* name = PaperAt(currentModel, size).name;
    const size_t length = strnlen(name, kPaperNameSize - 1);
    std::memcpy(paperNames[paperCount], name, length);
    paperNames[paperCount][length] = '\0';
    ++paperCount;
  }
}

// 15: the line-type legend, one line per line type.
void RequestLineTypeLegend(uint8_t*) {
  HostPrintMessage("\n%s", MessageText(kMsgLineTypeLegend));
  for (int32_t k = 1; k <= 7; ++k)
    HostPrintMessage("\n                %d%s", k, MessageText(kMsgLineTypeLegend + k));
  HostPrintMessage("\n");
}

// 31: the settings summary, one line per setting. The paper name comes from
// the list built after the reset; a size outside that list prints no name.
// Messages that stand as a whole line go through "%s", so no text is ever read
// as a format.
void RequestSummary(uint8_t*) {
  const ConfigRecord& r = configRecord;
  const ModelEntry& model = ModelAt(currentModel);
  const MediaEntry& media = MediaAt(currentModel, r.mediaType);
  HostPrintMessage(" %s", MessageText(kMsgPlotter));
  HostPrintMessage("%s", Terminated(model.name).text);
  if (Has(model.hasMediaTypes))
    HostPrintMessage("\n %s%s ", MessageText(kMsgMediaType),
                     QdrsOutput() ? Terminated(media.qdrsName).text : Terminated(media.name).text);
  HostPrintMessage("\n %s%s ", MessageText(kMsgPaperSize), PaperNameOf(r.paperSize));
  HostPrintMessage("\n %s", MessageText(QdrsOutput() ? kMsgQdrsOutput : kMsgHpglOutput));
  if (Has(model.hasFinisher)) PrintFinisherSettings(r);
  if (Has(model.hasRedPrinting))
    HostPrintMessage("\n %s", MessageText((r.jobFlags & kJobRedPrinting) != 0 ? kMsgRedPrinting
                                                                              : kMsgNoRedPrinting));
  if (Has(model.hasManualOutput))
    HostPrintMessage(
        "\n %s",
        MessageText((r.jobFlags & kJobManualOutput) != 0 ? kMsgManualOutput : kMsgNoManualOutput));
  HostPrintMessage("\n %s", MessageText((r.plotFlags & kPlotHalftoneFill) != 0 ? kMsgHalftoneFill
                                                                               : kMsgSolidFill));
  HostPrintMessage("\n %s", MessageText(kMsgResolution));
  HostPrintMessage("%s", ResolutionMessage(r.jobFlags));
  HostPrintMessage("\n %s%2d ", MessageText(kMsgCopies), copyCount);
  HostPrintMessage("\n %s", MessageText(kMsgPort));
  HostPrintMessage("%s", MessageText(kMsgParallel));
  HostPrintMessage("\n");
}

// 29: the record at the start of a drawing.
void RequestConfigFetch(uint8_t* p) {
  if (driverErrorState != 0) return WriteU16(p, kStatusAt, kStatusFailed);
  WriteU16(p, kStatusAt, kStatusOk);
  if (ReadI16(p, kHandshake.level) < kInterfaceLevel) {
    ReportMessage(kMsgWrongVersion);
    driverErrorState = kErrorRefused;
    return WriteU16(p, kStatusAt, kStatusFailed);
  }
  if (FetchConfigRecord() != 0) {
    ReportMessage(kMsgFetchFailed);
    driverErrorState = kErrorRefused;
    return WriteU16(p, kStatusAt, kStatusFailed);
  }
  // The fetch has already put copies above 99 back to 1.
  currentModel = configRecord.modelIndex;
  copyCount = configRecord.copies;
  WriteU16(p, kHandshake.level, kInterfaceLevel);
  WriteU16(p, kHandshake.zero, 0);
  hostWindow = ReadAddress(p, kHandshake.window);
  labelText[0] = '\0';
  LoadCurveLevels(configRecord.toneLevels);
  ApplyToneCurve();
}

// 46: the main dialog, then the plot area and units it leads to; the record is
// saved whatever the dialog's result.
void RequestConfigure(uint8_t* p) {
  if (driverErrorState != 0) return WriteU16(p, kStatusAt, kStatusFailed);
  WriteU16(p, kStatusAt, kStatusOk);
  hostFlagWord = ReadU32(p, kPlotArea.hostFlags);
  WriteAnswerBytes(p);
  if (FindOwnModule() != nullptr) MainConfigDialog();
  const PlotArea area = WorkOutPlotArea();
  usableLength = area.length;
  usableWidth = area.width;
  WriteF64(p, kPlotArea.length, usableLength);
  WriteF64(p, kPlotArea.largestLength, usableLength);
  WriteF64(p, kPlotArea.width, usableWidth);
  WriteF64(p, kPlotArea.largestWidth, usableWidth);
  unitsPerInch[0] = UnitsPerInchFor(sizeFactor);
  unitsPerInch[1] = unitsPerInch[0];
  WriteF64(p, kPlotArea.unitsAlongLength, unitsPerInch[0]);
  WriteF64(p, kPlotArea.unitsAlongWidth, unitsPerInch[1]);
  std::memcpy(p + kPlotArea.areaName, kLargestAreaName, sizeof kLargestAreaName);
  WriteU16(p, kStatusAt, kStatusAreaAnswered);
  // The host refuses the save: report it and block output; the answered
  // geometry stays in the packet.
  if (HostSaveConfig(kConfigRecordSize, &configRecord) != 0) {
    ReportMessage(kMsgSaveFailed);
    driverErrorState = kErrorRefused;
    WriteU16(p, kStatusAt, kStatusFailed);
  }
}

// 47: the plot area the host settled on. The status is not answered.
void RequestPlotArea(uint8_t* p) {
  if (driverErrorState != 0) return WriteU16(p, kStatusAt, kStatusFailed);
  usableLength = HostLength(p, kPlotArea.length);
  usableWidth = HostLength(p, kPlotArea.width);
  if (QdrsOutput()) shortCoordinates = IsSmallSheet(usableLength, usableWidth);
  WriteU8(p, kCapabilities.answerTwo, 2);
  hostFlagWord = ReadU32(p, kPlotArea.hostFlags);
}

// 48: after a reset, the paper list and the plot area; the host's area is
// kept unless it asks for at least the largest one in both directions.
void RequestPaperList(uint8_t* p) {
  if (driverErrorState != 0) return WriteU16(p, kStatusAt, kStatusFailed);
  WriteU16(p, kStatusAt, kStatusOk);
  hostFlagWord = ReadU32(p, kPlotArea.hostFlags);
  if (paperListDue != 1) return;
  paperListDue = 0;
  BuildPaperList();
  WriteAnswerBytes(p);
  if (configRecord.paperSize < 1 || configRecord.paperSize > paperCount) configRecord.paperSize = 1;
  const PlotArea area = WorkOutPlotArea();
  WriteF64(p, kPlotArea.largestLength, area.length);
  WriteF64(p, kPlotArea.largestWidth, area.width);
  if (area.length <= ReadF64(p, kPlotArea.length) && area.width <= ReadF64(p, kPlotArea.width)) {
    WriteF64(p, kPlotArea.length, area.length);
    WriteF64(p, kPlotArea.width, area.width);
    std::memcpy(p + kPlotArea.areaName, kLargestAreaName, sizeof kLargestAreaName);
  }
  usableLength = HostLength(p, kPlotArea.length);
  usableWidth = HostLength(p, kPlotArea.width);
  unitsPerInch[0] = HostLength(p, kPlotArea.unitsAlongLength);
  unitsPerInch[1] = HostLength(p, kPlotArea.unitsAlongWidth);
  if (QdrsOutput()) shortCoordinates = IsSmallSheet(usableLength, usableWidth);
  WriteU16(p, kStatusAt, kStatusAreaAnswered);
}

// 49: a new drawing starts from a clean state. A buffer left by a plot in
// progress is released here, not forgotten.
void RequestReset(uint8_t* p) {
  paperListDue = 1;
  previousHostSetting = -1;
  driverErrorState = 0;
  plotOpen = 0;
  OutClose();
  usableLength = 0;
  usableWidth = 0;
  penReselectDue = 0;
  defaultPen = kDefaultPen;
  VersionCheck(p);
}
