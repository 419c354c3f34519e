#include "core/driver_services.h"

#include "core/devmode/dm_private.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/persist/font_persist.h"
#include "core/printer_info.h"

namespace vesk {

const WCHAR* GetResLangCodeExc(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return nullptr;
    const WCHAR* code = LangCodeFromHelpData(ctx);
    WCHAR* field = ctx->ws->languageCode;
    size_t i = 0;
    for (; code && code[i] && i + 1 < sizeof ctx->ws->languageCode / sizeof(WCHAR); ++i) field[i] = code[i];
    field[i] = 0;
    return field;
}

void OptFindApply(DrvContext* ctx, int itemId, uint32_t value) {
    if (DmItem* it = ItemFindById(ctx, itemId)) ItemSetValue(ctx, it, value);
}

int FontListsLoadExc(DrvContext* ctx) { return ctx ? FontListsLoad(ctx->printer, ctx) : 0; }

void CtxInitSettings(DrvContext* ctx) { DmSetPrivateFlagDefaults(ctx); }

BYTE* PrnGetInfoExc(HANDLE printer, DWORD level) { return PrnGetInfo(printer, level); }

}  // namespace vesk
