// Drawing helpers of the control window procedures that pages and hooks
// share, and the attribute records of tab controls.
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

// Kind-6 attribute of a tab control: one row per tab, its label's string id
// and the controls shown under it.
struct UiTabRow {
    uint16_t labelId;
    uint16_t count;
    const uint16_t* controls;
};
struct UiAttrTabs {
    int16_t kind;
    uint16_t count;
    const UiTabRow* rows;
};
// Hides the controls of the other tabs, then shows those of tab `k`.
void TabShowGroup(UiPage* page, const UiAttrTabs* tabs, int k);
HDC CtlGetPaintDC(DrvContext* ctx, HWND window);
void CtlReleasePaintDC(DrvContext* ctx, HWND window, HDC dc);
// The text's extent, or without text the font's average width and height.
void TextExtent(HDC dc, const WCHAR* text, SIZE* size);
void FillSolidRect(HDC dc, const RECT* rect, COLORREF colour);
// Draws an owner-drawn button; the caption's width.
int DrawButtonFace(DrvContext* ctx, UiPage* page, UiControl* control, HWND window, HDC dc, const RECT* rect,
                   uint32_t style, int pressed, int focused);
// A type-0x54 slider drawn by the driver: arrow areas, track and thumb.
void SliderPaint(DrvContext* ctx, UiPage* page, UiControl* control);
// Steps the controls a repeat button lists (kind-5 attribute); 1.
int CtlRepeatStep(DrvContext* ctx, UiPage* page, UiControl* button);
// A picture control's drawing (pictures stepped by click, previews).
void CtlPictureDraw(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc);
// The same into `rect` of `dc` (the preset list's entries).
void CtlPictureDrawIn(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc, const RECT* rect);

}  // namespace vesk
