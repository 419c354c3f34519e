// The merge of a caller's public fields into the context's DEVMODE, by the
// bits of the caller's dmFields.
#include "core/caps/device_caps.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_public_util.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/validation/public_validators.h"
#include "core/devmode/dm_state.h"
#include "core/devmode/dm_validate.h"
#include "core/item_helpers.h"
#include "core/item_store.h"
#include "core/units.h"
#include "core/item_ids.h"
#include "core/library_profile.h"

#include <utility>

namespace vesk {
using namespace dm;
using namespace dmpub;

namespace {

// The item back to the current value of its model option, else the field to
// the description's default.
void modelOrDescDefault(DrvContext* ctx, BYTE* cur, int item, uint32_t off, int32_t descDefault) {
    if (!DmResetOption(ctx, ItemFindById(ctx, item))) put16(cur, off, descDefault);
}

// A 16-bit field the caller asks for: its value when allowed, else the
// description's default; the flag always, or only for an allowed value.
void takeAllowed(DrvContext* ctx, const BYTE* in, int item, uint32_t off, uint32_t flag, int32_t def,
                 bool flagAlways) {
    BYTE* cur = ctx->devmode;
    const int32_t v = get16(in, off);
    const bool ok = allowed(ctx, item, v);
    put16(cur, off, ok ? v : def);
    if (ok || flagAlways) addFields(cur, flag);
}

void takeInRange(const BYTE* in, BYTE* cur, uint32_t off, int32_t lo, int32_t hi, int32_t def) {
    const int32_t v = get16(in, off);
    put16(cur, off, (v < lo || v > hi) ? def : v);
}

void mergeFormName(BYTE* cur, const BYTE* in) {
    if (wideFieldEmpty(in, kOffFormName)) {
        putWideField(cur, kOffFormName, kFormNameChars, nullptr);
        clearFields(cur, DM_FORMNAME);
    } else if (!wideFieldEmpty(cur, kOffFormName)) {
        copyWideField(cur, kOffFormName, in, kOffFormName, kFormNameChars);
        addFields(cur, DM_FORMNAME);
    } else {
        clearFields(cur, DM_FORMNAME);
    }
}

// An explicit size (both length bits, both lengths positive) the merge
// takes: alone, or, where every field is merged, beside a paper code the
// model knows (an unknown code alone becomes DMPAPER_USER).
bool takeExplicitSize(DrvContext* ctx, const BYTE* in, uint32_t inFields, bool everyField) {
    BYTE* cur = ctx->devmode;
    const int32_t inPaper = get16(in, kOffPaperSize);
    const int32_t inLength = get16(in, kOffPaperLength);
    const int32_t inWidth = get16(in, kOffPaperWidth);
    if (!(inFields & DM_PAPERLENGTH) || !(inFields & DM_PAPERWIDTH) || inLength <= 0 || inWidth <= 0) return false;
    const bool withCode = (inFields & DM_PAPERSIZE) != 0;
    if (withCode && !everyField) return false;
    const bool known = allowed(ctx, kItDmPaperSize, inPaper);
    if (withCode && !known) return false;
    put16(cur, kOffPaperSize, (everyField && !known) ? DMPAPER_USER : inPaper);
    put16(cur, kOffPaperLength, inLength);
    put16(cur, kOffPaperWidth, inWidth);
    addFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
    if (withCode) addFields(cur, DM_PAPERSIZE);
    else clearFields(cur, DM_PAPERSIZE);
    return true;
}

void mergePaper(DrvContext* ctx, const BYTE* in, uint32_t inFields) {
    BYTE* cur = ctx->devmode;
    const PublicDefaults& pd = defs(ctx);
    const int32_t inPaper = get16(in, kOffPaperSize);
    const LibraryProfile& profile = CurrentProfile();
    int32_t w = 0, l = 0;

    if (takeExplicitSize(ctx, in, inFields, profile.mergesEveryPublicField)) return;
    if (inFields & DM_PAPERSIZE) {
        if (freeSize(ctx, inPaper, &w, &l)) {
            if (profile.papersAlwaysTurnLandscape && get16(cur, kOffOrientation) == DMORIENT_LANDSCAPE) std::swap(w, l);
            put16(cur, kOffPaperSize, inPaper);
            put16(cur, kOffPaperWidth, DotsToDisplay(kUnitTenthMm, w, 1200));
            put16(cur, kOffPaperLength, DotsToDisplay(kUnitTenthMm, l, 1200));
            addFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
        } else {
            if (allowed(ctx, kItDmPaperSize, inPaper)) put16(cur, kOffPaperSize, inPaper);
            else modelOrDescDefault(ctx, cur, kItDmPaperSize, kOffPaperSize, pd.paperSize);
            clearFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
            // The size of the paper taken, also of a default, so that the
            // fields never describe another paper.
            if (modelPaper(ctx, get16(cur, kOffPaperSize), &w, &l)) {
                put16(cur, kOffPaperWidth, w);
                put16(cur, kOffPaperLength, l);
            }
        }
        addFields(cur, DM_PAPERSIZE);
        return;
    }
    if (inFields & DM_ORIENTATION) {
        const int32_t curPaper = get16(cur, kOffPaperSize);
        if (curPaper != DMPAPER_USER && !freeSize(ctx, curPaper, &w, &l) && modelPaper(ctx, curPaper, &w, &l)) {
            put16(cur, kOffPaperWidth, w);
            put16(cur, kOffPaperLength, l);
        }
        return;
    }
    if ((inFields & DM_FORMNAME) && !profile.mergesEveryPublicField) mergeFormName(cur, in);
}

// The resolution item must accept the print quality: item 248 (a resolution
// id) when item 42 is numeric, else item 42 itself. A refused value gives
// way to the item's model value.
void checkQualityAgainstResolution(DrvContext* ctx) {
    BYTE* cur = ctx->devmode;
    const int32_t q = get16(cur, kOffPrintQuality);
    uint32_t mv = 0;
    if (optType(ctx, kItRdmDstResolutionW) == 8) {
        const uint32_t both = ItemRawById(ctx, kItRdmDstResolutionBoth);
        const ResolutionRow* own = ResTableFindById(both);
        uint32_t id = static_cast<uint32_t>(q);
        if (ItemRawById(ctx, kItRdmUseUserMacro) == 1 && own && own->xDpi == q) id = both;
        else if (const ResolutionRow* r = ResTableFindByX(static_cast<uint32_t>(q))) id = r->id;
        if (!ItemValueIsValid(ctx, ItemFindById(ctx, kItRdmDstResolutionBoth), kItRdmDstResolutionBoth, id) &&
            dmModel().optionValue(ctx, kItRdmDstResolutionBoth, &mv))
            if (const ResolutionRow* r = ResTableFindById(mv)) put16(cur, kOffPrintQuality, r->xDpi);
        return;
    }
    DmItem* res = ItemFindById(ctx, kItRdmDstResolutionW);
    if (!ItemValueIsValid(ctx, res, kItRdmDstResolutionW, static_cast<uint32_t>(q)) &&
        dmModel().optionValue(ctx, kItRdmDstResolutionW, &mv))
        put16(cur, kOffPrintQuality, static_cast<int32_t>(ItemMapToRaw(ctx, res, mv)));
}

void mergeQuality(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags) {
    BYTE* cur = ctx->devmode;
    const int32_t v = get16(in, kOffPrintQuality);
    if (IsDmResValue(v)) {
        modelOrDescDefault(ctx, cur, kItDmPrintQuality, kOffPrintQuality, defs(ctx).printQuality);
    } else if (allowed(ctx, kItDmPrintQuality, v)) {
        put16(cur, kOffPrintQuality, v);
    } else {
        // The resolution item's model value, as a raw value.
        uint32_t r = 0;
        DmItem* res = ItemFindById(ctx, kItRdmDstResolutionW);
        const int t = optType(ctx, kItRdmDstResolutionW);
        if (t && dmModel().optionValue(ctx, kItRdmDstResolutionW, &r)) {
            if (res && res->valueMap && (t & 1)) r = ItemMapToRaw(ctx, res, r);
            ItemSetRawById(ctx, kItDmPrintQuality, r);
        }
    }
    checkQualityAgainstResolution(ctx);

    // A user quality macro of the quality list decides the resolution: its
    // entry is loaded on a saved DEVMODE only to read item 42.
    const uint32_t macro = ItemRawById(ctx, kItRdmUserPrintMacro);
    if (ItemRawById(ctx, kItRdmUseUserMacro) == 1 && (mergeFlags & kMergeNoUi) && (mergeFlags & kMergePrompt) &&
        macro >= 32 && macro <= 39 && DmSaveState(ctx)) {
        const int loaded = LoadQualityByIndex(ctx, macro - 32);
        const uint32_t r = ItemRawById(ctx, kItRdmDstResolutionW);
        DmRestoreState(ctx, 1);
        if (loaded && r != ItemRawById(ctx, kItDmPrintQuality)) ItemSetRawById(ctx, kItDmPrintQuality, r);
    }
    if (!(mergeFlags & kMergeSettingsImport) && !dmModel().paperLimitsOk(ctx)) ItemSetRawById(ctx, kItDmPrintQuality, 600);
    addFields(cur, DM_PRINTQUALITY);
}

}  // namespace

void DmMergePublic(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags) {
    if (!ctx || !ctx->devmode || !in || !ctx->desc) return;
    BYTE* cur = ctx->devmode;
    const PublicDefaults& pd = defs(ctx);
    const uint32_t inFields = requestedFields(in);

    if (inFields & DM_DEFAULTSOURCE) {
        const int32_t v = get16(in, kOffDefaultSource);
        if (allowed(ctx, kItDmDefaultSource, v)) put16(cur, kOffDefaultSource, v);
        else modelOrDescDefault(ctx, cur, kItDmDefaultSource, kOffDefaultSource, pd.defaultSource);
        addFields(cur, DM_DEFAULTSOURCE);
    }
    if (inFields & DM_ORIENTATION) {
        const int32_t v = get16(in, kOffOrientation);
        if (allowed(ctx, kItDmOrientation, v)) put16(cur, kOffOrientation, v);
        else modelOrDescDefault(ctx, cur, kItDmOrientation, kOffOrientation, pd.orientation);
        addFields(cur, DM_ORIENTATION);
    }
    mergePaper(ctx, in, inFields);
    // Where every field is merged, the form name is whatever else came.
    const bool everyField = CurrentProfile().mergesEveryPublicField;
    if (everyField && (inFields & DM_FORMNAME)) mergeFormName(cur, in);

    // Scale and copies within their limits; DM_SCALE never stays set.
    int32_t lo, hi;
    if (inFields & DM_SCALE) {
        DmScaleLimits(ctx, &lo, &hi);
        takeInRange(in, cur, kOffScale, lo, hi, pd.scale);
    }
    if (!everyField || !(inFields & DM_SCALE)) clearFields(cur, DM_SCALE);
    else addFields(cur, DM_SCALE);
    if (inFields & DM_COPIES) {
        DmCopiesLimits(ctx, &lo, &hi);
        takeInRange(in, cur, kOffCopies, lo, hi, pd.copies);
        addFields(cur, DM_COPIES);
    }

    if (inFields & DM_PRINTQUALITY) mergeQuality(ctx, in, mergeFlags);
    put16(cur, kOffYResolution, get16(cur, kOffPrintQuality));
    addFields(cur, DM_YRESOLUTION);

    if (inFields & DM_DUPLEX) takeAllowed(ctx, in, kItDmDuplex, kOffDuplex, DM_DUPLEX, pd.duplex, true);
    if (inFields & DM_COLOR) takeAllowed(ctx, in, kItDmColor, kOffColor, DM_COLOR, pd.color, true);
    if (inFields & DM_TTOPTION) takeAllowed(ctx, in, kItDmTTOption, kOffTTOption, DM_TTOPTION, pd.ttOption, false);

    clearFields(cur, DM_COLLATE);
    put16(cur, kOffCollate, DMCOLLATE_FALSE);
    if (DmIsCollateSupported(ctx)) {
        addFields(cur, DM_COLLATE);
        const bool on = (inFields & DM_COLLATE) ? get16(in, kOffCollate) == DMCOLLATE_TRUE
                                                : ItemRawById(ctx, kItRdmFuncSelectSort) != 0;
        put16(cur, kOffCollate, on ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
    }

    struct DwordField {
        int item;
        uint32_t off, flag, def;
    };
    const DwordField dw[] = {{kItDmICMMethod, kOffICMMethod, DM_ICMMETHOD, pd.icmMethod},
                             {kItDmICMIntent, kOffICMIntent, DM_ICMINTENT, pd.icmIntent},
                             {kItDmDitherType, kOffDitherType, DM_DITHERTYPE, pd.ditherType}};
    for (const DwordField& f : dw) {
        if (!(inFields & f.flag)) continue;
        const uint32_t v = rd32(in, f.off);
        if (allowed(ctx, f.item, static_cast<int32_t>(v))) {
            wr32(cur, f.off, v);
            addFields(cur, f.flag);
        } else {
            wr32(cur, f.off, f.def);
        }
    }
    if (inFields & DM_MEDIATYPE) {
        const uint32_t v = rd32(in, kOffMediaType);
        const bool ok = allowed(ctx, kItDmMediaType, static_cast<int32_t>(v));
        wr32(cur, kOffMediaType, ok ? v : pd.mediaType);
        if (ok && everyField) addFields(cur, DM_MEDIATYPE);
    }
}

}  // namespace vesk
