#include "tools/print/line_ring.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

void CloseEnd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// A count is 8 bytes, which a pipe takes and gives whole.
int32_t SendCount(int fd, int64_t count) {
  for (;;) {
    const ssize_t n = write(fd, &count, sizeof count);
    if (n == static_cast<ssize_t>(sizeof count)) return 0;
    if (n < 0 && errno == EINTR) continue;
    return -1;
  }
}

// The newest of the counts waiting on `fd`, waiting until one comes. 0; 1
// when the other side has closed its end; -1 on failure, or when a signal
// interrupts the wait and `cancelled` is set.
int32_t ReceiveCount(int fd, int64_t& count, const volatile sig_atomic_t* cancelled) {
  int64_t counts[64];
  auto* bytes = reinterpret_cast<uint8_t*>(counts);
  size_t got = 0;
  while (got == 0 || got % sizeof count != 0) {
    const ssize_t n = read(fd, bytes + got, got == 0 ? sizeof counts : sizeof count - got % 8);
    if (n < 0 && errno == EINTR && (cancelled == nullptr || *cancelled == 0)) continue;
    if (n < 0) return -1;
    if (n == 0) return got == 0 ? 1 : -1;
    got += static_cast<size_t>(n);
  }
  count = counts[got / sizeof count - 1];
  return 0;
}

uint8_t* Slot(const LineRing& r, int64_t line) {
  return r.slots + static_cast<size_t>(line % r.capacity) * static_cast<size_t>(r.bytes);
}

int64_t Quarter(const LineRing& r) {
  return std::max(1, r.capacity / 4);
}

// A cancel's count: no line past those taken.
constexpr int64_t kCancelled = -1;

// The page process takes in the reader's newest count, or its end.
void TakeCount(LineRing& r) {
  int64_t count = 0;
  // A count past what the ring holds can only come from a broken reader.
  if (ReceiveCount(r.toPage[0], count, nullptr) != 0 || count > r.doneTold + r.capacity) {
    r.ended = true;
  } else if (count == kCancelled) {
    r.ended = true;
    r.available = r.taken;
  } else {
    r.available = std::max(r.available, count);
  }
}

}  // namespace

int32_t OpenLineRing(LineRing& r, int32_t bytesPerLine, int32_t capacity) {
  r = LineRing{};
  if (bytesPerLine <= 0 || capacity <= 0) return errno = EINVAL, -1;
  r.bytes = bytesPerLine;
  r.capacity = capacity;
  r.mapped = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(capacity);
  // Every slot is written soon on any page: mapped in at once rather than
  // a fault a page.
  void* slots = mmap(nullptr, r.mapped, PROT_READ | PROT_WRITE,
                     MAP_SHARED | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (slots == MAP_FAILED) return r.mapped = 0, -1;
  r.slots = static_cast<uint8_t*>(slots);
  if (pipe2(r.toPage, O_CLOEXEC) < 0 || pipe2(r.fromPage, O_CLOEXEC) < 0) {
    const int error = errno;
    CloseLineRing(r);
    return errno = error, -1;
  }
  return 0;
}

void KeepReaderEnds(LineRing& r) {
  CloseEnd(r.toPage[0]);
  CloseEnd(r.fromPage[1]);
}

void KeepPageEnds(LineRing& r) {
  CloseEnd(r.toPage[1]);
  CloseEnd(r.fromPage[0]);
  // A fork leaves a shared mapping to be faulted in again page by page.
#ifdef MADV_POPULATE_READ
  madvise(r.slots, r.mapped, MADV_POPULATE_READ);
#endif
}

void CloseLineRing(LineRing& r) {
  for (int* fd : {&r.toPage[0], &r.toPage[1], &r.fromPage[0], &r.fromPage[1]}) CloseEnd(*fd);
  if (r.slots != nullptr) munmap(r.slots, r.mapped);
  r.slots = nullptr;
  r.mapped = 0;
}

uint8_t* NextSlots(LineRing& r, int32_t most, int32_t& count,
                   const volatile sig_atomic_t* cancelled) {
  count = 0;
  while (r.written - r.released >= r.capacity) {
    // The page process may be waiting for the lines not yet told.
    if (r.told < r.written && TellWritten(r) < 0) return nullptr;
    int64_t done = 0;
    if (ReceiveCount(r.fromPage[0], done, cancelled) != 0) return nullptr;
    r.released = std::max(r.released, std::min(done, r.written));
  }
  const int64_t free = r.capacity - (r.written - r.released);
  const int64_t beforeTurn = r.capacity - r.written % r.capacity;
  count = static_cast<int32_t>(std::min({int64_t{std::max(1, most)}, free, beforeTurn}));
  return Slot(r, r.written);
}

void LinesWritten(LineRing& r, int32_t count) {
  r.written += count;
  // A page process that has gone is seen at the next wait or the last count.
  if (r.written - r.told >= Quarter(r)) TellWritten(r);
}

int32_t TellWritten(LineRing& r) {
  if (SendCount(r.toPage[1], r.written) < 0) return -1;
  r.told = r.written;
  return 0;
}

void TellCancelled(LineRing& r) {
  SendCount(r.toPage[1], kCancelled);
}

const uint8_t* TakeLine(LineRing& r) {
  // Every slot is held: the caller asks for more lines at once than the
  // ring was made for.
  if (r.taken - r.done >= r.capacity) return nullptr;
  while (r.taken >= r.available) {
    if (r.ended) return nullptr;
    // The reader may be waiting for the lines done with but not yet told.
    if (r.done > r.doneTold && SendCount(r.fromPage[1], r.done) == 0) r.doneTold = r.done;
    TakeCount(r);
  }
  return Slot(r, r.taken++);
}

void ReleaseLines(LineRing& r) {
  r.done = r.taken;
  if (r.done - r.doneTold >= Quarter(r) && SendCount(r.fromPage[1], r.done) == 0)
    r.doneTold = r.done;
  // A cancel is looked for at every release, a band's end: lines the ring
  // already holds must not carry the page on past it.
  if (r.ended) return;
  pollfd counts{r.toPage[0], POLLIN, 0};
  if (poll(&counts, 1, 0) > 0) TakeCount(r);
}
