// The page-hook dispatcher and the table preparation, on pages built by the
// sheet code: a page procedure offers every message to PageCtrlChanged
// first, as the page machinery does.
#include <win/commctrl.h>
#include <win/files.h>
#include <win/user.h>
#include <win/wingdi.h>
#include <winsim/ui.h>
#include <winsim/window.h>

#include <cstring>

#include "address/csv_store.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "hooks/address_pages.h"
#include "hooks/page_hooks.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

// The sample printer's document session with the private directory made
// and the address file's path at hand; pages run under the page procedure,
// which offers every message to the dispatcher first.
class PageHooks : public PagePrinter {
protected:
    void SetUp() override {
        PagePrinter::SetUp();
        WCHAR dir[kWsPathChars];
        ASSERT_GT(GetPrivateDir(dir, kWsPathChars, ctx_), 0u);
        CreateDirectoryW(dir, nullptr);
        ASSERT_EQ(CsvFilePath(ctx_, csv_, kWsPathChars), 1);
    }
    void TearDown() override {
        if (ctx_) CsvClose(ctx_);
        PagePrinter::TearDown();
    }
    UiPage* open(int pageId) {
        window_ = makePage(pageId);
        return window_ ? PageFindByWindow(ctx_, window_) : nullptr;
    }
    void setText(int id, const char16_t* text) { SetDlgItemTextW(window_, id, text); }
    void command(int id, int code = BN_CLICKED) {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
    }
    int focusId() { return GetDlgCtrlID(GetFocus()); }
    std::u16string stringOf(uint32_t id) {
        WCHAR t[200] = {};
        ResLoadString(ctx_, id, t, 200, 0);
        return t;
    }
    // The message boxes shown since the last call, by text.
    std::vector<std::u16string> boxes() {
        std::vector<std::u16string> out;
        for (const auto& b : winsim::messageBoxLog()) out.push_back(b.text);
        winsim::clearMessageBoxes();
        return out;
    }
    int rows() { return int(SendDlgItemMessageW(window_, 2490, LVM_GETITEMCOUNT, 0, 0)); }
    int selectedRow() { return int(SendDlgItemMessageW(window_, 2490, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }
    void setPresetCount(int n) {
        const std::string v = std::to_string(n);
        IniWriteString(ctx_->ws->printerName, u"Count", std::u16string(v.begin(), v.end()).c_str(),
                       GetIniFilePath(ctx_));
    }

    HWND window_ = nullptr;
    WCHAR csv_[kWsPathChars] = {};
};

TEST_F(PageHooks, TablesPrepareKeysAliasesAndClasses) {
    UiControl* a = CtlFindById(ctx_, PageFindById(ctx_, 1002), 2036);
    UiControl* b = CtlFindById(ctx_, PageFindById(ctx_, 1005), 2109);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->key, b->key);
    EXPECT_EQ(a->item, b->item);
    UiControl* name = CtlFindById(ctx_, PageFindById(ctx_, 1007), 2145);
    UiControl* save = CtlFindById(ctx_, PageFindById(ctx_, 1032), 2452);
    ASSERT_TRUE(name && save);
    EXPECT_EQ(name->item, save->item);
    // An aliased store: one field under two items.
    ItemSetRawById(ctx_, 95, 3);
    EXPECT_EQ(ItemRawById(ctx_, 876), 3u);
    ItemSetRawById(ctx_, 877, 2);
    EXPECT_EQ(ItemRawById(ctx_, 102), 2u);
    int classed = 0;
    for (int i = 0; i < ctx_->items->count; ++i)
        if (ctx_->items->items[i].changeClasses) ++classed;
    EXPECT_EQ(classed, 94);
    EXPECT_EQ(ItemFindById(ctx_, 7)->changeClasses, 0x30000u);
    EXPECT_EQ(ItemFindById(ctx_, 10070)->changeClasses, 0x130000u);
    EXPECT_EQ(ItemFindById(ctx_, 41)->changeClasses, 0u);
    EXPECT_EQ(CtlFindById(ctx_, PageFindById(ctx_, 1065), 2817)->type, 49);
    // The preset list speaks of values 119 + slot.
    ItemSetValueById(ctx_, 41, 121);
    EXPECT_EQ(ItemRawById(ctx_, 41), 2u);
    // The shared preview attribute is the context's own copy, with item ids.
    const auto* preview = static_cast<const UiAttrPreview*>(
        CtlGetAttr(CtlFindById(ctx_, PageFindById(ctx_, 1003), 2039), 8));
    ASSERT_NE(preview, nullptr);
    const DmItem* first = ItemFindByKey(ctx_, 869);
    EXPECT_EQ(preview->keys[0], first ? first->id : 0);
    const auto* picture =
        static_cast<const UiAttrPicture*>(CtlGetAttr(CtlFindById(ctx_, PageFindById(ctx_, 1021), 2249), 1));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->controlIds[0], 157);
    EXPECT_EQ(picture->controlIds[5], 162);
}

TEST_F(PageHooks, EachContextHasItsOwnAttributeCopies) {
    DrvContext* other = context(kCreateInterface, 0);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(UiTablesPrepare(other), 1);
    const void* mine = CtlFindById(ctx_, PageFindById(ctx_, 1004), 2039)->attribute;
    const void* theirs = CtlFindById(other, PageFindById(other, 1004), 2039)->attribute;
    ASSERT_TRUE(mine && theirs);
    EXPECT_NE(mine, theirs);
    // Preparing again keeps the copy and its item ids.
    const auto before = *static_cast<const UiAttrPreview*>(theirs);
    ASSERT_EQ(UiTablesPrepare(other), 1);
    const auto* after = static_cast<const UiAttrPreview*>(CtlFindById(other, PageFindById(other, 1004), 2039)->attribute);
    EXPECT_EQ(std::memcmp(&before, after, sizeof before), 0);
    // The built-in template is never changed.
    EXPECT_EQ(UiTablesPrepare(const_cast<DrvContext*>(GetContextTemplate())), 0);
}

TEST_F(PageHooks, MeasureItemWithoutAPageDoublesTheQualityList) {
    MEASUREITEMSTRUCT mis{ODT_LISTBOX, 2134, 0, 0, 14, 0};
    EXPECT_EQ(PageCtrlChanged(nullptr, nullptr, nullptr, WM_MEASUREITEM, 2134, reinterpret_cast<LPARAM>(&mis)), 1);
    EXPECT_EQ(mis.itemHeight, 28u);
    MEASUREITEMSTRUCT other{ODT_LISTBOX, 2135, 0, 0, 14, 0};
    EXPECT_EQ(PageCtrlChanged(nullptr, nullptr, nullptr, WM_MEASUREITEM, 2135, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(other.itemHeight, 14u);
}

TEST_F(PageHooks, TrayNameFocusSetsThePostTray) {
    UiPage* page = PageFindById(ctx_, 1015);
    UiControl* third = CtlFindById(ctx_, page, 2197);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(PageCtrlChanged(ctx_, page, third, WM_SETFOCUS, 0, 0), 0);
    EXPECT_EQ(ItemValueById(ctx_, 893), 3u);
    EXPECT_EQ(PageCtrlChanged(ctx_, page, third, WM_KILLFOCUS, 0, 0), 0);
    EXPECT_EQ(ItemValueById(ctx_, 893), 0u);
}

TEST_F(PageHooks, ChangeButtonMarksHowTheNestedOkIsSetUp) {
    UiPage* page = PageFindById(ctx_, 1001);
    UiControl* change = CtlFindById(ctx_, page, 2003);
    ASSERT_NE(change, nullptr);
    ItemSetValueById(ctx_, 41, 119);
    // The nested sheet takes the marks when it sets up its frame: both give
    // an extra first OK (11111) beside the relabelled second one (22222),
    // the second mark alone only the relabelled one. Its frame is dumped,
    // then it is cancelled.
    const auto click = [&] {
        std::string frame;
        winsim::ui::setDumpHandler([&](const std::string& d) { frame = d; });
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript("dump; cancel", &error)) << error;
        EXPECT_EQ(PageCtrlChanged(ctx_, page, change, WM_COMMAND, MAKEWPARAM(2003, BN_CLICKED), 0), 1);
        winsim::ui::setDumpHandler(nullptr);
        for (const auto& f : winsim::ui::failures()) ADD_FAILURE() << f;
        return frame;
    };
    const auto hasButton = [](const std::string& frame, const char* id) {
        return frame.find(std::string(" ") + id + " Button") != std::string::npos;
    };
    setPresetCount(3);
    ChangeMaskClear(ctx_, 0xC0000000u);
    std::string frame = click();
    EXPECT_TRUE(hasButton(frame, "11111")) << frame;
    EXPECT_TRUE(hasButton(frame, "22222")) << frame;
    setPresetCount(16);
    ChangeMaskClear(ctx_, 0xC0000000u);
    frame = click();
    EXPECT_FALSE(hasButton(frame, "11111")) << frame;
    EXPECT_TRUE(hasButton(frame, "22222")) << frame;
}

TEST_F(PageHooks, MaintenanceFallsBackToSlotZero) {
    UiPage* page = PageFindById(ctx_, 1001);
    UiControl* maintain = CtlFindById(ctx_, page, 2002);
    ASSERT_NE(maintain, nullptr);
    setPresetCount(2);
    ItemSetValueById(ctx_, 41, 119 + 5);
    EXPECT_EQ(PageCtrlChanged(ctx_, page, maintain, WM_COMMAND, MAKEWPARAM(2002, BN_CLICKED), 0), 1);
    EXPECT_EQ(ItemValueById(ctx_, 41), 119u);
}

TEST_F(PageHooks, JobMergeNameIsCheckedBeforeTheFolder) {
    UiPage* page = open(1019);
    ASSERT_NE(page, nullptr);
    // The print method's raw value is the method number (5, job merge).
    ItemSetRawById(ctx_, 222, 5);
    ASSERT_EQ(ItemValueById(ctx_, 222), 2625u);
    setText(2243, u"job|1");
    winsim::clearMessageBoxes();
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 1);
    EXPECT_EQ(winsim::journalCount("GetFileAttributesW"), 0u);
    winsim::journalEnable(false);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{stringOf(10051)});
    EXPECT_EQ(focusId(), 2243);
    // An existing target file in "<OS>\Temp\Rmp".
    WCHAR win[kWsPathChars];
    GetWindowsDir(win, kWsPathChars);
    const std::u16string folder = std::u16string(win) + u"\\Temp\\Rmp";
    CreateDirectoryW((std::u16string(win) + u"\\Temp").c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    write(folder + u"\\job.rmp", "x");
    setText(2243, u"job");
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 1);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{stringOf(10050)});
    setText(2243, u"other");
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 0);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(PageHooks, PasswordMismatchIsRefused) {
    UiPage* page = open(1019);
    ASSERT_NE(page, nullptr);
    ItemSetRawById(ctx_, 222, 1);
    setText(2245, u"secret");
    ChangeMaskAdd(ctx_, 0x8000000u);
    winsim::clearMessageBoxes();
    // The confirmation dialog gets another password.
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("expect dialog 4005; type 2527 \"other\"; ok; answer IDOK", &error))
        << error;
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 1);
    for (const auto& f : winsim::ui::failures()) ADD_FAILURE() << f;
    EXPECT_EQ(boxes(), std::vector<std::u16string>{stringOf(10034)});
    WCHAR t[16] = {};
    GetDlgItemTextW(window_, 2245, t, 16);
    EXPECT_EQ(std::u16string(t), u"");
    EXPECT_EQ(focusId(), 2245);
    // Cancel forgets the edit.
    PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(ChangeMaskGet(ctx_) & 0x8000000u, 0u);
}

TEST_F(PageHooks, SavePresetRefusesAFullListAndReadOnlySlots) {
    UiPage* page = open(1032);
    ASSERT_NE(page, nullptr);
    setPresetCount(16);
    ItemSetValueById(ctx_, 41, 118);
    setText(2452, u"Brand new");
    winsim::clearMessageBoxes();
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 1);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{stringOf(10049)});
    EXPECT_EQ(focusId(), 2452);
    // Slot 0 names a read-only settings file: saving under its name is refused.
    std::u16string readOnly = GetIniFilePath(ctx_);
    readOnly.resize(readOnly.rfind(u'\\') + 1);
    readOnly += u"standard.rst";
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, u"Readonly", u"1", readOnly.c_str()));
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, u"PresetList0", readOnly.c_str(), GetIniFilePath(ctx_)));
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, u"PresetList0Name", u"Standard", GetIniFilePath(ctx_)));
    ASSERT_EQ(PresetFindByName(ctx_, u"Standard", 0), 0);
    ASSERT_FALSE(PresetIsWritableByIndex(ctx_, 0));
    winsim::clearMessageBoxes();
    setText(2452, u"Standard");
    EXPECT_EQ(PageCtrlChanged(ctx_, page, nullptr, WM_COMMAND, IDOK, 0), 1);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{stringOf(10024)});
}

TEST_F(PageHooks, QualityListRowsAreOwnerDrawnByState) {
    UiPage* page = open(1006);
    ASSERT_NE(page, nullptr);
    UiControl* list = CtlFindById(ctx_, page, 2134);
    ASSERT_NE(list, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_LISTBOX;
    d.CtlID = 2134;
    d.itemID = 2;
    d.itemAction = ODA_DRAWENTIRE;
    d.hwndItem = GetDlgItem(window_, 2134);
    d.hDC = dc;
    d.rcItem = RECT{0, 0, 120, 28};
    d.itemData = 137;
    const auto fillOf = [&](UINT state) {
        d.itemState = state;
        winsim::clearDrawLog();
        EXPECT_EQ(PageCtrlChanged(ctx_, page, list, WM_DRAWITEM, 2134, reinterpret_cast<LPARAM>(&d)), 1);
        for (const auto& r : winsim::drawLog())
            if (r.operation == "FillRect") return r.colour;
        return COLORREF(0xFFFFFFFF);
    };
    EXPECT_EQ(fillOf(ODS_SELECTED), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(fillOf(0), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(fillOf(ODS_DISABLED | ODS_SELECTED), GetSysColor(COLOR_BTNFACE));
    // Only drawing actions are the hook's.
    d.itemAction = ODA_FOCUS;
    EXPECT_EQ(PageCtrlChanged(ctx_, page, list, WM_DRAWITEM, 2134, reinterpret_cast<LPARAM>(&d)), 0);
    DeleteDC(dc);
}

TEST(PageText, DialCharactersAndCommas) {
    EXPECT_EQ(StrIsDialChars(u"0123-456#*/\uFF65"), 1);
    EXPECT_EQ(StrIsDialChars(u"012a"), 0);
    EXPECT_EQ(StrIsDialChars(u"01 2"), 0);
    EXPECT_EQ(StrHasNoComma(u"Office"), 1);
    EXPECT_EQ(StrHasNoComma(u"Of,fice"), 0);
}

// ---- Address pages ----

TEST_F(PageHooks, AddressBookAddsUpdatesAndDeletes) {
    UiPage* page = open(1035);
    ASSERT_NE(page, nullptr);
    HWND list = GetDlgItem(window_, 2490);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0) > 0, true);
    setText(2494, u"Office");
    setText(2489, u"0123-456");
    command(2499);
    EXPECT_EQ(read(csv_), "Office,,,,,0123-456,,,,,,,\r\n");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(selectedRow(), 0);
    // A comma in the name, a letter or too many digits in the number: nothing added.
    setText(2494, u"Of,fice");
    command(2499);
    EXPECT_EQ(focusId(), 2494);
    setText(2494, u"Home");
    setText(2489, u"12a");
    command(2499);
    EXPECT_EQ(focusId(), 2489);
    setText(2489, std::u16string(33, u'1').c_str());
    command(2499);
    EXPECT_EQ(rows(), 1);
    setText(2489, u"99");
    command(2499);
    // The line combo shows the entry's line, the default G3-1 for Office.
    EXPECT_EQ(read(csv_), "Office,,,,,0123-456,,,,,,,\r\nHome,,,,,99,,,,G3-1,,,\r\n");
    EXPECT_EQ(selectedRow(), 1);
    setText(2489, u"98");
    command(2500);
    EXPECT_EQ(read(csv_), "Office,,,,,0123-456,,,,,,,\r\nHome,,,,,98,,,,G3-1,,,\r\n");
    // Delete asks; only OK deletes.
    winsim::queueMessageBoxAnswer(IDCANCEL);
    command(2501);
    EXPECT_EQ(rows(), 2);
    winsim::queueMessageBoxAnswer(IDOK);
    command(2501);
    EXPECT_EQ(read(csv_), "Office,,,,,0123-456,,,,,,,\r\n");
    EXPECT_EQ(selectedRow(), 0);
    winsim::queueMessageBoxAnswer(IDOK);
    command(2501);
    EXPECT_EQ(read(csv_), "");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(CsvStoreOf(ctx_)->position, -1);
}

TEST_F(PageHooks, AddressBookSelectionFillsTheEdits) {
    write(csv_, "A,,,,,1,,,,,,,\r\nB,,,,,2,,,,,,,\r\n");
    UiPage* page = open(1035);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(rows(), 2);
    LVITEMW st{};
    st.state = st.stateMask = LVIS_SELECTED;
    SendDlgItemMessageW(window_, 2490, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
    WCHAR t[16] = {};
    GetDlgItemTextW(window_, 2489, t, 16);
    EXPECT_EQ(std::u16string(t), u"2");
    EXPECT_EQ(CsvStoreOf(ctx_)->position, 1);
}

TEST_F(PageHooks, UnreadableBookCannotBeChanged) {
    const std::string book = "Keep,,,,," + std::string(33, '1') + "\r\n";
    write(csv_, book);
    UiPage* page = open(1035);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, 2499)));
    setText(2494, u"New");
    setText(2489, u"1");
    command(2499);
    EXPECT_EQ(read(csv_), book);
}

TEST_F(PageHooks, RemoteDialogValidation) {
    write(csv_, ",,,,,1,,,,,,,\r\n");  // every entry unnamed
    UiPage* page = open(1034);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(CsvStoreOf(ctx_)->position, -1);
    CheckRadioButton(window_, 2482, 2483, 2482);
    EXPECT_EQ(AddressPageValidate(ctx_, page), 0);
    EXPECT_EQ(focusId(), 2484);
    CheckRadioButton(window_, 2482, 2483, 2483);
    setText(2486, u"12a4");
    EXPECT_EQ(AddressPageValidate(ctx_, page), 0);
    EXPECT_EQ(focusId(), 2486);
    setText(2486, u"1234");
    EXPECT_EQ(AddressPageValidate(ctx_, page), 1);
}

TEST_F(PageHooks, RemoteDialogTakesTheBooksEntry) {
    write(csv_, "A,,,,,1,,,,,,,\r\nB,,,,,22,,,,,,,\r\n");
    ItemSetValueById(ctx_, 242, 7);  // beyond the book: the last entry
    UiPage* page = open(1034);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(CsvStoreOf(ctx_)->position, 1);
    CheckRadioButton(window_, 2482, 2483, 2482);
    HWND combo = GetDlgItem(window_, 2484);
    PageCtrlChanged(ctx_, page, CtlFindById(ctx_, page, 2484), WM_INITDIALOG, 0, 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    WCHAR t[16] = {};
    GetDlgItemTextW(window_, 2486, t, 16);
    EXPECT_EQ(std::u16string(t), u"22");
    EXPECT_EQ(AddressPageValidate(ctx_, page), 1);
}

// OK on the remote dialog: an empty book in book mode keeps it open with
// the book held; a valid choice keeps the book's position in item 242, and
// the book is let go on OK and on Cancel.
TEST_F(PageHooks, RemoteDialogCloseKeepsThePositionAndLetsTheBookGo) {
    write(csv_, "A,,,,,1,,,,,,,\r\nB,,,,,22,,,,,,,\r\n");
    ItemSetValueById(ctx_, 242, 1);
    UiPage* page = open(1034);
    ASSERT_NE(page, nullptr);
    CheckRadioButton(window_, 2482, 2483, 2482);
    SendDlgItemMessageW(window_, 2484, CB_RESETCONTENT, 0, 0);
    command(IDOK);
    EXPECT_EQ(page->window, window_);  // a closing page lets its window go
    EXPECT_NE(CsvStoreOf(ctx_), nullptr);
    EXPECT_EQ(focusId(), 2484);
    CheckRadioButton(window_, 2482, 2483, 2483);
    setText(2486, u"555");
    CsvStoreOf(ctx_)->position = 0;
    command(IDOK);
    EXPECT_EQ(page->window, nullptr);
    EXPECT_EQ(CsvStoreOf(ctx_), nullptr);
    EXPECT_EQ(ItemValueById(ctx_, 242), 0u);
    EXPECT_EQ(read(csv_), "A,,,,,1,,,,,,,\r\nB,,,,,22,,,,,,,\r\n");
    DestroyWindow(window_);
    ASSERT_NE(open(1034), nullptr);
    EXPECT_NE(CsvStoreOf(ctx_), nullptr);
    command(IDCANCEL);
    EXPECT_EQ(CsvStoreOf(ctx_), nullptr);
}

}  // namespace
}  // namespace vesk::test
