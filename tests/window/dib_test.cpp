// Device-independent bitmaps, palettes, mask raster operations, paths and
// font escapement on memory surfaces.
#include <win/wingdi.h>

#include <cstring>
#include <filesystem>

#include "window_support.h"

namespace wintest {
namespace {

using Dibs = WindowTest;

// A DIB's header and colour table, built for a test.
struct DibInfo {
    std::vector<uint8_t> bytes;
    DibInfo(int w, int h, int bits, std::vector<COLORREF> table = {}) {
        bytes.resize(sizeof(BITMAPINFOHEADER) + table.size() * 4);
        BITMAPINFOHEADER hd{};
        hd.biSize = sizeof hd;
        hd.biWidth = w;
        hd.biHeight = h;
        hd.biPlanes = 1;
        hd.biBitCount = WORD(bits);
        hd.biCompression = BI_RGB;
        hd.biClrUsed = DWORD(table.size());
        std::memcpy(bytes.data(), &hd, sizeof hd);
        for (size_t i = 0; i < table.size(); ++i) {
            const RGBQUAD q{GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]), 0};
            std::memcpy(bytes.data() + sizeof hd + i * 4, &q, 4);
        }
    }
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
    BITMAPINFOHEADER& header() { return info()->bmiHeader; }
    static size_t stride(int w, int bits) { return size_t((w * bits + 31) / 32 * 4); }
};

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = nullptr;
    explicit MemoryDc(HBITMAP b) { old = SelectObject(dc, b); }
    ~MemoryDc() { DeleteDC(dc); }
};

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kKey = RGB(0xCC, 0x00, 0x33), kWhite = RGB(255, 255, 255);

TEST_F(Dibs, RowsRoundTripAtEveryBitDepthAndLandAsPixels) {
    const std::vector<COLORREF> table = {RGB(0, 0, 0),   kRed,  RGB(0, 255, 0), kBlue, kWhite, RGB(9, 8, 7),
                                         RGB(1, 2, 3),   kKey,  RGB(40, 50, 60), RGB(70, 80, 90), RGB(5, 5, 5),
                                         RGB(6, 6, 6),   RGB(7, 7, 7), RGB(8, 8, 8), RGB(10, 10, 10), RGB(11, 11, 11)};
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const int w = 13, h = 5;
        std::vector<COLORREF> colours;
        if (bits <= 8) colours.assign(table.begin(), table.begin() + (bits == 1 ? 2 : 16));
        DibInfo in(w, h, bits, colours);
        std::vector<uint8_t> rows(DibInfo::stride(w, bits) * h, 0);
        // Pixel (x, r) of DIB row r: index (x + r) mod the table, or a colour.
        auto want = [&](int x, int r) -> COLORREF {
            return bits <= 8 ? colours[size_t(x + r) % colours.size()] : RGB(x * 10, r * 40, 200 - x);
        };
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x) {
                uint8_t* row = rows.data() + size_t(r) * DibInfo::stride(w, bits);
                const uint32_t i = uint32_t(x + r) % uint32_t(colours.empty() ? 1 : colours.size());
                if (bits == 1) row[x / 8] |= uint8_t(i << (7 - x % 8));
                else if (bits == 4) row[x / 2] |= uint8_t(i << (x % 2 ? 0 : 4));
                else if (bits == 8) row[x] = uint8_t(i);
                else {
                    const COLORREF c = want(x, r);
                    row[x * 3] = GetBValue(c), row[x * 3 + 1] = GetGValue(c), row[x * 3 + 2] = GetRValue(c);
                }
            }
        HDC screen = CreateCompatibleDC(nullptr);
        HBITMAP b = CreateDIBitmap(screen, &in.header(), CBM_INIT, rows.data(), in.info(), DIB_RGB_COLORS);
        ASSERT_TRUE(b);
        {
            MemoryDc m(b);
            // Bottom-up: DIB row 0 is the bitmap's last row.
            EXPECT_EQ(GetPixel(m.dc, 0, h - 1), want(0, 0));
            EXPECT_EQ(GetPixel(m.dc, 7, 0), want(7, h - 1));
            EXPECT_EQ(GetPixel(m.dc, 12, 2), want(12, 2));
        }
        std::vector<uint8_t> back(rows.size(), 0xEE);
        DibInfo out(w, h, bits, colours);
        EXPECT_EQ(GetDIBits(screen, b, 0, UINT(h), back.data(), out.info(), DIB_RGB_COLORS), h);
        EXPECT_EQ(out.header().biSizeImage, rows.size());
        // The padding of a row is not the pixels' business: compare the pixels' bytes.
        for (int r = 0; r < h; ++r) {
            const size_t at = size_t(r) * DibInfo::stride(w, bits), used = size_t((w * bits + 7) / 8);
            EXPECT_EQ(std::memcmp(back.data() + at, rows.data() + at, bits == 1 || bits == 4 ? used - 1 : used), 0) << r;
        }
        // SetDIBits of two rows from row 1 changes only those.
        std::vector<uint8_t> two(DibInfo::stride(w, bits) * 2, 0);
        EXPECT_EQ(SetDIBits(screen, b, 1, 2, two.data(), in.info(), DIB_RGB_COLORS), 2);
        {
            MemoryDc m(b);
            const COLORREF zero = bits <= 8 ? colours[0] : RGB(0, 0, 0);
            EXPECT_EQ(GetPixel(m.dc, 3, h - 2), zero);
            EXPECT_EQ(GetPixel(m.dc, 3, h - 3), zero);
            EXPECT_EQ(GetPixel(m.dc, 3, h - 1), want(3, 0));
            EXPECT_EQ(GetPixel(m.dc, 3, h - 4), want(3, 3));
        }
        DeleteDC(screen);
        DeleteObject(b);
    }
}

TEST_F(Dibs, GetDIBitsReportsTheFormatAndRefusesWhatItCannotDraw) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(dc, 7, 3);
    DibInfo query(0, 0, 0);
    query.header().biBitCount = 0;
    ASSERT_NE(GetDIBits(dc, b, 0, 0, nullptr, query.info(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.header().biWidth, 7);
    EXPECT_EQ(query.header().biHeight, 3);
    EXPECT_EQ(query.header().biBitCount, 32);
    EXPECT_EQ(query.header().biSizeImage, 7u * 4 * 3);
    // Without a table of the caller's, an 8-bit read writes the default one.
    std::vector<uint8_t> room(sizeof(BITMAPINFOHEADER) + 256 * 4);
    DibInfo eight(7, 3, 8);
    std::memcpy(room.data(), eight.bytes.data(), eight.bytes.size());
    auto* info = reinterpret_cast<BITMAPINFO*>(room.data());
    std::vector<uint8_t> px(DibInfo::stride(7, 8) * 3);
    EXPECT_EQ(GetDIBits(dc, b, 0, 3, px.data(), info, DIB_RGB_COLORS), 3);
    EXPECT_EQ(info->bmiColors[15].rgbRed, 255);  // white closes the sixteen
    DibInfo rle(4, 4, 8);
    rle.header().biCompression = 1;
    std::vector<uint8_t> bits(64);
    EXPECT_EQ(SetDIBits(dc, b, 0, 4, bits.data(), rle.info(), DIB_RGB_COLORS), 0);
    DibInfo tooMany(4, 4, 4, std::vector<COLORREF>(17, 0));
    EXPECT_EQ(SetDIBits(dc, b, 0, 4, bits.data(), tooMany.info(), DIB_RGB_COLORS), 0);
    DibInfo sixteen(4, 4, 16);
    EXPECT_FALSE(CreateDIBSection(dc, sixteen.info(), DIB_RGB_COLORS, nullptr, nullptr, 0));
    DibInfo two(4, 4, 8, {kRed, kBlue});
    EXPECT_EQ(SetDIBits(dc, b, 9, 1, bits.data(), two.info(), DIB_RGB_COLORS), 0);  // past the rows
    EXPECT_EQ(SetDIBits(dc, b, 3, 1, bits.data(), two.info(), DIB_RGB_COLORS), 1);
    DeleteObject(b);
    DeleteDC(dc);
}

TEST_F(Dibs, SectionBytesFollowDrawingAndDrawingFollowsTheBytes) {
    DibInfo in(4, -3, 8, {kWhite, kRed, kBlue, kRed});  // top-down; red twice
    void* raw = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, in.info(), DIB_RGB_COLORS, &raw, nullptr, 0);
    ASSERT_TRUE(b);
    ASSERT_TRUE(raw);
    auto* bytes = static_cast<uint8_t*>(raw);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(b, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 8);
    EXPECT_EQ(bm.bmWidthBytes, 4);
    EXPECT_EQ(bm.bmBits, raw);
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectW(b, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biHeight, -3);
    {
        MemoryDc m(b);
        EXPECT_EQ(GetPixel(m.dc, 0, 0), kWhite);  // all bytes 0: entry 0
        HBRUSH red = CreateSolidBrush(kRed);
        RECT r{1, 1, 3, 2};
        FillRect(m.dc, &r, red);
        DeleteObject(red);
        EXPECT_EQ(bytes[4 + 1], 1);
        EXPECT_EQ(bytes[4 + 3], 0);
        bytes[8] = 2;  // the caller writes pixels of the last row
        bytes[9] = 3;
        EXPECT_EQ(GetPixel(m.dc, 0, 2), kBlue);
        EXPECT_EQ(GetPixel(m.dc, 1, 2), kRed);
        SetPixel(m.dc, 3, 2, kRed);
        EXPECT_EQ(bytes[9], 3);  // drawing elsewhere keeps the caller's index
        EXPECT_EQ(bytes[11], 1);
        SetTextColor(m.dc, kBlue);
        SetBkMode(m.dc, TRANSPARENT);
    }
    DeleteObject(b);
}

TEST_F(Dibs, StretchDIBitsCountsTheSourceFromTheBottomOfABottomUpDib) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(dc, 8, 8);
    MemoryDc m(b);
    PatBlt(m.dc, 0, 0, 8, 8, WHITENESS);
    // 24-bit, 2 x 2, bottom-up: the bottom row red, the top row blue.
    DibInfo in(2, 2, 24);
    std::vector<uint8_t> rows(DibInfo::stride(2, 24) * 2, 0);
    for (int x = 0; x < 2; ++x) rows[size_t(x) * 3 + 2] = 255, rows[DibInfo::stride(2, 24) + size_t(x) * 3] = 255;
    // The source rectangle (0, 0, 2, 1) is the bottom row: red, doubled.
    EXPECT_EQ(StretchDIBits(m.dc, 0, 0, 4, 2, 0, 0, 2, 1, rows.data(), in.info(), DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(GetPixel(m.dc, 3, 1), kRed);
    EXPECT_EQ(GetPixel(m.dc, 4, 1), kWhite);
    EXPECT_EQ(StretchDIBits(m.dc, 0, 4, 2, 2, 0, 0, 2, 2, rows.data(), in.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(GetPixel(m.dc, 0, 4), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 0, 5), kRed);
    EXPECT_EQ(StretchDIBits(m.dc, 0, 0, 1, 1, 0, 0, 1, 1, nullptr, in.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    DeleteObject(b);
    DeleteDC(dc);
}

// The transparent picture: the mask ANDed in, the image ORed over it, and
// the inverted mask's MERGEPAINT; each from a DIB section source.
TEST_F(Dibs, MaskOperationsComposeAKeyedPictureOverTheBackground) {
    const COLORREF page = RGB(0x30, 0x60, 0x90);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(dc, 4, 1);
    MemoryDc dst(target);
    HBRUSH pb = CreateSolidBrush(page);
    RECT all{0, 0, 4, 1};
    FillRect(dst.dc, &all, pb);
    // Image: key, red, key, blue. Mask: white where the key is, else black.
    DibInfo imgInfo(4, 1, 8, {kKey, kRed, kBlue, RGB(0, 0, 0), kWhite});
    void* imgBits = nullptr;
    HBITMAP img = CreateDIBSection(nullptr, imgInfo.info(), DIB_RGB_COLORS, &imgBits, nullptr, 0);
    const uint8_t pixels[4] = {0, 1, 0, 2};
    std::memcpy(imgBits, pixels, 4);
    MemoryDc src(img);
    HBITMAP maskBmp = CreateCompatibleBitmap(dc, 4, 1);
    MemoryDc mask(maskBmp);
    for (int x = 0; x < 4; ++x) SetPixel(mask.dc, x, 0, GetPixel(src.dc, x, 0) == kKey ? kWhite : RGB(0, 0, 0));
    // The image with its key turned black: SRCAND with the inverted mask (NOTSRCCOPY | ...).
    HBITMAP cutBmp = CreateCompatibleBitmap(dc, 4, 1);
    MemoryDc cut(cutBmp);
    EXPECT_TRUE(BitBlt(cut.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(cut.dc, 0, 0, 4, 1, mask.dc, 0, 0, 0x00220326));  // D & ~S
    EXPECT_EQ(GetPixel(cut.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(cut.dc, 1, 0), kRed);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, mask.dc, 0, 0, 0x008800C6));   // SRCAND
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), page);
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(0, 0, 0));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, cut.dc, 0, 0, 0x00EE0086));    // SRCPAINT
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), page);
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), kRed);
    EXPECT_EQ(GetPixel(dst.dc, 2, 0), page);
    EXPECT_EQ(GetPixel(dst.dc, 3, 0), kBlue);
    // MERGEPAINT (~S | D) of the mask whitens where the image is, keeps the key's page.
    FillRect(dst.dc, &all, pb);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, mask.dc, 0, 0, 0x00BB0226));
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), page);
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), kWhite);
    // Then SRCAND of the image with a white key leaves the image on white, the page elsewhere.
    uint8_t whiteKey[4] = {4, 1, 4, 2};
    std::memcpy(imgBits, whiteKey, 4);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCAND));
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), page);
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), kRed);
    EXPECT_EQ(GetPixel(dst.dc, 3, 0), kBlue);
    DeleteObject(pb);
    SelectObject(src.dc, src.old);
    DeleteObject(img);
    DeleteDC(dc);
}

TEST_F(Dibs, PalettesChangeNoColourUnlessTheDisplayHasEightBits) {
    winsim::TempMachine machine;
    std::vector<uint8_t> bytes(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(bytes.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 3;
    lp->palPalEntry[0] = {255, 0, 0, 0};
    lp->palPalEntry[1] = {0, 0, 255, 0};
    lp->palPalEntry[2] = {10, 20, 30, 0};
    HPALETTE pal = CreatePalette(lp);
    ASSERT_TRUE(pal);
    EXPECT_EQ(GetObjectType(pal), DWORD(OBJ_PAL));
    PALETTEENTRY e[3]{};
    EXPECT_EQ(GetPaletteEntries(pal, 1, 5, e), 2u);
    EXPECT_EQ(e[1].peGreen, 20);
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE was = SelectPalette(dc, pal, FALSE);
    EXPECT_EQ(was, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_EQ(GetNearestColor(dc, RGB(12, 34, 56)), RGB(12, 34, 56));
    EXPECT_FALSE(SelectObject(dc, pal));  // palettes go in through SelectPalette only
    winsim::config().set("display.bits", "8");
    EXPECT_EQ(RealizePalette(dc), 3u);
    EXPECT_EQ(GetNearestColor(dc, RGB(200, 10, 10)), RGB(255, 0, 0));
    EXPECT_EQ(GetNearestColor(dc, RGB(12, 22, 28)), RGB(10, 20, 30));
    EXPECT_EQ(SelectPalette(dc, was, FALSE), pal);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_EQ(GetObjectType(pal), 0u);
    lp->palVersion = 0x200;
    EXPECT_FALSE(CreatePalette(lp));
}

TEST_F(Dibs, PathsCollectFiguresAndTextUntilTheyAreStrokedOrFilled) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(dc, 40, 30);
    MemoryDc m(b);
    PatBlt(m.dc, 0, 0, 40, 30, WHITENESS);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    SelectObject(m.dc, pen);
    SelectObject(m.dc, brush);
    EXPECT_FALSE(StrokePath(m.dc));  // no path yet
    ASSERT_TRUE(BeginPath(m.dc));
    MoveToEx(m.dc, 2, 2, nullptr);
    LineTo(m.dc, 12, 2);
    LineTo(m.dc, 12, 12);
    LineTo(m.dc, 2, 12);
    EXPECT_TRUE(CloseFigure(m.dc));
    EXPECT_EQ(GetPixel(m.dc, 7, 2), kWhite);  // nothing is drawn while the path is open
    EXPECT_FALSE(StrokePath(m.dc));           // not ended
    ASSERT_TRUE(EndPath(m.dc));
    ASSERT_TRUE(StrokeAndFillPath(m.dc));
    EXPECT_EQ(GetPixel(m.dc, 7, 2), kRed);
    EXPECT_EQ(GetPixel(m.dc, 2, 7), kRed);  // the closing side
    EXPECT_EQ(GetPixel(m.dc, 7, 7), kBlue);
    EXPECT_EQ(GetPixel(m.dc, 20, 7), kWhite);
    EXPECT_FALSE(StrokePath(m.dc));  // drawing emptied it
    // A rectangle in a path is a closed figure of its outline.
    BeginPath(m.dc);
    Rectangle(m.dc, 30, 2, 38, 8);
    EndPath(m.dc);
    EXPECT_EQ(GetPixel(m.dc, 34, 2), kWhite);
    ASSERT_TRUE(StrokePath(m.dc));
    EXPECT_EQ(GetPixel(m.dc, 34, 2), kRed);
    EXPECT_EQ(GetPixel(m.dc, 37, 5), kRed);
    EXPECT_EQ(GetPixel(m.dc, 34, 5), kWhite);
    EXPECT_EQ(GetPixel(m.dc, 38, 5), kWhite);
    // Text in a path is its glyphs, stroked in the pen's colour.
    SetTextColor(m.dc, kBlue);
    BeginPath(m.dc);
    TextOutW(m.dc, 20, 10, u"I", 1);
    EndPath(m.dc);
    int before = 0, after = 0;
    for (int y = 10; y < 23; ++y)
        for (int x = 20; x < 26; ++x) before += GetPixel(m.dc, x, y) != kWhite;
    EXPECT_EQ(before, 0);
    ASSERT_TRUE(StrokePath(m.dc));
    for (int y = 10; y < 23; ++y)
        for (int x = 20; x < 26; ++x) after += GetPixel(m.dc, x, y) == kRed;
    EXPECT_GT(after, 4);
    DeleteObject(b);
    DeleteDC(dc);
    SelectObject(m.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
    DeleteObject(brush);
}

// Counts the inked pixels of "I" drawn with the font and their bounds.
struct Ink {
    int count = 0;
    RECT bounds{1000, 1000, -1, -1};
};
Ink inkOf(LONG escapement, LONG weight) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(dc, 60, 60);
    HGDIOBJ old = SelectObject(dc, b);
    PatBlt(dc, 0, 0, 60, 60, WHITENESS);
    LOGFONTW lf{};
    lf.lfHeight = -13;
    lf.lfEscapement = escapement;
    lf.lfWeight = weight;
    HFONT f = CreateFontIndirectW(&lf);
    SelectObject(dc, f);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 30, 30, u"II", 2);
    Ink ink;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (GetPixel(dc, x, y) != kWhite) {
                ++ink.count;
                ink.bounds = RECT{std::min<LONG>(ink.bounds.left, x), std::min<LONG>(ink.bounds.top, y),
                                  std::max<LONG>(ink.bounds.right, x), std::max<LONG>(ink.bounds.bottom, y)};
            }
    SelectObject(dc, old);
    DeleteObject(f);
    DeleteObject(b);
    DeleteDC(dc);
    return ink;
}

TEST_F(Dibs, EscapementTurnsTextAndWeightThickensIt) {
    const Ink plain = inkOf(0, 400), up = inkOf(900, 400), bold = inkOf(0, 700);
    ASSERT_GT(plain.count, 0);
    // Level text runs right of and below its origin; at 90 degrees it runs up.
    EXPECT_GE(plain.bounds.left, 30);
    EXPECT_GE(plain.bounds.top, 30);
    EXPECT_LT(up.bounds.top, 30);
    EXPECT_GE(up.bounds.left, 30);
    EXPECT_LT(up.bounds.right - up.bounds.left, plain.bounds.right - plain.bounds.left);
    EXPECT_EQ(up.count, plain.count);
    EXPECT_GT(bold.count, plain.count);
}

TEST_F(Dibs, ModuleBitmapsComeAsPackedDibsAndGoIntoMemoryDcs) {
    winsim::TempMachine machine;
    auto host = winsim::hostPath("C:\\VESKC1XX.DLL");
    ASSERT_TRUE(host);
    std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKC1XX.DLL", *host);
    HMODULE mod = LoadLibraryW(u"C:\\VESKC1XX.DLL");
    ASSERT_TRUE(mod);
    HRSRC r = FindResourceW(mod, MAKEINTRESOURCEW(7003), RT_BITMAP);
    ASSERT_TRUE(r);
    const auto* dib = static_cast<const BITMAPINFO*>(LockResource(LoadResource(mod, r)));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(dib->bmiHeader.biWidth, 13);
    // The packed DIB draws as the loaded bitmap does.
    HBITMAP loaded = LoadBitmapW(mod, MAKEINTRESOURCEW(7003));
    ASSERT_TRUE(loaded);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(loaded, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 13);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP copy = CreateCompatibleBitmap(dc, 13, 13);
    {
        MemoryDc a(loaded), c(copy);
        ASSERT_EQ(GetCurrentObject(a.dc, OBJ_BITMAP), loaded);
        const size_t table = dib->bmiHeader.biBitCount <= 8
                                 ? (dib->bmiHeader.biClrUsed ? dib->bmiHeader.biClrUsed : 1u << dib->bmiHeader.biBitCount)
                                 : 0;
        const auto* bits = reinterpret_cast<const uint8_t*>(dib) + dib->bmiHeader.biSize + table * 4;
        EXPECT_EQ(StretchDIBits(c.dc, 0, 0, 13, 13, 0, 0, 13, 13, bits, dib, DIB_RGB_COLORS, SRCCOPY), 13);
        int differ = 0;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) differ += GetPixel(a.dc, x, y) != GetPixel(c.dc, x, y);
        EXPECT_EQ(differ, 0);
        SelectObject(a.dc, a.old);
    }
    const size_t images = winsim::liveImages();
    EXPECT_TRUE(DeleteObject(loaded));
    EXPECT_EQ(winsim::liveImages(), images - 1);
    DeleteObject(copy);
    DeleteDC(dc);
    FreeLibrary(mod);
}

}  // namespace
}  // namespace wintest
