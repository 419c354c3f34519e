// The driver's pages in a sheet: pages refused by the common UI, the OK
// button relabelled for a sub-sheet, the page's children hidden and shown
// as the template has them, the change mark, preparation once per sheet,
// caption overrides, context help, and whole sheets run by a UI script.
#include <win/user.h>
#include <winsim/window.h>

#include <cstring>

#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

constexpr int kGroupControl = 2054;   // page 1002, type 4
constexpr int kOtherControl = 2040;   // page 1002, type 1

class SheetPages : public DocumentSession {
protected:
    // A frame with OK and Cancel holding page 1002 of the string library;
    // the page then initialises.
    void makeSheet(uint32_t maskBits) {
        newFrame();
        ok_ = CreateWindowExW(0, u"BUTTON", u"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 300, 200, 75, 23, frame(),
                              reinterpret_cast<HMENU>(intptr_t(IDOK)), nullptr, nullptr);
        cancel_ = CreateWindowExW(0, u"BUTTON", u"Cancel", WS_CHILD | WS_VISIBLE, 385, 204, 75, 23, frame(),
                                  reinterpret_cast<HMENU>(intptr_t(IDCANCEL)), nullptr, nullptr);
        SheetPrepareControls(ctx_, nullptr);
        ChangeMaskAdd(ctx_, maskBits);
        page_ = createPage(1002);
        ASSERT_NE(page_, nullptr);
        group_ = GetDlgItem(page_, kGroupControl);
        other_ = GetDlgItem(page_, kOtherControl);
        ASSERT_NE(group_, nullptr);
        ASSERT_NE(other_, nullptr);
    }
    RECT rectOf(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        POINT a{r.left, r.top}, b{r.right, r.bottom};
        ScreenToClient(frame_, &a);
        ScreenToClient(frame_, &b);
        return RECT{a.x, a.y, b.x, b.y};
    }
    std::u16string textOf(HWND w) {
        WCHAR t[64] = {};
        GetWindowTextW(w, t, 64);
        return t;
    }
    std::u16string stringOf(uint32_t id) {
        WCHAR t[64] = {};
        ResLoadString(ctx_, id, t, 64, 0);
        return t;
    }

    HWND ok_ = nullptr, cancel_ = nullptr, page_ = nullptr, group_ = nullptr, other_ = nullptr;
};

TEST_F(SheetPages, RefusedPagesAreNotCountedAndEnd) {
    const int all = int(com_.pages.size());
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();
    com_.refuseOdd = true;
    EXPECT_EQ(SheetAddPages(ctx_, kSheetDocument), (all + 1) / 2);
    EXPECT_EQ(int(winsim::ui::livePropertySheetPages()), (all + 1) / 2);
    // Without the common UI's function nothing is added.
    SheetSession* s = SheetSessionOf(ctx_);
    const auto fn = s->comFunction;
    s->comFunction = nullptr;
    EXPECT_EQ(SheetAddPages(ctx_, kSheetDocument), 0);
    s->comFunction = fn;
}

TEST_F(SheetPages, BothMaskBitsGiveTwoButtonsBesideCancel) {
    makeSheet(0xC0000000u);
    EXPECT_EQ(GetDlgItem(frame_, IDOK), nullptr);
    ASSERT_EQ(GetDlgItem(frame_, 22222), ok_);
    HWND extra = GetDlgItem(frame_, 11111);
    ASSERT_NE(extra, nullptr);
    EXPECT_FALSE(stringOf(373).empty());
    EXPECT_NE(stringOf(372), stringOf(373));
    EXPECT_EQ(textOf(ok_), stringOf(373));
    EXPECT_EQ(textOf(extra), stringOf(372));
    const RECT o = rectOf(ok_), e = rectOf(extra);
    EXPECT_EQ(o.right, 375);  // widened to 4/3, right edge kept
    EXPECT_EQ(o.left, 275);
    EXPECT_EQ(o.bottom - o.top, 23);
    EXPECT_EQ(e.left, 2 * 275 - 385);  // Cancel's left edge mirrored across OK's
    EXPECT_EQ(e.top, 204);
    EXPECT_EQ(e.right - e.left, 100);
    EXPECT_FALSE(GetWindowLongPtrW(extra, GWL_STYLE) & BS_DEFPUSHBUTTON);
    const uint32_t mask = ChangeMaskGet(ctx_);
    EXPECT_EQ(mask & 0xC0000000u, 0u);
    EXPECT_TRUE(mask & 0x800000u);
}

TEST_F(SheetPages, OneMaskBitRelabelsOkOnly) {
    makeSheet(0x80000000u);
    EXPECT_EQ(GetDlgItem(frame_, 11111), ok_);
    EXPECT_EQ(textOf(ok_), stringOf(372));
    EXPECT_EQ(GetDlgItem(frame_, 22222), nullptr);
    EXPECT_TRUE(ChangeMaskGet(ctx_) & 0x800000u);
}

TEST_F(SheetPages, NoMaskBitsLeaveTheFrameAlone) {
    makeSheet(0);
    EXPECT_EQ(GetDlgItem(frame_, IDOK), ok_);
    EXPECT_EQ(rectOf(ok_).left, 300);
    EXPECT_FALSE(ChangeMaskGet(ctx_) & 0x800000u);
    // Once laid out, each child shows as the template has it: compare with
    // the same template made without the sheet's procedure.
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    static auto plain = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    HWND bare = CreateDialogParamW(ResGetStringDll(ctx_), MAKEINTRESOURCEW(1002), frame_, plain, 0);
    ASSERT_NE(bare, nullptr);
    int children = 0;
    for (HWND w = GetTopWindow(bare); w; w = GetWindow(w, GW_HWNDNEXT), ++children) {
        HWND mine = GetDlgItem(page_, GetDlgCtrlID(w));
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(GetWindowLongPtrW(mine, GWL_STYLE) & WS_VISIBLE, GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE)
            << GetDlgCtrlID(w);
    }
    EXPECT_GT(children, 2);
    DestroyWindow(bare);
    EXPECT_EQ(SheetSessionOf(ctx_)->currentPageId, 1002);
    EXPECT_EQ(SheetSessionOf(ctx_)->mainPageId, 1002);
}

TEST_F(SheetPages, ChangeReportsMarkTheSessionAndCancelClearsIt) {
    makeSheet(0);
    SheetSession* s = SheetSessionOf(ctx_);
    EXPECT_EQ(s->changed, 0u);
    SendMessageW(frame_, PSM_CHANGED, WPARAM(page_), 0);
    EXPECT_EQ(s->changed, 1u);
    NMHDR n{frame_, 0, UINT(PSN_RESET)};
    SheetPageDlgProc(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(s->changed, 0u);
    // A sheet a page opens is watched too, and the first one still is.
    HWND outer = frame_;
    makeSheet(0);
    SendMessageW(frame_, PSM_CHANGED, WPARAM(page_), 0);
    EXPECT_EQ(s->changed, 1u);
    s->changed = 0;
    SendMessageW(outer, PSM_CHANGED, 0, 0);
    EXPECT_EQ(s->changed, 1u);
    // A frame that is gone is forgotten.
    DestroyWindow(frame_);
    s->changed = 0;
    SendMessageW(outer, PSM_CHANGED, 0, 0);
    EXPECT_EQ(s->changed, 1u);
    DestroyWindow(outer);
}

TEST_F(SheetPages, ContextHelpPicksTheWindowByMessageAndType) {
    makeSheet(0);
    ShowContextHelp(page_, group_, WM_HELP);
    ShowContextHelp(page_, group_, WM_CONTEXTMENU);
    ShowContextHelp(page_, other_, WM_CONTEXTMENU);
    const auto log = winsim::helpLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].window, group_);
    EXPECT_EQ(log[0].command, UINT(HELP_WM_HELP));
    ASSERT_FALSE(log[0].idPairs.empty());
    EXPECT_EQ(log[0].idPairs[0].first, DWORD(kGroupControl));
    EXPECT_EQ(log[1].window, page_);
    EXPECT_EQ(log[1].command, UINT(HELP_CONTEXTMENU));
    EXPECT_EQ(log[2].window, other_);
    // A control the conditions hide gets none.
    CtlFindById(ctx_, PageFindById(ctx_, 1002), kOtherControl)->hidden = 1;
    ShowContextHelp(page_, other_, WM_HELP);
    EXPECT_EQ(winsim::helpLog().size(), 3u);
}

TEST_F(SheetPages, Page1003ShowsItsNoteWhileControl2407IsOffered) {
    SheetPrepareControls(ctx_, nullptr);
    SheetSessionOf(ctx_)->currentPageId = 1003;
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.pszTemplate = MAKEINTRESOURCEW(1003);
    psp.lParam = reinterpret_cast<LPARAM>(ctx_);
    HWND frame = winsim::createWindow(u"TestFrame", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    HWND page = CreateDialogParamW(ResGetStringDll(ctx_), MAKEINTRESOURCEW(1003), frame, &SheetPageDlgProc,
                                   reinterpret_cast<LPARAM>(&psp));
    ASSERT_NE(page, nullptr);
    ASSERT_NE(GetDlgItem(page, 2088), nullptr);
    EXPECT_EQ(textOf(GetDlgItem(page, 2088)), stringOf(563));
    EXPECT_FALSE(stringOf(563).empty());
    DestroyWindow(page);
}

TEST_F(SheetPages, CaptionOverridesFollowTheTable) {
    UiControl c{};
    c.id = 2003;
    CtlSetCaptionOverride(ctx_, &c);
    EXPECT_EQ(SheetSessionOf(ctx_)->captionOverride, 13187u);
    c.id = 2037;
    CtlSetCaptionOverride(ctx_, &c);
    EXPECT_EQ(SheetSessionOf(ctx_)->captionOverride, 65535u);
    c.id = 2036;
    CtlSetCaptionOverride(ctx_, &c);
    EXPECT_EQ(SheetSessionOf(ctx_)->captionOverride, 0u);
    c.id = 2503;
    CtlSetCaptionOverride(ctx_, &c);
    CtlClearCaptionOverride(ctx_);
    EXPECT_EQ(SheetSessionOf(ctx_)->captionOverride, 0u);
}

TEST_F(SheetPages, PreparationBindsOnceAndChecksTheWatermark) {
    ItemSetValueById(ctx_, 63, 1);
    ItemSetValueById(ctx_, 120, 200);  // no such stamp
    SheetPrepareControls(ctx_, nullptr);
    EXPECT_EQ(ItemValueById(ctx_, 63), 0u);
    EXPECT_EQ(ItemValueById(ctx_, 120), 0u);
    EXPECT_EQ(ItemRawById(ctx_, 880), 1u);
    UiControl* bound = CtlFindById(ctx_, PageFindById(ctx_, 1002), 2036);
    ASSERT_NE(bound, nullptr);
    EXPECT_NE(bound->item, nullptr);
    EXPECT_EQ(bound->secondId, 2036);
    // A second preparation of the sheet changes nothing.
    ItemSetValueById(ctx_, 63, 1);
    ItemSetValueById(ctx_, 120, 200);
    bound->item = nullptr;
    SheetPrepareControls(ctx_, PageFindById(ctx_, 1002));
    EXPECT_EQ(ItemValueById(ctx_, 63), 1u);
    EXPECT_EQ(bound->item, nullptr);
}

TEST_F(SheetPages, PresetCommentIsCutOnACharacterBoundary) {
    winsim::config().ansiCodePage = 932;
    ItemSetValueById(ctx_, 41, 119);
    ASSERT_EQ(ItemValueById(ctx_, 41), 119u);
    std::u16string comment = u"a";
    for (int n = 0; n < 300; ++n) comment += u'\u3042';
    WCHAR key[kListKeyChars];
    const WCHAR* ini = GetIniFilePath(ctx_);
    std::u16string iniPath(ini);
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, FormatPresetKey(key, 0, 2), comment.c_str(), iniPath.c_str()));
    ASSERT_TRUE(IniWriteString(ctx_->ws->printerName, FormatPresetKey(key, 0, 1), u"Office", iniPath.c_str()));
    SheetPrepareControls(ctx_, nullptr);
    DmItem* item = PresetCommentBuffer(ctx_);
    ASSERT_NE(item, nullptr);
    const auto* bytes = reinterpret_cast<const char*>(ItemGetStorage(ctx_, item));
    // One ASCII letter and 255 two-byte characters fit 512 bytes; the half
    // of the 256th is left out.
    EXPECT_EQ(strnlen(bytes, 513), 511u);
    WCHAR name[64] = {};
    ItemGetString(ctx_, PresetNameBuffer(ctx_), name, 64);
    EXPECT_EQ(std::u16string(name), u"Office");
}

// Whole sheets through the common UI, driven as a user would.
TEST_F(SheetPrinter, DocumentSheetRunsUnderAScript) {
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("page 1002; dump; ok", &error)) << error;
    docHeader_.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
    DWORD result = 9;
    EXPECT_EQ(RunCommonPropertySheet(nullptr, DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&docHeader_), &result),
              CPSUI_OK);
    EXPECT_TRUE(winsim::ui::failures().empty());
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].find("sheet #32770"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[0].find("[1002]"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[0].find("dialog 1002"), std::string::npos) << dumps[0];
    EXPECT_EQ(winsim::ui::livePropertySheetPages(), 0u);
}

TEST_F(SheetPrinter, PrinterPropertiesRunsThePrinterSheet) {
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("dump; ok", &error)) << error;
    winsim::journalEnable(true);
    EXPECT_TRUE(PrinterProperties(nullptr, printer_));
    EXPECT_TRUE(winsim::ui::failures().empty());
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 1u);
    // The title is the printer's name although the entry passes none.
    EXPECT_NE(dumps[0].find(winsim::toUtf8(name_)), std::string::npos) << dumps[0];
    EXPECT_GE(winsim::journalCount("SetPrinterW"), 3u);
    winsim::journalEnable(false);
}

}  // namespace
}  // namespace vesk::test
