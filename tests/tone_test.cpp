// Tone curve: the table must come out exactly, since every halftoned pixel goes through it.
#include "raster/tone.h"

#include <gtest/gtest.h>

namespace {

void ApplyLevels(int32_t l0, int32_t l1, int32_t l2, int32_t l3, int32_t l4) {
  const uint8_t record[5] = {static_cast<uint8_t>(l0), static_cast<uint8_t>(l1),
                             static_cast<uint8_t>(l2), static_cast<uint8_t>(l3),
                             static_cast<uint8_t>(l4)};
  LoadCurveLevels(record);
  ApplyToneCurve();
}

TEST(ToneCurve, EvenlySpacedLevelsGiveIdentity) {
  ApplyLevels(0, 64, 128, 192, 255);
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(GetToneLevel(i), i) << "input " << i;
}

TEST(ToneCurve, DefaultLevels) {
  // A defaulted record takes its levels from the default table, then applies them.
  ResetToneTable();
  const uint8_t levels[5] = {GetToneLevel(0), GetToneLevel(64), GetToneLevel(128),
                             GetToneLevel(192), GetToneLevel(255)};
  EXPECT_EQ(levels[0], 0);
  EXPECT_EQ(levels[1], 123);
  EXPECT_EQ(levels[2], 187);
  EXPECT_EQ(levels[3], 228);
  EXPECT_EQ(levels[4], 255);
  LoadCurveLevels(levels);
  ApplyToneCurve();
  const int32_t inputs[] = {0, 1, 2, 3, 4, 64, 128, 170, 192, 255};
  const int32_t outputs[] = {0, 1, 3, 5, 7, 103, 174, 208, 222, 255};
  for (int32_t k = 0; k < 10; ++k) EXPECT_EQ(GetToneLevel(inputs[k]), outputs[k]) << inputs[k];
  for (int32_t i = 1; i < 256; ++i) EXPECT_LE(GetToneLevel(i - 1), GetToneLevel(i)) << i;
}

TEST(ToneCurve, FlatLevelsTruncateToThatLevelOrOneLess) {
  ApplyLevels(128, 128, 128, 128, 128);
  EXPECT_EQ(GetToneLevel(0), 128);
  EXPECT_EQ(GetToneLevel(5), 127);
  EXPECT_EQ(GetToneLevel(255), 128);
  // Inputs at which t = i / 255 instead of i * (1 / 255) gives the other value.
  EXPECT_EQ(GetToneLevel(41), 127);
  EXPECT_EQ(GetToneLevel(53), 128);
  EXPECT_EQ(GetToneLevel(74), 128);
  for (int32_t i = 0; i < 256; ++i) {
    EXPECT_TRUE(GetToneLevel(i) == 127 || GetToneLevel(i) == 128) << i;
  }

  ApplyLevels(0, 0, 0, 0, 0);
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(GetToneLevel(i), 0) << i;

  ApplyLevels(255, 255, 255, 255, 255);  // the top level must not wrap to 0
  for (int32_t i = 0; i < 256; ++i) EXPECT_GE(GetToneLevel(i), 254) << i;
}

TEST(ToneTable, AccessorsGuardIndicesAndKeepLowByte) {
  ResetToneTable();
  SetToneLevel(10, 0x1FE);
  EXPECT_EQ(GetToneLevel(10), 0xFE);
  SetToneLevel(-1, 7);
  SetToneLevel(256, 7);
  EXPECT_EQ(GetToneLevel(-1), 0);
  EXPECT_EQ(GetToneLevel(256), 0);
  EXPECT_EQ(GetToneLevel(255), 255);
  ResetToneTable();
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(GetToneLevel(i), DefaultToneTable[i]) << i;

  const uint8_t record[5] = {0, 200, 201, 254, 255};  // bytes above 127 stay positive
  LoadCurveLevels(record);
  EXPECT_EQ(CurveLevels[1], 200);
  EXPECT_EQ(CurveLevels[3], 254);
}

}  // namespace
