// Rendering of command groups: a group's condition picks one of its two node
// lists; a list renders its nodes in order (option commands, literals,
// nested groups, the device font list); an option command renders the
// option's current value through its command record, or the driver's own
// command for the item.
#include <cstdio>
#include <new>
#include <string>

#include "core/builtin_tables.h"
#include "core/item_store.h"
#include "core/model/image.h"
#include "common_calls/model_expression.h"
#include "header/command_record.h"
#include "header/header_internal.h"
#include "printer_text.h"

namespace vesk {
namespace {

// Groups nest at most this deep (the compiled image bounds them too).
constexpr int kMaxDepth = 64;

// Text items hold at most this many characters.
constexpr size_t kStringChars = 600;

// A render takes one step per group and per node from one budget for the
// whole block: the image's groups form a tree of records of 8 bytes or more,
// so groups named by several nodes cannot make a render outgrow the image.
int renderList(HeaderRender& r, uint32_t head, int depth, uint32_t& steps);

int renderGroup(HeaderRender& r, uint32_t group, int depth, uint32_t& steps) {
    if (steps-- == 0 || depth > kMaxDepth || !r.view.inside(group, kMdlImgCommandListSize)) return -1;
    uint32_t condition = 0, first = 0, second = 0;
    r.view.u32(group + kMdlListCond, &condition);
    r.view.u32(group + kMdlListFirst, &first);
    r.view.u32(group + kMdlListSecond, &second);
    const uint32_t list = condition == 0 || MdlEvalExpressionGr(r.ctx, condition) != 0 ? first : second;
    return list ? renderList(r, list, depth, steps) : 0;
}

// A value of a list type: the text of its value record, affixed.
void renderPick(HeaderRender& r, const CommandRecord& rec, uint32_t value) {
    const uint32_t at = FindValueRecord(r.view, rec, static_cast<uint16_t>(value));
    std::string_view text;
    if (at && ImageText(r.view, at + kMdlValCommand, &text) && !text.empty())
        CmdTextAppend(rec.affixes, text.data(), text.size(), r.out);
}

int renderString(HeaderRender& r, const CommandRecord& rec, DmItem* item) {
    const BYTE* field = ItemGetRawAddress(r.ctx, item);
    if (!field) return -1;
    // Text items may be set by any application: what lands in a PJL line is
    // made safe and cut on a character boundary.
    std::string text(kStringChars * 2, '\0');
    size_t n = 0;
    if (typeIsWide(itemTypeCode(*item)) || itemTypeCode(*item) == 13) {
        WCHAR wide[kStringChars + 1] = {};
        ItemGetString(r.ctx, item, wide, kStringChars + 1);
        n = WideToAnsiBytes(text.data(), text.size(), wide, kStringChars, TextPolicy::PjlSafe);
    } else {
        const size_t size = itemSize(*item);
        size_t len = 0;
        while (len < size && field[len]) ++len;
        for (size_t i = 0; i < len; ++i) text[i] = static_cast<char>(field[i]);
        // A lead byte left without its trail byte would take the closing
        // quote or line end behind it as its second byte.
        n = SanitizeAnsi(text.data(), AnsiWholeCharacters(text.data(), len, len));
    }
    if (n) CmdTextAppend(rec.affixes, text.data(), n, r.out);
    return 0;
}

int renderOption(HeaderRender& r, uint16_t key, uint16_t subKey) {
    DmItem* item = ItemFindByKey(r.ctx, key);
    CommandRecord rec;
    if (!item || !MdlFindCommand(r.view, key, subKey, &rec)) return -1;
    if (const int kind = ItemCommandKind(item->id); kind && RenderSpecialCommand(r, kind, rec, item)) return 0;
    if (rec.type & kCmdWriteNothing) return 0;
    const uint32_t value = ItemGetValue(r.ctx, item);
    switch (static_cast<uint16_t>(rec.type & ~kCmdAnySubKey)) {
        case kMdlPickOne:
        case kMdlPickPage:
        case kMdlPickSlot: renderPick(r, rec, value); return 0;
        case kMdlFontTbl:
            renderPick(r, rec, value);
            PjlSubFontTable(r, rec, value);
            return 0;
        case kMdlBoolean: {
            // Unlike a list value, a Boolean always writes its affixes: a
            // state without a text of its own is the prefix and suffix alone.
            uint32_t block = 0;
            std::string_view text;
            if (!r.view.link(rec.at + kMdlOptValues, kMdlBoolBlockSize, &block)) return 0;
            if (block) ImageText(r.view, block + (value ? kMdlBoolTrue : kMdlBoolFalse), &text);
            CmdTextAppend(rec.affixes, text.data(), text.size(), r.out);
            return 0;
        }
        case kMdlNumeric: {
            int64_t mul = 1, div = 1;
            NumericScale(r.view, rec, &mul, &div);
            const std::string text = std::to_string(ScaleValue(ItemSignedValue(item, value), mul, div));
            CmdTextAppend(rec.affixes, text.data(), text.size(), r.out);
            return 0;
        }
        case kMdlString: return renderString(r, rec, item);
        default: return 0;  // PickMany and any other kind write nothing
    }
}

int renderList(HeaderRender& r, uint32_t head, int depth, uint32_t& steps) {
    int result = 0;
    MdlListWalk walk(r.view, head, kMdlNodeSize);
    uint32_t at = 0;
    while (walk.next(&at)) {
        if (steps-- == 0) return -1;
        uint16_t kind = 0;
        r.view.u16(at + kMdlNodeKind, &kind);
        switch (kind) {
            case kMdlNodeOption: {
                uint16_t key = 0, sub = 0;
                if (!r.view.u16(at + kMdlNodeOptionKey, &key) || !r.view.u16(at + kMdlNodeNumber, &sub)) return -1;
                result = renderOption(r, key, sub);
                break;
            }
            case kMdlNodeLiteral: {
                uint32_t length = 0, text = 0;
                if (!r.view.u32(at + kMdlNodeTextLength, &length) || !r.view.u32(at + kMdlNodeText, &text))
                    return -1;
                if (length > 1) {
                    if (text < kMdlHeaderSize || !r.view.inside(text, length - 1)) return -1;
                    r.out.append(r.view.data() + text, length - 1);
                }
                break;
            }
            case kMdlNodeGroup: {
                uint32_t nested = 0;
                if (!r.view.link(at + kMdlNodeNested, kMdlImgCommandListSize, &nested)) return -1;
                result = nested ? renderGroup(r, nested, depth + 1, steps) : 0;
                break;
            }
            case kMdlNodeDeviceFonts: PjlDevFontId(r); break;
            default: return -1;
        }
        if (result < 0) return result;
    }
    return walk.failed() ? -1 : result;
}

int renderBlock(DrvContext* ctx, int slot, BYTE* buffer, uint32_t capacity) {
    if (!ctx || !ctx->model) return -1;
    try {
        HeaderText out(buffer, capacity);
        HeaderRender r{ctx, ctx->model->view(), out};
        uint32_t group = 0;
        if (!r.view.slot(slot, &group)) return -1;
        uint32_t steps = static_cast<uint32_t>(r.view.size() / 8);
        if (group && renderGroup(r, group, 0, steps) < 0) return -1;
        if (out.length() > 0x7FFFFFFF) return -1;
        if (buffer && (out.overflowed() || out.length() != capacity)) return -1;
        return static_cast<int>(out.length());
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

}  // namespace

void HeaderText::append(const void* bytes, size_t n) {
    if (buffer_) {
        if (overflow_ || length_ + n > capacity_) overflow_ = true;
        else
            for (size_t i = 0; i < n; ++i) buffer_[length_ + i] = static_cast<const BYTE*>(bytes)[i];
    }
    length_ += n;
}

int CmdTextAppend(const Affixes& affixes, const char* text, size_t length, HeaderText& out) {
    out.append(affixes.prefix);
    if (text) out.append(text, length);
    out.append(affixes.suffix);
    return 0;
}

int ItemCommandKind(int itemId) {
    const HeaderCommandKind* t = builtinHeaderCommands();
    for (int i = 0; i < builtinHeaderCommandCount(); ++i)
        if (t[i].item == itemId) return t[i].kind;
    return 0;
}

int64_t ItemSignedValue(const DmItem* item, uint32_t value) {
    const uint32_t code = itemTypeCode(*item);
    return code == kTypeS8 || code == kTypeS16 || code == kTypeS32 ? static_cast<int64_t>(static_cast<int32_t>(value))
                                                                    : static_cast<int64_t>(value);
}

int64_t ScaleValue(int64_t value, int64_t multiplier, int64_t divisor) {
    // A divisor of 0 leaves the value as it is.
    if (divisor == 0) return value;
    return value * multiplier / divisor;
}

size_t SanitizeAnsi(char* text, size_t length) {
    // Bytes of a double-byte character are never control bytes or quotes
    // (trail bytes start above 0x30 in every code page the driver meets), so
    // the single bytes are made safe one by one.
    for (size_t i = 0; i < length; ++i) text[i] = PjlSafeByte(text[i]);
    return length;
}

int JobHeaderBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity) {
    return renderBlock(ctx, kMdlSlotJobStart, buffer, capacity);
}
int PageHeaderBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity) {
    return renderBlock(ctx, kMdlSlotPageStart, buffer, capacity);
}
int PageTrailerBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity) {
    return renderBlock(ctx, kMdlSlotPageEnd, buffer, capacity);
}

}  // namespace vesk
