// The settings of a printer brought into a context of kind 0 when it opens:
// every persisted class and the font lists, then the device settings that a
// bidirectional query left in the bidirectional settings file.
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"

namespace vesk {
namespace {

constexpr WCHAR kBidiFile[] = u"KW00C171.ini";
constexpr WCHAR kBidiFlag[] = u"BidiFlag";
constexpr uint32_t kImportBidi = 0x100;

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

int SettingsSyncAtOpen(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    OptLoadClasses(ctx->printer, -1, ctx);
    if (ItemRawById(ctx, kItRdmServerClientMode) != 0) return 1;
    WCHAR path[kWsPathChars] = {};
    if (!BuildPrivateDirPath(path, kWsPathChars, kBidiFile)) return 1;
    const WCHAR* printerName = PrnGetPrinterName(ctx);
    if (IniGetInt(printerName, kBidiFlag, 0, path) == 0) return 1;
    // Without the import nothing may move, so the section stays.
    if (!SettingsImport(ctx->printer, path, kImportBidi, ctx)) return 1;
    if (BidiHasFlag(ctx)) {
        OptSaveClass(ctx->printer, ctx, 2, kOptSaveDeviceInfoOnly | kOptSaveAll);
        IniWriteString(printerName, nullptr, nullptr, path);
    }
    return 1;
}

int OptionClassLoad(DrvContext* ctx, int optionClass) {
    if (!ctx) return 0;
    return OptLoadClassAlias(ctx->printer, ctx, optionClass, 0);
}

int OptSaveActionWordToIni(DrvContext* ctx) { return OptActionWordSave(ctx); }

}  // namespace vesk
