// The allowed-values walk of the selection controls.
#include "controls/ctl_values.h"

#include <win/user.h>

#include "core/model/constraints.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"

namespace vesk {

uint32_t CtlFirstValueRecord(DrvContext* ctx, uint32_t option) {
    if (!ctx || !option) return 0;
    const MdlImageView v = MdlViewOf(ctx);
    uint16_t type = 0;
    uint32_t head = 0;
    if (!v.u16(option + kMdlOptType, &type) || !v.u32(option + kMdlOptValues, &head)) return 0;
    const uint8_t kind = uint8_t(type & 0xFF);
    return (kind == 1 || kind == 2) ? head : 0;
}

uint16_t CtlValueAt(DrvContext* ctx, uint32_t option, uint32_t record, bool* allowed, bool* marked) {
    uint32_t conditions = 0;
    const uint16_t value = MdlOptionGetChoice(ctx, option, record, &conditions);
    *allowed = value != 0 && !(conditions && MdlEvalOptionCond1(ctx, option, value));
    *marked = *allowed && MdlEvalOptionCond2(ctx, option, value) != 0;
    return value;
}

uint32_t CtlNextValueRecord(DrvContext* ctx, uint32_t option, uint32_t record) {
    return MdlOptionGetValueList(ctx, option, record);
}

int CtlValueMarked(DrvContext* ctx, uint32_t option, uint32_t value) {
    int marked = 0;
    CtlForEachAllowed(ctx, option, [&](CtlValue v) {
        if (v.value != value) return true;
        marked = v.marked;
        return false;
    });
    return marked;
}

const UiAttrChoice* CtlRefusal(const UiControl* control) {
    const auto* a = static_cast<const UiAttrChoice*>(CtlGetAttr(control, kAttrChoice));
    return a && a->refuse && control->messageString ? a : nullptr;
}

WCHAR* CtlLoadText(DrvContext* ctx, uint32_t id, WCHAR* buffer, size_t chars) {
    buffer[0] = 0;
    if (id && ResLoadString(ctx, id, buffer, chars, 0) <= 0) buffer[0] = 0;
    return buffer;
}

void CtlRefusalBox(DrvContext* ctx, const UiControl* control) {
    WCHAR text[522];
    CtlLoadText(ctx, control->messageString, text, 522);
    MessageBoxW(control->window, text, u"Information", MB_ICONINFORMATION);
}

}  // namespace vesk
