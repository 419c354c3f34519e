// Numbers shown as text in the numeric edits: parsing and formatting with a
// decimal scale, the numeric record of an option and the displayed range of
// a length.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

// The numeric record of a Numeric option: unit-suffix string id, maximum
// number of characters, scale (stored integer = shown number x scale), page
// step, minimum and maximum in stored units.
struct NumRecord {
    uint16_t suffixId;
    uint16_t maxChars;
    uint16_t scale;
    uint16_t pageStep;
    int32_t minimum;
    int32_t maximum;
};

// The record of the control's bound option; false when it is not Numeric.
bool NumRecordOf(DrvContext* ctx, const UiControl* control, NumRecord* out);
// Decimals of a scale: how often it divides by 10 while above 1.
int NumDecimals(int scale);
// The number in `text` times 10^decimals. Characters before the first digit
// are skipped (a '-' among them negates); decimals past the scale's are
// ignored. No digit gives 0; a magnitude above INT32_MAX gives 0 and sets
// `overflow` (optional).
int32_t NumParseText(const WCHAR* text, int scale, bool* overflow = nullptr);
// The value with the scale's decimals ("-3.5"); always terminated.
void NumFormatText(int32_t value, int scale, WCHAR* buffer, size_t capacity);
// The stored range of a length in display units, narrowed so that every
// displayed value converts back inside [minimum, maximum].
void NumGetDisplayRange(DrvContext* ctx, int32_t minimum, int32_t maximum, int32_t* outMin, int32_t* outMax);
// Scale of the display unit: 10 (0.1 mm) or 100 (0.01 inch).
int NumDisplayScale(DrvContext* ctx);

}  // namespace vesk
