#pragma once
// Heap use of the benchmark process, counted by its own malloc and free.
#include <cstdint>

int64_t HeapInUse();
int64_t HeapPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();
