#include "common_calls/bidi_forms.h"

#include "core/bidi/bidi.h"
#include "core/bridge/bridge.h"
#include "core/persist/opt_persist.h"

namespace vesk {

int BidiIniImportGr(DrvContext* ctx) { return BidiIniImport(ctx); }
int BidiIniImportFromGr(const WCHAR* path, DrvContext* ctx) { return BidiIniImportFrom(path, ctx); }
int BidiIniExportGr(DrvContext* ctx) { return BidiIniExport(ctx); }
int SrvCfgApplyBidiIniGr(const WCHAR* path, Bridge* bridge, DrvContext* ctx) {
    return SrvCfgApplyBidiIni(path, bridge, ctx);
}
int BidiIniImportAtOpenGr(DrvContext* ctx) { return BidiIniImportAtOpen(ctx); }

}  // namespace vesk
