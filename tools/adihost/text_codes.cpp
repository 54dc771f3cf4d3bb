#include "tools/adihost/text_codes.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "tools/adihost/fonts.h"

namespace {

constexpr char32_t kDegree = 0xB0, kPlusMinus = 0xB1, kDiameter = 0x2300;

// The code pages drawings name and iconv's names for them; others are read
// as Windows-1252.
struct CodePage {
  std::string_view drawing, iconv;
};
constexpr CodePage kCodePages[] = {
    {"ANSI_874", "CP874"},       {"ANSI_932", "CP932"},       {"ANSI_936", "GBK"},
    {"ANSI_949", "CP949"},       {"ANSI_950", "BIG5"},        {"ANSI_1250", "CP1250"},
    {"ANSI_1251", "CP1251"},     {"ANSI_1252", "CP1252"},     {"ANSI_1253", "CP1253"},
    {"ANSI_1254", "CP1254"},     {"ANSI_1255", "CP1255"},     {"ANSI_1256", "CP1256"},
    {"ANSI_1257", "CP1257"},     {"ANSI_1258", "CP1258"},     {"DOS437", "CP437"},
    {"DOS850", "CP850"},         {"DOS852", "CP852"},         {"DOS866", "CP866"},
    {"ISO8859-1", "ISO-8859-1"}, {"ISO8859-2", "ISO-8859-2"}, {"ISO8859-15", "ISO-8859-15"}};
// \M+n: the code page of a two-byte character by n.
constexpr std::string_view kMultiByteCodePages[] = {"CP932", "BIG5", "CP949", "JOHAB", "GBK"};

std::string_view IconvName(const std::string& codePage) {
  for (const CodePage& c : kCodePages)
    if (c.drawing == codePage) return c.iconv;
  return "CP1252";
}

// Bytes in a code page as characters; a byte sequence the code page lacks
// becomes a question mark.
std::u32string FromCodePage(const std::string& bytes, std::string_view codePage) {
  std::u32string out;
  iconv_t cd = iconv_open("UTF-32LE", std::string(codePage).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (unsigned char c : bytes) out.push_back(c);
    return out;
  }
  std::string in = bytes;
  char* inPtr = in.data();
  size_t inLeft = in.size();
  while (inLeft > 0) {
    char32_t buffer[256];
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const size_t count = (sizeof buffer - outLeft) / sizeof(char32_t);
    out.append(buffer, count);
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      out.push_back(U'?');
      ++inPtr, --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

bool FromUtf8(const std::string& bytes, std::u32string& out) {
  out.clear();
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = bytes[i];
    const int32_t extra = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : -1;
    if (extra < 0 || i + extra > bytes.size() - 1) return false;
    char32_t code = extra == 0 ? c : c & (0x3F >> extra);
    for (int32_t k = 1; k <= extra; ++k) {
      const unsigned char next = bytes[i + k];
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    out.push_back(code);
    i += extra + 1;
  }
  return true;
}

int32_t HexDigit(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int32_t>(c - 'A' + 10);
  return -1;
}

// Four hexadecimal digits at `at`, or -1.
int32_t Hex4(const std::u32string& text, size_t at) {
  if (at + 4 > text.size()) return -1;
  int32_t value = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int32_t d = HexDigit(text[i]);
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

// A code every text takes at `i`: how many characters it spans (0 when none
// starts there) and the character it stands for (0 for one that draws
// nothing, such as the underline switch).
size_t CommonCode(const std::u32string& text, size_t i, const TextSettings& settings,
                  char32_t& code) {
  code = 0;
  if (text.compare(i, 2, U"%%") == 0 && i + 2 < text.size()) {
    const char32_t c = text[i + 2] | 0x20;
    if (c == 'd') return code = kDegree, 3;
    if (c == 'p') return code = kPlusMinus, 3;
    if (c == 'c') return code = kDiameter, 3;
    if (c == 'u' || c == 'o' || c == 'k') return 3;
    if (text[i + 2] == '%') return code = '%', 3;
    size_t end = i + 2;
    int32_t number = 0;
    while (end < text.size() && end < i + 5 && text[end] >= '0' && text[end] <= '9')
      number = number * 10 + static_cast<int32_t>(text[end++] - '0');
    if (end == i + 2 || number > 255) return 0;
    const std::u32string c32 =
        FromCodePage(std::string(1, static_cast<char>(number)), IconvName(settings.codePage));
    code = c32.empty() ? U'?' : c32[0];
    return end - i;
  }
  if (text[i] != '\\' || i + 2 >= text.size() || text[i + 2] != '+') return 0;
  if ((text[i + 1] | 0x20) == 'u') {
    const int32_t value = Hex4(text, i + 3);
    if (value < 0) return 0;
    code = static_cast<char32_t>(value);
    return 7;
  }
  if ((text[i + 1] | 0x20) == 'm' && i + 3 < text.size() && text[i + 3] >= '1' &&
      text[i + 3] <= '5') {
    const int32_t value = Hex4(text, i + 4);
    if (value < 0) return 0;
    const std::string bytes{static_cast<char>(value >> 8), static_cast<char>(value & 255)};
    const std::u32string c32 = FromCodePage(bytes, kMultiByteCodePages[text[i + 3] - '1']);
    code = c32.size() == 1 ? c32[0] : U'?';
    return 8;
  }
  return 0;
}

std::string Narrow(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// A formatting code's value: its text up to the semicolon.
std::u32string Parameter(const std::u32string& text, size_t& i) {
  const size_t end = text.find(';', i);
  const size_t stop = end == std::u32string::npos ? text.size() : end;
  std::u32string value = text.substr(i, stop - i);
  i = stop;
  return value;
}

// \H and \W: an absolute value, or a factor of the current one with an x.
double Scaled(const std::u32string& value, double current) {
  const std::string text = Narrow(value);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !(v > 0) || v > 1e6) return current;
  return (*end | 0x20) == 'x' ? current * v : v;
}

// \f family|b1|i0|...; or \F file;
int32_t FontCode(const std::u32string& value, bool family, int32_t current) {
  const std::string text = Narrow(value);
  const std::string name = text.substr(0, text.find('|'));
  if (name.empty()) return current;
  const bool bold = text.find("|b1") != std::string::npos;
  const bool italic = text.find("|i1") != std::string::npos;
  const bool trueType = family || text.find('|') != std::string::npos;
  const int32_t font = trueType ? FontFor("", name, bold, italic) : FontFor(name, "", false, false);
  return font >= 0 ? font : current;
}

void ApplyFormat(char32_t letter, const std::u32string& value, TextFormat& f) {
  switch (letter) {
    case 'H':
      f.height = Scaled(value, f.height);
      break;
    case 'W':
      f.widthFactor = std::min(100.0, Scaled(value, f.widthFactor));
      break;
    case 'T':
      f.tracking = std::clamp(Scaled(value, f.tracking), 0.75, 4.0);
      break;
    case 'Q':
      f.oblique = std::clamp(std::strtod(Narrow(value).c_str(), nullptr), -85.0, 85.0);
      break;
    case 'F':
    case 'f':
      f.font = FontCode(value, letter == 'f', f.font);
      break;
    default:
      break;  // colour, alignment, indents: nothing to draw differently
  }
}

// \S upper^lower; (or / or #): the parts, split at the first unescaped mark.
TextItem Stack(const std::u32string& value, const TextFormat& format) {
  TextItem item;
  item.kind = TextItemKind::Stack;
  item.format = format;
  std::u32string* part = &item.upper;
  for (size_t i = 0; i < value.size(); ++i) {
    const char32_t c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      part->push_back(value[++i]);
    } else if (part == &item.upper && (c == '^' || c == '/' || c == '#')) {
      item.stacking = c;
      part = &item.lower;
    } else {
      part->push_back(c);
    }
  }
  return item;
}

}  // namespace

std::u32string DecodeFileText(const std::string& bytes, const TextSettings& settings) {
  std::u32string text;
  const bool utf8 = settings.version.empty() || settings.version >= "AC1021";
  if (utf8 && FromUtf8(bytes, text)) return text;
  return FromCodePage(bytes, IconvName(settings.codePage));
}

std::u32string ReadLineCodes(const std::u32string& text, const TextSettings& settings) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    char32_t code = 0;
    if (const size_t span = CommonCode(text, i, settings, code)) {
      if (code != 0) out.push_back(code);
      i += span;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::vector<TextItem> ReadMTextCodes(const std::u32string& text, const TextFormat& base,
                                     const TextSettings& settings) {
  std::vector<TextItem> items;
  std::vector<TextFormat> groups;
  TextFormat f = base;
  const auto add = [&](TextItemKind kind, char32_t code) {
    TextItem item;
    item.kind = kind, item.code = code, item.format = f;
    items.push_back(std::move(item));
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    char32_t code = 0;
    if (const size_t span = CommonCode(text, i, settings, code)) {
      if (code != 0) add(TextItemKind::Character, code);
      i += span - 1;
    } else if (c == '{') {
      if (groups.size() < 64) groups.push_back(f);
    } else if (c == '}') {
      if (!groups.empty()) f = groups.back(), groups.pop_back();
    } else if (c == '^' && i + 1 < text.size()) {
      const char32_t next = text[++i];
      if (next == 'I')
        add(TextItemKind::Tab, 0);
      else if (next == 'J')
        add(TextItemKind::Paragraph, 0);
      else if (next == ' ')
        add(TextItemKind::Character, '^');
    } else if (c != '\\' || i + 1 >= text.size()) {
      if (c == '\t')
        add(TextItemKind::Tab, 0);
      else if (c >= 0x20)
        add(TextItemKind::Character, c);
    } else {
      const char32_t letter = text[++i];
      if (letter == 'P' || letter == 'N' || letter == 'X') {
        add(TextItemKind::Paragraph, 0);
      } else if (letter == '~') {
        add(TextItemKind::Character, 0xA0);
      } else if (letter == '\\' || letter == '{' || letter == '}') {
        add(TextItemKind::Character, letter);
      } else if (letter == 'S') {
        ++i;
        items.push_back(Stack(Parameter(text, i), f));
      } else if (std::u32string_view(U"HWQTFfACcp").find(letter) != std::u32string_view::npos) {
        ++i;
        ApplyFormat(letter, Parameter(text, i), f);
      }
      // Any other letter (underline, overline, strike-through) switches
      // something this host does not draw.
    }
  }
  return items;
}
