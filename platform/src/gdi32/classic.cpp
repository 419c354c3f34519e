// The plain classic look the system controls paint themselves in: raised
// and sunken edges, check and radio marks, group frames, and text that is
// embossed (a light copy one pixel down-right under a shadow copy) when the
// control is disabled.
#include <string>

#include "gdi32/font.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

namespace {

void fill(HDC dc, RECT r, int colourIndex) { FillRect(dc, &r, GetSysColorBrush(colourIndex)); }

// Two-pixel edge: outer light/dark, inner light/dark (raised or sunken).
void edge(HDC dc, RECT r, bool raised) {
    const int outerTl = raised ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
    const int outerBr = raised ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT;
    const int innerTl = raised ? COLOR_3DLIGHT : COLOR_3DDKSHADOW;
    const int innerBr = raised ? COLOR_BTNSHADOW : COLOR_3DLIGHT;
    for (int i = 0; i < 2 && r.right - r.left > 1 && r.bottom - r.top > 1; ++i) {
        const int tl = i ? innerTl : outerTl, br = i ? innerBr : outerBr;
        fill(dc, {r.left, r.top, r.right, r.top + 1}, tl);
        fill(dc, {r.left, r.top, r.left + 1, r.bottom}, tl);
        fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, br);
        fill(dc, {r.right - 1, r.top, r.right, r.bottom}, br);
        r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
}

}  // namespace

namespace winsim::detail {

void classicEdge(HDC dc, RECT r, bool raised) { edge(dc, r, raised); }

void classicArrow(HDC dc, RECT box, int direction, bool enabled) {
    // A filled triangle of 4 rows, centred; a disabled one embossed.
    const int cx = int(box.left + box.right) / 2, cy = int(box.top + box.bottom) / 2;
    auto draw = [&](int dx, int dy, int colour) {
        for (int i = 0; i < 4; ++i) {
            RECT row;
            if (direction < 2) {
                const int y = direction == 0 ? cy - 2 + i : cy + 1 - i;
                row = RECT{cx - i + dx, y + dy, cx + i + 1 + dx, y + 1 + dy};
            } else {
                const int x = direction == 2 ? cx - 2 + i : cx + 1 - i;
                row = RECT{x + dx, cy - i + dy, x + 1 + dx, cy + i + 1 + dy};
            }
            fill(dc, row, colour);
        }
    };
    if (!enabled) draw(1, 1, COLOR_BTNHIGHLIGHT);
    draw(0, 0, enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
}

void classicArrowButton(HDC dc, RECT r, int direction, bool enabled, bool pushed) {
    fill(dc, r, COLOR_BTNFACE);
    edge(dc, r, !pushed);
    if (pushed) OffsetRect(&r, 1, 1);
    classicArrow(dc, r, direction, enabled);
}

void classicText(HDC dc, const std::u16string& text, RECT r, UINT format, bool enabled, bool keepColour) {
    const int old = SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        if (!keepColour) SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
    } else {
        RECT down{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text.c_str(), int(text.size()), &down, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
    }
    SetBkMode(dc, old);
}

void classicButton(HDC dc, RECT r, const std::u16string& text, ButtonLook look) {
    const int box = 13;
    switch (look.kind) {
        case ButtonLook::Push: {
            fill(dc, r, COLOR_BTNFACE);
            if (look.isDefault) {
                FrameRect(dc, &r, GetSysColorBrush(COLOR_3DDKSHADOW));
                r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            }
            edge(dc, r, !look.pushed);
            RECT t = r;
            if (look.pushed) OffsetRect(&t, 1, 1);
            classicText(dc, text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, look.enabled);
            if (look.focused) {
                RECT f{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
                DrawFocusRect(dc, &f);
            }
            break;
        }
        case ButtonLook::Check:
        case ButtonLook::Radio: {
            fill(dc, r, COLOR_BTNFACE);
            const int top = int(r.top + (r.bottom - r.top - box) / 2);
            RECT b{r.left, top, r.left + box, top + box};
            fill(dc, b, look.enabled ? COLOR_WINDOW : COLOR_BTNFACE);
            edge(dc, b, false);
            if (look.checked) {
                // A tick for check boxes (a grey one for the third state), a dot for radios.
                HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(look.checked == 2 || !look.enabled ? COLOR_BTNSHADOW
                                                                                                   : COLOR_WINDOWTEXT));
                HGDIOBJ was = SelectObject(dc, pen);
                if (look.kind == ButtonLook::Radio) {
                    for (int i = 0; i < 3; ++i) {
                        MoveToEx(dc, b.left + 5, b.top + 5 + i, nullptr);
                        LineTo(dc, b.left + 8, b.top + 5 + i);
                    }
                } else {
                    for (int i = 0; i < 3; ++i) {
                        MoveToEx(dc, b.left + 3, b.top + 5 + i, nullptr);
                        LineTo(dc, b.left + 5, b.top + 7 + i);
                        LineTo(dc, b.left + 10, b.top + 2 + i);
                    }
                }
                SelectObject(dc, was);
                DeleteObject(pen);
            }
            RECT t{r.left + box + 4, r.top, r.right, r.bottom};
            classicText(dc, text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE, look.enabled);
            if (look.focused) {
                RECT f = t;
                DrawTextW(dc, text.c_str(), int(text.size()), &f, DT_CALCRECT | DT_SINGLELINE);
                f = RECT{t.left - 1, top - 1, f.right + 1, top + winsim::gdi32::kCellHeight + 1};
                DrawFocusRect(dc, &f);
            }
            break;
        }
        case ButtonLook::Group: {
            fill(dc, r, COLOR_BTNFACE);
            const int mid = int(r.top) + winsim::gdi32::kCellHeight / 2;
            RECT frame{r.left, mid, r.right, r.bottom};
            FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
            OffsetRect(&frame, 1, 1);
            FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            if (!text.empty()) {
                RECT t{r.left + 8, r.top, r.left + 8 + int(text.size() + 2) * winsim::gdi32::kCellWidth,
                       r.top + winsim::gdi32::kCellHeight};
                fill(dc, t, COLOR_BTNFACE);
                t.left += winsim::gdi32::kCellWidth;
                classicText(dc, text, t, DT_LEFT | DT_SINGLELINE, look.enabled);
            }
            break;
        }
    }
}

}  // namespace winsim::detail

extern "C" {

// A dotted frame (every other pixel inverted), its own inverse.
WINBASEAPI BOOL WINAPI DrawFocusRect(HDC dc, LPCRECT rect) {
    if (!rect) return FALSE;
    std::lock_guard g(winsim::detail::userLock());
    winsim::gdi32::Dc* d = winsim::gdi32::findDc(dc);
    winsim::gdi32::Surface* s = d ? winsim::gdi32::surfaceOf(*d) : nullptr;
    if (!s) return FALSE;
    auto flip = [&](int x, int y) {
        if ((x + y) % 2 == 0 && winsim::gdi32::visible(*d, *s, x, y))
            s->pixels[size_t(y) * size_t(s->width) + size_t(x)] ^= 0xFFFFFF;
    };
    const RECT r = *rect;
    for (int x = r.left; x < r.right; ++x) flip(x, r.top), flip(x, r.bottom - 1);
    for (int y = r.top + 1; y < r.bottom - 1; ++y) flip(r.left, y), flip(r.right - 1, y);
    winsim::detail::logDraw({d->window, "DrawFocusRect", int(r.left), int(r.top), 0, dc, {}, 0});
    return TRUE;
}

WINBASEAPI BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx, rect->right += dx, rect->top += dy, rect->bottom += dy;
    return TRUE;
}

}  // extern "C"
