// Drawing scripts: the player, which runs a read script against the engine
// and a driver table.
#include "vds.h"

#include <winsim/winsim.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <sstream>

#include "bmp.h"

namespace vds {

namespace eng = winsim::engine;

// ---------------------------------------------------------------------------
// The player.

namespace {

std::string hexBytes(const std::vector<uint8_t>& b, size_t max = 64) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < b.size() && i < max; ++i) {
        s.push_back(d[b[i] >> 4]);
        s.push_back(d[b[i] & 15]);
    }
    if (b.size() > max) s += "...";
    return s;
}

class Player {
public:
    Player(const eng::DriverTable& driver, const Host& host) : driver_(driver), host_(host) {}

    PlayResult run(const Script& s) {
        for (const Command& c : s.commands) {
            if (!step(c)) break;
            if (c.kind == Command::End) break;
        }
        finish();
        return result_;
    }

private:
    bool fail(const Command& c, const std::string& why) {
        if (result_.error.empty()) result_.error = "line " + std::to_string(c.line) + ": " + why;
        log("error: " + result_.error);
        stopped_ = true;
        return false;
    }
    void log(const std::string& line) {
        if (host_.log) host_.log(line);
    }

    bool readFile(const std::string& path, std::string& bytes, std::string* error) {
        if (host_.readFile) return host_.readFile(path, bytes, error);
        std::filesystem::path p(path);
        if (p.is_relative() && !host_.baseDir.empty()) p = host_.baseDir / p;
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            if (error) *error = "cannot open " + p.string();
            return false;
        }
        in.seekg(0, std::ios::end);
        std::streamoff size = in.tellg();
        if (size < 0 || size > (300ll << 20)) {
            if (error) *error = "file too large: " + p.string();
            return false;
        }
        in.seekg(0);
        bytes.resize(static_cast<size_t>(size));
        if (!in.read(bytes.data(), size)) {
            if (error) *error = "cannot read " + p.string();
            return false;
        }
        return true;
    }

    std::shared_ptr<const eng::Image> image(const Command& c, const std::string& path) {
        auto it = images_.find(path);
        if (it != images_.end()) return it->second;
        std::string bytes, why;
        if (!readFile(path, bytes, &why)) {
            fail(c, why);
            return nullptr;
        }
        auto img = std::make_shared<eng::Image>();
        if (!readBmp(bytes, *img, &why)) {
            fail(c, path + ": " + why);
            return nullptr;
        }
        images_[path] = img;
        return img;
    }

    bool buildDevmode(const Command& at, std::vector<uint8_t>& dm) {
        if (!devmodeFile_.empty()) {
            std::string bytes, why;
            if (!readFile(devmodeFile_, bytes, &why)) return fail(at, why);
            dm.assign(bytes.begin(), bytes.end());
        } else if (host_.defaultDevmode) {
            dm = host_.defaultDevmode(hPrinter_, printer_);
        }
        if (dm.size() < 220) dm = minimalDevmode(printer_);
        std::string why;
        if (!applyDevmodeFields(dm, devmodeFields_, &why)) return fail(at, why);
        return true;
    }

    bool ensureSession(const Command& c) {
        if (session_) return true;
        std::string why;
        if (host_.openPrinter) {
            hPrinter_ = host_.openPrinter(printer_, &why);
            if (!hPrinter_) return fail(c, "cannot open the printer: " + why);
        }
        if (!buildDevmode(c, devmode_)) return false;
        eng::SessionOptions o = host_.session;
        o.devmode = devmode_;
        o.printerName = printer_;
        o.hPrinter = hPrinter_;
        o.bandingSkipsStartPage = emf_;
        if (!o.log) o.log = host_.log;
        session_ = eng::Session::create(driver_, std::move(o), &why);
        if (!session_) return fail(c, "the driver's device could not be made: " + why);
        for (const auto& f : faces_) session_->addFont(f);
        std::u16string doc = winsim::fromUtf8(jobName_);
        if (host_.startJob) jobId_ = host_.startJob(hPrinter_, doc, winsim::fromUtf8(jobUser_));
        if (!session_->startDoc(doc, jobId_)) return fail(c, "DrvStartDoc failed");
        docStarted_ = true;
        return true;
    }

    void finish() {
        if (session_) {
            if (docStarted_) session_->endDoc(stopped_);
            session_.reset();
        }
        if (host_.endJob && jobId_) host_.endJob(hPrinter_, jobId_);
        if (hPrinter_ && host_.closePrinter) host_.closePrinter(hPrinter_);
        hPrinter_ = nullptr;
        if (result_.error.empty()) result_.ok = true;
    }

    void draw(const Command& c, eng::Operation& op) {
        op.clip = clip_;
        op.brushOrigin = brushOrg_;
        op.mix = mix_;
        if (!session_->draw(op)) {
            ++result_.failedDraws;
            log("line " + std::to_string(c.line) + ": the drawing failed");
        }
    }

    bool step(const Command& c) {
        using K = Command::Kind;
        bool started = session_ != nullptr;
        switch (c.kind) {
            case K::Machine: {
                if (started) return fail(c, "machine after the job started");
                std::string why;
                if (host_.useMachine && !host_.useMachine(c.text, &why)) return fail(c, "machine: " + why);
                return true;
            }
            case K::Printer:
                if (started) return fail(c, "printer after the job started");
                printer_ = winsim::fromUtf8(c.text);
                return true;
            case K::Devmode:
                if (started) return fail(c, "devmode after the job started (use resetdc)");
                if (!c.devmodeFile.empty()) devmodeFile_ = c.devmodeFile;
                devmodeFields_.insert(devmodeFields_.end(), c.fields.begin(), c.fields.end());
                return true;
            case K::Job:
                if (started) return fail(c, "job after the job started");
                jobName_ = c.jobName;
                jobUser_ = c.jobUser;
                emf_ = c.emf;
                return true;
            case K::FontFace: {
                auto f = std::make_shared<eng::FontFace>(c.face);
                faces_.push_back(f);
                if (session_) session_->addFont(f);
                return true;
            }
            case K::Glyph:
            case K::DefinePath: return true;
            case K::Escape: {
                if (!ensureSession(c)) return false;
                std::vector<uint8_t> out;
                ULONG r = session_->escape(c.escape, c.escapeIn, c.escapeOut, &out);
                log("escape " + std::to_string(c.escape) + " -> " + std::to_string(static_cast<LONG>(r)) +
                    (out.empty() ? "" : " out " + hexBytes(out)));
                return true;
            }
            case K::Icm: {
                if (!ensureSession(c)) return false;
                if (c.icmProfile.empty()) {
                    session_->icmStop();
                    log("icm off");
                    return true;
                }
                std::string bytes, why;
                if (!readFile(c.icmProfile, bytes, &why)) return fail(c, why);
                // A device without colour management draws on without it.
                const bool made = session_->icmStart(std::vector<uint8_t>(bytes.begin(), bytes.end()));
                log("icm profile " + c.icmProfile + (made ? "" : ": no colour transform"));
                return true;
            }
            case K::ResetDc: {
                if (!ensureSession(c)) return false;
                std::vector<uint8_t> dm = devmode_;
                std::string why;
                if (!applyDevmodeFields(dm, c.fields, &why)) return fail(c, why);
                if (!session_->reset(dm, &why)) return fail(c, "resetdc: " + why);
                devmode_ = dm;
                return true;
            }
            case K::Page:
                if (!ensureSession(c)) return false;
                if (!session_->startPage()) return fail(c, "DrvStartPage failed");
                return true;
            case K::EndPage:
                if (!session_->endPage()) return fail(c, "the page could not be finished");
                ++result_.pages;
                return true;
            case K::End: return true;
            case K::Clip: clip_ = c.clip; return true;
            case K::Brush:
                brush_ = c.brush;
                if (c.brush.kind == eng::BrushSpec::Pattern) {
                    brush_.pattern = image(c, c.brushFile);
                    if (!brush_.pattern) return false;
                }
                return true;
            case K::Pen: pen_ = c.pen; return true;
            case K::Xform: xform_ = c.xform; return true;
            case K::Mix: mix_ = c.mix; return true;
            case K::BrushOrg: brushOrg_ = c.point; return true;
            case K::Font: font_ = c.font; return true;
            case K::Fill:
            case K::Stroke:
            case K::StrokeFill: {
                eng::Operation op;
                op.kind = c.kind == K::Fill ? eng::Operation::FillPath
                          : c.kind == K::Stroke ? eng::Operation::StrokePath
                                                : eng::Operation::StrokeAndFillPath;
                op.path = c.path;
                op.winding = c.winding;
                op.pen = pen_;
                op.xform = xform_;
                op.brush = brush_;
                if (op.kind != eng::Operation::StrokePath && brush_.kind == eng::BrushSpec::None) return true;
                draw(c, op);
                return true;
            }
            case K::Rect: {
                eng::Operation op;
                op.kind = eng::Operation::BitBlt;
                op.dst = c.dst;
                op.rop4 = c.rop4;
                op.brush = brush_;
                draw(c, op);
                return true;
            }
            case K::BitBlt:
            case K::Stretch:
            case K::Copy: {
                eng::Operation op;
                op.kind = c.kind == K::BitBlt ? eng::Operation::BitBlt
                          : c.kind == K::Stretch ? eng::Operation::StretchBlt
                                                 : eng::Operation::CopyBits;
                op.dst = c.dst;
                op.source = image(c, c.srcFile);
                if (!op.source) return false;
                op.srcPoint = c.srcAt;
                if (!c.maskFile.empty()) {
                    op.mask = image(c, c.maskFile);
                    if (!op.mask) return false;
                    if (op.mask->bitsPerPixel != 1) return fail(c, "a mask must be a one-bit image");
                }
                op.maskPoint = c.maskAt;
                if (c.hasSrcRect) op.srcRect = c.srcRect;
                op.stretchMode = c.mode;
                op.brush = brush_;
                if (c.kind == K::BitBlt) {
                    op.rop4 = c.rop4;
                    if (!op.mask && (c.rop4 & 0xFF) != ((c.rop4 >> 8) & 0xFF))
                        op.rop4 = (c.rop4 & 0xFF) | ((c.rop4 & 0xFF) << 8);  // no mask: one operation
                } else if (c.kind == K::Stretch && c.hasRop) {
                    op.withRop = true;
                    op.rop4 = c.rop4;
                }
                draw(c, op);
                return true;
            }
            case K::Text: {
                eng::Operation op;
                op.kind = eng::Operation::TextOut;
                op.text = c.textSpec;
                op.text.font = font_;
                op.brush = brush_.kind == eng::BrushSpec::None ? eng::BrushSpec{} : brush_;
                draw(c, op);
                return true;
            }
        }
        return true;
    }

    const eng::DriverTable& driver_;
    const Host& host_;
    PlayResult result_;
    bool stopped_ = false;
    std::unique_ptr<eng::Session> session_;
    HANDLE hPrinter_ = nullptr;
    std::u16string printer_;
    std::string devmodeFile_;
    std::vector<std::pair<std::string, std::string>> devmodeFields_;
    std::vector<uint8_t> devmode_;
    std::string jobName_, jobUser_;
    bool emf_ = false;
    DWORD jobId_ = 1;
    bool docStarted_ = false;
    std::vector<std::shared_ptr<const eng::FontFace>> faces_;
    std::map<std::string, std::shared_ptr<const eng::Image>> images_;
    // The drawing state, kept across pages as a device context keeps it.
    eng::ClipSpec clip_;
    eng::BrushSpec brush_;
    eng::PenSpec pen_;
    eng::Transform xform_;
    MIX mix_ = R2_COPYPEN | (R2_COPYPEN << 8);
    POINTL brushOrg_{};
    eng::FontSpec font_;
};

}  // namespace

PlayResult play(const Script& script, const eng::DriverTable& driver, const Host& host) {
    try {
        Player p(driver, host);
        return p.run(script);
    } catch (const std::bad_alloc&) {
        PlayResult r;
        r.error = "out of memory";
        return r;
    }
}

}  // namespace vds
