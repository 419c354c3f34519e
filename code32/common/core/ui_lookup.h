// Lookups over a context's page table and the controls bound to items.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

UiPage* PageFindById(DrvContext* ctx, int pageId);
UiPage* PageFindByWindow(DrvContext* ctx, HWND window);
// Searches the context's pages, or the template's when `ctx` is null.
const UiPage* PageFindByName(DrvContext* ctx, const char* name);
// The control at `index`, or null when the page is null or the index is not
// below its control count.
UiControl* PageGetControl(UiPage* page, int index);
// One page, or every page of the context in table order.
UiControl* CtlFindById(DrvContext* ctx, UiPage* page, int controlId);
UiControl* CtlFindByWindow(DrvContext* ctx, UiPage* page, HWND window);
// The page that holds a control of the context, or null.
UiPage* CtlOwnerPage(DrvContext* ctx, const UiControl* control);
// The item the control's key names in the context's own table (what sheet
// preparation stores as the control's bound item).
DmItem* CtlBindItem(DrvContext* ctx, UiControl* control);
// The control's attribute record when its kind is `kind`, else null.
const void* CtlGetAttr(const UiControl* control, int kind);

uint32_t CtlGetItemValue(DrvContext* ctx, const UiControl* control);
uint32_t CtlSetItemValue(DrvContext* ctx, UiControl* control, uint32_t value);
// Finds the control in all pages, then reads or writes its bound item's text.
BYTE* CtlGetItemString(DrvContext* ctx, int controlId, WCHAR* dest, size_t destChars);
BYTE* CtlSetItemString(DrvContext* ctx, int controlId, const WCHAR* source);

}  // namespace vesk
