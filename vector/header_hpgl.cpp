#include "vector/header_hpgl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "host/services.h"
#include "output/buffer.h"
#include "output/hpgl.h"
#include "vector/job_parts.h"
#include "vector/palette.h"
#include "vector/state.h"

namespace {

// hostFlagWord: the host drives the serial port's handshake itself.
constexpr uint32_t kHostOwnsHandshake = 0x0040;

constexpr int32_t kMaxLabelLength = static_cast<int32_t>(sizeof labelText) - 1;

// The finisher program that feeds sheets by hand takes no margins or bin.
constexpr char kManualFeedLine[] = "@PJL DEFAULT FINISHPROGID=BYPASS\r\n";

// A device-table text written as stored, never past the end of its field.
template <size_t N>
int32_t WriteField(const char (&field)[N]) {
  const size_t length = strnlen(field, N);
  if (length == 0) return 0;
  return OutWriteBytes(static_cast<int32_t>(length), field);
}

// The serial port's device-control escapes: reset the handshake; Xon/Xoff
// with the characters 17 (on) and 19 (off); the handshake by the port's
// control lines, off or on.
constexpr char kPortReset[] = "\x1b.R";
constexpr char kPortXon[] = "\x1b.I81;0;17:";
constexpr char kPortXoff[] = "\x1b.N10;19:";
constexpr char kPortControlLinesOff[] = "\x1b.@;0:";
constexpr char kPortControlLinesOn[] = "\x1b.@;1:";

// Port set-up for a plotter on a serial line: reset the port's handshake, then
// either Xon/Xoff or the port's control lines. It goes to the port itself, not
// into the plot data.
void SendSerialHandshake() {
  if ((hostFlagWord & kHostOwnsHandshake) != 0) return;
  if ((configRecord.plotFlags & kPlotSerialPort) == 0) return;
  switch (configRecord.plotFlags & kPlotHandshakeMask) {
    case kPlotHandshakeXonXoff:
      HostSendDeviceControl(kPortReset);
      HostSendDeviceControl(kPortXon);
      HostSendDeviceControl(kPortXoff);
      HostSendDeviceControl(kPortControlLinesOff);
      break;
    case kPlotHandshakeHardware:
      HostSendDeviceControl(kPortReset);
      HostSendDeviceControl(kPortControlLinesOn);
      break;
    default:  // no handshake
      break;
  }
}

int32_t WriteFinisherLines() {
  if (!Has(ModelAt(currentModel).hasFinisher)) return 0;
  const FinishEntry& program = FinishProgramAt(currentModel, configRecord.finishProgram);
  if (WriteField(program.pjlLine) < 0) return -1;
  if (std::strncmp(program.pjlLine, kManualFeedLine, sizeof program.pjlLine) == 0) return 0;
  if (WriteField(FinishMarginsAt(currentModel, configRecord.finishMargins).pjlLine) < 0) return -1;
  return WriteField(FinishBinAt(currentModel, configRecord.finishBin).pjlLine);
}

// BP: the copies, and the label as the job's name.
int32_t WriteCopiesAndLabel() {
  const int32_t length = LabelLength();
  if (length == 0) return OutWriteFormat("BP2,%d;IN;", JobCopies());
  char label[kMaxLabelLength + 1];
  std::memcpy(label, labelText, length);
  label[length] = '\0';
  return OutWriteFormat("BP1,\"%s\",2,%d;IN;", label, JobCopies());
}

int32_t WriteMediaType() {
  if (!Has(ModelAt(currentModel).hasMediaTypes)) return 0;
  return WriteField(MediaAt(currentModel, configRecord.mediaType).command);
}

// The sheet's numbers go out with "%ld" as 32-bit numbers, as the 32-bit
// library has always printed them. A sum past that range (only a host's absurd
// units make one) stands at its nearest limit, so every build prints the same
// digits and none prints a wrapped, negative size.
long SheetNumber(int64_t value) {
  return static_cast<long>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// PS: the whole sheet, given along the paper feed first.
int32_t WritePlotSize() {
  const long along = SheetNumber(int64_t{plotLengthUnits} + 2 * int64_t{marginUnits});
  const long across = SheetNumber(int64_t{plotWidthUnits} + 2 * int64_t{marginUnits});
  if (widthAtLeastLength == 0) return OutWriteFormat("PS%ld,%ld", along, across);
  return OutWriteFormat("PS%ld,%ld", across, along);
}

// IP: the scaling points at the corners of the usable area.
int32_t WriteScalingPoints() {
  const int64_t m = marginUnits;
  return OutWriteFormat("IP%ld,%ld,%ld,%ld", SheetNumber(m), SheetNumber(m),
                        SheetNumber(plotLengthUnits + m), SheetNumber(plotWidthUnits + m));
}

// SC: one user unit is one plotter step, the origin at the usable corner.
int32_t WriteScale() {
  return OutWriteFormat("SC0,%ld,0,%ld", SheetNumber(plotLengthUnits), SheetNumber(plotWidthUnits));
}

// IW: the input window, kept because an image sets its own and must restore it.
int32_t WriteInputWindow() {
  char window[64];
  std::snprintf(window, sizeof window, "IW0,0,%ld,%ld;", SheetNumber(plotLengthUnits),
                SheetNumber(plotWidthUnits));
  KeepText(lastWindowCommand, window);
  return OutWriteString(window);
}

// XF: whether the sheet is taken off by hand.
int32_t WriteManualOutput() {
  if (!Has(ModelAt(currentModel).hasManualOutput)) return 0;
  return OutWriteString((configRecord.jobFlags & kJobManualOutput) != 0 ? "XF4,1;" : "XF4,0;");
}

// The polyline instruction of this plot: its numbers in seven or eight bits.
void ChoosePolylineCommand() {
  const bool eightBit = (configRecord.plotFlags & kPlotEightBitEncoding) != 0;
  std::snprintf(polylineCommand, sizeof polylineCommand, "%s", eightBit ? "PE" : "PE7");
}

}  // namespace

int32_t WriteHpglJobHeader() {
  ChoosePolylineCommand();
  SendSerialHandshake();
  if (OutWriteFormat("%s@PJL\r\n", kPjlUniversalExit) < 0) return -1;
  if (WriteFinisherLines() < 0) return -1;
  if (OutWriteString(kPjlEnterHpgl2) < 0) return -1;
  if (OutWriteFormat("%s;", kEnterHpgl2) < 0) return -1;
  if (WriteCopiesAndLabel() < 0) return -1;
  if (WriteMediaType() < 0) return -1;
  WorkOutPlotUnits();
  if (WritePlotSize() < 0) return FailHeader();
  if (WriteScalingPoints() < 0) return FailHeader();
  if (WriteScale() < 0) return FailHeader();
  if (WriteInputWindow() < 0) return FailHeader();
  if (WriteManualOutput() < 0) return -1;  // the error state stays as the stream left it
  // Round line ends and joins, pen 7, fill patterns reset; then 256 pens.
  if (OutWriteString("LA1,4,2,4SP7RF") < 0) return FailHeader();
  if (OutWriteString("NP256") < 0) return FailHeader();
  if (OutWriteString("CR0,255,0,255,0,255") < 0) return FailHeader();  // colour range
  if (WritePenPalette(true, OutWriteString) < 0) return FailHeader();
  if (OutWriteString("PUPA0,0PR;") < 0) return FailHeader();  // at the origin, relative moves
  if (OutWriteString("TR0;") < 0) return FailHeader();        // transparency off
  return 0;
}

void WriteHpglTrailer() {
  OutWriteString(";PUSP0;PG;");  // close the polyline, put the pen away, end the page
  OutWriteFormat("%s\r\n", kPjlUniversalExit);
}
