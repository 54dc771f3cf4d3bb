// The graphics requests that prepare a drawing: reset, configuration fetch,
// the main dialog's plot area, the paper list, the legend and the summary.
#include "vector/drawing_setup.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "golden.h"
#include "host/module.h"
#include "host/packet.h"
#include "vector/state.h"

namespace {

const std::string kFetchFailedLine =
    "\nFalha em obter as informa\xE7\xF5"
    "es de configura\xE7\xE3o. \n";
const std::string kSaveFailedLine =
    "\nFalha em salvar as informa\xE7\xF5"
    "es de configura\xE7\xE3o. \n";
const std::string kWrongVersionLine =
    "\nVers\xE3o inv\xE1lida de Auto CAD. Use R14 ou posterior.\n";

std::string Bytes(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

DriverLink ResetDrawing() {
  const DriverLink d = ResetDriver();
  paperListDue = 0;
  paperCount = 0;
  shortCoordinates = 1;
  hostFlagWord = 0;
  usableLength = 0;
  usableWidth = 0;
  return d;
}

void StoreConfig(const ConfigRecord& record) {
  uint8_t raw[40];
  std::memcpy(raw, &record, 40);
  StoreRecord(raw);
}

Packet FilledPacket(int16_t code) {
  Packet p = MakePacket(code);
  std::memset(p.data() + 2, 0xEE, p.bytes.size() - 2);
  return p;
}

uint16_t Reset(const DriverLink& d, uint16_t caller = 1) {
  Packet p = FilledPacket(49);
  WriteU16(p.data(), 4, caller);
  WriteU8(p.data(), 7, 2);
  Graphics(d, p);
  return ReadU16(p.data(), 10);
}

Packet PaperList(const DriverLink& d, double length, double width) {
  Packet p = FilledPacket(48);
  WriteU32(p.data(), 5, 0x00C0FFEE);
  WriteF64(p.data(), 9, length);
  WriteF64(p.data(), 17, width);
  WriteF64(p.data(), 41, 500.0);
  WriteF64(p.data(), 49, 600.0);
  Graphics(d, p);
  return p;
}

Packet FetchConfig(const DriverLink& d, int16_t level) {
  Packet p = FilledPacket(29);
  WriteU16(p.data(), 4, static_cast<uint16_t>(level));
  WriteU32(p.data(), 11, 0x00ABCDEF);
  Graphics(d, p);
  return p;
}

TEST(DrawingSetUp, ConfigFetch) {
  const DriverLink d = ResetDrawing();
  Packet old = FetchConfig(d, 2);
  EXPECT_EQ(old.status(), kStatusFailed);
  EXPECT_EQ(hostLog.getCalls, 0);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], kWrongVersionLine);
  EXPECT_EQ(driverErrorState, kErrorRefused);
  EXPECT_EQ(FetchConfig(d, 3).status(), kStatusFailed) << "blocked until a reset";
  EXPECT_EQ(hostLog.getCalls, 0);

  driverErrorState = 0;
  hostLog.lines.clear();
  ConfigRecord many{};
  SetConfigDefaults(many, 0);
  many.copies = 150;
  StoreConfig(many);
  std::strcpy(labelText, "old label");
  copyCount = 77;
  Packet p = FetchConfig(d, 3);
  EXPECT_EQ(p.status(), kStatusOk);
  EXPECT_EQ(configRecord.copies, 1);
  EXPECT_EQ(copyCount, 1);
  EXPECT_EQ(ReadU16(p.data(), 4), 3);
  EXPECT_EQ(ReadU16(p.data(), 6), 0);
  EXPECT_EQ(hostWindow, 0x00ABCDEFu);
  EXPECT_STREQ(labelText, "");
  EXPECT_TRUE(hostLog.lines.empty());

  many.copies = 12;
  StoreConfig(many);
  FetchConfig(d, 3);
  EXPECT_EQ(copyCount, 12);

  hostLog.getResult = 1;
  Packet refused = FetchConfig(d, 3);
  EXPECT_EQ(refused.status(), kStatusFailed);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], kFetchFailedLine);
  EXPECT_EQ(driverErrorState, kErrorRefused);
}

TEST(DrawingSetUp, ConfigureAnswersThePlotAreaAndSaves) {
  const DriverLink d = ResetDrawing();
  Packet p = FilledPacket(46);
  WriteU32(p.data(), 5, 0x01020304);
  Graphics(d, p);
  EXPECT_EQ(p.status(), 19);
  EXPECT_EQ(hostFlagWord, 0x01020304u);
  EXPECT_EQ(ReadF64(p.data(), 9), 48.0);
  EXPECT_EQ(ReadF64(p.data(), 25), 48.0);
  EXPECT_EQ(ReadF64(p.data(), 17), 36.0);
  EXPECT_EQ(ReadF64(p.data(), 33), 36.0);
  EXPECT_EQ(ReadF64(p.data(), 41), 1016.0);
  EXPECT_EQ(ReadF64(p.data(), 49), 1016.0);
  EXPECT_BYTES(Bytes(p.data() + 73, 5), std::string("MAX\0\xEE", 5));
  EXPECT_EQ(p.bytes[139], 2);
  EXPECT_EQ(p.bytes[140], 0);
  EXPECT_EQ(p.bytes[57], 0xEE);
  EXPECT_EQ(usableLength, 48.0);
  EXPECT_EQ(usableWidth, 36.0);
  EXPECT_EQ(hostLog.saveCalls, 1);
  EXPECT_EQ(0, std::memcmp(hostLog.storedRecord.data(), &configRecord, 40));
  EXPECT_EQ(moduleHandle, nullptr) << "no module of the driver's name: no dialog";

  hostLog.saveResult = 1;
  Packet refused = FilledPacket(46);
  Graphics(d, refused);
  EXPECT_EQ(refused.status(), kStatusFailed);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], kSaveFailedLine);
  EXPECT_EQ(driverErrorState, kErrorRefused);
  EXPECT_EQ(ReadF64(refused.data(), 9), 48.0) << "the answered geometry stays";
  EXPECT_EQ(ReadF64(refused.data(), 41), 1016.0);

  Packet blocked = FilledPacket(46);
  Graphics(d, blocked);
  EXPECT_EQ(blocked.status(), kStatusFailed);
  EXPECT_EQ(blocked.bytes[9], 0xEE);
  EXPECT_EQ(hostLog.saveCalls, 2);
}

TEST(DrawingSetUp, ConfigureLooksUpTheModuleEachTime) {
  const DriverLink d = ResetDrawing();
  void* library = dlopen(TRNKV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr);
  Packet p = FilledPacket(46);
  Graphics(d, p);
  EXPECT_NE(moduleHandle, nullptr);
  EXPECT_EQ(p.status(), 19);
  dlclose(library);
  Packet again = FilledPacket(46);
  Graphics(d, again);
  EXPECT_EQ(moduleHandle, nullptr);
}

TEST(DrawingSetUp, PlotAreaFromTheHost) {
  const DriverLink d = ResetDrawing();
  configRecord.jobFlags |= kJobQdrsOutput;
  struct Case {
    double length, width;
    int32_t shortCoordinates;
    double usedLength;
  };
  const Case cases[] = {
      {30.0, 20.0, 1, 30.0}, {50.0, 20.0, 0, 50.0},       {40.9575, 1.0, 0, 40.9575},
      {-3.0, 1.0, 1, 0.0},   {std::nan(""), 1.0, 1, 0.0},
  };
  for (const Case& c : cases) {
    Packet p = FilledPacket(47);
    WriteU32(p.data(), 5, 0x0A0B0C0D);
    WriteF64(p.data(), 9, c.length);
    WriteF64(p.data(), 17, c.width);
    Graphics(d, p);
    EXPECT_EQ(p.status(), 47) << "the status is not answered";
    EXPECT_EQ(p.bytes[139], 2);
    EXPECT_EQ(p.bytes[140], 0xEE);
    EXPECT_EQ(hostFlagWord, 0x0A0B0C0Du);
    EXPECT_EQ(usableLength, c.usedLength) << c.length;
    EXPECT_EQ(usableWidth, c.width);
    EXPECT_EQ(shortCoordinates, c.shortCoordinates) << c.length;
  }

  configRecord.jobFlags &= static_cast<uint16_t>(~kJobQdrsOutput);
  shortCoordinates = 7;
  Packet hpgl = FilledPacket(47);
  WriteF64(hpgl.data(), 9, 30.0);
  WriteF64(hpgl.data(), 17, 20.0);
  Graphics(d, hpgl);
  EXPECT_EQ(shortCoordinates, 7) << "only QDRS output chooses the coordinate size";

  driverErrorState = kErrorOutput;
  Packet blocked = FilledPacket(47);
  Graphics(d, blocked);
  EXPECT_EQ(blocked.status(), kStatusFailed);
  EXPECT_EQ(blocked.bytes[139], 0xEE);
}

TEST(DrawingSetUp, PaperListAfterAReset) {
  const DriverLink d = ResetDrawing();
  Reset(d);
  Packet largest = PaperList(d, 100.0, 100.0);
  EXPECT_EQ(largest.status(), 19);
  EXPECT_EQ(ReadF64(largest.data(), 9), 48.0);
  EXPECT_EQ(ReadF64(largest.data(), 17), 36.0);
  EXPECT_EQ(ReadF64(largest.data(), 25), 48.0);
  EXPECT_EQ(ReadF64(largest.data(), 33), 36.0);
  EXPECT_BYTES(Bytes(largest.data() + 73, 4), std::string("MAX\0", 4));
  EXPECT_EQ(largest.bytes[139], 2);
  EXPECT_EQ(largest.bytes[140], 0);
  EXPECT_EQ(usableLength, 48.0);
  EXPECT_EQ(usableWidth, 36.0);
  EXPECT_EQ(unitsPerInch[0], 500.0) << "taken from the host";
  EXPECT_EQ(unitsPerInch[1], 600.0);
  EXPECT_EQ(hostFlagWord, 0x00C0FFEEu);
  ASSERT_EQ(paperCount, 43);
  EXPECT_STREQ(paperNames[0], "30-Arch(30\")    ");
  EXPECT_STREQ(paperNames[1], "E-arch(36\")     ");
  EXPECT_STREQ(paperNames[42], "Tamanho especializado de largura Esp. A2 435mm");

  // Without a reset in between only the flag word is taken.
  hostFlagWord = 0;
  Packet second = FilledPacket(48);
  WriteU32(second.data(), 5, 0x00123456);
  Packet expected = second;
  WriteU16(expected.data(), 0, 0);
  Graphics(d, second);
  EXPECT_BYTES(Bytes(second.data(), second.bytes.size()),
               Bytes(expected.bytes.data(), expected.bytes.size()));
  EXPECT_EQ(hostFlagWord, 0x00123456u);
  EXPECT_EQ(usableLength, 48.0);

  Reset(d);
  Packet smaller = PaperList(d, 30.0, 20.0);
  EXPECT_EQ(smaller.status(), 19);
  EXPECT_EQ(ReadF64(smaller.data(), 9), 30.0);
  EXPECT_EQ(ReadF64(smaller.data(), 17), 20.0);
  EXPECT_EQ(ReadF64(smaller.data(), 25), 48.0);
  EXPECT_EQ(ReadF64(smaller.data(), 33), 36.0);
  EXPECT_EQ(smaller.bytes[73], 0xEE);
  EXPECT_EQ(usableLength, 30.0);
  EXPECT_EQ(usableWidth, 20.0);

  // Longer than the sheet in one direction only: the host's area stays.
  Reset(d);
  Packet oneWay = PaperList(d, 100.0, 20.0);
  EXPECT_EQ(ReadF64(oneWay.data(), 9), 100.0);
  EXPECT_EQ(oneWay.bytes[73], 0xEE);

  Reset(d);
  configRecord.paperSize = 50;
  Packet outside = PaperList(d, 100.0, 100.0);
  EXPECT_EQ(configRecord.paperSize, 1);
  EXPECT_EQ(ReadF64(outside.data(), 25), 42.0);
  EXPECT_EQ(ReadF64(outside.data(), 33), 30.0);

  driverErrorState = kErrorRefused;
  Packet blocked = PaperList(d, 100.0, 100.0);
  EXPECT_EQ(blocked.status(), kStatusFailed);
}

TEST(DrawingSetUp, ResetReleasesTheBufferAndTheDrawingState) {
  const DriverLink d = ResetDrawing();
  const size_t mappedBefore = mallinfo2().hblkhd;
  ASSERT_EQ(OutOpen(), 0);
  plotOpen = 1;
  outputFill = 10;
  previousHostSetting = 5;
  usableLength = 3;
  usableWidth = 2;
  penReselectDue = 1;
  defaultPen = 3;
  driverErrorState = kErrorOutput;

  Packet p = FilledPacket(49);
  WriteU16(p.data(), 4, 1);
  WriteU8(p.data(), 7, 2);
  Graphics(d, p);
  EXPECT_EQ(OutputBuffer, nullptr);
  EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "the plot's buffer is released";
  EXPECT_EQ(plotOpen, 0);
  EXPECT_EQ(outputFill, 0);
  EXPECT_EQ(previousHostSetting, -1);
  EXPECT_EQ(usableLength, 0.0);
  EXPECT_EQ(usableWidth, 0.0);
  EXPECT_EQ(penReselectDue, 0);
  EXPECT_EQ(defaultPen, 7);
  EXPECT_EQ(paperListDue, 1);
  EXPECT_EQ(driverErrorState, 0);
  EXPECT_EQ(ReadU16(p.data(), 0), 49);
  EXPECT_EQ(ReadU16(p.data(), 10), 0);
  EXPECT_EQ(ReadU16(p.data(), 12), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.data() + 86),
               "Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 ");

  EXPECT_EQ(Reset(d, 0), 0xFFFD);
  EXPECT_EQ(driverErrorState, kErrorRefused);
  EXPECT_EQ(paperListDue, 1);
}

TEST(DrawingSetUp, LineTypeLegend) {
  const DriverLink d = ResetDrawing();
  Packet p = FilledPacket(15);
  const Packet before = p;
  Graphics(d, p);
  const std::vector<std::string> expected = {
      "\nTipo de linha No. 0 = Linha s\xF3lida ",
      "\n                1 = ................................",
      "\n                2 = ----    ----    ----    ----    ",
      "\n                3 = -----   -----   -----   -----   ",
      "\n                4 = ------. ------. ------. ------. ",
      "\n                5 = ---- -  ---- -  ---- -  ---- -  ",
      "\n                6 = --- - - --- - - --- - - --- - - ",
      "\n                7 = ------ . . ------ . . ------ . .",
      "\n",
  };
  ASSERT_EQ(hostLog.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_BYTES(hostLog.lines[i], expected[i]) << "line " << i;
  EXPECT_EQ(p.bytes, before.bytes);
}

void ExpectLines(const std::vector<std::string>& expected) {
  ASSERT_EQ(hostLog.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_BYTES(hostLog.lines[i], expected[i]) << "line " << i;
}

TEST(DrawingSetUp, SummaryOfTheDefaults) {
  const DriverLink d = ResetDrawing();
  Reset(d);
  PaperList(d, 100.0, 100.0);
  hostLog.lines.clear();
  Packet p = FilledPacket(31);
  Graphics(d, p);
  ExpectLines({
      " Plotadora: ",
      "7410/7420 Wide Format",
      "\n Selecione o tipo de papel: Comum                           ",
      "\n Tamanho do papel: E-arch(36\")      ",
      "\n Selecione os dados gerados: HP-RTL/GL2 ",
      "\n Programa: Alimenta\xE7\xE3o manual da pasta  ",
      "\n Nenhuma sa\xED"
      "da manual ",
      "\n Preencher um pol\xEDgono. (Meio-tom) ",
      "\n Resolu\xE7\xE3o da imagem: ",
      "600dpi ",
      "\n N\xFAmero de c\xF3pias:  1 ",
      "\n Porta da plotadora: ",
      "Paralela ",
      "\n",
  });
}

TEST(DrawingSetUp, SummaryOfChangedSettings) {
  const DriverLink d = ResetDrawing();
  Reset(d);
  configRecord.paperSize = 13;
  PaperList(d, 100.0, 100.0);
  configRecord.finishProgram = 2;
  configRecord.finishMargins = 1;
  configRecord.finishBin = 14;
  configRecord.mediaType = 3;
  configRecord.jobFlags = kJob400Dpi | kJobManualOutput;
  configRecord.plotFlags = 0;
  copyCount = 12;
  hostLog.lines.clear();
  Packet p = FilledPacket(31);
  Graphics(d, p);
  ExpectLines({
      " Plotadora: ",
      "7410/7420 Wide Format",
      "\n Selecione o tipo de papel: Vellum                          ",
      "\n Tamanho do papel: A1                ",
      "\n Selecione os dados gerados: HP-RTL/GL2 ",
      "\n Programa: Programa 2                   ",
      "\n Margem: Sempre desligado               ",
      "\n Escaninho de sa\xED"
      "da: Escaninho 13                  ",
      "\n Sa\xED"
      "da manual ",
      "\n Preencher um pol\xEDgono. (S\xF3lido) ",
      "\n Resolu\xE7\xE3o da imagem: ",
      "400dpi ",
      "\n N\xFAmero de c\xF3pias: 12 ",
      "\n Porta da plotadora: ",
      "Paralela ",
      "\n",
  });

  // Resolution bits other than 600, 400 and 300 dpi read as 200 dpi.
  for (uint16_t bits : {kJob300Dpi, kJob200Dpi, uint16_t{0}}) {
    configRecord.jobFlags = bits;
    hostLog.lines.clear();
    Graphics(d, p);
    ASSERT_EQ(hostLog.lines.size(), 16u);
    EXPECT_BYTES(hostLog.lines[11], bits == kJob300Dpi ? "300dpi " : "200dpi ");
  }
}

TEST(DrawingSetUp, SummaryNeverReadsOutsideThePaperList) {
  const DriverLink d = ResetDrawing();
  Packet p = FilledPacket(31);
  Graphics(d, p);  // no list built since the driver started this test
  ASSERT_GE(hostLog.lines.size(), 4u);
  EXPECT_BYTES(hostLog.lines[3], "\n Tamanho do papel:  ");

  Reset(d);
  PaperList(d, 100.0, 100.0);
  for (int32_t size : {0, 44, -7, 1 << 30}) {
    configRecord.paperSize = size;
    hostLog.lines.clear();
    Graphics(d, p);
    ASSERT_GE(hostLog.lines.size(), 4u);
    EXPECT_BYTES(hostLog.lines[3], "\n Tamanho do papel:  ") << size;
  }
}

}  // namespace
