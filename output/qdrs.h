#pragma once
// The printers' binary vector language: big-endian numbers packed into records
// of three forms (short: opcode, word count, words; long: FF, opcode, 16-bit word
// count, words; job control: 9B, opcode, 16-bit byte count, bytes).
#include <cstdint>
#include <initializer_list>

// Each writes into the caller's scratch and returns the number of bytes made.
int32_t PackLong(int32_t value, uint8_t* to);
int32_t PackShort(int32_t value, uint8_t* to);  // the low 16 bits
int32_t PackByte(int32_t value, uint8_t* to);   // 0..255

// A short-form record of 16-bit words, through the output buffer.
int32_t QdrsWriteRecord(uint8_t opcode, std::initializer_list<int32_t> words);
// A fixed record given as its bytes, through the output buffer.
int32_t QdrsWriteFixed(std::initializer_list<uint8_t> bytes);
