// MMR coder: exact bytes for small cases, libtiff as decoder and as second encoder for the rest.
#include "raster/mmr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/golden.h"
#include "tests/tiff_oracle.h"

namespace {

// Canvas rows: rowBytes / 4 words each, pixel x at bit 31 - x % 32 of word x / 32, 1 = black.
struct Image {
  int32_t width = 0;
  int32_t rows = 0;
  std::vector<uint32_t> words;

  Image(int32_t w, int32_t h) : width(w), rows(h), words(static_cast<size_t>(w / 32) * h) {}
  void Set(int32_t x, int32_t y) { words[y * (width / 32) + x / 32] |= 0x80000000u >> (x % 32); }
  void Fill(int32_t x0, int32_t x1, int32_t y) {
    for (int32_t x = x0; x < x1; ++x) Set(x, y);
  }
};

// The words as the printer receives them: each one most significant byte first.
std::vector<uint8_t> SendingOrder(const uint32_t* words, size_t byteCount) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < byteCount; ++i) bytes.push_back(words[i / 4] >> (24 - 8 * (i % 4)));
  return bytes;
}

struct Coded {
  int32_t result = 0;
  std::vector<uint8_t> bytes;
};

Coded Encode(const Image& image, int32_t capacityBytes) {
  const int32_t listSize = 1 + 2 * (image.width / 2 + 2);
  std::vector<int32_t> current(listSize, -1);
  std::vector<int32_t> reference(listSize, -1);
  reference[0] = 1;  // all white above the first row
  reference[1] = image.width;
  reference[2] = image.width;
  std::vector<uint32_t> area(capacityBytes / 4 + 1);
  MmrReset(area.data(), capacityBytes);
  Coded coded;
  coded.result = MmrEncodeRows(image.words.data(), image.rows, image.width / 8, current.data(),
                               reference.data());
  if (MmrFinish() != 0) coded.result = -1;
  coded.bytes = SendingOrder(area.data(), MmrByteCount());
  return coded;
}

// Room for 64 bits per 8 pixels, far beyond what any row can need.
Coded Encode(const Image& image) {
  return Encode(image, image.rows * image.width + 64);
}

std::string Text(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

Image RandomPixels(int32_t width, int32_t rows, double density, std::mt19937& rng) {
  Image image(width, rows);
  std::bernoulli_distribution black(density);
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (black(rng)) image.Set(x, y);
    }
  }
  return image;
}

std::vector<uint8_t> PutRunBytes(const MmrCode* table, int32_t run) {
  uint32_t area[4] = {};
  MmrReset(area, sizeof area);
  MmrPutRun(table, run);
  MmrFlush();
  return SendingOrder(area, MmrByteCount());
}

TEST(MmrBitWriter, PadsLastWordToSixteenOrThirtyTwoBits) {
  uint32_t area[4] = {};
  MmrReset(area, sizeof area);
  MmrPutCode(0xABCD0000u, 16);
  MmrFlush();
  EXPECT_BYTES(Text(SendingOrder(area, MmrByteCount())), Text({0xAB, 0xCD, 0x00, 0x00}));

  MmrReset(area, sizeof area);
  MmrPutCode(0xABCC0000u, 15);
  MmrFlush();
  EXPECT_BYTES(Text(SendingOrder(area, MmrByteCount())), Text({0xAB, 0xCC}));

  MmrReset(area, sizeof area);  // a full word leaves nothing to flush
  MmrPutCode(0x12345678u, 32);
  MmrFlush();
  EXPECT_EQ(MmrByteCount(), 4);

  MmrReset(area, sizeof area);  // bits below the length are not part of the code
  MmrPutCode(0xFFFFFFFFu, 4);
  MmrPutCode(0x00000000u, 4);
  MmrPutCode(0xFFFFFFFFu, 20);
  MmrPutCode(0x80000000u, 6);  // crosses into the second word
  MmrFlush();
  EXPECT_BYTES(Text(SendingOrder(area, MmrByteCount())),
               Text({0xF0, 0xFF, 0xFF, 0xF8, 0x00, 0x00}));
}

TEST(MmrPutRun, MakeUpCodesThenTerminatingCode) {
  // 64 + 0
  EXPECT_BYTES(Text(PutRunBytes(kWhiteCodes, 64)), Text({0xD9, 0xA8}));
  // 2560 + 0
  EXPECT_BYTES(Text(PutRunBytes(kWhiteCodes, 2560)), Text({0x01, 0xF3, 0x50, 0x00}));
  // 2560 + 64 + 0
  EXPECT_BYTES(Text(PutRunBytes(kBlackCodes, 2624)), Text({0x01, 0xF0, 0x3C, 0x37}));
  // 2560 + 2560 + 64 + 16
  EXPECT_BYTES(Text(PutRunBytes(kBlackCodes, 5200)), Text({0x01, 0xF0, 0x1F, 0x03, 0xC1, 0x70}));
}

TEST(RowToRuns, ListsBlackRunsThenEndMarker) {
  struct Case {
    std::vector<uint32_t> row;
    std::vector<int32_t> list;
  };
  const Case cases[] = {
      {{0, 0}, {1, 64, 64}},
      {{~0u, ~0u}, {2, 0, 64, 64, 64}},
      {{0x00000FFFu, ~0u, 0xFC000000u}, {2, 20, 70, 96, 96}},  // across two word edges
      {{0x00000001u, 0x80000001u}, {3, 31, 33, 63, 64, 64, 64}},
      {{0xAAAAAAAAu}, {17, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                       17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 32}},
  };
  for (const Case& c : cases) {
    const int32_t width = static_cast<int32_t>(c.row.size()) * 32;
    std::vector<int32_t> list(1 + 2 * (width / 2 + 2), -7);
    EXPECT_EQ(RowToRuns(c.row.data(), width, list.data()), c.list[0]);
    list.resize(c.list.size());
    EXPECT_EQ(list, c.list);
  }
}

TEST(MmrGolden, SmallImagesCodeToExactBytes) {
  Image white(32, 1);  // V0, EOFB
  EXPECT_BYTES(Text(Encode(white).bytes), Text({0x80, 0x08, 0x00, 0x80}));

  Image half(64, 1);  // horizontal (white 0, black 32), V0, EOFB: 48 bits
  half.Fill(0, 32, 0);
  EXPECT_BYTES(Text(Encode(half).bytes), Text({0x26, 0xA0, 0xD5, 0x00, 0x10, 0x01, 0x00, 0x00}));

  Image twice(64, 2);  // second row V0, V0, V0: 51 bits
  twice.Fill(0, 32, 0);
  twice.Fill(0, 32, 1);
  EXPECT_BYTES(Text(Encode(twice).bytes), Text({0x26, 0xA0, 0xD5, 0xE0, 0x02, 0x00, 0x20, 0x00}));
}

TEST(MmrGolden, RowsEndingInBlack) {
  Image black(32, 1);  // horizontal (white 0, black 32), EOFB: 47 bits, 15 in the last word
  black.Fill(0, 32, 0);
  EXPECT_BYTES(Text(Encode(black).bytes), Text({0x26, 0xA0, 0xD4, 0x00, 0x20, 0x02}));

  // Row 1: horizontal (white 40, black 24). Row 2: V0, then V0 on b1 = width since the
  // reference row has no change to white left.
  Image tail(64, 2);
  tail.Fill(40, 64, 0);
  tail.Fill(40, 64, 1);
  EXPECT_BYTES(Text(Encode(tail).bytes), Text({0x25, 0x20, 0x5F, 0x00, 0x10, 0x01, 0x00, 0x00}));
}

TEST(MmrOverflow, NeverStoresPastCapacityAndReportsIt) {
  std::mt19937 rng(6);
  const Image image = RandomPixels(256, 8, 0.3, rng);
  const Coded whole = Encode(image);
  ASSERT_EQ(whole.result, 0);
  const uint32_t canary = 0xDEADBEEFu;
  for (int32_t capacity : {0, 16}) {
    std::vector<int32_t> current(1 + 2 * (128 + 2)), reference = {1, 256, 256};
    reference.resize(current.size());
    std::vector<uint32_t> area(capacity / 4 + 4, canary);
    MmrReset(area.data(), capacity);
    EXPECT_EQ(MmrEncodeRows(image.words.data(), 8, 32, current.data(), reference.data()), -1);
    EXPECT_EQ(MmrFinish(), -1);
    // Still counted, so the caller learns the size it needs.
    EXPECT_EQ(MmrByteCount(), static_cast<int32_t>(whole.bytes.size()));
    const std::vector<uint8_t> stored = SendingOrder(area.data(), capacity);
    EXPECT_BYTES(Text(stored), Text({whole.bytes.begin(), whole.bytes.begin() + capacity}));
    for (size_t i = capacity / 4; i < area.size(); ++i) EXPECT_EQ(area[i], canary) << i;
  }

  Image small(64, 2);  // 8 bytes coded, the second word stored only by MmrFinish
  small.Fill(0, 32, 0);
  small.Fill(0, 32, 1);
  EXPECT_EQ(Encode(small, 8).result, 0);   // an exact fit is no overflow
  EXPECT_EQ(Encode(small, 7).result, -1);  // only whole words are stored
  EXPECT_EQ(Encode(small, 8).result, 0);   // and a reset forgets an earlier overflow
}

// Our stream must decode to the image, and must equal libtiff's coding of it bit for bit up to
// EOFB; only the zero padding after EOFB may differ (libtiff pads to a byte, we to 16 or 32 bits).
void ExpectAgreesWithLibtiff(const Image& image) {
  SCOPED_TRACE(testing::Message() << image.width << " x " << image.rows);
  const Coded ours = Encode(image);
  ASSERT_EQ(ours.result, 0);
  const std::vector<uint8_t> packed =
      SendingOrder(image.words.data(), image.words.size() * sizeof(uint32_t));
  const std::vector<uint8_t> decoded =
      TiffDecodeG4(ours.bytes.data(), ours.bytes.size(), image.width, image.rows);
  ASSERT_FALSE(decoded.empty()) << "libtiff rejected the stream";
  EXPECT_BYTES(Text(decoded), Text(packed)) << "decoded image differs";

  const std::vector<uint8_t> theirs = TiffEncodeG4(packed.data(), image.width, image.rows);
  ASSERT_FALSE(theirs.empty());
  ASSERT_EQ(ours.bytes.size() % 2, 0u);
  ASSERT_GE(ours.bytes.size(), theirs.size());
  ASSERT_LE(ours.bytes.size() - theirs.size(), 2u);  // 16-bit units against bytes
  const std::vector<uint8_t> head(ours.bytes.begin(), ours.bytes.begin() + theirs.size());
  EXPECT_BYTES(Text(head), Text(theirs)) << "coding differs from libtiff's";
  for (size_t i = theirs.size(); i < ours.bytes.size(); ++i) EXPECT_EQ(ours.bytes[i], 0) << i;
}

// Rows of independent runs of 1..2 * meanRun pixels, so long runs need make-up codes.
Image RandomRuns(int32_t width, int32_t rows, int32_t meanRun, std::mt19937& rng) {
  Image image(width, rows);
  std::uniform_int_distribution<int32_t> length(1, 2 * meanRun);
  for (int32_t y = 0; y < rows; ++y) {
    bool isBlack = rng() % 2 == 0;
    for (int32_t x = 0; x < width; isBlack = !isBlack) {
      const int32_t end = std::min(width, x + length(rng));
      if (isBlack) image.Fill(x, end, y);
      x = end;
    }
  }
  return image;
}

// Overlapping ellipses: edges drift a few pixels from row to row, as in drawings, which brings
// out the vertical and pass modes.
Image Ellipses(int32_t width, int32_t rows, int32_t count, std::mt19937& rng) {
  Image image(width, rows);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int32_t n = 0; n < count; ++n) {
    const double cx = unit(rng) * width, cy = unit(rng) * rows;
    const double rx = 2 + unit(rng) * width / 3, ry = 2 + unit(rng) * rows / 2;
    for (int32_t y = 0; y < rows; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (dx * dx + dy * dy < 1.0)
          image.words[y * (width / 32) + x / 32] ^= 0x80000000u >> x % 32;
      }
    }
  }
  return image;
}

// Blocks of random grey screened with an 8 x 8 ordered dither.
Image Halftone(int32_t width, int32_t rows, std::mt19937& rng) {
  static constexpr int32_t kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  Image image(width, rows);
  std::vector<int32_t> grey((width + 99) / 100 * ((rows + 39) / 40));
  for (int32_t& g : grey) g = static_cast<int32_t>(rng() % 65);
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (grey[(y / 40) * ((width + 99) / 100) + x / 100] > kBayer[y % 8][x % 8]) image.Set(x, y);
    }
  }
  return image;
}

TEST(MmrVersusLibtiff, RandomPixels) {
  std::mt19937 rng(1);
  for (int32_t width : {32, 64, 96, 1024, 4128}) {
    for (double density : {0.01, 0.1, 0.5, 0.9, 0.99}) {
      ExpectAgreesWithLibtiff(RandomPixels(width, 40, density, rng));
    }
  }
}

TEST(MmrVersusLibtiff, RandomRunsShortToVeryLong) {
  std::mt19937 rng(2);
  for (int32_t meanRun : {2, 5, 30, 200, 1500, 3000}) {
    ExpectAgreesWithLibtiff(RandomRuns(8192, 30, meanRun, rng));
  }
  ExpectAgreesWithLibtiff(RandomRuns(32, 200, 3, rng));
}

TEST(MmrVersusLibtiff, DriftingEdgesAndHalftones) {
  std::mt19937 rng(3);
  for (int32_t width : {32, 160, 2048}) {
    ExpectAgreesWithLibtiff(Ellipses(width, 300, 12, rng));
    ExpectAgreesWithLibtiff(Halftone(width, 300, rng));
  }
}

TEST(MmrVersusLibtiff, RowsEndingInBlack) {
  std::mt19937 rng(4);
  for (int32_t width : {32, 64, 480, 3008}) {
    Image image = Halftone(width, 120, rng);
    for (int32_t y = 0; y < image.rows; ++y) {
      const int32_t tail = y % 3 == 0 ? 1 : static_cast<int32_t>(rng() % 40);
      if (y % 7 != 6) image.Fill(width - std::min(width, tail), width, y);
      if (y % 5 == 0) image.Fill(0, static_cast<int32_t>(rng() % 5), y);
    }
    ExpectAgreesWithLibtiff(image);
  }
}

// One single-row image per length: white run r, then black run r + 1, so every terminating and
// make-up code of both colours is sent and decoded at least once.
TEST(MmrVersusLibtiff, EveryRunLengthUpToThreeMakeUps) {
  for (int32_t r = 0; r < 2700; ++r) {
    Image image((2 * r + 1 + 32) / 32 * 32 + 32, 1);
    image.Fill(r, 2 * r + 1, 0);
    ExpectAgreesWithLibtiff(image);
    if (HasFatalFailure() || HasNonfatalFailure()) FAIL() << "run " << r;
  }
  Image longest(10240, 2);  // 5200 white then 5040 black, then the reverse
  longest.Fill(5200, 10240, 0);
  longest.Fill(0, 5040, 1);
  ExpectAgreesWithLibtiff(longest);
}

TEST(MmrVersusLibtiff, ManyRowsAndWideRows) {
  std::mt19937 rng(5);
  ExpectAgreesWithLibtiff(Ellipses(512, 3000, 40, rng));
  ExpectAgreesWithLibtiff(Halftone(9600, 200, rng));
  ExpectAgreesWithLibtiff(RandomPixels(16384, 8, 0.5, rng));
}

}  // namespace
