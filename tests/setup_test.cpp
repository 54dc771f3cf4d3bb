// The plot set-up (control request 21): record or defaults, the answered
// sheet and units, and the tone table that follows the record.
#include <gtest/gtest.h>

#include "config/tone.h"
#include "driver_fixture.h"
#include "golden.h"
#include "host/protocol.h"

namespace {

using namespace std::string_literals;

// A previous run saved the defaults with `edit` applied.
template <typename Edit>
void StoreEdited(Edit edit) {
  ConfigRecord r{};
  SetConfigDefaults(r, 0);
  edit(r);
  uint8_t raw[40];
  std::memcpy(raw, &r, 40);
  StoreRecord(raw);
}

Packet SetUpPlot(const DriverLink& d, uint16_t defaultsAsked = 0) {
  Packet p = MakePacket(kControlPlotSetUp);
  std::memset(p.data() + 2, 0xEE, p.bytes.size() - 2);
  WriteU16(p.data(), kPlotSetUp.resetAsked, defaultsAsked);
  Control(d, p);
  return p;
}

void ExpectSheet(const Packet& p, double length, double width, double units) {
  EXPECT_NEAR(ReadF64(p.bytes.data(), kPlotSetUp.length), length, 1e-4);
  EXPECT_NEAR(ReadF64(p.bytes.data(), kPlotSetUp.width), width, 1e-4);
  EXPECT_EQ(ReadF64(p.bytes.data(), kPlotSetUp.unitsAlongLength), units);
  EXPECT_EQ(ReadF64(p.bytes.data(), kPlotSetUp.unitsAlongWidth), units);
}

TEST(PlotSetUp, RecordOrDefaultsAndTheSheetTheyGive) {
  const DriverLink d = ResetDriver();
  configRecord.copies = 42;
  Packet p = SetUpPlot(d);
  ExpectSheet(p, 48.0, 36.0, 1016.0);
  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(configRecord.plotFlags, 0x1000);
  EXPECT_EQ(configRecord.jobFlags, 0x1100) << "600 dpi, and the sheet is longer than wide";
  EXPECT_EQ(0, std::memcmp(configRecord.toneLevels, "\x00\x7B\xBB\xE4\xFF", 5));
  EXPECT_EQ(ToneTable[64], 103) << "the curve through the default levels";
  // Offsets 0 to 5 and 40 to 58 are answered; 59 stays as the host left it.
  EXPECT_BYTES(std::string(p.bytes.begin(), p.bytes.begin() + 6), "\0\0\x3B\0\xEE\xEE"s);
  EXPECT_BYTES(std::string(p.bytes.begin() + 40, p.bytes.begin() + 60),
               "\x8B\x01\xFF\0\x01\0\x07\0\x02\0\x80\x25\0\0\x08\0\x01\0\0\xEE"s);

  StoreEdited([](ConfigRecord& r) { r.copies = 5, r.margin = 10; });
  ExpectSheet(SetUpPlot(d, 1), 48.0, 36.0, 1016.0);
  EXPECT_EQ(std::pair(hostLog.getCalls, hostLog.saveCalls), std::pair(1, 0)) << "no fetch, no save";
  configRecord.modelIndex = 1;
  configRecord.copies = 8;
  SetUpPlot(d);
  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(hostLog.getCalls, 1) << "a record of another model is not fetched over";
  EXPECT_EQ(configRecord.modelIndex, 1) << "the defaults keep the model index";

  configRecord.modelIndex = 0;
  ExpectSheet(SetUpPlot(d, 2), 47.2126, 35.2126, 1016.0);  // any value but 1 takes the record
  EXPECT_EQ(configRecord.copies, 5);

  StoreEdited([](ConfigRecord& r) { r.jobFlags = 0x0140; });
  ExpectSheet(SetUpPlot(d), 48.0, 36.0, 800.0);
  StoreEdited([](ConfigRecord& r) { r.paperSize = 24, r.customLength = 500; });
  ExpectSheet(SetUpPlot(d), 30.0, 19.6850, 1016.0);
  StoreEdited([](ConfigRecord& r) { r.paperSize = 24, r.customLength = 3000; });
  ExpectSheet(SetUpPlot(d), 118.1102, 30.0, 508.0);
  StoreEdited([](ConfigRecord& r) { r.plotFlags = 0x1001; });
  EXPECT_EQ(ReadU16(SetUpPlot(d).data(), kPlotSetUp.portKind), 1) << "serial port";
  StoreEdited([](ConfigRecord& r) { std::memcpy(r.toneLevels, "\x0A\x3C\x78\xC8\xF0", 5); });
  SetUpPlot(d);
  EXPECT_EQ(ToneTable[0], 10) << "the curve through the record's levels";
}

}  // namespace
