// Compiled model image: the check of a relocated image from the header down.
//
// The check follows every link a reader may follow. A record's own bounds
// are checked once, when its link is taken; its fields are then read without
// a bounds check each, and a link is checked with a few compares on the
// offset itself. Every function answers false as soon as a check fails.
#include "core/model/image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace vesk {

namespace {

// What a list holds, for remembering which records were checked.
enum class Held : uint8_t {
    Options, PickValues, PageValues, SlotValues, FontValues, Pages, Rows, Items, Alerts, AlertActions, Transacts,
    Actions
};
static_assert(static_cast<int>(Held::Actions) + 1 < 16, "a record's kind takes 4 bits");

// What a 4-byte aligned record was first checked as: Held + 1, 0 for not
// visited. Not a character type, so its stores do not make the compiler
// read every other field again.
enum class Mark : uint8_t {};

// Little-endian reads of fields known to lie in the block.
inline uint32_t read32(const uint8_t* p) {
    uint32_t x;
    std::memcpy(&x, p, sizeof x);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
    return x;
}
inline uint16_t read16(const uint8_t* p) {
    uint16_t x;
    std::memcpy(&x, p, sizeof x);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap16(x);
    return x;
}

// Records checked so far that the dense marks cannot hold (reached as a
// second kind, or at an odd offset), by kind and offset: an open-addressing
// set that grows by doubling (a node per record would cost an allocation
// each).
class VisitTable {
public:
    // Inserts the key unless present; returns whether it was new.
    bool insert(uint64_t key) {
        if ((count_ + 1) * 2 > capacity_) grow();
        Slot* s = find(slots_.get(), capacity_, key);
        if (s->used) return false;
        *s = Slot{key, true};
        ++count_;
        return true;
    }

private:
    struct Slot {
        uint64_t key;
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

class Checker {
public:
    // `size` is at least the header's and at most kMdlImageMaxSize.
    Checker(const uint8_t* block, uint32_t size) : b_(block), n_(size) {
        for (size_t i = n_; i-- > kMdlHeaderSize;)
            if (b_[i] == 0) {
                lastNul_ = static_cast<uint32_t>(i);
                break;
            }
    }

    bool run() { return options() && slots() && libraries() && rows() && commands() && fonts(kMdlSlotDeviceFontCount) && fonts(kMdlSlotCartridgeFontCount); }

private:
    const uint8_t* const b_;
    const uint32_t n_;

    // ---- Links ----

    // A link value: 0, or a plain offset past the header with `length`
    // bytes inside the block (a tagged value was never relocated).
    // The tests are combined without branches: links nearly always pass.
    bool linkOk(uint32_t x, uint64_t length) const {
        return x == 0 || ((x & 1) == 0 && x >= kMdlHeaderSize && x + length <= n_);
    }
    // The link in the field at `at`, a field inside a record already
    // checked; false when it does not name `length` bytes.
    bool linkAt(uint32_t at, uint64_t length, uint32_t* out) const {
        *out = read32(b_ + at);
        return linkOk(*out, length);
    }
    // The same for a field that may lie past the block's end.
    bool linkAtChecked(uint32_t at, uint64_t length, uint32_t* out) const {
        *out = 0;
        if (uint64_t{at} + 4 > n_) return false;
        return linkAt(at, length, out);
    }
    // A narrow string ends within the block when a NUL lies at or after its
    // start: one test, however many records share the string.
    bool str(uint32_t at) const {
        uint32_t s;
        return linkAt(at, 1, &s) && s <= lastNul_;
    }
    uint32_t lastNul_ = 0;

    // ---- Records checked ----

    // Rule lists and programs may be shared (a Transact list of several
    // rows, the values of copied options): a record already checked as what
    // it holds is not checked again, and a list that reaches one ends there
    // (its rest was checked). Reaching a record of the walk under way is a
    // loop. So every record is checked once, whatever the sharing.
    std::unique_ptr<Mark[]> firstAs_{new Mark[n_ / 4 + 1]()};
    VisitTable checked_;
    // The records of the walks under way, innermost last: each walk owns
    // the part from where it began. The part is searched only when the walk
    // ends on a record checked before, once per walk, so the search costs
    // no more than the walk did.
    class Stack {
    public:
        size_t size() const { return size_; }
        uint32_t operator[](size_t i) const { return items_[i]; }
        [[gnu::always_inline]] void push(uint32_t x) {
            if (size_ == capacity_) [[unlikely]] grow();
            items_[size_++] = x;
        }
        void cut(size_t n) { size_ = n; }

    private:
        [[gnu::noinline]] void grow() {
            const size_t capacity = capacity_ ? capacity_ * 2 : 64;
            std::unique_ptr<uint32_t[]> items(new uint32_t[capacity]);
            std::copy(items_.get(), items_.get() + size_, items.get());
            items_ = std::move(items);
            capacity_ = capacity;
        }
        std::unique_ptr<uint32_t[]> items_;
        size_t size_ = 0, capacity_ = 0;
    };
    Stack onWalk_;

    // False when `rec` was checked before as `held`. Kept inline in every
    // list walk (as is the push): a call per record cost as much as its check.
    [[gnu::always_inline]] bool firstVisit(Held held, uint32_t rec) {
        const Mark as = static_cast<Mark>(static_cast<uint8_t>(held) + 1);
        if (rec % 4 == 0) {
            Mark& seen = firstAs_[rec / 4];
            if (seen == as) return false;
            if (seen == Mark{}) {
                seen = as;
                return true;
            }
        }
        return checked_.insert(static_cast<uint64_t>(held) << 32 | rec);
    }

    // Walks the list whose head is in the field at `headAt` (inside a
    // checked record); `each` checks one record. A list of distinct records
    // cannot hold more records than fit in the block: one more step is a
    // loop through records that overlap.
    template <class Each>
    bool list(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        return walk<true>(headAt, recSize, held, each);
    }
    // The option list and the Exclusive rows: lists only their header slot
    // names. No other walk reaches their records as options or rows, so a
    // record met again in them means the list loops, and a list that loops
    // never ends: the step bound refuses it as surely as a mark would. Going
    // round costs little (the records' own lists and programs were marked
    // on the first round and stop at once), so their records go unmarked,
    // which saves a mark and a push per option and per row.
    template <class Each>
    bool topList(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        return walk<false>(headAt, recSize, held, each);
    }
    template <bool kMarked, class Each>
    [[gnu::always_inline]] bool walk(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        uint32_t cur;
        if (!linkAt(headAt, recSize, &cur)) return false;
        const size_t mine = onWalk_.size();
        for (uint64_t steps = 0; cur; ++steps) {
            if (steps * recSize > n_ || !linkOk(cur, recSize)) return false;
            const uint32_t rec = cur;
            cur = read32(b_ + rec);
            if (!kMarked) {
                if (!each(rec)) return false;
                continue;
            }
            if (!firstVisit(held, rec)) {
                for (size_t i = mine; i < onWalk_.size(); ++i)
                    if (onWalk_[i] == rec) return false;
                break;
            }
            onWalk_.push(rec);
            if (!each(rec)) return false;
        }
        onWalk_.cut(mine);
        return true;
    }

    // ---- Programs ----

    // Program cells run forward to their end cell, so a cell checked before
    // (by any walk) leads to an end: one bit per two bytes of the image says
    // so (a program starts at a plain link, which is even, and its cells
    // follow at steps of four), far cheaper than a table entry per cell.
    std::unique_ptr<uint64_t[]> cellSeen_{new uint64_t[n_ / 128 + 1]()};

    // A program ends with its end cell inside the block.
    bool program(uint32_t at) {
        uint32_t p;
        if (!linkAt(at, kMdlCellSize, &p)) return false;
        if (!p) return true;
        for (uint32_t c = p;; c += kMdlCellSize) {
            if (c < n_) {
                uint64_t& word = cellSeen_[c / 128];
                const uint64_t bit = uint64_t{1} << (c / 2 % 64);
                if (word & bit) return true;
                word |= bit;
            }
            if (uint64_t{c} + kMdlCellSize > n_) return false;
            if (read16(b_ + c + kMdlCellKind) == kMdlCellOperator && read16(b_ + c + kMdlCellValue) == kMdlOpEnd)
                return true;
        }
    }

    // ---- Options ----

    // Arrays (font entries, FontTbl names) and command texts are the
    // writer's own for each record that holds them: every element and every
    // text byte checked takes from a budget of the image's size.
    uint32_t arraySteps_ = n_ / 4;
    uint32_t textBytes_ = n_;
    bool takeArray(uint32_t count) {
        if (count > arraySteps_) return false;
        arraySteps_ -= count;
        return true;
    }

    bool options() {
        return topList(MdlSlotOffset(0), kMdlImgOptionSize, Held::Options, [this](uint32_t o) {
            uint32_t pair, rule;
            if (!linkAt(o + kMdlOptCommands, kMdlCommandPairSize, &pair)) return false;
            if (pair && (!str(pair + kMdlPairPrefix) || !str(pair + kMdlPairSuffix))) return false;
            return linkAt(o + kMdlOptRule, kMdlImgExclusiveSize, &rule) && values(o);
        });
    }

    bool values(uint32_t option) {
        const uint16_t base = MdlBaseType(read16(b_ + option + kMdlOptType));
        const uint32_t at = option + kMdlOptValues;
        uint32_t block;
        if (MdlIsListType(base)) {
            switch (base) {
                case kMdlPickPage:
                    return list(at, MdlValueRecordSize(base), Held::PageValues, [this](uint32_t val) {
                        return str(val + kMdlValCommand) &&
                               list(val + kMdlValPages, kMdlImgPageSize, Held::Pages, [](uint32_t) { return true; });
                    });
                case kMdlPickSlot:
                    return list(at, MdlValueRecordSize(base), Held::SlotValues, [this](uint32_t val) {
                        if (!str(val + kMdlValCommand)) return false;
                        const uint32_t count = read32(b_ + val + kMdlValCount);
                        uint32_t ids;
                        return !count || (count <= n_ / 2 && linkAt(val + kMdlValArray1, 2ull * count, &ids));
                    });
                case kMdlFontTbl:
                    return list(at, MdlValueRecordSize(base), Held::FontValues, [this](uint32_t val) {
                        if (!str(val + kMdlValCommand)) return false;
                        const uint32_t count = read32(b_ + val + kMdlValCount);
                        if (!count) return true;
                        if (count > n_ / 4 || !takeArray(2 * count)) return false;
                        for (uint32_t arrAt : {val + kMdlValArray1, val + kMdlValArray2}) {
                            uint32_t arr;
                            if (!linkAt(arrAt, 4ull * count, &arr)) return false;
                            for (uint32_t i = 0; arr && i < count; ++i)
                                if (!str(arr + 4 * i)) return false;
                        }
                        return true;
                    });
                default:
                    return list(at, MdlValueRecordSize(base), Held::PickValues,
                                [this](uint32_t val) { return str(val + kMdlValCommand); });
            }
        }
        switch (base) {
            case kMdlBoolean:
                return linkAt(at, kMdlBoolBlockSize, &block) &&
                       (!block || (str(block + kMdlBoolTrue) && str(block + kMdlBoolFalse)));
            case kMdlNumeric: return linkAt(at, kMdlNumBlockSize, &block);
            case kMdlString: return linkAt(at, kMdlStrBlockSize, &block);
            default: return true;
        }
    }

    // The option slots lie in the header: each must be 0 or an option
    // record. Checked without an early exit, so the loop runs straight.
    bool slots() const {
        bool bad = false;
        for (int s = 1; s < kMdlSlotResourceDll; ++s) {
            const uint32_t at = read32(b_ + MdlSlotOffset(s));
            bad |= at != 0 && ((at & 1) != 0 || at < kMdlHeaderSize || uint64_t{at} + kMdlImgOptionSize > n_);
        }
        return !bad;
    }

    // The library names: UTF-16 texts that end inside the block.
    bool libraries() const {
        for (int s : {kMdlSlotResourceDll, kMdlSlotConstraintDll}) {
            uint32_t at;
            if (!linkAt(MdlSlotOffset(s), 2, &at)) return false;
            if (!at) continue;
            for (;; at += 2) {
                if (uint64_t{at} + 2 > n_) return false;
                if (read16(b_ + at) == 0) break;
            }
        }
        return true;
    }

    // ---- Rules ----

    bool transacts(uint32_t at) {
        return list(at, kMdlImgPairSize, Held::Transacts, [this](uint32_t t) {
            return program(t + kMdlTransactCond) &&
                   list(t + kMdlTransactActions, kMdlImgPairSize, Held::Actions, [](uint32_t) { return true; });
        });
    }

    bool rows() {
        return topList(MdlSlotOffset(kMdlSlotExclusive), kMdlImgExclusiveSize, Held::Rows, [this](uint32_t row) {
            return program(row + kMdlRuleCond1) && program(row + kMdlRuleCond2) &&
                   list(row + kMdlRuleValues, kMdlImgItemSize, Held::Items,
                        [this](uint32_t e) { return program(e + kMdlItemCond1) && program(e + kMdlItemCond2); }) &&
                   list(row + kMdlRuleAlerts, kMdlImgAlertSize, Held::Alerts,
                        [this](uint32_t e) {
                            return program(e + kMdlAlertCond) &&
                                   list(e + kMdlAlertActions, kMdlImgPairSize, Held::AlertActions,
                                        [this](uint32_t a) { return transacts(a + kMdlAnswerTransact); });
                        }) &&
                   transacts(row + kMdlRuleTransact1) && transacts(row + kMdlRuleTransact2);
        });
    }

    // ---- Command lists ----

    // Command lists and nodes are never shared by the writer: one budget for
    // the whole image, a step per list and per node (8 bytes or more each).
    uint32_t commandSteps_ = n_ / 8;
    bool takeCommandStep() {
        if (commandSteps_ == 0) return false;
        --commandSteps_;
        return true;
    }

    bool commands() {
        for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g) {
            uint32_t at;
            if (!linkAt(MdlSlotOffset(g), kMdlImgCommandListSize, &at) || !commandList(at, 0)) return false;
        }
        return true;
    }

    bool commandList(uint32_t at, int depth) {
        if (!at) return true;
        // `at` came through a link, which put the whole list inside.
        if (!takeCommandStep() || depth > 64 || !program(at + kMdlListCond)) return false;
        for (uint32_t head : {at + kMdlListFirst, at + kMdlListSecond}) {
            uint32_t n;
            if (!linkAt(head, kMdlNodeSize, &n)) return false;
            for (uint64_t steps = 0; n; ++steps) {
                if (steps * kMdlNodeSize > n_ || !linkOk(n, kMdlNodeSize) || !takeCommandStep()) return false;
                const uint16_t kind = read16(b_ + n + kMdlNodeKind);
                uint32_t x;
                // Option and group nodes are of the larger size, the node
                // itself and (as the writer lays them out) its next node.
                if ((kind == kMdlNodeOption || kind == kMdlNodeGroup) &&
                    (!linkOk(n, kMdlNodeOptionSize) || !linkAt(n, kMdlNodeOptionSize, &x)))
                    return false;
                if (kind == kMdlNodeLiteral && !literal(n)) return false;
                if (kind == kMdlNodeGroup &&
                    (!linkAtChecked(n + kMdlNodeNested, kMdlImgCommandListSize, &x) || !commandList(x, depth + 1)))
                    return false;
                n = read32(b_ + n);
            }
        }
        return true;
    }

    // A literal node: its text's length counts the NUL.
    bool literal(uint32_t n) {
        if (uint64_t{n} + kMdlNodeTextSize > n_) return false;
        const uint32_t len = read32(b_ + n + kMdlNodeTextLength), text = read32(b_ + n + kMdlNodeText);
        if (!text) return true;
        if (!str(n + kMdlNodeText) || len > textBytes_) return false;
        const void* nul = std::memchr(b_ + text, 0, n_ - text);
        if (!nul || len != static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - (b_ + text)) + 1) return false;
        textBytes_ -= len;
        return true;
    }

    // ---- Fonts ----

    bool fonts(int countSlot) {
        const uint32_t count = read32(b_ + MdlSlotOffset(countSlot));
        if (!count) return true;
        if (count > n_ / 4 || !takeArray(count)) return false;
        uint32_t arr;
        if (!linkAt(MdlSlotOffset(countSlot + 1), 4ull * count, &arr) || !arr) return false;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t e;
            if (!linkAt(arr + 4 * i, kMdlFontEntrySize, &e) || (e && !str(e + kMdlFontName))) return false;
        }
        return true;
    }
};

}  // namespace

bool MdlValidateImage(const MdlImageView& view) {
    uint32_t total = 0;
    if (view.size() < kMdlHeaderSize || view.size() > kMdlImageMaxSize || !view.u32(kMdlImgTotalSize, &total) ||
        total != view.size())
        return false;
    try {
        Checker c(view.data(), total);
        return c.run();
    } catch (const std::bad_alloc&) {
        return false;  // the record of what was checked did not fit
    }
}

}  // namespace vesk
