// The driver's pages in a property sheet: one page per page record of the
// sheet, the frame's OK button relabelled for a sub-sheet, and the frame
// watched for the pages' change reports.
#include <win/user.h>

#include <algorithm>
#include <vector>

#include "core/item_store.h"
#include "core/model/constraints.h"
#include "core/os_version.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

constexpr uint32_t kMaskOkFirst = 0x80000000u;   // OK labelled 372, id 11111
constexpr uint32_t kMaskOkSecond = 0x40000000u;  // OK labelled 373, id 22222
constexpr uint32_t kMaskRelabelled = 0x800000u;
constexpr uint32_t kStringOkFirst = 372;
constexpr uint32_t kStringOkSecond = 373;
constexpr int kIdOkFirst = 11111;
constexpr int kIdOkSecond = 22222;

// Frames being watched (a page may open a sheet of its own), with the
// context of their sheet and the procedure they had (one UI thread).
struct WatchedFrame {
    HWND frame;
    DrvContext* ctx;
    LONG_PTR previous;
};
// A static of the library, so unloading the library frees it.
std::vector<WatchedFrame>& watchedFrames() {
    static std::vector<WatchedFrame> v;
    return v;
}

// Puts a frame's own procedure back (when it is still ours) and forgets it.
void unwatch(std::vector<WatchedFrame>::iterator it);

// The frame's procedure while a session watches it: a page's change report
// marks the session changed, then the frame handles it as before.
LRESULT CALLBACK frameHook(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& v = watchedFrames();
    auto it = std::find_if(v.begin(), v.end(), [&](const WatchedFrame& e) { return e.frame == frame; });
    if (it == v.end()) return DefWindowProcW(frame, message, wParam, lParam);
    if (message == PSM_CHANGED)
        if (SheetSession* s = SheetSessionOf(it->ctx)) s->changed = 1;
    const LONG_PTR previous = it->previous;
    if (message == WM_NCDESTROY) unwatch(it);
    return CallWindowProcW(reinterpret_cast<WNDPROC>(previous), frame, message, wParam, lParam);
}

void unwatch(std::vector<WatchedFrame>::iterator it) {
    if (IsWindow(it->frame) && GetWindowLongPtrW(it->frame, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&frameHook))
        SetWindowLongPtrW(it->frame, GWLP_WNDPROC, it->previous);
    watchedFrames().erase(it);
}

void watchFrame(DrvContext* ctx, HWND frame) {
    auto& v = watchedFrames();
    if (!frame || std::any_of(v.begin(), v.end(), [&](const WatchedFrame& e) { return e.frame == frame; })) return;
    const LONG_PTR previous = GetWindowLongPtrW(frame, GWLP_WNDPROC);
    if (!previous) return;
    v.push_back(WatchedFrame{frame, ctx, previous});
    SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frameHook));
}

RECT rectInParent(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(parent, &a);
    ScreenToClient(parent, &b);
    return RECT{a.x, a.y, b.x, b.y};
}

void setButton(DrvContext* ctx, SheetSession* s, HWND button, uint32_t stringId, int id) {
    s->buttonText[0] = 0;
    ResLoadString(ctx, stringId, s->buttonText, kSheetTextChars, 0);
    SetWindowTextW(button, s->buttonText);
    SetWindowLongPtrW(button, GWLP_ID, id);
}

// A page opened as a sub-sheet relabels the frame's OK button (and may add
// a second one left of it) as the change mask asks.
void relabelOk(DrvContext* ctx, SheetSession* s, HWND frame) {
    const uint32_t mask = ChangeMaskGet(ctx);
    if (!(mask & (kMaskOkFirst | kMaskOkSecond))) return;
    HWND ok = GetDlgItem(frame, IDOK), cancel = GetDlgItem(frame, IDCANCEL);
    if (!ok) return;
    const RECT o = rectInParent(ok, frame);
    const RECT c = cancel ? rectInParent(cancel, frame) : RECT{o.right, o.top, o.right, o.bottom};
    const int height = o.bottom - o.top;
    const int width = (o.right - o.left) * 4 / 3;
    const int left = o.right - width;
    MoveWindow(ok, left, o.top, width, height, TRUE);
    if ((mask & kMaskOkFirst) && (mask & kMaskOkSecond)) {
        s->buttonText[0] = 0;
        ResLoadString(ctx, kStringOkFirst, s->buttonText, kSheetTextChars, 0);
        const DWORD style = DWORD(GetWindowLongPtrW(ok, GWL_STYLE)) & ~DWORD(BS_DEFPUSHBUTTON);
        const DWORD exStyle = DWORD(GetWindowLongPtrW(ok, GWL_EXSTYLE));
        HWND extra = CreateWindowExW(exStyle, u"BUTTON", s->buttonText, style, 2 * left - c.left, c.top, width,
                                     height, frame, reinterpret_cast<HMENU>(intptr_t(kIdOkFirst)), nullptr, nullptr);
        if (extra) {
            SetWindowLongPtrW(extra, GWLP_WNDPROC, GetWindowLongPtrW(ok, GWLP_WNDPROC));
            SetWindowLongPtrW(extra, GWLP_USERDATA, GetWindowLongPtrW(ok, GWLP_USERDATA));
            SendMessageW(extra, WM_SETFONT, WPARAM(SendMessageW(ok, WM_GETFONT, 0, 0)), TRUE);
        }
        ChangeMaskClear(ctx, kMaskOkFirst);
    }
    if (ChangeMaskGet(ctx) & kMaskOkFirst) {
        setButton(ctx, s, ok, kStringOkFirst, kIdOkFirst);
        ChangeMaskClear(ctx, kMaskOkFirst);
    } else if (ChangeMaskGet(ctx) & kMaskOkSecond) {
        setButton(ctx, s, ok, kStringOkSecond, kIdOkSecond);
        ChangeMaskClear(ctx, kMaskOkSecond);
    }
    ChangeMaskAdd(ctx, kMaskRelabelled);
    FixAppWindowProcs(ctx, frame);
}

// Every child of the page is hidden; the ones the template showed (the page
// itself is not shown yet) are kept for the page procedure.
void hideChildren(SheetSession* s, HWND page) {
    s->shownCount = 0;
    for (HWND w = GetTopWindow(page); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) && s->shownCount < kSheetMaxChildren) s->shownChildren[s->shownCount++] = w;
        ShowWindow(w, SW_HIDE);
    }
}

}  // namespace

void SheetUnwatchFrames(DrvContext* ctx) {
    auto& v = watchedFrames();
    for (auto it = v.begin(); it != v.end();) {
        if (it->ctx != ctx) {
            ++it;
            continue;
        }
        const size_t at = size_t(it - v.begin());
        unwatch(it);
        it = v.begin() + std::ptrdiff_t(at);
    }
}

PROPSHEETPAGEW SheetPageRecord(DrvContext* ctx, const UiPage& pg, HMODULE strings) {
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = PSP_HASHELP;
    psp.hInstance = strings;
    psp.pszTemplate = MAKEINTRESOURCEW(pg.id);
    psp.pfnDlgProc = &SheetPageDlgProc;
    psp.lParam = reinterpret_cast<LPARAM>(ctx);
    return psp;
}

INT_PTR SheetRunPages(DrvContext* ctx, const PROPSHEETPAGEW* pages, UINT count, UINT start, HWND parent,
                      HMODULE strings, const WCHAR* caption) {
    WCHAR name[kSheetTextChars] = {};
    if (!caption) {
        if (const WCHAR* printer = PrnGetPrinterName(ctx))
            for (size_t i = 0; printer[i] && i + 1 < kSheetTextChars; ++i) name[i] = printer[i];
        caption = name;
    }
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP | (OsIsNt6OrLater() ? PSH_NOCONTEXTHELP : 0);
    h.hwndParent = parent;
    h.hInstance = strings;
    h.pszCaption = caption;
    h.nPages = count;
    h.nStartPage = start;
    h.ppsp = pages;
    return PropertySheetW(&h);
}

int SheetAddPages(DrvContext* ctx, int kind) {
    SheetSession* s = SheetSessionOf(ctx);
    const UiPageTable* t = s ? CtxPages(ctx) : nullptr;
    if (!s || !s->comFunction || !s->comHandle || !t) return 0;
    s->changed = 0;
    HMODULE strings = ResGetStringDll(ctx);
    int added = 0;
    for (int i = 0; i < t->count; ++i) {
        const UiPage& pg = t->pages[i];
        if (!(pg.kind & kind)) continue;
        if (pg.key && MdlKeyCond1Holds(ctx, pg.key)) continue;
        const PROPSHEETPAGEW psp = SheetPageRecord(ctx, pg, strings);
        HPROPSHEETPAGE page = CreatePropertySheetPageW(&psp);
        if (!page) continue;
        if (s->comFunction(s->comHandle, CPSFUNC_ADD_HPROPSHEETPAGE, reinterpret_cast<LPARAM>(page), 0)) ++added;
        else DestroyPropertySheetPage(page);
    }
    return added;
}

INT_PTR CALLBACK SheetPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* ctx = psp ? reinterpret_cast<DrvContext*>(psp->lParam) : nullptr;
        SheetSession* s = SheetSessionOf(ctx);
        if (s && IS_INTRESOURCE(psp->pszTemplate)) {
            s->currentPageId = uint16_t(reinterpret_cast<uintptr_t>(psp->pszTemplate));
            if (!s->mainPageId) s->mainPageId = s->currentPageId;
            HWND frame = GetParent(page);
            watchFrame(ctx, frame);
            relabelOk(ctx, s, frame);
            hideChildren(s, page);
        }
    } else if (message == WM_NOTIFY && lParam) {
        const auto* n = reinterpret_cast<const NMHDR*>(lParam);
        auto* ctx = reinterpret_cast<DrvContext*>(GetWindowLongPtrW(page, DWLP_USER));
        // Cancel: what the pages changed is dropped, and so is the mark.
        if (n->code == PSN_RESET)
            if (SheetSession* s = SheetSessionOf(ctx)) s->changed = 0;
    }
    return PageDlgProc(page, message, wParam, lParam);
}

}  // namespace vesk
