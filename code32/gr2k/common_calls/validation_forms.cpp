#include "common_calls/validation_forms.h"

#include "core/allowed/allowed_values.h"
#include "core/devmode/dm_normalize.h"
#include "core/validation/option_checks.h"
#include "core/validation/public_validators.h"

namespace vesk {

int OptApplyValueCheckedGr(uint16_t id, uint32_t value, DrvContext* ctx) { return OptApplyValueChecked(id, value, ctx); }
int OptCheckValueOrResetGr(uint16_t id, uint32_t value, DrvContext* ctx) { return OptCheckValueOrReset(id, value, ctx); }
int OptIsValueAllowedGr(uint16_t id, uint32_t value, DrvContext* ctx) { return OptIsValueAllowed(id, value, ctx); }

int DmCheckDefaultSourceGr(int32_t value, DrvContext* ctx) { return DmCheckDefaultSource(value, ctx); }
int DmCheckOrientationGr(int32_t value, DrvContext* ctx) { return DmCheckOrientation(value, ctx); }
int DmCheckPaperSizeGr(int32_t value, DrvContext* ctx) { return DmCheckPaperSize(value, ctx); }
int DmCheckPrintQualityGr(int32_t value, DrvContext* ctx) { return DmCheckPrintQuality(value, ctx); }
int DmCheckDuplexGr(int32_t value, DrvContext* ctx) { return DmCheckDuplex(value, ctx); }
int DmCheckColorGr(int32_t value, DrvContext* ctx) { return DmCheckColor(value, ctx); }
int DmCheckTTOptionGr(int32_t value, DrvContext* ctx) { return DmCheckTTOption(value, ctx); }
int DmCheckICMMethodGr(int32_t value, DrvContext* ctx) { return DmCheckICMMethod(value, ctx); }
int DmCheckICMIntentGr(int32_t value, DrvContext* ctx) { return DmCheckICMIntent(value, ctx); }
int DmCheckMediaTypeGr(int32_t value, DrvContext* ctx) { return DmCheckMediaType(value, ctx); }
int DmCheckDitherTypeGr(int32_t value, DrvContext* ctx) { return DmCheckDitherType(value, ctx); }

int OptGetAllowedValuesGr(DrvContext* ctx, uint32_t optionId, uint32_t capacity, uint32_t* out, uint32_t* outCount) {
    return OptGetAllowedValues(ctx, optionId, capacity, out, outCount);
}
int OptValueAllowedBuiltinGr(DrvContext* ctx, const AllowedSetting* row, const AllowedValue* value) {
    return OptValueAllowedBuiltin(ctx, row, value);
}
int OptRecheckPaperAndResolutionGr(DrvContext* ctx) { return OptRecheckPaperAndResolution(ctx); }

}  // namespace vesk
