#pragma once
// The printers' binary language, QDRS: how its numbers are packed, the forms
// its records take, and every opcode the driver writes, each under a name.
// Every QDRS byte of a job is put together here; which record goes out when is
// told by the job header (vector/header_qdrs.cpp), the vector output
// (vector/language_qdrs.cpp) and the raster framing (raster/framing_qdrs.cpp).
//
// Record forms, numbers big-endian:
//   short        opcode, word count (1 byte), 16-bit words
//   long         FF, opcode, word count (16 bits), words
//   job control  9B, opcode, byte count (16 bits), bytes
//   image data   9B 5C, byte count (32 bits), the MMR bytes
#include <array>
#include <cstdint>
#include <initializer_list>

// What opens a long record and a job-control one.
constexpr uint8_t kQdrsLongForm = 0xFF;
constexpr uint8_t kQdrsJobControl = 0x9B;

// Short form.
constexpr uint8_t kQdrsLabel = 0x14;                  // length, text padded to whole words
constexpr uint8_t kQdrsPenDefinition = 0x30;          // pen, four values
constexpr uint8_t kQdrsAreaPatternDefinition = 0x32;  // number, width, height, rows
constexpr uint8_t kQdrsLinePatternDefinition = 0x36;  // number, segments in percent
constexpr uint8_t kQdrsPenWidth = 0x40;               // 1/400 inch
constexpr uint8_t kQdrsLinePen = 0x41;
constexpr uint8_t kQdrsLinePattern = 0x43;  // 0 solid, else a defined pattern
constexpr uint8_t kQdrsAreaPen = 0x47;      // the pen fills take
constexpr uint8_t kQdrsLineShort = 0x64;    // x, y, dx, dy in 16-bit numbers
constexpr uint8_t kQdrsLineLong = 0x6B;     // the same in 32-bit numbers
constexpr uint8_t kQdrsModelIdentification = 0xF2;
constexpr uint8_t kQdrsJobEndMarker = 0xF3;
// Long form: a polygon outline to be filled, first vertex absolute, the
// others relative.
constexpr uint8_t kQdrsPolygonShort = 0x7C;
constexpr uint8_t kQdrsPolygonLong = 0x83;
// Job control.
constexpr uint8_t kQdrsCopies = 0x4E;            // two hexadecimal characters
constexpr uint8_t kQdrsRasterResolution = 0x52;  // below
constexpr uint8_t kQdrsImageData = 0x5C;         // its own form, above
constexpr uint8_t kQdrsRasterMode = 0x5D;        // below
constexpr uint8_t kQdrsJobPart = 0x5E;           // below
constexpr uint8_t kQdrsImagePlacement = 0x5F;    // six numbers, then 00 01
constexpr uint8_t kQdrsManualOutput = 0x62;

// The job part a 9B 5E record opens: the job itself and what follows an
// image are opaque, an image drawn over the plot transparent; 0 ends the job.
constexpr uint8_t kQdrsPartEnd = 0;
constexpr uint8_t kQdrsPartTransparent = 1;
constexpr uint8_t kQdrsPartOpaque = 2;
// The two raster modes of 9B 5D: image data follows, or the raster ends.
constexpr uint16_t kQdrsRasterData = 0x0207;
constexpr uint16_t kQdrsRasterEnds = 0x0200;

// Set-up records of no words, after the model identification, and of one
// word, after the line patterns. What they set is the device's business; they
// go out exactly so.
constexpr std::array<uint8_t, 2> kQdrsModelSetUpOpcodes = {0x20, 0x23};
struct QdrsFixedRecord {
  uint8_t opcode;
  int16_t word;
};
constexpr std::array<QdrsFixedRecord, 6> kQdrsPenSetUpRecords = {{
    {0x42, 1},
    {0x44, 2},
    {0x45, 3},
    {0x39, 0},
    {0x48, 2},
    {0x50, 1},
}};

// Each writes into the caller's scratch and returns the number of bytes made.
int32_t PackLong(int32_t value, uint8_t* to);
int32_t PackShort(int32_t value, uint8_t* to);  // the low 16 bits
int32_t PackByte(int32_t value, uint8_t* to);   // 0..255

// Where a record goes: the plot's output buffer (OutWriteBytes), or straight
// to the host as the raster goes. Each record is one write.
using QdrsSink = int32_t (*)(int32_t length, const void* bytes);

// Short form, through the output buffer.
int32_t QdrsWriteRecord(uint8_t opcode, std::initializer_list<int32_t> words);
int32_t QdrsWriteWords(uint8_t opcode, const int32_t* words, int32_t count);
// A one-word record made in `to` (4 bytes), for a writer that keeps it.
int32_t QdrsPackWordRecord(uint8_t opcode, int32_t word, uint8_t* to);
int32_t QdrsWriteLabel(const char* text, int32_t length);
// "LS7410" and the like: six characters.
int32_t QdrsWriteModelIdentification(const char* text);
int32_t QdrsWriteJobEndMarker();
int32_t QdrsWriteModelSetUp();
int32_t QdrsWritePenSetUp();
// The 70-byte block of job set-up that the device expects ahead of the model
// identification and of the job end marker, written unchanged.
int32_t QdrsWriteFrameBlock();

// Coordinates in 16-bit numbers (`wide` false, a value past them written as
// the nearest one they hold) or in 32-bit ones.
int32_t QdrsWriteLine(bool wide, int32_t x, int32_t y, int32_t dx, int32_t dy);
// The polygon head, its word count taken in 16 bits, and the first vertex;
// every further vertex is a pair of steps.
int32_t QdrsWritePolygonHead(bool wide, int32_t vertices, int32_t x, int32_t y);
int32_t QdrsWriteStepPair(bool wide, int32_t dx, int32_t dy);

// Job control.
int32_t QdrsWriteJobControl(QdrsSink sink, uint8_t opcode, const uint8_t* bytes, int32_t count);
int32_t QdrsWriteJobPart(QdrsSink sink, uint8_t part);
int32_t QdrsWriteCopies(int32_t copies);  // 1..99, through the buffer
int32_t QdrsWriteManualOutput();          // through the buffer
// 400 and 200 dpi have a record; other resolutions write nothing.
int32_t QdrsWriteRasterResolution(QdrsSink sink, int32_t dpi);
int32_t QdrsWriteRasterMode(QdrsSink sink, uint16_t mode);
// Origin, source width and rows, drawn width and rows.
int32_t QdrsWriteImagePlacement(QdrsSink sink, const std::array<int32_t, 6>& numbers);
// The head as one write, the data as another.
int32_t QdrsWriteImageData(QdrsSink sink, const uint8_t* data, int32_t n);
