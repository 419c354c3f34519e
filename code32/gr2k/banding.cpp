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
#include "vector/vector.h"

namespace vesk {
namespace {

constexpr DWORD kSourceCopy = 0xCC0020;

void fillWhite(SURFOBJ* pso) {
    if (!pso->pvScan0) return;
    const size_t row = static_cast<size_t>(pso->lDelta < 0 ? -pso->lDelta : pso->lDelta);
    auto* first = static_cast<BYTE*>(pso->pvScan0);
    for (LONG y = 0; y < pso->sizlBitmap.cy; ++y) std::memset(first + static_cast<ptrdiff_t>(y) * pso->lDelta, 0xFF, row);
}

// The finished band goes through the copy path: its rows on the page at
// the band's origin. The band's palette is black and white in that order,
// which the device takes without a palette.
bool sendBand(Pdev* p, SURFOBJ* pso, LONG rows) {
    if (rows <= 0) return true;
    const RECTL target{p->bandOrigin.x, p->bandOrigin.y, p->bandOrigin.x + pso->sizlBitmap.cx,
                       p->bandOrigin.y + rows};
    const POINTL origin{0, 0};
    return CopyRasterShip(p, nullptr, pso, &origin, &target) == TRUE;
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
    if (ClipSelect(p, nullptr) < 0 || !SetRopCached(&p->out, &p->draw, kSourceCopy >> 16)) return FALSE;
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
