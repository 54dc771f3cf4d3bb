// Job header and trailer in both output languages, and the pen palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "plot_fixture.h"
#include "vector/language.h"
#include "vector/palette.h"

using namespace plot_fixture;

namespace {

// Model 0 offers no red printing; `red` lends it the capability.
void SetUpPlot(bool qdrs, bool red = false) {
  ResetDriver();
  if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
  hostFlagWord = 0;
  defaultPen = 7;
  driverDescriptor.models[0].hasRedPrinting = red;
}

// The header and trailer of the record's language, as a plot begins and ends.
int32_t WriteJobHeader() {
  ChooseOutputLanguage();
  return plotLanguage->writeHeader();
}
void WriteJobTrailer() {
  ChooseOutputLanguage();
  plotLanguage->writeTrailer();
}

// The record worked into the plot area, and an open, empty buffer.
void OpenSheet() {
  const PlotArea area = WorkOutPlotArea();
  usableLength = area.length;
  usableWidth = area.width;
  unitsPerInch[0] = unitsPerInch[1] = UnitsPerInchFor(sizeFactor);
  shortCoordinates = IsSmallSheet(area.length, area.width);
  ASSERT_EQ(OutOpen(), 0);
  ResetHostLog();
}

// The bytes the host receives for the header, or for the trailer.
std::string Written(bool header) {
  OpenSheet();
  EXPECT_EQ(header ? WriteJobHeader() : (WriteJobTrailer(), 0), 0);
  EXPECT_EQ(OutFlush(), 0);
  return hostLog.output;
}

const std::string kHpglStart =
    "\x1b%-12345X@PJL\r\n@PJL DEFAULT FINISHPROGID=BYPASS\r\n@PJL ENTER LANGUAGE=HPGL2\r\n"
    "\x1b%0B;BP2,1;IN;MT0;PS48768,36576IP0,0,48768,36576SC0,48768,0,36576IW0,0,48768,36576;"
    "XF4,0;LA1,4,2,4SP7RFNP256CR0,255,0,255,0,255";

// QDRS: the 70-byte job frame block counts its marks down from FFFF.
std::string FrameBlock() {
  std::string block;
  for (int k = 0; k < 5; ++k) block += Words({0x1801, 0, 0x1802, 0, 0x1802, 0xFFFF - k});
  return block + Words({0x1801, 0, 0x1802, 0, 0x1802});
}
const std::string kModelSetup =
    FrameBlock() + Bytes({0xF2, 4, 8, 2}) + "LS7410" + Bytes({0x20, 0, 0x23, 0});
const std::string kPenSetup =
    Record(0x41, {7}) + Record(0x47, {7}) + Record(0x36, {1, 0, 100, 0}) +
    Record(0x36, {2, 25, 50, 25}) + Record(0x36, {3, 35, 30, 35}) +
    Record(0x36, {4, 40, 10, 0, 10, 40}) + Record(0x36, {5, 35, 10, 10, 10, 35}) +
    Record(0x36, {6, 25, 10, 10, 10, 10, 10, 25}) + Record(0x36, {7, 35, 10, 0, 10, 0, 10, 35}) +
    Record(0x36, {8, 25, 10, 0, 10, 10, 10, 0, 10, 25}) + Record(0x42, {1}) + Record(0x44, {2}) +
    Record(0x45, {3}) + Record(0x39, {0}) + Record(0x48, {2}) + Record(0x50, {1});
constexpr size_t kAreaPattern = 2 + 2 * 19, kPen = 2 + 2 * 5;
const size_t kPensAt = 12 + kModelSetup.size() + 256 * kAreaPattern;

TEST(HpglHeader, DefaultRecordWritesTheWholeHeader) {
  SetUpPlot(false);
  const std::string out = Written(true);
  EXPECT_BYTES(out.substr(0, kHpglStart.size()), kHpglStart);
  EXPECT_BYTES(out.substr(out.size() - 25), "PC255,0,0,0PUPA0,0PR;TR0;");
  EXPECT_TRUE(hostLog.controls.empty());
  EXPECT_EQ(defaultPen, 7);  // no red printing: the palette leaves it

  // Every pen as the grey its colour prints as; a grey keeps its value.
  const std::string palette = out.substr(kHpglStart.size());
  EXPECT_EQ(std::count(palette.begin(), palette.end(), 'C'), 255) << "one entry for each pen";
  EXPECT_EQ(palette.rfind("PC1,76,76,76PC2,226,226,226PC3,", 0), 0u);
  for (const char* spot : {"PC8,191,191,191PC9,", "PC57,68,68,68PC", "PC250,84,84,84PC"})
    EXPECT_NE(palette.find(spot), std::string::npos) << spot;
}

TEST(QdrsHeader, DefaultRecordWritesTheWholeHeader) {
  SetUpPlot(true);
  const std::string out = Written(true);
  const std::string opening = Bytes({0x9B, 0x5E, 0, 2, 0, 2, 0x9B, 0x4E, 0, 2, '0', '1'});
  // 48 x 36 inches is too large for 16-bit numbers; the far mark is on the
  // corner, (19200, 14400) in 1/400 inch.
  const std::string tail = kPenSetup + Record(0x40, {0}) + Record(0x6B, {0, 0, 0, 0, 0, 0, 0, 0}) +
                           Record(0x6B, {0, 19200, 0, 14400, 0, 0, 0, 0}) + Record(0x40, {1});
  ASSERT_EQ(out.size(), kPensAt + 256 * kPen + tail.size());
  EXPECT_BYTES(out.substr(0, 12 + kModelSetup.size()), opening + kModelSetup);
  EXPECT_BYTES(out.substr(kPensAt + 256 * kPen), tail);
  EXPECT_EQ(defaultPen, 255);

  // Area pattern 0 is solid; pattern 1 has the lightness 35 on the curve,
  // which clears every cell whose threshold is 35 or less. Pens are greys.
  EXPECT_BYTES(out.substr(12 + kModelSetup.size(), 2 * kAreaPattern),
               Bytes({0x32, 19}) + Words({0, 16, 16}) + std::string(32, '\xFF') +
                   Bytes({0x32, 19}) +
                   Words({1, 16, 16, 0x5F5F, 0xFBFB, 0xBFBF, 0xF7F7, 0xFDFD, 0xEFEF, 0xFEFE, 0xDFDF,
                          0x7F7F, 0xFBFB, 0xBFBF, 0xF7F7, 0xFDFD, 0xEF6F, 0xFEFE, 0xDFDF}));
  EXPECT_BYTES(out.substr(kPensAt, 2 * kPen),
               Record(0x30, {0, 0, -1, -1, -1}) + Record(0x30, {1, 76, -1, -1, -1}));
}

TEST(JobHeader, RecordChoicesReachTheHeader) {
  const auto contains = [](const std::string& want) {
    return Written(true).find(want) != std::string::npos;
  };
  SetUpPlot(false);
  configRecord.finishProgram = 3, configRecord.margin = 10;
  EXPECT_TRUE(contains(
      "\x1b%-12345X@PJL\r\n@PJL DEFAULT FINISHPROGID=PROGRAM3\r\n@PJL DEFAULT FINISHMARGINS="
      "USEPROGRAM\r\n@PJL DEFAULT FINISHBIN=DONTCARE\r\n@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0B;BP2,1;"
      "IN;MT0;PS48765,36573IP399,399,48366,36174SC0,47967,0,35775IW0,0,47967,35775;XF4,0;"));
  SetUpPlot(false);
  configRecord.finishProgram = 20, configRecord.finishMargins = 1, configRecord.finishBin = 14;
  configRecord.mediaType = 3, configRecord.copies = 12, std::strcpy(labelText, "ABC");
  configRecord.jobFlags |= kJobManualOutput;
  EXPECT_TRUE(contains(
      "@PJL\r\n@PJL DEFAULT FINISHPROGID=PROGRAM20\r\n@PJL DEFAULT FINISHMARGINS=MARGINSOFF\r\n"
      "@PJL DEFAULT FINISHBIN=BIN_13\r\n@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0B;BP1,\"ABC\",2,12;IN;"
      "MT4;PS48768,36576IP0,0,48768,36576SC0,48768,0,36576IW0,0,48768,36576;XF4,1;LA1"));
  // A label that fills its field, copies the fetch did not repair, a sheet wider than long.
  SetUpPlot(false);
  std::memset(labelText, 'x', sizeof labelText), configRecord.copies = 300;
  configRecord.paperSize = 24, configRecord.customLength = 500;
  EXPECT_TRUE(
      contains("\x1b%0B;BP1,\"" + std::string(64, 'x') +
               "\",2,1;IN;MT0;PS20000,30480IP0,0,30480,20000SC0,30480,0,20000IW0,0,30480,20000;"));

  SetUpPlot(true);
  configRecord.jobFlags |= kJobManualOutput;
  configRecord.copies = 12, std::strcpy(labelText, "ABC");
  EXPECT_TRUE(
      contains(Bytes({0x9B, 0x5E, 0, 2, 0, 2, 0x9B, 0x4E, 0, 2, '0', 'C', 0x9B, 0x62, 0, 2, 0, 0}) +
               kModelSetup + Bytes({0x14, 3, 0, 3, 'A', 'B', 'C', 0, 0x32})));
  // On a small sheet across the roll the corner is 16-bit and given width first.
  SetUpPlot(true);
  std::memset(labelText, 'y', sizeof labelText), configRecord.copies = 0x1234;
  configRecord.paperSize = 24, configRecord.customLength = 500;
  const std::string out = Written(true);
  EXPECT_NE(out.find(Bytes({0x9B, 0x4E, 0, 2, '0', '1'}) + kModelSetup +
                     Bytes({0x14, 0x21, 0, 0x40}) + std::string(64, 'y') + "\x32"),
            std::string::npos);
  EXPECT_BYTES(out.substr(out.size() - 28), Record(0x40, {0}) + Record(0x64, {0, 0, 0, 0}) +
                                                Record(0x64, {7874, 12000, 0, 0}) +
                                                Record(0x40, {1}));
  labelText[0] = '\0';
}

// A host's absurd units make the sheet larger than 32-bit numbers hold: the
// sizes stand at the limit on every build, never wrapped into negative ones.
TEST(HpglHeader, SheetSizesPastThirtyTwoBitsStandAtTheLimit) {
  SetUpPlot(false);
  configRecord.margin = 10;
  OpenSheet();
  unitsPerInch[0] = unitsPerInch[1] = 1e8;
  ASSERT_EQ(WriteJobHeader(), 0);
  ASSERT_EQ(OutFlush(), 0);
  EXPECT_NE(hostLog.output.find("PS2147483647,2147483647IP39370078,39370078,2147483647,"
                                "2147483647SC0,2147483647,0,2147483647IW0,0,2147483647,"
                                "2147483647;"),
            std::string::npos)
      << hostLog.output.substr(0, 200);
}

// 99 copies is the most a job announces, in either language; a count the
// fetch did not repair, from 100 on, announces one.
TEST(JobHeader, CopiesUpTo99) {
  for (const bool qdrs : {false, true})
    for (const auto& [copies, shown] : {std::pair{99, 99}, std::pair{100, 1}, std::pair{1, 1}}) {
      SCOPED_TRACE(testing::Message() << qdrs << " " << copies);
      SetUpPlot(qdrs);
      configRecord.copies = copies;
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", shown);
      const std::string want =
          qdrs ? Bytes({0x9B, 0x4E, 0, 2}) + hex : "\x1b%0B;BP2," + std::to_string(shown) + ";IN;";
      EXPECT_NE(Written(true).find(want), std::string::npos);
    }
}

// The far mark lands on the corner of the plot area in 1/400 inch whatever the
// enlargement: 48 x 36 inches at unitScale 0.5, 30 x 19.685 inches across the
// roll (16-bit, width first), 118.11 x 36 inches at unitScale 1 and 196.85 x
// 36 inches at unitScale 2, with a 10 mm margin off each side.
TEST(QdrsHeader, FarCornerMarkIsTheCornerOfThePlotArea) {
  struct Case {
    int32_t paperSize, customLength, margin;
    double scale;
    int32_t x, y, shortForm;
  };
  for (const Case& c :
       {Case{2, 0, 0, 0.5, 19200, 14400, 0}, Case{24, 500, 0, 0.5, 7874, 12000, 1},
        Case{25, 3000, 0, 1.0, 47244, 14400, 0}, Case{25, 5000, 10, 2.0, 78425, 14085, 0}}) {
    SCOPED_TRACE(c.paperSize * 10000 + c.customLength);
    SetUpPlot(true);
    configRecord.paperSize = c.paperSize;
    if (c.customLength != 0) configRecord.customLength = c.customLength;
    configRecord.margin = static_cast<int16_t>(c.margin);
    const std::string out = Written(true);
    EXPECT_EQ(unitScale, c.scale);
    ASSERT_EQ(shortCoordinates, c.shortForm);
    const std::string mark =
        c.shortForm == 1
            ? Record(0x64, {c.x, c.y, 0, 0})
            : Record(0x6B, {c.x >> 16, c.x & 0xFFFF, c.y >> 16, c.y & 0xFFFF, 0, 0, 0, 0});
    EXPECT_BYTES(out.substr(out.size() - mark.size() - 4), mark + Record(0x40, {1}));
  }
}

TEST(HpglHeader, SerialHandshakeGoesToThePortUnlessTheHostOwnsIt) {
  using Case = std::tuple<uint16_t, uint32_t, std::vector<std::string>>;
  for (const auto& [plotFlags, hostFlags, want] : {
           Case{kPlotSerialPort, 0, {"\x1b.R", "\x1b.I81;0;17:", "\x1b.N10;19:", "\x1b.@;0:"}},
           Case{kPlotSerialPort | kPlotHandshakeHardware, 0, {"\x1b.R", "\x1b.@;1:"}},
           Case{kPlotSerialPort | 0x0200, 0, {}},  // no handshake
           Case{kPlotSerialPort, 0x0040, {}},      // the host handles the port
       }) {
    SCOPED_TRACE(plotFlags + hostFlags);
    SetUpPlot(false);
    configRecord.plotFlags |= plotFlags;
    hostFlagWord = hostFlags;
    EXPECT_EQ(Written(true).rfind(kHpglStart, 0), 0u) << "none of it in the plot data";
    EXPECT_EQ(hostLog.controls, want);
  }
  hostFlagWord = 0;
}

TEST(QdrsHeader, TrailerAndFailedWrites) {
  SetUpPlot(true);
  EXPECT_BYTES(Written(false), FrameBlock() + Bytes({0xF3, 1, 0, 1, 0x9B, 0x5E, 0, 2, 0, 0}));

  // Once the device has taken part of the header, a failed write ends the plot.
  // Each case leaves the buffer room for part of the header only.
  for (const auto& [qdrs, room] : std::initializer_list<std::pair<bool, size_t>>{
           {false, kHpglStart.find("PS") + 4},  // while the plot size goes out
           {false, 1000},                       // in the palette
           {true, 6 + 5},                       // the copies' write, not examined itself
           {true, kPensAt + 256 * kPen + 20},   // in the pen set-up
       }) {
    SCOPED_TRACE(room);
    SetUpPlot(qdrs);
    OpenSheet();
    outputFill = kOutputCapacity - static_cast<int32_t>(room);
    hostLog.failWriteAt = 1;
    EXPECT_EQ(WriteJobHeader(), -1);
    EXPECT_EQ(driverErrorState, kErrorOutput);
    EXPECT_EQ(hostLog.writeCalls, 1);
  }
}

TEST(PenPalette, RedPenKeepsItsColourAndTheLastBlackPenDraws) {
  SetUpPlot(false, true);
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 5;
  EXPECT_NE(Written(true).find("PC4,178,178,178PC5,255,0,0PC6,104,104,104"), std::string::npos);
  EXPECT_EQ(defaultPen, 255);
  defaultPen = 3;
  EXPECT_EQ(WritePenPalette(false, OutWriteString), 0);
  EXPECT_EQ(defaultPen, 3) << "the image tail's palette leaves the pen alone";
  // QDRS defines the red pen as red and takes the last black pen but it.
  SetUpPlot(true, true);
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 255;
  EXPECT_BYTES(Written(true).substr(kPensAt + 255 * kPen, kPen),
               Record(0x30, {255, -1, -1, 0, -1}));
  EXPECT_EQ(defaultPen, 7);
  EXPECT_EQ(GreyPen(256).red, 0);  // no pen beyond the table
  EXPECT_EQ(GreyPen(-1).green, 0);
  SetUpPlot(false);
}

}  // namespace
