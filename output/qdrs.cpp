#include "output/qdrs.h"

#include "output/buffer.h"

int32_t PackLong(int32_t value, uint8_t* to) {
  const uint32_t v = static_cast<uint32_t>(value);
  to[0] = static_cast<uint8_t>(v >> 24);
  to[1] = static_cast<uint8_t>(v >> 16);
  to[2] = static_cast<uint8_t>(v >> 8);
  to[3] = static_cast<uint8_t>(v);
  return 4;
}

int32_t PackShort(int32_t value, uint8_t* to) {
  const uint32_t v = static_cast<uint32_t>(value);
  to[0] = static_cast<uint8_t>(v >> 8);
  to[1] = static_cast<uint8_t>(v);
  return 2;
}

int32_t PackByte(int32_t value, uint8_t* to) {
  to[0] = static_cast<uint8_t>(value);
  return 1;
}

int32_t QdrsWriteRecord(uint8_t opcode, std::initializer_list<int32_t> words) {
  uint8_t record[2 + 2 * 255];
  int32_t n = 0;
  record[n++] = opcode;
  record[n++] = static_cast<uint8_t>(words.size());
  for (int32_t word : words) {
    if (n + 2 > static_cast<int32_t>(sizeof record)) break;
    n += PackShort(word, record + n);
  }
  return OutWriteBytes(n, record);
}

int32_t QdrsWriteFixed(std::initializer_list<uint8_t> bytes) {
  return OutWriteBytes(static_cast<int32_t>(bytes.size()), bytes.begin());
}
