// The common controls: the report list view, the trackbar, the tab control
// and the tree view (messages, notifications, the dump, the UI script and
// painting), comctl32's version and the visual-styles library.
#include <win/commctrl.h>
#include <win/modules.h>
#include <win/time.h>
#include <win/uxtheme.h>

#include <filesystem>

#include "window_support.h"

namespace wintest {
namespace {

// What the parent was told through WM_NOTIFY and the scroll messages.
struct Told {
    std::vector<std::string> lines;
    std::vector<NMLISTVIEW> changes;  // LVN_ITEMCHANGED records
    std::vector<NMTREEVIEWW> tree;    // TVN_SELCHANGEDW records
    bool refuse = false;              // answer TRUE to the ...CHANGING notifications
    LRESULT quietDeleteAll = FALSE;
};

class CommonControls : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        rec_.handler = [this](HWND d, UINT m, WPARAM, LPARAM l) -> INT_PTR {
            if (m == WM_MEASUREITEM) {
                auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
                told_.lines.push_back("MEASURE " + std::to_string(mis->CtlType));
                mis->itemHeight = 20;
                return TRUE;
            }
            if (m == WM_DRAWITEM) {
                auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
                told_.lines.push_back("DRAW " + std::to_string(dis->CtlType) + " " + std::to_string(dis->itemID) + " " +
                                      std::to_string(dis->itemData) + ((dis->itemState & ODS_SELECTED) ? " sel" : ""));
                return TRUE;
            }
            if (m != WM_NOTIFY) return FALSE;
            auto* hdr = reinterpret_cast<NMHDR*>(l);
            std::string name = std::to_string(int(hdr->code));
            LRESULT answer = 0;
            switch (hdr->code) {
                case LVN_ITEMCHANGING: name = "ITEMCHANGING"; answer = told_.refuse; break;
                case LVN_ITEMCHANGED:
                    name = "ITEMCHANGED";
                    told_.changes.push_back(*reinterpret_cast<NMLISTVIEW*>(l));
                    break;
                case LVN_INSERTITEM: name = "INSERTITEM"; break;
                case LVN_DELETEITEM: name = "DELETEITEM " + std::to_string(reinterpret_cast<NMLISTVIEW*>(l)->iItem); break;
                case LVN_DELETEALLITEMS: name = "DELETEALLITEMS"; answer = told_.quietDeleteAll; break;
                case TCN_SELCHANGING: name = "SELCHANGING"; answer = told_.refuse; break;
                case TCN_SELCHANGE: name = "SELCHANGE"; break;
                case TVN_SELCHANGINGW: name = "TVSELCHANGING"; answer = told_.refuse; break;
                case TVN_SELCHANGEDW:
                    name = "TVSELCHANGED";
                    told_.tree.push_back(*reinterpret_cast<NMTREEVIEWW*>(l));
                    break;
                case TVN_DELETEITEMW: name = "TVDELETE"; break;
                case NM_CLICK: name = "CLICK"; break;
                case NM_SETFOCUS:
                case NM_KILLFOCUS: return FALSE;
                default: break;
            }
            told_.lines.push_back(name + " " + std::to_string(hdr->idFrom));
            SetWindowLongPtrW(d, DWLP_MSGRESULT, answer);
            return TRUE;
        };
        dlg_ = open({{kButton, IDOK, BS_PUSHBUTTON, 150, 100, 40, 14, u"OK"}});
        ASSERT_TRUE(dlg_);
    }
    HWND make(const char16_t* cls, int id, DWORD style, int w = 200, int h = 100) {
        return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 5, 5, w, h, dlg_,
                               reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
    }
    // Where the control's client origin lands in the dialog's picture.
    POINT inPicture(HWND control) {
        RECT frame{};
        GetWindowRect(dlg_, &frame);
        POINT p{0, 0};
        ClientToScreen(control, &p);
        return POINT{p.x - frame.left, p.y - frame.top};
    }
    Recorder rec_;
    Told told_;
    HWND dlg_ = nullptr;
};

int addColumn(HWND lv, int at, const char16_t* text, int width) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.pszText = const_cast<LPWSTR>(text);
    c.cx = width;
    return int(SendMessageW(lv, LVM_INSERTCOLUMNW, WPARAM(at), reinterpret_cast<LPARAM>(&c)));
}

int addRow(HWND lv, int at, const char16_t* text, LPARAM param, const char16_t* second = nullptr) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = at;
    it.pszText = const_cast<LPWSTR>(text);
    it.lParam = param;
    const int i = int(SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
    if (second && i >= 0) {
        LVITEMW sub{};
        sub.mask = LVIF_TEXT;
        sub.iItem = i;
        sub.iSubItem = 1;
        sub.pszText = const_cast<LPWSTR>(second);
        SendMessageW(lv, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&sub));
    }
    return i;
}

std::u16string rowText(HWND lv, int i, int sub) {
    WCHAR buf[32] = {};
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = 32;
    if (!SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return u"?";
    return buf;
}

void selectRow(HWND lv, int i, bool on) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = on ? LVIS_SELECTED : 0;
    SendMessageW(lv, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&it));
}

TEST_F(CommonControls, ListViewKeepsColumnsAndRowsAndTellsOfDeletions) {
    HWND lv = make(WC_LISTVIEWW, 2490, LVS_REPORT | LVS_SINGLESEL);
    ASSERT_TRUE(lv);
    EXPECT_EQ(addColumn(lv, 0, u"Name", 80), 0);
    EXPECT_EQ(addColumn(lv, 5, u"Number", 70), 1);  // past the end: appended
    EXPECT_EQ(addColumn(lv, 1, u"Line", 30), 1);
    EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 2, 0), 70);
    EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 9, 0), 0);
    EXPECT_EQ(addRow(lv, 0, u"b", 20, u"2"), 0);
    EXPECT_EQ(addRow(lv, 0, u"a", 10, u"1"), 0);
    EXPECT_EQ(addRow(lv, 99, u"c", 30), 2);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(rowText(lv, 0, 0), u"a");
    EXPECT_EQ(rowText(lv, 1, 1), u"2");
    EXPECT_EQ(rowText(lv, 2, 1), u"");
    EXPECT_EQ(rowText(lv, 3, 0), u"?");
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = 1;
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
    EXPECT_EQ(it.lParam, 20);
    // A short buffer gets a cut, terminated text.
    WCHAR two[2] = {u'x', u'x'};
    it = LVITEMW{};
    it.mask = LVIF_TEXT;
    it.pszText = two;
    it.cchTextMax = 2;
    it.iItem = 1;
    LVITEMW set{};
    set.pszText = const_cast<LPWSTR>(u"bb");
    EXPECT_TRUE(SendMessageW(lv, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&set)));
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
    EXPECT_EQ(two[0], u'b');
    EXPECT_EQ(two[1], 0);
    EXPECT_EQ(std::count(told_.lines.begin(), told_.lines.end(), "INSERTITEM 2490"), 3);
    told_.lines.clear();
    EXPECT_TRUE(SendMessageW(lv, LVM_DELETEITEM, 0, 0));
    EXPECT_FALSE(SendMessageW(lv, LVM_DELETEITEM, 7, 0));
    EXPECT_EQ(rowText(lv, 0, 0), u"bb");
    EXPECT_TRUE(SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"DELETEITEM 0 2490", "DELETEALLITEMS 2490", "DELETEITEM 1 2490",
                                                     "DELETEITEM 0 2490"}))
        << told_.lines.size();
    // A parent that answers TRUE to LVN_DELETEALLITEMS hears nothing per row.
    addRow(lv, 0, u"x", 1);
    told_.quietDeleteAll = TRUE;
    told_.lines.clear();
    SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"DELETEALLITEMS 2490"}));
}

TEST_F(CommonControls, ListViewSelectionTellsTheParentForProgramsAndUsers) {
    HWND lv = make(WC_LISTVIEWW, 2490, LVS_REPORT | LVS_SINGLESEL);
    addColumn(lv, 0, u"Name", 80);
    addColumn(lv, 1, u"Number", 80);
    for (int i = 0; i < 12; ++i) addRow(lv, i, i == 3 ? u"Office" : u"row", 100 + i, u"5");
    told_.lines.clear();
    selectRow(lv, 2, true);
    ASSERT_EQ(told_.changes.size(), 1u);
    EXPECT_EQ(told_.changes[0].iItem, 2);
    EXPECT_EQ(told_.changes[0].uNewState & LVIS_SELECTED, UINT(LVIS_SELECTED));
    EXPECT_EQ(told_.changes[0].uOldState, 0u);
    EXPECT_EQ(told_.changes[0].uChanged, UINT(LVIF_STATE));
    EXPECT_EQ(told_.changes[0].lParam, 102);
    EXPECT_EQ(told_.lines[0], "ITEMCHANGING 2490");
    // One selection: the next program's pick first clears the old one.
    told_.changes.clear();
    selectRow(lv, 5, true);
    ASSERT_EQ(told_.changes.size(), 2u);
    EXPECT_EQ(told_.changes[0].iItem, 2);
    EXPECT_EQ(told_.changes[0].uNewState, 0u);
    EXPECT_EQ(told_.changes[1].iItem, 5);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 5);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, 5, LVNI_SELECTED), -1);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, 5, LVNI_ALL), 6);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, 5, LVNI_ABOVE), 4);
    // A refusing parent keeps the state.
    told_.refuse = true;
    told_.changes.clear();
    selectRow(lv, 5, false);
    EXPECT_TRUE(told_.changes.empty());
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 5, LVIS_SELECTED), LVIS_SELECTED);
    told_.refuse = false;
    // The user's pick, by the script: a click on the row, scrolled into sight.
    told_.changes.clear();
    told_.lines.clear();
    run("select 2490 #11");
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 11);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED), 11);
    EXPECT_GT(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 0);
    ASSERT_FALSE(told_.changes.empty());
    EXPECT_EQ(told_.changes.back().iItem, 11);
    EXPECT_GT(told_.changes.back().ptAction.y, 0);
    EXPECT_EQ(told_.lines.back(), "CLICK 2490");
    run("select 2490 \"Office\"");
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 3);
    run("key DOWN");
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 4);
    run("select 2490 \"nobody\"");
    ASSERT_EQ(winsim::ui::failures().size(), 1u);
    // The dump lists the columns and rows under the control's line.
    const std::string d = winsim::ui::dump(dlg_);
    EXPECT_NE(d.find("2490 SysListView32 \"\" listview 12 items sel 4 \"row\""), std::string::npos) << d;
    EXPECT_NE(d.find("| column 1 \"Number\" 80"), std::string::npos) << d;
    EXPECT_NE(d.find("| row 3 \"Office\" \"5\""), std::string::npos) << d;
    EXPECT_NE(d.find("| row 4 sel focus \"row\" \"5\""), std::string::npos) << d;
    winsim::ui::ControlState back;
    ASSERT_TRUE(winsim::ui::parseDumpLine("    | row 3 \"Office\"", back));
    EXPECT_EQ(back.kind, "detail");
    EXPECT_EQ(back.id, 0);
}

TEST_F(CommonControls, OwnerDrawnListViewMeasuresOnceAndHasItsRowsDrawn) {
    HWND lv = make(WC_LISTVIEWW, 2166, LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED, 200, 100);
    SendMessageW(lv, WM_SETFONT, 0, 0);
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"MEASURE 102"}));
    addColumn(lv, 0, u"Tray", 60);
    addColumn(lv, 1, u"Size", 60);
    addRow(lv, 0, u"one", 7);
    addRow(lv, 1, u"two", 8);
    selectRow(lv, 1, true);
    RECT r{};
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(r.bottom - r.top, 20);  // the parent's height
    EXPECT_EQ(r.right, 120);          // the columns' width
    told_.lines.clear();
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(dlg_, pic));
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"DRAW 102 0 7", "DRAW 102 1 8 sel"}));
    EXPECT_TRUE(SendMessageW(lv, LVM_ENSUREVISIBLE, 1, FALSE));
    EXPECT_EQ(SendMessageW(lv, LVM_REDRAWITEMS, 0, 1), TRUE);
}

TEST_F(CommonControls, ListViewPaintsItsHeaderAndTheSelectedRow) {
    HWND lv = make(WC_LISTVIEWW, 2490, LVS_REPORT | LVS_SINGLESEL, 200, 100);
    addColumn(lv, 0, u"Name", 100);
    addRow(lv, 0, u"a", 0);
    addRow(lv, 1, u"b", 0);
    selectRow(lv, 1, true);
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(dlg_, pic));
    RECT r{};
    SendMessageW(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    const POINT at = inPicture(lv);
    const int dx = at.x, dy = at.y;
    EXPECT_EQ(pic.at(dx + 90, dy + r.top + 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(pic.at(dx + 90, dy + r.top - 3), GetSysColor(COLOR_WINDOW));  // row 0, not selected
    EXPECT_EQ(pic.at(dx + 50, dy + 8), GetSysColor(COLOR_BTNFACE));        // the header
}

TEST_F(CommonControls, TrackbarMovesItselfAndTellsTheParentByHorizontalScroll) {
    HWND tb = make(TRACKBAR_CLASSW, 2264, TBS_HORZ, 120, 24);
    ASSERT_TRUE(tb);
    SendMessageW(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(tb, TBM_SETPOS, TRUE, 4);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 4);
    SendMessageW(tb, TBM_SETPOS, TRUE, 40);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 10);  // clamped
    SendMessageW(tb, TBM_SETPOS, TRUE, 4);
    EXPECT_TRUE(rec_.only("HSCROLL").empty());  // programs move it silently
    SendMessageW(tb, TBM_SETPAGESIZE, 0, 3);
    run("scroll 2264 linedown; scroll 2264 pagedown; scroll 2264 lineup");
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(rec_.only("HSCROLL"),
              (std::vector<std::string>{"HSCROLL 1 0", "HSCROLL 8 0", "HSCROLL 3 0", "HSCROLL 8 0", "HSCROLL 0 0",
                                        "HSCROLL 8 0"}));
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 7);
    rec_.lines.clear();
    run("scroll 2264 thumb 2");
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(rec_.only("HSCROLL"), (std::vector<std::string>{"HSCROLL 5 2", "HSCROLL 4 2", "HSCROLL 8 0"}));
    EXPECT_NE(winsim::ui::dump(dlg_).find("2264 msctls_trackbar32 \"\" trackbar pos 2 of 0..10"), std::string::npos);
    // The thumb stands raised over the sunken channel at the position.
    RECT thumb{};
    SendMessageW(tb, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(dlg_, pic));
    const POINT at = inPicture(tb);
    EXPECT_EQ(pic.at(at.x + thumb.left, at.y + thumb.top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.at(at.x + 100, at.y + 10), GetSysColor(COLOR_BTNSHADOW));  // the channel's top edge
    SendMessageW(tb, TBM_SETRANGEMAX, TRUE, 1);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 1);
    EXPECT_EQ(SendMessageW(tb, TBM_GETRANGEMAX, 0, 0), 1);
}

TEST_F(CommonControls, TabControlTellsOfTheUsersPickAndAdjustsItsRectangle) {
    HWND tab = make(WC_TABCONTROLW, 3000, 0, 200, 100);
    ASSERT_TRUE(tab);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), -1);
    for (const char16_t* t : {u"Basic", u"Layout", u"Finish"}) {
        TCITEMW it{};
        it.mask = TCIF_TEXT | TCIF_PARAM;
        it.pszText = const_cast<LPWSTR>(t);
        it.lParam = 1000 + LPARAM(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
        SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&it));
    }
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);  // the first tab inserted
    EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_TRUE(told_.lines.empty());  // a program's pick tells nobody
    run("select 3000 \"Layout\"");
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"SELCHANGING 3000", "SELCHANGE 3000"}));
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    told_.refuse = true;
    told_.lines.clear();
    run("select 3000 #0");
    EXPECT_EQ(told_.lines, (std::vector<std::string>{"SELCHANGING 3000"}));
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    TCITEMW it{};
    it.mask = TCIF_PARAM;
    ASSERT_TRUE(SendMessageW(tab, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&it)));
    EXPECT_EQ(it.lParam, 1002);
    RECT r{0, 0, 200, 100};
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    EXPECT_GT(r.top, 0);
    EXPECT_LT(r.right, 200);
    SendMessageW(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 200);
    const std::string d = winsim::ui::dump(dlg_);
    EXPECT_NE(d.find("3000 SysTabControl32 \"\" tab 3 items sel 1 \"Layout\""), std::string::npos) << d;
    EXPECT_NE(d.find("| tab 2 \"Finish\""), std::string::npos) << d;
    winsim::ui::Picture pic;
    EXPECT_TRUE(winsim::ui::render(dlg_, pic));
}

TEST_F(CommonControls, TreeViewSelectsByProgramAndUserAndDeletesBranches) {
    HWND tv = make(WC_TREEVIEWW, 2600, TVS_HASLINES, 200, 100);
    ASSERT_TRUE(tv);
    auto add = [&](HTREEITEM parent, const char16_t* text, LPARAM p) {
        TVINSERTSTRUCTW is{};
        is.hParent = parent;
        is.hInsertAfter = TVI_LAST;
        is.item.mask = TVIF_TEXT | TVIF_PARAM;
        is.item.pszText = const_cast<LPWSTR>(text);
        is.item.lParam = p;
        return reinterpret_cast<HTREEITEM>(SendMessageW(tv, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    };
    HTREEITEM paper = add(TVI_ROOT, u"Paper", 1);
    HTREEITEM size = add(paper, u"Size: A4", 2);
    add(paper, u"Tray: 1", 3);
    HTREEITEM colour = add(TVI_ROOT, u"Colour", 4);
    ASSERT_TRUE(paper && size && colour);
    EXPECT_EQ(SendMessageW(tv, TVM_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(tv, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(paper))), size);
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(tv, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(paper))), colour);
    EXPECT_TRUE(SendMessageW(tv, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(colour)));
    ASSERT_EQ(told_.tree.size(), 1u);
    EXPECT_EQ(told_.tree[0].itemNew.hItem, colour);
    EXPECT_EQ(told_.tree[0].itemNew.lParam, 4);
    EXPECT_EQ(told_.tree[0].action, UINT(TVC_UNKNOWN));
    run("select 2600 \"Size: A4\"");  // a hidden item: its branch opens
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    ASSERT_EQ(told_.tree.size(), 2u);
    EXPECT_EQ(told_.tree[1].itemNew.hItem, size);
    EXPECT_EQ(told_.tree[1].itemOld.hItem, colour);
    EXPECT_EQ(told_.tree[1].action, UINT(TVC_BYMOUSE));
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(dlg_, pic));
    const POINT at = inPicture(tv);
    EXPECT_EQ(pic.at(at.x + 30, at.y + 16 + 1), GetSysColor(COLOR_HIGHLIGHT));  // row 1, one level in
    EXPECT_EQ(pic.at(at.x + 30, at.y + 1), GetSysColor(COLOR_WINDOW));
    std::string d = winsim::ui::dump(dlg_);
    EXPECT_NE(d.find("2600 SysTreeView32 \"\" tree 4 items sel 1 \"Size: A4\""), std::string::npos) << d;
    EXPECT_NE(d.find("|   item \"Size: A4\" sel"), std::string::npos) << d;
    told_.lines.clear();
    EXPECT_TRUE(SendMessageW(tv, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(paper)));
    EXPECT_EQ(std::count(told_.lines.begin(), told_.lines.end(), "TVDELETE 2600"), 3);
    EXPECT_EQ(SendMessageW(tv, TVM_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(tv, TVM_GETNEXTITEM, TVGN_CARET, 0), 0);
    EXPECT_FALSE(SendMessageW(tv, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(size)));  // gone
    SendMessageW(tv, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    EXPECT_EQ(SendMessageW(tv, TVM_GETCOUNT, 0, 0), 0);
}

// The thumb drag of a scroll bar is the bar's own loop: its idle points take
// the script's steps, and one without a step ends the drag.
TEST_F(CommonControls, AThumbDragRunsTheBarsOwnLoopUntilTheScriptRunsOut) {
    HWND bar = make(u"ScrollBar", 50, SBS_HORZ, 120, 16);
    SetScrollRange(bar, SB_CTL, 0, 100, FALSE);
    const DWORD before = GetTickCount();
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("wait 10", &error)) << error;
    const int onThumb = GetSystemMetrics(SM_CYVSCROLL) + 3;
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onThumb, 8));
    EXPECT_EQ(GetTickCount() - before, 10u);  // the step ran inside the drag
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(winsim::ui::failures().size(), 1u);
    EXPECT_NE(winsim::ui::failures()[0].find("unexpected wait"), std::string::npos);
    EXPECT_TRUE(rec_.only("HSCROLL 4").empty());  // no position: the drag was cut off
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST_F(CommonControls, LibraryVersionAndThemesFollowTheMachine) {
    winsim::TempMachine machine;
    HMODULE cc = LoadLibraryW(u"comctl32.dll");
    ASSERT_TRUE(cc);
    auto get = reinterpret_cast<HRESULT(WINAPI*)(DLLVERSIONINFO*)>(reinterpret_cast<void*>(GetProcAddress(cc, "DllGetVersion")));
    ASSERT_TRUE(get);
    DLLVERSIONINFO v{sizeof v, 0, 0, 0, 0};
    ASSERT_EQ(get(&v), S_OK);
    EXPECT_EQ(v.dwMajorVersion, 5u);
    EXPECT_EQ(v.dwMinorVersion, 82u);
    winsim::config().set("comctl32.version", "6.0");
    ASSERT_EQ(get(&v), S_OK);
    EXPECT_EQ(v.dwMajorVersion, 6u);
    EXPECT_EQ(v.dwMinorVersion, 0u);
    v.cbSize = 4;
    EXPECT_EQ(get(&v), E_INVALIDARG);
    FreeLibrary(cc);
    // Themes: off by default; on, the tab pane is a flat fill.
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(OpenThemeData(nullptr, u"Tab"));
    winsim::config().set("uxtheme.active", "1");
    EXPECT_TRUE(IsThemeActive());
    HTHEME th = OpenThemeData(dlg_, u"Tab;Window");
    ASSERT_TRUE(th);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(dc, 10, 10);
    SelectObject(dc, b);
    PatBlt(dc, 0, 0, 10, 10, BLACKNESS);
    RECT r{0, 0, 10, 10}, clip{0, 0, 5, 10};
    EXPECT_EQ(DrawThemeBackground(th, dc, TABP_PANE, 0, &r, &clip), S_OK);
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(252, 252, 254));
    EXPECT_EQ(GetPixel(dc, 5, 4), RGB(0, 0, 0));
    EXPECT_EQ(CloseThemeData(th), S_OK);
    EXPECT_EQ(CloseThemeData(th), E_HANDLE);
    EXPECT_EQ(DrawThemeBackground(th, dc, TABP_PANE, 0, &r, nullptr), E_HANDLE);
    winsim::journalEnable(true);
    EXPECT_EQ(SetWindowTheme(GetDlgItem(dlg_, IDOK), u" ", u" "), S_OK);
    bool logged = false;
    for (const auto& e : winsim::journal()) logged |= e.function == "SetWindowTheme" && e.detail == "1  | ";
    EXPECT_TRUE(logged);
    winsim::journalEnable(false);
    DeleteDC(dc);
    DeleteObject(b);
}

TEST_F(CommonControls, GeneratedPagesBuildTheirListViews) {
    winsim::TempMachine machine;
    auto host = winsim::hostPath("C:\\VESKR1us.DLL");
    ASSERT_TRUE(host);
    std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKR1us.DLL", *host);
    HMODULE lib = LoadLibraryW(u"C:\\VESKR1us.DLL");
    ASSERT_TRUE(lib);
    for (auto [page, id] : {std::pair{1035, 2490}, std::pair{1011, 2166}}) {
        rec_.lines.clear();
        HWND d = CreateDialogParamW(lib, MAKEINTRESOURCEW(page), nullptr, &Recorder::proc, 0);
        ASSERT_TRUE(d) << page;
        winsim::ui::ControlState s;
        ASSERT_TRUE(winsim::ui::controlState(GetDlgItem(d, id), s));
        EXPECT_EQ(s.kind, "listview");
        EXPECT_TRUE(s.ownerDraw);
        const auto at = [&](const std::string& l) { return std::find(rec_.lines.begin(), rec_.lines.end(), l); };
        EXPECT_LT(at("MEASUREITEM " + std::to_string(id)), at("INITDIALOG"));
        DestroyWindow(d);
    }
    FreeLibrary(lib);
}

}  // namespace
}  // namespace wintest
