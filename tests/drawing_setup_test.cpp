// The graphics requests that prepare a drawing: reset, configuration fetch,
// the main dialog's plot area, the paper list, the legend and the summary.
#include "vector/drawing_setup.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "driver_fixture.h"
#include "golden.h"
#include "host/protocol.h"
#include "platform/module.h"
#include "vector/state.h"

namespace {

// Texts are Windows-1252; octal escapes stand where a hex one would take the next letter.
using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Bytes = std::initializer_list<std::pair<size_t, std::string>>;  // bytes by offset

const std::string kMax = "MAX\0"s, kFailed = "\xFF\xFF"s, kAreaAnswered = "\x13\0"s;

auto All = [](const Packet& p) { return std::string(p.bytes.begin(), p.bytes.end()); };

std::string F64s(std::initializer_list<double> values) {
  std::string s;
  for (double v : values) s.append(reinterpret_cast<const char*>(&v), 8);
  return s;
}

DriverLink ResetDrawing() {
  paperListDue = paperCount = hostFlagWord = 0;
  return ResetDriver();
}

auto Usable = [] { return std::pair(usableLength, usableWidth); };

// 0xEE behind the code, and the given fields.
Packet Filled(int16_t code, Bytes fields = {}) {
  Packet p = MakePacket(code);
  std::memset(p.data() + 2, 0xEE, p.bytes.size() - 2);
  for (const auto& [at, b] : fields) std::memcpy(p.data() + at, b.data(), b.size());
  return p;
}

auto Reset = [](char caller = 1) {
  return Filled(kGraphicsReset,
                {{kVersionCheck.hostMarker, {caller, 0}}, {kVersionCheck.release, "\x02"s}});
};
// The host's window: a handle of the machine's size.
const WireAddress kWindow = kWideAddresses ? 0x7F0000ABCDEF : 0x00ABCDEF;
std::string WindowBytes() {
  std::string bytes(kAddressSize, '\0');
  std::memcpy(bytes.data(), &kWindow, bytes.size());
  return bytes;
}
auto Fetch = [](char level) {
  return Filled(kGraphicsConfigFetch,
                {{kHandshake.level, {level, 0}}, {kHandshake.window, WindowBytes()}});
};
// Requests 46 to 48: the host's flag word, its plot area and units.
Packet Area(int16_t code, double length, double width) {
  return Filled(code, {{kPlotArea.hostFlags, "\xEE\xFF\xC0\0"s},
                       {kPlotArea.length, F64s({length, width})},
                       {kPlotArea.unitsAlongLength, F64s({500, 600})}});
}

Packet Send(const DriverLink& d, Packet p) {
  Graphics(d, p);
  return p;
}

// Sends `p`; the driver must write `answer` into it and touch nothing else.
void ExpectAnswer(const DriverLink& d, Packet p, Bytes answer) {
  std::string expected = All(p);
  for (const auto& [at, b] : answer) expected.replace(at, b.size(), b);
  EXPECT_BYTES(All(Send(d, p)), expected) << "code " << ReadI16(p.data(), kCodeAt);
}

void ExpectLines(const Lines& expected) {
  ASSERT_EQ(hostLog.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_BYTES(hostLog.lines[i], expected[i]) << i;
}

TEST(DrawingSetUp, ConfigFetch) {
  const DriverLink d = ResetDrawing();
  ExpectAnswer(d, Fetch(2), {{kStatusAt, kFailed}});
  ExpectAnswer(d, Fetch(3), {{kStatusAt, kFailed}});  // blocked until a reset
  ExpectLines({"\nVers\xE3o inv\xE1lida de Auto CAD. Use R14 ou posterior.\n"});
  EXPECT_EQ(hostLog.getCalls, 0);

  driverErrorState = 0;
  hostLog.lines.clear();
  for (auto [copies, taken] : {std::pair{150, 1}, std::pair{12, 12}}) {
    const uint8_t record[40] = {static_cast<uint8_t>(copies)};  // the rest repaired
    StoreRecord(record);
    std::strcpy(labelText, "old label");
    ExpectAnswer(d, Fetch(3), {{kStatusAt, "\0\0"s}, {kHandshake.level, "\x03\0\0\0"s}});
    EXPECT_EQ(copyCount, taken);
    EXPECT_EQ(hostWindow, kWindow);
    EXPECT_STREQ(labelText, "");
  }

  hostLog.getResult = 1;
  ExpectAnswer(d, Fetch(3), {{kStatusAt, kFailed}});
  ExpectLines({"\nFalha em obter as informa\xE7\365es de configura\xE7\xE3o. \n"});
  EXPECT_EQ(driverErrorState, kErrorRefused);
}

TEST(DrawingSetUp, ConfigureAnswersThePlotAreaAndSaves) {
  const DriverLink d = ResetDrawing();
  const std::string geometry = F64s({48, 36, 48, 36, 1016, 1016});
  ExpectAnswer(d, Area(kGraphicsConfigure, 1, 2),
               {{kStatusAt, kAreaAnswered},
                {kPlotArea.length, geometry},
                {kPlotArea.areaName, kMax},
                {kCapabilities.answerTwo, "\x02\0"s}});
  EXPECT_EQ(hostFlagWord, 0x00C0FFEEu);
  EXPECT_EQ(usableLength, 48.0);
  EXPECT_EQ(0, std::memcmp(hostLog.storedRecord.data(), &configRecord, kRecord.size));
  EXPECT_EQ(moduleHandle, nullptr) << "no module of the driver's name: no dialog";

  hostLog.saveResult = 1;  // the answered geometry stays
  ExpectAnswer(d, Area(kGraphicsConfigure, 1, 2),
               {{kStatusAt, kFailed},
                {kPlotArea.length, geometry},
                {kPlotArea.areaName, kMax},
                {kCapabilities.answerTwo, "\x02\0"s}});
  ExpectLines({"\nFalha em salvar as informa\xE7\365es de configura\xE7\xE3o. \n"});
  EXPECT_EQ(driverErrorState, kErrorRefused);
  ExpectAnswer(d, Area(kGraphicsConfigure, 1, 2), {{kStatusAt, kFailed}});
  EXPECT_EQ(hostLog.saveCalls, 2);
}

TEST(DrawingSetUp, PlotAreaFromTheHost) {
  const DriverLink d = ResetDrawing();
  configRecord.jobFlags |= kJobQdrsOutput;
  // The length asked, the coordinate size chosen, the length taken.
  const std::tuple<double, int32_t, double> cases[] = {
      {30.0, 1, 30.0}, {40.9575, 0, 40.9575}, {-3.0, 1, 0.0}, {NAN, 1, 0.0}};
  for (auto [length, coordinates, taken] : cases) {
    hostFlagWord = 0;
    ExpectAnswer(d, Area(kGraphicsPlotArea, length, 1),
                 {{kCapabilities.answerTwo, "\x02"s}});  // not even the status
    EXPECT_EQ(hostFlagWord, 0x00C0FFEEu);
    EXPECT_EQ(Usable(), std::pair(taken, 1.0));
    EXPECT_EQ(shortCoordinates, coordinates) << length;
  }

  configRecord.jobFlags = 0;
  shortCoordinates = 7;
  Send(d, Area(kGraphicsPlotArea, 30, 20));
  EXPECT_EQ(shortCoordinates, 7) << "only QDRS output chooses the coordinate size";
  driverErrorState = kErrorOutput;
  ExpectAnswer(d, Area(kGraphicsPlotArea, 30, 20), {{kStatusAt, kFailed}});
}

TEST(DrawingSetUp, PaperListAfterAReset) {
  const DriverLink d = ResetDrawing();
  Send(d, Reset());
  ExpectAnswer(d, Area(kGraphicsPaperList, 100, 100),
               {{kStatusAt, kAreaAnswered},
                {kPlotArea.length, F64s({48, 36, 48, 36})},
                {kPlotArea.areaName, kMax},
                {kCapabilities.answerTwo, "\x02\0"s}});
  EXPECT_EQ(Usable(), std::pair(48.0, 36.0));
  EXPECT_EQ(std::pair(unitsPerInch[0], unitsPerInch[1]), std::pair(500.0, 600.0)) << "the host's";
  ASSERT_EQ(paperCount, 43);
  EXPECT_STREQ(paperNames[42], "Tamanho especializado de largura Esp. A2 435mm");

  // Without a reset in between only the flag word is taken.
  ExpectAnswer(d, Filled(kGraphicsPaperList, {{kPlotArea.hostFlags, "\x56\x34\x12\0"s}}),
               {{kStatusAt, "\0\0"s}});
  EXPECT_EQ(hostFlagWord, 0x00123456u);
  EXPECT_EQ(usableLength, 48.0);

  // Smaller than the sheet, or larger in one direction only: the host's area stays.
  for (auto [length, width] : {std::pair{30.0, 20.0}, std::pair{100.0, 20.0}}) {
    Send(d, Reset());
    ExpectAnswer(d, Area(kGraphicsPaperList, length, width),
                 {{kStatusAt, kAreaAnswered},
                  {kPlotArea.largestLength, F64s({48, 36})},
                  {kCapabilities.answerTwo, "\x02\0"s}});
    EXPECT_EQ(Usable(), std::pair(length, width));
  }

  Send(d, Reset());
  configRecord.paperSize = 50;
  ExpectAnswer(d, Area(kGraphicsPaperList, 100, 100),
               {{kStatusAt, kAreaAnswered},
                {kPlotArea.length, F64s({42, 30, 42, 30})},
                {kPlotArea.areaName, kMax},
                {kCapabilities.answerTwo, "\x02\0"s}});
  EXPECT_EQ(configRecord.paperSize, 1);
  driverErrorState = kErrorRefused;
  ExpectAnswer(d, Area(kGraphicsPaperList, 100, 100), {{kStatusAt, kFailed}});
}

TEST(DrawingSetUp, ResetReleasesTheBufferAndTheDrawingState) {
  const DriverLink d = ResetDrawing();
  const size_t mappedBefore = mallinfo2().hblkhd;
  ASSERT_EQ(OutOpen(), 0);
  plotOpen = penReselectDue = 1;
  outputFill = previousHostSetting = defaultPen = 5;
  usableLength = usableWidth = 3;
  driverErrorState = kErrorOutput;

  const Packet p = Send(d, Reset());
  EXPECT_EQ(OutputBuffer, nullptr);
  EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "the plot's buffer is released";
  EXPECT_EQ(plotOpen + outputFill + penReselectDue + driverErrorState, 0);
  EXPECT_EQ(Usable(), std::pair(0.0, 0.0));
  EXPECT_EQ(std::tuple(previousHostSetting, defaultPen, int{paperListDue}), std::tuple(-1, 7, 1));
  EXPECT_EQ(p.status(), 49) << "the answer goes to offset 10";
  EXPECT_EQ(ReadU16(Send(d, Reset(0)).bytes.data(), kVersionCheck.result), kVersionWrongHost);
}

TEST(DrawingSetUp, LegendAndSummaryLineByLine) {
  const DriverLink d = ResetDrawing();
  Send(d, Reset());
  configRecord.paperSize = 13;
  Send(d, Area(kGraphicsPaperList, 100, 100));
  ConfigRecord& r = configRecord;
  r.finishProgram = 2, r.finishMargins = 1, r.finishBin = 14, r.mediaType = 3, r.plotFlags = 0;
  r.jobFlags = kJob400Dpi | kJobManualOutput;
  copyCount = 12;
  ExpectAnswer(d, Filled(kGraphicsSummary), {});
  ExpectLines({
      " Plotadora: ",
      "7410/7420 Wide Format",
      "\n Selecione o tipo de papel: Vellum                          ",
      "\n Tamanho do papel: A1                ",
      "\n Selecione os dados gerados: HP-RTL/GL2 ",
      "\n Programa: Programa 2                   ",
      "\n Margem: Sempre desligado               ",
      "\n Escaninho de sa\355da: Escaninho 13                  ",
      "\n Sa\355da manual ",
      "\n Preencher um pol\xEDgono. (S\xF3lido) ",
      "\n Resolu\xE7\xE3o da imagem: ",
      "400dpi ",
      "\n N\xFAmero de c\xF3pias: 12 ",
      "\n Porta da plotadora: ",
      "Paralela ",
      "\n",
  });

  hostLog.lines.clear();
  ExpectAnswer(d, Filled(kGraphicsLineTypeLegend), {});
  ExpectLines({
      "\nTipo de linha No. 0 = Linha s\xF3lida ",
      "\n                1 = ................................",
      "\n                2 = ----    ----    ----    ----    ",
      "\n                3 = -----   -----   -----   -----   ",
      "\n                4 = ------. ------. ------. ------. ",
      "\n                5 = ---- -  ---- -  ---- -  ---- -  ",
      "\n                6 = --- - - --- - - --- - - --- - - ",
      "\n                7 = ------ . . ------ . . ------ . .",
      "\n",
  });
}

TEST(DrawingSetUp, SummaryNeverReadsOutsideThePaperList) {
  const DriverLink d = ResetDrawing();
  Send(d, Filled(kGraphicsSummary));  // no list built since the driver started this test
  EXPECT_BYTES(hostLog.lines.at(3), "\n Tamanho do papel:  ");
  Send(d, Reset());
  Send(d, Area(kGraphicsPaperList, 100, 100));
  // Sizes outside the list of 43; resolution bits other than 600, 400 and 300 dpi read as 200.
  const std::tuple<int32_t, uint16_t, std::string> cases[] = {{0, kJob600Dpi, "600dpi "},
                                                              {44, kJob300Dpi, "300dpi "},
                                                              {-7, kJob200Dpi, "200dpi "},
                                                              {1 << 30, 0, "200dpi "}};
  for (const auto& [size, bits, resolution] : cases) {
    configRecord.paperSize = size;
    configRecord.jobFlags = bits;
    hostLog.lines.clear();
    Send(d, Filled(kGraphicsSummary));
    EXPECT_BYTES(hostLog.lines.at(3), "\n Tamanho do papel:  ") << size;
    EXPECT_BYTES(hostLog.lines.at(9), resolution);
  }
}

}  // namespace

namespace {

// The far corner mark at the end of a QDRS header, in either number form.
std::pair<int64_t, int64_t> CornerMark() {
  const auto number = [](const uint8_t* p, int32_t bytes) {
    uint32_t v = 0;
    for (int32_t k = 0; k < bytes; ++k) v = v << 8 | p[k];
    return bytes == 2 ? int64_t{static_cast<int16_t>(v)} : int64_t{static_cast<int32_t>(v)};
  };
  const uint8_t* end = OutputBuffer + outputFill - 4;  // width 1 follows the mark
  if (end[-10] == 0x64) return {number(end - 8, 2), number(end - 6, 2)};
  return {number(end - 16, 4), number(end - 12, 4)};
}

// A host answering absurd units per inch, or none at all, and absurd plot
// areas. The plot size saturates where it must, every conversion after it
// stays defined (the sanitizer build stops on any that is not), and the far
// corner mark stays on the plot area's corner (as far as a small sheet's 16-bit
// numbers reach), never at a negative place.
// The first case replays a fuzzing run that overflowed the mark's conversion:
// 196.06 x 35.21 usable inches at unitScale 2, its width saturated.
TEST(DrawingSetUp, AbsurdHostUnitsAndAreasLeaveTheCornerMarkOnTheCorner) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  struct Case {
    double along, across;
    int16_t areaCode;  // a plot-area request after the paper list, or 0
    double length, width;
    int32_t plotWidth;  // -1: not looked at
  };
  for (const Case& c :
       {Case{1016.0, 4363686772736.0, 0, 0, 0, INT32_MAX}, Case{nan, nan, 0, 0, 0, 0},
        Case{inf, -inf, 0, 0, 0, 0}, Case{-inf, 1e308, 0, 0, 0, INT32_MAX},
        Case{1016.0, 4363686772736.0, 47, nan, inf, 0},
        Case{1016.0, 4363686772736.0, 47, 1e300, 1e300, INT32_MAX},
        Case{1016.0, 4363686772736.0, 47, 30, 20, INT32_MAX},
        Case{1016.0, 4363686772736.0, 46, nan, -inf, -1}}) {
    SCOPED_TRACE(testing::Message() << c.along << " " << c.across << " " << c.areaCode << " "
                                    << c.length << " " << c.width);
    const DriverLink d = ResetDrawing();
    ConfigRecord record{};
    SetConfigDefaults(record, 0);
    record.jobFlags = kJobQdrsOutput | kJob400Dpi;
    record.paperSize = 25;  // a custom length across a 36-inch roll
    record.customLength = 5000;
    record.margin = 10;
    uint8_t stored[40];
    std::memcpy(stored, &record, sizeof stored);
    StoreRecord(stored);
    Send(d, Reset());
    Send(d, Fetch(3));
    Send(d, Filled(kGraphicsPaperList, {{kPlotArea.length, F64s({1000, 1000})},
                                        {kPlotArea.unitsAlongLength, F64s({c.along, c.across})}}));
    if (c.areaCode != 0)
      Send(d, Filled(c.areaCode, {{kPlotArea.length, F64s({c.length, c.width})}}));
    ASSERT_EQ(BeginPlot(d), 0);
    if (c.plotWidth >= 0) {
      EXPECT_EQ(plotWidthUnits, c.plotWidth);
    }
    const auto [x, y] = CornerMark();
    EXPECT_TRUE(x >= 0 && y >= 0) << x << "," << y;
    // The 16-bit form of a small sheet holds what it can of a corner past it.
    const int64_t limit = shortCoordinates == 1 ? INT16_MAX : INT32_MAX;
    const int64_t a = std::min<int64_t>(plotLengthUnits, limit);
    const int64_t b = std::min<int64_t>(plotWidthUnits, limit);
    EXPECT_EQ(std::pair(x, y), widthAtLeastLength == 0 ? std::pair(a, b) : std::pair(b, a));
    // Points and widths still convert: the largest host point, the widest pen.
    EXPECT_EQ(MoveTo(d, 65535, 65535), 3);
    EXPECT_EQ(SetPenWidth(d, inf), 0);
    EXPECT_EQ(DrawTo(d, 0, 65535), 4);
    EndPlot(d);
  }
}

}  // namespace
