// The device record made for a printer: the settings it reads, its page
// geometry, its surface in vector and banding mode, and the band loop.
#include <gtest/gtest.h>

#include <win/devmode.h>

#include <cstring>

#include "core/devmode/dm_layout.h"
#include "decode/stream.h"
#include "common_calls/context_devmode.h"
#include "frame_support.h"
#include "job_state.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;

namespace {

class Device : public DriverMachine {
protected:
    // A device record over a context of the printer.
    struct Record {
        std::vector<unsigned char> block = std::vector<unsigned char>(sizeof(Pdev), 0);
        Pdev* p = reinterpret_cast<Pdev*>(block.data());
        ~Record() { CtxReleaseEx(p->ctx, kReleaseFree); }
    };
    void make(Record& r) {
        r.p->signature = r.p->signatureEnd = kPdevSignature;
        r.p->ctx = CtxCreateEx(printer_, printer_, nullptr, 0, 0x10000, 0, nullptr);
        ASSERT_NE(r.p->ctx, nullptr);
        // As at enable: the merge sets the paper items.
        ASSERT_TRUE(DmApplyDevmodeFlagsGr(r.p->ctx, nullptr, 0x10008));
    }
};

bool allWhite(const SURFOBJ* so) {
    const auto* first = static_cast<const BYTE*>(so->pvScan0);
    const size_t row = static_cast<size_t>(so->lDelta < 0 ? -so->lDelta : so->lDelta);
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
        for (size_t x = 0; x < row; ++x)
            if (first[static_cast<ptrdiff_t>(y) * so->lDelta + static_cast<ptrdiff_t>(x)] != 0xFF) return false;
    return true;
}

}  // namespace

TEST_F(Device, SettingsFollowTheirItems) {
    Record r;
    make(r);
    DrvContext* c = r.p->ctx;
    ItemSetRawById(c, kItDmPrintQuality, 0);
    ItemSetRawById(c, kItRdmImagePrint, 1);
    ItemSetRawById(c, kItRdmQualityFuncTextBitmapSupport, 1);
    ItemSetRawById(c, kItRdmQualityFuncTextBitmap, 0);
    ItemSetRawById(c, kItRdmHiddenFunc26, 1);
    PdevReadSettings(r.p);
    EXPECT_EQ(r.p->resolution, 600);
    EXPECT_EQ(r.p->banding, 1);
    // Item 395 decides while item 394 is set, else item 372.
    EXPECT_EQ(r.p->textAsBitmap, 0);
    ItemSetRawById(c, kItRdmQualityFuncTextBitmapSupport, 0);
    PdevReadSettings(r.p);
    EXPECT_EQ(r.p->textAsBitmap, 1);
    EXPECT_EQ(std::u16string(r.p->spoolLibraryName), u"KW12C123.DLL");

    // Bound pages are never banded; colour process 2 stands in for 0 in
    // vector mode when item 407 asks for it.
    ItemSetRawById(c, kItRdmJobLinker, 1);
    ItemSetRawById(c, kItRdmColorProcess, 0);
    ItemSetRawById(c, kItRdmHidden2Func9, 1);
    PdevReadSettings(r.p);
    EXPECT_EQ(r.p->banding, 0);
    EXPECT_EQ(r.p->firstPageHeaderOnly, 1);
    EXPECT_EQ(r.p->colorProcess, 2);
    ItemSetRawById(c, kItRdmJobLinker, 0);
    PdevReadSettings(r.p);
    EXPECT_EQ(r.p->colorProcess, 0);
}

TEST_F(Device, PageGeometryAndThePapersSize) {
    Record r;
    make(r);
    PdevReadSettings(r.p);
    ASSERT_TRUE(PdevReadPageGeometry(r.p));
    const PageGeometry& g = r.p->geometry;
    // The sample's A4 at 600 dpi: 2100 x 2970 in 0.1 mm and its printable
    // area from the model.
    EXPECT_EQ(g.paperWidthTenthMm, 2100u);
    EXPECT_EQ(g.paperLengthTenthMm, 2970u);
    EXPECT_EQ(g.printWidthDots, 4760u);
    EXPECT_EQ(g.printLengthDots, 6816u);
    EXPECT_EQ(g.printWidthTenthMm, 4760u * 254 / 600);
    EXPECT_EQ(g.offsetX, 100u);
    EXPECT_EQ(r.p->surfaceWidth, 4760u);
    EXPECT_EQ(r.p->surfaceHeight, 6816u);

    // A user size comes from the job's DEVMODE as it stands.
    std::vector<BYTE> dm(r.p->ctx->devmode, r.p->ctx->devmode + 1260);
    dm::wr16(dm.data(), dm::kOffPaperSize, DMPAPER_USER);
    dm::wr16(dm.data(), dm::kOffPaperWidth, 1234);
    dm::wr16(dm.data(), dm::kOffPaperLength, 2345);
    r.p->devmode = dm.data();
    r.p->devmodeSize = static_cast<uint32_t>(dm.size());
    uint32_t w = 0, l = 0;
    ASSERT_TRUE(GetJobPaperSizeTenthMm(r.p, &w, &l));
    EXPECT_EQ(w, 1234u);
    EXPECT_EQ(l, 2345u);
    // A model paper in landscape is turned.
    dm::wr16(dm.data(), dm::kOffPaperSize, 9);
    dm::addFields(dm.data(), DM_PAPERSIZE);
    ItemSetRawById(r.p->ctx, kItDmOrientation, DMORIENT_LANDSCAPE);
    ASSERT_TRUE(GetJobPaperSizeTenthMm(r.p, &w, &l));
    EXPECT_EQ(w, 2970u);
    EXPECT_EQ(l, 2100u);
    r.p->devmode = nullptr;
    // Without a compiled model there is no paper size.
    const MdlImage* model = r.p->ctx->model;
    r.p->ctx->model = nullptr;
    EXPECT_FALSE(GetJobPaperSizeTenthMm(r.p, &w, &l));
    r.p->ctx->model = model;
}

TEST_F(Device, VectorSurfaceIsADeviceSurfaceWithTheDrawingHooks) {
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    EXPECT_FALSE(d.session->banding());
    EXPECT_EQ(d.so()->iType, STYPE_DEVICE);
    EXPECT_EQ(d.so()->sizlBitmap.cx, 4760);
    EXPECT_EQ(d.so()->sizlBitmap.cy, 6816);
    EXPECT_EQ(d.so()->iBitmapFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(d.session->hooks(), 0x24EBu);
    EXPECT_EQ(d.session->gdiInfo().cBitsPixel, 8u);

    setPrinterItems({{kItRdmHiddenFunc5, 1}});
    EngineDevice e;
    ASSERT_TRUE(e.make(printer_)) << e.error;
    EXPECT_EQ(e.session->hooks(), 0x04EBu);
}

TEST_F(Device, BandingSurfaceIsABandBitmap) {
    setPrinterItems({{kItRdmImagePrint, 1}});
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    EXPECT_TRUE(d.session->banding());
    EXPECT_EQ(d.session->hooks(), 0x000Bu);
    EXPECT_EQ(d.so()->sizlBitmap.cx, 4760);
    EXPECT_EQ(d.so()->sizlBitmap.cy, 544);
    EXPECT_EQ(d.so()->iBitmapFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_GT(d.so()->lDelta, 0);
    EXPECT_EQ(d.session->devInfo().flGraphicsCaps & 0x430u, 0x430u);

    // 1-bit output: a 1-bit band.
    setPrinterItems({{kItRdmImagePrint, 1}, {kItRdmColorProcess, 1}, {15, 1}});
    EngineDevice m;
    ASSERT_TRUE(m.make(printer_)) << m.error;
    EXPECT_EQ(m.so()->iBitmapFormat, static_cast<ULONG>(BMF_1BPP));
    EXPECT_EQ(m.session->gdiInfo().cBitsPixel, 1u);
}

TEST_F(Device, TheLastBandIsTheOneThatReachesTheBottomEdge) {
    setPrinterItems({{kItRdmImagePrint, 1}});
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    Pdev* p = d.pdev();
    const DWORD job = startSpoolJob(u"Bands");
    ASSERT_TRUE(DrvStartDoc(d.so(), nullptr, job));
    // Pages of one band and of exactly two bands, and the sample's page.
    for (const uint32_t height : {544u, 1088u, 6816u}) {
        SCOPED_TRACE(height);
        p->surfaceHeight = height;
        ASSERT_TRUE(DrvStartPage(d.so()));
        POINTL org{7, 7};
        ASSERT_TRUE(DrvStartBanding(d.so(), &org));
        EXPECT_EQ(org.x, 0);
        EXPECT_EQ(org.y, 0);
        EXPECT_TRUE(allWhite(d.so()));
        std::vector<LONG> origins{0};
        for (int guard = 0; guard < 100; ++guard) {
            std::memset(d.so()->pvScan0, 0x11, 16);  // a mark the next band must not keep
            ASSERT_TRUE(DrvNextBand(d.so(), &org));
            EXPECT_TRUE(allWhite(d.so()));
            if (org.y == -1) break;
            EXPECT_EQ(org.x, 0);
            origins.push_back(org.y);
        }
        EXPECT_EQ(org.x, -1);
        const size_t bands = (height + 543) / 544;
        ASSERT_EQ(origins.size(), bands);
        EXPECT_EQ(origins.back(), static_cast<LONG>((bands - 1) * 544));
        EXPECT_EQ(p->bandCount, bands);
        // The page was sent by the last band.
        EXPECT_EQ(p->flags & kPdevPageOpen, 0u);
    }
    ASSERT_TRUE(DrvEndDoc(d.so(), 0));
    EndDocPrinter(printer_);

    // Every band is one raster record of the rows on the page.
    const auto bytes = spoolBytes(job);
    const auto s = decode::decodeAll(decode::Bytes(bytes.data(), bytes.size()));
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    ASSERT_EQ(s.pages.size(), 3u);
    const size_t counts[] = {1, 2, 13};
    for (size_t i = 0; i < 3; ++i) {
        size_t rasters = 0;
        for (const auto& rec : s.pages[i].records) rasters += rec.opcode == 0x20;
        EXPECT_EQ(rasters, counts[i]) << "page " << i + 1;
    }
}

TEST_F(Device, WithEmfSpoolingTheBandLoopStartsThePage) {
    setPrinterItems({{kItRdmImagePrint, 1}, {181, 1}});
    const Printed p = printScript("job name=\"Emf\" emf=on\npage\nendpage\npage\nendpage\n", printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    size_t startPage = 0;
    for (const auto& l : p.job.log) startPage += l.rfind("DrvStartPage ->", 0) == 0;
    EXPECT_EQ(startPage, 0u);
    const auto s = decode::decodeAll(decode::Bytes(p.stream.data(), p.stream.size()));
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobName, "Emf");
    EXPECT_EQ(s.pages.size(), 2u);
}
