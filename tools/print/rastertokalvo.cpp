// rastertokalvo: the print queues' raster filter. Reads CUPS raster (from the
// file named or standard input), plots every page through the driver and
// writes the printer job to standard output, page after page, each page a
// whole job of its own.
//
//   rastertokalvo JOB USER TITLE COPIES OPTIONS [FILE]
//
// As CUPS filters do, it reports on standard error with INFO:, ERROR:, PAGE:
// and ATTR: lines and exits 1 on failure. SIGTERM (a cancelled job) ends the
// page being printed with what it has so far, closed as a whole job, so that
// the printer is never left inside half a job; then it stops.
//
// Each page is plotted by a child process that loads the driver for it: the
// driver keeps its state for the life of the library and reads its dialog
// script once, and a page's sheet is only known from its header. The parent
// reads the raster's lines straight into memory it shares with the child
// (line_ring.h), which plots them where they lie.
#include <cups/cups.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/host/driver_library.h"
#include "tools/host/image_host.h"
#include "tools/print/line_ring.h"
#include "tools/print/page_tiles.h"
#include "tools/print/print_options.h"
#include "tools/print/raster_page.h"

#ifndef KALVO_DRIVER_PATH
#define KALVO_DRIVER_PATH "/usr/local/lib/trnkv_p/trnkv_p.so"
#endif

namespace {

volatile sig_atomic_t cancelled = 0;

// libcups sizes its line buffer from a page header before any check of ours
// can see the header, so the process that reads the raster gets a bounded
// address space: a header that lies about its size fails to be read there.
// The page processes, which hold the driver's images, take the limit off.
constexpr rlim_t kReaderAddressSpace = 512ull << 20;

void BoundAddressSpace(bool bounded) {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) < 0) return;
  limit.rlim_cur = bounded ? std::min(kReaderAddressSpace, limit.rlim_max) : limit.rlim_max;
  setrlimit(RLIMIT_AS, &limit);
}

void Cancel(int) {
  cancelled = 1;
}

// The raster as libcups reads it, counted. Uncompressed (version 1 and 3)
// streams have their lines read straight into the ring, several at a time,
// and a read that fails part way has delivered the bytes counted; compressed
// ones are read a line at a time, from libcups's own buffer.
struct RasterInput {
  int fd = -1;
  int64_t delivered = 0;
  uint8_t sync[4] = {};
};
RasterInput rasterInput;

ssize_t ReadRaster(void* context, unsigned char* into, size_t bytes) {
  auto& in = *static_cast<RasterInput*>(context);
  for (;;) {
    const ssize_t n = read(in.fd, into, bytes);
    // A cancel that interrupts a read ends it; any other signal does not.
    if (n < 0 && errno == EINTR && !cancelled) continue;
    for (ssize_t i = 0; i < n && in.delivered + i < 4; ++i) in.sync[in.delivered + i] = into[i];
    if (n > 0) in.delivered += n;
    return n;
  }
}

bool LinesComeStraight(const RasterInput& in) {
  const auto is = [&in](const char* word) { return std::memcmp(in.sync, word, 4) == 0; };
  return is("RaSt") || is("tSaR") || is("RaS3") || is("3SaR");
}

void Say(const char* level, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", level, text.c_str());
  std::fflush(stderr);
}

int32_t WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n, size -= static_cast<size_t>(n);
  }
  return 0;
}

const uint8_t* TakeRingLine(void* ring) {
  return TakeLine(*static_cast<LineRing*>(ring));
}

void ReleaseRingLines(void* ring) {
  ReleaseLines(*static_cast<LineRing*>(ring));
}

int32_t WriteJobBytes(const char* bytes, int32_t count) {
  return WriteAll(STDOUT_FILENO, bytes, static_cast<size_t>(count)) == 0 ? 1 : 0;
}

std::string driverMessages;
void KeepDriverMessage(const char* line) {
  driverMessages += line;
}

// The child: loads the driver, sets the page's sheet and the job's settings
// through its dialogs, and plots the page from the lines in `ring`.
int PlotPageProcess(const PageFormat& page, const PrintSettings& settings, LineRing& ring) {
  const char* path = std::getenv("TRNKV_DRIVER");
  if (path == nullptr || *path == '\0') path = KALVO_DRIVER_PATH;
  std::string error;
  const PladiFn pladi = LoadDriverLibrary(path, error);
  if (pladi == nullptr) {
    Say("ERROR", "cannot load the driver: " + error);
    return 1;
  }
  ResetHostLog();
  const DriverLink driver = ConnectDriver(pladi);
  SheetChoice sheet;
  if (ChooseSheet(ReadPaperSizes(driver), static_cast<double>(page.width) / page.dpi,
                  static_cast<double>(page.height) / page.dpi, settings.roll, sheet, error) < 0) {
    Say("ERROR", error);
    return 1;
  }
  const std::string script = PageDialogScript(settings, sheet, page.dpi);
  // CUPS hands its filters a temporary folder of their own.
  const char* folder = std::getenv("TMPDIR");
  std::string scriptPath =
      std::string(folder && *folder ? folder : "/tmp") + "/rastertokalvo-XXXXXX";
  const int scriptFile = mkstemp(scriptPath.data());
  if (scriptFile < 0 || WriteAll(scriptFile, script.data(), script.size()) < 0) {
    Say("ERROR", "cannot write the dialog script in " + scriptPath);
    return 1;
  }
  close(scriptFile);
  setenv("TRNKV_DIALOG_SCRIPT", scriptPath.c_str(), 1);
  hostLog.writeSink = &WriteJobBytes;
  hostLog.printSink = &KeepDriverMessage;
  imageHostLog.keepRequests = false;
  const LineSource lines{&ring, &TakeRingLine, &ReleaseRingLines};
  PageResult result;
  const int32_t plotted = PlotPage(driver, page, settings, sheet, lines, result, error);
  unlink(scriptPath.c_str());
  if (plotted < 0) {
    Say("ERROR", error + (driverMessages.empty() ? "" : " (" + driverMessages + ")"));
    return 1;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  Say("DEBUG", "page plotted in " + std::to_string(result.images) + " images, " +
                   std::to_string(result.bytes) + " bytes, " + std::to_string(cpu) +
                   " s CPU, peak memory " + std::to_string(usage.ru_maxrss / 1024) + " MB");
  return result.complete ? 0 : 2;
}

// The lines the reader may read past the band the child holds: about what
// a pipe holds. The child sees a cancel as it takes its next band, so the
// further the reader is ahead, the more of a cancelled page prints.
constexpr int32_t kReadAheadBytes = 256 << 10;

// Starts the child for a page, with the ring its lines go through. 0, or -1.
int32_t StartPage(const PageFormat& page, const PrintSettings& settings, LineRing& ring,
                  pid_t& child) {
  const int32_t ahead = std::max(16, kReadAheadBytes / page.BytesPerLine());
  if (OpenLineRing(ring, page.BytesPerLine(), std::min(page.height, kMostBandLines + ahead)) < 0)
    return -1;
  std::fflush(nullptr);
  child = fork();
  if (child < 0) {
    const int error = errno;
    CloseLineRing(ring);
    return errno = error, -1;
  }
  if (child == 0) {
    // The page ends when its lines stop; a cancel is the parent's to see.
    signal(SIGTERM, SIG_IGN);
    BoundAddressSpace(false);
    KeepPageEnds(ring);
    _exit(PlotPageProcess(page, settings, ring));
  }
  KeepReaderEnds(ring);
  return 0;
}

// Reads the page's lines and hands them to its child. 0 for the whole page,
// 1 when the job was cancelled, -1 when the raster ended early or the child
// stopped taking lines.
int32_t FeedPage(cups_raster_t* raster, const PageFormat& page, LineRing& ring,
                 int32_t pageNumber) {
  const int32_t bytes = page.BytesPerLine();
  const int32_t most = LinesComeStraight(rasterInput) ? std::max(1, kReadAheadBytes / bytes) : 1;
  int32_t shown = -1;
  for (int32_t y = 0; y < page.height;) {
    if (cancelled) return 1;
    int32_t count = 0;
    uint8_t* slots = NextSlots(ring, std::min(most, page.height - y), count, &cancelled);
    if (slots == nullptr) return cancelled ? 1 : -1;
    const auto want = static_cast<unsigned>(count * bytes);
    const int64_t before = rasterInput.delivered;
    if (cupsRasterReadPixels(raster, slots, want) != want) {
      // A cancel interrupts the read; that is no damaged raster.
      if (cancelled) return 1;
      // The lines that came whole are the page's, as far as it goes.
      const auto whole = static_cast<int32_t>(
          most > 1 ? std::clamp<int64_t>((rasterInput.delivered - before) / bytes, 0, count - 1)
                   : 0);
      LinesWritten(ring, whole);
      y += whole;
      Say("ERROR", "page " + std::to_string(pageNumber) + " ends after " + std::to_string(y) +
                       " of its " + std::to_string(page.height) + " lines");
      return -1;
    }
    LinesWritten(ring, count);
    const int32_t percent = static_cast<int32_t>(100LL * y / page.height);
    if (percent / 10 != shown / 10) {
      shown = percent;
      std::fprintf(stderr, "ATTR: job-media-progress=%d\n", percent);
    }
    y += count;
  }
  return 0;
}

int32_t PrintPage(cups_raster_t* raster, const cups_page_header2_t& header,
                  const PrintSettings& jobSettings, const OptionList& options, int32_t number) {
  PageFormat page;
  std::string error;
  if (CheckPageHeader(header, page, error) < 0) {
    Say("ERROR", "page " + std::to_string(number) + ": " + error);
    return -1;
  }
  PrintSettings settings = jobSettings;
  const HeaderChoices choices = ChoicesFromHeader(header);
  settings.dialog.media = choices.media;
  settings.roll = choices.roll;
  settings.qdrs = choices.qdrs;
  settings.dialog.program = choices.finisherProgram;
  if (choices.tonePreset > 0 && choices.tonePreset < 6)
    ApplyTone(kTonePresets[choices.tonePreset].name, settings.dialog, error);
  // Options given with the job stand over the queue's defaults.
  if (ApplyJobOptions(options, settings, error) < 0) {
    Say("ERROR", error);
    return -1;
  }
  Say("INFO", "printing page " + std::to_string(number));
  pid_t child = -1;
  LineRing ring;
  if (StartPage(page, settings, ring, child) < 0) {
    Say("ERROR", std::string("cannot start the page: ") + std::strerror(errno));
    return -1;
  }
  int32_t fed = FeedPage(raster, page, ring, number);
  // Cut short or whole, the child plots every line read and ends the page;
  // cancelled, it ends it with the band it holds.
  if (fed == 1) TellCancelled(ring);
  if (fed != 1 && TellWritten(ring) < 0 && fed == 0) fed = -1;
  CloseLineRing(ring);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  if (code == 1) return -1;
  std::fprintf(stderr, "PAGE: %d %d\n", number, std::max(1, settings.dialog.copies));
  if (fed == 1) return 1;
  return fed < 0 ? -1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) {
    std::fprintf(stderr, "Usage: rastertokalvo JOB USER TITLE COPIES OPTIONS [FILE]\n");
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = &Cancel;
  sigaction(SIGTERM, &action, nullptr);

  const int input = argc == 7 ? open(argv[6], O_RDONLY) : STDIN_FILENO;
  if (input < 0) {
    Say("ERROR", std::string(argv[6]) + ": " + std::strerror(errno));
    return 1;
  }
  cups_option_t* parsed = nullptr;
  const int count = cupsParseOptions(argv[5], 0, &parsed);
  OptionList options;
  for (int i = 0; i < count; ++i) options.emplace_back(parsed[i].name, parsed[i].value);
  cupsFreeOptions(count, parsed);
  PrintSettings settings;
  std::string error;
  const int copies = std::atoi(argv[4]);
  if (copies > 1) options.emplace_back("copies", std::to_string(copies));
  if (ApplyJobOptions(options, settings, error) < 0) {
    Say("ERROR", error);
    return 1;
  }

  BoundAddressSpace(true);
  rasterInput.fd = input;
  cups_raster_t* raster = cupsRasterOpenIO(&ReadRaster, &rasterInput, CUPS_RASTER_READ);
  if (raster == nullptr) {
    Say("ERROR", "the input is not CUPS raster");
    return 1;
  }
  cups_page_header2_t header;
  int32_t pages = 0, result = 0;
  while (result == 0 && !cancelled && cupsRasterReadHeader2(raster, &header))
    result = PrintPage(raster, header, settings, options, ++pages);
  cupsRasterClose(raster);
  if (result < 0) return 1;
  if (pages == 0 && !cancelled) {
    Say("ERROR", "the raster holds no page");
    return 1;
  }
  if (cancelled) Say("INFO", "cancelled: the page in print was closed as a whole job");
  return 0;
}
