// A vector page on a device of the driver: the test calls the drawing
// functions itself with engine objects it makes, then reads the page's
// records back as listing lines.
#pragma once
#include <gdi/internal.h>

#include <memory>
#include <string>
#include <vector>

#include "decode/listing.h"
#include "frame_support.h"
#include "vector/vector.h"

namespace grtest {

namespace gdi = winsim::gdi;

// A bitmap the test fills: `bits` per pixel, top-down unless `bottomUp`.
struct TestBitmap {
    HSURF h = nullptr;
    SURFOBJ* so = nullptr;
    TestBitmap(LONG w, LONG hgt, ULONG format, bool bottomUp = false) {
        h = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, hgt}, 0, format, bottomUp ? 0 : BMF_TOPDOWN, nullptr));
        so = h ? EngLockSurface(h) : nullptr;
    }
    ~TestBitmap() {
        if (so) EngUnlockSurface(so);
        if (h) EngDeleteSurface(h);
    }
    BYTE* row(LONG y) { return static_cast<BYTE*>(so->pvScan0) + std::ptrdiff_t{y} * so->lDelta; }
    void put24(LONG x, LONG y, DWORD rgb) {
        BYTE* p = row(y) + x * 3;
        p[0] = static_cast<BYTE>(rgb);
        p[1] = static_cast<BYTE>(rgb >> 8);
        p[2] = static_cast<BYTE>(rgb >> 16);
    }
};

// A translation of the test's own: its entries only.
struct TestXlate {
    std::vector<ULONG> entries;
    XLATEOBJ xo{};
    explicit TestXlate(std::vector<ULONG> e, FLONG fl = XO_TABLE) : entries(std::move(e)) {
        xo.flXlate = fl;
        xo.cEntries = static_cast<ULONG>(entries.size());
        xo.pulXlate = entries.data();
    }
};

// A path of closed or open figures of whole-pixel points.
inline gdi::Path* makePath(const std::vector<std::vector<POINTL>>& figures, bool closed) {
    gdi::PathGeom g;
    for (const auto& f : figures) {
        gdi::SubPath s;
        s.start = POINTFIX{f[0].x * 16, f[0].y * 16};
        for (size_t i = 1; i < f.size(); ++i) {
            gdi::Segment seg;
            seg.p[0] = POINTFIX{f[i].x * 16, f[i].y * 16};
            s.segs.push_back(seg);
        }
        s.closed = closed;
        g.subs.push_back(s);
    }
    return gdi::newPath(g);
}
struct PathDeleter {
    void operator()(gdi::Path* p) const { gdi::deletePath(p); }
};
using PathPtr = std::unique_ptr<gdi::Path, PathDeleter>;

class VectorPage : public DriverMachine {
protected:
    // A device with its document and first page started.
    void start(const std::vector<std::pair<int, uint32_t>>& items = {}) {
        if (!items.empty()) setPrinterItems(items);
        ASSERT_TRUE(d_.make(printer_)) << d_.error;
        job_ = startSpoolJob(u"Vector");
        ASSERT_TRUE(DrvStartDoc(d_.so(), nullptr, job_));
        ASSERT_TRUE(DrvStartPage(d_.so()));
    }
    SURFOBJ* so() { return d_.so(); }
    vesk::Pdev* pdev() { return d_.pdev(); }
    std::unique_ptr<gdi::Brush> solid(DWORD rgb) { return gdi::makeSolidBrush(rgb, so(), d_.session->hdev()); }

    // Ends the page and the document; the page's drawing records as listing
    // lines, without PageStart and PageEnd.
    std::vector<std::string> finish() {
        EXPECT_TRUE(DrvSendPage(so()));
        EXPECT_TRUE(DrvEndDoc(so(), 0));
        const std::vector<std::uint8_t> bytes = spoolBytes(job_);
        vesk::decode::DecodedStream s = vesk::decode::decodeAll(vesk::decode::Bytes(bytes.data(), bytes.size()));
        EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
        decoded_ = std::move(s);
        return pageLines(0);
    }
    // The records of page `index` (from 0) of the finished job.
    std::vector<std::string> pageLines(size_t index) const {
        std::vector<std::string> lines;
        if (index >= decoded_.pages.size()) return lines;
        const auto& page = decoded_.pages[index];
        for (size_t i = 1; i + 1 < page.records.size(); ++i)
            lines.push_back(vesk::decode::describeRecord(page.records[i], page.drawing));
        return lines;
    }
    // Colour output on a colour machine: 24-bit images stay 24-bit.
    void colourOutput() {
        pdev()->machineColor = 1;
        pdev()->color = 2;
    }
    // The lines that begin with `prefix`.
    static std::vector<std::string> only(const std::vector<std::string>& lines, const std::string& prefix) {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

    EngineDevice d_;
    DWORD job_ = 0;
    vesk::decode::DecodedStream decoded_;
};

}  // namespace grtest
