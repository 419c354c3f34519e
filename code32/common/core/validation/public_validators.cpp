#include "core/validation/public_validators.h"

#include "core/allowed/allowed_values.h"
#include "core/item_ids.h"
#include "core/validation/option_checks.h"

namespace vesk {
namespace {

bool in(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// The model's answer (0 or 1) where it has one, else the built-in range.
int modelOr(int answer, int32_t value, int (*fallback)(int32_t)) {
    if (answer == 0 || answer == kOptValid) return answer;
    return fallback ? fallback(value) : 0;
}

int allowed(int itemId, int32_t value, DrvContext* ctx, int (*fallback)(int32_t)) {
    return modelOr(OptIsValueAllowed(static_cast<uint16_t>(itemId), static_cast<uint32_t>(value), ctx), value,
                   fallback);
}

int isOrientation(int32_t v) { return (v == 1 || v == 2) ? 1 : 0; }

}  // namespace

int IsBuiltinSourceValue(int32_t v) { return (in(v, 1, 15) || in(v, 256, 272) || in(v, 281, 285)) ? 1 : 0; }
int IsSupportedDpi(int32_t v) { return (v == 300 || v == 600 || v == 1200 || v == 2400) ? 1 : 0; }
int IsBuiltinDuplexValue(int32_t v) { return in(v, 1, 3) ? 1 : 0; }
int IsBuiltinColorValue(int32_t v) { return in(v, 1, 2) ? 1 : 0; }
int IsBuiltinTTOptionValue(int32_t v) { return in(v, 1, 4) ? 1 : 0; }
int IsBuiltinICMMethodValue(int32_t v) { return (in(v, 1, 4) || v == 256) ? 1 : 0; }
int IsBuiltinICMIntentValue(int32_t v) { return (in(v, 1, 2) || v == 256) ? 1 : 0; }
int IsBuiltinMediaTypeValue(int32_t v) { return (in(v, 1, 3) || in(v, 256, 271) || in(v, 513, 516)) ? 1 : 0; }
int IsBuiltinDitherTypeValue(int32_t v) { return (in(v, 1, 4) || v == 10 || v == 256) ? 1 : 0; }
int IsDmResValue(int32_t v) { return in(v, -4, -1) ? 1 : 0; }

int DmCheckDefaultSource(int32_t v, DrvContext* ctx) { return allowed(kItDmDefaultSource, v, ctx, IsBuiltinSourceValue); }
// Orientation asks the check that accepts any value its value map knows.
int DmCheckOrientation(int32_t v, DrvContext* ctx) {
    return modelOr(OptCheckValueOrReset(kItDmOrientation, static_cast<uint32_t>(v), ctx), v, isOrientation);
}
// No built-in paper list: without the model no paper is valid.
int DmCheckPaperSize(int32_t v, DrvContext* ctx) { return allowed(kItDmPaperSize, v, ctx, nullptr); }
int DmCheckPrintQuality(int32_t v, DrvContext* ctx) { return allowed(kItDmPrintQuality, v, ctx, IsSupportedDpi); }
int DmCheckDuplex(int32_t v, DrvContext* ctx) { return allowed(kItDmDuplex, v, ctx, IsBuiltinDuplexValue); }
int DmCheckColor(int32_t v, DrvContext* ctx) { return allowed(kItDmColor, v, ctx, IsBuiltinColorValue); }
int DmCheckTTOption(int32_t v, DrvContext* ctx) { return allowed(kItDmTTOption, v, ctx, IsBuiltinTTOptionValue); }
int DmCheckICMMethod(int32_t v, DrvContext* ctx) { return allowed(kItDmICMMethod, v, ctx, IsBuiltinICMMethodValue); }
int DmCheckICMIntent(int32_t v, DrvContext* ctx) { return allowed(kItDmICMIntent, v, ctx, IsBuiltinICMIntentValue); }
int DmCheckMediaType(int32_t v, DrvContext* ctx) { return allowed(kItDmMediaType, v, ctx, IsBuiltinMediaTypeValue); }
int DmCheckDitherType(int32_t v, DrvContext* ctx) {
    return allowed(kItDmDitherType, v, ctx, IsBuiltinDitherTypeValue);
}
int DmCheckAny(int32_t, DrvContext*) { return 1; }

int DmCheckPublicValue(DrvContext* ctx, int itemId, int32_t value) {
    switch (itemId) {
    case kItDmDefaultSource: return DmCheckDefaultSource(value, ctx);
    case kItDmOrientation: return DmCheckOrientation(value, ctx);
    case kItDmPaperSize: return DmCheckPaperSize(value, ctx);
    case kItDmPrintQuality: return DmCheckPrintQuality(value, ctx);
    case kItDmDuplex: return DmCheckDuplex(value, ctx);
    case kItDmColor: return DmCheckColor(value, ctx);
    case kItDmTTOption: return DmCheckTTOption(value, ctx);
    case kItDmICMMethod: return DmCheckICMMethod(value, ctx);
    case kItDmICMIntent: return DmCheckICMIntent(value, ctx);
    case kItDmMediaType: return DmCheckMediaType(value, ctx);
    case kItDmDitherType: return DmCheckDitherType(value, ctx);
    default: return DmCheckAny(value, ctx);
    }
}

int DmCollateSupported(DrvContext* ctx) {
    uint32_t values[2] = {};
    uint32_t n = 0;
    const int r = OptGetAllowedValues(ctx, kItRdmSortType, 2, values, &n);
    if (r == kAllowedTooSmall) return 1;  // more than two
    if (r != kAllowedDone) return 0;
    return (n > 1 || (n == 1 && values[0] != 0)) ? 1 : 0;
}

}  // namespace vesk
