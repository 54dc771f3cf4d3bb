// The screening fast path against a pixel-by-pixel reference: random strips of
// every kind, widths that end anywhere in a word, enlargements, tone tables and
// key colours; and strips made of stretches of one colour, as drawings are,
// which take the shortcuts for runs of one grey, of greys and of colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "config/tone.h"
#include "raster/canvas.h"
#include "tests/driver_fixture.h"

namespace {

// The screen as its definition reads: a pixel's grey through the tone table,
// each pixel repeated N times, every canvas bit looked up in ScreenPatterns.
struct Reference {
  int32_t width, n, rowBits;
  int32_t transparent;
  uint8_t key[3];
  std::vector<uint32_t> rows;

  uint8_t Darkness(int32_t a, int32_t b, int32_t c) const {
    if (transparent != 0 && a == key[0] && b == key[1] && c == key[2]) a = b = c = 255;
    const int32_t grey = a == b && b == c ? a : (30 * a + 59 * b + 11 * c) / 100;
    return static_cast<uint8_t>(255 - ToneTable[grey]);
  }

  void AddStrip(int32_t count, const uint8_t* pixels, int32_t kind, const uint8_t* colour) {
    const int32_t used = pixels == nullptr || count < 0 ? 0 : std::min(count, width);
    std::vector<uint8_t> line(rowBits, Darkness(255, 255, 255));
    for (int32_t i = 0; i < used; ++i) {
      const uint8_t d = kind == kStripTwoLevel
                            ? (pixels[i] == 0 ? Darkness(255, 255, 255)
                                              : Darkness(colour[0], colour[1], colour[2]))
                            : Darkness(pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]);
      for (int32_t k = 0; k < n; ++k) line[i * n + k] = d;
    }
    for (int32_t k = 0; k < n; ++k) {
      const int32_t y = static_cast<int32_t>(rows.size()) / (rowBits / 32);
      for (int32_t x = 0; x < rowBits; x += 32) {
        uint32_t word = 0;
        for (int32_t bit = 0; bit < 32; ++bit) {
          const int32_t column = ((x + bit) % 16) ^ 8;
          if (ScreenPatterns[y % 16][line[x + bit]] >> (15 - column) & 1)
            word |= 0x80000000u >> bit;
        }
        rows.push_back(word);
      }
    }
  }
};

TEST(Screen, FastPathMatchesThePixelByPixelReference) {
  ResetDriver();
  std::mt19937 random(20261206);
  auto pick = [&](int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(random() % static_cast<uint32_t>(hi - lo + 1));
  };
  for (int32_t trial = 0; trial < 400; ++trial) {
    // Tone tables: identity, the shipped default, or random, white not always 0.
    const int32_t tone = trial % 3;
    for (int32_t g = 0; g < 256; ++g)
      ToneTable[g] = tone == 0   ? static_cast<uint8_t>(g)
                     : tone == 1 ? DefaultToneTable[g]
                                 : static_cast<uint8_t>(pick(0, 255));
    const int32_t width = trial < 64 ? trial + 1 : pick(1, 700);
    const int32_t n = trial % 7 == 0 ? 16 : pick(1, 5);
    const int32_t strips = pick(1, 40 / n + 1);
    const int32_t kind = pick(0, 1) == 0 ? kStripColour : kStripTwoLevel;
    const int32_t transparent = pick(0, 1);
    const uint8_t key[3] = {static_cast<uint8_t>(pick(0, 255)), static_cast<uint8_t>(pick(0, 255)),
                            static_cast<uint8_t>(pick(0, 255))};
    // Two-level colours include the key and white.
    const uint8_t colour[3] = {trial % 5 == 0 ? key[0] : static_cast<uint8_t>(pick(0, 255)),
                               trial % 5 == 0 ? key[1] : static_cast<uint8_t>(pick(0, 255)),
                               trial % 5 == 0 ? key[2] : static_cast<uint8_t>(pick(0, 255))};
    ASSERT_EQ(
        RasterBegin(width, strips, transparent, key[0], key[1], key[2], &kRtlFraming, 0, 0, n, 0),
        0);
    Reference ref{width, n, raster.rowBits, transparent, {key[0], key[1], key[2]}, {}};
    for (int32_t s = 0; s < strips; ++s) {
      // Strips of the wrong length and without pixels, now and then.
      const int32_t count = pick(0, 9) == 0 ? pick(-3, width + 20) : width;
      std::vector<uint8_t> pixels(3 * static_cast<size_t>(std::max(count, 1)));
      for (size_t i = 0; i < pixels.size(); ++i) {
        // Greys, the key colour and runs of one colour, beside noise.
        const int32_t style = pick(0, 3);
        pixels[i] = style == 0 && i >= 3     ? pixels[i - 3]
                    : style == 1             ? key[i % 3]
                    : kind == kStripTwoLevel ? static_cast<uint8_t>(pick(0, 2))
                                             : static_cast<uint8_t>(pick(0, 255));
      }
      const uint8_t* data = pick(0, 30) == 0 ? nullptr : pixels.data();
      RasterAddStrip(count, data, kind, colour[0], colour[1], colour[2]);
      ref.AddStrip(count, data, kind, colour);
    }
    ASSERT_EQ(raster.rowsDone * (raster.rowBits / 32), static_cast<int32_t>(ref.rows.size()));
    for (size_t i = 0; i < ref.rows.size(); ++i)
      ASSERT_EQ(raster.canvas[i], ref.rows[i])
          << "trial " << trial << ", width " << width << ", N " << n << ", word " << i;
    RasterEnd();
  }
  ResetToneTable();
}

// A strip of stretches: white, black, one grey, the key, colour noise, and
// greys with one channel off here and there (which must not pass as grey),
// stretches a multiple of 16 long from `offset`, so that the shortcuts' runs
// meet them aligned or shifted.
std::vector<uint8_t> StretchStrip(std::mt19937& random, int32_t width, int32_t offset,
                                  const uint8_t* key) {
  auto pick = [&](int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(random() % static_cast<uint32_t>(hi - lo + 1));
  };
  std::vector<uint8_t> strip(3 * static_cast<size_t>(width), 255);
  for (int32_t x = offset; x < width;) {
    const int32_t end = std::min(width, x + 16 * pick(1, 3) - (pick(0, 3) == 0 ? pick(1, 15) : 0));
    const int32_t kind = pick(0, 6);
    const uint8_t grey = kind == 1 ? 0 : static_cast<uint8_t>(pick(0, 255));
    for (int32_t i = x; i < end; ++i) {
      uint8_t* p = &strip[3 * static_cast<size_t>(i)];
      if (kind == 0) continue;  // white
      if (kind == 3) {
        std::copy(key, key + 3, p);
      } else if (kind == 4) {
        for (int32_t c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(pick(0, 255));
      } else {
        p[0] = p[1] = p[2] = kind == 5 ? static_cast<uint8_t>(pick(0, 255)) : grey;
        if (kind == 6 && pick(0, 7) == 0) p[pick(0, 2)] ^= static_cast<uint8_t>(pick(1, 255));
      }
    }
    x = end;
  }
  return strip;
}

TEST(Screen, StretchesOfOneColourMatchTheReference) {
  ResetDriver();
  std::mt19937 random(7410);
  for (int32_t trial = 0; trial < 240; ++trial) {
    for (int32_t g = 0; g < 256; ++g)  // the default tone, or one where white is not blank
      ToneTable[g] = trial % 2 == 0 ? DefaultToneTable[g] : static_cast<uint8_t>(random() % 256);
    const int32_t n = std::array{1, 1, 2, 3, 4, 5, 16}[trial % 7];
    const int32_t width = 16 * static_cast<int32_t>(1 + random() % 40) + trial % 17;
    const int32_t transparent = trial % 3 == 0 ? 0 : 1;
    // The key: white, black, a grey or a colour.
    const uint8_t grey = static_cast<uint8_t>(random() % 256);
    const std::array<std::array<uint8_t, 3>, 4> keys{
        {{255, 255, 255}, {0, 0, 0}, {grey, grey, grey}, {grey, 40, 200}}};
    const auto& key = keys[trial / 3 % 4];
    ASSERT_EQ(RasterBegin(width, 4, transparent, key[0], key[1], key[2], &kRtlFraming, 0, 0, n, 0),
              0);
    Reference ref{width, n, raster.rowBits, transparent, {key[0], key[1], key[2]}, {}};
    for (int32_t s = 0; s < 4; ++s) {
      const auto strip =
          StretchStrip(random, width, static_cast<int32_t>(random() % 16), key.data());
      if (s == 3) {  // two-level, from the same stretches
        std::vector<uint8_t> levels(static_cast<size_t>(width));
        for (int32_t x = 0; x < width; ++x) levels[x] = strip[3 * static_cast<size_t>(x)] < 128;
        RasterAddStrip(width, levels.data(), kStripTwoLevel, key[0], 90, 20);
        ref.AddStrip(width, levels.data(), kStripTwoLevel,
                     std::array<uint8_t, 3>{key[0], 90, 20}.data());
      } else {
        RasterAddStrip(width, strip.data(), kStripColour, 0, 0, 0);
        ref.AddStrip(width, strip.data(), kStripColour, nullptr);
      }
    }
    for (size_t i = 0; i < ref.rows.size(); ++i)
      ASSERT_EQ(raster.canvas[i], ref.rows[i])
          << "trial " << trial << ", width " << width << ", N " << n << ", word " << i;
    RasterEnd();
  }
  ResetToneTable();
}

}  // namespace
