// Number text of the numeric edits.
#include "widgets/num_text.h"

#include <win/wingdi.h>

#include <cstdint>
#include <cstdio>

#include "core/item_store.h"
#include "core/model/image.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/units.h"

namespace vesk {

bool NumRecordOf(DrvContext* ctx, const UiControl* control, NumRecord* out) {
    *out = NumRecord{};
    if (!ctx || !control || !control->option) return false;
    const MdlImageView v = MdlViewOf(ctx);
    uint16_t type = 0;
    uint32_t block = 0;
    if (!v.u16(control->option + kMdlOptType, &type) || MdlBaseType(type) != kMdlNumeric) return false;
    if (!v.u32(control->option + kMdlOptValues, &block) || !v.inside(block, kMdlNumBlockSize)) return false;
    v.u16(block + kMdlNumUnit, &out->suffixId);
    v.u16(block + 2, &out->maxChars);
    v.u16(block + 4, &out->scale);
    v.u16(block + 6, &out->pageStep);
    v.i32(block + kMdlNumMinimum, &out->minimum);
    v.i32(block + kMdlNumMaximum, &out->maximum);
    return true;
}

int NumDecimals(int scale) {
    int n = 0;
    for (; scale > 1; scale /= 10) ++n;
    return n;
}

int32_t NumParseText(const WCHAR* text, int scale, bool* overflow) {
    if (overflow) *overflow = false;
    if (!text) return 0;
    const int decimals = NumDecimals(scale);
    bool negative = false;
    size_t i = 0;
    for (; text[i] && !(text[i] >= u'0' && text[i] <= u'9'); ++i)
        if (text[i] == u'-') negative = true;
    if (!text[i]) return 0;
    // Accumulated in 64 bits so that a long digit run is seen, not wrapped.
    int64_t value = 0;
    bool tooBig = false;
    auto add = [&](int digit) {
        value = value * 10 + digit;
        if (value > INT32_MAX) tooBig = true, value = INT32_MAX;
    };
    for (; text[i] >= u'0' && text[i] <= u'9'; ++i) add(text[i] - u'0');
    int taken = 0;
    if (text[i] == u'.')
        for (++i; taken < decimals && text[i] >= u'0' && text[i] <= u'9'; ++i, ++taken) add(text[i] - u'0');
    for (; taken < decimals; ++taken) add(0);
    if (tooBig) {
        if (overflow) *overflow = true;
        return 0;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

void NumFormatText(int32_t value, int scale, WCHAR* buffer, size_t capacity) {
    if (!buffer || !capacity) return;
    const int decimals = NumDecimals(scale);
    // The sign first, then the magnitude: the quotient and remainder of a
    // negative value would each carry it.
    const uint64_t magnitude = value < 0 ? uint64_t(-int64_t(value)) : uint64_t(value);
    char text[32];
    const char* sign = value < 0 ? "-" : "";
    if (decimals >= 1 && decimals <= 4) {
        static const uint32_t kDivisor[] = {1, 10, 100, 1000, 10000};
        const uint32_t d = kDivisor[decimals];
        std::snprintf(text, sizeof text, "%s%llu.%0*llu", sign, static_cast<unsigned long long>(magnitude / d),
                      decimals, static_cast<unsigned long long>(magnitude % d));
    } else {
        std::snprintf(text, sizeof text, "%s%llu", sign, static_cast<unsigned long long>(magnitude));
    }
    size_t n = 0;
    for (; text[n] && n + 1 < capacity; ++n) buffer[n] = static_cast<WCHAR>(text[n]);
    buffer[n] = 0;
}

void NumGetDisplayRange(DrvContext* ctx, int32_t minimum, int32_t maximum, int32_t* outMin, int32_t* outMax) {
    int32_t hi = ItemDotsToDisplay(ctx, 0, maximum);
    if (DisplayToDotsItem(ctx, 0, hi) > maximum) --hi;
    int32_t lo = ItemDotsToDisplay(ctx, 0, minimum);
    if (DisplayToDotsItem(ctx, 0, lo) < minimum) ++lo;
    if (outMin) *outMin = lo;
    if (outMax) *outMax = hi;
}

int NumDisplayScale(DrvContext* ctx) { return UnitIsMetric(ctx) ? 10 : 100; }

}  // namespace vesk
