#include "status/status_support.h"

#include <vector>

#include "common_calls/devmode_forms.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "status/status_engine.h"
#include "status/status_tables.h"

#include "core/ini_wrap.h"

#include <string>

namespace vesk {

uint32_t StRaw(DrvContext* ctx, int id) { return ItemRawById(ctx, id); }
void StSetRaw(DrvContext* ctx, int id, uint32_t value) { ItemSetRawById(ctx, id, value); }

bool StValueOk(DrvContext* ctx, int id, uint32_t value) {
    return OptIsValueAllowedExc(static_cast<uint16_t>(id), value, ctx) == 1;
}

void StRunOptionActions(DrvContext* ctx, int id) {
    const MdlImageView v = MdlViewOf(ctx);
    if (!v.data() || id <= 0) return;
    uint32_t head = 0;
    if (!v.link(MdlSlotOffset(0), kMdlImgOptionSize, &head)) return;
    // Gather first: the actions may not change the list, but a walk that
    // runs rules in between is harder to reason about.
    std::vector<uint32_t> records;
    MdlListWalk walk(v, head, kMdlImgOptionSize);
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t optionId = 0;
        if (v.u16(rec + kMdlOptId, &optionId) && optionId == id) records.push_back(rec);
    }
    if (records.empty()) {
        // Ids with a header slot may have their record outside the list.
        if (const uint32_t o = MdlFindOption(ctx, id)) records.push_back(o);
    }
    for (uint32_t rec : records) MdlApplyOptionActions(ctx, rec);
}

bool StOptionCond1(DrvContext* ctx, int id) {
    const uint32_t o = MdlFindBoundOption(static_cast<uint32_t>(id), ctx);
    return o && MdlEvalOptionCond1(ctx, o, 0) == 1;
}
bool StOptionCond2(DrvContext* ctx, int id) {
    const uint32_t o = MdlFindBoundOption(static_cast<uint32_t>(id), ctx);
    return o && MdlEvalOptionCond2(ctx, o, 0) == 1;
}

uint32_t StItemWidth(DrvContext* ctx, int id) {
    const DmItem* item = ItemFindById(ctx, id);
    return item ? itemSize(*item) : 0;
}

std::string StItemText(DrvContext* ctx, int id) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item || !typeIsAnsi(itemTypeCode(*item))) return {};
    const BYTE* field = ItemGetRawAddress(ctx, item);
    if (!field) return {};
    const uint32_t width = itemSize(*item);
    size_t n = 0;
    while (n < width && field[n]) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

void StSetItemText(DrvContext* ctx, int id, const std::string& text) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item || !typeIsAnsi(itemTypeCode(*item))) return;
    const uint32_t width = itemSize(*item);
    if (!width) return;
    std::vector<BYTE> field(width, 0);
    const size_t n = text.size() < width - 1 ? text.size() : width - 1;
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), field.begin());
    ItemSetRawBytes(ctx, item, field.data());
}

const WCHAR* StIniPath(DrvContext* ctx) { return GetIniFilePath(ctx); }

namespace {

// The INI value under `key` of the item's section, kept so that a failed
// call can put it back (or remove it when there was none).
void keepIniValue(StatusCall& call, const DmItem* item, const WCHAR* key) {
    DrvContext* ctx = call.ctx;
    const WCHAR* ini = StIniPath(ctx);
    if (!ini || !ini[0] || !key) return;
    std::u16string section = item->iniSection && item->iniSection[0] ? item->iniSection
                             : ctx->ws->printerName[0]                ? ctx->ws->printerName
                                                                      : u"";
    const std::u16string path = ini, name = key;
    constexpr WCHAR kAbsent[] = u"\x01";
    WCHAR old[kWsPathChars * 2] = {};
    IniGetString(section.c_str(), key, kAbsent, old, kWsPathChars * 2, ini);
    const bool absent = std::u16string(old) == kAbsent;
    const std::u16string value = old;
    call.undo.push_back([section, path, name, absent, value] {
        IniWriteString(section.c_str(), name.c_str(), absent ? nullptr : value.c_str(), path.c_str());
    });
}

}  // namespace

void StSaveEntry(StatusCall& call, int id) {
    DmItem* item = ItemFindById(call.ctx, id);
    if (!item) return;
    keepIniValue(call, item, item->valueName);
    OptSaveEntry(call.ctx->printer, call.ctx, item, StIniPath(call.ctx));
}

}  // namespace vesk
