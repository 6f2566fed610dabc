#include "commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "bar_file.h"
#include "chart.h"
#include "format_number.h"
#include "interface/keyword_table.h"
#include "output_formats.h"
#include "parameters.h"
#include "reference.h"
#include "replay.h"

namespace zebi {
namespace {

const zeb::IndicatorInfo& RequireIndicator(const std::string& keyword) {
  if (const zeb::IndicatorInfo* info = FindIndicator(keyword)) return *info;
  std::string known;
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    known += std::string(i ? ", " : "") + zeb::KeywordTable()[i].info->keyword;
  }
  throw std::invalid_argument("unknown keyword '" + keyword + "' (known: " + known + ")");
}

// The bundled sample when no path is given, standard input for "-".
std::vector<Bar> LoadBars(const std::string& path) {
  if (path == "-") return ReadBars(std::cin, "<stdin>");
  return ReadBarFile(path.empty() ? SampleBarsPath() : path);
}

void WriteChartFile(const std::string& path, const zeb::IndicatorInfo& info,
                    const std::vector<Bar>& bars, const Replay& replay,
                    const std::vector<ParameterSetting>& settings, size_t chartBars) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write the chart " + path);
  ChartOptions options;
  options.lastBars = chartBars;
  WriteChart(out, info, bars, replay, settings, options);
  if (!out.flush()) throw std::runtime_error("cannot write the chart " + path);
}

// The newest few drawn outputs of a replay, "name=value" each, for the summary.
std::string LastValues(const Replay& replay, size_t bars) {
  std::string out;
  size_t shown = 0;
  for (size_t c = 0; c < replay.columns.size(); ++c) {
    if (replay.columns[c].role == zeb::OutputRole::Figure) continue;
    if (shown++ == 4) return out + "  ...";
    out += (out.empty() ? "" : "  ") + replay.columns[c].name + "=" +
           FormatReadable(replay.Value(bars - 1, c), 6);
  }
  return out;
}

void WriteIndexPage(const std::filesystem::path& folder, const std::vector<std::string>& keywords) {
  std::ofstream page(folder / "index.html", std::ios::binary);
  page << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>zebi demo</title></head>"
       << "<body style=\"font-family:sans-serif\">\n<h1>zebi demo</h1>\n";
  for (const std::string& k : keywords) {
    page << "<h2 id=\"" << k << "\">" << k << "</h2>\n<img src=\"" << k << ".svg\" alt=\"" << k
         << "\">\n";
  }
  page << "</body></html>\n";
}

}  // namespace

std::string SampleBarsPath() {
  return ZEBI_SAMPLE_BARS;
}

int ListCommand() {
  WriteKeywordList(std::cout);
  return 0;
}

int DescribeCommand(const std::string& keyword) {
  WriteDescription(std::cout, RequireIndicator(keyword));
  return 0;
}

int DocsCommand() {
  WriteMarkdownReference(std::cout);
  return 0;
}

int RunCommand(const RunRequest& request) {
  const zeb::IndicatorInfo& info = RequireIndicator(request.keyword);
  const Format format = ParseFormat(request.format);
  ReplayOptions options;
  for (const std::string& text : request.parameters) {
    options.settings.push_back(ParseSetting(info, text));
  }
  if (request.noCalcEvery < 0) throw std::invalid_argument("--no-calc-every wants 0 or more");
  options.noCalcEvery = request.noCalcEvery;
  const std::vector<Bar> bars = LoadBars(request.barsPath);
  const Replay replay = RunReplay(info, bars, options);
  if (!request.chartPath.empty()) {
    WriteChartFile(request.chartPath, info, bars, replay, options.settings, request.chartBars);
  }
  if (request.tail > 0 && request.tail < bars.size()) {
    // Print the newest bars only: the same replay, trimmed at the front.
    const size_t skip = bars.size() - request.tail;
    Replay shown;
    shown.handle = replay.handle;
    shown.columns = replay.columns;
    shown.results.assign(replay.results.begin() + static_cast<std::ptrdiff_t>(skip),
                         replay.results.end());
    shown.values.assign(
        replay.values.begin() + static_cast<std::ptrdiff_t>(skip * replay.columns.size()),
        replay.values.end());
    const std::vector<Bar> tail(bars.begin() + static_cast<std::ptrdiff_t>(skip), bars.end());
    WriteReplay(std::cout, format, info, options.settings, tail, shown);
  } else {
    WriteReplay(std::cout, format, info, options.settings, bars, replay);
  }
  return std::cout.flush() ? 0 : 1;
}

int DemoCommand(const DemoRequest& request) {
  const std::vector<Bar> bars = LoadBars(request.barsPath);
  const std::filesystem::path folder(request.chartFolder);
  std::filesystem::create_directories(folder);
  std::printf("%zu bars from %d to %d through every keyword.\n\n", bars.size(), bars.front().date,
              bars.back().date);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> keywords;
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    ReplayOptions options;
    options.settings = ParseSettings(info, info.demoParameters);
    const Replay replay = RunReplay(info, bars, options);
    WriteChartFile((folder / (std::string(info.keyword) + ".svg")).string(), info, bars, replay,
                   options.settings, 300);
    keywords.push_back(info.keyword);
    rows.push_back({info.keyword, info.demoParameters ? info.demoParameters : "defaults",
                    LastValues(replay, bars.size())});
  }
  std::printf("%-10s  %s\n", "KEYWORD", "OUTPUTS AFTER THE LAST BAR (demo settings below)");
  for (const auto& row : rows) {
    std::printf("%-10s  %s\n", row[0].c_str(), row[2].c_str());
    if (row[1] != "defaults") std::printf("%-10s  with %s\n", "", row[1].c_str());
  }
  WriteIndexPage(folder, keywords);
  std::printf("\n%zu charts written to %s/ (open %s)\n", keywords.size(), folder.string().c_str(),
              (folder / "index.html").string().c_str());
  return 0;
}

}  // namespace zebi
