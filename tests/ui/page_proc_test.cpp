// The page procedure and control dispatch: message order, the page kept
// disabled until its layout, the apply only from the main page, control
// commands through the type table and the layout of message 0x8006.
#include <win/prsht.h>

#include "core/devmode/dm_state.h"
#include "core/lists/lists.h"
#include "core/model/constraints.h"
#include "ui/page_support.h"
#include "widgets/widgets.h"

namespace vesk::test {
namespace {

using PageProc = PagePrinter;

TEST_F(PageProc, MeasureBeforeInitNeedsNoContext) {
    HWND w = winsim::createWindow(u"TestFrame", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    MEASUREITEMSTRUCT m{};
    m.CtlID = 2017;
    m.itemHeight = 5;
    // No context yet: nothing but the cell table is consulted.
    const INT_PTR r = PageDlgProc(w, WM_MEASUREITEM, 2017, reinterpret_cast<LPARAM>(&m));
    EXPECT_EQ(r != 0, CtlCellSizeFind(2017) != nullptr);
    if (const CtlCellSize* cell = CtlCellSizeFind(2017)) {
        EXPECT_EQ(int(m.itemHeight), cell->height);
    } else {
        EXPECT_EQ(m.itemHeight, 5u);
    }
    DestroyWindow(w);
}

TEST_F(PageProc, PageStaysDisabledUntilItsLayout) {
    HWND w = makePage();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_EQ(page_->window, w);
    EXPECT_EQ(SheetSessionOf(ctx_)->mainPageId, 1002);
    pump();
    EXPECT_TRUE(IsWindowEnabled(w));
    // The refresh showed the controls the conditions leave visible.
    EXPECT_TRUE(GetWindowLongPtrW(item(2017), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PageProc, ApplyOnlyFromTheMainPage) {
    HWND w = openPage();
    ASSERT_NE(w, nullptr);
    SheetSession* s = SheetSessionOf(ctx_);
    s->mainPageId = 1001;
    ItemSetRawById(ctx_, 880, 7);
    NMHDR n{w, 0, UINT(PSN_APPLY)};
    SendMessageW(w, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(GetWindowLongPtrW(w, DWLP_MSGRESULT), PSNRET_NOERROR);
    EXPECT_EQ(s->applied, 0u);
    EXPECT_EQ(ItemRawById(ctx_, 880), 7u);
    EXPECT_EQ(state()->proceedFlag, 1u);
    EXPECT_EQ(state()->applying, 0u);
    // From the main page the sheet applies.
    s->mainPageId = 1002;
    SendMessageW(w, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(ItemRawById(ctx_, 880), 1u);
}

TEST_F(PageProc, OkThroughThePresetSaveStaysOnThePage) {
    HWND w = openPage();
    ChangeMaskAdd(ctx_, 0x800000);
    NMHDR n{w, 0, UINT(PSN_APPLY)};
    SendMessageW(w, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(GetWindowLongPtrW(w, DWLP_MSGRESULT), PSNRET_INVALID_NOCHANGEPAGE);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, w, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(m.wParam), 11111);
}

TEST_F(PageProc, ControlCommandsGoThroughTheTypeTable) {
    HWND w = openPage();
    ASSERT_NE(w, nullptr);
    pick(2064, kMediaThick);
    EXPECT_EQ(ItemValueById(ctx_, 378), kMediaThick);
    // The handled command asked for a refresh and marked the sheet changed.
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, w, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(SheetSessionOf(ctx_)->changed, 1u);
    // A control of an unknown type is never subclassed and ignores commands.
    UiControl* c = control(2040);
    ASSERT_NE(c, nullptr);
    const uint16_t type = c->type;
    c->type = 0x77;
    c->previousProc = 0;
    EXPECT_EQ(CtlInit(ctx_, page_, c), 0);
    EXPECT_EQ(c->previousProc, 0u);
    EXPECT_EQ(CtlWmCommand(ctx_, page_, c, MAKEWPARAM(2040, 0), 0), 0);
    c->type = type;
}

TEST_F(PageProc, SelectByDataRunsTheComboCommand) {
    openPage();
    EXPECT_EQ(CtlSelectByData(ctx_, page_, 2064, kMediaThick), 1);
    EXPECT_EQ(ItemValueById(ctx_, 378), kMediaThick);
    EXPECT_EQ(CtlSelectByData(ctx_, page_, 2064, 999), 0);
    EXPECT_EQ(CtlSelectByData(ctx_, page_, 4711, kMediaThick), 0);
}

TEST_F(PageProc, ChangedMarks) {
    ItemsClearChanged(ctx_);
    EXPECT_EQ(ItemsAnyChanged(ctx_), 0);
    ItemSetValueById(ctx_, 12, 3);
    EXPECT_EQ(ItemsAnyChanged(ctx_), 1);
    ItemsClearChanged(ctx_);
    EXPECT_EQ(ItemsAnyChanged(ctx_), 0);
}

TEST_F(PageProc, FitScalesChildrenIntoTheClientArea) {
    HWND parent = winsim::createWindow(u"TestFrame", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    MoveWindow(parent, 0, 0, 203, 103, FALSE);
    RECT client{};
    GetClientRect(parent, &client);
    const int w = client.right - 3, h = client.bottom - 3;
    HWND a = CreateWindowExW(0, u"STATIC", u"", WS_CHILD, 0, 0, 2 * w, h / 2, parent, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExW(0, u"STATIC", u"", WS_CHILD, w / 2, h / 2, w / 2, h, parent, nullptr, nullptr, nullptr);
    PageFitAndShow(ctx_, parent);
    auto rectOf = [&](HWND c) {
        RECT r{};
        GetWindowRect(c, &r);
        POINT p{r.left, r.top}, q{r.right, r.bottom};
        ScreenToClient(parent, &p);
        ScreenToClient(parent, &q);
        return RECT{p.x, p.y, q.x, q.y};
    };
    // Extent 2w by 1.5h becomes w by h.
    EXPECT_EQ(rectOf(a).right, w);
    EXPECT_EQ(rectOf(b).bottom, int(int64_t(h / 2 + h) * h / (h / 2 + h)));
    EXPECT_EQ(rectOf(b).left, int(int64_t(w / 2) * w / (2 * w)));
    EXPECT_TRUE(GetWindowLongPtrW(a, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(IsWindowEnabled(parent));
    DestroyWindow(parent);
}

TEST_F(PageProc, DeferredConflictOfANumericEditIsLookedUpByKey) {
    openPage();
    // The zoom edit bound to the paper for the test.
    UiControl& edit = *control(2049);
    const UiControl saved = edit;
    edit.item = control(2017)->item;
    edit.option = control(2017)->option;
    winsim::queueMessageBoxAnswer(IDCANCEL);
    // The box waits for the page procedure; the answer counts as OK.
    EXPECT_EQ(OptChangeFromControlAlias(ctx_, page_, &edit, kPaperA3), 0);
    EXPECT_TRUE(winsim::messageBoxLog().empty());
    EXPECT_EQ(ItemValueById(ctx_, 8), kPaperA3);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, page_->window, 0x8001, 0x8001, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 2049u);
    pump();
    ASSERT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(GetFocus(), item(2049));
    edit = saved;
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

TEST_F(PagePrinter, PresetSaveIntoAFullListIsRefused) {
    openPage();
    PresetClear(ctx_);
    for (int i = 0; i < 16; ++i) ASSERT_TRUE(PresetAdd(ctx_, u"", u"p", u""));
    ItemSetValueById(ctx_, 41, 118);
    CtlSetItemString(ctx_, 2145, u"Mine");
    SendMessageW(page_->window, WM_COMMAND, 22222, 0);
    const auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    WCHAR text[256] = {};
    ResLoadString(ctx_, 10049, text, 256, 0);
    EXPECT_EQ(log[0].text, std::u16string(text));
    EXPECT_EQ(GetPresetCount(ctx_), 16);
    EXPECT_EQ(ItemValueById(ctx_, 41), 118u);
    // With room the preset is added and selected, and the sheet's OK follows.
    PresetClear(ctx_);
    ASSERT_TRUE(PresetAdd(ctx_, u"", u"default", u""));
    SendMessageW(page_->window, WM_COMMAND, 22222, 0);
    EXPECT_EQ(GetPresetCount(ctx_), 2);
    EXPECT_EQ(ItemValueById(ctx_, 41), 120u);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, page_->window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(m.wParam), 0x8003);
}

}  // namespace
}  // namespace vesk::test
