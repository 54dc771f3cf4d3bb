// Hostile and broken input to adihost's readers: DXF drawings whose blocks
// place themselves, that claim absurd counts, hold numbers past the range of
// doubles or are cut short; PNG images that lie about their size. Each ends
// with a reason and the bad-input exit status, or with a job of what can be
// plotted and a note of what could not: never a crash, a hang or an
// allocation the file cannot justify.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "adihost_run.h"
#include "dxf_text.h"
#include "tools/adihost/drawing_writer.h"
#include "tools/adihost/dxf_reader.h"
#include "tools/adihost/raster_file.h"

namespace {

// 48 by 36 inches at the driver's 1016 units to the inch.
constexpr SheetArea kSheet{48, 36, 1016, 1016};

struct Written {
  int32_t read = 0, written = 0;
  std::string error;
  std::vector<Request> requests;
  std::map<std::string, int32_t> notes;
  int32_t Strokes() const {
    int32_t n = 0;
    for (const Request& r : requests) n += r.kind == RequestKind::Move;
    return n;
  }
};

Written Write(const std::string& dxf, double ratio = 0) {
  Written w;
  Drawing drawing;
  w.read = ReadDxfText(dxf, "", drawing, w.error);
  if (w.read < 0) return w;
  w.notes = drawing.unsupported;
  w.written = WriteDrawingRequests(drawing, kSheet, {.ratio = ratio}, w.requests, w.notes, w.error);
  return w;
}

DxfText& Block(DxfText& t, const char* name) {
  return t.Add(0, "BLOCK").Add(8, "0").Add(2, name).Add(70, 0).Add(10, 0.0).Add(20, 0.0);
}
DxfText& Line(DxfText& t, double x1, double y1, double x2, double y2) {
  return t.Entity("LINE").Add(10, x1).Add(20, y1).Add(11, x2).Add(21, y2);
}
DxfText& Insert(DxfText& t, const char* block, int columns = 1, int rows = 1) {
  t.Entity("INSERT").Add(2, block).Add(10, 0.0).Add(20, 0.0);
  if (columns > 1) t.Add(70, columns).Add(44, 10.0);
  if (rows > 1) t.Add(71, rows).Add(45, 10.0);
  return t;
}

TEST(AdihostBadDxf, BlocksPlacedInsideThemselvesAreDrawnOnceAndNoted) {
  // A places B, which places A again; SELF places itself twice.
  DxfText t;
  t.Section("BLOCKS");
  Insert(Line(Block(t, "A"), 0, 0, 10, 0), "B").Add(0, "ENDBLK").Add(8, "0");
  Insert(Line(Block(t, "B"), 0, 5, 10, 5), "A").Add(0, "ENDBLK").Add(8, "0");
  Insert(Insert(Line(Block(t, "SELF"), 0, 9, 10, 9), "SELF"), "SELF").Add(0, "ENDBLK").Add(8, "0");
  t.End().Section("ENTITIES");
  Insert(Insert(Line(t, 0, 0, 0, 20), "A"), "SELF");
  const Written w = Write(t.End().Finish());
  ASSERT_EQ(w.written, 0) << w.error;
  EXPECT_EQ(w.Strokes(), 4);  // the plain line, A's, B's and SELF's
  EXPECT_EQ(w.notes.at("INSERT of a block inside itself"), 3);
}

// The vertices of a polyline on a paper layout (which is not plotted), or
// that stray past the end of their block or into the next one, belong to no
// shape of the drawing: they must not be added to whatever shape was drawn
// last, nor reach past the shapes a block holds.
TEST(AdihostBadDxf, VerticesOfAPolylineLeftOutOrCutOffJoinNoOtherShape) {
  const auto polyline = [](DxfText& t, bool paper) -> DxfText& {
    t.Entity("POLYLINE");
    if (paper) t.Add(67, 1);
    t.Add(66, 1).Add(10, 0.0).Add(20, 0.0).Add(70, 0);
    for (int k = 0; k < 3; ++k) t.Entity("VERTEX").Add(10, 50.0 + k).Add(20, 60.0 + k);
    return t.Entity("SEQEND");
  };
  DxfText paper;
  polyline(Line(paper.Section("ENTITIES"), 0, 0, 10, 0), true);
  Drawing drawing;
  std::string error;
  ASSERT_EQ(ReadDxfText(paper.End().Finish(), "", drawing, error), 0) << error;
  ASSERT_EQ(drawing.shapes.size(), 1u);
  EXPECT_EQ(drawing.shapes[0].vertices.size(), 2u)
      << "the paper polyline's vertices joined the line";
  EXPECT_EQ(drawing.unsupported.at("entity of a paper-space layout"), 1);

  // A model polyline whose vertices come after a block has begun, and a
  // block's polyline whose vertices come after its end.
  for (const bool fromModel : {true, false}) {
    DxfText t;
    if (fromModel) {
      Line(t.Section("ENTITIES"), 0, 0, 10, 0);
      t.Entity("POLYLINE").Add(66, 1).Add(10, 0.0).Add(20, 0.0).Add(70, 0);
      Block(t.End().Section("BLOCKS"), "EMPTY");
    } else {
      Line(Block(t.Section("BLOCKS"), "ONE"), 0, 0, 10, 0);
      t.Entity("POLYLINE").Add(66, 1).Add(10, 0.0).Add(20, 0.0).Add(70, 0);
      t.Add(0, "ENDBLK").Add(8, "0");
    }
    for (int k = 0; k < 3; ++k) t.Entity("VERTEX").Add(10, 50.0 + k).Add(20, 60.0 + k);
    Drawing cut;
    ReadDxfText(t.Entity("SEQEND").End().Finish(), "", cut, error);
    const std::vector<Shape>& shapes = fromModel ? cut.shapes : cut.blocks["ONE"].shapes;
    for (const Shape& s : shapes)
      EXPECT_LE(s.vertices.size(), 2u)
          << (fromModel ? "model" : "block") << ": stray vertices joined";
    for (const Shape& s : cut.blocks["EMPTY"].shapes) EXPECT_TRUE(s.vertices.empty());
  }
}

TEST(AdihostBadDxf, AbsurdCountsAreRefusedBeforeTheyCost) {
  // Arrays of a million million placements, and arrays of arrays.
  DxfText t;
  Line(Block(t.Section("BLOCKS"), "BAR"), 0, 0, 1, 0).Add(0, "ENDBLK").Add(8, "0");
  Insert(Block(t, "GRID"), "BAR", 200, 200).Add(0, "ENDBLK").Add(8, "0");
  DxfText wide = t, nested = t;
  Insert(wide.End().Section("ENTITIES"), "BAR", 1000000, 1000000);
  Insert(nested.End().Section("ENTITIES"), "GRID", 200, 1);
  for (DxfText* dxf : {&wide, &nested}) {
    const Written w = Write(dxf->End().Finish());
    EXPECT_EQ(w.written, -1);
    EXPECT_EQ(w.error.find("the drawing expands to more than 4000000 points"), 0u) << w.error;
  }
  // Counts that ask the reader to make room for more than the file holds.
  const auto refusal = [](DxfText t) { return Write(t.End().Finish()).error; };
  DxfText base;
  base.Section("ENTITIES");
  EXPECT_EQ(refusal(DxfText(base).Entity("LWPOLYLINE").Add(90, 1073741824).Add(10, 0.0)),
            "line 20: LWPOLYLINE claims 1073741824 items, more than the rest of the file holds");
  EXPECT_EQ(refusal(DxfText(base).Entity("SPLINE").Add(71, 3).Add(72, -8)),
            "line 22: SPLINE claims -8 items, more than the rest of the file holds");
  EXPECT_EQ(refusal(DxfText(base).Entity("SPLINE").Add(73, -8).Add(74, 99999999999)),
            "line 20: SPLINE claims -8 items, more than the rest of the file holds");
  // A spline of a degree no drawing uses is noted, not evaluated.
  DxfText high(base);
  high.Entity("SPLINE").Add(71, 1000000).Add(73, 2);
  high.Add(10, 0.0).Add(20, 0.0).Add(10, 1.0).Add(20, 1.0);
  Line(high, 0, 0, 5, 5);
  const Written w = Write(high.End().Finish());
  ASSERT_EQ(w.written, 0) << w.error;
  EXPECT_EQ(w.notes.at("SPLINE of degree above 25 (not plotted)"), 1);
  EXPECT_EQ(w.Strokes(), 1);
}

// dxflib reads group codes and whole numbers with strtol into an int: where
// long is 64 bits wide a number past 32 bits becomes another one, which once
// gave an LWPOLYLINE a billion vertices (a crash) and a line a NaN end. Such
// numbers are refused where they enter, on every build.
TEST(AdihostBadDxf, NumbersPastThirtyTwoBitsAreRefusedNotReadAsOthers) {
  DxfText base;
  base.Section("ENTITIES").Entity("LWPOLYLINE");
  DxfText vertices(base), line(base), count(base);
  vertices.text << "4294967386\n1073741824\n";
  EXPECT_EQ(Write(vertices.Add(10, 0.0).Add(20, 0.0).End().Finish()).error,
            "line 19: group code out of range: '4294967386'");
  line.text << "-4294967286\nnan\n";
  EXPECT_EQ(Write(line.End().Finish()).error, "line 19: group code out of range: '-4294967286'");
  EXPECT_EQ(Write(count.Add(90, "4294967298").End().Finish()).error,
            "line 20: whole number out of range: '4294967298'");
  DxfText flags(base);
  EXPECT_EQ(Write(flags.Add(90, "2").Add(70, "-2147483649").End().Finish()).error,
            "line 22: whole number out of range: '-2147483649'");
  // The largest that fit are numbers as before.
  DxfText largest(base);
  largest.Add(90, "1").Add(70, "2147483647").Add(10, 0.0).Add(20, 0.0);
  EXPECT_EQ(Write(Line(largest, 0, 0, 1, 1).End().Finish()).error, "");
}

TEST(AdihostBadDxf, NumbersPastTheRangeOfDoublesAreRefusedAndHugeOnesPlotted) {
  for (const char* bad : {"inf", "-INF", "nan", "1e400", "", "x"}) {
    DxfText t;
    t.Section("ENTITIES").Entity("LINE").Add(10, 0.0).Add(20, bad).Add(11, 1.0).Add(21, 1.0);
    EXPECT_EQ(Write(t.End().Finish()).error,
              "line 22: not a finite number: '" + std::string(bad) + "'");
  }
  // A blank where a whole number belongs, and a hatch's arc edge without its
  // radius: dxflib would hand over values it never set.
  DxfText blank;
  blank.Section("ENTITIES").Entity("LINE").Add(62, "").Add(10, 0.0);
  EXPECT_EQ(Write(blank.End().Finish()).error, "line 20: not a whole number: ''");
  DxfText arc;
  arc.Section("ENTITIES").Entity("HATCH").Add(2, "SOLID").Add(70, 1).Add(91, 1);
  arc.Add(92, 1).Add(93, 1).Add(72, 2).Add(10, 0.0).Add(20, 0.0).Add(50, 0.0).Add(51, 90.0);
  arc.Add(73, 1).Add(97, 0);
  EXPECT_EQ(Write(arc.End().Finish()).error, "line 42: HATCH edge without its group 40");
  // Far apart but within range: fitted, both ends on the sheet's edges.
  DxfText far;
  Line(far.Section("ENTITIES"), -1e300, -1e300, 1e300, 1e300);
  Written w = Write(far.End().Finish());
  ASSERT_EQ(w.written, 0) << w.error;
  ASSERT_EQ(w.Strokes(), 1);
  // At 1:1 most of it lies off the sheet: clipped and said so.
  w = Write(far.Finish(), 1);
  ASSERT_EQ(w.written, 0) << w.error;
  EXPECT_EQ(w.notes.at("shapes outside the sheet (clipped)"), 1);
  // Ends whose distance, or whose scaled place, is past the range of doubles.
  DxfText wide, scaled;
  Line(wide.Section("ENTITIES"), -1.7e308, 0, 1.7e308, 0);
  Line(Block(scaled.Section("BLOCKS"), "B"), 0, 0, 1e300, 1e300).Add(0, "ENDBLK").Add(8, "0");
  scaled.End().Section("ENTITIES").Entity("INSERT").Add(2, "B").Add(10, 0.0).Add(20, 0.0);
  scaled.Add(41, 1e300).Add(42, 1e300);
  for (DxfText* dxf : {&wide, &scaled}) {
    w = Write(dxf->End().Finish());
    EXPECT_EQ(w.written, -1);
    EXPECT_EQ(w.error, "the drawing's extent is beyond the range of numbers");
  }
}

TEST(AdihostBadDxf, AFileCutAnywhereIsRefusedWithAReason) {
  const std::string whole = ReadFile(std::string(TRNKV_SOURCE_DIR) + "/examples/sample/sample.dxf");
  ASSERT_EQ(whole.substr(whole.size() - 6), "0\nEOF\n");
  for (size_t cut = 0; cut + 1 < whole.size(); ++cut) {
    const Written w = Write(whole.substr(0, cut));
    EXPECT_EQ(w.read, -1) << "cut at " << cut;
    EXPECT_FALSE(w.error.empty()) << "cut at " << cut;
  }
  EXPECT_EQ(Write(whole).written, 0);
}

// The CRC-32 of PNG chunks (and of zlib), bit by bit.
uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320 & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string BigEndian(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// A checked-in 16 x 8 bilevel PNG with the size in its header replaced and
// the header's check sum mended, so that only the size lies.
std::string PngClaiming(uint32_t width, uint32_t height) {
  std::string png = ReadFile(std::string(TRNKV_SOURCE_DIR) + "/tests/fuzz/corpus/png/bilevel.png");
  png.replace(16, 8, BigEndian(width) + BigEndian(height));
  png.replace(29, 4, BigEndian(Crc32(png.substr(12, 17))));
  return png;
}

using AdihostBadInput = AdihostFolder;

TEST_F(AdihostBadInput, PngImagesThatLieAboutTheirSizeAreRefusedBeforeAllocating) {
  const std::string png = PngClaiming(16, 8);
  const size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const struct {
    std::string bytes, reason;
  } lies[] = {
      {PngClaiming(100000, 100000),
       "a PNG image of 100000 x 100000 pixels is larger than adihost reads"},
      {PngClaiming(8000, 8000), "a PNG image of 8000 x 8000 pixels cannot fit in 237 bytes"},
      {PngClaiming(2147483647, 1), "not a valid PNG image (Invalid IHDR data)"},
      {png.substr(0, idat + 10), "not a valid PNG image (truncated file)"},
  };
  for (const auto& lie : lies) {
    Write("lie.png", lie.bytes);
    Write("lie.req", "move 0 0\ndraw 100 100\nimage 0 0 2000 2000 lie.png\n");
    const HostRun r = Adihost("-o lie.plt lie.req");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("adihost: lie.png: " + lie.reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(Path("lie.plt")).good());
  }
  // The image as it stands is read.
  RasterPixels pixels;
  std::string error;
  EXPECT_EQ(ReadPngBytes(reinterpret_cast<const uint8_t*>(png.data()), png.size(), pixels, error),
            0)
      << error;
  EXPECT_EQ(pixels.width * pixels.height, 128);
}

// A little-endian TIFF of 8-bit grey rows, one strip, whose header claims
// `samples` samples a pixel; its data holds one byte a pixel, uncompressed
// (compression 1) or said to be in PackBits (32773), which libtiff does not
// cut into smaller strips.
std::string TiffClaiming(uint16_t width, uint16_t height, uint16_t samples, uint16_t compression) {
  const auto le16 = [](uint32_t v) { return std::string{char(v), char(v >> 8)}; };
  const auto le32 = [&](uint32_t v) { return le16(v) + le16(v >> 16); };
  const uint32_t data = 8 + 2 + 9 * 12 + 4;
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    return le16(tag) + le16(type) + le32(1) + (type == 3 ? le16(value) + le16(0) : le32(value));
  };
  std::string tiff = "II*" + std::string(1, '\0') + le32(8) + le16(9);
  tiff += entry(256, 3, width) + entry(257, 3, height) + entry(258, 3, 8) +
          entry(259, 3, compression) + entry(262, 3, 1) + entry(273, 4, data) +
          entry(277, 3, samples) + entry(278, 3, height) + entry(279, 4, uint32_t{width} * height);
  return tiff + le32(0) + std::string(size_t{width} * height, '\x80');
}

// A 248-byte TIFF once made libtiff ask for 3.3 GB: a few pixels, but 65535
// samples each in a strip as long as the image.
TEST(AdihostBadTiff, StripsThatClaimGigabytesAreRefusedBeforeTheyAreRead) {
  RasterPixels pixels;
  std::string error;
  // Where libtiff's sizes are 32-bit, such a strip's size overflows and
  // libtiff refuses the file itself.
  const std::string refusal =
      sizeof(size_t) >= 8 ? "a TIFF image whose strips claim 3313449600 bytes (536870912 at most)"
                          : "not a valid TIFF image (Cannot handle zero strip size)";
  const std::string huge = TiffClaiming(4, 12640, 65535, 32773);
  EXPECT_EQ(
      ReadTiffBytes(reinterpret_cast<const uint8_t*>(huge.data()), huge.size(), pixels, error), -1);
  EXPECT_EQ(error, refusal);
  // The same image with one sample a pixel is read.
  const std::string grey = TiffClaiming(4, 12640, 1, 1);
  error.clear();
  ASSERT_EQ(
      ReadTiffBytes(reinterpret_cast<const uint8_t*>(grey.data()), grey.size(), pixels, error), 0)
      << error;
  EXPECT_EQ(pixels.width * pixels.height, 4 * 12640);
  EXPECT_EQ(pixels.data[0], 0x80);
  // The file the fuzz target found.
  const std::string found =
      ReadFile(std::string(TRNKV_SOURCE_DIR) +
               "/tests/fuzz/regressions/png/tiff-strip-of-65535-samples-a-pixel");
  EXPECT_EQ(
      ReadTiffBytes(reinterpret_cast<const uint8_t*>(found.data()), found.size(), pixels, error),
      -1);
  EXPECT_EQ(error, refusal);
}

TEST_F(AdihostBadInput, HostileDrawingsEndWithTheBadInputStatusOrAJobAndANote) {
  DxfText cycle;
  Insert(Line(Block(cycle.Section("BLOCKS"), "A"), 0, 0, 10, 0), "A").Add(0, "ENDBLK").Add(8, "0");
  Insert(Line(cycle.End().Section("ENTITIES"), 0, 0, 0, 10), "A");
  Write("cycle.dxf", cycle.End().Finish());
  HostRun r = Adihost("-o cycle.plt cycle.dxf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(
      r.err.find("adihost: cycle.dxf: not plotted as drawn: INSERT of a block inside itself: 1\n"),
      std::string::npos)
      << r.err;
  EXPECT_GT(ReadFile(Path("cycle.plt")).size(), 0u);

  DxfText huge;
  Line(Block(huge.Section("BLOCKS"), "B"), 0, 0, 1, 1).Add(0, "ENDBLK").Add(8, "0");
  Insert(huge.End().Section("ENTITIES"), "B", 30000, 30000);
  Write("huge.dxf", huge.End().Finish());
  r = Adihost("-o huge.plt huge.dxf");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("adihost: huge.dxf: the drawing expands to more than 4000000 points"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(std::ifstream(Path("huge.plt")).good());

  const std::string whole = cycle.Finish();
  Write("cut.dxf", whole.substr(0, whole.size() / 2));
  r = Adihost("-o cut.plt cut.dxf");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "adihost: cut.dxf: no end-of-file marker (truncated file?)\n");
}

}  // namespace
