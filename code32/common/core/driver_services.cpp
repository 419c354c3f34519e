#include "core/driver_services.h"

#include "core/devmode/dm_private.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/persist/font_persist.h"
#include "core/printer_info.h"

namespace vesk {

int FontListsLoadExc(DrvContext* ctx) { return ctx ? FontListsLoad(ctx->printer, ctx) : 0; }

void CtxInitSettings(DrvContext* ctx) { DmSetPrivateFlagDefaults(ctx); }

BYTE* PrnGetInfoExc(HANDLE printer, DWORD level) { return PrnGetInfo(printer, level); }

}  // namespace vesk
