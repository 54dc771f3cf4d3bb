#pragma once
// Packets, the configuration record and the descriptor are packed little-endian
// layouts with fields at odd offsets; these read and write them in place.
#include <cstdint>
#include <cstring>

inline uint8_t ReadU8(const uint8_t* p, int32_t offset) {
  return p[offset];
}
inline uint16_t ReadU16(const uint8_t* p, int32_t offset) {
  uint16_t v;
  std::memcpy(&v, p + offset, 2);
  return v;
}
inline int16_t ReadI16(const uint8_t* p, int32_t offset) {
  return static_cast<int16_t>(ReadU16(p, offset));
}
inline uint32_t ReadU32(const uint8_t* p, int32_t offset) {
  uint32_t v;
  std::memcpy(&v, p + offset, 4);
  return v;
}
inline int32_t ReadI32(const uint8_t* p, int32_t offset) {
  return static_cast<int32_t>(ReadU32(p, offset));
}
inline double ReadF64(const uint8_t* p, int32_t offset) {
  double v;
  std::memcpy(&v, p + offset, 8);
  return v;
}
inline void WriteU8(uint8_t* p, int32_t offset, uint8_t v) {
  p[offset] = v;
}
inline void WriteU16(uint8_t* p, int32_t offset, uint16_t v) {
  std::memcpy(p + offset, &v, 2);
}
inline void WriteU32(uint8_t* p, int32_t offset, uint32_t v) {
  std::memcpy(p + offset, &v, 4);
}
inline void WriteF64(uint8_t* p, int32_t offset, double v) {
  std::memcpy(p + offset, &v, 8);
}

constexpr uint16_t kStatusOk = 0;
constexpr uint16_t kStatusFailed = 0xFFFF;
