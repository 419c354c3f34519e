// What the device tells the engine about itself: GDIINFO, DEVINFO with the
// default palette, and the character-set and code-page pairs.
#include <algorithm>
#include <cstring>

#include "pdev.h"

namespace vesk {
namespace {

struct CharsetCodePage {
    uint32_t charset;
    uint32_t codePage;
};
// Searched in order.
constexpr CharsetCodePage kCharsetCodePages[] = {
    {0x00, 1252}, {0x80, 932},  {0x81, 949},  {0x82, 1361}, {0x86, 936},  {0x88, 950},  {0xB1, 1255},
    {0xB2, 1256}, {0xA1, 1253}, {0xA2, 1254}, {0xBA, 1257}, {0xEE, 1250}, {0xCC, 1251}, {0xDE, 874},
};

// Chromaticities (x, y, luminance) and dye values in 1/10000.
constexpr COLORINFO kDeviceColors = {
    {6380, 3350, 0}, {2345, 6075, 0}, {1410, 932, 0},  {2000, 2450, 0}, {5210, 2100, 0}, {4750, 5100, 0},
    {3127, 3290, 0}, 12500,           12500,           12500,           585,             120,
    0,               0,               0,               10000,
};

constexpr ULONG kTextCaps = 0x581F;
constexpr FLONG kCapsBanding = 0x430;
constexpr FLONG kCapsVector = 0x1F;
constexpr FLONG kCapsNoJournal = 0x2000;      // set while EMF spooling is off
constexpr FLONG kCapsIcm = 0x2000000;
constexpr FLONG kCapsForceDither = 0x800000;  // with the 1-bit palette
// The default device font's face name.
constexpr WCHAR kDefaultFace[] = u"\u660E\u671D";

}  // namespace

bool CharsetCodePageMap(int kind, uint32_t value, uint32_t* out) {
    for (const CharsetCodePage& r : kCharsetCodePages) {
        if (kind == 1 && r.charset == value) {
            *out = r.codePage;
            return true;
        }
        if (kind == 2 && r.codePage == value) {
            *out = r.charset;
            return true;
        }
    }
    return false;
}

ULONG HalftonePatternSize(uint32_t resolution) {
    if (resolution >= 2400) return 15;
    if (resolution >= 1800) return 13;
    if (resolution >= 1200) return 11;
    if (resolution >= 900) return 9;
    if (resolution >= 400) return 7;
    if (resolution < 180) return 3;
    return 5;
}

size_t FillGdiInfo(const Pdev* p, GDIINFO* out, size_t size) {
    GDIINFO g{};
    const PageGeometry& geo = p->geometry;
    const uint32_t res = p->resolution;
    g.ulVersion = 0x500;
    g.ulTechnology = DT_RASPRINTER;
    if (p->printArea == 2) {
        g.ulHorzSize = geo.printWidthTenthMm / 10;
        g.ulVertSize = geo.printLengthTenthMm / 10;
    } else {
        // Negative sizes are micrometres.
        g.ulHorzSize = static_cast<ULONG>(-static_cast<int64_t>(geo.printWidthTenthMm) * 100);
        g.ulVertSize = static_cast<ULONG>(-static_cast<int64_t>(geo.printLengthTenthMm) * 100);
    }
    g.ulHorzRes = geo.printWidthDots;
    g.ulVertRes = geo.printLengthDots;
    const bool oneBit = PdevOneBitOutput(p);
    if (p->banding) {
        if (oneBit) g.cBitsPixel = 1, g.cPlanes = 1, g.ulNumColors = 2, g.ulNumPalReg = 2;
        else g.cBitsPixel = 8, g.cPlanes = 3, g.ulNumColors = 0xFFFFFF, g.ulNumPalReg = 0xFFFFFF;
    } else if (p->colorProcess == 1) {
        g.cBitsPixel = 1, g.cPlanes = 1;
        if (p->color == 2) g.ulNumColors = 8, g.ulNumPalReg = 20;
        else g.ulNumColors = 2, g.ulNumPalReg = 2;
    } else if (p->colorProcess == 2) {
        g.cBitsPixel = 24, g.cPlanes = 1, g.ulNumColors = 0xFFFFFF, g.ulNumPalReg = 0xFFFFFF;
    } else {
        g.cBitsPixel = 8, g.cPlanes = 3, g.ulNumColors = 0xFFFFFF, g.ulNumPalReg = 0xFFFFFF;
    }
    g.ulLogPixelsX = g.ulLogPixelsY = res;
    g.ulAspectX = g.ulAspectY = res;
    g.ulAspectXY = res * 1414 / 1000;
    g.flTextCaps = kTextCaps;
    g.xStyleStep = 1;
    g.yStyleStep = 1;
    g.denStyleStep = static_cast<LONG>(res / 25);
    g.ptlPhysOffset = POINTL{static_cast<LONG>(geo.offsetX), static_cast<LONG>(geo.offsetY)};
    g.szlPhysSize = SIZEL{static_cast<LONG>(geo.paperWidthDots), static_cast<LONG>(geo.paperLengthDots)};
    g.ciDevice = kDeviceColors;
    g.ulDevicePelsDPI = 0;
    g.ulPrimaryOrder = 4;
    g.flHTFlags = 2;
    const bool htOneBit = oneBit && (p->banding || p->hiddenFunc30 != 0);
    g.ulHTOutputFormat = htOneBit ? HT_FORMAT_1BPP : HT_FORMAT_24BPP;
    g.ulHTPatternSize = HalftonePatternSize(res);
    const size_t n = std::min(size, sizeof g);
    if (out && n) std::memcpy(out, &g, n);
    return out ? n : 0;
}

bool FillDevInfo(Pdev* p, DEVINFO* out, size_t size, ULONG htPatternSize) {
    DEVINFO d{};
    const bool palette1 = p->banding && PdevOneBitOutput(p);
    d.flGraphicsCaps = p->banding ? kCapsBanding : kCapsVector;
    if (p->emfSpool) d.flGraphicsCaps &= ~kCapsNoJournal;
    else d.flGraphicsCaps |= kCapsNoJournal;
    if (p->color == 2 && p->icmMatching == 1 && p->icmType == 1) d.flGraphicsCaps |= kCapsIcm;
    if (palette1) d.flGraphicsCaps |= kCapsForceDither;

    if (!p->banding && p->language == 0 && p->hiddenFunc4 != 0) {
        LOGFONTW& f = d.lfDefaultFont;
        const LONG res = p->resolution;
        f.lfHeight = (res * 10 + res / 2) / 72;
        f.lfWidth = f.lfHeight / 2;
        f.lfWeight = 400;
        f.lfCharSet = SHIFTJIS_CHARSET;
        f.lfOutPrecision = 1;
        f.lfClipPrecision = 2;
        f.lfQuality = 0;
        f.lfPitchAndFamily = 0x11;
        std::memcpy(f.lfFaceName, kDefaultFace, sizeof kDefaultFace);
        d.lfAnsiVarFont = f;
        d.lfAnsiFixFont = f;
    }
    USHORT oem = 0, ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    uint32_t charset = 0;
    d.lfDefaultFont.lfCharSet = CharsetCodePageMap(2, ansi, &charset) ? static_cast<BYTE>(charset) : 0;
    d.lfAnsiVarFont.lfCharSet = 0;
    d.lfAnsiFixFont.lfCharSet = 0;
    d.cFonts = p->deviceFontCount;

    if (p->palette) {
        EngDeletePalette(p->palette);
        p->palette = nullptr;
    }
    if (palette1) {
        ULONG entries[2] = {0x000000, 0xFFFFFF};
        p->palette = EngCreatePalette(PAL_INDEXED, 2, entries, 0, 0, 0);
        d.iDitherFormat = BMF_1BPP;
        // Halftone cells of 2, 2, 4, 4, ... 16, 16 for pattern sizes 0 to 15.
        d.cxDither = d.cyDither = static_cast<USHORT>((htPatternSize / 2 + 1) * 2);
    } else {
        p->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
        d.iDitherFormat = BMF_24BPP;
    }
    if (!p->palette) return false;
    d.hpalDefault = p->palette;
    const size_t n = std::min(size, sizeof d);
    if (out && n) std::memcpy(out, &d, n);
    return true;
}

}  // namespace vesk
