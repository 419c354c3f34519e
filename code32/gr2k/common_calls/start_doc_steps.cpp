#include "common_calls/start_doc_steps.h"

#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"

namespace vesk {
namespace {

constexpr WCHAR kBidiFile[] = u"KW00C171.ini";
constexpr WCHAR kBidiFlag[] = u"BidiFlag";
constexpr uint32_t kImportBidi = 0x100;

}  // namespace

int OptLoadClassesGr(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    return OptLoadClasses(ctx->printer, -1, ctx);
}

int BidiIniApplyAtStartDoc(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    if (ItemRawById(ctx, kItRdmServerClientMode) != 0) return 0;
    WCHAR path[kWsPathChars] = {};
    if (!BuildPrivateDirPath(path, kWsPathChars, kBidiFile)) return 0;
    if (IniGetInt(PrnGetPrinterName(ctx), kBidiFlag, 0, path) == 0) return 0;
    return SettingsImport(ctx->printer, path, kImportBidi, ctx) ? 1 : 0;
}

int SettingsSyncAtOpenGr(DrvContext* ctx) {
    if (!OptLoadClassesGr(ctx)) return 0;
    BidiIniApplyAtStartDoc(ctx);
    return 1;
}

}  // namespace vesk
