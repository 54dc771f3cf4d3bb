// Tone curve evaluation and the tone table.
#include "config/tone.h"

#include <cstring>

#include "config/geometry.h"

// A monotone curve through the default control levels (0, 123, 187, 228, 255 at inputs 0, 64,
// 128, 192, 255). Only those five entries ever matter: they are read back as the default levels,
// and the table itself is replaced by the computed curve before any image uses it.
constexpr uint8_t DefaultToneTable[256] = {
    0,   2,   5,   7,   9,   12,  14,  16,  19,  21,  23,  26,  28,  30,  32,  35,   // 0
    37,  39,  41,  43,  45,  48,  50,  52,  54,  56,  58,  60,  62,  64,  66,  68,   // 16
    70,  72,  74,  76,  78,  80,  81,  83,  85,  87,  89,  91,  92,  94,  96,  97,   // 32
    99,  101, 102, 104, 106, 107, 109, 110, 112, 113, 115, 116, 118, 119, 120, 122,  // 48
    123, 124, 126, 127, 128, 129, 131, 132, 133, 134, 136, 137, 138, 139, 140, 141,  // 64
    142, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158,  // 80
    159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 170, 171, 172, 173,  // 96
    174, 175, 176, 176, 177, 178, 179, 180, 181, 181, 182, 183, 184, 185, 185, 186,  // 112
    187, 188, 189, 189, 190, 191, 192, 192, 193, 194, 195, 195, 196, 197, 197, 198,  // 128
    199, 200, 200, 201, 202, 202, 203, 204, 204, 205, 206, 206, 207, 208, 208, 209,  // 144
    210, 210, 211, 212, 212, 213, 213, 214, 215, 215, 216, 216, 217, 218, 218, 219,  // 160
    219, 220, 220, 221, 222, 222, 223, 223, 224, 224, 225, 225, 226, 226, 227, 227,  // 176
    228, 229, 229, 230, 230, 231, 231, 232, 232, 233, 233, 234, 234, 234, 235, 235,  // 192
    236, 236, 237, 237, 238, 238, 239, 239, 240, 240, 241, 241, 241, 242, 242, 243,  // 208
    243, 244, 244, 244, 245, 245, 246, 246, 247, 247, 247, 248, 248, 249, 249, 249,  // 224
    250, 250, 250, 251, 251, 252, 252, 252, 253, 253, 253, 254, 254, 254, 255, 255,  // 240
};
static_assert(DefaultToneTable[0] == 0 && DefaultToneTable[64] == 123 &&
              DefaultToneTable[128] == 187 && DefaultToneTable[192] == 228 &&
              DefaultToneTable[255] == 255);

uint8_t ToneTable[256];
int32_t CurveLevels[5];
CurveSample CurveSamples[256];

namespace {

// The copy is made at load so that the default levels can be read back before any record has
// been applied.
[[maybe_unused]] const bool kToneTableLoaded = (ResetToneTable(), true);

// The double nearest 1/255. The curve is defined by multiplying by it, never by dividing by 255:
// the two differ in the last bit for some inputs, and that moves truncated levels by one.
constexpr double kStep = 1.0 / 255.0;

}  // namespace

// Bernstein sum of degree 4 at t = i * kStep, with products and sums formed in a fixed order
// and association so that every build yields the same truncated values.
int32_t Bezier4(int32_t i, const int32_t p[5]) {
  const double t = i * kStep;
  const double u = 1.0 - t;
  const double u2 = u * u;
  const double w1 = (static_cast<double>(4 * i) * u2) * u;  // 4 t u^3 once scaled by kStep
  const double t2 = t * t;
  const double w3 = (u * t2) * t;
  const double w2 = t2 * u2;
  const double w4 = t2 * t2;
  const double w0 = u2 * u2;
  const double sum =
      (((w0 * p[0] + (p[3] * w3) * 4.0) + (w2 * p[2]) * 6.0) + (p[1] * w1) * kStep) + p[4] * w4;
  return TruncateToInt32(sum);
}

uint8_t GetToneLevel(int32_t index) {
  if (index < 0 || index > 255) return 0;
  return ToneTable[index];
}

void SetToneLevel(int32_t index, int32_t value) {
  if (index < 0 || index > 255) return;
  ToneTable[index] = static_cast<uint8_t>(value & 0xFF);
}

void ResetToneTable() {
  std::memcpy(ToneTable, DefaultToneTable, sizeof ToneTable);
}

void ComputeToneCurve() {
  static constexpr int32_t kPositions[5] = {0, 64, 128, 192, 256};
  for (int32_t i = 0; i < 256; ++i) {
    CurveSamples[i].position = Bezier4(i, kPositions);
    CurveSamples[i].level = Bezier4(i, CurveLevels);
  }
}

void ApplyToneCurve() {
  ComputeToneCurve();
  for (int32_t i = 0; i < 256; ++i) SetToneLevel(i, CurveSamples[i].level);
}

void LoadCurveLevels(const uint8_t toneLevels[5]) {
  if (toneLevels == nullptr) return;
  for (int32_t k = 0; k < 5; ++k) CurveLevels[k] = toneLevels[k];
}
