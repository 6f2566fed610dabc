#include "bar_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

namespace zebi {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    fields.push_back(Trim(line.substr(start, comma - start)));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

enum Column { kBar, kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume1, kVolume2, kColumns };

int ColumnOf(const std::string& header) {
  static const std::map<std::string, int> kNames = {
      {"bar", kBar},           {"date", kDate},          {"time", kTime},
      {"open", kOpen},         {"high", kHigh},          {"low", kLow},
      {"close", kClose},       {"volume", kVolume1},     {"volume1", kVolume1},
      {"volume2", kVolume2},   {"upvolume", kVolume1},   {"downvolume", kVolume2},
      {"up volume", kVolume1}, {"down volume", kVolume2}};
  const auto it = kNames.find(Lower(header));
  return it == kNames.end() ? -1 : it->second;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(out);
}

// Whole digits only, within the 32-bit range.
bool ParseDigits(const std::string& text, int64_t& out) {
  if (text.empty() || text.size() > 9) return false;
  out = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

bool ParseDate(const std::string& text, int32_t& out) {
  std::string digits = text;
  if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
  }
  int64_t v = 0;
  if (digits.size() != 8 || !ParseDigits(digits, v)) return false;
  const int64_t month = v / 100 % 100, day = v % 100;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool ParseTime(const std::string& text, int32_t& out) {
  int64_t h = 0, m = 0, s = 0;
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    if (!ParseDigits(text, h)) return false;
    out = static_cast<int32_t>(h);
    return true;
  }
  const size_t second = text.find(':', colon + 1);
  if (!ParseDigits(text.substr(0, colon), h)) return false;
  if (!ParseDigits(text.substr(colon + 1, second == std::string::npos ? std::string::npos
                                                                      : second - colon - 1),
                   m))
    return false;
  if (second != std::string::npos && !ParseDigits(text.substr(second + 1), s)) return false;
  if (h > 23 || m > 59 || s > 59) return false;
  out = static_cast<int32_t>(second == std::string::npos ? h * 100 + m : h * 10000 + m * 100 + s);
  return true;
}

}  // namespace

BarFileError::BarFileError(const std::string& file, int line, int column, const std::string& what)
    : std::runtime_error(file + ":" + std::to_string(line) +
                         (column > 0 ? ":" + std::to_string(column) : std::string()) + ": " +
                         what) {}

std::vector<Bar> ReadBarFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BarFileError(path, 0, 0, "cannot open the file");
  std::string line;
  int lineNumber = 1;
  if (!std::getline(in, line)) throw BarFileError(path, 1, 0, "the file is empty");
  std::vector<int> where(kColumns, -1);
  const std::vector<std::string> headers = SplitFields(line);
  for (size_t i = 0; i < headers.size(); ++i) {
    const int column = ColumnOf(headers[i]);
    if (column < 0) continue;
    if (where[static_cast<size_t>(column)] >= 0) {
      throw BarFileError(path, 1, static_cast<int>(i) + 1, "column '" + headers[i] + "' repeats");
    }
    where[static_cast<size_t>(column)] = static_cast<int>(i);
  }
  for (int required : {kDate, kOpen, kHigh, kLow, kClose}) {
    if (where[static_cast<size_t>(required)] < 0) {
      static const char* kRequired[] = {"bar", "date", "time", "open", "high", "low", "close"};
      throw BarFileError(path, 1, 0, std::string("no '") + kRequired[required] + "' column");
    }
  }
  std::vector<Bar> bars;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (Trim(line).empty()) continue;
    const std::vector<std::string> fields = SplitFields(line);
    auto field = [&](int column) -> const std::string* {
      const int at = where[static_cast<size_t>(column)];
      if (at < 0) return nullptr;
      if (static_cast<size_t>(at) >= fields.size()) {
        throw BarFileError(path, lineNumber, at + 1,
                           "missing field '" + headers[static_cast<size_t>(at)] + "'");
      }
      return &fields[static_cast<size_t>(at)];
    };
    auto fail = [&](int column, const std::string& what) {
      const int at = where[static_cast<size_t>(column)];
      throw BarFileError(path, lineNumber, at + 1,
                         what + " '" + fields[static_cast<size_t>(at)] + "'");
    };
    Bar bar{};
    bar.number = static_cast<int32_t>(bars.size()) + 1;
    if (const std::string* text = field(kBar)) {
      int64_t n = 0;
      if (!ParseDigits(*text, n)) fail(kBar, "not a bar number:");
      bar.number = static_cast<int32_t>(n);
    }
    if (!ParseDate(*field(kDate), bar.date)) fail(kDate, "not a date (YYYY-MM-DD or YYYYMMDD):");
    if (const std::string* text = field(kTime)) {
      if (!ParseTime(*text, bar.time)) fail(kTime, "not a time (HH:MM[:SS]):");
    }
    const int priceColumns[] = {kOpen, kHigh, kLow, kClose};
    double* prices[] = {&bar.open, &bar.high, &bar.low, &bar.close};
    for (int i = 0; i < 4; ++i) {
      if (!ParseDouble(*field(priceColumns[i]), *prices[i])) fail(priceColumns[i], "not a number:");
    }
    if (const std::string* text = field(kVolume1)) {
      if (!ParseDouble(*text, bar.volume1)) fail(kVolume1, "not a volume:");
    }
    if (const std::string* text = field(kVolume2)) {
      if (!ParseDouble(*text, bar.volume2)) fail(kVolume2, "not a volume:");
    }
    bars.push_back(bar);
  }
  return bars;
}

}  // namespace zebi
