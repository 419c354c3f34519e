// Edits, list boxes, combo boxes, scroll bars and pictures paint themselves
// in the classic look; read back from pictures of small dialogs.
#include <win/wingdi.h>

#include <filesystem>

#include "window/window_support.h"

namespace wintest {
namespace {

class ControlPaint : public WindowTest {
protected:
    // The picture's pixel at a control's client point.
    COLORREF at(HWND control, int x, int y) {
        POINT p{x, y};
        ClientToScreen(control, &p);
        RECT t{};
        GetWindowRect(top_, &t);
        return pic_.at(int(p.x - t.left), int(p.y - t.top));
    }
    // How many pixels of a colour a control's client rectangle holds.
    int count(HWND control, COLORREF c, RECT part = {0, 0, 10000, 10000}) {
        RECT r{};
        GetClientRect(control, &r);
        int n = 0;
        for (int y = std::max(0, int(part.top)); y < std::min(r.bottom, part.bottom); ++y)
            for (int x = std::max(0, int(part.left)); x < std::min(r.right, part.right); ++x) n += at(control, x, y) == c;
        return n;
    }
    void draw(HWND top) {
        top_ = top;
        ASSERT_TRUE(winsim::ui::render(top, pic_));
    }
    HWND top_ = nullptr;
    winsim::ui::Picture pic_;
};

const COLORREF kText = GetSysColor(COLOR_WINDOWTEXT);
constexpr int kCharHeight = 13;

TEST_F(ControlPaint, EditsShowTextSelectionPasswordsLinesAndTheirDisabledLook) {
    Recorder rec;
    HWND d = open({{kEdit, 10, ES_AUTOHSCROLL, 5, 5, 60, 12, u"AB"},
                   {kEdit, 11, ES_PASSWORD, 5, 20, 60, 12, u"xy"},
                   {kEdit, 12, ES_MULTILINE, 5, 35, 60, 30, u"I\r\nI"},
                   {kEdit, 13, WS_DISABLED, 5, 70, 60, 12, u"AB"}});
    ASSERT_TRUE(d);
    HWND e = GetDlgItem(d, 10);
    SetFocus(e);
    SendMessageW(e, EM_SETSEL, 1, 2);
    draw(d);
    const COLORREF white = GetSysColor(COLOR_WINDOW), hi = GetSysColor(COLOR_HIGHLIGHT);
    // "A" in the text colour on white, "B" selected in the highlight colours.
    EXPECT_EQ(at(e, 1, 1), white);
    EXPECT_GT(count(e, kText, {2, 0, 8, 30}), 5);
    EXPECT_GT(count(e, hi, {8, 0, 14, 30}), 30);
    EXPECT_GT(count(e, GetSysColor(COLOR_HIGHLIGHTTEXT), {8, 0, 14, 30}), 5);
    EXPECT_EQ(count(e, hi, {14, 0, 100, 30}), 0);
    // Without the focus the selection is not shown.
    SetFocus(GetDlgItem(d, 11));
    draw(d);
    EXPECT_EQ(count(e, hi), 0);
    // A password shows its stars, not its letters: the same ink for both.
    HWND pw = GetDlgItem(d, 11);
    EXPECT_EQ(count(pw, kText, {2, 0, 8, 30}), count(pw, kText, {8, 0, 14, 30}));
    EXPECT_GT(count(pw, kText), 0);
    // A multi-line edit draws each line below the other: an 'I' in each.
    HWND ml = GetDlgItem(d, 12);
    EXPECT_GT(count(ml, kText, {0, 1, 10, 14}), 5);
    EXPECT_EQ(count(ml, kText, {0, 1, 10, 14}), count(ml, kText, {0, 14, 10, 27}));
    // Disabled: grey behind, the text embossed.
    HWND off = GetDlgItem(d, 13);
    EXPECT_EQ(at(off, 1, 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(count(off, kText), 0);
    EXPECT_GT(count(off, GetSysColor(COLOR_BTNSHADOW)), 5);
    EXPECT_GT(count(off, GetSysColor(COLOR_BTNHIGHLIGHT)), 5);
}

TEST_F(ControlPaint, ListBoxesDrawTheirItemsOnTheParentsBrushAndOwnerDrawnOnesAskTheParent) {
    Recorder rec;
    HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    rec.handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> INT_PTR {
        if (m == WM_CTLCOLORLISTBOX && GetDlgCtrlID(reinterpret_cast<HWND>(l)) == 21) return INT_PTR(green);
        return FALSE;
    };
    HWND d = open({{kListBox, 20, LBS_NOTIFY, 5, 5, 60, 40, u""},
                   {kListBox, 21, LBS_NOTIFY, 70, 5, 60, 40, u""},
                   {kListBox, 22, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 5, 50, 60, 40, u""}});
    ASSERT_TRUE(d);
    for (int id : {20, 21, 22})
        for (const char16_t* t : {u"one", u"two", u"three"}) SendDlgItemMessageW(d, id, LB_ADDSTRING, 0, LPARAM(t));
    SendDlgItemMessageW(d, 20, LB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(d, 22, LB_SETCURSEL, 2, 0);
    rec.lines.clear();
    draw(d);
    HWND list = GetDlgItem(d, 20);
    const int ih = int(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const COLORREF hi = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(count(list, hi, {0, 0, 200, ih}), 0);
    EXPECT_GT(count(list, kText, {0, 0, 200, ih}), 10);  // "one"
    EXPECT_GT(count(list, hi, {0, ih, 200, 2 * ih}), 100);
    EXPECT_GT(count(list, GetSysColor(COLOR_HIGHLIGHTTEXT), {0, ih, 200, 2 * ih}), 10);
    EXPECT_EQ(at(list, 50, 3 * ih + 2), GetSysColor(COLOR_WINDOW));  // below the items
    EXPECT_EQ(at(GetDlgItem(d, 21), 50, 3 * ih + 2), RGB(0, 128, 0));
    EXPECT_EQ(rec.only("DRAWITEM"), (std::vector<std::string>{"DRAWITEM 22", "DRAWITEM 22", "DRAWITEM 22"}));
    // The border of WS_BORDER lists frames them in the picture.
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | WS_BORDER);
    draw(d);
    EXPECT_EQ(at(list, -1, 5), RGB(0, 0, 0));
    DeleteObject(green);
}

TEST_F(ControlPaint, CombosShowTheirFieldButtonAndOwnerDrawnFieldsGoToTheParent) {
    Recorder rec;
    std::vector<UINT> states;
    rec.handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> INT_PTR {
        if (m == WM_DRAWITEM) states.push_back(reinterpret_cast<const DRAWITEMSTRUCT*>(l)->itemState);
        return FALSE;
    };
    HWND d = open({{kCombo, 30, CBS_DROPDOWNLIST, 5, 5, 80, 60, u""},
                   {kCombo, 31, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 5, 25, 80, 60, u""},
                   {kCombo, 32, CBS_DROPDOWN | WS_DISABLED, 5, 45, 80, 60, u""}});
    ASSERT_TRUE(d);
    for (int id : {30, 31, 32}) {
        SendDlgItemMessageW(d, id, CB_ADDSTRING, 0, LPARAM(u"Letter"));
        SendDlgItemMessageW(d, id, CB_SETCURSEL, 0, 0);
    }
    HWND c = GetDlgItem(d, 30);
    draw(d);
    RECT r{};
    GetClientRect(c, &r);
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    // A sunken edge, the selection's text, the button's arrow.
    EXPECT_EQ(at(c, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(c, 1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_GT(count(c, kText, {0, 0, r.right - button - 2, 100}), 20);
    EXPECT_GT(count(c, GetSysColor(COLOR_BTNTEXT), {r.right - button - 2, 0, r.right, 100}), 8);
    // With the focus the field is highlighted.
    SetFocus(c);
    draw(d);
    EXPECT_GT(count(c, GetSysColor(COLOR_HIGHLIGHT)), 50);
    // The owner-drawn field is the parent's, marked as the field.
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(states.back() & ODS_COMBOBOXEDIT);
    // A disabled drop-down combo: grey field, embossed text.
    HWND off = GetDlgItem(d, 32);
    EXPECT_EQ(at(off, 4, 4), GetSysColor(COLOR_BTNFACE));
    const RECT field{3, 3, r.right - button - 3, 3 + kCharHeight};
    EXPECT_EQ(count(off, kText, field), 0);
    EXPECT_GT(count(off, GetSysColor(COLOR_BTNSHADOW), field), 20);
}

TEST_F(ControlPaint, ScrollBarsDrawArrowsTrackAndThumb) {
    Recorder rec;
    bool hollow = false;
    rec.handler = [&](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m == WM_CTLCOLORSCROLLBAR && hollow) return INT_PTR(GetStockObject(NULL_BRUSH));
        return FALSE;
    };
    HWND d = open({{kScrollBar, 40, SBS_VERT, 5, 5, 10, 60, u""}, {kScrollBar, 41, SBS_HORZ, 20, 5, 80, 10, u""}});
    ASSERT_TRUE(d);
    HWND v = GetDlgItem(d, 40);
    SetScrollRange(v, SB_CTL, 0, 10, FALSE);
    SetScrollPos(v, SB_CTL, 10, FALSE);
    draw(d);
    RECT r{};
    GetClientRect(v, &r);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    // Inside the buttons' edges: the arrows.
    EXPECT_GT(count(v, ink, {2, 2, r.right - 2, arrow - 2}), 5);
    EXPECT_GT(count(v, ink, {2, r.bottom - arrow + 2, r.right - 2, r.bottom - 2}), 5);
    // At the end of its range the thumb sits just above the lower arrow.
    const int thumb = GetSystemMetrics(SM_CYVTHUMB);
    EXPECT_EQ(at(v, 3, r.bottom - arrow - thumb), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(v, 5, arrow + 2), GetSysColor(COLOR_SCROLLBAR));
    // Disabled arrows and a hollow track brush.
    EnableScrollBar(v, SB_CTL, ESB_DISABLE_LTUP);
    hollow = true;
    draw(d);
    EXPECT_EQ(count(v, ink, {2, 2, r.right - 2, arrow - 2}), 0);
    EXPECT_GT(count(v, GetSysColor(COLOR_BTNSHADOW), {2, 2, r.right - 2, arrow - 2}), 5);
    EXPECT_EQ(at(v, 5, arrow + 2), GetSysColor(COLOR_BTNFACE));
    HWND hz = GetDlgItem(d, 41);
    EXPECT_GT(count(hz, ink, {2, 2, arrow - 2, 8}), 5);
}

TEST_F(ControlPaint, PicturesDrawTheirImageAndIconsLeaveTheirWhiteToTheBackground) {
    Recorder rec;
    HWND d = open({{kStatic, 50, SS_ICON, 5, 5, 30, 30, u""}, {kStatic, 51, SS_BITMAP | SS_CENTERIMAGE, 40, 5, 30, 30, u""}});
    ASSERT_TRUE(d);
    winsim::TempMachine m;
    auto host = winsim::hostPath("C:\\VESKC1XX.DLL");
    ASSERT_TRUE(host);
    std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKC1XX.DLL", *host);
    HMODULE lib = LoadLibraryW(u"C:\\VESKC1XX.DLL");
    ASSERT_TRUE(lib);
    HBITMAP box = LoadBitmapW(lib, MAKEINTRESOURCEW(7001));
    ASSERT_TRUE(box);
    HICON app = LoadIconW(nullptr, IDI_APPLICATION);
    SendDlgItemMessageW(d, 50, STM_SETICON, WPARAM(app), 0);
    SendDlgItemMessageW(d, 51, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(box));
    draw(d);
    HWND icon = GetDlgItem(d, 50), bmp = GetDlgItem(d, 51);
    EXPECT_EQ(at(icon, 0, 0), GetSysColor(COLOR_BTNFACE));  // white: not drawn
    EXPECT_EQ(at(icon, 2, 4), RGB(0, 0, 0));                // the frame
    EXPECT_EQ(at(icon, 10, 6), RGB(0, 0, 128));             // the title bar
    RECT r{};
    GetClientRect(bmp, &r);
    const int x0 = int(r.right - 13) / 2, y0 = int(r.bottom - 13) / 2;
    EXPECT_EQ(at(bmp, x0, y0), RGB(0, 0, 0));  // the box's corner, centred
    EXPECT_EQ(at(bmp, x0 + 5, y0 + 5), RGB(255, 255, 255));  // a bitmap keeps its white
    EXPECT_EQ(at(bmp, x0 - 1, y0), GetSysColor(COLOR_BTNFACE));
    // DrawIcon draws on memory DCs too and logs it.
    winsim::clearDrawLog();
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateCompatibleBitmap(mem, 40, 40);
    SelectObject(mem, surface);
    RECT all{0, 0, 40, 40};
    FillRect(mem, &all, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_TRUE(DrawIcon(mem, 4, 4, app));
    EXPECT_EQ(GetPixel(mem, 6, 8), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 4, 4), GetSysColor(COLOR_WINDOW));
    EXPECT_FALSE(DrawIcon(mem, 0, 0, reinterpret_cast<HICON>(box)));
    const auto log = winsim::drawLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().operation, "DrawIcon");
    EXPECT_EQ(log.back().resourceId, 32512u);
    DeleteDC(mem);
    DeleteObject(surface);
    DestroyWindow(d);
    DeleteObject(box);
    FreeLibrary(lib);
}

}  // namespace
}  // namespace wintest

namespace wintest {
namespace {

// FNV-1a over the picture's size and pixels.
uint64_t pictureHash(const winsim::ui::Picture& p) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
    };
    mix(uint32_t(p.width)), mix(uint32_t(p.height));
    for (uint32_t px : p.pixels) mix(px);
    return h;
}

// A picture that differs from the golden one is written where the test runs
// (a plain PPM) for a person to look at before the hash is renewed.
void keepForReview(const winsim::ui::Picture& p, const char* name) {
    FILE* f = std::fopen(name, "wb");
    if (!f) return;
    std::fprintf(f, "P6 %d %d 255\n", p.width, p.height);
    for (uint32_t c : p.pixels) {
        const unsigned char rgb[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
        std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
}

using GoldenPicture = WindowTest;

TEST_F(GoldenPicture, ASmallDialogOfEveryControlClassLooksAsReviewed) {
    Recorder rec;
    HWND d = open({{kButton, 1, BS_DEFPUSHBUTTON, 130, 100, 50, 14, u"OK"},
                   {kButton, 2, BS_PUSHBUTTON, 130, 80, 50, 14, u"&Cancel"},
                   {kButton, 3, BS_AUTOCHECKBOX, 5, 5, 70, 10, u"Duplex"},
                   {kButton, 4, BS_AUTORADIOBUTTON | WS_DISABLED, 5, 18, 70, 10, u"Draft"},
                   {kButton, 5, BS_GROUPBOX, 80, 2, 110, 40, u"Paper"},
                   {kStatic, 6, SS_LEFT, 88, 14, 30, 8, u"Size:"},
                   {kCombo, 7, CBS_DROPDOWNLIST, 120, 12, 65, 50, u""},
                   {kEdit, 8, ES_AUTOHSCROLL | WS_BORDER, 5, 32, 40, 12, u"12.5"},
                   {kScrollBar, 9, SBS_VERT, 45, 32, 10, 12, u""},
                   {kListBox, 10, LBS_NOTIFY | WS_BORDER, 5, 50, 70, 40, u""},
                   {kScrollBar, 11, SBS_HORZ, 80, 50, 100, 10, u""}},
                  WS_POPUP | WS_CAPTION | DS_SETFONT | WS_VISIBLE);
    ASSERT_TRUE(d);
    HWND combo = GetDlgItem(d, 7);
    for (const char16_t* t : {u"A4", u"Letter"}) SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(t));
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    HWND list = GetDlgItem(d, 10);
    for (const char16_t* t : {u"Tray 1", u"Tray 2", u"Bypass"}) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(t));
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    CheckDlgButton(d, 3, BST_CHECKED);
    SetScrollRange(GetDlgItem(d, 11), SB_CTL, 0, 100, FALSE);
    SetScrollPos(GetDlgItem(d, 11), SB_CTL, 30, FALSE);
    SetFocus(GetDlgItem(d, 1));
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(d, pic));
    const uint64_t hash = pictureHash(pic);
    constexpr uint64_t kReviewed = 0x72870347a55dd5d4ull;
    if (hash != kReviewed) keepForReview(pic, "golden_small_dialog.ppm");
    EXPECT_EQ(hash, kReviewed) << std::hex << "picture hash 0x" << hash << ", kept as golden_small_dialog.ppm";
}

}  // namespace
}  // namespace wintest
