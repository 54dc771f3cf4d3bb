#pragma once
// The 256 area patterns that halftone fills print with. The job header of the
// binary language sends them to the printer; the job preview draws the fills of
// both languages with them.
#include <array>
#include <cstdint>

// The area patterns are 16 x 16 ordered dithers: pattern p sets the bit of a
// cell exactly when p lies below the cell's threshold, so pattern 0 is solid,
// pattern 255 empty, and every step lighter clears one more cell.
// clang-format off
inline constexpr uint8_t kAreaPatternThresholds[16][16] = {
    {  2, 210,  34, 242,  74, 154, 106, 186,   3, 211,  35, 243,  75, 155, 107, 187},
    {146,  66, 178,  98, 218,  10, 250,  42, 147,  67, 179,  99, 219,  11, 251,  43},
    {194,  18, 226,  50, 138,  90, 170, 122, 195,  19, 227,  51, 139,  91, 171, 123},
    { 82, 130, 114, 162,  26, 202,  58, 234,  83, 131, 115, 163,  27, 203,  59, 235},
    {110, 190,  78, 158,  38, 246,   6, 214, 111, 191,  79, 159,  39, 247,   7, 215},
    {254,  46, 222,  14, 182, 102, 150,  70, 255,  47, 223,  15, 183, 103, 151,  71},
    {174, 126, 142,  94, 230,  54, 198,  22, 175, 127, 143,  95, 231,  55, 199,  23},
    { 62, 238,  30, 206, 118, 166,  86, 134,  63, 239,  31, 207, 119, 167,  87, 135},
    {  4, 212,  36, 244,  76, 156, 108, 188,   5, 213,  37, 245,  77, 157, 109, 189},
    {148,  68, 180, 100, 220,  12, 252,  44, 149,  69, 181, 101, 221,  13, 253,  45},
    {196,  20, 228,  52, 140,  92, 172, 124, 197,  21, 229,  53, 141,  93, 173, 125},
    { 84, 132, 116, 164,  28, 204,  60, 236,  85, 133, 117, 165,  29, 205,  61, 237},
    {112, 192,  80, 160,  40, 248,   8, 216, 113, 193,  81, 161,  41, 249,   9, 217},
    {255,  48, 224,  16, 184, 104, 152,  72,   1,  49, 225,  17, 185, 105, 153,  73},
    {176, 128, 144,  96, 232,  56, 200,  24, 177, 129, 145,  97, 233,  57, 201,  25},
    { 64, 240,  32, 208, 120, 168,  88, 136,  65, 241,  33, 209, 121, 169,  89, 137},
};
// clang-format on

// Area pattern i has the lightness T(T(T(i))) on this curve: applied three
// times, it lifts the middle greys, so halftone fills print lighter than the
// pen's grey alone would make them.
// clang-format off
inline constexpr std::array<int16_t, 256> kAreaPatternCurve = {
      0,   3,   6,  12,  14,  17,  20,  22,  25,  28,  30,  32,  35,  37,  39,  42,
     44,  46,  48,  50,  52,  54,  56,  58,  60,  62,  64,  66,  68,  70,  72,  73,
     75,  77,  79,  80,  82,  84,  85,  87,  89,  90,  92,  93,  95,  97,  98, 100,
    101, 102, 104, 105, 107, 108, 110, 111, 112, 114, 115, 116, 118, 119, 120, 122,
    123, 124, 126, 127, 128, 129, 130, 132, 133, 134, 135, 136, 138, 139, 140, 141,
    142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157,
    158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 170, 171, 172,
    173, 174, 175, 176, 177, 178, 178, 179, 180, 181, 182, 183, 183, 184, 185, 186,
    187, 188, 188, 189, 190, 191, 191, 192, 193, 194, 194, 195, 196, 197, 197, 198,
    199, 200, 200, 201, 202, 202, 203, 204, 204, 205, 206, 207, 207, 208, 209, 209,
    210, 210, 211, 212, 212, 213, 214, 214, 215, 215, 216, 217, 217, 218, 218, 219,
    220, 220, 221, 221, 222, 222, 223, 224, 224, 225, 225, 226, 226, 227, 227, 228,
    228, 229, 229, 230, 230, 231, 231, 232, 232, 233, 233, 234, 234, 235, 235, 236,
    236, 237, 237, 238, 238, 239, 239, 239, 240, 240, 241, 241, 242, 242, 242, 243,
    243, 244, 244, 245, 245, 245, 246, 246, 246, 247, 247, 248, 248, 248, 249, 249,
    249, 250, 250, 251, 251, 251, 252, 252, 252, 253, 253, 253, 254, 254, 254, 255,
};
// clang-format on

constexpr bool CurveStaysInPatternRange() {
  for (size_t i = 0; i < kAreaPatternCurve.size(); ++i) {
    if (kAreaPatternCurve[i] < 0 || kAreaPatternCurve[i] > 255) return false;
    if (i > 0 && kAreaPatternCurve[i] < kAreaPatternCurve[i - 1]) return false;
  }
  return true;
}
static_assert(CurveStaysInPatternRange());

inline constexpr int32_t kAreaPatternSize = 16;

// 16 rows of 16 cells; bit 15 - c of a row is cell c, 1 inked.
using AreaPattern = std::array<uint16_t, kAreaPatternSize>;

// Area pattern i, the one that a pen of grey level i fills with.
constexpr AreaPattern AreaPatternOf(int32_t i) {
  const int32_t lightness = kAreaPatternCurve[kAreaPatternCurve[kAreaPatternCurve[i & 255]]];
  AreaPattern rows{};
  for (int32_t row = 0; row < kAreaPatternSize; ++row)
    for (int32_t column = 0; column < kAreaPatternSize; ++column)
      if (lightness < kAreaPatternThresholds[row][column])
        rows[row] = static_cast<uint16_t>(rows[row] | 0x8000 >> column);
  return rows;
}
