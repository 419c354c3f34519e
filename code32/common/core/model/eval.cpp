// The condition evaluator: postfix programs of the image run on the
// context's 256-value stack against the item store and the computed items.
#include "core/model/eval.h"

#include "core/computed/computed.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr uint16_t kOpEq = 1, kOpNe = 2, kOpAnd = 3, kOpOr = 4, kOpNot = 5, kOpGt = 6, kOpLt = 7, kOpGe = 8,
                   kOpLe = 9;

// Item type codes whose value is a text: the condition sees its length.
bool isStringType(uint32_t code) {
    switch (code) {
    case 7:
    case 8:
    case 10:
    case 11:
    case 13:
    case 14:
    case 15: return true;
    default: return false;
    }
}

// Length in characters of a text item's current string; 0 when the buffer
// for it cannot be had.
uint32_t stringLength(DrvContext* ctx, const DmItem* item) {
    const size_t chars = itemSize(*item) + 1;  // an ANSI byte never gives more than one character
    auto* buf = static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)));
    if (!buf) return 0;
    uint32_t n = ItemGetString(ctx, item, buf, chars) ? static_cast<uint32_t>(WLen(buf)) : 0;
    MemFree(buf);
    return n;
}

// The context's stack as one run sees it: the top it found is given back
// whatever way the run ends.
class Stack {
public:
    explicit Stack(DrvWorkspace* ws) : ws_(ws), start_(ws->evalTop) {}
    ~Stack() { ws_->evalTop = start_; }
    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    bool push(uint32_t v) {
        if (ws_->evalTop >= kMdlEvalStackValues) return false;
        BYTE* p = ws_->evalStack + 4u * ws_->evalTop;
        for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
        ++ws_->evalTop;
        return true;
    }
    // Pops only what this run pushed: values below its start belong to the
    // caller.
    bool pop(uint32_t* v) {
        if (ws_->evalTop <= start_ || ws_->evalTop > kMdlEvalStackValues) return false;
        --ws_->evalTop;
        const BYTE* p = ws_->evalStack + 4u * ws_->evalTop;
        *v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
             static_cast<uint32_t>(p[3]) << 24;
        return true;
    }

private:
    DrvWorkspace* ws_;
    uint16_t start_;
};

// The value an option cell pushes; false when the option has no item.
bool optionValue(DrvContext* ctx, uint16_t id, uint32_t* out) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item) return false;
    if (id >= kComputedFirst && id <= kComputedLast) *out = ComputedItemValue(ctx, id);
    else if (isStringType(itemTypeCode(*item))) *out = stringLength(ctx, item);
    else *out = ItemGetValue(ctx, item);
    return true;
}

uint32_t apply(uint16_t op, uint32_t l, uint32_t r) {
    switch (op) {
    case kOpEq: return l == r;
    case kOpNe: return l != r;
    case kOpAnd: return l && r;
    case kOpOr: return l || r;
    case kOpGt: return l > r;
    case kOpLt: return l < r;
    case kOpGe: return l >= r;
    case kOpLe: return l <= r;
    default: return 0;
    }
}

}  // namespace

int MdlEvalStackAlloc(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return -1;
    MdlEvalStackFree(ctx);
    ctx->ws->evalStack = static_cast<BYTE*>(MemAllocZero(kMdlEvalStackBytes));
    ctx->ws->evalTop = 0;
    return ctx->ws->evalStack ? 1 : -1;
}

void MdlEvalStackFree(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    MemFree(ctx->ws->evalStack);
    ctx->ws->evalStack = nullptr;
    ctx->ws->evalTop = 0;
}

uint32_t MdlEvalExpression(DrvContext* ctx, uint32_t program) {
    if (!program || !ctx || !ctx->ws || !ctx->ws->evalStack) return 0;
    MdlImageView v = MdlViewOf(ctx);
    if (program < kMdlHeaderSize || !v.inside(program, 4)) return 0;
    Stack stack(ctx->ws);
    bool haveLast = false;
    uint16_t lastId = 0;
    uint32_t lastValue = 0;
    // Every cell is read through the view: a program without its end cell
    // ends at the end of the image.
    for (uint32_t at = program;; at += 4) {
        uint16_t kind = 0, value = 0;
        if (!v.u16(at + kMdlCellKind, &kind) || !v.u16(at + kMdlCellValue, &value)) return 0;
        if (kind == kMdlCellOption) {
            if (!haveLast || value != lastId) {
                if (!optionValue(ctx, value, &lastValue)) return 0;
                lastId = value;
                haveLast = true;
            }
            if (!stack.push(lastValue)) return 0;
        } else if (kind == kMdlCellLiteral) {
            if (!stack.push(value)) return 0;
        } else if (kind == kMdlCellOperator) {
            uint32_t l = 0, r = 0;
            if (value == kMdlOpEnd) return stack.pop(&r) ? r : 0;
            if (value == kOpNot) {
                if (!stack.pop(&r) || !stack.push(r == 0)) return 0;
            } else if (value >= kOpEq && value <= kOpLe) {
                if (!stack.pop(&r) || !stack.pop(&l) || !stack.push(apply(value, l, r))) return 0;
            }
            // Other operator values are passed over.
        }
        // Other cell kinds are passed over.
    }
}

}  // namespace vesk
