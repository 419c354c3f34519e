#include "common_calls/settings_forms.h"

#include "core/ini_wrap.h"
#include "core/persist/settings_file.h"

namespace vesk {

int RstCheckHeaderExc(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode) {
    return RstCheckHeader(path, body, showMessage, ctx, familyMode);
}

WCHAR* IniSectionBracketsToCommasExc(WCHAR* name) { return IniSectionBracketsToCommas(name); }

int PathIsDriveOrUnc(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    if (path[1] == u':' && path[2] == u'\\') return 1;
    return path[0] == u'\\' && path[1] == u'\\' ? 1 : 0;
}

}  // namespace vesk
