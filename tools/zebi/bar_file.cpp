#include "bar_file.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace zebi {
namespace {

struct Field {
  std::string text;
  int column;  // 1-based position of the field's first character
};

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

char SeparatorOf(const std::string& header) {
  for (char c : {',', ';', '\t'}) {
    if (header.find(c) != std::string::npos) return c;
  }
  return ',';
}

std::vector<Field> SplitFields(const std::string& line, char separator) {
  std::vector<Field> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(separator, start);
    std::string raw =
        line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t lead = raw.find_first_not_of(" \t");
    std::string text = Trim(raw);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = Trim(text.substr(1, text.size() - 2));
    }
    fields.push_back({text, static_cast<int>(start + (lead == std::string::npos ? 0 : lead)) + 1});
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

enum Column { kBar, kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kVolume1, kVolume2, kCount };
const char* const kColumnNames[] = {"bar", "date",  "time",   "open",    "high",
                                    "low", "close", "volume", "volume1", "volume2"};

// Header text folded to lower case without blanks, '_' or '-'.
std::string Fold(const std::string& header) {
  std::string out;
  for (char c : header) {
    if (c == ' ' || c == '_' || c == '-' || c == '\t') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

int ColumnOf(const std::string& header) {
  static const std::map<std::string, int> kNames = {
      {"bar", kBar},          {"barnumber", kBar},
      {"date", kDate},        {"datetime", kDate},
      {"timestamp", kDate},   {"time", kTime},
      {"open", kOpen},        {"high", kHigh},
      {"low", kLow},          {"close", kClose},
      {"volume", kVolume},    {"vol", kVolume},
      {"volume1", kVolume1},  {"volume2", kVolume2},
      {"upvolume", kVolume1}, {"downvolume", kVolume2},
      {"upvol", kVolume1},    {"downvol", kVolume2},
      {"up", kVolume1},       {"down", kVolume2}};
  const auto it = kNames.find(Fold(header));
  return it == kNames.end() ? -1 : it->second;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(out);
}

// Unsigned decimal digits only, at most nine of them (fits in 32 bits).
bool ParseDigits(const std::string& text, int32_t& out) {
  if (text.empty() || text.size() > 9) return false;
  out = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

bool ParseBarNumber(const std::string& text, int32_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE) return false;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool ParseDate(const std::string& text, int32_t& out) {
  std::string digits = text;
  if (text.size() == 10 && (text[4] == '-' || text[4] == '/') && text[7] == text[4]) {
    digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
  }
  int32_t v = 0;
  if (digits.size() != 8 || !ParseDigits(digits, v)) return false;
  const int32_t month = v / 100 % 100, day = v % 100;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  out = v;
  return true;
}

// HHMM or HHMMSS as digits only, the way integer times are usually stored:
// up to four digits are hours and minutes (0 is midnight, 30 is 00:30).
bool ParseDigitTime(const std::string& text, int32_t& out) {
  int32_t v = 0;
  if (text.size() > 6 || !ParseDigits(text, v)) return false;
  const bool seconds = text.size() > 4;
  const int32_t hm = seconds ? v / 100 : v;
  if (hm / 100 > 23 || hm % 100 > 59 || (seconds && v % 100 > 59)) return false;
  out = v;
  return true;
}

bool ParseTime(const std::string& text, int32_t& out) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return ParseDigitTime(text, out);
  const size_t second = text.find(':', colon + 1);
  int32_t h = 0, m = 0, s = 0;
  const std::string minutes =
      text.substr(colon + 1, second == std::string::npos ? std::string::npos : second - colon - 1);
  if (colon == 0 || colon > 2 || !ParseDigits(text.substr(0, colon), h)) return false;
  if (minutes.size() != 2 || !ParseDigits(minutes, m)) return false;
  if (second != std::string::npos &&
      (text.size() - second - 1 != 2 || !ParseDigits(text.substr(second + 1), s))) {
    return false;
  }
  if (h > 23 || m > 59 || s > 59) return false;
  out = second == std::string::npos ? h * 100 + m : h * 10000 + m * 100 + s;
  return true;
}

}  // namespace

// Reads the data lines once the header has fixed where each column lies.
class BarReader::Rows {
 public:
  Rows(const std::string& name, const std::vector<Field>& header, char separator)
      : name_(name), header_(header), separator_(separator) {
    where_.assign(kCount, -1);
    for (size_t i = 0; i < header.size(); ++i) {
      const int column = ColumnOf(header[i].text);
      if (column < 0) continue;
      int& slot = where_[static_cast<size_t>(column)];
      if (slot >= 0) {
        throw InputError(
            name, 1, header[i].column,
            "column '" + header[i].text + "' names '" + kColumnNames[column] + "' a second time");
      }
      slot = static_cast<int>(i);
    }
    for (int required : {kDate, kOpen, kHigh, kLow, kClose}) {
      if (Has(required)) continue;
      throw InputError(name, 1, 0,
                       std::string("the header has no '") + kColumnNames[required] +
                           "' column (found: " + HeaderList() + ")");
    }
    if (Has(kVolume) && (Has(kVolume1) || Has(kVolume2))) {
      throw InputError(name, 1, header[static_cast<size_t>(where_[kVolume])].column,
                       "give either one volume column or volume1/volume2, not both");
    }
  }

  Bar Read(const std::string& line, int lineNumber, int32_t defaultNumber) {
    fields_ = SplitFields(line, separator_);
    line_ = lineNumber;
    if (fields_.size() > header_.size()) {
      throw InputError(name_, line_, fields_[header_.size()].column,
                       "more fields (" + std::to_string(fields_.size()) +
                           ") than the header has (" + std::to_string(header_.size()) + ")");
    }
    Bar bar;
    bar.number = defaultNumber;
    if (Has(kBar) && !ParseBarNumber(Text(kBar), bar.number)) Fail(kBar, "is not a bar number");
    std::string date = Text(kDate);
    std::string timeInDate;
    const size_t split = date.find_first_of(" T");
    if (!Has(kTime) && split != std::string::npos) {
      timeInDate = Trim(date.substr(split + 1));
      date = date.substr(0, split);
    }
    if (!ParseDate(date, bar.date)) Fail(kDate, "is not a date (YYYY-MM-DD or YYYYMMDD)");
    if (!timeInDate.empty() && !ParseTime(timeInDate, bar.time)) {
      Fail(kDate, "does not end in a time (HH:MM or HH:MM:SS)");
    }
    if (Has(kTime) && !ParseTime(Text(kTime), bar.time)) {
      Fail(kTime, "is not a time (HH:MM, HH:MM:SS, HHMM or HHMMSS)");
    }
    Number(kOpen, bar.open);
    Number(kHigh, bar.high);
    Number(kLow, bar.low);
    Number(kClose, bar.close);
    Number(kVolume, bar.volume1);
    Number(kVolume1, bar.volume1);
    Number(kVolume2, bar.volume2);
    return bar;
  }

  bool Has(int column) const { return where_[static_cast<size_t>(column)] >= 0; }
  int VolumeColumns() const {
    return Has(kVolume) ? 1 : (Has(kVolume1) ? 1 : 0) + (Has(kVolume2) ? 1 : 0);
  }
  bool HasBarNumbers() const { return Has(kBar); }
  const std::string& Name() const { return name_; }

 private:
  const std::string& Text(int column) const {
    const size_t at = static_cast<size_t>(where_[static_cast<size_t>(column)]);
    if (at >= fields_.size()) {
      const int end = fields_.back().column + static_cast<int>(fields_.back().text.size());
      throw InputError(name_, line_, end,
                       "the line ends before the '" + header_[at].text + "' field");
    }
    return fields_[at].text;
  }

  void Number(int column, double& out) const {
    if (Has(column) && !ParseDouble(Text(column), out)) Fail(column, "is not a finite number");
  }

  [[noreturn]] void Fail(int column, const std::string& what) const {
    const Field& field = fields_[static_cast<size_t>(where_[static_cast<size_t>(column)])];
    throw InputError(name_, line_, field.column,
                     std::string(kColumnNames[column]) + " '" + field.text + "' " + what);
  }

  std::string HeaderList() const {
    std::string out;
    for (const Field& f : header_) out += (out.empty() ? "" : ", ") + f.text;
    return out;
  }

  std::string name_;
  std::vector<Field> header_;
  char separator_;
  std::vector<int> where_;
  std::vector<Field> fields_;
  int line_ = 0;
};

InputError::InputError(const std::string& file, int line, int column, const std::string& what)
    : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) +
                         (column > 0 ? ":" + std::to_string(column) : std::string()) + ": " +
                         what) {}

BarReader::BarReader(std::istream& in, const std::string& name) : in_(in) {
  std::string line;
  if (!std::getline(in, line) || Trim(line).empty()) {
    throw InputError(name, 1, 0, "no header line (expected e.g. date,time,open,high,low,close)");
  }
  bytes_ = line.size() + 1;
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // byte order mark
  const char separator = SeparatorOf(line);
  rows_ = std::make_unique<Rows>(name, SplitFields(line, separator), separator);
}

BarReader::~BarReader() = default;

bool BarReader::Next(Bar& bar) {
  std::string line;
  while (std::getline(in_, line)) {
    ++line_;
    bytes_ += line.size() + 1;
    if (Trim(line).empty()) continue;
    bar = rows_->Read(line, line_, ++count_);
    return true;
  }
  if (count_ == 0) throw InputError(Name(), line_, 0, "no bars after the header");
  return false;
}

const std::string& BarReader::Name() const {
  return rows_->Name();
}
int BarReader::Line() const {
  return line_;
}
unsigned long long BarReader::BytesRead() const {
  return bytes_;
}
bool BarReader::HasBarNumbers() const {
  return rows_->HasBarNumbers();
}
int BarReader::VolumeColumns() const {
  return rows_->VolumeColumns();
}

std::vector<Bar> ReadBars(std::istream& in, const std::string& name) {
  BarReader reader(in, name);
  std::vector<Bar> bars;
  Bar bar;
  while (reader.Next(bar)) bars.push_back(bar);
  return bars;
}

void OpenBarFile(std::ifstream& in, const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw InputError(path, 0, 0, std::string("cannot read: ") + std::strerror(EISDIR));
  }
  errno = 0;
  in.open(path, std::ios::binary);
  if (!in) {
    throw InputError(path, 0, 0,
                     std::string("cannot open: ") + std::strerror(errno ? errno : ENOENT));
  }
}

std::vector<Bar> ReadBarFile(const std::string& path) {
  std::ifstream in;
  OpenBarFile(in, path);
  return ReadBars(in, path);
}

}  // namespace zebi
