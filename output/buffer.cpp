#include "output/buffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/record.h"
#include "host/messages.h"
#include "host/services.h"
#include "platform/memory.h"

uint8_t* OutputBuffer = nullptr;
int32_t outputFill = 0;
uint8_t plotOpen = 0;

namespace {

// Forgets what the buffer holds after a failure, so that nothing half-written
// goes out later.
void DiscardAfterFailure() {
  outputFill = 0;
  plotOpen = 0;
  copyCount = 1;
}

// Output outside an open plot is dropped; after a failure everything fails.
// Returns 1 to go on, 0 or -1 as the operation's result otherwise.
int32_t CheckStream(int32_t& result) {
  if (OutputBuffer == nullptr) {
    result = 0;
    return 0;
  }
  if (driverErrorState != 0) {
    DiscardAfterFailure();
    result = -1;
    return 0;
  }
  return 1;
}

int32_t Flush() {
  for (int32_t at = 0; at < outputFill; at += kHostBlockSize) {
    const int32_t block = outputFill - at < kHostBlockSize ? outputFill - at : kHostBlockSize;
    if (HostWriteBytes(block, OutputBuffer + at) == 0) {
      OutFail();
      return -1;
    }
  }
  outputFill = 0;
  return 0;
}

// The buffer is flushed before it would become full, never when it has just
// become full, and a run is split only when it is a whole buffer or longer.
int32_t Append(const uint8_t* bytes, int32_t n) {
  if (n <= 0) return 0;
  if (n >= kOutputCapacity) {
    if (outputFill > 0 && Flush() < 0) return -1;
    outputFill = 0;
    while (n >= kOutputCapacity) {
      std::memcpy(OutputBuffer, bytes, kOutputCapacity);
      outputFill = kOutputCapacity;
      if (Flush() < 0) return -1;
      bytes += kOutputCapacity;
      n -= kOutputCapacity;
    }
    if (n == 0) return 0;
  }
  if (outputFill + n < kOutputCapacity) {
    std::memcpy(OutputBuffer + outputFill, bytes, n);
    outputFill += n;
    return 0;
  }
  if (outputFill > 0 && Flush() < 0) return -1;
  std::memcpy(OutputBuffer, bytes, n);
  outputFill = n;
  return 0;
}

}  // namespace

void OutFail() {
  ReportMessage(kMsgOutputFailed);
  DiscardAfterFailure();
  driverErrorState = kErrorOutput;
}

int32_t OutOpen() {
  OutClose();
  OutputBuffer = static_cast<uint8_t*>(MemoryTake(kOutputAllocation, true));
  outputFill = 0;
  return OutputBuffer != nullptr ? 0 : -1;
}

void OutClose() {
  MemoryRelease(OutputBuffer);
  OutputBuffer = nullptr;
  outputFill = 0;
}

int32_t OutWriteString(const char* text) {
  int32_t result;
  if (!CheckStream(result)) return result;
  return Append(reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)));
}

int32_t OutWriteBytes(int32_t length, const void* bytes) {
  int32_t result;
  if (!CheckStream(result)) return result;
  return Append(static_cast<const uint8_t*>(bytes), length);
}

int32_t OutFlush() {
  int32_t result;
  if (!CheckStream(result)) return result;
  return Flush();
}

namespace {

// Writes value in polyline encoding, base 1 << shift, at out; returns the
// length (at most 7).
template <int shift>
inline int32_t EncodeNumber(int32_t value, char* out) {
  constexpr uint32_t kBase = 1u << shift;
  constexpr uint32_t kLastOffset = shift == 6 ? 191 : 95;
  int32_t n = 0;
  // The sign goes into the lowest bit; 32 bits hold it for every value that
  // host coordinates give, 64 bits for the rest.
  if (value <= -(1 << 30) || value >= (1 << 30)) {
    const int64_t v = value;
    uint64_t u = v >= 0 ? static_cast<uint64_t>(2 * v) : static_cast<uint64_t>(1 - 2 * v);
    for (; u >= kBase; u >>= shift) out[n++] = static_cast<char>((u & (kBase - 1)) + 63);
    out[n++] = static_cast<char>(u + kLastOffset);
    return n;
  }
  uint32_t u =
      value >= 0 ? 2u * static_cast<uint32_t>(value) : 1u - 2u * static_cast<uint32_t>(value);
  for (; u >= kBase; u >>= shift) out[n++] = static_cast<char>((u & (kBase - 1)) + 63);
  out[n++] = static_cast<char>(u + kLastOffset);
  return n;
}

inline int32_t EncodeNumber(int32_t value, bool eightBit, char* out) {
  return eightBit ? EncodeNumber<6>(value, out) : EncodeNumber<5>(value, out);
}

bool EightBitEncoding() {
  return (configRecord.plotFlags & kPlotEightBitEncoding) != 0;
}

}  // namespace

int32_t OutWriteEncodedNumber(int32_t value) {
  char digits[8];
  return OutWriteBytes(EncodeNumber(value, EightBitEncoding(), digits), digits) < 0 ? -1 : 0;
}

int32_t OutWriteEncodedPair(int32_t first, int32_t second) {
  int32_t result;
  if (!CheckStream(result)) return result;
  constexpr int32_t kLongestPair = 14;
  const bool eightBit = EightBitEncoding();
  // Where the buffer has room to spare, as Append would find it, the digits
  // go straight in.
  if (outputFill + kLongestPair < kOutputCapacity) {
    char* out = reinterpret_cast<char*>(OutputBuffer + outputFill);
    int32_t n = EncodeNumber(first, eightBit, out);
    n += EncodeNumber(second, eightBit, out + n);
    outputFill += n;
    return 0;
  }
  char digits[2 * 7];
  int32_t n = EncodeNumber(first, eightBit, digits);
  n += EncodeNumber(second, eightBit, digits + n);
  return Append(reinterpret_cast<const uint8_t*>(digits), n) < 0 ? -1 : 0;
}

int32_t OutWriteDecimal(int32_t value) {
  char digits[12];
  char* end = digits + sizeof digits;
  char* at = end;
  // Counted as a negative number, so that the most negative one has digits too.
  int32_t rest = value < 0 ? value : -value;
  do {
    *--at = static_cast<char>('0' - rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) *--at = '-';
  return OutWriteBytes(static_cast<int32_t>(end - at), at);
}

int32_t OutWriteFormat(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return OutWriteString(text);
}
