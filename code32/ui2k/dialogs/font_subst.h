// The font substitution page (device and user-setting forms): the screen's
// TrueType faces with their device substitutes, and the font enumeration
// the stamp dialog's font combo shares.
#pragma once
#include <win/types.h>
#include <win/wingdi.h>

#include "core/context.h"

namespace vesk {

// A pairs-list line: the face padded to 31 characters, " > ", the device
// font; the device part starts at kSubstDevicePart.
constexpr size_t kSubstFacePart = 32;
constexpr size_t kSubstDevicePart = 34;
constexpr size_t kSubstLineChars = kSubstDevicePart + 32;

// What FontEnumProc fills: the pairs list 2385 gets lines, any other
// control (a combo box) the face names with their positions as item data.
struct FontEnumRequest {
    DrvContext* ctx;
    UiControl* control;
    WCHAR line[kSubstLineChars];
};
// Skips faces that are not TrueType and vertical ("@") faces; always 1.
int CALLBACK FontEnumProc(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM request);
// Fills the control through EnumFontFamiliesW on the screen's DC.
void FontEnumFill(DrvContext* ctx, UiControl* control);
// The line of a face and its device font into `line` of kSubstLineChars.
void FontSubstLine(const WCHAR* face, const WCHAR* device, WCHAR* line);
// The substitution table from the pairs list's lines whose device part is
// not device font 0. 0 when the list cannot be read (table unchanged).
int FontSubstListRebuild(DrvContext* ctx, HWND pairsList);

}  // namespace vesk
