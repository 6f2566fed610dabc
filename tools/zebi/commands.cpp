#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "bar_file.h"
#include "bar_order.h"
#include "chart.h"
#include "format_number.h"
#include "interface/keyword_table.h"
#include "notices.h"
#include "output_formats.h"
#include "parameters.h"
#include "progress.h"
#include "reference.h"
#include "replay.h"
#include "warmup.h"
#include "zeb_indicators.h"

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

void WriteChartFile(const std::string& path, const zeb::IndicatorInfo& info,
                    const std::vector<Bar>& bars, const Replay& replay,
                    const std::vector<ParameterSetting>& settings, const ChartOptions& options) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write the chart " + path);
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

void Notice(const std::string& text) {
  std::fprintf(stderr, "zebi: %s\n", text.c_str());
}

// Where the bars come from: the bundled sample when no path is given,
// standard input for "-", else the file.
class BarInput {
 public:
  explicit BarInput(const std::string& path) {
    if (path == "-") {
      name_ = "<stdin>";
      return;
    }
    name_ = path.empty() ? SampleBarsPath() : path;
    OpenBarFile(file_, name_);
    std::error_code error;
    const auto size = std::filesystem::file_size(name_, error);
    size_ = error ? 0 : static_cast<size_t>(size);
  }
  std::istream& Stream() { return name_ == "<stdin>" ? std::cin : file_; }
  const std::string& Name() const { return name_; }
  size_t Size() const { return size_; }  // 0 when not known in advance

 private:
  std::string name_;
  std::ifstream file_;
  size_t size_ = 0;
};

// Every bar of the input, in time order.
std::vector<Bar> LoadBars(const std::string& path) {
  BarInput input(path);
  BarReader reader(input.Stream(), input.Name());
  OrderedBars ordered(reader, {});
  std::vector<Bar> bars;
  Bar bar;
  while (ordered.Next(bar)) bars.push_back(bar);
  return bars;
}

// The newest rows of a streamed replay, as many as the capacity.
class RecentRows {
 public:
  explicit RecentRows(size_t capacity) : capacity_(capacity) {}

  void Push(const Bar& bar, int32_t result, bool warmup, const std::vector<double>& values) {
    if (capacity_ == 0) return;
    if (bars_.size() == capacity_) {
      bars_.pop_front();
      results_.pop_front();
      warmup_.pop_front();
      values_.pop_front();
    }
    bars_.push_back(bar);
    results_.push_back(result);
    warmup_.push_back(warmup);
    values_.push_back(values);
  }

  void WriteTo(ReplayWriter& writer) const {
    for (size_t i = 0; i < bars_.size(); ++i)
      writer.Row(bars_[i], results_[i], warmup_[i], values_[i]);
  }

  size_t Size() const { return bars_.size(); }
  std::vector<Bar> Bars() const { return std::vector<Bar>(bars_.begin(), bars_.end()); }
  size_t WarmupBars() const {
    return static_cast<size_t>(std::find(warmup_.begin(), warmup_.end(), false) - warmup_.begin());
  }

  // The newest `rows` rows as a replay of the session's instance.
  Replay ToReplay(const ReplaySession& session, size_t rows) const {
    Replay replay;
    replay.handle = session.Handle();
    replay.columns = session.Columns();
    for (size_t i = bars_.size() - std::min(rows, bars_.size()); i < bars_.size(); ++i) {
      replay.results.push_back(results_[i]);
      replay.values.insert(replay.values.end(), values_[i].begin(), values_[i].end());
    }
    return replay;
  }

 private:
  size_t capacity_;
  std::deque<Bar> bars_;
  std::deque<int32_t> results_;
  std::deque<bool> warmup_;
  std::deque<std::vector<double>> values_;
};

// Negative set-bar results (a failed download, say): the first is reported at
// once with the library's status text, the count at the end.
class ResultReport {
 public:
  ResultReport(const zeb::IndicatorInfo& info, int32_t handle) : info_(info), handle_(handle) {}

  void Check(int32_t result, const Bar& bar, int line) {
    ++bars_;
    if (result >= 0) return;
    if (negative_++ > 0) return;
    const char* status = ZEB_IndicatorError(handle_);
    Notice("line " + std::to_string(line) + ", bar " + std::to_string(bar.number) + ": " +
           info_.keyword + " returned " + std::to_string(result) + ": " +
           (status && *status ? status : "(no status text)"));
  }

  void Summarise() const {
    if (negative_ > 1) {
      Notice(std::to_string(negative_) + " of " + std::to_string(bars_) +
             " bars returned a negative result");
    }
  }

  size_t Bars() const { return bars_; }

 private:
  const zeb::IndicatorInfo& info_;
  int32_t handle_;
  size_t bars_ = 0;
  size_t negative_ = 0;
};

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
  if (request.tailGiven && request.tail <= 0) {
    throw std::invalid_argument("--tail wants a number of bars, 1 or more");
  }
  if (request.noCalcEvery < 0) throw std::invalid_argument("--no-calc-every wants 0 or more");
  ReplayOptions options;
  for (const std::string& text : request.parameters) {
    options.settings.push_back(ParseSetting(info, text));
  }
  for (const std::string& notice : SettingNotices(info, options.settings)) Notice(notice);
  const std::string idle = IdleNotice(info, options.settings);
  if (!idle.empty()) Notice(idle);
  options.noCalcEvery = request.noCalcEvery;
  options.allOutputs = request.allOutputs;
  options.showProgress = false;

  BarInput input(request.barsPath);
  BarReader reader(input.Stream(), input.Name());
  const std::string volume = VolumeNotice(info, reader.VolumeColumns());
  if (!volume.empty()) Notice(volume);
  OrderedBars bars(reader, {request.sort, request.allowDuplicates});
  ReplaySession session(info, options);
  WarmupTracker warmup(info, options.settings, session.Columns());
  Bar bar;
  bool more = bars.Next(bar);  // input without a single bar fails here, before any output
  ReplayWriter writer(std::cout, format, info, options.settings, session.Columns());
  const size_t tail = request.tailGiven ? static_cast<size_t>(request.tail) : 0;
  RecentRows tailRows(tail);
  RecentRows chartRows(request.chartPath.empty() ? 1 : request.chartBars + 1);
  ResultReport results(info, session.Handle());
  Progress progress(info.keyword, input.Size());
  std::vector<double> values;
  size_t count = 0;
  for (; more; more = bars.Next(bar)) {
    const int32_t result = session.Feed(bar, values);
    const bool inWarmup = warmup.Next(bar, values);
    results.Check(result, bar, bars.Line());
    if (tail > 0) {
      tailRows.Push(bar, result, inWarmup, values);
    } else {
      writer.Row(bar, result, inWarmup, values);
    }
    chartRows.Push(bar, result, inWarmup, values);
    progress.Advance(input.Size() ? reader.BytesRead() : ++count);
  }
  tailRows.WriteTo(writer);
  const Replay last = chartRows.ToReplay(session, 1);
  writer.Finish(ReadProfile(info, last, options.settings));
  if (!request.chartPath.empty()) {
    ChartOptions chart;
    chart.lastBars = request.chartBars;
    chart.totalBars = results.Bars();
    chart.warmupBars = chartRows.WarmupBars();
    WriteChartFile(request.chartPath, info, chartRows.Bars(),
                   chartRows.ToReplay(session, chartRows.Size()), options.settings, chart);
  }
  results.Summarise();
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
    const std::vector<bool> warmup = WarmupFlags(info, options.settings, bars, replay);
    ChartOptions chart;
    chart.warmupBars =
        static_cast<size_t>(std::find(warmup.begin(), warmup.end(), false) - warmup.begin());
    WriteChartFile((folder / (std::string(info.keyword) + ".svg")).string(), info, bars, replay,
                   options.settings, chart);
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
