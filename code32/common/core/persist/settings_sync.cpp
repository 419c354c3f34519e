// The settings of a printer brought into a context of kind 0 when it opens:
// every persisted class and the font lists, then the device settings that a
// bidirectional query left in the bidirectional settings file.
#include "core/bidi/bidi.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"

namespace vesk {
namespace {

constexpr WCHAR kBidiFlag[] = u"BidiFlag";

}  // namespace

int BidiHasFlag(DrvContext* ctx) {
    if (!ctx) return 0;
    BYTE v[4] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(ctx->printer, const_cast<LPWSTR>(kBidiFlag), &type, v, sizeof v, &needed) != ERROR_SUCCESS)
        return 0;
    if (needed == 0 || needed > sizeof v) return 0;
    return SetPrinterDataW(ctx->printer, const_cast<LPWSTR>(kBidiFlag), type, v, needed) == ERROR_SUCCESS ? 1 : 0;
}

int BidiIniImportAtOpen(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    if (ItemRawById(ctx, kItRdmServerClientMode) != 0 || BidiIniGetFlag(ctx) == 0) return 0;
    return BidiIniImport(ctx) ? 1 : 0;
}

int SettingsSyncAtOpen(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    OptLoadClasses(ctx->printer, -1, ctx);
    // Without the import nothing may move, so the section stays.
    if (!BidiIniImportAtOpen(ctx)) return 1;
    if (CurrentProfile().savesBidiSettingsAtOpen && BidiHasFlag(ctx)) {
        OptSaveClass(ctx->printer, ctx, 2, kOptSaveDeviceInfoOnly | kOptSaveAll);
        BidiIniClearSection(ctx);
    }
    return 1;
}

int OptionClassLoad(DrvContext* ctx, int optionClass) {
    if (!ctx) return 0;
    return OptLoadClassAlias(ctx->printer, ctx, optionClass, 0);
}

int OptSaveActionWordToIni(DrvContext* ctx) { return OptActionWordSave(ctx); }

}  // namespace vesk
