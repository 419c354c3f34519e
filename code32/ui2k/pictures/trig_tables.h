// Whole-degree sine and cosine tables of the watermark rotation: 100 x
// sin(d) (cos(d)) plus 0.5, truncated toward zero, computed when the library
// is compiled, with the eight entries the drawing has always used that
// differ from the rule.
#pragma once
#include <array>
#include <cstdint>

namespace vesk {

namespace trig_detail {
constexpr double kPi = 3.14159265358979323846;
// sin(x) for x in [-pi/2, pi/2] by its series.
constexpr double series(double x) {
    double term = x, sum = x;
    for (int n = 1; n < 14; ++n) {
        term *= -x * x / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}
constexpr double sinDegrees(int d) {
    d %= 360;
    if (d < 0) d += 360;
    // Into [-90, 90]: sin(180 - d) = sin(d).
    int r = d <= 90 ? d : d <= 270 ? 180 - d : d - 360;
    return series(r * kPi / 180.0);
}
constexpr int16_t rule(double v) { return static_cast<int16_t>(100.0 * v + 0.5); }
struct Exception {
    int degree;
    int16_t value;
};
constexpr Exception kSinExceptions[] = {{167, 23}, {211, -50}, {347, -22}, {358, -3}};
constexpr Exception kCosExceptions[] = {{121, -50}, {257, -22}, {268, -3}, {301, 51}};

template <bool Cosine>
constexpr std::array<int16_t, 360> makeTable() {
    std::array<int16_t, 360> t{};
    for (int d = 0; d < 360; ++d) t[size_t(d)] = rule(sinDegrees(Cosine ? d + 90 : d));
    for (const Exception& e : Cosine ? kCosExceptions : kSinExceptions) t[size_t(e.degree)] = e.value;
    return t;
}
}  // namespace trig_detail

inline constexpr std::array<int16_t, 360> kSinTable = trig_detail::makeTable<false>();
inline constexpr std::array<int16_t, 360> kCosTable = trig_detail::makeTable<true>();

}  // namespace vesk
