// The dialog manager: creation order, first focus, modal nesting, the
// keyboard interface, item helpers, templates from resource modules.
#include <win/ui.h>

#include <filesystem>

#include "platform/last_error.h"
#include "window/window_support.h"

namespace wintest {
namespace {

using Dialogs = WindowTest;

TEST_F(Dialogs, ControlsAreMadeInOrderOwnerDrawListsMeasureBeforeInitAndTheFirstTabStopGetsFocus) {
    Recorder rec;
    HWND firstStop = nullptr;
    rec.handler = [&](HWND, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
        if (m == WM_MEASUREITEM) reinterpret_cast<MEASUREITEMSTRUCT*>(l)->itemHeight = 30;
        if (m == WM_INITDIALOG) firstStop = reinterpret_cast<HWND>(w);
        return m == WM_INITDIALOG;
    };
    HWND d = open({{kStatic, 10, SS_LEFT, 5, 5, 50, 10, u"Label"},
                   {kListBox, 20, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_TABSTOP | WS_DISABLED, 5, 20, 80, 40, u""},
                   {kEdit, 30, WS_TABSTOP | ES_AUTOHSCROLL, 5, 70, 80, 12, u"abc"},
                   {kCombo, 40, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_TABSTOP, 90, 5, 60, 60, u""}});
    ASSERT_TRUE(d);
    EXPECT_EQ(rec.lines[0], "SETFONT");
    EXPECT_EQ(rec.only("MEASUREITEM"), (std::vector<std::string>{"MEASUREITEM 20", "MEASUREITEM 40", "MEASUREITEM 40"}));
    const auto init = std::find(rec.lines.begin(), rec.lines.end(), "INITDIALOG");
    ASSERT_NE(init, rec.lines.end());
    EXPECT_EQ(std::find(init, rec.lines.end(), "MEASUREITEM 20"), rec.lines.end());  // all before WM_INITDIALOG
    // The disabled list is skipped: the edit is the first tab stop, focused
    // with its text selected.
    EXPECT_EQ(firstStop, GetDlgItem(d, 30));
    EXPECT_EQ(GetFocus(), GetDlgItem(d, 30));
    DWORD a = 9, b = 9;
    SendDlgItemMessageW(d, 30, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 3u);
    EXPECT_EQ(SendDlgItemMessageW(d, 20, LB_GETITEMHEIGHT, 0, 0), 30);
    // The combo's window is its field; the template height includes the list.
    RECT field{}, dropped{};
    GetWindowRect(GetDlgItem(d, 40), &field);
    SendDlgItemMessageW(d, 40, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(field.bottom - field.top, 30 + 6);
    EXPECT_GT(dropped.bottom, field.bottom);
    EXPECT_EQ(GetWindow(GetDlgItem(d, 10), GW_HWNDNEXT), GetDlgItem(d, 20));
}

// Each level opens the next from a posted message; the innermost ends at once.
INT_PTR CALLBACK nested(HWND h, UINT m, WPARAM, LPARAM l) {
    static std::vector<uint8_t> t = dialogTemplate({});
    static std::vector<std::string>* log = nullptr;
    if (m == WM_INITDIALOG) {
        SetWindowLongPtrW(h, DWLP_USER, l);
        if (l == 3) {
            EndDialog(h, 42);
            return TRUE;
        }
        PostMessageW(h, WM_APP, 0, 0);
        return TRUE;
    }
    if (m == WM_APP) {
        const LPARAM level = GetWindowLongPtrW(h, DWLP_USER);
        const BOOL ownerEnabled = IsWindowEnabled(h);
        const INT_PTR r = DialogBoxIndirectParamW(nullptr, t.data(), h, &nested, level + 1);
        static std::vector<std::string> lines;
        log = &lines;
        lines.push_back("level " + std::to_string(level) + " got " + std::to_string(r) + " enabled " +
                        std::to_string(ownerEnabled) + std::to_string(IsWindowEnabled(h)));
        EndDialog(h, r + 1);
        return TRUE;
    }
    if (m == WM_NULL && log) *reinterpret_cast<std::vector<std::string>*>(l) = *log;
    return FALSE;
}

TEST_F(Dialogs, ModalLoopsNestThreeDeepAndEndDialogEndsOnlyItsOwn) {
    auto t = dialogTemplate({});
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, t.data(), nullptr, &nested, 1), 44);
    std::vector<std::string> lines;
    nested(nullptr, WM_NULL, 0, reinterpret_cast<LPARAM>(&lines));
    // The inner dialog returned first; each owner was disabled while its child ran.
    EXPECT_EQ(lines, (std::vector<std::string>{"level 2 got 42 enabled 11", "level 1 got 43 enabled 11"}));
    EXPECT_TRUE(winsim::ui::failures().empty());
    EXPECT_TRUE(winsim::windows().empty());
}

TEST_F(Dialogs, TabEnterAndEscapeGoThroughTheDialogManager) {
    Recorder rec;
    rec.handler = [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; };
    HWND d = open({{kEdit, 30, WS_TABSTOP, 5, 5, 80, 12, u""},
                   {kButton, 31, BS_AUTOCHECKBOX | WS_TABSTOP, 5, 20, 80, 12, u"c"},
                   {kButton, 32, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 5, 35, 40, 14, u"off"},
                   {kButton, 5, BS_DEFPUSHBUTTON | WS_TABSTOP, 50, 35, 40, 14, u"Go"}});
    ASSERT_TRUE(d);
    // Enter first asks the focus what it wants.
    static std::vector<std::string>* order = &rec.lines;
    static WNDPROC editProc = nullptr;
    editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        GetDlgItem(d, 30), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_GETDLGCODE && w == VK_RETURN) order->push_back("GETDLGCODE RETURN");
            return CallWindowProcW(editProc, h, m, w, l);
        })));
    EXPECT_EQ(HIWORD(SendMessageW(d, DM_GETDEFID, 0, 0)), DC_HASDEFID);
    run("key ENTER");
    const auto cmds = rec.only("GETDLGCODE");
    ASSERT_EQ(cmds.size(), 1u);
    const auto at = std::find(rec.lines.begin(), rec.lines.end(), "GETDLGCODE RETURN");
    EXPECT_NE(std::find(at, rec.lines.end(), "COMMAND 5 0"), rec.lines.end());
    rec.lines.clear();
    run("key TAB; key TAB; key SPACE");
    EXPECT_EQ(GetFocus(), GetDlgItem(d, 5));  // the disabled button is skipped
    EXPECT_EQ(rec.lines, (std::vector<std::string>{"COMMAND 30 512", "COMMAND 5 0"}));  // EN_KILLFOCUS, the click
    rec.lines.clear();
    run("key SHIFT+TAB; key ESC");
    EXPECT_EQ(GetFocus(), GetDlgItem(d, 31));
    EXPECT_EQ(rec.lines, (std::vector<std::string>{"COMMAND 2 0"}));
    EXPECT_TRUE(winsim::ui::failures().empty());
}

TEST_F(Dialogs, ItemHelpersAndGroups) {
    Recorder rec;
    HWND d = open({{kButton, 1, BS_AUTORADIOBUTTON | WS_GROUP, 5, 5, 50, 10, u"a"},
                   {kButton, 2, BS_AUTORADIOBUTTON, 5, 15, 50, 10, u"b"},
                   {kButton, 3, BS_AUTORADIOBUTTON, 5, 25, 50, 10, u"c"},
                   {kEdit, 4, WS_GROUP, 5, 40, 50, 10, u""}});
    EXPECT_TRUE(CheckRadioButton(d, 1, 3, 2));
    EXPECT_EQ(IsDlgButtonChecked(d, 2), UINT(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(d, 1), UINT(BST_UNCHECKED));
    EXPECT_EQ(GetNextDlgGroupItem(d, GetDlgItem(d, 3), FALSE), GetDlgItem(d, 1));
    EXPECT_EQ(GetNextDlgGroupItem(d, GetDlgItem(d, 1), TRUE), GetDlgItem(d, 3));
    EXPECT_TRUE(SetDlgItemInt(d, 4, UINT(-12), TRUE));
    BOOL ok = FALSE;
    EXPECT_EQ(int(GetDlgItemInt(d, 4, &ok, TRUE)), -12);
    EXPECT_TRUE(ok);
    SetDlgItemTextW(d, 4, u"99999999999");
    EXPECT_EQ(GetDlgItemInt(d, 4, &ok, FALSE), 0u);
    EXPECT_FALSE(ok);
    WCHAR buf[4];
    EXPECT_EQ(GetDlgItemTextW(d, 4, buf, 4), 3u);
    EXPECT_FAILS_WITH(GetDlgItem(d, 99), nullptr, ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(GetDlgItemTextW(d, 99, buf, 4), 0u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(SetWindowLongPtrW(d, DWLP_MSGRESULT, 5), 0);
    EXPECT_EQ(GetWindowLongPtrW(d, DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(&Recorder::proc));
}

class ModuleDialogs : public StringLibraryTest {
protected:
};

TEST_F(ModuleDialogs, MissingTemplatesGiveMinusOneAndTheWaitDialogRunsItsScript) {
    EXPECT_FAILS_WITH(DialogBoxParamW(lib_, MAKEINTRESOURCEW(4999), nullptr, &Recorder::proc, 0), INT_PTR(-1),
                      ERROR_RESOURCE_NAME_NOT_FOUND);
    Recorder rec;
    rec.handler = [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) EndDialog(h, LOWORD(w) + 100);
        return m == WM_INITDIALOG;
    };
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("expect dialog 4006; expect dialog 1; ok", &error));
    EXPECT_EQ(DialogBoxParamW(lib_, MAKEINTRESOURCEW(4006), nullptr, &Recorder::proc, 0), IDOK + 100);
    ASSERT_EQ(winsim::ui::failures().size(), 1u);
    EXPECT_EQ(winsim::ui::failures()[0], "expect dialog 1: the innermost dialog is 4006");
}

TEST_F(ModuleDialogs, LoadStringKeepsItsBufferRules) {
    WCHAR buf[8] = {u'x'};
    const int full = LoadStringW(lib_, 119, nullptr, 0);
    EXPECT_EQ(full, 0);  // no buffer: nothing
    const WCHAR* direct = nullptr;
    EXPECT_EQ(LoadStringW(lib_, 119, reinterpret_cast<LPWSTR>(&direct), 0), 11);  // "PresetList0", not terminated
    ASSERT_TRUE(direct);
    EXPECT_EQ(std::u16string(direct, 11), u"PresetList0");
    EXPECT_EQ(LoadStringW(lib_, 119, buf, 8), 7);  // cut, always terminated
    EXPECT_EQ(std::u16string(buf), u"PresetL");
    EXPECT_EQ(LoadStringW(lib_, 119, buf, 1), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadStringW(lib_, 65000, buf, 8), 0);
    EXPECT_EQ(buf[0], 0);
}

}  // namespace
}  // namespace wintest
