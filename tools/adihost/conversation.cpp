#include "tools/adihost/conversation.h"

#include "config/descriptor.h"
#include "host/packet.h"

namespace {

// The version check the host sends on both handlers: host marker 1, release 2.
Packet VersionCheckPacket() {
  Packet p = MakePacket(49);
  WriteU16(p.data(), 4, 1);
  WriteU8(p.data(), 7, 2);
  return p;
}

bool Refused(uint16_t status) {
  return status == kStatusFailed;
}

}  // namespace

ConversationResult HostHandshake(const DriverLink& d) {
  ConversationResult result;
  Packet version = VersionCheckPacket();
  Control(d, version);
  if (ReadU16(version.data(), 10) != 0) return {49, {}};
  Packet messages = MakePacket(50);
  Control(d, messages);
  Packet handshake = MakePacket(11);
  WriteU16(handshake.data(), 4, 3);
  if (Refused(Control(d, handshake))) return {11, {}};
  Packet model = MakePacket(20);
  Control(d, model);
  for (int16_t code : {22, 23, 25, 40, 44}) {
    Packet p = MakePacket(code);
    Control(d, p);
  }
  Packet setup = MakePacket(21);
  if (Refused(Control(d, setup))) return {21, {}};
  result.area.length = ReadF64(setup.data(), 8);
  result.area.width = ReadF64(setup.data(), 16);
  result.area.unitsPerInch = ReadF64(setup.data(), 24);
  result.area.unitsPerInchAcross = ReadF64(setup.data(), 32);
  Packet save = MakePacket(47);
  if (Refused(Control(d, save))) return {47, result.area};
  return result;
}

ConversationResult HostDrawingStart(const DriverLink& d, const SheetArea& area,
                                    const DrawingStartOptions& options) {
  ConversationResult result{0, area};
  Packet reset = VersionCheckPacket();
  Graphics(d, reset);
  if (ReadU16(reset.data(), 10) != 0) return {49, area};
  Packet messages = MakePacket(50);
  Graphics(d, messages);
  Packet fetch = MakePacket(29);
  WriteU16(fetch.data(), 4, 3);
  if (Refused(Graphics(d, fetch))) return {29, area};
  if (options.configure) {
    Packet configure = MakePacket(46);
    if (Refused(Graphics(d, configure))) return {46, area};
    result.area.length = ReadF64(configure.data(), 9);
    result.area.width = ReadF64(configure.data(), 17);
    result.area.unitsPerInch = ReadF64(configure.data(), 41);
    result.area.unitsPerInchAcross = ReadF64(configure.data(), 49);
  }
  // The host asks for more than any sheet holds, so the driver answers the
  // largest area; the units are the ones the driver answered before.
  Packet paper = MakePacket(48);
  WriteF64(paper.data(), 9, 1000.0);
  WriteF64(paper.data(), 17, 1000.0);
  WriteF64(paper.data(), 41, result.area.unitsPerInch);
  WriteF64(paper.data(), 49, result.area.unitsPerInchAcross);
  if (Refused(Graphics(d, paper))) return {48, result.area};
  result.area.length = ReadF64(paper.data(), 9);
  result.area.width = ReadF64(paper.data(), 17);
  if (options.summary) {
    Packet summary = MakePacket(31);
    Graphics(d, summary);
  }
  if (options.legend) {
    Packet legend = MakePacket(15);
    Graphics(d, legend);
  }
  Packet model = MakePacket(43);
  WriteU8(model.data(), 8, static_cast<uint8_t>(options.lineTypes));
  Graphics(d, model);
  SetLineTypeCount(d, options.lineTypes);
  return result;
}

std::string ProbeDriver(const DriverLink& d) {
  std::string bytes(reinterpret_cast<const char*>(d.descriptor), sizeof(DriverDescriptor));
  bytes.replace(410, 8, 8, '\0');
  for (int16_t code : {20, 22, 23, 25, 40, 44, 49, 2, 51}) {
    Packet p = VersionCheckPacket();
    WriteU16(p.data(), 0, static_cast<uint16_t>(code));
    Control(d, p);
    bytes.append(reinterpret_cast<const char*>(p.data()), 2200);
  }
  return bytes;
}
