// Images of the window system (resource bitmaps, icons and cursors) drawn
// on any DC, clipped as the DC clips. An image keeps no mask: icons and
// cursors leave their white pixels (the background of every drawing the
// resource generator makes) to what lies below.
#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

namespace winsim::detail {

bool drawImage(HDC dc, int x, int y, const ImageInfo& image) {
    std::lock_guard g(userLock());
    gdi32::Dc* d = gdi32::findDc(dc);
    gdi32::Surface* s = d ? gdi32::surfaceOf(*d) : nullptr;
    if (!s) return false;
    const bool masked = image.kind != 'B';
    for (int row = 0; row < image.height; ++row)
        for (int col = 0; col < image.width; ++col) {
            const uint32_t rgb = image.pixels[size_t(row) * size_t(image.width) + size_t(col)];
            if (masked && rgb == 0xFFFFFF) continue;
            const int px = x + col, py = y + row;
            if (!gdi32::visible(*d, *s, px, py)) continue;
            // Images hold 0x00RRGGBB, surfaces COLORREF (0x00BBGGRR).
            s->pixels[size_t(py) * size_t(s->width) + size_t(px)] =
                ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        }
    return true;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon) {
    winsim::detail::enter("DrawIcon");
    const winsim::ImageInfo* img = winsim::detail::findImage(icon);
    winsim::gdi32::Dc* d = nullptr;
    {
        std::lock_guard g(winsim::detail::userLock());
        d = winsim::gdi32::findDc(dc);
    }
    if (!d || !img || img->kind == 'B') {
        winsim::detail::setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const winsim::ImageInfo copy = *img;
    if (!winsim::detail::drawImage(dc, x, y, copy)) return FALSE;
    winsim::detail::logDraw({d->window, "DrawIcon", x, y, copy.resourceId, dc, {}, 0});
    return TRUE;
}

}  // extern "C"
