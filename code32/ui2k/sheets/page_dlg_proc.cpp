// The page procedure every driver page forwards to, for now in its plain
// form: it binds the page and its controls to the context, prepares the
// controls once per sheet, shows the controls the template shows, runs the
// init hook of page 1003 and applies from the sheet's main page. Control
// dispatch and the page hooks come with the control framework.
#include <win/user.h>

#include "core/ui_lookup.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

constexpr int kPage1003 = 1003;

void bindPage(DrvContext* ctx, UiPage* page, HWND window) {
    page->window = window;
    for (int i = 0; i < page->controlCount; ++i) {
        UiControl& c = page->controls[i];
        c.window = GetDlgItem(window, c.secondId ? c.secondId : c.id);
    }
    (void)ctx;
}

void unbindPage(UiPage* page) {
    page->window = nullptr;
    for (int i = 0; i < page->controlCount; ++i) page->controls[i].window = nullptr;
}

}  // namespace

INT_PTR CALLBACK PageDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* ctx = psp ? reinterpret_cast<DrvContext*>(psp->lParam) : nullptr;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
        SheetSession* s = SheetSessionOf(ctx);
        UiPage* page = s ? PageFindById(ctx, s->currentPageId) : nullptr;
        if (!page) return TRUE;
        SheetPrepareControls(ctx, page);
        bindPage(ctx, page, window);
        for (uint32_t i = 0; i < s->shownCount; ++i) ShowWindow(s->shownChildren[i], SW_SHOW);
        s->shownCount = 0;
        if (page->id == kPage1003) Page1003InitHook(ctx, page, nullptr, message, wParam, lParam);
        return TRUE;
    }
    auto* ctx = reinterpret_cast<DrvContext*>(GetWindowLongPtrW(window, DWLP_USER));
    SheetSession* s = SheetSessionOf(ctx);
    if (!s) return FALSE;
    UiPage* page = PageFindByWindow(ctx, window);
    if (message == WM_NOTIFY && lParam) {
        const auto* n = reinterpret_cast<const NMHDR*>(lParam);
        if (n->code == PSN_SETACTIVE && page) s->currentPageId = page->id;
        if (n->code == PSN_APPLY) {
            if (page && page->id == s->mainPageId) SheetApply(ctx);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_DESTROY && page) unbindPage(page);
    return FALSE;
}

}  // namespace vesk
