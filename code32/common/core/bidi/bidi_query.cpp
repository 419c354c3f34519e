// The query core: one session with the monitor library, its answers stored
// in the device-information items. A full query that fails part-way puts the
// device section back as it was, so partial answers never remain.
#include <cstring>

#include "core/batch_inst.h"
#include "core/bidi/bidi.h"
#include "core/bidi/bidi_maps.h"
#include "core/bidi/bidi_monitor.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model_db.h"
#include "core/persist/opt_persist.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

using namespace maker;

// Tray answers past an answer's end count as missing: no paper, media 1
// (the code a tray gets for "none"), unlocked.
constexpr uint32_t kMissing = 0xFFFFFFFFu;

// The bit-field words of installed options and trays, cleared before a full
// query; item 10110 between them is a count and stays.
constexpr int kClearedBits[][2] = {{10014, 10109}, {10111, 10142}};

// True when the raw value has a place in the item: in its value map when it
// has one, else within its type's range.
bool itemHolds(DrvContext* ctx, const DmItem* item, uint32_t value) {
    if (!item) return false;
    if (item->valueMap) return ItemHasMapping(ctx, item, value) != 0;
    switch (itemTypeCode(*item)) {
    case kTypeS8: return value <= 0x7F;
    case kTypeU8: return value <= 0xFF;
    case kTypeS16: return value <= 0x7FFF;
    case kTypeU16: return value <= 0xFFFF;
    default: return true;
    }
}

void setIf(DrvContext* ctx, int id, uint32_t value) {
    if (id) ItemSetRawById(ctx, id, value);
}

// A blob answer into a text or block item: copied within the item's size
// (a text item keeps its terminator), the rest zeroed.
void storeBlob(DrvContext* ctx, int id, const BidiAnswer& a) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item) return;
    const uint32_t size = itemSize(*item);
    BYTE field[64] = {};
    if (size == 0 || size > sizeof field) return;
    const uint32_t code = itemTypeCode(*item);
    const bool text = code == kTypeAnsi || code == kTypeAnsi2 || code == kTypeWide || code == kTypeWide2;
    uint32_t n = a.bytes() < size ? a.bytes() : size;
    if (text && n == size) n = size - ((code == kTypeWide || code == kTypeWide2) ? 2 : 1);
    if (a.data() && n) std::memcpy(field, a.data(), n);
    ItemSetRawBytes(ctx, item, field);
}

struct Candidates {
    uint32_t trayValues[32];
    uint32_t count = 0;
    void add(uint32_t v) {
        if (count < 32) trayValues[count++] = v;
    }
    // The winner's tray value: the first of the priority that a candidate
    // has; 3 when no candidate's value is listed.
    uint32_t winner() const {
        for (size_t p = 0; p < BidiTrayPriorityCount(); ++p)
            for (uint32_t i = 0; i < count; ++i)
                if (trayValues[i] == BidiTrayPriorityValue(p)) return trayValues[i];
        return 3;
    }
};

bool trayWalk(DrvContext* ctx, BidiSession& s) {
    BidiAnswer trays, papers, media, status;
    if (!s.query(kBidiKindTrays, &trays) || !s.query(kBidiKindTrayPaper, &papers) ||
        !s.query(kBidiKindTrayMedia, &media) || !s.query(kBidiKindTrayStatus, &status))
        return false;
    if (!trays.entries() || !papers.entries() || !media.entries() || !status.entries()) return true;
    const bool batch = GetBatchInstRst(ctx) != 0;
    DmItem* mediaType = ItemFindById(ctx, kItRdmMediaType);
    Candidates cover, mark;
    for (DWORD i = 0; i < trays.entries(); ++i) {
        const uint32_t tv = trays.entry(i, 0);
        const uint32_t pv = i < papers.entries() ? papers.entry(i, kMissing) : kMissing;
        const uint32_t mv = i < media.entries() ? media.entry(i, kMissing) : kMissing;
        const uint32_t st = i < status.entries() ? status.entry(i, 0) : 0;
        const BidiTrayItems* t = BidiTrayItemsOf(tv);
        if (t) {
            setIf(ctx, t->installed, 1);
            uint32_t orientation = 0;
            uint32_t paper = pv == kMissing ? 0 : BidiPaperCode(pv, &orientation);
            DmItem* paperItem = t->paper ? ItemFindById(ctx, t->paper) : nullptr;
            if (paperItem && !itemHolds(ctx, paperItem, paper)) paper = 0;
            if (paperItem) ItemSetRaw(ctx, paperItem, paper);
            if (t->orientation) {
                if (paperItem) SetOptionUnlessLocked(0, t->orientation, orientation, ctx);
                else ItemSetRawById(ctx, t->orientation, orientation);
            }
            uint32_t code = mv == kMissing ? 0 : BidiMediaCode(mv);
            if (!itemHolds(ctx, mediaType, code)) code = 0;
            setIf(ctx, t->media, code ? code : 1);
            setIf(ctx, t->lock, st & 1);
        }
        if (batch) continue;
        if (st & 4) {
            ItemSetRawById(ctx, kItRdmCoverDefTray, BidiTrayCode(tv));
            cover.add(tv);
        }
        if (st & 8) {
            ItemSetRawById(ctx, kItRdmMPDefTray, BidiTrayCode(tv));
            mark.add(tv);
        }
    }
    if (cover.count >= 2) ItemSetRawById(ctx, kItRdmCoverDefTray, BidiTrayCode(cover.winner()));
    if (mark.count >= 2) ItemSetRawById(ctx, kItRdmMPDefTray, BidiTrayCode(mark.winner()));
    return true;
}

bool installedOptions(DrvContext* ctx, BidiSession& s) {
    BidiAnswer a;
    if (!s.query(kBidiKindOptions, &a)) return false;
    for (DWORD i = 0; i < a.entries(); ++i) setIf(ctx, BidiOptionItem(a.entry(i, 0)), 1);
    return true;
}

bool memory(DrvContext* ctx, BidiSession& s) {
    BidiAnswer a;
    if (!s.query(kBidiKindMemory, &a)) return false;
    if (a.bytes() > 3) ItemSetRawById(ctx, kItRdmPrinterMemory, a.firstWord() >> 10);
    return true;
}

bool blob(DrvContext* ctx, BidiSession& s, DWORD kind, int id, bool group) {
    DmItem* item = ItemFindById(ctx, id);
    const DWORD size = item ? itemSize(*item) : 0;
    BidiAnswer a;
    if (!(group ? s.groupQuery(kind, &a, size) : s.query(kind, &a, size))) return false;
    storeBlob(ctx, id, a);
    return true;
}

void groupAnswers(DrvContext* ctx, BidiSession& s) {
    if (!s.beginGroup()) return;
    BidiAnswer kind;
    uint32_t type = 1;
    if (s.groupQuery(kBidiSubMemoryKind, &kind, 4) && kind.bytes() >= 4 && kind.firstWord() == 2) type = 0;
    ItemSetRawById(ctx, kItRdmMemoryType, type);
    blob(ctx, s, kBidiSubEmulationVersion, kItRdmEmulationVersion, true);
    blob(ctx, s, kBidiSubOther, kItRdmOther, true);
}

// Section 2 of the DEVMODE, kept while the full query runs.
class DeviceSectionKept {
public:
    explicit DeviceSectionKept(DrvContext* ctx)
        : at_(ctx->devmode + dmSectionBase(dmSizes(), 2)), size_(dmSectionSize(dmSizes(), 2)) {
        copy_ = static_cast<BYTE*>(MemAllocZero(size_));
        if (copy_) std::memcpy(copy_, at_, size_);
    }
    ~DeviceSectionKept() { MemFree(copy_); }
    DeviceSectionKept(const DeviceSectionKept&) = delete;
    DeviceSectionKept& operator=(const DeviceSectionKept&) = delete;
    bool kept() const { return copy_ != nullptr; }
    void restore() { std::memcpy(at_, copy_, size_); }

private:
    BYTE* at_;
    uint32_t size_;
    BYTE* copy_ = nullptr;
};

bool fullQuery(DrvContext* ctx, BidiSession& s) {
    DeviceSectionKept kept(ctx);
    if (!kept.kept()) return false;
    for (const auto& r : kClearedBits)
        for (int id = r[0]; id <= r[1]; ++id) ItemSetRawById(ctx, id, 0);
    if (!trayWalk(ctx, s) || !installedOptions(ctx, s) || !memory(ctx, s) ||
        !blob(ctx, s, kBidiKindSystemVersion, kItRdmSystemVersion, false)) {
        kept.restore();
        return false;
    }
    groupAnswers(ctx, s);
    OptSaveClass(ctx->printer, ctx, 2, kOptSaveDeviceInfoOnly);
    return true;
}

bool statusQuery(DrvContext* ctx, BidiSession& s) {
    if (!blob(ctx, s, kBidiKindSystemVersion, kItRdmSystemVersion, false)) return false;
    if (s.beginGroup()) blob(ctx, s, kBidiSubEmulationVersion, kItRdmEmulationVersion, true);
    return true;
}

}  // namespace

int BidiQueryCore(DrvContext* ctx, int full, uint32_t flags) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const WCHAR* model = GetModelDbSection(ctx);
    if (!model) return 0;
    WCHAR wanted[kModelDbNameChars] = {};
    for (size_t i = 0; i + 1 < kModelDbNameChars && model[i]; ++i) wanted[i] = model[i];
    BidiSession s(ctx, flags);
    if (!s.open()) return 0;
    WCHAR device[kBidiModelNameChars] = {};
    if (!s.modelName(device)) return 0;
    if (BidiGateOn(ctx, kBidiGateModel)) {
        size_t i = 0;
        while (i < kBidiModelNameChars && device[i] == wanted[i] && device[i]) ++i;
        if (i >= kBidiModelNameChars || device[i] != wanted[i]) return 0;
    }
    if (!s.beginRequest(full ? kBidiMaskFull : kBidiMaskStatus)) return 0;
    return (full ? fullQuery(ctx, s) : statusQuery(ctx, s)) ? 1 : 0;
}

}  // namespace vesk
