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
void DrawBitmapComposite(DrvContext* ctx, UiPage* page, UiControl* control, HDC target, const RECT* rect, int x,
                         int y, HBITMAP bitmap, uint32_t flags, int themeOff);
COLORREF ColorAdjust(DrvContext* ctx, COLORREF colour, int grey);
// The file as a bitmap of the display, null when it is not a sound .bmp.
HBITMAP BmpLoadFile(const WCHAR* path, int* width, int* height);

}  // namespace vesk
