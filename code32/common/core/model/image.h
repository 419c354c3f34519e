// The compiled model image: the whole parse result of a model description
// packed into one block of little-endian bytes, so that it can be written to
// disk as it stands and used again after one relocation pass.
//
// Every link inside the block is a 32-bit offset from its start; 0 means
// none. The block starts with the 4984-byte header (FileVersion, total size,
// slots 0..1236), then the rule area, the option area and the string area.
//
// Stored form: links and rule references of the rule area, and the condition
// of a command list, are tagged offsets, (offset * 16) + 1. Relocation turns
// every tagged offset it reaches into the plain offset; the low bit marks a
// value still to convert, so a list shared by several rows is converted once
// and relocating twice changes nothing. Relocation never produces addresses.
// Readers go through MdlImageView, which checks each access against the
// block; relocation and the check test a record's bounds once, when they take
// the link to it, and then read its fields directly.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"

namespace vesk {

struct DrvContext;

// Header fields.
constexpr uint32_t kMdlImgFileVersion = 0;   // 16 UTF-16 units
constexpr uint32_t kMdlImgTotalSize = 32;
constexpr uint32_t kMdlImgSlots = 36;        // slot n at 36 + 4n
constexpr uint32_t MdlSlotOffset(int slot) { return kMdlImgSlots + 4u * static_cast<uint32_t>(slot); }
constexpr int kMdlSlotDeviceFontCount = 1232;
constexpr int kMdlSlotDeviceFonts = 1233;
constexpr int kMdlSlotCartridgeFontCount = 1234;
constexpr int kMdlSlotCartridgeFonts = 1235;

// Record sizes.
constexpr uint32_t kMdlImgOptionSize = 28;
constexpr uint32_t kMdlImgItemSize = 16;
constexpr uint32_t kMdlImgPairSize = 12;     // Action, Transact, AlertAction
constexpr uint32_t kMdlImgAlertSize = 20;
constexpr uint32_t kMdlImgExclusiveSize = 32;
constexpr uint32_t kMdlImgPageSize = 36;
constexpr uint32_t kMdlImgCommandListSize = 12;

// Record fields, each record described once. Every list record has its
// next link at +0 (kMdlNext).
constexpr uint32_t kMdlNext = 0;
// Option (MdlOption).
constexpr uint32_t kMdlOptNext = 0;
constexpr uint32_t kMdlOptKey = 4;
constexpr uint32_t kMdlOptSub = 6;        // sub-number, or the Identity key
constexpr uint32_t kMdlOptId = 8;
constexpr uint32_t kMdlOptType = 10;
constexpr uint32_t kMdlOptSelection = 12;
constexpr uint32_t kMdlOptCommands = 16;  // option-command pair {prefix, suffix}
constexpr uint32_t kMdlOptRule = 20;      // Exclusive row
constexpr uint32_t kMdlOptValues = 24;    // value records or value block
constexpr uint32_t kMdlPairPrefix = 0, kMdlPairSuffix = 4, kMdlCommandPairSize = 8;
// Value record of a list option: PickPage adds +12, +16 sizes and +20
// pages; PickSlot +12 count and +16 value ids; FontTbl +12 count and +16,
// +20 name arrays.
constexpr uint32_t kMdlValId = 4;
constexpr uint32_t kMdlValCommand = 8;
constexpr uint32_t kMdlValSize1 = 12, kMdlValSize2 = 16, kMdlValPages = 20;
constexpr uint32_t kMdlValCount = 12, kMdlValArray1 = 16, kMdlValArray2 = 20;
// Size of a list option's value record by its type word (bits 12-13
// cleared).
constexpr uint32_t MdlValueRecordSize(uint16_t base) {
    return base == kMdlPickSlot ? 20 : (base == kMdlPickPage || base == kMdlFontTbl) ? 24 : 12;
}
// Page record (PickPage): resolution, orientation, condition key and value,
// then six i32: x, y, width, height and two further numbers.
constexpr uint32_t kMdlPageResolution = 4, kMdlPageOrientation = 6, kMdlPageCondKey = 8, kMdlPageCondValue = 10,
                   kMdlPageNumbers = 12;
// Boolean block (12 bytes), Numeric block (24: six i16, then default,
// minimum, maximum), String block (8: four i16).
constexpr uint32_t kMdlBoolDefault = 0, kMdlBoolTrue = 4, kMdlBoolFalse = 8;
constexpr uint32_t kMdlNumDefault = 12, kMdlNumMinimum = 16, kMdlNumMaximum = 20;
// The Numeric block's fifth and sixth i16: the header's scale, multiplier
// and divisor (the seventh and eighth numbers of a NumericValue line, in
// the order "digits default minimum maximum scale step multiplier divisor").
// Ours: no table of the model description names them, and no other reader
// of the block takes them.
constexpr uint32_t kMdlNumMultiplier = 8, kMdlNumDivisor = 10;
// Its first i16 (the number before the quotes): the string id of the
// value's unit text, 0 for none.
constexpr uint32_t kMdlNumUnit = 0;
constexpr uint32_t kMdlBoolBlockSize = 12, kMdlNumBlockSize = 24, kMdlStrBlockSize = 8;
// Condition cell: u16 kind, u16 value.
constexpr uint32_t kMdlCellKind = 0, kMdlCellValue = 2, kMdlCellSize = 4;
// Rule records.
constexpr uint32_t kMdlItemValueId = 4, kMdlItemCond1 = 8, kMdlItemCond2 = 12;
constexpr uint32_t kMdlActionTarget = 4, kMdlActionKind = 6, kMdlActionValue = 8;
constexpr uint32_t kMdlTransactCond = 4, kMdlTransactActions = 8;
constexpr uint32_t kMdlAnswerKey = 4, kMdlAnswerTransact = 8;
constexpr uint32_t kMdlAlertCond = 4, kMdlAlertMessage = 8, kMdlAlertIcon = 10, kMdlAlertButtons = 12,
                   kMdlAlertMode = 14, kMdlAlertActions = 16;
// Exclusive row (an option's rule record).
constexpr uint32_t kMdlRuleKey = 4, kMdlRuleCond1 = 8, kMdlRuleCond2 = 12, kMdlRuleValues = 16, kMdlRuleAlerts = 20,
                   kMdlRuleTransact1 = 24, kMdlRuleTransact2 = 28;
// Command list and its nodes (8 bytes, kind 1 and 3 12, kind 2 16).
constexpr uint32_t kMdlListCond = 0, kMdlListFirst = 4, kMdlListSecond = 8;
constexpr uint32_t kMdlNodeKind = 4, kMdlNodeOptionKey = 6, kMdlNodeNumber = 8, kMdlNodeTextLength = 8,
                   kMdlNodeText = 12, kMdlNodeNested = 8;
constexpr uint32_t kMdlNodeSize = 8, kMdlNodeOptionSize = 12, kMdlNodeTextSize = 16, kMdlNodeNestedSize = 12;
constexpr uint16_t kMdlNodeOption = 1, kMdlNodeLiteral = 2, kMdlNodeGroup = 3, kMdlNodeDeviceFonts = 4;
// Font entry (8 bytes): i32 number, name.
constexpr uint32_t kMdlFontNumber = 0, kMdlFontName = 4, kMdlFontEntrySize = 8;

// The largest image: a tagged offset must fit in 32 bits.
constexpr uint32_t kMdlImageMaxSize = 0x0FFFFFFFu;

constexpr bool MdlIsTagged(uint32_t link) { return (link & 1u) != 0; }
constexpr uint32_t MdlTag(uint32_t offset) { return offset ? offset * 16u + 1u : 0u; }

// Read-only, bounds-checked access to an image. Every accessor returns false
// (and leaves its output 0/empty) when the bytes asked for are not all inside
// the block.
class MdlImageView {
public:
    MdlImageView() = default;
    MdlImageView(const uint8_t* base, size_t size) : base_(base), size_(size) {}
    const uint8_t* data() const { return base_; }
    size_t size() const { return size_; }
    bool inside(uint32_t offset, uint32_t length) const {
        return base_ && offset <= size_ && length <= size_ - offset;
    }
    // Field reads: false (and 0) when the field does not lie in the block.
    // Inline: every walk of the image reads through them.
    bool u8(uint32_t offset, uint8_t* out) const {
        *out = 0;
        if (!inside(offset, 1)) return false;
        *out = base_[offset];
        return true;
    }
    bool u16(uint32_t offset, uint16_t* out) const {
        *out = 0;
        if (!inside(offset, 2)) return false;
        *out = static_cast<uint16_t>(base_[offset] | (base_[offset + 1] << 8));
        return true;
    }
    bool i16(uint32_t offset, int16_t* out) const {
        uint16_t v;
        bool ok = u16(offset, &v);
        *out = static_cast<int16_t>(v);
        return ok;
    }
    bool u32(uint32_t offset, uint32_t* out) const {
        *out = 0;
        if (!inside(offset, 4)) return false;
        const uint8_t* p = base_ + offset;
        *out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
        return true;
    }
    bool i32(uint32_t offset, int32_t* out) const {
        uint32_t v;
        bool ok = u32(offset, &v);
        *out = static_cast<int32_t>(v);
        return ok;
    }
    // Fields of a record the caller already found whole inside the block
    // (through a link or a list walk that checked the record's size): read
    // without a second bounds check.
    uint16_t u16Whole(uint32_t offset) const {
        return static_cast<uint16_t>(base_[offset] | (base_[offset + 1] << 8));
    }
    uint32_t u32Whole(uint32_t offset) const {
        const uint8_t* p = base_ + offset;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
    }
    // A link: a plain offset that is 0 or names a record of `length` bytes
    // inside the block past the header. A tagged (unrelocated) link fails.
    bool link(uint32_t offset, uint32_t length, uint32_t* out) const {
        uint32_t v;
        *out = 0;
        if (!u32(offset, &v)) return false;
        if (v == 0) return true;
        // Records lie past the header; a tagged value was never relocated.
        if (MdlIsTagged(v) || v < kMdlHeaderSize || !inside(v, length)) return false;
        *out = v;
        return true;
    }
    // A NUL-terminated narrow string at `offset`, without its NUL.
    bool str(uint32_t offset, std::string_view* out) const;
    // A NUL-terminated UTF-16 string at `offset`, without its NUL.
    bool wstr(uint32_t offset, std::u16string* out) const;
    // Header slot `slot` (0..1236).
    bool slot(int slot, uint32_t* out) const;

private:
    const uint8_t* base_ = nullptr;
    size_t size_ = 0;
};

// Walks a linked list of records (next link at +0) with a bound on the
// number of steps, so a cycle ends the walk as a failure.
class MdlListWalk {
public:
    // A list of distinct records cannot hold more records than fit in the
    // block; one more step means a cycle. (Steps times the record size
    // beyond the block's size is that bound without a division.)
    MdlListWalk(const MdlImageView& view, uint32_t head, uint32_t recordSize)
        : view_(view), cur_(head), size_(recordSize), stepSize_(recordSize ? recordSize : 1) {}
    // The next record's offset in `*out`; false at the end or on a fault
    // (see failed()).
    bool next(uint32_t* out) {
        *out = 0;
        if (failed_ || cur_ == 0) return false;
        if (steps_++ * stepSize_ > view_.size() || MdlIsTagged(cur_) || cur_ < kMdlHeaderSize ||
            !view_.inside(cur_, size_)) {
            failed_ = true;
            return false;
        }
        *out = cur_;
        uint32_t nxt;
        view_.u32(cur_, &nxt);
        cur_ = nxt;
        return true;
    }
    bool failed() const { return failed_; }

private:
    const MdlImageView& view_;
    uint32_t cur_;
    uint32_t size_;
    uint64_t stepSize_;
    uint64_t steps_ = 0;
    bool failed_ = false;
};

// One listed option: its id and the record MdlFindOption gives for it
// (model/query.h).
struct MdlListedOption {
    int id;
    uint32_t option;
};

// One listed option's answers: its base type (MdlGetOptionType) and its
// default value (MdlGetOptionValue).
struct MdlOptionDefault {
    int id;
    uint16_t baseType;
    uint32_t value;
};

// One listed option whose rule has a Transact list: its id and that list.
struct MdlListedAction {
    int id;
    uint32_t transact;
};

// An option id's record and base type, as MdlFindOptionTyped gives them.
struct MdlIdOption {
    uint32_t option;
    uint16_t baseType;
};

// Answers that depend on an image alone, found at the first question and
// freed with the image (an image in use never changes).
struct MdlImageKept {
    std::vector<MdlListedOption> listed;  // MdlListedOptions
    std::vector<MdlOptionDefault> defaults;  // MdlListedOptionDefaults
    // The listed options with a type and a Transact list, in list order.
    std::vector<MdlListedAction> actions;
    // By option id, for ids 0 to kMdlKeptIdLast.
    std::vector<MdlIdOption> byId;
};
// The ids byId covers: those of the DEVMODE's option items.
constexpr int kMdlKeptIdLast = 962;

// A compiled model in memory: one heap block (zero-filled, or filled whole
// from a cache file) holding a relocated, validated image of `size` bytes. Images live in the process-wide
// model list and are shared read-only by every context; readers go through
// view().
struct MdlImage {
    uint8_t* block;
    uint32_t size;
    // Made at the first question (MdlKeptOf), freed with the image.
    mutable std::atomic<const MdlImageKept*> kept{nullptr};
    MdlImageView view() const { return MdlImageView(block, size); }
};

// A new MdlImage holding a copy of `size` bytes of an image (in stored or
// relocated form), or zero-filled when `bytes` is null; null when memory
// runs out or the size is 0 or too large.
MdlImage* MdlImageNew(const uint8_t* bytes, size_t size);
// The same with the block left unfilled, for a caller that fills all of it
// (a whole read of a cache file) and frees the image when it cannot, so none
// of the heap's old bytes is ever read.
MdlImage* MdlImageNewUnfilled(size_t size);
// Frees an image and its block; null is ignored.
void MdlImageFree(MdlImage* image);

// Lays out a parse result as an image in stored form. False when memory runs
// out or the image would be larger than kMdlImageMaxSize; `out` is then
// empty.
bool MdlSerializeImage(const MdlParseResult& r, std::vector<uint8_t>& out);

// Converts the tagged offsets of a stored image into plain offsets, in place.
// The image may come from a file: every access is checked, and false means
// the block does not hold a sound image (it may be partly converted then and
// must be thrown away).
bool MdlRelocateImage(uint8_t* block, size_t size);

// Checks a relocated image from the header down: size field, slots, every
// option with its values and strings, the rule records reachable from the
// Exclusive rows, the command lists, the fonts. Every list must end within
// the block (no cycle). True when all of it is sound.
bool MdlValidateImage(const MdlImageView& view);

// The FileVersion text of an image's header (at most its 16 units) into
// `out`, always terminated; empty when the header cannot be read.
constexpr size_t kMdlVersionChars = 16;
void MdlImageVersion(const MdlImageView& view, WCHAR (&out)[kMdlVersionChars + 1]);
// Two FileVersion texts compared as lstrcmpiW does (letter case aside),
// each taken to at most 16 units; null counts as empty.
bool MdlVersionEquals(const WCHAR* a, const WCHAR* b);

// Compiles a model description file: parses it, lays the image out, copies
// it into a block of its own, relocates and checks it. When `writeCache` is
// set the stored form goes to the cache file beside the description, with a
// null context always, else only when the image's FileVersion equals the
// driver's version text of the context (letter case aside). Null when the
// file cannot be parsed or memory runs out; the caller owns the image.
MdlImage* MdlCompileImage(DrvContext* ctx, const WCHAR* path, bool writeCache);

}  // namespace vesk
