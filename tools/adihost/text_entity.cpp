#include "tools/adihost/text_entity.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

double Real(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  return std::strtod(text.c_str(), nullptr);
}

int32_t Whole(const std::string& text) {
  const long v = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long>(v, INT32_MIN, INT32_MAX));
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void TextReader::Start(const std::string& section, const std::string& kind) {
  entity = nullptr;
  style = nullptr;
  app.clear();
  current = kind;
  if (kind == "ENDBLK") block.clear();
  if (section == "TABLES" && kind == "STYLE") {
    pendingStyle = TextStyle{};
    styleName.clear();
    style = &pendingStyle;
    return;
  }
  if (section != "ENTITIES" && section != "BLOCKS") return;
  if (kind != "TEXT" && kind != "MTEXT" && kind != "ATTRIB" && kind != "ATTDEF") return;
  entities[kind].emplace_back();
  entity = &entities[kind].back();
  entity->kind = kind;
  entity->block = block;
  ownGroups = true;
}

void TextReader::Feed(const std::string& section, int32_t code, const std::string& value) {
  if (code == 0) {
    Finish();
    Start(section, value);
    return;
  }
  if (section == "HEADER") {
    if (code == 9) variable = value;
    if (variable == "$ACADVER" && code == 1) settings.version = value;
    if (variable == "$DWGCODEPAGE" && code == 3) settings.codePage = Upper(value);
    return;
  }
  if (current == "BLOCK" && code == 2) block = value;
  if (style != nullptr) return StyleGroup(code, value);
  if (entity == nullptr) return;
  // The entity's own groups end where an embedded object or extended data begins.
  if (code == 101 || code == 1001) ownGroups = false;
  if (ownGroups) Entity(code, value);
}

void TextReader::Entity(int32_t code, const std::string& value) {
  TextEntity& e = *entity;
  const bool mtext = e.kind == "MTEXT", attribute = e.kind == "ATTRIB" || e.kind == "ATTDEF";
  switch (code) {
    case 1:
      e.text += value;
      break;
    case 3:
      if (mtext) e.text += value;
      break;
    case 2:
      e.tag = value;
      break;
    case 7:
      e.style = Upper(value);
      break;
    case 8:
      e.look.layer = value;
      break;
    case 6:
      e.look.linetype = Upper(value);
      break;
    case 62:
      e.look.colour = Whole(value);
      break;
    case 370:
      e.look.weight = Whole(value);
      break;
    case 67:
      e.paperSpace = Whole(value) == 1;
      break;
    case 230:
      e.mirrored = Real(value) < 0;
      break;
    case 10:
      e.insert.x = Real(value);
      break;
    case 20:
      e.insert.y = Real(value);
      break;
    case 11:
      mtext ? (e.direction.x = Real(value)) : (e.align.x = Real(value));
      break;
    case 21:
      mtext ? (e.direction.y = Real(value)) : (e.align.y = Real(value));
      break;
    case 40:
      e.height = Real(value);
      break;
    case 41:
      mtext ? (e.width = Real(value)) : (e.widthFactor = Real(value));
      break;
    case 44:
      e.lineSpacing = Real(value);
      break;
    case 50:
      e.rotation = Real(value);
      break;
    case 51:
      e.oblique = Real(value), e.hasOblique = true;
      break;
    case 70:
      e.flags = Whole(value);
      break;
    case 71:
      mtext ? (e.attachment = Whole(value)) : (e.generation = Whole(value));
      break;
    case 72:
      if (!mtext) e.horizontal = Whole(value);
      break;
    case 73:
      if (!mtext && !attribute) e.vertical = Whole(value);
      break;
    case 74:
      if (attribute) e.vertical = Whole(value);
      break;
    default:
      break;
  }
  if (code == 11 || code == 21) (mtext ? e.hasDirection : e.hasAlign) = true;
}

void TextReader::StyleGroup(int32_t code, const std::string& value) {
  TextStyle& s = *style;
  switch (code) {
    case 2:
      styleName = Upper(value);
      break;
    case 3:
      s.font = value;
      break;
    case 40:
      s.fixedHeight = Real(value);
      break;
    case 41:
      s.widthFactor = Real(value);
      break;
    case 50:
      s.oblique = Real(value);
      break;
    case 71:
      s.generation = Whole(value);
      break;
    case 1001:
      app = value;
      break;
    case 1000:
      if (app == "ACAD") s.family = value;
      break;
    // The family's bold and italic, from the same extended data.
    case 1071:
      if (app == "ACAD")
        s.italic = (Whole(value) & 0x1000000) != 0, s.bold = (Whole(value) & 0x2000000) != 0;
      break;
    default:
      break;
  }
}

void TextReader::Finish() {
  if (style != nullptr && !styleName.empty()) settings.styles[styleName] = *style;
  style = nullptr;
  entity = nullptr;
}
