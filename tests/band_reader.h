#pragma once
// Reads the raster bands back out of what the driver handed to the host, so
// tests can decode each band with libtiff and check its framing.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct WrittenBand {
  size_t at = 0;      // offset of the band's first byte
  size_t dataAt = 0;  // offset of its MMR data
  int32_t rowBits = 0;
  int32_t rows = 0;
  int32_t originX = 0, originY = 0;       // QDRS
  int32_t drawnWidth = 0, drawnRows = 0;  // QDRS
  bool afterBox = false;                  // QDRS: a white box came just before
  std::string data;
};

inline int32_t BigEndianAt(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<uint8_t>(s[at + k]);
  return static_cast<int32_t>(v);
}

// HP RTL: "\e*r%dS\e*r%dT\e*r1A\e*b8M\e*b%dW", the row width as a 32-bit
// number, then the MMR data.
inline std::vector<WrittenBand> ReadRtlBands(const std::string& out) {
  std::vector<WrittenBand> bands;
  size_t from = 0;
  for (;;) {
    const size_t at = out.find("\x1b*r", from);
    if (at == std::string::npos) return bands;
    WrittenBand band;
    int32_t count = 0;
    int consumed = 0;
    const std::string head = out.substr(at, 64);
    if (std::sscanf(head.c_str(), "\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b8M\x1b*b%dW%n", &band.rowBits,
                    &band.rows, &count, &consumed) != 3 ||
        consumed == 0) {
      from = at + 1;
      continue;
    }
    band.at = at;
    const size_t data = at + consumed + 4;
    band.dataAt = data;
    band.data = out.substr(data, count - 4);
    bands.push_back(band);
    from = data + (count - 4);
  }
}

// QDRS: 9B 5F records, each followed by 9B 5D 00 02 02 07 and 9B 5C with the
// data length; a record of a 32 x 1 source is the white box before a band.
inline std::vector<WrittenBand> ReadQdrsBands(const std::string& out) {
  std::vector<WrittenBand> bands;
  const std::string record("\x9B\x5F\x00\x1A", 4);
  bool box = false;
  size_t from = 0;
  for (;;) {
    const size_t at = out.find(record, from);
    if (at == std::string::npos) return bands;
    WrittenBand band;
    band.at = at;
    band.originX = BigEndianAt(out, at + 4);
    band.originY = BigEndianAt(out, at + 8);
    band.rowBits = BigEndianAt(out, at + 12);
    band.rows = BigEndianAt(out, at + 16);
    band.drawnWidth = BigEndianAt(out, at + 20);
    band.drawnRows = BigEndianAt(out, at + 24);
    const size_t length = at + 30 + 6 + 2;
    const int32_t n = BigEndianAt(out, length);
    band.dataAt = length + 4;
    band.data = out.substr(length + 4, n);
    from = length + 4 + n;
    if (band.rowBits == 32 && band.rows == 1) {
      box = true;
      continue;
    }
    band.afterBox = box;
    box = false;
    bands.push_back(band);
  }
}

inline size_t CountOf(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}
