// MMR (ITU-T T.6) coder for canvas bands: code tables, bit writer, row scanner, 2-D coder.
#include "raster/mmr.h"

#include <emmintrin.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// A code given as in the standard: its bits as a binary literal, then its length.
constexpr MmrCode C(uint32_t bits, int32_t length) {
  return {bits << (32 - length), length};
}

}  // namespace

// Table 2/T.4 - Terminating codes (runs 0..63), then Table 3/T.4 - Make-up codes (64..1728),
// then the make-up codes for 1792..2560 that both colours share.
constexpr MmrCode kWhiteCodes[kMmrRunCodeCount] = {
    C(0b00110101, 8), C(0b000111, 6), C(0b0111, 4), C(0b1000, 4),            // 0
    C(0b1011, 4), C(0b1100, 4), C(0b1110, 4), C(0b1111, 4),                  // 4
    C(0b10011, 5), C(0b10100, 5), C(0b00111, 5), C(0b01000, 5),              // 8
    C(0b001000, 6), C(0b000011, 6), C(0b110100, 6), C(0b110101, 6),          // 12
    C(0b101010, 6), C(0b101011, 6), C(0b0100111, 7), C(0b0001100, 7),        // 16
    C(0b0001000, 7), C(0b0010111, 7), C(0b0000011, 7), C(0b0000100, 7),      // 20
    C(0b0101000, 7), C(0b0101011, 7), C(0b0010011, 7), C(0b0100100, 7),      // 24
    C(0b0011000, 7), C(0b00000010, 8), C(0b00000011, 8), C(0b00011010, 8),   // 28
    C(0b00011011, 8), C(0b00010010, 8), C(0b00010011, 8), C(0b00010100, 8),  // 32
    C(0b00010101, 8), C(0b00010110, 8), C(0b00010111, 8), C(0b00101000, 8),  // 36
    C(0b00101001, 8), C(0b00101010, 8), C(0b00101011, 8), C(0b00101100, 8),  // 40
    C(0b00101101, 8), C(0b00000100, 8), C(0b00000101, 8), C(0b00001010, 8),  // 44
    C(0b00001011, 8), C(0b01010010, 8), C(0b01010011, 8), C(0b01010100, 8),  // 48
    C(0b01010101, 8), C(0b00100100, 8), C(0b00100101, 8), C(0b01011000, 8),  // 52
    C(0b01011001, 8), C(0b01011010, 8), C(0b01011011, 8), C(0b01001010, 8),  // 56
    C(0b01001011, 8), C(0b00110010, 8), C(0b00110011, 8), C(0b00110100, 8),  // 60
    // Make-up codes
    C(0b11011, 5), C(0b10010, 5), C(0b010111, 6), C(0b0110111, 7),               // 64
    C(0b00110110, 8), C(0b00110111, 8), C(0b01100100, 8), C(0b01100101, 8),      // 320
    C(0b01101000, 8), C(0b01100111, 8), C(0b011001100, 9), C(0b011001101, 9),    // 576
    C(0b011010010, 9), C(0b011010011, 9), C(0b011010100, 9), C(0b011010101, 9),  // 832
    C(0b011010110, 9), C(0b011010111, 9), C(0b011011000, 9), C(0b011011001, 9),  // 1088
    C(0b011011010, 9), C(0b011011011, 9), C(0b010011000, 9), C(0b010011001, 9),  // 1344
    C(0b010011010, 9), C(0b011000, 6), C(0b010011011, 9),                        // 1600
    C(0b00000001000, 11), C(0b00000001100, 11), C(0b00000001101, 11),            // 1792
    C(0b000000010010, 12), C(0b000000010011, 12), C(0b000000010100, 12),         // 1984
    C(0b000000010101, 12), C(0b000000010110, 12), C(0b000000010111, 12),         // 2176
    C(0b000000011100, 12), C(0b000000011101, 12), C(0b000000011110, 12),         // 2368
    C(0b000000011111, 12),                                                       // 2560
};

// Table 2/T.4 - Terminating codes (runs 0..63), then Table 3/T.4 - Make-up codes (64..1728),
// then the make-up codes for 1792..2560 that both colours share.
constexpr MmrCode kBlackCodes[kMmrRunCodeCount] = {
    C(0b0000110111, 10), C(0b010, 3), C(0b11, 2), C(0b10, 2),                // 0
    C(0b011, 3), C(0b0011, 4), C(0b0010, 4), C(0b00011, 5),                  // 4
    C(0b000101, 6), C(0b000100, 6), C(0b0000100, 7), C(0b0000101, 7),        // 8
    C(0b0000111, 7), C(0b00000100, 8), C(0b00000111, 8), C(0b000011000, 9),  // 12
    C(0b0000010111, 10), C(0b0000011000, 10), C(0b0000001000, 10),           // 16
    C(0b00001100111, 11), C(0b00001101000, 11), C(0b00001101100, 11),        // 19
    C(0b00000110111, 11), C(0b00000101000, 11), C(0b00000010111, 11),        // 22
    C(0b00000011000, 11), C(0b000011001010, 12), C(0b000011001011, 12),      // 25
    C(0b000011001100, 12), C(0b000011001101, 12), C(0b000001101000, 12),     // 28
    C(0b000001101001, 12), C(0b000001101010, 12), C(0b000001101011, 12),     // 31
    C(0b000011010010, 12), C(0b000011010011, 12), C(0b000011010100, 12),     // 34
    C(0b000011010101, 12), C(0b000011010110, 12), C(0b000011010111, 12),     // 37
    C(0b000001101100, 12), C(0b000001101101, 12), C(0b000011011010, 12),     // 40
    C(0b000011011011, 12), C(0b000001010100, 12), C(0b000001010101, 12),     // 43
    C(0b000001010110, 12), C(0b000001010111, 12), C(0b000001100100, 12),     // 46
    C(0b000001100101, 12), C(0b000001010010, 12), C(0b000001010011, 12),     // 49
    C(0b000000100100, 12), C(0b000000110111, 12), C(0b000000111000, 12),     // 52
    C(0b000000100111, 12), C(0b000000101000, 12), C(0b000001011000, 12),     // 55
    C(0b000001011001, 12), C(0b000000101011, 12), C(0b000000101100, 12),     // 58
    C(0b000001011010, 12), C(0b000001100110, 12), C(0b000001100111, 12),     // 61
    // Make-up codes
    C(0b0000001111, 10), C(0b000011001000, 12), C(0b000011001001, 12),       // 64
    C(0b000001011011, 12), C(0b000000110011, 12), C(0b000000110100, 12),     // 256
    C(0b000000110101, 12), C(0b0000001101100, 13), C(0b0000001101101, 13),   // 448
    C(0b0000001001010, 13), C(0b0000001001011, 13), C(0b0000001001100, 13),  // 640
    C(0b0000001001101, 13), C(0b0000001110010, 13), C(0b0000001110011, 13),  // 832
    C(0b0000001110100, 13), C(0b0000001110101, 13), C(0b0000001110110, 13),  // 1024
    C(0b0000001110111, 13), C(0b0000001010010, 13), C(0b0000001010011, 13),  // 1216
    C(0b0000001010100, 13), C(0b0000001010101, 13), C(0b0000001011010, 13),  // 1408
    C(0b0000001011011, 13), C(0b0000001100100, 13), C(0b0000001100101, 13),  // 1600
    C(0b00000001000, 11), C(0b00000001100, 11), C(0b00000001101, 11),        // 1792
    C(0b000000010010, 12), C(0b000000010011, 12), C(0b000000010100, 12),     // 1984
    C(0b000000010101, 12), C(0b000000010110, 12), C(0b000000010111, 12),     // 2176
    C(0b000000011100, 12), C(0b000000011101, 12), C(0b000000011110, 12),     // 2368
    C(0b000000011111, 12),                                                   // 2560
};

namespace {

// A decoder reads codes bit by bit, so no code may begin another of its colour; a length typed
// wrong against its literal usually breaks that too.
constexpr bool IsPrefixFree(const MmrCode* table, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < count; ++j) {
      if (i == j || table[i].length > table[j].length) continue;
      const uint32_t mask = ~0u << (32 - table[i].length);
      if ((table[j].code & mask) == table[i].code) return false;
    }
  }
  return true;
}
static_assert(IsPrefixFree(kWhiteCodes, kMmrRunCodeCount));
static_assert(IsPrefixFree(kBlackCodes, kMmrRunCodeCount));

// Table 4/T.4 - Two-dimensional codes. The vertical codes are indexed by a1 - b1 + 3.
constexpr MmrCode kPass = C(0b0001, 4);
constexpr MmrCode kHorizontal = C(0b001, 3);
constexpr MmrCode kVertical[7] = {
    C(0b0000010, 7),  // VL3
    C(0b000010, 6),   // VL2
    C(0b010, 3),      // VL1
    C(0b1, 1),        // V0
    C(0b011, 3),      // VR1
    C(0b000011, 6),   // VR2
    C(0b0000011, 7),  // VR3
};
constexpr MmrCode kEol = C(0b000000000001, 12);

struct BitWriter {
  uint32_t accumulator;  // pending bits, from the most significant end
  int32_t bits;          // how many bits of the accumulator are pending (0..31)
  uint32_t* next;        // where the next complete word goes
  uint32_t* end;         // first word past the output area
  int32_t byteCount;
  bool overflow;
};

BitWriter writer{};

// Appends a code whose bits stand left-aligned with nothing below its length
// (1..32); the coder works on its own copy of the writer so that the state
// stays in registers.
inline void Put(BitWriter& w, uint32_t code, int32_t length) {
  w.accumulator |= code >> w.bits;
  w.bits += length;
  if (w.bits < 32) return;
  // The area is sized from an estimate that unusual rows can exceed: stop storing at its end and
  // let the caller code the band again into a larger area.
  if (w.next < w.end) {
    *w.next++ = w.accumulator;
  } else {
    w.overflow = true;
  }
  w.byteCount += 4;
  w.bits -= 32;
  // What did not fit is the low `bits` bits of the code; there are none when the word was empty.
  w.accumulator = w.bits == 0 ? 0 : code << (length - w.bits);
}

inline void Put(BitWriter& w, const MmrCode& c) {
  Put(w, c.code, c.length);
}

inline void PutRun(BitWriter& w, const MmrCode* table, int32_t run) {
  while (run >= 64) {
    int32_t m = run / 64;
    if (m > kMmrMakeUpCount) m = kMmrMakeUpCount;
    Put(w, table[kMmrTerminatingCount + m - 1]);
    run -= 64 * m;
  }
  if (run < 0) return;
  Put(w, table[run]);
}

}  // namespace

void MmrReset(uint32_t* output, int32_t capacityBytes) {
  writer = BitWriter{};
  writer.next = output;
  writer.end = output == nullptr || capacityBytes <= 0 ? output : output + capacityBytes / 4;
}

void MmrPutCode(uint32_t code, int32_t length) {
  if (length < 1 || length > 32) return;
  if (length < 32) code &= ~(~0u >> length);
  Put(writer, code, length);
}

void MmrPutRun(const MmrCode* table, int32_t run) {
  PutRun(writer, table, run);
}

void MmrFlush() {
  if (writer.bits == 0) return;
  if (writer.next < writer.end) {
    *writer.next++ = writer.accumulator;
  } else {
    writer.overflow = true;
  }
  writer.byteCount += writer.bits <= 15 ? 2 : 4;
  writer.accumulator = 0;
  writer.bits = 0;
}

int32_t MmrFinish() {
  MmrPutCode(kEol.code, kEol.length);  // EOFB: two EOLs
  MmrPutCode(kEol.code, kEol.length);
  MmrFlush();
  return writer.overflow ? -1 : 0;
}

int32_t MmrByteCount() {
  return writer.byteCount;
}

namespace {

// The first word from w on that is not `fill`, or words: blocks of eight words that only extend
// the current colour are passed over whole.
int32_t SkipColour(const uint32_t* row, int32_t w, int32_t words, uint32_t fill) {
  const __m128i f = _mm_set1_epi32(static_cast<int32_t>(fill));
  for (; w + 8 <= words; w += 8) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + w));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + w + 4));
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(first, f), _mm_cmpeq_epi32(second, f));
    if (_mm_movemask_epi8(same) != 0xFFFF) break;
  }
  while (w < words && row[w] == fill) ++w;
  return w;
}

// Appends the positions of the colour changes within one word to out: a pixel changes where it
// differs from the one before it, the first pixel's predecessor having the colour of fill. Most
// words hold no change or two, so the first two are stored without a branch (a store with no
// change behind it is overwritten later) and only the rest take a loop.
inline int32_t* AddChanges(int32_t* out, uint32_t word, uint32_t fill, int32_t base) {
  uint32_t changes = word ^ ((word >> 1) | (fill << 31));
  int32_t z = __builtin_clz(changes | 1u);
  out[0] = base + z;
  out += changes != 0;
  changes &= ~(0x80000000u >> z);
  z = __builtin_clz(changes | 1u);
  out[0] = base + z;
  out += changes != 0;
  changes &= ~(0x80000000u >> z);
  while (changes != 0) {
    z = __builtin_clz(changes);
    *out++ = base + z;
    changes ^= 0x80000000u >> z;
  }
  return out;
}

}  // namespace

// The change positions alternate black starts and white starts, which is the run list itself.
int32_t RowToRuns(const uint32_t* row, int32_t width, int32_t* list) {
  int32_t* out = list + 1;
  uint32_t fill = 0;  // the colour of the last pixel looked at, in every bit
  const int32_t fullWords = width / 32;
  for (int32_t w = 0; w < fullWords; ++w) {
    w = SkipColour(row, w, fullWords, fill);
    if (w == fullWords) break;
    const uint32_t word = row[w];
    out = AddChanges(out, word, fill, w * 32);
    fill = 0u - (word & 1u);
  }
  const int32_t tail = width % 32;
  if (tail > 0) {
    // The pixels past the width take the colour of the last one, so that they add no change.
    uint32_t word = row[fullWords];
    const uint32_t past = ~0u >> tail;
    word = (word >> (32 - tail)) & 1u ? word | past : word & ~past;
    out = AddChanges(out, word, fill, fullWords * 32);
  }
  if ((out - list - 1) % 2 != 0) *out++ = width;  // the row ends black
  *out++ = width;                                 // end marker
  *out++ = width;
  list[0] = static_cast<int32_t>(out - list - 1) / 2;
  return list[0];
}

namespace {

inline void PutOnes(BitWriter& w, int32_t count) {
  for (; count >= 32; count -= 32) Put(w, ~0u, 32);
  if (count > 0) Put(w, ~0u << (32 - count), count);
}

inline void PutHorizontal(BitWriter& w, bool white, int32_t a0, int32_t a1, int32_t a2) {
  Put(w, kHorizontal);
  PutRun(w, white ? kWhiteCodes : kBlackCodes, a1 - a0);
  PutRun(w, white ? kBlackCodes : kWhiteCodes, a2 - a1);
}

// Codes one row against the row above it. Both come as the positions of their RunList read as a
// single sequence: even entries turn the row black, odd entries turn it white, and the end
// marker adds two entries at the width.
//
//   reference   ....b1####b2.......     pass:       b2 < a1
//   current     ..a0.........a1###a2    vertical:   |a1 - b1| <= 3
//                                       horizontal: otherwise, runs a0..a1 and a1..a2
inline void EncodeRow(BitWriter& w, const int32_t* a, const int32_t* b, int32_t width) {
  int32_t a0 = 0;
  int32_t next = 0;    // index of a1 in a: even while a0 is white, odd while it is black
  int32_t scan = 0;    // index in b of the first position to the right of the last a0
  int32_t after = -1;  // b1 lies right of this; the first search starts left of pixel 0
  while (a0 < width) {
    const bool white = (next & 1) == 0;
    const int32_t a1 = a[next];
    const int32_t a2 = a[next + 1];
    while (b[scan] <= after) ++scan;  // stops at the end marker at the latest
    // b1 changes to the colour opposite a0: an even entry when a0 is white, an odd one if black,
    // so it lies on the parity of next.
    const int32_t at = scan + ((scan ^ next) & 1);
    const int32_t b1 = b[at];
    const int32_t b2 = b1 < width ? b[at + 1] : width;
    if (b2 < a1) {
      Put(w, kPass);
      a0 = b2;
    } else if (static_cast<uint32_t>(a1 - b1 + 3) <= 6) {
      Put(w, kVertical[a1 - b1 + 3]);
      a0 = a1;
      next += 1;
    } else {
      PutHorizontal(w, white, a0, a1, a2);
      a0 = a2;
      next += 2;
    }
    after = a0;
  }
}

// A row equal to the one above it codes as one V0 for each of its changes,
// counted from its run list (which is also the reference's): two per run, and
// one more for the end when the row ends white.
int32_t RepeatedRowCodes(const int32_t* list, int32_t width) {
  const int32_t pairs = list[0] - 1;
  if (pairs == 0) return 1;
  return 2 * pairs + (list[2 * pairs] < width ? 1 : 0);
}

}  // namespace

int32_t MmrEncodeRows(const uint32_t* firstRow, int32_t rowCount, int32_t rowBytes,
                      int32_t* currentList, int32_t* referenceList) {
  if (rowBytes <= 0 || rowBytes % 4 != 0 || rowBytes > INT32_MAX / 8) return -1;
  const int32_t width = rowBytes * 8;
  const int32_t rowWords = rowBytes / 4;
  BitWriter w = writer;
  const uint32_t* row = firstRow;
  for (int32_t y = 0; y < rowCount; ++y, row += rowWords) {
    // The reference list of the first row is the caller's; later ones are
    // the row above.
    if (y > 0 && std::memcmp(row, row - rowWords, static_cast<size_t>(rowBytes)) == 0) {
      PutOnes(w, RepeatedRowCodes(referenceList, width));
      continue;
    }
    RowToRuns(row, width, currentList);
    EncodeRow(w, currentList + 1, referenceList + 1, width);
    std::swap(currentList, referenceList);
  }
  writer = w;
  return writer.overflow ? -1 : 0;
}
