// Drives the driver with random requests, random packet fields, random stored
// records and host services that fail at random, as a host gone wrong might.
// Built with the sanitizers it finds any read or write out of bounds, any
// undefined arithmetic and any broken invariant of the output stream.
//
//   request_fuzz [SEED [REQUESTS]]   a generated run
//   request_fuzz --replay FILE       the bytes of FILE choose every value
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/entry.h"
#include "host/protocol.h"
#include "output/buffer.h"
#include "raster/canvas.h"
#include "tools/host/host_kernel.h"
#include "tools/host/image_host.h"
#include "vector/state.h"

namespace {

// Every value comes from here: a seeded generator, or the replayed file's
// bytes (zeros once they run out).
std::mt19937 generator;
std::vector<uint8_t> replay;
size_t replayAt = 0;
bool replaying = false;

uint32_t Next(uint32_t range) {
  if (range == 0) return 0;
  if (!replaying) return generator() % range;
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | (replayAt < replay.size() ? replay[replayAt++] : 0);
  return v % range;
}

// The codes each handler answers, and one it does not.
int16_t PickCode(bool control) {
  const size_t answered = control ? std::size(kControlCodes) : std::size(kGraphicsCodes);
  const size_t pick = Next(static_cast<uint32_t>(answered + 1));
  if (pick == answered) return control ? 1 : 6;
  return control ? kControlCodes[pick] : kGraphicsCodes[pick];
}

std::vector<uint16_t> vertices;

// Fields the host promises are sound: addresses point where they say and an
// inline vertex list fits its packet. Everything else is left random.
void KeepHostPromises(int16_t code, Packet& p) {
  if (code == kGraphicsPolygonInline) {
    WriteU16(p.data(), kPolygonInline.count,
             static_cast<uint16_t>(static_cast<int32_t>(Next(1000)) - 10));
  } else if (code == kGraphicsPolygonAt) {
    const int32_t count = static_cast<int32_t>(Next(300)) - 10;
    vertices.assign(count > 0 ? 2 * count : 0, 0);
    for (uint16_t& v : vertices) v = static_cast<uint16_t>(Next(65536));
    WriteU16(p.data(), kPolygonAt.count, static_cast<uint16_t>(count));
    WriteAddress(p.data(), kPolygonAt.vertices, Next(8) == 0 ? 0 : AddressOf(vertices.data()));
  } else if (code == kGraphicsImage) {
    WriteAddress(p.data(), kImage.fetchStrip, Next(10) == 0 ? 0 : EntryAddress(&HostFetchStrip));
    WriteAddress(p.data(), kImage.releaseStrip, EntryAddress(&HostReleaseStrip));
    for (int32_t at : {kImage.left, kImage.bottom, kImage.right, kImage.top})
      WriteU32(p.data(), at, Next(4) == 0 ? Next(0xFFFFFFFF) : Next(6000));
    for (int32_t at : {kImage.pixelWidth, kImage.pixelHeight})
      WriteU32(p.data(), at, Next(4) == 0 ? Next(0xFFFFFFFF) : Next(400));
    imageSource = ImageSource{};
    imageSource.stopAt = static_cast<int32_t>(Next(40)) - 1;
    imageSource.errorAt = static_cast<int32_t>(Next(80)) - 1;
    imageSource.byteCountDelta = static_cast<int32_t>(Next(9)) - 4;
  } else if (code == kGraphicsMove || code == kGraphicsDraw) {
    // Keep the pen near itself now and then, so repeated points occur.
    if (Next(3) == 0) {
      WriteU16(p.data(), kPoint.x, static_cast<uint16_t>(hostX));
      WriteU16(p.data(), kPoint.y, static_cast<uint16_t>(hostY));
    }
  }
}

void StoreRandomRecord() {
  uint8_t record[kRecord.size];
  for (uint8_t& b : record) b = static_cast<uint8_t>(Next(256));
  if (Next(2) == 0) record[kRecord.jobFlags] &= ~kJobQdrsOutput;  // both languages, often
  StoreRecord(record);
}

bool InvariantsHold() {
  if (outputFill < 0 || outputFill >= kOutputCapacity) return false;
  if (penState != kPenIdle && penState != kPenLifted && penState != kPenDrawn &&
      penState != kPenMoved)
    return false;
  return OutputBuffer != nullptr || outputFill == 0;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t seed = 1;
  int64_t requests = 20000;
  if (argc >= 3 && std::strcmp(argv[1], "--replay") == 0) {
    std::FILE* f = std::fopen(argv[2], "rb");
    if (f == nullptr) return 2;
    int c;
    while ((c = std::fgetc(f)) != EOF) replay.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    replaying = true;
    requests = static_cast<int64_t>(replay.size() / 8 + 1);
  } else {
    if (argc >= 2) seed = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
    if (argc >= 3) requests = std::strtoll(argv[2], nullptr, 10);
  }
  generator.seed(seed);
  rasterCanvasLimit = 8 << 20;  // keeps the run quick; larger canvases are skipped the same way
  const DriverLink d = ConnectDriver(&PLADI);
  int64_t written = 0;

  for (int64_t i = 0; i < requests; ++i) {
    if (Next(50) == 0) StoreRandomRecord();
    hostLog.getResult = Next(10) == 0 ? 1 : 0;
    hostLog.saveResult = Next(10) == 0 ? -1 : 0;
    hostLog.failWriteAt =
        Next(20) == 0 ? hostLog.writeCalls + 1 + static_cast<int32_t>(Next(50)) : 0;
    if (hostLog.output.size() > (1u << 20)) {
      written += static_cast<int64_t>(hostLog.output.size());
      ResetHostLog();
    }

    const bool control = Next(4) == 0;
    const int16_t code = PickCode(control);
    Packet p = MakePacket(code);
    for (size_t at = 2; at < 300; ++at) p.bytes[at] = static_cast<uint8_t>(Next(256));
    if (code == kControlVersionCheck || code == kGraphicsReset)
      WriteU16(p.data(), kVersionCheck.hostMarker, Next(4) == 0 ? 0 : kExpectedHost);
    KeepHostPromises(code, p);
    if (control) {
      Control(d, p);
    } else {
      Graphics(d, p);
    }
    if (!InvariantsHold()) {
      std::fprintf(stderr, "invariant broken after request %" PRId64 " (code %d), seed %u\n", i,
                   code, seed);
      return 1;
    }
  }
  std::printf(
      "%" PRId64 " requests, seed %u: no fault (%" PRId64 " bytes written, %d strips fetched)\n",
      requests, seed, written + static_cast<int64_t>(hostLog.output.size()), imageHostLog.fetches);
  return 0;
}
