#pragma once
// A text's characters and formatting as the file stores them: the file's
// encoding (UTF-8, or the drawing's code page for files before UTF-8), the
// control codes every text takes (%%d degree, %%p plus-minus, %%c diameter,
// %%nnn, \U+xxxx, \M+nxxxx) and MTEXT's formatting codes: paragraph breaks,
// groups in braces, height, width, oblique, tracking, font and stacking are
// honoured; the others (colour, underline, alignment, indents ...) are
// skipped.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/text_entity.h"

// The formatting in force at a character: height in drawing units, width
// factor, oblique angle in degrees, spacing factor and the font.
struct TextFormat {
  double height = 1, widthFactor = 1, oblique = 0, tracking = 1;
  int32_t font = -1;
};

enum class TextItemKind { Character, Paragraph, Tab, Stack };

struct TextItem {
  TextItemKind kind = TextItemKind::Character;
  char32_t code = 0;
  TextFormat format;
  // A stack: the upper and lower parts, and how they stand ('/' over a bar,
  // '^' without one, '#' side by side with a slash).
  std::u32string upper, lower;
  char32_t stacking = '/';
};

// The file's bytes as characters: UTF-8 where the file's version (or, with
// none, the text itself) says so, else the drawing's code page.
std::u32string DecodeFileText(const std::string& bytes, const TextSettings& settings);

// The characters of a one-line text (TEXT, ATTRIB, ATTDEF) with its codes read.
std::u32string ReadLineCodes(const std::u32string& text, const TextSettings& settings);

// An MTEXT's content, starting from the entity's own formatting.
std::vector<TextItem> ReadMTextCodes(const std::u32string& text, const TextFormat& base,
                                     const TextSettings& settings);
