#pragma once
// A page's lines handed from the process that reads the raster to the page
// process that plots it, without copying them through a pipe: the reader
// reads each line straight into a ring of line slots in memory both
// processes share (made before the fork), and the two only tell each other
// counts, a few bytes on a pipe each way, now and then:
//   - the reader says how many lines it has written, every quarter ring and
//     whenever it would wait;
//   - the page process says how many lines it has done with (a band's, once
//     it takes the next band), whenever it would wait and every quarter ring.
// Neither waits without first saying what the other may be waiting for, so
// the two cannot wait on each other. A page process that dies ends its
// pipes: the reader sees it at once. The reader's end of its pipe closed is
// the page's end: the page process takes the lines written so far and ends.
// A cancel ends it sooner: told of it, the page process takes no line past
// the band it holds, as it took none past what a pipe held.
#include <signal.h>

#include <cstddef>
#include <cstdint>

struct LineRing {
  uint8_t* slots = nullptr;  // capacity lines of `bytes`, shared
  size_t mapped = 0;
  int32_t bytes = 0, capacity = 0;
  // The pipes' ends, read end first: counts written, to the page process;
  // counts done with, from it. Each process closes the ends it does not use.
  int toPage[2] = {-1, -1}, fromPage[2] = {-1, -1};
  // The reader's counts.
  int64_t written = 0, told = 0, released = 0;
  // The page process's counts.
  int64_t taken = 0, available = 0, done = 0, doneTold = 0;
  bool ended = false;  // no more counts will come
};

// Maps the ring and opens its pipes, before the fork. 0, or -1 (errno set).
int32_t OpenLineRing(LineRing& ring, int32_t bytesPerLine, int32_t capacity);
// After the fork, each side closes the ends the other holds.
void KeepReaderEnds(LineRing& ring);
void KeepPageEnds(LineRing& ring);
// Unmaps the ring and closes what this process still holds of it.
void CloseLineRing(LineRing& ring);

// The reader: the slots for the next lines, one after the other in memory,
// `count` of them (1 to `most`: as many as are free before the ring turns),
// waiting while the ring is full; nullptr when the page process has stopped
// taking lines, or when `cancelled` is set while it waits. A read a few
// lines long costs the kernel far less than a read a line.
uint8_t* NextSlots(LineRing& ring, int32_t most, int32_t& count,
                   const volatile sig_atomic_t* cancelled);
// The first `count` slots NextSlots gave hold the next lines.
void LinesWritten(LineRing& ring, int32_t count);
// Tells the page process of every line written, as the page's last lines
// when the ring is closed next. 0, or -1 when it has gone.
int32_t TellWritten(LineRing& ring);
// Tells the page process to end the page with the lines it holds.
void TellCancelled(LineRing& ring);

// The page process: the next line, valid until ReleaseLines; nullptr when
// the page has no more (all taken, the reader gone, or the ring's capacity
// held without a release).
const uint8_t* TakeLine(LineRing& ring);
// Every line taken so far may be written over; and a cancel, if one came,
// ends the page with the lines taken.
void ReleaseLines(LineRing& ring);
