// Option lookup and accessors over a context's compiled model.
#include "core/model/query.h"

#include <atomic>
#include <cstdint>
#include <new>

#include "core/model/eval.h"

namespace vesk {
namespace {

uint16_t typeOf(const MdlImageView& v, uint32_t option) {
    uint16_t t = 0;
    v.u16(option + kMdlOptType, &t);
    return t;
}

// The value block of a scalar option when it lies whole inside the image.
uint32_t valueBlock(const MdlImageView& v, uint32_t option, uint32_t size) {
    uint32_t b = 0;
    return v.link(option + kMdlOptValues, size, &b) ? b : 0;
}

// The head of a list option's value records and their size; false for an
// absent option or one of another kind.
bool valueListAt(const MdlImageView& v, uint32_t o, uint32_t* head, uint32_t* recSize) {
    uint16_t base = MdlBaseType(typeOf(v, o));
    if (!MdlIsListType(base)) return false;
    *recSize = MdlValueRecordSize(base);
    return v.link(o + kMdlOptValues, *recSize, head);
}

bool valueList(const DrvContext* ctx, int optionId, uint32_t* head, uint32_t* recSize) {
    uint32_t o = MdlFindOption(ctx, optionId);
    if (!o) return false;
    return valueListAt(MdlViewOf(ctx), o, head, recSize);
}

// The head of the option list.
uint32_t optionList(const MdlImageView& v) {
    uint32_t head = 0;
    return v.data() && v.link(MdlSlotOffset(0), kMdlImgOptionSize, &head) ? head : 0;
}

}  // namespace

uint32_t MdlListFind(const MdlImageView& v, uint32_t head, uint32_t recordSize, uint32_t fieldAt, uint32_t value,
                     bool wide) {
    MdlListWalk walk(v, head, recordSize);
    for (uint32_t rec; walk.next(&rec);) {
        uint32_t x = 0;
        if (wide) {
            v.u32(rec + fieldAt, &x);
        } else {
            uint16_t h = 0;
            v.u16(rec + fieldAt, &h);
            x = h;
        }
        if (x == value) return rec;
    }
    return 0;
}

namespace {
// The record of a header slot; a slot that does not hold a whole record
// inside the image is empty.
inline uint32_t slotOption(const MdlImageView& v, int slot) {
    uint32_t o = 0;
    return v.link(MdlSlotOffset(slot), kMdlImgOptionSize, &o) ? o : 0;
}

static_assert(kMdlOptId + 2 <= kMdlImgOptionSize && kMdlOptType + 2 <= kMdlImgOptionSize,
              "the id and type fields lie inside an option record");

// The first record of an id without a slot, by a walk of the option list
// (apart, so that the slot lookup stays short).
[[gnu::noinline]] uint32_t listedOption(const MdlImageView v, int optionId) {
    return MdlListFind(v, optionList(v), kMdlImgOptionSize, kMdlOptId, static_cast<uint32_t>(optionId));
}

// MdlFindOption in the image of view `v`.
inline uint32_t optionIn(const MdlImageView& v, int optionId) {
    if (optionId <= 0 || optionId > 0xFFFF || !v.data()) return 0;
    if (int slot = MdlOptionSlot(optionId)) return slotOption(v, slot);
    return listedOption(v, optionId);
}

// optionIn with the record's base type. A record found is whole inside the
// image (slot link or list walk), so its type field is read unchecked.
inline MdlIdOption typedOptionIn(const MdlImageView& v, int optionId) {
    const uint32_t o = optionIn(v, optionId);
    return {o, o ? MdlBaseType(v.u16Whole(o + kMdlOptType)) : uint16_t{0}};
}
}  // namespace

uint32_t MdlFindOption(const DrvContext* ctx, int optionId) { return optionIn(MdlViewOf(ctx), optionId); }

uint32_t MdlFindOptionByKey(const DrvContext* ctx, int key) {
    MdlImageView v = MdlViewOf(ctx);
    return MdlListFind(v, optionList(v), kMdlImgOptionSize, kMdlOptKey, static_cast<uint16_t>(key));
}

namespace {
// The ids one walk has given, in a set kept per thread so that a walk does
// not clear 8 KB first: the walk takes its ids out again when it ends, by
// the entries it appended (an id is marked only when it is appended). The
// set is one bit per 16-bit id, held as words the walk reaches through one
// pointer.
class SeenIds {
public:
    explicit SeenIds(const std::vector<MdlListedOption>& out)
        : out_(out), first_(out.size()), words_(thread_words()) {}
    ~SeenIds() {
        for (size_t i = first_; i < out_.size(); ++i) clear(static_cast<uint16_t>(out_[i].id));
    }
    SeenIds(const SeenIds&) = delete;
    SeenIds& operator=(const SeenIds&) = delete;
    bool has(uint16_t id) const { return (words_[id >> 6] >> (id & 63)) & 1u; }
    void add(uint16_t id) { words_[id >> 6] |= uint64_t{1} << (id & 63); }

private:
    static uint64_t* thread_words() {
        thread_local uint64_t words[0x10000 / 64] = {};
        return words;
    }
    void clear(uint16_t id) { words_[id >> 6] &= ~(uint64_t{1} << (id & 63)); }

    const std::vector<MdlListedOption>& out_;
    size_t first_;
    uint64_t* words_;
};
}  // namespace

namespace {
// The list the walks that answer from it fill, one per thread and empty
// each time it is handed out: they read nothing else while they use it.
std::vector<MdlListedOption>& listedScratch() {
    thread_local std::vector<MdlListedOption> listed;
    listed.clear();
    return listed;
}
}  // namespace

namespace {
void walkListed(const MdlImageView& v, std::vector<MdlListedOption>& out) {
    SeenIds seen(out);
    // The walk of MdlListWalk written out over the block's bytes, so that
    // the loop keeps the block in registers: a record is taken only while
    // the walk has made fewer steps than records fit in the block, and only
    // when it is an untagged offset past the header with the whole record
    // inside the block; its next link is then read from it.
    const uint64_t size = v.size();
    uint64_t steps = 0;
    for (uint32_t rec = optionList(v); rec != 0;) {
        if (steps++ * kMdlImgOptionSize > size || MdlIsTagged(rec) || rec < kMdlHeaderSize ||
            !v.inside(rec, kMdlImgOptionSize))
            break;
        const uint32_t next = v.u32Whole(rec);
        const uint16_t id = v.u16Whole(rec + kMdlOptId);
        const uint32_t at = rec;
        rec = next;
        if (!id || seen.has(id)) continue;
        // An id without a slot is found by this walk itself (its first
        // record comes first); an id with one only when its slot is taken.
        const int slot = MdlOptionSlot(id);
        const uint32_t o = slot ? slotOption(v, slot) : at;
        if (!o) continue;
        out.push_back({id, o});
        seen.add(id);
    }
}
}  // namespace

namespace {
void defaultsOf(const MdlImageView& v, const std::vector<MdlListedOption>& listed, std::vector<MdlOptionDefault>& out);

void actionsOf(const MdlImageView& v, const std::vector<MdlListedOption>& listed, std::vector<MdlListedAction>& out) {
    for (const MdlListedOption& l : listed) {
        if (MdlOptionBaseTypeAt(v, l.option) == 0) continue;
        if (const uint32_t transact = MdlOptionTransactListAt(v, l.option)) out.push_back({l.id, transact});
    }
}

// Everything an image's kept answers hold, from the image alone.
void keepAnswers(const MdlImageView& v, MdlImageKept* k) {
    walkListed(v, k->listed);
    actionsOf(v, k->listed, k->actions);
    defaultsOf(v, k->listed, k->defaults);
    k->byId.resize(kMdlKeptIdLast + 1);
    for (int id = 1; id <= kMdlKeptIdLast; ++id) k->byId[static_cast<size_t>(id)] = typedOptionIn(v, id);
}
}  // namespace

const MdlImageKept* MdlKeptOf(const MdlImage* image) {
    if (!image || !image->block) return nullptr;
    if (const MdlImageKept* kept = image->kept.load(std::memory_order_acquire)) return kept;
    auto* made = new (std::nothrow) MdlImageKept;
    if (!made) return nullptr;
    try {
        keepAnswers(image->view(), made);
    } catch (const std::bad_alloc&) {
        delete made;
        return nullptr;
    }
    const MdlImageKept* none = nullptr;
    if (image->kept.compare_exchange_strong(none, made, std::memory_order_acq_rel)) return made;
    delete made;  // another thread kept its answers first
    return none;
}

void MdlListedOptions(const DrvContext* ctx, std::vector<MdlListedOption>& out) {
    const MdlImage* image = ctx ? ctx->model : nullptr;
    if (!image || !image->block) return;
    // Without memory for the kept answers, the walk answers itself.
    if (const MdlImageKept* kept = MdlKeptOf(image)) out.insert(out.end(), kept->listed.begin(), kept->listed.end());
    else walkListed(image->view(), out);
}

namespace {
// Appends the kept answer `field` of the context's image; without memory
// for the kept answers, `make` gives it from a walk of the listed options.
template <class T>
void keptOrMade(const DrvContext* ctx, std::vector<T>& out, std::vector<T> MdlImageKept::*field,
                void (*make)(const MdlImageView&, const std::vector<MdlListedOption>&, std::vector<T>&)) {
    const MdlImage* image = ctx ? ctx->model : nullptr;
    if (!image || !image->block) return;
    if (const MdlImageKept* kept = MdlKeptOf(image)) {
        out.insert(out.end(), (kept->*field).begin(), (kept->*field).end());
        return;
    }
    std::vector<MdlListedOption>& listed = listedScratch();
    walkListed(image->view(), listed);
    make(image->view(), listed, out);
}
}  // namespace

void MdlListedActions(const DrvContext* ctx, std::vector<MdlListedAction>& out) {
    keptOrMade(ctx, out, &MdlImageKept::actions, actionsOf);
}

void MdlListedOptionIds(const DrvContext* ctx, std::vector<int>& out) {
    std::vector<MdlListedOption>& listed = listedScratch();
    MdlListedOptions(ctx, listed);
    if (out.empty()) out.reserve(listed.size());
    for (const MdlListedOption& l : listed) out.push_back(l.id);
}

uint32_t MdlFindOptionByKeyAlias(const DrvContext* ctx, int key) { return MdlFindOptionByKey(ctx, key); }
uint32_t MdlFindOptionByKeyAlias2(const DrvContext* ctx, int key) { return MdlFindOptionByKey(ctx, key); }

uint32_t MdlOptionByIndex(const DrvContext* ctx, int index) {
    if (!ctx || !ctx->items || !ctx->items->items || index < 0 || index >= ctx->items->count) return 0;
    return MdlFindOption(ctx, ctx->items->items[index].id);
}

uint16_t MdlGetOptionRawType(const DrvContext* ctx, int optionId) {
    uint32_t o = MdlFindOption(ctx, optionId);
    return o ? typeOf(MdlViewOf(ctx), o) : 0;
}

uint16_t MdlGetOptionType(const DrvContext* ctx, int optionId) {
    return MdlBaseType(MdlGetOptionRawType(ctx, optionId));
}

uint16_t MdlOptionBaseTypeAt(const MdlImageView& v, uint32_t option) {
    return option ? MdlBaseType(typeOf(v, option)) : 0;
}

uint32_t MdlFindOptionTypedByWalk(const DrvContext* ctx, int optionId, uint16_t* baseType) {
    const MdlIdOption found = typedOptionIn(MdlViewOf(ctx), optionId);
    *baseType = found.baseType;
    return found.option;
}

namespace {
// The default value of the option record `o` (see MdlGetOptionValue).
uint32_t optionValueAt(const MdlImageView& v, uint32_t o) {
    uint16_t type = typeOf(v, o), base = MdlBaseType(type);
    if ((type & 0xFF) == 1) {
        uint16_t sel = 0;
        uint32_t head = 0, size = 0;
        v.u16(o + kMdlOptSelection, &sel);
        if (!valueListAt(v, o, &head, &size)) return 0;
        MdlListWalk walk(v, head, size);
        uint32_t rec = 0;
        for (uint32_t i = 0; walk.next(&rec); ++i)
            if (i == sel) {
                uint16_t id = 0;
                v.u16(rec + kMdlValId, &id);
                return id;
            }
        return 0;
    }
    int32_t x = 0;
    if (base == kMdlBoolean) {
        if (uint32_t b = valueBlock(v, o, kMdlBoolBlockSize)) v.i32(b + kMdlBoolDefault, &x);
        return static_cast<uint32_t>(x);
    }
    if (base == kMdlNumeric) {
        if (uint32_t b = valueBlock(v, o, kMdlNumBlockSize)) v.i32(b + kMdlNumDefault, &x);
        return static_cast<uint32_t>(x);
    }
    if (base == kMdlString) {
        uint16_t id = 0;
        if (uint32_t b = valueBlock(v, o, kMdlStrBlockSize)) v.u16(b, &id);
        return id;
    }
    return 0;
}
}  // namespace

uint32_t MdlGetOptionValue(const DrvContext* ctx, int optionId) {
    uint32_t o = MdlFindOption(ctx, optionId);
    return o ? optionValueAt(MdlViewOf(ctx), o) : 0;
}

namespace {
void defaultsOf(const MdlImageView& v, const std::vector<MdlListedOption>& listed, std::vector<MdlOptionDefault>& out) {
    if (out.empty()) out.reserve(listed.size());
    for (const MdlListedOption& l : listed)
        out.push_back({l.id, MdlBaseType(typeOf(v, l.option)), optionValueAt(v, l.option)});
}
}  // namespace

void MdlListedOptionDefaults(const DrvContext* ctx, std::vector<MdlOptionDefault>& out) {
    keptOrMade(ctx, out, &MdlImageKept::defaults, defaultsOf);
}

uint32_t MdlGetOptionValues(const DrvContext* ctx, int optionId, uint16_t* selection) {
    if (selection) *selection = 0;
    uint32_t o = MdlFindOption(ctx, optionId);
    if (!o) return 0;
    MdlImageView v = MdlViewOf(ctx);
    uint16_t type = typeOf(v, o);
    if (selection && (type & 1)) v.u16(o + kMdlOptSelection, selection);
    uint32_t values = 0;
    v.u32(o + kMdlOptValues, &values);
    return values;
}

int MdlGetValueCount(const DrvContext* ctx, int optionId) {
    if (!MdlFindOption(ctx, optionId)) return -1;
    uint32_t head = 0, size = 0;
    if (!valueList(ctx, optionId, &head, &size)) return 0;
    const MdlImageView v = MdlViewOf(ctx);  // the walk keeps a reference to it
    MdlListWalk walk(v, head, size);
    int n = 0;
    for (uint32_t rec; walk.next(&rec);) ++n;
    return n;
}

uint32_t MdlListCount(const DrvContext* ctx, uint32_t head) {
    MdlImageView v = MdlViewOf(ctx);
    if (!v.data()) return 0;
    MdlListWalk walk(v, head, 4);
    uint32_t n = 0;
    for (uint32_t rec; walk.next(&rec);) ++n;
    return n;
}

uint32_t MdlFindValueRecord(const DrvContext* ctx, int optionId, uint32_t valueId) {
    uint32_t head = 0, size = 0;
    if (valueId > 0xFFFF || !valueList(ctx, optionId, &head, &size)) return 0;
    return MdlListFind(MdlViewOf(ctx), head, size, kMdlValId, valueId);
}

int MdlValueListHolds(const DrvContext* ctx, int optionId, uint32_t valueId) {
    return MdlValueListHoldsAt(MdlViewOf(ctx), MdlFindOption(ctx, optionId), valueId);
}

int MdlValueListHoldsAt(const MdlImageView& v, uint32_t o, uint32_t valueId) {
    if (!o) return -1;
    uint32_t head = 0, size = 0;
    if (!valueListAt(v, o, &head, &size)) return -1;
    // One walk: the first record tells the list is not empty, a record with
    // the value ends it.
    MdlListWalk walk(v, head, size);
    bool any = false;
    for (uint32_t rec; walk.next(&rec);) {
        any = true;
        uint16_t x = 0;
        if (valueId <= 0xFFFF && v.u16(rec + kMdlValId, &x) && x == valueId) return 1;
    }
    return any ? 0 : -1;
}

int MdlGetNumericRange(const DrvContext* ctx, int optionId, int32_t* outMin, int32_t* outMax) {
    return MdlNumericRangeAt(MdlViewOf(ctx), MdlFindOption(ctx, optionId), outMin, outMax);
}

int MdlNumericRangeAt(const MdlImageView& v, uint32_t o, int32_t* outMin, int32_t* outMax) {
    if (!o) return 0;
    if (MdlBaseType(typeOf(v, o)) != kMdlNumeric) return 0;
    uint32_t b = valueBlock(v, o, kMdlNumBlockSize);
    if (!b) return 0;
    int32_t lo = 0, hi = 0;
    v.i32(b + kMdlNumMinimum, &lo);
    v.i32(b + kMdlNumMaximum, &hi);
    if (outMin) *outMin = lo;
    if (outMax) *outMax = hi;
    return 1;
}

uint32_t ModelGetTable1225(const DrvContext* ctx) {
    MdlImageView v = MdlViewOf(ctx);
    uint32_t at = 0;
    return v.data() && v.link(MdlSlotOffset(kMdlSlotResourceDll), 2, &at) ? at : 0;
}

bool MdlReadWide(const DrvContext* ctx, uint32_t offset, WCHAR* dest, size_t destChars) {
    if (!dest || destChars == 0) return false;
    dest[0] = 0;
    MdlImageView v = MdlViewOf(ctx);
    if (offset < kMdlHeaderSize) return false;
    size_t n = 0;
    for (uint32_t at = offset;; at += 2) {
        uint16_t c = 0;
        if (!v.u16(at, &c)) {
            dest[0] = 0;
            return false;
        }
        if (c == 0) break;
        if (n + 1 < destChars) dest[n++] = static_cast<WCHAR>(c);
    }
    dest[n] = 0;
    return true;
}

}  // namespace vesk
