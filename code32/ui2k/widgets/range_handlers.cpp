// Spins, sliders and trackbars: a value moved along its range.
#include <win/wingdi.h>
#include <win/comctl_controls.h>
#include <win/modules.h>

#include "core/sysdeps.h"
#include <win/prsht.h>
#include <win/user.h>
#include <win/uxtheme.h>

#include "controls/ctl_ops.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"
#include "core/units.h"
#include "pipeline/ui_pipeline.h"
#include "widgets/num_text.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr int32_t kSpinDefaultMin = -100, kSpinDefaultMax = 100;
constexpr int32_t kSliderDefaultMin = 0, kSliderDefaultMax = 200;
constexpr int kSliderLine = 1, kSliderPage = 10;
constexpr WORD kScrollLeft = 6, kScrollRight = 7;  // SB_LEFT, SB_RIGHT

bool isLength(const UiControl* c) { return (c->flags & kCtlLengthInDots) != 0; }

// The range a spin shows: the record's, for a length in display units.
void spinRange(DrvContext* ctx, const UiControl* c, int32_t* lo, int32_t* hi) {
    NumRecord rec;
    if (!NumRecordOf(ctx, c, &rec)) {
        *lo = kSpinDefaultMin;
        *hi = kSpinDefaultMax;
        return;
    }
    *lo = rec.minimum;
    *hi = rec.maximum;
    if (isLength(c)) NumGetDisplayRange(ctx, rec.minimum, rec.maximum, lo, hi);
}

int32_t clampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

bool ownScroll(const UiControl* c, LPARAM lParam) {
    return c->window && reinterpret_cast<HWND>(lParam) == c->window && IsWindowEnabled(c->window);
}

// Calls the visual-style library's SetWindowTheme with blank lists, which
// gives the window the classic look; a missing library is no error.
void themeOff(HWND window) {
    HMODULE lib = LoadLibraryW(u"UxTheme.DLL");
    if (!lib) return;
    using SetThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    if (auto fn = ProcAs<SetThemeFn>(GetProcAddress(lib, "SetWindowTheme"))) fn(window, u" ", u" ");
    FreeLibrary(lib);
}

void sliderPaint(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (!c->window) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    if (!GetScrollInfo(c->window, SB_CTL, &si) || si.nMax <= si.nMin) return;
    HDC dc = CtlGetPaintDC(ctx, c->window);
    if (!dc) return;
    RECT r{};
    GetClientRect(c->window, &r);
    const int arrow = ScrollArrowWidth();
    const int track = (r.right - r.left) - 2 * arrow;
    RECT left{r.left, r.top, r.left + arrow, r.bottom}, right{r.right - arrow, r.top, r.right, r.bottom};
    DrawButtonFace(ctx, page, c, nullptr, dc, &left, 2, 0, 0);
    DrawButtonFace(ctx, page, c, nullptr, dc, &right, 2, 0, 0);
    RECT trackRect{r.left + arrow, r.top, r.right - arrow, r.bottom};
    FillSolidRect(dc, &trackRect, PicBackground());
    const int x = r.left + arrow + int(int64_t(track - arrow) * (si.nPos - si.nMin) / (si.nMax - si.nMin));
    RECT thumb{x, r.top, x + arrow, r.bottom};
    DrawButtonFace(ctx, page, c, nullptr, dc, &thumb, 2, GetFocus() == c->window, 0);
    CtlReleasePaintDC(ctx, c->window, dc);
}

}  // namespace

// ---- Spins ----

int CtlSpinInit(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (!ctx || !c || !c->item) return 0;
    int32_t lo, hi;
    spinRange(ctx, c, &lo, &hi);
    if (c->window) SendMessageW(c->window, SBM_SETRANGE, WPARAM(lo), LPARAM(hi));
    CtlShowValue(ctx, page, c);
    return 0;
}

void CtlSpinShow(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return;
    int32_t pos = int32_t(CtlGetItemValue(ctx, c));
    if (isLength(c)) {
        int32_t lo, hi, curLo = 0, curHi = 0;
        spinRange(ctx, c, &lo, &hi);
        SendMessageW(c->window, SBM_GETRANGE, WPARAM(&curLo), LPARAM(&curHi));
        if (lo != curLo || hi != curHi) SendMessageW(c->window, SBM_SETRANGE, WPARAM(lo), LPARAM(hi));
        pos = ItemDotsToDisplay(ctx, 0, pos);
    }
    SendMessageW(c->window, SBM_SETPOS, WPARAM(pos), TRUE);
}

int CtlSpinMessage(DrvContext* ctx, UiPage* page, UiControl* c, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_VSCROLL || !ctx || !c || !c->item || !ownScroll(c, lParam)) return 0;
    int32_t lo = 0, hi = 0;
    SendMessageW(c->window, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
    int32_t pos = int32_t(SendMessageW(c->window, SBM_GETPOS, 0, 0));
    // No attribute of the sample tables gives a spin a page step.
    const int32_t pageStep = 0;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: pos += 1; break;
    case SB_LINEDOWN: pos -= 1; break;
    case SB_PAGEUP: pos += pageStep; break;
    case SB_PAGEDOWN: pos -= pageStep; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = int16_t(HIWORD(wParam)); break;
    default: break;
    }
    pos = clampTo(pos, lo, hi);
    SendMessageW(c->window, SBM_SETPOS, WPARAM(pos), TRUE);
    ItemSetValue(ctx, c->item, uint32_t(isLength(c) ? DisplayToDotsItem(ctx, 0, pos) : pos));
    if (page && page->window) SendMessageW(GetParent(page->window), PSM_CHANGED, WPARAM(page->window), 0);
    return 1;
}

// ---- Sliders ----

int CtlSliderInit(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return 0;
    NumRecord rec;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    si.nMin = kSliderDefaultMin;
    si.nMax = kSliderDefaultMax;
    if (NumRecordOf(ctx, c, &rec)) si.nMin = rec.minimum, si.nMax = rec.maximum;
    SetScrollInfo(c->window, SB_CTL, &si, TRUE);
    SendMessageW(c->window, SBM_ENABLE_ARROWS, ESB_ENABLE_BOTH, 0);
    if (c->type == kCtlSlider) themeOff(c->window);
    return 1;
}

void CtlSliderShow(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return;
    SendMessageW(c->window, SBM_SETPOS, WPARAM(int32_t(CtlGetItemValue(ctx, c))), TRUE);
}

void CtlThumbSliderShow(DrvContext* ctx, UiPage* page, UiControl* c) {
    CtlSliderShow(ctx, page, c);
    if (ctx && c && c->item) sliderPaint(ctx, page, c);
}

void SliderPaint(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (ctx && c) sliderPaint(ctx, page, c);
}

int CtlSliderMessage(DrvContext* ctx, UiPage* page, UiControl* c, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_HSCROLL || !ctx || !c || !c->item || !ownScroll(c, lParam)) return 0;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    GetScrollInfo(c->window, SB_CTL, &si);
    int32_t pos = si.nPos;
    switch (LOWORD(wParam)) {
    case SB_LINELEFT: pos -= kSliderLine; break;
    case SB_LINERIGHT: pos += kSliderLine; break;
    case SB_PAGELEFT: pos -= kSliderPage; break;
    case SB_PAGERIGHT: pos += kSliderPage; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = int16_t(HIWORD(wParam)); break;
    case kScrollLeft: pos -= 1; break;
    case kScrollRight: pos += 1; break;
    default: break;
    }
    pos = clampTo(pos, si.nMin, si.nMax);
    SendMessageW(c->window, SBM_SETPOS, WPARAM(pos), TRUE);
    OptChangeFromControlAlias(ctx, page, c, uint32_t(pos));
    OnOptionControlChanged(ctx, page, 0);
    return 1;
}

// ---- Trackbars ----

int CtlTrackbarInit(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->window) return 1;
    NumRecord rec;
    int32_t lo = kSliderDefaultMin, hi = kSliderDefaultMax;
    if (NumRecordOf(ctx, c, &rec)) lo = rec.minimum, hi = rec.maximum;
    SendMessageW(c->window, TBM_SETRANGE, TRUE, MAKELONG(uint16_t(lo), uint16_t(hi)));
    if (c->item) SendMessageW(c->window, TBM_SETPOS, TRUE, LPARAM(int32_t(CtlGetItemValue(ctx, c))));
    return 1;
}

void CtlTrackbarShow(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return;
    SendMessageW(c->window, TBM_SETPOS, TRUE, LPARAM(int32_t(CtlGetItemValue(ctx, c))));
}

int CtlTrackbarMessage(DrvContext* ctx, UiPage*, UiControl* c, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_HSCROLL || !ctx || !c || !c->item || !c->window || HWND(lParam) != c->window) return 0;
    ItemSetValue(ctx, c->item, uint32_t(SendMessageW(c->window, TBM_GETPOS, 0, 0)));
    return 1;
}

}  // namespace vesk
