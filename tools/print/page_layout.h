#pragma once
// How a printed page lands on the printer's sheet: which of the driver's paper
// sizes takes it, how its raster is cut into images along the roll, and how
// one raster line becomes one strip the driver fetches. Plain arithmetic over
// plain data, so that the tests and the fuzz target reach it without a driver.
//
// The page arrives as lines across the roll, top line first. The driver's
// strips always run across the roll too (columns on a sheet longer than wide,
// rows otherwise), so each strip is one line of the page, or N lines when the
// driver enlarges every fetched pixel N times on a long sheet.
#include <cstdint>
#include <string>
#include <vector>

// The pixels of a raster line: 8-bit grey (0 black), 8-bit red, green, blue,
// or one bit per pixel with 1 for black (most significant bit first).
enum class PixelKind { Grey, Rgb, Black1 };

struct PageFormat {
  int32_t width = 0, height = 0;  // dots across and along the roll
  int32_t dpi = 0;                // the same both ways
  PixelKind kind = PixelKind::Grey;
  int32_t BytesPerLine() const;
};

// One entry of the driver's paper list, as its descriptor holds it.
struct PaperSize {
  int32_t index = 0;  // 1-based, as the main dialog's list counts
  std::string name;
  double length = 0, width = 0;  // inches: along the feed, across the roll
  bool customLength = false;
  int32_t maxLengthMm = 0;
};

// The sheet a page is printed on: a fixed size whose width and length match
// the page, or a custom-length size of the narrowest roll that takes it.
struct SheetChoice {
  int32_t paper = 0;
  int32_t lengthMm = -1;  // custom-length sizes only
  double width = 0, length = 0;
};

// `roll` asks for a custom length even where a fixed size matches. 0, or -1
// with the reason in `error` (a page wider than every roll, or longer than
// the longest custom length).
int32_t ChooseSheet(const std::vector<PaperSize>& papers, double widthInches, double lengthInches,
                    bool roll, SheetChoice& choice, std::string& error);

// How many of the page's lines and dots one fetched strip pixel stands for:
// the driver's enlargement (1, 2, 4, 8 or 16) on sheets too long for its
// coordinates.
inline int32_t ServedCount(int32_t dots, int32_t enlargement) {
  return (dots + enlargement - 1) / enlargement;
}

// The images a page is sent as, along the roll, in fetched strips: each but
// the last a whole number of `period` strips long, so that every image starts
// on a host unit and the joints fall between two device dots exactly.
struct ImagePiece {
  int32_t first = 0, count = 0;
};
std::vector<ImagePiece> CutIntoPieces(int32_t strips, int32_t period, int32_t most);

// The smallest number of strips whose length along the roll is a whole number
// of host units (1016 per inch in HP-GL/2, 800 in QDRS, times the enlargement).
int32_t PiecePeriod(int32_t dpi, bool qdrs);

// The span in host units for which the driver fetches exactly `count` strips
// or pixels, computed as the driver computes it; -1 when none does.
int32_t SpanForCount(int32_t count, int32_t dpi, bool qdrs);

// One strip from `lines` (N page lines, N = enlargement, fewer at the page's
// end): `length` pixels, pixel j taken from page dot j * N (from the far end
// when `reverse`), the darkest of the N x N dots it stands for so that thin
// lines survive. Colour strips are red, green, blue bytes; two-level strips
// one byte per pixel, 1 for black. Dots past the page's width are white.
void ServeStrip(const PageFormat& page, const uint8_t* const* lines, int32_t lineCount,
                int32_t enlargement, bool reverse, bool colour, int32_t length, uint8_t* out);
