#include "text/text_metrics.h"

#include <cmath>
#include <cstdlib>

namespace vesk {

LONG IntHypot(LONG a, LONG b) {
    const uint64_t ua = static_cast<uint64_t>(std::llabs(int64_t{a}));
    const uint64_t ub = static_cast<uint64_t>(std::llabs(int64_t{b}));
    if (ua == 0) return static_cast<LONG>(ub > 0x7FFFFFFF ? 0x7FFFFFFF : ub);
    if (ub == 0) return static_cast<LONG>(ua > 0x7FFFFFFF ? 0x7FFFFFFF : ua);
    const uint64_t sum = ua * ua + ub * ub;  // at most 2^63
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<long double>(sum)));
    while (r > 0 && r * r >= sum) --r;  // the estimate may be one off either way
    while (r * r < sum) ++r;
    return static_cast<LONG>(r > 0x7FFFFFFF ? 0x7FFFFFFF : r);
}

LONG FloatScale(FLOATL x, LONG n) {
    const double v = static_cast<double>(x) * n;
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 0x7FFFFFFF;
    if (v <= -2147483648.0) return static_cast<LONG>(-2147483647 - 1);
    return static_cast<LONG>(v);
}

namespace {

// The angle in tenths of a degree (0 to 450) whose tangent is nearest to
// num / den, 0 <= num <= den, den > 0: bisection over the table.
LONG tenthsOfRatio(uint64_t num, uint64_t den) {
    const uint64_t scaled = num << 16;
    size_t lo = 0, hi = 450;  // kTanTenthTable[lo] * den <= scaled
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (uint64_t{kTanTenthTable[mid]} * den <= scaled)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo < 450) {
        const uint64_t below = scaled - uint64_t{kTanTenthTable[lo]} * den;
        const uint64_t above = uint64_t{kTanTenthTable[lo + 1]} * den - scaled;
        if (above < below) ++lo;
    }
    return static_cast<LONG>(lo);
}

}  // namespace

LONG VectorAngle(LONG x, LONG y) {
    if (y == 0) return x < 0 ? 180 : 0;
    if (x == 0) return y > 0 ? 90 : -90;
    const uint64_t ax = static_cast<uint64_t>(std::llabs(int64_t{x}));
    const uint64_t ay = static_cast<uint64_t>(std::llabs(int64_t{y}));
    LONG deg;
    if (ax == ay)
        deg = 45;
    else if (ay < ax)
        deg = (tenthsOfRatio(ay, ax) + 5) / 10;
    else
        deg = 90 - (tenthsOfRatio(ax, ay) + 5) / 10;
    if (x < 0) deg = 180 - deg;
    return y < 0 ? -deg : deg;
}

LONG Sin14(LONG degrees) {
    LONG d = degrees % 360;
    if (d < 0) d += 360;
    if (d <= 90) return kSin14Table[d];
    if (d <= 180) return kSin14Table[180 - d];
    if (d <= 270) return -LONG{kSin14Table[d - 180]};
    return -LONG{kSin14Table[360 - d]};
}

LONG Cos14(LONG degrees) { return Sin14(static_cast<LONG>((int64_t{degrees} % 360) + 90)); }

}  // namespace vesk
