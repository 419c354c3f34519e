// The stamp pages on the string library's dialogs: the stamp list of the
// edit page, deleting, a new stamp that is cancelled, the text stamp's font
// combo and the requests a dialog takes when it opens.
#include <win/user.h>
#include <winsim/ui.h>
#include <winsim/window.h>

#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "hooks/page_hooks.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

class StampPages : public DialogPrinter {
protected:
    void SetUp() override {
        DialogPrinter::SetUp();
        for (int p = 0; p < CtxPages(c_)->count; ++p) {
            UiPage& page = CtxPages(c_)->pages[p];
            for (int i = 0; i < page.controlCount; ++i) page.controls[i].item = CtlBindItem(c_, &page.controls[i]);
        }
        sheet_ = winsim::createWindow(u"#32770", u"Sheet");
    }
    // Opens a page's template under the sheet with its controls bound.
    UiPage* open(int pageId) {
        UiPage* page = PageFindById(c_, pageId);
        EXPECT_TRUE(page);
        HWND w = CreateDialogParamW(ResGetStringDll(c_), MAKEINTRESOURCEW(pageId), sheet_, nullptr, 0);
        EXPECT_TRUE(w);
        page->window = w;
        for (int i = 0; i < page->controlCount; ++i) page->controls[i].window = GetDlgItem(w, page->controls[i].id);
        return page;
    }
    void stamps(int n) {
        for (int i = 0; i < n; ++i) {
            ItemSetValueById(c_, 109, 1);
            CtlSetItemString(c_, 2310, (u"Stamp " + std::u16string(1, char16_t(u'A' + i))).c_str());
            ASSERT_TRUE(SaveStampByIndex(c_, uint32_t(i)));
        }
        ASSERT_EQ(GetStampCount(c_), n);
    }
    int send(UiPage* page, int id, UINT message, WPARAM wParam = 0) {
        return StampPagesHook(c_, page, CtlFindById(c_, page, id), message, wParam, 0);
    }
    int command(UiPage* page, int id, WORD code = BN_CLICKED) { return send(page, id, WM_COMMAND, MAKEWPARAM(id, code)); }
    std::vector<std::u16string> entries(UiPage* page, int id) {
        std::vector<std::u16string> out;
        HWND c = GetDlgItem(page->window, id);
        for (int i = 0; i < SendMessageW(c, CB_GETCOUNT, 0, 0); ++i) {
            WCHAR t[64] = {};
            SendMessageW(c, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t));
            out.emplace_back(t);
            EXPECT_EQ(SendMessageW(c, CB_GETITEMDATA, WPARAM(i), 0), i);  // data follows the position
        }
        return out;
    }
    std::u16string item(int id) {
        WCHAR t[64] = {};
        ItemGetString(c_, ItemFindById(c_, id), t, 64);
        return t;
    }
    HWND sheet_ = nullptr;
};

TEST_F(StampPages, DeletingTheLastOfSixSelectsStampZeroAndTurnsStampsOff) {
    stamps(6);
    UiPage* page = open(1003);
    ItemSetValueById(c_, 120, 5);
    ItemSetValueById(c_, 63, 1);
    EXPECT_EQ(send(page, 2089, WM_INITDIALOG), 1);
    ASSERT_EQ(entries(page, 2089).size(), 6u);
    EXPECT_EQ(entries(page, 2089)[5], u"Stamp F");
    EXPECT_EQ(SendDlgItemMessageW(page->window, 2089, CB_GETCURSEL, 0, 0), 5);
    winsim::clearMessageBoxes();
    winsim::queueMessageBoxAnswer(IDOK);
    EXPECT_EQ(command(page, 2406), 1);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(entries(page, 2089).size(), 5u);
    EXPECT_EQ(GetStampCount(c_), 5);
    EXPECT_EQ(ItemValueById(c_, 120), 0u);
    EXPECT_EQ(SendDlgItemMessageW(page->window, 2089, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ItemValueById(c_, 63), 0u);
    EXPECT_EQ(item(871), u"Stamp A");  // stamp 0 loaded
}

TEST_F(StampPages, FixedStampsAndACancelledQuestionStayInTheList) {
    stamps(7);
    UiPage* page = open(1003);
    send(page, 2089, WM_INITDIALOG);
    SendDlgItemMessageW(page->window, 2089, CB_SETCURSEL, 4, 0);
    winsim::clearMessageBoxes();
    EXPECT_EQ(command(page, 2406), 1);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{text(10041)});
    SendDlgItemMessageW(page->window, 2089, CB_SETCURSEL, 6, 0);
    winsim::clearMessageBoxes();
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(command(page, 2406), 1);
    EXPECT_EQ(entries(page, 2089).size(), 7u);
    EXPECT_EQ(GetStampCount(c_), 7);
    // Choosing an entry loads its stamp.
    SendDlgItemMessageW(page->window, 2089, CB_SETCURSEL, 3, 0);
    EXPECT_EQ(command(page, 2089, CBN_SELCHANGE), 1);
    EXPECT_EQ(item(871), u"Stamp D");
    EXPECT_EQ(ItemValueById(c_, 120), 3u);
}

TEST_F(StampPages, ANewStampThatIsNotAcceptedChangesNothing) {
    stamps(6);
    UiPage* page = open(1003);
    send(page, 2089, WM_INITDIALOG);
    const std::u16string before = value(u"us", u"StampCount");
    EXPECT_EQ(command(page, 2091), 1);
    EXPECT_EQ(entries(page, 2089).size(), 6u);
    EXPECT_EQ(GetStampCount(c_), 6);
    EXPECT_EQ(value(u"us", u"StampCount"), before);
    EXPECT_EQ(ChangeMaskGet(c_) & 0x2000FFFFu, 0u);  // the request was withdrawn
}

TEST_F(StampPages, TheFontComboTakesTheDefaultFaceOrTheFirstTrueTypeFace) {
    winsim::config().set("fonts.screen", "System:raster;@Vertical;Century;Arial");
    UiPage* page = open(1022);
    ItemSetString(c_, ItemFindById(c_, 121), u"Nowhere");
    EXPECT_EQ(send(page, 2314, WM_INITDIALOG), 1);
    EXPECT_EQ(entries(page, 2314), (std::vector<std::u16string>{u"Century", u"Arial"}));
    EXPECT_EQ(item(121), u"Arial");
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page, 2314)), 1u);
    winsim::config().set("fonts.screen", "@Vertical;Century;Gothic");
    EXPECT_EQ(send(page, 2314, WM_INITDIALOG), 1);
    EXPECT_EQ(item(121), u"Century");
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page, 2314)), 0u);
    // A face the list holds is kept.
    ItemSetString(c_, ItemFindById(c_, 121), u"Gothic");
    send(page, 2314, WM_INITDIALOG);
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page, 2314)), 1u);
    SendDlgItemMessageW(page->window, 2314, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(command(page, 2314, CBN_SELCHANGE), 1);
    EXPECT_EQ(item(121), u"Century");
}

TEST_F(StampPages, ADialogTakesItsRequestWhenItOpens) {
    UiPage* page = open(1022);
    CtlSetItemString(c_, 2310, u"old name");
    CtlSetItemString(c_, 2312, u"old text");
    ChangeMaskAdd(c_, 0x20000000u + 2330);
    EXPECT_EQ(StampPagesHook(c_, page, nullptr, WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(item(871), u"");
    EXPECT_EQ(item(869), u"");
    EXPECT_EQ(ItemValueById(c_, 109), 1u);
    EXPECT_EQ(ChangeMaskGet(c_) & 0x2000FFFFu, 0u);
    ChangeMaskAdd(c_, 0x2000000u + 5006);
    UiPage* image = open(1023);
    StampPagesHook(c_, image, nullptr, WM_INITDIALOG, 0, 0);
    WCHAR caption[64] = {};
    GetWindowTextW(image->window, caption, 64);
    EXPECT_EQ(std::u16string(caption), text(5006));
    EXPECT_EQ(ItemValueById(c_, 109), 2u);
    EXPECT_EQ(StatusPageHook(c_, image, nullptr, WM_INITDIALOG, 0, 0), 0);
}

}  // namespace
}  // namespace vesk::test
