#pragma once

#include <cstdint>

namespace zeb {

// Descriptive metadata of one indicator: what its parameters and outputs mean.
// It drives the zebi tool's reference, the generated docs and the metadata
// tests; the library itself never reads it when computing.

enum class ParameterKind { Integer, Double, Flag };

struct ParameterInfo {
  int32_t index;
  const char* name;
  ParameterKind kind;
  bool hasDefault;  // false: the instance starts at 0 until the host sets it
  double defaultValue;
  bool clamped;  // false: stored as converted, without a range
  double minimum;
  double maximum;
  const char* description;
};

struct OutputInfo {
  int32_t firstIndex;  // a run of outputs that share one meaning
  int32_t lastIndex;
  const char* name;
  const char* description;
};

struct IndicatorInfo {
  const char* keyword;
  const char* className;
  const char* summary;
  const ParameterInfo* parameters;
  int32_t parameterCount;
  const OutputInfo* outputs;
  int32_t outputCount;
  double otherIndexValue;  // what Value answers for an index that names no output
};

}  // namespace zeb
