// Shared helpers of the control handlers.
#include "widgets/widget_support.h"

#include <win/wingdi.h>
#include <win/codepage.h>

#include "core/model/constraints.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/ui_lookup.h"

namespace vesk {

uint16_t OptTypeOf(DrvContext* ctx, uint32_t option) {
    uint16_t type = 0;
    if (option) MdlViewOf(ctx).u16(option + kMdlOptType, &type);
    return type;
}

uint32_t OptFirstValue(DrvContext* ctx, uint32_t option) {
    uint32_t head = 0;
    if (option && (OptTypeOf(ctx, option) & 0x3)) MdlViewOf(ctx).u32(option + kMdlOptValues, &head);
    return head;
}

uint32_t OptNextValue(DrvContext* ctx, uint32_t option, uint32_t record) {
    return record ? MdlOptionGetValueList(ctx, option, record) : 0;
}

uint16_t OptValueId(DrvContext* ctx, uint32_t option, uint32_t record) {
    return record ? MdlOptionGetChoice(ctx, option, record, nullptr) : 0;
}

bool OptStringLimits(DrvContext* ctx, uint32_t option, int* maxLength, int* flags) {
    *maxLength = *flags = 0;
    const MdlImageView v = MdlViewOf(ctx);
    uint32_t block = 0;
    if (!option || MdlBaseType(OptTypeOf(ctx, option)) != kMdlString) return false;
    if (!v.u32(option + kMdlOptValues, &block) || !v.inside(block, kMdlStrBlockSize)) return false;
    int16_t n = 0, kind = 0;
    v.i16(block + 2, &n);
    v.i16(block + 4, &kind);
    *maxLength = n;
    *flags = kind;
    return true;
}

int OptValueAllowed(DrvContext* ctx, uint32_t option, uint32_t valueId) {
    return !MdlEvalOptionCond1(ctx, option, valueId) && !MdlEvalOptionCond2(ctx, option, valueId);
}

DrvContext* CtlContextOf(HWND control) {
    HWND parent = control ? GetParent(control) : nullptr;
    return parent ? reinterpret_cast<DrvContext*>(GetWindowLongPtrW(parent, DWLP_USER)) : nullptr;
}

UiPage* CtlPageOf(DrvContext* ctx, HWND control) {
    return ctx && control ? PageFindByWindow(ctx, GetParent(control)) : nullptr;
}

size_t WideLength(const WCHAR* text) {
    size_t n = 0;
    while (text && text[n]) ++n;
    return n;
}

size_t AnsiLength(const WCHAR* text) {
    if (!text || !*text) return 0;
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    return n > 0 ? size_t(n - 1) : WideLength(text);
}

bool WideEqual(const WCHAR* a, const WCHAR* b) {
    size_t i = 0;
    for (; a[i] && a[i] == b[i]; ++i) {}
    return a[i] == b[i];
}

void WideCopy(WCHAR* dest, size_t capacity, const WCHAR* src) {
    if (!capacity) return;
    size_t i = 0;
    for (; src && src[i] && i + 1 < capacity; ++i) dest[i] = src[i];
    dest[i] = 0;
}

PictureState& PicState() {
    static PictureState state = {nullptr, {50, 50, 50, 50, 50, 50}, 0, nullptr, nullptr, nullptr, {}, nullptr, 0, 0};
    return state;
}

COLORREF PicBackground() {
    const PictureState& s = PicState();
    return s.backgroundSet ? s.background : GetSysColor(COLOR_BTNFACE);
}

int ScrollArrowWidth() { return GetSystemMetrics(SM_CXHSCROLL); }

}  // namespace vesk
