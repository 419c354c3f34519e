// Explanation icons: a small clickable bitmap beside a control that a
// constraint disables; a click shows the control's explanation string.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

constexpr int kExplIconSize = 20;
constexpr int kExplIconBitmap = 7006;

// The control's icon on the page, made when it has none; null on failure.
HWND ExplIconShow(DrvContext* ctx, UiPage* page, UiControl* control);
void ExplIconRemove(UiPage* page, const UiControl* control);
// The control's icon, null when none.
HWND ExplIconFind(const UiPage* page, const UiControl* control);
// Repaints every icon of the page.
void ExplIconInvalidateAll(const UiPage* page);
LRESULT CALLBACK ExplIconWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vesk
