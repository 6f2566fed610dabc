#include "output_formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

#include "format_number.h"
#include "warmup.h"

namespace zebi {
namespace {

// Table rows read before the column widths are fixed: wide enough for the
// usual run, few enough to keep memory bounded on any file.
constexpr size_t kTableSample = 1000;

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

std::string JsonArray(const std::vector<double>& values) {
  std::string out = "[";
  for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + JsonNumber(values[i]);
  return out + "]";
}

// Every parameter of the keyword with the value the instance holds.
void WriteJsonParameters(std::ostream& out, const zeb::IndicatorInfo& info,
                         const std::vector<ParameterSetting>& settings) {
  out << "  \"parameters\": [";
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    const zeb::ParameterInfo& p = info.parameters[i];
    bool set = false;
    for (const ParameterSetting& s : settings) set = set || s.index == p.index;
    out << (i ? ", " : "") << "{\"index\": " << p.index << ", \"name\": " << JsonString(p.name)
        << ", \"value\": " << JsonNumber(EffectiveValue(p, settings))
        << ", \"set\": " << (set ? "true" : "false") << "}";
  }
  out << "],\n";
}

}  // namespace

Format ParseFormat(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "csv") return Format::Csv;
  if (lower == "table") return Format::Table;
  if (lower == "json") return Format::Json;
  throw std::invalid_argument("unknown format '" + name + "' (csv, table or json)");
}

ReplayWriter::ReplayWriter(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
                           const std::vector<ParameterSetting>& settings,
                           const std::vector<Column>& columns)
    : out_(out), format_(format), columns_(columns) {
  if (format_ == Format::Json) {
    out_ << "{\n  \"keyword\": " << JsonString(info.keyword) << ",\n";
    WriteJsonParameters(out_, info, settings);
    out_ << "  \"outputs\": [";
    for (size_t c = 0; c < columns.size(); ++c) {
      out_ << (c ? ", " : "") << "{\"index\": " << columns[c].index
           << ", \"name\": " << JsonString(columns[c].name) << "}";
    }
    out_ << "],\n  \"bars\": [";
    return;
  }
  std::vector<std::string> header = {"bar", "date", "time", "result", "warmup"};
  for (const Column& c : columns) header.push_back(c.name);
  Line(header);
}

void ReplayWriter::Row(const Bar& bar, int32_t result, bool warmup,
                       const std::vector<double>& values) {
  if (format_ == Format::Json) {
    out_ << (rows_ ? ",\n" : "\n") << "    {\"bar\": " << bar.number << ", \"date\": " << bar.date
         << ", \"time\": " << bar.time << ", \"result\": " << result
         << ", \"warmup\": " << (warmup ? "true" : "false") << ", \"values\": " << JsonArray(values)
         << "}";
    ++rows_;
    return;
  }
  const bool readable = format_ == Format::Table;
  std::vector<std::string> row = {std::to_string(bar.number), std::to_string(bar.date),
                                  std::to_string(bar.time), std::to_string(result),
                                  warmup ? "1" : "0"};
  for (double v : values) row.push_back(readable ? FormatReadable(v) : FormatShort(v));
  Line(row);
  ++rows_;
}

void ReplayWriter::Line(const std::vector<std::string>& fields) {
  if (format_ == Format::Csv) {
    for (size_t i = 0; i < fields.size(); ++i) out_ << (i ? "," : "") << fields[i];
    out_ << '\n';
    return;
  }
  if (width_.empty()) {
    pending_.push_back(fields);
    if (pending_.size() > kTableSample) FlushTable();
    return;
  }
  for (size_t c = 0; c < fields.size(); ++c) {
    const size_t w = c < width_.size() ? width_[c] : 0;
    out_ << (c ? "  " : "") << std::string(w > fields[c].size() ? w - fields[c].size() : 0, ' ')
         << fields[c];
  }
  out_ << '\n';
}

// Fixes the column widths from the rows held so far and writes them.
void ReplayWriter::FlushTable() {
  if (pending_.empty()) return;
  width_.assign(pending_[0].size(), 1);
  for (const auto& row : pending_) {
    for (size_t c = 0; c < row.size() && c < width_.size(); ++c) {
      width_[c] = std::max(width_[c], row[c].size());
    }
  }
  std::vector<std::vector<std::string>> rows;
  rows.swap(pending_);
  for (const auto& row : rows) Line(row);
}

void ReplayWriter::Finish(const ProfileSnapshot& profile) {
  if (format_ == Format::Table) FlushTable();
  if (format_ != Format::Json) return;
  out_ << "\n  ]";
  if (!profile.bins.empty()) {
    out_ << ",\n  \"profile\": {\"low\": " << JsonNumber(profile.low)
         << ", \"high\": " << JsonNumber(profile.high) << ", \"bins\": " << JsonArray(profile.bins)
         << ", \"nodeMarks\": " << JsonArray(profile.marks) << "}";
  }
  out_ << "\n}\n";
}

void WriteReplay(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
                 const std::vector<ParameterSetting>& settings, const std::vector<Bar>& bars,
                 const Replay& replay) {
  const std::vector<bool> warmup = WarmupFlags(info, settings, bars, replay);
  ReplayWriter writer(out, format, info, settings, replay.columns);
  std::vector<double> values(replay.columns.size());
  for (size_t i = 0; i < bars.size(); ++i) {
    for (size_t c = 0; c < values.size(); ++c) values[c] = replay.Value(i, c);
    writer.Row(bars[i], replay.results[i], warmup[i], values);
  }
  writer.Finish(ProfileSnapshot());
}

}  // namespace zebi
