// Dialogs from templates in the extended layout (DLGTEMPLATEEX): the frame,
// WM_SETFONT, the controls in template order (each with WM_SETFONT; fixed
// owner-draw lists measure their items while they are made, so before
// WM_INITDIALOG), then WM_INITDIALOG and the first tab stop's focus. Every
// read of a template is bounds-checked against the resource's size.
// Dialog units: the one font's average character is 6 x 13 pixels.
#include <algorithm>
#include <cstring>

#include "core/sim.h"
#include "user/resource_file.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

// A bounds-checked reader of a template.
struct Reader {
    const uint8_t* p;
    size_t size;
    size_t at = 0;
    bool ok = true;
    uint16_t u16() {
        if (at + 2 > size) return ok = false, 0;
        uint16_t v = uint16_t(p[at] | (p[at + 1] << 8));
        at += 2;
        return v;
    }
    uint32_t u32() {
        uint32_t lo = u16();
        return lo | (uint32_t(u16()) << 16);
    }
    int16_t s16() { return int16_t(u16()); }
    std::u16string text() {
        std::u16string s;
        for (uint16_t c; ok && (c = u16()) != 0;) s += static_cast<char16_t>(c);
        return s;
    }
    // A name or an ordinal: 0 none, 0xFFFF and a number, else a text.
    std::u16string nameOrOrdinal(uint16_t* ordinal) {
        *ordinal = 0;
        if (at + 2 > size) return ok = false, std::u16string();
        uint16_t first = uint16_t(p[at] | (p[at + 1] << 8));
        if (first == 0) return at += 2, std::u16string();
        if (first == 0xFFFF) {
            at += 2;
            *ordinal = u16();
            return {};
        }
        return text();
    }
    void alignDword() { at = (at + 3) & ~size_t(3); }
    const uint8_t* take(size_t n) {
        if (at + n > size) return ok = false, at = size, nullptr;
        const uint8_t* q = p + at;
        at += n;
        return q;
    }
};

std::u16string atomClass(uint16_t atom) {
    switch (atom) {
        case 0x80: return u"Button";
        case 0x81: return u"Edit";
        case 0x82: return u"Static";
        case 0x83: return u"ListBox";
        case 0x84: return u"ScrollBar";
        case 0x85: return u"ComboBox";
        default: return {};
    }
}

struct Item {
    DWORD style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::u16string cls, text;
    uint16_t textOrdinal = 0;
    std::vector<uint8_t> data;
};

struct Template {
    DWORD style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::u16string cls, title, face;
    uint16_t points = 0;
    std::vector<Item> items;
};

// Parses the template; false when it is not an extended template or a read
// leaves it.
bool parse(const uint8_t* p, size_t size, Template& t) {
    Reader r{p, size};
    if (r.u16() != 1 || r.u16() != 0xFFFF) return false;
    r.u32();  // help id
    t.exStyle = r.u32();
    t.style = r.u32();
    const uint16_t count = r.u16();
    t.x = r.s16(), t.y = r.s16(), t.cx = r.s16(), t.cy = r.s16();
    uint16_t ord = 0;
    r.nameOrOrdinal(&ord);  // menu
    t.cls = r.nameOrOrdinal(&ord);
    if (t.cls.empty()) t.cls = u"#32770";
    t.title = r.text();
    if (t.style & DS_SETFONT) {
        t.points = r.u16();
        r.take(4);  // weight, italic, charset
        t.face = r.text();
    }
    for (uint16_t i = 0; r.ok && i < count; ++i) {
        r.alignDword();
        Item it;
        r.u32();  // help id
        it.exStyle = r.u32();
        it.style = r.u32();
        it.x = r.s16(), it.y = r.s16(), it.cx = r.s16(), it.cy = r.s16();
        it.id = r.u32();
        it.cls = r.nameOrOrdinal(&ord);
        if (it.cls.empty()) it.cls = atomClass(ord);
        it.text = r.nameOrOrdinal(&it.textOrdinal);
        const uint16_t extra = r.u16();
        if (const uint8_t* d = r.take(extra)) it.data.assign(d, d + extra);
        if (it.cls.empty()) return false;
        t.items.push_back(std::move(it));
    }
    return r.ok;
}

int unitsX(int v) { return v * kCharWidth / 4; }
int unitsY(int v) { return v * kCharHeight / 8; }

// A font handle per point size: the window system has one face.
HFONT dialogFont(uint16_t points) { return reinterpret_cast<HFONT>(uintptr_t(0x7B000000u | (uint32_t(points) << 2))); }

}  // namespace

namespace winsim::detail {

bool dialogTemplateInfo(const uint8_t* p, size_t size, int* width, int* height, std::u16string* title) {
    Template t;
    if (!parse(p, size, t)) return false;
    if (width) *width = unitsX(t.cx);
    if (height) *height = unitsY(t.cy);
    if (title) *title = t.title;
    return true;
}

// The template's dialog with its controls, before WM_INITDIALOG.
HWND buildDialog(HINSTANCE module, const uint8_t* p, size_t size, HWND owner, DLGPROC proc, LPARAM param,
                 int templateId, DWORD styleClear, DWORD styleSet) {
    Template t;
    if (!parse(p, size, t)) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    t.style = (t.style & ~styleClear) | styleSet;
    if (t.style & WS_CHILD) t.exStyle |= (styleSet & DS_CONTROL) ? WS_EX_CONTROLPARENT : 0;
    const bool child = t.style & WS_CHILD;
    POINT origin{0, 0};
    if (!child && owner && (t.style & DS_CENTER) == 0) {
        if (Window* o = findWindow(owner)) origin = clientOrigin(*o);
    }
    int x = origin.x + unitsX(t.x), y = origin.y + unitsY(t.y);
    const int cx = unitsX(t.cx), cy = unitsY(t.cy);
    if (!child && (t.style & DS_CENTER)) x = (1024 - cx) / 2, y = (768 - cy) / 2;
    HWND dlg = CreateWindowExW(t.exStyle, t.cls.c_str(), t.title.c_str(), t.style & ~WS_VISIBLE, x, y, cx, cy, owner,
                               nullptr, module, nullptr);
    if (!dlg) return nullptr;
    Window* w = findWindow(dlg);
    // The template gives the client area: grow the window by its frame.
    const RECT c = clientRect(*w);
    SetWindowPos(dlg, nullptr, 0, 0, cx + (cx - c.right), cy + (cy - c.bottom), SWP_NOMOVE | SWP_NOZORDER);
    if (!(w = findWindow(dlg))) return nullptr;
    w->isDialog = true;
    w->templateId = templateId;
    if (w->extra.size() < size_t(DLGWINDOWEXTRA)) w->extra.resize(size_t(DLGWINDOWEXTRA), 0);
    setWindowOwner(dlg, owner, reinterpret_cast<LONG_PTR>(proc));
    const HFONT font = dialogFont(t.points ? t.points : 8);
    SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (const auto& it : t.items) {
        // An ordinal text (a picture's resource id) reaches the control as
        // 0xFFFF and the id.
        WCHAR ordinal[3] = {0xFFFF, it.textOrdinal, 0};
        const WCHAR* text = it.textOrdinal ? ordinal : it.text.c_str();
        HWND h = CreateWindowExW(it.exStyle, it.cls.c_str(), text, it.style | WS_CHILD, unitsX(it.x), unitsY(it.y),
                                 unitsX(it.cx), unitsY(it.cy), dlg, reinterpret_cast<HMENU>(uintptr_t(it.id)), module,
                                 it.data.empty() ? nullptr : const_cast<uint8_t*>(it.data.data()));
        if (!h) {
            const DWORD e = GetLastError();
            DestroyWindow(dlg);
            setError(e ? e : ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    if (SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && IsWindow(dlg)) {
        first = GetNextDlgTabItem(dlg, nullptr, FALSE);
        if (first) {
            SetFocus(first);
            if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(first, EM_SETSEL, 0, -1);
        }
    }
    if (!IsWindow(dlg)) return nullptr;
    if (t.style & WS_VISIBLE) ShowWindow(dlg, SW_SHOWNORMAL);
    return dlg;
}

INT_PTR runModalDialog(HWND dlg, HWND owner, int templateId) {
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    pushModal(ModalEntry{dlg, templateId, {}});
    if (Window* w = findWindow(dlg); w && !w->ended) ShowWindow(dlg, SW_SHOWNORMAL);
    const INT_PTR result = runModalLoop(dlg);
    popModal();
    if (disableOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    return result;
}

}  // namespace winsim::detail

namespace {

HWND build(HINSTANCE module, const uint8_t* p, size_t size, HWND owner, DLGPROC proc, LPARAM param, int templateId) {
    return buildDialog(module, p, size, owner, proc, param, templateId, 0, 0);
}

bool templateOf(HINSTANCE module, LPCWSTR name, const uint8_t** p, size_t* size) {
    HRSRC r = FindResourceW(module, name, RT_DIALOG);
    if (!r) return false;
    *p = static_cast<const uint8_t*>(LockResource(LoadResource(module, r)));
    *size = SizeofResource(module, r);
    return *p != nullptr;
}

int idOf(LPCWSTR name) { return IS_INTRESOURCE(name) ? int(reinterpret_cast<uintptr_t>(name)) : 0; }

// The controls of a dialog that keyboard navigation walks: its children in
// z-order, entering children that hold controls of their own.
void navigable(HWND parent, std::vector<HWND>& out) {
    Window* w = findWindow(parent);
    if (!w) return;
    for (HWND c : std::vector<HWND>(w->children)) {
        Window* cw = findWindow(c);
        if (!cw) continue;
        if (cw->exStyle & WS_EX_CONTROLPARENT) {
            if (cw->style & WS_VISIBLE) navigable(c, out);
            continue;
        }
        out.push_back(c);
    }
}

// A control that can take the focus: visible and enabled itself and up to
// its dialog (which may not be shown yet).
bool canTakeFocus(HWND h) {
    for (Window* w = findWindow(h); w; w = findWindow(w->parent)) {
        if (w->isDialog) return true;
        if (!(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) return false;
        if (!(w->style & WS_CHILD)) return true;
    }
    return false;
}

INT_PTR modal(HINSTANCE module, const uint8_t* p, size_t size, HWND owner, DLGPROC proc, LPARAM param,
              int templateId) {
    if (owner && !IsWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    HWND dlg = build(module, p, size, owner, proc, param, templateId);
    if (!dlg) return -1;
    const INT_PTR result = runModalDialog(dlg, owner, templateId);
    if (IsWindow(dlg)) DestroyWindow(dlg);
    return result;
}

// The id Enter presses: a focused push button's own, else the default.
int enterId(HWND dlg, HWND focus, LRESULT code) {
    if (focus && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return GetDlgCtrlID(focus);
    const LRESULT def = SendMessageW(dlg, DM_GETDEFID, 0, 0);
    return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

void pressButton(HWND dlg, int id) {
    HWND b = GetDlgItem(dlg, id);
    if (b && !IsWindowEnabled(b)) {
        MessageBeep(0);
        return;
    }
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK dialogClassProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefDlgProcW(h, m, w, l); }

}  // namespace winsim::detail

extern "C" {

WINBASEAPI HWND WINAPI CreateDialogParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM param) {
    if (enter("CreateDialogParamW",
              IS_INTRESOURCE(templateName) ? std::to_string(reinterpret_cast<uintptr_t>(templateName)) : "named"))
        return nullptr;
    if (owner && !IsWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const uint8_t* p = nullptr;
    size_t size = 0;
    if (!templateOf(module, templateName, &p, &size)) return nullptr;
    return build(module, p, size, owner, proc, param, idOf(templateName));
}

WINBASEAPI HWND WINAPI CreateDialogIndirectParamW(HINSTANCE module, const void* dialogTemplate, HWND owner,
                                                  DLGPROC proc, LPARAM param) {
    if (enter("CreateDialogIndirectParamW")) return nullptr;
    if (!dialogTemplate) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (owner && !IsWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // An in-memory template carries no size: read it as far as it says.
    return build(module, static_cast<const uint8_t*>(dialogTemplate), SIZE_MAX / 2, owner, proc, param, 0);
}

WINBASEAPI INT_PTR WINAPI DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM param) {
    if (enter("DialogBoxParamW",
              IS_INTRESOURCE(templateName) ? std::to_string(reinterpret_cast<uintptr_t>(templateName)) : "named"))
        return -1;
    const uint8_t* p = nullptr;
    size_t size = 0;
    if (!templateOf(module, templateName, &p, &size)) return -1;
    return modal(module, p, size, owner, proc, param, idOf(templateName));
}

WINBASEAPI INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE module, const void* dialogTemplate, HWND owner,
                                                  DLGPROC proc, LPARAM param) {
    if (enter("DialogBoxIndirectParamW")) return -1;
    if (!dialogTemplate) {
        setError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return modal(module, static_cast<const uint8_t*>(dialogTemplate), SIZE_MAX / 2, owner, proc, param, 0);
}

WINBASEAPI BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Window* w = windowOrFail(dialog);
    if (!w) return FALSE;
    w->ended = true;
    w->result = result;
    ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

WINBASEAPI LRESULT WINAPI DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(dialog);
    if (!w) return 0;
    LONG_PTR procValue = 0;
    if (w->extra.size() >= size_t(DLGWINDOWEXTRA)) {
        std::memcpy(&procValue, w->extra.data() + DWLP_DLGPROC, sizeof procValue);
        const LONG_PTR zero = 0;
        std::memcpy(w->extra.data() + DWLP_MSGRESULT, &zero, sizeof zero);
    }
    const auto proc = reinterpret_cast<DLGPROC>(procValue);
    const INT_PTR handled = proc ? proc(dialog, message, wParam, lParam) : 0;
    if (!(w = findWindow(dialog))) return handled;
    if (handled) {
        switch (message) {
            case WM_INITDIALOG:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC: return handled;
            default: return GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
        }
    }
    switch (message) {
        case WM_INITDIALOG: return 0;
        case DM_GETDEFID: {
            for (HWND c : std::vector<HWND>(w->children))
                if (Window* cw = findWindow(c); cw && cw->className == u"Button" &&
                                                (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                    return MAKELONG(WORD(cw->id), DC_HASDEFID);
            return 0;
        }
        case DM_SETDEFID: {
            for (HWND c : std::vector<HWND>(w->children)) {
                Window* cw = findWindow(c);
                if (!cw || cw->className != u"Button") continue;
                const DWORD type = cw->style & BS_TYPEMASK;
                if (cw->id == LONG_PTR(wParam) && type == BS_PUSHBUTTON)
                    SendMessageW(c, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
                else if (cw->id != LONG_PTR(wParam) && type == BS_DEFPUSHBUTTON)
                    SendMessageW(c, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            }
            return TRUE;
        }
        case WM_SETFOCUS: {
            HWND target = w->lastFocus && IsChild(dialog, w->lastFocus) && canTakeFocus(w->lastFocus)
                              ? w->lastFocus
                              : GetNextDlgTabItem(dialog, nullptr, FALSE);
            if (target) SetFocus(target);
            return 0;
        }
        case WM_CLOSE: pressButton(dialog, IDCANCEL); return 0;
        case WM_ERASEBKGND: return 1;
        default: return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

WINBASEAPI BOOL WINAPI IsDialogMessageW(HWND dialog, LPMSG msg) {
    if (!msg || !dialog || !IsWindow(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
        const HWND focus = msg->hwnd;
        const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        const bool wantsAll = code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
        const UINT key = UINT(msg->wParam);
        if (msg->message == WM_KEYDOWN && !wantsAll) {
            switch (key) {
                case VK_TAB:
                    if (code & DLGC_WANTTAB) break;
                    if (HWND next = GetNextDlgTabItem(dialog, focus == dialog ? nullptr : focus,
                                                      GetKeyState(VK_SHIFT) < 0)) {
                        SetFocus(next);
                        if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                            SendMessageW(next, EM_SETSEL, 0, -1);
                    }
                    return TRUE;
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN:
                    if (code & DLGC_WANTARROWS) break;
                    if (HWND next = GetNextDlgGroupItem(dialog, focus, key == VK_LEFT || key == VK_UP)) {
                        SetFocus(next);
                        const LRESULT nc = SendMessageW(next, WM_GETDLGCODE, 0, 0);
                        if ((nc & DLGC_RADIOBUTTON) && IsWindow(next)) SendMessageW(next, BM_CLICK, 0, 0);
                    }
                    return TRUE;
                case VK_RETURN: pressButton(dialog, enterId(dialog, focus, code)); return TRUE;
                case VK_ESCAPE: pressButton(dialog, IDCANCEL); return TRUE;
                default: break;
            }
        }
        // The characters of those keys are spent once the dialog took them.
        if (msg->message == WM_CHAR && !wantsAll && (key == '\t' || key == '\r' || key == 27) &&
            !(key == '\t' && (code & DLGC_WANTTAB)))
            return TRUE;
    }
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}

WINBASEAPI HWND WINAPI GetDlgItem(HWND dialog, int id) {
    Window* w = windowOrFail(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children)
        if (const Window* cw = findWindow(c); cw && cw->id == id) return c;
    setError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

WINBASEAPI int WINAPI GetDlgCtrlID(HWND window) {
    Window* w = windowOrFail(window);
    return w && (w->style & WS_CHILD) ? int(w->id) : 0;
}

WINBASEAPI BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    enter("SetDlgItemTextW", std::to_string(id));
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextW(item, text) : FALSE;
}

WINBASEAPI UINT WINAPI GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int capacity) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && capacity > 0) buffer[0] = 0;
        return 0;
    }
    return UINT(GetWindowTextW(item, buffer, capacity));
}

WINBASEAPI BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
    const std::string s = isSigned ? std::to_string(int32_t(value)) : std::to_string(value);
    const std::u16string t(s.begin(), s.end());
    return SetDlgItemTextW(dialog, id, t.c_str());
}

WINBASEAPI UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
    if (translated) *translated = FALSE;
    WCHAR buf[64];
    if (!GetDlgItemTextW(dialog, id, buf, 64) && !IsWindow(GetDlgItem(dialog, id))) return 0;
    const WCHAR* p = buf;
    while (*p == u' ') ++p;
    bool negative = false;
    if (isSigned && *p == u'-') negative = true, ++p;
    if (*p < u'0' || *p > u'9') return 0;
    int64_t v = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        v = v * 10 + (*p - u'0');
        if (v > 0xFFFFFFFFll) return 0;  // overflow: not translated
    }
    while (*p == u' ') ++p;
    if (*p) return 0;
    if (negative) v = -v;
    if (isSigned && (v > INT32_MAX || v < INT32_MIN)) return 0;
    if (translated) *translated = TRUE;
    return UINT(uint32_t(v));
}

WINBASEAPI BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND b = GetDlgItem(dialog, id);
    if (!b) return FALSE;
    SendMessageW(b, BM_SETCHECK, check, 0);
    return TRUE;
}

WINBASEAPI UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    HWND b = GetDlgItem(dialog, id);
    return b ? UINT(SendMessageW(b, BM_GETCHECK, 0, 0)) : 0;
}

WINBASEAPI BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check) {
    if (!windowOrFail(dialog)) return FALSE;
    for (int id = first; id <= last; ++id)
        if (HWND b = GetDlgItem(dialog, id)) SendMessageW(b, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

WINBASEAPI LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageW(item, message, wParam, lParam) : 0;
}

WINBASEAPI HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    if (!windowOrFail(dialog)) return nullptr;
    std::vector<HWND> all;
    navigable(dialog, all);
    std::vector<HWND> stops;
    for (HWND h : all)
        if (Window* w = findWindow(h); w && (w->style & WS_TABSTOP) && canTakeFocus(h)) stops.push_back(h);
    if (stops.empty()) return control;
    if (previous) std::reverse(stops.begin(), stops.end());
    if (!control) return stops.front();
    // The control's place among every navigable window, stops or not.
    auto at = std::find(all.begin(), all.end(), control);
    if (at == all.end()) return stops.front();
    if (previous) {
        for (auto it = std::make_reverse_iterator(at); it != all.rend(); ++it)
            if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
        return stops.front();
    }
    for (auto it = at + 1; it != all.end(); ++it)
        if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
    return stops.front();
}

WINBASEAPI HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    if (!windowOrFail(dialog)) return nullptr;
    std::vector<HWND> all;
    navigable(dialog, all);
    auto at = std::find(all.begin(), all.end(), control);
    if (at == all.end()) return nullptr;
    // The group: from the WS_GROUP window at or before the control up to the
    // next WS_GROUP window.
    auto isGroupStart = [](HWND h) {
        Window* w = findWindow(h);
        return w && (w->style & WS_GROUP);
    };
    auto begin = at;
    while (begin != all.begin() && !isGroupStart(*begin)) --begin;
    auto end = at + 1;
    while (end != all.end() && !isGroupStart(*end)) ++end;
    std::vector<HWND> group(begin, end);
    const size_t n = group.size();
    const size_t i = size_t(std::find(group.begin(), group.end(), control) - group.begin());
    for (size_t k = 1; k < n; ++k) {
        HWND h = group[previous ? (i + n - k) % n : (i + k) % n];
        if (canTakeFocus(h)) return h;
    }
    return control;
}

WINBASEAPI BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
    if (!windowOrFail(dialog) || !rect) return FALSE;
    rect->left = unitsX(rect->left), rect->right = unitsX(rect->right);
    rect->top = unitsY(rect->top), rect->bottom = unitsY(rect->bottom);
    return TRUE;
}

}  // extern "C"
