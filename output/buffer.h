#pragma once
// The plot's output stream: one 2 MB buffer, handed to the host in 128-byte
// blocks when it would overflow and at the end of the plot. Every operation
// returns 0 or -1; while no plot is open, writes are silently dropped.
#include <cstdint>

constexpr int32_t kOutputCapacity = 0x200000;
constexpr int32_t kOutputAllocation = kOutputCapacity + 8;
constexpr int32_t kHostBlockSize = 128;

extern uint8_t* OutputBuffer;
extern int32_t outputFill;
extern uint8_t plotOpen;

// Takes a zero-filled buffer for a new plot; -1 when memory is short.
int32_t OutOpen();
// Releases the buffer (if any) without writing it.
void OutClose();

// A host write failed: report it once, forget what the buffer holds and block
// every output until the state is cleared.
void OutFail();

int32_t OutWriteString(const char* text);
int32_t OutWriteBytes(int32_t length, const void* bytes);
int32_t OutFlush();
// A signed number in HP-GL/2 polyline encoding, base 32 or base 64 by the
// record's eight-bit flag.
int32_t OutWriteEncodedNumber(int32_t value);
// Two such numbers, as one write.
int32_t OutWriteEncodedPair(int32_t first, int32_t second);
// A signed decimal number, as "%d" writes it.
int32_t OutWriteDecimal(int32_t value);
// Formats one output item (the formats are part of the output language).
int32_t OutWriteFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
