// Logical palettes. Surfaces hold 24-bit colour, so by default a palette
// maps nothing: GetNearestColor answers the colour itself and RealizePalette
// maps no entry. A machine configured with "display.bits=8" stands for a
// palette display: the nearest colour is then the nearest entry of the DC's
// palette and realizing maps all of its entries.
#include <algorithm>

#include <winsim/winsim.h>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using namespace winsim::gdi32;

namespace {

bool paletteDisplay() {
    const auto v = winsim::config().get("display.bits");
    return v && *v == "8";
}

const std::vector<uint32_t>& entriesOf(const Dc& d) {
    static const std::vector<uint32_t> none;
    const Object* p = findObject(d.state.palette ? d.state.palette : stockObject(DEFAULT_PALETTE));
    return p && p->kind == Kind::Palette ? p->entries : none;
}

}  // namespace

extern "C" {

WINBASEAPI HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (enter("CreatePalette")) return nullptr;
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Object o;
    o.kind = Kind::Palette;
    for (WORD i = 0; i < palette->palNumEntries; ++i) {
        const PALETTEENTRY& e = palette->palPalEntry[i];
        o.entries.push_back(uint32_t(e.peRed) | uint32_t(e.peGreen) << 8 | uint32_t(e.peBlue) << 16);
    }
    return static_cast<HPALETTE>(addObject(std::move(o)));
}

WINBASEAPI HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    const Object* p = d ? findObject(palette) : nullptr;
    if (!p || p->kind != Kind::Palette) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ old = d->state.palette ? d->state.palette : stockObject(DEFAULT_PALETTE);
    d->state.palette = palette == stockObject(DEFAULT_PALETTE) ? nullptr : palette;
    return static_cast<HPALETTE>(old);
}

WINBASEAPI UINT WINAPI RealizePalette(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return GDI_ERROR;
    return paletteDisplay() ? UINT(entriesOf(*d).size()) : 0;
}

WINBASEAPI COLORREF WINAPI GetNearestColor(HDC dc, COLORREF colour) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return CLR_INVALID;
    colour &= 0xFFFFFF;
    if (!paletteDisplay()) return colour;
    const auto& e = entriesOf(*d);
    COLORREF best = colour;
    int64_t bestDistance = INT64_MAX;
    for (uint32_t c : e) {
        const int dr = int(c & 0xFF) - int(colour & 0xFF), dg = int(c >> 8 & 0xFF) - int(colour >> 8 & 0xFF),
                  db = int(c >> 16 & 0xFF) - int(colour >> 16 & 0xFF);
        const int64_t dist = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (dist < bestDistance) bestDistance = dist, best = c;
    }
    return best;
}

WINBASEAPI UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries) {
    std::lock_guard g(userLock());
    const Object* p = findObject(palette);
    if (!p || p->kind != Kind::Palette) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const UINT n = UINT(p->entries.size());
    if (!entries) return n;
    if (start >= n) return 0;
    const UINT take = std::min(count, n - start);
    for (UINT i = 0; i < take; ++i) {
        const uint32_t c = p->entries[start + i];
        entries[i] = PALETTEENTRY{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
    }
    return take;
}

}  // extern "C"
