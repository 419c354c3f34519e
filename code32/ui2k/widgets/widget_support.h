// What the control handlers of the widgets and pictures share inside the
// library: option value walks, text helpers and the drawing state of the
// pictures (UI thread only).
#pragma once
#include <win/wingdi.h>
#include <win/types.h>
#include <win/user.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

// Type codes of the controls the procedures tell apart.
enum : uint16_t {
    kCtlPicture = 0x02,
    kCtlIcon = 0x03,
    kCtlPush = 0x15,
    kCtlSpin = 0x17,
    kCtlImageList = 0x2f,
    kCtlCheckList = 0x31,
    kCtlPresetList = 0x32,
    kCtlEdit = 0x3d,
    kCtlNumEdit = 0x3f,
    kCtlSlider = 0x54,
    kCtlTab = 0x68,
};

// The option's type word, 0 without one.
uint16_t OptTypeOf(DrvContext* ctx, uint32_t option);
// The first value record of a list option, 0 when none.
uint32_t OptFirstValue(DrvContext* ctx, uint32_t option);
// The record after `record`, and its value id (0 ends a walk).
uint32_t OptNextValue(DrvContext* ctx, uint32_t option, uint32_t record);
uint16_t OptValueId(DrvContext* ctx, uint32_t option, uint32_t record);
// A String option's maximum length and character-kind flags (bit 2:
// letters and digits only); false for another option.
bool OptStringLimits(DrvContext* ctx, uint32_t option, int* maxLength, int* flags);
// 1 when neither condition of the value's entry holds.
int OptValueAllowed(DrvContext* ctx, uint32_t option, uint32_t valueId);

// The page and context of a control window (its parent's page record).
DrvContext* CtlContextOf(HWND control);
UiPage* CtlPageOf(DrvContext* ctx, HWND control);

// Bytes of the text in the system's ANSI code page.
size_t AnsiLength(const WCHAR* text);
size_t WideLength(const WCHAR* text);
bool WideEqual(const WCHAR* a, const WCHAR* b);
void WideCopy(WCHAR* dest, size_t capacity, const WCHAR* src);

// Drawing state of the preview pictures: the shared paint surface, the six
// colour adjustments (50 neutral), the off-screen composition, the bitmap a
// caller hands over for a drawing without an id, the page background.
struct PictureState {
    HDC sharedDC;
    int adjust[6];
    int composing;
    HDC offDC;
    HBITMAP offBitmap;
    HGDIOBJ offOld;
    RECT offRect;
    HBITMAP pending;
    int backgroundSet;
    COLORREF background;
};
PictureState& PicState();
// The page background colour (COLOR_BTNFACE unless a caller set another).
COLORREF PicBackground();

// 1 when the point lies in the rectangle (right and bottom edges outside).
inline bool InRect(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
// Width of a horizontal scroll bar's arrow.
int ScrollArrowWidth();

}  // namespace vesk
