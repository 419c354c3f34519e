// The private escapes 111 to 126: the maker's tools set the job's identity
// items of the device's driver context, read three settings as 16-bit
// values, and name the per-printer settings INI.
#include <cstring>
#include <memory>
#include <new>

#include "common_calls/context_devmode.h"
#include "core/devmode/dm_layout.h"
#include "core/item_store.h"
#include "escape.h"
#include "printer_text.h"

namespace vesk {
namespace {

enum class Op {
    Set,         // the item from the input: a text item takes the text, a number item a 32-bit value
    SetDecimal,  // a number item from decimal text
    Get16,       // the item's raw value to the output as 16 bits
    IniPath,     // wide text: the workspace's per-printer INI path
    Accept,      // taken, with no effect
};

struct PrivateEscapeRow {
    ULONG escape;
    int item;
    Op op;
};

// Items 983 to 985 are not in the built-in item table: their escapes store
// nothing, and say done all the same.
constexpr PrivateEscapeRow kRows[] = {
    {111, 216, Op::Set},         // rdmUserCode
    {112, 217, Op::Set},         // rdmOwnerName
    {113, 220, Op::Set},         // rdmJOBPassword
    {114, 215, Op::Set},         // rdmUserID
    {115, 219, Op::Set},         // rdmDocumentName
    {116, 243, Op::Set},         // rdmTelNo
    {117, 244, Op::SetDecimal},  // rdmTelLine
    {118, 221, Op::Set},         // rdmStoredPassword
    {119, 13, Op::Get16},        // dmDefaultSource
    {120, 222, Op::Get16},       // rdmPrnMethod
    {121, 0, Op::IniPath},
    {122, 0, Op::Accept},
    {123, 983, Op::Set},
    {124, 985, Op::Set},
    {125, 984, Op::Set},
    {126, 247, Op::Get16},       // rdmAPIUseFlag
};

// The bytes of the input before its first NUL (no NUL needed).
size_t textLength(const EscapeBuffers& b) {
    size_t n = 0;
    while (n < b.inSize && b.in[n]) ++n;
    return n;
}

// What atoi reads (blanks, a sign, digits), within the input; a value
// beyond the 32-bit range stops at its end of the range.
int32_t decimalValue(const EscapeBuffers& b) {
    const size_t n = textLength(b);
    size_t i = 0;
    while (i < n && (b.in[i] == ' ' || (b.in[i] >= '\t' && b.in[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < n && (b.in[i] == '+' || b.in[i] == '-')) negative = b.in[i++] == '-';
    int64_t v = 0;
    for (; i < n && b.in[i] >= '0' && b.in[i] <= '9'; ++i) {
        v = v * 10 + (b.in[i] - '0');
        if (v > int64_t{INT32_MAX} + 1) v = int64_t{INT32_MAX} + 1;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    return static_cast<int32_t>(v);
}

// ANSI text of the input into a text item: at most the item's size less
// its terminator, cut on a character boundary, the rest of the field zero.
ULONG storeText(DrvContext* ctx, DmItem* item, const EscapeBuffers& b) {
    const size_t size = itemSize(*item);
    if (b.inSize == 0 || size == 0) return 0;
    std::unique_ptr<BYTE[]> field(new (std::nothrow) BYTE[size]());
    if (!field) return 0;
    const char* text = reinterpret_cast<const char*>(b.in);
    std::memcpy(field.get(), text, AnsiWholeCharacters(text, textLength(b), size - 1));
    ItemSetRawBytes(ctx, item, field.get());
    return 1;
}

ULONG setItem(DrvContext* ctx, int id, const EscapeBuffers& b) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item) return 1;
    const uint32_t code = itemTypeCode(*item);
    if (typeIsAnsi(code)) return storeText(ctx, item, b);
    if (typeIsNumber(code) || typeIsBit(code)) {
        if (b.inSize < 4) return 0;
        ItemSetRaw(ctx, item, dm::rd32(b.in, 0));
        return 1;
    }
    return 0;
}

ULONG setDecimal(DrvContext* ctx, int id, const EscapeBuffers& b) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item || b.inSize == 0 || typeIsAddress(itemTypeCode(*item))) return 0;
    ItemSetRaw(ctx, item, static_cast<uint32_t>(decimalValue(b)));
    return 1;
}

// Without an output buffer the value goes nowhere and the escape is done.
ULONG get16(DrvContext* ctx, int id, const EscapeBuffers& b) {
    if (!b.hasOutput()) return 1;
    if (b.outSize < 2) return 0;
    dm::wr16(b.out, 0, ItemRawById(ctx, id) & 0xFFFF);
    return 1;
}

// Wide text of the input (no NUL needed) as the per-printer INI path. A path
// longer than the workspace holds is refused rather than cut: a cut path
// names another file.
ULONG setIniPath(DrvContext* ctx, const EscapeBuffers& b) {
    if (!ctx->ws || b.inSize < 2) return 0;
    const size_t units = b.inSize / 2;
    size_t n = 0;
    while (n < units && dm::rd16(b.in, static_cast<uint32_t>(2 * n))) ++n;
    if (n >= kWsPathChars) return 0;
    for (size_t i = 0; i < n; ++i) ctx->ws->iniPath[i] = dm::rd16(b.in, static_cast<uint32_t>(2 * i));
    ctx->ws->iniPath[n] = 0;
    return 1;
}

}  // namespace

ULONG PrivateEscape(Pdev* p, ULONG escape, const EscapeBuffers& b) {
    for (const PrivateEscapeRow& row : kRows) {
        if (row.escape != escape) continue;
        switch (row.op) {
            case Op::Set: return setItem(p->ctx, row.item, b);
            case Op::SetDecimal: return setDecimal(p->ctx, row.item, b);
            case Op::Get16: return get16(p->ctx, row.item, b);
            case Op::IniPath: return setIniPath(p->ctx, b);
            case Op::Accept:
                // The form-name field handler: this library keeps no form name.
                DmFieldNopGr(p->ctx, p->ctx ? p->ctx->devmode : nullptr);
                return 1;
        }
    }
    return 0;
}

}  // namespace vesk
