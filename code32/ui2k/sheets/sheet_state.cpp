// The session state behind a context's workspace and the calls every
// sheet reason shares.
#include <win/spooler.h>
#include <win/user.h>
#include <win/wingdi.h>

#include "core/process.h"
#include "core/sysdeps.h"
#include "sheets/sheet_support.h"

namespace vesk {

SheetSession* SheetSessionOf(DrvContext* ctx) {
    return ctx && ctx->ws ? static_cast<SheetSession*>(ctx->ws->uiSession) : nullptr;
}

SheetSession* SheetSessionBegin(DrvContext* ctx) {
    if (!ctx || !ctx->ws || ctx->ws->uiSession) return nullptr;
    auto* s = static_cast<SheetSession*>(MemAllocZero(sizeof(SheetSession)));
    ctx->ws->uiSession = s;
    return s;
}

void SheetSessionEnd(DrvContext* ctx) {
    if (!ctx) return;
    if (SheetSession* s = SheetSessionOf(ctx)) {
        SheetUnwatchFrames(ctx);
        // A page window that outlives the session no longer reaches it.
        UiPageTable* t = CtxPages(ctx);
        for (int i = 0; t && i < t->count; ++i) {
            UiPage& pg = t->pages[i];
            if (pg.window && IsWindow(pg.window) &&
                GetWindowLongPtrW(pg.window, DWLP_USER) == reinterpret_cast<LONG_PTR>(ctx))
                SetWindowLongPtrW(pg.window, DWLP_USER, 0);
            pg.window = nullptr;
        }
        MemFree(s->snapshot);
        if (s->faceBrush) DeleteObject(s->faceBrush);
        if (s->whiteBrush) DeleteObject(s->whiteBrush);
        for (HCURSOR c : s->cursors)
            if (c) DestroyCursor(c);
        MemFree(s);
        ctx->ws->uiSession = nullptr;
        // The document's DEVMODEs are the caller's: the cached context must
        // not keep them.
        ctx->ws->documentInput = nullptr;
        ctx->ws->documentOutput = nullptr;
    }
    CtxRelease(ctx);
}

void SheetPublishPrinter(DrvContext* ctx) {
    PRINTER_INFO_7W info{nullptr, DSPRINT_UPDATE};
    SetPrinterW(ctx->printer, 7, reinterpret_cast<LPBYTE>(&info), 0);
}

void SheetReportResult(PPROPSHEETUI_INFO info, SheetSession* s, bool changed) {
    info->Result = changed ? 1 : 0;
    if (changed && s->comFunction) s->comFunction(s->comHandle, CPSFUNC_SET_RESULT, 0, 1);
}

HINSTANCE SheetLibraryModule() { return moduleHandle(); }

}  // namespace vesk
