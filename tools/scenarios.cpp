#include "tools/scenarios.h"

#include <cstdint>
#include <cstring>

#include "host/descriptor.h"
#include "host/packet.h"
#include "tools/image_host.h"

// The record a user of the HP-GL/2 defaults would have saved; the binary
// language sets one bit of the job flags and a resolution it supports.
void StoreDefaultRecord(bool qdrs) {
  uint8_t record[40] = {};
  WriteU32(record, 0, 1);    // copies
  WriteU32(record, 4, 2);    // E-arch
  WriteU32(record, 8, 396);  // custom length
  WriteU16(record, 24, 2);
  WriteU16(record, 28, 0x1000);                  // halftone fill
  WriteU16(record, 30, qdrs ? 0x0240 : 0x0100);  // language and resolution
  const uint8_t tone[5] = {0, 123, 187, 228, 255};
  std::memcpy(record + 34, tone, 5);
  StoreRecord(record);
}

namespace {

void PlotFewLines(const DriverLink& d) {
  BeginPlot(d);
  MoveTo(d, 1000, 1000);
  DrawTo(d, 9000, 1000);
  DrawTo(d, 9000, 6000);
  DrawTo(d, 1000, 6000);
  DrawTo(d, 1000, 1000);
  MoveTo(d, 1000, 1000);
  DrawTo(d, 9000, 6000);
  EndPlot(d);
}

// A drawing that exercises every vector request: many short segments, pens,
// line types, widths, lifts, repeated points and both kinds of polygon.
void PlotVectorWorkout(const DriverLink& d) {
  BeginPlot(d);
  SetLineTypeCount(d, 8);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<uint16_t>((seed >> 8) % range);
  };
  for (int i = 0; i < 300; ++i) {
    if (i % 40 == 0) SelectPen(d, static_cast<uint16_t>(1 + i / 40));
    if (i % 55 == 0) SelectLineType(d, static_cast<uint16_t>(i / 55));
    if (i % 70 == 0) SetPenWidth(d, 0.01 * (i / 70));
    const uint16_t x = next(30000), y = next(30000);
    if (i % 3 == 0) MoveTo(d, x, y);
    DrawTo(d, x + next(2000), y + next(2000));
    if (i % 17 == 0) DrawTo(d, x + 5, y + 5);
    if (i % 17 == 0) DrawTo(d, x + 5, y + 5);
    if (i % 23 == 0) LiftPen(d);
    if (i % 29 == 0)
      FillPolygon(d, 3,
                  {x, y, static_cast<uint16_t>(x + 400), y, static_cast<uint16_t>(x + 400),
                   static_cast<uint16_t>(y + 300)});
    if (i % 31 == 0) {
      const std::vector<uint16_t> square = {x,
                                            y,
                                            static_cast<uint16_t>(x + 200),
                                            y,
                                            static_cast<uint16_t>(x + 200),
                                            static_cast<uint16_t>(y + 200),
                                            x,
                                            static_cast<uint16_t>(y + 200)};
      FillPolygonAt(d, 9, square);
    }
  }
  EndPlot(d);
}

// The descriptor as the host reads it (the handler addresses differ between
// builds and are left out) and the answers to the capability requests.
void ProbeDriver(const DriverLink& d) {
  std::string bytes(reinterpret_cast<const char*>(d.descriptor), sizeof(DriverDescriptor));
  bytes.replace(410, 8, 8, '\0');
  for (int16_t code : {20, 22, 23, 25, 40, 44, 49, 2, 51}) {
    Packet p = MakePacket(code);
    WriteU16(p.data(), 4, 1);
    WriteU8(p.data(), 7, 2);
    Control(d, p);
    bytes.append(reinterpret_cast<const char*>(p.data()), 2200);
  }
  hostLog.output = bytes + hostLog.output;
}

}  // namespace

const char* ScenarioNames() {
  return "probe, lines, vector, images";
}

bool RunScenario(const std::string& name, const DriverLink& d, const ScenarioOptions& options) {
  StoreDefaultRecord(options.qdrs);
  RunHandshake(d);
  RunDrawingStart(d);
  if (name == "probe") {
    ProbeDriver(d);
  } else if (name == "lines") {
    PlotFewLines(d);
  } else if (name == "vector") {
    PlotVectorWorkout(d);
  } else if (name == "images") {
    PlotImages(d);
  } else {
    return false;
  }
  return true;
}
