// Printing through the engine: pages per second and bytes per page of a
// vector page of text-like rectangles and paths, and of a raster page (the
// same page sent as bands), played by the host's engine into the function
// table of the installed graphics library (veskgr.dll on a fresh machine),
// with a spooler-side library that discards what it is given.
//
// Bytes per page come from jobs of one and two pages printed into a file
// before the timing (what the second page adds; "job bytes" is what the job
// itself carries, its header and name); the timed pages go to the
// discarding library. "unsent/page" counts the
// drawing operations that neither the driver nor the engine could send.
// The full page adds text to the page of paths, brushes and images: lines
// in a resident face of the printer (characters) and in an engine face
// (glyph images through the printer's glyph cache); "text bytes first" is
// what its text block costs on a page, "text bytes again" what the same
// block costs drawn a second time on that page, its glyphs already cached.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/engine.h>
#include <winsim/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/process.h"
#include "core/item_ids.h"

namespace eng = winsim::engine;

namespace {

constexpr char16_t kPrinterName[] = u"VESK MFP C41";

// The forms a raster page's bands take: as the printer's default DEVMODE
// has it (the sample machine is a monochrome one, so its 24-bit bands go as
// grey rows), 24-bit bands kept as they are (print method 5 sends records
// whole, without the grey conversion), grey rows of a dmColor 1 page, one bit
// a pixel (dmColor 1 and colour process 1).
enum class RasterForm { Defaults, Color24, Grey, OneBit };

// A machine with the driver set and one printer, and the driver loaded as
// the engine loads it.
class PrintRig {
public:
    explicit PrintRig(bool banding, RasterForm form = RasterForm::Defaults, bool textImages = false)
        : form_(form), textImages_(textImages) {
        // The common library the bench carries (to make the printer's
        // DEVMODE) gets its process state as a loaded library does.
        vesk::processAttach(reinterpret_cast<HINSTANCE>(this));
        if (!setUp(banding) && error_.empty()) error_ = "the printer could not be set up";
    }
    ~PrintRig() {
        session_.reset();
        if (module_) FreeLibrary(module_);
        if (printer_) ClosePrinter(printer_);
        vesk::processDetach();
    }
    bool ready() const { return session_ && error_.empty(); }
    const std::string& error() const { return error_; }
    eng::Session& session() { return *session_; }

    // One document of `pages` pages of `ops`; false when a call fails. The
    // operations the engine could not send are counted into `unsent`.
    bool print(const std::vector<eng::Operation>& ops, size_t pages, size_t* unsent) {
        if (!session_->startDoc(u"Benchmark", 0)) return false;
        for (size_t i = 0; i < pages; ++i) {
            if (!session_->startPage()) return false;
            for (const auto& op : ops)
                if (!session_->draw(op)) ++*unsent;
            if (!session_->endPage()) return false;
        }
        return session_->endDoc();
    }

    // The bytes of a job of `pages` pages printed into a file of the machine.
    bool bytesOfJob(const std::vector<eng::Operation>& ops, size_t pages, uintmax_t* bytes, size_t* unsent) {
        const std::u16string file = u"C:\\bench-job.vsk";
        winsim::config().set("kw12c123.discard", "0");
        winsim::config().set("kw12c123.output", winsim::toUtf8(file));
        const bool ok = print(ops, pages, unsent);
        winsim::config().set("kw12c123.output", "");
        winsim::config().set("kw12c123.discard", "1");
        auto host = winsim::hostPath(file);
        std::error_code ec;
        *bytes = host ? std::filesystem::file_size(*host, ec) : 0;
        return ok && !ec;
    }

private:
    bool setUp(bool banding) {
        winsim::DriverSetOptions set;
        set.libraryDir = VESK_LIB_DIR;
        set.modelFile = VESK_SAMPLE_MODEL;
        set.extraModules.emplace_back(u"KW00C150.dll", std::string(VESK_LIB_DIR) + "/libkw00c150.so");
        set.extraModules.emplace_back(u"KW12C123.DLL", std::string(VESK_LIB_DIR) + "/libkw12c123.so");
        if (winsim::installDriverSet(set, &error_) != ERROR_SUCCESS) return false;
        winsim::PrinterRecord p;
        p.name = kPrinterName;
        p.driver = set.driverName;
        if (winsim::addPrinter(p) != ERROR_SUCCESS) return fail("cannot add the printer");
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer_, &pd)) return fail("cannot open the printer");
        if ((banding || textImages_) && !setDevmode(banding)) return fail("cannot set the printer's DEVMODE");
        auto drv = winsim::findDriver(set.driverName);
        module_ = drv ? LoadLibraryW(drv->driverPath.c_str()) : nullptr;
        auto enable = module_ ? reinterpret_cast<PFN_DrvEnableDriver>(reinterpret_cast<void (*)()>(
                                    GetProcAddress(module_, "DrvEnableDriver")))
                              : nullptr;
        if (!enable) return fail("cannot load the graphics library");
        if (!eng::loadDriver(enable, table_, &error_)) return false;
        eng::SessionOptions o;
        o.hPrinter = printer_;
        o.printerName = kPrinterName;
        session_ = eng::Session::create(table_, o, &error_);
        if (!session_) return false;
        if (session_->banding() != banding) return fail("the device's surface is not of the mode asked for");
        return true;
    }

    bool fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return false;
    }
    // The printer's default DEVMODE with its pages sent as bands or its
    // text as glyph images, made with the common library as the printer's
    // property sheets would.
    bool setDevmode(bool banding) {
        vesk::DrvContext* c = vesk::CtxCreateEx(printer_, printer_, nullptr, 0, vesk::kCreateInterface, 0, nullptr);
        if (!c) return false;
        if (banding) vesk::ItemSetRawById(c, vesk::kItRdmImagePrint, 1);
        if (textImages_) vesk::ItemSetRawById(c, vesk::kItRdmHiddenFunc26, 1);
        if (form_ == RasterForm::Color24) vesk::ItemSetRawById(c, vesk::kItRdmPrnMethod, 5);
        if (form_ == RasterForm::Grey || form_ == RasterForm::OneBit) vesk::ItemSetRawById(c, vesk::kItDmColor, 1);
        if (form_ == RasterForm::OneBit) vesk::ItemSetRawById(c, vesk::kItRdmColorProcess, 1);
        std::vector<uint8_t> dm(c->devmode, c->devmode + vesk::dmSizes().totalSize);
        vesk::CtxReleaseEx(c, vesk::kReleaseFree);
        return winsim::setPrinterDevmode(kPrinterName, dm) == ERROR_SUCCESS;
    }

    RasterForm form_;
    bool textImages_;
    winsim::TempMachine machine_;
    HANDLE printer_ = nullptr;
    HMODULE module_ = nullptr;
    eng::DriverTable table_;
    std::unique_ptr<eng::Session> session_;
    std::string error_;
};

eng::Operation box(LONG left, LONG top, LONG right, LONG bottom, eng::Color color) {
    eng::Operation op;
    op.kind = eng::Operation::BitBlt;
    op.dst = RECTL{left, top, right, bottom};
    op.rop4 = 0xF0F0;  // the brush
    op.brush.kind = eng::BrushSpec::Solid;
    op.brush.color = color;
    return op;
}

// A page of a letter: 64 lines of word-sized boxes, a heading bar, a chart of
// stroked lines and filled wedges with curves.
std::vector<eng::Operation> letterPage() {
    std::vector<eng::Operation> ops;
    ops.push_back(box(300, 300, 4400, 420, 0x203080));
    for (LONG line = 0; line < 64; ++line) {
        const LONG top = 600 + line * 70;
        LONG x = 300;
        for (int word = 0; x < 4300; ++word) {
            const LONG width = 90 + ((line * 7 + word * 13) % 9) * 30;
            ops.push_back(box(x, top, x + width, top + 40, 0x000000));
            x += width + 40;
        }
    }
    for (int i = 0; i < 40; ++i) {
        eng::Operation op;
        op.kind = eng::Operation::StrokePath;
        const LONG y = 5200 + i * 30;
        op.path.moveTo(300, y);
        for (int k = 1; k <= 24; ++k) op.path.lineTo(300 + k * 160, y + ((k * (i + 3)) % 7) * 20);
        op.pen.geometric = true;
        op.pen.width = 4;
        op.pen.color = static_cast<eng::Color>(0x100000 * (i % 15) + 0x30);
        ops.push_back(op);
    }
    for (int i = 0; i < 12; ++i) {
        eng::Operation op;
        op.kind = eng::Operation::FillPath;
        const LONG cx = 500 + i * 320, cy = 6500;
        op.path.moveTo(cx, cy).lineTo(cx + 250, cy).bezierTo(cx + 250, cy + 120, cx + 150, cy + 220, cx, cy + 250).close();
        op.brush.kind = eng::BrushSpec::Solid;
        op.brush.color = static_cast<eng::Color>(0x0F1F2F * (i + 1)) & 0xFFFFFF;
        ops.push_back(op);
    }
    return ops;
}

// An image of w x h pixels, 24 bits, in colour bands.
std::shared_ptr<const eng::Image> image24(int32_t w, int32_t h) {
    auto img = std::make_shared<eng::Image>();
    img->width = w;
    img->height = h;
    img->topDown = true;
    img->bits.resize(img->stride() * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = img->bits.data() + static_cast<size_t>(y) * img->stride() + static_cast<size_t>(x) * 3;
            p[0] = static_cast<uint8_t>(x * 4);
            p[1] = static_cast<uint8_t>(y * 4);
            p[2] = static_cast<uint8_t>((x + y) * 2);
        }
    return img;
}

// An 8 x 8 pattern of three colours (a 24-bit brush) and a 5 x 3 one-bit one.
std::shared_ptr<const eng::Image> pattern(bool mono) {
    auto img = std::make_shared<eng::Image>();
    img->bitsPerPixel = mono ? 1 : 8;
    img->width = mono ? 5 : 8;
    img->height = mono ? 3 : 8;
    img->palette = mono ? std::vector<eng::Color>{0x000000, 0xFFFFFF}
                        : std::vector<eng::Color>{0xC00000, 0x00C000, 0x0000C0};
    img->bits.resize(img->stride() * static_cast<size_t>(img->height));
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = 0; x < img->width; ++x) {
            uint8_t* row = img->bits.data() + static_cast<size_t>(y) * img->stride();
            if (mono)
                row[0] |= static_cast<uint8_t>((x == y) << (7 - x));
            else
                row[x] = static_cast<uint8_t>((x / 2 + y / 2) % 3);
        }
    return img;
}

// A page of vector drawing: filled, stroked, dashed and clipped paths,
// hatched and pattern brushes, and images copied and stretched.
std::vector<eng::Operation> drawingPage() {
    std::vector<eng::Operation> ops;
    const auto pat24 = pattern(false), pat1 = pattern(true), img = image24(64, 48);
    for (int i = 0; i < 120; ++i) {
        const LONG x = 300 + (i % 12) * 360, y = 300 + (i / 12) * 360;
        eng::Operation op;
        op.kind = i % 3 == 0 ? eng::Operation::StrokeAndFillPath : eng::Operation::FillPath;
        op.path.moveTo(x, y).lineTo(x + 300, y).bezierTo(x + 300, y + 150, x + 150, y + 300, x, y + 300).close();
        switch (i % 4) {
            case 0: op.brush.kind = eng::BrushSpec::Solid; op.brush.color = 0x102030 * (i % 7); break;
            case 1: op.brush.kind = eng::BrushSpec::Hatch; op.brush.hatch = static_cast<uint32_t>(i % 6); break;
            case 2: op.brush.kind = eng::BrushSpec::Pattern; op.brush.pattern = pat24; break;
            case 3: op.brush.kind = eng::BrushSpec::Pattern; op.brush.pattern = pat1; break;
        }
        op.brush.color &= 0xFFFFFF;
        if (i % 5 == 0) {
            op.clip.kind = eng::ClipSpec::Rects;
            op.clip.rects = {RECTL{x, y, x + 200, y + 200}};
        }
        op.pen.geometric = true;
        op.pen.width = 6;
        ops.push_back(op);
    }
    for (int i = 0; i < 60; ++i) {
        eng::Operation op;
        op.kind = eng::Operation::StrokePath;
        const LONG y = 4000 + i * 25;
        op.path.moveTo(300, y).lineTo(2300, y + 200).lineTo(4300, y);
        op.pen.geometric = i % 2 == 0;
        op.pen.width = 8;
        if (i % 3) op.pen.style = {24, 12};
        op.pen.startGap = i % 6 == 1;
        if (i % 4 == 0) {
            op.clip.kind = eng::ClipSpec::PathClip;
            op.clip.path.moveTo(300, 3900).lineTo(4300, 3900).lineTo(2300, 5700).close();
        }
        ops.push_back(op);
    }
    for (int i = 0; i < 10; ++i) {
        eng::Operation op;
        op.kind = i % 2 ? eng::Operation::StretchBlt : eng::Operation::CopyBits;
        const LONG x = 300 + i * 420;
        op.dst = i % 2 ? RECTL{x, 5800, x + 256, 5992} : RECTL{x, 5800, x + 64, 5848};
        op.source = img;
        ops.push_back(op);
    }
    return ops;
}

// A block of text: 24 lines of an engine face (glyph images when the
// printer takes text as images) and 8 lines of the printer's resident face.
std::vector<eng::Operation> textBlock(LONG top) {
    static const char16_t* const kLines[] = {u"The quick brown fox jumps over the lazy dog, 0123456789.",
                                             u"Pack my box with five dozen liquor jugs; sphinx of black quartz!"};
    std::vector<eng::Operation> ops;
    for (int i = 0; i < 32; ++i) {
        eng::Operation op;
        op.kind = eng::Operation::TextOut;
        op.brush.kind = eng::BrushSpec::Solid;
        op.brush.color = 0x000000;
        op.text.font.face = i < 24 ? u"Sample Sans" : u"\u660E\u671D";
        op.text.font.height = 48;
        op.text.at = POINTL{300, top + i * 60};
        op.text.text = i < 24 ? kLines[i % 2] : u"\u3042\u3044\u3046\u3048\u304A ABC \u30AB\u30BF\u30AB\u30CA 123";
        ops.push_back(op);
    }
    return ops;
}

// The page of paths, brushes and images with a block of text below them.
std::vector<eng::Operation> fullPage(int textBlocks = 1) {
    std::vector<eng::Operation> ops = drawingPage();
    for (int i = 0; i < textBlocks; ++i) {
        const auto text = textBlock(6100);
        ops.insert(ops.end(), text.begin(), text.end());
    }
    return ops;
}

enum class PageKind { Empty, Letter, Drawing, Full };

void printPages(benchmark::State& state, bool banding, PageKind kind, RasterForm form = RasterForm::Defaults) {
    PrintRig rig(banding, form, kind == PageKind::Full);
    if (!rig.ready()) {
        state.SkipWithError(("cannot set up the printer: " + rig.error()).c_str());
        return;
    }
    const std::vector<eng::Operation> ops = kind == PageKind::Letter    ? letterPage()
                                            : kind == PageKind::Drawing ? drawingPage()
                                            : kind == PageKind::Full    ? fullPage()
                                                                        : std::vector<eng::Operation>();
    // A page's bytes: what a second page adds to a job of one.
    uintmax_t one = 0, two = 0;
    size_t unsent = 0, unsentTwice = 0;
    if (!rig.bytesOfJob(ops, 1, &one, &unsent) || !rig.bytesOfJob(ops, 2, &two, &unsentTwice) || two < one) {
        state.SkipWithError("the measured job did not print");
        return;
    }
    const uintmax_t bytes = two - one;
    if (kind == PageKind::Full) {
        // The text block's bytes on a page, and again with its glyphs cached.
        uintmax_t without = 0, twice = 0;
        size_t ignored = 0;
        if (!rig.bytesOfJob(drawingPage(), 1, &without, &ignored) || !rig.bytesOfJob(fullPage(2), 1, &twice, &ignored)) {
            state.SkipWithError("the measured job did not print");
            return;
        }
        state.counters["text bytes first"] = static_cast<double>(one - without);
        state.counters["text bytes again"] = static_cast<double>(twice - one);
    }
    // Documents of eight pages, as a short job.
    constexpr size_t kPagesPerDoc = 8;
    size_t pages = 0, timedUnsent = 0;
    for (auto _ : state) {
        if (!rig.print(ops, kPagesPerDoc, &timedUnsent)) {
            state.SkipWithError("a page did not print");
            return;
        }
        pages += kPagesPerDoc;
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
    state.counters["bytes/page"] = static_cast<double>(bytes);
    state.counters["job bytes"] = static_cast<double>(one - bytes);  // the job header and name
    state.counters["ops/page"] = static_cast<double>(ops.size());
    state.counters["unsent/page"] = static_cast<double>(unsent);
    state.SetBytesProcessed(static_cast<int64_t>(bytes * pages));
}

}  // namespace

// The page as drawing calls on a vector device; argument 0 prints empty
// pages (the page's frame: headers, trailer, page records), 1 the letter
// page, 2 the page of paths, brushes and images.
// 3 the full page: that page with text in a resident face and as glyph images.
static PageKind kindOf(int64_t arg) {
    return arg == 0 ? PageKind::Empty : arg == 1 ? PageKind::Letter : arg == 2 ? PageKind::Drawing : PageKind::Full;
}
static void BM_PrintVectorPage(benchmark::State& state) { printPages(state, false, kindOf(state.range(0))); }
BENCHMARK(BM_PrintVectorPage)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same pages rendered by the engine into bands and sent as raster;
// argument 0 sends blank bands (the driver's part of a raster page alone).
static void BM_PrintRasterPage(benchmark::State& state) { printPages(state, true, kindOf(state.range(0))); }
BENCHMARK(BM_PrintRasterPage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The page of paths, brushes and images as raster in each form: argument 0
// 24-bit bands (print method 5), 1 grey rows (dmColor 1), 2 one-bit bands
// (dmColor 1, colour process 1).
static void BM_PrintRasterPageForm(benchmark::State& state) {
    const RasterForm forms[] = {RasterForm::Color24, RasterForm::Grey, RasterForm::OneBit};
    printPages(state, true, PageKind::Drawing, forms[state.range(0)]);
}
BENCHMARK(BM_PrintRasterPageForm)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
