// The graphics library's forms of the option-validation handlers and the
// allowed-value queries: the common functions under its profile.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct AllowedSetting;
struct AllowedValue;

int OptApplyValueCheckedGr(uint16_t id, uint32_t value, DrvContext* ctx);
int OptCheckValueOrResetGr(uint16_t id, uint32_t value, DrvContext* ctx);
int OptIsValueAllowedGr(uint16_t id, uint32_t value, DrvContext* ctx);

int DmCheckDefaultSourceGr(int32_t value, DrvContext* ctx);
int DmCheckOrientationGr(int32_t value, DrvContext* ctx);
int DmCheckPaperSizeGr(int32_t value, DrvContext* ctx);
int DmCheckPrintQualityGr(int32_t value, DrvContext* ctx);
int DmCheckDuplexGr(int32_t value, DrvContext* ctx);
int DmCheckColorGr(int32_t value, DrvContext* ctx);
int DmCheckTTOptionGr(int32_t value, DrvContext* ctx);
int DmCheckICMMethodGr(int32_t value, DrvContext* ctx);
int DmCheckICMIntentGr(int32_t value, DrvContext* ctx);
int DmCheckMediaTypeGr(int32_t value, DrvContext* ctx);
int DmCheckDitherTypeGr(int32_t value, DrvContext* ctx);

int OptGetAllowedValuesGr(DrvContext* ctx, uint32_t optionId, uint32_t capacity, uint32_t* out, uint32_t* outCount);
int OptValueAllowedBuiltinGr(DrvContext* ctx, const AllowedSetting* row, const AllowedValue* value);
int OptRecheckPaperAndResolutionGr(DrvContext* ctx);

}  // namespace vesk
