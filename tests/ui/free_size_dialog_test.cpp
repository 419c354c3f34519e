// The free paper size dialog's hook on the dialog of the string library:
// the slot list, the store-back of every edit into the cached slot, the
// defaults and Enter in a numeric edit.
#include <winsim/window.h>

#include <cstring>

#include "common/lists_support.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "hooks/page_hooks.h"

namespace vesk::test {
namespace {

class FreeSizeDialog : public ListPrinter {
protected:
    void SetUp() override {
        ListPrinter::SetUp();
        winsim::ui::reset();
        page_ = PageFindById(c_, 1017);
        ASSERT_TRUE(page_);
        dialog_ = CreateDialogParamW(ResGetStringDll(c_), MAKEINTRESOURCEW(1017), nullptr, nullptr, 0);
        ASSERT_TRUE(dialog_);
        page_->window = dialog_;
        for (int i = 0; i < page_->controlCount; ++i) {
            UiControl& c = page_->controls[i];
            c.window = GetDlgItem(dialog_, c.id);
            c.item = CtlBindItem(c_, &c);
        }
        ASSERT_EQ(LoadFreeSizeTable(c_), 1);
    }
    void TearDown() override {
        winsim::ui::reset();
        ListPrinter::TearDown();
    }
    int send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return FreeSizeDialogHook(c_, page_, CtlFindById(c_, page_, id), message, wParam, lParam);
    }
    int command(int id, WORD code) { return send(id, WM_COMMAND, MAKEWPARAM(id, code)); }
    // A keystroke in the name edit: its text changes and the edit tells the
    // dialog, whose edit handler reads the text into the name item.
    void typeName(const char16_t* text) {
        SetWindowTextW(GetDlgItem(dialog_, 2365), text);
        EXPECT_EQ(command(2365, 0x300), 1);
    }
    std::u16string shownName() {
        WCHAR t[64] = {};
        ItemGetString(c_, ItemFindById(c_, 859), t, 64);
        return t;
    }
    std::string cachedName(int slot) { return c_->ws->freeSizes[slot].userName; }
    int listCount() { return int(SendDlgItemMessageW(dialog_, 2364, LB_GETCOUNT, 0, 0)); }
    UiPage* page_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(FreeSizeDialog, TheListHoldsTheTenSlotsOnceAndFollowsTheSelection) {
    EXPECT_EQ(send(2364, WM_INITDIALOG), 1);
    ASSERT_EQ(listCount(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(SendDlgItemMessageW(dialog_, 2364, LB_GETITEMDATA, WPARAM(i), 0), 109 + i);
    EXPECT_EQ(c_->ws->freeSizeSlot, 0);
    SendDlgItemMessageW(dialog_, 2364, LB_SETCURSEL, 3, 0);
    EXPECT_EQ(command(2364, LBN_SELCHANGE), 1);
    EXPECT_EQ(c_->ws->freeSizeSlot, 3);
    // Opening again with the list filled keeps the slot shown.
    EXPECT_EQ(send(2364, WM_INITDIALOG), 1);
    EXPECT_EQ(listCount(), 10);
    EXPECT_EQ(c_->ws->freeSizeSlot, 3);
    EXPECT_EQ(command(2364, LBN_KILLFOCUS), 1);
    EXPECT_EQ(command(2364, LBN_DBLCLK), 0);
}

TEST_F(FreeSizeDialog, EveryKeystrokeReachesTheCachedSlotAndOnlyTheCache) {
    put(u"FreeSize1us", u"wdmFreeSizeName", u"Kept");
    send(2364, WM_INITDIALOG);
    SendDlgItemMessageW(dialog_, 2364, LB_SETCURSEL, 1, 0);
    command(2364, LBN_SELCHANGE);
    typeName(u"M");
    EXPECT_EQ(cachedName(1), "M");
    typeName(u"My");
    EXPECT_EQ(cachedName(1), "My");
    EXPECT_EQ(SendDlgItemMessageW(dialog_, 2364, LB_GETCURSEL, 0, 0), 1);
    // Another slot shows its own values; the edited one keeps the edit.
    SendDlgItemMessageW(dialog_, 2364, LB_SETCURSEL, 2, 0);
    command(2364, LBN_SELCHANGE);
    EXPECT_NE(shownName(), u"My");
    EXPECT_EQ(cachedName(1), "My");
    EXPECT_EQ(value(u"FreeSize1us", u"wdmFreeSizeName"), u"Kept");  // nothing written until OK
    // Other notifications of an edit are not the hook's.
    EXPECT_EQ(command(2365, 0x100), 0);
}

TEST_F(FreeSizeDialog, TheDefaultsResetEverySlotAndShowSlotZero) {
    send(2364, WM_INITDIALOG);
    for (int slot : {0, 5}) {
        SendDlgItemMessageW(dialog_, 2364, LB_SETCURSEL, WPARAM(slot), 0);
        command(2364, LBN_SELCHANGE);
        typeName(u"Edited");
    }
    EXPECT_EQ(command(2227, BN_CLICKED), 1);
    EXPECT_EQ(c_->ws->freeSizeSlot, 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog_, 2364, LB_GETCURSEL, 0, 0), 0);
    EXPECT_NE(cachedName(0), "Edited");
    EXPECT_NE(cachedName(5), "Edited");
    EXPECT_EQ(shownName(), winsim::fromUtf8(cachedName(0)));
}

TEST_F(FreeSizeDialog, EnterInANumericEditMovesTheFocusToOkAndDrainsTheQueue) {
    UiControl* width = CtlFindById(c_, page_, 2224);
    ASSERT_TRUE(width && width->window);
    SetFocus(width->window);
    PostMessageW(dialog_, WM_NULL, 0, 0);
    EXPECT_EQ(send(2224, WM_GETDLGCODE, VK_RETURN), 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, IDOK));
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
    // A spin's scroll message for another window is not its own.
    EXPECT_EQ(send(2225, WM_VSCROLL, SB_LINEUP, 0), 0);
    // Without a control the hook handles nothing.
    EXPECT_EQ(FreeSizeDialogHook(c_, page_, nullptr, WM_INITDIALOG, 0, 0), 0);
}

}  // namespace
}  // namespace vesk::test
