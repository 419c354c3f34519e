#include "common_calls/settings_forms.h"

#include "core/deploy/deploy.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"

namespace vesk {
namespace {
constexpr uint16_t kKindWordOne = 1;
}  // namespace

int OptLoadClassesGr(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    return OptLoadClassesGr(ctx->printer, -1, ctx);
}
int OptLoadClassesGr(HANDLE printer, int selector, DrvContext* ctx) { return OptLoadClasses(printer, selector, ctx); }
int OptLoadClassAliasGr(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags) {
    return OptLoadClassAlias(printer, ctx, optionClass, flags);
}
int OptLoadClassGr(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags, HANDLE bridge) {
    return OptLoadClass(printer, ctx, optionClass, flags, bridge);
}

int SettingsExportGr(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    return SettingsExport(printer, path, flags, ctx);
}
int SettingsImportGr(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    return SettingsImport(printer, path, flags, ctx);
}
int SettingsTransferGr(DrvContext* ctx, const WCHAR* path, uint32_t flags) { return SettingsTransfer(ctx, path, flags); }
int RstCheckHeaderGr(const WCHAR* path, const char* body, int, DrvContext* ctx, int familyMode) {
    return RstCheckHeader(path, body, 0, ctx, familyMode);
}
void CopyPresetConditionsGr(const WCHAR* target, const WCHAR* source, uint32_t importFlags, DrvContext* ctx) {
    CopyPresetConditions(target, source, importFlags, ctx);
}

const WCHAR* GetLangSectionGr(DrvContext* ctx) { return GetLangCode(ctx); }

int SettingsSyncAtOpenGr(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const uint16_t kindWord = static_cast<uint16_t>(ctx->ws->kind | ctx->ws->kindOptions);
    if (kindWord == kKindWordOne) return OptLoadClassesGr(ctx);
    // The common open under this library's profile writes nothing back.
    return SettingsSyncAtOpen(ctx);
}

}  // namespace vesk
