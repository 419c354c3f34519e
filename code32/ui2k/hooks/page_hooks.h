// Per-page logic: every message of a page or of one of its controls is
// first offered to PageCtrlChanged, which handles small pages inline and
// hands larger ones to their page hooks. Every hook answers 1 when it
// handled the message (the caller stops and refreshes), else 0.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

using PageHookFn = int (*)(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                           LPARAM lParam);

// `ctx`, `page` and `control` may be null (a context-free WM_MEASUREITEM).
int PageCtrlChanged(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                    LPARAM lParam);
// Change classes, control flags, re-keyed controls and storage aliases of
// the context's page and item tables; once per context.
int UiTablesPrepare(DrvContext* ctx);

// Refresh lists: {page id, control id} pairs ended by page id 0.
struct PageCtrlPair {
    uint16_t pageId;
    uint16_t controlId;
};
void PagesRefreshCtrls(DrvContext* ctx, const PageCtrlPair* list);
void PagesRefreshCtrl2007(DrvContext* ctx);
void PagesRefreshCtrls2011(DrvContext* ctx);
void PagesRefreshCtrls2017(DrvContext* ctx);
void PagesRefreshCtrls2085(DrvContext* ctx);
void PagesRefreshPresetLists(DrvContext* ctx);
void PagesRefreshStampList(DrvContext* ctx);
int StatusCtlPaint(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, int tray);
int StrHasNoComma(const WCHAR* text);
int StrIsDialChars(const WCHAR* text);
int CtlComboSelectString(DrvContext* ctx, UiPage* page, int controlId, const WCHAR* text);

// ---- Print-quality and address pages (hooks/) ----
int PageQualityHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int PageAddressHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int PageAddressListHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                        LPARAM lParam);
// The remote dialog's OK check: 1 valid, 0 stays open with the focus moved.
int AddressPageValidate(DrvContext* ctx, UiPage* page);

// ---- Dialog pages (dialogs/) ----
int PresetMaintenanceHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                          LPARAM lParam);
int FontSubstPageHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                      LPARAM lParam);
int StampPagesHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int StatusPageHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int FreeSizeDialogHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam);
int InstallOptionsHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam);
// The preset slot whose Name equals `name` (the preferred slot first), -1.
int PresetFindByName(DrvContext* ctx, const WCHAR* name, int preferredSlot);
// The slot of a duplicate preset name (0x8004 posted to `dialog`), or -1.
int PresetCheckDuplicates(DrvContext* ctx, HWND dialog, int slot);

}  // namespace vesk
