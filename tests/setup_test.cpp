// The plot set-up (control request 21): record or defaults, the answered
// sheet and units, and the tone table that follows the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver_fixture.h"
#include "golden.h"
#include "host/packet.h"
#include "raster/tone.h"

namespace {

constexpr double kInchesPerMm = 0.03937007874015748;

void StoreConfig(const ConfigRecord& record) {
  uint8_t raw[40];
  std::memcpy(raw, &record, 40);
  StoreRecord(raw);
}

// The record that a previous run saved: the defaults with some changes.
ConfigRecord StoredDefaults() {
  ConfigRecord r{};
  SetConfigDefaults(r, 0);
  return r;
}

Packet SetUpPlot(const DriverLink& d, uint16_t defaultsAsked = 0) {
  Packet p = MakePacket(21);
  std::memset(p.data() + 2, 0xEE, p.bytes.size() - 2);
  WriteU16(p.data(), 6, defaultsAsked);
  Control(d, p);
  return p;
}

TEST(PlotSetUp, DefaultsWhenTheHostHoldsNoRecord) {
  const DriverLink d = ResetDriver();
  configRecord.copies = 42;
  configRecord.margin = 7;
  std::memset(configRecord.toneLevels, 9, 5);
  Packet p = SetUpPlot(d);

  EXPECT_EQ(p.status(), kStatusOk);
  EXPECT_EQ(hostLog.getCalls, 1);
  EXPECT_EQ(hostLog.saveCalls, 0) << "defaults are not saved";
  EXPECT_EQ(ReadF64(p.data(), 8), 48.0);
  EXPECT_EQ(ReadF64(p.data(), 16), 36.0);
  EXPECT_EQ(ReadF64(p.data(), 24), 1016.0);
  EXPECT_EQ(ReadF64(p.data(), 32), 1016.0);
  EXPECT_EQ(sizeFactor, 1);
  EXPECT_EQ(usableLength, 48.0);
  EXPECT_EQ(usableWidth, 36.0);
  EXPECT_EQ(unitsPerInch[0], 1016.0);
  EXPECT_EQ(unitsPerInch[1], 1016.0);
  EXPECT_EQ(widthAtLeastLength, 0);

  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(configRecord.margin, 0);
  EXPECT_EQ(configRecord.customLength, 396);
  EXPECT_EQ(configRecord.plotFlags, 0x1000);
  EXPECT_EQ(configRecord.jobFlags, 0x1100) << "600 dpi, and the sheet is longer than wide";
  const uint8_t levels[5] = {0, 123, 187, 228, 255};
  EXPECT_EQ(0, std::memcmp(configRecord.toneLevels, levels, 5));
  for (int k = 0; k < 5; ++k) EXPECT_EQ(CurveLevels[k], levels[k]);
  // The curve through the default levels, not the default table itself.
  EXPECT_EQ(ToneTable[64], 103);
  EXPECT_EQ(ToneTable[128], 174);
  EXPECT_EQ(ToneTable[192], 222);
}

TEST(PlotSetUp, FixedAnswers) {
  const DriverLink d = ResetDriver();
  Packet p = SetUpPlot(d);
  EXPECT_EQ(ReadU16(p.data(), 2), 59);
  EXPECT_EQ(ReadU16(p.data(), 4), 0xEEEE);
  // Offsets 40 to 58, and 59 as the host left it.
  EXPECT_BYTES(std::string(reinterpret_cast<const char*>(p.data() + 40), 20),
               std::string("\x8B\x01\xFF\x00\x01\x00\x07\x00\x02\x00"
                           "\x80\x25\x00\x00\x08\x00\x01\x00\x00\xEE",
                           20));

  ConfigRecord serial = StoredDefaults();
  serial.plotFlags = 0x1001;
  StoreConfig(serial);
  Packet port = SetUpPlot(d);
  EXPECT_EQ(ReadU16(port.data(), 48), 1);
}

TEST(PlotSetUp, StoredRecordGeometry) {
  const DriverLink d = ResetDriver();

  ConfigRecord margin = StoredDefaults();
  margin.margin = 10;
  StoreConfig(margin);
  Packet p = SetUpPlot(d);
  const double m = 10 * kInchesPerMm;
  EXPECT_EQ(ReadF64(p.data(), 8), (48.0 - m) - m);
  EXPECT_EQ(ReadF64(p.data(), 16), (36.0 - m) - m);
  EXPECT_NEAR(ReadF64(p.data(), 8), 47.2126, 1e-4);
  EXPECT_NEAR(ReadF64(p.data(), 16), 35.2126, 1e-4);

  ConfigRecord qdrs = StoredDefaults();
  qdrs.jobFlags = 0x0140;
  StoreConfig(qdrs);
  p = SetUpPlot(d);
  EXPECT_EQ(ReadF64(p.data(), 24), 800.0);
  EXPECT_EQ(ReadF64(p.data(), 32), 800.0);
  EXPECT_EQ(unitScale, 0.5);

  ConfigRecord custom = StoredDefaults();
  custom.paperSize = 24;
  custom.customLength = 500;
  StoreConfig(custom);
  p = SetUpPlot(d);
  EXPECT_EQ(ReadF64(p.data(), 8), 30.0);
  EXPECT_EQ(ReadF64(p.data(), 16), 500 * kInchesPerMm);
  EXPECT_NEAR(ReadF64(p.data(), 16), 19.685, 1e-3);
  EXPECT_EQ(configRecord.jobFlags & 0x1000, 0);
  EXPECT_EQ(widthAtLeastLength, 1);

  custom.customLength = 3000;
  StoreConfig(custom);
  p = SetUpPlot(d);
  EXPECT_EQ(sizeFactor, 2);
  EXPECT_EQ(ReadF64(p.data(), 24), 508.0);
  EXPECT_EQ(ReadF64(p.data(), 32), 508.0);
  EXPECT_EQ(configRecord.jobFlags & 0x1000, 0x1000);
}

TEST(PlotSetUp, StoredFieldsOutsideTheirRangeAreNotTaken) {
  const DriverLink d = ResetDriver();
  ConfigRecord broken = StoredDefaults();
  broken.margin = 30000;
  broken.paperSize = -4;
  broken.customLength = -1;
  StoreConfig(broken);
  Packet p = SetUpPlot(d);
  EXPECT_EQ(ReadF64(p.data(), 8), 48.0);
  EXPECT_EQ(ReadF64(p.data(), 16), 36.0);
  EXPECT_EQ(configRecord.margin, 0);
}

TEST(PlotSetUp, DefaultsAskedOrAnotherModelIgnoreTheStoredRecord) {
  const DriverLink d = ResetDriver();
  ConfigRecord stored = StoredDefaults();
  stored.copies = 5;
  stored.margin = 10;
  stored.paperSize = 3;
  StoreConfig(stored);
  const auto kept = hostLog.storedRecord;

  Packet p = SetUpPlot(d, 1);
  EXPECT_EQ(hostLog.getCalls, 0);
  EXPECT_EQ(hostLog.saveCalls, 0);
  EXPECT_EQ(hostLog.storedRecord, kept);
  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(configRecord.margin, 0);
  EXPECT_EQ(ReadF64(p.data(), 8), 48.0);
  EXPECT_EQ(ReadF64(p.data(), 16), 36.0);

  // A record in memory for another model is not fetched over either.
  configRecord.modelIndex = 1;
  configRecord.copies = 8;
  SetUpPlot(d);
  EXPECT_EQ(hostLog.getCalls, 0);
  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(configRecord.modelIndex, 1) << "the defaults keep the model index";

  // Any value but 1 at offset 6 takes the stored record.
  configRecord.modelIndex = 0;
  SetUpPlot(d, 2);
  EXPECT_EQ(hostLog.getCalls, 1);
  EXPECT_EQ(configRecord.copies, 5);
  EXPECT_EQ(configRecord.paperSize, 3);
}

TEST(PlotSetUp, ToneTableFollowsTheRecordLevels) {
  const DriverLink d = ResetDriver();
  ConfigRecord bright = StoredDefaults();
  const uint8_t levels[5] = {10, 60, 120, 200, 240};
  std::memcpy(bright.toneLevels, levels, 5);
  StoreConfig(bright);
  SetUpPlot(d);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(CurveLevels[k], levels[k]);
  EXPECT_EQ(ToneTable[0], 10) << "the curve starts at level 0";
  EXPECT_NE(ToneTable[64], 103);
}

TEST(PlotSetUp, BlockedWhileAFailureStands) {
  const DriverLink d = ResetDriver();
  driverErrorState = kErrorOutput;
  Packet p = SetUpPlot(d);
  EXPECT_EQ(p.status(), kStatusFailed);
  EXPECT_EQ(ReadU16(p.data(), 2), 0xEEEE);
  EXPECT_EQ(hostLog.getCalls, 0);
}

}  // namespace
