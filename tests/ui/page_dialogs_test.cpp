// Nested dialogs under a settings snapshot, the file tests of the pages and
// the hover help popup.
#include <win/wingdi.h>
#include <winsim/winsim.h>

#include <cstring>

#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "help/help_tip.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

class Dialogs : public PagePrinter {
protected:
    std::vector<BYTE> devmode() {
        const BYTE* dm = CtxGetDevmode(ctx_);
        return std::vector<BYTE>(dm, dm + 3808);
    }
    // Runs dialog `id` modally: at its first idle point a setting (the item
    // of dialog 1012's check box) changes, then `end` closes it.
    int runDialog(int id, const char* end) {
        winsim::ui::setDumpHandler([this, id](const std::string&) {
            UiPage* d = PageFindById(ctx_, id);
            if (d && d->window) {
                KeepClassProcs(ctx_, d);
                ItemSetValueById(ctx_, 210, ItemValueById(ctx_, 210) ? 0 : 1);
            }
        });
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(std::string("dump; ") + end, &error)) << error;
        const int r = OnFileButton(ctx_, 4, id, page_->window);
        winsim::ui::setDumpHandler(nullptr);
        for (const auto& f : winsim::ui::failures()) ADD_FAILURE() << f;
        return r;
    }
};

TEST_F(Dialogs, UnknownPageChangesNothing) {
    openPage();
    const uint32_t depth = DmSaveDepth(ctx_);
    EXPECT_EQ(OnFileButton(ctx_, 4, 4711, page_->window), 0);
    EXPECT_EQ(DmSaveDepth(ctx_), depth);
    EXPECT_EQ(SheetSessionOf(ctx_)->currentPageId, 1002);
}

TEST_F(Dialogs, CancelRestoresEverySettingOkKeeps) {
    openPage();
    const auto before = devmode();
    const uint32_t value = ItemValueById(ctx_, 210);
    EXPECT_EQ(runDialog(1012, "cancel"), IDCANCEL);
    EXPECT_EQ(devmode(), before);
    EXPECT_EQ(ItemValueById(ctx_, 210), value);
    EXPECT_EQ(SheetSessionOf(ctx_)->currentPageId, 1002);
    EXPECT_EQ(runDialog(1012, "ok"), IDOK);
    EXPECT_NE(ItemValueById(ctx_, 210), value);
    EXPECT_EQ(PageFindById(ctx_, 1012)->window, nullptr);
    EXPECT_EQ(PageFindById(ctx_, 1012)->modal, 0u);
}

TEST_F(Dialogs, DeepSaveStackRestoresCorrectly) {
    openPage();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(DmSaveState(ctx_), 1);
    const auto before = devmode();
    EXPECT_EQ(runDialog(1012, "cancel"), IDCANCEL);
    EXPECT_EQ(DmSaveDepth(ctx_), 3u);
    EXPECT_EQ(devmode(), before);
    for (int i = 0; i < 3; ++i) DmRestoreState(ctx_, 0);
}

TEST_F(Dialogs, Dialog1020KeepsTheSheetUnchanged) {
    openPage();
    int changed = 0;
    struct Counter {
        static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
            if (m == PSM_CHANGED) ++*reinterpret_cast<int*>(GetWindowLongPtrW(w, GWLP_USERDATA));
            return DefWindowProcW(w, m, wp, lp);
        }
    };
    SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&changed));
    SetWindowLongPtrW(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Counter::proc));
    const uint32_t value = ItemValueById(ctx_, 210);
    EXPECT_EQ(runDialog(1020, "ok"), IDOK);
    EXPECT_NE(ItemValueById(ctx_, 210), value);  // kept
    EXPECT_EQ(changed, 0);
    runDialog(1012, "ok");
    EXPECT_EQ(changed, 1);
    SetWindowLongPtrW(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
}

TEST_F(Dialogs, FileTests) {
    const std::u16string file = kDriverDir + u"probe.rst";
    EXPECT_EQ(UiFileExists(file.c_str()), 0);
    write(file, "[VESK]\r\n");
    EXPECT_EQ(UiFileExists(file.c_str()), 1);
    EXPECT_EQ(UiFileExists(nullptr), 0);
    // Listed under the first preset key; found under another spelling too.
    WCHAR key[kListKeyChars];
    const std::u16string ini(GetIniFilePath(ctx_));
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, FormatPresetKey(key, 0, 0), file.c_str(), ini.c_str()));
    std::u16string upper = file;
    for (auto& c : upper)
        if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    EXPECT_EQ(FileIsListed(ctx_, upper.c_str()), 1);
    EXPECT_EQ(IniGetInt(u"VESK", u"USED", 5, file.c_str()), 0u);
    const std::u16string other = kDriverDir + u"other.rst";
    write(other, "[VESK]\r\n");
    EXPECT_EQ(FileIsListed(ctx_, other.c_str()), 0);
}

class Hover : public PagePrinter {
protected:
    void SetUp() override {
        PagePrinter::SetUp();
        winsim::setVirtualClock(0, 1000);
    }
    void TearDown() override {
        winsim::useRealClock();
        PagePrinter::TearDown();
    }
    SIZE lineSize(const char16_t* text) {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(page_->window, WM_GETFONT, 0, 0)));
        SIZE s{};
        int n = 0;
        while (text[n]) ++n;
        GetTextExtentPoint32W(dc, text, n, &s);
        DeleteDC(dc);
        return s;
    }
    RECT tipRect() {
        RECT r{};
        GetWindowRect(state()->tipWindow, &r);
        return r;
    }
};

TEST_F(Hover, TwoLinesSizeThePopupAndTheSameKeyKeepsIt) {
    openPage();
    UiControl* c = control(2017);
    ASSERT_EQ(c->hoverString, 13201);
    HelpTipShow(ctx_, page_, c, -1, 10, 10);
    ASSERT_NE(state()->tipWindow, nullptr);
    EXPECT_FALSE(IsWindowVisible(state()->tipWindow));
    const SIZE a = lineSize(u"The paper size of the document.");
    const SIZE b = lineSize(u"The printer scales it to the output paper.");
    const RECT r = tipRect();
    EXPECT_EQ(r.right - r.left, std::max(a.cx, b.cx) + 8);
    EXPECT_EQ(r.bottom - r.top, a.cy + b.cy + 6);
    HWND first = state()->tipWindow;
    HelpTipShow(ctx_, page_, c, -1, 10, 10);
    EXPECT_EQ(state()->tipWindow, first);
    // A hide while the timer runs leaves the pending popup.
    HelpTipHide(ctx_);
    EXPECT_EQ(state()->tipWindow, first);
}

TEST_F(Hover, ShowsAfterASecondOnlyOverTheControl) {
    openPage();
    UiControl* c = control(2049);
    c->hoverString = 13201;
    RECT cr{};
    GetWindowRect(c->window, &cr);
    SetCursorPos((cr.left + cr.right) / 2, (cr.top + cr.bottom) / 2);
    SetFocus(control(2017)->window);
    HelpTipShow(ctx_, page_, c, -1, 5, 5);
    HWND tip = state()->tipWindow;
    ASSERT_NE(tip, nullptr);
    winsim::advanceClock(999);
    pump();
    EXPECT_FALSE(IsWindowVisible(tip));
    winsim::advanceClock(1);
    pump();
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(state()->tipTimer, 0u);
    HelpTipHide(ctx_);
    EXPECT_EQ(state()->tipWindow, nullptr);
    // Moved away before the second is up: it stays hidden.
    HelpTipShow(ctx_, page_, c, -1, 6, 5);
    tip = state()->tipWindow;
    SetCursorPos(cr.right + 300, cr.bottom + 300);
    winsim::advanceClock(1000);
    pump();
    EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(Hover, KeepsClearOfATaskbarAtTheRight) {
    openPage();
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    HWND bar = winsim::createWindow(u"Shell_TrayWnd", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    MoveWindow(bar, sw - 60, 0, 60, sh, FALSE);
    UiControl* c = control(2017);
    POINT far{sw - 70, 100};
    ScreenToClient(page_->window, &far);
    HelpTipShow(ctx_, page_, c, -1, far.x, far.y);
    const RECT r = tipRect();
    EXPECT_EQ(r.left, sw - 60 - (r.right - r.left - 8) - 16);
    DestroyWindow(bar);
}

}  // namespace
}  // namespace vesk::test
