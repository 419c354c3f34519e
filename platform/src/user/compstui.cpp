// The common property sheet UI: one session per call of
// CommonPropertySheetUIW. The caller's sheet function adds its pages through
// the session's function while it initialises; the session then runs the
// property-sheet frame over them and reports the result the sheet function
// set last.
#include <win/compstui.h>

#include <algorithm>
#include <map>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace winsim::detail {
INT_PTR runPropertySheet(const PROPSHEETHEADERW* h, bool* endedByOk);
bool isPropertySheetPage(HPROPSHEETPAGE page);
}

namespace {

constexpr uintptr_t kSessionTag = 0x77000000;
constexpr size_t kMaxTitle = 260;

struct Session {
    std::vector<HPROPSHEETPAGE> pages;
    bool running = false;  // the frame is up: no more pages
    bool resultSet = false;
    LONG_PTR result = 0;
};

struct Sessions {
    std::map<uintptr_t, Session*> live;
    uintptr_t next = 1;
};
Sessions& sessions() {
    static auto* s = new Sessions;
    return *s;
}

Session* sessionOf(HANDLE h) {
    auto it = sessions().live.find(reinterpret_cast<uintptr_t>(h));
    return it == sessions().live.end() ? nullptr : it->second;
}

LONG_PTR CALLBACK comPropSheet(HANDLE handle, UINT function, LPARAM lParam1, LPARAM lParam2) {
    Session* s = sessionOf(handle);
    if (!s) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (function) {
        case CPSFUNC_ADD_HPROPSHEETPAGE: {
            auto page = reinterpret_cast<HPROPSHEETPAGE>(lParam1);
            // Only live pages join, and only before the frame is up; the
            // session ends them all.
            if (s->running || !isPropertySheetPage(page) ||
                std::find(s->pages.begin(), s->pages.end(), page) != s->pages.end()) {
                setError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            s->pages.push_back(page);
            return LONG_PTR(s->pages.size());
        }
        case CPSFUNC_SET_RESULT:
            s->resultSet = true;
            s->result = lParam2;
            return 1;
        default: setError(ERROR_NOT_SUPPORTED); return 0;
    }
}

}  // namespace

extern "C" {

WINBASEAPI LONG WINAPI CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI sheet, LPARAM lParam, LPDWORD result) {
    if (enter("CommonPropertySheetUIW")) return ERR_CPSUI_GETLASTERROR;
    if (!sheet || (owner && !IsWindow(owner))) {
        setError(ERROR_INVALID_PARAMETER);
        return ERR_CPSUI_GETLASTERROR;
    }
    Session s;
    uintptr_t handle = 0;
    {
        std::lock_guard g(userLock());
        handle = kSessionTag | (sessions().next++ << 2);
        sessions().live[handle] = &s;
    }
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof info;
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = PROPSHEETUI_REASON_INIT;
    info.hComPropSheet = reinterpret_cast<HANDLE>(handle);
    info.pfnComPropSheet = comPropSheet;
    info.lParamInit = lParam;
    auto finish = [&](LONG r) {
        // Pages the frame never took are ended here.
        for (HPROPSHEETPAGE p : s.pages) DestroyPropertySheetPage(p);
        std::lock_guard g(userLock());
        sessions().live.erase(handle);
        return r;
    };
    if (sheet(&info, lParam) <= 0) {
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        sheet(&info, 0);
        return finish(ERR_CPSUI_GETLASTERROR);
    }
    PROPSHEETUI_INFO_HEADER header{};
    header.cbSize = sizeof header;
    header.hWndParent = owner;
    info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    sheet(&info, reinterpret_cast<LPARAM>(&header));
    // The title is the sheet function's (bounded); its icon is taken as given.
    std::u16string title;
    if (header.pTitle) title.assign(header.pTitle, wlenBounded(header.pTitle, kMaxTitle));
    bool ok = false;
    INT_PTR ran = -1;
    if (!s.pages.empty()) {
        PROPSHEETHEADERW psh{};
        psh.dwSize = sizeof psh;
        psh.dwFlags = ((header.Flags & PSUIHDRF_NOAPPLYNOW) ? PSH_NOAPPLYNOW : 0) |
                      ((header.Flags & PSUIHDRF_PROPTITLE) ? PSH_PROPTITLE : 0);
        psh.hwndParent = owner;
        psh.hInstance = header.hInst;
        psh.pszCaption = title.c_str();
        psh.nPages = UINT(s.pages.size());
        psh.phpage = s.pages.data();
        s.running = true;
        ran = runPropertySheet(&psh, &ok);
        s.pages.clear();  // the sheet ended them
    } else {
        setError(ERROR_INVALID_DATA);
    }
    info.Reason = PROPSHEETUI_REASON_DESTROY;
    sheet(&info, ok ? 1 : 0);
    if (result) *result = DWORD(s.resultSet ? s.result : LONG_PTR(info.Result));
    return finish(ran < 0 ? ERR_CPSUI_GETLASTERROR : ok ? CPSUI_OK : CPSUI_CANCEL);
}

}  // extern "C"
