// Banding: the engine renders the page into the band bitmap one band at a
// time, top to bottom; the driver sends each finished band as a raster
// record and ends the page after the last one.
//
// The last band is the one that reaches the page's bottom edge: a band that
// ends exactly there is the last, so no band ever lies wholly below the page,
// and of a band that runs past the edge only the rows on the page are sent.
#include <cstring>

#include "driver_functions.h"
#include "job_state.h"
#include "pdev.h"
#include "records/drawing_records.h"
#include "records/raster_record.h"

namespace vesk {
namespace {

constexpr DWORD kSourceCopy = 0xCC0020;

void fillWhite(SURFOBJ* pso) {
    if (!pso->pvScan0) return;
    const size_t row = static_cast<size_t>(pso->lDelta < 0 ? -pso->lDelta : pso->lDelta);
    auto* first = static_cast<BYTE*>(pso->pvScan0);
    for (LONG y = 0; y < pso->sizlBitmap.cy; ++y) std::memset(first + static_cast<ptrdiff_t>(y) * pso->lDelta, 0xFF, row);
}

// No clip for the band's records: a clip left from the band before ends.
bool selectNoClip(Pdev* p) {
    if (p->draw.clip.kind == 0) return true;
    if (!ClipResetRecordWrite(&p->out)) return false;
    p->draw.clip.kind = 0;
    p->draw.clip.valid = true;
    return true;
}

bool sendBand(Pdev* p, SURFOBJ* pso, LONG rows) {
    if (rows <= 0) return true;
    const bool oneBit = pso->iBitmapFormat == BMF_1BPP;
    RasterImage img{};
    img.x = p->bandOrigin.x;
    img.y = p->bandOrigin.y;
    img.width = pso->sizlBitmap.cx;
    img.height = rows;
    img.srcWidth = static_cast<DWORD>(pso->sizlBitmap.cx);
    img.rows = static_cast<DWORD>(rows);
    // The band's palette is black and white in that order: the device takes
    // such rows without a palette.
    img.format = oneBit ? kRaster1 : kRaster24;
    img.firstRow = static_cast<const BYTE*>(pso->pvScan0);
    img.palette = nullptr;
    img.bottomUp = pso->lDelta < 0;
    RasterOptions opt{};
    opt.wholeRecord = p->printMethod == 5 || p->printMethod == 7 || p->apiUse;
    opt.monochrome = p->machineColor == 0 || p->color == 1;
    opt.banding = true;
    return RasterRecordWrite(&p->out, img, opt) || RasterRecordWriteRows(&p->out, img);
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) return FALSE;
    // With EMF spooling the engine may leave out DrvStartPage: the page
    // starts here. The mark is cleared either way, so every page is tested.
    if (p->emfSpool && !p->pageStarted && !DrvStartPage(pso)) return FALSE;
    p->pageStarted = 0;
    p->bandOrigin = POINTL{0, 0};
    if (pptl) *pptl = p->bandOrigin;
    p->bandCount = 0;
    if (!selectNoClip(p) || !SetRopCached(&p->out, &p->draw, kSourceCopy >> 16)) return FALSE;
    fillWhite(pso);
    return TRUE;
}

BOOL APIENTRY DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
    Pdev* p = PdevFromSurface(pso);
    if (!p || !pptl) return FALSE;
    ++p->bandCount;
    const LONG bandHeight = pso->sizlBitmap.cy;
    const LONG pageHeight = static_cast<LONG>(p->surfaceHeight);
    const bool last = int64_t{p->bandOrigin.y} + bandHeight >= pageHeight;
    const POINTL next = last ? POINTL{-1, -1} : POINTL{p->bandOrigin.x, p->bandOrigin.y + bandHeight};
    const LONG onPage = pageHeight - p->bandOrigin.y;
    const bool sent = sendBand(p, pso, onPage < bandHeight ? onPage : bandHeight);
    fillWhite(pso);
    p->bandOrigin = next;
    *pptl = next;
    if (!sent) return FALSE;
    return last ? DrvSendPage(pso) : TRUE;
}

}  // extern "C"
