// The message queue: the order of what it hands out, timers on the virtual
// clock, posted WM_PAINT, idle points and their failure rule, the message
// budget, message boxes that pump.
#include <win/sync.h>
#include <win/ui.h>
#include <winsim/ui.h>

#include "window/window_support.h"

namespace wintest {
namespace {

std::vector<std::string> g_seen;

LRESULT CALLBACK seeing(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(h, &ps);
            g_seen.push_back("paint " + std::to_string(ps.rcPaint.right - ps.rcPaint.left));
            EndPaint(h, &ps);
            return 0;
        }
        case WM_TIMER: g_seen.push_back("timer " + std::to_string(w) + " at " + std::to_string(GetTickCount())); return 0;
        case WM_USER: g_seen.push_back("user " + std::to_string(w)); return 0;
        case WM_USER + 1:
            // Posts itself again: a post storm.
            PostMessageW(h, WM_USER + 1, 0, 0);
            return 0;
        default: return DefWindowProcW(h, m, w, l);
    }
}

class Queue : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_seen.clear();
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &seeing;
        wc.lpszClassName = u"Seeing";
        ASSERT_TRUE(RegisterClassExW(&wc));
        w_ = CreateWindowExW(0, u"Seeing", u"", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(w_);
    }
    // Dispatches what the queue has without reaching an idle point.
    void drain() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
    HWND w_ = nullptr;
};

TEST_F(Queue, PostedMessagesComeBeforePaintAndPaintBeforeTimers) {
    ShowWindow(w_, SW_SHOWNA);  // shown: invalid
    SetTimer(w_, 3, 10, nullptr);
    winsim::advanceClock(10);
    PostMessageW(w_, WM_USER, 1, 0);
    PostMessageW(w_, WM_USER, 2, 0);
    drain();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"user 1", "user 2", "paint 50", "timer 3 at 1010"}));
    // A posted WM_PAINT is an ordinary message: no update region, an empty paint.
    g_seen.clear();
    PostMessageW(w_, WM_PAINT, 0, 0);
    drain();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"paint 0"}));
}

TEST_F(Queue, TimersFallDueOnTheVirtualClockOnlyAndStopWhenKilled) {
    ASSERT_TRUE(SetTimer(w_, 1, 100, nullptr));
    drain();
    EXPECT_TRUE(g_seen.empty());
    winsim::advanceClock(99);
    drain();
    EXPECT_TRUE(g_seen.empty());
    winsim::advanceClock(1);
    drain();
    winsim::advanceClock(250);  // late: one message, not two
    drain();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"timer 1 at 1100", "timer 1 at 1350"}));
    EXPECT_TRUE(KillTimer(w_, 1));
    EXPECT_FALSE(KillTimer(w_, 1));
    winsim::advanceClock(1000);
    drain();
    EXPECT_EQ(g_seen.size(), 2u);
    // A timer without a window calls its procedure.
    static int calls = 0;
    const UINT_PTR id = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
    ASSERT_NE(id, 0u);
    winsim::advanceClock(20);
    drain();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(KillTimer(nullptr, id));
    // A destroyed window's timers go with it.
    SetTimer(w_, 2, 10, nullptr);
    DestroyWindow(w_);
    winsim::advanceClock(10);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, AnIdlePointWithoutAStepFailsAndEndsItsLoop) {
    auto t = dialogTemplate({{kButton, IDOK, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14, u"OK"}});
    Recorder rec;
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, t.data(), nullptr, &Recorder::proc, 0), IDCANCEL);
    ASSERT_EQ(winsim::ui::failures().size(), 1u);
    EXPECT_EQ(winsim::ui::failures()[0], "unexpected wait in dialog (no template)");
    EXPECT_EQ(winsim::windows().size(), 1u);  // the dialog is gone
    // A plain message loop is ended by WM_QUIT.
    MSG m;
    EXPECT_FALSE(GetMessageW(&m, nullptr, 0, 0));
    EXPECT_EQ(winsim::ui::failures().size(), 2u);
    // A loop filtered to one window, which would never see WM_QUIT, fails.
    EXPECT_EQ(GetMessageW(&m, w_, 0, 0), -1);
    EXPECT_EQ(winsim::ui::failures().size(), 3u);
}

// Each level opens the next and then waits for a user who never comes.
INT_PTR CALLBACK waiting(HWND h, UINT m, WPARAM, LPARAM l) {
    static std::vector<uint8_t> t = dialogTemplate({});
    if (m == WM_INITDIALOG) {
        SetWindowLongPtrW(h, DWLP_USER, l);
        if (l < 3) PostMessageW(h, WM_APP, 0, 0);
        return TRUE;
    }
    if (m == WM_APP) {
        const LPARAM level = GetWindowLongPtrW(h, DWLP_USER);
        const INT_PTR r = DialogBoxIndirectParamW(nullptr, t.data(), h, &waiting, level + 1);
        g_seen.push_back("level " + std::to_string(level) + " got " + std::to_string(r));
        return TRUE;
    }
    return FALSE;
}

TEST_F(Queue, FailedWaitsUnwindNestedDialogsOneByOne) {
    auto t = dialogTemplate({});
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, t.data(), nullptr, &waiting, 1), IDCANCEL);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"level 2 got 2", "level 1 got 2"}));
    EXPECT_EQ(winsim::ui::failures().size(), 3u);
    EXPECT_EQ(winsim::windows().size(), 1u);
}

TEST_F(Queue, APostStormSpendsTheBudgetAndEndsTheDialog) {
    auto t = dialogTemplate({});
    Recorder rec;
    rec.handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) PostMessageW(w_, WM_USER + 1, 0, 0);
        (void)h;
        return FALSE;
    };
    winsim::ui::setMessageBudget(500);
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, t.data(), nullptr, &Recorder::proc, 0), IDCANCEL);
    ASSERT_FALSE(winsim::ui::failures().empty());
    EXPECT_EQ(winsim::ui::failures()[0], "message budget spent in dialog 0");
}

TEST_F(Queue, AMessageBoxPumpsPostedMessagesAndTakesTheScriptsAnswer) {
    PostMessageW(w_, WM_USER, 5, 0);
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("answer IDNO", &error));
    EXPECT_EQ(MessageBoxW(w_, u"Keep?", u"c", MB_YESNO), IDNO);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"user 5"}));
    // Past the script, a box fails the run and the user backs out.
    EXPECT_EQ(MessageBoxW(w_, u"Again?", u"c", MB_YESNOCANCEL), IDCANCEL);
    ASSERT_EQ(winsim::ui::failures().size(), 1u);
    EXPECT_EQ(winsim::ui::failures()[0], "unexpected message box \"Again?\"");
    winsim::clearMessageBoxes();
}

TEST_F(Queue, TheIdleWaitTakesAStepOrLetsTimePass) {
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, 500, QS_ALLINPUT), DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(GetTickCount(), 1500u);
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("wait 20", &error));
    SetTimer(w_, 9, 20, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, INFINITE, QS_ALLINPUT), DWORD(WAIT_OBJECT_0 + 1));
    SetEvent(ev);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, INFINITE, QS_ALLINPUT), DWORD(WAIT_OBJECT_0));
    CloseHandle(ev);
    EXPECT_TRUE(winsim::ui::failures().empty());
}

}  // namespace
}  // namespace wintest
