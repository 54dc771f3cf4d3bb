#include "platform/dialog_script.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

// Unicode code points of Windows-1252's bytes 0x80..0x9F; 0 where the code
// page has none. Every other byte is the code point of the same value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::array<std::string_view, 6> kTemplateNames = {"DRIVERCFG2_POR", "DETAILCFG2_POR",
                                                            "OPTIONCFG1_POR", "OPTIONCFG2_POR",
                                                            "DRV_VER_POR",    "IDD_COLOR_POR"};

struct NamedButton {
  std::string_view name;
  int32_t id;
};
constexpr std::array<NamedButton, 4> kNamedButtons = {
    {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDYES", 6}, {"IDNO", 7}}};

struct VerbSpelling {
  std::string_view word;
  ScriptVerb verb;
};
constexpr std::array<VerbSpelling, 10> kVerbs = {{{"select", ScriptVerb::Select},
                                                  {"type", ScriptVerb::Type},
                                                  {"leave", ScriptVerb::Leave},
                                                  {"click", ScriptVerb::Click},
                                                  {"arrow", ScriptVerb::Arrow},
                                                  {"esc", ScriptVerb::Esc},
                                                  {"enter", ScriptVerb::Enter},
                                                  {"drag", ScriptVerb::Drag},
                                                  {"answer", ScriptVerb::Answer},
                                                  {"picture", ScriptVerb::Picture}}};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Splits off the next blank-separated token; `rest` keeps what follows it.
std::string_view NextToken(std::string_view& rest) {
  size_t start = 0;
  while (start < rest.size() && IsBlank(rest[start])) ++start;
  size_t end = start;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  const std::string_view token = rest.substr(start, end - start);
  rest.remove_prefix(end);
  return token;
}

bool ParseInteger(std::string_view token, int32_t& value) {
  if (token.empty()) return false;
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool ParseControl(std::string_view token, int32_t& id) {
  for (const NamedButton& b : kNamedButtons)
    if (token == b.name && b.id <= 2) return id = b.id, true;
  return ParseInteger(token, id) && id >= 0 && id <= 0xFFFF;
}

// Reads the action's operands; false when they do not fit its verb.
bool ParseOperands(ScriptAction& a, std::string_view rest) {
  auto control = [&] { return ParseControl(NextToken(rest), a.id); };
  auto done = [&] { return NextToken(rest).empty(); };
  switch (a.verb) {
    case ScriptVerb::Select:
      return control() && ParseInteger(NextToken(rest), a.values[0]) && a.values[0] >= 0 && done();
    case ScriptVerb::Picture:
      a.text = std::string(NextToken(rest));
      return !a.text.empty() && done();
    case ScriptVerb::Type: {
      if (!control()) return false;
      // The text is the rest of the line behind one separating blank.
      if (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
      while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
      a.text = Utf8ToWindows1252(rest);
      return true;
    }
    case ScriptVerb::Leave:
    case ScriptVerb::Click:
      return control() && done();
    case ScriptVerb::Arrow: {
      if (!control()) return false;
      const std::string_view way = NextToken(rest);
      a.values[0] = way == "up" ? 1 : way == "down" ? -1 : 0;
      return a.values[0] != 0 && done();
    }
    case ScriptVerb::Esc:
    case ScriptVerb::Enter:
      return done();
    case ScriptVerb::Drag:
      if (!control()) return false;
      for (int32_t& v : a.values)
        if (!ParseInteger(NextToken(rest), v) || v < -32768 || v > 65535) return false;
      return done();
    case ScriptVerb::Answer: {
      const std::string_view name = NextToken(rest);
      for (const NamedButton& b : kNamedButtons)
        if (name == b.name) a.id = b.id;
      return a.id != 0 && done();
    }
  }
  return false;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char ToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c && c != 0) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

bool IsDialogTemplateName(std::string_view name) {
  for (std::string_view n : kTemplateNames)
    if (n == name) return true;
  return false;
}

const char* ScriptVerbName(ScriptVerb verb) {
  for (const VerbSpelling& v : kVerbs)
    if (v.verb == verb) return v.word.data();
  return "?";
}

std::string Utf8ToWindows1252(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int32_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (int32_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = c << 6 | (next & 0x3F);
    }
    // An overlong form could smuggle a line break or a NUL into a typed
    // text; like a surrogate or a value past Unicode, it is no character.
    constexpr char32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kShortest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    out += valid ? ToWindows1252(c) : '?';
    i += valid ? length : 1;
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : b;
    AppendUtf8(out, c != 0 ? c : U'?');
  }
  return out;
}

DialogScript ParseDialogScript(std::string_view text) {
  DialogScript script;
  auto fail = [&](int32_t line, const char* what, std::string_view got) {
    char message[200];
    std::snprintf(message, sizeof message, "line %d: %s: %.*s", line, what,
                  static_cast<int>(got.size() > 60 ? 60 : got.size()), got.data());
    script.errors.emplace_back(message);
  };
  bool inSkippedSection = false;
  int32_t number = 0;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++number;
    std::string_view rest = line;
    const std::string_view word = NextToken(rest);
    if (word.empty() || word.front() == '#') continue;
    if (word == "dialog") {
      const std::string_view name = NextToken(rest);
      inSkippedSection = !IsDialogTemplateName(name) || !NextToken(rest).empty();
      if (inSkippedSection) {
        fail(number, "unknown dialog", line);
        continue;
      }
      script.sections.push_back({std::string(name), {}, number});
      continue;
    }
    ScriptAction action{};
    action.line = number;
    bool known = false;
    for (const VerbSpelling& v : kVerbs)
      if (word == v.word) action.verb = v.verb, known = true;
    if (!known) {
      fail(number, "unknown action", line);
    } else if (!ParseOperands(action, rest)) {
      fail(number, "malformed action", line);
    } else if (script.sections.empty()) {
      fail(number, "action before any dialog line", line);
    } else if (!inSkippedSection) {
      script.sections.back().actions.push_back(std::move(action));
    }
  }
  return script;
}
