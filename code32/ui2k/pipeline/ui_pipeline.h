// The page machinery every page and hook shares: control dispatch, the
// option change and conflict pipeline, the page refresh, sub-dialogs and the
// hover help.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

// ---- Control dispatch ----
// Fills a control when its page opens (the page hook first, then the
// subclass procedure once, then the type's init handler).
int CtlInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlShowValue(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlWmCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlDispatchMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam);
// Selects the first entry of the page's combo `controlId` whose item data
// is `value` and runs its command handler as a selection change.
int CtlSelectByData(DrvContext* ctx, UiPage* page, int controlId, uint32_t value);
int ItemsAnyChanged(DrvContext* ctx);
void ItemsClearChanged(DrvContext* ctx);
// Handler of message 0x8006: fits the page into its frame and shows it.
void PageFitAndShow(DrvContext* ctx, HWND page);

// ---- Option change and conflict pipeline ----
// 1 when a conflict was shown and the value restored, else 0. `store` 1
// stores `value` first and puts the old one back on a rejected conflict.
int OptChangeFromControl(DrvContext* ctx, UiPage* page, UiControl* control, uint32_t value, int store);
int OptChangeFromControlAlias(DrvContext* ctx, UiPage* page, UiControl* control, uint32_t value);
// The button pressed on the option's conflict, 0 when there is none.
int OptCheckConflict(DrvContext* ctx, UiPage* page, uint32_t option);
// `entry` is the image offset of the conflict entry; the MessageBoxW result.
int ConflictMessageBox(DrvContext* ctx, uint32_t entry, HWND window);
// 1 when the option's action list named a dialog (it was opened).
int OptApplyDependents(DrvContext* ctx, UiPage* page, uint32_t option, uint32_t scaling);
void OptUpdateScaling(DrvContext* ctx, uint32_t scaling);

// ---- Refresh and sub-dialogs ----
void OnOptionControlChanged(DrvContext* ctx, UiPage* page, int full);
UiControl* CtlHitTest(UiPage* page, int screenX, int screenY);
// Opens page `pageId` as a file dialog, a nested sheet (bits 0xF0 of
// `sheetKind`) or a modal dialog: the dialog's result, -1 without the
// resource library, 0 for an unknown page.
int OnFileButton(DrvContext* ctx, int sheetKind, int pageId, HWND parent);
int UiFileExists(const WCHAR* path);
int FileIsListed(DrvContext* ctx, const WCHAR* path);

// ---- Hover help ----
void HelpTipShow(DrvContext* ctx, UiPage* page, UiControl* control, int key, int x, int y);
void HelpTipHide(DrvContext* ctx);

}  // namespace vesk
