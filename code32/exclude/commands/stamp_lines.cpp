// The stored stamps as PJL lines.
#include <cstring>
#include <string>

#include "commands/command_base.h"
#include "commands/devmode_sections.h"
#include "commands/exc_api.h"
#include "commands/set_line.h"
#include "commands/stamp_lines.h"
#include "commands/value_text.h"
#include "core/item_store.h"
#include "core/lists/lists.h"

namespace vesk {
namespace {

constexpr int kItemWmKind = 109, kItemWmPage = 116;

std::string_view withoutTrailingQuote(std::string_view s) {
    return !s.empty() && s.back() == '"' ? s.substr(0, s.size() - 1) : s;
}
std::string_view withoutLeadingQuote(std::string_view s) { return !s.empty() && s.front() == '"' ? s.substr(1) : s; }

// One stamp row's line; false when it writes nothing.
int writeRow(ExcTextBuf* b, DrvContext* ctx, const ExcStampLine& r, bool* wrote, uint32_t* value) {
    *wrote = false;
    if (r.valueType == kExcTypeFixedLine) {
        *wrote = true;
        return ExcWriteSetLine(b, GetStampLiteralExc(0), GetStampLiteralExc(1));
    }
    ExcModelOption o;
    if (!ExcReadModelOption(ctx, ExcFindModelOption(ctx, r.item, 0), &o)) return 0;
    // A row of the stamp table read as a model-driven row of that type.
    ExcCommandEntry row{};
    row.item = r.item;
    row.kind = kExcKindModel;
    row.valueFormat = r.valueType;
    *value = ItemValueById(ctx, static_cast<int>(r.item));
    char text[kExcTokenBytes + 8];
    const int32_t need = ExcModelValueToText(ctx, &row, o, *value, sizeof text, text);
    if (need <= 0 || need > static_cast<int32_t>(sizeof text)) return 0;
    const std::string_view pre = withoutTrailingQuote(o.prefix), post = withoutLeadingQuote(o.suffix);
    *wrote = true;
    if (ExcTextAppendBytes(b, pre.data(), pre.size()) || ExcTextAppend(b, text) ||
        ExcTextAppendBytes(b, post.data(), post.size()))
        return -1;
    return 0;
}

}  // namespace

int ExcWriteStampLines(ExcTextBuf* b, DrvContext* ctx, int selector) {
    const ExcStampLineTable* t = GetStampLineTableExc();
    const int32_t start = b->length;
    uint32_t skip = 0;
    for (uint32_t i = 0; i < t->count; ++i) {
        const ExcStampLine& r = t->rows[i];
        if (r.setKey != static_cast<uint32_t>(selector) && !(r.setKey & 0xF0)) continue;
        if (skip) {
            --skip;
            continue;
        }
        bool wrote = false;
        uint32_t value = 0;
        if (writeRow(b, ctx, r, &wrote, &value) != 0) return -1;
        if (wrote && r.skip && !(r.item == kItemWmPage && value != 0)) skip = r.skip;
    }
    return b->length > start ? ExcTextTerminate(b) : 0;
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI ExcGetWaterMarkList(void* handle, int32_t selector, int32_t size, char* buffer, int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h || (selector != 0 && selector != 1)) return -1;
    DrvContext* ctx = h->ctx;
    ExcText list;
    if (!list.ok()) return -1;
    {
        DmSections13Guard devmode(ctx);
        if (!devmode.ok()) return -1;
        const int count = GetStampCount(ctx);
        for (int i = 0; i < count; ++i) {
            LoadStampByIndex(ctx, static_cast<uint32_t>(i));
            const uint32_t kind = ItemRawById(ctx, kItemWmKind);
            if (kind != static_cast<uint32_t>(selector + 1)) continue;
            if (ExcWriteStampLines(list.get(), ctx, selector) != 0) return -1;
        }
    }
    if (list->length && ExcTextTerminate(list.get()) != 0) return -1;
    if (needed) *needed = list->length;
    if (list->length == 0) return 0;
    if (!buffer || size < list->length) return 1;
    std::memcpy(buffer, list->bytes, static_cast<size_t>(list->length));
    return 0;
}
