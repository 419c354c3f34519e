// The engine's side of a job, played against a small fake driver that keeps
// a record of the calls it receives: device creation, documents and pages,
// drawing calls with their engine objects, punts and the engine's fallback,
// brush realisation, banding, text with engine and device fonts, escapes and
// resetting the device.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>

#include <win/modules.h>
#include <winsim/winsim.h>

#include "fake_driver.h"

using namespace winsim::gdi;
namespace eng = winsim::engine;

namespace {

using fakedrv::asPfn;
using fakedrv::g;

BOOL APIENTRY fEnableDriverWithoutSurface(ULONG, ULONG, DRVENABLEDATA* ded) {
    static DRVFN table[] = {{INDEX_DrvEnablePDEV, asPfn(fakedrv::enablePDEV)},
                            {INDEX_DrvCompletePDEV, asPfn(fakedrv::completePDEV)}};
    ded->iDriverVersion = DDI_DRIVER_VERSION_NT5;
    ded->c = 2;
    ded->pdrvfn = table;
    return TRUE;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        state = std::make_unique<fakedrv::State>();
        g = state.get();
        baseSurfaces = liveSurfaceCount();
        baseColor = eng::colorHandleCount();
        basePalettes = livePaletteCount();
        ASSERT_TRUE(eng::loadDriver(fakedrv::enableDriver, table, nullptr));
    }
    void TearDown() override {
        session.reset();
        EXPECT_EQ(liveSurfaceCount(), baseSurfaces);
        EXPECT_EQ(livePaletteCount(), basePalettes);
        EXPECT_EQ(eng::colorHandleCount(), baseColor);
        g = nullptr;
    }
    void open() {
        eng::SessionOptions o;
        o.printerName = u"Fake Printer";
        o.devmode = {1, 2, 3, 4, 5};
        o.bandingSkipsStartPage = skipStartPage;
        std::string err;
        session = eng::Session::create(table, std::move(o), &err);
        ASSERT_TRUE(session) << err;
    }
    size_t count(const std::string& call) const { return g->count(call); }
    size_t baseColor = 0;
    eng::Operation fillRect(LONG l, LONG t, LONG r, LONG b, eng::Color c) {
        eng::Operation op;
        op.kind = eng::Operation::FillPath;
        op.path = eng::Path::rect(l, t, r, b);
        op.brush.color = c;
        return op;
    }
    winsim::TempMachine machine;
    std::unique_ptr<fakedrv::State> state;
    eng::DriverTable table;
    std::unique_ptr<eng::Session> session;
    size_t baseSurfaces = 0, basePalettes = 0;
    bool skipStartPage = false;
};

}  // namespace

TEST_F(Engine, LoadingChecksTheTable) {
    EXPECT_EQ(g->engineVersion, static_cast<ULONG>(DDI_DRIVER_VERSION_NT5_01));
    EXPECT_EQ(table.driverVersion, static_cast<ULONG>(DDI_DRIVER_VERSION_NT5));
    EXPECT_TRUE(table.has(INDEX_DrvBitBlt));
    EXPECT_FALSE(table.has(INDEX_DrvPlgBlt));
    eng::DriverTable t2;
    std::string err;
    EXPECT_FALSE(eng::loadDriver(fEnableDriverWithoutSurface, t2, &err));
    EXPECT_NE(err.find("lacks"), std::string::npos);
    EXPECT_FALSE(eng::loadDriver(nullptr, t2, &err));
}

TEST_F(Engine, VectorJobCallsTheDriverInOrder) {
    open();
    EXPECT_FALSE(session->banding());
    EXPECT_EQ(g->devmode, (std::vector<uint8_t>{1, 2, 3, 4}));
    ASSERT_TRUE(session->startDoc(u"Report", 7));
    ASSERT_TRUE(session->startPage());
    ASSERT_TRUE(session->draw(fillRect(10, 10, 50, 50, 0xFF0000)));
    ASSERT_TRUE(session->endPage());
    ASSERT_TRUE(session->endDoc());
    session.reset();
    std::vector<std::string> want = {"EnablePDEV", "CompletePDEV", "EnableSurface", "StartDoc", "StartPage",
                                     "FillPath", "SendPage", "EndDoc", "DisableSurface", "DisablePDEV"};
    EXPECT_EQ(g->names(), want);
    EXPECT_EQ(g->deviceName, u"Fake Printer");
    EXPECT_EQ(g->calls[3], "StartDoc Report 7");
    EXPECT_EQ(g->calls[7], "EndDoc 0");
}

TEST_F(Engine, PathsAndClipsReachTheDriver) {
    open();
    auto op = fillRect(10, 20, 30, 40, 0xFF0000);
    op.path.bezierTo(5, 5, 6, 6, 7, 7);
    op.clip.kind = eng::ClipSpec::Rects;
    op.clip.rects = {RECTL{0, 0, 100, 50}};
    ASSERT_TRUE(session->draw(op));
    ASSERT_TRUE(session->draw(op));
    op.clip.rects = {RECTL{0, 0, 100, 60}};
    ASSERT_TRUE(session->draw(op));
    op.clip.kind = eng::ClipSpec::None;
    ASSERT_TRUE(session->draw(op));
    ASSERT_EQ(g->clips.size(), 4u);
    EXPECT_EQ(g->clips[0].iDComplexity, DC_RECT);
    EXPECT_EQ(g->clips[0].rclBounds.bottom, 50);
    EXPECT_EQ(g->clips[0].iUniq, g->clips[1].iUniq);
    EXPECT_NE(g->clips[1].iUniq, g->clips[2].iUniq);
    EXPECT_EQ(g->clips[3].iDComplexity, DC_TRIVIAL);
    // The first fill's runs: the rectangle (closed) then the Bézier run after it.
    ASSERT_GE(g->runs.size(), 2u);
    EXPECT_EQ(g->runs[0].second[0].x, 10 * 16);
    EXPECT_EQ(g->runs[0].second[0].y, 20 * 16);
    EXPECT_TRUE(g->runs[1].first & PD_BEZIERS);
    EXPECT_TRUE(g->runs[1].first & PD_CLOSEFIGURE);
    // A clip that leaves nothing visible skips the call.
    op.clip.kind = eng::ClipSpec::Rects;
    op.clip.rects = {RECTL{500, 500, 600, 600}};
    size_t fills = count("FillPath");
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(count("FillPath"), fills);
}

TEST_F(Engine, PuntedCallsAreRenderedForCopyBits) {
    g->fillAnswer = FALSE;
    open();
    auto op = fillRect(10, 20, 30, 40, 0xFF0000);
    op.clip.kind = eng::ClipSpec::Rects;
    op.clip.rects = {RECTL{0, 0, 25, 100}};
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(session->fallbackCount(), 1u);
    ASSERT_EQ(g->copyRects.size(), 1u);
    EXPECT_LE(g->copyRects[0].right, 25);
    EXPECT_EQ(g->copyInk[0], 15 * 20);  // only the clipped part of the fill
    EXPECT_EQ(g->copyColor[0], 0xFF0000u);
    // It goes as a masked blit, so what lies beneath stays: the mask is
    // exactly the fill's pixels.
    EXPECT_TRUE(g->called("BitBlt 43724 src mask"));
    ASSERT_EQ(g->maskInk.size(), 1u);
    EXPECT_GE(g->maskInk[0], 15 * 20);
    EXPECT_LE(g->maskInk[0], 20 * 20);
    // A stroke that reports an error is not rendered by the engine.
    g->strokeAnswer = -1;
    eng::Operation s;
    s.kind = eng::Operation::StrokePath;
    s.path.moveTo(0, 0).lineTo(50, 50);
    EXPECT_FALSE(session->draw(s));
    EXPECT_EQ(g->copyRects.size(), 1u);
    EXPECT_EQ(session->fallbackCount(), 1u);
    EXPECT_EQ(session->errorCount(), 1u);
    // Calls the device does not hook go to DrvCopyBits too.
    session.reset();
    g->hooks = HOOK_COPYBITS;
    g->fillAnswer = TRUE;
    open();
    ASSERT_TRUE(session->draw(fillRect(0, 0, 4, 4, 0x00FF00)));
    EXPECT_EQ(count("FillPath"), 1u);  // only the first session's call
    EXPECT_EQ(g->copyInk.back(), 16);
}

TEST_F(Engine, HatchBrushIsRealizedOncePerBrush) {
    open();
    eng::Operation op;
    op.kind = eng::Operation::BitBlt;
    op.dst = RECTL{0, 0, 50, 50};
    op.rop4 = 0xF0F0;
    op.brush.kind = eng::BrushSpec::Hatch;
    op.brush.hatch = HS_CROSS;
    op.brush.color = 0x112233;
    op.brush.background = 0xFFFFFF;
    ASSERT_TRUE(session->draw(op));
    ASSERT_EQ(g->realizeHatch.size(), 1u);
    EXPECT_EQ(g->realizeHatch[0], static_cast<ULONG>(HS_CROSS));
    EXPECT_EQ(g->realizeSize[0].cx, 8);
    ASSERT_EQ(g->realizeXlate[0].size(), 2u);
    EXPECT_EQ(g->realizeXlate[0][0], 0xFFFFFFu);  // background
    EXPECT_EQ(g->realizeXlate[0][1], 0x112233u);  // hatch colour in the BGR device form
    ASSERT_EQ(g->rbrush.size(), 2u);
    EXPECT_NE(g->rbrush[0], nullptr);
    EXPECT_EQ(g->rbrush[0], g->rbrush[1]);
    EXPECT_EQ(g->rops[0], 0xF0F0u);
}

TEST_F(Engine, BandingReplaysInEachBandTheOperationsThatTouchIt) {
    g->banding = true;
    skipStartPage = true;
    open();
    EXPECT_TRUE(session->banding());
    ASSERT_TRUE(session->startDoc(u"", 1));
    ASSERT_TRUE(session->startPage());
    ASSERT_TRUE(session->draw(fillRect(10, 30, 190, 90, 0xFF0000)));
    // A blit from an image goes through the driver (hooked) to EngBitBlt.
    auto img = std::make_shared<eng::Image>();
    img->bitsPerPixel = 8;
    img->width = 4;
    img->height = 4;
    img->topDown = true;
    img->palette = {0x000000, 0x0000FF};
    img->bits.assign(16, 1);
    eng::Operation blt;
    blt.kind = eng::Operation::BitBlt;
    blt.dst = RECTL{100, 38, 104, 42};  // across the first band's edge
    blt.source = img;
    ASSERT_TRUE(session->draw(blt));
    eng::Operation text;
    text.kind = eng::Operation::TextOut;
    text.text.font.height = 20;
    text.text.at = {20, 20};
    text.text.text = u"Hi";
    ASSERT_TRUE(session->draw(text));
    ASSERT_TRUE(session->endPage());
    EXPECT_EQ(session->bandCount(), 3u);
    EXPECT_EQ(count("StartPage"), 0u);
    EXPECT_EQ(count("NextBand"), 3u);
    EXPECT_EQ(count("BitBlt"), 2u);  // offered in the two bands it touches
    EXPECT_EQ(session->bandSkipCount(), 1u);
    EXPECT_EQ(count("FillPath"), 0u);  // not hooked: drawn by the engine
    long red = 0, blue = 0, black = 0;
    for (uint32_t p : g->page) {
        red += p == 0xFF0000;
        blue += p == 0x0000FF;
        black += p == 0x000000;
    }
    EXPECT_EQ(blue, 16);
    EXPECT_EQ(red, 180 * 60 - 16);
    EXPECT_GT(black, 20);  // the text's ink
    for (LONG y = 0; y < 30; ++y)
        for (LONG x = 0; x < 200; ++x)
            if (g->page[static_cast<size_t>(y) * 200 + x] == 0) {
                EXPECT_GE(x, 20);
                EXPECT_LT(y, 20 + 2);
            }
}

TEST_F(Engine, TextGivesGlyphsPositionsAndBitmaps) {
    open();
    eng::Operation op;
    op.kind = eng::Operation::TextOut;
    op.text.font.height = 100;
    op.text.at = {10, 150};
    op.text.text = u"Ai C";
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(g->lastStr.cGlyphs, 4u);
    EXPECT_EQ(g->lastStr.flAccel & (SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL),
              static_cast<FLONG>(SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL));
    ASSERT_EQ(g->glyphs.size(), 4u);
    // Advances of the built-in face: 500, 250, 250 units per 1000 at 100 pixels.
    EXPECT_EQ(g->glyphs[0].ptl.x, 10);
    EXPECT_EQ(g->glyphs[1].ptl.x, 60);
    EXPECT_EQ(g->glyphs[2].ptl.x, 85);
    EXPECT_EQ(g->glyphs[3].ptl.x, 110);
    EXPECT_EQ(g->glyphs[0].ptl.y, 150);
    EXPECT_GT(g->glyphInk, 1000);
    EXPECT_EQ(g->lastFont.flFontType & TRUETYPE_FONTTYPE, static_cast<FLONG>(TRUETYPE_FONTTYPE));
    EXPECT_EQ(g->lastStr.rclBkGround.top, 150 - 80);
    EXPECT_EQ(g->lastStr.rclBkGround.bottom, 150 + 20);
    // Caller's advances and a fixed advance.
    op.text.dx = {30, 20, 10, 0};
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(g->glyphs[1].ptl.x, 40);
    EXPECT_EQ(g->glyphs[3].ptl.x, 70);
    EXPECT_EQ(g->lastStr.flAccel & SO_FLAG_DEFAULT_PLACEMENT, 0u);
    op.text.dx.clear();
    op.text.fixedAdvance = 30;
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(g->lastStr.ulCharInc, 30u);
    EXPECT_EQ(g->glyphs[2].ptl.x, 70);
    // Rotated a quarter turn counter-clockwise: the string goes up the page.
    op.text.fixedAdvance = 0;
    op.text.font.escapement = 900;
    ASSERT_TRUE(session->draw(op));
    EXPECT_EQ(g->glyphs[1].ptl.x, 10);
    EXPECT_EQ(g->glyphs[1].ptl.y, 100);
    EXPECT_EQ(g->lastStr.flAccel & SO_HORIZONTAL, 0u);
    // A punted string is drawn by the engine for DrvCopyBits, with the same
    // glyph bitmaps the driver is given.
    op.text.font.escapement = 0;
    op.text.font.height = 60;
    op.text.at = {10, 80};
    ASSERT_TRUE(session->draw(op));
    long ink = g->glyphInk;
    EXPECT_GT(ink, 300);
    g->textAnswer = FALSE;
    ASSERT_TRUE(session->draw(op));
    ASSERT_FALSE(g->copyInk.empty());
    EXPECT_EQ(g->copyInk.back(), ink);
}

TEST_F(Engine, DeviceFontsComeFromTheDriver) {
    fakedrv::DeviceFont data;
    {
        std::u16string name = u"Dev Mincho";
        data.ifi.assign(sizeof(IFIMETRICS) + 2 * (name.size() + 1), 0);
        auto* m = reinterpret_cast<IFIMETRICS*>(data.ifi.data());
        m->cjThis = static_cast<ULONG>(data.ifi.size());
        m->dpwszFaceName = m->dpwszFamilyName = sizeof(IFIMETRICS);
        m->fwdUnitsPerEm = 1000;
        m->fwdWinAscender = 900;
        m->fwdWinDescender = 100;
        m->fwdAveCharWidth = 500;
        std::memcpy(data.ifi.data() + sizeof(IFIMETRICS), name.data(), name.size() * 2);
        data.handles.resize(26);
        for (int i = 0; i < 26; ++i) data.handles[i] = 0x100 + 'A' + i;
        data.glyphset.assign(sizeof(FD_GLYPHSET), 0);
        auto* gs = reinterpret_cast<FD_GLYPHSET*>(data.glyphset.data());
        gs->cjThis = sizeof(FD_GLYPHSET);
        gs->cGlyphsSupported = 26;
        gs->cRuns = 1;
        gs->awcrun[0] = WCRUN{u'A', 26, data.handles.data()};
    }
    g->font = &data;
    g->cFonts = 1;
    open();
    auto names = session->deviceFontNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], u"Dev Mincho");
    eng::Operation op;
    op.kind = eng::Operation::TextOut;
    op.text.font.face = u"dev mincho";
    op.text.font.height = 40;
    op.text.at = {100, 100};
    op.text.text = u"AIB";
    ASSERT_TRUE(session->draw(op));
    g->font = nullptr;
    EXPECT_EQ(g->lastFont.flFontType & DEVICE_FONTTYPE, static_cast<FLONG>(DEVICE_FONTTYPE));
    EXPECT_EQ(g->lastFont.iFace, 1u);
    ASSERT_EQ(g->glyphs.size(), 3u);
    EXPECT_EQ(g->glyphs[0].hg, 0x100u + 'A');
    EXPECT_EQ(g->glyphs[1].hg, 0x100u + 'I');
    EXPECT_EQ(g->glyphs[1].ptl.x, 130);
    EXPECT_EQ(g->glyphs[2].ptl.x, 140);
    EXPECT_EQ(g->glyphs[0].pgdf, nullptr);  // the engine has no bitmaps of device fonts
    EXPECT_EQ(g->glyphInk, 0);
    EXPECT_EQ(g->lastStr.rclBkGround.top, 100 - 36);
}

TEST_F(Engine, EscapesPassTheirBuffers) {
    open();
    std::vector<uint8_t> out;
    EXPECT_EQ(session->escape(4242, {9, 8, 7}, 2, &out), 4245u);
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 9}));
    EXPECT_EQ(session->escape(1, {}, 0, &out), 1u);
    EXPECT_TRUE(out.empty());
}

TEST_F(Engine, ResetDuringADocumentFollowsTheEnginesSequence) {
    open();
    ASSERT_TRUE(session->startDoc(u"Doc", 3));
    g->calls.clear();
    std::string err;
    ASSERT_TRUE(session->reset({9, 9, 9, 9}, &err)) << err;
    std::vector<std::string> want = {"EnablePDEV", "CompletePDEV", "ResetPDEV", "DisableSurface",
                                     "DisablePDEV", "EnableSurface", "StartDoc"};
    EXPECT_EQ(g->names(), want);
    EXPECT_EQ(g->calls.back(), "StartDoc Doc 3");
    EXPECT_EQ(g->devmode, (std::vector<uint8_t>{9, 9, 9, 9}));
    ASSERT_TRUE(session->startPage());
    ASSERT_TRUE(session->draw(fillRect(0, 0, 5, 5, 0)));
}

// The test program exports a resource table so EngFindResource finds it.
extern "C" __attribute__((visibility("default"))) const WINSIM_RESOURCE WinsimResourceTable[] = {
    {258, 1, "font one", 9},
    {260, 2, "glyphs", 7},
    {0, 0, nullptr, 0},
};

TEST(GdiResources, FoundByModuleBaseOrHandle) {
    winsim::TempMachine m;
    Dl_info info{};
    ASSERT_TRUE(dladdr(static_cast<const void*>(WinsimResourceTable), &info));
    ULONG size = 0;
    auto* data = static_cast<const char*>(EngFindResource(info.dli_fbase, 1, 258, &size));
    ASSERT_TRUE(data) << "the test program must export its symbols";
    EXPECT_EQ(size, 9u);
    EXPECT_STREQ(data, "font one");
    EXPECT_TRUE(EngFindResource(GetModuleHandleW(nullptr), 1, 258, &size));  // the program's module handle
    void* self = dlopen(nullptr, RTLD_LAZY);
    EXPECT_TRUE(EngFindResource(self, 2, 260, &size));
    EXPECT_EQ(size, 7u);
    dlclose(self);
    EXPECT_EQ(EngFindResource(info.dli_fbase, 3, 258, &size), nullptr);
    EXPECT_EQ(size, 0u);
    int local = 0;
    EXPECT_EQ(EngFindResource(&local, 1, 258, &size), nullptr);  // not a module
}

// A profile header the colour functions accept: its size and "acsp".
std::vector<uint8_t> profileBytes(size_t n = 132) {
    std::vector<uint8_t> p(n, 0);
    p[2] = static_cast<uint8_t>(n >> 8);
    p[3] = static_cast<uint8_t>(n);
    std::memcpy(p.data() + 36, "acsp", 4);
    return p;
}

TEST(ColorProfiles, MemoryProfilesAndTransformsAreCheckedAndCounted) {
    const size_t base = eng::colorHandleCount();
    auto bytes = profileBytes();
    PROFILE pr{PROFILE_MEMBUFFER, bytes.data(), static_cast<DWORD>(bytes.size())};
    HPROFILE h = OpenColorProfileW(&pr, PROFILE_READ, 1, OPEN_EXISTING);
    ASSERT_TRUE(h);
    // Refused: a file profile, a size shorter than the header says, no signature.
    PROFILE file{PROFILE_FILENAME, const_cast<char16_t*>(u"C:\\x.icc"), 20};
    EXPECT_FALSE(OpenColorProfileW(&file, PROFILE_READ, 1, OPEN_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    PROFILE cut{PROFILE_MEMBUFFER, bytes.data(), 131};
    EXPECT_FALSE(OpenColorProfileW(&cut, PROFILE_READ, 1, OPEN_EXISTING));
    auto unsigned_ = bytes;
    unsigned_[36] = 'x';
    PROFILE bad{PROFILE_MEMBUFFER, unsigned_.data(), static_cast<DWORD>(unsigned_.size())};
    EXPECT_FALSE(OpenColorProfileW(&bad, PROFILE_READ, 1, OPEN_EXISTING));
    EXPECT_EQ(eng::colorHandleCount(), base + 1);
    // The profile keeps its own copy of the bytes.
    std::fill(bytes.begin(), bytes.end(), 0);
    LOGCOLORSPACEW lcs{};
    lcs.lcsSignature = LCS_SIGNATURE;
    lcs.lcsSize = sizeof lcs;
    EXPECT_FALSE(CreateColorTransformW(&lcs, reinterpret_cast<HPROFILE>(&lcs), nullptr, BEST_MODE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HTRANSFORM t = CreateColorTransformW(&lcs, h, nullptr, BEST_MODE);
    ASSERT_TRUE(t);
    EXPECT_EQ(eng::colorHandleCount(), base + 2);
    EXPECT_FALSE(DeleteColorTransform(h));  // a profile is no transform
    EXPECT_TRUE(DeleteColorTransform(t));
    EXPECT_FALSE(DeleteColorTransform(t));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseColorProfile(h));
    EXPECT_FALSE(CloseColorProfile(h));
    EXPECT_EQ(eng::colorHandleCount(), base);
}

TEST_F(Engine, ColorManagementCallsTheDriversPairAndFlagsTheCalls) {
    open();
    auto img = std::make_shared<eng::Image>();
    img->width = img->height = 2;
    img->bits.assign(16, 0x40);
    eng::Operation blt;
    blt.kind = eng::Operation::BitBlt;
    blt.dst = RECTL{0, 0, 2, 2};
    blt.source = img;
    blt.rop4 = 0xCACA;  // source and pattern: a brush is passed
    ASSERT_TRUE(session->draw(blt));
    EXPECT_FALSE(session->icmStart({1, 2, 3}));  // the driver's transform needs a profile it can open
    EXPECT_FALSE(session->icmActive());
    ASSERT_TRUE(session->icmStart(profileBytes()));
    ASSERT_TRUE(session->draw(blt));
    ASSERT_TRUE(session->icmStart(profileBytes(200)));  // the held transform is replaced
    EXPECT_EQ(g->icm.size(), 1u);
    ASSERT_TRUE(session->icmStop());
    EXPECT_FALSE(session->icmStop());
    ASSERT_TRUE(session->draw(blt));
    ASSERT_EQ(g->bltColorTypes.size(), 3u);
    EXPECT_EQ(g->bltColorTypes, (std::vector<FLONG>{0, BR_HOST_ICM, 0}));
    EXPECT_EQ(g->bltXlateFlags[1] & XO_HOST_ICM, static_cast<FLONG>(XO_HOST_ICM));
    EXPECT_EQ(g->bltXlateFlags[2] & XO_HOST_ICM, 0u);
    EXPECT_EQ(count("IcmCreateColorTransform"), 3u);
    EXPECT_EQ(count("IcmDeleteColorTransform"), 2u);
    // A transform still held when the device goes is deleted before DrvDisablePDEV.
    ASSERT_TRUE(session->icmStart(profileBytes()));
    session.reset();
    EXPECT_TRUE(g->icm.empty());
    ASSERT_GE(g->calls.size(), 2u);
    EXPECT_EQ(g->calls[g->calls.size() - 2], "IcmDeleteColorTransform");
}
