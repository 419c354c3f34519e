// Validators of the public DEVMODE fields: the model decides where it
// describes the field's option; where it does not (no option, or the item
// has no key), a built-in range does. 1 valid, 0 not.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

int DmCheckDefaultSource(int32_t value, DrvContext* ctx);
int DmCheckOrientation(int32_t value, DrvContext* ctx);
int DmCheckPaperSize(int32_t value, DrvContext* ctx);
int DmCheckPrintQuality(int32_t value, DrvContext* ctx);
int DmCheckDuplex(int32_t value, DrvContext* ctx);
int DmCheckColor(int32_t value, DrvContext* ctx);
int DmCheckTTOption(int32_t value, DrvContext* ctx);
int DmCheckICMMethod(int32_t value, DrvContext* ctx);
int DmCheckICMIntent(int32_t value, DrvContext* ctx);
int DmCheckMediaType(int32_t value, DrvContext* ctx);
int DmCheckDitherType(int32_t value, DrvContext* ctx);
int DmCheckAny(int32_t value, DrvContext* ctx);

// The built-in ranges.
int IsBuiltinSourceValue(int32_t v);       // 1..15, 256..272, 281..285
int IsSupportedDpi(int32_t v);             // 300, 600, 1200, 2400
int IsBuiltinDuplexValue(int32_t v);       // 1..3
int IsBuiltinColorValue(int32_t v);        // 1, 2
int IsBuiltinTTOptionValue(int32_t v);     // 1..4
int IsBuiltinICMMethodValue(int32_t v);    // 1..4, 256
int IsBuiltinICMIntentValue(int32_t v);    // 1, 2, 256
int IsBuiltinMediaTypeValue(int32_t v);    // 1..3, 256..271, 513..516
int IsBuiltinDitherTypeValue(int32_t v);   // 1..4, 10, 256
// The DMRES_ qualities, -4..-1.
int IsDmResValue(int32_t v);

// The validator of a public field's item (7, 8, 13-16, 18, 27-30; any other
// item: DmCheckAny), as the DEVMODE merge asks it.
int DmCheckPublicValue(DrvContext* ctx, int itemId, int32_t value);
// 1 when the device collates: the allowed values of option 129 are more
// than one, or one that is not 0.
int DmCollateSupported(DrvContext* ctx);

}  // namespace vesk
