// Focus and its notifications, capture, the cursor a mouse move sets, key
// state, help requests, beeps and the fixed metrics.
#include "window/window_support.h"

namespace wintest {
namespace {

using Input = WindowTest;

TEST_F(Input, FocusMovesWithKillAndSetFocusAndTheControlsTellTheirParent) {
    Recorder rec;
    HWND d = open({{kEdit, 1, WS_TABSTOP, 5, 5, 50, 12, u""},
                   {kListBox, 2, LBS_NOTIFY | WS_TABSTOP, 5, 20, 50, 30, u""},
                   {kListBox, 3, WS_TABSTOP, 60, 20, 50, 30, u""},
                   {kCombo, 4, CBS_DROPDOWNLIST | WS_TABSTOP, 60, 5, 50, 40, u""}});
    rec.lines.clear();
    EXPECT_EQ(SetFocus(GetDlgItem(d, 1)), nullptr);
    EXPECT_EQ(SetFocus(GetDlgItem(d, 2)), GetDlgItem(d, 1));
    SetFocus(GetDlgItem(d, 3));  // no LBS_NOTIFY: silent
    SetFocus(GetDlgItem(d, 4));
    SetFocus(nullptr);
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 1 256", "COMMAND 1 512", "COMMAND 2 4",
                                                              "COMMAND 2 5", "COMMAND 4 3", "COMMAND 4 4"}));
    EXPECT_EQ(GetFocus(), nullptr);
    // A focused window that goes takes the focus with it; so does disabling.
    SetFocus(GetDlgItem(d, 1));
    EnableWindow(GetDlgItem(d, 1), FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
    SetFocus(GetDlgItem(d, 2));
    DestroyWindow(GetDlgItem(d, 2));
    EXPECT_EQ(GetFocus(), nullptr);
}

std::vector<std::string>* g_events = nullptr;

LRESULT CALLBACK tracking(HWND h, UINT m, WPARAM w, LPARAM l) {
    WCHAR name[8] = {};
    DefWindowProcW(h, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(name));
    const std::string who = winsim::toUtf8(name);
    switch (m) {
        case WM_CAPTURECHANGED: g_events->push_back(who + " capture lost"); return 0;
        case WM_SETCURSOR:
            g_events->push_back(who + " setcursor " + std::to_string(LOWORD(l)) + " " + std::to_string(HIWORD(l)));
            if (who == "parent") {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;  // the parent decides: the child is not asked to set its own
            }
            break;
        case WM_MOUSEMOVE:
            g_events->push_back(who + " move " + std::to_string(GET_X_LPARAM(l)) + "," + std::to_string(GET_Y_LPARAM(l)) +
                                (w & MK_LBUTTON ? " down" : ""));
            return 0;
        case WM_LBUTTONDOWN: g_events->push_back(who + " down"); SetCapture(h); return 0;
        case WM_LBUTTONUP: g_events->push_back(who + " up"); ReleaseCapture(); return 0;
        default: break;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST_F(Input, TheMouseGoesByHitTestAndCaptureAndTheParentChoosesTheCursor) {
    std::vector<std::string> events;
    g_events = &events;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &tracking;
    wc.lpszClassName = u"Tracking";
    ASSERT_TRUE(RegisterClassExW(&wc));
    HWND parent = CreateWindowExW(0, u"Tracking", u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"Tracking", u"child", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    HWND other = CreateWindowExW(0, u"Tracking", u"other", WS_CHILD | WS_VISIBLE, 100, 100, 50, 50, parent,
                                 reinterpret_cast<HMENU>(8), nullptr, nullptr);
    ASSERT_TRUE(child && other);
    run("click 7");
    // The parent chose the cursor for the child's client area; the child
    // took the capture on the press and let it go on the release.
    EXPECT_EQ(events, (std::vector<std::string>{"child setcursor 1 512", "parent setcursor 1 512", "child move 25,25",
                                                "child setcursor 1 513", "parent setcursor 1 513", "child down",
                                                "child up", "child capture lost"}));
    EXPECT_EQ(winsim::cursorLog(), (std::vector<uint32_t>{32514}));
    EXPECT_EQ(GetKeyState(VK_LBUTTON), 0);
    POINT at{};
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 35);
    // While the child holds the capture, the mouse over the other window is
    // the child's, in the child's coordinates, and no cursor is asked for.
    events.clear();
    SetCapture(child);
    run("hover 8");
    EXPECT_EQ(events, (std::vector<std::string>{"child move 115,115"}));
    SetCapture(other);
    EXPECT_EQ(events.back(), "child capture lost");
    ReleaseCapture();
    EXPECT_EQ(events.back(), "other capture lost");
    EXPECT_EQ(GetCapture(), nullptr);
    g_events = nullptr;
}

TEST_F(Input, HelpRequestsKeepTheirIdPairsAndMetricsAreFixed) {
    const DWORD pairs[] = {2017, 22017, 2069, 22069, 0, 0};
    EXPECT_TRUE(WinHelpW(nullptr, u"VESK.HLP", HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(pairs)));
    EXPECT_TRUE(WinHelpW(nullptr, u"VESK.HLP", HELP_CONTEXTPOPUP, 22001));
    EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
    const auto help = winsim::helpLog();
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].file, u"VESK.HLP");
    EXPECT_EQ(help[0].idPairs, (std::vector<std::pair<DWORD, DWORD>>{{2017, 22017}, {2069, 22069}}));
    EXPECT_TRUE(help[1].idPairs.empty());
    EXPECT_EQ(help[1].data, 22001u);
    EXPECT_EQ(winsim::beepLog(), (std::vector<UINT>{UINT(MB_ICONEXCLAMATION)}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(GetSystemMetrics(SM_CXHSCROLL), 16);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00FFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x00C0C0C0u);
    EXPECT_NE(GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

}  // namespace
}  // namespace wintest
