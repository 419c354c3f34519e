// The engine's side of a job: the driver's device and surface, documents,
// pages and banding; the drawing operations go through session_draw.cpp.
#include <winsim/engine.h>

#include "session.h"

#include <win/icm.h>

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>

namespace winsim::engine {

// ---------------------------------------------------------------------------
// Geometry builders.

Path& Path::moveTo(LONG x, LONG y) {
    Figure f;
    f.start = {x * 16, y * 16};
    figures.push_back(std::move(f));
    return *this;
}

Path& Path::lineTo(LONG x, LONG y) {
    if (figures.empty()) return moveTo(x, y);
    Segment s;
    s.p[0] = {x * 16, y * 16};
    figures.back().segs.push_back(s);
    return *this;
}

Path& Path::bezierTo(LONG x1, LONG y1, LONG x2, LONG y2, LONG x3, LONG y3) {
    if (figures.empty()) moveTo(x1, y1);
    Segment s;
    s.bezier = true;
    s.p[0] = {x1 * 16, y1 * 16};
    s.p[1] = {x2 * 16, y2 * 16};
    s.p[2] = {x3 * 16, y3 * 16};
    figures.back().segs.push_back(s);
    return *this;
}

Path& Path::close() {
    if (!figures.empty()) figures.back().closed = true;
    return *this;
}

Path Path::rect(LONG left, LONG top, LONG right, LONG bottom) {
    Path p;
    p.moveTo(left, top).lineTo(right, top).lineTo(right, bottom).lineTo(left, bottom).close();
    return p;
}

bool Image::valid() const {
    if (width <= 0 || height <= 0 || width > 0x100000 || height > 0x100000) return false;
    switch (bitsPerPixel) {
        case 1:
        case 4:
        case 8:
            if (palette.empty() || palette.size() > (size_t{1} << bitsPerPixel)) return false;
            break;
        case 16:
        case 24:
        case 32: break;
        default: return false;
    }
    return bits.size() / stride() >= static_cast<size_t>(height);
}

bool loadDriver(PFN_DrvEnableDriver enable, DriverTable& out, std::string* error, ULONG engineVersion) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    out = DriverTable{};
    if (!enable) return fail("no DrvEnableDriver");
    DRVENABLEDATA ded{};
    if (!enable(engineVersion, sizeof ded, &ded)) return fail("DrvEnableDriver answered FALSE");
    if (ded.c == 0 || !ded.pdrvfn) return fail("DrvEnableDriver gave no functions");
    if (ded.c > 1024) return fail("DrvEnableDriver gave an implausible function count");
    out.driverVersion = ded.iDriverVersion;
    for (ULONG i = 0; i < ded.c; ++i) {
        ULONG idx = ded.pdrvfn[i].iFunc;
        if (idx <= INDEX_LAST) out.fn[idx] = ded.pdrvfn[i].pfn;
    }
    for (ULONG need : {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface,
                       INDEX_DrvDisableSurface})
        if (!out.has(need)) return fail("the driver lacks function " + std::to_string(need));
    return true;
}


// ---------------------------------------------------------------------------
// The session.

bool Session::Impl::enableDevice(const std::vector<uint8_t>& devmode, Device& d, std::string* error) {
    d.devmode = devmode;
    d.deviceName = opt.printerName;
    d.hdev = registerDevice(DeviceLink{});
    auto enablePdev = fn<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
    d.dhpdev = enablePdev(d.devmode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(d.devmode.data()), nullptr,
                          HS_DDI_MAX, d.patterns, sizeof(GDIINFO), reinterpret_cast<ULONG*>(&d.gdi), sizeof(DEVINFO),
                          &d.dev, d.hdev, d.deviceName.empty() ? nullptr : d.deviceName.data(), opt.hPrinter);
    log(std::string("DrvEnablePDEV -> ") + (d.dhpdev ? "device" : "null"));
    if (!d.dhpdev) {
        unregisterDevice(d.hdev);
        d.hdev = nullptr;
        if (error) *error = "DrvEnablePDEV failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    d.palette = paletteFromHandle(d.dev.hpalDefault);
    if (!d.palette) d.palette = defaultPalette(d.gdi.cBitsPixel == 1 ? BMF_1BPP : BMF_24BPP);
    DeviceLink link;
    link.dhpdev = d.dhpdev;
    link.palette = d.palette;
    if (d.gdi.xStyleStep > 0 && d.gdi.denStyleStep > 0)
        link.styleUnit = static_cast<double>(d.gdi.denStyleStep) / d.gdi.xStyleStep;
    if (auto realize = fn<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush)) {
        link.realizeBrush = [this, realize](BRUSHOBJ* pbo, SURFOBJ* t, SURFOBJ* p, SURFOBJ* m, XLATEOBJ* x,
                                            ULONG hatch) {
            BOOL r = realize(pbo, t, p, m, x, hatch);
            log("DrvRealizeBrush hatch " + std::to_string(hatch) + " -> " + std::to_string(r));
            return r;
        };
    }
    updateDevice(d.hdev, link);
    fn<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV)(d.dhpdev, d.hdev);
    log("DrvCompletePDEV");
    return true;
}

bool Session::Impl::enableSurface(Device& d, std::string* error) {
    d.hsurf = fn<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(d.dhpdev);
    log(std::string("DrvEnableSurface -> ") + (d.hsurf ? "surface" : "null"));
    auto s = d.hsurf ? surfaceFromHandle(d.hsurf) : nullptr;
    if (!s || !s->associated || s->so.hdev != d.hdev) {
        if (error) *error = d.hsurf ? "the driver's surface is not associated with its device" : "DrvEnableSurface failed";
        return false;
    }
    d.pso = EngLockSurface(d.hsurf);
    d.hooks = s->hooks;
    d.banding = s->banding && isBitmap(d.pso);
    return d.pso != nullptr;
}

void Session::Impl::disableSurface(Device& d) {
    if (!d.hsurf) return;
    fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(d.dhpdev);
    log("DrvDisableSurface");
    if (d.pso) EngUnlockSurface(d.pso);
    d.pso = nullptr;
    d.hsurf = nullptr;
}

bool Session::Impl::icmCreate(Device& d) {
    auto create = fn<PFN_DrvIcmCreateColorTransform>(INDEX_DrvIcmCreateColorTransform);
    if (!create || !fn<PFN_DrvIcmDeleteColorTransform>(INDEX_DrvIcmDeleteColorTransform)) {
        log("colour management: the driver has no DrvIcmCreateColorTransform/DrvIcmDeleteColorTransform");
        return false;
    }
    LOGCOLORSPACEW lcs{};
    lcs.lcsSignature = LCS_SIGNATURE;
    lcs.lcsVersion = 0x400;
    lcs.lcsSize = sizeof lcs;
    lcs.lcsCSType = LCS_sRGB;
    lcs.lcsIntent = LCS_GM_IMAGES;
    std::vector<uint8_t> dest = icmProfile;  // the driver gets its own copy to read
    icmTransform = create(d.dhpdev, &lcs, nullptr, 0, dest.data(), static_cast<ULONG>(dest.size()), nullptr, 0, 0);
    log(std::string("DrvIcmCreateColorTransform -> ") + (icmTransform ? "transform" : "null"));
    return icmTransform != nullptr;
}

void Session::Impl::icmDelete(Device& d) {
    if (!icmTransform) return;
    auto del = fn<PFN_DrvIcmDeleteColorTransform>(INDEX_DrvIcmDeleteColorTransform);
    BOOL r = del ? del(d.dhpdev, icmTransform) : FALSE;
    log("DrvIcmDeleteColorTransform -> " + std::to_string(r));
    icmTransform = nullptr;
}

void Session::Impl::disablePdev(Device& d) {
    if (&d == &cur) icmDelete(d);
    d.fontCache.clear();
    if (d.dhpdev) {
        fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(d.dhpdev);
        log("DrvDisablePDEV");
    }
    if (d.hdev) unregisterDevice(d.hdev);
    d = Device{};
}

// ---------------------------------------------------------------------------
// Session.

Session::Session(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Session> Session::create(const DriverTable& driver, SessionOptions options, std::string* error) {
    try {
        auto impl = std::make_unique<Impl>();
        impl->drv = driver;
        impl->opt = std::move(options);
        for (ULONG need : {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface,
                           INDEX_DrvDisableSurface})
            if (!driver.has(need)) {
                if (error) *error = "the driver table lacks function " + std::to_string(need);
                return nullptr;
            }
        if (!impl->enableDevice(impl->opt.devmode, impl->cur, error)) return nullptr;
        if (!impl->enableSurface(impl->cur, error)) {
            impl->disableSurface(impl->cur);
            impl->disablePdev(impl->cur);
            return nullptr;
        }
        return std::unique_ptr<Session>(new Session(std::move(impl)));
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
        return nullptr;
    }
}

Session::~Session() {
    if (!impl_) return;
    impl_->disableSurface(impl_->cur);
    impl_->disablePdev(impl_->cur);
}

const GDIINFO& Session::gdiInfo() const { return impl_->cur.gdi; }
const DEVINFO& Session::devInfo() const { return impl_->cur.dev; }
DHPDEV Session::dhpdev() const { return impl_->cur.dhpdev; }
HDEV Session::hdev() const { return impl_->cur.hdev; }
SURFOBJ* Session::surface() const { return impl_->cur.pso; }
bool Session::banding() const { return impl_->cur.banding; }
FLONG Session::hooks() const { return impl_->cur.hooks; }
size_t Session::fallbackCount() const { return impl_->fallbacks; }
size_t Session::bandCount() const { return impl_->bands; }
size_t Session::errorCount() const { return impl_->errors; }
size_t Session::bandSkipCount() const { return impl_->bandSkips; }

bool Session::icmStart(const std::vector<uint8_t>& profile) {
    Impl& m = *impl_;
    m.icmDelete(m.cur);
    m.icmProfile = profile;
    if (profile.empty()) return false;
    return m.icmCreate(m.cur);
}

bool Session::icmStop() {
    Impl& m = *impl_;
    const bool had = m.icmTransform != nullptr;
    m.icmDelete(m.cur);
    m.icmProfile.clear();
    return had;
}

bool Session::icmActive() const { return impl_->icmTransform != nullptr; }

void Session::addFont(std::shared_ptr<const FontFace> face) {
    if (face) impl_->faces.push_back(std::move(face));
}

std::vector<std::u16string> Session::deviceFontNames() {
    impl_->loadDeviceFonts();
    std::vector<std::u16string> out;
    for (const auto& f : impl_->cur.fonts) out.push_back(f.name);
    return out;
}

bool Session::startDoc(const std::u16string& docName, DWORD jobId) {
    auto f = impl_->fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
    impl_->docName = docName;
    impl_->jobId = jobId;
    BOOL r = TRUE;
    if (f) {
        std::u16string name = docName;
        r = f(impl_->cur.pso, name.empty() ? nullptr : name.data(), jobId);
        impl_->log("DrvStartDoc job " + std::to_string(jobId) + " -> " + std::to_string(r));
    }
    impl_->docStarted = r == TRUE;
    return r == TRUE;
}

bool Session::startPage() {
    impl_->inPage = true;
    impl_->pageOps.clear();
    impl_->lastClipValid = false;
    if (impl_->cur.banding && impl_->opt.bandingSkipsStartPage) {
        impl_->log("DrvStartPage left out (the band loop starts the page)");
        return true;
    }
    auto f = impl_->fn<PFN_DrvStartPage>(INDEX_DrvStartPage);
    if (!f) return true;
    BOOL r = f(impl_->cur.pso);
    impl_->log("DrvStartPage -> " + std::to_string(r));
    return r == TRUE;
}

bool Session::draw(const Operation& op) {
    if (impl_->cur.banding) {
        try {
            impl_->pageOps.push_back(op);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    return impl_->execute(op, POINTL{0, 0}, false);
}

bool Session::endPage() {
    Impl& m = *impl_;
    m.inPage = false;
    if (!m.cur.banding) {
        auto f = m.fn<PFN_DrvSendPage>(INDEX_DrvSendPage);
        if (!f) return true;
        BOOL r = f(m.cur.pso);
        m.log("DrvSendPage -> " + std::to_string(r));
        return r == TRUE;
    }
    auto start = m.fn<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
    auto next = m.fn<PFN_DrvNextBand>(INDEX_DrvNextBand);
    std::vector<Operation> ops = std::move(m.pageOps);
    m.pageOps.clear();
    // The list goes back empty with its room for the next page.
    struct GiveBack {
        std::vector<Operation>& from;
        std::vector<Operation>& to;
        ~GiveBack() {
            from.clear();
            if (to.empty()) to = std::move(from);
        }
    } giveBack{ops, m.pageOps};
    m.bands = 0;
    if (!start || !next) {
        m.log("banding surface without DrvStartBanding and DrvNextBand");
        return false;
    }
    // Each band is drawn from the operations that touch it.
    m.bandSkips = 0;
    std::vector<RECTL> boxes(ops.size());
    std::vector<char> known(ops.size(), 0);
    try {
        for (size_t i = 0; i < ops.size(); ++i) known[i] = m.pageBounds(ops[i], &boxes[i]);
    } catch (const std::bad_alloc&) {
        std::fill(known.begin(), known.end(), 0);
    }
    POINTL org{0, 0};
    BOOL r = start(m.cur.pso, &org);
    m.log("DrvStartBanding -> " + std::to_string(r) + " origin " + std::to_string(org.x) + "," + std::to_string(org.y));
    if (r != TRUE) return false;
    bool ok = true;
    // A page has at most one band per row, and one more below it.
    size_t limit = static_cast<size_t>(std::max<LONG>(m.cur.gdi.ulVertRes, m.cur.pso->sizlBitmap.cy)) + 2;
    for (;;) {
        if (++m.bands > limit) {
            m.log("the driver keeps asking for bands; the page is abandoned");
            return false;
        }
        m.lastClipValid = false;
        const RECTL band{org.x, org.y, org.x + m.cur.pso->sizlBitmap.cx, org.y + m.cur.pso->sizlBitmap.cy};
        for (size_t i = 0; i < ops.size(); ++i) {
            RECTL b = boxes[i];
            if (known[i] && !intersectRect(b, band)) {
                ++m.bandSkips;
                continue;
            }
            ok = m.execute(ops[i], org, true) && ok;
        }
        POINTL nextOrg{0, 0};
        r = next(m.cur.pso, &nextOrg);
        m.log("DrvNextBand -> " + std::to_string(r) + " origin " + std::to_string(nextOrg.x) + "," +
              std::to_string(nextOrg.y));
        if (r != TRUE) return false;
        if (nextOrg.x == -1 && nextOrg.y == -1) break;
        org = nextOrg;
    }
    return ok;
}

bool Session::endDoc(bool abort) {
    auto f = impl_->fn<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
    impl_->docStarted = false;
    if (!f) return true;
    BOOL r = f(impl_->cur.pso, abort ? ED_ABORTDOC : 0);
    impl_->log("DrvEndDoc -> " + std::to_string(r));
    return r == TRUE;
}

ULONG Session::escape(ULONG iEsc, const std::vector<uint8_t>& in, ULONG outSize, std::vector<uint8_t>* out) {
    auto f = impl_->fn<PFN_DrvEscape>(INDEX_DrvEscape);
    if (out) out->clear();
    if (!f) return 0;
    std::vector<uint8_t> input = in;
    std::vector<uint8_t> output(outSize, 0);
    ULONG r = f(impl_->cur.pso, iEsc, static_cast<ULONG>(input.size()), input.empty() ? nullptr : input.data(), outSize,
                outSize ? output.data() : nullptr);
    impl_->log("DrvEscape " + std::to_string(iEsc) + " -> " + std::to_string(static_cast<LONG>(r)));
    if (out) *out = std::move(output);
    return r;
}

bool Session::reset(const std::vector<uint8_t>& devmode, std::string* error) {
    Impl& m = *impl_;
    Device fresh;
    if (!m.enableDevice(devmode, fresh, error)) return false;
    if (auto f = m.fn<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)) {
        BOOL r = f(m.cur.dhpdev, fresh.dhpdev);
        m.log("DrvResetPDEV -> " + std::to_string(r));
        if (r != TRUE) {
            m.disablePdev(fresh);
            if (error) *error = "DrvResetPDEV failed";
            return false;
        }
    }
    const bool icm = m.icmTransform != nullptr;
    m.disableSurface(m.cur);
    m.disablePdev(m.cur);
    m.cur = std::move(fresh);
    m.lastClipValid = false;
    if (!m.enableSurface(m.cur, error)) return false;
    if (icm) m.icmCreate(m.cur);  // the new device gets its own transform
    if (m.docStarted) {
        std::u16string name = m.docName;
        if (auto f = m.fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc)) {
            BOOL r = f(m.cur.pso, name.empty() ? nullptr : name.data(), m.jobId);
            m.log("DrvStartDoc job " + std::to_string(m.jobId) + " -> " + std::to_string(r));
            if (r != TRUE) {
                if (error) *error = "DrvStartDoc failed on the new device";
                return false;
            }
        }
    }
    return true;
}


}  // namespace winsim::engine
