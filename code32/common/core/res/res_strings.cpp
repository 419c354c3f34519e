// Strings of the string library, with the value suffixes: some strings get
// an option's current text appended, or are replaced by a free-size slot's
// name and size or by the unit label.
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/res/text_format.h"
#include "core/text_convert.h"
#include "core/units.h"
#include "core/wstr.h"

namespace vesk {
namespace {

struct SuffixRow {
    uint32_t stringId;
    uint32_t second;  // kind 1: the option; kind 2: the slot
    uint32_t kind;
};

// Options 907-915: the names of output trays 1 to 9.
constexpr uint32_t kTray1 = kItWdmPrintPostTray1Name;
static_assert(kItWdmPrintPostTray9Name == kTray1 + 8);

// 30 rows and the end row.
constexpr SuffixRow kSuffixes[] = {
    {29, kTray1 + 0, 1}, {30, kTray1 + 1, 1}, {31, kTray1 + 2, 1},
    {32, kTray1 + 3, 1}, {33, kTray1 + 4, 1}, {34, kTray1 + 5, 1},
    {35, kTray1 + 6, 1}, {36, kTray1 + 7, 1}, {37, kTray1 + 8, 1},
    {50017, kTray1 + 0, 1}, {50018, kTray1 + 1, 1}, {50019, kTray1 + 2, 1},
    {50020, kTray1 + 3, 1}, {50021, kTray1 + 4, 1}, {50022, kTray1 + 5, 1},
    {50023, kTray1 + 6, 1}, {50024, kTray1 + 7, 1}, {50025, kTray1 + 8, 1},
    {109, 1, 2}, {110, 2, 2}, {111, 3, 2}, {112, 4, 2}, {113, 5, 2}, {114, 6, 2},
    {115, 7, 2}, {116, 8, 2}, {117, 9, 2}, {118, 10, 2}, {153, 0, 3}, {154, 0, 3},
    {0, 0, 0},
};
static_assert(sizeof kSuffixes / sizeof kSuffixes[0] == 31);

constexpr size_t kUnitLabelChars = 16;

void unitLabel(DrvContext* ctx, WCHAR* label) {
    ResLoadString(ctx, UnitIsMetric(ctx) ? 153 : 154, label, kUnitLabelChars, 0);
}

// Appends as much of `text` as fits.
void append(WCHAR* buffer, size_t capacity, const WCHAR* text) {
    size_t have = WLenMax(buffer, capacity);
    if (have < capacity) WCopyCut(buffer + have, capacity - have, text);
}

}  // namespace

int ResLoadString(DrvContext* ctx, uint32_t stringId, WCHAR* buffer, size_t capacity, int suffix) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    if (HMODULE lib = ResGetStringDll(ctx)) {
        const int cap = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(capacity);
        LoadStringW(lib, stringId, buffer, cap);
    }
    if (suffix) ResAppendValueText(ctx, stringId, buffer, capacity);
    return static_cast<int>(WLenMax(buffer, capacity));
}

int ResAppendValueText(DrvContext* ctx, uint32_t stringId, WCHAR* buffer, size_t capacity) {
    if (!ctx || !buffer || capacity == 0) return 0;
    const SuffixRow* row = kSuffixes;
    while (row->stringId && row->stringId != stringId) ++row;
    if (!row->stringId) return 0;
    WCHAR label[kUnitLabelChars];
    switch (row->kind) {
        case 1: {
            WCHAR text[kWsDisplayChars];
            text[0] = 0;
            ItemGetString(ctx, ItemFindById(ctx, static_cast<int>(row->second)), text, kWsDisplayChars);
            append(buffer, capacity, u":");
            append(buffer, capacity, text);
            return 1;
        }
        case 2: {
            if (!ctx->ws) return 0;
            const WsFreeSize& slot = ctx->ws->freeSizes[stringId - 109];
            char name[kWsFreeSizeNameBytes + 1];
            for (size_t i = 0; i < kWsFreeSizeNameBytes; ++i) name[i] = slot.userName[i];
            name[kWsFreeSizeNameBytes] = 0;
            WCHAR wide[kWsFreeSizeNameBytes + 1];
            wide[0] = 0;
            StrAnsiToWide(wide, name, static_cast<int>(kWsFreeSizeNameBytes + 1));
            WCopyCut(buffer, capacity, wide);
            const int32_t w = ItemDotsToDisplay(ctx, 0, slot.width), l = ItemDotsToDisplay(ctx, 0, slot.length);
            const bool metric = UnitIsMetric(ctx);
            const int32_t div = metric ? 10 : 100;
            const int32_t values[4] = {w / div, w % div, l / div, l % div};
            WCHAR size[64];
            FormatBounded(size, 64, metric ? u"(%ld.%01d x %ld.%01d" : u"(%ld.%02d x %ld.%02d", {nullptr, values, 4});
            append(buffer, capacity, size);
            unitLabel(ctx, label);
            append(buffer, capacity, label);
            append(buffer, capacity, u")");
            return 1;
        }
        case 3:
            unitLabel(ctx, label);
            WCopyCut(buffer, capacity, label);
            return 1;
        default: return 0;
    }
}

}  // namespace vesk
