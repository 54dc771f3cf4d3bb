// Tone curve: the table must come out exactly, since every halftoned pixel goes through it.
#include "config/tone.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> Curve(std::vector<uint8_t> levels) {
  LoadCurveLevels(levels.data());
  ApplyToneCurve();
  std::vector<int32_t> table(256);
  for (int32_t i = 0; i < 256; ++i) table[i] = GetToneLevel(i);
  return table;
}

void ExpectAt(const std::vector<int32_t>& table, std::vector<int32_t> inputs,
              std::vector<int32_t> levels) {
  for (size_t k = 0; k < inputs.size(); ++k) EXPECT_EQ(table[inputs[k]], levels[k]) << inputs[k];
}

TEST(ToneCurve, EvenDefaultAndFlatLevels) {
  const auto even = Curve({0, 64, 128, 192, 255});
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(even[i], i);

  ResetToneTable();  // a defaulted record takes its levels from the default table
  const auto byDefault = Curve(
      {GetToneLevel(0), GetToneLevel(64), GetToneLevel(128), GetToneLevel(192), GetToneLevel(255)});
  ExpectAt(byDefault, {0, 1, 2, 3, 4, 64, 128, 170, 192, 255},
           {0, 1, 3, 5, 7, 103, 174, 208, 222, 255});

  // A flat curve truncates to its level or one less; at 41, 53 and 74 t = i / 255 instead of
  // i * (1 / 255) would give the other value.
  const auto flat = Curve({128, 128, 128, 128, 128});
  ExpectAt(flat, {0, 5, 41, 53, 74, 255}, {128, 127, 127, 128, 128, 128});
  for (int32_t level : flat) EXPECT_TRUE(level == 127 || level == 128) << level;
  EXPECT_EQ(Curve({0, 0, 0, 0, 0}), std::vector<int32_t>(256, 0));
  for (int32_t level : Curve({255, 255, 255, 255, 255})) EXPECT_GE(level, 254);  // no wrap to 0
}

TEST(ToneTable, IndicesOutsideTheTableAreNeitherReadNorStored) {
  ResetToneTable();
  SetToneLevel(-1, 7);
  SetToneLevel(256, 7);
  EXPECT_EQ(GetToneLevel(-1) + GetToneLevel(256) + GetToneLevel(0), 0);
  EXPECT_EQ(GetToneLevel(255), 255);
}

}  // namespace
