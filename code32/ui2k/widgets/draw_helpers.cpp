// Small drawing and lookup routines the control procedures share: paint
// surfaces, text extents, solid rectangles, owner-drawn button faces and
// the cell sizes of owner-drawn lists.
#include <win/wingdi.h>
#include <win/user.h>

#include "core/res/res.h"
#include "pictures/pictures.h"
#include "sheets/sheet_session.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

// Cell sizes of the owner-drawn controls: the preset list's previews and
// the icon lists.
constexpr CtlCellSize kCellSizes[] = {
    {2001, 108, 107}, {2007, 16, 14}, {2009, 16, 14}, {2011, 16, 14}, {2013, 16, 14}, {2017, 16, 14},
    {2023, 16, 14},   {2032, 16, 14}, {2036, 16, 14}, {2041, 16, 14}, {0, 0, 0},
};

constexpr uint32_t kNoCaption = 0xFFFF;
constexpr int kCaptionChars = 260;

void fillRect(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    RECT rc{l, t, r, b};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// A one-pixel frame: top and left in one colour, bottom and right in the
// other.
void bevel(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    fillRect(dc, r.left, r.top, r.right, r.top + 1, topLeft);
    fillRect(dc, r.left, r.top, r.left + 1, r.bottom, topLeft);
    fillRect(dc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    fillRect(dc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
}

void inflate(RECT& r, int dx, int dy) {
    r.left += dx;
    r.right -= dx;
    r.top += dy;
    r.bottom -= dy;
}

int cornerBitmap(uint32_t bits) { return bits == 1 ? 220 : bits == 2 ? 221 : bits == 3 ? 222 : 0; }

void drawCorners(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc, const RECT& r, uint32_t style) {
    const int left = cornerBitmap((style >> 4) & 3);
    const uint32_t r6 = (style >> 6) & 3;
    const int right = r6 ? cornerBitmap(4 - r6) : 0;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const auto id = [](int n) { return BitmapSourceId(uint32_t(n)); };
    // Positions are inside the rectangle: the corners of each half.
    if (left) {
        DrawBitmapComposite(ctx, page, control, dc, &r, 0, 0, id(left), 0x1, 0);
        DrawBitmapComposite(ctx, page, control, dc, &r, 0, h, id(left), 0x81, 0);
    }
    if (right) {
        DrawBitmapComposite(ctx, page, control, dc, &r, w, 0, id(right), 0x21, 0);
        DrawBitmapComposite(ctx, page, control, dc, &r, w, h, id(right), 0xA1, 0);
    }
}

// A solid triangle pointing left or right, as high as the rectangle is wide.
void drawArrow(HDC dc, const RECT& r, bool left) {
    const int w = r.right - r.left, cy = (r.top + r.bottom) / 2, half = w / 2;
    POINT p[3];
    if (left)
        p[0] = {r.left, cy}, p[1] = {r.right, cy - half}, p[2] = {r.right, cy + half};
    else
        p[0] = {r.right, cy}, p[1] = {r.left, cy - half}, p[2] = {r.left, cy + half};
    HPEN pen = CreatePen(PS_SOLID, 1, GetTextColor(dc));
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_MENUTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    Polygon(dc, p, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace

const CtlCellSize* CtlCellSizeFind(int controlId) {
    for (const CtlCellSize* r = kCellSizes; r->controlId; ++r)
        if (r->controlId == controlId) return r;
    return nullptr;
}

HDC CtlGetPaintDC(DrvContext*, HWND window) {
    if (HDC shared = PicState().sharedDC) return shared;
    if (!window) return nullptr;
    // A child window's DC is clipped to its client area.
    return GetDC(window);
}

void CtlReleasePaintDC(DrvContext*, HWND window, HDC dc) {
    if (!PicState().sharedDC && dc) ReleaseDC(window, dc);
}

void TextExtent(HDC dc, const WCHAR* text, SIZE* size) {
    if (!size) return;
    *size = SIZE{0, 0};
    if (!dc) return;
    if (text) {
        GetTextExtentPoint32W(dc, text, int(WideLength(text)), size);
        return;
    }
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    size->cx = tm.tmAveCharWidth;
    size->cy = tm.tmHeight;
}

void FillSolidRect(HDC dc, const RECT* rect, COLORREF colour) {
    if (!dc || !rect) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

int DrawButtonFace(DrvContext* ctx, UiPage* page, UiControl* control, HWND window, HDC dc, const RECT* rect,
                   uint32_t style, int pressed, int focused) {
    if (!dc || !rect) return 0;
    RECT r = *rect;
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldBrush = SelectObject(dc, face);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    DeleteObject(face);
    if (focused) inflate(r, 1, 1);
    if ((style & 0xF) == 2) {
        RECT inner = r;
        inflate(inner, 1, 1);
        if (!pressed) {
            bevel(dc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
            bevel(dc, inner, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW));
        } else {
            bevel(dc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNFACE));
            bevel(dc, inner, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        }
    } else if ((style & 0xF) == 4) {
        drawCorners(ctx, page, control, dc, r, style);
        inflate(r, 4, 2);
    }
    int width = 0;
    if (window) {
        WCHAR caption[kCaptionChars] = u"...";
        const SheetSession* s = SheetSessionOf(ctx);
        const uint32_t id = s ? s->captionOverride : 0;
        if (id == kNoCaption)
            caption[0] = 0;
        else if (id)
            ResLoadString(ctx, id, caption, kCaptionChars, 0);
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        SIZE ext{};
        TextExtent(dc, caption, &ext);
        width = ext.cx;
        const bool arrow = (caption[0] == u'<' || caption[0] == u'>') && !caption[1];
        if (arrow) {
            drawArrow(dc, r, caption[0] == u'<');
        } else if (caption[0]) {
            RECT t = r;
            const int top = (r.top + r.bottom - ext.cy) / 2;
            t.top = top > r.top ? top : r.top;
            const UINT format = DT_CENTER | DT_WORDBREAK;
            const int len = int(WideLength(caption));
            if (!IsWindowEnabled(window)) {
                RECT shadow{t.left + 1, t.top + 1, t.right + 1, t.bottom + 1};
                const COLORREF old = SetTextColor(dc, RGB(255, 255, 255));
                DrawTextW(dc, caption, len, &shadow, format);
                SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
                DrawTextW(dc, caption, len, &t, format);
                SetTextColor(dc, old);
            } else {
                DrawTextW(dc, caption, len, &t, format);
            }
        }
        SetBkMode(dc, oldMode);
        SelectObject(dc, oldFont);
    }
    if (focused) {
        inflate(r, 2, 2);
        DrawFocusRect(dc, &r);
    }
    return width;
}

}  // namespace vesk
