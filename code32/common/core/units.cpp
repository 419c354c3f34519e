#include "core/units.h"

#include <cstdint>

#include "core/item_store.h"

namespace vesk {
namespace {

constexpr int32_t kDpi = 1200;
constexpr int kKeyCustomWidth = 860;
constexpr int kKeyCustomLength = 861;

int32_t clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t toDots(uint32_t flags, int32_t v) {
    if (flags & kUnitTenthMm) return TenthMmToDots(v, kDpi);
    if (flags & kUnitHundredthInch) return HundredthInchToDots(v, kDpi);
    return 0;
}

int32_t toDisplay(uint32_t flags, int32_t dots) {
    if (flags & kUnitTenthMm) return DotsToTenthMm(dots, kDpi);
    if (flags & kUnitHundredthInch) return DotsToHundredthInch(dots, kDpi);
    return 0;
}

uint32_t unitFlagsOf(DrvContext* ctx) { return UnitIsMetric(ctx) ? kUnitTenthMm : kUnitHundredthInch; }

}  // namespace

int32_t DotsToTenthMm(int32_t v, int32_t r) {
    if (r == 0) return 0;
    int64_t v64 = v, r64 = r, q = v64 / r64, m = v64 % r64;
    return clamp32(q * 254 + m * 254 / r64);
}

int32_t DotsToHundredthInch(int32_t v, int32_t r) {
    int64_t per = r / 100;
    return per == 0 ? 0 : clamp32(static_cast<int64_t>(v) / per);
}

int32_t TenthMmToDots(int32_t v, int32_t r) {
    int64_t q = v / 254, m = v % 254;
    return clamp32(static_cast<int64_t>(r) * q + static_cast<int64_t>(r) * m / 254);
}

int32_t HundredthInchToDots(int32_t v, int32_t r) { return clamp32(static_cast<int64_t>(v) * (r / 100)); }

int32_t ScaleUnits(int32_t v, int32_t from, int32_t to) {
    if (from == 0 || to == 0) return 0;
    int64_t v64 = v, f64 = from, q = v64 / f64, m = v64 % f64;
    return clamp32(static_cast<int64_t>(to) * q + static_cast<int64_t>(to) * m / f64);
}

int32_t DisplayToDots(uint32_t flags, int32_t v, int32_t r) {
    if (!(flags & (kUnitTenthMm | kUnitHundredthInch))) return 0;
    int32_t n = toDots(flags, v);
    while (n > 0 && (toDisplay(flags, n) > v || (n & 1))) --n;
    return ScaleUnits(n, kDpi, r);
}

int32_t DotsToDisplay(uint32_t flags, int32_t v, int32_t r) {
    if (!(flags & (kUnitTenthMm | kUnitHundredthInch))) return 0;
    int32_t b = ScaleUnits(v, r, kDpi);
    int32_t i = toDisplay(flags, b);
    // One display step is at most a few dots, so this ends within a few rounds.
    for (int guard = 0; guard < 64 && toDots(flags, i) < b && i < INT32_MAX; ++guard) ++i;
    return i;
}

int32_t ItemDotsToDisplay(DrvContext* ctx, int itemId, int32_t v) {
    if (v < 0) return 0;
    if (itemId) v = static_cast<int32_t>(ItemValueById(ctx, itemId));
    return DotsToDisplay(unitFlagsOf(ctx), v, kDpi);
}

int32_t DisplayToDotsItem(DrvContext* ctx, int itemId, int32_t v) {
    if (v < 0) return 0;
    int32_t r = DisplayToDots(unitFlagsOf(ctx), v, kDpi);
    if (itemId) ItemSetValueById(ctx, itemId, static_cast<uint32_t>(r));
    return r;
}

int GetCustomSizeRange(DrvContext* ctx, int key, int32_t* outMin, int32_t* outMax) {
    if (!ctx || !ctx->desc) return 0;
    int32_t lo, hi;
    if (key == kKeyCustomWidth) {
        lo = static_cast<int32_t>(ctx->desc->customWidthMin);
        hi = static_cast<int32_t>(ctx->desc->customWidthMax);
    } else if (key == kKeyCustomLength) {
        lo = static_cast<int32_t>(ctx->desc->customLengthMin);
        hi = static_cast<int32_t>(ctx->desc->customLengthMax);
    } else {
        return 0;
    }
    uint32_t flags = unitFlagsOf(ctx);
    // A display value converts back the way the driver reads user input
    // (DisplayToDots, which rounds down to an even dot count), not by a plain
    // change of unit: the metric width maximum of 14030 dots is 297.0 mm,
    // which the driver reads back as 14030 dots, so a user may type it,
    // where a plain conversion (14031.5 dots) would cut it to 296.9 mm.
    int32_t maxShown = ItemDotsToDisplay(ctx, 0, hi);
    if (DisplayToDots(flags, maxShown, kDpi) > hi) --maxShown;
    int32_t minShown = ItemDotsToDisplay(ctx, 0, lo);
    if (DisplayToDots(flags, minShown, kDpi) < lo) ++minShown;
    if (outMin) *outMin = minShown;
    if (outMax) *outMax = maxShown;
    return 1;
}

int32_t MulDivOrMinus1(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    return clamp32(static_cast<int64_t>(a) * b / c);
}

}  // namespace vesk
