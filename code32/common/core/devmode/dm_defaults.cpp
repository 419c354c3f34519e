#include "core/devmode/dm_services.h"
#include "core/devmode/dm_defaults.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_validate.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/printer_info.h"
#include "core/pending_capabilities.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"
#include "core/library_profile.h"
#include "core/model/query.h"

namespace vesk {
using namespace dm;

namespace {
constexpr int kFirstFontItem = kItRdmFontTableNum, kLastFontItem = kItRdmOptionFont;
constexpr int kSection3FirstPosition = 730;

bool isFontItem(int id) { return id >= kFirstFontItem && id <= kLastFontItem; }

// The printer's default DEVMODE when it has this driver's sizes, else null:
// the DEVMODE the spooler sees (the private part after the public one), or
// the whole buffer of the three sections, whose private part reaches to its
// end.
const BYTE* spoolerDefault(const PRINTER_INFO_2W* info) {
    if (!info || !info->pDevMode) return nullptr;
    const BYTE* p = reinterpret_cast<const BYTE*>(info->pDevMode);
    const DmSizes& s = dmSizes();
    // The spooler hands a block of dmSize + dmDriverExtra bytes.
    if (DmPublicVersion(p, DmClaimedLength(p)) == 0) return nullptr;
    const uint32_t extra = rd16(p, kOffDriverExtra);
    if (rd16(p, kOffSize) != s.publicSize || (extra != s.privateSize && extra != s.stateSize - s.publicSize))
        return nullptr;
    return p;
}

// A default that carries section 3 too (a whole buffer).
bool holdsSection3(const BYTE* p) { return p && DmClaimedLength(p) >= dmSizes().stateSize; }

// The buffer being built stands as the context's DEVMODE while it is built.
struct DevmodeSwap {
    DrvContext* ctx;
    BYTE* previous;
    DevmodeSwap(DrvContext* c, BYTE* b) : ctx(c), previous(c->devmode) { c->devmode = b; }
    ~DevmodeSwap() { ctx->devmode = previous; }
};
}  // namespace

int DmResetOption(DrvContext* ctx, DmItem* item) {
    if (!ctx || !item || isFontItem(item->id)) return 0;
    uint32_t v = 0;
    if (!dmModel().optionType(ctx, item->id) || !dmModel().optionValue(ctx, item->id, &v)) return 0;
    // The preset option's values 119 and up are the preset slots from 0.
    if (item->id == kItRdmPresetNo) v -= 119;
    ItemSetValue(ctx, item, v);
    return 1;
}

bool DmModelItemPositions(DrvContext* ctx, std::vector<int>& positions) {
    positions.clear();
    if (!ctx || !ctx->items || !ctx->items->items) return false;
    std::vector<int> ids;
    MdlListedOptionIds(ctx, ids);
    for (int id : ids)
        if (DmItem* item = ItemFindById(ctx, id)) positions.push_back(static_cast<int>(item - ctx->items->items));
    std::sort(positions.begin(), positions.end());
    return true;
}

void DmResetAllOptions(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->items) return;
    DmInitPrivateHeader(ctx->devmode, ctx);
    // Only an item the model has an option for takes a default. With the
    // model's own queries those items come from one walk of its option
    // list (a few dozen) rather than a query per item (over a thousand);
    // they are set in item order all the same.
    // Each listed option is looked up once for both its type and its value;
    // the answers depend on the image alone, so asking them before any item
    // is set gives what DmResetOption would ask item by item.
    if (&dmModel() == &DmDefaultModelQueries() && ctx->items->items) {
        std::vector<MdlOptionDefault> answers;
        MdlListedOptionDefaults(ctx, answers);
        // Each entry is its item's position (never negative) above its value,
        // so the entries sort as the (position, value) pairs they stand for.
        std::vector<uint64_t> byPosition;
        byPosition.reserve(answers.size());
        for (const MdlOptionDefault& a : answers) {
            DmItem* item = ItemFindById(ctx, a.id);
            if (!item || isFontItem(a.id) || !a.baseType) continue;
            // The preset option's values 119 and up are the preset slots from 0.
            const uint32_t v = a.id == kItRdmPresetNo ? a.value - 119 : a.value;
            byPosition.push_back(static_cast<uint64_t>(item - ctx->items->items) << 32 | v);
        }
        std::sort(byPosition.begin(), byPosition.end());
        for (uint64_t e : byPosition)
            ItemSetValue(ctx, &ctx->items->items[static_cast<size_t>(e >> 32)], static_cast<uint32_t>(e));
        return;
    }
    for (int i = 0; i < ctx->items->count; ++i) DmResetOption(ctx, &ctx->items->items[i]);
}

void DmRefreshSection3Defaults(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->items) return;
    for (int i = kSection3FirstPosition; i < ctx->items->count; ++i) {
        DmItem& it = ctx->items->items[i];
        if (itemSection(it) == 3) DmResetOption(ctx, &it);
    }
}

void DmSetDefaults(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    DmResetAllOptions(ctx);
    DmSetDriverVersionOption(ctx);
    // The public fields validated: the model's defaults just set stay where
    // the model allows them, every other field takes the description's.
    DmPublicSetDefaults(ctx, 1);
    DmDefaultsAfterValidate(ctx);
    DmSetPrivateFlagDefaults(ctx);
    int lang = PrnLanguageId(ctx);
    if (lang <= 0) lang = 1;
    ItemSetRawById(ctx, kItRdmLanguageID, static_cast<uint32_t>(lang));
    ItemSetRawById(ctx, kItRdmDspLanguageID, static_cast<uint32_t>(lang));
    DmClearActionOptions(ctx, 0);
}

namespace {
// The spooler's default DEVMODE of the printer record `info` copied in when
// this driver can use it; the buffer is left empty otherwise.
int loadSpoolerDefault(DrvContext* ctx, const PRINTER_INFO_2W* info) {
    const BYTE* p = spoolerDefault(info);
    const DmSizes& s = dmSizes();
    int ok = 0;
    if (p) {
        std::memcpy(ctx->devmode, p, s.totalSize);
        ok = DmIsCompatible(ctx, ctx->devmode, s.totalSize);
        // A refused DEVMODE leaves nothing behind in the buffer.
        if (!ok) std::memset(ctx->devmode, 0, s.totalSize);
    }
    return ok;
}

void loadPrinterDefault(DrvContext* ctx, const PRINTER_INFO_2W* info) {
    const BYTE* p = spoolerDefault(info);
    const BYTE* cur = ctx->devmode;
    if (p && rd16(p, kOffDriverVersion) == rd16(cur, kOffDriverVersion) &&
        DmIsCompatible(ctx, p, DmClaimedLength(p)))
        std::memcpy(ctx->devmode, p, dmSizes().totalSize);
}

// The printer's record for a scope.
struct Info2 {
    PRINTER_INFO_2W* info;
    explicit Info2(HANDLE printer) : info(PrnGetInfo2(printer)) {}
    ~Info2() { PrnFreeInfo2(info); }
    Info2(const Info2&) = delete;
    Info2& operator=(const Info2&) = delete;
};
}  // namespace

int DmLoadSpoolerDefault(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    Info2 i(ctx->printer);
    return loadSpoolerDefault(ctx, i.info);
}

int PrnHasInfo2Data(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    const int has = (info && info->pDevMode) ? 1 : 0;
    PrnFreeInfo2(info);
    return has;
}

void DmLoadPrinterDefault(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    Info2 i(ctx->printer);
    loadPrinterDefault(ctx, i.info);
}

BYTE* DmCreateDefault(DrvContext* ctx, uint16_t kind) { return DmCreateDefaultFor(ctx, kind, CurrentProfile()); }

BYTE* DmCreateDefaultFor(DrvContext* ctx, uint16_t kind, const LibraryProfile& profile) {
    if (!ctx) return nullptr;
    // The printer's record is asked for once and serves both looks at the
    // spooler's default.
    Info2 i(ctx->printer);
    return DmCreateDefaultFromInfo(ctx, kind, profile, i.info);
}

BYTE* DmCreateDefaultFromInfo(DrvContext* ctx, uint16_t kind, const LibraryProfile& profile,
                              const PRINTER_INFO_2W* info) {
    if (!ctx) return nullptr;
    BYTE* buf = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
    if (!buf) return nullptr;
    DevmodeSwap swap(ctx, buf);
    if (loadSpoolerDefault(ctx, info) && kind != 3) {
        // Section 3 (with the driver version text, option 905) is kept from
        // the printer's default only where the profile asks for it and the
        // default holds it: the spooler's usual DEVMODE ends with section 1,
        // and a section 3 left zeroed would be no setting at all. Otherwise
        // it takes the driver's own defaults, unless the profile leaves the
        // spooler's section 3 as it came.
        const BYTE* p = spoolerDefault(info);
        if (profile.keepsDefaultSection3 && holdsSection3(p)) {
            const DmSizes& s = dmSizes();
            const uint32_t base = dmSectionBase(s, 3);
            std::memcpy(buf + base, p + base, s.stateSize - base);
        } else {
            if (profile.refreshesSection3Defaults) DmRefreshSection3Defaults(ctx);
            DmSetDriverVersionOption(ctx);
        }
        if (kind == 1) DmDerivedItemsUpdate(ctx, 1);
    } else {
        DmSetDefaults(ctx);
        loadPrinterDefault(ctx, info);
    }
    // Whatever the spooler kept, the header's fixed fields are the driver's.
    DmRepairSectionBases(buf);
    return buf;
}

}  // namespace vesk
