// The engine's document and page calls: DrvStartDoc, DrvStartPage,
// DrvSendPage and DrvEndDoc. A document loads the spooler-side library and
// sends every byte through it; page 1 carries the job header (and the job's
// name), every page its header, its drawing records and its trailer.
//
// Once a write has failed or come back short the stream can no longer be
// whole: every later page call fails, and so does the document's end (after
// it has closed the spool session and freed the library), so the failure is
// never reported as success.
#include <win/spooler.h>

#include <cstring>
#include <string>

#include "core/item_store.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "driver_functions.h"
#include "common_calls/context_devmode.h"
#include "text/glyph_cache.h"
#include "header/header.h"
#include "job_state.h"
#include "records/drawing_records.h"
#include "spool_library.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr uint32_t kMergeAtStartDoc = 0x20008;
constexpr char kJobNamePrefix[] = "@PJL SET JOBNAME = \"";
constexpr char kJobNameSuffix[] = "\"\r\n";

bool outputFailed(const Pdev* p) { return (p->flags & kPdevOutputFailed) != 0; }
bool firstPageBound(const Pdev* p) { return p->firstPageHeaderOnly && p->pageCount == 1; }

// The print method the per-printer INI holds, when it differs from the
// item's: the context is merged again (the INI is the newer word).
bool followIniPrintMethod(Pdev* p) {
    DrvContext* ctx = p->ctx;
    DmItem* item = ItemFindById(ctx, kItRdmPrnMethod);
    if (!item || !item->valueName) return true;
    const WCHAR* file = GetIniFilePath(ctx);
    const WCHAR* printer = PrnGetPrinterName(ctx);
    if (!file || !file[0] || !printer) return true;
    const UINT ini = IniGetInt(printer, item->valueName, 0, file);
    if (ini == ItemGetRaw(ctx, item)) return true;
    return DmApplyDevmodeFlagsGr(ctx, nullptr, kMergeAtStartDoc) != 0;
}

// The spooler's document name of the job (EMF spooling), when it has one.
std::u16string spoolerDocumentName(const Pdev* p) {
    DWORD needed = 0;
    GetJobW(p->printer, p->jobId, 2, nullptr, 0, &needed);
    if (needed == 0) return {};
    auto* block = static_cast<BYTE*>(MemAllocZero(needed));
    if (!block) return {};
    std::u16string name;
    if (GetJobW(p->printer, p->jobId, 2, block, needed, &needed)) {
        const auto* info = reinterpret_cast<const JOB_INFO_2W*>(block);
        if (info->pDocument) name = info->pDocument;
    }
    MemFree(block);
    return name;
}

int writeJobName(Pdev* p) {
    const size_t n = static_cast<size_t>(p->jobNameLength);
    BYTE data[sizeof kJobNamePrefix + kJobNameBytes + sizeof kJobNameSuffix];
    std::memcpy(data, kJobNamePrefix, sizeof kJobNamePrefix - 1);
    std::memcpy(data + sizeof kJobNamePrefix - 1, p->jobName, n);
    std::memcpy(data + sizeof kJobNamePrefix - 1 + n, kJobNameSuffix, sizeof kJobNameSuffix - 1);
    return WriteOuterRecord(&p->out, kOuterJobHeader, data, static_cast<DWORD>(n + 23));
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) return FALSE;
    if (dwJobId) p->jobId = dwJobId;
    const bool reset = (p->flags & kPdevResetting) != 0;
    // A second start without an end: the first document's session ends here.
    if (!reset) PdevUnbindLibrary(p);
    StartDocRefreshSettings(p, kMergeAtStartDoc);
    p->apiUse = ItemRawById(p->ctx, kItRdmAPIUseFlag);
    if (p->apiUse) p->directSize = 0;
    if (!followIniPrintMethod(p)) return FALSE;
    if (!reset) {
        if (!SpoolLibraryLoad(p)) return FALSE;
        SpoolLibraryStartDoc(p);
    }
    p->flags |= kPdevDocStarted;
    if (!reset) {
        p->pageCount = 0;
        p->flags &= ~(kPdevPageOpen | kPdevOutputFailed);
        PdevFreeJobName(p);
    }
    std::u16string name = pwszDocName ? std::u16string(pwszDocName) : std::u16string();
    bool haveName = pwszDocName != nullptr;
    if (p->emfSpool) {
        std::u16string spooled = spoolerDocumentName(p);
        if (!spooled.empty()) name = spooled, haveName = true;
    }
    if (!PdevSetJobName(p, haveName ? name.c_str() : nullptr)) return FALSE;
    return TRUE;
}

BOOL APIENTRY DrvStartPage(SURFOBJ* pso) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) return FALSE;
    p->pageStarted = 1;
    SpoolLibraryStartPage(p);
    if (outputFailed(p)) return FALSE;
    if (p->flags & kPdevPageOpen) return TRUE;
    p->flags |= kPdevPageOpen;
    ++p->pageCount;
    if (p->pageCount == 1 || (p->flags & kPdevResetting)) {
        const bool afterReset = p->pageCount != 1;
        p->flags &= ~kPdevResetting;
        RecBufReset(&p->out);
        if (!WriteJobHeader(&p->out, p->ctx, JobHeaderBuilder)) return FALSE;
        if (!afterReset && p->jobName && !writeJobName(p)) return FALSE;
    }
    if (!firstPageBound(p) && !WritePageHeader(&p->out, p->ctx, PageHeaderBuilder)) return FALSE;
    PdevPageStateReset(p);
    if (!firstPageBound(p) &&
        !PageStartRecordWrite(&p->out, p->surfaceWidth, p->surfaceHeight, p->resolution, p->resolution))
        return FALSE;
    return TRUE;
}

BOOL APIENTRY DrvSendPage(SURFOBJ* pso) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) return FALSE;
    // The device forgets its glyphs with the page.
    GlyphCacheReset(p);
    SpoolLibraryEndPage(p);
    bool ok = !outputFailed(p);
    if (ok && !firstPageBound(p)) ok = PageEndRecordWrite(&p->out) != nullptr;
    // A page that cannot be whole is not sent in part.
    if (ok) ok = RecBufFlush(&p->out) != 0;
    else RecBufReset(&p->out);
    if (ok && !firstPageBound(p)) ok = WritePageTrailer(&p->out, p->ctx, PageTrailerBuilder) != 0;
    if (!(p->flags & kPdevPageOpen)) ++p->pageCount;
    p->flags &= ~kPdevPageOpen;
    return ok ? TRUE : FALSE;
}

BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) return FALSE;
    PdevUnbindLibrary(p);
    PdevFreeJobName(p);
    p->flags &= ~(kPdevDocStarted | kPdevResetting);
    return outputFailed(p) ? FALSE : TRUE;
}

}  // extern "C"
