#include "tools/adihost/host_text.h"

#include <cstdint>
#include <cstdio>

std::string Visible(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == 0x1B) {
      out += "\\e";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 && c != '\n') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
