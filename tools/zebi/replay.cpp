#include "replay.h"

#include <stdexcept>

#include "progress.h"
#include "zeb_indicators.h"

namespace zebi {

std::vector<Column> RecordedColumns(const zeb::IndicatorInfo& info) {
  std::vector<Column> columns;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    const zeb::OutputInfo& out = info.outputs[i];
    if (out.role == zeb::OutputRole::Profile || out.role == zeb::OutputRole::ProfileMarks) continue;
    for (int32_t index = out.firstIndex; index <= out.lastIndex; ++index) {
      std::string name = out.name;
      if (out.lastIndex > out.firstIndex)
        name += "[" + std::to_string(index - out.firstIndex) + "]";
      columns.push_back({index, name, out.role});
    }
  }
  return columns;
}

Replay RunReplay(const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                 const ReplayOptions& options) {
  Replay replay;
  replay.handle = ZEB_IndicatorInit(nullptr, info.keyword, options.symbol.c_str());
  if (replay.handle < 0) {
    throw std::runtime_error(std::string("the library refused to create ") + info.keyword);
  }
  for (const ParameterSetting& s : options.settings) {
    ZEB_IndicatorSetParameter(replay.handle, s.index, s.value);
  }
  replay.columns = RecordedColumns(info);
  replay.results.reserve(bars.size());
  replay.values.reserve(bars.size() * replay.columns.size());
  Progress progress(options.showProgress ? info.keyword : "", bars.size());
  for (size_t i = 0; i < bars.size(); ++i) {
    const Bar& b = bars[i];
    const bool store =
        options.noCalcEvery > 0 && (i + 1) % static_cast<size_t>(options.noCalcEvery) == 0;
    const int32_t result =
        store ? ZEB_IndicatorSetBarNoCalc(replay.handle, b.number, b.date, b.time, b.open, b.high,
                                          b.low, b.close, b.volume1, b.volume2)
              : ZEB_IndicatorSetBar(replay.handle, b.number, b.date, b.time, b.open, b.high, b.low,
                                    b.close, b.volume1, b.volume2);
    replay.results.push_back(result);
    for (const Column& c : replay.columns) {
      replay.values.push_back(ZEB_IndicatorValue(replay.handle, c.index));
    }
    if (options.showProgress) progress.Advance(i + 1);
  }
  return replay;
}

}  // namespace zebi
