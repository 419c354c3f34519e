// Pictures of window trees: each window repaints into its backing surface,
// then the surfaces are laid over one another from the bottom of the
// z-order up, each clipped to its parent's client area.
#include <algorithm>

#include "gdi32/font.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using winsim::gdi32::Surface;

namespace {

struct Canvas {
    winsim::ui::Picture& pic;
    POINT origin;  // the screen point of the picture's (0, 0)
    void fill(RECT r, COLORREF c) {
        r = RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, pic.width),
                 std::min<LONG>(r.bottom, pic.height)};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) pic.pixels[size_t(y) * size_t(pic.width) + size_t(x)] = c;
    }
};

// The background every window starts a picture with.
void clearTree(HWND h) {
    Window* w = findWindow(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    if (Surface* s = winsim::gdi32::windowSurface(h)) std::fill(s->pixels.begin(), s->pixels.end(), GetSysColor(COLOR_BTNFACE));
    for (HWND c : std::vector<HWND>(w->children)) clearTree(c);
}

// One ring of a border: top and left in one colour, bottom and right in another.
void ring(Canvas& cv, RECT r, COLORREF topLeft, COLORREF bottomRight, RECT limit) {
    auto fill = [&](RECT x, COLORREF c) {
        cv.fill(RECT{std::max(x.left, limit.left), std::max(x.top, limit.top), std::min(x.right, limit.right),
                     std::min(x.bottom, limit.bottom)},
                c);
    };
    fill({r.left, r.top, r.right, r.top + 1}, topLeft);
    fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

// The non-client border of a child: WS_BORDER a black line, then a sunken
// edge for WS_EX_CLIENTEDGE or a thin one for WS_EX_STATICEDGE.
void border(Canvas& cv, HWND h, const Window& w, RECT limit) {
    RECT r{};
    GetWindowRect(h, &r);
    OffsetRect(&r, -int(cv.origin.x), -int(cv.origin.y));
    auto inset = [&]() { r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; };
    if (w.style & WS_BORDER) {
        ring(cv, r, 0, 0, limit);
        inset();
    }
    if (w.exStyle & WS_EX_CLIENTEDGE) {
        ring(cv, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT), limit);
        inset();
        ring(cv, r, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT), limit);
    } else if (w.exStyle & WS_EX_STATICEDGE) {
        ring(cv, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT), limit);
    }
}

// Lays window `h`'s client surface and its children on the canvas, inside `limit` (picture coordinates).
void compose(Canvas& cv, HWND h, RECT limit) {
    Window* w = findWindow(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    Surface* s = winsim::gdi32::windowSurface(h);
    if (!s) return;
    if (w->parent && (w->style & WS_CHILD)) border(cv, h, *w, limit);
    const POINT o = clientOrigin(*w);
    const int ox = int(o.x - cv.origin.x), oy = int(o.y - cv.origin.y);
    const RECT area{std::max<LONG>(limit.left, ox), std::max<LONG>(limit.top, oy),
                    std::min<LONG>(limit.right, ox + s->width), std::min<LONG>(limit.bottom, oy + s->height)};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            cv.pic.pixels[size_t(y) * size_t(cv.pic.width) + size_t(x)] =
                s->pixels[size_t(y - oy) * size_t(s->width) + size_t(x - ox)];
    // The first child is on top: lay it last. Group boxes only frame what
    // lies inside them, so they go below every sibling.
    std::vector<HWND> kids(w->children.rbegin(), w->children.rend());
    std::stable_partition(kids.begin(), kids.end(), [](HWND c) {
        const Window* cw = findWindow(c);
        return cw && cw->className == u"Button" && (cw->style & BS_TYPEMASK) == BS_GROUPBOX;
    });
    for (HWND c : kids) compose(cv, c, area);
}

// The frame of a top-level window: a raised border and, with WS_CAPTION,
// the caption bar with the title.
void frame(Canvas& cv, const Window& w) {
    const int width = cv.pic.width, height = cv.pic.height;
    cv.fill({0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
    cv.fill({0, 0, width, 1}, GetSysColor(COLOR_3DLIGHT));
    cv.fill({0, 0, 1, height}, GetSysColor(COLOR_3DLIGHT));
    cv.fill({0, height - 1, width, height}, GetSysColor(COLOR_3DDKSHADOW));
    cv.fill({width - 1, 0, width, height}, GetSysColor(COLOR_3DDKSHADOW));
    if (!(w.style & WS_CAPTION)) return;
    const POINT o = clientOrigin(w);
    const int bottom = int(o.y - cv.origin.y), left = int(o.x - cv.origin.x);
    const int top = std::max(bottom - winsim::gdi32::kCellHeight - 6, 1);
    cv.fill({left, top, width - left, bottom - 1}, GetSysColor(COLOR_HIGHLIGHT));
    // The title in the caption colour, drawn through a memory DC.
    HDC dc = CreateCompatibleDC(nullptr);
    const int cw = std::max(width - 2 * left - 4, 1), ch = std::max(bottom - 1 - top, 1);
    HBITMAP bmp = CreateCompatibleBitmap(dc, cw, ch);
    if (dc && bmp) {
        SelectObject(dc, bmp);
        RECT all{0, 0, cw, ch};
        HBRUSH back = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
        FillRect(dc, &all, back);
        DeleteObject(back);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        DrawTextW(dc, w.text.c_str(), int(w.text.size()), &all, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x)
                if (left + 2 + x < width && top + y < height)
                    cv.pic.pixels[size_t(top + y) * size_t(width) + size_t(left + 2 + x)] = GetPixel(dc, x, y);
    }
    DeleteDC(dc);
    if (bmp) DeleteObject(bmp);
}

}  // namespace

namespace winsim::ui {

bool render(HWND window, Picture& out) {
    Window* w = findWindow(window);
    if (!w) return false;
    clearTree(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!(w = findWindow(window))) return false;  // a paint handler may have destroyed it
    RECT r;
    GetWindowRect(window, &r);
    out = Picture{};
    out.width = std::max<int>(int(r.right - r.left), 1);
    out.height = std::max<int>(int(r.bottom - r.top), 1);
    out.pixels.assign(size_t(out.width) * size_t(out.height), GetSysColor(COLOR_BTNFACE));
    Canvas cv{out, POINT{r.left, r.top}};
    if (!w->parent) frame(cv, *w);
    compose(cv, window, RECT{0, 0, out.width, out.height});
    return true;
}

}  // namespace winsim::ui
