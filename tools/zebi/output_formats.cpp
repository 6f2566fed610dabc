#include "output_formats.h"

#include <cmath>
#include <stdexcept>

#include "format_number.h"

namespace zebi {
namespace {

std::vector<std::string> HeaderOf(const Replay& replay) {
  std::vector<std::string> header = {"bar", "date", "time", "result"};
  for (const Column& c : replay.columns) header.push_back(c.name);
  return header;
}

std::vector<std::string> RowOf(const std::vector<Bar>& bars, const Replay& replay, size_t i,
                               bool readable) {
  std::vector<std::string> row = {std::to_string(bars[i].number), std::to_string(bars[i].date),
                                  std::to_string(bars[i].time), std::to_string(replay.results[i])};
  for (size_t c = 0; c < replay.columns.size(); ++c) {
    const double v = replay.Value(i, c);
    row.push_back(readable ? FormatReadable(v) : FormatShort(v));
  }
  return row;
}

void WriteCsv(std::ostream& out, const std::vector<Bar>& bars, const Replay& replay) {
  auto line = [&out](const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << fields[i];
    out << '\n';
  };
  line(HeaderOf(replay));
  for (size_t i = 0; i < bars.size(); ++i) line(RowOf(bars, replay, i, false));
}

void WriteTable(std::ostream& out, const std::vector<Bar>& bars, const Replay& replay) {
  std::vector<std::vector<std::string>> rows = {HeaderOf(replay)};
  for (size_t i = 0; i < bars.size(); ++i) rows.push_back(RowOf(bars, replay, i, true));
  std::vector<size_t> width(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      out << (c ? "  " : "") << std::string(width[c] - row[c].size(), ' ') << row[c];
    }
    out << '\n';
  }
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[ch >> 4];
      out += kHex[ch & 15];
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out + "\"";
}

// JSON has no NaN or infinity: those become null.
std::string JsonNumber(double v) {
  return std::isfinite(v) ? FormatShort(v) : "null";
}

void WriteJson(std::ostream& out, const zeb::IndicatorInfo& info,
               const std::vector<ParameterSetting>& settings, const std::vector<Bar>& bars,
               const Replay& replay) {
  out << "{\n  \"keyword\": " << JsonString(info.keyword) << ",\n  \"parameters\": [";
  for (size_t i = 0; i < settings.size(); ++i) {
    out << (i ? ", " : "") << "{\"index\": " << settings[i].index
        << ", \"value\": " << JsonNumber(settings[i].value) << "}";
  }
  out << "],\n  \"outputs\": [";
  for (size_t c = 0; c < replay.columns.size(); ++c) {
    out << (c ? ", " : "") << "{\"index\": " << replay.columns[c].index
        << ", \"name\": " << JsonString(replay.columns[c].name) << "}";
  }
  out << "],\n  \"bars\": [\n";
  for (size_t i = 0; i < bars.size(); ++i) {
    out << "    {\"bar\": " << bars[i].number << ", \"date\": " << bars[i].date
        << ", \"time\": " << bars[i].time << ", \"result\": " << replay.results[i]
        << ", \"values\": [";
    for (size_t c = 0; c < replay.columns.size(); ++c) {
      out << (c ? ", " : "") << JsonNumber(replay.Value(i, c));
    }
    out << "]}" << (i + 1 < bars.size() ? "," : "") << '\n';
  }
  out << "  ]\n}\n";
}

}  // namespace

Format ParseFormat(const std::string& name) {
  if (name == "csv") return Format::Csv;
  if (name == "table") return Format::Table;
  if (name == "json") return Format::Json;
  throw std::invalid_argument("unknown format '" + name + "' (csv, table or json)");
}

void WriteReplay(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
                 const std::vector<ParameterSetting>& settings, const std::vector<Bar>& bars,
                 const Replay& replay) {
  switch (format) {
    case Format::Csv:
      WriteCsv(out, bars, replay);
      break;
    case Format::Table:
      WriteTable(out, bars, replay);
      break;
    case Format::Json:
      WriteJson(out, info, settings, bars, replay);
      break;
  }
}

}  // namespace zebi
