#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "components/rsi_turn_detector.h"
#include "components/series_stats.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// One parameter of an indicator of type Owner, declared once: its metadata
// and the member it sets. SetTableParameter, ResetTableParameters and
// ParameterInfos derive the setting, the reset and the metadata from it.
//
// How a value is stored follows from the metadata:
//  - Integer: truncated toward zero, then clamped to [minimum, maximum] when
//    `clamped` (NaN and out-of-range values give the lower bound).
//  - Flag: clamped flags store ClampedParameter(value, 0, 1); unclamped
//    flags store 1 for a value that truncates to exactly 1, else 0.
//  - Double: clamped to [minimum, maximum] when `clamped`; a NaN keeps the
//    previous value and is noted for the status text.
// Rows are written with the builders below, e.g.
//   IntegerParameter(0, "lookback", &Ratio::lookback).Default(5).Range(1, kMaxWindow)
//       .Describe("bars over which ...")
template <class Owner>
struct ParameterRow {
  ParameterInfo info;
  int32_t Owner::*integer = nullptr;
  double Owner::*real = nullptr;
  bool Owner::*flag = nullptr;
  // Setting the parameter restarts this detector with the value in effect.
  // A row without a member keeps its value only there, and Reset restarts the
  // detector with the default; a row with a member resets only the member.
  RsiTurnDetector Owner::*restarts = nullptr;
  // A one-shot trigger: exactly 1.0 sets `flag`, any other value is ignored.
  bool oneShot = false;

  constexpr ParameterRow Default(double value) const {
    ParameterRow row = *this;
    row.info.hasDefault = true;
    row.info.defaultValue = value;
    return row;
  }
  constexpr ParameterRow Range(double minimum, double maximum) const {
    ParameterRow row = *this;
    row.info.clamped = true;
    row.info.minimum = minimum;
    row.info.maximum = maximum;
    return row;
  }
  constexpr ParameterRow Describe(const char* description) const {
    ParameterRow row = *this;
    row.info.description = description;
    return row;
  }
  constexpr ParameterRow Use(ParameterUse use) const {
    ParameterRow row = *this;
    row.info.use = use;
    return row;
  }
  constexpr ParameterRow Restarts(RsiTurnDetector Owner::*detector) const {
    ParameterRow row = *this;
    row.restarts = detector;
    return row;
  }
  constexpr ParameterRow OneShot() const {
    ParameterRow row = *this;
    row.oneShot = true;
    return row;
  }

  // The same row for a class derived from Owner (tables shared by a base).
  template <class Derived>
  constexpr ParameterRow<Derived> For() const {
    ParameterRow<Derived> row{info};
    row.integer = integer;
    row.real = real;
    row.flag = flag;
    row.restarts = restarts;
    row.oneShot = oneShot;
    return row;
  }
};

namespace parameter_table_detail {

template <class Owner>
constexpr ParameterRow<Owner> Row(int32_t index, const char* name, ParameterKind kind) {
  return ParameterRow<Owner>{{index, name, kind, false, 0, false, 0, 0, "", ParameterUse::Plain}};
}

// The integer a row stores for `value`.
template <class Owner>
int32_t IntegerValue(const ParameterRow<Owner>& row, double value) {
  const ParameterInfo& info = row.info;
  if (info.kind == ParameterKind::Flag && !info.clamped) return ParameterToInt(value) == 1 ? 1 : 0;
  if (!info.clamped) return ParameterToInt(value);
  return ClampedParameter(value, static_cast<int32_t>(info.minimum),
                          static_cast<int32_t>(info.maximum));
}

}  // namespace parameter_table_detail

// An integer parameter stored in `member`, or kept only by the detector a
// following Restarts names (no member).
template <class Owner>
constexpr ParameterRow<Owner> IntegerParameter(int32_t index, const char* name,
                                               int32_t Owner::*member = nullptr) {
  auto row = parameter_table_detail::Row<Owner>(index, name, ParameterKind::Integer);
  row.integer = member;
  return row;
}

// A 0/1 parameter stored as a flag or as an integer 0/1; Range(0, 1) clamps it.
template <class Owner>
constexpr ParameterRow<Owner> FlagParameter(int32_t index, const char* name, bool Owner::*member) {
  auto row = parameter_table_detail::Row<Owner>(index, name, ParameterKind::Flag);
  row.info.maximum = 1;
  row.flag = member;
  return row;
}
template <class Owner>
constexpr ParameterRow<Owner> FlagParameter(int32_t index, const char* name,
                                            int32_t Owner::*member) {
  auto row = parameter_table_detail::Row<Owner>(index, name, ParameterKind::Flag);
  row.info.maximum = 1;
  row.integer = member;
  return row;
}

template <class Owner>
constexpr ParameterRow<Owner> DoubleParameter(int32_t index, const char* name,
                                              double Owner::*member) {
  auto row = parameter_table_detail::Row<Owner>(index, name, ParameterKind::Double);
  row.real = member;
  return row;
}

// Stores `value` in the parameter with this index; other indices are ignored.
template <class Owner, size_t N>
void SetTableParameter(const ParameterRow<Owner> (&rows)[N], Owner& owner, int32_t index,
                       double value) {
  for (const ParameterRow<Owner>& row : rows) {
    if (row.info.index != index) continue;
    if (row.oneShot) {
      if (value == 1.0) owner.*row.flag = true;
    } else if (row.real) {
      const ParameterInfo& info = row.info;
      owner.SetDoubleParameter(
          owner.*row.real, index,
          info.clamped ? ClampDouble(value, info.minimum, info.maximum) : value);
    } else {
      const int32_t stored = parameter_table_detail::IntegerValue(row, value);
      if (row.integer) owner.*row.integer = stored;
      if (row.flag) owner.*row.flag = stored == 1;
      if (row.restarts) (owner.*row.restarts).Restart(stored);
    }
    return;
  }
}

// Sets every parameter that has a default back to it.
template <class Owner, size_t N>
void ResetTableParameters(const ParameterRow<Owner> (&rows)[N], Owner& owner) {
  for (const ParameterRow<Owner>& row : rows) {
    if (!row.info.hasDefault) continue;
    const double value = row.info.defaultValue;
    if (row.real) owner.*row.real = value;
    if (row.integer) owner.*row.integer = static_cast<int32_t>(value);
    if (row.flag) owner.*row.flag = value == 1.0 && !row.oneShot;
    const bool kept = row.integer || row.real || row.flag;
    if (row.restarts && !kept) (owner.*row.restarts).Restart(static_cast<int32_t>(value));
  }
}

// The metadata of the rows, in their order, for IndicatorInfo.
template <class Owner, size_t N>
constexpr std::array<ParameterInfo, N> ParameterInfos(const ParameterRow<Owner> (&rows)[N]) {
  std::array<ParameterInfo, N> infos{};
  for (size_t i = 0; i < N; ++i) infos[i] = rows[i].info;
  return infos;
}

}  // namespace zeb
