// Polygons, ellipses and the log of what each device context drew.
#include <win/wingdi.h>

#include "window/window_support.h"

namespace wintest {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

struct Surface {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp;
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    Surface(int w, int h) : bmp(CreateCompatibleBitmap(dc, w, h)) {
        SelectObject(dc, bmp);
        RECT r{0, 0, w, h};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(dc, pen);
        SelectObject(dc, brush);
    }
    ~Surface() {
        DeleteDC(dc);
        DeleteObject(bmp);
        DeleteObject(pen);
        DeleteObject(brush);
    }
};

using Shapes = WindowTest;

TEST_F(Shapes, PolygonsFillByTheAlternateRuleInsideTheirOutline) {
    Surface s(30, 30);
    const POINT triangle[] = {{2, 2}, {20, 2}, {2, 20}};
    ASSERT_TRUE(Polygon(s.dc, triangle, 3));
    EXPECT_EQ(GetPixel(s.dc, 2, 2), kRed);    // a corner
    EXPECT_EQ(GetPixel(s.dc, 11, 11), kRed);  // on the slanted edge
    EXPECT_EQ(GetPixel(s.dc, 2, 20), kRed);   // the last point is closed to the first
    EXPECT_EQ(GetPixel(s.dc, 6, 6), kBlue);
    EXPECT_EQ(GetPixel(s.dc, 15, 15), kWhite);
    // A five-pointed star drawn in one stroke leaves its centre open.
    Surface star(40, 40);
    SelectObject(star.dc, GetStockObject(NULL_PEN));
    const POINT p[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    ASSERT_TRUE(Polygon(star.dc, p, 5));
    EXPECT_EQ(GetPixel(star.dc, 20, 20), kWhite);
    EXPECT_EQ(GetPixel(star.dc, 20, 6), kBlue);   // the top point
    EXPECT_EQ(GetPixel(star.dc, 6, 15), kBlue);   // the left point
    EXPECT_FALSE(Polygon(star.dc, p, 1));
    EXPECT_FALSE(Polygon(star.dc, nullptr, 3));
}

TEST_F(Shapes, EllipsesFillTheirBoxInscribedShapeAndRingItInThePen) {
    Surface s(30, 30);
    ASSERT_TRUE(Ellipse(s.dc, 5, 5, 25, 15));
    EXPECT_EQ(GetPixel(s.dc, 15, 10), kBlue);  // the middle
    EXPECT_EQ(GetPixel(s.dc, 5, 10), kRed);    // left and right ends on the box
    EXPECT_EQ(GetPixel(s.dc, 24, 10), kRed);
    EXPECT_EQ(GetPixel(s.dc, 25, 10), kWhite);  // right excluded
    EXPECT_EQ(GetPixel(s.dc, 15, 5), kRed);
    EXPECT_EQ(GetPixel(s.dc, 15, 14), kRed);
    EXPECT_EQ(GetPixel(s.dc, 5, 5), kWhite);  // the box's corners stay
    EXPECT_EQ(GetPixel(s.dc, 24, 14), kWhite);
    // A wide pen rings more; a hollow brush leaves the inside.
    HPEN wide = CreatePen(PS_SOLID, 3, kRed);
    SelectObject(s.dc, wide);
    SelectObject(s.dc, GetStockObject(NULL_BRUSH));
    RECT all{0, 0, 30, 30};
    FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_TRUE(Ellipse(s.dc, 25, 25, 5, 5));  // corners in either order
    EXPECT_EQ(GetPixel(s.dc, 7, 15), kRed);
    EXPECT_EQ(GetPixel(s.dc, 15, 15), kWhite);
    SelectObject(s.dc, s.pen);
    DeleteObject(wide);
}

TEST_F(Shapes, EachDcLogsWhatItDrawsWithItsTextAndColour) {
    Surface a(40, 20), b(40, 20);
    winsim::clearDrawLog();
    SetTextColor(a.dc, kRed);
    TextOutW(a.dc, 1, 2, u"Foo", 3);
    RECT r{0, 0, 40, 20};
    DrawTextW(b.dc, u"&Bar", -1, &r, DT_SINGLELINE);
    BitBlt(b.dc, 0, 0, 10, 10, a.dc, 0, 0, SRCCOPY);
    const POINT tri[] = {{0, 0}, {5, 0}, {0, 5}};
    Polygon(a.dc, tri, 3);
    std::vector<winsim::DrawRecord> onA, onB;
    for (const auto& rec : winsim::drawLog()) (rec.dc == a.dc ? onA : onB).push_back(rec);
    ASSERT_EQ(onA.size(), 2u);
    EXPECT_EQ(onA[0].operation, "TextOut");
    EXPECT_EQ(onA[0].text, u"Foo");
    EXPECT_EQ(onA[0].colour, kRed);
    EXPECT_EQ(onA[1].operation, "Polygon");
    EXPECT_EQ(onA[1].resourceId, 3u);
    ASSERT_EQ(onB.size(), 2u);
    EXPECT_EQ(onB[0].operation, "DrawText");
    EXPECT_EQ(onB[0].text, u"Bar");
    EXPECT_EQ(onB[1].operation, "BitBlt");
    EXPECT_EQ(onB[1].resourceId, DWORD(SRCCOPY));
    // GetObjectW of the objects: a font keeps its record, a bitmap its size.
    LOGFONTW lf{};
    lf.lfHeight = -13;
    lf.lfFaceName[0] = u'A';
    HFONT font = CreateFontIndirectW(&lf);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(font, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfFaceName[0], u'A');
    BITMAP bm{};
    EXPECT_EQ(GetObjectW(a.bmp, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 40);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectW(font, 4, &back), 0);
    DeleteObject(font);
    EXPECT_EQ(GetObjectW(font, sizeof back, &back), 0);
}

}  // namespace
}  // namespace wintest
