// Writes the bundled sample: intraday five-minute bars over 66 trading days,
// with a drifting, mean-reverting price, volatility that clusters, a U-shaped
// intraday volume profile and a buy/sell split of each bar's volume.
// Deterministic: its own generator and integer-rounded output give the same
// file on every machine.

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// xorshift64*: small, fixed, identical everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  double Uniform() {  // [0, 1)
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<double>((state_ * 2685821657736338717ULL) >> 11) *
           (1.0 / 9007199254740992.0);
  }
  double Normal() {  // sum of twelve uniforms, close enough to a normal draw
    double s = -6.0;
    for (int i = 0; i < 12; ++i) s += Uniform();
    return s;
  }

 private:
  uint64_t state_;
};

int DateAfter(int date, int tradingDays) {
  static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int y = date / 10000, m = date / 100 % 100, d = date % 100;
  int weekday = 1;  // 2024-01-02 was a Tuesday; Monday = 0
  for (int added = 0; added < tradingDays;) {
    if (++d > kDaysInMonth[m - 1] + (m == 2 && y % 4 == 0 ? 1 : 0)) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
    weekday = (weekday + 1) % 7;
    if (weekday < 5) ++added;
  }
  return y * 10000 + m * 100 + d;
}

double Cents(double price) {
  return std::round(price * 100.0) / 100.0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "sample_bars.csv";
  std::FILE* out = std::fopen(path, "w");
  if (!out) {
    std::fprintf(stderr, "make_sample: cannot write %s\n", path);
    return 1;
  }
  std::fprintf(out, "bar,date,time,open,high,low,close,volume1,volume2\n");
  Random random(20240102);
  const int kDays = 66, kBarsPerDay = 78;  // 09:30 to 15:55
  double price = 100.0, volatility = 0.0015, fair = 100.0;
  int bar = 0;
  for (int day = 0; day < kDays; ++day) {
    const int date = DateAfter(20240102, day);
    fair *= std::exp(0.004 * random.Normal());
    price = Cents(price * std::exp(0.006 * random.Normal()));  // overnight gap
    for (int slot = 0; slot < kBarsPerDay; ++slot) {
      volatility = 0.0002 + 0.9 * volatility + 0.1 * 0.0015 * std::fabs(random.Normal());
      const double open = price;
      double close = open * std::exp(volatility * random.Normal() + 0.02 * std::log(fair / open));
      close = Cents(close);
      const double high =
          Cents(std::fmax(open, close) * (1.0 + volatility * 0.6 * random.Uniform()));
      const double low =
          Cents(std::fmin(open, close) * (1.0 - volatility * 0.6 * random.Uniform()));
      const double edge = (slot - (kBarsPerDay - 1) / 2.0) / (kBarsPerDay / 2.0);
      const double volume = std::round(800.0 * (1.0 + 2.5 * edge * edge) *
                                       (0.5 + random.Uniform()) * (1.0 + 200.0 * volatility));
      const double buyShare = 0.5 +
                              (close > open   ? 0.15
                               : close < open ? -0.15
                                              : 0.0) +
                              0.2 * (random.Uniform() - 0.5);
      const double volume1 = std::round(volume * buyShare);
      const int minutes = 9 * 60 + 30 + 5 * slot;
      std::fprintf(out, "%d,%d,%02d:%02d,%.2f,%.2f,%.2f,%.2f,%.0f,%.0f\n", ++bar, date,
                   minutes / 60, minutes % 60, open, high, low, close, volume1, volume - volume1);
      price = close;
    }
  }
  std::fclose(out);
  return 0;
}
