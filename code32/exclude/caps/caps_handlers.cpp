// The 56 capability items and their table. Every handler runs with the
// handle's printer open and takes the capacity of its buffer in entries.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "api/opt_values.h"
#include "caps/caps_items.h"
#include "common_calls/devmode_forms.h"
#include "core/allowed/allowed_values.h"
#include "core/caps/device_caps.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_services.h"
#include "core/devmode/dm_state.h"
#include "core/driver_desc.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/text_convert.h"
#include "core/units.h"

namespace vesk {
namespace {

// Option and item ids the items read.
enum : int {
    kOptPaper = 8,
    kOptCopies = 12,
    kOptSource = 13,
    kOptOutPaper = 50,
    kOptOutputTray = 57,
    kOptMark = 67,
    kOptCover = 68,
    kOptScaleType = 90,
    kOptScaleH = 92,
    kOptScaleV = 93,
    kOptSimplexMargin = 104,
    kOptShiftMarginY = 105,
    kOptMarginOdd = 106,
    kOptMarginEven = 107,
    kItWmKind = 109,
    kItWmId = 120,
    kOptSort = 129,
    kOptPunch = 134,
    kOptStaple = 136,
    kOptMarkPaper = 137,
    kOptPlaneCyan = 164,
    kOptExtPrintArea = 182,
    kOptExtOutputDirection = 193,
    kOptExtOutputOrderly = 194,
    kOptExtOutputWhitePaper = 197,
    kOptPaperRotation = 210,
    kOptEmulation = 212,
    kOptUserId = 215,
    kOptPrnMethod = 222,
    kOptActionStored = 226,
    kOptActionOverlay = 230,
    kItMachineColor = 246,
    kOptMedia = 378,
    kItWmCharName = 871,
    kItWmImageName = 872,
    kItHddFitted = 10070,
};

constexpr uint32_t kTallyMethod = 255;
constexpr uint32_t kSwitchTiledWatermark = 0x1;
constexpr uint32_t kSwitchTallyMethod = 0x8;
constexpr uint32_t kManualFeedBin = 7;
constexpr int kWatermarkPage = 1003, kWatermarkTileControl = 2407;
constexpr int kColourPage = 1029, kColourPlaneControl = 2296;
constexpr int32_t kDotsPerInch = 1200;

DrvContext* ctxOf(void* h) { return static_cast<DrvContext*>(h); }
int32_t flag(bool b) { return b ? 1 : 0; }

int32_t putList(const std::vector<uint32_t>& v, void* buffer, uint32_t capacity) {
    if (!buffer) return static_cast<int32_t>(v.size());
    const size_t n = std::min<size_t>(v.size(), capacity);
    std::copy_n(v.begin(), n, static_cast<uint32_t*>(buffer));
    return static_cast<int32_t>(n);
}

// A list of a routine that takes no capacity: counted first, filled into
// a block of that count, then cut to the caller's capacity.
template <class T, class Fill>
int32_t boundedFill(void* buffer, uint32_t capacity, size_t perEntry, Fill fill) {
    const int n = fill(static_cast<T*>(nullptr));
    if (n <= 0 || !buffer) return n;
    std::vector<T> all;
    try {
        all.resize(static_cast<size_t>(n) * perEntry);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int got = fill(all.data());
    if (got <= 0) return got;
    const size_t kept = std::min<size_t>({static_cast<size_t>(got), static_cast<size_t>(n), capacity});
    std::copy_n(all.begin(), kept * perEntry, static_cast<T*>(buffer));
    return static_cast<int32_t>(kept);
}

// 16-bit ids of a device-capability list widened to u32.
template <class Fill>
int32_t widenedIds(void* buffer, uint32_t capacity, Fill fill) {
    const int n = fill(nullptr);
    if (n <= 0 || !buffer) return n;
    std::vector<uint16_t> ids;
    try {
        ids.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int got = fill(ids.data());
    if (got <= 0) return got;
    const size_t kept = std::min<size_t>({static_cast<size_t>(got), static_cast<size_t>(n), capacity});
    auto* out = static_cast<uint32_t*>(buffer);
    for (size_t i = 0; i < kept; ++i) out[i] = ids[i];
    return static_cast<int32_t>(kept);
}

// Wide names of `chars` characters converted entry by entry into ANSI
// entries of as many bytes.
template <class Fill>
int32_t ansiNames(void* buffer, uint32_t capacity, uint32_t chars, Fill fill) {
    const int n = fill(nullptr);
    if (n <= 0 || !buffer) return n;
    std::vector<WCHAR> wide;
    try {
        wide.resize((static_cast<size_t>(n) + 1) * chars);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int got = fill(wide.data());
    if (got <= 0) return got;
    const size_t kept = std::min<size_t>({static_cast<size_t>(got), static_cast<size_t>(n), capacity});
    auto* out = static_cast<char*>(buffer);
    for (size_t i = 0; i < kept; ++i) {
        wide[(i + 1) * chars - 1] = 0;
        if (!WideToAnsiBounded(&wide[i * chars], out + i * chars, chars)) return -1;
    }
    return static_cast<int32_t>(kept);
}

// A range end of a Numeric option in 0.1 mm, -1 without a range.
int32_t rangeTenthMm(DrvContext* ctx, int optionId, bool maximum) {
    int32_t lo = 0, hi = 0;
    if (!MdlGetNumericRange(ctx, optionId, &lo, &hi)) return -1;
    return DotsToDisplay(kUnitTenthMm, maximum ? hi : lo, kDotsPerInch);
}

// The largest or smallest scale: option 93 high, option 92 low; the buffer
// takes both as i16, option 92's first.
int32_t scaleLimits(DrvContext* ctx, void* buffer, bool maximum) {
    int32_t hLo, hHi, vLo, vHi;
    if (!MdlGetNumericRange(ctx, kOptScaleH, &hLo, &hHi) || !MdlGetNumericRange(ctx, kOptScaleV, &vLo, &vHi))
        return -1;
    const auto h = static_cast<uint16_t>(maximum ? hHi : hLo);
    const auto v = static_cast<uint16_t>(maximum ? vHi : vLo);
    if (buffer) {
        const uint16_t pair[2] = {h, v};
        std::memcpy(buffer, pair, sizeof pair);
    }
    return static_cast<int32_t>((static_cast<uint32_t>(v) << 16) | h);
}

int32_t extent(DrvContext* ctx, void* buffer, int which) {
    uint16_t pair[2] = {};
    const int32_t r = CapsGetExtent(ctx, pair, which);
    if (buffer && r != -1) std::memcpy(buffer, pair, sizeof pair);
    return r;
}

// ---- The services CapsOptionValueNames takes ----
int binIds(void* h, uint16_t* out, int option) { return CapsGetBins(ctxOf(h), out, option); }
int binNames(void* h, WCHAR* out, int chars, int option) {
    return CapsGetBinNames(ctxOf(h), out, static_cast<uint32_t>(chars), option);
}
int paperIds(void* h, uint16_t* out, int option) { return CapsGetPapers(ctxOf(h), out, option); }
int paperNames(void* h, WCHAR* out, int chars, int option) {
    return CapsGetPaperNames(ctxOf(h), out, static_cast<uint32_t>(chars), option);
}
int publicIds(void* h, uint16_t* out, int option) { return OptListPublicValues(h, out, option); }
int publicNames(void* h, WCHAR* out, int chars, int option) { return OptListValueNames(h, out, chars, option); }

// ---- Items ----
int32_t itOne(void*, uint32_t, void*, uint32_t) { return 1; }

int32_t itValueList(void* h, uint32_t id, void* b, uint32_t cap) {
    static constexpr struct {
        uint32_t item;
        int option;
    } kLists[] = {{2, kOptSource}, {4, kOptMedia}, {6, kOptOutputTray}, {15, kOptOutPaper},
                  {39, kOptSort},  {40, kOptStaple}, {41, kOptPunch}};
    for (const auto& l : kLists)
        if (l.item == id) return CapsOptionValueList(h, l.option, static_cast<uint32_t*>(b), cap);
    return -1;
}
int32_t itBinNames(void* h, uint32_t, void* b, uint32_t cap) {
    return CapsOptionValueNames(h, kOptSource, kCapsBinNameBytes, binIds, binNames, static_cast<char*>(b), cap);
}
int32_t itMediaNames(void* h, uint32_t, void* b, uint32_t cap) {
    return CapsOptionValueNames(h, kOptMedia, kCapsNameBytes, publicIds, publicNames, static_cast<char*>(b), cap);
}
int32_t itTrayNames(void* h, uint32_t, void* b, uint32_t cap) {
    return CapsOptionValueNames(h, kOptOutputTray, kCapsNameBytes, publicIds, publicNames, static_cast<char*>(b),
                                cap);
}
int32_t itOutPaperNames(void* h, uint32_t, void* b, uint32_t cap) {
    return CapsOptionValueNames(h, kOptOutPaper, kCapsNameBytes, paperIds, paperNames, static_cast<char*>(b), cap);
}
int32_t itColour(void* h, uint32_t, void*, uint32_t) { return flag(ItemRawById(ctxOf(h), kItMachineColor) == 1); }
int32_t itLandscape(void* h, uint32_t, void*, uint32_t) { return flag(GetSettingsField6(ctxOf(h)) != 0); }
int32_t itPapers(void* h, uint32_t, void* b, uint32_t cap) {
    return widenedIds(b, cap, [h](uint16_t* out) { return CapsGetPapers(ctxOf(h), out, kOptPaper); });
}
int32_t itPaperNames(void* h, uint32_t, void* b, uint32_t cap) {
    return ansiNames(b, cap, kCapsNameBytes,
                     [h](WCHAR* out) { return CapsGetPaperNames(ctxOf(h), out, kCapsNameBytes, kOptPaper); });
}
int32_t itPaperSizes(void* h, uint32_t, void* b, uint32_t cap) {
    return boundedFill<int32_t>(b, cap, 2, [h](int32_t* out) { return CapsGetPaperSizes(ctxOf(h), out, kOptPaper); });
}
int32_t itMaxExtent(void* h, uint32_t, void* b, uint32_t) { return extent(ctxOf(h), b, kDcMaxExtent); }
int32_t itMinExtent(void* h, uint32_t, void* b, uint32_t) { return extent(ctxOf(h), b, kDcMinExtent); }
int32_t itCopies(void* h, uint32_t, void*, uint32_t) {
    int32_t lo = 0, hi = 0;
    if (MdlGetNumericRange(ctxOf(h), kOptCopies, &lo, &hi)) return hi;
    return builtinDriverDesc().publicDefaults.copiesMax;
}
int32_t itPrintMethods(void* h, uint32_t, void* b, uint32_t cap) {
    DrvContext* ctx = ctxOf(h);
    DmPutBinderFlag(ctx, static_cast<BYTE>(JobLinkerInstalled(ctx) ? 1 : 0));
    const bool tally = ApiFuncEnabled(h, kSwitchTallyMethod) != 0;
    const int32_t n = CapsSelectableValues(h, kOptPrnMethod, nullptr, 0);
    if (n <= 0) return n;
    if (!b) return n + (tally ? 1 : 0);
    const int32_t got = CapsSelectableValues(h, kOptPrnMethod, static_cast<uint32_t*>(b), cap);
    if (got <= 0) return got;
    if (!tally || static_cast<uint32_t>(got) >= cap) return got;
    static_cast<uint32_t*>(b)[got] = kTallyMethod;
    return got + 1;
}
int32_t itScaleType(void* h, uint32_t, void*, uint32_t) {
    std::vector<uint32_t> v;
    const int32_t n = CapsSelectableValues(h, kOptScaleType, nullptr, 0);
    if (n <= 0) return -1;
    try {
        v.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int32_t got = CapsSelectableValues(h, kOptScaleType, v.data(), static_cast<uint32_t>(n));
    if (got <= 0) return -1;
    return flag(std::any_of(v.begin(), v.begin() + got, [](uint32_t s) { return s >= 1 && s <= 3; }));
}
int32_t itMaxScale(void* h, uint32_t, void* b, uint32_t) { return scaleLimits(ctxOf(h), b, true); }
int32_t itMinScale(void* h, uint32_t, void* b, uint32_t) { return scaleLimits(ctxOf(h), b, false); }
int32_t itCover(void* h, uint32_t, void*, uint32_t) {
    DrvContext* ctx = ctxOf(h);
    if (!CapsOptionAvailable(ctx, kOptCover)) return 0;
    uint32_t sort[64] = {};
    uint32_t n = 0;
    const int r = OptGetAllowedValues(ctx, kOptSort, 64, sort, &n);
    if (r != kAllowedDone || n == 0) return 0;
    return flag(!(n == 1 && sort[0] == 0));
}
int32_t itMark(void* h, uint32_t, void*, uint32_t) {
    DrvContext* ctx = ctxOf(h);
    if (!CapsOptionAvailable(ctx, kOptMark)) return 0;
    std::vector<uint32_t> bins;
    const int32_t n = CapsOptionValueList(h, kOptSource, nullptr, 0);
    if (n <= 0) return 0;
    try {
        bins.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const int32_t got = CapsOptionValueList(h, kOptSource, bins.data(), static_cast<uint32_t>(n));
    if (got <= 0) return 0;
    return flag(std::count_if(bins.begin(), bins.begin() + got, [](uint32_t v) { return v != kManualFeedBin; }) > 1);
}
int32_t itDuplexUnit(void* h, uint32_t, void*, uint32_t) { return CapsHasOption10014(ctxOf(h)); }
int32_t itRange(void* h, uint32_t id, void*, uint32_t) {
    static constexpr struct {
        uint32_t item;
        int option;
        bool maximum;
    } kRanges[] = {{26, kOptMarginOdd, true},       {27, kOptMarginOdd, false},      {28, kOptMarginEven, true},
                   {29, kOptMarginEven, false},     {35, kOptSimplexMargin, true},   {36, kOptSimplexMargin, false},
                   {37, kOptShiftMarginY, true},    {38, kOptShiftMarginY, false}};
    for (const auto& r : kRanges)
        if (r.item == id) return rangeTenthMm(ctxOf(h), r.option, r.maximum);
    return -1;
}
int32_t itWatermarkKinds(void* h, uint32_t, void* b, uint32_t cap) {
    std::vector<uint32_t> kinds{1, 2};
    if (ControlFeatureEnabled(ctxOf(h), kWatermarkPage, kWatermarkTileControl)) kinds.push_back(3);
    if (ApiFuncEnabled(h, kSwitchTiledWatermark)) kinds.push_back(128);
    return putList(kinds, b, cap);
}

// The stored stamps, each loaded into the DEVMODE in turn: their ids or
// names. The DEVMODE is put back afterwards; without room to save it the
// answer is -1.
template <class Each>
int32_t eachStamp(DrvContext* ctx, uint32_t capacity, Each each) {
    const int count = std::max(GetStampCount(ctx), 0);
    if (capacity == 0) return count + 1;
    if (!DmSaveState(ctx)) return -1;
    uint32_t written = 1;
    for (int i = 0; i < count && written < capacity; ++i, ++written) {
        LoadStampByIndex(ctx, static_cast<uint32_t>(i));
        each(written);
    }
    DmRestoreState(ctx, 1);
    return static_cast<int32_t>(written);
}
int32_t itStampIds(void* h, uint32_t, void* b, uint32_t cap) {
    DrvContext* ctx = ctxOf(h);
    if (!b) return eachStamp(ctx, 0, [](uint32_t) {});
    auto* out = static_cast<uint32_t*>(b);
    if (cap == 0) return 0;
    out[0] = kScratchStamp;
    return eachStamp(ctx, cap, [&](uint32_t i) { out[i] = ItemRawById(ctx, kItWmId) + 1; });
}
int32_t itStampNames(void* h, uint32_t, void* b, uint32_t cap) {
    DrvContext* ctx = ctxOf(h);
    if (!b) return eachStamp(ctx, 0, [](uint32_t) {});
    auto* out = static_cast<char*>(b);
    if (cap == 0) return 0;
    std::memset(out, 0, kCapsNameBytes);
    return eachStamp(ctx, cap, [&](uint32_t i) {
        char* entry = out + i * kCapsNameBytes;
        std::memset(entry, 0, kCapsNameBytes);
        const uint32_t kind = ItemRawById(ctx, kItWmKind);
        const int item = (kind == 1 || kind == 128) ? kItWmCharName : (kind == 2 || kind == 3) ? kItWmImageName : 0;
        if (!item) return;
        // Bounded by the entry's bytes and cut on a character boundary, so
        // a double-byte name never runs past the entry.
        WCHAR name[300] = {};
        ItemGetString(ctx, ItemFindById(ctx, item), name, 300);
        WideToAnsiBounded(name, entry, kCapsNameBytes);
    });
}
int32_t itShiftMargin(void* h, uint32_t, void*, uint32_t) {
    return flag(MdlGetNumericRange(ctxOf(h), kOptShiftMarginY, nullptr, nullptr) != 0);
}
int32_t itPresent(void* h, uint32_t id, void*, uint32_t) {
    const int option = id == 42 ? kOptExtOutputDirection : id == 44 ? kOptExtOutputWhitePaper
                     : id == 46 ? kOptUserId : kOptPaperRotation;
    return flag(CapsOptionPresent(ctxOf(h), option));
}
int32_t itOrderly(void* h, uint32_t, void*, uint32_t) {
    return flag(CapsOptionAvailable(ctxOf(h), kOptExtOutputOrderly));
}
int32_t itSelectable(void* h, uint32_t id, void* b, uint32_t cap) {
    return CapsSelectableValues(h, id == 45 ? kOptEmulation : kOptExtPrintArea, static_cast<uint32_t*>(b), cap);
}
// Items 49-53 are off on a terminal server.
int32_t itLocalFeature(void* h, uint32_t id, void*, uint32_t) {
    DrvContext* ctx = ctxOf(h);
    if (IsNtTerminalServer(h)) return 0;
    switch (id) {
    case 49: return flag(JobLinkerInstalled(ctx) != 0);
    case 50:
    case 51: return flag(ItemRawById(ctx, kItHddFitted) != 0);
    case 52: return flag(CapsOptionAvailable(ctx, kOptActionStored));
    default: return flag(CapsOptionAvailable(ctx, kOptActionOverlay));
    }
}
int32_t itResolutions(void* h, uint32_t, void* b, uint32_t cap) {
    return boundedFill<int32_t>(b, cap, 1, [h](int32_t* out) { return CapsGetResolutionsExc(ctxOf(h), out); });
}
int32_t itColourPlanes(void* h, uint32_t, void*, uint32_t) {
    DrvContext* ctx = ctxOf(h);
    return flag(ControlFeatureEnabled(ctx, kColourPage, kColourPlaneControl) && CapsOptionPresent(ctx, kOptPlaneCyan));
}
int32_t itMarkPapers(void* h, uint32_t, void* b, uint32_t cap) {
    if (itMark(h, 23, nullptr, 0) == 0) return 0;
    if (!CapsOptionAvailable(ctxOf(h), kOptMarkPaper)) return putList({1, 0}, b, cap);
    // A count query answers 2 even when the list then fails: callers size
    // their buffer by it and take the fill's -1.
    if (!b) {
        const int32_t n = CapsSelectableValues(h, kOptMarkPaper, nullptr, 0);
        return n < 0 ? 2 : n + 1;
    }
    const int32_t got = CapsSelectableValues(h, kOptMarkPaper, static_cast<uint32_t*>(b), cap);
    if (got <= 0) return -1;
    if (static_cast<uint32_t>(got) >= cap) return got;
    static_cast<uint32_t*>(b)[got] = 0;
    return got + 1;
}

constexpr uint32_t kU32 = 4, kDims = 8;

constexpr CapsItemRow row(uint32_t id, CapsHandler h, uint32_t entryBytes = 0) {
    return {id, 1, kCapsRecordVersion, h, entryBytes};
}

constexpr CapsItemRow kCapsItemTable[kCapsItemCount] = {
    row(1, itOne),                          row(2, itValueList, kU32),
    row(3, itBinNames, kCapsBinNameBytes),  row(4, itValueList, kU32),
    row(5, itMediaNames, kCapsNameBytes),   row(6, itValueList, kU32),
    row(7, itTrayNames, kCapsNameBytes),    row(8, itColour),
    row(9, itLandscape),                    row(10, itPapers, kU32),
    row(11, itPaperNames, kCapsNameBytes),  row(12, itPaperSizes, kDims),
    row(13, itMaxExtent),                   row(14, itMinExtent),
    row(15, itValueList, kU32),             row(16, itOutPaperNames, kCapsNameBytes),
    row(17, itCopies),                      row(18, itPrintMethods, kU32),
    row(19, itScaleType),                   row(20, itMaxScale),
    row(21, itMinScale),                    row(22, itCover),
    row(23, itMark),                        row(24, itOne),
    row(25, itDuplexUnit),                  row(26, itRange),
    row(27, itRange),                       row(28, itRange),
    row(29, itRange),                       row(30, itWatermarkKinds, kU32),
    row(31, itOne),                         row(32, itStampIds, kU32),
    row(33, itStampNames, kCapsNameBytes),  row(34, itShiftMargin),
    row(35, itRange),                       row(36, itRange),
    row(37, itRange),                       row(38, itRange),
    row(39, itValueList, kU32),             row(40, itValueList, kU32),
    row(41, itValueList, kU32),             row(42, itPresent),
    row(43, itOrderly),                     row(44, itPresent),
    row(45, itSelectable, kU32),            row(46, itPresent),
    row(47, itSelectable, kU32),            row(48, itPresent),
    row(49, itLocalFeature),                row(50, itLocalFeature),
    row(51, itLocalFeature),                row(52, itLocalFeature),
    row(53, itLocalFeature),                row(54, itResolutions, kU32),
    row(55, itColourPlanes),                row(56, itMarkPapers, kU32),
};

}  // namespace

// Every API level selects this one table.
const CapsItemRow* CapsRowById(uint32_t id) {
    if (id == 0 || id > CapsItemCount()) return nullptr;
    return &kCapsItemTable[id - 1];
}

uint32_t CapsItemCount() { return kCapsItemCount; }

int32_t CapsGetBitmap(BYTE* out) {
    if (out) {
        std::memset(out, 0, kCapsBitmapBytes);
        for (uint32_t i = 1; i <= CapsItemCount(); ++i) {
            const CapsItemRow* r = CapsRowById(i);
            if (r && r->supported) out[(i - 1) / 8] |= static_cast<BYTE>(0x80u >> ((i - 1) % 8));
        }
    }
    return static_cast<int32_t>(kCapsBitmapBytes);
}

}  // namespace vesk
