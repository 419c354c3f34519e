// Owner-drawn entries of image lists, image combos and check lists, their
// list colours, and the toggling of a check list's entries.
#include <win/user.h>
#include <win/wingdi.h>

#include "controls/ctl_ops.h"
#include "controls/ctl_text.h"
#include "controls/ctl_values.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pictures/pictures.h"
#include "pipeline/ui_pipeline.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

constexpr int kColorMenuText = 7;  // the menu text colour

constexpr size_t kTextChars = 522;
constexpr int kQualityList = 2134;
constexpr uint16_t kBitmapLists[] = {2085, 2087, 2100, 2102, 2457};
constexpr int kCheckOn = 7003, kCheckOff = 7001, kCheckOnGrey = 7004, kCheckOffGrey = 7002;

bool drawsEntry(const DRAWITEMSTRUCT* d) { return d && (d->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)); }

bool isBitmapList(int id) {
    for (uint16_t b : kBitmapLists)
        if (b == id) return true;
    return false;
}

bool disabled(const UiControl* c) { return c->disabled || !IsWindowEnabled(c->window); }

COLORREF backOf(const UiControl* c, const DRAWITEMSTRUCT* d) {
    if (disabled(c)) return GetSysColor(COLOR_BTNFACE);
    return GetSysColor((d->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void drawBitmap(DrvContext* ctx, UiPage* page, UiControl* c, HDC dc, const RECT& r, int id) {
    DrawBitmapComposite(ctx, page, c, dc, &r, r.left, r.top, BitmapSourceId(uint32_t(id)), 0, 0);
}

void textAt(HDC dc, const RECT& r, int x, const WCHAR* text) {
    SIZE s{};
    int len = 0;
    while (text[len]) ++len;
    GetTextExtentPoint32W(dc, text, len, &s);
    const int y = r.top + ((r.bottom - r.top) - s.cy) / 2;
    ExtTextOutW(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &r, text, UINT(len), nullptr);
}

// Entry text, colours, the marked picture and the focus rectangle of one
// list or combo entry.
int drawEntry(DrvContext* ctx, UiPage* page, UiControl* c, const DRAWITEMSTRUCT* d, bool combo) {
    HDC dc = d->hDC;
    const RECT r = d->rcItem;
    const COLORREF back = backOf(c, d);
    const COLORREF oldBack = SetBkColor(dc, back);
    WCHAR text[kTextChars] = {};
    const int index = int(d->itemID);
    if (index >= 0) {
        if (combo) SendMessageW(c->window, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
        else if (c->id == kQualityList) FormatOneIntQuality(text, index);
        else SendMessageW(c->window, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    }
    if (combo && (d->itemState & ODS_SELECTED) && SendMessageW(c->window, CB_GETDROPPEDSTATE, 0, 0)) {
        RECT w{};
        GetWindowRect(c->window, &w);
        POINT p{w.right, w.bottom};
        if (page && page->window) ScreenToClient(page->window, &p);
        HelpTipShow(ctx, page, c, index, p.x, p.y + r.top);
    }
    if (!combo && isBitmapList(c->id)) {
        fill(dc, r, back);
        if (index >= 0) drawBitmap(ctx, page, c, dc, r, int(d->itemData));
    } else {
        const UiAttrChoice* a = static_cast<const UiAttrChoice*>(CtlGetAttr(c, kAttrChoice));
        const bool marked = index >= 0 && a && a->refuse && a->pictureKey &&
                            CtlValueMarked(ctx, c->option, uint32_t(d->itemData));
        if (marked) {
            const int h = r.bottom - r.top;
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            textAt(dc, r, r.left + h, text);
            const RECT square{r.left, r.top, r.left + h, r.bottom};
            PreviewDrawImage(ctx, page, c, c->window, &square, int(a->pictureKey), 0, 0);
        } else {
            int colour = kColorMenuText;
            if (disabled(c)) colour = COLOR_GRAYTEXT;
            else if (d->itemState & ODS_SELECTED) colour = COLOR_HIGHLIGHTTEXT;
            SetTextColor(dc, GetSysColor(colour));
            textAt(dc, r, r.left, text);
        }
    }
    SetTextColor(dc, GetSysColor(kColorMenuText));
    SetBkColor(dc, oldBack);
    if ((d->itemAction & ODA_FOCUS) || (d->itemState & ODS_FOCUS)) DrawFocusRect(dc, &r);
    return 1;
}

// The list colour message of the control's own window: the disabled or
// the white brush as the page's result.
int listColour(DrvContext* ctx, UiPage* page, UiControl* c, LPARAM lParam, bool stockWhite) {
    if (reinterpret_cast<HWND>(lParam) != c->window || !page || !page->window) return 0;
    SheetSession* s = SheetSessionOf(ctx);
    HBRUSH brush = nullptr;
    if (disabled(c)) brush = s ? s->faceBrush : nullptr;
    else brush = stockWhite || !s ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)) : s->whiteBrush;
    SetWindowLongPtrW(page->window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(brush));
    return 1;
}

const uint16_t* checkListItems(const UiControl* c) { return static_cast<const uint16_t*>(c->attribute); }

}  // namespace

void FormatOneIntQuality(WCHAR* out, int index) {
    static const WCHAR kFormat[] = u"\u5370\u5237\u54c1\u8cea No.%d";
    FormatOneInt(kFormat, index, out, kTextChars);
}

int CtlImageListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM, LPARAM lParam) {
    if (!control) return 0;
    if (message == WM_CTLCOLORLISTBOX) return listColour(ctx, page, control, lParam, true);
    if (message != WM_DRAWITEM) return 0;
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return drawsEntry(d) ? drawEntry(ctx, page, control, d, false) : 0;
}

int CtlComboMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM, LPARAM lParam) {
    if (!control || message != WM_DRAWITEM) return 0;
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return drawsEntry(d) ? drawEntry(ctx, page, control, d, true) : 0;
}

int CtlCheckListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    if (!control) return 0;
    if (message == WM_CTLCOLORLISTBOX) return listColour(ctx, page, control, lParam, false);
    const uint16_t* items = checkListItems(control);
    if (message == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!drawsEntry(d) || LOWORD(wParam) != control->id || !d->itemData || !items) return 0;
        const int index = int(d->itemID);
        const bool on = index >= 0 && ItemValueById(ctx, items[1 + index]) != 0;
        const bool grey = disabled(control) || CtlValueMarked(ctx, control->option, uint32_t(d->itemData));
        HDC dc = d->hDC;
        const RECT r = d->rcItem;
        fill(dc, r, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
        drawBitmap(ctx, page, control, dc, r, grey ? (on ? kCheckOnGrey : kCheckOffGrey) : (on ? kCheckOn : kCheckOff));
        WCHAR text[kTextChars];
        CtlLoadText(ctx, uint32_t(d->itemData), text, kTextChars);
        SIZE s{};
        GetTextExtentPoint32W(dc, u"M", 1, &s);
        SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : kColorMenuText));
        SetBkMode(dc, TRANSPARENT);
        textAt(dc, r, r.left + 2 * s.cy, text);
        SetTextColor(dc, GetSysColor(kColorMenuText));
        if ((d->itemAction & ODA_FOCUS) || (d->itemState & ODS_FOCUS)) DrawFocusRect(dc, &r);
        return 1;
    }
    const bool toggle = message == WM_LBUTTONUP || (message == WM_CHAR && wParam == VK_SPACE);
    if (!toggle) return 0;
    if (items && IsWindowEnabled(control->window)) {
        const LRESULT at = SendMessageW(control->window, LB_GETCURSEL, 0, 0);
        if (at >= 0) {
            const int id = items[1 + at];
            ItemSetValueById(ctx, id, ItemValueById(ctx, id) ? 0 : 1);
            InvalidateRect(control->window, nullptr, FALSE);
        }
    }
    if (page && page->window) SendMessageW(GetParent(page->window), PSM_CHANGED, WPARAM(page->window), 0);
    OnOptionControlChanged(ctx, page, 0);
    return 0;
}

}  // namespace vesk
