#pragma once
// Reads the raster bands back out of what the driver handed to the host, so
// tests can check their framing and decode them with libtiff.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/fuzz/tiff_oracle.h"

struct WrittenBand {
  int32_t rowBits = 0, rows = 0;
  // QDRS: where the band goes and the size the device draws it at.
  int32_t originX = 0, originY = 0, drawnWidth = 0, drawnRows = 0;
  bool afterBox = false;                                  // QDRS: a white box came just before
  int32_t boxX = 0, boxY = 0, boxWidth = 0, boxRows = 0;  // that box's place and drawn size
  std::string data;
};

inline std::string BigEndian(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// HP RTL: "\e*r%dS\e*r%dT\e*r1A\e*b8M\e*b%dW", the row width as a 32-bit
// number, then the MMR data.
inline std::vector<WrittenBand> ReadRtlBands(const std::string& out) {
  std::vector<WrittenBand> bands;
  for (size_t at = out.find("\x1b*r"); at != std::string::npos; at = out.find("\x1b*r", at + 1)) {
    WrittenBand b;
    int32_t count = 0, used = 0;
    if (std::sscanf(out.substr(at, 64).c_str(), "\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b8M\x1b*b%dW%n",
                    &b.rowBits, &b.rows, &count, &used) != 3)
      continue;
    b.data = out.substr(at + used + 4, count - 4);
    bands.push_back(b);
    at += used + count - 1;  // never search inside the data
  }
  return bands;
}

// QDRS: 9B 5F image records (origin, source size, drawn size, 00 01), each
// followed by 9B 5D 00 02 02 07 and 9B 5C with the data length; a record of a
// 32 x 1 source is the white box before a band.
inline std::vector<WrittenBand> ReadQdrsBands(const std::string& out) {
  std::vector<WrittenBand> bands;
  const std::string record("\x9B\x5F\x00\x1A", 4);
  WrittenBand box;
  for (size_t at = out.find(record); at != std::string::npos; at = out.find(record, at)) {
    auto number = [&](size_t k) {
      uint32_t v = 0;
      for (size_t i = at + k; i < at + k + 4; ++i) v = v << 8 | static_cast<uint8_t>(out[i]);
      return static_cast<int32_t>(v);
    };
    WrittenBand b;
    b.originX = number(4), b.originY = number(8);
    b.rowBits = number(12), b.rows = number(16);
    b.drawnWidth = number(20), b.drawnRows = number(24);
    b.data = out.substr(at + 42, number(38));
    at += 42 + b.data.size();
    if (b.rowBits == 32 && b.rows == 1) {
      box = b;
      box.afterBox = true;
      continue;
    }
    b.afterBox = box.afterBox;
    b.boxX = box.originX, b.boxY = box.originY;
    b.boxWidth = box.drawnWidth, b.boxRows = box.drawnRows;
    bands.push_back(b);
    box = WrittenBand{};
  }
  return bands;
}

// Every band decoded by libtiff, one after the other.
inline std::vector<uint8_t> DecodedBands(const std::vector<WrittenBand>& bands) {
  std::vector<uint8_t> rows;
  for (const WrittenBand& b : bands) {
    const std::vector<uint8_t> decoded = TiffDecodeG4(
        reinterpret_cast<const uint8_t*>(b.data.data()), b.data.size(), b.rowBits, b.rows);
    rows.insert(rows.end(), decoded.begin(), decoded.end());
  }
  return rows;
}

inline size_t CountOf(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}
