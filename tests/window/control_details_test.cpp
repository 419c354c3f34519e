// Finer control behaviour: edit styles and the clipboard, the combo box's
// dropped list and keys, multiple selection, pictures from templates.
#include <filesystem>

#include "window/window_support.h"

namespace wintest {
namespace {

using ControlDetails = WindowTest;

TEST_F(ControlDetails, EditStylesFilterWhatTheUserTypes) {
    Recorder rec;
    HWND d = open({{kEdit, 1, ES_MULTILINE | ES_WANTRETURN, 5, 5, 80, 30, u""},
                   {kEdit, 2, ES_NUMBER, 5, 40, 80, 12, u""},
                   {kEdit, 3, ES_READONLY, 5, 55, 80, 12, u"fixed"},
                   {kEdit, 4, ES_PASSWORD | ES_UPPERCASE, 5, 70, 80, 12, u""}});
    HWND multi = GetDlgItem(d, 1);
    run("type 1 \"ab\"; key ENTER; type 2 \"4x2\"; type 3 \"no\"; type 4 \"pw\"");
    WCHAR buf[32];
    GetWindowTextW(multi, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"ab\r\n");  // Enter is the multi-line edit's, not the dialog's
    SendMessageW(multi, EM_SETSEL, 4, 4);
    SendMessageW(multi, WM_CHAR, u'c', 0);
    GetWindowTextW(multi, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"ab\r\nc");
    EXPECT_EQ(SendMessageW(multi, EM_GETLINECOUNT, 0, 0), 2);
    GetDlgItemTextW(d, 2, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"42");  // the letter was refused
    GetDlgItemTextW(d, 3, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"fixed");
    EXPECT_EQ(winsim::beepLog().size(), 3u);  // 'x' and the two characters for the read-only edit
    GetDlgItemTextW(d, 4, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"PW");
    // A password is never copied out; other selections are.
    winsim::ui::setClipboardText(u"keep");
    SendDlgItemMessageW(d, 4, EM_SETSEL, 0, -1);
    SendDlgItemMessageW(d, 4, WM_COPY, 0, 0);
    EXPECT_EQ(winsim::ui::clipboardText(), u"keep");
    SendDlgItemMessageW(d, 2, EM_SETSEL, 0, 1);
    SendDlgItemMessageW(d, 2, WM_CUT, 0, 0);
    EXPECT_EQ(winsim::ui::clipboardText(), u"4");
    GetDlgItemTextW(d, 2, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"2");
    // Keys move the caret; Delete takes the character after it.
    HWND num = GetDlgItem(d, 2);
    SetDlgItemTextW(d, 2, u"123");
    SetFocus(num);
    SendMessageW(num, WM_KEYDOWN, VK_END, 0);
    SendMessageW(num, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(num, WM_KEYDOWN, VK_DELETE, 0);
    GetWindowTextW(num, buf, 32);
    EXPECT_EQ(std::u16string(buf), u"12");
}

TEST_F(ControlDetails, TheDroppedListTakesEnterAndEscapeBeforeTheDialog) {
    Recorder rec;
    rec.handler = [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; };
    HWND d = open({{kCombo, 7, CBS_DROPDOWNLIST | WS_TABSTOP, 5, 5, 80, 60, u""},
                   {kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 80, 40, 14, u"OK"}});
    HWND c = GetDlgItem(d, 7);
    for (const char16_t* t : {u"one", u"two", u"three"}) SendMessageW(c, CB_ADDSTRING, 0, LPARAM(t));
    EXPECT_EQ(GetFocus(), c);
    rec.lines.clear();
    EXPECT_TRUE(SendMessageW(c, CB_SHOWDROPDOWN, TRUE, 0));
    EXPECT_TRUE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0));
    run("key DOWN; key ENTER");
    EXPECT_FALSE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 0);
    // Dropped: the keys were the list's, not the dialog's (no IDOK).
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 7 7", "COMMAND 7 1", "COMMAND 7 9", "COMMAND 7 8",
                                                              "COMMAND 7 1"}));
    rec.lines.clear();
    run("key F4; key ESC");
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 7 7", "COMMAND 7 10", "COMMAND 7 8"}));
    rec.lines.clear();
    run("key ENTER");  // closed: Enter is the dialog's again
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 1 0"}));
    // Text picks the item that has it; the field shows the selection.
    EXPECT_TRUE(SetWindowTextW(c, u"THREE"));
    EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 2);
    WCHAR buf[16];
    EXPECT_EQ(GetWindowTextW(c, buf, 16), 5);
    EXPECT_EQ(std::u16string(buf), u"three");
    EXPECT_FALSE(SetWindowTextW(c, u"four"));
    EXPECT_EQ(SendMessageW(c, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(buf)), CB_ERR);
}

TEST_F(ControlDetails, MultipleSelectionListsToggleAndKeysMoveTheSelection) {
    Recorder rec;
    HWND d = open({{kListBox, 8, LBS_NOTIFY | LBS_MULTIPLESEL, 5, 5, 80, 60, u""},
                   {kListBox, 9, LBS_NOTIFY, 90, 5, 80, 60, u""}});
    HWND multi = GetDlgItem(d, 8), single = GetDlgItem(d, 9);
    for (const char16_t* t : {u"alpha", u"beta", u"gamma", u"delta"}) {
        SendMessageW(multi, LB_ADDSTRING, 0, LPARAM(t));
        SendMessageW(single, LB_ADDSTRING, 0, LPARAM(t));
    }
    run("select 8 \"beta\"; select 8 \"delta\"; select 8 \"beta\"");
    EXPECT_FALSE(SendMessageW(multi, LB_GETSEL, 1, 0));
    EXPECT_TRUE(SendMessageW(multi, LB_GETSEL, 3, 0));
    EXPECT_EQ(SendMessageW(multi, LB_SETCURSEL, 1, 0), LB_ERR);  // not for multiple selection
    EXPECT_EQ(rec.only("COMMAND 8 1").size(), 3u);
    rec.lines.clear();
    SetFocus(single);
    rec.lines.clear();
    run("key DOWN; key END; key END; key g");
    EXPECT_EQ(SendMessageW(single, LB_GETCURSEL, 0, 0), 2);  // "gamma" by its first letter
    EXPECT_EQ(rec.only("COMMAND 9 1").size(), 3u);             // the second End moved nothing
}

TEST_F(ControlDetails, PicturesComeFromTheTemplatesResourceIdAndGoWithTheirStatic) {
    winsim::TempMachine machine;
    auto host = winsim::hostPath("C:\\VESKC1XX.DLL");
    ASSERT_TRUE(host);
    std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKC1XX.DLL", *host);
    HMODULE bmp = LoadLibraryW(u"C:\\VESKC1XX.DLL");
    ASSERT_TRUE(bmp);
    const size_t before = winsim::liveImages();
    tmpl_ = dialogTemplate({{kStatic, 5, SS_BITMAP, 5, 5, 20, 20, std::u16string{char16_t(0xFFFF), char16_t(7003)}}},
                           WS_POPUP | WS_VISIBLE | DS_SETFONT);
    HWND d = CreateDialogIndirectParamW(bmp, tmpl_.data(), nullptr, nullptr, 0);
    ASSERT_TRUE(d);
    winsim::ui::ControlState s;
    ASSERT_TRUE(winsim::ui::controlState(GetDlgItem(d, 5), s));
    EXPECT_EQ(s.kind, "bitmap");
    EXPECT_EQ(s.image, 7003u);
    EXPECT_EQ(s.text, u"");
    EXPECT_EQ(winsim::liveImages(), before + 1);
    // The static's own picture goes when another is set (the caller keeps its own).
    HBITMAP mine = LoadBitmapW(bmp, MAKEINTRESOURCEW(7003));
    EXPECT_EQ(SendDlgItemMessageW(d, 5, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mine)), 0);
    EXPECT_EQ(winsim::liveImages(), before + 1);
    DestroyWindow(d);
    EXPECT_EQ(winsim::liveImages(), before + 1);
    DeleteObject(mine);
    EXPECT_EQ(winsim::liveImages(), before);
    FreeLibrary(bmp);
}

}  // namespace
}  // namespace wintest
