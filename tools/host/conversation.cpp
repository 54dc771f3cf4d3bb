#include "tools/host/conversation.h"

#include "config/descriptor.h"
#include "host/protocol.h"

namespace {

bool Refused(uint16_t status) {
  return status == kStatusFailed;
}

}  // namespace

ConversationResult HostHandshake(const DriverLink& d) {
  ConversationResult result;
  Packet version = VersionCheckPacket(kControlVersionCheck);
  Control(d, version);
  if (ReadU16(version.data(), kVersionCheck.result) != 0) return {kControlVersionCheck, {}};
  Packet messages = MakePacket(kControlLoadMessages);
  Control(d, messages);
  Packet handshake = HandshakePacket(kControlHandshake);
  if (Refused(Control(d, handshake))) return {kControlHandshake, {}};
  Packet model = MakePacket(kControlModelQuery);
  Control(d, model);
  for (int16_t code : {kControlZeroTable, kControlOnesTable, kControlRampTable,
                       kControlCapabilities, kControlDoubleTable}) {
    Packet p = MakePacket(code);
    Control(d, p);
  }
  Packet setup = MakePacket(kControlPlotSetUp);
  if (Refused(Control(d, setup))) return {kControlPlotSetUp, {}};
  result.area.length = ReadF64(setup.data(), kPlotSetUp.length);
  result.area.width = ReadF64(setup.data(), kPlotSetUp.width);
  result.area.unitsPerInch = ReadF64(setup.data(), kPlotSetUp.unitsAlongLength);
  result.area.unitsPerInchAcross = ReadF64(setup.data(), kPlotSetUp.unitsAlongWidth);
  Packet save = MakePacket(kControlSaveConfig);
  if (Refused(Control(d, save))) return {kControlSaveConfig, result.area};
  return result;
}

ConversationResult HostDrawingStart(const DriverLink& d, const SheetArea& area,
                                    const DrawingStartOptions& options) {
  ConversationResult result{0, area};
  Packet reset = VersionCheckPacket(kGraphicsReset);
  Graphics(d, reset);
  if (ReadU16(reset.data(), kVersionCheck.result) != 0) return {kGraphicsReset, area};
  Packet messages = MakePacket(kGraphicsLoadMessages);
  Graphics(d, messages);
  Packet fetch = HandshakePacket(kGraphicsConfigFetch);
  if (Refused(Graphics(d, fetch))) return {kGraphicsConfigFetch, area};
  if (options.configure) {
    Packet configure = MakePacket(kGraphicsConfigure);
    if (Refused(Graphics(d, configure))) return {kGraphicsConfigure, area};
    result.area.length = ReadF64(configure.data(), kPlotArea.length);
    result.area.width = ReadF64(configure.data(), kPlotArea.width);
    result.area.unitsPerInch = ReadF64(configure.data(), kPlotArea.unitsAlongLength);
    result.area.unitsPerInchAcross = ReadF64(configure.data(), kPlotArea.unitsAlongWidth);
  }
  // The host asks for more than any sheet holds, so the driver answers the
  // largest area; the units are the ones the driver answered before.
  Packet paper =
      PaperListPacket(1000.0, 1000.0, result.area.unitsPerInch, result.area.unitsPerInchAcross);
  if (Refused(Graphics(d, paper))) return {kGraphicsPaperList, result.area};
  result.area.length = ReadF64(paper.data(), kPlotArea.length);
  result.area.width = ReadF64(paper.data(), kPlotArea.width);
  if (options.summary) {
    Packet summary = MakePacket(kGraphicsSummary);
    Graphics(d, summary);
  }
  if (options.legend) {
    Packet legend = MakePacket(kGraphicsLineTypeLegend);
    Graphics(d, legend);
  }
  Packet model = MakePacket(kGraphicsModelLineTypes);
  WriteU8(model.data(), kModelLineTypes.lineTypes, static_cast<uint8_t>(options.lineTypes));
  Graphics(d, model);
  SetLineTypeCount(d, options.lineTypes);
  return result;
}

// The handlers' addresses differ from build to build and from run to run;
// they stand as the 32-bit layout's eight zero bytes, so that every build
// gives the same probe.
std::string ProbeDriver(const DriverLink& d) {
  const char* descriptor = reinterpret_cast<const char*>(d.descriptor);
  std::string bytes(descriptor, kDescriptor.controlHandler);
  bytes.append(2 * 4, '\0');
  bytes.append(descriptor + kDescriptor.graphicsHandler + kAddressSize,
               sizeof(DriverDescriptor) - kDescriptor.graphicsHandler - kAddressSize);
  for (int16_t code : {kControlModelQuery, kControlZeroTable, kControlOnesTable, kControlRampTable,
                       kControlCapabilities, kControlDoubleTable, kControlVersionCheck,
                       kControlNothing, int16_t{51}}) {
    Packet p = VersionCheckPacket(code);
    Control(d, p);
    bytes.append(reinterpret_cast<const char*>(p.data()), 2200);
  }
  return bytes;
}
