// The controls' notification rules as users and programs trigger them:
// what a user's action sends, what a program's change does not send, and
// the state each leaves behind.
#include "window/window_support.h"

namespace wintest {
namespace {

using Controls = WindowTest;

TEST_F(Controls, ButtonsToggleBeforeTheyReportAndProgramsChangeThemSilently) {
    Recorder rec;
    HWND d = nullptr;
    std::vector<UINT> stateAtClick;
    rec.handler = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) stateAtClick.push_back(IsDlgButtonChecked(h, LOWORD(w)));
        return FALSE;
    };
    d = open({{kButton, 10, BS_AUTOCHECKBOX, 5, 5, 60, 12, u"c"},
              {kButton, 11, BS_AUTORADIOBUTTON | WS_GROUP, 5, 20, 60, 12, u"r1"},
              {kButton, 12, BS_AUTORADIOBUTTON, 5, 35, 60, 12, u"r2"},
              {kButton, 13, BS_AUTORADIOBUTTON | WS_GROUP, 5, 50, 60, 12, u"other group"},
              {kButton, 14, BS_OWNERDRAW, 80, 5, 40, 14, u""}});
    ASSERT_TRUE(d);
    CheckDlgButton(d, 10, BST_CHECKED);
    CheckDlgButton(d, 13, BST_CHECKED);
    EXPECT_TRUE(rec.only("COMMAND").empty());
    run("click 10; click 11; click 12; check 12; uncheck 10");
    // The check box was already on: the first click turned it off, and
    // BN_CLICKED saw the new state; `check 12` found it checked and did nothing.
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 10 0", "COMMAND 11 0", "COMMAND 12 0"}));
    EXPECT_EQ(stateAtClick, (std::vector<UINT>{BST_UNCHECKED, BST_CHECKED, BST_CHECKED}));
    EXPECT_EQ(IsDlgButtonChecked(d, 11), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(d, 13), UINT(BST_CHECKED));  // another group
    // A click that leaves the button before the button goes up is no click.
    rec.lines.clear();
    RECT r{};
    GetWindowRect(GetDlgItem(d, 10), &r);
    SendDlgItemMessageW(d, 10, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendDlgItemMessageW(d, 10, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
    EXPECT_TRUE(rec.only("COMMAND").empty());
    // Owner-drawn buttons are painted by the dialog.
    InvalidateRect(GetDlgItem(d, 14), nullptr, FALSE);
    UpdateWindow(GetDlgItem(d, 14));
    EXPECT_TRUE(rec.has("DRAWITEM 14"));
    EnableWindow(GetDlgItem(d, 12), FALSE);
    run("click 12");
    EXPECT_TRUE(rec.only("COMMAND").empty());
}

TEST_F(Controls, SetTextOnASingleLineEditNotifiesAndOnAMultiLineEditDoesNot) {
    Recorder rec;
    HWND d = open({{kEdit, 20, ES_AUTOHSCROLL, 5, 5, 80, 12, u""},
                   {kEdit, 21, ES_MULTILINE, 5, 20, 80, 30, u""}});
    rec.lines.clear();
    SetDlgItemTextW(d, 20, u"one");
    EXPECT_EQ(rec.only("COMMAND"), (std::vector<std::string>{"COMMAND 20 1024", "COMMAND 20 768"}));
    rec.lines.clear();
    SetDlgItemTextW(d, 21, u"two");
    EXPECT_TRUE(rec.only("COMMAND").empty());
    // Typing notifies on both kinds, once per character.
    run("type 21 \"ab\"");
    const auto typed = rec.only("COMMAND 21 7");  // EN_CHANGE (768) and EN_UPDATE (1024)
    EXPECT_EQ(typed.size(), 2u);
    WCHAR buf[16];
    GetDlgItemTextW(d, 21, buf, 16);
    EXPECT_EQ(std::u16string(buf), u"ab");  // typing replaced the selected text
}

TEST_F(Controls, EditsKeepLimitsSelectionBackspacePasteAndPasswords) {
    Recorder rec;
    HWND d = open({{kEdit, 20, ES_AUTOHSCROLL, 5, 5, 80, 12, u""}, {kEdit, 22, ES_PASSWORD, 5, 20, 80, 12, u""}});
    HWND e = GetDlgItem(d, 20);
    SendMessageW(e, EM_LIMITTEXT, 5, 0);
    EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 5);
    run("type 20 \"12.5678\"");
    WCHAR buf[16];
    GetWindowTextW(e, buf, 16);
    EXPECT_EQ(std::u16string(buf), u"12.56");
    EXPECT_TRUE(rec.has("COMMAND 20 1281"));  // EN_MAXTEXT
    SendMessageW(e, EM_SETSEL, 1, 3);
    SendMessageW(e, WM_CHAR, 8, 0);
    GetWindowTextW(e, buf, 16);
    EXPECT_EQ(std::u16string(buf), u"156");
    winsim::ui::setClipboardText(u"9\r\nignored");
    SendMessageW(e, EM_SETSEL, 0, 0);
    SendMessageW(e, WM_PASTE, 0, 0);
    GetWindowTextW(e, buf, 16);
    EXPECT_EQ(std::u16string(buf), u"9156");  // one line only
    DWORD a = 0, b = 0;
    SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 1u);
    EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
    SetDlgItemTextW(d, 22, u"secret");
    winsim::ui::ControlState s;
    ASSERT_TRUE(winsim::ui::controlState(GetDlgItem(d, 22), s));
    EXPECT_EQ(s.text, u"******");
}

TEST_F(Controls, ListSelectionsNotifyOnlyWhenTheUserMakesThem) {
    Recorder rec;
    HWND d = open({{kListBox, 30, LBS_NOTIFY | LBS_SORT | WS_VSCROLL, 5, 5, 80, 40, u""},
                   {kCombo, 31, CBS_DROPDOWNLIST, 90, 5, 80, 60, u""}});
    HWND list = GetDlgItem(d, 30), combo = GetDlgItem(d, 31);
    for (const char16_t* t : {u"Letter", u"A4", u"Legal", u"A5", u"B5", u"Executive", u"A3", u"B4"}) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
    }
    SendMessageW(list, LB_SETITEMDATA, 1, 77);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 1, 0), 77);
    EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(u"legal")), 6);
    rec.lines.clear();
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 99, 0), LB_ERR);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_TRUE(rec.only("COMMAND 3").empty());
    run("select 30 \"Letter\"; select 31 #6");
    // The list scrolled its last item into sight before the click.
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 7);
    EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 6);
    EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    // Focus, change, and the focus lost to the combo.
    EXPECT_EQ(rec.only("COMMAND 30"), (std::vector<std::string>{"COMMAND 30 4", "COMMAND 30 1", "COMMAND 30 5"}));
    const auto combo31 = rec.only("COMMAND 31");
    const std::vector<std::string> expected = {"COMMAND 31 3", "COMMAND 31 7", "COMMAND 31 9", "COMMAND 31 8",
                                               "COMMAND 31 1"};
    EXPECT_EQ(combo31, expected);  // focus, drop down, pick ok, close up, change
    // Keys move the selection and notify.
    rec.lines.clear();
    run("key UP");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 5);
    EXPECT_EQ(rec.only("COMMAND 31"), (std::vector<std::string>{"COMMAND 31 1"}));
    // Deleting before the selection moves it; deleting it clears it.
    SendMessageW(list, LB_DELETESTRING, 0, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 6);
    SendMessageW(list, LB_DELETESTRING, 6, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    WCHAR buf[4];
    EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 99, reinterpret_cast<LPARAM>(buf)), LB_ERR);
}

TEST_F(Controls, OwnerDrawnMultiColumnListsPaintTheirCells) {
    Recorder rec;
    rec.handler = [](HWND, UINT m, WPARAM, LPARAM l) -> INT_PTR {
        if (m == WM_MEASUREITEM) reinterpret_cast<MEASUREITEMSTRUCT*>(l)->itemHeight = 20;
        return FALSE;
    };
    HWND d = open({{kListBox, 40, LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN | LBS_NOTIFY, 5, 5, 100, 40, u""}});
    HWND list = GetDlgItem(d, 40);
    SendMessageW(list, LB_SETCOLUMNWIDTH, 50, 0);
    for (ULONG_PTR v = 1; v <= 9; ++v) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(v * 100));
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 3, 0), 400);  // without texts the item is its data
    RECT r{};
    ASSERT_EQ(SendMessageW(list, LB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r)), LB_OKAY);
    const int rows = int(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)) == 20 ? 65 / 20 : 0;
    EXPECT_EQ(r.left, 50 * (4 / rows));
    EXPECT_EQ(r.top, 20 * (4 % rows));
    EXPECT_EQ(LOWORD(SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(r.left + 1, r.top + 1))), 4);
    winsim::clearDrawLog();
    rec.lines.clear();
    UpdateWindow(list);
    EXPECT_EQ(rec.only("DRAWITEM").size(), 9u);  // three columns of three rows
    EXPECT_EQ(winsim::openWindowDcs(), 0u);
    // Owner-drawn items go back to the dialog as they are removed.
    std::vector<ULONG_PTR> deleted;
    rec.handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> INT_PTR {
        if (m == WM_DELETEITEM) deleted.push_back(reinterpret_cast<DELETEITEMSTRUCT*>(l)->itemData);
        return FALSE;
    };
    EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 1, 0), 8);
    DestroyWindow(d);
    EXPECT_EQ(deleted, (std::vector<ULONG_PTR>{200, 100, 300, 400, 500, 600, 700, 800, 900}));
}

TEST_F(Controls, ScrollBarsReportToTheirParentAndHonourDisabledArrows) {
    Recorder rec;
    HWND d = open({{kScrollBar, 50, SBS_VERT, 5, 5, 10, 60, u""}});
    HWND bar = GetDlgItem(d, 50);
    // 98 positions on a track of 49 pixels: two positions a pixel.
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE, 0, 98, 0, 500, 0};
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &si, TRUE), 98);  // clamped to the range
    EXPECT_EQ(SendMessageW(bar, SBM_SETPOS, 50, FALSE), 98);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 50);
    run("scroll 50 lineup; scroll 50 linedown; scroll 50 pagedown; scroll 50 thumb 60");
    const auto v = rec.only("VSCROLL");
    ASSERT_GE(v.size(), 7u);
    EXPECT_EQ(v[0], "VSCROLL 0 0");
    EXPECT_EQ(v[1], "VSCROLL 8 0");
    EXPECT_EQ(v[2], "VSCROLL 1 0");
    EXPECT_EQ(v[4], "VSCROLL 3 0");
    EXPECT_EQ(v[v.size() - 3], "VSCROLL 5 60");
    EXPECT_EQ(v[v.size() - 2], "VSCROLL 4 60");
    EXPECT_EQ(v.back(), "VSCROLL 8 0");
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 50);  // the parent moves the bar, not the bar itself
    rec.lines.clear();
    EXPECT_TRUE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_LTUP));
    run("scroll 50 lineup");
    EXPECT_EQ(rec.only("VSCROLL"), (std::vector<std::string>{"VSCROLL 8 0"}));
    EXPECT_FALSE(EnableScrollBar(d, SB_VERT, ESB_DISABLE_BOTH));
}

}  // namespace
}  // namespace wintest
