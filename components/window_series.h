#pragma once

#include <cmath>
#include <cstdint>

#include "components/series_stats.h"

namespace zeb {

// Ring buffer of the newest Capacity values of an indicator's own series, laid
// out so that every window of up to Capacity elements is one contiguous run of
// memory: each value is stored at its slot and again Capacity slots further
// on. Element k back (0 <= k < Capacity) is Newest()[-k], so window sums are
// plain loops with nothing on their chain of additions but the additions.
// Reads through Get as RingSeries reads (zero for values never stored and for
// offsets outside the storage). The storage is part of the object: zero-filled
// with it, never allocated separately.
template <int32_t Capacity>
class WindowSeries {
  static_assert(Capacity > 0, "a series holds at least one value");

 public:
  static constexpr int32_t kCapacity = Capacity;

  // Value k bars back: one wrap by the capacity, zero outside the storage.
  double Get(int32_t k) const {
    int64_t index = int64_t{position_} - k;
    if (index < 0) index += Capacity;
    if (index < 0 || index >= Capacity) return 0.0;
    return data_[static_cast<size_t>(index)];
  }

  // The newest element; Newest()[-k] is element k back for 0 <= k < Capacity.
  const double* Newest() const { return &data_[position_ + Capacity]; }

  void SetCurrent(double value) { data_[position_] = data_[position_ + Capacity] = value; }

  void Push(double value) {
    if (++position_ >= Capacity) position_ = 0;
    SetCurrent(value);
  }

 private:
  int32_t position_ = 0;
  double data_[2 * Capacity] = {};
};

// The statistics below read the window of the n newest elements, newest
// first. The newest one is passed in as `newest`, the value the caller has
// just stored (equal to Get(0)): read back from the slot just written, it
// would put a round trip through memory on their chain of operations.

// Calls visit(k, value) for the elements k = 0 .. n - 1 back, newest first,
// the newest as `newest`. A window longer than the series reads element by
// element through Get, missing elements as zeros.
template <int32_t Capacity, typename Visit>
void ForEachInWindow(const WindowSeries<Capacity>& series, double newest, int32_t n,
                     Visit&& visit) {
  if (n > Capacity) {
    for (int32_t k = 0; k < n; ++k) visit(k, series.Get(k));
    return;
  }
  if (n < 1) return;
  visit(0, newest);
  const double* const last = series.Newest();
  for (int32_t k = 1; k < n; ++k) visit(k, last[-k]);
}

// Sum of the n newest elements added newest first, starting from 0.0: the
// order that fixes its rounding.
template <int32_t Capacity>
double WindowSum(const WindowSeries<Capacity>& series, double newest, int32_t n) {
  double sum = 0.0;
  ForEachInWindow(series, newest, n, [&sum](int32_t, double v) { sum += v; });
  return sum;
}

// WindowSum divided by n (not a number for n 0).
template <int32_t Capacity>
double WindowAverage(const WindowSeries<Capacity>& series, double newest, int32_t n) {
  return WindowSum(series, newest, n) / static_cast<double>(n);
}

// Calls stepA(k) for k = 0 .. na - 1 and stepB(k) for k = 0 .. nb - 1, each
// in increasing k, interleaved while both run, so that independent chains of
// operations in the two overlap instead of one waiting for the other.
template <typename StepA, typename StepB>
void Interleave(int32_t na, int32_t nb, StepA&& stepA, StepB&& stepB) {
  int32_t k = 0;
  for (; k < na && k < nb; ++k) {
    stepA(k);
    stepB(k);
  }
  for (int32_t j = k; j < na; ++j) stepA(j);
  for (int32_t j = k; j < nb; ++j) stepB(j);
}

// WindowSum of two series over the same n, each in its own order, in one pass
// so that the two chains of additions run side by side.
template <int32_t Capacity>
void WindowSumPair(const WindowSeries<Capacity>& a, double newestA, const WindowSeries<Capacity>& b,
                   double newestB, int32_t n, double& sumA, double& sumB) {
  if (n > Capacity || n < 1) {
    sumA = WindowSum(a, newestA, n);
    sumB = WindowSum(b, newestB, n);
    return;
  }
  const double* const lastA = a.Newest();
  const double* const lastB = b.Newest();
  double sa = 0.0;
  double sb = 0.0;
  sa += newestA;
  sb += newestB;
  for (int32_t k = 1; k < n; ++k) {
    sa += lastA[-k];
    sb += lastB[-k];
  }
  sumA = sa;
  sumB = sb;
}

// Squared deviation of one element from `mean`, added to `squares`: the
// deviation is squared before it is added.
inline void AddSquare(double& squares, double v, double mean) {
  const double d = v - mean;
  squares += d * d;
}

// The sum of the squared deviations of the n newest elements from `mean`,
// newest first: the variance sum of a population standard deviation.
template <int32_t Capacity>
double WindowSquares(const WindowSeries<Capacity>& series, double newest, int32_t n, double mean) {
  double squares = 0.0;
  ForEachInWindow(series, newest, n,
                  [&squares, mean](int32_t, double v) { AddSquare(squares, v, mean); });
  return squares;
}

// The linearly weighted average of the n newest elements: weights n (newest)
// down to 1 (oldest), terms added newest first.
template <int32_t Capacity>
double WindowWeightedAverage(const WindowSeries<Capacity>& series, double newest, int32_t n) {
  double weighted = 0.0;
  ForEachInWindow(series, newest, n, [&weighted, n](int32_t k, double v) {
    weighted += v * static_cast<double>(n - k);
  });
  return weighted / WeightedAverageDivisor(n);
}

// The population mean and standard deviation of the n newest elements,
// given their WindowSum; both 0 for n < 1.
template <int32_t Capacity>
void WindowMeanStdDev(const WindowSeries<Capacity>& series, double newest, int32_t n, double sum,
                      double& mean, double& stdDev) {
  if (n <= 0) {
    mean = 0.0;
    stdDev = 0.0;
    return;
  }
  const double m = sum / static_cast<double>(n);
  const double squares = WindowSquares(series, newest, n, m);
  mean = m;
  stdDev = std::sqrt(squares / static_cast<double>(n));
}

}  // namespace zeb
