#pragma once
// The amplifier's peaking band, written once over a scalar type so that the
// solver can evaluate it with derivatives (forward-mode dual numbers, three
// per band: log frequency, Q, gain) and tests can check it against the
// response code the curves are drawn with (eqview::DesignPeakingBand).
// Header only and free of solver headers; instantiate with double or a dual type.
#include <cmath>

namespace vlm::tune {

inline constexpr double kBandSampleRate = 48000.0;

// A point of the axis as the unit vector e^{j theta}, theta = -2 pi f / 48000,
// and its square.
struct UnitPoint {
  double c1 = 1.0, s1 = 0.0, c2 = 1.0, s2 = 0.0;
  static UnitPoint At(double hz) {
    const double theta = -3.14159265358979323846 * hz / (kBandSampleRate / 2.0);
    return {std::cos(theta), std::sin(theta), std::cos(2.0 * theta), std::sin(2.0 * theta)};
  }
};

template <typename T>
struct BandCoefficients {
  T b0, b1, b2, a1, a2;
};

// The design of eqview::DesignPeakingBand at 48 kHz, from ln(centre Hz).
template <typename T>
BandCoefficients<T> PeakingCoefficients(const T& logHz, const T& q, const T& gainDb) {
  using std::cos;
  using std::exp;
  using std::sin;
  using std::sqrt;
  const T amp = exp(gainDb * (2.302585092994045684 / 20.0));
  const T w = exp(logHz) * (2.0 * 3.14159265358979323846 / kBandSampleRate);
  const T s = sin(w);
  const T cw = cos(w);
  const T wl = (sqrt(4.0 * q * q + 1.0) - 1.0) * w / (2.0 * q);
  T t = sin(wl) * s / (2.0 * (cos(wl) - cw));
  if (gainDb < 0.0) t = t * amp;
  const T d = 2.0 * t + s;
  BandCoefficients<T> k;
  k.a1 = -4.0 * t * cw / d;
  k.a2 = (2.0 * t - s) / d;
  k.b0 = (2.0 * t + amp * s) / d;
  k.b1 = k.a1;
  k.b2 = (2.0 * t - amp * s) / d;
  return k;
}

// 10 log10 |H|^2 of the band at one point (no floor: a peaking band within
// the wire's limits never comes near it).
template <typename T>
T BandLevelDb(const BandCoefficients<T>& k, const UnitPoint& p) {
  using std::log;
  const T nr = k.b0 + k.b1 * p.c1 + k.b2 * p.c2;
  const T ni = k.b1 * p.s1 + k.b2 * p.s2;
  const T dr = 1.0 + k.a1 * p.c1 + k.a2 * p.c2;
  const T di = k.a1 * p.s1 + k.a2 * p.s2;
  return (10.0 / 2.302585092994045684) * log((nr * nr + ni * ni) / (dr * dr + di * di));
}

// The level at one point with its derivatives by the coefficients b0, b1, b2,
// a1, a2, in plain numbers: the solver sums these over its smoothing windows
// and carries them to a band's parameters through the coefficients' own
// derivatives, which costs far less than dual numbers at every point.
inline constexpr int kBandCoefficients = 5;

struct BandLevelSlopes {
  double level = 0.0;
  double slope[kBandCoefficients] = {};

  BandLevelSlopes operator+(const BandLevelSlopes& o) const { return Combine(o, 1.0); }
  BandLevelSlopes operator-(const BandLevelSlopes& o) const { return Combine(o, -1.0); }
  BandLevelSlopes operator*(double f) const {
    BandLevelSlopes s;
    s.level = level * f;
    for (int j = 0; j < kBandCoefficients; ++j) s.slope[j] = slope[j] * f;
    return s;
  }

 private:
  BandLevelSlopes Combine(const BandLevelSlopes& o, double sign) const {
    BandLevelSlopes s;
    s.level = level + sign * o.level;
    for (int j = 0; j < kBandCoefficients; ++j) s.slope[j] = slope[j] + sign * o.slope[j];
    return s;
  }
};

inline BandLevelSlopes BandLevelWithSlopes(const BandCoefficients<double>& k, const UnitPoint& p) {
  constexpr double kDbPerNeper = 10.0 / 2.302585092994045684;
  const double nr = k.b0 + k.b1 * p.c1 + k.b2 * p.c2;
  const double ni = k.b1 * p.s1 + k.b2 * p.s2;
  const double dr = 1.0 + k.a1 * p.c1 + k.a2 * p.c2;
  const double di = k.a1 * p.s1 + k.a2 * p.s2;
  const double n2 = nr * nr + ni * ni;
  const double d2 = dr * dr + di * di;
  const double gn = 2.0 * kDbPerNeper / n2;
  const double gd = -2.0 * kDbPerNeper / d2;
  BandLevelSlopes s;
  s.level = kDbPerNeper * std::log(n2 / d2);
  s.slope[0] = gn * nr;
  s.slope[1] = gn * (nr * p.c1 + ni * p.s1);
  s.slope[2] = gn * (nr * p.c2 + ni * p.s2);
  s.slope[3] = gd * (dr * p.c1 + di * p.s1);
  s.slope[4] = gd * (dr * p.c2 + di * p.s2);
  return s;
}

}  // namespace vlm::tune
