// MMR coder: exact bytes for small cases, libtiff as decoder and as second encoder for the rest.
#include "raster/mmr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/golden.h"
#include "tools/fuzz/tiff_oracle.h"

namespace {

using namespace std::string_literals;

// Canvas rows: width / 32 words each, pixel x at bit 31 - x % 32 of word x / 32, 1 = black.
struct Image {
  int32_t width, rows;
  std::vector<uint32_t> words;
};

template <typename Pixel>
Image Draw(int32_t width, int32_t rows, Pixel black) {
  Image image{width, rows, std::vector<uint32_t>(width / 32 * rows)};
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (black(x, y)) image.words[y * (width / 32) + x / 32] |= 0x80000000u >> x % 32;
  return image;
}

// Runs whose colour is redrawn (black with probability `density`) at each pixel with probability
// 1 / meanRun: 1 gives independent pixels, large values runs that need make-up codes.
Image Noise(int32_t width, int32_t rows, double meanRun, double density) {
  static std::mt19937 rng(1);
  std::uniform_real_distribution<double> unit(0, 1);
  bool black = false;
  return Draw(width, rows, [&](int32_t x, int32_t) {
    if (x == 0 || unit(rng) * meanRun < 1) black = unit(rng) < density;
    return black;
  });
}

// The words as the printer receives them: each one most significant byte first.
std::string SendingOrder(const uint32_t* words, size_t byteCount) {
  std::string bytes;
  for (size_t i = 0; i < byteCount; ++i) bytes += char(words[i / 4] >> (24 - 8 * (i % 4)));
  return bytes;
}

const uint8_t* Data(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

struct Coded {
  int32_t rows, finish, count;
  std::string bytes;  // what was stored
};

// Codes the image into capacityBytes (by default room for 64 bits per 8 pixels, far beyond any
// need) followed by canary words, which must survive.
Coded Encode(const Image& image, int32_t capacityBytes = -1) {
  if (capacityBytes < 0) capacityBytes = image.rows * image.width + 64;
  std::vector<int32_t> current(image.width + 5), reference = {1, image.width, image.width};
  reference.resize(current.size());  // an all-white row above the first one
  std::vector<uint32_t> area(capacityBytes / 4 + 2, 0xDEADBEEFu);
  MmrReset(area.data(), capacityBytes);
  Coded c;
  c.rows = MmrEncodeRows(image.words.data(), image.rows, image.width / 8, current.data(),
                         reference.data());
  c.finish = MmrFinish();
  c.count = MmrByteCount();
  c.bytes = SendingOrder(area.data(), std::min(c.count, capacityBytes / 4 * 4));
  for (size_t i = capacityBytes / 4; i < area.size(); ++i) EXPECT_EQ(area[i], 0xDEADBEEFu) << i;
  return c;
}

// The bytes that `put` leaves in the output area, flushed.
template <typename Put>
std::string Written(Put put) {
  uint32_t area[4] = {};
  MmrReset(area, sizeof area);
  put();
  MmrFlush();
  return SendingOrder(area, MmrByteCount());
}

TEST(MmrBitWriter, RunsTakeMakeUpCodesThenATerminatingCode) {
  EXPECT_BYTES(Written([] { MmrPutRun(kWhiteCodes, 64); }), "\xD9\xA8"s);            // 64 + 0
  EXPECT_BYTES(Written([] { MmrPutRun(kWhiteCodes, 2560); }), "\x01\xF3\x50\x00"s);  // 2560 + 0
  // 2560 + 64 + 0: one full word, which leaves nothing to flush
  EXPECT_BYTES(Written([] { MmrPutRun(kBlackCodes, 2624); }), "\x01\xF0\x3C\x37"s);
  // 2560 + 2560 + 64 + 16
  EXPECT_BYTES(Written([] { MmrPutRun(kBlackCodes, 5200); }), "\x01\xF0\x1F\x03\xC1\x70"s);
  // Bits below the code length are not part of the code.
  EXPECT_BYTES(Written([] { MmrPutCode(~0u, 4), MmrPutCode(0, 4); }), "\xF0\x00"s);
}

TEST(RowToRuns, ListsBlackRunsAcrossWordEdgesThenTheEndMarker) {
  const uint32_t row[3] = {0x00000FFFu, ~0u, 0xFC000001u};
  std::vector<int32_t> list(1 + 2 * (96 / 2 + 2), -7);
  EXPECT_EQ(RowToRuns(row, 96, list.data()), 3);
  list.resize(8);
  EXPECT_EQ(list, (std::vector<int32_t>{3, 20, 70, 95, 96, 96, 96, -7}));
}

// Rows of every width from 1 to 200 with black pixels past the width (which must not count),
// runs that start or end on a word edge, and words of one to thirty-two changes, against a
// pixel-by-pixel listing.
TEST(RowToRuns, AgreesWithAPixelWalkForAnyWidthAndChangeCount) {
  std::mt19937 rng(5);
  for (int32_t width = 1; width <= 200; ++width) {
    for (int32_t trial = 0; trial < 8; ++trial) {
      std::vector<uint32_t> row((width + 31) / 32);
      for (uint32_t& word : row) {
        const uint32_t kind = rng() % 4;
        word = kind == 0 ? 0x55555555u << rng() % 2 : kind == 1 ? ~0u >> rng() % 32 : rng();
        if (kind == 3) word = ~word << rng() % 32;
      }
      std::vector<int32_t> expected = {0};
      for (int32_t x = 0; x <= width; ++x) {
        const bool black = x < width && (row[x / 32] >> (31 - x % 32) & 1) != 0;
        const bool before = x > 0 && (row[(x - 1) / 32] >> (31 - (x - 1) % 32) & 1) != 0;
        if (black != before) expected.push_back(x);
      }
      expected.push_back(width);
      expected.push_back(width);
      expected[0] = static_cast<int32_t>(expected.size() - 1) / 2;
      std::vector<int32_t> list(1 + 2 * (width / 2 + 2) + 8, -7);
      ASSERT_EQ(RowToRuns(row.data(), width, list.data()), expected[0]) << width;
      list.resize(expected.size());
      ASSERT_EQ(list, expected) << "width " << width << " trial " << trial;
    }
  }
}

// Black from x0 to x1 in every row.
Image Bar(int32_t width, int32_t rows, int32_t x0, int32_t x1) {
  return Draw(width, rows, [=](int32_t x, int32_t) { return x >= x0 && x < x1; });
}

// The last word is padded to 16 bits when at most 15 of its bits are used, else to 32.
TEST(MmrGolden, SmallImagesCodeToExactBytes) {
  // V0, EOFB: 25 bits
  EXPECT_BYTES(Encode(Bar(32, 1, 0, 0)).bytes, "\x80\x08\x00\x80"s);
  // horizontal (white 0, black 32), V0, EOFB: 48 bits
  EXPECT_BYTES(Encode(Bar(64, 1, 0, 32)).bytes, "\x26\xA0\xD5\x00\x10\x01\x00\x00"s);
  // the same row again: V0, V0, V0; 51 bits
  EXPECT_BYTES(Encode(Bar(64, 2, 0, 32)).bytes, "\x26\xA0\xD5\xE0\x02\x00\x20\x00"s);
  // Rows ending in black. Horizontal (white 0, black 32), EOFB: 47 bits.
  EXPECT_BYTES(Encode(Bar(32, 1, 0, 32)).bytes, "\x26\xA0\xD4\x00\x20\x02"s);
  // Horizontal (white 40, black 24); then V0, and V0 on b1 = width as the reference row has no
  // change to white left.
  EXPECT_BYTES(Encode(Bar(64, 2, 40, 64)).bytes, "\x25\x20\x5F\x00\x10\x01\x00\x00"s);
}

TEST(MmrOverflow, NeverStoresPastCapacityButCountsTheNeededSize) {
  const Image image = Noise(256, 8, 1, 0.3);
  const Coded whole = Encode(image);
  ASSERT_EQ(whole.rows | whole.finish, 0);
  for (int32_t capacity : {0, 16}) {
    const Coded cut = Encode(image, capacity);
    EXPECT_EQ(cut.rows, -1);
    EXPECT_EQ(cut.finish, -1);
    EXPECT_EQ(cut.count, whole.count);
    EXPECT_BYTES(cut.bytes, whole.bytes.substr(0, capacity));
  }
  // 8 bytes coded, the second word stored only by MmrFinish.
  EXPECT_EQ(Encode(Bar(64, 2, 0, 32), 8).finish, 0);   // an exact fit is no overflow
  EXPECT_EQ(Encode(Bar(64, 2, 0, 32), 7).finish, -1);  // only whole words are stored
  EXPECT_EQ(Encode(Bar(64, 2, 0, 32), 8).finish, 0);   // and a reset forgets an earlier overflow
}

// Our stream must decode to the image, and equal libtiff's coding of it up to EOFB; only the zero
// padding after EOFB may differ (libtiff pads to a byte, we to 16 or 32 bits).
void ExpectAgreesWithLibtiff(const Image& image) {
  SCOPED_TRACE(testing::Message() << image.width << " x " << image.rows);
  const Coded ours = Encode(image);
  ASSERT_EQ(ours.rows | ours.finish, 0);
  const std::string packed = SendingOrder(image.words.data(), image.words.size() * 4);
  const auto decoded = TiffDecodeG4(Data(ours.bytes), ours.count, image.width, image.rows);
  EXPECT_BYTES(std::string(decoded.begin(), decoded.end()), packed) << "decoded image differs";
  const auto coded = TiffEncodeG4(Data(packed), image.width, image.rows);
  std::string theirs(coded.begin(), coded.end());
  ASSERT_LE(ours.bytes.size() - theirs.size(), 2u);  // and not shorter
  theirs.resize(ours.bytes.size());
  EXPECT_BYTES(ours.bytes, theirs) << "coding differs from libtiff's";
}

TEST(MmrVersusLibtiff, VariedImages) {
  const auto check = ExpectAgreesWithLibtiff;
  const auto rings = [](int32_t x, int32_t y) {  // edges drifting as in drawings
    return static_cast<int32_t>(std::hypot(x - 300, y - 90) + std::hypot(x, y - 250)) / 9 % 2;
  };
  const auto halftone = [](int32_t x, int32_t y) {  // blocks of grey, 8 x 8 ordered dither
    return (x / 100 * 37 + y / 40 * 11) % 65 > (x ^ y) % 8 * 8 + y % 8;
  };
  for (int32_t width : {32, 96, 1024, 4128}) {
    for (double density : {0.01, 0.1, 0.5, 0.9, 0.99}) check(Noise(width, 40, 1, density));
    for (double meanRun : {5, 200, 3000}) check(Noise(2 * width, 30, meanRun, 0.5));
    check(Draw(width, 300, rings));
    check(Draw(width, 120, [&](int32_t x, int32_t y) {
      return (y % 7 != 6 && x >= width - 1 - y % 40) || halftone(x, y);  // rows ending in black
    }));
  }
  // White run r and black run r + 1 coded against a white row, for r up to 2700: every
  // terminating and make-up code of both colours.
  check(Draw(5408, 5400, [](int32_t x, int32_t y) { return y % 2 == 0 && x >= y / 2 && x <= y; }));
  check(Draw(10240, 2, [](int32_t x, int32_t y) { return (x >= 5200) == (y == 0); }));
  // Edges on and next to word and eight-word edges, drifting a pixel a row, with the first and
  // last pixels black; and words crowded with changes next to long white stretches.
  for (int32_t width : {256, 288, 544, 800}) {
    check(Draw(width, 70, [&](int32_t x, int32_t y) {
      const int32_t edge = (x + y / 3) % 32;
      return x == 0 || x == width - 1 || (x / 32 + y / 5) % 9 == 0 ? edge < 2 || edge >= 30
                                                                   : (x >= 256 && x < 258 + y);
    }));
    check(Draw(width, 40, [&](int32_t x, int32_t y) {
      return (x / 32) % 8 == y % 8 && ((x * 7 + y) % 5 < 2 + y % 3);
    }));
  }
}

// Runs of equal rows, which the coder takes from the row above without scanning them: white,
// black, runs touching either edge and noise, each repeated one to four times, also as the
// first rows.
TEST(MmrVersusLibtiff, RepeatedRows) {
  std::mt19937 rng(3);
  for (int32_t width : {32, 64, 96, 1056}) {
    for (int32_t trial = 0; trial < 6; ++trial) {
      std::vector<std::vector<bool>> rows;
      while (rows.size() < 160) {
        std::vector<bool> row(width);
        const int32_t kind = static_cast<int32_t>(rng() % 6);
        const int32_t cut = static_cast<int32_t>(rng() % width);
        for (int32_t x = 0; x < width; ++x)
          row[x] = kind == 1 || (kind == 2 && x < cut) || (kind == 3 && x >= cut) ||
                   (kind == 4 && rng() % 3 == 0) || (kind == 5 && (x / 7 + trial) % 3 == 0);
        for (uint32_t k = rng() % 4; k < 4; ++k) rows.push_back(row);
      }
      ExpectAgreesWithLibtiff(Draw(width, static_cast<int32_t>(rows.size()),
                                   [&](int32_t x, int32_t y) { return rows[y][x]; }));
    }
  }
}

// Rows that repeat the row above apart from a few edits, so that most of their
// changes are the reference's own and code as one V0 after another, up to and
// across the edits: edges moved by a few pixels or onto a word edge, runs cut
// or added, the last pixel flipped; from rows of alternating words, runs ending
// on word edges, all white and all black.
TEST(MmrVersusLibtiff, RowsThatMostlyRepeatTheRowAbove) {
  std::mt19937 rng(7420);
  for (int32_t width : {64, 96, 2048}) {
    for (int32_t start = 0; start < 4; ++start) {
      std::vector<std::vector<bool>> rows(1, std::vector<bool>(width, start == 3));
      for (int32_t x = 0; x < width && start < 2; ++x)
        rows[0][x] = start == 0 ? (x / 32) % 2 == 0 : x % 32 >= 32 - (x / 32) % 32;
      while (rows.size() < 120) {
        std::vector<bool> row = rows.back();
        for (uint32_t edits = rng() % 3; edits > 0; --edits) {
          const int32_t x = static_cast<int32_t>(rng() % width);
          const int32_t kind = static_cast<int32_t>(rng() % 4);
          const int32_t end = kind == 0   ? std::min(width, x + 1 + static_cast<int32_t>(rng() % 5))
                              : kind == 1 ? std::min(width, (x / 32 + 1) * 32)
                              : kind == 2 ? std::min(width, x + static_cast<int32_t>(rng() % 300))
                                          : width;
          const bool black = kind == 3 ? !row[width - 1] : rng() % 2 == 0;
          for (int32_t i = kind == 3 ? width - 1 : x; i < end; ++i) row[i] = black;
        }
        rows.push_back(row);
      }
      ExpectAgreesWithLibtiff(Draw(width, static_cast<int32_t>(rows.size()),
                                   [&](int32_t x, int32_t y) { return rows[y][x]; }));
    }
  }
}

}  // namespace
