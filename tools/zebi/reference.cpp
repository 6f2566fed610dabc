#include "reference.h"

#include <algorithm>
#include <string>
#include <vector>

#include "format_number.h"
#include "interface/keyword_table.h"

namespace zebi {
namespace {

const char* RoleName(zeb::OutputRole role) {
  switch (role) {
    case zeb::OutputRole::Auto:
      return "value";
    case zeb::OutputRole::Level:
      return "price level";
    case zeb::OutputRole::BandLow:
      return "band low";
    case zeb::OutputRole::BandHigh:
      return "band high";
    case zeb::OutputRole::ProfileLow:
      return "profile low";
    case zeb::OutputRole::ProfileHigh:
      return "profile high";
    case zeb::OutputRole::Profile:
      return "profile bins";
    case zeb::OutputRole::ProfileMarks:
      return "node marks";
    case zeb::OutputRole::Marker:
      return "event price";
    case zeb::OutputRole::Line:
      return "oscillator";
    case zeb::OutputRole::Flag:
      return "flag";
    case zeb::OutputRole::Figure:
      return "figure";
    case zeb::OutputRole::WindowEnd:
      return "window end";
  }
  return "?";
}

// The unit of an output: as the metadata gives it, else what its role implies.
std::string UnitsText(const zeb::OutputInfo& o) {
  std::string units = o.units ? o.units : "";
  if (units.empty()) {
    switch (o.role) {
      case zeb::OutputRole::Level:
      case zeb::OutputRole::BandLow:
      case zeb::OutputRole::BandHigh:
      case zeb::OutputRole::ProfileLow:
      case zeb::OutputRole::ProfileHigh:
      case zeb::OutputRole::Marker:
        units = "price, as the bars; 0 until published";
        break;
      case zeb::OutputRole::Flag:
        units = "0 or 1";
        break;
      case zeb::OutputRole::ProfileMarks:
        units = "0, 1 or 2";
        break;
      case zeb::OutputRole::WindowEnd:
        units = "bars";
        break;
      case zeb::OutputRole::Profile:
      case zeb::OutputRole::Line:
      case zeb::OutputRole::Figure:
      case zeb::OutputRole::Auto:
        units = "-";
        break;
    }
  }
  return o.keptForHost ? units + "; kept for host compatibility, carries no information" : units;
}

// Terms several keywords share, for the reference.
const char* const kGlossary[][2] = {
    {"Warm-up",
     "the leading bars over which an indicator has not yet seen enough bars for its windows; "
     "averages count the missing bars as 0, so these values are not meaningful. Each keyword "
     "below gives its rule; `zebi run` marks these bars in its `warmup` column."},
    {"RSI turn",
     "the turn detector computes an RSI (Wilder smoothing, over `period` bars) of the bar "
     "midpoint (open + close) / 2, smooths it over three points and reports a turn when the "
     "smoothed line has fallen three times and rises (a trough) or has risen three times and "
     "falls (a peak)."},
    {"Turn code and strength",
     "each turn gets a code from -3 to +3: positive at troughs (bullish), negative at peaks "
     "(bearish). The strength is its magnitude: 1 a turn that confirms the previous one of its "
     "kind (a higher trough, a lower peak), 2 a turn beyond the dynamic oversold or overbought "
     "band, 3 a divergence (a lower price with a higher RSI at a trough, a higher price with a "
     "lower RSI at a peak). `signalThreshold` is the smallest strength an indicator acts on: 1 "
     "acts on most turns, 3 on divergences only."},
    {"Swing",
     "the bars between two turns whose strength reaches the threshold. FLOATPCL and SWINGPCL "
     "build their levels from swings and change them only when a swing ends; SWINGMAP takes "
     "its window ends from swing ends; WALLIND in swing mode starts a period at each one."},
    {"Profile",
     "volume at price: a window's price range cut into bins, each bin holding the volume traded "
     "at its prices, the fullest bin 1.0."},
    {"Node",
     "a cluster of heavy volume in a profile: its peak (mark 2) is a price the market accepted; "
     "its bounds (mark 1) separate it from thin prices the market passed through quickly."},
    {"Box",
     "the prices around a profile's fullest bin down to where volume falls to half of it "
     "(SWINGRSI, VEGA): inside is balance, a close beyond an edge a breakout."},
    {"Wall",
     "WALLIND's band of a new period's open and the previous period's reference prices, "
     "published only while they lie close together."},
    {"Stale",
     "a level that stays published after the bars it came from are long past: pivot levels "
     "between swing ends, a wall late in its period, a box between turns, a downloaded box, "
     "VEGA's prices between trades."},
};

std::string DefaultText(const zeb::ParameterInfo& p) {
  return p.hasDefault ? FormatShort(p.defaultValue) : "0 (not set)";
}

std::string RangeText(const zeb::ParameterInfo& p) {
  if (!p.clamped) return "not limited";
  return FormatShort(p.minimum) + ".." + FormatShort(p.maximum);
}

std::string IndexText(const zeb::OutputInfo& o) {
  if (o.firstIndex == o.lastIndex) return std::to_string(o.firstIndex);
  return std::to_string(o.firstIndex) + ".." + std::to_string(o.lastIndex);
}

// Output indices a host can read: every index of every run.
int32_t OutputIndexCount(const zeb::IndicatorInfo& info) {
  int32_t count = 0;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    count += info.outputs[i].lastIndex - info.outputs[i].firstIndex + 1;
  }
  return count;
}

std::string OtherIndexText(const zeb::IndicatorInfo& info) {
  if (info.otherIndexReadsOutput0) return "Any other index reads output 0.";
  return "Any other index reads " + FormatShort(info.otherIndexValue) + ".";
}

std::string ParameterNote(const zeb::ParameterInfo& p) {
  switch (p.use) {
    case zeb::ParameterUse::BinCount:
      return " (the number of profile bins)";
    case zeb::ParameterUse::Inert:
      return " (kept for host compatibility: no output depends on it)";
    case zeb::ParameterUse::Download:
      return " (network download only)";
    case zeb::ParameterUse::Restart:
      return " (setting it restarts the turn detector)";
    case zeb::ParameterUse::WindowEnd:
      return " (an end of the profile window)";
    case zeb::ParameterUse::Plain:
      break;
  }
  return "";
}

// Aligned columns, each row's cells padded to the widest cell of its column.
void WriteColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                  const std::string& indent) {
  std::vector<size_t> width;
  for (const auto& row : rows) {
    width.resize(std::max(width.size(), row.size()), 0);
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(width[c] - row[c].size() + 2, ' ');
    }
    out << line << '\n';
  }
}

std::string MarkdownCell(std::string text) {
  for (size_t at = 0; (at = text.find('|', at)) != std::string::npos; at += 2) {
    text.replace(at, 1, "\\|");
  }
  return text;
}

}  // namespace

void WriteKeywordList(std::ostream& out) {
  std::vector<std::vector<std::string>> rows = {{"KEYWORD", "PARAMS", "OUTPUTS", "SUMMARY"}};
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    rows.push_back({info.keyword, std::to_string(info.parameterCount),
                    std::to_string(OutputIndexCount(info)), info.summary});
  }
  WriteColumns(out, rows, "");
  out << "\nzebi describe KEYWORD shows one keyword's parameters and outputs.\n";
}

void WriteDescription(std::ostream& out, const zeb::IndicatorInfo& info) {
  out << info.keyword << " (" << info.className << ")\n  " << info.summary << "\n\n";
  if (info.howToRead) out << "How to read it: " << info.howToRead << "\n\n";
  if (info.parameterCount == 0) {
    out << "Parameters: none.\n";
  } else {
    out << "Parameters (zebi run " << info.keyword << " --param NAME=VALUE or INDEX=VALUE):\n";
    std::vector<std::vector<std::string>> rows = {
        {"INDEX", "NAME", "KIND", "DEFAULT", "RANGE", "MEANING"}};
    for (int32_t i = 0; i < info.parameterCount; ++i) {
      const zeb::ParameterInfo& p = info.parameters[i];
      rows.push_back({std::to_string(p.index), p.name, zeb::ParameterKindName(p.kind),
                      DefaultText(p), RangeText(p), p.description + ParameterNote(p)});
    }
    WriteColumns(out, rows, "  ");
  }
  out << "\nOutputs (" << OutputIndexCount(info) << " indices):\n";
  std::vector<std::vector<std::string>> rows = {{"INDEX", "NAME", "ROLE", "UNITS", "MEANING"}};
  for (int32_t i = 0; i < info.outputCount; ++i) {
    const zeb::OutputInfo& o = info.outputs[i];
    rows.push_back({IndexText(o), o.name, RoleName(o.role), UnitsText(o), o.description});
  }
  WriteColumns(out, rows, "  ");
  out << "  " << OtherIndexText(info) << "\n";
  out << "\nWarm-up: " << info.warmup.rule << ".\n";
  if (info.idleNote) out << "Defaults: " << info.idleNote << ".\n";
  if (info.demoParameters) out << "\nzebi demo sets: " << info.demoParameters << "\n";
}

void WriteMarkdownReference(std::ostream& out) {
  out << "# Indicator reference\n\n"
      << "Generated by `zebi docs` from the library's metadata table; "
      << "`zebi describe KEYWORD` shows the same in a terminal.\n\n"
      << "Parameters are set with `ZEB_IndicatorSetParameter(handle, index, value)`. An integer "
      << "parameter is truncated toward zero; for one with a range, a value that is not a number "
         "or "
      << "lies outside the 32-bit range becomes the lower end of the range. Outputs are read with "
      << "`ZEB_IndicatorValue(handle, index)`.\n\n";
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    out << "- [" << info.keyword << "](#" << info.keyword << ")\n";
  }
  out << "\n## Terms\n\n";
  for (const auto& term : kGlossary) out << "- **" << term[0] << "**: " << term[1] << "\n";
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    out << "\n<a id=\"" << info.keyword << "\"></a>\n## " << info.keyword << "\n\n"
        << info.summary << "\n\n";
    if (info.howToRead) out << "**How to read it.** " << info.howToRead << "\n\n";
    if (info.parameterCount == 0) {
      out << "No parameters.\n\n";
    } else {
      out << "| Index | Name | Kind | Default | Range | Meaning |\n|---|---|---|---|---|---|\n";
      for (int32_t p = 0; p < info.parameterCount; ++p) {
        const zeb::ParameterInfo& pi = info.parameters[p];
        out << "| " << pi.index << " | `" << pi.name << "` | " << zeb::ParameterKindName(pi.kind)
            << " | " << DefaultText(pi) << " | " << RangeText(pi) << " | "
            << MarkdownCell(pi.description + ParameterNote(pi)) << " |\n";
      }
      out << "\n";
    }
    out << OutputIndexCount(info) << " output indices:\n\n"
        << "| Index | Name | Role | Units | Meaning |\n|---|---|---|---|---|\n";
    for (int32_t o = 0; o < info.outputCount; ++o) {
      const zeb::OutputInfo& oi = info.outputs[o];
      out << "| " << IndexText(oi) << " | `" << oi.name << "` | " << RoleName(oi.role) << " | "
          << MarkdownCell(UnitsText(oi)) << " | " << MarkdownCell(oi.description) << " |\n";
    }
    out << "\n" << OtherIndexText(info);
    if (info.demoParameters) out << " `zebi demo` sets `" << info.demoParameters << "`.";
    out << "\n\nWarm-up: " << info.warmup.rule << " (`zebi run` marks these bars in its `warmup` "
        << "column).\n";
    if (info.idleNote) out << "\n**Defaults:** " << info.idleNote << ".\n";
  }
}

}  // namespace zebi
