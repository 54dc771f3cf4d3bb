// The process's malloc family, passed on to the C library's and counted, so
// that the peak heap of one request can be read.
#include "tools/bench/bench_memory.h"

#include <malloc.h>

#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

int64_t inUse = 0;
int64_t peak = 0;

void* Counted(void* p) {
  if (p != nullptr) {
    inUse += static_cast<int64_t>(malloc_usable_size(p));
    if (inUse > peak) peak = inUse;
  }
  return p;
}

void Uncount(void* p) {
  if (p != nullptr) inUse -= static_cast<int64_t>(malloc_usable_size(p));
}

}  // namespace

int64_t HeapInUse() {
  return inUse;
}

int64_t HeapPeak() {
  return peak;
}

void ResetHeapPeak() {
  peak = inUse;
}

extern "C" {

void* malloc(size_t size) {
  return Counted(__libc_malloc(size));
}

void* calloc(size_t count, size_t size) {
  return Counted(__libc_calloc(count, size));
}

void* realloc(void* p, size_t size) {
  Uncount(p);
  void* q = __libc_realloc(p, size);
  // A failed realloc leaves the old block in place.
  return Counted(q != nullptr || size == 0 ? q : p);
}

void* memalign(size_t alignment, size_t size) {
  return Counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(size_t alignment, size_t size) {
  return Counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** out, size_t alignment, size_t size) {
  void* p = Counted(__libc_memalign(alignment, size));
  if (p == nullptr) return 12;  // ENOMEM
  *out = p;
  return 0;
}

void free(void* p) {
  Uncount(p);
  __libc_free(p);
}

}  // extern "C"
