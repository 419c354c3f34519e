// Preview pictures: bitmaps of the resource library and of files, drawn
// with the key colour, greyed and colour-adjusted.
#pragma once
#include <win/gdi.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

void PreviewDrawImage(DrvContext* ctx, UiPage* page, UiControl* control, HWND window, const RECT* rect,
                      int bitmapId, uint32_t flags, int themeOff);
void PreviewComposeBegin(DrvContext* ctx);
void PreviewComposeEnd(DrvContext* ctx, HWND window, const RECT* rect);
// DrawBitmapComposite's source names a picture, never an open bitmap: a
// resource id below 0x10000 carried in the handle, a file path or resource
// name, or null for the pending picture.
inline HBITMAP BitmapSourceId(uint32_t id) { return reinterpret_cast<HBITMAP>(uintptr_t(id)); }
void DrawBitmapComposite(DrvContext* ctx, UiPage* page, UiControl* control, HDC target, const RECT* rect, int x,
                         int y, HBITMAP bitmap, uint32_t flags, int themeOff);
COLORREF ColorAdjust(DrvContext* ctx, COLORREF colour, int grey);
// The file as a bitmap of the display, null when it is not a sound .bmp.
HBITMAP BmpLoadFile(const WCHAR* path, int* width, int* height);

// A placement row of a table picture: offsets, anchor flags and size.
struct ImagePlacement {
    int16_t x;
    int16_t y;
    uint32_t anchor;
    uint16_t width;
    uint16_t height;
};
// The placement of a bitmap id (ids 6001-7008); false for other ids.
bool ImagePlacementFind(int bitmapId, ImagePlacement* out);
// comctl32's DllGetVersion as major x 100 + minor; 0 without it.
int ComctlVersion();
HBITMAP ResLoadBitmapByName(DrvContext* ctx, const WCHAR* name);
// The process-wide palette of the pictures (256 entries). Without a DC: 1
// when the display uses a palette (asked once per process), else 0. On a
// display without a palette: 0. With `index` below 0: the palette is made
// from the stored entries, selected into `dc` in the foreground and
// realized; the answer is the palette it replaced (select it back and
// delete the one made). Else `colour` is stored in entry `index` (1).
uintptr_t PaletteShared(HDC dc, int index, COLORREF colour);
// Forgets the display's answer, for a display that changed.
void PaletteSharedForget();
// The watermark's preview over the paper picture drawn in `rect` of `dc`
// (paper area 50 x 69 portrait, 68 x 50 landscape).
void PreviewDrawWatermark(DrvContext* ctx, UiPage* page, UiControl* control, HDC dc, const RECT* rect, int landscape);
// Corners of a w x h box turned by `degrees` with the tables (the box
// moved so its smallest coordinates are 0, or with `aboutCentre` turned
// about the centre of a square of side max(w, h) + 12); the bounding size.
void WatermarkRotateBox(int w, int h, int degrees, bool aboutCentre, POINT corners[4], SIZE* bounds);
// Hands a bitmap to the next drawing without an id (it takes it).
void PreviewSetPending(HBITMAP bitmap);

}  // namespace vesk
