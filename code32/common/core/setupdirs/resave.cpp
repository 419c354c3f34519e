// Re-saving one file of the preset or quality list from the current
// option set (the remote-configuration import calls these).
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/setupdirs/setup_dirs.h"

namespace vesk {

namespace {

int resave(DrvContext* ctx, const WCHAR* key, uint32_t flags) {
    WCHAR path[kWsPathChars] = {};
    IniGetString(ctx->ws->printerName, key, u"", path, kWsPathChars, GetIniFilePath(ctx));
    if (!path[0]) return 0;
    return SettingsExport(ctx->printer, path, flags, ctx);
}

}  // namespace

int ResaveQualityFile(DrvContext* ctx, int index) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    WCHAR key[kListKeyChars];
    return resave(ctx, FormatQualityKey(key, index), kStQuality);
}

int ResavePresetFile(DrvContext* ctx, int index) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    WCHAR key[kListKeyChars];
    const int ok = resave(ctx, FormatPresetKey(key, index, 0), kStPresetDevice);
    PresetSnapshot(ctx, nullptr, 3);
    return ok;
}

}  // namespace vesk
