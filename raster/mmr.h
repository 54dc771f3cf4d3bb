// Two-dimensional (MMR, ITU-T T.6) coding of canvas rows.
//
// The canvas writer resets the bit writer once per band, codes the band's rows with
// MmrEncodeRows and ends the band with MmrFinish. Every band is a complete T.6 image of its
// own: the first row is coded against an all-white reference row and the stream ends in EOFB.
//
// Results: 0 on success, -1 when the coded band did not fit in the output area. The writer still
// counts what did not fit, so MmrByteCount after MmrFinish is the size the band needs.
#pragma once

#include <cstdint>

// One code: the bits stand left-aligned in the word (the first bit sent is bit 31).
struct MmrCode {
  uint32_t code;
  int32_t length;
};

// Run codes of one colour, indexed by what they stand for: entries 0..63 are the terminating
// codes for runs 0..63, entry 64 + m - 1 is the make-up code for a run of m * 64 (m = 1..40).
constexpr int32_t kMmrTerminatingCount = 64;
constexpr int32_t kMmrMakeUpCount = 40;
constexpr int32_t kMmrRunCodeCount = kMmrTerminatingCount + kMmrMakeUpCount;

extern const MmrCode kWhiteCodes[kMmrRunCodeCount];
extern const MmrCode kBlackCodes[kMmrRunCodeCount];

// Bit writer. Words are stored in native order; the canvas writer puts them in sending order.
// capacityBytes should be a multiple of 4: only whole words are ever stored.
void MmrReset(uint32_t* output, int32_t capacityBytes);
void MmrPutCode(uint32_t code, int32_t length);
void MmrPutRun(const MmrCode* table, int32_t run);
void MmrFlush();
int32_t MmrFinish();
int32_t MmrByteCount();

// A RunList: element 0 is the number of pairs that follow, then one (start, end) pair per black
// run in increasing order (end is the first white pixel after the run), then the end marker
// (width, width). A list must hold width / 2 + 2 pairs. Returns the pair count.
int32_t RowToRuns(const uint32_t* row, int32_t width, int32_t* list);

// Codes rowCount rows of rowBytes bytes (a multiple of 4) each. referenceList must hold the
// RunList of the row above the first one (an all-white row at the top of a band); both lists are
// work areas afterwards.
int32_t MmrEncodeRows(const uint32_t* firstRow, int32_t rowCount, int32_t rowBytes,
                      int32_t* currentList, int32_t* referenceList);
