// The property-sheet frame over pages of the string library, driven by UI
// scripts, and the common property sheet UI around it.
#include <win/compstui.h>
#include <win/wingdi.h>
#include <win/modules.h>
#include <winsim/modules.h>

#include <filesystem>
#include <map>

#include "window/window_support.h"

namespace wintest {
namespace {

// What the pages were told, as "PAGE EVENT" lines, and what they answer.
struct PageLog {
    std::vector<std::string> lines;
    std::map<std::pair<int, UINT>, std::vector<LONG_PTR>> answers;  // (page, PSN_ code) -> results, first used first
    std::function<void(HWND page, int id, UINT message, WPARAM, LPARAM)> hook;
    std::map<HWND, int> ids;
    static PageLog*& current() {
        static PageLog* l = nullptr;
        return l;
    }
    PageLog() { current() = this; }
    ~PageLog() { current() = nullptr; }
    std::vector<std::string> take() { return std::exchange(lines, {}); }
};

const char* eventName(UINT code) {
    switch (code) {
        case PSN_SETACTIVE: return "SETACTIVE";
        case PSN_KILLACTIVE: return "KILLACTIVE";
        case PSN_APPLY: return "APPLY";
        case PSN_RESET: return "RESET";
        case PSN_HELP: return "HELP";
        default: return "?";
    }
}

INT_PTR CALLBACK pageProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    PageLog* log = PageLog::current();
    if (!log) return FALSE;
    if (m == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(l);
        log->ids[h] = int(psp->lParam);
        log->lines.push_back(std::to_string(psp->lParam) + " INIT");
    }
    const int id = log->ids.count(h) ? log->ids[h] : 0;
    if (log->hook) log->hook(h, id, m, w, l);
    if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) log->lines.push_back(std::to_string(id) + " COMMAND " + std::to_string(LOWORD(w)));
    if (m == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const PSHNOTIFY*>(l);
        std::string line = std::to_string(id) + " " + eventName(n->hdr.code);
        if (n->hdr.code == PSN_APPLY) line += " " + std::to_string(n->lParam);
        log->lines.push_back(line);
        LONG_PTR r = 0;
        auto& q = log->answers[{id, n->hdr.code}];
        if (!q.empty()) r = q.front(), q.erase(q.begin());
        SetWindowLongPtrW(h, DWLP_MSGRESULT, r);
        return TRUE;
    }
    return FALSE;
}

class Sheets : public StringLibraryTest {
protected:
    PROPSHEETPAGEW page(int id, DWORD flags = 0) const {
        PROPSHEETPAGEW p{};
        p.dwSize = sizeof p;
        p.dwFlags = flags;
        p.hInstance = lib_;
        p.pszTemplate = MAKEINTRESOURCEW(id);
        p.pfnDlgProc = pageProc;
        p.lParam = id;
        return p;
    }
    // Runs a sheet of pages 1002, 1003 (with help) and 1004 under a script.
    INT_PTR runSheet(const char* script, DWORD flags = PSH_HASHELP, UINT start = 1) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        const PROPSHEETPAGEW pages[] = {page(1002), page(1003, PSP_HASHELP), page(1004)};
        PROPSHEETHEADERW h{};
        h.dwSize = sizeof h;
        h.dwFlags = PSH_PROPSHEETPAGE | flags;
        h.pszCaption = u"P1";
        h.nPages = 3;
        h.nStartPage = start;
        h.ppsp = pages;
        return PropertySheetW(&h);
    }
    std::string lastDump() const {
        const auto d = winsim::ui::dumps();
        return d.empty() ? std::string() : d.back();
    }
};

using Lines = std::vector<std::string>;

TEST_F(Sheets, PagesAreMadeWhenFirstShownAndOkAppliesEveryMadePageInOrder) {
    PageLog log;
    LPARAM seen = 0;
    log.hook = [&](HWND, int, UINT m, WPARAM, LPARAM l) {
        if (m == WM_INITDIALOG) seen = reinterpret_cast<const PROPSHEETPAGEW*>(l)->lParam;
    };
    winsim::ui::Picture pic;
    winsim::ui::setPictureWriter([&](const std::string&, const winsim::ui::Picture& p, std::string*) {
        pic = p;
        return true;
    });
    const INT_PTR r = runSheet("dump; page 1004; page 1002; dump; png sheet; key ENTER", PSH_HASHELP | PSH_PROPTITLE);
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(log.take(), (Lines{"1003 INIT", "1003 SETACTIVE", "1003 KILLACTIVE", "1004 INIT", "1004 SETACTIVE",
                                 "1004 KILLACTIVE", "1002 INIT", "1002 SETACTIVE", "1002 KILLACTIVE", "1002 APPLY 1",
                                 "1003 APPLY 1", "1004 APPLY 1"}));
    EXPECT_EQ(seen, 1002);  // the last page made sees its own record
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 2u);
    // The first look: one page made, Apply waiting for a change, Help for this page.
    EXPECT_EQ(dumps[0].rfind("sheet #32770 \"P1 Properties\" pages 1002 [1003] 1004", 0), 0u) << dumps[0];
    EXPECT_NE(dumps[0].find("\n  dialog 1003 "), std::string::npos);
    EXPECT_EQ(dumps[0].find("dialog 1002"), std::string::npos);
    EXPECT_NE(dumps[0].find("  1 Button \"OK\" default\n"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[0].find("  2 Button \"Cancel\" push\n"), std::string::npos);
    EXPECT_NE(dumps[0].find("  12321 Button \"Apply\" push disabled\n"), std::string::npos);
    EXPECT_NE(dumps[0].find("  9 Button \"Help\" push\n"), std::string::npos);
    // The second: 1004 was left hidden, 1002 is shown and has no help.
    // A clicked tab leaves the focus on the strip of tabs.
    EXPECT_NE(dumps[1].find("pages [1002] 1003 1004 focus\n"), std::string::npos) << dumps[1];
    EXPECT_NE(dumps[1].find("9 Button \"Help\" push disabled"), std::string::npos);
    EXPECT_NE(dumps[1].find("dialog 1004 #32770 \"VPD_IDD_FINISH\" dialog hidden"), std::string::npos) << dumps[1];
    for (const std::string& d : dumps) {
        std::istringstream lines(d);
        std::string line;
        winsim::ui::ControlState parsed;
        while (std::getline(lines, line)) EXPECT_TRUE(winsim::ui::parseDumpLine(line, parsed)) << line;
    }
    winsim::ui::ControlState frame;
    ASSERT_TRUE(winsim::ui::parseDumpLine(dumps[1].substr(0, dumps[1].find('\n')), frame));
    EXPECT_EQ(frame.pages, (std::vector<int>{1002, 1003, 1004}));
    EXPECT_EQ(frame.currentPage, 0);
    // The picture: caption, then the strip of the three tabs' texts.
    ASSERT_GT(pic.width, 300);
    int ink = 0;
    for (int y = 30; y < 50; ++y)
        for (int x = 0; x < pic.width; ++x) ink += pic.at(x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(ink, 150);
    EXPECT_EQ(winsim::ui::livePropertySheetPages(), 0u);
    EXPECT_TRUE(winsim::windows().empty());
}

TEST_F(Sheets, ARefusingPageStopsTheApplyAndKeepsOrTakesTheFocusAsItAnswers) {
    PageLog log;
    log.answers[{1003, PSN_APPLY}] = {PSNRET_INVALID_NOCHANGEPAGE, PSNRET_INVALID};
    log.answers[{1002, PSN_KILLACTIVE}] = {0, 0, 1};
    // 1003 refuses: 1002 stays shown and 1004 hears nothing; then 1003
    // refuses again and takes the focus; then 1002 will not let go.
    const INT_PTR r = runSheet("page 1002; ok; dump; ok; dump; page 1002; page 1004; dump; ok");
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 3u);
    EXPECT_NE(dumps[0].find("pages [1002] 1003 1004"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[1].find("pages 1002 [1003] 1004"), std::string::npos) << dumps[1];
    EXPECT_NE(dumps[2].find("pages [1002] 1003 1004"), std::string::npos) << dumps[2];
    EXPECT_EQ(dumps[2].find("dialog 1004"), std::string::npos);
    EXPECT_EQ(log.take(),
              (Lines{"1003 INIT", "1003 SETACTIVE", "1003 KILLACTIVE", "1002 INIT", "1002 SETACTIVE",
                     // ok: NOCHANGEPAGE
                     "1002 KILLACTIVE", "1002 APPLY 1", "1003 APPLY 1",
                     // ok: INVALID shows 1003
                     "1002 KILLACTIVE", "1002 APPLY 1", "1003 APPLY 1", "1003 SETACTIVE",
                     // back to 1002, which then keeps its place
                     "1003 KILLACTIVE", "1002 SETACTIVE", "1002 KILLACTIVE",
                     // ok goes through
                     "1002 KILLACTIVE", "1002 APPLY 1", "1003 APPLY 1"}));
}

TEST_F(Sheets, FrameMessagesAndForeignCommandsReachTheCurrentPage) {
    PageLog log;
    HWND pageSeen = nullptr, currentSeen = nullptr;
    log.hook = [&](HWND h, int id, UINT m, WPARAM w, LPARAM) {
        HWND frame = GetParent(h);
        if (m == WM_INITDIALOG && id == 1003) {
            // As a page that relabels the sheet's OK button and adds one of its own.
            pageSeen = h;
            HWND ok = GetDlgItem(frame, IDOK);
            SetWindowLongPtrW(ok, GWLP_ID, 22222);
            RECT r{};
            GetWindowRect(ok, &r);
            POINT p{r.left, r.top};
            ScreenToClient(frame, &p);
            CreateWindowExW(0, u"Button", u"Save", WS_CHILD | WS_VISIBLE, p.x - 90, p.y, 75, 23, frame,
                            reinterpret_cast<HMENU>(11111), nullptr, nullptr);
            SendMessageW(frame, PSM_CHANGED, reinterpret_cast<WPARAM>(h), 0);
        }
        if (m == WM_COMMAND && LOWORD(w) == 11111)
            currentSeen = reinterpret_cast<HWND>(SendMessageW(frame, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (m == WM_COMMAND && LOWORD(w) == 22222) PostMessageW(frame, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    const INT_PTR r = runSheet("dump; apply; dump; click 11111; click 9; ok");
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_NE(dumps[0].find("12321 Button \"Apply\" push\n"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[0].find("22222 Button \"OK\" default"), std::string::npos);
    EXPECT_NE(dumps[1].find("12321 Button \"Apply\" push disabled"), std::string::npos) << dumps[1];
    ASSERT_TRUE(pageSeen);
    EXPECT_EQ(currentSeen, pageSeen);
    EXPECT_EQ(log.take(), (Lines{"1003 INIT", "1003 SETACTIVE",
                                 // apply: the pages stay, the current one is greeted again
                                 "1003 KILLACTIVE", "1003 APPLY 0", "1003 SETACTIVE",
                                 // the page's own button and Help
                                 "1003 COMMAND 11111", "1003 HELP",
                                 // ok: the relabelled button goes to the page, which presses OK
                                 "1003 COMMAND 22222", "1003 KILLACTIVE", "1003 APPLY 1"}));
}

TEST_F(Sheets, PagesSeeTheirWholeRecordAndAPressDuringAnApplyWaitsItsTurn) {
    PageLog log;
    struct Extended {
        PROPSHEETPAGEW psp;
        int own;  // the caller's data after the fields
    } ext{page(1002), 4321};
    ext.psp.dwSize = sizeof ext;
    int seen = 0;
    DWORD exStyle = 0;
    log.hook = [&](HWND h, int, UINT m, WPARAM, LPARAM l) {
        if (m == WM_INITDIALOG) {
            seen = reinterpret_cast<const Extended*>(l)->own;
            exStyle = DWORD(GetWindowLongPtrW(GetParent(h), GWL_EXSTYLE));
            SendMessageW(GetParent(h), PSM_CHANGED, reinterpret_cast<WPARAM>(h), 0);
        }
        if (m == WM_NOTIFY && reinterpret_cast<const PSHNOTIFY*>(l)->hdr.code == PSN_APPLY &&
            reinterpret_cast<const PSHNOTIFY*>(l)->lParam == 0)
            SendMessageW(GetParent(h), PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE;
    h.nPages = 1;
    h.ppsp = &ext.psp;
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("apply", &error));
    EXPECT_EQ(PropertySheetW(&h), 1);
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(seen, 4321);
    EXPECT_TRUE(exStyle & WS_EX_CONTEXTHELP);
    EXPECT_EQ(log.take(), (Lines{"1002 INIT", "1002 SETACTIVE", "1002 KILLACTIVE", "1002 APPLY 0", "1002 SETACTIVE",
                                 "1002 KILLACTIVE", "1002 APPLY 1"}));
    // Without context help the frame has no such button.
    h.dwFlags |= PSH_NOCONTEXTHELP;
    ASSERT_TRUE(winsim::ui::queueScript("cancel", &error));
    EXPECT_EQ(PropertySheetW(&h), 0);
    EXPECT_FALSE(exStyle & WS_EX_CONTEXTHELP);
}

TEST_F(Sheets, CancelResetsEveryMadePageAndBadSheetsAreRefused) {
    PageLog log;
    // A page of a running sheet cannot be ended under it.
    PROPSHEETPAGEW own = page(1002);
    HPROPSHEETPAGE held = CreatePropertySheetPageW(&own);
    BOOL ended = TRUE;
    DWORD why = 0;
    log.hook = [&](HWND, int, UINT m, WPARAM, LPARAM) {
        if (m == WM_INITDIALOG) ended = DestroyPropertySheetPage(held), why = GetLastError();
    };
    PROPSHEETHEADERW one{};
    one.dwSize = sizeof one;
    one.nPages = 1;
    one.phpage = &held;
    std::string script_error;
    ASSERT_TRUE(winsim::ui::queueScript("cancel", &script_error));
    EXPECT_EQ(PropertySheetW(&one), 0);
    EXPECT_FALSE(ended);
    EXPECT_EQ(why, DWORD(ERROR_BUSY));
    EXPECT_FALSE(DestroyPropertySheetPage(held));  // the sheet ended it
    log.hook = nullptr;
    log.take();
    EXPECT_EQ(runSheet("page 1004; key ESC", PSH_NOAPPLYNOW, 7), 0);  // a start past the end is the first page
    EXPECT_EQ(log.take(), (Lines{"1002 INIT", "1002 SETACTIVE", "1002 KILLACTIVE", "1004 INIT", "1004 SETACTIVE",
                                 "1002 RESET", "1004 RESET"}));
    // A stale page, no pages, a modeless sheet: -1, and the pages given still end.
    PROPSHEETPAGEW p = page(1002);
    HPROPSHEETPAGE pages[2] = {CreatePropertySheetPageW(&p), CreatePropertySheetPageW(&p)};
    ASSERT_TRUE(pages[0] && pages[1]);
    EXPECT_TRUE(DestroyPropertySheetPage(pages[1]));
    EXPECT_FALSE(DestroyPropertySheetPage(pages[1]));
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.nPages = 2;
    h.phpage = pages;
    EXPECT_EQ(PropertySheetW(&h), -1);
    EXPECT_EQ(winsim::ui::livePropertySheetPages(), 0u);
    h.nPages = 0;
    EXPECT_EQ(PropertySheetW(&h), -1);
    h.dwSize = 12;
    EXPECT_EQ(PropertySheetW(&h), -1);
    p.dwSize = 8;
    EXPECT_EQ(CreatePropertySheetPageW(&p), nullptr);
    // A page whose template is missing cannot be shown: the next one is.
    PROPSHEETPAGEW two[] = {page(9999), page(1002)};
    h = PROPSHEETHEADERW{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE;
    h.nPages = 2;
    h.ppsp = two;
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("dump; ok", &error));
    EXPECT_EQ(PropertySheetW(&h), 1);
    EXPECT_NE(lastDump().find("pages 0 [1002]"), std::string::npos) << lastDump();
    EXPECT_EQ(winsim::ui::livePropertySheetPages(), 0u);
}

// A sheet function as a printer interface library writes one.
struct SheetFunction {
    std::vector<std::string> calls;
    LONG initAnswer = 1;
    int setResult = -1;       // given to CPSFUNC_SET_RESULT at destroy when >= 0
    ULONG_PTR resultField = 0;
    HMODULE lib = nullptr;
    LONG_PTR added = 0;
    static SheetFunction*& current() {
        static SheetFunction* f = nullptr;
        return f;
    }
    static LONG CALLBACK proc(PPROPSHEETUI_INFO info, LPARAM l) {
        SheetFunction* f = current();
        f->calls.push_back(std::to_string(info->Reason) + " " + std::to_string(l == 0 || l == 1 ? l : 99));
        if (info->Reason == PROPSHEETUI_REASON_INIT) {
            PROPSHEETPAGEW p{};
            p.dwSize = sizeof p;
            p.hInstance = f->lib;
            p.pszTemplate = MAKEINTRESOURCEW(1009);
            p.pfnDlgProc = pageProc;
            p.lParam = 1009;
            HPROPSHEETPAGE page = CreatePropertySheetPageW(&p);
            f->added = info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                             reinterpret_cast<LPARAM>(page), 0);
            // A page joins once.
            EXPECT_EQ(info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                            reinterpret_cast<LPARAM>(page), 0),
                      0);
            EXPECT_EQ(info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE, 0x1234, 0), 0);
            return f->initAnswer;
        }
        if (info->Reason == PROPSHEETUI_REASON_GET_INFO_HEADER) {
            auto* h = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(l);
            h->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
            static WCHAR title[] = u"P1";
            h->pTitle = title;
            h->hInst = f->lib;
            h->IconID = 64082;
        }
        if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
            info->Result = f->resultField;
            if (f->setResult >= 0)
                info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_SET_RESULT, 0, f->setResult);
        }
        return 1;
    }
};

TEST_F(Sheets, TheCommonSheetUiRunsTheReasonsAndReportsTheLastResultSet) {
    HMODULE ui = LoadLibraryW(u"compstui.dll");
    ASSERT_TRUE(ui);
    auto run = reinterpret_cast<decltype(&CommonPropertySheetUIW)>(
        reinterpret_cast<void*>(GetProcAddress(ui, "CommonPropertySheetUIW")));
    ASSERT_TRUE(run);
    PageLog log;
    SheetFunction f;
    SheetFunction::current() = &f;
    f.lib = lib_;
    f.setResult = 7;
    f.resultField = 5;
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("dump; ok", &error));
    DWORD result = 0;
    EXPECT_EQ(run(nullptr, &SheetFunction::proc, 42, &result), CPSUI_OK);
    EXPECT_NE(f.added, 0);
    EXPECT_EQ(result, 7u);
    EXPECT_EQ(f.calls, (Lines{"0 99", "1 99", "2 1"}));
    EXPECT_EQ(lastDump().rfind("sheet #32770 \"P1 Properties\" pages [1009]", 0), 0u) << lastDump();
    EXPECT_EQ(lastDump().find("Apply"), std::string::npos);
    EXPECT_EQ(log.take(), (Lines{"1009 INIT", "1009 SETACTIVE", "1009 KILLACTIVE", "1009 APPLY 1"}));
    // Cancel without a result set: the Result field; destroy hears 0.
    f.calls.clear();
    f.setResult = -1;
    ASSERT_TRUE(winsim::ui::queueScript("cancel", &error));
    EXPECT_EQ(run(nullptr, &SheetFunction::proc, 42, &result), CPSUI_CANCEL);
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(f.calls, (Lines{"0 99", "1 99", "2 0"}));
    // A refused init: destroy, -1, nothing shown and no page left behind.
    f.calls.clear();
    f.initAnswer = 0;
    result = 99;
    EXPECT_EQ(run(nullptr, &SheetFunction::proc, 42, &result), ERR_CPSUI_GETLASTERROR);
    EXPECT_EQ(f.calls, (Lines{"0 99", "2 0"}));
    EXPECT_EQ(result, 99u);
    EXPECT_EQ(winsim::ui::livePropertySheetPages(), 0u);
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(run(nullptr, nullptr, 0, &result), ERR_CPSUI_GETLASTERROR);
    FreeLibrary(ui);
    // A machine without the library cannot load it.
    winsim::setModuleMissing(u"compstui.dll", true);
    EXPECT_EQ(LoadLibraryW(u"compstui.dll"), nullptr);
    winsim::setModuleMissing(u"compstui.dll", false);
    SheetFunction::current() = nullptr;
}

}  // namespace
}  // namespace wintest
