// Job header and trailer in both output languages, and the pen palette.
#include "vector/header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "golden.h"
#include "vector/palette.h"
#include "vector/state.h"

namespace {

std::string Bytes(std::initializer_list<uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The plot area as the drawing set-up leaves it, and an open, empty buffer.
void SetUpPlot(bool qdrs) {
  ResetDriver();
  if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
  hostFlagWord = 0;
  defaultPen = 7;
  KeepText(lastWindowCommand, "");
  driverDescriptor.models[0].hasRedPrinting = 0;
}

void OpenSheet() {
  const PlotArea area = WorkOutPlotArea();
  usableLength = area.length;
  usableWidth = area.width;
  unitsPerInch[0] = unitsPerInch[1] = UnitsPerInchFor(sizeFactor);
  shortCoordinates = IsSmallSheet(area.length, area.width);
  ASSERT_EQ(OutOpen(), 0);
  ResetHostLog();
}

// The bytes the host receives for the header.
std::string Header() {
  OpenSheet();
  EXPECT_EQ(WriteJobHeader(), 0);
  EXPECT_EQ(OutFlush(), 0);
  return hostLog.output;
}

std::string Trailer() {
  OpenSheet();
  WriteJobTrailer();
  EXPECT_EQ(OutFlush(), 0);
  return hostLog.output;
}

const std::string kHpglStart =
    "\x1b%-12345X@PJL\r\n@PJL DEFAULT FINISHPROGID=BYPASS\r\n"
    "@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0B;BP2,1;IN;MT0;";
const std::string kHpglEnd = "PUPA0,0PR;TR0;";

// Splits "PC1,76,76,76PC2,..." into its entries.
std::vector<std::string> PaletteEntries(const std::string& palette) {
  std::vector<std::string> entries;
  size_t at = palette.find("PC");
  while (at != std::string::npos) {
    const size_t next = palette.find("PC", at + 2);
    entries.push_back(palette.substr(at, next == std::string::npos ? next : next - at));
    at = next;
  }
  return entries;
}

TEST(HpglHeader, DefaultRecordWritesTheWholeHeader) {
  SetUpPlot(false);
  const std::string out = Header();
  const std::string frame =
      "PS48768,36576IP0,0,48768,36576SC0,48768,0,36576IW0,0,48768,36576;"
      "XF4,0;LA1,4,2,4SP7RFNP256CR0,255,0,255,0,255";
  ASSERT_GT(out.size(), kHpglStart.size() + frame.size() + kHpglEnd.size());
  EXPECT_BYTES(out.substr(0, kHpglStart.size() + frame.size()), kHpglStart + frame);
  EXPECT_BYTES(out.substr(out.size() - kHpglEnd.size()), kHpglEnd);
  EXPECT_TRUE(hostLog.controls.empty());

  const std::string palette =
      out.substr(kHpglStart.size() + frame.size(),
                 out.size() - kHpglStart.size() - frame.size() - kHpglEnd.size());
  EXPECT_EQ(palette.size(), 3720u);
  const std::vector<std::string> entries = PaletteEntries(palette);
  ASSERT_EQ(entries.size(), 255u);
  for (int pen = 1; pen <= 255; ++pen) {
    int number = 0, r = -1, g = -2, b = -3;
    ASSERT_EQ(std::sscanf(entries[pen - 1].c_str(), "PC%d,%d,%d,%d", &number, &r, &g, &b), 4);
    EXPECT_EQ(number, pen);
    EXPECT_TRUE(r == g && g == b) << entries[pen - 1];  // only greys print
  }
  const char* const expected[] = {
      "PC1,76,76,76",     "PC2,226,226,226", "PC3,150,150,150",  "PC4,178,178,178",
      "PC5,28,28,28",     "PC6,104,104,104", "PC7,0,0,0",        "PC8,191,191,191",
      "PC9,127,127,127",  "PC10,76,76,76",   "PC11,165,165,165", "PC12,49,49,49",
      "PC13,106,106,106", "PC14,38,38,38",   "PC15,82,82,82",    "PC16,21,21,21"};
  for (int pen = 1; pen <= 16; ++pen) EXPECT_EQ(entries[pen - 1], expected[pen - 1]);
  EXPECT_EQ(entries[56], "PC57,68,68,68");  // (71, 73, 35)
  EXPECT_EQ(entries[133], "PC134,91,91,91");
  EXPECT_EQ(entries[247], "PC248,11,11,11");
  EXPECT_EQ(entries[249], "PC250,84,84,84");  // a grey keeps its value
  EXPECT_EQ(entries[253], "PC254,219,219,219");
  EXPECT_EQ(entries[254], "PC255,0,0,0");

  EXPECT_EQ(defaultPen, 7);  // no red printing: the palette leaves it
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(lastWindowCommand.bytes)),
            "IW0,0,48768,36576;");
  EXPECT_EQ(plotLengthUnits, 48768);
  EXPECT_EQ(plotWidthUnits, 36576);
  EXPECT_EQ(marginUnits, 0);
}

TEST(HpglHeader, MarginAndOrientation) {
  SetUpPlot(false);
  configRecord.margin = 10;
  std::string out = Header();
  EXPECT_NE(
      out.find("MT0;PS48765,36573IP399,399,48366,36174SC0,47967,0,35775IW0,0,47967,35775;XF4,0;"),
      std::string::npos);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(lastWindowCommand.bytes)),
            "IW0,0,47967,35775;");

  // The host may answer different units along the width.
  SetUpPlot(false);
  OpenSheet();
  unitsPerInch[1] = 508;
  EXPECT_EQ(WriteJobHeader(), 0);
  EXPECT_EQ(OutFlush(), 0);
  EXPECT_NE(hostLog.output.find("PS48768,18288IP0,0,48768,18288SC0,48768,0,18288IW"),
            std::string::npos);

  // A 500 mm length on a 30-inch roll: the sheet is wider than long.
  SetUpPlot(false);
  configRecord.paperSize = 24;
  configRecord.customLength = 500;
  out = Header();
  EXPECT_EQ(widthAtLeastLength, 1);
  EXPECT_NE(out.find("MT0;PS20000,30480IP0,0,30480,20000SC0,30480,0,20000IW0,0,30480,20000;"),
            std::string::npos);
}

TEST(HpglHeader, FinisherMediaCopiesLabelAndManualOutput) {
  SetUpPlot(false);
  configRecord.finishProgram = 3;
  const std::string programThree =
      "\x1b%-12345X@PJL\r\n@PJL DEFAULT FINISHPROGID=PROGRAM3\r\n"
      "@PJL DEFAULT FINISHMARGINS=USEPROGRAM\r\n@PJL DEFAULT FINISHBIN=DONTCARE\r\n"
      "@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0B;BP2,1;IN;MT0;PS48768,36576";
  EXPECT_BYTES(Header().substr(0, programThree.size()), programThree);

  SetUpPlot(false);
  configRecord.finishProgram = 20;
  configRecord.finishMargins = 1;
  configRecord.finishBin = 14;
  std::string out = Header();
  EXPECT_NE(out.find("@PJL\r\n@PJL DEFAULT FINISHPROGID=PROGRAM20\r\n"
                     "@PJL DEFAULT FINISHMARGINS=MARGINSOFF\r\n"
                     "@PJL DEFAULT FINISHBIN=BIN_13\r\n@PJL ENTER"),
            std::string::npos);

  SetUpPlot(false);
  configRecord.mediaType = 3;
  configRecord.copies = 12;
  configRecord.jobFlags |= kJobManualOutput;
  std::strcpy(labelText, "ABC");
  out = Header();
  EXPECT_NE(out.find("\x1b%0B;BP1,\"ABC\",2,12;IN;MT4;PS"), std::string::npos);
  EXPECT_NE(out.find("76;XF4,1;LA1"), std::string::npos);

  // A label that fills its field to the last byte, and copies the fetch did
  // not repair.
  SetUpPlot(false);
  std::memset(labelText, 'x', sizeof labelText);
  configRecord.copies = 300;
  out = Header();
  EXPECT_NE(out.find("BP1,\"" + std::string(64, 'x') + "\",2,1;IN;MT0;"), std::string::npos);
  labelText[0] = '\0';
}

TEST(HpglHeader, SerialHandshakeGoesToThePort) {
  const char* const xonXoff[] = {"\x1b.R", "\x1b.I81;0;17:", "\x1b.N10;19:", "\x1b.@;0:"};
  SetUpPlot(false);
  configRecord.plotFlags |= kPlotSerialPort;
  const std::string out = Header();
  ASSERT_EQ(hostLog.controls.size(), 4u);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(hostLog.controls[k], xonXoff[k]);
  EXPECT_EQ(out.substr(0, kHpglStart.size()), kHpglStart);  // none of it in the plot data

  SetUpPlot(false);
  configRecord.plotFlags |= kPlotSerialPort | kPlotHandshakeHardware;
  Header();
  ASSERT_EQ(hostLog.controls.size(), 2u);
  EXPECT_EQ(hostLog.controls[0], "\x1b.R");
  EXPECT_EQ(hostLog.controls[1], "\x1b.@;1:");

  SetUpPlot(false);
  configRecord.plotFlags |= kPlotSerialPort | 0x0200;
  Header();
  EXPECT_TRUE(hostLog.controls.empty());

  SetUpPlot(false);
  configRecord.plotFlags |= kPlotSerialPort;
  hostFlagWord = 0x0040;  // the host handles the port
  Header();
  EXPECT_TRUE(hostLog.controls.empty());
  hostFlagWord = 0;
}

TEST(HpglHeader, TrailerAndFailures) {
  SetUpPlot(false);
  EXPECT_BYTES(Trailer(), ";PUSP0;PG;\x1b%-12345X\r\n");

  // A refused host: nothing goes out and the state is not changed.
  SetUpPlot(false);
  OpenSheet();
  driverErrorState = kErrorRefused;
  EXPECT_EQ(WriteJobHeader(), -1);
  EXPECT_EQ(driverErrorState, kErrorRefused);
  EXPECT_TRUE(hostLog.output.empty());

  // The host refuses the bytes while the plot size goes out: the header stops.
  SetUpPlot(false);
  OpenSheet();
  outputFill = kOutputCapacity - static_cast<int32_t>(kHpglStart.size()) - 4;
  hostLog.failWriteAt = 1;
  EXPECT_EQ(WriteJobHeader(), -1);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(hostLog.writeCalls, 1);
  EXPECT_TRUE(hostLog.output.empty());

  // ... and in the middle of the palette.
  SetUpPlot(false);
  OpenSheet();
  outputFill = kOutputCapacity - 1000;
  hostLog.failWriteAt = 1;
  EXPECT_EQ(WriteJobHeader(), -1);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(hostLog.writeCalls, 1);
}

// QDRS: the header's fixed opening, through the model set-up.
std::string QdrsOpening() {
  return Bytes({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x02, 0x9B, 0x4E, 0x00, 0x02, '0', '1'});
}

const std::string kJobFrameBlock =
    Bytes({0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFF, 0x18, 0x01,
           0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFE, 0x18, 0x01, 0x00, 0x00,
           0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFD, 0x18, 0x01, 0x00, 0x00, 0x18, 0x02,
           0x00, 0x00, 0x18, 0x02, 0xFF, 0xFC, 0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00,
           0x18, 0x02, 0xFF, 0xFB, 0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02});

const std::string kModelSetup = kJobFrameBlock + Bytes({0xF2, 0x04, 0x08, 0x02, 'L', 'S', '7', '4',
                                                        '1', '0', 0x20, 0x00, 0x23, 0x00});

const std::string kPenSetup = Bytes({
    0x41, 0x01, 0x00, 0x07, 0x47, 0x01, 0x00, 0x07,              // pen 7 for lines and areas
    0x36, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00,  // 1: 0 100 0
    0x36, 0x04, 0x00, 0x02, 0x00, 0x19, 0x00, 0x32, 0x00, 0x19,  // 2: 25 50 25
    0x36, 0x04, 0x00, 0x03, 0x00, 0x23, 0x00, 0x1E, 0x00, 0x23,  // 3: 35 30 35
    0x36, 0x06, 0x00, 0x04, 0x00, 0x28, 0x00, 0x0A, 0x00, 0x00,
    0x00, 0x0A,  // 4: 40 10 0 10 40
    0x00, 0x28,  //
    0x36, 0x06, 0x00, 0x05, 0x00, 0x23, 0x00, 0x0A, 0x00, 0x0A,
    0x00, 0x0A,  // 5: 35 10 10 10 35
    0x00, 0x23,  //
    0x36, 0x08, 0x00, 0x06, 0x00, 0x19, 0x00, 0x0A, 0x00, 0x0A,
    0x00, 0x0A,                          // 6: 25 10 10 10 10 10 25
    0x00, 0x0A, 0x00, 0x0A, 0x00, 0x19,  //
    0x36, 0x08, 0x00, 0x07, 0x00, 0x23, 0x00, 0x0A, 0x00, 0x00,
    0x00, 0x0A,                          // 7: 35 10 0 10 0 10 35
    0x00, 0x00, 0x00, 0x0A, 0x00, 0x23,  //
    0x36, 0x0A, 0x00, 0x08, 0x00, 0x19, 0x00, 0x0A, 0x00, 0x00,
    0x00, 0x0A,                                                  // 8: 25 10 0 10 10 10 0 10 25
    0x00, 0x0A, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x19,  //
    0x42, 0x01, 0x00, 0x01, 0x44, 0x01, 0x00, 0x02, 0x45, 0x01,
    0x00, 0x03,  //
    0x39, 0x01, 0x00, 0x00, 0x48, 0x01, 0x00, 0x02, 0x50, 0x01,
    0x00, 0x01,
});

constexpr size_t kAreaPatternRecord = 2 + 2 * 19;
constexpr size_t kPenRecord = 2 + 2 * 5;

uint16_t Word(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) << 8 | static_cast<uint8_t>(s[at + 1]));
}

int CountBits(const std::string& record) {
  int bits = 0;
  for (size_t at = 8; at < record.size(); at += 2) bits += __builtin_popcount(Word(record, at));
  return bits;
}

TEST(QdrsHeader, DefaultRecordWritesTheWholeHeader) {
  SetUpPlot(true);
  const std::string out = Header();
  const std::string opening = QdrsOpening() + kModelSetup;
  const size_t patternsAt = opening.size();
  const size_t pensAt = patternsAt + 256 * kAreaPatternRecord;
  const size_t setupAt = pensAt + 256 * kPenRecord;
  // 48 x 36 inches is too large for 16-bit numbers; the far mark is the corner
  // (19200, 14400) converted once more at unitScale 0.5.
  const std::string tail =
      kPenSetup +
      Bytes({0x40, 0x01, 0x00, 0x00,                                                        //
             0x6B, 0x08, 0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  //
             0x6B, 0x08, 0,    0,    0x25, 0x80, 0, 0, 0x1C, 0x20, 0, 0, 0, 0, 0, 0, 0, 0,
             0x40, 0x01, 0x00, 0x01});
  ASSERT_EQ(out.size(), setupAt + tail.size());
  EXPECT_BYTES(out.substr(0, patternsAt), opening);
  EXPECT_BYTES(out.substr(setupAt), tail);
  EXPECT_EQ(plotLengthUnits, 19200);
  EXPECT_EQ(plotWidthUnits, 14400);

  // Area patterns: pattern 0 solid; pattern 1 has the lightness 35 on the
  // curve, which clears every cell whose threshold is 35 or less.
  EXPECT_BYTES(out.substr(patternsAt, kAreaPatternRecord),
               Bytes({0x32, 0x13, 0x00, 0x00, 0x00, 0x10, 0x00, 0x10}) + std::string(32, '\xFF'));
  const std::string pattern1 = out.substr(patternsAt + kAreaPatternRecord, kAreaPatternRecord);
  EXPECT_BYTES(pattern1.substr(0, 8), Bytes({0x32, 0x13, 0x00, 0x01, 0x00, 0x10, 0x00, 0x10}));
  const uint16_t rows1[16] = {0x5F5F, 0xFBFB, 0xBFBF, 0xF7F7, 0xFDFD, 0xEFEF, 0xFEFE, 0xDFDF,
                              0x7F7F, 0xFBFB, 0xBFBF, 0xF7F7, 0xFDFD, 0xEF6F, 0xFEFE, 0xDFDF};
  for (int r = 0; r < 16; ++r) EXPECT_EQ(Word(pattern1, 8 + 2 * r), rows1[r]) << "row " << r;
  // Each threshold 1..254 stands once and 255 twice, so lightness p leaves
  // 256 - p cells set: pattern 128 has lightness 244, pattern 255 is empty.
  EXPECT_EQ(CountBits(out.substr(patternsAt + 128 * kAreaPatternRecord, kAreaPatternRecord)), 12);
  EXPECT_EQ(Word(out, patternsAt + 128 * kAreaPatternRecord + 2), 128);
  EXPECT_EQ(CountBits(out.substr(patternsAt + 255 * kAreaPatternRecord, kAreaPatternRecord)), 0);
  int previous = 257;
  for (int i = 0; i < 256; ++i) {  // lighter step by step
    const int bits = CountBits(out.substr(patternsAt + i * kAreaPatternRecord, kAreaPatternRecord));
    EXPECT_LE(bits, previous) << "pattern " << i;
    previous = bits;
  }

  // Pen definitions: every pen as its grey.
  EXPECT_BYTES(out.substr(pensAt, kPenRecord),
               Bytes({0x30, 0x05, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_BYTES(out.substr(pensAt + kPenRecord, kPenRecord),
               Bytes({0x30, 0x05, 0x00, 0x01, 0x00, 0x4C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_BYTES(out.substr(pensAt + 250 * kPenRecord, kPenRecord),
               Bytes({0x30, 0x05, 0x00, 0xFA, 0x00, 0x54, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_BYTES(out.substr(pensAt + 255 * kPenRecord, kPenRecord),
               Bytes({0x30, 0x05, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(defaultPen, 255);
}

TEST(QdrsHeader, ManualOutputCopiesLabelAndCorner) {
  SetUpPlot(true);
  configRecord.jobFlags |= kJobManualOutput;
  configRecord.copies = 12;
  std::strcpy(labelText, "ABC");
  std::string out = Header();
  EXPECT_BYTES(out.substr(0, 18 + kModelSetup.size() + 8),
               Bytes({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x02, 0x9B, 0x4E, 0x00, 0x02, '0', 'C', 0x9B,
                      0x62, 0x00, 0x02, 0x00, 0x00}) +
                   kModelSetup + Bytes({0x14, 0x03, 0x00, 0x03, 'A', 'B', 'C', 0x00}));

  // An even label needs no padding; a full one is 33 words; copies the fetch
  // did not repair still give two characters.
  SetUpPlot(true);
  std::strcpy(labelText, "ABCD");
  configRecord.copies = 0x1234;
  out = Header();
  EXPECT_BYTES(out.substr(6, 6), Bytes({0x9B, 0x4E, 0x00, 0x02, '0', '1'}));
  EXPECT_BYTES(out.substr(12 + kModelSetup.size(), 9),
               Bytes({0x14, 0x03, 0x00, 0x04, 'A', 'B', 'C', 'D', 0x32}));

  SetUpPlot(true);
  std::memset(labelText, 'y', sizeof labelText);
  out = Header();
  EXPECT_BYTES(out.substr(12 + kModelSetup.size(), 4 + 64 + 1),
               Bytes({0x14, 0x21, 0x00, 0x40}) + std::string(64, 'y') + "\x32");
  labelText[0] = '\0';

  // A small sheet across the roll: 16-bit numbers, the corner given width first.
  SetUpPlot(true);
  configRecord.paperSize = 24;
  configRecord.customLength = 500;
  out = Header();
  EXPECT_EQ(widthAtLeastLength, 1);
  EXPECT_EQ(plotLengthUnits, 12000);
  EXPECT_EQ(plotWidthUnits, 7874);
  EXPECT_BYTES(out.substr(out.size() - 28),
               Bytes({0x40, 0x01, 0x00, 0x00,                          //
                      0x64, 0x04, 0,    0,    0,    0,    0, 0, 0, 0,  //
                      0x64, 0x04, 0x0F, 0x61, 0x17, 0x70, 0, 0, 0, 0,  // (7874, 12000) x 0.5
                      0x40, 0x01, 0x00, 0x01}));
}

TEST(QdrsHeader, TrailerSetUpsAndFailures) {
  SetUpPlot(true);
  EXPECT_BYTES(Trailer(), kJobFrameBlock +
                              Bytes({0xF3, 0x01, 0x00, 0x01, 0x9B, 0x5E, 0x00, 0x02, 0x00, 0x00}));

  // The image tail writes the set-ups again on their own.
  SetUpPlot(true);
  OpenSheet();
  EXPECT_EQ(WriteQdrsModelSetup(), 0);
  EXPECT_EQ(WriteQdrsPenSetup(), 0);
  EXPECT_EQ(WriteQdrsJobEnd(), 0);
  EXPECT_EQ(OutFlush(), 0);
  EXPECT_BYTES(hostLog.output,
               kModelSetup + kPenSetup + kJobFrameBlock + Bytes({0xF3, 0x01, 0x00, 0x01}));

  // The copies' write is not examined, but the failure it leaves ends the header.
  SetUpPlot(true);
  OpenSheet();
  outputFill = kOutputCapacity - 6 - 5;
  hostLog.failWriteAt = 1;
  EXPECT_EQ(WriteJobHeader(), -1);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(hostLog.writeCalls, 1);

  // A failure in the pen set-up.
  SetUpPlot(true);
  OpenSheet();
  outputFill =
      kOutputCapacity -
      static_cast<int32_t>(12 + kModelSetup.size() + 256 * kAreaPatternRecord + 256 * kPenRecord) -
      20;
  hostLog.failWriteAt = 1;
  EXPECT_EQ(WriteJobHeader(), -1);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(defaultPen, 255);
}

// Model 0 offers no red printing; these cases lend it the capability.
void SetUpRedPrinting(bool qdrs) {
  SetUpPlot(qdrs);
  driverDescriptor.models[0].hasRedPrinting = 1;
}

TEST(PenPalette, RedPrintingModelInBothLanguages) {
  SetUpRedPrinting(false);
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 5;
  std::string out = Header();
  EXPECT_NE(out.find("PC4,178,178,178PC5,255,0,0PC6,104,104,104"), std::string::npos);
  EXPECT_EQ(defaultPen, 255);  // the last black pen

  SetUpRedPrinting(false);
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 255;
  out = Header();
  EXPECT_NE(out.find("PC255,255,0,0PUPA"), std::string::npos);
  EXPECT_EQ(defaultPen, 7);

  // The image tail writes the same palette but leaves the pen alone.
  SetUpRedPrinting(false);
  OpenSheet();
  defaultPen = 3;
  EXPECT_EQ(WritePenPalette(false), 0);
  EXPECT_EQ(defaultPen, 3);

  // Without the red bit the red pen is an ordinary grey.
  SetUpRedPrinting(false);
  configRecord.redPen = 5;
  out = Header();
  EXPECT_NE(out.find("PC5,28,28,28"), std::string::npos);

  // QDRS defines the red pen as red and takes the last black pen but it.
  SetUpRedPrinting(true);
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 255;
  out = Header();
  const size_t pensAt = 12 + kModelSetup.size() + 256 * kAreaPatternRecord;
  EXPECT_BYTES(out.substr(pensAt + 255 * kPenRecord, kPenRecord),
               Bytes({0x30, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(defaultPen, 7);

  EXPECT_EQ(GreyPen(256).red, 0);  // no pen beyond the table
  EXPECT_EQ(GreyPen(-1).green, 0);
  SetUpPlot(false);
}

}  // namespace
