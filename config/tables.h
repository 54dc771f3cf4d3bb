#pragma once
// The device tables: models, paper sizes, media types and the finisher choices.
// They stand in the descriptor that the host reads in place, so their entries are
// packed wire layouts. Every table keeps a block of entries per model; the entry
// of model m and index i is entry m * block + i, and a list ends at the first
// entry of its block with an empty name.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct ModelEntry {
  char name[32];
  uint16_t hasFinisher;
  uint16_t hasMediaTypes;
  uint16_t reserved36[3];
  uint16_t hasLabel;
  uint16_t hasRedPrinting;
  uint16_t reserved46;
  uint16_t hasManualOutput;
  uint16_t has600Dpi;
  uint16_t hasBinaryLanguage;
};

struct PaperEntry {
  char name[56];
  double sheetLength;  // inches along the paper feed
  double sheetWidth;   // inches across the roll
  uint16_t allowsCustomLength;
  uint16_t maxCustomLength;  // millimetres
  uint16_t reserved76[2];
};

struct MediaEntry {
  char name[60];
  char command[60];  // HP-GL/2 media command, written unchanged
  char qdrsName[60];
  char qdrsCommand[60];  // its byte 3 counts the bytes behind the first four
};

struct FinishEntry {
  char name[60];
  char pjlLine[62];
};
#pragma pack(pop)

static_assert(sizeof(ModelEntry) == 54);
static_assert(sizeof(PaperEntry) == 80);
static_assert(offsetof(PaperEntry, sheetLength) == 56);
static_assert(offsetof(PaperEntry, allowsCustomLength) == 72);
static_assert(sizeof(MediaEntry) == 240);
static_assert(sizeof(FinishEntry) == 122);

// One model is defined; the other tables keep room for a second, empty one.
constexpr int32_t kModelCount = 1;
constexpr int32_t kModelBlocks = 2;
constexpr int32_t kPaperBlock = 44;
constexpr int32_t kMediaBlock = 5;
constexpr int32_t kFinishProgramBlock = 22;
constexpr int32_t kFinishMarginsBlock = 3;
constexpr int32_t kFinishBinBlock = 16;

constexpr double kInchesPerMillimetre = 0.03937007874015748;

// A capability counts only when it is exactly 1.
inline bool Has(uint16_t capability) {
  return capability == 1;
}

// Lookups never leave their table: an index outside the model's list gives the
// entry that the field's default selects.
const ModelEntry& ModelAt(int32_t model);
PaperEntry& PaperAt(int32_t model, int32_t paperSize);
const MediaEntry& MediaAt(int32_t model, int32_t mediaType);
const FinishEntry& FinishProgramAt(int32_t model, int32_t index);
const FinishEntry& FinishMarginsAt(int32_t model, int32_t index);
const FinishEntry& FinishBinAt(int32_t model, int32_t index);

int32_t PaperCount(int32_t model);
int32_t MediaCount(int32_t model);
int32_t FinishProgramCount(int32_t model);
int32_t FinishMarginsCount(int32_t model);
int32_t FinishBinCount(int32_t model);
bool ValidModel(int32_t model);
