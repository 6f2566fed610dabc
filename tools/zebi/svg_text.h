#pragma once

#include <string>

namespace zebi {

// Text made safe for XML character data and attribute values.
std::string XmlEscape(const std::string& text);

// A coordinate with one decimal, kept within a range any renderer accepts.
std::string Px(double value);

}  // namespace zebi
