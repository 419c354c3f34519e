#include "core/devmode/dm_public.h"

#include <cstring>

#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/item_helpers.h"
#include "core/item_store.h"
#include "core/seams.h"
#include "core/units.h"

namespace vesk {
using namespace dm;

namespace {

// Item ids of the public fields and the items the merge keeps in step.
constexpr int kItOrientation = 7, kItPaperSize = 8, kItScale = 11, kItCopies = 12, kItSource = 13,
              kItQuality = 14, kItColor = 15, kItDuplex = 16, kItYRes = 17, kItTTOption = 18,
              kItFormName = 20, kItICMMethod = 27, kItICMIntent = 28, kItMediaType = 29, kItDither = 30;
constexpr int kItUiModeChange = 40, kItDstResW = 42, kItDstResH = 43, kItDuplexOn = 61, kItSortOn = 64,
              kItDuplexType = 102, kItMediaTypeItem = 378, kItUiStart = 880, kItResBoth = 248,
              kItUseUserMacro = 185, kItPdlCode = 10274, kOpt916 = 916;

constexpr uint32_t kFieldDefaults = 0x7F03;

const PublicDefaults& defs(DrvContext* ctx) { return ctx->desc->publicDefaults; }

int optType(DrvContext* ctx, int item) { return dmModel().optionType(ctx, item); }
bool allowed(DrvContext* ctx, int item, int32_t v) { return dmModel().checkValue(ctx, item, v) == 1; }
bool inRange(DrvContext* ctx, int item, int32_t v) {
    int32_t lo = 0, hi = -1;
    return dmModel().optionRange(ctx, item, &lo, &hi) && v >= lo && v <= hi;
}
// The model's current value of the item's option, else the description's.
// The model speaks of its own value ids: the field takes the raw value the
// item's map gives for it.
int32_t modelDefault(DrvContext* ctx, int item, int32_t descDefault) {
    uint32_t v = 0;
    if (optType(ctx, item) && dmModel().optionValue(ctx, item, &v))
        return static_cast<int32_t>(ItemMapToRaw(ctx, ItemFindById(ctx, item), v));
    return descDefault;
}

void put16(BYTE* dm, uint32_t off, int32_t v) { wr16(dm, off, static_cast<uint32_t>(v)); }

bool isUserOrFreeSize(DrvContext* ctx, int32_t paper) {
    int32_t w = 0, l = 0;
    return paper == DMPAPER_USER || dmModel().freeSizePaper(ctx, paper, &w, &l);
}

}  // namespace

void DmScaleLimits(DrvContext* ctx, int32_t* lo, int32_t* hi) {
    *lo = defs(ctx).scaleMin;
    *hi = defs(ctx).scaleMax;
    if (optType(ctx, kItScale) == 8) dmModel().optionRange(ctx, kItScale, lo, hi);
}

void DmCopiesLimits(DrvContext* ctx, int32_t* lo, int32_t* hi) {
    *lo = defs(ctx).copiesMin;
    *hi = defs(ctx).copiesMax;
    if (optType(ctx, kItCopies) == 8) dmModel().optionRange(ctx, kItCopies, lo, hi);
}

void DmResetPublic(DrvContext* ctx, BYTE* p) {
    if (!ctx || !p || !ctx->desc) return;
    const DriverDesc& d = *ctx->desc;
    const PublicDefaults& pd = d.publicDefaults;
    const DmSizes& s = dmSizes();
    wr16(p, kOffSpecVersion, d.specVersion);
    wr16(p, kOffDriverVersion, d.driverVersion);
    wr16(p, kOffSize, s.publicSize);
    wr16(p, kOffDriverExtra, s.privateSize);
    wr32(p, kOffFields, d.publicFields ? d.publicFields : kFieldDefaults);
    put16(p, kOffOrientation, pd.orientation);
    put16(p, kOffPaperSize, pd.paperSize);
    put16(p, kOffPaperLength, pd.paperLength);
    put16(p, kOffPaperWidth, pd.paperWidth);
    put16(p, kOffScale, pd.scale);
    put16(p, kOffCopies, pd.copies);
    put16(p, kOffDefaultSource, pd.defaultSource);
    put16(p, kOffPrintQuality, pd.printQuality);
    put16(p, kOffColor, pd.color);
    put16(p, kOffDuplex, pd.duplex);
    put16(p, kOffYResolution, pd.yResolution);
    put16(p, kOffTTOption, pd.ttOption);
    put16(p, kOffCollate, 0);
    addFields(p, DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_DUPLEX |
                     DM_YRESOLUTION | DM_TTOPTION);
    clearFields(p, DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
    putWideField(p, kOffFormName, kFormNameChars, pd.formName);
    std::memset(p + kOffLogPixels, 0, kOffICMMethod - kOffLogPixels);
    wr32(p, kOffICMMethod, pd.icmMethod);
    wr32(p, kOffICMIntent, pd.icmIntent);
    wr32(p, kOffMediaType, pd.mediaType);
    wr32(p, kOffDitherType, pd.ditherType);
    wr32(p, kOffPanningWidth, 0);
    wr32(p, kOffPanningHeight, 0);
}

void DmValidatePublic(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->desc) return;
    BYTE* p = ctx->devmode;
    const DriverDesc& d = *ctx->desc;
    const PublicDefaults& pd = d.publicDefaults;
    const DmSizes& s = dmSizes();
    // Indexes 1 to 5: kept only with a model option.
    if (!optType(ctx, 2)) wr16(p, kOffSpecVersion, d.specVersion);
    if (!optType(ctx, 3)) wr16(p, kOffDriverVersion, d.driverVersion);
    if (!optType(ctx, 4)) wr16(p, kOffSize, s.publicSize);
    if (!optType(ctx, 5)) wr16(p, kOffDriverExtra, s.privateSize);
    if (!optType(ctx, 6)) wr32(p, kOffFields, d.publicFields);

    int32_t v = rds16(p, kOffOrientation);
    if (!(optType(ctx, kItOrientation) == 1 && (v == 1 || v == 2))) put16(p, kOffOrientation, pd.orientation);
    addFields(p, DM_ORIENTATION);

    v = rds16(p, kOffPaperSize);
    if (!(optType(ctx, kItPaperSize) == 257 && ((v >= 1 && v <= DMPAPER_LAST) || v >= DMPAPER_USER)))
        put16(p, kOffPaperSize, pd.paperSize);
    addFields(p, DM_PAPERSIZE);

    // Length and width go together.
    for (int k = 0; k < 2; ++k) {
        const int item = 9 + k;
        const uint32_t off = k == 0 ? kOffPaperLength : kOffPaperWidth;
        const uint32_t other = k == 0 ? kOffPaperWidth : kOffPaperLength;
        const uint32_t flag = k == 0 ? DM_PAPERLENGTH : DM_PAPERWIDTH;
        v = rds16(p, off);
        if (optType(ctx, item) == 8 && v > 0) {
            if (rds16(p, other) > 0) addFields(p, flag);
            else clearFields(p, flag);
        } else if (!(optType(ctx, item) == 8 && v == 0)) {
            put16(p, off, k == 0 ? pd.paperLength : pd.paperWidth);
            clearFields(p, flag);
        }
    }

    v = rds16(p, kOffScale);
    const int st = optType(ctx, kItScale);
    if (!((st == 1 && v > 0) || (st == 8 && inRange(ctx, kItScale, v)))) put16(p, kOffScale, pd.scale);

    v = rds16(p, kOffCopies);
    if (!(optType(ctx, kItCopies) == 8 && inRange(ctx, kItCopies, v) && v > 0)) put16(p, kOffCopies, pd.copies);
    addFields(p, DM_COPIES);

    v = rds16(p, kOffDefaultSource);
    if (!(optType(ctx, kItSource) == 513 && ((v >= 1 && v <= DMBIN_LAST) || v >= DMBIN_USER)))
        put16(p, kOffDefaultSource, pd.defaultSource);
    addFields(p, DM_DEFAULTSOURCE);

    auto qualityOk = [&](int32_t q) {
        const int t = optType(ctx, kItQuality);
        const bool named = q >= DMRES_HIGH && q <= DMRES_DRAFT;
        return (t == 1 && (q > 0 || named)) || (t == 8 && (inRange(ctx, kItQuality, q) || named));
    };
    if (!qualityOk(rds16(p, kOffPrintQuality))) put16(p, kOffPrintQuality, pd.printQuality);
    addFields(p, DM_PRINTQUALITY);

    v = rds16(p, kOffColor);
    if (optType(ctx, kItColor) == 1 && v > 0) addFields(p, DM_COLOR);
    else put16(p, kOffColor, pd.color);

    v = rds16(p, kOffDuplex);
    const int dt = optType(ctx, kItDuplex);
    if (!((dt == 1 || dt == 4) && v > 0)) put16(p, kOffDuplex, pd.duplex);
    addFields(p, DM_DUPLEX);

    v = rds16(p, kOffYResolution);
    const int yt = optType(ctx, kItYRes);
    if ((yt == 1 && v > 0) || (yt == 8 && inRange(ctx, kItYRes, v))) {
        addFields(p, DM_YRESOLUTION);
    } else if (optType(ctx, kItQuality)) {
        if (!qualityOk(rds16(p, kOffPrintQuality))) put16(p, kOffPrintQuality, pd.printQuality);
        put16(p, kOffYResolution, rds16(p, kOffPrintQuality));
    } else {
        put16(p, kOffYResolution, pd.yResolution);
    }

    v = rds16(p, kOffTTOption);
    if (!(optType(ctx, kItTTOption) == 1 && v > 0)) put16(p, kOffTTOption, pd.ttOption);
    addFields(p, DM_TTOPTION);

    if (dmModel().collateSupported(ctx)) {
        if (!(fields(p) & DM_COLLATE)) {
            put16(p, kOffCollate, ItemRawById(ctx, kItSortOn) ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
            addFields(p, DM_COLLATE);
        }
    } else {
        clearFields(p, DM_COLLATE);
        put16(p, kOffCollate, DMCOLLATE_FALSE);
    }

    // A name that comes from outside may lack its terminator.
    p[kOffFormName + kFormNameChars * 2 - 2] = 0;
    p[kOffFormName + kFormNameChars * 2 - 1] = 0;
    if (optType(ctx, kItFormName) && !wideFieldEmpty(p, kOffFormName)) {
        addFields(p, DM_FORMNAME);
    } else {
        if (pd.formName) putWideField(p, kOffFormName, kFormNameChars, pd.formName);
        clearFields(p, DM_FORMNAME);
    }

    struct DwordField {
        int item;
        uint32_t off, flag, def;
    };
    const DwordField dw[] = {{kItICMMethod, kOffICMMethod, DM_ICMMETHOD, pd.icmMethod},
                             {kItICMIntent, kOffICMIntent, DM_ICMINTENT, pd.icmIntent},
                             {kItMediaType, kOffMediaType, 0, pd.mediaType},
                             {kItDither, kOffDitherType, DM_DITHERTYPE, pd.ditherType}};
    for (const DwordField& f : dw) {
        if (optType(ctx, f.item) == 1 && rd32(p, f.off) != 0) addFields(p, f.flag);
        else wr32(p, f.off, f.def);
    }
}

void DmPublicSetDefaults(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    if (reason == 1) {
        DmValidatePublic(ctx);
    } else if (reason == 2) {
        // Resetting every item to its model default and reloading the
        // printer's DEVMODE is the defaults builder's work.
        DmValidatePublic(ctx);
    } else {
        DmResetPublic(ctx, ctx->devmode);
    }
}

// ---- merge ----

void DmMergePublic(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags) {
    if (!ctx || !ctx->devmode || !in || !ctx->desc) return;
    BYTE* cur = ctx->devmode;
    const PublicDefaults& pd = defs(ctx);
    uint32_t inFields = fields(in);

    // Source and orientation: an allowed value, else the model's default,
    // else the description's.
    if (inFields & DM_DEFAULTSOURCE) {
        int32_t v = rds16(in, kOffDefaultSource);
        put16(cur, kOffDefaultSource, allowed(ctx, kItSource, v) ? v : modelDefault(ctx, kItSource, pd.defaultSource));
        addFields(cur, DM_DEFAULTSOURCE);
    }
    if (inFields & DM_ORIENTATION) {
        int32_t v = rds16(in, kOffOrientation);
        put16(cur, kOffOrientation,
              allowed(ctx, kItOrientation, v) ? v : modelDefault(ctx, kItOrientation, pd.orientation));
        addFields(cur, DM_ORIENTATION);
    }

    // Paper. A user size counts as length and width without a size code.
    const int32_t inPaper = rds16(in, kOffPaperSize);
    if ((inFields & DM_PAPERSIZE) && inPaper == DMPAPER_USER) {
        inFields = (inFields & ~DM_PAPERSIZE) | DM_PAPERLENGTH | DM_PAPERWIDTH;
    }
    const int32_t inLength = rds16(in, kOffPaperLength);
    const int32_t inWidth = rds16(in, kOffPaperWidth);
    bool paperDone = false;
    if ((inFields & DM_PAPERLENGTH) && (inFields & DM_PAPERWIDTH) && inLength > 0 && inWidth > 0 &&
        !(inFields & DM_PAPERSIZE)) {
        put16(cur, kOffPaperSize, inPaper);
        put16(cur, kOffPaperLength, inLength);
        put16(cur, kOffPaperWidth, inWidth);
        addFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
        clearFields(cur, DM_PAPERSIZE);
        paperDone = true;
    } else if (inFields & DM_PAPERSIZE) {
        int32_t wDots = 0, lDots = 0, w = 0, l = 0;
        if (dmModel().freeSizePaper(ctx, inPaper, &wDots, &lDots)) {
            put16(cur, kOffPaperSize, inPaper);
            put16(cur, kOffPaperWidth, DotsToDisplay(kUnitTenthMm, wDots, 1200));
            put16(cur, kOffPaperLength, DotsToDisplay(kUnitTenthMm, lDots, 1200));
            addFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
        } else {
            int32_t code = allowed(ctx, kItPaperSize, inPaper) ? inPaper : modelDefault(ctx, kItPaperSize, pd.paperSize);
            put16(cur, kOffPaperSize, code);
            clearFields(cur, DM_PAPERLENGTH | DM_PAPERWIDTH);
            if (dmModel().paperSize(ctx, code, &w, &l)) {
                put16(cur, kOffPaperWidth, w);
                put16(cur, kOffPaperLength, l);
            }
        }
        addFields(cur, DM_PAPERSIZE);
        paperDone = true;
    } else if (inFields & DM_ORIENTATION) {
        const int32_t curPaper = rds16(cur, kOffPaperSize);
        int32_t w = 0, l = 0;
        if (!isUserOrFreeSize(ctx, curPaper) && dmModel().paperSize(ctx, curPaper, &w, &l)) {
            put16(cur, kOffPaperWidth, w);
            put16(cur, kOffPaperLength, l);
        }
        paperDone = true;
    }
    if (!paperDone && (inFields & DM_FORMNAME)) {
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

    // Scale and copies within their limits.
    if (inFields & DM_SCALE) {
        int32_t lo, hi, v = rds16(in, kOffScale);
        DmScaleLimits(ctx, &lo, &hi);
        put16(cur, kOffScale, (v < lo || v > hi) ? pd.scale : v);
    }
    clearFields(cur, DM_SCALE);
    if (inFields & DM_COPIES) {
        int32_t lo, hi, v = rds16(in, kOffCopies);
        DmCopiesLimits(ctx, &lo, &hi);
        put16(cur, kOffCopies, (v < lo || v > hi) ? pd.copies : v);
        addFields(cur, DM_COPIES);
    }

    if (inFields & DM_PRINTQUALITY) {
        int32_t v = rds16(in, kOffPrintQuality);
        if (v >= DMRES_HIGH && v <= DMRES_DRAFT) {
            put16(cur, kOffPrintQuality, modelDefault(ctx, kItQuality, pd.printQuality));
        } else if (allowed(ctx, kItQuality, v)) {
            put16(cur, kOffPrintQuality, v);
        } else {
            uint32_t r = 0;
            DmItem* it = ItemFindById(ctx, kItDstResW);
            if (optType(ctx, kItDstResW) && dmModel().optionValue(ctx, kItDstResW, &r)) {
                if (it && it->valueMap && (optType(ctx, kItDstResW) & 1)) r = ItemMapToValue(ctx, it, r);
                put16(cur, kOffPrintQuality, static_cast<int32_t>(r));
            }
        }
        // The resolution item must accept it.
        const int32_t q = rds16(cur, kOffPrintQuality);
        if (optType(ctx, kItDstResW) == 8) {
            const ResolutionRow* rows = GetResolutionTable();
            const uint32_t both = ItemRawById(ctx, kItResBoth);
            int32_t id = q;
            const ResolutionRow* own = nullptr;
            for (const ResolutionRow* r = rows; r && r->id; ++r)
                if (r->id == both) own = r;
            if (ItemRawById(ctx, kItUseUserMacro) == 1 && own && own->xDpi == q) {
                id = static_cast<int32_t>(both);
            } else {
                for (const ResolutionRow* r = rows; r && r->id; ++r)
                    if (r->xDpi == q) {
                        id = r->id;
                        break;
                    }
            }
            if (!allowed(ctx, kItResBoth, id) && own) put16(cur, kOffPrintQuality, own->xDpi);
        } else if (!allowed(ctx, kItDstResW, q)) {
            put16(cur, kOffPrintQuality, static_cast<int32_t>(ItemRawById(ctx, kItDstResW)));
        }
        // Quality entries (items 185 and 188) come with the quality lists.
        if (!(mergeFlags & kMergeSettingsImport) && !dmModel().paperLimitsOk(ctx))
            put16(cur, kOffPrintQuality, 600);
        addFields(cur, DM_PRINTQUALITY);
    }
    put16(cur, kOffYResolution, rds16(cur, kOffPrintQuality));
    addFields(cur, DM_YRESOLUTION);

    if (inFields & DM_DUPLEX) {
        int32_t v = rds16(in, kOffDuplex);
        put16(cur, kOffDuplex, allowed(ctx, kItDuplex, v) ? v : pd.duplex);
        addFields(cur, DM_DUPLEX);
    }
    if (inFields & DM_COLOR) {
        int32_t v = rds16(in, kOffColor);
        put16(cur, kOffColor, allowed(ctx, kItColor, v) ? v : pd.color);
        addFields(cur, DM_COLOR);
    }
    if (inFields & DM_TTOPTION) {
        int32_t v = rds16(in, kOffTTOption);
        if (allowed(ctx, kItTTOption, v)) {
            put16(cur, kOffTTOption, v);
            addFields(cur, DM_TTOPTION);
        } else {
            put16(cur, kOffTTOption, pd.ttOption);
        }
    }

    clearFields(cur, DM_COLLATE);
    put16(cur, kOffCollate, DMCOLLATE_FALSE);
    if (dmModel().collateSupported(ctx)) {
        addFields(cur, DM_COLLATE);
        const bool on = (fields(in) & DM_COLLATE) ? rds16(in, kOffCollate) == DMCOLLATE_TRUE
                                                  : ItemRawById(ctx, kItSortOn) != 0;
        put16(cur, kOffCollate, on ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
    }

    struct DwordField {
        int item;
        uint32_t off, flag, def;
    };
    const DwordField dw[] = {{kItICMMethod, kOffICMMethod, DM_ICMMETHOD, pd.icmMethod},
                             {kItICMIntent, kOffICMIntent, DM_ICMINTENT, pd.icmIntent},
                             {kItDither, kOffDitherType, DM_DITHERTYPE, pd.ditherType}};
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
        wr32(cur, kOffMediaType, allowed(ctx, kItMediaType, static_cast<int32_t>(v)) ? v : pd.mediaType);
    }
}

void DmResolutionToItems(DrvContext* ctx) {
    const uint32_t q = ItemRawById(ctx, kItQuality);
    ItemSetRawById(ctx, kItYRes, q);
    ItemSetRawById(ctx, kItDstResW, q);
    ItemSetRawById(ctx, kItDstResH, q);
    UpdateItem187ForResolution(static_cast<int32_t>(static_cast<int16_t>(q)), ctx);
}

void DmSyncItems(DrvContext* ctx, const BYTE* in, uint32_t mergeFlags) {
    if (!ctx || !ctx->devmode || !in) return;
    BYTE* cur = ctx->devmode;
    const uint32_t common = fields(in) & fields(cur);
    if (common & DM_DUPLEX) {
        const int32_t d = rds16(cur, kOffDuplex);
        const bool landscape = rds16(cur, kOffOrientation) == DMORIENT_LANDSCAPE;
        if (d == DMDUP_VERTICAL || d == DMDUP_HORIZONTAL) {
            ItemSetRawById(ctx, kItDuplexOn, 1);
            const bool longEdge = (d == DMDUP_VERTICAL && landscape) || (d == DMDUP_HORIZONTAL && !landscape);
            ItemSetRawById(ctx, kItDuplexType, longEdge ? 1 : 3);
        } else if (d == DMDUP_SIMPLEX && ItemRawById(ctx, kOpt916) == 0) {
            ItemSetRawById(ctx, kItDuplexOn, 0);
        }
    }
    if (common & DM_MEDIATYPE) ItemSetRawById(ctx, kItMediaTypeItem, rd32(cur, kOffMediaType));
    if (!(mergeFlags & kMergeSettingsImport)) DmResolutionToItems(ctx);
    // Paper items in dots need the model's page-size and area records; they
    // are set by DmDerivedItemsUpdate when the model answers.
    DmPutFlag(ctx, DmFlag::PresentUiMode, ItemRawById(ctx, kItUiModeChange) ? 1 : 0);
    if (DmItem* pdl = ItemFindById(ctx, kItPdlCode)) {
        BYTE* s = ItemGetStorage(ctx, pdl);
        if (s && s[0] == 0) SetPdlCodeItem(ctx);
    }
    ItemSetRawById(ctx, kItUiStart, 0);
    RunOptionChangeHandlers(ctx, 2);
}

void DmDerivedItemsUpdate(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    DmResolutionToItems(ctx);
    DmPutFlag(ctx, DmFlag::PresentUiMode, ItemRawById(ctx, kItUiModeChange) ? 1 : 0);
    DmPutFlag(ctx, DmFlag::BidiSupport, (ctx->ws && (ctx->ws->attributes & 0x800u)) ? 1 : 0);
    DmPutFlag(ctx, DmFlag::ServerClientMode, (ctx->ws && ctx->ws->serverConnection == 1) ? 1 : 0);
    if (reason == 1 || reason == 3 || reason == 4) SetPdlCodeItem(ctx);
    ItemSetRawById(ctx, kItUiStart, 0);
}

void DmDuplexFromItems(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    BYTE* cur = ctx->devmode;
    const int32_t d = rds16(cur, kOffDuplex);
    if (ItemRawById(ctx, kItDuplexOn) == 0) {
        put16(cur, kOffDuplex, DMDUP_SIMPLEX);
        return;
    }
    if (ItemRawById(ctx, kOpt916) != 0 && d != DMDUP_VERTICAL && d != DMDUP_HORIZONTAL) return;
    const bool landscape = rds16(cur, kOffOrientation) == DMORIENT_LANDSCAPE;
    const uint32_t t = ItemRawById(ctx, kItDuplexType);
    int32_t out;
    if (t == 0) out = DMDUP_SIMPLEX;
    else if (t == 1 || t == 17 || t == 20) out = landscape ? DMDUP_VERTICAL : DMDUP_HORIZONTAL;
    else out = landscape ? DMDUP_HORIZONTAL : DMDUP_VERTICAL;
    put16(cur, kOffDuplex, out);
}

void DmItemsToPublic(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    DmDerivedItemsUpdate(ctx, reason);
    DmDuplexFromItems(ctx);
    // A media item never set (0) leaves the field as it is: 0 is no media type.
    if (const uint32_t m = ItemRawById(ctx, kItMediaTypeItem)) wr32(ctx->devmode, kOffMediaType, m);
    DmCopyExtBlock(ctx);
}

}  // namespace vesk
