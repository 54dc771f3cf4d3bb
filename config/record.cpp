#include "config/record.h"

#include <array>
#include <cstring>
#include <string_view>

#include "config/tables.h"

namespace {

constexpr int16_t kMaxMarginMm = 10;
constexpr int32_t kMaxPen = 255;
constexpr int32_t kDefaultCustomLengthMm = 396;
constexpr int32_t kLargestCustomLengthMm = 15000;
constexpr uint8_t kDefaultToneLevels[5] = {0, 123, 187, 228, 255};

constexpr ConfigRecord MakeDefaultRecord() {
  ConfigRecord r{};
  r.copies = 1;
  r.paperSize = 2;
  r.customLength = kDefaultCustomLengthMm;
  r.redPen = 1;
  r.reserved24 = 2;
  r.plotFlags = kPlotHalftoneFill;
  r.jobFlags = kJob600Dpi;
  for (int k = 0; k < 5; ++k) r.toneLevels[k] = kDefaultToneLevels[k];
  return r;
}

struct BaseLength {
  std::string_view prefix;  // compared over its own length
  int32_t millimetres;
};

// Custom sizes start with the length of the standard sheet they are named after.
// The special widths are told apart by their whole prefix: "Esp. A1 625" and
// "Esp. A1 620" share their first ten characters.
// clang-format off
constexpr std::array<BaseLength, 20> kBaseLengths = {{
    {"A0", 1189},
    {"A1", 841},
    {"A2", 594},
    {"A3", 420},
    {"Esp. A0 880", 1230},
    {"Esp. A1 625", 880},
    {"Esp. A1 620", 871},
    {"Esp. A2 440", 625},
    {"Esp. A2 435", 620},
    {"30-Arch", 1066},
    {"E-arch", 1219},
    {"D-arch", 914},
    {"C-arch", 609},
    {"B-arch", 457},
    {"A-arch", 304},
    {"E-ANSI", 1117},
    {"D-ANSI", 863},
    {"C-ANSI", 558},
    {"B-ANSI", 431},
    {"A-ANSI", 279},
}};
// clang-format on

// Where the base size's name begins, behind "Tamanho personalizado de largura ".
constexpr size_t kBaseNameAt = 33;

template <typename T>
void KeepInRange(T& field, T low, T high, T fallback) {
  if (field < low || field > high) field = fallback;
}

}  // namespace

ConfigRecord configRecord = MakeDefaultRecord();
ConfigRecord workingRecord = MakeDefaultRecord();
int32_t currentModel = 0;
int32_t selectedModel = 0;
char labelText[65];
int32_t copyCount = 1;

void SetConfigDefaults(ConfigRecord& record, int32_t model) {
  const int16_t keptModel = record.modelIndex;
  const uint8_t keptReserved = record.reserved39;
  record = MakeDefaultRecord();
  record.modelIndex = keptModel;
  record.reserved39 = keptReserved;
  record.customLength = DefaultCustomLength(model, record.paperSize);
  record.jobFlags = Has(ModelAt(model).has600Dpi) ? kJob600Dpi : kJob400Dpi;
}

void RepairConfigRecord(ConfigRecord& r) {
  if (!ValidModel(r.modelIndex)) r.modelIndex = 0;
  const int32_t model = r.modelIndex;
  KeepInRange(r.copies, 1, kMaxCopies, 1);
  KeepInRange(r.paperSize, 1, PaperCount(model), 2);
  KeepInRange(r.customLength, 1, kLargestCustomLengthMm, kDefaultCustomLengthMm);
  KeepInRange<int16_t>(r.mediaType, 0, static_cast<int16_t>(MediaCount(model) - 1), 0);
  KeepInRange<int16_t>(r.finishProgram, 0, static_cast<int16_t>(FinishProgramCount(model) - 1), 0);
  KeepInRange<int16_t>(r.finishMargins, 0, static_cast<int16_t>(FinishMarginsCount(model) - 1), 0);
  KeepInRange<int16_t>(r.finishBin, 0, static_cast<int16_t>(FinishBinCount(model) - 1), 0);
  KeepInRange(r.redPen, 1, kMaxPen, 1);
  KeepInRange<int16_t>(r.margin, 0, kMaxMarginMm, 0);
}

int32_t DefaultCustomLength(int32_t model, int32_t paperSize) {
  const PaperEntry& paper = PaperAt(model, paperSize);
  if (!Has(paper.allowsCustomLength)) return kDefaultCustomLengthMm;
  const std::string_view base(paper.name + kBaseNameAt);
  for (const BaseLength& b : kBaseLengths)
    if (base.substr(0, b.prefix.size()) == b.prefix) return b.millimetres;
  return kDefaultCustomLengthMm;
}
