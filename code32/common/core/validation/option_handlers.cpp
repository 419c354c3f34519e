// The rules of the built-in option handlers. Unless a rule says otherwise,
// a value that meets the rule stays in mode 2; in any other mode, and for a
// value that fails, the row's parameter is stored.
#include "core/validation/option_handlers.h"

#include "core/driver_desc.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/units.h"
#include "core/validation/paper_codes.h"
#include "core/validation/public_validators.h"

namespace vesk {
namespace {

const HandlerDefaults& defaults(DrvContext* ctx) {
    return ctx && ctx->desc ? ctx->desc->handler : builtinDriverDesc().handler;
}

int store(DrvContext* ctx, DmItem* item, uint32_t value) {
    ItemSetRaw(ctx, item, value);
    return 1;
}

// Keeps the value in mode 2 when it is good, else stores `fallback`.
int keepOr(bool good, int mode, DrvContext* ctx, DmItem* item, uint32_t fallback) {
    if (mode == kHandlerValidate && good) return 0;
    return store(ctx, item, fallback);
}

int32_t asSigned(uint32_t raw) { return static_cast<int32_t>(raw); }

// 0.1 mm lengths in dots of the destination resolution.
uint32_t tenthMmToDots(DrvContext* ctx, int32_t tenthMm) {
    const int32_t res = static_cast<int32_t>(ItemRawById(ctx, kItRdmDstResolutionW));
    return static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, tenthMm, res));
}

}  // namespace

bool ValueSetHas(const ValueSet* set, int32_t value) {
    if (!set) return false;
    for (int i = 0; i < set->count; ++i)
        if (value >= set->runs[i].lo && value <= set->runs[i].hi) return true;
    return false;
}

const OptHandlerRow* OptHandlerRowOf(int id) {
    if (id < kHandlerFirstId || id > kHandlerLastId || id - kHandlerFirstId >= OptHandlerTableCount()) return nullptr;
    return &OptHandlerTable()[id - kHandlerFirstId];
}

// Stored in every mode: the device's versions and the VESK version from the
// description, the other options their parameter.
int OptHandlerForce(uint16_t id, uint32_t, DmItem* item, uint32_t parameter, int, DrvContext* ctx) {
    const HandlerDefaults& d = defaults(ctx);
    uint32_t v = parameter;
    switch (id) {
    case kItRdmiCDCVersion: v = d.cdcVersion; break;
    case kItRdmiCDCRevision: v = d.cdcRevision; break;
    case kItRdmiMPJLVersion: v = d.mpjlVersion; break;
    case kItRdmiMPJLRevision: v = d.mpjlRevision; break;
    case kItRdmVESKVer: v = d.veskVersion; break;
    default: break;
    }
    return store(ctx, item, v);
}

int OptHandlerMachineId(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    const uint32_t id = defaults(ctx).machineId;
    return keepOr(raw == id, mode, ctx, item, id);
}

int OptHandlerInSet(uint16_t id, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    const OptHandlerRow* row = OptHandlerRowOf(id);
    return keepOr(row && ValueSetHas(row->accepts, asSigned(raw)), mode, ctx, item, parameter);
}

int OptHandlerAny(uint16_t, uint32_t, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    return keepOr(true, mode, ctx, item, parameter);
}

// Presets 0..127, or "none" in the low byte.
int OptHandlerPreset(uint16_t, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    return keepOr(raw <= 127 || (raw & 0xFF) == 0xFF, mode, ctx, item, parameter);
}

// A resolution the device prints; else the public print quality when it is
// valid, else the description's default.
int OptHandlerResolution(uint16_t id, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    if (mode == kHandlerValidate && IsSupportedDpi(asSigned(raw))) return 0;
    const int32_t quality = static_cast<int16_t>(ItemRawById(ctx, kItDmPrintQuality));
    if (DmCheckPrintQuality(quality, ctx)) return store(ctx, item, static_cast<uint32_t>(quality));
    const HandlerDefaults& d = defaults(ctx);
    return store(ctx, item, id == kItRdmDstResolutionH ? d.dstResolutionH : d.dstResolutionW);
}

int OptHandlerOutputPaper(uint16_t, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    const int16_t code = static_cast<int16_t>(raw);
    return keepOr(IsStandardPaperSize(code) || IsPaperValue1024(code), mode, ctx, item, parameter);
}

// Always the tab width of `parameter` millimetres in dots.
int OptHandlerPosterTab(uint16_t, uint32_t, DmItem* item, uint32_t parameter, int, DrvContext* ctx) {
    return store(ctx, item, tenthMmToDots(ctx, static_cast<int32_t>(parameter * 10)));
}

// Margins of at most 50 mm.
int OptHandlerMargin(uint16_t, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    return keepOr(raw <= tenthMmToDots(ctx, 500), mode, ctx, item, parameter);
}

int OptHandlerKeep(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*) { return 0; }

int OptHandlerInputTray(uint16_t, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    return keepOr(IsBuiltinSourceValue(asSigned(raw)), mode, ctx, item, parameter);
}

// The paper of a separator or cover tray; the description gives each its
// default.
int OptHandlerTrayPaper(uint16_t id, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    const HandlerDefaults& d = defaults(ctx);
    uint32_t fallback = parameter;
    switch (id) {
    case kItRdmSeparatePaperSize: fallback = d.separatePaperSize; break;
    case kItRdmMPPaperSize: fallback = d.mpPaperSize; break;
    case kItRdmCoverPaperSize: fallback = d.coverPaperSize; break;
    case kItRdmBackCoverPaperSize: fallback = d.backCoverPaperSize; break;
    default: break;
    }
    return keepOr(IsKnownPaperSize(static_cast<int16_t>(raw)), mode, ctx, item, fallback);
}

int OptHandlerMediaType(uint16_t, uint32_t raw, DmItem* item, uint32_t parameter, int mode, DrvContext* ctx) {
    return keepOr(IsBuiltinMediaTypeValue(asSigned(raw)), mode, ctx, item, parameter);
}

int OptHandlerLanguage(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    return keepOr(IsKnownDispLang(raw), mode, ctx, item, defaults(ctx).languageId);
}

// The display language: the description's default, not the printer
// language of item 177.
int OptHandlerDspLanguage(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    return keepOr(IsKnownDispLang(raw), mode, ctx, item, defaults(ctx).dspLanguageId);
}

int OptHandlerDspUnit(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    return keepOr(raw <= 1, mode, ctx, item, defaults(ctx).dspUnit);
}

int OptHandlerPrintArea(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    return keepOr(raw <= 5, mode, ctx, item, defaults(ctx).extPrintArea);
}

int OptHandlerOption441(uint16_t, uint32_t raw, DmItem* item, uint32_t, int mode, DrvContext* ctx) {
    return keepOr(raw >= 1 && raw <= 999, mode, ctx, item, defaults(ctx).option441);
}

}  // namespace vesk
