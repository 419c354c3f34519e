// Compiled model image: tagged offsets of a stored image turned into plain offsets.
#include "core/model/image.h"

namespace vesk {

namespace {

struct Relocator {
    uint8_t* b;
    MdlImageView v;
    bool ok = true;
    // Command lists and their nodes (8 bytes or more each) may be reached
    // once each: one budget for the whole image, so lists that several nodes
    // name cannot make the work grow beyond the image's size.
    uint32_t commandSteps = static_cast<uint32_t>(v.size() / 8);

    uint32_t get(uint32_t at) {
        uint32_t x;
        if (!v.u32(at, &x)) ok = false;
        return x;
    }
    void set(uint32_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(x >> (8 * i));
    }
    // Converts the field at `at` when it is tagged; returns whether it was
    // (and so whether what it names still needs converting).
    bool convert(uint32_t at, uint32_t length) {
        uint32_t x = get(at);
        if (!ok || !MdlIsTagged(x)) return false;
        uint32_t off = x / 16;
        if (off < kMdlHeaderSize || !v.inside(off, length)) {
            ok = false;
            return false;
        }
        set(at, off);
        return true;
    }
    // Converts a list whose head field is at `headAt`; `entry` converts the
    // references of one record. The walk stops at a link already plain: the
    // rest of that list was converted before, so shared lists are converted
    // once and every step clears one tag, which bounds the walk.
    template <class Entry>
    void list(uint32_t headAt, uint32_t recSize, Entry entry) {
        uint32_t at = headAt;
        while (ok && convert(at, recSize)) {
            uint32_t rec = get(at);
            entry(rec);
            at = rec;  // its next link is at +0
        }
    }
    void transacts(uint32_t headAt) {
        list(headAt, kMdlImgPairSize, [&](uint32_t rec) {
            convert(rec + kMdlTransactCond, kMdlCellSize);
            list(rec + kMdlTransactActions, kMdlImgPairSize, [](uint32_t) {});
        });
    }
    void commandList(uint32_t at, int depth) {
        if (!ok || at == 0) return;
        if (commandSteps-- == 0 || depth > 64 || at < kMdlHeaderSize || !v.inside(at, kMdlImgCommandListSize)) {
            ok = false;
            return;
        }
        convert(at + kMdlListCond, kMdlCellSize);
        for (uint32_t head : {at + kMdlListFirst, at + kMdlListSecond}) {
            for (uint32_t n = get(head); ok && n; n = get(n)) {
                uint16_t kind;
                if (commandSteps-- == 0 || n < kMdlHeaderSize || !v.inside(n, kMdlNodeSize) || !v.u16(n + kMdlNodeKind, &kind)) {
                    ok = false;
                    return;
                }
                if (kind == kMdlNodeGroup) commandList(get(n + kMdlNodeNested), depth + 1);
            }
        }
    }
};

}  // namespace

bool MdlRelocateImage(uint8_t* block, size_t size) {
    if (!block || size < kMdlHeaderSize || size > kMdlImageMaxSize) return false;
    Relocator rl{block, MdlImageView(block, size)};
    if (rl.get(kMdlImgTotalSize) != size) return false;
    // Plain offsets of the option and string areas need no change; the
    // Exclusive rows and everything reachable from them, and the command
    // lists' conditions, are converted.
    uint32_t budget = static_cast<uint32_t>(size / kMdlImgExclusiveSize) + 1;
    uint32_t row = rl.get(MdlSlotOffset(kMdlSlotExclusive));
    while (rl.ok && row) {
        if (budget-- == 0 || MdlIsTagged(row) || row < kMdlHeaderSize || !rl.v.inside(row, kMdlImgExclusiveSize))
            return false;
        rl.convert(row + kMdlRuleCond1, kMdlCellSize);
        rl.convert(row + kMdlRuleCond2, kMdlCellSize);
        rl.list(row + kMdlRuleValues, kMdlImgItemSize, [&](uint32_t e) {
            rl.convert(e + kMdlItemCond1, kMdlCellSize);
            rl.convert(e + kMdlItemCond2, kMdlCellSize);
        });
        rl.list(row + kMdlRuleAlerts, kMdlImgAlertSize, [&](uint32_t e) {
            rl.convert(e + kMdlAlertCond, kMdlCellSize);
            rl.list(e + kMdlAlertActions, kMdlImgPairSize, [&](uint32_t a) { rl.transacts(a + kMdlAnswerTransact); });
        });
        rl.transacts(row + kMdlRuleTransact1);
        rl.transacts(row + kMdlRuleTransact2);
        row = rl.get(row);
    }
    for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g) rl.commandList(rl.get(MdlSlotOffset(g)), 0);
    return rl.ok;
}

}  // namespace vesk
