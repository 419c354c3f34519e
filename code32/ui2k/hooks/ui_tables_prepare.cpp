// Once per context, before the controls are bound: which items raise which
// change classes, the class and behaviour bits of controls, the preset value
// map, controls that share another control's key, items that share another
// item's storage and the context's own copies of two shared attributes.
#include <cstring>

#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"
#include "hooks/hook_state.h"
#include "hooks/page_hooks.h"

namespace vesk {
namespace {

constexpr uint32_t kClassLayout = 0x30000u;
constexpr uint32_t kClassRemote = 0x100000u;

struct IdRange {
    uint16_t first, last;
};
// Orientation, paper, source, output paper, scale, N-up, duplex, print
// method, media, the installed options and the tray settings.
constexpr IdRange kClassItems[] = {
    {7, 8},         {13, 13},       {50, 50},       {58, 59},       {61, 61},       {94, 94},
    {102, 102},     {222, 222},     {378, 378},     {10013, 10014}, {10018, 10018}, {10020, 10021},
    {10023, 10023}, {10047, 10049}, {10056, 10059}, {10062, 10062}, {10066, 10070}, {10143, 10206},
};

struct CtlBits {
    uint16_t controlId;
    uint32_t bits;
    bool assign;
};
constexpr CtlBits kControlBits[] = {
    {2032, 0x100000, true},  {2041, 0x100000, true},  {2100, 0x10000, true},   {2102, 0x20000, true},
    {2263, 0x200000, false}, {2266, 0x200000, false}, {2269, 0x200000, false}, {2272, 0x200000, false},
    {2274, 0x200000, false}, {2276, 0x200000, false}, {2322, 0x200000, false}, {2325, 0x200000, false},
    {2328, 0x200000, false}, {2344, 0x200000, false}, {2419, 0x200000, false}, {2421, 0x200000, false},
    {2470, 0x200000, false}, {2602, 0x200000, false}, {2341, 0x400000, false}, {2586, 0x400000, false},
};

// Raw slot n is preset value 119 + n.
constexpr ValueMapEntry kPresetMap[] = {
    {0, 119},  {1, 120},  {2, 121},  {3, 122},  {4, 123},  {5, 124},  {6, 125},  {7, 126},  {8, 127},
    {9, 128},  {10, 129}, {11, 130}, {12, 131}, {13, 132}, {14, 133}, {15, 134}, {0, 0},
};

struct PageCtl {
    uint16_t pageId, controlId;
};
struct Rekey {
    PageCtl from, to;
};
constexpr Rekey kRekeys[] = {
    {{1002, 2036}, {1003, 2078}}, {{1002, 2036}, {1004, 2095}}, {{1002, 2036}, {1005, 2109}},
    {{1007, 2145}, {1001, 2408}}, {{1007, 2145}, {1032, 2452}}, {{1007, 2146}, {1032, 2453}},
    {{1021, 2281}, {1033, 2455}}, {{4004, 2289}, {4004, 2385}}, {{1009, 2380}, {1009, 2385}},
    {{4004, 2290}, {4004, 2384}}, {{1009, 2382}, {1009, 2384}},
};

struct StoreAlias {
    PageCtl from, to;
    bool typeWord;
};
constexpr StoreAlias kControlAliases[] = {
    {{1007, 2145}, {1002, 2388}, false}, {{1007, 2145}, {1003, 2389}, false},
    {{1007, 2145}, {1004, 2390}, false}, {{1007, 2145}, {1005, 2391}, false},
    {{1017, 2220}, {1017, 2392}, true},  {{1017, 2221}, {1017, 2393}, true},
    {{1017, 2224}, {1017, 2394}, true},  {{1017, 2225}, {1017, 2395}, true},
};
constexpr uint16_t kItemAliases[][2] = {{95, 876}, {102, 877}, {134, 878}, {136, 879}};

constexpr PageCtl kPreviewTargets[] = {
    {1002, 2039}, {1003, 2039}, {1004, 2039}, {1005, 2039}, {1022, 2039},
    {1023, 2039}, {1001, 2001}, {1007, 2139},
};

constexpr int kPictureFirstItem = 157;

UiControl* findCtl(DrvContext* ctx, PageCtl at) { return CtlFindById(ctx, PageFindById(ctx, at.pageId), at.controlId); }

DmItem* itemOf(DrvContext* ctx, PageCtl at) {
    UiControl* c = findCtl(ctx, at);
    return c ? ItemFindByKey(ctx, c->key) : nullptr;
}

void alias(DmItem* from, DmItem* to, bool typeWord) {
    if (!from || !to || from == to) return;
    to->offset = from->offset;
    if (typeWord) to->typeWord = from->typeWord;
}

void setChangeClasses(DrvContext* ctx) {
    for (int i = 0; i < ctx->items->count; ++i) {
        DmItem& it = ctx->items->items[i];
        it.changeClasses = 0;
        for (const IdRange& r : kClassItems)
            if (it.id >= r.first && it.id <= r.last) it.changeClasses = kClassLayout;
        if (it.id == 10062 || it.id == 10070) it.changeClasses |= kClassRemote;
    }
}

void setControlFlags(DrvContext* ctx) {
    UiPageTable* t = CtxPages(ctx);
    for (int p = 0; p < t->count; ++p) {
        UiPage& pg = t->pages[p];
        for (int i = 0; i < pg.controlCount; ++i) {
            UiControl& c = pg.controls[i];
            for (const CtlBits& b : kControlBits)
                if (b.controlId == c.id) c.flags = b.assign ? b.bits : c.flags | b.bits;
            if (pg.id == 1025 && c.id == 2361) c.flags |= 0x20000000u;
        }
    }
}

// The two shared attributes, copied into the context's own state with
// their control ids and keys turned into item ids.
void copyAttributes(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, true);
    if (!h) return;
    if (UiControl* pic = findCtl(ctx, {1021, 2249})) {
        if (const auto* src = static_cast<const UiAttrPicture*>(CtlGetAttr(pic, 1))) {
            UiPage* page = PageFindById(ctx, 1021);
            if (src != &h->pictureCopy) std::memcpy(&h->pictureCopy, src, sizeof h->pictureCopy);
            for (int k = 0; src != &h->pictureCopy && k < 6; ++k) {
                UiControl* bound = h->pictureCopy.controlIds[k] ? CtlFindById(ctx, page, h->pictureCopy.controlIds[k])
                                                                : nullptr;
                DmItem* it = bound ? ItemFindByKey(ctx, bound->key) : nullptr;
                h->pictureCopy.controlIds[k] = it ? it->id : uint16_t(kPictureFirstItem + k);
            }
            pic->attribute = &h->pictureCopy;
        }
    }
    if (UiControl* pre = findCtl(ctx, {1002, 2039})) {
        if (const auto* src = static_cast<const UiAttrPreview*>(CtlGetAttr(pre, 8))) {
            if (src != &h->previewCopy) {
                std::memcpy(&h->previewCopy, src, sizeof h->previewCopy);
                for (uint16_t& key : h->previewCopy.keys) {
                    DmItem* it = key ? ItemFindByKey(ctx, key) : nullptr;
                    key = it ? it->id : 0;
                }
            }
            for (PageCtl t : kPreviewTargets)
                if (UiControl* c = findCtl(ctx, t)) c->attribute = &h->previewCopy;
        }
    }
}

}  // namespace

int UiTablesPrepare(DrvContext* ctx) {
    const UiPageTable* pages = CtxPages(ctx);
    if (!ctx || !ctx->items || !pages || !ctx->items->items || !pages->pages) return 0;
    // Only a context's own copy of the tables is ever changed.
    const DrvContext* t = GetContextTemplate();
    if (t && (pages == t->pages || ctx->items == t->items)) return 0;
    setChangeClasses(ctx);
    setControlFlags(ctx);
    if (DmItem* preset = ItemFindById(ctx, 41)) preset->valueMap = kPresetMap;
    if (DmItem* list = itemOf(ctx, {1007, 2139})) list->valueMap = kPresetMap;
    for (const Rekey& r : kRekeys) {
        UiControl* from = findCtl(ctx, r.from);
        UiControl* to = findCtl(ctx, r.to);
        if (from && to) to->key = from->key;
    }
    // The aliases move items' storage: the table no longer matches its image.
    ItemTableEdited(ctx);
    for (const StoreAlias& a : kControlAliases) alias(itemOf(ctx, a.from), itemOf(ctx, a.to), a.typeWord);
    for (const auto& a : kItemAliases) alias(ItemFindById(ctx, a[0]), ItemFindById(ctx, a[1]), true);
    copyAttributes(ctx);
    if (UiControl* c = findCtl(ctx, {1065, 2817})) c->type = 49;
    return 1;
}

}  // namespace vesk
