// Whole HP-GL/2 jobs read back by hp2xx, a reader no one here wrote: random
// drawings go through the host's whole conversation, the HP-GL/2 part of the
// job is cut out of its PJL wrapper and raster blocks, and what hp2xx draws of
// it must be every requested segment, in the requested place.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "tools/host/image_host.h"

namespace {

struct Point {
  double x, y;
};
struct Segment {
  Point a, b;
};

double Cross(Point u, Point v) {
  return u.x * v.y - u.y * v.x;
}
double Dot(Point u, Point v) {
  return u.x * v.x + u.y * v.y;
}
Point Minus(Point p, Point q) {
  return {p.x - q.x, p.y - q.y};
}
double Length(Point u) {
  return std::hypot(u.x, u.y);
}
double DistanceToLine(Point p, const Segment& s) {
  const Point d = Minus(s.b, s.a);
  return std::fabs(Cross(d, Minus(p, s.a))) / Length(d);
}

struct Box {
  double left = 1e30, bottom = 1e30, right = -1e30, top = -1e30;
  void Add(Point p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    bottom = std::min(bottom, p.y);
    top = std::max(top, p.y);
  }
};

// ---- The drawing ---------------------------------------------------------

// What the host asked to be drawn, in plotter units (one host unit each on the
// default sheet).
struct Drawing {
  std::vector<Segment> segments;
  int32_t fills = 0, images = 0;
};

// Random requests, seeded. A reader splits dashed lines into pieces and the
// check joins them again, so consecutive segments never continue one another
// in a straight line, every segment is long enough for a dash, and the dotted
// line type, whose pieces have no direction, is left out.
class RandomPlot {
 public:
  RandomPlot(const DriverLink& d, uint32_t seed) : d_(d), seed_(seed) {}

  Drawing Run(int32_t requests) {
    BeginPlot(d_);
    SetLineTypeCount(d_, 8);
    MoveTo(d_, 1000, 1000);
    pen_ = {1000, 1000};
    // Moves alone open a polyline but not the plot: an image may come next.
    if (Next(2) == 0) {
      if (Next(2) == 0) LiftPen(d_);
      Image();
    }
    for (int32_t i = 0; i < requests; ++i) {
      const uint32_t kind = Next(100);
      if (kind < 15) {
        Move();
      } else if (kind < 60) {
        Draw();
      } else if (kind < 68) {
        LiftPen(d_);
      } else if (kind < 74) {
        SelectPen(d_, static_cast<uint16_t>(Next(256)));
      } else if (kind < 80) {
        constexpr uint16_t kTypes[] = {0, 2, 3, 4, 5, 6, 7, 8, 9};
        SelectLineType(d_, kTypes[Next(9)]);
      } else if (kind < 85) {
        SetPenWidth(d_, Next(60) / 1000.0);
      } else if (kind < 96) {
        Fill();
      } else {
        Image();
      }
    }
    EndPlot(d_);
    return drawing_;
  }

 private:
  uint32_t Next(uint32_t range) {
    seed_ = seed_ * 1664525u + 1013904223u;
    return (seed_ >> 12) % range;
  }
  Point RandomPoint() {
    return {static_cast<double>(500 + Next(30000)), static_cast<double>(500 + Next(30000))};
  }

  // A segment from `from` to `to` whose pieces the reader cannot run into
  // those of the segment drawn before it: it starts off that one's line, or
  // turns away from it by more than ten degrees.
  static bool Distinct(const std::optional<Segment>& before, Point from, Point to) {
    const Point step = Minus(to, from);
    if (Length(step) < 200) return false;
    if (!before || DistanceToLine(from, *before) > 30) return true;
    const Point line = Minus(before->b, before->a);
    return std::fabs(Cross(line, step)) / (Length(line) * Length(step)) > 0.18;
  }
  Point DistinctPoint(Point from) {
    for (;;) {
      const Point p = RandomPoint();
      if (Distinct(last_, from, p)) return p;
    }
  }
  void Add(Point from, Point to) {
    drawing_.segments.push_back({from, to});
    last_ = Segment{from, to};
  }

  void Move() {
    pen_ = RandomPoint();
    MoveTo(d_, Coordinate(pen_.x), Coordinate(pen_.y));
  }
  void Draw() {
    const Point to = DistinctPoint(pen_);
    DrawTo(d_, Coordinate(to.x), Coordinate(to.y));
    Add(pen_, to);
    pen_ = to;
  }
  // A fill leaves the pen on its first vertex.
  void Fill() {
    const int32_t count = 3 + static_cast<int32_t>(Next(3));
    std::vector<Point> v;
    for (bool usable = false; !usable;) {
      v = {RandomPoint()};
      std::optional<Segment> before = last_;
      usable = true;
      for (int32_t i = 1; i <= count && usable; ++i) {
        const Point from = v.back();
        const Point to = i < count ? RandomPoint() : v[0];
        usable = Distinct(before, from, to);
        before = Segment{from, to};
        if (i < count) v.push_back(to);
      }
    }
    std::vector<uint16_t> xy;
    for (const Point& p : v) {
      xy.push_back(Coordinate(p.x));
      xy.push_back(Coordinate(p.y));
    }
    const int16_t pen = static_cast<int16_t>(Next(256));
    if (Next(2) == 0) {
      FillPolygon(d_, pen, xy);
    } else {
      FillPolygonAt(d_, pen, xy);
    }
    for (int32_t i = 0; i < count; ++i) Add(v[i], v[(i + 1) % count]);
    pen_ = v[0];
    ++drawing_.fills;
  }
  // A small image; its raster goes to the host between the vector requests.
  void Image() {
    const Point at = RandomPoint();
    const int32_t x1 = Coordinate(at.x), y1 = Coordinate(at.y);
    SendImage(d_, {.x1 = x1,
                   .y1 = y1,
                   .x2 = x1 + 200 + static_cast<int32_t>(Next(400)),
                   .y2 = y1 + 200 + static_cast<int32_t>(Next(400)),
                   .w = 24,
                   .h = 16,
                   .transparent = static_cast<int16_t>(Next(2))});
    ++drawing_.images;
  }
  static uint16_t Coordinate(double v) { return static_cast<uint16_t>(v); }

  const DriverLink& d_;
  uint32_t seed_;
  Point pen_{0, 0};
  std::optional<Segment> last_;
  Drawing drawing_;
};

// ---- The job --------------------------------------------------------------

// Skips one HP RTL block that starts at `at` (just behind "\e%1A"); returns
// where HP-GL/2 resumes, behind "\e%0B", or npos when the block never ends.
size_t SkipRaster(const std::string& job, size_t at) {
  while (at < job.size()) {
    if (job[at] != '\x1b' || at + 2 >= job.size()) return std::string::npos;
    const char family = job[at + 1];
    if (family == '%') {
      if (job.compare(at, 4, "\x1b%0B") == 0) return at + 4;
      return std::string::npos;
    }
    // "\e" family group, then value and letter pairs up to an upper-case one;
    // "W" carries that many data bytes.
    size_t p = at + 3;
    for (;;) {
      size_t digits = p;
      while (digits < job.size() && (std::isdigit(static_cast<unsigned char>(job[digits])) ||
                                     job[digits] == '-' || job[digits] == '+'))
        ++digits;
      if (digits >= job.size()) return std::string::npos;
      const long value = digits > p ? std::strtol(job.c_str() + p, nullptr, 10) : 0;
      const char letter = job[digits];
      p = digits + 1;
      if (letter == 'W' || letter == 'w') p += static_cast<size_t>(value);
      if (std::isupper(static_cast<unsigned char>(letter))) break;
    }
    at = p;
  }
  return std::string::npos;
}

// The HP-GL/2 of a job: from the language switch behind the PJL lines to the
// job's closing escape, raster blocks cut out. Any other escape is a stray
// byte in the plot and fails the test.
std::string HpglPart(const std::string& job) {
  const std::string enter = "@PJL ENTER LANGUAGE=HPGL2\r\n\x1b%0B";
  const size_t from = job.find(enter);
  const size_t to = job.rfind("\x1b%-12345X");
  if (from == std::string::npos || to == std::string::npos || to < from) {
    ADD_FAILURE() << "no HP-GL/2 job";
    return "";
  }
  std::string hpgl;
  for (size_t at = from + enter.size(); at < to;) {
    const size_t escape = job.find('\x1b', at);
    if (escape >= to) {
      hpgl.append(job, at, to - at);
      break;
    }
    hpgl.append(job, at, escape - at);
    if (job.compare(escape, 4, "\x1b%1A") != 0) {
      ADD_FAILURE() << "stray escape in the HP-GL/2 at " << escape;
      return hpgl;
    }
    at = SkipRaster(job, escape + 4);
    if (at == std::string::npos || at > to) {
      ADD_FAILURE() << "a raster block without its end at " << escape;
      return hpgl;
    }
  }
  return hpgl;
}

// ---- The reader -----------------------------------------------------------

// What hp2xx reports while it reads: no data it could not make sense of, and
// no instruction left aside but those of the job that it does not implement.
void ExpectCleanReading(const std::string& report) {
  const size_t error = report.find("error");
  EXPECT_EQ(error, std::string::npos) << report.substr(error > 300 ? error - 300 : 0, 400);
  EXPECT_NE(report.find("Unexpected event(s):  0\n"), std::string::npos);
  const std::string ignored = ": ignored";
  for (size_t at = report.find(ignored); at != std::string::npos;
       at = report.find(ignored, at + 1)) {
    const std::string mnemonic = at >= 2 ? report.substr(at - 2, 2) : "";
    EXPECT_TRUE(mnemonic == "MT" || mnemonic == "XF" || mnemonic == "RF" || mnemonic == "TR")
        << mnemonic << " ignored";
  }
}

// hp2xx's own HP-GL, in true plotter units, polygons outlined instead of
// filled: "PU x,y", "PD x,y" (either with more pairs, or none) and other
// instructions, separated by ";".
std::vector<Segment> ReadBack(const std::string& hpgl, const std::string& name) {
  // Other test runs on the machine read their own jobs at the same time.
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / (name + "." + std::to_string(getpid()));
  const std::string in = base.string() + ".hpgl";
  const std::string out = base.string() + ".out";
  const std::string log = base.string() + ".log";
  std::ofstream(in, std::ios::binary) << hpgl;
  const std::string command = std::string(HP2XX_PROGRAM) + " -t -n -m hpgl -l " + log + " -f " +
                              out + " " + in + " </dev/null >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::stringstream text, report;
  text << std::ifstream(out, std::ios::binary).rdbuf();
  report << std::ifstream(log, std::ios::binary).rdbuf();
  for (const std::string& file : {in, out, log}) std::filesystem::remove(file);
  ExpectCleanReading(report.str());

  std::vector<Segment> pieces;
  Point pen{0, 0};
  std::string item;
  while (std::getline(text, item, ';')) {
    if (item.size() < 2 || (item.compare(0, 2, "PU") != 0 && item.compare(0, 2, "PD") != 0))
      continue;
    const bool down = item[1] == 'D';
    std::vector<double> numbers;
    std::stringstream values(item.substr(2));
    std::string number;
    while (std::getline(values, number, ',')) numbers.push_back(std::atof(number.c_str()));
    for (size_t i = 0; i + 1 < numbers.size(); i += 2) {
      const Point to{numbers[i], numbers[i + 1]};
      if (down) pieces.push_back({pen, to});
      pen = to;
    }
  }
  return pieces;
}

// Joins the reader's pieces into the segments they were cut from: a piece
// that lies on the line of the segment being built and carries on in its
// direction (dashes, and the one-unit marks the reader draws for dots).
std::vector<Segment> JoinPieces(const std::vector<Segment>& pieces) {
  constexpr double kTolerance = 1.5;
  std::vector<Segment> joined;
  for (const Segment& piece : pieces) {
    if (!joined.empty()) {
      Segment& s = joined.back();
      const Point direction = Minus(s.b, s.a);
      const double length = Length(direction);
      const bool continues =
          length > kTolerance ? DistanceToLine(piece.a, s) <= kTolerance &&
                                    DistanceToLine(piece.b, s) <= kTolerance &&
                                    Dot(Minus(piece.a, s.b), direction) / length >= -kTolerance &&
                                    Dot(Minus(piece.b, piece.a), direction) / length >= -kTolerance
                              : Length(Minus(piece.a, s.b)) <= kTolerance;
      if (continues) {
        // A dash carries the line on (the reader's numbers are single
        // precision: the longer the base, the truer the line); a dot, drawn
        // one unit wide across the line, only lengthens it.
        const double along = Dot(Minus(piece.b, s.a), direction) / length;
        if (length <= kTolerance || Length(Minus(piece.b, piece.a)) > kTolerance) {
          if (length <= kTolerance || along > length) s.b = piece.b;
        } else if (along > length) {
          s.b = {s.a.x + direction.x * along / length, s.a.y + direction.y * along / length};
        }
        continue;
      }
    }
    joined.push_back(piece);
  }
  return joined;
}

Box BoxOf(const std::vector<Segment>& segments) {
  Box box;
  for (const Segment& s : segments) {
    box.Add(s.a);
    box.Add(s.b);
  }
  return box;
}

// ---- The tests ------------------------------------------------------------

struct Job {
  std::string bytes;
  Drawing drawing;
};

Job PlotRandomDrawing(uint32_t seed, bool eightBit, bool halftone) {
  const DriverLink d = ResetDriver();
  ResetImageHost();
  ConfigRecord record{};
  SetConfigDefaults(record, 0);
  record.plotFlags = static_cast<uint16_t>((eightBit ? kPlotEightBitEncoding : 0) |
                                           (halftone ? kPlotHalftoneFill : 0));
  record.jobFlags = kJob400Dpi;
  uint8_t bytes[40];
  std::memcpy(bytes, &record, sizeof bytes);
  StoreRecord(bytes);
  RunHandshake(d);
  RunDrawingStart(d);
  Job job;
  job.drawing = RandomPlot(d, seed).Run(400);
  job.bytes = hostLog.output;
  return job;
}

TEST(HpglReader, DrawsEverySegmentOfRandomDrawingsInBothEncodings) {
  for (const bool eightBit : {false, true}) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      SCOPED_TRACE(testing::Message() << (eightBit ? "eight" : "seven") << "-bit, seed " << seed);
      const Job job = PlotRandomDrawing(seed, eightBit, seed % 2 == 0);
      ASSERT_TRUE(job.drawing.fills > 0 && job.drawing.images > 0);
      const std::string hpgl = HpglPart(job.bytes);
      ASSERT_FALSE(hpgl.empty());
      const std::vector<Segment> drawn = JoinPieces(
          ReadBack(hpgl, "hpgl_reader_" + std::to_string(seed) + (eightBit ? "e" : "s")));
      ASSERT_EQ(drawn.size(), job.drawing.segments.size());
      // In the requested order and place: the reader keeps the order of the
      // job, and its numbers are single precision.
      for (size_t i = 0; i < drawn.size(); ++i) {
        const Segment &got = drawn[i], &want = job.drawing.segments[i];
        ASSERT_TRUE(Length(Minus(got.a, want.a)) < 2 && Length(Minus(got.b, want.b)) < 2)
            << "segment " << i << ": (" << got.a.x << "," << got.a.y << ")-(" << got.b.x << ","
            << got.b.y << "), requested (" << want.a.x << "," << want.a.y << ")-(" << want.b.x
            << "," << want.b.y << ")";
      }
      const Box expected = BoxOf(job.drawing.segments), got = BoxOf(drawn);
      EXPECT_NEAR(got.left, expected.left, 1.5);
      EXPECT_NEAR(got.bottom, expected.bottom, 1.5);
      EXPECT_NEAR(got.right, expected.right, 1.5);
      EXPECT_NEAR(got.top, expected.top, 1.5);
    }
  }
}

}  // namespace
