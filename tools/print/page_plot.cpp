#include "tools/print/page_plot.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>

#include "host/protocol.h"
#include "tools/host/conversation.h"
#include "tools/host/image_host.h"
#include "tools/print/page_tiles.h"

namespace {

// The paper list in the descriptor: entry i (1-based) of the one model 80 i
// bytes on from 24 bytes before the device tables (the model table), a name
// of 56 bytes, the length and width in inches, the custom length flag and its
// largest length in millimetres.
constexpr int32_t kPaperTable = kDescriptor.deviceTables - 24;
constexpr int32_t kPaperEntry = 80;
constexpr int32_t kPaperSlots = 44;

constexpr int32_t kResolutions[] = {600, 400, 300, 200};
constexpr uint16_t kLanguageQdrs = kJobQdrsOutput;
constexpr uint16_t kResolutionBits = kJobResolutionMask;
constexpr uint16_t kLongerThanWide = kJobLongSheet;
// A graphics request code the driver does not handle.
constexpr int16_t kReleasePendingImage = 1;

int32_t ResolutionPosition(int32_t dpi) {
  for (int32_t i = 0; i < 4; ++i)
    if (kResolutions[i] == dpi) return i;
  return -1;
}

// Where the page's lines go while the driver fetches strips.
struct PageFeed {
  const PageFormat* page;
  const LineSource* source;
  int32_t enlargement;
  int32_t skipped;                   // strips at the start of each image the driver never fetches
  int32_t nextStrip;                 // the page's next strip to read, in fetched strips
  bool ended;                        // the source has no more lines
  std::vector<const uint8_t*> rows;  // the lines taken and not yet released
};

// Takes up to `count` more lines into the feed's rows; false when the
// source ends first.
bool TakeLines(PageFeed& f, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* line = f.source->take(f.source->context);
    if (line == nullptr) return f.ended = true, false;
    f.rows.push_back(line);
  }
  return true;
}

// One image of the page: its strip i holds the page's lines from
// (first + i - skipped) x N on. The driver fetches an image at the request
// after the one that placed it, so each image keeps its own start.
struct ImageFeed {
  PageFeed* page;
  int32_t first;
  StripSource source;
};

int32_t ServePageStrip(void* context, int32_t strip, int32_t length, bool colour, uint8_t* out) {
  const ImageFeed& image = *static_cast<ImageFeed*>(context);
  PageFeed& f = *image.page;
  const int32_t wanted = image.first + strip - f.skipped;
  // Strips come in order; one the page does not hold (or asked twice) is white.
  if (wanted != f.nextStrip || f.ended) {
    if (f.ended) return 1;
    std::memset(out, colour ? 255 : 0, static_cast<size_t>(length) * (colour ? 3 : 1));
    return 0;
  }
  const int32_t remaining = f.page->height - f.nextStrip * f.enlargement;
  f.rows.clear();
  if (!TakeLines(f, std::min(f.enlargement, remaining))) return 1;
  ++f.nextStrip;
  ServeStrip(*f.page, f.rows.data(), static_cast<int32_t>(f.rows.size()), f.enlargement, false,
             colour, length, out);
  f.source->release(f.source->context);
  return 0;
}

// The settings that make the driver plot this page, or -1 with the reason.
int32_t DialogSettings(const PrintSettings& settings, const SheetChoice& sheet, int32_t dpi,
                       Settings& s, std::string& error) {
  s = settings.dialog;
  s.paper = sheet.paper;
  if (sheet.lengthMm > 0) s.length = sheet.lengthMm;
  s.resolution = ResolutionPosition(dpi);
  if (s.resolution < 0) {
    error = "the driver prints at 600, 400, 300 or 200 dpi, not " + std::to_string(dpi);
    return -1;
  }
  if (settings.qdrs && dpi != 400 && dpi != 200) {
    error = "QDRS+MMR prints at 400 or 200 dpi, not " + std::to_string(dpi);
    return -1;
  }
  return 0;
}

// The handshake and the drawing's start; the area the driver answered.
int32_t StartDrawing(const DriverLink& d, SheetArea& area, std::string& error) {
  const ConversationResult start = HostHandshake(d);
  if (start.failedRequest != 0) {
    error = "the driver refused control request " + std::to_string(start.failedRequest);
    return -1;
  }
  DrawingStartOptions options;
  options.configure = true;
  const ConversationResult drawing = HostDrawingStart(d, start.area, options);
  if (drawing.failedRequest != 0) {
    error = "the driver refused graphics request " + std::to_string(drawing.failedRequest);
    return -1;
  }
  area = drawing.area;
  return 0;
}

// The binary language stands only in a stored record that asks for it while
// the dialogs are cancelled: the record the dialogs checked gets the bit, and
// the conversation runs again.
int32_t SwitchToQdrs(const DriverLink& d, SheetArea& area, std::string& error) {
  uint16_t flags = ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags);
  WriteU16(hostLog.storedRecord.data(), kRecord.jobFlags,
           static_cast<uint16_t>(flags | kLanguageQdrs));
  if (StartDrawing(d, area, error) < 0) return -1;
  flags = ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags);
  if ((flags & kLanguageQdrs) == 0) {
    error = "the driver did not keep the QDRS+MMR language";
    return -1;
  }
  return 0;
}

// The conversation for a page: its sheet and the job's settings through the
// dialogs, each checked in the record they saved; then, for the binary
// language, the second round that keeps it.
int32_t SetUpPage(const DriverLink& d, const PrintSettings& settings, const SheetChoice& sheet,
                  int32_t dpi, SheetArea& area, std::string& error) {
  Settings s;
  if (DialogSettings(settings, sheet, dpi, s, error) < 0) return -1;
  const std::array<uint8_t, 40> before = hostLog.storedRecord;
  if (StartDrawing(d, area, error) < 0) return -1;
  const std::vector<std::string> refused = SettingsNotApplied(s, before, hostLog.storedRecord);
  if (!refused.empty()) {
    error = "the driver's dialogs refused: " + refused.front();
    for (size_t i = 1; i < refused.size(); ++i) error += "; " + refused[i];
    return -1;
  }
  return settings.qdrs ? SwitchToQdrs(d, area, error) : 0;
}

// Where the page's strips go on the sheet the driver set up.
struct Placement {
  bool qdrs = false, turned = false;  // turned: strips are the sheet's columns
  int32_t n = 1;                      // the driver's enlargement
  int32_t acrossStrips = 0, alongStrips = 0, acrossSpan = 0;
  int32_t skipped = 0;  // strips each image carries unfetched
};

// Tiles that leave white out and send black-and-white cells two-level print
// dot for dot the page sent whole only while the tone curve keeps white paper
// white and black black. The driver builds its curve from the levels of the record
// it saved, and the curve's ends are the first and last of them.
bool CurveKeepsBlackAndWhite() {
  const uint8_t* levels = hostLog.storedRecord.data() + kRecord.toneLevels;
  return levels[0] == 0 && levels[4] == 255;
}

int32_t PlacePage(const PageFormat& page, const SheetArea& area, Placement& p, std::string& error) {
  const uint16_t flags = ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags);
  p.qdrs = (flags & kLanguageQdrs) != 0;
  p.turned = (flags & kLongerThanWide) != 0;
  const double perInch = p.qdrs ? 800.0 : 1016.0;
  p.n = std::clamp(static_cast<int32_t>(perInch / area.unitsPerInch + 0.5), 1, 16);
  const double across = p.turned ? area.width : area.length;
  p.acrossStrips =
      std::min(ServedCount(page.width, p.n), static_cast<int32_t>(across * page.dpi / p.n + 1e-6));
  p.alongStrips = ServedCount(page.height, p.n);
  // At 600 dpi in RTL/GL2 the driver never fetches an image's first strip and
  // draws the second where the first belongs: each image carries one more.
  p.skipped = !p.qdrs && (flags & kResolutionBits) == kJob600Dpi ? 1 : 0;
  p.acrossSpan = SpanForCount(p.acrossStrips, page.dpi, p.qdrs);
  if (p.acrossSpan < 0) {
    error = "no place on the sheet gives " + std::to_string(p.acrossStrips) + " dots";
    return -1;
  }
  return 0;
}

// One image of the page: `strips` from strip `firstStrip` along the roll,
// `pixels` from strip pixel `firstPixel` across, each start on a host unit.
// The image goes out at the top of the next request: one the driver does not
// know lets it out at once, so that lines that stop within it are seen
// before another image is placed.
int32_t SendPlacedImage(const DriverLink& d, const PageFormat& page, const Placement& p,
                        const Tile& at, const StripSource& source, std::string& error) {
  const int32_t period = PiecePeriod(page.dpi, p.qdrs);
  const int32_t unitsPerPeriod =
      p.qdrs ? SpanForCount(1, page.dpi, true) : 1016 / std::gcd(page.dpi, 1016);
  const int32_t along = at.firstStrip / period * unitsPerPeriod;
  const int32_t count = at.strips + p.skipped;
  const int32_t span = SpanForCount(count, page.dpi, p.qdrs);
  const int32_t width = at.pixels == p.acrossStrips && at.firstPixel == 0
                            ? p.acrossSpan
                            : SpanForCount(at.pixels, page.dpi, p.qdrs);
  // On a sheet wider than long the driver lays a strip's first pixel at the
  // far edge of its place across the roll: there a tile ends where its
  // first pixel stands in the page sent whole.
  const int32_t offset = at.firstPixel / period * unitsPerPeriod;
  const int32_t across = p.turned ? offset : p.acrossSpan - offset - width;
  if (span < 0 || width < 0 || across < 0) {
    error = "no place on the sheet gives an image of " + std::to_string(count) + " x " +
            std::to_string(at.pixels) + " dots";
    return -1;
  }
  const bool colour = page.kind != PixelKind::Black1 && at.tones;
  const uint16_t status = p.turned ? SendStripImage(d, along, across, along + span, across + width,
                                                    count, at.pixels, colour, source)
                                   : SendStripImage(d, across, along, across + width, along + span,
                                                    at.pixels, count, colour, source);
  if (status == kStatusFailed) {
    error = "the driver refused an image";
    return -1;
  }
  Packet flush = MakePacket(kReleasePendingImage);
  Graphics(d, flush);
  return 0;
}

// The page's images along the roll, each let out before the next is placed.
int32_t SendPageImages(const DriverLink& d, const PageFormat& page, const Placement& p,
                       int32_t mostStrips, PageFeed& feed, PageResult& result, std::string& error) {
  const int32_t period = PiecePeriod(page.dpi, p.qdrs);
  // The driver holds an image as N rows a strip: the bound is on its rows.
  const std::vector<ImagePiece> pieces = CutIntoPieces(p.alongStrips, period, mostStrips / p.n);
  std::vector<ImageFeed> images(pieces.size());
  for (size_t i = 0; i < pieces.size() && !feed.ended; ++i) {
    images[i] = {&feed, pieces[i].first, {&images[i], &ServePageStrip}};
    const Tile whole{pieces[i].first, pieces[i].count, 0, p.acrossStrips};
    if (SendPlacedImage(d, page, p, whole, images[i].source, error) < 0) return -1;
    ++result.images;
  }
  return 0;
}

// One tile of the band the page feed holds.
struct TileFeed {
  PageFeed* page;
  Tile tile;  // from the band's corner
  StripSource source;
};

int32_t ServeTileStrip(void* context, int32_t strip, int32_t length, bool colour, uint8_t* out) {
  const TileFeed& t = *static_cast<TileFeed*>(context);
  const PageFeed& f = *t.page;
  const int32_t s = strip - f.skipped;
  const int32_t line = (t.tile.firstStrip + s) * f.enlargement;
  const int32_t lineCount = static_cast<int32_t>(f.rows.size());
  if (s < 0 || s >= t.tile.strips || line >= lineCount) {
    std::memset(out, colour ? 255 : 0, static_cast<size_t>(length) * (colour ? 3 : 1));
    return 0;
  }
  const int32_t x = t.tile.firstPixel * f.enlargement;
  PageFormat part = *f.page;
  part.width -= x;
  const size_t offset = part.kind == PixelKind::Black1 ? x / 8
                        : part.kind == PixelKind::Rgb  ? 3 * static_cast<size_t>(x)
                                                       : x;
  const uint8_t* rows[16];
  const int32_t count = std::min(f.enlargement, lineCount - line);
  for (int32_t k = 0; k < count; ++k) rows[k] = f.rows[line + k] + offset;
  ServeStrip(part, rows, count, f.enlargement, false, colour, length, out);
  return 0;
}

// Takes the next band's lines into the feed; the lines it holds.
int32_t ReadBand(PageFeed& f, int32_t first, int32_t strips) {
  const int32_t want = std::min(strips * f.enlargement, f.page->height - first * f.enlargement);
  // The band before has been sent whole: its lines may be written over.
  f.source->release(f.source->context);
  f.rows.clear();
  TakeLines(f, want);
  f.nextStrip = first + ServedCount(static_cast<int32_t>(f.rows.size()), f.enlargement);
  return static_cast<int32_t>(f.rows.size());
}

// The page band by band, an image only where a band holds ink. The dot the
// plot starts with is covered by a tile always. With `everyDot` (a tone curve
// that prints white paper or black otherwise), every cell is sent, in tones.
int32_t SendPageTiles(const DriverLink& d, const PageFormat& page, const Placement& p,
                      int64_t imageCost, bool everyDot, PageFeed& feed, PageResult& result,
                      std::string& error) {
  const TileGrid grid = TileGridFor(page.dpi, p.qdrs, p.n);
  const int32_t across = (p.acrossStrips + grid.cell - 1) / grid.cell;
  for (int32_t first = 0; first < p.alongStrips && !feed.ended; first += grid.band) {
    const int32_t lines = ReadBand(feed, first, std::min(grid.band, p.alongStrips - first));
    if (lines == 0) break;
    const int32_t rows = (lines + grid.cell * p.n - 1) / (grid.cell * p.n);
    std::vector<CellInk> cells =
        everyDot ? std::vector<CellInk>(static_cast<size_t>(rows) * across, CellInk::Tone)
                 : ClassifyCells(page, feed.rows.data(), lines, grid.cell * p.n, across);
    // The host's corner, where the plot's first dot stands, is the page's
    // first line, and its last pixel across unless strips are columns.
    CellInk& corner = cells[p.turned ? 0 : across - 1];
    if (first == 0 && corner == CellInk::White) corner = CellInk::Solid;
    std::vector<Tile> tiles =
        PlanTiles(cells, across, grid, ServedCount(lines, p.n), p.acrossStrips, imageCost);
    if (!p.qdrs) tiles = CutToOneBand(tiles, grid, p.n, p.skipped);
    std::vector<TileFeed> feeds(tiles.size());
    for (size_t i = 0; i < tiles.size(); ++i) {
      feeds[i] = {&feed, tiles[i], {&feeds[i], &ServeTileStrip}};
      Tile placed = tiles[i];
      placed.firstStrip += first;
      if (SendPlacedImage(d, page, p, placed, feeds[i].source, error) < 0) return -1;
      ++result.images;
    }
  }
  return 0;
}

}  // namespace

std::vector<PaperSize> ReadPaperSizes(const DriverLink& d) {
  std::vector<PaperSize> papers;
  for (int32_t i = 1; i < kPaperSlots; ++i) {
    const uint8_t* e = d.descriptor + kPaperTable + kPaperEntry * i;
    if (e[0] == '\0') break;
    PaperSize p;
    p.index = i;
    p.name.assign(reinterpret_cast<const char*>(e), strnlen(reinterpret_cast<const char*>(e), 56));
    p.length = ReadF64(e, 56);
    p.width = ReadF64(e, 64);
    p.customLength = ReadU16(e, 72) == 1;
    p.maxLengthMm = ReadU16(e, 74);
    papers.push_back(p);
  }
  return papers;
}

std::string PageDialogScript(const PrintSettings& settings, const SheetChoice& sheet, int32_t dpi) {
  Settings s;
  std::string ignored;
  if (DialogSettings(settings, sheet, dpi, s, ignored) < 0) return {};
  std::string script = DialogScriptFor(s);
  if (settings.qdrs)
    script +=
        "dialog DETAILCFG2_POR\nclick IDOK\ndialog DETAILCFG2_POR\nclick IDCANCEL\n"
        "dialog DRIVERCFG2_POR\nclick IDCANCEL\n";
  return script;
}

int32_t PlotPage(const DriverLink& d, const PageFormat& page, const PrintSettings& settings,
                 const SheetChoice& sheet, const LineSource& lines, PageResult& result,
                 std::string& error) {
  SheetArea area;
  Placement place;
  if (SetUpPage(d, settings, sheet, page.dpi, area, error) < 0 ||
      PlacePage(page, area, place, error) < 0)
    return -1;
  PageFeed feed{&page, &lines, place.n, place.skipped, 0, false, {}};

  if (BeginPlot(d) != kStatusOk) {
    error = "the driver refused to begin the plot";
    return -1;
  }
  // A plot holding only images gets no trailer from the driver: a dot at the
  // corner, covered by the page's first image, makes it a drawing.
  MoveTo(d, 0, 0);
  DrawTo(d, 0, 0);
  const int32_t sent =
      settings.tiles
          ? SendPageTiles(d, page, place, settings.imageCostInDots, !CurveKeepsBlackAndWhite(),
                          feed, result, error)
          : SendPageImages(d, page, place, settings.mostStripsPerImage, feed, result, error);
  if (sent < 0) return -1;
  EndPlot(d);
  if (hostLog.writeSizes.size() != static_cast<size_t>(hostLog.writeCalls)) {
    error = "the job could not be written whole";
    return -1;
  }
  for (int32_t count : hostLog.writeSizes) result.bytes += count;
  result.complete = !feed.ended && feed.nextStrip == place.alongStrips;
  return 0;
}
