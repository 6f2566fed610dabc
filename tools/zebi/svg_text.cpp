#include "svg_text.h"

#include <cmath>
#include <cstdio>

namespace zebi {

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char ch = static_cast<unsigned char>(c);
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters are not allowed in XML 1.0.
        if (ch >= 0x20 || ch == '\t' || ch == '\n') out += static_cast<char>(ch);
    }
  }
  return out;
}

std::string Px(double value) {
  if (!std::isfinite(value)) value = 0.0;
  if (value > 1e6) value = 1e6;
  if (value < -1e6) value = -1e6;
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.1f", value);
  return buffer;
}

}  // namespace zebi
