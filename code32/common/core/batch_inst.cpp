#include "core/batch_inst.h"

#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/printer_identity.h"

namespace vesk {

int GetBatchInstRst(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR path[kWsPathChars] = {};
    if (!GetIniFilePathEx(path, 0) || !path[0]) return 0;
    WCHAR value[kWsPathChars] = {};
    return IniGetString(PrnGetPrinterName(ctx), u"BatchInstRst", u"", value, kWsPathChars, path) > 0 ? 1 : 0;
}

}  // namespace vesk
