// Re-initialising the controls that depend on presets, trays, output and
// paper, and the tray status controls of the status pages.
#include <win/wingdi.h>
#include <win/user.h>

#include <algorithm>

#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/validation/option_helpers.h"
#include "core/wstr.h"
#include "hooks/page_hooks.h"
#include "pictures/pictures.h"
#include "pipeline/ui_pipeline.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr PageCtrlPair kList2007[] = {{1001, 2007}, {1002, 2007}, {0, 0}};
constexpr PageCtrlPair kList2011[] = {{1001, 2011}, {1002, 2066}, {0, 0}};
constexpr PageCtrlPair kList2017[] = {{1001, 2017}, {1001, 2023}, {1002, 2017}, {1002, 2053}, {0, 0}};
constexpr PageCtrlPair kList2085[] = {{1003, 2085}, {1003, 2087}, {0, 0}};
constexpr PageCtrlPair kPresetLists[] = {{1007, 2139}, {1001, 2001}, {1002, 2036}, {1002, 2388}, {1003, 2078},
                                         {1003, 2389}, {1004, 2095}, {1004, 2390}, {1005, 2109}, {1005, 2391},
                                         {0, 0}};
constexpr uint32_t kPresetFirstValue = 119;

constexpr int kItemTrayMedia = 10207;
constexpr int kItemTrayPaper = 10175;
constexpr int kItemTrayOrient = 10143;
constexpr uint16_t kBmpTrayPortrait = 6193;
constexpr uint16_t kBmpTrayLandscape = 6194;
constexpr uint32_t kModelSwapped = 128;
constexpr int kItemModelId = 39;  // the machine id of the model
constexpr size_t kTextChars = 261;
constexpr int kColorMenuText = 7;  // the system colour of menu text

struct Found {
    UiPage* page;
    UiControl* control;
};

Found findShown(DrvContext* ctx, PageCtrlPair p) {
    UiPage* page = PageFindById(ctx, p.pageId);
    if (!page || !page->window) return {nullptr, nullptr};
    UiControl* c = CtlFindById(ctx, page, p.controlId);
    return {page, c && c->window ? c : nullptr};
}

// The string named by an item's value read through another control's map.
void mappedString(DrvContext* ctx, UiPage* page, int controlId, int itemId, WCHAR* out, size_t chars) {
    out[0] = 0;
    UiControl* c = CtlFindById(ctx, page, controlId);
    const uint32_t raw = ItemRawById(ctx, itemId);
    const uint32_t id = c && c->item ? ItemMapToValue(ctx, c->item, raw) : raw;
    if (id) ResLoadString(ctx, id, out, chars, 0);
}

}  // namespace

void PagesRefreshCtrls(DrvContext* ctx, const PageCtrlPair* list) {
    for (const PageCtrlPair* p = list; ctx && p && p->pageId; ++p) {
        const Found f = findShown(ctx, *p);
        if (f.control) CtlInit(ctx, f.page, f.control);
    }
}

void PagesRefreshCtrl2007(DrvContext* ctx) { PagesRefreshCtrls(ctx, kList2007); }
void PagesRefreshCtrls2011(DrvContext* ctx) { PagesRefreshCtrls(ctx, kList2011); }
void PagesRefreshCtrls2017(DrvContext* ctx) { PagesRefreshCtrls(ctx, kList2017); }
void PagesRefreshCtrls2085(DrvContext* ctx) { PagesRefreshCtrls(ctx, kList2085); }

void PagesRefreshPresetLists(DrvContext* ctx) {
    if (!ctx) return;
    const uint32_t count = uint32_t(GetPresetCount(ctx));
    for (const PageCtrlPair* p = kPresetLists; p->pageId; ++p) {
        const Found f = findShown(ctx, *p);
        if (!f.control) continue;
        if (p->controlId == 2139 || p->controlId == 2001) {
            // A new preset (118) keeps its value; a slot past the list does not.
            const int64_t slot = int64_t(CtlGetItemValue(ctx, f.control)) - kPresetFirstValue;
            if (slot >= int64_t(count)) CtlSetItemValue(ctx, f.control, kPresetFirstValue);
        }
        CtlInit(ctx, f.page, f.control);
    }
}

void PagesRefreshStampList(DrvContext* ctx) {
    if (!ctx || GetOptionValue63Or120(ctx) == -1) return;
    const Found f = findShown(ctx, {1003, 2089});
    if (!f.control) return;
    SendMessageW(f.control->window, CB_RESETCONTENT, 0, 0);
    CtlInit(ctx, f.page, f.control);
}

int StatusCtlPaint(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, int tray) {
    if (!ctx || !page || !control || !control->window) return 0;
    HWND w = control->window;
    if (message == WM_ERASEBKGND) {
        InvalidateRect(w, nullptr, FALSE);
        return 0;
    }
    if (message != WM_PAINT) return 0;
    PAINTSTRUCT ps{};
    HDC paintDc = BeginPaint(w, &ps);
    HDC own = CtlGetPaintDC(ctx, w);
    HDC dc = own ? own : paintDc;
    if (!dc) {
        EndPaint(w, &ps);
        return 0;
    }
    const COLORREF oldText = SetTextColor(dc, GetSysColor(IsWindowEnabled(w) ? kColorMenuText : COLOR_GRAYTEXT));
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(page->window, WM_GETFONT, 0, 0)));
    const COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    RECT r{};
    GetClientRect(w, &r);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, face);
    DeleteObject(face);

    WCHAR text[kTextChars] = {};
    GetWindowTextW(w, text, int(kTextChars));
    SIZE ext{};
    const int len = int(WLen(text));
    GetTextExtentPoint32W(dc, len ? text : u"X", len ? len : 1, &ext);
    RECT part = r;
    if (len) {
        DrawTextW(dc, text, len, &part, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        part.left += ext.cx;
    }
    if (CtlFindById(ctx, page, 2168)) {
        WCHAR media[kTextChars] = u"/";
        if (CtlFindById(ctx, page, 2170)) mappedString(ctx, page, 2170, kItemTrayMedia + tray, media + 1, kTextChars - 1);
        WCHAR paper[kTextChars];
        mappedString(ctx, page, 2168, kItemTrayPaper + tray, paper, kTextChars);
        SIZE mediaExt{};
        GetTextExtentPoint32W(dc, media, int(WLen(media)), &mediaExt);
        const int square = ext.cy;
        RECT paperRect = part;
        paperRect.right = std::max<LONG>(part.left, part.right - square - mediaExt.cx);
        DrawTextW(dc, paper, int(WLen(paper)), &paperRect,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SIZE paperExt{};
        GetTextExtentPoint32W(dc, paper, int(WLen(paper)), &paperExt);
        const LONG x = std::min<LONG>(paperRect.left + paperExt.cx, paperRect.right);
        bool portrait = ItemRawById(ctx, kItemTrayOrient + tray) != 0;
        if (ItemRawById(ctx, kItemModelId) == kModelSwapped) portrait = !portrait;
        RECT sq{x, (r.top + r.bottom - square) / 2, x + square, (r.top + r.bottom + square) / 2};
        DrawBitmapComposite(ctx, page, control, dc, &sq, sq.left, sq.top,
                            BitmapSourceId(portrait ? kBmpTrayPortrait : kBmpTrayLandscape), 0, 0);
        RECT mediaRect{x + square, r.top, r.right, r.bottom};
        DrawTextW(dc, media, int(WLen(media)), &mediaRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    SetBkColor(dc, oldBk);
    if (own) CtlReleasePaintDC(ctx, w, own);
    EndPaint(w, &ps);
    SetTextColor(paintDc, oldText);
    return 0;
}

}  // namespace vesk
