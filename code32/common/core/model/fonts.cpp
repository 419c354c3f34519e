// Copies of the model's font lists as the fixed records the font tables of
// the DEVMODE hold: device and cartridge fonts {i32 number, 32 UTF-16 name}
// and substitution pairs {32 UTF-16 TrueType name, 32 UTF-16 device name},
// little-endian.
#include <string_view>

#include "core/model/query.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

void put32(BYTE* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

// Converts an ANSI name into a field of 32 UTF-16 characters. The
// conversion comes first and the cut is made on the converted text, so a
// double-byte character is never split; a name that fills the field has no
// terminator (the readers of the font tables stop at 32 characters).
void putName(BYTE* field, std::string_view name) {
    // A plain ASCII name is the same characters in every ANSI code page (as
    // AnsiToWideBounded takes it): widened straight into the field, cut at
    // 32 characters. Names read from the image hold no NUL.
    size_t ascii = 0;
    while (ascii < name.size() && static_cast<unsigned char>(name[ascii]) < 0x80) ++ascii;
    if (ascii == name.size()) {
        const size_t n = ascii < kMdlFontNameChars ? ascii : kMdlFontNameChars;
        for (size_t i = 0; i < n && name[i]; ++i) {
            field[2 * i] = static_cast<BYTE>(name[i]);
            field[2 * i + 1] = 0;
        }
        return;
    }
    WCHAR wide[kMdlFontNameChars + 1] = {};
    if (!AnsiToWideBounded(name.data(), name.size(), wide, kMdlFontNameChars + 1)) wide[0] = 0;
    for (uint32_t i = 0; i < kMdlFontNameChars && wide[i]; ++i) {
        field[2 * i] = static_cast<BYTE>(wide[i]);
        field[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
    }
}

// The narrow string at the offset held in `at`, empty when there is none.
std::string_view strAt(const MdlImageView& v, uint32_t at) {
    uint32_t s = 0;
    std::string_view sv;
    if (v.link(at, 1, &s) && s) v.str(s, &sv);
    return sv;
}

BYTE* copyFontList(const DrvContext* ctx, int countSlot, uint32_t* outCount) {
    if (outCount) *outCount = 0;
    MdlImageView v = MdlViewOf(ctx);
    uint32_t count = 0, arr = 0;
    if (!v.data() || !v.slot(countSlot, &count) || count == 0) return nullptr;
    // The array must lie whole inside the image before anything is taken.
    if (count > v.size() / 4 || !v.link(MdlSlotOffset(countSlot + 1), 4 * count, &arr) || !arr) return nullptr;
    BYTE* block = static_cast<BYTE*>(MemAllocZero(static_cast<size_t>(count) * kMdlFontRecordSize));
    if (!block) return nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        BYTE* rec = block + static_cast<size_t>(i) * kMdlFontRecordSize;
        uint32_t entry = 0;
        if (!v.link(arr + 4 * i, kMdlFontEntrySize, &entry) || !entry) continue;  // a broken entry stays empty
        uint32_t number = 0;
        v.u32(entry, &number);
        put32(rec, number);
        putName(rec + 4, strAt(v, entry + kMdlFontName));
    }
    if (outCount) *outCount = count;
    return block;
}

}  // namespace

BYTE* MdlCopyDeviceFonts(const DrvContext* ctx, uint32_t* outCount) {
    return copyFontList(ctx, kMdlSlotDeviceFontCount, outCount);
}

BYTE* MdlCopyOptionFonts(const DrvContext* ctx, uint32_t* outCount) {
    return copyFontList(ctx, kMdlSlotCartridgeFontCount, outCount);
}

BYTE* MdlCopyFontSubstDefaults(const DrvContext* ctx, uint32_t* outCount) {
    if (outCount) *outCount = 0;
    MdlImageView v = MdlViewOf(ctx);
    uint32_t head = 0;
    if (!v.data() || !v.link(MdlSlotOffset(0), kMdlImgOptionSize, &head)) return nullptr;
    MdlListWalk options(v, head, kMdlImgOptionSize);
    static_assert(kMdlOptType + 2 <= kMdlImgOptionSize, "the type field lies inside an option record");
    for (uint32_t o; options.next(&o);) {
        // The walk found the record whole inside the image.
        const uint16_t type = v.u16Whole(o + kMdlOptType);
        if (MdlBaseType(type) != kMdlFontTbl) continue;
        // The first option of the type decides, even when none of its values
        // has pairs.
        uint32_t values = 0;
        if (!v.link(o + kMdlOptValues, MdlValueRecordSize(kMdlFontTbl), &values)) return nullptr;
        MdlListWalk walk(v, values, MdlValueRecordSize(kMdlFontTbl));
        for (uint32_t rec; walk.next(&rec);) {
            uint32_t count = 0, first = 0, second = 0;
            v.u32(rec + kMdlValCount, &count);
            if (count == 0) continue;
            if (count > v.size() / 4 || !v.link(rec + kMdlValArray1, 4 * count, &first) || !v.link(rec + kMdlValArray2, 4 * count, &second) ||
                !first || !second)
                return nullptr;
            BYTE* block = static_cast<BYTE*>(MemAllocZero(static_cast<size_t>(count) * kMdlFontPairSize));
            if (!block) return nullptr;
            for (uint32_t i = 0; i < count; ++i) {
                BYTE* pair = block + static_cast<size_t>(i) * kMdlFontPairSize;
                putName(pair, strAt(v, first + 4 * i));
                putName(pair + 2 * kMdlFontNameChars, strAt(v, second + 4 * i));
            }
            if (outCount) *outCount = count;
            return block;
        }
        return nullptr;
    }
    return nullptr;
}

}  // namespace vesk
