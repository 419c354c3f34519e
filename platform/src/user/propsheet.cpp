// Property sheets: pages as table handles and the modal frame. The frame is
// a dialog of its own that draws its strip of tabs itself, holds the OK,
// Cancel, Apply and Help buttons (left to right, at its bottom right) and
// shows one page at a time. A page's dialog is made the first time its tab
// is chosen; PSN_KILLACTIVE may keep the old page, PSN_SETACTIVE greets the
// new one. OK and Apply send PSN_KILLACTIVE to the current page and then
// PSN_APPLY to every page made, in order, stopping at the first page that
// refuses (PSNRET_INVALID shows that page, PSNRET_INVALID_NOCHANGEPAGE
// keeps the current one). WM_COMMAND ids the frame has no use for go to the
// current page.
#include <win/commctrl.h>
#include <win/wingdi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "core/sim.h"
#include "gdi32/font.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

constexpr uintptr_t kPageTag = 0x78000000;
constexpr int kMargin = 6;                      // around the tabs, the pages and the buttons
constexpr int kTabHeight = kCharHeight + 7;
constexpr int kTabPad = 6;                      // text to tab edge
constexpr int kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6;
constexpr int kMaxPages = 100;

constexpr DWORD kMaxPageRecord = 0x10000;  // a record may carry the caller's own data after the fields

// The sheet's copy of a page record: every byte the caller's dwSize
// covers (pages hand it to their WM_INITDIALOG), at least the fields.
struct PageRecord {
    std::unique_ptr<uint64_t[]> bytes;
    bool inSheet = false;  // a running sheet holds it: it ends with the sheet
    PROPSHEETPAGEW& psp() { return *reinterpret_cast<PROPSHEETPAGEW*>(bytes.get()); }
};

struct Pages {
    std::map<uintptr_t, std::unique_ptr<PageRecord>> live;
    uintptr_t next = 1;
};
Pages& pages() {
    static auto* p = new Pages;
    return *p;
}

PageRecord* findPage(HPROPSHEETPAGE h) {
    auto it = pages().live.find(reinterpret_cast<uintptr_t>(h));
    return it == pages().live.end() ? nullptr : it->second.get();
}

HPROPSHEETPAGE addPage(const PROPSHEETPAGEW& in) {
    auto rec = std::make_unique<PageRecord>();
    const size_t size = std::max<size_t>(in.dwSize, sizeof(PROPSHEETPAGEW));
    rec->bytes = std::make_unique<uint64_t[]>((size + 7) / 8);  // zeroed
    std::memcpy(rec->bytes.get(), &in, in.dwSize);
    std::lock_guard g(userLock());
    const uintptr_t h = kPageTag | (pages().next++ << 2);
    pages().live.emplace(h, std::move(rec));
    return reinterpret_cast<HPROPSHEETPAGE>(h);
}

// Ends a page: its release callback, then the handle.
void endPage(HPROPSHEETPAGE h) {
    PageRecord* rec = findPage(h);
    if (!rec) return;
    const PROPSHEETPAGEW psp = rec->psp();
    if ((psp.dwFlags & PSP_USECALLBACK) && psp.pfnCallback) psp.pfnCallback(nullptr, PSPCB_RELEASE, &rec->psp());
    std::lock_guard g(userLock());
    pages().live.erase(reinterpret_cast<uintptr_t>(h));
}

// The page's template bytes (a template in memory is read as far as it says).
bool pageTemplate(const PROPSHEETPAGEW& psp, const uint8_t** p, size_t* size, int* templateId) {
    *templateId = 0;
    if (psp.dwFlags & PSP_DLGINDIRECT) {
        *p = static_cast<const uint8_t*>(psp.pResource);
        *size = SIZE_MAX / 2;
        return *p != nullptr;
    }
    HRSRC r = FindResourceW(psp.hInstance, psp.pszTemplate, RT_DIALOG);
    if (!r) return false;
    *p = static_cast<const uint8_t*>(LockResource(LoadResource(psp.hInstance, r)));
    *size = SizeofResource(psp.hInstance, r);
    if (IS_INTRESOURCE(psp.pszTemplate)) *templateId = int(reinterpret_cast<uintptr_t>(psp.pszTemplate));
    return *p != nullptr;
}

// A text or the string of that id in `module`.
std::u16string textOrString(HINSTANCE module, LPCWSTR text) {
    if (!text) return {};
    if (!IS_INTRESOURCE(text)) return wstr(text);
    WCHAR buf[256] = {};
    LoadStringW(module, UINT(reinterpret_cast<uintptr_t>(text)), buf, 256);
    return buf;
}

struct SheetPage {
    HPROPSHEETPAGE handle = nullptr;
    PageRecord* rec = nullptr;
    HWND window = nullptr;
    bool changed = false;
    int templateId = 0;
    std::u16string title;
    RECT tab{};
};

struct Sheet {
    HWND frame = nullptr;
    DWORD flags = 0;
    std::u16string caption;
    std::vector<SheetPage> pages;
    int current = -1;
    int start = 0;
    HWND ok = nullptr, cancel = nullptr, apply = nullptr, help = nullptr;
    RECT body{};          // the frame around the pages, client coordinates
    int pageWidth = 0, pageHeight = 0;
    bool applied = false;  // an apply went through
    bool busy = false;     // the pages are being told of OK, Apply or Cancel
    bool endedByOk = false;
};

std::map<HWND, Sheet*>& frames() {
    static auto* f = new std::map<HWND, Sheet*>;
    return *f;
}

Sheet* sheetOf(HWND frame) {
    auto it = frames().find(frame);
    return it == frames().end() ? nullptr : it->second;
}

LRESULT notify(Sheet& s, int index, UINT code, LPARAM lParam) {
    HWND page = s.pages[size_t(index)].window;
    if (!page || !IsWindow(page)) return 0;
    PSHNOTIFY n{{s.frame, 0, code}, lParam};
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

// Makes the dialog of a page, placed inside the body; false when the page
// cannot be made.
bool createPage(Sheet& s, int index) {
    SheetPage& sp = s.pages[size_t(index)];
    if (sp.window && IsWindow(sp.window)) return true;
    PROPSHEETPAGEW& psp = sp.rec->psp();
    if ((psp.dwFlags & PSP_USECALLBACK) && psp.pfnCallback && !psp.pfnCallback(nullptr, PSPCB_CREATE, &psp))
        return false;
    const uint8_t* p = nullptr;
    size_t size = 0;
    int id = 0;
    if (!pageTemplate(psp, &p, &size, &id)) return false;
    const DWORD clear = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER | WS_VISIBLE |
                        WS_DISABLED;
    HWND h = buildDialog(psp.hInstance, p, size, s.frame, psp.pfnDlgProc, reinterpret_cast<LPARAM>(&psp), id, clear,
                         WS_CHILD | DS_CONTROL | DS_3DLOOK);
    if (!h || !IsWindow(s.frame)) return false;
    s.pages[size_t(index)].window = h;
    // On top of the frame's other children, so first in the tab order too.
    SetWindowPos(h, HWND_TOP, s.body.left + 2, s.body.top + 2, 0, 0, SWP_NOSIZE);
    return true;
}

void enableHelp(Sheet& s) {
    if (s.help && s.current >= 0)
        EnableWindow(s.help, (s.pages[size_t(s.current)].rec->psp().dwFlags & PSP_HASHELP) ? TRUE : FALSE);
}

// Shows page `index` (made now if need be) in place of the current one.
bool activate(Sheet& s, int index) {
    if (!createPage(s, index)) return false;
    notify(s, index, PSN_SETACTIVE, 0);
    if (!IsWindow(s.frame)) return false;
    const int old = s.current;
    s.current = index;
    if (HWND h = s.pages[size_t(index)].window) ShowWindow(h, SW_SHOW);
    if (old >= 0 && old != index && s.pages[size_t(old)].window) ShowWindow(s.pages[size_t(old)].window, SW_HIDE);
    enableHelp(s);
    InvalidateRect(s.frame, nullptr, TRUE);
    return true;
}

// A user's choice of another tab: the current page may refuse to go.
void choosePage(Sheet& s, int index) {
    if (index == s.current || index < 0 || index >= int(s.pages.size())) return;
    if (s.current >= 0 && notify(s, s.current, PSN_KILLACTIVE, 0)) return;
    if (!IsWindow(s.frame)) return;
    // The strip of tabs takes the focus, as a clicked tab control does.
    if (activate(s, index) && IsWindow(s.frame)) SetFocus(s.frame);
}

void updateApply(Sheet& s) {
    if (!s.apply) return;
    const bool any = std::any_of(s.pages.begin(), s.pages.end(), [](const SheetPage& p) { return p.changed; });
    EnableWindow(s.apply, any ? TRUE : FALSE);
}

// OK (ok = true) or Apply: true when every page took it.
bool applyPages(Sheet& s, bool ok) {
    s.busy = true;
    struct Done {
        Sheet& s;
        ~Done() { s.busy = false; }
    } done{s};
    if (s.current >= 0 && notify(s, s.current, PSN_KILLACTIVE, 0)) return false;
    for (int i = 0; i < int(s.pages.size()); ++i) {
        if (!IsWindow(s.frame)) return false;
        if (!s.pages[size_t(i)].window) continue;
        const LRESULT r = notify(s, i, PSN_APPLY, ok ? TRUE : FALSE);
        if (r == PSNRET_INVALID) {
            if (IsWindow(s.frame) && i != s.current) activate(s, i);
            return false;
        }
        if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
    }
    s.applied = true;
    for (auto& p : s.pages) p.changed = false;
    updateApply(s);
    // After Apply the sheet stays: the current page is greeted again.
    if (!ok && s.current >= 0) notify(s, s.current, PSN_SETACTIVE, 0);
    return true;
}

void pressOk(Sheet& s) {
    if (!applyPages(s, true) || !IsWindow(s.frame)) return;
    s.endedByOk = true;
    EndDialog(s.frame, 1);
}

void pressCancel(Sheet& s) {
    s.busy = true;
    for (int i = 0; i < int(s.pages.size()) && IsWindow(s.frame); ++i) notify(s, i, PSN_RESET, FALSE);
    s.busy = false;
    if (IsWindow(s.frame)) EndDialog(s.frame, s.applied ? 1 : 0);
}

void pressHelp(Sheet& s) {
    if (s.current >= 0) notify(s, s.current, PSN_HELP, 0);
}

int pageOfWindow(const Sheet& s, HWND page) {
    for (int i = 0; i < int(s.pages.size()); ++i)
        if (s.pages[size_t(i)].window == page) return i;
    return -1;
}

HWND makeButton(Sheet& s, int id, const char16_t* text, DWORD style, int x, int y) {
    HWND b = CreateWindowExW(0, u"Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, kButtonWidth,
                             kButtonHeight, s.frame, reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
    if (b) SendMessageW(b, WM_SETFONT, SendMessageW(s.frame, WM_GETFONT, 0, 0), FALSE);
    return b;
}

// Sizes the frame to the largest page and the tabs, lays out the tabs and
// makes the buttons.
void layOut(Sheet& s) {
    int tabsRight = kMargin;
    for (auto& p : s.pages) {
        const int w = int(p.title.size()) * kCharWidth + 2 * kTabPad;
        p.tab = RECT{tabsRight, kMargin, tabsRight + w, kMargin + kTabHeight};
        tabsRight += w;
    }
    const bool hasApply = !(s.flags & PSH_NOAPPLYNOW), hasHelp = s.flags & PSH_HASHELP;
    const int buttons = 2 + (hasApply ? 1 : 0) + (hasHelp ? 1 : 0);
    const int buttonsWidth = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
    const int width = std::max({s.pageWidth + 4 + 2 * kMargin, tabsRight + kMargin, buttonsWidth + 2 * kMargin});
    s.body = RECT{kMargin, kMargin + kTabHeight, width - kMargin, kMargin + kTabHeight + s.pageHeight + 4};
    const int buttonTop = int(s.body.bottom) + kMargin;
    const int height = buttonTop + kButtonHeight + kMargin;
    RECT wr{}, cr{};
    GetWindowRect(s.frame, &wr);
    GetClientRect(s.frame, &cr);
    const int fw = width + int(wr.right - wr.left - cr.right), fh = height + int(wr.bottom - wr.top - cr.bottom);
    SetWindowPos(s.frame, nullptr, std::max(0, (1024 - fw) / 2), std::max(0, (768 - fh) / 2), fw, fh, SWP_NOZORDER);
    int x = width - kMargin - buttonsWidth;
    auto next = [&]() {
        const int at = x;
        x += kButtonWidth + kButtonGap;
        return at;
    };
    s.ok = makeButton(s, IDOK, u"OK", BS_DEFPUSHBUTTON, next(), buttonTop);
    s.cancel = makeButton(s, IDCANCEL, u"Cancel", BS_PUSHBUTTON, next(), buttonTop);
    if (hasApply) {
        s.apply = makeButton(s, ID_APPLY_NOW, u"Apply", BS_PUSHBUTTON, next(), buttonTop);
        EnableWindow(s.apply, FALSE);
    }
    if (hasHelp) s.help = makeButton(s, IDHELP, u"Help", BS_PUSHBUTTON, next(), buttonTop);
}

// The tab strip and the raised frame of the body, in the classic look.
void paintTabs(Sheet& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.frame, &ps);
    RECT client{};
    GetClientRect(s.frame, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    auto line = [&](int x0, int y0, int x1, int y1, int colour) {
        RECT r{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
        FillRect(dc, &r, GetSysColorBrush(colour));
    };
    const RECT b = s.body;
    line(b.left, b.top, b.right - 1, b.top, COLOR_BTNHIGHLIGHT);
    line(b.left, b.top, b.left, b.bottom - 1, COLOR_BTNHIGHLIGHT);
    line(b.left, b.bottom - 1, b.right - 1, b.bottom - 1, COLOR_3DDKSHADOW);
    line(b.right - 1, b.top, b.right - 1, b.bottom - 1, COLOR_3DDKSHADOW);
    line(b.left + 1, b.bottom - 2, b.right - 2, b.bottom - 2, COLOR_BTNSHADOW);
    line(b.right - 2, b.top + 1, b.right - 2, b.bottom - 2, COLOR_BTNSHADOW);
    for (int i = 0; i < int(s.pages.size()); ++i) {
        RECT t = s.pages[size_t(i)].tab;
        const bool selected = i == s.current;
        if (selected) t = RECT{t.left - 2, t.top - 2, t.right + 2, t.bottom + 1};  // over the body's top line
        else t.top += 1;
        FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
        line(t.left, t.top + 2, t.left, t.bottom - 1, COLOR_BTNHIGHLIGHT);
        line(t.left + 2, t.top, t.right - 3, t.top, COLOR_BTNHIGHLIGHT);
        line(t.left + 1, t.top + 1, t.left + 1, t.top + 1, COLOR_BTNHIGHLIGHT);
        line(t.right - 2, t.top + 1, t.right - 2, t.top + 1, COLOR_3DDKSHADOW);
        line(t.right - 1, t.top + 2, t.right - 1, t.bottom - 1, COLOR_3DDKSHADOW);
        line(t.right - 2, t.top + 2, t.right - 2, t.bottom - 1, COLOR_BTNSHADOW);
        RECT text = s.pages[size_t(i)].tab;
        classicText(dc, s.pages[size_t(i)].title, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, true);
        if (selected && GetFocus() == s.frame) {
            RECT f{text.left + 3, text.top + 3, text.right - 3, text.bottom - 2};
            DrawFocusRect(dc, &f);
        }
    }
    EndPaint(s.frame, &ps);
}

INT_PTR CALLBACK frameProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_INITDIALOG) {
        auto* s = reinterpret_cast<Sheet*>(lp);
        s->frame = h;
        frames()[h] = s;
        SetWindowTextW(h, s->caption.c_str());
        layOut(*s);
        // The start page, else the first that can be made.
        bool shown = activate(*s, s->start);
        for (int i = 0; !shown && i < int(s->pages.size()) && IsWindow(h); ++i) shown = i != s->start && activate(*s, i);
        if (!shown && IsWindow(h)) EndDialog(h, -1);
        if (HWND first = IsWindow(h) ? GetNextDlgTabItem(h, nullptr, FALSE) : nullptr) SetFocus(first);
        return FALSE;
    }
    Sheet* s = sheetOf(h);
    if (!s) return FALSE;
    auto answer = [&](LONG_PTR v) {
        SetWindowLongPtrW(h, DWLP_MSGRESULT, v);
        return TRUE;
    };
    switch (m) {
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            switch (id) {
                case IDOK: pressOk(*s); return TRUE;
                case IDCANCEL: pressCancel(*s); return TRUE;
                case ID_APPLY_NOW:
                    if (s->apply) applyPages(*s, false);
                    return TRUE;
                case IDHELP: pressHelp(*s); return TRUE;
                default:
                    if (s->current >= 0 && s->pages[size_t(s->current)].window)
                        SendMessageW(s->pages[size_t(s->current)].window, WM_COMMAND, wp, lp);
                    return TRUE;
            }
        }
        case PSM_CHANGED:
        case PSM_UNCHANGED: {
            // A page still in its WM_INITDIALOG is not known yet: its
            // change still enables Apply.
            const int i = pageOfWindow(*s, reinterpret_cast<HWND>(wp));
            if (i >= 0) s->pages[size_t(i)].changed = m == PSM_CHANGED;
            if (m == PSM_CHANGED && s->apply) EnableWindow(s->apply, TRUE);
            else updateApply(*s);
            return answer(TRUE);
        }
        case PSM_PRESSBUTTON:
            // A press from a page that is hearing of one waits its turn.
            if (s->busy) {
                PostMessageW(h, PSM_PRESSBUTTON, wp, 0);
                return answer(0);
            }
            switch (wp) {
                case PSBTN_OK: pressOk(*s); break;
                case PSBTN_CANCEL: pressCancel(*s); break;
                case PSBTN_APPLYNOW:
                    if (s->apply) applyPages(*s, false);
                    break;
                case PSBTN_HELP: pressHelp(*s); break;
                default: break;
            }
            return answer(0);
        case PSM_GETCURRENTPAGEHWND:
            return answer(s->current >= 0 ? reinterpret_cast<LONG_PTR>(s->pages[size_t(s->current)].window) : 0);
        case WM_LBUTTONDOWN: {
            const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            for (int i = 0; i < int(s->pages.size()); ++i) {
                const RECT& t = s->pages[size_t(i)].tab;
                if (pt.x >= t.left && pt.x < t.right && pt.y >= t.top && pt.y < t.bottom) {
                    choosePage(*s, i);
                    break;
                }
            }
            return TRUE;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // The focus on the frame itself is the strip of tabs'.
            InvalidateRect(h, nullptr, FALSE);
            return TRUE;
        case WM_PAINT: paintTabs(*s); return TRUE;
        default: return FALSE;
    }
}

// An empty extended template: the frame's own controls are made in its
// WM_INITDIALOG, its size follows the pages.
std::vector<uint8_t> frameTemplate(DWORD exStyle) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER;
    u16(1), u16(0xFFFF), u32(0), u32(exStyle), u32(style), u16(0);
    u16(0), u16(0), u16(100), u16(50);
    u16(0), u16(0), u16(0);                       // no menu, the dialog class, no title yet
    u16(8), u16(400), b.push_back(0), b.push_back(1);
    for (char16_t c : std::u16string_view(u"MS Shell Dlg")) u16(c);
    u16(0);
    return b;
}

}  // namespace

namespace winsim::detail {

bool isPropertySheetPage(HPROPSHEETPAGE page);

// The sheet behind PropertySheetW; *endedByOk tells OK from Cancel.
INT_PTR runPropertySheet(const PROPSHEETHEADERW* h, bool* endedByOk) {
    if (endedByOk) *endedByOk = false;
    if (!h || h->dwSize < PROPSHEETHEADERW_V1_SIZE || h->nPages == 0 || h->nPages > kMaxPages ||
        (h->dwFlags & (PSH_MODELESS | PSH_WIZARD)) || (h->hwndParent && !IsWindow(h->hwndParent))) {
        setError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Sheet s;
    s.flags = h->dwFlags;
    auto endPages = [&]() {
        for (auto& p : s.pages) endPage(p.handle);
        // Handles of a failed sheet that never joined it end too.
        if (!(h->dwFlags & PSH_PROPSHEETPAGE) && h->phpage)
            for (UINT i = 0; i < h->nPages; ++i) endPage(h->phpage[i]);
    };
    const auto* rec = reinterpret_cast<const uint8_t*>(h->ppsp);
    for (UINT i = 0; i < h->nPages; ++i) {
        HPROPSHEETPAGE page = nullptr;
        if (h->dwFlags & PSH_PROPSHEETPAGE) {
            const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(rec);
            if (!psp || psp->dwSize < PROPSHEETPAGEW_V1_SIZE || psp->dwSize > kMaxPageRecord) break;
            page = CreatePropertySheetPageW(psp);
            rec += psp->dwSize;
        } else {
            page = h->phpage ? h->phpage[i] : nullptr;
        }
        PageRecord* r = findPage(page);
        if (!r || r->inSheet) break;  // a page joins one sheet, once
        r->inSheet = true;
        SheetPage sp;
        sp.handle = page;
        sp.rec = r;
        const uint8_t* p = nullptr;
        size_t size = 0;
        int w = 0, ht = 0;
        std::u16string title;
        if (pageTemplate(r->psp(), &p, &size, &sp.templateId) && dialogTemplateInfo(p, size, &w, &ht, &title)) {
            s.pageWidth = std::max(s.pageWidth, w);
            s.pageHeight = std::max(s.pageHeight, ht);
        }
        sp.title = (r->psp().dwFlags & PSP_USETITLE) ? textOrString(r->psp().hInstance, r->psp().pszTitle) : title;
        s.pages.push_back(std::move(sp));
    }
    if (s.pages.size() != h->nPages) {
        endPages();
        setError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    s.caption = textOrString(h->hInstance, h->pszCaption);
    if (h->dwFlags & PSH_PROPTITLE) s.caption += u" Properties";
    s.start = h->nStartPage < h->nPages ? int(h->nStartPage) : 0;
    const auto tmpl = frameTemplate((h->dwFlags & PSH_NOCONTEXTHELP) ? 0 : WS_EX_CONTEXTHELP);
    HWND frame = buildDialog(h->hInstance, tmpl.data(), tmpl.size(), h->hwndParent, frameProc,
                             reinterpret_cast<LPARAM>(&s), 0, 0, 0);
    INT_PTR result = -1;
    if (frame) {
        result = runModalDialog(frame, h->hwndParent, 0);
        if (IsWindow(frame)) DestroyWindow(frame);
    }
    frames().erase(s.frame);
    if (endedByOk) *endedByOk = s.endedByOk && result >= 0;
    endPages();
    return result;
}

bool isPropertySheetPage(HPROPSHEETPAGE page) {
    std::lock_guard g(userLock());
    return findPage(page) != nullptr;
}

bool isSheetFrame(HWND window) { return sheetOf(window) != nullptr; }

bool sheetPages(HWND frame, std::vector<int>* templateIds, int* current) {
    Sheet* s = sheetOf(frame);
    if (!s) return false;
    if (templateIds) {
        templateIds->clear();
        for (const auto& p : s->pages) templateIds->push_back(p.templateId);
    }
    if (current) *current = s->current;
    return true;
}

HWND sheetButton(HWND frame, int role) {
    Sheet* s = sheetOf(frame);
    if (!s) return nullptr;
    HWND b = role == IDOK ? s->ok : role == IDCANCEL ? s->cancel : role == ID_APPLY_NOW ? s->apply : role == IDHELP ? s->help : nullptr;
    return b && IsWindow(b) ? b : nullptr;
}

bool sheetTabPoint(HWND frame, int templateId, POINT* screen) {
    Sheet* s = sheetOf(frame);
    if (!s) return false;
    for (const auto& p : s->pages)
        if (p.templateId == templateId) {
            *screen = POINT{(p.tab.left + p.tab.right) / 2, (p.tab.top + p.tab.bottom) / 2};
            return ClientToScreen(frame, screen) != FALSE;
        }
    return false;
}

}  // namespace winsim::detail

namespace winsim::ui {

size_t livePropertySheetPages() {
    std::lock_guard g(userLock());
    return pages().live.size();
}

}  // namespace winsim::ui

extern "C" {

WINBASEAPI HPROPSHEETPAGE WINAPI CreatePropertySheetPageW(LPCPROPSHEETPAGEW page) {
    if (enter("CreatePropertySheetPageW")) return nullptr;
    if (!page || page->dwSize < PROPSHEETPAGEW_V1_SIZE || page->dwSize > kMaxPageRecord) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HPROPSHEETPAGE h = addPage(*page);
    if (PageRecord* r = findPage(h); r && (r->psp().dwFlags & PSP_USECALLBACK) && r->psp().pfnCallback)
        r->psp().pfnCallback(nullptr, PSPCB_ADDREF, &r->psp());
    return h;
}

WINBASEAPI BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE page) {
    PageRecord* r = findPage(page);
    if (!r) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (r->inSheet) {
        setError(ERROR_BUSY);
        return FALSE;
    }
    endPage(page);
    return TRUE;
}

WINBASEAPI INT_PTR WINAPI PropertySheetW(LPCPROPSHEETHEADERW header) {
    if (enter("PropertySheetW")) return -1;
    return runPropertySheet(header, nullptr);
}

}  // extern "C"

#if defined(__i386__)
static_assert(sizeof(PROPSHEETPAGEW) == 48 && PROPSHEETPAGEW_V1_SIZE == 40, "the 32-bit page record");
static_assert(sizeof(PROPSHEETHEADERW) == 52 && PROPSHEETHEADERW_V1_SIZE == 40, "the 32-bit sheet header");
#endif
