// Number text of the numeric edits, the displayed range of lengths, colour
// adjustment, the watermark's rotation tables and box, picture placements
// and the checks of .bmp files.
#include <gtest/gtest.h>

#include <win/wingdi.h>
#include <win/wingdi_dib.h>

#include <cmath>
#include <cstring>
#include <string>

#include "common/sample_printer_support.h"
#include "core/item_store.h"
#include "core/units.h"
#include "pictures/bmp_file.h"
#include "pictures/pictures.h"
#include "pictures/trig_tables.h"
#include "widgets/num_text.h"
#include "widgets/widget_support.h"

namespace vesk::test {
namespace {

TEST(NumText, ParsesWithTheScalesDecimals) {
    const struct {
        const char16_t* text;
        int scale;
        int32_t value;
    } rows[] = {
        {u"12.345", 100, 1234}, {u"7", 100, 700},    {u"-3.5", 10, -35},    {u"abc", 100, 0},
        {u"", 10, 0},           {u"mm 4.2", 10, 42}, {u"x-1.25", 100, -125}, {u"3.", 1000, 3000},
        {u"12.5", 1, 12},       {u"12.5", 0, 12},    {u"0.0001", 10000, 1},  {u"2147483647", 1, 2147483647},
    };
    for (const auto& r : rows) EXPECT_EQ(NumParseText(r.text, r.scale), r.value) << winsim::toUtf8(r.text);
}

TEST(NumText, RefusesMagnitudesAboveInt32) {
    bool overflow = false;
    // A run that wraps a 32-bit accumulator to a positive number is seen too.
    EXPECT_EQ(NumParseText(u"6442450943", 1, &overflow), 0);
    EXPECT_TRUE(overflow);
    EXPECT_EQ(NumParseText(u"21474836.48", 100, &overflow), 0);
    EXPECT_TRUE(overflow);
    EXPECT_EQ(NumParseText(u"21474836.47", 100, &overflow), INT32_MAX);
    EXPECT_FALSE(overflow);
}

TEST(NumText, FormatsTheSignThenTheMagnitude) {
    const struct {
        int32_t value;
        int scale;
        const char16_t* text;
    } rows[] = {
        {1234, 100, u"12.34"}, {-35, 10, u"-3.5"},  {-5, 100, u"-0.05"}, {0, 10, u"0.0"},
        {7, 1, u"7"},          {-7, 0, u"-7"},     {12345, 10000, u"1.2345"}, {INT32_MIN, 10, u"-214748364.8"},
    };
    for (const auto& r : rows) {
        WCHAR out[32];
        NumFormatText(r.value, r.scale, out, 32);
        EXPECT_EQ(std::u16string(out), r.text) << r.value;
        // What is shown parses back to the value.
        if (r.value != INT32_MIN) {
            EXPECT_EQ(NumParseText(out, r.scale), r.value);
        }
    }
    WCHAR tiny[4];
    NumFormatText(-12345, 100, tiny, 4);
    EXPECT_EQ(std::u16string(tiny), u"-12");
}

class DisplayRange : public SamplePrinter {};

TEST_F(DisplayRange, EveryShownValueConvertsBackInside) {
    DrvContext* c = context();
    for (uint32_t unit : {0u, 1u}) {
        ItemSetValueById(c, 179, unit);
        for (auto [lo, hi] : {std::pair{0, 2400}, {1, 2401}, {7, 9999}, {1000, 1001}}) {
            int32_t dlo, dhi;
            NumGetDisplayRange(c, lo, hi, &dlo, &dhi);
            for (int32_t d = dlo; d <= dhi; ++d) {
                const int32_t back = DisplayToDotsItem(c, 0, d);
                EXPECT_GE(back, lo) << unit << " " << d;
                EXPECT_LE(back, hi) << unit << " " << d;
            }
            // The range is as wide as it may be.
            EXPECT_GT(DisplayToDotsItem(c, 0, dhi + 1), hi);
            if (dlo > 0) {
                EXPECT_LT(DisplayToDotsItem(c, 0, dlo - 1), lo);
            }
        }
    }
}

TEST(ColorAdjustTest, NeutralKeepsColoursAndGreyTakesTheLuminance) {
    EXPECT_EQ(ColorAdjust(nullptr, RGB(200, 100, 50), 0), RGB(200, 100, 50));
    EXPECT_EQ(ColorAdjust(nullptr, RGB(200, 100, 50), 1), RGB(124, 124, 124));
    PictureState& s = PicState();
    s.adjust[3] = 60;  // red + 10
    EXPECT_EQ(ColorAdjust(nullptr, RGB(250, 100, 50), 0), RGB(255, 100, 50));
    s.adjust[3] = 50;
    s.adjust[1] = 100;  // contrast: k = 356, o = 150
    EXPECT_EQ(ColorAdjust(nullptr, RGB(200, 100, 0), 0), RGB(228, 89, 0));
    s.adjust[1] = 50;
    s.adjust[0] = 100;  // lightness up: grey 124 becomes 124 x (75 + 128) / 128
    EXPECT_EQ(ColorAdjust(nullptr, RGB(124, 124, 124), 0), RGB(196, 196, 196));
    s.adjust[0] = 50;
}

TEST(TrigTables, FollowTheRuleExceptAtTheEightKnownEntries) {
    const int sinExceptions[] = {167, 211, 347, 358}, cosExceptions[] = {121, 257, 268, 301};
    int sinDiffer = 0, cosDiffer = 0;
    for (int d = 0; d < 360; ++d) {
        const double rad = d * 3.14159265358979323846 / 180.0;
        const auto rule = [](double v) { return int16_t(std::trunc(100.0 * v + 0.5)); };
        if (kSinTable[size_t(d)] != rule(std::sin(rad))) {
            ++sinDiffer;
            EXPECT_NE(std::find(std::begin(sinExceptions), std::end(sinExceptions), d), std::end(sinExceptions)) << d;
        }
        if (kCosTable[size_t(d)] != rule(std::cos(rad))) {
            ++cosDiffer;
            EXPECT_NE(std::find(std::begin(cosExceptions), std::end(cosExceptions), d), std::end(cosExceptions)) << d;
        }
    }
    EXPECT_EQ(sinDiffer, 4);
    EXPECT_EQ(cosDiffer, 4);
    EXPECT_EQ(kSinTable[167], 23);
    EXPECT_EQ(kSinTable[211], -50);
    EXPECT_EQ(kCosTable[301], 51);
    EXPECT_EQ(kSinTable[90], 100);
    EXPECT_EQ(kCosTable[180], -99);  // -100 + 0.5 truncates toward zero
}

TEST(WatermarkBox, AngleZeroKeepsTheBoxAndNinetyTurnsIt) {
    POINT p[4];
    SIZE b;
    WatermarkRotateBox(40, 10, 0, false, p, &b);
    EXPECT_EQ(b.cx, 40);
    EXPECT_EQ(b.cy, 10);
    EXPECT_EQ(p[2].x, 40);
    EXPECT_EQ(p[2].y, 10);
    WatermarkRotateBox(40, 10, 90, false, p, &b);
    EXPECT_EQ(b.cx, 10);
    EXPECT_EQ(b.cy, 40);
    WatermarkRotateBox(40, 10, 0, true, p, &b);
    EXPECT_EQ(b.cx, 52);
    EXPECT_EQ(p[0].x, 6);
    EXPECT_EQ(p[0].y, 21);
}

TEST(Placements, TellingRowsAndTheRest) {
    ImagePlacement p;
    ASSERT_TRUE(ImagePlacementFind(6001, &p));
    EXPECT_EQ(p.anchor, 0x50u);
    ASSERT_TRUE(ImagePlacementFind(6234, &p));
    EXPECT_EQ(p.x, 71);
    EXPECT_EQ(p.y, 95);
    ASSERT_TRUE(ImagePlacementFind(6803, &p));
    EXPECT_EQ(p.x, 45);
    ASSERT_TRUE(ImagePlacementFind(6207, &p));
    EXPECT_EQ(p.anchor, 0x2u);
    ASSERT_TRUE(ImagePlacementFind(7003, &p));
    EXPECT_EQ(p.width, 12);
    ASSERT_TRUE(ImagePlacementFind(6500, &p));
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.anchor, 0u);
    EXPECT_FALSE(ImagePlacementFind(6000, &p));
    EXPECT_FALSE(ImagePlacementFind(7009, &p));
}

// A .bmp file of w x h pixels, `bits` deep, each field patchable.
std::string bmpFile(int w, int h, int bits, uint32_t used = 0) {
    const uint32_t entries = bits <= 8 ? (used ? used : 1u << bits) : 0;
    const uint32_t row = ((uint32_t(bits) * uint32_t(w) + 31) / 32) * 4;
    const uint32_t off = 54 + entries * 4, size = off + row * uint32_t(h);
    std::string f(size, '\0');
    auto put16 = [&](size_t at, uint32_t v) { f[at] = char(v), f[at + 1] = char(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v), put16(at + 2, v >> 16); };
    f[0] = 'B', f[1] = 'M';
    put32(2, size);
    put32(10, off);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, uint32_t(bits));
    put32(46, used);
    for (uint32_t i = 0; i < entries; ++i) put32(54 + 4 * i, i * 0x010101u);
    for (size_t i = off; i < size; ++i) f[i] = char(0x40 + (i & 0x3F));
    return f;
}

bool check(const std::string& f, BmpLayout* l) { return BmpCheck(reinterpret_cast<const uint8_t*>(f.data()), f.size(), l); }

TEST(BmpChecks, SoundFilesPassAndEveryBrokenFieldFails) {
    BmpLayout l;
    ASSERT_TRUE(check(bmpFile(3, 2, 24), &l));
    EXPECT_EQ(l.paletteEntries, 0u);
    EXPECT_EQ(l.rowSize, 12u);
    EXPECT_EQ(l.bitsOffset, 54u);
    ASSERT_TRUE(check(bmpFile(5, 5, 4, 3), &l));
    EXPECT_EQ(l.paletteEntries, 3u);
    ASSERT_TRUE(check(bmpFile(9, 1, 1), &l));
    EXPECT_EQ(l.paletteEntries, 2u);
    const auto broken = [](auto patch) {
        std::string f = bmpFile(4, 4, 8);
        patch(f);
        BmpLayout x;
        return !check(f, &x);
    };
    EXPECT_TRUE(broken([](std::string& f) { f[14] = 108; }));           // a V4 header
    EXPECT_TRUE(broken([](std::string& f) { f[18] = 0; }));             // width 0
    EXPECT_TRUE(broken([](std::string& f) { f[19] = 0x40, f[18] = 1; })); // width 16385
    EXPECT_TRUE(broken([](std::string& f) { f[25] = char(0xFF); }));    // negative height
    EXPECT_TRUE(broken([](std::string& f) { f[28] = 16; }));            // 16 bits
    EXPECT_TRUE(broken([](std::string& f) { f[30] = 1; }));             // compressed
    EXPECT_TRUE(broken([](std::string& f) { f[46] = 0, f[47] = 2; }));  // 512 colours
    EXPECT_TRUE(broken([](std::string& f) { f[10] = 20; }));            // bits inside the table
    EXPECT_TRUE(broken([](std::string& f) { f[11] = 0x20; }));          // bits past the end
    EXPECT_TRUE(broken([](std::string& f) { f.resize(f.size() - 1); })); // one byte short
    EXPECT_TRUE(broken([](std::string& f) { f[0] = 'X'; }));
    EXPECT_TRUE(broken([](std::string& f) { f.resize(40); }));
    EXPECT_EQ(BmpFromMemory(nullptr, 0, nullptr, nullptr), nullptr);
}

class BmpFiles : public SamplePrinter {};

TEST_F(BmpFiles, LoadsAFileByItsWidePathWithItsPixels) {
    std::string f = bmpFile(2, 2, 24);
    // Bottom row first: blue, green; top row: red, white.
    const unsigned char px[] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    std::memcpy(&f[54], px, sizeof px);
    const std::u16string path = u"C:\\Temp\\\u00e9t\u00e9.bmp";
    CreateDirectoryW(u"C:\\Temp", nullptr);
    write(path, f);
    int w = 0, h = 0;
    HBITMAP b = BmpLoadFile(path.c_str(), &w, &h);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b);
    // A cut file draws nothing and leaves the outputs 0.
    write(path, f.substr(0, f.size() - 2));
    EXPECT_EQ(BmpLoadFile(path.c_str(), &w, &h), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(BmpLoadFile(u"C:\\Temp\\none.bmp", &w, &h), nullptr);
}

}  // namespace
}  // namespace vesk::test
