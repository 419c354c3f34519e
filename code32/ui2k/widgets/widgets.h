// Drawing helpers of the control window procedures that pages and hooks
// share.
#pragma once
#include <win/gdi.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct CtlCellSize {
    uint16_t controlId;
    int16_t width;
    int16_t height;
};
// The cell size of an owner-drawn control, null when it has none.
const CtlCellSize* CtlCellSizeFind(int controlId);
HDC CtlGetPaintDC(DrvContext* ctx, HWND window);
void CtlReleasePaintDC(DrvContext* ctx, HWND window, HDC dc);
// The text's extent, or without text the font's average width and height.
void TextExtent(HDC dc, const WCHAR* text, SIZE* size);
void FillSolidRect(HDC dc, const RECT* rect, COLORREF colour);
// Draws an owner-drawn button; the caption's width.
int DrawButtonFace(DrvContext* ctx, UiPage* page, UiControl* control, HWND window, HDC dc, const RECT* rect,
                   uint32_t style, int pressed, int focused);
// A picture control's drawing (pictures stepped by click, previews).
void CtlPictureDraw(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc);

}  // namespace vesk
