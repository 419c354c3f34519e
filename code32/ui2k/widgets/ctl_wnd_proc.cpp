// The subclass procedure of every driver control: the page hook's first
// word, key filters and arrow stepping of edits, clicks that switch a
// choice, the hand cursor and hover help, the hold loop of repeat buttons
// and clipped painting of pictures and sliders.
#include <win/wingdi.h>
#include <win/codepage.h>
#include <win/prsht.h>
#include <win/user.h>

#include <utility>

#include "controls/ctl_ops.h"
#include "core/item.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"
#include "core/units.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"
#include "sheets/sheet_session.h"
#include "widgets/num_text.h"
#include "widgets/printer_regions.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr UINT kMsgHold = 0x8002;
constexpr UINT kMsgCancelMode = 0x001F;  // WM_CANCELMODE
constexpr UINT_PTR kHoldTimer = 2;
constexpr UINT kHoldTick = 100;
constexpr int kHoldSkip = 3;
constexpr int kHoldEmptyWakes = 10000;
constexpr uint32_t kFlagNoArrows = 0x200000;
constexpr int kStringAlnumOnly = 2;
constexpr uint16_t kCtlCheckListType = 49;
constexpr uint16_t kCtlImageListType = 47;
constexpr int kPagePicture = 2039;
constexpr int kNoHandPicture = 2164;
constexpr int kPrinterPicture = 2067;
constexpr size_t kTextChars = 522;

// The one hold that runs (UI thread): the button, whether it was started
// by the keyboard and whether something ended it from outside the loop.
struct Hold {
    HWND button = nullptr;
    bool ended = false;
};
Hold& hold() {
    static Hold h;
    return h;
}
HCURSOR& savedCursor() {
    static HCURSOR c = nullptr;
    return c;
}

LRESULT passOn(const UiControl* c, HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (c && c->previousProc) return CallWindowProcW(reinterpret_cast<WNDPROC>(c->previousProc), w, m, wp, lp);
    return DefWindowProcW(w, m, wp, lp);
}

bool isRepeatButton(const UiControl* c) { return CtlGetAttr(c, 5) != nullptr; }

void postPagePaint(UiPage* page) {
    if (page && page->window) PostMessageW(page->window, WM_PAINT, 0, 0);
}

// ---- Cursors ----
bool handUp(DrvContext* ctx) {
    const SheetSession* s = SheetSessionOf(ctx);
    return s && s->currentCursor;
}
void setHand(DrvContext* ctx, int which) {
    SheetSession* s = SheetSessionOf(ctx);
    if (!s || !s->cursors[which]) return;
    HCURSOR old = SetCursor(s->cursors[which]);
    if (!s->currentCursor) savedCursor() = old;
    s->currentCursor = 1;
}
void restoreCursor(DrvContext* ctx) {
    SheetSession* s = SheetSessionOf(ctx);
    if (!s || !s->currentCursor) return;
    SetCursor(savedCursor());
    s->currentCursor = 0;
}
bool cursorIsHand(DrvContext* ctx) {
    const SheetSession* s = SheetSessionOf(ctx);
    if (!s || !s->currentCursor) return false;
    HCURSOR now = GetCursor();
    return now && (now == s->cursors[0] || now == s->cursors[1]);
}

// ---- Keys ----
size_t charAnsiBytes(WCHAR ch) {
    const WCHAR text[2] = {ch, 0};
    return AnsiLength(text);
}

// 1 when the character may go into a text edit bound to a string item.
bool textCharAllowed(DrvContext* ctx, const UiControl* c, HWND w, WCHAR ch) {
    int maxLength = 0, kinds = 0;
    if (!c->item || !OptStringLimits(ctx, c->option, &maxLength, &kinds)) return true;
    if (ch == 8) return true;
    const bool alnum = (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z');
    if ((kinds & kStringAlnumOnly) && !alnum) return false;
    WCHAR text[kTextChars] = {};
    GetWindowTextW(w, text, int(kTextChars));
    DWORD start = 0, end = 0;
    SendMessageW(w, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    const size_t n = WideLength(text);
    if (start > end) std::swap(start, end);
    if (end > n) end = DWORD(n);
    if (start < end) {
        for (size_t i = end; i <= n; ++i) text[start + (i - end)] = text[i];
    }
    const size_t size = c->item->typeWord & 0xFFFF;
    return AnsiLength(text) + charAnsiBytes(ch) <= (size ? size - 1 : 0);
}

bool pasteAllowed(DrvContext* ctx, const UiControl* c, HWND w) {
    int maxLength = 0, kinds = 0;
    if (!c->item || !OptStringLimits(ctx, c->option, &maxLength, &kinds)) return true;
    DWORD start = 0, end = 0;
    SendMessageW(w, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    if (start != end) return true;
    WCHAR text[kTextChars] = {};
    GetWindowTextW(w, text, int(kTextChars));
    const size_t size = c->item->typeWord & 0xFFFF;
    return AnsiLength(text) < (size ? size - 1 : 0);
}

// Arrow up or down on a numeric edit: one step, or one display unit of a
// length; nothing at the limit.
void arrowStep(DrvContext* ctx, UiPage* page, UiControl* c, bool up) {
    NumRecord rec;
    if (!c->item || !NumRecordOf(ctx, c, &rec)) return;
    const int64_t step = (c->flags & kCtlLengthInDots) ? DisplayToDotsItem(ctx, 0, 1) : 1;
    const int32_t value = int32_t(CtlGetItemValue(ctx, c));
    int64_t next = up ? int64_t(value) + step : int64_t(value) - step;
    if (next > rec.maximum) next = rec.maximum;
    if (next < rec.minimum) next = rec.minimum;
    if (next == value) return;
    ItemSetValue(ctx, c->item, uint32_t(int32_t(next)));
    postPagePaint(page);
}

// ---- Clicks ----
bool usable(const UiControl* c) { return c && !c->hidden && !c->disabled && c->window && IsWindowVisible(c->window); }

// The control a click on `c` acts on: its partner by id, else by key the
// next usable control after the one whose id is the current value.
UiControl* clickTarget(DrvContext* ctx, UiControl* c, bool* passed) {
    *passed = false;
    if (!c->partner) return c;
    if (UiControl* byId = CtlFindById(ctx, nullptr, c->partner)) {
        if (byId->hidden || byId->disabled) *passed = true;
        return *passed ? nullptr : byId;
    }
    UiPageTable* t = CtxPages(ctx);
    for (int p = 0; t && p < t->count; ++p) {
        UiPage& pg = t->pages[p];
        int current = -1;
        for (int i = 0; i < pg.controlCount; ++i) {
            UiControl& k = pg.controls[i];
            if (k.key == c->partner && k.item && k.id == CtlGetItemValue(ctx, &k)) {
                current = i;
                break;
            }
        }
        if (current < 0) continue;
        for (int i = current + 1; i < pg.controlCount; ++i)
            if (pg.controls[i].key == c->partner && usable(&pg.controls[i])) return &pg.controls[i];
        for (int i = 0; i < pg.controlCount; ++i)
            if (i != current && pg.controls[i].key == c->partner && usable(&pg.controls[i])) return &pg.controls[i];
    }
    *passed = true;
    return nullptr;
}

bool pointInside(HWND w, LPARAM lp) {
    RECT r{};
    GetClientRect(w, &r);
    const POINT p{int16_t(LOWORD(lp)), int16_t(HIWORD(lp))};
    return InRect(r, p);
}

// ---- Hold loop ----
bool screenPointOn(HWND button, const MSG& m) {
    POINT p{int16_t(LOWORD(m.lParam)), int16_t(HIWORD(m.lParam))};
    ClientToScreen(m.hwnd, &p);
    RECT r{};
    GetWindowRect(button, &r);
    return InRect(r, p);
}

LRESULT holdLoop(DrvContext* ctx, UiPage* page, UiControl* c, HWND w, bool byKeyboard) {
    CtlRepeatStep(ctx, page, c);
    postPagePaint(page);
    Hold& h = hold();
    h = Hold{w, false};
    if (!byKeyboard) SetCapture(w);
    SetTimer(w, kHoldTimer, kHoldTick, nullptr);
    int skip = kHoldSkip;
    bool inside = true;
    MSG m{};
    int emptyWakes = 0;
    while (!h.ended && IsWindow(w)) {
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            // Wait for input instead of spinning; a queue that keeps waking
            // up empty ends the hold.
            WaitMessage();
            if (++emptyWakes > kHoldEmptyWakes) break;
            continue;
        }
        emptyWakes = 0;
        if (m.message == WM_QUIT) {
            PostQuitMessage(int(m.wParam));
            break;
        }
        if (m.message == kMsgHold && m.hwnd == w) break;
        if (m.message == WM_MOUSEMOVE && !byKeyboard) {
            inside = screenPointOn(w, m);
            continue;
        }
        if (m.message == WM_TIMER && m.hwnd == w && m.wParam == kHoldTimer) {
            if (skip > 0) {
                --skip;
            } else if (inside) {
                CtlRepeatStep(ctx, page, c);
                postPagePaint(page);
            }
            continue;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (IsWindow(w)) {
        KillTimer(w, kHoldTimer);
        if (GetCapture() == w) ReleaseCapture();
    }
    h = Hold{};
    return 0;
}

// ---- Hover ----
LRESULT hover(DrvContext* ctx, UiPage* page, UiControl* c, HWND w, UINT m, WPARAM wp, LPARAM lp) {
    POINT screen{int16_t(LOWORD(lp)), int16_t(HIWORD(lp))};
    // A later visible control of the page that lies over this one takes it.
    bool after = false;
    for (int i = 0; i < page->controlCount; ++i) {
        UiControl& k = page->controls[i];
        if (&k == c) {
            after = true;
            continue;
        }
        if (!after || !k.window || k.type == kCtlTab || !IsWindowVisible(k.window)) continue;
        RECT r{};
        GetWindowRect(k.window, &r);
        if (InRect(r, screen)) return passOn(c, w, m, wp, lp);
    }
    bool hand = false;
    bool placed = false;
    POINT at{};
    RECT wr{};
    GetWindowRect(w, &wr);
    if (!c->hidden && !c->disabled && c->type == kCtlPicture && c->id == kPrinterPicture) {
        // A tray's region names the tray and puts the popup at its top-right.
        c->hoverString = 0;
        int list = 0;
        RECT region{};
        const POINT p{screen.x - wr.left, screen.y - wr.top};
        if (const PictureRegion* r = PrinterPictureRegionAt(ctx, page, p, &list, &region)) {
            c->hoverString = r->value;
            at = POINT{wr.left + region.right, wr.top + region.top};
            placed = hand = true;
        }
    } else if (!c->hidden && !c->disabled) {
        if (c->type == kCtlImageListType ? c->id != kNoHandPicture : c->type == kCtlPresetList) hand = true;
        if ((c->type == kCtlPicture || c->type == kCtlIcon) && c->partner && c->option && c->id != kPagePicture) {
            bool passed = false;
            hand = clickTarget(ctx, c, &passed) != nullptr;
        }
    }
    if (hand) {
        if (!cursorIsHand(ctx)) setHand(ctx, 0);
    } else {
        restoreCursor(ctx);
    }
    if (placed) {
    } else if (c->type == kCtlPresetList) {
        at = screen;
        if (const CtlCellSize* cell = CtlCellSizeFind(c->id)) {
            if (cell->width > 0 && screen.y < wr.top + cell->height)
                at.x = (screen.x - wr.left) / cell->width * cell->width + wr.left + cell->width / 2;
        }
    } else {
        at = POINT{wr.left, wr.bottom + 4};
    }
    ScreenToClient(page->window, &at);
    HelpTipShow(ctx, page, c, c->hoverString, at.x, at.y);
    if (c->type >= 1 && c->type <= 4) return HTCLIENT;
    if (c->type == kCtlSlider && c->item) {
        NumRecord rec;
        if (NumRecordOf(ctx, c, &rec)) {
            const int32_t v = int32_t(CtlGetItemValue(ctx, c));
            const int arrow = ScrollArrowWidth();
            if ((screen.x < wr.left + arrow && v <= rec.minimum) || (screen.x >= wr.right - arrow && v >= rec.maximum))
                return HTERROR;
        }
    }
    return passOn(c, w, m, wp, lp);
}

// ---- Painting ----
void excludeSiblingsAbove(HWND w, HDC dc) {
    RECT mine{};
    GetWindowRect(w, &mine);
    for (HWND s = GetWindow(w, GW_HWNDPREV); s; s = GetWindow(s, GW_HWNDPREV)) {
        if (!IsWindowVisible(s)) continue;
        RECT r{};
        GetWindowRect(s, &r);
        if (r.left <= mine.left && r.top <= mine.top && r.right >= mine.right && r.bottom >= mine.bottom) continue;
        POINT a{r.left, r.top}, b{r.right, r.bottom};
        ScreenToClient(w, &a);
        ScreenToClient(w, &b);
        ExcludeClipRect(dc, a.x, a.y, b.x, b.y);
    }
}

LRESULT paint(DrvContext* ctx, UiPage* page, UiControl* c, HWND w) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(w, &ps);
    if (dc) {
        excludeSiblingsAbove(w, dc);
        PictureState& st = PicState();
        HDC previous = st.sharedDC;
        st.sharedDC = dc;
        if (c->type == kCtlPicture)
            CtlPictureDraw(ctx, page, c, dc);
        else
            SliderPaint(ctx, page, c);
        st.sharedDC = previous;
    }
    EndPaint(w, &ps);
    return 0;
}

}  // namespace

int CtlRepeatStep(DrvContext* ctx, UiPage* page, UiControl* button) {
    const auto* attr = static_cast<const UiAttrRepeat*>(CtlGetAttr(button, 5));
    for (uint16_t i = 0; attr && attr->entries && i < attr->count; ++i) {
        UiControl* target = CtlFindById(ctx, page, attr->entries[i].controlId);
        NumRecord rec;
        if (!target || !target->item || !NumRecordOf(ctx, target, &rec)) continue;
        int64_t v = int64_t(int32_t(CtlGetItemValue(ctx, target))) + attr->entries[i].step;
        if (v > rec.maximum) v = rec.maximum;
        if (v < rec.minimum) v = rec.minimum;
        CtlSetItemValue(ctx, target, uint32_t(int32_t(v)));
    }
    return 1;
}

LRESULT CALLBACK CtlWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* c = reinterpret_cast<UiControl*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!c) return 0;
    DrvContext* ctx = CtlContextOf(w);
    UiPage* page = CtlPageOf(ctx, w);
    if (!ctx || !page) return passOn(c, w, m, wp, lp);
    // Whatever ends the hold from outside its loop.
    if ((m == kMsgCancelMode || m == WM_CAPTURECHANGED || m == WM_DESTROY) && hold().button == w) hold().ended = true;
    if (PageCtrlChanged(ctx, page, c, m, wp, lp) == 1) return 0;
    const bool repeat = isRepeatButton(c);
    switch (m) {
    case WM_CHAR:
        if (c->type == kCtlCheckListType) CtlMessage(ctx, page, c, m, wp, lp);
        if (c->type == kCtlNumEdit && !(wp == 8 || wp == u'.' || (wp >= u'0' && wp <= u'9'))) return 0;
        if (c->type == kCtlEdit && !textCharAllowed(ctx, c, w, WCHAR(wp))) return 0;
        break;
    case WM_PASTE:
        if (c->type == kCtlEdit && !pasteAllowed(ctx, c, w)) return 0;
        break;
    case WM_KEYDOWN:
        if (c->type == kCtlNumEdit && (wp == VK_UP || wp == VK_DOWN) && !(c->flags & kFlagNoArrows)) {
            arrowStep(ctx, page, c, wp == VK_UP);
            return 0;
        }
        if (wp == VK_SPACE && repeat) {
            setHand(ctx, 1);
            PostMessageW(w, kMsgHold, m, 0);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (m == WM_LBUTTONDOWN && handUp(ctx)) setHand(ctx, 1);
        if (repeat) PostMessageW(w, kMsgHold, m, 0);
        if (c->type == kCtlSlider) {
            if (c->hidden || c->disabled) return 0;
            NumRecord rec;
            if (c->item && NumRecordOf(ctx, c, &rec) && pointInside(w, lp)) {
                RECT r{};
                GetClientRect(w, &r);
                const int x = int16_t(LOWORD(lp)), arrow = ScrollArrowWidth();
                const int32_t v = int32_t(CtlGetItemValue(ctx, c));
                if ((x < r.left + arrow && v <= rec.minimum) || (x >= r.right - arrow && v >= rec.maximum)) return 0;
                HelpTipHide(ctx);
                return passOn(c, w, m, wp, lp);
            }
        }
        break;
    case WM_RBUTTONDOWN:
        if (wp & MK_LBUTTON) PostMessageW(w, WM_LBUTTONUP, wp, lp);
        break;
    case WM_KEYUP:
        if (wp == VK_SPACE && repeat) {
            PostMessageW(w, kMsgHold, 0, 0);
            if (handUp(ctx)) setHand(ctx, 0);
        }
        break;
    case WM_LBUTTONUP: {
        PostMessageW(w, kMsgHold, 0, 0);
        if (handUp(ctx)) setHand(ctx, 0);
        if (c->type == kCtlCheckListType) CtlMessage(ctx, page, c, m, wp, lp);
        if (c->type == kCtlSlider && (c->hidden || c->disabled)) return 0;
        if (c->type == kCtlPicture && c->id == kPrinterPicture && pointInside(w, lp)) {
            int list = 0;
            const POINT p{int16_t(LOWORD(lp)), int16_t(HIWORD(lp))};
            if (const PictureRegion* r = PrinterPictureRegionAt(ctx, page, p, &list, nullptr)) {
                CtlSelectByData(ctx, page, list, r->value);
                postPagePaint(page);
                if (page->window) SendMessageW(GetParent(page->window), PSM_CHANGED, WPARAM(page->window), 0);
            }
            return 0;
        }
        if ((c->type == kCtlPicture || c->type == kCtlIcon || handUp(ctx)) && pointInside(w, lp)) {
            bool passed = false;
            UiControl* target = clickTarget(ctx, c, &passed);
            if (!target) break;
            const CtlTypeRow* row = CtlTypeFind(target->type);
            if (row && row->click && row->click(ctx, page, target, m, wp, lp)) {
                if (target->window) SetFocus(target->window);
                postPagePaint(page);
                return 0;
            }
        }
        break;
    }
    case kMsgHold:
        if (wp && repeat) return holdLoop(ctx, page, c, w, wp == WM_KEYDOWN);
        return 0;
    case WM_MOUSEMOVE:
        if ((wp & MK_LBUTTON) && handUp(ctx)) setHand(ctx, 1);
        break;
    case WM_NCHITTEST:
        return hover(ctx, page, c, w, m, wp, lp);
    case WM_SETCURSOR:
        if (cursorIsHand(ctx)) return 1;
        break;
    case WM_ERASEBKGND:
        if (c->type == kCtlImageListType || c->type == kCtlPresetList || (c->type == kCtlPicture && c->id == kPagePicture)) {
            RECT r{};
            GetClientRect(w, &r);
            const SheetSession* s = SheetSessionOf(ctx);
            HBRUSH brush = (c->disabled && s && s->faceBrush) ? s->faceBrush
                           : (c->type != kCtlImageListType && s && s->whiteBrush)
                               ? s->whiteBrush
                               : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            FillRect(reinterpret_cast<HDC>(wp), &r, brush);
            return 1;
        }
        break;
    case WM_PAINT:
        if (c->type == kCtlPicture || c->type == kCtlSlider) return paint(ctx, page, c, w);
        break;
    case WM_KILLFOCUS:
        if (c->type == kCtlNumEdit) CtlMessage(ctx, page, c, m, wp, lp);
        if (c->type == kCtlSlider) InvalidateRect(w, nullptr, FALSE);
        break;
    default:
        break;
    }
    return passOn(c, w, m, wp, lp);
}

LRESULT CALLBACK CtlButtonWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (!GetWindowLongPtrW(w, GWLP_USERDATA)) return 0;
    return CtlWndProc(w, m, wp, lp);
}

}  // namespace vesk
