#include "core/ui_lookup.h"

#include <cstring>

#include "core/item_store.h"

namespace vesk {

UiPage* PageFindById(DrvContext* ctx, int pageId) {
    UiPageTable* t = CtxPages(ctx);
    if (!t) return nullptr;
    for (int i = 0; i < t->count; ++i)
        if (t->pages[i].id == pageId) return &t->pages[i];
    return nullptr;
}

UiPage* PageFindByWindow(DrvContext* ctx, HWND window) {
    UiPageTable* t = window ? CtxPages(ctx) : nullptr;
    if (!t) return nullptr;
    for (int i = 0; i < t->count; ++i)
        if (t->pages[i].window == window) return &t->pages[i];
    return nullptr;
}

const UiPage* PageFindByName(DrvContext* ctx, const char* name) {
    const UiPageTable* t = ctx ? CtxPages(ctx) : GetContextTemplate()->pages;
    if (!t || !name) return nullptr;
    for (int i = 0; i < t->count; ++i)
        if (t->pages[i].name && std::strcmp(t->pages[i].name, name) == 0) return &t->pages[i];
    return nullptr;
}

UiControl* PageGetControl(UiPage* page, int index) {
    if (!page || !page->controls || index < 0 || index >= page->controlCount) return nullptr;
    return &page->controls[index];
}

namespace {
template <class Pred>
UiControl* findControl(DrvContext* ctx, UiPage* page, Pred pred) {
    auto scan = [&](UiPage* p) -> UiControl* {
        for (int i = 0; p->controls && i < p->controlCount; ++i)
            if (pred(p->controls[i])) return &p->controls[i];
        return nullptr;
    };
    if (page) return scan(page);
    UiPageTable* t = CtxPages(ctx);
    if (!t) return nullptr;
    for (int i = 0; i < t->count; ++i)
        if (UiControl* c = scan(&t->pages[i])) return c;
    return nullptr;
}
}  // namespace

UiControl* CtlFindById(DrvContext* ctx, UiPage* page, int controlId) {
    return findControl(ctx, page, [&](const UiControl& c) { return c.id == controlId; });
}

UiControl* CtlFindByWindow(DrvContext* ctx, UiPage* page, HWND window) {
    if (!window) return nullptr;
    return findControl(ctx, page, [&](const UiControl& c) { return c.window == window; });
}

UiPage* CtlOwnerPage(DrvContext* ctx, const UiControl* control) {
    UiPageTable* t = control ? CtxPages(ctx) : nullptr;
    if (!t) return nullptr;
    for (int i = 0; i < t->count; ++i) {
        UiPage& p = t->pages[i];
        if (p.controls && control >= p.controls && control < p.controls + p.controlCount) return &p;
    }
    return nullptr;
}

DmItem* CtlBindItem(DrvContext* ctx, UiControl* control) {
    if (!control) return nullptr;
    control->item = ItemFindByKey(ctx, control->key);
    return control->item;
}

const void* CtlGetAttr(const UiControl* control, int kind) {
    if (!control || !control->attribute) return nullptr;
    int16_t k;
    std::memcpy(&k, control->attribute, sizeof k);
    return k == kind ? control->attribute : nullptr;
}

uint32_t CtlGetItemValue(DrvContext* ctx, const UiControl* control) {
    return control ? ItemGetValue(ctx, control->item) : 0;
}

uint32_t CtlSetItemValue(DrvContext* ctx, UiControl* control, uint32_t value) {
    return control ? ItemSetValue(ctx, control->item, value) : 0;
}

BYTE* CtlGetItemString(DrvContext* ctx, int controlId, WCHAR* dest, size_t destChars) {
    UiControl* c = CtlFindById(ctx, nullptr, controlId);
    return c ? ItemGetString(ctx, c->item, dest, destChars) : nullptr;
}

BYTE* CtlSetItemString(DrvContext* ctx, int controlId, const WCHAR* source) {
    UiControl* c = CtlFindById(ctx, nullptr, controlId);
    return c ? ItemSetString(ctx, c->item, source) : nullptr;
}

}  // namespace vesk
