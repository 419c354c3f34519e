#include "common_calls/settings_forms.h"

#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/persist/font_persist.h"
#include "core/persist/settings_file.h"

namespace vesk {

int RstCheckHeaderExc(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode) {
    return RstCheckHeader(path, body, showMessage, ctx, familyMode);
}

// The transfer, import and font-table write follow this library's profile
// (pattern items in stamp sets, no job-control exchange, no deletion of an
// older table); these forms are theirs.
int SettingsTransferExc(DrvContext* ctx, const WCHAR* path, uint32_t flags) { return SettingsTransfer(ctx, path, flags); }
int SettingsImportExc(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    return SettingsImport(printer, path, flags, ctx);
}
int LoadQualityExc(DrvContext* ctx, const WCHAR* key) { return LoadQualityOptionsOnly(ctx, key); }
int FontSubstTableWriteExc(HANDLE printer, const BYTE* pairs, uint32_t count, uint32_t flags) {
    return FontSubstTableWrite(printer, pairs, count, flags);
}

WCHAR* IniSectionBracketsToCommasExc(WCHAR* name) { return IniSectionBracketsToCommas(name); }

int PathIsDriveOrUnc(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    if (path[1] == u':' && path[2] == u'\\') return 1;
    return path[0] == u'\\' && path[1] == u'\\' ? 1 : 0;
}

}  // namespace vesk
