// A small printer driver for the engine's and the drawing scripts' tests: a
// vector device with every drawing call hooked, or a banding device whose
// bands go into a page image. Each call it receives leaves a line of text
// (its name and the arguments worth checking); the engine objects it is
// given are kept for the tests to look into.
#pragma once
#include <win/gdi.h>
#include <win/files.h>
#include <win/icm.h>
#include <winsim/engine.h>
#include <winsim/winsim.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gdi/internal.h"

namespace fakedrv {

// One device font "Dev Mincho" for DrvQueryFont, with a glyph set of 'A'..'Z'
// as handles 0x100 + letter.
struct DeviceFont {
    std::vector<uint8_t> ifi;
    std::vector<HGLYPH> handles;
    std::vector<uint8_t> glyphset;
};

struct State {
    // Configuration.
    bool banding = false;
    LONG width = 200, height = 100, bandHeight = 40;
    FLONG hooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_FILLPATH |
                  HOOK_STROKEANDFILLPATH | HOOK_COPYBITS | HOOK_STRETCHBLTROP;
    BOOL fillAnswer = TRUE, bltAnswer = TRUE, textAnswer = TRUE, strokeAnswer = TRUE;
    ULONG cFonts = 0;
    const DeviceFont* font = nullptr;
    size_t devmodeBytes = 4;  // how much of its DEVMODE DrvEnablePDEV keeps (0: as dmSize says)
    // Record.
    ULONG engineVersion = 0;
    std::u16string deviceName;
    HANDLE printer = nullptr;
    std::vector<uint8_t> devmode;
    std::vector<std::string> calls;
    std::vector<std::pair<FLONG, std::vector<POINTFIX>>> runs;  // of every DrvFillPath
    std::vector<CLIPOBJ> clips;
    std::vector<ROP4> rops;
    std::vector<void*> rbrush;  // DrvBitBlt asks twice for a brush that is not solid
    std::vector<RECTL> copyRects;
    std::vector<long> copyInk;     // non-white pixels of each DrvCopyBits source
    std::vector<ULONG> copyColor;  // the colour at the centre of each source
    std::vector<ULONG> realizeHatch;
    std::vector<SIZEL> realizeSize;
    std::vector<std::vector<ULONG>> realizeXlate;
    STROBJ lastStr{};
    FONTOBJ lastFont{};
    std::vector<GLYPHPOS> glyphs;
    long glyphInk = 0;
    std::vector<uint32_t> page;  // the banded page
    std::vector<long> maskInk;  // set mask pixels of each masked DrvBitBlt
    std::vector<FLONG> bltColorTypes, bltXlateFlags;  // of each DrvBitBlt's brush and translation
    std::vector<std::pair<HANDLE, HANDLE>> icm;       // profile and transform made by the ICM pair

    // The calls by their names, and how often one was made.
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& c : calls) n.push_back(c.substr(0, c.find(' ')));
        return n;
    }
    size_t count(const std::string& name) const {
        auto n = names();
        return static_cast<size_t>(std::count(n.begin(), n.end(), name));
    }
    bool called(const std::string& prefix) const {
        for (const auto& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0) return true;
        return false;
    }
};
inline State* g = nullptr;

struct Pdev {
    HDEV hdev = nullptr;
    HSURF surface = nullptr;
    HPALETTE palette = nullptr;
    LONG bandY = 0;
};
inline Pdev* pdevOf(DHPDEV d) { return reinterpret_cast<Pdev*>(d); }
inline Pdev* pdevOf(SURFOBJ* so) { return pdevOf(so->dhpdev); }
inline std::string utf8(LPWSTR s) { return winsim::toUtf8(s ? std::u16string(s) : u""); }

inline DHPDEV APIENTRY enablePDEV(DEVMODEW* pdm, LPWSTR, ULONG, HSURF*, ULONG cjCaps, ULONG* caps, ULONG cjDev,
                                  DEVINFO* di, HDEV, LPWSTR name, HANDLE printer) {
    g->calls.push_back("EnablePDEV");
    g->deviceName = name ? std::u16string(name) : u"";
    g->printer = printer;
    if (pdm) {
        auto* b = reinterpret_cast<uint8_t*>(pdm);
        g->devmode.assign(b, b + (g->devmodeBytes ? g->devmodeBytes : static_cast<size_t>(b[68] | b[69] << 8)));
    }
    if (cjCaps < sizeof(GDIINFO) || cjDev < sizeof(DEVINFO)) return nullptr;
    auto* gi = reinterpret_cast<GDIINFO*>(caps);
    std::memset(gi, 0, sizeof *gi);
    gi->ulVersion = 0x500;
    gi->ulTechnology = DT_RASPRINTER;
    gi->ulHorzRes = static_cast<ULONG>(g->width);
    gi->ulVertRes = static_cast<ULONG>(g->height);
    gi->cBitsPixel = 24;
    gi->cPlanes = 1;
    gi->ulLogPixelsX = gi->ulLogPixelsY = 600;
    gi->xStyleStep = gi->yStyleStep = 1;
    gi->denStyleStep = 3;
    std::memset(di, 0, sizeof *di);
    auto* p = new Pdev;
    p->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    di->hpalDefault = p->palette;
    di->cFonts = g->cFonts;
    di->iDitherFormat = BMF_24BPP;
    return reinterpret_cast<DHPDEV>(p);
}
inline void APIENTRY completePDEV(DHPDEV d, HDEV h) {
    g->calls.push_back("CompletePDEV");
    pdevOf(d)->hdev = h;
}
inline void APIENTRY disablePDEV(DHPDEV d) {
    g->calls.push_back("DisablePDEV");
    EngDeletePalette(pdevOf(d)->palette);
    delete pdevOf(d);
}
inline BOOL APIENTRY resetPDEV(DHPDEV, DHPDEV) {
    g->calls.push_back("ResetPDEV");
    return TRUE;
}
inline HSURF APIENTRY enableSurface(DHPDEV d) {
    g->calls.push_back("EnableSurface");
    Pdev* p = pdevOf(d);
    if (g->banding) {
        HBITMAP b = EngCreateBitmap(SIZEL{g->width, g->bandHeight}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
        p->surface = reinterpret_cast<HSURF>(b);
        EngMarkBandingSurface(p->surface);
        EngAssociateSurface(p->surface, p->hdev, HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT);
    } else {
        p->surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(p), SIZEL{g->width, g->height}, BMF_24BPP);
        EngAssociateSurface(p->surface, p->hdev, g->hooks);
    }
    return p->surface;
}
inline void APIENTRY disableSurface(DHPDEV d) {
    g->calls.push_back("DisableSurface");
    EngDeleteSurface(pdevOf(d)->surface);
}
inline BOOL APIENTRY startDoc(SURFOBJ*, LPWSTR name, DWORD job) {
    g->calls.push_back("StartDoc " + utf8(name) + " " + std::to_string(job));
    return TRUE;
}
inline BOOL APIENTRY endDoc(SURFOBJ*, FLONG fl) {
    g->calls.push_back("EndDoc " + std::to_string(fl));
    return TRUE;
}
inline BOOL APIENTRY startPage(SURFOBJ*) {
    g->calls.push_back("StartPage");
    return TRUE;
}
inline BOOL APIENTRY sendPage(SURFOBJ*) {
    g->calls.push_back("SendPage");
    return TRUE;
}
inline void eraseBand(SURFOBJ* so) {
    RECTL r{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    EngEraseSurface(so, &r, 0xFFFFFF);
}
inline BOOL APIENTRY startBanding(SURFOBJ* so, POINTL* org) {
    g->calls.push_back("StartBanding");
    pdevOf(so)->bandY = 0;
    *org = {0, 0};
    g->page.assign(static_cast<size_t>(g->width) * g->height, 0xFFFFFF);
    eraseBand(so);
    return TRUE;
}
inline BOOL APIENTRY nextBand(SURFOBJ* so, POINTL* org) {
    g->calls.push_back("NextBand");
    Pdev* p = pdevOf(so);
    for (LONG y = 0; y < so->sizlBitmap.cy && p->bandY + y < g->height; ++y)
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x)
            g->page[static_cast<size_t>(p->bandY + y) * g->width + x] = winsim::gdi::getPixel(so, x, y);
    p->bandY += g->bandHeight;
    *org = p->bandY >= g->height ? POINTL{-1, -1} : POINTL{0, p->bandY};
    eraseBand(so);
    return TRUE;
}
inline void recordClip(CLIPOBJ* pco) {
    if (pco) g->clips.push_back(*pco);
}
inline BOOL APIENTRY fillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* bo, POINTL*, MIX mix, FLONG fl) {
    g->calls.push_back("FillPath " + std::to_string(ppo->cCurves) + " " + std::to_string(bo->iSolidColor) + " " +
                       std::to_string(mix) + " " + std::to_string(fl) + " clip " +
                       std::to_string(pco ? pco->iDComplexity : 99));
    recordClip(pco);
    PATHOBJ_vEnumStart(ppo);
    PATHDATA pd;
    BOOL more;
    do {
        more = PATHOBJ_bEnum(ppo, &pd);
        g->runs.push_back({pd.flags, std::vector<POINTFIX>(pd.pptfx, pd.pptfx + pd.count)});
    } while (more);
    return g->fillAnswer;
}
inline BOOL APIENTRY strokePath(SURFOBJ*, PATHOBJ*, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS* la, MIX) {
    g->calls.push_back("StrokePath " + (la ? std::to_string(la->fl) + " " + std::to_string(la->cstyle) : "-"));
    recordClip(pco);
    return g->strokeAnswer;
}
inline BOOL APIENTRY strokeAndFillPath(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*,
                                       POINTL*, MIX, FLONG fl) {
    g->calls.push_back("StrokeAndFillPath " + std::to_string(fl));
    return TRUE;
}
// A source the engine rendered: its rectangle, non-white pixels and centre colour.
inline void recordCopy(SURFOBJ* s, RECTL* r) {
    g->copyRects.push_back(*r);
    long ink = 0;
    for (LONG y = 0; y < s->sizlBitmap.cy; ++y)
        for (LONG xx = 0; xx < s->sizlBitmap.cx; ++xx) ink += winsim::gdi::getPixel(s, xx, y) != 0xFFFFFF;
    g->copyInk.push_back(ink);
    g->copyColor.push_back(winsim::gdi::getPixel(s, s->sizlBitmap.cx / 2, s->sizlBitmap.cy / 2));
}
inline BOOL APIENTRY bitBlt(SURFOBJ* t, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* pco, XLATEOBJ* x, RECTL* r, POINTL* sp,
                            POINTL* mp, BRUSHOBJ* b, POINTL* bo, ROP4 rop) {
    g->calls.push_back("BitBlt " + std::to_string(rop) + (s ? " src" : "") + (m ? " mask" : ""));
    g->rops.push_back(rop);
    g->bltColorTypes.push_back(b ? b->flColorType : 0);
    g->bltXlateFlags.push_back(x ? x->flXlate : 0);
    if (m && s && !g->banding) {  // the engine's rendering through a mask: recorded as a copy is
        long n = 0;
        for (LONG yy = 0; yy < m->sizlBitmap.cy; ++yy)
            for (LONG xx = 0; xx < m->sizlBitmap.cx; ++xx) n += winsim::gdi::getPixel(m, xx, yy) != 0;
        g->maskInk.push_back(n);
        recordCopy(s, r);
    }
    recordClip(pco);
    if (g->banding) return EngBitBlt(t, s, m, pco, x, r, sp, mp, b, bo, rop);
    if (b && b->iSolidColor == 0xFFFFFFFF) {
        g->rbrush.push_back(BRUSHOBJ_pvGetRbrush(b));
        g->rbrush.push_back(BRUSHOBJ_pvGetRbrush(b));
    }
    return g->bltAnswer;
}
inline BOOL APIENTRY stretchBlt(SURFOBJ* t, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* pco, XLATEOBJ* x, COLORADJUSTMENT* ca,
                                POINTL* ht, RECTL* d, RECTL* sr, POINTL* mp, ULONG mode) {
    g->calls.push_back("StretchBlt " + std::to_string(mode));
    if (g->banding) return EngStretchBlt(t, s, m, pco, x, ca, ht, d, sr, mp, mode);
    return g->bltAnswer;
}
inline BOOL APIENTRY stretchBltRop(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                                   RECTL*, RECTL*, POINTL*, ULONG, BRUSHOBJ*, DWORD rop) {
    g->calls.push_back("StretchBltROP " + std::to_string(rop));
    return TRUE;
}
inline BOOL APIENTRY copyBits(SURFOBJ* d, SURFOBJ* s, CLIPOBJ* pco, XLATEOBJ* x, RECTL* r, POINTL* p) {
    g->calls.push_back("CopyBits");
    if (g->banding) return EngCopyBits(d, s, pco, x, r, p);
    recordCopy(s, r);
    return TRUE;
}
inline BOOL APIENTRY textOut(SURFOBJ* so, STROBJ* str, FONTOBJ* fo, CLIPOBJ* pco, RECTL* extra, RECTL* opaque,
                             BRUSHOBJ* fore, BRUSHOBJ* ob, POINTL* org, MIX mix) {
    g->calls.push_back("TextOut " + std::to_string(str->cGlyphs) + (opaque ? " opaque" : "") + (extra ? " extra" : ""));
    if (g->banding) return EngTextOut(so, str, fo, pco, extra, opaque, fore, ob, org, mix);
    g->lastStr = *str;
    g->lastFont = *fo;
    g->glyphs.clear();
    g->glyphInk = 0;
    STROBJ_vEnumStart(str);
    ULONG c;
    GLYPHPOS* gp;
    BOOL more;
    do {
        more = STROBJ_bEnum(str, &c, &gp);
        for (ULONG i = 0; i < c; ++i) {
            g->glyphs.push_back(gp[i]);
            GLYPHDATA* gd = nullptr;
            HGLYPH hg = gp[i].hg;
            if (FONTOBJ_cGetGlyphs(fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<void**>(&gd)) == 1) {
                GLYPHBITS* gb = gd->gdf.pgb;
                size_t bytes = static_cast<size_t>((gb->sizlBitmap.cx + 7) / 8) * gb->sizlBitmap.cy;
                for (size_t k = 0; k < bytes; ++k) g->glyphInk += __builtin_popcount(gb->aj[k]);
            }
        }
    } while (more);
    return g->textAnswer;
}
inline BOOL APIENTRY realizeBrush(BRUSHOBJ* bo, SURFOBJ*, SURFOBJ* pat, SURFOBJ*, XLATEOBJ* x, ULONG hatch) {
    g->calls.push_back("RealizeBrush");
    g->realizeHatch.push_back(hatch);
    g->realizeSize.push_back(pat->sizlBitmap);
    std::vector<ULONG> xl;
    if (x && (x->flXlate & XO_TABLE)) xl.assign(x->pulXlate, x->pulXlate + x->cEntries);
    g->realizeXlate.push_back(xl);
    void* mem = BRUSHOBJ_pvAllocRbrush(bo, 64);
    bo->pvRbrush = mem;
    return mem != nullptr;
}
// Writes each input byte plus one to the output, as far as it fits, so the
// output shows it came from here; answers the escape plus the input's size.
inline ULONG APIENTRY escape(SURFOBJ*, ULONG esc, ULONG cjIn, PVOID in, ULONG cjOut, PVOID out) {
    std::string bytes;
    for (ULONG i = 0; i < cjIn; ++i) bytes += std::to_string(static_cast<uint8_t*>(in)[i]) + ",";
    g->calls.push_back("Escape " + std::to_string(esc) + " " + bytes + " out " + std::to_string(cjOut));
    for (ULONG i = 0; in && out && i < std::min(cjIn, cjOut); ++i)
        static_cast<uint8_t*>(out)[i] = static_cast<uint8_t>(static_cast<uint8_t*>(in)[i] + 1);
    return esc + cjIn;
}
inline PIFIMETRICS APIENTRY queryFont(DHPDEV, ULONG_PTR, ULONG face, ULONG_PTR* id) {
    if (id) *id = 0;
    if (face != 1 || !g->font) return nullptr;
    return reinterpret_cast<PIFIMETRICS>(const_cast<uint8_t*>(g->font->ifi.data()));
}
inline PVOID APIENTRY queryFontTree(DHPDEV, ULONG_PTR, ULONG face, ULONG mode, ULONG_PTR*) {
    if (face != 1 || mode != QFT_GLYPHSET || !g->font) return nullptr;
    return const_cast<uint8_t*>(g->font->glyphset.data());
}
// 'I' is narrow (10 units), every other glyph 30, in 28.4.
inline BOOL APIENTRY queryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH* hg, PVOID w, ULONG n) {
    auto* widths = static_cast<USHORT*>(w);
    for (ULONG i = 0; i < n; ++i) widths[i] = static_cast<USHORT>((hg[i] == 0x100 + 'I' ? 10 : 30) * 16);
    return TRUE;
}

// The colour transform pair through the platform's colour management.
inline HANDLE APIENTRY icmCreate(DHPDEV, LPLOGCOLORSPACEW lcs, PVOID, ULONG, PVOID dest, ULONG cjDest, PVOID, ULONG,
                                 DWORD) {
    g->calls.push_back("IcmCreateColorTransform");
    PROFILE pr{PROFILE_MEMBUFFER, dest, cjDest};
    HPROFILE h = OpenColorProfileW(&pr, PROFILE_READ, 1, OPEN_EXISTING);
    HTRANSFORM t = h ? CreateColorTransformW(lcs, h, nullptr, BEST_MODE) : nullptr;
    if (!t) {
        if (h) CloseColorProfile(h);
        return nullptr;
    }
    g->icm.emplace_back(h, t);
    return t;
}
inline BOOL APIENTRY icmDelete(DHPDEV, HANDLE t) {
    g->calls.push_back("IcmDeleteColorTransform");
    for (auto it = g->icm.begin(); it != g->icm.end(); ++it)
        if (it->second == t) {
            BOOL ok = DeleteColorTransform(t) && CloseColorProfile(it->first);
            g->icm.erase(it);
            return ok;
        }
    return FALSE;
}

template <class F>
PFN asPfn(F f) {
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)(void)>(f));
}

inline BOOL APIENTRY enableDriver(ULONG ver, ULONG cj, DRVENABLEDATA* ded) {
    static DRVFN table[] = {
        {INDEX_DrvEnablePDEV, asPfn(enablePDEV)},       {INDEX_DrvCompletePDEV, asPfn(completePDEV)},
        {INDEX_DrvDisablePDEV, asPfn(disablePDEV)},     {INDEX_DrvResetPDEV, asPfn(resetPDEV)},
        {INDEX_DrvEnableSurface, asPfn(enableSurface)}, {INDEX_DrvDisableSurface, asPfn(disableSurface)},
        {INDEX_DrvStartDoc, asPfn(startDoc)},           {INDEX_DrvEndDoc, asPfn(endDoc)},
        {INDEX_DrvStartPage, asPfn(startPage)},         {INDEX_DrvSendPage, asPfn(sendPage)},
        {INDEX_DrvStartBanding, asPfn(startBanding)},   {INDEX_DrvNextBand, asPfn(nextBand)},
        {INDEX_DrvFillPath, asPfn(fillPath)},           {INDEX_DrvStrokePath, asPfn(strokePath)},
        {INDEX_DrvStrokeAndFillPath, asPfn(strokeAndFillPath)},
        {INDEX_DrvBitBlt, asPfn(bitBlt)},               {INDEX_DrvStretchBlt, asPfn(stretchBlt)},
        {INDEX_DrvStretchBltROP, asPfn(stretchBltRop)}, {INDEX_DrvCopyBits, asPfn(copyBits)},
        {INDEX_DrvTextOut, asPfn(textOut)},             {INDEX_DrvRealizeBrush, asPfn(realizeBrush)},
        {INDEX_DrvIcmCreateColorTransform, asPfn(icmCreate)}, {INDEX_DrvIcmDeleteColorTransform, asPfn(icmDelete)},
        {INDEX_DrvEscape, asPfn(escape)},               {INDEX_DrvQueryFont, asPfn(queryFont)},
        {INDEX_DrvQueryFontTree, asPfn(queryFontTree)}, {INDEX_DrvQueryAdvanceWidths, asPfn(queryAdvanceWidths)},
    };
    g->engineVersion = ver;
    if (cj < sizeof(DRVENABLEDATA)) return FALSE;
    ded->iDriverVersion = DDI_DRIVER_VERSION_NT5;
    ded->c = sizeof table / sizeof table[0];
    ded->pdrvfn = table;
    return TRUE;
}

}  // namespace fakedrv
