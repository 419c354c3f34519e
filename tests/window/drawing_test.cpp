// Pixels drawn through window and memory DCs: shapes, clipping, blits,
// saved DC state and the failures of stale handles.
#include <win/wingdi.h>

#include "window_support.h"

namespace wintest {
namespace {

using Drawing = WindowTest;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

// A memory DC with a fresh bitmap selected, freed at the end of the scope.
struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp;
    MemoryDc(int w, int h) : bmp(CreateCompatibleBitmap(dc, w, h)) { SelectObject(dc, bmp); }
    ~MemoryDc() {
        DeleteDC(dc);
        DeleteObject(bmp);
    }
    void fill(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        RECT r{0, 0, 1000, 1000};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
};

TEST_F(Drawing, RectangleLinesAndFramesSetTheirPixels) {
    MemoryDc m(20, 20);
    ASSERT_NE(m.bmp, nullptr);
    m.fill(RGB(255, 255, 255));
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    SelectObject(m.dc, pen);
    SelectObject(m.dc, brush);
    ASSERT_TRUE(Rectangle(m.dc, 2, 2, 8, 6));
    // The outline on the edges with right and bottom excluded, the brush inside.
    EXPECT_EQ(GetPixel(m.dc, 2, 2), kRed);
    EXPECT_EQ(GetPixel(m.dc, 7, 5), kRed);
    EXPECT_EQ(GetPixel(m.dc, 7, 3), kRed);
    EXPECT_EQ(GetPixel(m.dc, 8, 3), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.dc, 3, 6), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.dc, 4, 4), kBlue);
    // A null brush leaves the inside alone; a null pen gives a plain fill.
    SelectObject(m.dc, GetStockObject(NULL_BRUSH));
    Rectangle(m.dc, 10, 10, 15, 15);
    EXPECT_EQ(GetPixel(m.dc, 12, 12), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.dc, 10, 12), kRed);
    // Lines stop before their end point; MoveToEx gives the old position.
    POINT was{};
    MoveToEx(m.dc, 0, 18, nullptr);
    LineTo(m.dc, 5, 18);
    MoveToEx(m.dc, 1, 1, &was);
    EXPECT_EQ(was.x, 5);
    EXPECT_EQ(GetPixel(m.dc, 0, 18), kRed);
    EXPECT_EQ(GetPixel(m.dc, 4, 18), kRed);
    EXPECT_EQ(GetPixel(m.dc, 5, 18), RGB(255, 255, 255));
    RECT frame{12, 0, 18, 4};
    FrameRect(m.dc, &frame, brush);
    EXPECT_EQ(GetPixel(m.dc, 17, 3), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 14, 2), RGB(255, 255, 255));
    // Drawing off the surface is clipped, not a fault.
    EXPECT_TRUE(Rectangle(m.dc, -50, -50, 100, 100));
    EXPECT_EQ(GetPixel(m.dc, 25, 25), CLR_INVALID);
    SelectObject(m.dc, GetStockObject(BLACK_PEN));
    SelectObject(m.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST_F(Drawing, BlitsCombineSourcePatternAndDestinationByOperation) {
    const COLORREF src = RGB(0xF0, 0x0F, 0xAA), dst = RGB(0x3C, 0x3C, 0x55), pat = RGB(0x11, 0x22, 0x33);
    struct Case {
        DWORD rop;
        COLORREF want;
    } cases[] = {
        {SRCCOPY, src},
        {SRCAND, src & dst},
        {SRCPAINT, src | dst},
        {MERGEPAINT, (~src | dst) & 0xFFFFFF},
        {NOTSRCCOPY, ~src & 0xFFFFFF},
        {PATCOPY, pat},
        {SRCINVERT, src ^ dst},
        {BLACKNESS, 0},
        {WHITENESS, 0xFFFFFF},
    };
    MemoryDc from(4, 4), to(4, 4);
    from.fill(src);
    HBRUSH brush = CreateSolidBrush(pat);
    SelectObject(to.dc, brush);
    for (const Case& c : cases) {
        to.fill(dst);
        ASSERT_TRUE(BitBlt(to.dc, 1, 1, 2, 2, from.dc, 0, 0, c.rop)) << std::hex << c.rop;
        EXPECT_EQ(GetPixel(to.dc, 1, 1), c.want) << std::hex << c.rop;
        EXPECT_EQ(GetPixel(to.dc, 2, 2), c.want) << std::hex << c.rop;
        EXPECT_EQ(GetPixel(to.dc, 3, 3), dst) << std::hex << c.rop;
    }
    // A source operation needs a source DC; PatBlt refuses one.
    EXPECT_FALSE(BitBlt(to.dc, 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(to.dc, 0, 0, 2, 2, nullptr, 0, 0, PATCOPY));
    EXPECT_FALSE(PatBlt(to.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_FALSE(BitBlt(to.dc, 0, 0, -2, 2, from.dc, 0, 0, SRCCOPY));
    // Stretching doubles each source pixel; outside the source nothing changes.
    SetPixel(from.dc, 0, 0, kGreen);
    to.fill(dst);
    ASSERT_TRUE(StretchBlt(to.dc, 0, 0, 4, 4, from.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(to.dc, 1, 1), kGreen);
    EXPECT_EQ(GetPixel(to.dc, 2, 1), src);
    to.fill(dst);
    ASSERT_TRUE(BitBlt(to.dc, 0, 0, 4, 4, from.dc, 2, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(to.dc, 1, 1), src);
    EXPECT_EQ(GetPixel(to.dc, 2, 2), dst);
    SelectObject(to.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST_F(Drawing, SaveAndRestoreBringBackObjectsColoursAndClipping) {
    MemoryDc m(10, 10);
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    EXPECT_EQ(SaveDC(m.dc), 1);
    SelectObject(m.dc, red);
    SetTextColor(m.dc, kBlue);
    SetBkMode(m.dc, TRANSPARENT);
    ExcludeClipRect(m.dc, 0, 0, 5, 5);
    EXPECT_EQ(SaveDC(m.dc), 2);
    SetTextColor(m.dc, kGreen);
    m.fill(kGreen);
    EXPECT_EQ(GetPixel(m.dc, 2, 2), CLR_INVALID);  // excluded
    EXPECT_EQ(GetPixel(m.dc, 7, 7), kGreen);
    EXPECT_TRUE(RestoreDC(m.dc, -1));
    EXPECT_EQ(GetTextColor(m.dc), kBlue);
    EXPECT_EQ(GetCurrentObject(m.dc, OBJ_PEN), red);
    EXPECT_FALSE(RestoreDC(m.dc, 2));  // level 2 is gone now
    EXPECT_TRUE(RestoreDC(m.dc, 1));
    EXPECT_EQ(GetTextColor(m.dc), 0u);
    EXPECT_EQ(GetBkMode(m.dc), OPAQUE);
    EXPECT_EQ(GetCurrentObject(m.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetPixel(m.dc, 2, 2), 0u);  // clipping back: the unexcluded black
    EXPECT_FALSE(RestoreDC(m.dc, 0));
    EXPECT_FALSE(RestoreDC(m.dc, -1));
    // A bitmap that left the DC and was deleted cannot come back with its level.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateCompatibleBitmap(dc, 4, 4), b = CreateCompatibleBitmap(dc, 4, 4);
    SelectObject(dc, a);
    SaveDC(dc);
    SelectObject(dc, b);
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_FALSE(DeleteObject(b));  // still selected
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), nullptr);
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_TRUE(DeleteDC(dc));
    DeleteObject(red);
}

TEST_F(Drawing, PaintDcsClipToTheUpdateRectangleAndExclusions) {
    Recorder rec;
    HWND d = open({});
    ASSERT_NE(d, nullptr);
    RedrawWindow(d, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    const RECT part{10, 10, 30, 20};
    InvalidateRect(d, &part, FALSE);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(d, &ps);
    ASSERT_NE(dc, nullptr);
    ExcludeClipRect(dc, 10, 10, 15, 15);
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_EQ(box.right, 30);
    HBRUSH red = CreateSolidBrush(kRed);
    RECT all{0, 0, 400, 400};
    EXPECT_TRUE(FillRect(dc, &all, red));
    EndPaint(d, &ps);
    EXPECT_EQ(FillRect(dc, &all, red), 0);  // the paint DC is gone
    HDC look = GetDC(d);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(GetPixel(look, 20, 15), kRed);
    EXPECT_EQ(GetPixel(look, 12, 12), face);  // excluded
    EXPECT_EQ(GetPixel(look, 5, 5), face);    // outside the update rectangle
    EXPECT_EQ(GetPixel(look, 30, 15), face);
    // A memory copy of the window's pixels.
    MemoryDc m(40, 40);
    ASSERT_TRUE(BitBlt(m.dc, 0, 0, 40, 40, look, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(m.dc, 29, 19), kRed);
    ReleaseDC(d, look);
    EXPECT_EQ(GetPixel(look, 20, 15), CLR_INVALID);
    EXPECT_FALSE(BitBlt(m.dc, 0, 0, 4, 4, look, 0, 0, SRCCOPY));
    DeleteObject(red);
    DestroyWindow(d);
}

TEST_F(Drawing, StaleHandlesAndBadArgumentsFailWithoutHarm) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(kRed);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 3, 2);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 5, 100000), nullptr);
    EXPECT_EQ(CreatePen(77, 1, 0), nullptr);
    // Object records: a null buffer asks the size, a short one fails.
    BITMAP info{};
    EXPECT_EQ(GetObjectW(bmp, 0, nullptr), int(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectW(bmp, 4, &info), 0);
    ASSERT_EQ(GetObjectW(bmp, sizeof info, &info), int(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectW(brush, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, kRed);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    // A bitmap sits in one DC at a time and not in a window's DC.
    SelectObject(dc, bmp);
    ASSERT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bmp);
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bmp), nullptr);
    HWND w = open({});
    HDC wdc = GetDC(w);
    EXPECT_EQ(SelectObject(wdc, bmp), nullptr);
    ReleaseDC(w, wdc);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_FALSE(DeleteDC(wdc));
    // Deleted objects and DCs are stale everywhere.
    EXPECT_TRUE(DeleteObject(brush));
    RECT r{0, 0, 2, 2};
    EXPECT_EQ(FillRect(dc, &r, brush), 0);
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    EXPECT_EQ(GetObjectW(brush, sizeof lb, &lb), 0);
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // stock: left alone
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), DWORD(OBJ_BRUSH));
    EXPECT_EQ(FillRect(dc, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(bmp));  // free once its DC is gone
    EXPECT_EQ(SaveDC(dc), 0);
    EXPECT_FALSE(RestoreDC(dc, 1));
    EXPECT_FALSE(Rectangle(dc, 0, 0, 2, 2));
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 2, 2), nullptr);
    EXPECT_EQ(GetObjectType(dc), 0u);
    DestroyWindow(w);
}

}  // namespace
}  // namespace wintest

namespace wintest {
namespace {

using Text = WindowTest;

// Columns of the surface holding a pixel of `colour` in rows [top, bottom).
std::vector<int> inkColumns(HDC dc, int width, int top, int bottom, COLORREF colour) {
    std::vector<int> cols;
    for (int x = 0; x < width; ++x)
        for (int y = top; y < bottom; ++y)
            if (GetPixel(dc, x, y) == colour) {
                cols.push_back(x);
                break;
            }
    return cols;
}

TEST_F(Text, TheFixedFontMeasuresTheSameForEveryCharacter) {
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, u"Ab\u00e9\u4e2d", 4, &size));
    EXPECT_EQ(size.cx, 24);
    EXPECT_EQ(size.cy, 13);
    EXPECT_TRUE(GetTextExtentPoint32W(dc, nullptr, 0, &size));
    EXPECT_EQ(size.cx, 0);
    EXPECT_FALSE(GetTextExtentPoint32W(dc, nullptr, 3, &size));
    EXPECT_FALSE(GetTextExtentPoint32W(dc, u"x", 1, nullptr));
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmAveCharWidth, 6);
    ABC abc[3]{};
    ASSERT_TRUE(GetCharABCWidthsW(dc, 'a', 'c', abc));
    EXPECT_EQ(abc[2].abcA + int(abc[2].abcB) + abc[2].abcC, 6);
    EXPECT_FALSE(GetCharABCWidthsW(dc, 'c', 'a', abc));
    // A font keeps its record; selecting it changes no measure.
    LOGFONTW lf{};
    lf.lfHeight = -40;
    lf.lfWeight = 700;
    HFONT font = CreateFontIndirectW(&lf);
    LOGFONTW back{};
    ASSERT_EQ(GetObjectW(font, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(back.lfHeight, -40);
    EXPECT_EQ(GetObjectType(font), DWORD(OBJ_FONT));
    const HGDIOBJ was = SelectObject(dc, font);
    EXPECT_EQ(was, GetStockObject(SYSTEM_FONT));
    GetTextExtentPoint32W(dc, u"abc", 3, &size);
    EXPECT_EQ(size.cx, 18);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    DeleteDC(dc);
    DeleteObject(font);
    EXPECT_FALSE(GetTextMetricsW(dc, &tm));
}

TEST_F(Text, GlyphsLandInTheirCellsWithTheBackgroundByMode) {
    MemoryDc m(40, 16);
    m.fill(RGB(255, 255, 255));
    SetTextColor(m.dc, kBlue);
    SetBkColor(m.dc, kGreen);
    SetBkMode(m.dc, TRANSPARENT);
    ASSERT_TRUE(TextOutW(m.dc, 0, 0, u"I\u00c9", 2));
    // 'I' draws its stem in column 2; the accented E has its mark above.
    const auto cols = inkColumns(m.dc, 40, 0, 13, kBlue);
    ASSERT_FALSE(cols.empty());
    EXPECT_EQ(cols.front(), 1);
    EXPECT_LT(cols.back(), 12);
    EXPECT_EQ(GetPixel(m.dc, 8, 1), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 5, 5), RGB(255, 255, 255));  // the gap column stays
    // An unknown character is a box; OPAQUE fills the cell with the background.
    SetBkMode(m.dc, OPAQUE);
    ASSERT_TRUE(TextOutW(m.dc, 18, 0, u"\u4e2d", 1));
    EXPECT_EQ(GetPixel(m.dc, 18, 3), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 22, 9), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 20, 6), kGreen);
    EXPECT_EQ(GetPixel(m.dc, 23, 12), kGreen);
    EXPECT_EQ(GetPixel(m.dc, 24, 12), RGB(255, 255, 255));
    // Clipped output stays inside its rectangle.
    const RECT clip{30, 0, 33, 16};
    ASSERT_TRUE(ExtTextOutW(m.dc, 28, 0, ETO_CLIPPED, &clip, u"MM", 2, nullptr));
    EXPECT_EQ(inkColumns(m.dc, 40, 0, 13, kBlue).back(), 32);
    EXPECT_FALSE(TextOutW(m.dc, 0, 0, u"x", -1));
}

TEST_F(Text, DrawTextLaysOutAlignsBreaksAndCuts) {
    MemoryDc m(120, 60);
    RECT r{0, 0, 60, 0};
    // Measuring: word breaks wrap at the width, prefixes take no room.
    EXPECT_EQ(DrawTextW(m.dc, u"one two three four", -1, &r, DT_CALCRECT | DT_WORDBREAK), 26);
    EXPECT_EQ(r.right, 60);  // "one two" / "three four": the second fits exactly
    r = RECT{0, 0, 0, 0};
    EXPECT_EQ(DrawTextW(m.dc, u"&File", -1, &r, DT_CALCRECT | DT_SINGLELINE), 13);
    EXPECT_EQ(r.right, 24);
    r = RECT{0, 0, 0, 0};
    DrawTextW(m.dc, u"&File", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(r.right, 30);
    r = RECT{0, 0, 0, 0};
    EXPECT_EQ(DrawTextW(m.dc, u"a\r\nbb\ncc c", -1, &r, DT_CALCRECT), 39);
    EXPECT_EQ(r.right, 24);
    // Placement: right, centred and vertically centred; an ellipsis when too long.
    m.fill(RGB(255, 255, 255));
    SetBkMode(m.dc, TRANSPARENT);
    RECT box{0, 0, 120, 33};
    DrawTextW(m.dc, u"I", 1, &box, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    EXPECT_EQ(inkColumns(m.dc, 120, 0, 60, 0), (std::vector<int>{115, 116, 117}));  // the serifs of 'I'
    EXPECT_EQ(GetPixel(m.dc, 115, 10 + 3), 0u);
    m.fill(RGB(255, 255, 255));
    DrawTextW(m.dc, u"I", 1, &box, DT_SINGLELINE | DT_CENTER);
    EXPECT_EQ(inkColumns(m.dc, 120, 0, 60, 0), (std::vector<int>{58, 59, 60}));
    m.fill(RGB(255, 255, 255));
    RECT narrow{0, 0, 36, 13};
    DrawTextW(m.dc, u"abcdefghij", -1, &narrow, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(GetPixel(m.dc, 18 + 1, 8), 0u);   // the first dot of "..."
    EXPECT_EQ(GetPixel(m.dc, 30 + 1, 8), 0u);   // the last
    EXPECT_EQ(inkColumns(m.dc, 120, 0, 60, 0).back(), 32);
    // Prefix underline under its character only.
    m.fill(RGB(255, 255, 255));
    RECT line{0, 20, 120, 40};
    DrawTextW(m.dc, u"a&bc", -1, &line, DT_SINGLELINE);
    EXPECT_EQ(GetPixel(m.dc, 6, 31), 0u);
    EXPECT_EQ(GetPixel(m.dc, 0, 31), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(m.dc, 12, 31), RGB(255, 255, 255));
    EXPECT_EQ(DrawTextW(m.dc, nullptr, 3, &line, 0), 0);
    EXPECT_EQ(DrawTextW(m.dc, u"a", 1, nullptr, 0), 0);
}

}  // namespace
}  // namespace wintest

namespace wintest {
namespace {

using Render = WindowTest;

// Pixels of `colour` in a control's rectangle of the picture, from `skip`
// pixels in (past a check box's box).
int countIn(const winsim::ui::Picture& p, HWND top, HWND control, COLORREF colour, int skip = 0) {
    RECT t, c;
    GetWindowRect(top, &t);
    GetWindowRect(control, &c);
    int n = 0;
    for (LONG y = c.top - t.top; y < c.bottom - t.top; ++y)
        for (LONG x = c.left - t.left + skip; x < c.right - t.left; ++x)
            if (x >= 0 && y >= 0 && x < p.width && y < p.height && p.at(int(x), int(y)) == colour) ++n;
    return n;
}

TEST_F(Render, ADialogPicturesItsFrameAndEachControlInTheClassicLook) {
    Recorder rec;
    HWND d = open({{kButton, 1, BS_DEFPUSHBUTTON, 10, 80, 50, 14, u"OK"},
                   {kButton, 5, BS_AUTOCHECKBOX | WS_DISABLED, 10, 10, 80, 10, u"Duplex"},
                   {kStatic, 6, SS_LEFT, 10, 30, 80, 8, u"Paper"},
                   {kButton, 7, BS_AUTORADIOBUTTON, 10, 50, 80, 10, u"Draft"}});
    ASSERT_NE(d, nullptr);
    CheckDlgButton(d, 7, BST_CHECKED);
    winsim::ui::Picture pic;
    ASSERT_TRUE(winsim::ui::render(d, pic));
    RECT wr;
    GetWindowRect(d, &wr);
    EXPECT_EQ(pic.width, wr.right - wr.left);
    EXPECT_EQ(pic.height, wr.bottom - wr.top);
    // The caption bar sits above the client area, with its title.
    EXPECT_EQ(pic.at(pic.width / 2, 8), GetSysColor(COLOR_HIGHLIGHT));
    const COLORREF text = GetSysColor(COLOR_BTNTEXT), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                   shade = GetSysColor(COLOR_BTNSHADOW);
    const HWND ok = GetDlgItem(d, 1), duplex = GetDlgItem(d, 5), paper = GetDlgItem(d, 6), draft = GetDlgItem(d, 7);
    // Enabled texts in the text colour; the disabled one embossed with none.
    EXPECT_GT(countIn(pic, d, ok, text), 10);
    EXPECT_GT(countIn(pic, d, ok, light), 10);  // the raised edge
    EXPECT_GT(countIn(pic, d, paper, text), 10);
    EXPECT_EQ(countIn(pic, d, duplex, text, 14), 0);
    EXPECT_GT(countIn(pic, d, duplex, shade, 14), 10);
    EXPECT_GT(countIn(pic, d, duplex, light, 14), 10);
    // The checked radio has its dot: more ink than when unchecked.
    const int dotted = countIn(pic, d, draft, GetSysColor(COLOR_WINDOWTEXT));
    CheckDlgButton(d, 7, BST_UNCHECKED);
    winsim::ui::Picture plain;
    ASSERT_TRUE(winsim::ui::render(d, plain));
    EXPECT_EQ(countIn(plain, d, draft, GetSysColor(COLOR_WINDOWTEXT)), dotted - 9);
    CheckDlgButton(d, 7, BST_CHECKED);
    // Nothing outside the controls but the face colour in the client area's corner.
    POINT corner{0, 0};
    ClientToScreen(d, &corner);
    EXPECT_EQ(pic.at(int(corner.x - wr.left) + 1, int(corner.y - wr.top) + 1), GetSysColor(COLOR_BTNFACE));
    // Rendering again gives the same picture; a stale window gives none.
    winsim::ui::Picture again;
    ASSERT_TRUE(winsim::ui::render(d, again));
    EXPECT_EQ(again.pixels, pic.pixels);
    // The script's png step hands the top window's picture to the writer.
    std::string file;
    winsim::ui::Picture written;
    winsim::ui::setPictureWriter([&](const std::string& f, const winsim::ui::Picture& p, std::string*) {
        file = f, written = p;
        return true;
    });
    winsim::ui::Step step{"png", 0, {}, -1, 0, "look.png", "png look.png"};
    std::string error;
    ASSERT_TRUE(winsim::ui::runStep(step, &error)) << error;
    EXPECT_EQ(file, "look.png");
    EXPECT_EQ(written.pixels, pic.pixels);
    winsim::ui::setPictureWriter([](const std::string&, const winsim::ui::Picture&, std::string* why) {
        *why = "disk full";
        return false;
    });
    EXPECT_FALSE(winsim::ui::runStep(step, &error));
    EXPECT_EQ(error, "disk full");
    DestroyWindow(d);
    EXPECT_FALSE(winsim::ui::render(d, again));
}

}  // namespace
}  // namespace wintest
