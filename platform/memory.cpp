#include "platform/memory.h"

#include <cstdlib>

int32_t memoryFailureAt = 0;
int32_t memoryTakeCount = 0;
int32_t memoryBlocksHeld = 0;

void* MemoryTake(size_t bytes, bool zeroed) {
  ++memoryTakeCount;
  if (memoryFailureAt > 0 && --memoryFailureAt == 0) return nullptr;
  void* block = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (block != nullptr) ++memoryBlocksHeld;
  return block;
}

void MemoryRelease(void* block) {
  if (block == nullptr) return;
  --memoryBlocksHeld;
  std::free(block);
}
