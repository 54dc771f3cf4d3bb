#include "host/setup.h"

#include "config/dialogs.h"
#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "config/tone.h"
#include "host/protocol.h"
#include "host/services.h"
#include "platform/module.h"

namespace {

// The grey levels at which the default tone table gives the five curve levels.
constexpr int32_t kToneLevelInputs[5] = {0, 64, 128, 192, 255};

// Defaults are never saved here: the host keeps whatever it stored until the
// user saves from a dialog.
void ApplyPlotDefaults() {
  SetConfigDefaults(configRecord, currentModel);
  ResetToneTable();
  for (int32_t k = 0; k < 5; ++k) {
    configRecord.toneLevels[k] = GetToneLevel(kToneLevelInputs[k]);
    CurveLevels[k] = configRecord.toneLevels[k];
  }
  ApplyToneCurve();
  configRecord.plotFlags |= kPlotHalftoneFill;
  configRecord.jobFlags |= Has(ModelAt(currentModel).has600Dpi) ? kJob600Dpi : kJob400Dpi;
}

// A record stored for another model, or one the host cannot hand over, gives
// way to the defaults, and so does a host that asks for them.
void TakeRecordOrDefaults(const uint8_t* p) {
  const bool defaultsAsked = ReadU16(p, kPlotSetUp.resetAsked) == 1;
  if (defaultsAsked || configRecord.modelIndex != currentModel || FetchConfigRecord() != 0)
    ApplyPlotDefaults();
}

// The host's port answers, written before the dialog may change the record.
void WritePortAnswers(uint8_t* p) {
  const bool serial = (configRecord.plotFlags & kPlotSerialPort) != 0;
  WriteU16(p, kPlotSetUp.answer395, 395);
  WriteU16(p, kPlotSetUp.portKind, serial ? 1 : 2);
  WriteU16(p, kPlotSetUp.baudRate, 9600);
  WriteU16(p, kPlotSetUp.parity, 0);
  WriteU16(p, kPlotSetUp.dataBits, 8);
  WriteU16(p, kPlotSetUp.stopBits, 1);
  WriteU8(p, kPlotSetUp.lastByte, 0);
}

void WriteGeometry(uint8_t* p) {
  const PlotArea area = WorkOutPlotArea();
  usableLength = area.length;
  usableWidth = area.width;
  WriteF64(p, kPlotSetUp.length, usableLength);
  WriteF64(p, kPlotSetUp.width, usableWidth);
  unitsPerInch[0] = UnitsPerInchFor(sizeFactor);
  unitsPerInch[1] = unitsPerInch[0];
  WriteF64(p, kPlotSetUp.unitsAlongLength, unitsPerInch[0]);
  WriteF64(p, kPlotSetUp.unitsAlongWidth, unitsPerInch[1]);
}

}  // namespace

uint16_t PlotSetUp() {
  uint8_t* p = currentPacket;
  TakeRecordOrDefaults(p);
  WritePortAnswers(p);
  if (FindOwnModule() != nullptr) DetailConfigDialog();
  WriteU16(p, kPlotSetUp.answeredLength, kPlotSetUp.size);
  WriteGeometry(p);
  WriteU16(p, kPlotSetUp.answer255, 255);
  WriteU16(p, kPlotSetUp.answer1, 1);
  WriteU16(p, kPlotSetUp.answer7, 7);
  // Images are screened through the curve of the record as it now stands.
  LoadCurveLevels(configRecord.toneLevels);
  ApplyToneCurve();
  return 0;
}
