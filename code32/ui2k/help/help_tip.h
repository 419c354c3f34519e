// The hover help popup's parts that the page procedure calls.
#pragma once
#include <win/user.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr UINT_PTR kHelpTipTimer = 1;
constexpr UINT kHelpTipDelay = 1000;

// The page's hover timer fired: shows the pending popup when the cursor is
// still over its control.
void HelpTipTimer(DrvContext* ctx);
void HelpTipPaint(DrvContext* ctx);
// The popup font's height: `height` as it is.
int HelpTipFontHeight(HDC dc, int height);
// Removes the popup of page window `page`, pending or shown.
void HelpTipClose(DrvContext* ctx, HWND page);
// The control the popup belongs to (its id), 0 without a popup.
int HelpTipControlId(DrvContext* ctx);

}  // namespace vesk
