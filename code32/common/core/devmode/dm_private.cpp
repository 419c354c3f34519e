#include "core/devmode/dm_private.h"
#include "core/library_profile.h"

#include <algorithm>
#include <cstring>

#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_layout.h"
#include "core/pending_capabilities.h"
#include "core/devmode/dm_services.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/os_version.h"
#include "core/pending_capabilities.h"
#include "core/font_tables.h"
#include "core/text_convert.h"

namespace vesk {
using namespace dm;

namespace {
constexpr int kItemFirstAction = kItRdmActionSecurity;
constexpr int kItemLastAction = 239;
constexpr int kItemFirstQualityBit = kItRdmQualityFunc168Line;  // bits of the word at 858

void putAnsiItem(DrvContext* ctx, int id, const WCHAR* text) { ItemSetString(ctx, ItemFindById(ctx, id), text); }
}  // namespace

int DmIsCompatible(const DrvContext* ctx, const BYTE* p, size_t len) {
    if (!ctx || !ctx->desc || !p) return 0;
    const DmSizes& s = dmSizes();
    if (len < kOffFlagWord) return 0;  // the header ends at the driver-type byte
    const DriverDesc& d = *ctx->desc;
    if (std::memcmp(p + kOffSignature, d.privateSignature, 4) != 0) return 0;
    if (rd32(p, kOffPrivateSize) != s.privateSize) return 0;
    if ((rd32(p, kOffPrivateVersion) & 0xFFFF) != (d.privateVersion & 0xFFFF)) return 0;
    if (p[kOffMachineId] != d.machineId) return 0;
    if (d.driverType == 0 && p[kOffDriverType] != 0) return 0;
    if (d.driverType == 1 && p[kOffDriverType] != 1) return 0;
    return 1;
}

int DmIsOwnDevmode(const DrvContext* ctx, const BYTE* p, size_t len) {
    const DmSizes& s = dmSizes();
    if (!p || len < s.totalSize) return 0;
    if (rd16(p, kOffSize) != s.publicSize || rd16(p, kOffDriverExtra) != s.privateSize) return 0;
    return DmIsCompatible(ctx, p, len);
}

void DmInitPrivateHeader(BYTE* p, const DrvContext* ctx) {
    if (!p || !ctx || !ctx->desc) return;
    const DmSizes& s = dmSizes();
    const DriverDesc& d = *ctx->desc;
    std::memcpy(p + kOffProductTag, "VESK", 4);
    wr32(p, kOffJobLinker, 0);
    std::memcpy(p + kOffSignature, d.privateSignature, 4);
    wr32(p, kOffPrivateSize, s.privateSize);
    wr32(p, kOffPrivateVersion, d.privateVersion);
    wr16(p, kOffSectionBase1, dmSectionBase(s, 1));
    wr16(p, kOffSectionBase2, dmSectionBase(s, 2));
    wr16(p, kOffSectionBase3, dmSectionBase(s, 3));
    // The acceptance test reads these two bytes; they are the driver's own
    // whatever the model's option handlers later store.
    p[kOffMachineId] = d.machineId;
    p[kOffDriverType] = d.driverType;
}

void DmRepairSectionBases(BYTE* p) {
    if (!p) return;
    const DmSizes& s = dmSizes();
    wr16(p, kOffSectionBase1, dmSectionBase(s, 1));
    wr16(p, kOffSectionBase2, dmSectionBase(s, 2));
    wr16(p, kOffSectionBase3, dmSectionBase(s, 3));
}

BYTE DmGetFlag(const DrvContext* ctx, DmFlag f) {
    if (!ctx || !ctx->devmode) return 0;
    return ctx->devmode[kOffStateFlags + static_cast<uint32_t>(f)];
}

void DmPutFlag(DrvContext* ctx, DmFlag f, BYTE value) {
    if (!ctx || !ctx->devmode) return;
    ItemSetRawById(ctx, kItRdmCallSrc + static_cast<int>(f), value);
}

void DmSetPrivateFlagDefaults(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->ws) return;
    const DrvWorkspace* ws = ctx->ws;
    // The sixteen flag bytes are built here and stored in one run; their items
    // follow each other in DmFlag order from kItRdmCallSrc.
    uint32_t flags[kDmFlagCount] = {};
    auto put = [&flags](DmFlag f, bool on) { flags[static_cast<uint32_t>(f)] = on ? 1 : 0; };
    put(DmFlag::CallSrc, true);
    flags[static_cast<uint32_t>(DmFlag::OsKind)] = OsIsNt5OrLater() ? 2 : 1;
    put(DmFlag::Tse, PrnIsTerminalServer(ctx) != 0);
    put(DmFlag::Admin, (ws->kindOptions & kKindOptAdmin) || UserIsAdministrator(ctx));
    put(DmFlag::BatchInst, true);
    put(DmFlag::PresentUiMode, ItemRawById(ctx, kItRdmUIModeChange) != 0);
    put(DmFlag::BidiSupport, (ws->attributes & 0x800u) != 0);
    put(DmFlag::ServerClientMode, ws->serverConnection == 1);
    put(DmFlag::UserCodeFix, ItemRawById(ctx, kItRdmLogCodeUse) != 0);
    put(DmFlag::JlInstalled, CurrentProfile().binderFlagFromRegistry && JobLinkerInstalled(ctx) != 0);
    ItemSetRawRun(ctx, kItRdmCallSrc, flags, kDmFlagCount);
}

void DmSetDriverVersionOption(DrvContext* ctx) {
    if (!ctx || !ctx->desc) return;
    ItemSetString(ctx, ItemFindById(ctx, kItWdmDriverVersion), ctx->desc->driverVersionText);
}

namespace {
// The header names: the description's INI name and version texts, the
// common tag and its version (or an empty tag and 0), and the two zeroed
// blocks behind.
void writeHeaderNames(DrvContext* ctx, bool commonTag) {
    if (!ctx || !ctx->desc) return;
    const DriverDesc& d = *ctx->desc;
    putAnsiItem(ctx, kItRdmIniFileName, d.settingsIniName);
    putAnsiItem(ctx, kItRdmiCDCVerStr, d.versionText1);
    putAnsiItem(ctx, kItRdmiMPJLVerStr, d.versionText2);
    putAnsiItem(ctx, kItRdmKwomMark, commonTag ? u"KWOMMON" : u"");
    ItemSetRawById(ctx, kItRdmKwomVersion, commonTag ? 5 : 0);
    static const BYTE kZero[64] = {};
    for (int id : {kItRdmKwomMember, kItRdmKwomCaps}) {
        DmItem* it = ItemFindById(ctx, id);
        if (it && itemSize(*it) <= sizeof kZero) ItemSetRawBytes(ctx, it, kZero);
    }
}
}  // namespace

void DmHeaderTexts(DrvContext* ctx) { writeHeaderNames(ctx, CurrentProfile().writesCommonTag); }
void DmWriteSignatureExc(DrvContext* ctx) { writeHeaderNames(ctx, false); }

int DmIsColorDevice(const BYTE* p) { return (p && p[kOffMachineColor] == 1) ? 1 : 0; }

void DmClearActionOptions(DrvContext* ctx, int write) {
    if (!ctx || !PrnIsTerminalServer(ctx)) return;
    for (int id = kItemFirstAction; id <= kItemLastAction; ++id) ItemSetRawById(ctx, id, 0);
    // The cleared action word is what goes to the INI as "rdmAction" (the
    // user code, item 216, is no action word).
    if (write) OptSaveActionWordToIni(ctx);
}

uint16_t DmGetFlagWord(DrvContext* ctx) {
    return (ctx && ctx->devmode) ? rd16(ctx->devmode, kOffFlagWord) : 0;
}

void DmPutFlagWord(DrvContext* ctx, uint16_t word) {
    if (!ctx || !ctx->devmode) return;
    for (int bit = 0; bit < 16; ++bit) ItemSetRawById(ctx, kItemFirstQualityBit + bit, (word >> bit) & 1u);
}

uint32_t GetPrintQuality(DrvContext* ctx) { return ItemRawById(ctx, kItDmPrintQuality); }
uint32_t GetDstResolutionW(DrvContext* ctx) { return ItemRawById(ctx, kItRdmDstResolutionW); }
uint32_t GetDstResolutionH(DrvContext* ctx) { return ItemRawById(ctx, kItRdmDstResolutionH); }
void SetPrintQuality(DrvContext* ctx, uint32_t value) { ItemSetRawById(ctx, kItDmPrintQuality, value); }
void SetYResolution(DrvContext* ctx, uint32_t value) { ItemSetRawById(ctx, kItDmYResolution, value); }
void SetDstResolutionW(DrvContext* ctx, uint32_t value) { ItemSetRawById(ctx, kItRdmDstResolutionW, value); }
void SetDstResolutionH(DrvContext* ctx, uint32_t value) { ItemSetRawById(ctx, kItRdmDstResolutionH, value); }

// Section 2's first bytes go to the mirror in section 1, field by field. The
// font-table handles are not copied: they mean something only inside this
// library, and the mirror leaves with the spooler's DEVMODE.
int DmCopyExtBlock(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->items) return 0;
    BYTE* buf = ctx->devmode;
    const uint32_t base2 = dmSectionBase(dmSizes(), 2);
    auto run = [&](MirrorStep s) {
        if (s.zero) std::memset(buf + kOffExtMirror + s.offset, 0, s.length);
        else std::memcpy(buf + kOffExtMirror + s.offset, buf + base2 + s.offset, s.length);
    };
    if (const ItemLists* lists = ItemListsOf(ctx)) {
        for (MirrorStep s : lists->mirror) run(s);
    } else {
        PlanExtMirror(ctx->items->items, ctx->items->count, run);
    }
    return 1;
}

}  // namespace vesk
