// Caller-owned instances: created through the keyword table like the exports'
// instances, but kept outside the registry and freed by their owner.

#include <algorithm>
#include <stdexcept>

#include "core/indicator.h"
#include "include/zeb_indicators.hpp"
#include "interface/keyword_table.h"
#include "interface/new_instance.h"

namespace zeb {
namespace {

std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::vector<std::string> ParameterNamesOf(const IndicatorInfo& info) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < info.parameterCount; ++i) names.push_back(info.parameters[i].name);
  return names;
}

}  // namespace

OwnedIndicator::OwnedIndicator(const std::string& keyword, const char* symbol)
    : entry_(&KnownKeyword(keyword)) {
  instance_.reset(NewInstance(*entry_, symbol));
  if (!instance_) throw std::bad_alloc();
  instance_->Reset();
}

OwnedIndicator::~OwnedIndicator() = default;
OwnedIndicator::OwnedIndicator(OwnedIndicator&& other) noexcept = default;
OwnedIndicator& OwnedIndicator::operator=(OwnedIndicator&& other) noexcept = default;

const char* OwnedIndicator::Keyword() const {
  return entry_->info->keyword;
}

void OwnedIndicator::SetParameter(int32_t index, double value) {
  instance_->SetParameter(index, value);
}

void OwnedIndicator::SetParameter(const std::string& name, double value) {
  const IndicatorInfo& info = *entry_->info;
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    if (name == info.parameters[i].name) {
      instance_->SetParameter(info.parameters[i].index, value);
      return;
    }
  }
  const std::vector<std::string> names = ParameterNamesOf(info);
  throw std::invalid_argument(std::string(info.keyword) + " has no parameter '" + name + "' (" +
                              (names.empty() ? "it has none" : "parameters: " + JoinNames(names)) +
                              ")");
}

int32_t OwnedIndicator::SetBar(int32_t bar, int32_t date, int32_t time, double open, double high,
                               double low, double close, double volume1, double volume2,
                               bool calculate) {
  return instance_->SetBar(bar, date, time, open, high, low, close, volume1, volume2, calculate);
}

double OwnedIndicator::Value(int32_t index) {
  return instance_->Value(index);
}

std::vector<OutputColumn> OwnedIndicator::Outputs() const {
  std::vector<OutputColumn> columns;
  const IndicatorInfo& info = *entry_->info;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    const OutputInfo& out = info.outputs[i];
    const bool profile = out.role == OutputRole::Profile || out.role == OutputRole::ProfileMarks;
    for (int32_t index = out.firstIndex; index <= out.lastIndex; ++index) {
      std::string name = out.name;
      if (out.lastIndex > out.firstIndex) {
        name += "[" + std::to_string(index - out.firstIndex) + "]";
      }
      columns.push_back({index, name, profile});
    }
  }
  // The table groups outputs by meaning, not always by index.
  std::stable_sort(columns.begin(), columns.end(),
                   [](const OutputColumn& a, const OutputColumn& b) { return a.index < b.index; });
  return columns;
}

std::vector<std::string> OwnedIndicator::Keywords() {
  std::vector<std::string> keywords;
  for (int32_t i = 0; i < KeywordCount(); ++i) keywords.push_back(KeywordTable()[i].info->keyword);
  return keywords;
}

std::vector<std::string> OwnedIndicator::ParameterNames(const std::string& keyword) {
  return ParameterNamesOf(*KnownKeyword(keyword).info);
}

}  // namespace zeb
