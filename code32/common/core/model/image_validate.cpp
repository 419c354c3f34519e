// Compiled model image: the check of a relocated image from the header down.
#include "core/model/image.h"

#include <memory>
#include <new>
#include <string_view>

namespace vesk {

namespace {

// What a list holds, for remembering which records were checked.
enum class Held : uint8_t {
    Options, PickValues, PageValues, SlotValues, FontValues, Pages, Rows, Items, Alerts, AlertActions, Transacts,
    Actions
};
static_assert(static_cast<int>(Held::Actions) + 1 < 16, "a record's kind takes 4 bits");

// Records checked so far, by key, with the walk that checked each: an
// open-addressing table that grows by doubling (a node per record would cost
// an allocation each).
class VisitTable {
public:
    // Inserts the key with `walk` unless present; returns whether it was new
    // and the walk stored for it.
    std::pair<bool, uint32_t> tryEmplace(uint64_t key, uint32_t walk) {
        if ((count_ + 1) * 2 > capacity_) grow();
        Slot* s = find(slots_.get(), capacity_, key);
        if (s->used) return {false, s->walk};
        *s = Slot{key, walk, true};
        ++count_;
        return {true, walk};
    }

private:
    struct Slot {
        uint64_t key;
        uint32_t walk;
        bool used;
    };
    static Slot* find(Slot* slots, size_t capacity, uint64_t key) {
        size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (capacity - 1);
        while (slots[i].used && slots[i].key != key) i = (i + 1) & (capacity - 1);
        return &slots[i];
    }
    void grow() {
        size_t capacity = capacity_ ? capacity_ * 2 : 256;
        std::unique_ptr<Slot[]> slots(new Slot[capacity]());
        for (size_t i = 0; i < capacity_; ++i)
            if (slots_[i].used) *find(slots.get(), capacity, slots_[i].key) = slots_[i];
        slots_ = std::move(slots);
        capacity_ = capacity;
    }
    std::unique_ptr<Slot[]> slots_;
    size_t capacity_ = 0;
    size_t count_ = 0;
};

struct Checker {
    explicit Checker(const MdlImageView& view) : v(view) {}
    const MdlImageView& v;
    bool ok = true;
    // Rule lists and programs may be shared (a Transact list of several
    // rows, the values of copied options): a record already checked as what
    // it holds is not checked again, and a list that reaches one ends there
    // (its rest was checked). Reaching a record of the walk under way is a
    // loop. So every record is checked once, whatever the sharing.
    VisitTable checked;
    uint32_t walks = 0;
    // Program cells run forward to their end cell, so a cell checked before
    // (by any walk) leads to an end: one bit per byte of the image says so,
    // far cheaper than a table entry per cell.
    std::unique_ptr<uint8_t[]> cellSeen{new uint8_t[v.size() / 8 + 1]()};
    bool firstCell(uint32_t c) {
        if (c >= v.size()) return true;  // the read of the cell fails the image
        uint8_t& byte = cellSeen[c / 8];
        const uint8_t bit = static_cast<uint8_t>(1u << (c % 8));
        if (byte & bit) return false;
        byte |= bit;
        return true;
    }
    // Command lists and nodes are never shared by the writer: one budget for
    // the whole image, a step per list and per node (8 bytes or more each).
    uint32_t commandSteps = static_cast<uint32_t>(v.size() / 8);

    // The first visit of each 4-byte aligned record, one word per word of
    // the image: the walk in the low 28 bits, what it was checked as above
    // them (0 = not visited). Records are nearly always reached as one thing
    // only; a record reached as another, at an odd offset, or once walks
    // outnumber 28 bits, is kept in the table.
    static constexpr uint32_t kDenseWalks = 1u << 28;
    std::unique_ptr<uint32_t[]> firstOf{new uint32_t[v.size() / 4 + 1]()};

    // False when `rec` was checked before as `held` (the walk ends there);
    // a record of the walk `walk` itself is a loop and fails the image.
    bool firstVisit(Held held, uint32_t rec, uint32_t walk) {
        if (rec % 4 == 0 && rec < v.size()) {
            uint32_t& seen = firstOf[rec / 4];
            const uint32_t as = static_cast<uint32_t>(held) + 1;
            if (seen >> 28 == as) {
                if ((seen & (kDenseWalks - 1)) == walk) ok = false;
                return false;
            }
            if (seen == 0 && walk < kDenseWalks) {
                seen = as << 28 | walk;
                return true;
            }
        }
        auto [fresh, by] = checked.tryEmplace(static_cast<uint64_t>(held) << 32 | rec, walk);
        if (!fresh && by == walk) ok = false;
        return fresh;
    }

    uint32_t link(uint32_t at, uint32_t length) {
        uint32_t x = 0;
        if (ok && !v.link(at, length, &x)) ok = false;
        return x;
    }
    // A narrow string ends within the block when a NUL lies at or after its
    // start: one test, however many records share the string.
    uint32_t lastNul = findLastNul();
    void str(uint32_t at) {
        uint32_t s = link(at, 1);
        if (ok && s && s > lastNul) ok = false;
    }
    uint32_t findLastNul() const {
        for (size_t i = v.size(); i-- > kMdlHeaderSize;)
            if (v.data()[i] == 0) return static_cast<uint32_t>(i);
        return 0;
    }
    // Arrays (font entries, FontTbl names) and command texts are the
    // writer's own for each record that holds them: every element and every
    // text byte checked takes from a budget of the image's size.
    uint32_t arraySteps = static_cast<uint32_t>(v.size() / 4);
    uint32_t textBytes = static_cast<uint32_t>(v.size());
    bool takeArray(uint32_t count) {
        if (count > arraySteps) ok = false;
        else arraySteps -= count;
        return ok;
    }
    // Walks a list; `each` checks one record.
    template <class Each>
    void list(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        uint32_t head = link(headAt, recSize);
        if (!ok) return;
        const uint32_t walk = ++walks;
        MdlListWalk records(v, head, recSize);
        for (uint32_t rec; ok && records.next(&rec);) {
            if (!firstVisit(held, rec, walk)) return;
            each(rec);
        }
        if (records.failed()) ok = false;
    }
    void program(uint32_t at) {
        uint32_t p = link(at, 4);
        if (!ok || !p) return;
        // A program ends with its end cell inside the block; cells run
        // forward, so a cell checked before leads to an end.
        for (uint32_t c = p;; c += 4) {
            if (!firstCell(c)) return;
            uint16_t kind, value;
            if (!v.u16(c + kMdlCellKind, &kind) || !v.u16(c + kMdlCellValue, &value)) {
                ok = false;
                return;
            }
            if (kind == kMdlCellOperator && value == kMdlOpEnd) return;
        }
    }
    void transacts(uint32_t at) {
        list(at, kMdlImgPairSize, Held::Transacts, [&](uint32_t t) {
            program(t + kMdlTransactCond);
            list(t + kMdlTransactActions, kMdlImgPairSize, Held::Actions, [](uint32_t) {});
        });
    }
    void values(uint32_t option) {
        uint16_t type;
        v.u16(option + kMdlOptType, &type);
        uint16_t base = MdlBaseType(type);
        if (MdlIsListType(base)) {
            uint32_t rec = MdlValueRecordSize(base);
            const Held held = base == kMdlPickSlot   ? Held::SlotValues
                              : base == kMdlPickPage ? Held::PageValues
                              : base == kMdlFontTbl  ? Held::FontValues
                                                     : Held::PickValues;
            list(option + kMdlOptValues, rec, held, [&](uint32_t val) {
                str(val + kMdlValCommand);
                if (base == kMdlPickPage) list(val + kMdlValPages, kMdlImgPageSize, Held::Pages, [](uint32_t) {});
                uint32_t count = 0;
                v.u32(val + kMdlValCount, &count);
                if (base == kMdlPickSlot && count) {
                    if (count > v.size() / 2) ok = false;
                    else link(val + kMdlValArray1, 2 * count);
                }
                if (base == kMdlFontTbl && count) {
                    if (count > v.size() / 4 || !takeArray(2 * count)) {
                        ok = false;
                        return;
                    }
                    for (uint32_t arrAt : {val + kMdlValArray1, val + kMdlValArray2}) {
                        uint32_t arr = link(arrAt, 4 * count);
                        for (uint32_t i = 0; ok && arr && i < count; ++i) str(arr + 4 * i);
                    }
                }
            });
        } else if (base == kMdlBoolean) {
            uint32_t b = link(option + kMdlOptValues, kMdlBoolBlockSize);
            if (ok && b) {
                str(b + kMdlBoolTrue);
                str(b + kMdlBoolFalse);
            }
        } else if (base == kMdlNumeric) {
            link(option + kMdlOptValues, kMdlNumBlockSize);
        } else if (base == kMdlString) {
            link(option + kMdlOptValues, kMdlStrBlockSize);
        }
    }
    void commandList(uint32_t at, int depth) {
        if (!ok || !at) return;
        if (commandSteps-- == 0 || depth > 64 || !v.inside(at, kMdlImgCommandListSize)) {
            ok = false;
            return;
        }
        program(at + kMdlListCond);
        for (uint32_t head : {at + kMdlListFirst, at + kMdlListSecond}) {
            uint32_t first = link(head, kMdlNodeSize);
            MdlListWalk nodes(v, first, kMdlNodeSize);
            for (uint32_t n; ok && nodes.next(&n);) {
                if (commandSteps-- == 0) {
                    ok = false;
                    return;
                }
                uint16_t kind;
                v.u16(n + kMdlNodeKind, &kind);
                if (kind == kMdlNodeOption || kind == kMdlNodeGroup) link(n, kMdlNodeOptionSize);  // whole node inside
                if (kind == kMdlNodeLiteral) {
                    uint32_t len = 0, text = 0;
                    if (!v.u32(n + kMdlNodeTextLength, &len) || !v.u32(n + kMdlNodeText, &text)) {
                        ok = false;
                        return;
                    }
                    if (text) {
                        std::string_view s;
                        str(n + kMdlNodeText);
                        if (ok && (len > textBytes || !v.str(text, &s) || len != s.size() + 1)) ok = false;
                        textBytes -= ok ? len : 0;
                    }
                }
                if (kind == kMdlNodeGroup) {
                    uint32_t nested = link(n + kMdlNodeNested, kMdlImgCommandListSize);
                    commandList(nested, depth + 1);
                }
            }
            if (nodes.failed()) ok = false;
        }
    }
    void fonts(int countSlot) {
        uint32_t count = 0, arr = 0;
        v.slot(countSlot, &count);
        if (!count) return;
        if (count > v.size() / 4 || !takeArray(count)) {
            ok = false;
            return;
        }
        arr = link(MdlSlotOffset(countSlot + 1), 4 * count);
        if (!arr) ok = false;
        for (uint32_t i = 0; ok && i < count; ++i) {
            uint32_t e = link(arr + 4 * i, kMdlFontEntrySize);
            if (ok && e) str(e + kMdlFontName);
        }
    }
};

}  // namespace

namespace {

bool validate(const MdlImageView& view) {
    Checker c{view};
    c.list(MdlSlotOffset(0), kMdlImgOptionSize, Held::Options, [&](uint32_t o) {
        uint32_t pair = c.link(o + kMdlOptCommands, kMdlCommandPairSize);
        if (c.ok && pair) {
            c.str(pair);
            c.str(pair + kMdlPairSuffix);
        }
        c.link(o + kMdlOptRule, kMdlImgExclusiveSize);
        c.values(o);
    });
    // The option slots lie in the header, which the size check put inside
    // the block: each is read directly and must be 0 or an option record.
    const uint8_t* slots = view.data() + MdlSlotOffset(1);
    for (int s = 1; c.ok && s < kMdlSlotResourceDll; ++s, slots += 4) {
        const uint32_t at = static_cast<uint32_t>(slots[0]) | static_cast<uint32_t>(slots[1]) << 8 |
                            static_cast<uint32_t>(slots[2]) << 16 | static_cast<uint32_t>(slots[3]) << 24;
        if (at && (MdlIsTagged(at) || at < kMdlHeaderSize || !view.inside(at, kMdlImgOptionSize))) c.ok = false;
    }
    for (int s : {kMdlSlotResourceDll, kMdlSlotConstraintDll}) {
        uint32_t at = c.link(MdlSlotOffset(s), 2);
        std::u16string w;
        if (c.ok && at && !view.wstr(at, &w)) c.ok = false;
    }
    c.list(MdlSlotOffset(kMdlSlotExclusive), kMdlImgExclusiveSize, Held::Rows, [&](uint32_t row) {
        c.program(row + kMdlRuleCond1);
        c.program(row + kMdlRuleCond2);
        c.list(row + kMdlRuleValues, kMdlImgItemSize, Held::Items, [&](uint32_t e) {
            c.program(e + kMdlItemCond1);
            c.program(e + kMdlItemCond2);
        });
        c.list(row + kMdlRuleAlerts, kMdlImgAlertSize, Held::Alerts, [&](uint32_t e) {
            c.program(e + kMdlAlertCond);
            c.list(e + kMdlAlertActions, kMdlImgPairSize, Held::AlertActions, [&](uint32_t a) { c.transacts(a + kMdlAnswerTransact); });
        });
        c.transacts(row + kMdlRuleTransact1);
        c.transacts(row + kMdlRuleTransact2);
    });
    for (int g = kMdlSlotJobStart; c.ok && g <= kMdlSlotPageEnd; ++g)
        c.commandList(c.link(MdlSlotOffset(g), kMdlImgCommandListSize), 0);
    c.fonts(kMdlSlotDeviceFontCount);
    c.fonts(kMdlSlotCartridgeFontCount);
    return c.ok;
}

}  // namespace

bool MdlValidateImage(const MdlImageView& view) {
    uint32_t total = 0;
    if (view.size() < kMdlHeaderSize || view.size() > kMdlImageMaxSize || !view.u32(kMdlImgTotalSize, &total) ||
        total != view.size())
        return false;
    try {
        return validate(view);
    } catch (const std::bad_alloc&) {
        return false;  // the record of what was checked did not fit
    }
}

}  // namespace vesk
