#pragma once
// DXF files for the tests, written group by group.
#include <sstream>
#include <string>

// A DXF file built from group code / value pairs.
class DxfText {
 public:
  DxfText() { Add(0, "SECTION").Add(2, "HEADER").Add(9, "$INSUNITS").Add(70, 4).Add(0, "ENDSEC"); }
  // A copy goes on from where the original stands.
  DxfText(const DxfText& other) { text << other.text.str(); }
  DxfText& Add(int code, const std::string& value) {
    text << code << "\n" << value << "\n";
    return *this;
  }
  DxfText& Add(int code, double value) {
    std::ostringstream v;
    v.precision(17);
    v << value;
    return Add(code, v.str());
  }
  DxfText& Section(const char* name) { return Add(0, "SECTION").Add(2, name); }
  DxfText& End() { return Add(0, "ENDSEC"); }
  // A point at the origin pins the drawing's lower left corner there.
  DxfText& Entity(const char* kind, const std::string& layer = "0") {
    return Add(0, kind).Add(8, layer);
  }
  std::string Finish() { return text.str() + "0\nEOF\n"; }
  std::ostringstream text;
};
