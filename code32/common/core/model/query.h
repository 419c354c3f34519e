// Questions the rest of the driver asks of a context's compiled model: the
// option record of an option id or key, its type, values and default, the
// paper geometry of the paper option, and copies of the font lists.
//
// Records are handed out as 32-bit offsets into the image (0 = none), never
// as addresses; every read goes through the image's bounds-checked view, so
// a damaged image (it may come from a file) gives the empty answer instead
// of a fault. A context without a model answers every query empty.
#pragma once
#include <vector>
#include <win/types.h>

#include "core/context.h"
#include "core/model/image.h"

namespace vesk {

// The view of the context's image, empty without one (inline: every query
// starts with it).
inline MdlImageView MdlViewOf(const DrvContext* ctx) {
    return (ctx && ctx->model) ? ctx->model->view() : MdlImageView();
}

// The first record of the list from `head` (records of `recordSize` bytes,
// next link at +0) whose field at `fieldAt` equals `value`: a 16-bit field,
// or a 32-bit one with `wide`. 0 when none (also when the list is broken).
uint32_t MdlListFind(const MdlImageView& v, uint32_t head, uint32_t recordSize, uint32_t fieldAt, uint32_t value,
                     bool wide = false);

// ---- Options ----

// The header slot of an option id, as MdlSlotForOptionId gives it (inline:
// every option lookup starts with it): ids 1-706 their own slot, 10001-10277
// slots 707-983, 707-947 slots 984-1224; 0 for any other id.
constexpr int MdlOptionSlot(int id) {
    if (id >= 1 && id <= 706) return id;
    if (id >= 10001 && id <= 10277) return id - 9294;
    if (id >= 707 && id <= 947) return id + 277;
    return 0;
}

// The option of an option id: ids 1-706, 707-947 and 10001-10277 through
// their header slot, other ids by walking the option list; 0 for id 0 and
// for an id the model lacks.
uint32_t MdlFindOption(const DrvContext* ctx, int optionId);
// The first option in list order with the 16-bit key; the two aliases are
// the same lookup under the names other callers use.
uint32_t MdlFindOptionByKey(const DrvContext* ctx, int key);
// Appends to `out` the id of every record of the model's option list that
// MdlFindOption finds by that id (each id once), in list order: the items
// the model has an option for, in one walk of the list.
void MdlListedOptionIds(const DrvContext* ctx, std::vector<int>& out);
// The answers kept with the image (model/image.h), made at the first call;
// null without an image, or when memory for them runs out.
const MdlImageKept* MdlKeptOf(const MdlImage* image);
// The kept answers when they have been made, else null (inline: a lookup
// that has its own way to the answer takes them only when they are there).
inline const MdlImageKept* MdlKeptIfMade(const MdlImage* image) {
    return image ? image->kept.load(std::memory_order_acquire) : nullptr;
}
// Appends the listed options (MdlListedOptions) whose option has a type and
// a Transact list, each with that list, in list order.
void MdlListedActions(const DrvContext* ctx, std::vector<MdlListedAction>& out);
// Appends the ids MdlListedOptionIds gives, in its order, each with its
// record: the slot's record, or for an id without a slot its first record.
void MdlListedOptions(const DrvContext* ctx, std::vector<MdlListedOption>& out);
// Appends the answers for every id MdlListedOptionIds gives, in its order:
// the same as asking both queries per id, with one lookup per id.
void MdlListedOptionDefaults(const DrvContext* ctx, std::vector<MdlOptionDefault>& out);
// Whether the option's value list holds `valueId`: 1 it does, 0 it does
// not, -1 without option, list type or values (one walk of the list).
int MdlValueListHolds(const DrvContext* ctx, int optionId, uint32_t valueId);
uint32_t MdlFindOptionByKeyAlias(const DrvContext* ctx, int key);
uint32_t MdlFindOptionByKeyAlias2(const DrvContext* ctx, int key);
// The option of the item at `index` of the context's item table.
uint32_t MdlOptionByIndex(const DrvContext* ctx, int index);

// The option's type word, 0 when absent; MdlGetOptionType without the
// Identity and TypeUnknown bits (0x3000).
uint16_t MdlGetOptionRawType(const DrvContext* ctx, int optionId);
uint16_t MdlGetOptionType(const DrvContext* ctx, int optionId);
// The same answers for an option record already found (0: none), read
// through the view of its image.
uint16_t MdlOptionBaseTypeAt(const MdlImageView& v, uint32_t option);
int MdlValueListHoldsAt(const MdlImageView& v, uint32_t option, uint32_t valueId);
// MdlFindOption, with MdlGetOptionType's answer in *baseType. Inline for
// an id with a header slot (the slot's record, whose type field the size
// checked by the link holds); any other id takes the list walk.
uint32_t MdlFindOptionTypedByWalk(const DrvContext* ctx, int optionId, uint16_t* baseType);
inline uint32_t MdlFindOptionTyped(const DrvContext* ctx, int optionId, uint16_t* baseType) {
    const int slot = MdlOptionSlot(optionId);
    if (!slot) return MdlFindOptionTypedByWalk(ctx, optionId, baseType);
    const MdlImageView v = MdlViewOf(ctx);
    uint32_t o = 0;
    if (!v.data() || !v.link(MdlSlotOffset(slot), kMdlImgOptionSize, &o) || !o) {
        *baseType = 0;
        return 0;
    }
    static_assert(kMdlOptType + 2 <= kMdlImgOptionSize, "the type field lies inside an option record");
    *baseType = MdlBaseType(v.u16Whole(o + kMdlOptType));
    return o;
}
int MdlNumericRangeAt(const MdlImageView& v, uint32_t option, int32_t* outMin, int32_t* outMax);
// The default value (the current selection): list types whose low byte is 1
// the value id of the record at the selection index (0 past the end),
// Boolean the block's default, Numeric the i32 at +12, String the default
// value id; other types and an absent option 0.
uint32_t MdlGetOptionValue(const DrvContext* ctx, int optionId);
// The value storage (the first value record or the value block), 0 when
// absent; types with bit 0 also give the selection index in `selection`
// (optional; 0 otherwise).
uint32_t MdlGetOptionValues(const DrvContext* ctx, int optionId, uint16_t* selection);
// -1 when absent, 0 for Boolean, Numeric and String, else the number of
// value records.
int MdlGetValueCount(const DrvContext* ctx, int optionId);
// Records of a linked list from `head` (0 for none); a list that leaves the
// image or loops counts the records read before the fault.
uint32_t MdlListCount(const DrvContext* ctx, uint32_t head);
// The value record of a list option with that value id, 0 when none.
uint32_t MdlFindValueRecord(const DrvContext* ctx, int optionId, uint32_t valueId);
// The numeric block's minimum and maximum. 0 when the option is not Numeric.
int MdlGetNumericRange(const DrvContext* ctx, int optionId, int32_t* outMin, int32_t* outMax);
// The model's resource library name (header slot 1225): the offset of a
// NUL-terminated UTF-16 text, 0 when none. MdlReadWide copies such a text.
uint32_t ModelGetTable1225(const DrvContext* ctx);
// Copies the UTF-16 text at `offset` into `dest` of `destChars` characters
// (cut to fit, always terminated). False when the text is not in the image.
bool MdlReadWide(const DrvContext* ctx, uint32_t offset, WCHAR* dest, size_t destChars);

// ---- Paper geometry (option 8, PickPage) ----

// The PageMMValue pair of the current value of item 8 (0.1 mm, width then
// length), swapped when item 7 holds 2. 0 when option 8 or the value is
// missing.
int MdlGetPageSize(DrvContext* ctx, int32_t outPair[2]);
// The same for a given value id of option 8.
int MdlGetPageSizeOfValue(DrvContext* ctx, uint32_t valueId, int32_t outPair[2]);
// The printable area of option 8's value `valueId` for the current
// resolution (item 42) and orientation (item 7): the first page record with
// both whose condition holds gives {x, y, x + width, y + height} and its two
// further numbers; else the first with the resolution alone gives the
// transposed rectangle and the numbers reversed. 0 when none.
int MdlGetAreaRecordByKey(DrvContext* ctx, RECTL* outRect, int32_t outPair[2], uint32_t valueId);
// The two answers above in two steps, for a caller that asks both of one
// value: the PickPage value record of option 8 for `valueId` (0 when none),
// then the size pair and the area of that record (0 for record 0).
uint32_t MdlPageValueRecord(DrvContext* ctx, uint32_t valueId);
int MdlPageSizeOfRecord(DrvContext* ctx, uint32_t record, int32_t outPair[2]);
int MdlAreaOfRecord(DrvContext* ctx, uint32_t record, RECTL* outRect, int32_t outPair[2]);
int MdlGetAreaRecord(DrvContext* ctx, RECTL* outRect, int32_t outPair[2], uint32_t valueId);

// ---- Fonts ----
// Copies are blocks of MemAllocZero the caller frees with MemFree; null with
// count 0 when the list is empty or memory runs out. Names are converted
// from the system's ANSI code page and cut to the record's 32 characters
// (a name of 32 characters fills its field without a terminator).

constexpr uint32_t kMdlFontRecordSize = 68;    // {i32 number, 32 UTF-16 name}
constexpr uint32_t kMdlFontPairSize = 128;     // {32 UTF-16 TrueType, 32 UTF-16 device}
constexpr uint32_t kMdlFontNameChars = 32;

BYTE* MdlCopyDeviceFonts(const DrvContext* ctx, uint32_t* outCount);
BYTE* MdlCopyOptionFonts(const DrvContext* ctx, uint32_t* outCount);
// The substitution pairs of the first FontTbl option in list order: its
// first value record with a non-zero count.
BYTE* MdlCopyFontSubstDefaults(const DrvContext* ctx, uint32_t* outCount);

}  // namespace vesk
