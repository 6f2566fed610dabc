#include "replay.h"

#include <algorithm>
#include <stdexcept>

#include "progress.h"
#include "zeb_indicators.h"

namespace zebi {

std::vector<Column> RecordedColumns(const zeb::IndicatorInfo& info, bool allOutputs,
                                    const std::vector<ParameterSetting>& settings) {
  std::vector<Column> columns;
  const int32_t bins = BinsInEffect(info, settings);
  for (int32_t i = 0; i < info.outputCount; ++i) {
    const zeb::OutputInfo& out = info.outputs[i];
    const bool profile =
        out.role == zeb::OutputRole::Profile || out.role == zeb::OutputRole::ProfileMarks;
    if (profile && !allOutputs) continue;
    const int32_t last =
        profile ? std::min(out.lastIndex, out.firstIndex + bins - 1) : out.lastIndex;
    for (int32_t index = out.firstIndex; index <= last; ++index) {
      std::string name = out.name;
      if (out.lastIndex > out.firstIndex)
        name += "[" + std::to_string(index - out.firstIndex) + "]";
      columns.push_back({index, name, out.role});
    }
  }
  return columns;
}

ReplaySession::ReplaySession(const zeb::IndicatorInfo& info, const ReplayOptions& options)
    : columns_(RecordedColumns(info, options.allOutputs, options.settings)),
      noCalcEvery_(options.noCalcEvery) {
  handle_ = ZEB_IndicatorInit(nullptr, info.keyword, options.symbol.c_str());
  if (handle_ < 0) {
    throw std::runtime_error(std::string("the library refused to create ") + info.keyword);
  }
  for (const ParameterSetting& s : options.settings) {
    ZEB_IndicatorSetParameter(handle_, s.index, s.value);
  }
}

int32_t ReplaySession::Feed(const Bar& b, std::vector<double>& values) {
  ++fed_;
  const bool store = noCalcEvery_ > 0 && fed_ % static_cast<size_t>(noCalcEvery_) == 0;
  const int32_t result =
      store ? ZEB_IndicatorSetBarNoCalc(handle_, b.number, b.date, b.time, b.open, b.high, b.low,
                                        b.close, b.volume1, b.volume2)
            : ZEB_IndicatorSetBar(handle_, b.number, b.date, b.time, b.open, b.high, b.low, b.close,
                                  b.volume1, b.volume2);
  values.resize(columns_.size());
  for (size_t c = 0; c < columns_.size(); ++c) {
    values[c] = ZEB_IndicatorValue(handle_, columns_[c].index);
  }
  return result;
}

Replay RunReplay(const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                 const ReplayOptions& options) {
  ReplaySession session(info, options);
  Replay replay;
  replay.handle = session.Handle();
  replay.columns = session.Columns();
  replay.results.reserve(bars.size());
  replay.values.reserve(bars.size() * replay.columns.size());
  Progress progress(options.showProgress ? info.keyword : "", bars.size());
  std::vector<double> values;
  for (size_t i = 0; i < bars.size(); ++i) {
    replay.results.push_back(session.Feed(bars[i], values));
    replay.values.insert(replay.values.end(), values.begin(), values.end());
    if (options.showProgress) progress.Advance(i + 1);
  }
  return replay;
}

}  // namespace zebi
