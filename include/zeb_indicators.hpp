// ZEBIndicators from C++: indicator instances that the caller owns.
//
// The seven C functions of zeb_indicators.h keep every instance for the life
// of the process. This header offers the same indicators as objects that free
// their memory when they go away. An instance is created through the same
// keyword table and fed through the same bar store as the C functions, so it
// gives the same results, bit for bit.
//
// Instances share no mutable state with each other or with the handles of the
// C functions: separate instances may be used on separate threads at once.
// One instance must be used from one thread at a time.
//
// Link the static library (ZEBIndicators::ZEBIndicators_static); the shared
// library exports only the C functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zeb {

class Indicator;
struct KeywordEntry;

// One output index, named as the tools name it: the output's name, with the
// offset in its run ("level[3]") when the run covers several indices.
struct OutputColumn {
  int32_t index;
  std::string name;
  bool profile;  // a bin of a volume profile (a snapshot of many bins per bar)
};

class OwnedIndicator {
 public:
  // Creates an instance for `keyword` (exact, case-sensitive) with its
  // defaults set. A null `symbol` is stored as "<unk>". Throws
  // std::invalid_argument listing the keywords when `keyword` is unknown, and
  // std::bad_alloc when memory runs out.
  explicit OwnedIndicator(const std::string& keyword, const char* symbol = nullptr);
  ~OwnedIndicator();
  OwnedIndicator(OwnedIndicator&& other) noexcept;
  OwnedIndicator& operator=(OwnedIndicator&& other) noexcept;
  OwnedIndicator(const OwnedIndicator&) = delete;
  OwnedIndicator& operator=(const OwnedIndicator&) = delete;

  const char* Keyword() const;

  // Sets a parameter by index, like ZEB_IndicatorSetParameter: an index that
  // names no parameter changes nothing.
  void SetParameter(int32_t index, double value);
  // Sets a parameter by its name; throws std::invalid_argument listing the
  // parameter names when `name` is not one of them.
  void SetParameter(const std::string& name, double value);

  // Stores one bar and, when `calculate` is true, calculates and returns the
  // indicator's result (0 otherwise), like ZEB_IndicatorSetBar and
  // ZEB_IndicatorSetBarNoCalc: a higher bar number advances, the same number
  // revises the forming bar, a lower number is ignored.
  int32_t SetBar(int32_t bar, int32_t date, int32_t time, double open, double high, double low,
                 double close, double volume1, double volume2, bool calculate = true);

  // Output `index`, like ZEB_IndicatorValue.
  double Value(int32_t index);

  // Every output index of this instance's keyword, in index order.
  std::vector<OutputColumn> Outputs() const;

  // Every keyword, in lookup order.
  static std::vector<std::string> Keywords();
  // The parameter names of `keyword`, in index order; throws like the constructor.
  static std::vector<std::string> ParameterNames(const std::string& keyword);

 private:
  std::unique_ptr<Indicator> instance_;
  const KeywordEntry* entry_;
};

}  // namespace zeb
