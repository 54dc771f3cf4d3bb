#pragma once
// DXF drawings read and plotted through the driver linked into the test, with
// the job's pen motion read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "hpgl_reader.h"
#include "tools/adihost/conversation.h"
#include "tools/adihost/drawing_writer.h"

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
inline Plotted PlotDxf(const std::string& dxf, Placement placement = {.ratio = 40}) {
  Plotted p;
  const std::string path = WriteTemporary(dxf);
  Drawing drawing;
  const int32_t read = ReadDxfFile(path, drawing, p.error);
  std::remove(path.c_str());
  if (read < 0) return p;
  const DriverLink d = ResetDriver();
  const ConversationResult start = HostHandshake(d);
  const ConversationResult area = HostDrawingStart(d, start.area, {});
  EXPECT_EQ(area.area.unitsPerInch, 1016.0);
  p.notes = drawing.unsupported;
  if (WriteDrawingRequests(drawing, area.area, placement, p.requests, p.notes, p.error) < 0)
    return p;
  std::string playError;
  EXPECT_EQ(PlayRequests(d, p.requests, playError), -1) << playError;
  p.chains = ReadPlottedChains(hostLog.output);
  return p;
}
