// The device record: its check, the settings it takes from the driver
// context, the page geometry, and the device's life (DrvEnablePDEV,
// DrvCompletePDEV, DrvResetPDEV, DrvDisablePDEV).
#include "pdev.h"

#include <win/devmode.h>
#include <win/memory.h>

#include <cstring>
#include <utility>

#include "core/devmode/dm_layout.h"
#include "core/item_store.h"
#include "core/model/model.h"
#include "core/process.h"
#include "core/model/dm_answers.h"
#include "driver_functions.h"
#include "common_calls/context_devmode.h"
#include "job_state.h"
#include "spool_library.h"
#include "text/font_set.h"
#include "text/glyph_cache.h"
#include "vector/vector.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr uint32_t kCreateGraphicsDriver = 0x10000;
constexpr uint32_t kMergeAtEnable = 0x10008;
constexpr DWORD kVersionInfoSize = 276;

// An item without a field name.
constexpr int kItSrcPaperPrnLengthDot = 46;

// Items carried from the old context to the new one at a reset while banding.
constexpr int kJobIdentityItems[] = {kItRdmUserCode,     kItRdmOwnerName, kItRdmJOBPassword, kItRdmUserID,
                                     kItRdmDocumentName, kItRdmTelNo,     kItRdmTelLine,     kItRdmStoredPassword};

uint32_t raw(DrvContext* ctx, int id) { return ItemRawById(ctx, id); }

// 1200-dpi dots in 0.1 mm.
uint32_t dotsToTenthMm(int64_t dots) { return static_cast<uint32_t>(dots * 254 / 1200); }

// Frees what an enable built: the context and the whole allocation list
// (the device record with it).
void discard(Pdev* p) {
    if (!p) return;
    if (p->palette) EngDeletePalette(p->palette);
    if (p->ctx) CtxReleaseGr(p->ctx);
    AllocListDestroy(p->allocs);
}

// Copies the raw bytes of the job identity items from one context to another.
void copyJobIdentityItems(DrvContext* from, DrvContext* to) {
    for (int id : kJobIdentityItems) {
        DmItem* src = ItemFindById(from, id);
        DmItem* dst = ItemFindById(to, id);
        if (!src || !dst) continue;
        if (typeIsAddress(itemTypeCode(*src))) {
            const BYTE* s = ItemGetRawAddress(from, src);
            BYTE* d = ItemGetRawAddress(to, dst);
            if (s && d && itemSize(*src) == itemSize(*dst)) {
                ItemSetRawBytes(to, dst, s);
            }
        } else {
            ItemSetRaw(to, dst, ItemGetRaw(from, src));
        }
    }
}

}  // namespace

bool PdevIsValid(const Pdev* p) { return p && p->signature == kPdevSignature && p->signatureEnd == kPdevSignature; }

Pdev* PdevFromHandle(DHPDEV dhpdev) {
    auto* p = reinterpret_cast<Pdev*>(dhpdev);
    if (PdevIsValid(p)) return p;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

Pdev* PdevFromSurface(SURFOBJ* pso) {
    if (!pso) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return PdevFromHandle(pso->dhpdev);
}

void PdevReadSettings(Pdev* p) {
    DrvContext* c = p->ctx;
    p->copies = static_cast<int16_t>(raw(c, kItDmCopies));
    p->firstPageHeaderOnly = static_cast<uint16_t>(raw(c, kItRdmJobLinker) & 1);
    p->banding = p->firstPageHeaderOnly ? 0 : static_cast<int16_t>(raw(c, kItRdmImagePrint));
    p->colorProcess = static_cast<int16_t>(raw(c, kItRdmColorProcess));
    if (!p->banding && p->colorProcess == 0 && raw(c, kItRdmHidden2Func9) != 0) p->colorProcess = 2;
    p->orientationIndex = static_cast<int16_t>(raw(c, kItDmOrientation) - 1);
    p->resolution = static_cast<uint16_t>(raw(c, kItDmPrintQuality));
    if (p->resolution == 0) p->resolution = 600;
    p->language = static_cast<int16_t>(raw(c, kItRdmLanguageID));
    p->machineColor = raw(c, kItRdmMachineColor);
    p->emfSpool = raw(c, kItRdmEMFSpool);
    p->color = raw(c, kItDmColor);
    p->printArea = raw(c, kItRdmExtPrintArea);
    p->hiddenFunc4 = raw(c, kItRdmHiddenFunc4);
    p->hiddenFunc18 = raw(c, kItRdmHiddenFunc18);
    p->hiddenFunc30 = raw(c, kItRdmHiddenFunc30);
    p->hiddenFunc5 = raw(c, kItRdmHiddenFunc5);
    p->frontFuncFlag = raw(c, kItRdmHiddenFunc15) != 0 || (raw(c, kItRdmFrontFunc) & 0x80) != 0;
    p->spoolLibraryName = c->desc ? c->desc->spoolerLibraryName : nullptr;
    p->icmMatching = static_cast<uint8_t>(raw(c, kItRdmColorMatching));
    p->icmType = static_cast<uint8_t>(raw(c, kItRdmICMType));
    const uint32_t textBitmap = raw(c, kItRdmQualityFuncTextBitmapSupport) ? raw(c, kItRdmQualityFuncTextBitmap) : raw(c, kItRdmHiddenFunc26);
    p->textAsBitmap = textBitmap != 0;
    p->printMethod = raw(c, kItRdmPrnMethod);
    p->printMethod7 = p->printMethod == 7;
    p->directSize = raw(c, kItSrcPaperPrnLengthDot) >= raw(c, kItRdmDstPaperPrnLengthDot) &&
                    raw(c, kItRdmSrcPaperPrnWidthDot) >= raw(c, kItRdmDstPaperPrnWidthDot) &&
                    (raw(c, kItRdmFuncSelectNup) == 0 || raw(c, kItRdmNUPPOSTKind) != 9) && raw(c, kItRdmScaleH) <= 100 &&
                    raw(c, kItRdmScaleV) <= 100 && p->printMethod != 7 && p->printMethod != 5;
}

bool GetJobPaperSizeTenthMm(Pdev* p, uint32_t* width, uint32_t* length) {
    DrvContext* c = p->ctx;
    if (!c || !c->model) return false;
    // The job's DEVMODE, else the context's own (the engine gave none).
    const BYTE* dm = p->devmode && p->devmodeSize >= dm::kOffFormName ? p->devmode : c->devmode;
    if (!dm) return false;
    const int16_t paper = dm::rds16(dm, dm::kOffPaperSize);
    if ((dm::fields(dm) & DM_PAPERSIZE) && paper != DMPAPER_USER) {
        // A paper of the model: its size record, which the model gives in
        // the job's orientation; a free size: its slot, turned here.
        int32_t w = 0, l = 0;
        if (MdlPaperSize(c, paper, &w, &l)) {
            *width = static_cast<uint32_t>(w);
            *length = static_cast<uint32_t>(l);
        } else {
            *width = dotsToTenthMm(raw(c, kItWdmFreeSizeWidth));
            *length = dotsToTenthMm(raw(c, kItWdmFreeSizeLength));
            if (raw(c, kItDmOrientation) == DMORIENT_LANDSCAPE) std::swap(*width, *length);
        }
        return true;
    }
    *width = static_cast<uint32_t>(dm::rds16(dm, dm::kOffPaperWidth));
    *length = static_cast<uint32_t>(dm::rds16(dm, dm::kOffPaperLength));
    return true;
}

bool PdevReadPageGeometry(Pdev* p) {
    DrvContext* c = p->ctx;
    PageGeometry& g = p->geometry;
    if (!GetJobPaperSizeTenthMm(p, &g.paperWidthTenthMm, &g.paperLengthTenthMm)) return false;
    g.paperWidthDots = raw(c, kItRdmSrcPaperWidthDot);
    g.paperLengthDots = raw(c, kItRdmSrcPaperLengthDot);
    g.printWidthDots = raw(c, kItRdmSrcPaperPrnWidthDot);
    g.printLengthDots = raw(c, kItSrcPaperPrnLengthDot);
    // The resolution in use (600 when the item holds none).
    g.printWidthTenthMm = static_cast<uint32_t>(int64_t{g.printWidthDots} * 254 / p->resolution);
    g.printLengthTenthMm = static_cast<uint32_t>(int64_t{g.printLengthDots} * 254 / p->resolution);
    g.paperSize = raw(c, kItDmPaperSize);
    g.offsetX = raw(c, kItRdmSrcXOffset);
    g.offsetY = raw(c, kItRdmSrcYOffset);
    p->surfaceWidth = g.printWidthDots;
    p->surfaceHeight = g.printLengthDots;
    return true;
}

}  // namespace vesk

using namespace vesk;

extern "C" {

DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                              ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV, LPWSTR, HANDLE hDriver) {
    AllocList* allocs = AllocListCreate();
    auto* p = static_cast<Pdev*>(AllocListAllocZero(allocs, sizeof(Pdev)));
    if (!p) {
        AllocListDestroy(allocs);
        return nullptr;
    }
    p->signature = p->signatureEnd = kPdevSignature;
    p->allocs = allocs;
    p->printer = hDriver;
    RecBufInit(&p->out, hDriver, RecBufDevice{allocs, &p->flags, &p->pageCount, &p->firstPageHeaderOnly});
    p->module = moduleHandle();
    if (!p->module) {
        discard(p);
        return nullptr;
    }
    p->ctx = CtxCreateGr(hDriver, 0, kCreateGraphicsDriver);
    if (!p->ctx || !DmApplyDevmodeFlagsGr(p->ctx, pdm, kMergeAtEnable)) {
        discard(p);
        return nullptr;
    }
    if (pdm) {
        const BYTE* in = reinterpret_cast<const BYTE*>(pdm);
        p->devmodeSize = static_cast<uint32_t>(dm::rd16(in, dm::kOffSize)) + dm::rd16(in, dm::kOffDriverExtra);
        p->devmode = static_cast<BYTE*>(AllocListAlloc(allocs, p->devmodeSize ? p->devmodeSize : 1));
        if (!p->devmode) {
            discard(p);
            return nullptr;
        }
        std::memcpy(p->devmode, in, p->devmodeSize);
    }
    PdevReadSettings(p);
    if (!PdevReadPageGeometry(p)) {
        discard(p);
        return nullptr;
    }
    FillGdiInfo(p, reinterpret_cast<GDIINFO*>(pdevcaps), cjCaps);
    // Device fonts are the resident fonts of vector mode; none is loaded
    // while banding or for the driver type that has none.
    p->deviceFontCount = 0;
    if (!p->banding && raw(p->ctx, kItRdmDriverType) != 1 && !FontSetLoad(p, p->module)) {
        discard(p);
        return nullptr;
    }
    if (!FillDevInfo(p, pdi, cjDevInfo, HalftonePatternSize(p->resolution))) {
        discard(p);
        return nullptr;
    }
    if (phsurfPatterns)
        for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;
    if (!PdevPageStateCreate(p)) {
        discard(p);
        return nullptr;
    }
    p->os.dwOSVersionInfoSize = kVersionInfoSize;
    GetVersionExW(&p->os);
    return reinterpret_cast<DHPDEV>(p);
}

void APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
    if (Pdev* p = PdevFromHandle(dhpdev)) p->hdev = hdev;
}

void APIENTRY DrvDisablePDEV(DHPDEV dhpdev) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p) return;
    PdevPageStateFree(p);
    GlyphCacheFree(p);
    FontSetFree(p, p->deviceFonts);
    IcmFreeAll(p);
    PdevUnbindLibrary(p);
    // The signatures go first: a stale handle the engine still holds no
    // longer passes the check.
    p->signature = p->signatureEnd = 0;
    discard(p);
}

BOOL APIENTRY DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
    auto* oldp = reinterpret_cast<Pdev*>(dhpdevOld);
    auto* newp = reinterpret_cast<Pdev*>(dhpdevNew);
    if (!PdevIsValid(oldp) || !PdevIsValid(newp)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(oldp->flags & kPdevDocStarted)) return TRUE;
    newp->pageCount = oldp->pageCount;
    oldp->flags |= kPdevResetting;
    newp->flags |= kPdevResetting | kPdevDocStarted;
    newp->jobId = oldp->jobId;
    if (!RecBufFlush(&oldp->out)) return FALSE;
    // The binding goes to the new device; its buffer is its own and is reset
    // at its next page start. The old device no longer owns the library.
    RecBufCarryBinding(&newp->out, &oldp->out);
    oldp->out.library = nullptr;
    oldp->out.spool = nullptr;
    oldp->out.writeEntry = nullptr;
    if (!PdevCopyJobName(newp, oldp->jobName, oldp->jobNameLength)) return FALSE;
    PdevPageStateCarry(newp, oldp);
    // The new device goes on from the old one's glyph-cache generation, so
    // no glyph it sends is mistaken for one the old device had sent.
    newp->glyphGeneration = oldp->glyphGeneration;
    GlyphCacheReset(newp);
    if (newp->banding) copyJobIdentityItems(oldp->ctx, newp->ctx);
    return TRUE;
}

}  // extern "C"
