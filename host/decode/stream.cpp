// The device stream: outer records, raw segments and pages.
#include "decode/stream.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>

#include "decode/pjl.h"

namespace vesk::decode {

namespace {

bool knownType(std::uint8_t t) {
    return t == kOuterPageOpen || t == kOuterTrailer || t == kOuterJobHeader || t == kOuterPageHeader ||
           t == kOuterDrawing;
}

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%02X", v & 0xFFu);
    return b;
}

class Decoder {
public:
    Decoder(Bytes in, const StreamOptions& o, Sink& s) : in_(in), opt_(o), sink_(s) {}

    Summary run() {
        try {
            if (!prepareRaw()) return sum_;
            while (pos_ < in_.size()) {
                if (!step()) return sum_;
            }
            if (expectOpen_ || pageOpen_) {
                if (!finishPage(false, in_.size())) return sum_;
                fail(in_.size(), "stream ends inside page " + std::to_string(page_) + " (no page trailer 0xF1)");
            }
        } catch (const std::bad_alloc&) {
            fail(pos_, "out of memory");
        } catch (...) {
            fail(pos_, "internal error");
        }
        return sum_;
    }

private:
    bool fail(std::uint64_t at, std::string why) {
        if (sum_.ok) {
            sum_.ok = false;
            sum_.error = Issue{at, std::move(why)};
        }
        return false;
    }
    // An outer-level fault: the open page's records before it are read
    // first, and a fault among them is reported instead, being earlier.
    bool failOuter(std::uint64_t at, std::string why) {
        if (pageOpen_ && !finishPage(false, at)) return false;
        return fail(at, std::move(why));
    }

    bool prepareRaw() {
        raw_ = opt_.rawSegments;
        raw_.erase(std::remove_if(raw_.begin(), raw_.end(), [](const RawSegment& r) { return r.size == 0; }),
                   raw_.end());
        std::sort(raw_.begin(), raw_.end(), [](const RawSegment& a, const RawSegment& b) { return a.offset < b.offset; });
        std::uint64_t end = 0;
        for (const RawSegment& r : raw_) {
            if (r.offset > in_.size() || r.size > in_.size() - r.offset)
                return fail(std::min<std::uint64_t>(r.offset, in_.size()),
                            "raw segment of " + std::to_string(r.size) + " bytes at " + std::to_string(r.offset) +
                                " runs past the stream's end");
            if (r.offset < end) return fail(r.offset, "raw segments overlap");
            end = r.offset + r.size;
        }
        return true;
    }

    bool plausibleHeader(std::size_t p) const {
        if (in_.size() - p < 8) return false;
        const std::uint8_t* h = in_.data() + p;
        return knownType(h[0]) && h[1] == 0 && h[2] == 0 && h[3] == 0 && le32(h + 4) <= in_.size() - p - 8;
    }

    void emitRaw(std::uint64_t offset, std::uint64_t size) {
        RawSegment r{offset, size};
        ++sum_.rawSegments;
        sink_.raw(r, in_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
        pos_ = static_cast<std::size_t>(offset + size);
    }

    bool step() {
        // A known raw segment here.
        while (nextRaw_ < raw_.size() && raw_[nextRaw_].offset < pos_) ++nextRaw_;  // (overlaps caught below)
        if (nextRaw_ < raw_.size() && raw_[nextRaw_].offset == pos_) {
            if (expectOpen_) return failOuter(pos_, "raw bytes between a page header and its 0xF0 marker");
            const RawSegment r = raw_[nextRaw_++];
            emitRaw(r.offset, r.size);
            return true;
        }
        const std::size_t left = in_.size() - pos_;
        const std::uint8_t* h = in_.data() + pos_;
        const bool headerFits = left >= 8;
        // The reserved bytes 1-3 of an outer header are written as 0 (the
        // device ignores them; zero keeps the output repeatable), so anything
        // else is refused.
        const bool valid = headerFits && knownType(h[0]) && h[1] == 0 && h[2] == 0 && h[3] == 0 &&
                           le32(h + 4) <= left - 8;
        if (!valid) {
            // An unframed segment, when asked to look for them. A header of a
            // known type whose length runs past the end is a cut stream, not
            // raw data.
            const bool cut = headerFits && knownType(h[0]) && h[1] == 0 && h[2] == 0 && h[3] == 0;
            if (opt_.scanRaw && !expectOpen_ && !cut) {
                std::size_t p = pos_ + 1;
                const std::size_t limit =
                    nextRaw_ < raw_.size() ? static_cast<std::size_t>(raw_[nextRaw_].offset) : in_.size();
                while (p < limit && !plausibleHeader(p)) ++p;
                emitRaw(pos_, p - pos_);
                return true;
            }
            if (!headerFits) return failOuter(pos_, "stream ends inside an outer record header");
            if (!knownType(h[0])) return failOuter(pos_, "unknown outer record type " + hex2(h[0]));
            for (int i = 1; i <= 3; ++i)
                if (h[i] != 0)
                    return failOuter(pos_ + i, "reserved byte " + std::to_string(i) + " of an outer record is " +
                                                   hex2(h[i]) + ", not 0");
            return failOuter(pos_ + 4, "outer record of " + std::to_string(le32(h + 4)) + " bytes, only " +
                                           std::to_string(left - 8) + " left in the stream");
        }
        OuterRecord rec{h[0], pos_, le32(h + 4)};
        const std::uint64_t end = pos_ + 8ull + rec.length;
        if (nextRaw_ < raw_.size() && raw_[nextRaw_].offset < end)
            return failOuter(raw_[nextRaw_].offset, "raw segment begins inside the outer record at offset " +
                                                         std::to_string(pos_));
        const Bytes data = in_.subspan(pos_ + 8, rec.length);
        if (expectOpen_ && rec.type != kOuterPageOpen)
            return failOuter(pos_, "page header not followed by its 0xF0 marker");
        switch (rec.type) {
        case kOuterJobHeader:
            if (!jobHeader(rec, data)) return false;
            break;
        case kOuterPageHeader:
            if (!sawJobHeader_) return fail(pos_, "page header (0xF4) before any job header (0xF3)");
            if (pageOpen_)
                return failOuter(pos_, "page header (0xF4) inside page " + std::to_string(page_) +
                                           " (no page trailer 0xF1 before it)");
            if (!checkText(data, pos_ + 8)) return false;
            ++page_;
            ++sum_.pages;
            pageOpen_ = true;
            expectOpen_ = true;
            drawing_ = DrawingStream();
            sink_.pageBegin(page_, rec, data);
            break;
        case kOuterPageOpen:
            if (!expectOpen_) return failOuter(pos_, "0xF0 marker not directly after a page header");
            if (rec.length != 0) return failOuter(pos_ + 4, "0xF0 marker of length " + std::to_string(rec.length) + ", not 0");
            expectOpen_ = false;
            break;
        case kOuterDrawing:
            if (!pageOpen_) return fail(pos_, "drawing block (0xF5) outside a page");
            // Every reservation is a multiple of 4 bytes, and a block holds
            // whole reservations: its length is one too.
            if (rec.length % 4)
                return failOuter(pos_ + 4, "drawing block of " + std::to_string(rec.length) +
                                               " bytes, not a multiple of 4");
            drawing_.appendBlock(data, pos_ + 8);
            break;
        case kOuterTrailer:
            if (!pageOpen_) return fail(pos_, "page trailer (0xF1) outside a page");
            if (!finishPage(true, pos_)) return false;
            pageOpen_ = false;
            if (!checkText(data, pos_ + 8)) return false;
            sink_.pageEnd(page_, rec, data);
            break;
        }
        lastWasFirstHeader_ = rec.type == kOuterJobHeader && headers_ == 1 && !jobNameSeen_;
        pos_ = static_cast<std::size_t>(end);
        return true;
    }

    bool jobHeader(const OuterRecord& rec, Bytes data) {
        if (pageOpen_)
            return failOuter(rec.offset, "job header (0xF3) inside page " + std::to_string(page_));
        // The first 0xF3 is the job header. The JOBNAME record follows it
        // directly, once, before the first page; later 0xF3 records are job
        // headers again (after a device reset).
        if (headers_ > 0 && looksLikeJobName(data)) {
            if (!lastWasFirstHeader_ || page_ != 0)
                return fail(rec.offset, "JOBNAME record not directly after the first job header");
            std::string name;
            Issue issue;
            if (!parseJobName(data, rec.offset + 8, &name, &issue)) return fail(issue.offset, issue.reason);
            jobNameSeen_ = true;
            sink_.jobName(rec, name);
            return true;
        }
        if (!checkText(data, rec.offset + 8)) return false;
        ++headers_;
        sawJobHeader_ = true;
        sink_.jobHeader(rec, data);
        return true;
    }

    bool checkText(Bytes data, std::uint64_t at) {
        Issue issue;
        if (!checkTextBlock(data, at, &issue)) return fail(issue.offset, issue.reason);
        return true;
    }

    // Reads the records of the open page. `complete`: its trailer was seen
    // at `endOffset`; otherwise the stream broke off there, and a record cut
    // short by that is not reported (the break is).
    bool finishPage(bool complete, std::uint64_t endOffset) {
        pageOpen_ = false;
        expectOpen_ = false;
        sink_.drawing(page_, drawing_);
        RecordReader reader(drawing_);
        PageRules rules;
        Record rec;
        Issue issue;
        for (;;) {
            const RecordReader::Status st = reader.next(&rec, &issue);
            if (st == RecordReader::Status::End) break;
            if (st == RecordReader::Status::Truncated) {
                if (!complete) return true;
                return fail(issue.offset, issue.reason);
            }
            if (st == RecordReader::Status::Bad) return fail(issue.offset, issue.reason);
            std::optional<Issue> warning;
            if (!rules.check(rec, &issue, &warning)) return fail(issue.offset, issue.reason);
            if (warning) {
                ++sum_.warnings;
                sink_.warning(*warning);
            }
            ++sum_.records;
            sink_.record(page_, rec, drawing_);
        }
        if (complete && !rules.finish(endOffset, &issue)) {
            issue.reason = "page " + std::to_string(page_) + ": " + issue.reason;
            return fail(issue.offset, issue.reason);
        }
        return true;
    }

    Bytes in_;
    const StreamOptions& opt_;
    Sink& sink_;
    Summary sum_;
    std::vector<RawSegment> raw_;
    std::size_t nextRaw_ = 0;
    std::size_t pos_ = 0;
    unsigned page_ = 0;
    unsigned headers_ = 0;
    bool sawJobHeader_ = false;
    bool jobNameSeen_ = false;
    bool lastWasFirstHeader_ = false;
    bool pageOpen_ = false;
    bool expectOpen_ = false;
    DrawingStream drawing_;
};

class Collector : public Sink {
public:
    explicit Collector(DecodedStream* out) : out_(out) {}
    void jobHeader(const OuterRecord&, Bytes text) override { out_->jobHeaders.emplace_back(text.begin(), text.end()); }
    void jobName(const OuterRecord&, const std::string& name) override { out_->jobName = name; }
    void raw(const RawSegment& r, Bytes) override { out_->raw.push_back(r); }
    void pageBegin(unsigned page, const OuterRecord&, Bytes text) override {
        DecodedPage p;
        p.number = page;
        p.header.assign(text.begin(), text.end());
        out_->pages.push_back(std::move(p));
    }
    void drawing(unsigned, const DrawingStream& s) override { out_->pages.back().drawing = s; }
    void record(unsigned, const Record& r, const DrawingStream&) override { out_->pages.back().records.push_back(r); }
    void pageEnd(unsigned, const OuterRecord&, Bytes text) override {
        out_->pages.back().trailer.assign(text.begin(), text.end());
    }
    void warning(const Issue& w) override { out_->warnings.push_back(w); }

private:
    DecodedStream* out_;
};

}  // namespace

Summary decodeStream(Bytes input, const StreamOptions& options, Sink& sink) noexcept {
    Decoder d(input, options, sink);
    return d.run();
}

DecodedStream decodeAll(Bytes input, const StreamOptions& options) noexcept {
    DecodedStream out;
    try {
        Collector c(&out);
        out.summary = decodeStream(input, options, c);
    } catch (...) {
        out.summary.ok = false;
        out.summary.error = Issue{0, "out of memory"};
    }
    return out;
}

}  // namespace vesk::decode
