#pragma once
// Text entities and text styles read from their own groups, as the reader's
// first pass walks the file. An MTEXT or ATTRIB saved by current CAD programs
// carries an embedded object after group 101 that repeats the groups 10, 11,
// 40, 41 and others with other meanings; only the entity's own groups, those
// before it (and before any extended data), are read.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

// TEXT, ATTRIB and ATTDEF (one line), or MTEXT (a block of paragraphs).
struct TextEntity {
  std::string kind;
  std::string text;  // in the file's encoding, codes not yet read
  std::string style = "STANDARD";
  std::string tag;  // ATTDEF: the attribute's name, drawn where no block holds it
  Point insert, align;
  bool hasAlign = false;
  double height = 0;
  double widthFactor = 0;  // 0: the style's
  double rotation = 0;     // degrees
  double oblique = 0;      // degrees
  bool hasOblique = false;
  int32_t generation = -1;  // 2 backwards, 4 upside down; -1: the style's
  int32_t horizontal = 0;   // 0 left, 1 centre, 2 right, 3 aligned, 4 middle, 5 fit
  int32_t vertical = 0;     // 0 baseline, 1 bottom, 2 middle, 3 top
  int32_t flags = 0;        // attributes: 1 invisible, 2 constant
  // MTEXT: the reference width (wrapping), attachment 1..9, direction.
  double width = 0, lineSpacing = 1;
  int32_t attachment = 1;
  Point direction;
  bool hasDirection = false;
  // ATTDEF, which dxflib does not hand over: where it stands and its style.
  std::string block;  // the block defining it; empty in model space
  Style look;
  bool paperSpace = false, mirrored = false;
};

struct TextStyle {
  std::string font = "txt", family;
  double fixedHeight = 0, widthFactor = 1, oblique = 0;
  int32_t generation = 0;
  bool bold = false, italic = false;
};

// What the texts need from the whole file.
struct TextSettings {
  std::map<std::string, TextStyle> styles;  // by upper-case name
  std::string codePage = "ANSI_1252";       // of texts from files before UTF-8
  std::string version;                      // $ACADVER: AC1021 on, texts are UTF-8
};

// Fed every group of the file in order.
struct TextReader {
  TextSettings settings;
  std::map<std::string, std::deque<TextEntity>> entities;  // by kind, in file order

  void Feed(const std::string& section, int32_t code, const std::string& value);
  void Finish();

 private:
  std::string variable, current, block, app, styleName;
  TextStyle pendingStyle;
  TextEntity* entity = nullptr;
  TextStyle* style = nullptr;
  bool ownGroups = false;
  void Start(const std::string& section, const std::string& kind);
  void Entity(int32_t code, const std::string& value);
  void StyleGroup(int32_t code, const std::string& value);
};
