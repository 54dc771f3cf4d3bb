// Control requests as the host sends them through the descriptor's handler.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "golden.h"
#include "host/packet.h"

namespace {

// The message texts in the bytes the host receives (Windows-1252).
const std::string kWrongHostLine =
    "\nTentativa de captar o desenho de um aplicativo diferente de Auto CAD.\n";
const std::string kWrongVersionLine =
    "\nVers\xE3o inv\xE1lida de Auto CAD. Use R14 ou posterior.\n";
const std::string kSaveFailedLine =
    "\nFalha em salvar as informa\xE7\xF5"
    "es de configura\xE7\xE3o. \n";

const std::string kDriverName =
    std::string("Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 ") + std::string(32, '\0');

std::string Bytes(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

// A packet whose every byte is known, so that untouched bytes can be checked.
Packet PatternPacket(int16_t code) {
  Packet p;
  for (size_t i = 0; i < p.bytes.size(); ++i) p.bytes[i] = static_cast<uint8_t>(i * 37 + 5);
  WriteU16(p.data(), 0, static_cast<uint16_t>(code));
  return p;
}

Packet VersionPacket(uint16_t caller, uint8_t release) {
  Packet p = PatternPacket(49);
  WriteU16(p.data(), 4, caller);
  WriteU8(p.data(), 7, release);
  return p;
}

Packet HandshakePacket(int16_t level, uint32_t window) {
  Packet p = PatternPacket(11);
  WriteU16(p.data(), 4, static_cast<uint16_t>(level));
  WriteU32(p.data(), 11, window);
  return p;
}

TEST(ControlRequests, UnhandledCodesLeaveEveryByte) {
  const DriverLink d = ResetDriver();
  for (int16_t code : {1, 2, 30, 51, 0, -1, 100}) {
    Packet p = PatternPacket(code);
    const Packet before = p;
    Control(d, p);
    EXPECT_BYTES(Bytes(p.data(), p.bytes.size()), Bytes(before.bytes.data(), before.bytes.size()))
        << "code " << code;
  }
  // Request 50 loads the texts and answers nothing.
  Packet p = PatternPacket(50);
  const Packet before = p;
  Control(d, p);
  EXPECT_BYTES(Bytes(p.data(), p.bytes.size()), Bytes(before.bytes.data(), before.bytes.size()));
  EXPECT_TRUE(hostLog.lines.empty());
}

TEST(ControlRequests, RefusedHandshakeBlocksUntilTheVersionCheckPasses) {
  const DriverLink d = ResetDriver();
  Packet refused = HandshakePacket(2, 0x11223344);
  EXPECT_EQ(Control(d, refused), kStatusFailed);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], kWrongVersionLine);
  EXPECT_EQ(driverErrorState, kErrorRefused);
  EXPECT_EQ(ReadU16(refused.data(), 4), 2) << "a refused level is not answered";

  // Every checking request now answers 0xFFFF and touches nothing else.
  for (int16_t code : {11, 21, 40, 47}) {
    Packet p = PatternPacket(code);
    WriteU16(p.data(), 4, 3);
    Packet expected = p;
    WriteU16(expected.data(), 0, kStatusFailed);
    Control(d, p);
    EXPECT_BYTES(Bytes(p.data(), p.bytes.size()),
                 Bytes(expected.bytes.data(), expected.bytes.size()))
        << "code " << code;
  }
  EXPECT_EQ(hostLog.saveCalls, 0);
  EXPECT_EQ(hostLog.getCalls, 0);

  Packet version = VersionPacket(1, 2);
  Control(d, version);
  EXPECT_EQ(ReadU16(version.data(), 10), 0);
  EXPECT_EQ(driverErrorState, 0);
  Packet capabilities = PatternPacket(40);
  EXPECT_EQ(Control(d, capabilities), kStatusOk);
}

TEST(ControlRequests, HandshakeAnswersLevelThreeAndKeepsTheWindow) {
  const DriverLink d = ResetDriver();
  hostWindow = 0;
  Packet p = HandshakePacket(7, 0xCAFE1234);
  WriteU16(p.data(), 6, 0xBEEF);
  EXPECT_EQ(Control(d, p), kStatusOk);
  EXPECT_EQ(ReadI16(p.data(), 4), 3);
  EXPECT_EQ(ReadU16(p.data(), 6), 0);
  EXPECT_EQ(hostWindow, 0xCAFE1234u);
  EXPECT_EQ(ReadU32(p.data(), 11), 0xCAFE1234u);
  EXPECT_EQ(driverErrorState, 0);
  EXPECT_TRUE(hostLog.lines.empty());

  Packet lowest = HandshakePacket(3, 0x0BADF00D);
  EXPECT_EQ(Control(d, lowest), kStatusOk);
  EXPECT_EQ(hostWindow, 0x0BADF00Du);
}

TEST(ControlRequests, ModelQueryAnswersTheNameWhateverTheHostDelivers) {
  const DriverLink d = ResetDriver();
  const std::string expected = std::string("\x00\x00\x28\x00\x01\x00\x00\x00", 8) +
                               "7410/7420 Wide Format" + std::string(11, '\0');

  hostLog.getResult = 1;
  selectedModel = 3;
  Packet p = PatternPacket(20);
  const uint8_t after = p.bytes[40];
  EXPECT_EQ(Control(d, p), kStatusOk);
  EXPECT_BYTES(Bytes(p.data(), 40), expected);
  EXPECT_EQ(p.bytes[40], after);
  EXPECT_EQ(hostLog.getCalls, 1);
  EXPECT_EQ(selectedModel, 0);
  EXPECT_EQ(currentModel, 0);

  // A stored record is fetched, and a field outside its range is not taken.
  ConfigRecord stored = configRecord;
  stored.copies = 4;
  stored.paperSize = 99;
  uint8_t raw[40];
  std::memcpy(raw, &stored, 40);
  hostLog.getResult = 0;
  StoreRecord(raw);
  Packet again = PatternPacket(20);
  EXPECT_EQ(Control(d, again), kStatusOk);
  EXPECT_BYTES(Bytes(again.data(), 40), expected);
  EXPECT_EQ(configRecord.copies, 4);
  EXPECT_EQ(configRecord.paperSize, 2);
}

TEST(ControlRequests, ByteTables) {
  const DriverLink d = ResetDriver();
  struct Case {
    int16_t code;
    uint16_t value;
    std::string table;
  };
  std::string ramp(256, '\0');
  for (int k = 0; k < 256; ++k) ramp[k] = static_cast<char>(k);
  ramp[0] = 1;
  const Case cases[] = {
      {22, 7, std::string(256, '\0')},
      {23, 255, std::string(256, '\x01')},
      {25, 255, ramp},
  };
  for (const Case& c : cases) {
    Packet p = PatternPacket(c.code);
    const uint8_t after = p.bytes[262];
    EXPECT_EQ(Control(d, p), kStatusOk);
    EXPECT_EQ(ReadU16(p.data(), 2), 262) << "code " << c.code;
    EXPECT_EQ(ReadU16(p.data(), 4), c.value) << "code " << c.code;
    EXPECT_BYTES(Bytes(p.data() + 6, 256), c.table) << "code " << c.code;
    EXPECT_EQ(p.bytes[262], after) << "code " << c.code;
  }
}

TEST(ControlRequests, CapabilitiesSetOneBitAndKeepTheOthers) {
  const DriverLink d = ResetDriver();
  for (uint32_t host : {0x12345601u, 0x00080000u, 0xFFFFFFFFu, 0u}) {
    Packet p = PatternPacket(40);
    WriteU32(p.data(), 5, host);
    Packet expected = p;
    WriteU16(expected.data(), 0, 0);
    WriteU8(expected.data(), 4, 1);
    WriteU32(expected.data(), 5, host | 0x80000u);
    WriteU8(expected.data(), 139, 2);
    WriteU8(expected.data(), 140, 0);
    Control(d, p);
    EXPECT_BYTES(Bytes(p.data(), p.bytes.size()),
                 Bytes(expected.bytes.data(), expected.bytes.size()))
        << std::hex << host;
  }
}

TEST(ControlRequests, DoubleTableSumsTheHostFieldsAndLeavesThem) {
  const DriverLink d = ResetDriver();
  std::vector<uint8_t> p(16 + 8 * 256 + 16, 0xEE);
  WriteU16(p.data(), 0, 44);
  WriteU16(p.data(), 8, 0xFFFF);
  WriteU16(p.data(), 12, 2);
  d.control(p.data());

  const std::string head("\x00\x00\x01\x00\xFF\x00\x00\x00\xFF\xFF\xEE\xEE\x02\x00\xEE\xEE", 16);
  EXPECT_BYTES(Bytes(p.data(), 16), head);
  const std::string value("\xF5\xF3\xA6\x22\x15\xC6\x66\x3F", 8);  // 0.00278
  std::string doubles;
  for (int k = 0; k < 256; ++k) doubles += value;
  EXPECT_BYTES(Bytes(p.data() + 16, 8 * 256), doubles);
  EXPECT_EQ(p[16 + 8 * 256], 0xEE);
}

TEST(ControlRequests, SaveWritesTheSelectedModelAndReportsARefusal) {
  const DriverLink d = ResetDriver();
  configRecord.modelIndex = 1;
  configRecord.copies = 9;
  selectedModel = 0;
  Packet p = PatternPacket(47);
  EXPECT_EQ(Control(d, p), kStatusOk);
  EXPECT_EQ(hostLog.saveCalls, 1);
  EXPECT_EQ(ReadI16(hostLog.storedRecord.data(), 32), 0);
  EXPECT_EQ(ReadI32(hostLog.storedRecord.data(), 0), 9);
  EXPECT_TRUE(hostLog.lines.empty());

  hostLog.saveResult = 1;
  Packet refused = PatternPacket(47);
  EXPECT_EQ(Control(d, refused), kStatusFailed);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], kSaveFailedLine);
  EXPECT_EQ(driverErrorState, kErrorRefused);
}

TEST(ControlRequests, VersionCheck) {
  const DriverLink d = ResetDriver();
  struct Case {
    uint16_t caller;
    uint8_t release;
    uint16_t answer;
    const std::string* line;  // null: nothing printed
    uint8_t state;
  };
  const Case cases[] = {
      {1, 2, 0, nullptr, 0},
      {1, 9, 0, nullptr, 0},
      {1, 1, 0xFFFB, &kWrongVersionLine, kErrorRefused},
      {0, 2, 0xFFFD, &kWrongHostLine, kErrorRefused},
      {0, 0, 0xFFFD, &kWrongHostLine, kErrorRefused},  // the release is not looked at
      {2, 1, 0xFFFD, &kWrongHostLine, kErrorRefused},
  };
  for (const Case& c : cases) {
    hostLog.lines.clear();
    driverErrorState = kErrorOutput;  // cleared before the check
    Packet p = VersionPacket(c.caller, c.release);
    Packet expected = p;
    WriteU16(expected.data(), 10, c.answer);
    WriteU16(expected.data(), 12, 0);
    std::memcpy(expected.data() + 86, kDriverName.data(), 81);
    Control(d, p);
    EXPECT_BYTES(Bytes(p.data(), p.bytes.size()),
                 Bytes(expected.bytes.data(), expected.bytes.size()))
        << "caller " << c.caller << " release " << int(c.release);
    EXPECT_EQ(driverErrorState, c.state);
    ASSERT_EQ(hostLog.lines.size(), c.line ? 1u : 0u);
    if (c.line) {
      EXPECT_BYTES(hostLog.lines[0], *c.line);
    }
  }
}

TEST(ControlRequests, MessagesBeforeTheTextsAreLoadedAreEmptyLines) {
  const DriverLink d = ResetDriver();
  std::memset(MessageTable, 0, sizeof MessageTable);
  Packet refused = HandshakePacket(1, 0);
  Control(d, refused);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_BYTES(hostLog.lines[0], "\n\n");

  Packet load = PatternPacket(50);
  Control(d, load);
  Packet version = VersionPacket(1, 1);
  Control(d, version);
  ASSERT_EQ(hostLog.lines.size(), 2u);
  EXPECT_BYTES(hostLog.lines[1], kWrongVersionLine);
}

}  // namespace
