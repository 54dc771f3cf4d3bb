#include "config/tables.h"

#include "config/descriptor.h"

namespace {

int32_t ModelOrDefault(int32_t model) {
  return ValidModel(model) ? model : 0;
}

// Entries of one model's block up to the first empty name.
template <typename Entry>
int32_t ListLength(const Entry* block, int32_t blockSize) {
  int32_t n = 0;
  while (n < blockSize && block[n].name[0] != '\0') ++n;
  return n;
}

// The model's block of a table; lists are counted within it.
template <typename Entry>
const Entry* Block(const Entry* table, int32_t blockSize, int32_t model) {
  return table + ModelOrDefault(model) * blockSize;
}

template <typename Entry>
int32_t ListCount(const Entry* table, int32_t blockSize, int32_t model) {
  return ListLength(Block(table, blockSize, model), blockSize);
}

template <typename Entry>
const Entry& ListEntry(const Entry* table, int32_t blockSize, int32_t model, int32_t index) {
  const Entry* block = Block(table, blockSize, model);
  return index >= 0 && index < ListLength(block, blockSize) ? block[index] : block[0];
}

// Paper sizes count from 1; index 0 of model 0's block is not stored.
PaperEntry* PaperBlock(int32_t model) {
  return driverDescriptor.papers + ModelOrDefault(model) * kPaperBlock - 1;
}

constexpr int32_t kDefaultPaperSize = 2;

}  // namespace

bool ValidModel(int32_t model) {
  return model >= 0 && model < kModelCount && driverDescriptor.models[model].name[0] != '\0';
}

const ModelEntry& ModelAt(int32_t model) {
  return driverDescriptor.models[ModelOrDefault(model)];
}

int32_t PaperCount(int32_t model) {
  return ListLength(PaperBlock(model) + 1, kPaperBlock - 1);
}

PaperEntry& PaperAt(int32_t model, int32_t paperSize) {
  PaperEntry* block = PaperBlock(model);
  return paperSize >= 1 && paperSize <= PaperCount(model) ? block[paperSize]
                                                          : block[kDefaultPaperSize];
}

int32_t MediaCount(int32_t model) {
  return ListCount(driverDescriptor.media, kMediaBlock, model);
}
const MediaEntry& MediaAt(int32_t model, int32_t mediaType) {
  return ListEntry(driverDescriptor.media, kMediaBlock, model, mediaType);
}

int32_t FinishProgramCount(int32_t model) {
  return ListCount(driverDescriptor.finishPrograms, kFinishProgramBlock, model);
}
const FinishEntry& FinishProgramAt(int32_t model, int32_t index) {
  return ListEntry(driverDescriptor.finishPrograms, kFinishProgramBlock, model, index);
}

int32_t FinishMarginsCount(int32_t model) {
  return ListCount(driverDescriptor.finishMargins, kFinishMarginsBlock, model);
}
const FinishEntry& FinishMarginsAt(int32_t model, int32_t index) {
  return ListEntry(driverDescriptor.finishMargins, kFinishMarginsBlock, model, index);
}

int32_t FinishBinCount(int32_t model) {
  return ListCount(driverDescriptor.finishBins, kFinishBinBlock, model);
}
const FinishEntry& FinishBinAt(int32_t model, int32_t index) {
  return ListEntry(driverDescriptor.finishBins, kFinishBinBlock, model, index);
}
