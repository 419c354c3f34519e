// Moving one job-control item between the item store and the library. Text
// travels as UTF-16 in buffers of explicit little-endian bytes.
#include "core/jobctl/jc_items.h"

#include <cstdio>
#include <cstring>

#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/model/query.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

// The size a library reports is not trusted: a value is never read through
// a block larger than this.
constexpr uint32_t kMaxValueBytes = 64 * 1024;
constexpr uint32_t kSmallRowBytes = 32;
constexpr WCHAR kProductWord[] = u"VESK";

// Block of MemAllocZero freed on scope exit.
struct Block {
    explicit Block(size_t bytes) : p(static_cast<BYTE*>(MemAllocZero(bytes ? bytes : 1))) {}
    ~Block() { MemFree(p); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    BYTE* p;
};

WCHAR wideAt(const BYTE* b, size_t i) { return static_cast<WCHAR>(b[2 * i] | (b[2 * i + 1] << 8)); }

void putWide(BYTE* b, size_t chars, const WCHAR* text) {
    for (size_t i = 0; i < chars && text[i]; ++i) {
        b[2 * i] = static_cast<BYTE>(text[i]);
        b[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
    }
}

// Decodes at most `chars` - 1 characters of `b` (up to a NUL) into `text`.
void decode(const BYTE* b, size_t bytes, WCHAR* text, size_t chars) {
    size_t i = 0;
    for (; i + 1 < chars && i < bytes / 2; ++i) {
        const WCHAR c = wideAt(b, i);
        if (!c) break;
        text[i] = c;
    }
    text[i] = 0;
}

void numberText(uint32_t n, WCHAR* out, size_t chars) {
    char a[16];
    std::snprintf(a, sizeof a, "%lu", static_cast<unsigned long>(n));
    size_t i = 0;
    for (; a[i] && i + 1 < chars; ++i) out[i] = static_cast<WCHAR>(a[i]);
    out[i] = 0;
}

// Leading decimal digits of `text` as a number; false when there are none.
bool parseNumber(const WCHAR* text, uint32_t* out) {
    uint64_t n = 0;
    size_t i = 0;
    for (; text[i] >= u'0' && text[i] <= u'9'; ++i) n = n * 10 + static_cast<uint32_t>(text[i] - u'0');
    if (i == 0 || n > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(n);
    return true;
}

// Slot 5 into `buffer` of `bytes` bytes, through a temporary block when the
// library needs more (cut to the buffer, whose last character is then NUL).
bool readInto(JcWorkspace& jc, uint32_t code, BYTE* buffer, uint32_t bytes) {
    DWORD needed = 0;
    const DWORD probe = jc.table->getItem(jc.connection, code, kJcKindText, nullptr, 0, &needed);
    if ((probe != kJcOk && probe != kJcMoreData) || needed == 0) return false;
    if (needed <= bytes) {
        if (jc.table->getItem(jc.connection, code, kJcKindText, buffer, bytes, &needed) != kJcOk) return false;
    } else {
        const uint32_t temp = (needed > kMaxValueBytes ? kMaxValueBytes : needed + 1) & ~1u;
        Block b(temp);
        if (!b.p) return false;
        if (jc.table->getItem(jc.connection, code, kJcKindText, b.p, temp, &needed) != kJcOk) return false;
        std::memcpy(buffer, b.p, bytes);
    }
    buffer[bytes - 2] = buffer[bytes - 1] = 0;
    return true;
}

bool hasValue(JcWorkspace& jc, uint32_t code) {
    DWORD state = 0;
    return jc.table->itemState(jc.connection, code, &state) == kJcOk && (state & 1);
}

}  // namespace

uint32_t JcRowBufferBytes(DrvContext* ctx, const JcItemRow& row) {
    if (row.setOnly || row.code == kJcCodeTelLine) return kSmallRowBytes;
    const DmItem* item = ItemFindById(ctx, row.itemId);
    return item ? 2 * itemSize(*item) : 0;
}

void JcGetRow(DrvContext* ctx, const JcItemRow& row) {
    JcWorkspace& jc = ctx->ws->jc;
    if (row.setOnly || !jc.connection || !jc.table) return;
    DmItem* item = ItemFindById(ctx, row.itemId);
    const uint32_t bytes = JcRowBufferBytes(ctx, row);
    if (!item || bytes < 2) return;
    Block buf(bytes);
    if (!buf.p || !hasValue(jc, row.code) || !readInto(jc, row.code, buf.p, bytes)) return;
    Block text(bytes);  // bytes / 2 characters
    if (!text.p) return;
    WCHAR* t = reinterpret_cast<WCHAR*>(text.p);
    decode(buf.p, bytes, t, bytes / 2);
    if (!t[0]) return;
    uint32_t n = 0;
    if (row.code == kJcCodeTelLine) {
        if (parseNumber(t, &n)) ItemSetRaw(ctx, item, n);
    } else {
        ItemSetString(ctx, item, t);
    }
}

void JcClearRow(DrvContext* ctx, const JcItemRow& row) {
    if (row.setOnly) return;
    DmItem* item = ItemFindById(ctx, row.itemId);
    if (!item) return;
    if (row.code == kJcCodeTelLine) ItemSetRaw(ctx, item, 0);
    else ItemSetString(ctx, item, u"");
}

DWORD JcSetRow(DrvContext* ctx, const JcItemRow& row, JcSetMode mode) {
    JcWorkspace& jc = ctx->ws->jc;
    if (!jc.connection || !jc.table) return 0;
    if (row.setOnly && jc.version == kJcVersion257) return 0;
    if (mode == JcSetMode::Resend && !row.setOnly) {
        JcClearRow(ctx, row);
        // The model's default line is a model value; the item and job
        // control hold the line number its map gives.
        if (row.code == kJcCodeTelLine) ItemSetValueById(ctx, kItRdmTelLine, MdlGetOptionValue(ctx, kItRdmTelLine));
    }
    if (row.code == kJcCodeLangId) {
        uint16_t sub = 0;
        const uint8_t primary = DispLangLookup(ItemRawById(ctx, kItRdmLanguageID), &sub);
        const uint32_t langId = (static_cast<uint32_t>(sub) << 10) | primary;
        const BYTE v[4] = {static_cast<BYTE>(langId), static_cast<BYTE>(langId >> 8), 0, 0};
        return jc.table->setItem(jc.connection, row.code, kJcKindNumber, v, 4);
    }
    const uint32_t bytes = JcRowBufferBytes(ctx, row);
    if (bytes < 2) return 0;
    Block buf(bytes), text(bytes);
    if (!buf.p || !text.p) return 0;
    WCHAR* t = reinterpret_cast<WCHAR*>(text.p);
    const size_t chars = bytes / 2;
    if (row.code == kJcCodeProduct) {
        std::memcpy(t, kProductWord, sizeof kProductWord);
    } else if (row.code == kJcCodeTelLine) {
        numberText(ItemRawById(ctx, kItRdmTelLine), t, chars);
    } else if (DmItem* item = ItemFindById(ctx, row.itemId)) {
        ItemGetString(ctx, item, t, chars);
    }
    putWide(buf.p, chars - 1, t);
    return jc.table->setItem(jc.connection, row.code, kJcKindText, buf.p, bytes);
}

DWORD JcQueryItemText(DrvContext* ctx, uint32_t code, WCHAR* text, size_t chars) {
    if (!ctx || !ctx->ws || !text || chars == 0) return ERROR_INVALID_PARAMETER;
    text[0] = 0;
    JcWorkspace& jc = ctx->ws->jc;
    if (!jc.connection || !jc.table) return ERROR_INVALID_HANDLE;
    DWORD state = 0;
    const DWORD r = jc.table->itemState(jc.connection, code, &state);
    if (r != kJcOk) return r;
    if (!(state & 1)) return kJcMoreData;
    const uint32_t bytes = static_cast<uint32_t>(chars * 2 > kMaxValueBytes ? kMaxValueBytes : chars * 2);
    Block buf(bytes);
    if (!buf.p) return ERROR_NOT_ENOUGH_MEMORY;
    if (!readInto(jc, code, buf.p, bytes)) return kJcMoreData;
    decode(buf.p, bytes, text, chars);
    return kJcOk;
}

}  // namespace vesk
