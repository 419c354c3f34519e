// Picture controls: the pictures of an option's values drawn over each
// other, colour-adjusted by a kind-1 attribute, with the watermark preview
// over the paper picture.
#include <win/wingdi.h>
#include <win/user.h>

#include <algorithm>

#include "core/item.h"
#include "core/item_store.h"
#include "core/model/model.h"
#include "core/ui_lookup.h"
#include "pictures/bmp_file.h"
#include "pictures/pictures.h"
#include "pictures/trig_tables.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr int kPagePicture = 2039;
constexpr int kItemWatermarkOn = 63;
constexpr int kItemWatermarkKind = 109;
constexpr int kItemPaperWidth = 51, kItemPaperLength = 52, kItemResolution = 42;
constexpr uint32_t kOverlay = 0x1;
constexpr size_t kTextChars = 260;

constexpr uint16_t kPortrait[] = {6001, 6004, 6005, 6008, 6009, 6011, 6013, 6016, 6017, 6019, 6021,
                                  6023, 6025, 6027, 6029, 6031, 6033, 6037, 6040, 6043, 6046};
constexpr uint16_t kLandscape[] = {6002, 6003, 6006, 6007, 6010, 6012, 6014, 6015, 6018, 6020, 6022, 6024, 6026,
                                   6028, 6030, 6032, 6034, 6035, 6036, 6038, 6039, 6041, 6042, 6044, 6045};

// Slots of the kind-8 attribute.
enum { kWmText, kWmFace, kWmStyle, kWmFrame, kWmColour, kWmDensity, kWmAngle, kWmPoints, kWmImage, kWmScale,
       kWmPosition, kWmTiling, kWmCopyMode };

int paperKind(uint16_t id) {
    if (std::find(std::begin(kPortrait), std::end(kPortrait), id) != std::end(kPortrait)) return 1;
    if (std::find(std::begin(kLandscape), std::end(kLandscape), id) != std::end(kLandscape)) return 2;
    return 0;
}

int32_t keyValue(DrvContext* ctx, const UiAttrPreview* a, int slot) {
    return int32_t(ItemValueByKey(ctx, a->keys[slot]));
}
bool isText(const DmItem* it) {
    const uint32_t code = it ? itemTypeCode(*it) : 0;
    return code == kTypeAnsi || code == kTypeWide || code == kTypeAnsi2 || code == kTypeWide2;
}
// The text of a slot's item; empty when the slot names no text item.
void keyText(DrvContext* ctx, const UiAttrPreview* a, int slot, WCHAR* out, size_t cap) {
    out[0] = 0;
    DmItem* it = ItemFindByKey(ctx, a->keys[slot]);
    if (isText(it)) ItemGetString(ctx, it, out, cap);
}

// The paper's larger side in preview pixels per device dot: the divisor
// max(width, length) / resolution, never 0.
int32_t paperDivisor(DrvContext* ctx) {
    const int32_t side = int32_t(std::max(ItemValueById(ctx, kItemPaperWidth), ItemValueById(ctx, kItemPaperLength)));
    const int32_t res = int32_t(ItemValueById(ctx, kItemResolution));
    const int32_t d = res > 0 ? side / res : 0;
    return d > 0 ? d : 1;
}

// Top-left of a box in the area by the position item, or 0, 0.
POINT placeBox(int position, int aw, int ah, int bw, int bh) {
    const int cx = (aw - bw) / 2, right = aw - bw, bottom = ah - bh;
    switch (position) {
    case 0: return POINT{cx, (ah - bh) / 2};
    case 2: return POINT{cx, 0};
    case 4: return POINT{right, 0};
    case 8: return POINT{0, bottom};
    case 16: return POINT{cx, bottom};
    case 32: return POINT{right, bottom};
    default: return POINT{0, 0};
    }
}

void drawTextBox(HDC dc, int x, int y, const WCHAR* text, const POINT* corners, const SIZE& bounds, int frame,
                 COLORREF colour) {
    const int n = int(WideLength(text));
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    // The text starts at the turned box's first corner, inset as the box
    // was widened.
    const int tx = x + corners[0].x, ty = y + corners[0].y;
    if (frame == 3) {
        BeginPath(dc);
        TextOutW(dc, tx, ty, text, n);
        EndPath(dc);
        StrokePath(dc);
    } else {
        TextOutW(dc, tx, ty, text, n);
    }
    if (frame == 1) {
        POINT p[4];
        for (int i = 0; i < 4; ++i) p[i] = POINT{x + corners[i].x, y + corners[i].y};
        Polygon(dc, p, 4);
    } else if (frame == 2) {
        Ellipse(dc, x, y, x + bounds.cx, y + bounds.cy);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void drawTextWatermark(DrvContext* ctx, UiPage* page, const UiAttrPreview* a, HDC mem, int aw, int ah) {
    WCHAR text[kTextChars];
    keyText(ctx, a, kWmText, text, kTextChars);
    if (!text[0]) return;
    const int density = std::clamp(keyValue(ctx, a, kWmDensity), 0, 100);
    const int v = 255 * (100 - density) / 100;
    int r = v, g = v, b = v;
    switch (keyValue(ctx, a, kWmColour)) {
    case 1: r = 255; break;
    case 2: g = 255; break;
    case 3: b = 255; break;
    case 4: g = b = 255; break;
    case 5: r = b = 255; break;
    case 6: r = g = 255; break;
    default: break;
    }
    const int angle = ((keyValue(ctx, a, kWmAngle) % 360) + 360) % 360;
    const int style = keyValue(ctx, a, kWmStyle), frame = keyValue(ctx, a, kWmFrame);
    LOGFONTW lf{};
    HFONT pageFont = page && page->window ? reinterpret_cast<HFONT>(SendMessageW(page->window, WM_GETFONT, 0, 0)) : nullptr;
    if (pageFont) GetObjectW(pageFont, sizeof lf, &lf);
    keyText(ctx, a, kWmFace, lf.lfFaceName, LF_FACESIZE);
    lf.lfCharSet = 1;
    const int minimum = angle ? 3 : 2;
    lf.lfHeight = std::max(minimum, int(keyValue(ctx, a, kWmPoints) * 50 / 72 / paperDivisor(ctx)));
    lf.lfWidth = 0;
    lf.lfEscapement = lf.lfOrientation = angle * 10;
    lf.lfWeight = (style == 1 || style == 3) ? 700 : 400;
    lf.lfItalic = (style == 2 || style == 3) ? 1 : 0;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(mem, font);
    SIZE ext{};
    TextExtent(mem, text, &ext);
    int abc = 0;
    for (size_t i = 0; text[i]; ++i) {
        ABC w{};
        if (GetCharABCWidthsW(mem, text[i], text[i], &w)) abc += w.abcA + int(w.abcB) + w.abcC;
    }
    const int boxW = std::max(int(ext.cx), abc) + 2, boxH = int(ext.cy) + 10;
    POINT corners[4];
    SIZE bounds{};
    WatermarkRotateBox(boxW, boxH, (360 - angle) % 360, frame == 2, corners, &bounds);
    const COLORREF colour = RGB(r, g, b);
    const bool tiled = keyValue(ctx, a, kWmTiling) == 1;
    const POINT at = placeBox(keyValue(ctx, a, kWmPosition), aw, ah, bounds.cx, bounds.cy);
    auto drawAll = [&](HDC dc, COLORREF ink) {
        if (!tiled) return drawTextBox(dc, at.x, at.y, text, corners, bounds, frame, ink);
        for (int y = 0; y < ah; y += bounds.cy + 1)
            for (int x = 0; x < aw; x += bounds.cx + 1) drawTextBox(dc, x, y, text, corners, bounds, frame, ink);
    };
    if (GetNearestColor(mem, colour) == colour) {
        drawAll(mem, colour);
    } else {
        // A colour the device cannot show as text: the text goes black on
        // white into a mask, the mask lets the colour through a solid fill
        // (SRCPAINT) and the result is ANDed into the area.
        const RECT all{0, 0, aw, ah};
        HDC mask = CreateCompatibleDC(mem), layer = CreateCompatibleDC(mem);
        HBITMAP maskBits = CreateCompatibleBitmap(mem, aw, ah), layerBits = CreateCompatibleBitmap(mem, aw, ah);
        HGDIOBJ oldMask = SelectObject(mask, maskBits), oldLayer = SelectObject(layer, layerBits);
        HGDIOBJ oldMaskFont = SelectObject(mask, font);
        FillRect(mask, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        drawAll(mask, RGB(0, 0, 0));
        HBRUSH fill = CreateSolidBrush(colour);
        FillRect(layer, &all, fill);
        DeleteObject(fill);
        BitBlt(layer, 0, 0, aw, ah, mask, 0, 0, 0x00EE0086);
        BitBlt(mem, 0, 0, aw, ah, layer, 0, 0, 0x008800C6);
        SelectObject(mask, oldMaskFont);
        SelectObject(mask, oldMask);
        SelectObject(layer, oldLayer);
        DeleteObject(maskBits);
        DeleteObject(layerBits);
        DeleteDC(mask);
        DeleteDC(layer);
    }
    SelectObject(mem, oldFont);
    DeleteObject(font);
}

void drawImageWatermark(DrvContext* ctx, const UiAttrPreview* a, HDC mem, int aw, int ah) {
    WCHAR path[kTextChars];
    keyText(ctx, a, kWmImage, path, kTextChars);
    int w = 0, h = 0;
    HBITMAP bitmap = path[0] ? BmpLoadFile(path, &w, &h) : nullptr;
    if (!bitmap) return;
    // The file's pixels count as device dots; the preview shows the paper's
    // larger side as 50 pixels.
    const int64_t scale = std::max(0, keyValue(ctx, a, kWmScale));
    const int64_t side = std::max<int64_t>(1, std::max(ItemValueById(ctx, kItemPaperWidth), ItemValueById(ctx, kItemPaperLength)));
    const int sw = int(std::max<int64_t>(1, int64_t(w) * scale / 100 * 50 / side));
    const int sh = int(std::max<int64_t>(1, int64_t(h) * scale / 100 * 50 / side));
    HDC src = CreateCompatibleDC(mem);
    HGDIOBJ old = SelectObject(src, bitmap);
    auto put = [&](int x, int y) { StretchBlt(mem, x, y, sw, sh, src, 0, 0, w, h, SRCCOPY); };
    if (keyValue(ctx, a, kWmTiling) == 1) {
        for (int y = 0; y < ah; y += sh)
            for (int x = 0; x < aw; x += sw) put(x, y);
    } else {
        const POINT at = placeBox(keyValue(ctx, a, kWmPosition), aw, ah, sw, sh);
        put(at.x, at.y);
    }
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(bitmap);
}

// The option a picture shows. The page picture of the pages after the basic
// page has no key of its own: it shows the basic page's preview option (the
// earliest page picture that has one), as it shares that picture's
// watermark attribute.
uint32_t pictureOption(DrvContext* ctx, const UiControl* c) {
    if (c->option || c->id != kPagePicture) return c->option;
    const UiControl* basic = CtlFindById(ctx, nullptr, kPagePicture);
    return basic && basic->type == c->type ? basic->option : 0;
}

void drawValues(DrvContext* ctx, UiPage* page, UiControl* c, HDC dc, const RECT* rect) {
    if (!ctx || !c) return;
    const uint32_t option = pictureOption(ctx, c);
    const uint32_t first = option ? OptFirstValue(ctx, option) : 0;
    if (!first) return;
    const bool pickOne = MdlBaseType(OptTypeOf(ctx, option)) == kMdlPickOne;
    const bool onlyCurrent = pickOne && !c->partner;
    const uint32_t current = c->item ? CtlGetItemValue(ctx, c) : 0;
    PictureState& st = PicState();
    const HDC savedDC = st.sharedDC;
    int savedAdjust[6];
    std::copy(std::begin(st.adjust), std::end(st.adjust), savedAdjust);
    if (const auto* adj = static_cast<const UiAttrPicture*>(CtlGetAttr(c, 1))) {
        for (int i = 0; i < 6; ++i) {
            const uint16_t id = adj->controlIds[i];
            UiControl* slider = id ? CtlFindById(ctx, nullptr, id) : nullptr;
            const int32_t v = slider ? int32_t(CtlGetItemValue(ctx, slider)) : id ? int32_t(ItemValueById(ctx, id)) : 0;
            st.adjust[i] = v + 50;
        }
    }
    if (dc) st.sharedDC = dc;
    RECT area{};
    if (rect) area = *rect;
    else if (c->window) GetClientRect(c->window, &area);
    if (!dc && c->id == kPagePicture && st.sharedDC) FillSolidRect(st.sharedDC, &area, RGB(255, 255, 255));
    PreviewComposeBegin(ctx);
    uint32_t flags = 0;
    bool watermarkDone = false;
    for (uint32_t rec = first; rec; rec = OptNextValue(ctx, option, rec)) {
        const uint16_t id = OptValueId(ctx, option, rec);
        if (!id) break;
        if ((onlyCurrent && id != current) || !OptValueAllowed(ctx, option, id)) continue;
        PreviewDrawImage(ctx, page, c, rect ? nullptr : c->window, rect, id, flags, 0);
        flags |= kOverlay;
        if (!watermarkDone && paperKind(id)) {
            watermarkDone = true;
            if (HDC target = CtlGetPaintDC(ctx, c->window)) {
                PreviewDrawWatermark(ctx, page, c, st.composing && st.offDC ? st.offDC : target, &area,
                                     paperKind(id) == 2);
                CtlReleasePaintDC(ctx, c->window, target);
            }
        }
        if (pickOne) break;
    }
    PreviewComposeEnd(ctx, rect ? nullptr : c->window, rect);
    std::copy(std::begin(savedAdjust), std::end(savedAdjust), st.adjust);
    st.sharedDC = savedDC;
}

}  // namespace

void WatermarkRotateBox(int w, int h, int degrees, bool aboutCentre, POINT corners[4], SIZE* bounds) {
    const int d = ((degrees % 360) + 360) % 360;
    const int s = kSinTable[size_t(d)], c = kCosTable[size_t(d)];
    const int side = std::max(w, h) + 12;
    const int ox = aboutCentre ? side / 2 : 0, oy = aboutCentre ? side / 2 : 0;
    // The box in the square (about its centre) or at the origin.
    const int bx = aboutCentre ? (side - w) / 2 : 0, by = aboutCentre ? (side - h) / 2 : 0;
    const POINT box[4] = {{bx, by}, {bx + w, by}, {bx + w, by + h}, {bx, by + h}};
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const int x = box[i].x - ox, y = box[i].y - oy;
        corners[i] = POINT{(c * x - s * y) / 100 + ox, (s * x + c * y) / 100 + oy};
        if (i == 0 || corners[i].x < minX) minX = corners[i].x;
        if (i == 0 || corners[i].y < minY) minY = corners[i].y;
        if (i == 0 || corners[i].x > maxX) maxX = corners[i].x;
        if (i == 0 || corners[i].y > maxY) maxY = corners[i].y;
    }
    if (aboutCentre) {
        *bounds = SIZE{side, side};
        return;
    }
    for (int i = 0; i < 4; ++i) corners[i] = POINT{corners[i].x - minX, corners[i].y - minY};
    *bounds = SIZE{maxX - minX, maxY - minY};
}

void PreviewDrawWatermark(DrvContext* ctx, UiPage* page, UiControl* c, HDC dc, const RECT* rect, int landscape) {
    const auto* a = static_cast<const UiAttrPreview*>(CtlGetAttr(c, 8));
    if (!ctx || !a || !dc || !rect || !ItemValueById(ctx, kItemWatermarkOn)) return;
    const int aw = (landscape ? 68 : 50) - 2, ah = (landscape ? 50 : 69) - 2;
    const int rw = rect->right - rect->left, rh = rect->bottom - rect->top;
    const int ax = rect->left + (rw - aw) / 2, ay = rect->top + (rh - ah) / 2 - (landscape ? 3 : 2);
    const bool copyMode = keyValue(ctx, a, kWmCopyMode) != 0;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, aw, ah);
    HGDIOBJ old = SelectObject(mem, bitmap);
    if (copyMode) {
        BitBlt(mem, 0, 0, aw, ah, dc, ax, ay, SRCCOPY);
    } else {
        RECT all{0, 0, aw, ah};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    const uint32_t kind = ItemValueById(ctx, kItemWatermarkKind);
    if (kind == 1) drawTextWatermark(ctx, page, a, mem, aw, ah);
    if (kind == 2) drawImageWatermark(ctx, a, mem, aw, ah);
    BitBlt(dc, ax, ay, aw, ah, mem, 0, 0, copyMode ? SRCCOPY : 0x008800C6);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
}

void CtlPictureDraw(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc) {
    drawValues(ctx, page, control, dc, nullptr);
}

void CtlPictureDrawIn(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc, const RECT* rect) {
    drawValues(ctx, page, control, dc, rect);
}

}  // namespace vesk
