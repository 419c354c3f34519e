// Compiled model image: tagged offsets of a stored image turned into plain offsets.
//
// A record's bounds are checked when the link to it is converted; its
// fields are then read and written without a bounds check each. Every
// function answers false as soon as a check fails.
#include "core/model/image.h"

#include <bit>
#include <cstring>

namespace vesk {

namespace {

class Relocator {
public:
    Relocator(uint8_t* block, uint32_t size) : b_(block), n_(size) {}

    bool run() {
        // Plain offsets of the option and string areas need no change; the
        // Exclusive rows and everything reachable from them, and the command
        // lists' conditions, are converted.
        uint32_t budget = n_ / kMdlImgExclusiveSize + 1;
        for (uint32_t row = get(MdlSlotOffset(kMdlSlotExclusive)); row; row = get(row)) {
            if (budget-- == 0 || MdlIsTagged(row) || !fits(row, kMdlImgExclusiveSize) || !this->row(row))
                return false;
        }
        for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g)
            if (!commandList(get(MdlSlotOffset(g)), 0)) return false;
        return true;
    }

private:
    uint8_t* const b_;
    const uint32_t n_;
    // Command lists and their nodes (8 bytes or more each) may be reached
    // once each: one budget for the whole image, so lists that several nodes
    // name cannot make the work grow beyond the image's size.
    uint32_t commandSteps_ = n_ / 8;

    // A record of `length` bytes at `off` lies past the header and inside.
    bool fits(uint32_t off, uint32_t length) const {
        return off >= kMdlHeaderSize && off <= n_ && length <= n_ - off;
    }
    // A field known to lie in the block.
    uint32_t get(uint32_t at) const {
        uint32_t x;
        std::memcpy(&x, b_ + at, sizeof x);
        if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
        return x;
    }
    // One 32-bit store: the list walk reads the field back at once, and
    // four byte stores could not be forwarded to that read.
    void set(uint32_t at, uint32_t x) {
        if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
        std::memcpy(b_ + at, &x, sizeof x);
    }

    enum class Step { Plain, Converted, Bad };
    // Converts the field at `at` (inside a checked record) when it is
    // tagged: Converted when it was (and what it names still needs
    // converting), Plain when it was not.
    Step convert(uint32_t at, uint32_t length) {
        const uint32_t x = get(at);
        if (!MdlIsTagged(x)) return Step::Plain;
        const uint32_t off = x / 16;
        if (!fits(off, length)) return Step::Bad;
        set(at, off);
        return Step::Converted;
    }
    bool cell(uint32_t at) { return convert(at, kMdlCellSize) != Step::Bad; }

    // Converts a list whose head field is at `headAt`; `entry` converts the
    // references of one record. The walk stops at a link already plain: the
    // rest of that list was converted before, so shared lists are converted
    // once and every step clears one tag, which bounds the walk.
    template <class Entry>
    bool list(uint32_t headAt, uint32_t recSize, Entry entry) {
        for (uint32_t at = headAt;;) {
            const Step s = convert(at, recSize);
            if (s != Step::Converted) return s == Step::Plain;
            const uint32_t rec = get(at);
            if (!entry(rec)) return false;
            at = rec;  // its next link is at +0
        }
    }
    static bool nothing(uint32_t) { return true; }

    // Most rules have no Transact list: an empty one is settled here rather
    // than by a call into the walk.
    bool transacts(uint32_t headAt) {
        if (get(headAt) == 0) return true;
        return list(headAt, kMdlImgPairSize, [this](uint32_t rec) {
            return cell(rec + kMdlTransactCond) && list(rec + kMdlTransactActions, kMdlImgPairSize, nothing);
        });
    }

    bool row(uint32_t row) {
        return cell(row + kMdlRuleCond1) && cell(row + kMdlRuleCond2) &&
               list(row + kMdlRuleValues, kMdlImgItemSize,
                    [this](uint32_t e) { return cell(e + kMdlItemCond1) && cell(e + kMdlItemCond2); }) &&
               list(row + kMdlRuleAlerts, kMdlImgAlertSize,
                    [this](uint32_t e) {
                        return cell(e + kMdlAlertCond) &&
                               list(e + kMdlAlertActions, kMdlImgPairSize,
                                    [this](uint32_t a) { return transacts(a + kMdlAnswerTransact); });
                    }) &&
               transacts(row + kMdlRuleTransact1) && transacts(row + kMdlRuleTransact2);
    }

    bool takeCommandStep() {
        if (commandSteps_ == 0) return false;
        --commandSteps_;
        return true;
    }

    bool commandList(uint32_t at, int depth) {
        if (at == 0) return true;
        if (!takeCommandStep() || depth > 64 || !fits(at, kMdlImgCommandListSize) || !cell(at + kMdlListCond))
            return false;
        for (uint32_t head : {at + kMdlListFirst, at + kMdlListSecond}) {
            for (uint32_t n = get(head); n; n = get(n)) {
                if (!takeCommandStep() || !fits(n, kMdlNodeSize)) return false;
                uint16_t kind;
                std::memcpy(&kind, b_ + n + kMdlNodeKind, sizeof kind);
                if constexpr (std::endian::native == std::endian::big) kind = __builtin_bswap16(kind);
                if (kind != kMdlNodeGroup) continue;
                // The nested list's field lies past the node's first 8 bytes.
                if (uint64_t{n} + kMdlNodeNested + 4 > n_ || !commandList(get(n + kMdlNodeNested), depth + 1))
                    return false;
            }
        }
        return true;
    }
};

}  // namespace

bool MdlRelocateImage(uint8_t* block, size_t size) {
    if (!block || size < kMdlHeaderSize || size > kMdlImageMaxSize) return false;
    uint32_t total;
    std::memcpy(&total, block + kMdlImgTotalSize, sizeof total);
    if constexpr (std::endian::native == std::endian::big) total = __builtin_bswap32(total);
    if (total != size) return false;
    return Relocator(block, total).run();
}

}  // namespace vesk
