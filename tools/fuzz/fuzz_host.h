#pragma once
// The host side of the fuzz targets. Every value the host hands the driver
// comes from the fuzzer's input: packet bytes, the stored record, the results
// of the host services (each may fail on the input's choice) and the strips of
// an image. Every buffer that an address may point to is owned here and sized
// exactly, so that the sanitizers catch a read one byte past it.
//
// After each request the host checks what the driver promises whatever it is
// fed: its stream and pen state stay in range, and no byte reaches the host
// while a failure stands.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The fuzzer's bytes, read front to back; zeros once they run out.
struct FuzzInput {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  bool Empty() const { return at >= size; }
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t U32() { return U16() | static_cast<uint32_t>(U16()) << 16; }
  // A number below `range` (at most 2^32 - 1), from as few bytes as it needs.
  uint32_t Below(uint32_t range);
  void Fill(uint8_t* to, size_t n);
};

// Reports what the driver did wrong and aborts, so the fuzzer keeps the input.
[[noreturn]] void FuzzBroken(const char* what);

// What the services answer. Chosen from the input before each request.
struct FuzzServices {
  int32_t failWriteAt = 0;  // the n-th write from now is refused; 0 = none
  int32_t getResult = 0;    // nonzero: the record cannot be fetched
  int32_t saveResult = 0;   // nonzero: the record cannot be saved
  int32_t swapAnswer = 0;
  uint8_t record[40] = {};  // what the host has stored
};
extern FuzzServices fuzzServices;

// The bytes the host took during the last request, and whether it refused one.
struct FuzzLastRequest {
  std::string written;
  bool refused = false;
};
extern FuzzLastRequest fuzzLastRequest;

// The driver back at its load state, connected to the fuzz host; the input
// serves every value from now on.
void FuzzStartDriver(FuzzInput& input);

// The host's start of a drawing and a plot: reset, messages, the record,
// the paper list with the largest area, and the plot's begin.
void FuzzStartDrawing();

// One request of the given code, its packet filled from the input as the
// host lays it out: an inline polygon's packet holds its vertices, request 54
// points at a buffer of exactly its vertices, request 52 at the fuzz host's
// strip entry points. Aborts when the driver breaks a promise.
void FuzzSendControl(int16_t code);
void FuzzSendGraphics(int16_t code);

// Request 52 built by a target: an empty packet of the image request's size,
// the entry points (or none, on the input's choice), and the sending.
std::vector<uint8_t> FuzzImagePacket();
void FuzzImageEntryPoints(uint8_t* packet);
void FuzzSendPacket(std::vector<uint8_t>& packet);

// The services' answers for the next request, drawn from the input.
void FuzzChooseServices();

// The request codes the driver answers, for the targets to choose from, and
// last one it does not answer.
template <size_t N>
std::vector<int16_t> WithUnanswered(const int16_t (&codes)[N], int16_t unanswered) {
  std::vector<int16_t> all(codes, codes + N);
  all.push_back(unanswered);
  return all;
}
extern const std::vector<int16_t> kFuzzControlCodes;
extern const std::vector<int16_t> kFuzzGraphicsCodes;
