// The option change and conflict pipeline, the allowed-values walk of the
// selection controls and the page refresh with its explanation icons.
#include <win/commctrl.h>

#include "controls/ctl_text.h"
#include "controls/ctl_values.h"
#include "core/dictionary_lookup.h"
#include "core/model/constraints.h"
#include "pipeline/expl_icon.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

using Pipeline = PagePrinter;

std::vector<uint32_t> entries(HWND combo) {
    std::vector<uint32_t> v;
    const int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) v.push_back(uint32_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0)));
    return v;
}

bool has(const std::vector<uint32_t>& v, uint32_t x) { return std::find(v.begin(), v.end(), x) != v.end(); }

TEST_F(Pipeline, ConflictCancelRestoresAndRunsTheCancelActions) {
    openPage();
    ItemSetValueById(ctx_, 13, kSourceTray1);
    ASSERT_EQ(ItemValueById(ctx_, 8), kPaperA4);
    winsim::queueMessageBoxAnswer(IDCANCEL);
    pick(2017, kPaperA3);
    const auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    WCHAR text[128] = {};
    ResLoadString(ctx_, MsgSymFindById(ctx_, 254)->textId, text, 128, 0);
    EXPECT_EQ(log[0].text, std::u16string(text));
    EXPECT_EQ(log[0].caption, name_);
    EXPECT_EQ(log[0].style, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(ItemValueById(ctx_, 8), kPaperA4);
    EXPECT_EQ(ItemValueById(ctx_, 13), kSourceAuto);  // the Cancel answer's action
    pump();
    EXPECT_EQ(uint32_t(SendMessageW(item(2017), CB_GETITEMDATA, SendMessageW(item(2017), CB_GETCURSEL, 0, 0), 0)),
              kPaperA4);
}

TEST_F(Pipeline, ConflictOkKeepsTheValue) {
    openPage();
    ItemSetValueById(ctx_, 13, kSourceTray1);
    winsim::queueMessageBoxAnswer(IDOK);
    pick(2017, kPaperA3);
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(ItemValueById(ctx_, 8), kPaperA3);
    EXPECT_EQ(ItemValueById(ctx_, 13), kSourceTray1);
}

TEST_F(Pipeline, NoConflictListNoBox) {
    openPage();
    pick(2064, kMediaThick);
    EXPECT_TRUE(winsim::messageBoxLog().empty());
    EXPECT_EQ(ItemValueById(ctx_, 378), kMediaThick);
    // A page check (store 0) of an option without conflicts changes nothing.
    EXPECT_EQ(OptChangeFromControl(ctx_, page_, control(2064), 0, 0), 0);
    EXPECT_EQ(ItemValueById(ctx_, 378), kMediaThick);
    EXPECT_EQ(OptCheckConflict(ctx_, page_, control(2064)->option), 0);
}

TEST_F(Pipeline, CheckConflictAnswersWithoutRestoring) {
    openPage();
    ItemSetValueById(ctx_, 8, kPaperA3);
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(OptCheckConflict(ctx_, page_, control(2017)->option), IDCANCEL);
    EXPECT_EQ(ItemValueById(ctx_, 8), kPaperA3);
    EXPECT_EQ(ConflictMessageBox(ctx_, 0, page_->window), 0);
}

TEST_F(Pipeline, AllowedValuesLeaveOutCond1AndMarkCond2) {
    openPage();
    ItemSetValueById(ctx_, 10020, 0);  // no paper bank: trays 3 and 4 are out
    CtlInit(ctx_, page_, control(2007));
    auto v = entries(item(2007));
    EXPECT_FALSE(has(v, kSourceTray3));
    EXPECT_FALSE(has(v, kSourceTray4));
    EXPECT_TRUE(has(v, kSourceTray1));
    ItemSetValueById(ctx_, 10020, 1);
    CtlInit(ctx_, page_, control(2007));
    v = entries(item(2007));
    EXPECT_TRUE(has(v, kSourceTray3));
    // Thick media is greyed while duplex printing is on, not left out.
    ItemSetValueById(ctx_, 61, 1);
    EXPECT_EQ(CtlValueMarked(ctx_, control(2064)->option, kMediaThick), 1);
    EXPECT_EQ(CtlValueMarked(ctx_, control(2064)->option, kMediaPlain), 0);
    CtlInit(ctx_, page_, control(2064));
    EXPECT_TRUE(has(entries(item(2064)), kMediaThick));
}

TEST_F(Pipeline, MarkedValueIsRefusedWithTheControlsMessage) {
    openPage();
    ItemSetValueById(ctx_, 61, 1);
    UiControl* c = control(2064);
    static const UiAttrChoice refuse{4, 0, 1, 7005, 0, nullptr};
    c->attribute = &refuse;
    c->messageString = 10038;
    pick(2064, kMediaThick);
    const auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].caption, u"Information");
    EXPECT_EQ(log[0].style, UINT(MB_ICONINFORMATION));
    EXPECT_EQ(ItemValueById(ctx_, 378), kMediaPlain);
    HWND combo = item(2064);
    EXPECT_EQ(uint32_t(SendMessageW(combo, CB_GETITEMDATA, SendMessageW(combo, CB_GETCURSEL, 0, 0), 0)), kMediaPlain);
    c->attribute = nullptr;
    c->messageString = 0;
}

TEST_F(Pipeline, CombosCheckAReselectedValueAgainListsDoNot) {
    openPage();
    ItemSetValueById(ctx_, 8, kPaperA3);
    ItemsClearChanged(ctx_);
    CtlShowValue(ctx_, page_, control(2017));
    ComboShowValue(ctx_, page_, control(2017));
    winsim::queueMessageBoxAnswer(IDOK);
    EXPECT_EQ(CtlComboCommand(ctx_, page_, control(2017), MAKEWPARAM(2017, CBN_SELCHANGE), 0), 1);
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u);
    // A text list bound to the same item ignores its current value.
    HWND list = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD, 0, 0, 50, 50, page_->window, nullptr, nullptr, nullptr);
    UiControl l = *control(2017);
    l.type = 0x2a;
    l.window = list;
    CtlListInit(ctx_, page_, &l);
    ListShowValue(ctx_, page_, &l);
    ASSERT_GE(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(CtlListCommand(ctx_, page_, &l, MAKEWPARAM(2017, LBN_SELCHANGE), 0), 0);
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u);
    // No entry holds the value: the selection goes.
    ItemSetValueById(ctx_, 8, 4711);
    ListShowValue(ctx_, page_, &l);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    DestroyWindow(list);
}

TEST_F(Pipeline, DropDownShowsTheFirstEntry) {
    openPage();
    HWND combo = item(2017);
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(CtlComboCommand(ctx_, page_, control(2017), MAKEWPARAM(2017, CBN_DROPDOWN), 0), 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, combo, CB_SETTOPINDEX, CB_SETTOPINDEX, PM_REMOVE));
    EXPECT_EQ(m.wParam, 0u);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    CtlComboCommand(ctx_, page_, control(2017), MAKEWPARAM(2017, CBN_DROPDOWN), 0);
    EXPECT_FALSE(PeekMessageW(&m, combo, CB_SETTOPINDEX, CB_SETTOPINDEX, PM_REMOVE));
}

TEST_F(Pipeline, PictureStepsToTheNextAllowedValueAndWraps) {
    openPage();
    UiControl pic = *control(2017);
    pic.type = 2;
    ItemSetValueById(ctx_, 8, kPaperA4);
    EXPECT_EQ(CtlPictureClick(ctx_, page_, &pic, WM_LBUTTONUP, 0, 0), 1);
    const uint32_t next = ItemValueById(ctx_, 8);
    EXPECT_NE(next, kPaperA4);
    // From the last value the walk starts again at the first.
    std::vector<uint32_t> all;
    CtlForEachAllowed(ctx_, pic.option, [&](CtlValue v) { return all.push_back(v.value), true; });
    ASSERT_GE(all.size(), 2u);
    ItemSetValueById(ctx_, 8, all.back());
    EXPECT_EQ(CtlPictureClick(ctx_, page_, &pic, WM_LBUTTONUP, 0, 0), 1);
    EXPECT_EQ(ItemValueById(ctx_, 8), all.front());
    // A value not in the list: nothing.
    ItemSetValueById(ctx_, 8, 4711);
    EXPECT_EQ(CtlPictureClick(ctx_, page_, &pic, WM_LBUTTONUP, 0, 0), 0);
}

TEST_F(Pipeline, CheckBoxAndRadioFollowTheirValue) {
    openPage();
    click(2069);
    EXPECT_EQ(ItemValueById(ctx_, 58), 1u);
    // Checked and already 1: nothing to do.
    EXPECT_EQ(CtlCheckCommand(ctx_, page_, control(2069), MAKEWPARAM(2069, BN_CLICKED), 0), 0);
    UiControl* portrait = control(2026);
    ASSERT_NE(portrait, nullptr);
    CtlRadioShow(ctx_, page_, portrait);
    EXPECT_EQ(SendMessageW(portrait->window, BM_GETCHECK, 0, 0) == BST_CHECKED,
              ItemValueById(ctx_, 7) == portrait->id);
    EXPECT_EQ(CtlRadioClick(ctx_, page_, control(2027), WM_LBUTTONUP, 0, 0), 1);
    EXPECT_EQ(ItemValueById(ctx_, 7), 2027u);
}

TEST_F(Pipeline, ExplanationIconFollowsTheDisabledState) {
    openPage();
    UiControl* zoom = control(2049);
    ASSERT_EQ(zoom->explanationString, 13200);
    EXPECT_TRUE(IsWindowEnabled(zoom->window));
    EXPECT_EQ(ExplIconFind(page_, zoom), nullptr);
    const size_t images = winsim::liveImages();
    click(2069);  // fit to paper on: the zoom is the model's
    EXPECT_FALSE(IsWindowEnabled(zoom->window));
    HWND icon = ExplIconFind(page_, zoom);
    ASSERT_NE(icon, nullptr);
    winsim::ui::ControlState st;
    ASSERT_TRUE(winsim::ui::controlState(icon, st));
    EXPECT_EQ(st.image, 7006u);
    EXPECT_EQ(GetWindow(zoom->window, GW_HWNDNEXT), icon);
    RECT ir{}, zr{};
    GetWindowRect(icon, &ir);
    GetWindowRect(zoom->window, &zr);
    EXPECT_EQ(ir.right - ir.left, 20);
    EXPECT_EQ(ir.left, std::max<LONG>(zr.left - 20, [&] {
                  POINT o{0, 0};
                  ClientToScreen(page_->window, &o);
                  return o.x;
              }()));
    if (zr.bottom - zr.top <= 20) {
        EXPECT_EQ(ir.bottom, zr.bottom);
    }
    // A click explains.
    SendMessageW(icon, WM_LBUTTONUP, 0, 0);
    ASSERT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(winsim::messageBoxLog()[0].owner, zoom->window);
    click(2069);
    EXPECT_TRUE(IsWindowEnabled(zoom->window));
    EXPECT_EQ(ExplIconFind(page_, zoom), nullptr);
    EXPECT_EQ(winsim::liveImages(), images);  // the icon's bitmap went with it
}

TEST_F(Pipeline, IconsAreSuppressedForRestrictedUsers) {
    openPage();
    ItemSetValueById(ctx_, 716, 1);
    ItemSetValueById(ctx_, 720, 1);
    ItemSetValueById(ctx_, 715, 1);
    click(2069);
    EXPECT_FALSE(IsWindowEnabled(control(2049)->window));
    EXPECT_EQ(ExplIconFind(page_, control(2049)), nullptr);
    EXPECT_EQ(control(2049)->explanationString, 0);
}

TEST_F(Pipeline, PresetRuleAndItsExemptions) {
    openPage();
    ItemSetValueById(ctx_, 41, 120);
    ItemsClearChanged(ctx_);
    ItemSetValueById(ctx_, 865, 0);  // the preset name
    OnOptionControlChanged(ctx_, page_, 0);
    EXPECT_EQ(ItemValueById(ctx_, 41), 120u);
    ItemSetValueById(ctx_, 12, 4);
    OnOptionControlChanged(ctx_, page_, 0);
    EXPECT_EQ(ItemValueById(ctx_, 41), 118u);
    // Item 41 itself marked changed: the preset holds.
    ItemSetValueById(ctx_, 41, 121);
    ItemSetValueById(ctx_, 12, 5);
    OnOptionControlChanged(ctx_, page_, 0);
    EXPECT_EQ(ItemValueById(ctx_, 41), 121u);
}

TEST_F(Pipeline, RefreshIsNotReentrantAndReinitsOncePerClass) {
    openPage();
    state()->refreshing = 1;
    ItemSetValueById(ctx_, 12, 4);
    OnOptionControlChanged(ctx_, page_, 0);
    EXPECT_EQ(ItemsAnyChanged(ctx_), 1);  // dropped: nothing cleared
    state()->refreshing = 0;
    // Two controls of one change class: the first re-initialises.
    UiControl* a = control(2064);
    UiControl* b = control(2007);
    a->flags |= 0x20000;
    b->flags |= 0x20000;
    SendMessageW(a->window, CB_RESETCONTENT, 0, 0);
    SendMessageW(b->window, CB_RESETCONTENT, 0, 0);
    ChangeMaskAdd(ctx_, 0x20000);
    OnOptionControlChanged(ctx_, page_, 0);
    EXPECT_GT(SendMessageW(a->window, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(b->window, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(ChangeMaskGet(ctx_) & 0x20000, 0u);
    EXPECT_EQ(ItemsAnyChanged(ctx_), 0);
}

TEST_F(Pipeline, ControlsOfAnUnselectedTabAreHidden) {
    openPage();
    // The page's group box stands in for a tab control listing 2064 under
    // its first tab and 2007 under its second.
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD, 0, 0, 100, 20, page_->window, nullptr, nullptr,
                                nullptr);
    TCITEMW t{};
    t.mask = TCIF_TEXT;
    t.pszText = const_cast<LPWSTR>(u"a");
    SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&t));
    SendMessageW(tabs, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&t));
    struct Row {
        uint16_t label, count;
        const uint16_t* ids;
    };
    static const uint16_t first[] = {2064}, second[] = {2007};
    static const Row rows[] = {{0, 1, first}, {0, 1, second}};
    static const struct {
        int16_t kind;
        uint16_t count;
        const Row* rows;
    } attr{6, 2, rows};
    UiControl* tab = control(2054);
    const UiControl saved = *tab;
    tab->type = 104;
    tab->window = tabs;
    tab->attribute = &attr;
    SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
    OnOptionControlChanged(ctx_, page_, 1);
    EXPECT_FALSE(GetWindowLongPtrW(item(2007), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowEnabled(item(2007)));
    EXPECT_TRUE(GetWindowLongPtrW(item(2064), GWL_STYLE) & WS_VISIBLE);
    SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
    OnOptionControlChanged(ctx_, page_, 1);
    EXPECT_TRUE(GetWindowLongPtrW(item(2007), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrW(item(2064), GWL_STYLE) & WS_VISIBLE);
    *tab = saved;
    DestroyWindow(tabs);
}

TEST_F(Pipeline, FocusLeavesADisabledWindow) {
    openPage();
    SetFocus(control(2049)->window);
    click(2069);
    EXPECT_NE(GetFocus(), control(2049)->window);
    EXPECT_TRUE(IsWindowEnabled(GetFocus()));
}

TEST_F(Pipeline, HitTestSkipsHiddenControlsAndIsHalfOpen) {
    openPage();
    UiControl* c = control(2017);
    RECT r{};
    GetWindowRect(c->window, &r);
    EXPECT_EQ(CtlHitTest(page_, r.left, r.top), c);
    EXPECT_NE(CtlHitTest(page_, r.right - 1, r.bottom - 1), nullptr);
    UiControl* at = CtlHitTest(page_, r.right, r.top);
    EXPECT_NE(at, c);
    c->hidden = 1;
    EXPECT_NE(CtlHitTest(page_, r.left, r.top), c);
    c->hidden = 0;
    EXPECT_EQ(CtlHitTest(nullptr, r.left, r.top), nullptr);
}

TEST_F(Pipeline, FitToPaperLeavesTheScalesOnAZeroSource) {
    ItemSetRawById(ctx_, 58, 1);
    ItemSetRawById(ctx_, 90, 2);
    ItemSetValueById(ctx_, 92, 77);
    ItemSetValueById(ctx_, 93, 77);
    OptUpdateScaling(ctx_, 1);
    if (ItemValueById(ctx_, 44) && ItemValueById(ctx_, 45)) {
        const int64_t h = int64_t(int32_t(ItemValueById(ctx_, 52))) * 100 / int32_t(ItemValueById(ctx_, 45));
        const int64_t v = int64_t(int32_t(ItemValueById(ctx_, 51))) * 100 / int32_t(ItemValueById(ctx_, 44));
        EXPECT_EQ(int32_t(ItemValueById(ctx_, 92)), int32_t(std::min(h, v)));
    }
    // Scaling word 0 does nothing.
    ItemSetValueById(ctx_, 92, 55);
    OptUpdateScaling(ctx_, 0);
    EXPECT_EQ(ItemValueById(ctx_, 92), 55u);
}

TEST(FormatOneInt, OnlyIntegerConversionsReadTheValue) {
    WCHAR out[64];
    FormatOneInt(u"Copies: %d%%", 5, out, 64);
    EXPECT_EQ(std::u16string(out), u"Copies: 5%");
    FormatOneInt(u"%s and %n of %4d/%-3x|%05i", -12, out, 64);
    EXPECT_EQ(std::u16string(out), u"%s and %n of  -12/fffffff4|-0012");
    FormatOneInt(u"%lu %X", 255, out, 64);
    EXPECT_EQ(std::u16string(out), u"255 FF");
    FormatOneInt(u"abcdef", 1, out, 4);
    EXPECT_EQ(std::u16string(out), u"abc");
}

}  // namespace
}  // namespace vesk::test
