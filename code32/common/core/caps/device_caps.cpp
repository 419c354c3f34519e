// The device-capability lists: one walk over an option's value records that
// every list shares, so that ids, names and sizes keep the same entries.
#include "core/caps/device_caps.h"

#include <cstring>
#include <vector>

#include "core/dictionary_lookup.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/res/res.h"
#include "core/units.h"
#include "core/validation/free_size_slots.h"

namespace vesk {
namespace {

constexpr int kKeyCustomWidth = 860;
constexpr int kKeyCustomLength = 861;
constexpr int32_t kDotsPerInch = 1200;

// A value the walk keeps: its model value and its Windows value.
struct Kept {
    uint32_t value;
    uint32_t windowsValue;
    uint32_t record;
};

// The kept values of option `optionId` when its type is `type`: the value
// records in order, at most the option's value count; a value whose first
// condition holds is left out when `skipHidden`; each kept value needs a
// usable value symbol of item `symbolItem`. False when the option is
// missing, of another type or without values, or a symbol is missing.
bool walkValues(DrvContext* ctx, int optionId, uint16_t type, bool skipHidden, int symbolItem,
                std::vector<Kept>& out) {
    out.clear();
    const uint32_t option = MdlFindOption(ctx, optionId);
    if (!option || MdlGetOptionType(ctx, optionId) != type) return false;
    const int count = MdlGetValueCount(ctx, optionId);
    const uint32_t head = MdlGetOptionValues(ctx, optionId, nullptr);
    if (count <= 0 || !head) return false;
    const MdlImageView v = MdlViewOf(ctx);
    MdlListWalk walk(v, head, MdlValueRecordSize(type));
    int seen = 0;
    for (uint32_t rec; seen < count && walk.next(&rec); ++seen) {
        uint16_t value = 0;
        if (!v.u16(rec + kMdlValId, &value)) return false;
        if (skipHidden && MdlEvalOptionCond1(ctx, option, value)) continue;
        const ValueSymbol* sym = ValueSymFind(symbolItem, value);
        if (!sym || !sym->usable) return false;
        out.push_back({value, sym->windowsValue, rec});
    }
    return !walk.failed();
}

// The paper option's walk: option 8 is PickPage with hidden values left
// out, another option PickOne with every value.
bool walkPapers(DrvContext* ctx, int optionId, std::vector<Kept>& out) {
    if (optionId == kItDmPaperSize) return walkValues(ctx, optionId, kMdlPickPage, true, optionId, out);
    return walkValues(ctx, optionId, kMdlPickOne, false, optionId, out);
}

int listed(const std::vector<Kept>& k) { return k.empty() ? -1 : static_cast<int>(k.size()); }

void putIds(const std::vector<Kept>& k, uint16_t* out) {
    for (size_t i = 0; i < k.size(); ++i) out[i] = static_cast<uint16_t>(k[i].windowsValue);
}

// One name field: zero-filled, then the text cut to the field.
WCHAR* nameField(WCHAR* out, size_t index, uint32_t chars) {
    WCHAR* f = out + index * chars;
    std::memset(f, 0, chars * sizeof(WCHAR));
    return f;
}

void putPair(int32_t* out, size_t index, int32_t x, int32_t y) {
    out[2 * index] = x;
    out[2 * index + 1] = y;
}

// One resolution as the pair mode writes it and as the single-value mode
// does (a row id of the resolution table, or a public value).
struct ResolutionEntry {
    int32_t x, y, single;
};

// A lone dpi value in the single-value mode: the id of its square row of
// the resolution table, like the list's entries, or the dpi value itself
// when the table has no such row.
ResolutionEntry loneResolution(int32_t dpi) {
    const uint16_t id = dpi > 0 ? ResTableFindByXY(static_cast<uint32_t>(dpi), static_cast<uint32_t>(dpi)) : 0;
    return {dpi, dpi, id ? static_cast<int32_t>(id) : dpi};
}

int writeResolutions(const std::vector<ResolutionEntry>& list, int32_t* out, int mode) {
    if (out)
        for (size_t i = 0; i < list.size(); ++i) {
            if (mode == kResolutionsSingle) out[i] = list[i].single;
            else putPair(out, i, list[i].x, list[i].y);
        }
    return static_cast<int>(list.size());
}

int fallbackResolution(DrvContext* ctx, int32_t* out, int mode) {
    const int32_t r = ctx && ctx->desc ? static_cast<int32_t>(ctx->desc->capWords[2]) : 600;
    return writeResolutions({loneResolution(r)}, out, mode);
}

// An option of the resolution walk: PickOne with values, or Numeric while
// item 42 holds a non-zero value.
bool resolutionUsable(DrvContext* ctx, int optionId) {
    if (!MdlFindOption(ctx, optionId)) return false;
    const uint16_t t = MdlGetOptionType(ctx, optionId);
    if (t == kMdlPickOne) return MdlGetValueCount(ctx, optionId) > 0;
    return t == kMdlNumeric && ItemRawById(ctx, kItRdmDstResolutionW) != 0;
}

// The pairs of a PickOne resolution option; false when a value cannot be
// translated.
bool resolutionEntries(DrvContext* ctx, int optionId, std::vector<ResolutionEntry>& list) {
    std::vector<Kept> k;
    if (!walkValues(ctx, optionId, kMdlPickOne, true, optionId, k)) return false;
    for (const Kept& e : k) {
        if (optionId == kItRdmDstResolutionW) {
            const int32_t w = static_cast<int32_t>(e.windowsValue);
            const uint16_t id = ResTableFindByXY(e.windowsValue, e.windowsValue);
            list.push_back({w, w, static_cast<int32_t>(id)});
            continue;
        }
        const ResolutionRow* row = ResTableFindById(e.windowsValue);
        if (!row) return false;
        if (row->xDpi != row->yDpi) continue;
        if (!list.empty() && (list.back().x == row->xDpi || list.back().y == row->yDpi)) continue;
        list.push_back({row->xDpi, row->yDpi, static_cast<int32_t>(e.windowsValue)});
    }
    return true;
}

}  // namespace

int CapsGetBins(DrvContext* ctx, uint16_t* out, int optionId) {
    std::vector<Kept> k;
    if (!walkValues(ctx, optionId, kMdlPickSlot, true, optionId, k) || k.empty()) return -1;
    if (out) putIds(k, out);
    return listed(k);
}

int CapsGetBinNames(DrvContext* ctx, WCHAR* out, uint32_t chars, int optionId) {
    std::vector<Kept> k;
    if (!walkValues(ctx, optionId, kMdlPickSlot, true, optionId, k) || k.empty()) return -1;
    if (out && chars)
        for (size_t i = 0; i < k.size(); ++i) ResLoadString(ctx, k[i].value, nameField(out, i, chars), chars, 1);
    return listed(k);
}

int CapsGetPapers(DrvContext* ctx, uint16_t* out, int optionId) {
    std::vector<Kept> k;
    if (!walkPapers(ctx, optionId, k) || k.empty()) return -1;
    if (out) putIds(k, out);
    return listed(k);
}

int CapsGetPaperNames(DrvContext* ctx, WCHAR* out, uint32_t chars, int optionId) {
    std::vector<Kept> k;
    if (!walkPapers(ctx, optionId, k) || k.empty()) return -1;
    if (!out || !chars) return listed(k);
    for (size_t i = 0; i < k.size(); ++i) {
        WCHAR* f = nameField(out, i, chars);
        const int code = static_cast<int>(k[i].windowsValue);
        if (IsFreeSizePaper(code) && FreeSizePaperName(ctx, code, f, chars)) continue;
        std::memset(f, 0, chars * sizeof(WCHAR));
        ResLoadString(ctx, k[i].value, f, chars, 0);
    }
    return listed(k);
}

int CapsGetPaperSizes(DrvContext* ctx, int32_t* out, int optionId) {
    std::vector<Kept> k;
    if (optionId != kItDmPaperSize || !walkPapers(ctx, optionId, k) || k.empty()) return -1;
    if (!out) return listed(k);
    const MdlImageView v = MdlViewOf(ctx);
    for (size_t i = 0; i < k.size(); ++i) {
        const int code = static_cast<int>(k[i].windowsValue);
        int32_t w = 0, l = 0;
        if (IsFreeSizePaper(code) && FreeSizePaper(ctx, code, &w, &l)) {
            putPair(out, i, DotsToDisplay(kUnitTenthMm, w, kDotsPerInch), DotsToDisplay(kUnitTenthMm, l, kDotsPerInch));
            continue;
        }
        w = l = 0;
        v.i32(k[i].record + kMdlValSize1, &w);
        v.i32(k[i].record + kMdlValSize2, &l);
        putPair(out, i, w, l);
    }
    return listed(k);
}

int CapsGetResolutions(DrvContext* ctx, int32_t* out) { return CapsEnumResolutions(ctx, out, kResolutionsPairs); }

int CapsEnumResolutions(DrvContext* ctx, int32_t* out, int mode) {
    int optionId = kItRdmDstResolutionW;
    if (!resolutionUsable(ctx, optionId)) return fallbackResolution(ctx, out, mode);
    // A Numeric option 42 hands over to option 248 when the model gives a
    // usable one; without it the number of item 42 is the resolution.
    if (MdlGetOptionType(ctx, optionId) == kMdlNumeric && resolutionUsable(ctx, kItRdmDstResolutionBoth))
        optionId = kItRdmDstResolutionBoth;
    if (MdlGetOptionType(ctx, optionId) == kMdlNumeric) {
        const int32_t r = static_cast<int32_t>(ItemRawById(ctx, kItRdmDstResolutionW));
        return writeResolutions({loneResolution(r)}, out, mode);
    }
    std::vector<ResolutionEntry> list;
    if (!resolutionEntries(ctx, optionId, list) || list.empty()) return fallbackResolution(ctx, out, mode);
    return writeResolutions(list, out, mode);
}

int32_t CapsGetExtent(const DrvContext* ctx, uint16_t* out, int which) {
    if (!ctx || !ctx->desc || (which != kDcMinExtent && which != kDcMaxExtent)) return -1;
    const bool min = which == kDcMinExtent;
    const DriverDesc& d = *ctx->desc;
    int32_t width = DotsToDisplay(kUnitTenthMm, static_cast<int32_t>(min ? d.customWidthMin : d.customWidthMax),
                                  kDotsPerInch);
    int32_t length = DotsToDisplay(kUnitTenthMm, static_cast<int32_t>(min ? d.customLengthMin : d.customLengthMax),
                                   kDotsPerInch);
    // The range is in the context's display unit: it bounds these 0.1 mm
    // values only when that unit is 0.1 mm.
    DrvContext* c = const_cast<DrvContext*>(ctx);  // read only: the range and the unit item
    int32_t lo = 0, hi = 0;
    if (UnitIsMetric(c)) {
        if (GetCustomSizeRange(c, kKeyCustomWidth, &lo, &hi)) width = width < lo ? lo : width > hi ? hi : width;
        if (GetCustomSizeRange(c, kKeyCustomLength, &lo, &hi)) length = length < lo ? lo : length > hi ? hi : length;
    }
    const uint16_t w16 = static_cast<uint16_t>(width), l16 = static_cast<uint16_t>(length);
    if (out) out[0] = w16, out[1] = l16;
    return static_cast<int32_t>(static_cast<uint32_t>(w16) | (static_cast<uint32_t>(l16) << 16));
}

int GetSettingsField6(const DrvContext* ctx) {
    return ctx && ctx->desc ? static_cast<int>(ctx->desc->capWords[1]) : 90;
}

int CapsHasOption10014(DrvContext* ctx) { return ItemRawById(ctx, kItRdmSourceOptionTypeDuplex) != 0 ? 1 : 0; }

int CapsGetOutputTrays(DrvContext* ctx, uint16_t* out) {
    std::vector<Kept> k;
    if (!walkValues(ctx, kItRdmOutputTrayID, kMdlPickOne, true, kItRdmOutputTrayID, k) || k.empty()) return -1;
    if (out) putIds(k, out);
    return listed(k);
}

const ResolutionRow* ResTableFindById(uint32_t id) {
    if (id == 0) return nullptr;
    for (const ResolutionRow* r = GetResolutionTable(); r && r->id; ++r)
        if (r->id == id) return r;
    return nullptr;
}

uint16_t ResTableFindByXY(uint32_t x, uint32_t y) {
    if (x == 0 || y == 0) return 0;
    for (const ResolutionRow* r = GetResolutionTable(); r && r->id; ++r)
        if (r->xDpi == x && r->yDpi == y) return r->id;
    return 0;
}

const ResolutionRow* ResTableFindByX(uint32_t x) {
    for (const ResolutionRow* r = GetResolutionTable(); r && r->id; ++r)
        if (r->xDpi == x) return r;
    return nullptr;
}

}  // namespace vesk
