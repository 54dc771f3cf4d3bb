#pragma once
// DXF drawings plotted through the driver linked into the test: read, turned
// into requests for the sheet and played, with the job's pen motion read back.
// At 1:40 with millimetre units and a mark at the origin, one drawing unit is
// one host unit is one plotter step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "dxf_text.h"
#include "hpgl_reader.h"
#include "tools/adihost/drawing_writer.h"
#include "tools/adihost/dxf_reader.h"
#include "tools/host/conversation.h"

inline std::string WriteTemporary(const std::string& content) {
  char path[] = "/tmp/adihost-test-XXXXXX";
  const int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  close(fd);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

struct Plotted {
  std::vector<Request> requests;
  std::map<std::string, int32_t> notes;
  std::vector<PlottedChain> chains;
  std::string error;
};

// Reads the DXF and plots it (at 1:40 unless told otherwise) through the
// driver linked into the test.
inline Plotted PlotDxf(const std::string& dxf, Placement placement = {.ratio = 40},
                       bool qdrs = false) {
  Plotted p;
  const std::string path = WriteTemporary(dxf);
  Drawing drawing;
  const int32_t read = ReadDxfFile(path, drawing, p.error);
  std::remove(path.c_str());
  if (read < 0) return p;
  const DriverLink d = ResetDriver();
  if (qdrs) StoreDefaultRecord(true);
  const ConversationResult start = HostHandshake(d);
  const ConversationResult area = HostDrawingStart(d, start.area, {});
  EXPECT_EQ(area.area.unitsPerInch, qdrs ? 800.0 : 1016.0);
  p.notes = drawing.unsupported;
  if (WriteDrawingRequests(drawing, area.area, placement, p.requests, p.notes, p.error) < 0)
    return p;
  std::string playError;
  EXPECT_EQ(PlayRequests(d, p.requests, playError), -1) << playError;
  if (!qdrs) p.chains = ReadPlottedChains(hostLog.output);
  return p;
}

inline DxfText WithOriginMark() {
  DxfText t;
  t.Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  return t;
}

// The chains after the origin mark.
inline std::vector<PlottedChain> Drawn(const Plotted& p) {
  std::vector<PlottedChain> chains;
  for (const PlottedChain& c : p.chains)
    if (c.size() > 2 || c.front().x != 0 || c.front().y != 0 || c.back().x != 0 || c.back().y != 0)
      chains.push_back(c);
  return chains;
}

// A hatch whose boundary is a square from 1000 to 5000 with a square hole
// from 2000 to 3000; the caller adds the groups that follow the loops.
inline DxfText& SquareHatchWithHole(DxfText& t, const std::string& pattern, bool solid) {
  t.Entity("HATCH").Add(10, 0.0).Add(20, 0.0).Add(2, pattern).Add(70, solid ? 1 : 0);
  t.Add(71, 0).Add(91, 2);
  for (auto [a, b] : {std::pair{1000.0, 5000.0}, {2000.0, 3000.0}}) {
    t.Add(92, 2).Add(72, 0).Add(73, 1).Add(93, 4);
    for (auto [x, y] : {std::pair{a, a}, {b, a}, {b, b}, {a, b}}) t.Add(10, x).Add(20, y);
    t.Add(97, 0);
  }
  return t;
}
