// The font substitution page: list 2385 pairs every TrueType face of the
// screen with its device font, list 2384 holds the device fonts; picking a
// device font for a face rewrites the substitution table.
#include "dialogs/font_subst.h"

#include <win/prsht.h>
#include <win/user.h>

#include <string_view>
#include <vector>

#include "core/devmode/dm_state.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr int kCtlPairs = 2385, kCtlDevice = 2384, kCtlFaceShown = 2383, kCtlUserFaceShown = 2291,
              kCtlDefault = 2386;
constexpr size_t kNameChars = 32;
constexpr int kColorMenuText = 7;

void deviceFont0(DrvContext* ctx, WCHAR* out) { GetNameListItem(ctx, 0, out, kNameChars); }

bool lineText(HWND list, int i, WCHAR* line) {
    line[0] = 0;
    const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
    if (len < 0 || size_t(len) >= kSubstLineChars) return false;
    SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(line));
    return true;
}

const WCHAR* devicePart(const WCHAR* line) { return WLen(line) >= kSubstDevicePart ? line + kSubstDevicePart : u""; }

void showFace(UiPage* page, const WCHAR* line) {
    WCHAR face[kSubstFacePart + 1] = {};
    for (size_t i = 0; i < kSubstFacePart && line[i]; ++i) face[i] = line[i];
    SetDlgItemTextW(page->window, kCtlFaceShown, face);
    SetDlgItemTextW(page->window, kCtlUserFaceShown, face);
}

void markChanged(UiPage* page) {
    if (HWND parent = GetParent(page->window)) SendMessageW(parent, PSM_CHANGED, WPARAM(page->window), 0);
}

void initPairs(DrvContext* ctx, UiPage* page, UiControl* control) {
    HWND list = control->window;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    FontEnumFill(ctx, control);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    WCHAR line[kSubstLineChars];
    if (lineText(list, 0, line)) showFace(page, line);
    if (HWND device = GetDlgItem(page->window, kCtlDevice)) {
        SendMessageW(device, LB_SETTOPINDEX, 0, 0);
        SendMessageW(device, LB_SETCURSEL, WPARAM(-1), 0);
    }
    InvalidateRect(list, nullptr, TRUE);
}

void initDeviceFonts(DrvContext* ctx, HWND list) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const uint32_t n = GetNameListCount(ctx);
    for (uint32_t i = 0; i < n; ++i) {
        WCHAR name[kNameChars] = {};
        GetNameListItem(ctx, i, name, kNameChars);
        if (name[0] && name[0] != u'@') SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void drawText(HDC dc, int x, const RECT& r, const WCHAR* text, size_t count) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text, int(count), &size);
    ExtTextOutW(dc, x, (r.top + r.bottom - size.cy) / 2, ETO_OPAQUE | ETO_CLIPPED, &r, text, UINT(count), nullptr);
}

int drawLine(HWND list, const DRAWITEMSTRUCT* dis, bool pairs) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    WCHAR line[kSubstLineChars] = {};
    if (int(dis->itemID) >= 0) lineText(list, int(dis->itemID), line);
    const bool disabled = !IsWindowEnabled(list), selected = dis->itemState & ODS_SELECTED;
    const COLORREF back = GetSysColor(disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dis->hDC, &dis->rcItem, brush);
    DeleteObject(brush);
    SetTextColor(dis->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : kColorMenuText));
    const COLORREF oldBack = SetBkColor(dis->hDC, back);
    const RECT& r = dis->rcItem;
    const int middle = (r.left + r.right) / 2;
    const size_t len = WLen(line);
    RECT left = r;
    if (pairs) left.right = middle - 1;
    drawText(dis->hDC, r.left, left, line, len < kSubstFacePart ? len : kSubstFacePart);
    if (pairs) {
        MoveToEx(dis->hDC, middle - 1, r.top, nullptr);
        LineTo(dis->hDC, middle - 1, r.bottom);
        RECT right = r;
        right.left = middle;
        const WCHAR* device = devicePart(line);
        drawText(dis->hDC, middle, right, device, WLen(device));
        MoveToEx(dis->hDC, r.left, r.bottom - 1, nullptr);
        LineTo(dis->hDC, r.right, r.bottom - 1);
    }
    SetTextColor(dis->hDC, GetSysColor(kColorMenuText));
    SetBkColor(dis->hDC, oldBack);
    if ((dis->itemAction & ODA_FOCUS) || (dis->itemState & ODS_FOCUS)) DrawFocusRect(dis->hDC, &dis->rcItem);
    return 1;
}

void pairSelected(UiPage* page, HWND pairs) {
    WCHAR line[kSubstLineChars];
    const int sel = int(SendMessageW(pairs, LB_GETCURSEL, 0, 0));
    if (sel < 0 || !lineText(pairs, sel, line)) return;
    showFace(page, line);
    HWND device = GetDlgItem(page->window, kCtlDevice);
    if (!device) return;
    const LRESULT at = SendMessageW(device, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(devicePart(line)));
    SendMessageW(device, LB_SETCURSEL, WPARAM(at), 0);
    if (at >= 0 && !IsWindowEnabled(device)) SendMessageW(device, LB_SETTOPINDEX, WPARAM(at), 0);
}

void deviceSelected(DrvContext* ctx, UiPage* page, HWND device) {
    HWND pairs = GetDlgItem(page->window, kCtlPairs);
    if (!pairs) return;
    const int line = int(SendMessageW(pairs, LB_GETCURSEL, 0, 0));
    const int font = int(SendMessageW(device, LB_GETCURSEL, 0, 0));
    WCHAR old[kSubstLineChars], name[kSubstLineChars];
    if (line < 0 || font < 0 || !lineText(pairs, line, old) || !lineText(device, font, name)) return;
    if (WLen(old) < kSubstDevicePart) return;
    WCHAR fresh[kSubstLineChars] = {};
    for (size_t i = 0; i < kSubstDevicePart; ++i) fresh[i] = old[i];
    WCopyCut(fresh + kSubstDevicePart, kSubstLineChars - kSubstDevicePart, name);
    SendMessageW(pairs, LB_INSERTSTRING, WPARAM(line), reinterpret_cast<LPARAM>(fresh));
    SendMessageW(pairs, LB_DELETESTRING, WPARAM(line + 1), 0);
    SendMessageW(pairs, LB_SETCURSEL, WPARAM(line), 0);
    FontSubstListRebuild(ctx, pairs);
    markChanged(page);
}

}  // namespace

void FontSubstLine(const WCHAR* face, const WCHAR* device, WCHAR* line) {
    size_t n = 0;
    for (; face && face[n] && n < kSubstFacePart - 1; ++n) line[n] = face[n];
    for (; n < kSubstFacePart - 1; ++n) line[n] = u' ';
    line[n++] = u' ';
    line[n++] = u'>';
    line[n++] = u' ';
    line[n] = 0;
    WCopyCut(line + n, kSubstLineChars - n, device ? device : u"");
}

int CALLBACK FontEnumProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
    auto* rq = reinterpret_cast<FontEnumRequest*>(lParam);
    if (!font || !rq || !rq->control || !rq->control->window) return 1;
    if (!(fontType & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == u'@') return 1;
    HWND c = rq->control->window;
    if (rq->control->id == kCtlPairs) {
        WCHAR device[kNameChars] = {};
        FindNameListItem(rq->ctx, font->lfFaceName, device, kNameChars);
        FontSubstLine(font->lfFaceName, device, rq->line);
        SendMessageW(c, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rq->line));
    } else {
        const LRESULT at = SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
        if (at >= 0) SendMessageW(c, CB_SETITEMDATA, WPARAM(at), LPARAM(at));
    }
    return 1;
}

void FontEnumFill(DrvContext* ctx, UiControl* control) {
    FontEnumRequest rq{ctx, control, {}};
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    EnumFontFamiliesW(screen, nullptr, FontEnumProc, reinterpret_cast<LPARAM>(&rq));
    ReleaseDC(nullptr, screen);
}

int FontSubstListRebuild(DrvContext* ctx, HWND pairs) {
    const LRESULT n = SendMessageW(pairs, LB_GETCOUNT, 0, 0);
    if (n < 0) return 0;
    WCHAR first[kNameChars];
    deviceFont0(ctx, first);
    std::vector<WCHAR> entries;
    uint32_t count = 0;
    WCHAR line[kSubstLineChars];
    for (int i = 0; i < int(n); ++i) {
        if (!lineText(pairs, i, line)) continue;
        const WCHAR* device = devicePart(line);
        if (std::u16string_view(device) == std::u16string_view(first)) continue;
        std::vector<WCHAR> pair(2 * kNameChars, 0);
        size_t end = WLen(line) < kSubstFacePart ? WLen(line) : kSubstFacePart;
        while (end > 0 && line[end - 1] == u' ') --end;
        for (size_t k = 0; k < end && k < kNameChars - 1; ++k) pair[k] = line[k];
        WCopyCut(pair.data() + kNameChars, kNameChars, device);
        entries.insert(entries.end(), pair.begin(), pair.end());
        ++count;
    }
    return SetNameList(ctx, count, count ? entries.data() : nullptr);
}

int FontSubstPageHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    if (!ctx || !page || !control || !control->window || !page->window) return 0;
    if (message == WM_COMMAND && LOWORD(wParam) != control->id) return 0;
    switch (control->id) {
        case kCtlPairs:
            if (message == WM_INITDIALOG) return initPairs(ctx, page, control), 1;
            if (message == WM_DRAWITEM) return drawLine(control->window, reinterpret_cast<DRAWITEMSTRUCT*>(lParam), true);
            if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) return pairSelected(page, control->window), 1;
            return 0;
        case kCtlDevice:
            if (message == WM_INITDIALOG) return initDeviceFonts(ctx, control->window), 1;
            if (message == WM_DRAWITEM) return drawLine(control->window, reinterpret_cast<DRAWITEMSTRUCT*>(lParam), false);
            if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE)
                return deviceSelected(ctx, page, control->window), 1;
            return 0;
        case kCtlDefault:
            if (message != WM_COMMAND) return 0;
            SetNameList(ctx, 0, nullptr);
            if (UiControl* pairs = CtlFindById(ctx, page, kCtlPairs)) CtlInit(ctx, page, pairs);
            markChanged(page);
            OnOptionControlChanged(ctx, page, 1);
            return 1;
        default: return 0;
    }
}

}  // namespace vesk
