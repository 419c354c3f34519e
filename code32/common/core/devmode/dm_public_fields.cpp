// The public fields' defaults and their validation against the model: one
// row per field with its validator and its default step.
#include <cstring>

#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_public_util.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/item_ids.h"
#include "core/library_profile.h"
#include "core/validation/public_validators.h"

namespace vesk {
using namespace dm;
using namespace dmpub;

namespace {

constexpr uint32_t kFieldDefaults = 0x7F03;

bool namedQuality(int32_t q) { return IsDmResValue(q) != 0; }

bool qualityOk(DrvContext* ctx, int32_t q) {
    const int t = optType(ctx, kItDmPrintQuality);
    return (t == 1 && (q > 0 || namedQuality(q))) || (t == 8 && (inRange(ctx, kItDmPrintQuality, q) || namedQuality(q)));
}

// ---- Default steps: the field's description default and its flag ----

void defSpecVersion(DrvContext* ctx, BYTE* p) { wr16(p, kOffSpecVersion, ctx->desc->specVersion); }
void defDriverVersion(DrvContext* ctx, BYTE* p) { wr16(p, kOffDriverVersion, ctx->desc->driverVersion); }
void defSize(DrvContext*, BYTE* p) { wr16(p, kOffSize, dmSizes().publicSize); }
void defDriverExtra(DrvContext*, BYTE* p) { wr16(p, kOffDriverExtra, dmSizes().privateSize); }
void defFields(DrvContext* ctx, BYTE* p) {
    wr32(p, kOffFields, ctx->desc->publicFields ? ctx->desc->publicFields : kFieldDefaults);
}
void defOrientation(DrvContext* ctx, BYTE* p) {
    put16(p, kOffOrientation, defs(ctx).orientation);
    addFields(p, DM_ORIENTATION);
}
void defPaperSize(DrvContext* ctx, BYTE* p) {
    put16(p, kOffPaperSize, defs(ctx).paperSize);
    addFields(p, DM_PAPERSIZE);
}
void defPaperLength(DrvContext* ctx, BYTE* p) {
    put16(p, kOffPaperLength, defs(ctx).paperLength);
    clearFields(p, DM_PAPERLENGTH);
}
void defPaperWidth(DrvContext* ctx, BYTE* p) {
    put16(p, kOffPaperWidth, defs(ctx).paperWidth);
    clearFields(p, DM_PAPERWIDTH);
}
void defScale(DrvContext* ctx, BYTE* p) { put16(p, kOffScale, defs(ctx).scale); }
void defCopies(DrvContext* ctx, BYTE* p) {
    put16(p, kOffCopies, defs(ctx).copies);
    addFields(p, DM_COPIES);
}
void defSource(DrvContext* ctx, BYTE* p) {
    put16(p, kOffDefaultSource, defs(ctx).defaultSource);
    addFields(p, DM_DEFAULTSOURCE);
}
void defQuality(DrvContext* ctx, BYTE* p) {
    put16(p, kOffPrintQuality, defs(ctx).printQuality);
    addFields(p, DM_PRINTQUALITY);
}
void defColor(DrvContext* ctx, BYTE* p) { put16(p, kOffColor, defs(ctx).color); }
void defDuplex(DrvContext* ctx, BYTE* p) {
    put16(p, kOffDuplex, defs(ctx).duplex);
    addFields(p, DM_DUPLEX);
}
void defYResolution(DrvContext* ctx, BYTE* p) { put16(p, kOffYResolution, defs(ctx).yResolution); }
void defTTOption(DrvContext* ctx, BYTE* p) {
    put16(p, kOffTTOption, defs(ctx).ttOption);
    addFields(p, DM_TTOPTION);
}
void defCollate(DrvContext*, BYTE* p) { put16(p, kOffCollate, DMCOLLATE_FALSE); }
void defFormName(DrvContext* ctx, BYTE* p) {
    if (defs(ctx).formName) putWideField(p, kOffFormName, kFormNameChars, defs(ctx).formName);
    clearFields(p, DM_FORMNAME);
}
void defDisplay(DrvContext*, BYTE* p) { std::memset(p + kOffLogPixels, 0, kOffICMMethod - kOffLogPixels); }
void defICMMethod(DrvContext* ctx, BYTE* p) { wr32(p, kOffICMMethod, defs(ctx).icmMethod); }
void defICMIntent(DrvContext* ctx, BYTE* p) { wr32(p, kOffICMIntent, defs(ctx).icmIntent); }
void defMediaType(DrvContext* ctx, BYTE* p) { wr32(p, kOffMediaType, defs(ctx).mediaType); }
void defDitherType(DrvContext* ctx, BYTE* p) { wr32(p, kOffDitherType, defs(ctx).ditherType); }
void defPanning(DrvContext*, BYTE* p) {
    wr32(p, kOffPanningWidth, 0);
    wr32(p, kOffPanningHeight, 0);
}

// Length and width go together: each is kept with a numeric option while
// positive (its flag follows the other's value), and a 0 is left alone.
void validateLength(DrvContext* ctx, BYTE* p, int item, uint32_t off, uint32_t other, uint32_t flag,
                    DmFieldStep reset) {
    const int32_t v = get16(p, off);
    if (optType(ctx, item) == 8) {
        if (v > 0) {
            if (get16(p, other) > 0) addFields(p, flag);
            else clearFields(p, flag);
            return;
        }
        if (v == 0) return;
    }
    reset(ctx, p);
}

// A 32-bit field kept with a pick-one option and a non-zero value.
void validateDword(DrvContext* ctx, BYTE* p, int item, uint32_t off, uint32_t flag, DmFieldStep reset) {
    if (optType(ctx, item) == 1 && rd32(p, off) != 0) addFields(p, flag);
    else reset(ctx, p);
}

struct FieldRow {
    DmFieldStep validate;
    DmFieldStep reset;
};

// One row per public field, index 0 to 33.
const FieldRow kFields[34] = {
    {DmValidateDeviceName, DmFieldNop},        {DmValidateSpecVersion, defSpecVersion},
    {DmValidateDriverVersion, defDriverVersion}, {DmValidateSize, defSize},
    {DmValidateDriverExtra, defDriverExtra},   {DmValidateFields, defFields},
    {DmValidateOrientation, defOrientation},   {DmValidatePaperSize, defPaperSize},
    {DmValidatePaperLength, defPaperLength},   {DmValidatePaperWidth, defPaperWidth},
    {DmValidateScale, defScale},               {DmValidateCopies, defCopies},
    {DmValidateDefaultSource, defSource},      {DmValidatePrintQuality, defQuality},
    {DmValidateColor, defColor},               {DmValidateDuplex, defDuplex},
    {DmValidateYResolution, defYResolution},   {DmValidateTTOption, defTTOption},
    {DmValidateCollate, defCollate},           {DmValidateFormName, defFormName},
    // Display fields: never changed by validation, cleared together by the
    // reset (the first row clears all six).
    {DmFieldNop, defDisplay},                  {DmFieldNop, DmFieldNop},
    {DmFieldNop, DmFieldNop},                  {DmFieldNop, DmFieldNop},
    {DmFieldNop, DmFieldNop},                  {DmFieldNop, DmFieldNop},
    {DmValidateICMMethod, defICMMethod},       {DmValidateICMIntent, defICMIntent},
    {DmValidateMediaType, defMediaType},       {DmValidateDitherType, defDitherType},
    // Reserved and panning fields: the reset clears the panning pair.
    {DmFieldNop, DmFieldNop},                  {DmFieldNop, DmFieldNop},
    {DmFieldNop, defPanning},                  {DmFieldNop, DmFieldNop},
};
constexpr int kValidatedFields = 30;  // indexes 0 to 29

}  // namespace

void DmFieldNop(DrvContext*, BYTE*) {}

void DmValidateDeviceName(DrvContext*, BYTE*) {}

void DmValidateSpecVersion(DrvContext* ctx, BYTE* p) {
    if (!optType(ctx, kItDmSpecVersion)) defSpecVersion(ctx, p);
}
void DmValidateDriverVersion(DrvContext* ctx, BYTE* p) {
    if (!optType(ctx, kItDmDriverVersion)) defDriverVersion(ctx, p);
}
void DmValidateSize(DrvContext* ctx, BYTE* p) {
    if (!optType(ctx, kItDmSize)) defSize(ctx, p);
}
void DmValidateDriverExtra(DrvContext* ctx, BYTE* p) {
    if (!optType(ctx, kItDmDriverExtra)) defDriverExtra(ctx, p);
}
void DmValidateFields(DrvContext* ctx, BYTE* p) {
    if (!optType(ctx, kItDmFields)) defFields(ctx, p);
}

void DmValidateOrientation(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffOrientation);
    if (optType(ctx, kItDmOrientation) == 1 && (v == DMORIENT_PORTRAIT || v == DMORIENT_LANDSCAPE))
        addFields(p, DM_ORIENTATION);
    else defOrientation(ctx, p);
}

void DmValidatePaperSize(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffPaperSize);
    if (optType(ctx, kItDmPaperSize) == 257 && ((v >= 1 && v <= DMPAPER_LAST) || v >= DMPAPER_USER))
        addFields(p, DM_PAPERSIZE);
    else defPaperSize(ctx, p);
}

void DmValidatePaperLength(DrvContext* ctx, BYTE* p) {
    validateLength(ctx, p, kItDmPaperLength, kOffPaperLength, kOffPaperWidth, DM_PAPERLENGTH, defPaperLength);
}
void DmValidatePaperWidth(DrvContext* ctx, BYTE* p) {
    validateLength(ctx, p, kItDmPaperWidth, kOffPaperWidth, kOffPaperLength, DM_PAPERWIDTH, defPaperWidth);
}

void DmValidateScale(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffScale);
    const int t = optType(ctx, kItDmScale);
    if (!((t == 1 && v > 0) || (t == 8 && inRange(ctx, kItDmScale, v)))) defScale(ctx, p);
}

void DmValidateCopies(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffCopies);
    if (optType(ctx, kItDmCopies) == 8 && inRange(ctx, kItDmCopies, v) && v > 0) addFields(p, DM_COPIES);
    else defCopies(ctx, p);
}

void DmValidateDefaultSource(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffDefaultSource);
    if (optType(ctx, kItDmDefaultSource) == 513 && ((v >= 1 && v <= DMBIN_LAST) || v >= DMBIN_USER))
        addFields(p, DM_DEFAULTSOURCE);
    else defSource(ctx, p);
}

void DmValidatePrintQuality(DrvContext* ctx, BYTE* p) {
    if (qualityOk(ctx, get16(p, kOffPrintQuality))) addFields(p, DM_PRINTQUALITY);
    else defQuality(ctx, p);
}

void DmValidateColor(DrvContext* ctx, BYTE* p) {
    if (optType(ctx, kItDmColor) == 1 && get16(p, kOffColor) > 0) addFields(p, DM_COLOR);
    else defColor(ctx, p);
}

void DmValidateDuplex(DrvContext* ctx, BYTE* p) {
    const int t = optType(ctx, kItDmDuplex);
    if ((t == 1 || t == 4) && get16(p, kOffDuplex) > 0) addFields(p, DM_DUPLEX);
    else defDuplex(ctx, p);
}

void DmValidateYResolution(DrvContext* ctx, BYTE* p) {
    const int32_t v = get16(p, kOffYResolution);
    const int t = optType(ctx, kItDmYResolution);
    if ((t == 1 && v > 0) || (t == 8 && inRange(ctx, kItDmYResolution, v))) {
        addFields(p, DM_YRESOLUTION);
    } else if (optType(ctx, kItDmPrintQuality)) {
        // The print quality, validated again, stands for both directions.
        DmValidatePrintQuality(ctx, p);
        put16(p, kOffYResolution, get16(p, kOffPrintQuality));
    } else {
        defYResolution(ctx, p);
    }
}

void DmValidateTTOption(DrvContext* ctx, BYTE* p) {
    if (optType(ctx, kItDmTTOption) == 1 && get16(p, kOffTTOption) > 0) addFields(p, DM_TTOPTION);
    else defTTOption(ctx, p);
}

void DmValidateCollate(DrvContext* ctx, BYTE* p) {
    if (DmIsCollateSupported(ctx)) {
        if (!(fields(p) & DM_COLLATE)) {
            put16(p, kOffCollate, ItemRawById(ctx, kItRdmFuncSelectSort) ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
            addFields(p, DM_COLLATE);
        }
    } else {
        clearFields(p, DM_COLLATE);
        put16(p, kOffCollate, DMCOLLATE_FALSE);
    }
}

void DmValidateFormName(DrvContext* ctx, BYTE* p) {
    // A name that came from outside may lack its terminator.
    wr16(p, kOffFormName + kFormNameChars * 2 - 2, 0);
    if (optType(ctx, kItDmFormName) && !wideFieldEmpty(p, kOffFormName)) addFields(p, DM_FORMNAME);
    else defFormName(ctx, p);
}

void DmValidateICMMethod(DrvContext* ctx, BYTE* p) {
    validateDword(ctx, p, kItDmICMMethod, kOffICMMethod, DM_ICMMETHOD, defICMMethod);
}
void DmValidateICMIntent(DrvContext* ctx, BYTE* p) {
    validateDword(ctx, p, kItDmICMIntent, kOffICMIntent, DM_ICMINTENT, defICMIntent);
}
void DmValidateMediaType(DrvContext* ctx, BYTE* p) {
    validateDword(ctx, p, kItDmMediaType, kOffMediaType, 0, defMediaType);
}
void DmValidateDitherType(DrvContext* ctx, BYTE* p) {
    validateDword(ctx, p, kItDmDitherType, kOffDitherType, DM_DITHERTYPE, defDitherType);
}

int DmIsCollateSupported(DrvContext* ctx) { return dmModel().collateSupported(ctx) ? 1 : 0; }

void DmScaleLimits(DrvContext* ctx, int32_t* lo, int32_t* hi) {
    *lo = defs(ctx).scaleMin;
    *hi = defs(ctx).scaleMax;
    if (optType(ctx, kItDmScale) == 8) dmModel().optionRange(ctx, kItDmScale, lo, hi);
}

void DmCopiesLimits(DrvContext* ctx, int32_t* lo, int32_t* hi) {
    *lo = defs(ctx).copiesMin;
    *hi = defs(ctx).copiesMax;
    if (optType(ctx, kItDmCopies) == 8) dmModel().optionRange(ctx, kItDmCopies, lo, hi);
}

namespace {
constexpr int kFormNameField = 19;

// A field's row as this library runs it: without a form name of its own the
// library has the empty handler in both of that field's steps.
FieldRow rowOf(int i) {
    if (i == kFormNameField && !CurrentProfile().keepsFormName) return {DmFieldNop, DmFieldNop};
    return kFields[i];
}
}  // namespace

void DmResetPublic(DrvContext* ctx, BYTE* p) {
    if (!ctx || !p || !ctx->desc) return;
    for (int i = 0; i < static_cast<int>(sizeof kFields / sizeof kFields[0]); ++i) rowOf(i).reset(ctx, p);
}

void DmValidatePublic(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->desc) return;
    for (int i = 0; i < kValidatedFields; ++i) rowOf(i).validate(ctx, ctx->devmode);
}

void DmPublicSetDefaults(DrvContext* ctx, int reason) {
    if (!ctx || !ctx->devmode) return;
    if (reason == 1) {
        DmValidatePublic(ctx);
    } else if (reason == 2) {
        DmResetAllOptions(ctx);
        DmLoadPrinterDefault(ctx);
        DmValidatePublic(ctx);
    } else {
        DmResetPublic(ctx, ctx->devmode);
    }
}

}  // namespace vesk
