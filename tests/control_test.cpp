// Control requests as the host sends them through the descriptor's handler.
#include <gtest/gtest.h>

#include <tuple>

#include "driver_fixture.h"
#include "golden.h"
#include "host/protocol.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Bytes = std::initializer_list<std::pair<size_t, std::string>>;  // bytes by offset

const std::string kWrongHostLine =
    "\nTentativa de captar o desenho de um aplicativo diferente de Auto CAD.\n";
const std::string kWrongVersionLine =
    "\nVers\xE3o inv\xE1lida de Auto CAD. Use R14 ou posterior.\n";

// A packet whose every byte is known, so that untouched bytes can be checked.
Packet Pattern(int16_t code, Bytes fields = {}) {
  Packet p;
  for (size_t i = 0; i < p.bytes.size(); ++i) p.bytes[i] = static_cast<uint8_t>(i * 37 + 5);
  WriteU16(p.data(), kCodeAt, static_cast<uint16_t>(code));
  for (const auto& [at, b] : fields) std::memcpy(p.data() + at, b.data(), b.size());
  return p;
}

auto Version = [](char caller, char release) {
  return Pattern(kControlVersionCheck,
                 {{kVersionCheck.hostMarker, {caller, 0}}, {kVersionCheck.release, {release}}});
};
auto Send = [](const DriverLink& d, Packet p) { return Control(d, p); };

// Sends `p`; the driver must write `answer` into it and touch nothing else.
void ExpectAnswer(const DriverLink& d, Packet p, Bytes answer) {
  const int16_t code = ReadI16(p.data(), kCodeAt);
  std::string expected(p.bytes.begin(), p.bytes.end());
  for (const auto& [at, b] : answer) expected.replace(at, b.size(), b);
  Control(d, p);
  EXPECT_BYTES(std::string(p.bytes.begin(), p.bytes.end()), expected) << "code " << code;
}

TEST(ControlRequests, UnhandledCodesLeaveEveryByteAndMessagesWaitForTheTexts) {
  const DriverLink d = ResetDriver();
  std::memset(MessageTable, 0, sizeof MessageTable);
  Send(d, Version(1, 1));
  for (int16_t code : {1, 2, 30, 51, 0, -1, 100, 50}) ExpectAnswer(d, Pattern(code), {});
  Send(d, Version(1, 1));
  EXPECT_EQ(hostLog.lines, (Lines{"\n\n", kWrongVersionLine})) << "50 loads the texts";
}

TEST(ControlRequests, RefusedHandshakeBlocksUntilTheVersionCheckPasses) {
  const DriverLink d = ResetDriver();
  // The level is not answered.
  ExpectAnswer(d, Pattern(kControlHandshake, {{kHandshake.level, "\x02\0"s}}),
               {{kStatusAt, "\xFF\xFF"s}});
  for (int16_t code :
       {kControlHandshake, kControlPlotSetUp, kControlCapabilities, kControlSaveConfig})
    ExpectAnswer(d, Pattern(code, {{kHandshake.level, "\x03\0"s}}), {{kStatusAt, "\xFF\xFF"s}});
  EXPECT_EQ(hostLog.lines, Lines{kWrongVersionLine});
  EXPECT_EQ(hostLog.saveCalls + hostLog.getCalls, 0);

  Send(d, Version(1, 2));
  // The window is a handle of the machine's size.
  std::string window(kAddressSize, '\0');
  const WireAddress handle = kWideAddresses ? 0x7F000BADF00D : 0x0BADF00D;
  std::memcpy(window.data(), &handle, window.size());
  for (const char* level : {"\x03", "\x07"})
    ExpectAnswer(d,
                 Pattern(kControlHandshake,
                         {{kHandshake.level, level + "\0"s}, {kHandshake.window, window}}),
                 {{kStatusAt, "\0\0"s}, {kHandshake.level, "\x03\0\0\0"s}});
  EXPECT_EQ(hostWindow, handle);
  // Capabilities add one bit to the host's word and keep the others.
  ExpectAnswer(d,
               Pattern(kControlCapabilities, {{kCapabilities.capabilityWord, "\x01\x56\x34\x12"s}}),
               {{kStatusAt, "\0\0"s},
                {kCapabilities.one, "\x01\x01\x56\x3C\x12"s},
                {kCapabilities.answerTwo, "\x02\0"s}});
  ExpectAnswer(d, Pattern(kControlCapabilities, {{kCapabilities.capabilityWord, "\0\0\x08\0"s}}),
               {{kStatusAt, "\0\0"s},
                {kCapabilities.one, "\x01\0\0\x08\0"s},
                {kCapabilities.answerTwo, "\x02\0"s}});
}

TEST(ControlRequests, ModelQueryAnswersTheNameAndSaveTakesTheSelectedModel) {
  const DriverLink d = ResetDriver();
  hostLog.getResult = 1;
  selectedModel = 3;
  ExpectAnswer(
      d, Pattern(kControlModelQuery),
      {{kStatusAt, "\0\0\x28\0\x01\0\0\0"s + "7410/7420 Wide Format" + std::string(11, '\0')}});
  EXPECT_EQ(hostLog.getCalls, 1);

  configRecord.modelIndex = 1;
  configRecord.copies = 9;
  EXPECT_EQ(Send(d, Pattern(kControlSaveConfig)), kStatusOk);
  EXPECT_EQ(ReadI16(hostLog.storedRecord.data(), kRecord.modelIndex), 0)
      << "the model the query selected";
  EXPECT_EQ(ReadI32(hostLog.storedRecord.data(), kRecord.copies), 9);
  hostLog.saveResult = 1;
  EXPECT_EQ(Send(d, Pattern(kControlSaveConfig)), kStatusFailed);
  EXPECT_EQ(hostLog.lines.size(), 1u) << "the text is pinned with request 46";
  EXPECT_EQ(driverErrorState, kErrorRefused);
}

TEST(ControlRequests, ByteTablesAndDoubleTable) {
  const DriverLink d = ResetDriver();
  std::string ramp(256, '\x01');
  for (int k = 1; k < 256; ++k) ramp[k] = static_cast<char>(k);
  ExpectAnswer(d, Pattern(kControlZeroTable),
               {{kStatusAt, "\0\0\x06\x01\x07\0"s + std::string(256, '\0')}});
  ExpectAnswer(d, Pattern(kControlOnesTable),
               {{kStatusAt, "\0\0\x06\x01\xFF\0"s + std::string(256, '\x01')}});
  ExpectAnswer(d, Pattern(kControlRampTable), {{kStatusAt, "\0\0\x06\x01\xFF\0"s + ramp}});

  // 44: the sum of the host's fields at 8 and 12, which stay; 0.00278 as a double.
  std::string doubles;
  for (int k = 0; k < 256; ++k) doubles += "\xF5\xF3\xA6\x22\x15\xC6\x66\x3F"s;
  ExpectAnswer(d,
               Pattern(kControlDoubleTable, {{kDoubleTable.firstAddend, "\xFF\xFF"s},
                                             {kDoubleTable.secondAddend, "\x02\0"s}}),
               {{kStatusAt, "\0\0\x01\0\xFF\0\0\0"s}, {kDoubleTable.doubles, doubles}});
}

TEST(ControlRequests, VersionCheck) {
  const DriverLink d = ResetDriver();
  const std::string name =
      "Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 " + std::string(32, '\0');
  const std::tuple<char, char, std::string, Lines> cases[] = {
      {1, 2, "\0\0"s, {}},
      {1, 9, "\0\0"s, {}},
      {1, 1, "\xFB\xFF"s, {kWrongVersionLine}},
      {0, 2, "\xFD\xFF"s, {kWrongHostLine}},
      {2, 1, "\xFD\xFF"s, {kWrongHostLine}}};
  for (const auto& [caller, release, answer, lines] : cases) {
    SCOPED_TRACE(testing::Message() << "caller " << int(caller) << " release " << int(release));
    hostLog.lines.clear();
    driverErrorState = kErrorOutput;  // cleared before the check
    ExpectAnswer(d, Version(caller, release),
                 {{kVersionCheck.result, answer + "\0\0"s}, {kVersionCheck.driverName, name}});
    EXPECT_EQ(hostLog.lines, lines);
    EXPECT_EQ(driverErrorState, lines.empty() ? 0 : kErrorRefused);
  }
}

}  // namespace
