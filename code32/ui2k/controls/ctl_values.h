// What the selection controls share: the allowed values of a control's
// option in list order, the refusal record of lists and combos, and the
// entry texts.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Kind-4 attribute of lists and combos: a marked value is refused (with the
// control's message string) and drawn with a picture.
struct UiAttrChoice {
    int16_t kind;             // 4
    uint16_t reserved;
    uint32_t refuse;          // 1: choosing a marked value is refused
    uint32_t pictureKey;      // picture drawn beside a marked entry, 0 none
    uint16_t lineCount;
    const uint16_t* lines;    // {label string, key, alternative key} triples
};
constexpr int16_t kAttrChoice = 4;

struct CtlValue {
    uint16_t value;
    uint8_t marked;           // the value's second condition holds
};

// Walks the value records of `option` in order: value 0 ends the walk, a
// value whose first condition holds is left out. `fn(CtlValue)` returns
// false to stop. The number of values offered.
template <class Fn>
int CtlForEachAllowed(DrvContext* ctx, uint32_t option, Fn fn);

// The first value record of a list option, 0 for other kinds.
uint32_t CtlFirstValueRecord(DrvContext* ctx, uint32_t option);
// One step of the walk: the value of `record` (0 ends) and whether it is
// allowed and marked.
uint16_t CtlValueAt(DrvContext* ctx, uint32_t option, uint32_t record, bool* allowed, bool* marked);
uint32_t CtlNextValueRecord(DrvContext* ctx, uint32_t option, uint32_t record);
// 1 when `value` is an allowed value whose second condition holds.
int CtlValueMarked(DrvContext* ctx, uint32_t option, uint32_t value);
// The refusal record of the control when it refuses marked values with a
// message, else null.
const UiAttrChoice* CtlRefusal(const UiControl* control);
// The string whose id is `id` into the session's text buffer (empty when
// missing); the buffer.
WCHAR* CtlLoadText(DrvContext* ctx, uint32_t id, WCHAR* buffer, size_t chars);
// The quality list's entry text for entry `index` (522 characters).
void FormatOneIntQuality(WCHAR* out, int index);
// The refusal box over the control's window with its message string.
void CtlRefusalBox(DrvContext* ctx, const UiControl* control);

template <class Fn>
int CtlForEachAllowed(DrvContext* ctx, uint32_t option, Fn fn) {
    int n = 0;
    for (uint32_t r = CtlFirstValueRecord(ctx, option); r; r = CtlNextValueRecord(ctx, option, r)) {
        bool allowed = false, marked = false;
        const uint16_t v = CtlValueAt(ctx, option, r, &allowed, &marked);
        if (!v) break;
        if (!allowed) continue;
        ++n;
        if (!fn(CtlValue{v, uint8_t(marked ? 1 : 0)})) break;
    }
    return n;
}

}  // namespace vesk
