// The hand-over of a page's lines between the raster's reader and the page
// process, with a real fork: every line reaches the page process once, in
// order and intact, whatever the band and the ring; a page that ends inside
// a band or a cancel ends the page process with the lines read, and a page
// process that stops taking lines never leaves the reader waiting.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tools/print/line_ring.h"

namespace {

constexpr int32_t kBytes = 100;

void FillLine(uint8_t* line, int64_t y) {
  for (int32_t i = 0; i < kBytes; ++i) line[i] = static_cast<uint8_t>(y * 31 + i);
}

bool LineIs(const uint8_t* line, int64_t y) {
  uint8_t expected[kBytes];
  FillLine(expected, y);
  return std::memcmp(line, expected, kBytes) == 0;
}

// The page process: takes bands of `band` lines, checks each against the
// page (the first after `slowMs` of plotting), and after `stopAfter` lines
// takes no more. Exits 0 when it saw exactly `expected` lines, each right; 1
// otherwise.
[[noreturn]] void TakeBands(LineRing& ring, int32_t band, int64_t expected, int64_t stopAfter,
                            int32_t slowMs = 0) {
  KeepPageEnds(ring);
  const uint8_t* held[64];
  int64_t y = 0;
  for (bool more = true; more && y != stopAfter;) {
    int32_t count = 0;
    while (count < band && (held[count] = TakeLine(ring)) != nullptr) ++count;
    more = count == band;
    // A band is read whole after its last line came, as the tiles read it.
    for (int32_t k = 0; k < count; ++k)
      if (!LineIs(held[k], y + k)) _exit(1);
    if (y == 0) usleep(slowMs * 1000);
    y += count;
    ReleaseLines(ring);
  }
  if (y == stopAfter) {
    CloseLineRing(ring);
    pause();  // gone from the reader's view, as a page process that hangs is not
  }
  _exit(y == expected ? 0 : 1);
}

int ExitCode(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes `lines` lines as the reader does, up to `most` a read; the lines
// written.
int64_t WriteLines(LineRing& ring, int64_t lines, const volatile sig_atomic_t* cancelled,
                   int32_t most = 1) {
  for (int64_t y = 0; y < lines;) {
    int32_t count = 0;
    uint8_t* slots =
        NextSlots(ring, static_cast<int32_t>(std::min<int64_t>(most, lines - y)), count, cancelled);
    if (slots == nullptr) return y;
    if (count < 1 || count > most) return -1;
    for (int32_t k = 0; k < count; ++k) FillLine(slots + k * kBytes, y + k);
    LinesWritten(ring, count);
    y += count;
  }
  return lines;
}

class PageLineRingTest : public testing::Test {
 protected:
  void SetUp() override { previous = signal(SIGPIPE, SIG_IGN); }
  void TearDown() override { signal(SIGPIPE, previous); }
  sighandler_t previous = SIG_DFL;
};

// Reads of a line or of several (as many as fit before the ring turns);
// bands that fill the ring exactly (the reader then waits with lines it has
// not yet told of), half of it, or are a line; pages that end on a band's
// edge, inside a band, inside the first band, or are empty.
TEST_F(PageLineRingTest, EveryLineArrivesOnceInOrderAcrossBandsAndRingTurns) {
  const struct {
    int32_t capacity, band;
    int64_t lines;
  } cases[] = {{8, 4, 1000}, {8, 4, 1003}, {8, 8, 37}, {9, 1, 50}, {16, 8, 5},
               {12, 6, 0},   {2, 1, 9},    {7, 3, 22}, {9, 9, 40}};
  for (const auto& c : cases)
    for (const int32_t most : {1, 3, 16}) {
      LineRing ring;
      ASSERT_EQ(OpenLineRing(ring, kBytes, c.capacity), 0);
      const pid_t child = fork();
      if (child == 0) TakeBands(ring, c.band, c.lines, -1);
      KeepReaderEnds(ring);
      EXPECT_EQ(WriteLines(ring, c.lines, nullptr, most), c.lines);
      EXPECT_EQ(TellWritten(ring), 0);
      CloseLineRing(ring);
      EXPECT_EQ(ExitCode(child), 0) << c.capacity << " lines, bands of " << c.band << ", "
                                    << c.lines << " lines, up to " << most << " a read";
    }
}

// A page process that stops taking lines (it failed, or hangs) while the
// ring is full: the reader stops waiting and says so.
TEST_F(PageLineRingTest, TheReaderStopsWhenThePageProcessStopsTakingLines) {
  LineRing ring;
  ASSERT_EQ(OpenLineRing(ring, kBytes, 8), 0);
  const pid_t child = fork();
  if (child == 0) TakeBands(ring, 4, 100, 12);
  KeepReaderEnds(ring);
  const int64_t written = WriteLines(ring, 100, nullptr);
  EXPECT_GE(written, 12);
  EXPECT_LE(written, 20) << "more lines than the page process freed";
  CloseLineRing(ring);
  kill(child, SIGKILL);
  ExitCode(child);
}

volatile sig_atomic_t cancelled = 0;
void Cancel(int) {
  cancelled = 1;
}

// A cancel while the reader waits for a full ring to drain: it stops at
// once, and the page process, still plotting its first band, ends the page
// with it, not with the band read meanwhile.
TEST_F(PageLineRingTest, ACancelWhileTheRingIsFullEndsThePageWithTheLinesRead) {
  LineRing ring;
  ASSERT_EQ(OpenLineRing(ring, kBytes, 8), 0);
  const pid_t child = fork();
  if (child == 0) TakeBands(ring, 4, 4, -1, 600);
  KeepReaderEnds(ring);
  struct sigaction action {};
  action.sa_handler = &Cancel;  // without SA_RESTART, as the filter's
  struct sigaction before {};
  sigaction(SIGALRM, &action, &before);
  cancelled = 0;
  itimerval cancelAt{};
  cancelAt.it_value.tv_usec = 150000;
  setitimer(ITIMER_REAL, &cancelAt, nullptr);
  EXPECT_EQ(WriteLines(ring, 100, &cancelled), 8);
  EXPECT_EQ(cancelled, 1);
  sigaction(SIGALRM, &before, nullptr);
  TellCancelled(ring);
  CloseLineRing(ring);
  EXPECT_EQ(ExitCode(child), 0);
}

// A cancel while the ring holds lines already told of, bands much smaller
// than the ring: the page ends with the band plotted when it came, not with
// the lines the ring still holds.
TEST_F(PageLineRingTest, ACancelEndsThePageAtTheBandsEndThoughTheRingHoldsMore) {
  LineRing ring;
  ASSERT_EQ(OpenLineRing(ring, kBytes, 64), 0);
  const pid_t child = fork();
  if (child == 0) TakeBands(ring, 4, 4, -1, 600);
  KeepReaderEnds(ring);
  EXPECT_EQ(WriteLines(ring, 40, nullptr), 40);
  EXPECT_EQ(TellWritten(ring), 0);
  // While the page process plots its first band.
  usleep(150000);
  TellCancelled(ring);
  EXPECT_EQ(ExitCode(child), 0);
  CloseLineRing(ring);
}

}  // namespace
