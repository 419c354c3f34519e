// The window manager: destruction order and stale handles, subclass chains,
// z-order, coordinates and hit tests, window longs, faults.
#include "platform/last_error.h"
#include "window/window_support.h"

namespace wintest {
namespace {

std::vector<std::string>* g_log = nullptr;

LRESULT CALLBACK loggingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    WCHAR text[32] = {};
    if ((m == WM_DESTROY || m == WM_NCDESTROY) && g_log) {
        DefWindowProcW(h, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text));
        g_log->push_back((m == WM_DESTROY ? "destroy " : "ncdestroy ") + winsim::toUtf8(text));
    }
    return DefWindowProcW(h, m, w, l);
}

HWND make(const char16_t* text, HWND parent, int id = 0) {
    return CreateWindowExW(0, u"Logged", text, parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE, 0, 0, 100,
                           100, parent, reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
}

class Windows : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &loggingProc;
        wc.lpszClassName = u"Logged";
        ASSERT_TRUE(RegisterClassExW(&wc));
        g_log = &log_;
    }
    void TearDown() override {
        g_log = nullptr;
        WindowTest::TearDown();
    }
    std::vector<std::string> log_;
};

TEST_F(Windows, DestroyGoesParentFirstThenFreesChildrenFirstAndAReusedSlotKeepsTheOldHandleDead) {
    HWND owner = make(u"owner", nullptr);
    HWND top = make(u"top", nullptr);
    HWND a = make(u"a", top), b = make(u"b", top), a1 = make(u"a1", a);
    HWND owned = CreateWindowExW(0, u"Logged", u"owned", WS_POPUP, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owned && a1 && b && owner);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
    EXPECT_TRUE(DestroyWindow(top));
    const std::vector<std::string> expected = {"destroy owned", "ncdestroy owned", "destroy top",     "destroy a",
                                               "destroy a1",    "destroy b",       "ncdestroy a1",    "ncdestroy a",
                                               "ncdestroy b",   "ncdestroy top"};
    EXPECT_EQ(log_, expected);
    for (HWND h : {top, a, b, a1, owned}) EXPECT_FALSE(IsWindow(h));
    EXPECT_TRUE(IsWindow(owner));
    // The freed slots are used again, with new handles.
    HWND again = make(u"again", nullptr);
    ASSERT_TRUE(again);
    EXPECT_NE(again, top);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FAILS_WITH(DestroyWindow(top), FALSE, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FAILS_WITH(SetWindowTextW(a, u"x"), FALSE, ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Windows, StaleForeignAndNullArgumentsFailWithoutHarm) {
    HWND w = make(u"hello", nullptr);
    const HWND foreign = reinterpret_cast<HWND>(uintptr_t(0xDEAD0000));
    WCHAR buf[8] = {u'?'};
    EXPECT_FAILS_WITH(GetWindowTextW(foreign, buf, 8), 0, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(buf[0], 0);
    EXPECT_FAILS_WITH(SendMessageW(foreign, WM_GETTEXTLENGTH, 0, 0), 0, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FAILS_WITH(PostMessageW(foreign, WM_USER, 0, 0), FALSE, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FAILS_WITH(GetWindowLongPtrW(w, 4096), 0, ERROR_INVALID_INDEX);
    EXPECT_EQ(GetWindowTextW(w, nullptr, 8), 0);
    EXPECT_EQ(GetWindowTextW(w, buf, 0), 0);
    EXPECT_EQ(GetWindowTextW(w, buf, 3), 2);   // cut to the buffer, terminated
    EXPECT_EQ(std::u16string(buf), u"he");
    EXPECT_TRUE(SetWindowTextW(w, nullptr));
    EXPECT_EQ(GetWindowTextLengthW(w), 0);
    std::u16string longText(100000, u'x');
    EXPECT_TRUE(SetWindowTextW(w, longText.c_str()));
    EXPECT_EQ(GetWindowTextLengthW(w), 100000);
    EXPECT_FAILS_WITH(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                      nullptr, ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_FAILS_WITH(CreateWindowExW(0, u"Logged", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                      nullptr, ERROR_TLW_WITH_WSCHILD);
    EXPECT_FALSE(GetMessageW(nullptr, nullptr, 0, 0) == TRUE);
}

// Two subclasses over the class procedure, each passing on to the one it
// replaced.
WNDPROC g_beforeA = nullptr, g_beforeB = nullptr;
LRESULT CALLBACK subA(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) return 10 + CallWindowProcW(g_beforeA, h, m, w, l);
    return CallWindowProcW(g_beforeA, h, m, w, l);
}
LRESULT CALLBACK subB(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) return 100 + CallWindowProcW(g_beforeB, h, m, w, l);
    return CallWindowProcW(g_beforeB, h, m, w, l);
}
LRESULT CALLBACK base(HWND h, UINT m, WPARAM w, LPARAM l) { return m == WM_USER ? 1 : DefWindowProcW(h, m, w, l); }

TEST_F(Windows, SubclassChainsTwoDeepCallThroughAndUnwind) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &base;
    wc.lpszClassName = u"Base";
    ASSERT_TRUE(RegisterClassExW(&wc));
    EXPECT_FAILS_WITH(RegisterClassExW(&wc), 0, ERROR_CLASS_ALREADY_EXISTS);
    HWND h = CreateWindowExW(0, u"Base", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    g_beforeA = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subA)));
    g_beforeB = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subB)));
    EXPECT_EQ(g_beforeA, &base);
    EXPECT_EQ(g_beforeB, &subA);
    EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 111);
    // Text messages reach the default procedure through both.
    SetWindowTextW(h, u"through");
    WCHAR buf[16];
    EXPECT_EQ(GetWindowTextW(h, buf, 16), 7);
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_beforeB));
    EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 11);
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_beforeA));
    EXPECT_EQ(SendMessageW(h, WM_USER, 0, 0), 1);
}

TEST_F(Windows, ZOrderInsertAfterAndEnumerationFollowTheTree) {
    HWND top = make(u"top", nullptr);
    HWND a = make(u"a", top, 1), b = make(u"b", top, 2), c = make(u"c", top, 3), b1 = make(u"b1", b, 4);
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    EXPECT_EQ(GetTopWindow(top), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);
    EXPECT_TRUE(SetWindowPos(a, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(GetWindow(top, GW_CHILD), b);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), a);
    EXPECT_TRUE(SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    std::vector<HWND> seen;
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<HWND>{a, b, b1, c}));
    EXPECT_EQ(GetParent(b1), b);
    EXPECT_EQ(GetDlgCtrlID(b1), 4);
    EXPECT_TRUE(IsChild(top, b1));
    EXPECT_EQ(FindWindowW(u"Logged", u"top"), top);
}

TEST_F(Windows, CoordinatesMapThroughFramesAndHitTestsSkipTransparentStatics) {
    // A captioned frame: its client area starts inside the frame and caption.
    HWND frame = CreateWindowExW(0, u"Logged", u"", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 50, 300, 200, nullptr,
                                 nullptr, nullptr, nullptr);
    RECT client{};
    GetClientRect(frame, &client);
    EXPECT_EQ(client.right, 300 - 2 * 3);
    EXPECT_EQ(client.bottom, 200 - 2 * 3 - GetSystemMetrics(SM_CYCAPTION));
    HWND button = CreateWindowExW(0, u"Button", u"b", WS_CHILD | WS_VISIBLE, 10, 20, 80, 30, frame,
                                  reinterpret_cast<HMENU>(7), nullptr, nullptr);
    HWND label = CreateWindowExW(0, u"Static", u"s", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, frame,
                                 reinterpret_cast<HMENU>(8), nullptr, nullptr);
    SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // over the button
    POINT p{15, 25};
    ClientToScreen(button, &p);
    EXPECT_EQ(p.x, 100 + 3 + 10 + 15);
    EXPECT_EQ(p.y, 50 + 3 + 18 + 20 + 25);
    EXPECT_EQ(WindowFromPoint(p), button);  // the static lets the mouse through
    SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | SS_NOTIFY);
    EXPECT_EQ(WindowFromPoint(p), label);
    POINT q{15, 25};
    MapWindowPoints(button, frame, &q, 1);
    EXPECT_EQ(q.x, 25);
    EXPECT_EQ(q.y, 45);
    ScreenToClient(frame, &p);
    EXPECT_EQ(ChildWindowFromPoint(frame, p), label);
    EXPECT_TRUE(MoveWindow(button, 200, 0, 10, 10, FALSE));
    RECT r{};
    GetWindowRect(button, &r);
    EXPECT_EQ(r.left, 100 + 3 + 200);
    // Hidden and disabled windows are not hit.
    ShowWindow(label, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(label));
    EXPECT_EQ(WindowFromPoint(POINT{100 + 3 + 205, 50 + 21 + 5}), button);
    EnableWindow(button, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 3 + 205, 50 + 21 + 5}), frame);
}

TEST_F(Windows, EnableSendsEnableOnChangeOnlyAndLongsKeepTheirValues) {
    HWND h = make(u"w", nullptr);
    int enables = 0;
    static int* counter = nullptr;
    counter = &enables;
    g_beforeA = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        h, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_ENABLE) ++*counter;
            return CallWindowProcW(g_beforeA, w, m, wp, lp);
        })));
    EXPECT_FALSE(EnableWindow(h, FALSE));
    EXPECT_TRUE(EnableWindow(h, FALSE));  // already disabled: no message
    EXPECT_FALSE(IsWindowEnabled(h));
    EXPECT_TRUE(EnableWindow(h, TRUE));
    EXPECT_EQ(enables, 2);
    EXPECT_EQ(SetWindowLongPtrW(h, GWLP_USERDATA, 77), 0);
    EXPECT_EQ(GetWindowLongPtrW(h, GWLP_USERDATA), 77);
    EXPECT_EQ(SetWindowLongPtrW(h, GWLP_ID, 5), 0);
    EXPECT_EQ(GetWindowLongPtrW(h, GWLP_ID), 5);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_POPUP);
}

}  // namespace
}  // namespace wintest
