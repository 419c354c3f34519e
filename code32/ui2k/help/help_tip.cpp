// The hover help popup: a bordered text window for a control, a list line
// or a picture-list cell, created hidden and shown by the page's one-second
// timer when the mouse still rests on the control.
#include "help/help_tip.h"

#include <win/user.h>
#include <win/wingdi.h>

#include <algorithm>

#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr size_t kTextChars = 522;
constexpr uint16_t kTypeDropList = 43, kTypeImageCombo = 48, kTypePictureList = 50;
constexpr int kPrinterPicture = 2067;
constexpr UINT kDtNoClip = 0x100, kDtExpandTabs = 0x40;

bool isDropList(const UiControl* c) { return c->type == kTypeDropList || c->type == kTypeImageCombo; }

// Width and height of `text` split at `breakChar` in the page's font.
SIZE measure(HWND page, const WCHAR* text, WCHAR breakChar) {
    SIZE total{0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return total;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(page, WM_GETFONT, 0, 0)));
    const WCHAR* line = text;
    for (const WCHAR* p = text;; ++p) {
        if (*p && *p != breakChar) continue;
        SIZE s{};
        if (!GetTextExtentPoint32W(dc, line, int(p - line), &s) || p == line) {
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            s.cy = tm.tmHeight;
        }
        total.cx = std::max(total.cx, s.cx);
        total.cy += s.cy;
        if (!*p) break;
        line = p + 1;
    }
    if (old) SelectObject(dc, old);
    DeleteDC(dc);
    return total;
}

// The picture list's cell under the point: its preset comment, with the
// point moved to the cell's centre column and middle height.
bool cellText(DrvContext* ctx, UiControl* c, HWND page, POINT* p, WCHAR* text) {
    const CtlCellSize* cell = CtlCellSizeFind(c->id);
    if (!cell || cell->width <= 0 || cell->height <= 0 || !c->window) return false;
    RECT r{};
    GetWindowRect(c->window, &r);
    POINT tl{r.left, r.top};
    ScreenToClient(page, &tl);
    if (p->x < tl.x || p->y >= tl.y + cell->height) return false;
    const int top = int(SendMessageW(c->window, LB_GETTOPINDEX, 0, 0));
    const int line = top + (p->x - tl.x) / cell->width;
    if (line < 0 || line >= int(SendMessageW(c->window, LB_GETCOUNT, 0, 0))) return false;
    p->x = tl.x + (line - top) * cell->width + cell->width / 2;
    p->y = tl.y + cell->height / 2;
    WCHAR key[kListKeyChars], raw[kTextChars] = {};
    DmSaveState(ctx);
    IniGetString(ctx->ws->printerName, FormatPresetKey(key, line, 2), u"", raw, kTextChars, GetIniFilePath(ctx));
    DmRestoreState(ctx, 1);
    size_t n = 0;
    for (size_t i = 0; raw[i] && n + 1 < kTextChars; ++i) {
        if (raw[i] == u'\\' && raw[i + 1] == u'n') text[n++] = u'\r', ++i;
        else text[n++] = raw[i];
    }
    text[n] = 0;
    return n > 0;
}

// The usable screen: the taskbar's side taken off.
RECT usableArea() {
    RECT a{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND bar = FindWindowW(u"Shell_TrayWnd", nullptr);
    RECT t{};
    if (!bar || !GetWindowRect(bar, &t)) return a;
    const int midX = a.right / 2, midY = a.bottom / 2;
    if (t.left > midX) a.right = t.left;
    else if (t.right < midX) a.left = t.right;
    else if (t.top > midY) a.bottom = t.top;
    else if (t.bottom < midY) a.top = t.bottom;
    return a;
}

void destroyTip(UiPageState* st) {
    const bool timed = st->tipTimer != 0;
    if (timed && st->tipPage) KillTimer(st->tipPage, kHelpTipTimer);
    st->tipTimer = 0;
    if (st->tipWindow) {
        if (!timed && st->tipPage && IsWindow(st->tipPage)) {
            RECT r{};
            GetWindowRect(st->tipWindow, &r);
            POINT a{r.left, r.top}, b{r.right, r.bottom};
            ScreenToClient(st->tipPage, &a);
            ScreenToClient(st->tipPage, &b);
            const RECT inPage{a.x, a.y, b.x, b.y};
            InvalidateRect(st->tipPage, &inPage, TRUE);
        }
        DestroyWindow(st->tipWindow);
    }
    st->tipWindow = nullptr;
    st->tipControlId = 0;
    st->tipKey = 0;
}

}  // namespace

void HelpTipShow(DrvContext* ctx, UiPage* page, UiControl* control, int line, int x, int y) {
    UiPageState* st = UiPageStateOf(ctx);
    if (!st) return;
    int key = x;
    if (control) {
        if (control->id == kPrinterPicture) key = y;
        if (isDropList(control))
            key = line >= 0 ? line : int(SendMessageW(control->window, CB_GETCURSEL, 0, 0));
        if (st->tipWindow && st->tipControlId == control->id && st->tipKey == key) return;
    } else if (st->tipWindow && st->tipTimer) {
        return;
    }
    destroyTip(st);
    if (!control || !page || !page->window) return;
    const bool listLine = isDropList(control) && key >= 0;
    if (!control->hoverString && !listLine && control->type != kTypePictureList) return;
    WCHAR text[kTextChars] = {};
    POINT p{x, y};
    SIZE size{};
    if (control->hoverString) {
        ResLoadString(ctx, control->hoverString, text, kTextChars, 0);
        size = measure(page->window, text, u'\n');
    } else if (listLine) {
        if (SendMessageW(control->window, CB_GETLBTEXTLEN, WPARAM(key), 0) >= LRESULT(kTextChars)) return;
        SendMessageW(control->window, CB_GETLBTEXT, WPARAM(key), reinterpret_cast<LPARAM>(text));
        size = measure(page->window, text, 0);
    } else {
        if (!cellText(ctx, control, page->window, &p, text)) return;
        size = measure(page->window, text, u'\r');
    }
    if (!text[0]) return;
    ClientToScreen(page->window, &p);
    const RECT area = usableArea();
    if (p.x + size.cx + 16 > area.right) p.x = std::max<LONG>(area.right - size.cx - 16, area.left + 16);
    if (p.y + size.cy + 12 > area.bottom) p.y = std::max<LONG>(area.bottom - size.cy - 12, area.top + 12);
    HWND tip = CreateWindowExW(0, u"STATIC", text, WS_POPUP | WS_BORDER, p.x, p.y, size.cx + 8, size.cy + 6,
                               page->window, nullptr, nullptr, nullptr);
    if (!tip) return;
    SendMessageW(tip, WM_SETFONT, WPARAM(SendMessageW(page->window, WM_GETFONT, 0, 0)), FALSE);
    st->tipWindow = tip;
    st->tipControlId = control->id;
    st->tipKey = key;
    st->tipControlWindow = control->window;
    st->tipControlType = control->type;
    st->tipPage = page->window;
    st->tipTimer = SetTimer(page->window, kHelpTipTimer, kHelpTipDelay, nullptr) ? 1 : 0;
}

void HelpTipClose(DrvContext* ctx, HWND page) {
    UiPageState* st = UiPageStateOf(ctx);
    if (st && st->tipPage == page) destroyTip(st);
}

void HelpTipHide(DrvContext* ctx) { HelpTipShow(ctx, nullptr, nullptr, -1, 0, 0); }

int HelpTipControlId(DrvContext* ctx) {
    UiPageState* st = UiPageStateOf(ctx);
    return st && st->tipWindow ? st->tipControlId : 0;
}

void HelpTipTimer(DrvContext* ctx) {
    UiPageState* st = UiPageStateOf(ctx);
    if (!st || !st->tipTimer) return;
    KillTimer(st->tipPage, kHelpTipTimer);
    st->tipTimer = 0;
    if (!st->tipWindow || !st->tipControlWindow) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT r{};
    const uint16_t t = st->tipControlType;
    if (t == 43 || t == 45 || t == 48) SendMessageW(st->tipControlWindow, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
    else GetWindowRect(st->tipControlWindow, &r);
    if (cursor.x < r.left || cursor.x >= r.right || cursor.y < r.top || cursor.y >= r.bottom) return;
    HWND focusParent = GetParent(GetFocus());
    HWND parent = GetParent(st->tipControlWindow);
    if (!focusParent || (parent != focusParent && GetParent(parent) != focusParent)) return;
    ShowWindow(st->tipWindow, SW_SHOWNOACTIVATE);
    HelpTipPaint(ctx);
}

int HelpTipFontHeight(HDC, int height) { return height; }

void HelpTipPaint(DrvContext* ctx) {
    UiPageState* st = UiPageStateOf(ctx);
    if (!st || !st->tipWindow) return;
    WCHAR text[kTextChars] = {};
    GetWindowTextW(st->tipWindow, text, int(kTextChars));
    HDC dc = GetDC(st->tipWindow);
    if (!dc) return;
    const int saved = SaveDC(dc);
    LOGFONTW lf{};
    HFONT font = nullptr;
    if (HGDIOBJ f = reinterpret_cast<HGDIOBJ>(SendMessageW(st->tipWindow, WM_GETFONT, 0, 0));
        f && GetObjectW(f, sizeof lf, &lf)) {
        lf.lfHeight = HelpTipFontHeight(dc, lf.lfHeight);
        font = CreateFontIndirectW(&lf);
        if (font) SelectObject(dc, font);
    }
    RECT r{};
    GetClientRect(st->tipWindow, &r);
    HBRUSH back = CreateSolidBrush(RGB(255, 255, 216));
    FillRect(dc, &r, back);
    DeleteObject(back);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    DrawTextW(dc, text, -1, &inner, DT_NOPREFIX | kDtNoClip | kDtExpandTabs);
    RestoreDC(dc, saved);
    if (font) DeleteObject(font);
    ReleaseDC(st->tipWindow, dc);
    ValidateRect(st->tipWindow, nullptr);
}

}  // namespace vesk
