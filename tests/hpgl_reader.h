#pragma once
// Reads the pen motion back out of an HP-GL/2 job: the polyline-encoded
// relative steps after each PE instruction, as absolute points in output units,
// each chain starting where the pen went down.
#include <cstdint>
#include <string>
#include <vector>

struct PlottedPoint {
  int64_t x, y;
};
using PlottedChain = std::vector<PlottedPoint>;

// Seven-bit encoding: digits 63..94 carry on, 95..126 end a number; the lowest
// bit of the number is its sign.
inline std::vector<PlottedChain> ReadPlottedChains(const std::string& job) {
  std::vector<PlottedChain> chains;
  const size_t header = job.find("PUPA0,0PR;");
  if (header == std::string::npos) return chains;
  int64_t x = 0, y = 0;
  bool penUp = true;
  for (size_t i = header + 10; i + 2 < job.size(); ++i) {
    if (job.compare(i, 3, "PE7") != 0) continue;
    i += 3;
    std::vector<int64_t> numbers;
    for (; i < job.size() && job[i] != ';'; ++i) {
      if (job[i] == '<') {
        penUp = true;
        continue;
      }
      uint64_t value = 0;
      int shift = 0;
      while (i < job.size() && job[i] >= 63 && job[i] <= 94) {
        value |= static_cast<uint64_t>(job[i] - 63) << shift;
        shift += 5;
        ++i;
      }
      if (i >= job.size() || job[i] < 95 || job[i] > 126) break;
      value |= static_cast<uint64_t>(job[i] - 95) << shift;
      const int64_t n = static_cast<int64_t>(value >> 1);
      numbers.push_back(value & 1 ? -n : n);
      if (numbers.size() == 2) {
        x += numbers[0], y += numbers[1];
        numbers.clear();
        if (penUp || chains.empty()) chains.emplace_back();
        chains.back().push_back({x, y});
        penUp = false;
      }
    }
  }
  return chains;
}
