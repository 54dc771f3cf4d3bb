#pragma once
// A plot opened through request 30 with the drawing state at a known start, and
// the bytes that the vector requests add behind the job header.
#include <gtest/gtest.h>

#include <string>

#include "driver_fixture.h"
#include "golden.h"
#include "host/protocol.h"
#include "raster/image.h"
#include "vector/state.h"

namespace plot_fixture {

// Opens a plot and returns where the job header ends. The header is settled
// first, so the drawing state set up here is what the requests start from.
inline int32_t OpenPlot(const DriverLink& d, double scale = 1.0) {
  lineTypeCount = 8;
  EXPECT_EQ(BeginPlot(d), 0);
  unitScale = scale;
  defaultPen = 7;
  return outputFill;
}

// The bytes written since `from`, still in the buffer.
inline std::string WrittenSince(int32_t from) {
  if (OutputBuffer == nullptr || outputFill < from) return "<no buffer>";
  return std::string(reinterpret_cast<const char*>(OutputBuffer) + from, outputFill - from);
}

inline std::string Bytes(std::initializer_list<uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Big-endian 16-bit words, and a short QDRS record of them behind its opcode
// and word count.
inline std::string Words(std::initializer_list<int32_t> words) {
  std::string s;
  for (int32_t w : words) s += Bytes({static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)});
  return s;
}
inline std::string Record(uint8_t opcode, std::initializer_list<int32_t> words) {
  return Bytes({opcode, static_cast<uint8_t>(words.size())}) + Words(words);
}

inline std::string Kept(const KeptCommand& kept) {
  return std::string(reinterpret_cast<const char*>(kept.bytes), kept.length);
}

}  // namespace plot_fixture
