#include "tools/adihost/text_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "tools/adihost/fonts.h"
#include "tools/adihost/text_codes.h"

namespace {

// A one-line text aligned at its bottom has its descenders, a third of its
// height below the baseline, there.
constexpr double kDescent = 1.0 / 3;
// MTEXT lines: baseline to baseline, in heights of the line's tallest capitals.
constexpr double kLinePitch = 5.0 / 3;
// Tab stops, in text units; the parts of a stack, as a share of the height.
constexpr double kTabStop = 4;
constexpr double kStackSize = 0.6;
constexpr double kMaxOblique = 85;

// The entity's own height, width factor, slant and font, its style's where
// it gives none.
struct Base {
  double height = 0, widthFactor = 1, oblique = 0;
  int32_t font = -1, generation = 0;
};

Base BaseOf(const TextEntity& e, const TextSettings& settings) {
  static const TextStyle kStandard;
  const auto found = settings.styles.find(e.style);
  const TextStyle& style = found == settings.styles.end() ? kStandard : found->second;
  Base b;
  b.height = e.height > 0 ? e.height : style.fixedHeight;
  b.widthFactor = e.widthFactor > 0 ? e.widthFactor : style.widthFactor;
  if (!(b.widthFactor > 0.01) || b.widthFactor > 100) b.widthFactor = 1;
  b.oblique = std::clamp(e.hasOblique ? e.oblique : style.oblique, -kMaxOblique, kMaxOblique);
  b.generation = e.generation >= 0 ? e.generation : style.generation;
  b.font = FontFor(style.font, style.family, style.bold, style.italic);
  return b;
}

void SetFrame(Shape& shape, Point origin, double radians, const Base& b) {
  const double dx = std::cos(radians), dy = std::sin(radians);
  const double slant = std::tan(b.oblique * std::numbers::pi / 180);
  const double across = (b.generation & 2) != 0 ? -1 : 1, up = (b.generation & 4) != 0 ? -1 : 1;
  shape.kind = ShapeKind::Text;
  shape.centre = origin;
  shape.u = {b.height * b.widthFactor * dx * across, b.height * b.widthFactor * dy * across};
  shape.v = {b.height * (slant * dx - dy) * up, b.height * (slant * dy + dx) * up};
}

bool Blank(char32_t c) {
  return c == ' ' || c == 0xA0 || c < 0x20;
}

// A one-line text, placed at its alignment point (or between its two).
int32_t LayOutLine(const TextEntity& e, const TextSettings& settings, const std::u32string& text,
                   Shape& shape) {
  Base b = BaseOf(e, settings);
  if (b.font < 0) return kNoFont;
  if (!(b.height > 0)) return -1;
  double x = 0;
  for (char32_t c : ReadLineCodes(text, settings)) {
    if (c < 0x20) continue;
    if (!Blank(c)) shape.glyphs.push_back({b.font, c, x, 0, 1, 1, 0});
    x += FontAdvance(b.font, c);
  }
  const double length = x;
  Point origin = e.insert;
  double radians = e.rotation * std::numbers::pi / 180, dx = 0, dy = 0;
  const double span = std::hypot(e.align.x - e.insert.x, e.align.y - e.insert.y);
  if ((e.horizontal == 3 || e.horizontal == 5) && e.hasAlign && span > 0 && length > 0) {
    // Aligned: the height follows the span; fitted: only the width does.
    const double k = span / (length * b.height * b.widthFactor);
    (e.horizontal == 3 ? b.height : b.widthFactor) *= k;
    radians = std::atan2(e.align.y - e.insert.y, e.align.x - e.insert.x);
  } else if (e.horizontal != 0 || e.vertical != 0) {
    origin = e.hasAlign ? e.align : e.insert;
    dx = e.horizontal == 1 || e.horizontal == 4 ? -length / 2 : e.horizontal == 2 ? -length : 0;
    dy = e.horizontal == 4 || e.vertical == 2 ? -0.5
         : e.vertical == 1                    ? kDescent
         : e.vertical == 3                    ? -1
                                              : 0;
  }
  for (PlacedGlyph& g : shape.glyphs) g.x += dx, g.y += dy;
  SetFrame(shape, origin, radians, b);
  return 0;
}

// MTEXT: words of glyphs, filled into lines.
struct Word {
  std::vector<PlacedGlyph> glyphs;
  double width = 0, tallest = 0, spaceBefore = 0;
  bool tab = false;
};
struct Line {
  std::vector<PlacedGlyph> glyphs;
  double width = 0, tallest = 0;
};

// A glyph in a format, against the entity's own.
PlacedGlyph Place(const Base& b, const TextFormat& f, char32_t code, double x, double y,
                  double size) {
  const double slant =
      std::tan(std::clamp(f.oblique, -kMaxOblique, kMaxOblique) * std::numbers::pi / 180) -
      std::tan(b.oblique * std::numbers::pi / 180);
  return {
      f.font, code, x, y, size * f.widthFactor / b.widthFactor, size, size * slant / b.widthFactor};
}

// Appends a run of characters to a word at height `y`; returns its advance.
double AddRun(const Base& b, const TextFormat& f, const std::u32string& run, double x, double y,
              double size, Word& word) {
  const double start = x;
  for (char32_t c : run) {
    PlacedGlyph g = Place(b, f, c, x, y, size);
    if (!Blank(c)) word.glyphs.push_back(g);
    x += FontAdvance(f.font, c) * g.width * f.tracking;
  }
  return x - start;
}

void AddStack(const Base& b, const TextItem& item, Word& word) {
  const double s = item.format.height / b.height, part = s * kStackSize;
  const double x = word.width;
  if (item.stacking == '#') {
    word.width += AddRun(b, item.format, item.upper, x, 0.4 * s, part, word);
    word.width += AddRun(b, item.format, U"/", word.width, 0, s, word);
    word.width += AddRun(b, item.format, item.lower, word.width, 0, part, word);
  } else {
    Word upper, lower;
    const bool bar = item.stacking == '/';
    const double wu = AddRun(b, item.format, item.upper, 0, bar ? 0.62 * s : 0.5 * s, part, upper);
    const double wl =
        AddRun(b, item.format, item.lower, 0, bar ? -0.35 * s : -0.3 * s, part, lower);
    const double width = std::max(wu, wl);
    for (Word* w : {&upper, &lower})
      for (PlacedGlyph g : w->glyphs) {
        g.x += x + (bar ? (width - (w == &upper ? wu : wl)) / 2 : 0);
        word.glyphs.push_back(g);
      }
    if (bar && width > 0) word.glyphs.push_back({-1, kRuleCode, x, 0.45 * s, width, 1, 0});
    word.width += width;
  }
  word.tallest = std::max(word.tallest, s);
}

// The paragraphs' words, filled into lines no wider than `wrap` where the
// words allow it.
std::vector<Line> FillLines(const Base& b, const std::vector<TextItem>& items, double wrap) {
  std::vector<Line> lines(1);
  Word word;
  double x = 0, pendingSpace = 0;
  const auto place = [&] {
    if (word.glyphs.empty() && word.width == 0) return;
    double start = x + pendingSpace;
    if (!lines.back().glyphs.empty() && start + word.width > wrap) {
      lines.emplace_back();
      start = 0;
    }
    Line& line = lines.back();
    for (PlacedGlyph g : word.glyphs) g.x += start, line.glyphs.push_back(g);
    x = start + word.width;
    line.width = x;
    line.tallest = std::max(line.tallest, word.tallest);
    word = Word{};
    pendingSpace = 0;
  };
  for (const TextItem& item : items) {
    const double s = item.format.height / b.height;
    if (item.kind == TextItemKind::Paragraph) {
      place();
      lines.emplace_back();
      x = 0;
    } else if (item.kind == TextItemKind::Tab) {
      place();
      pendingSpace = (std::floor((x + pendingSpace) / kTabStop) + 1) * kTabStop - x;
    } else if (item.kind == TextItemKind::Stack) {
      AddStack(b, item, word);
    } else if (item.code == ' ') {
      place();
      pendingSpace += AddRun(b, item.format, U" ", 0, 0, s, word);
    } else {
      word.width += AddRun(b, item.format, std::u32string(1, item.code), word.width, 0, s, word);
      word.tallest = std::max(word.tallest, s);
    }
  }
  place();
  return lines;
}

int32_t LayOutBlock(const TextEntity& e, const TextSettings& settings, const std::u32string& text,
                    Shape& shape) {
  const Base b = BaseOf(e, settings);
  if (b.font < 0) return kNoFont;
  if (!(b.height > 0)) return -1;
  const TextFormat base{b.height, b.widthFactor, b.oblique, 1, b.font};
  const double wrap =
      e.width > 0 ? e.width / (b.height * b.widthFactor) : std::numeric_limits<double>::infinity();
  std::vector<Line> lines = FillLines(b, ReadMTextCodes(text, base, settings), wrap);
  const double spacing = std::clamp(e.lineSpacing, 0.25, 4.0);
  const int32_t attachment = std::clamp(e.attachment, 1, 9);
  const int32_t column = (attachment - 1) % 3, row = (attachment - 1) / 3;
  double y = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const double tallest = lines[i].tallest > 0 ? lines[i].tallest : 1;
    y -= i == 0 ? tallest : kLinePitch * spacing * tallest;
    const double dx = -lines[i].width * column / 2;
    for (PlacedGlyph& g : lines[i].glyphs) g.x += dx, g.y += y;
  }
  // The block stands at its attachment point by its own extent: from the top
  // of the first line's capitals to the last line's baseline.
  const double dy = -y * row / 2;
  for (const Line& line : lines)
    for (PlacedGlyph g : line.glyphs) g.y += dy, shape.glyphs.push_back(g);
  const double radians = e.hasDirection && (e.direction.x != 0 || e.direction.y != 0)
                             ? std::atan2(e.direction.y, e.direction.x)
                             : e.rotation * std::numbers::pi / 180;
  Base frame = b;
  frame.generation = 0;
  SetFrame(shape, e.insert, radians, frame);
  return 0;
}

}  // namespace

int32_t LayOutText(const TextEntity& text, const TextSettings& settings, Shape& shape) {
  shape.glyphs.clear();
  const bool attribute = text.kind == "ATTRIB" || text.kind == "ATTDEF";
  if (attribute && (text.flags & 1) != 0) return -1;
  std::string content = text.text;
  // A definition shows its name where no block holds it, and only its
  // constant value inside one (the placed attributes show the others).
  if (text.kind == "ATTDEF") {
    if (!text.block.empty() && (text.flags & 2) == 0) return -1;
    if (text.block.empty()) content = text.tag;
  }
  const std::u32string characters = DecodeFileText(content, settings);
  if (text.kind == "MTEXT") return LayOutBlock(text, settings, characters, shape);
  return LayOutLine(text, settings, characters, shape);
}
