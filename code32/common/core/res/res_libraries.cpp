// The two resource libraries of a context and what is drawn from them.
#include <win/modules.h>

#include "core/library_profile.h"
#include "core/model/query.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/wstr.h"

namespace vesk {
namespace {

// The model's resource library name (its UIResDLLName), or false.
bool resourceName(DrvContext* ctx, WCHAR* out, size_t cap) {
    const uint32_t at = ModelGetTable1225(ctx);
    return at && MdlReadWide(ctx, at, out, cap) && out[0];
}

HMODULE load(DrvContext* ctx, HMODULE* slot, const WCHAR* (*pathOf)(DrvContext*, const WCHAR*)) {
    if (!ctx || !CurrentProfile().loadsResourceLibraries) return nullptr;
    if (*slot) return *slot;
    WCHAR name[kPathBufChars];
    if (!resourceName(ctx, name, kPathBufChars)) return nullptr;
    // The path lives in a workspace field the next path call overwrites.
    WCHAR path[kPathBufChars];
    if (!WCopyWhole(path, kPathBufChars, pathOf(ctx, name)) || !path[0]) return nullptr;
    *slot = LoadLibraryW(path);
    return *slot;
}

}  // namespace

HMODULE ResGetStringDll(DrvContext* ctx) { return ctx ? load(ctx, &ctx->resourceLibrary1, GetResDllPath) : nullptr; }

HMODULE ResGetBmpDll(DrvContext* ctx) { return ctx ? load(ctx, &ctx->resourceLibrary2, GetBmpDllPath) : nullptr; }

void ResFreeDlls(DrvContext* ctx) {
    if (!ctx) return;
    if (ctx->resourceLibrary1) FreeLibrary(ctx->resourceLibrary1);
    if (ctx->resourceLibrary2) FreeLibrary(ctx->resourceLibrary2);
    ctx->resourceLibrary1 = ctx->resourceLibrary2 = nullptr;
}

HBITMAP ResLoadBitmapId(DrvContext* ctx, uint32_t bitmapId) {
    HMODULE lib = ResGetBmpDll(ctx);
    return lib ? LoadBitmapW(lib, MAKEINTRESOURCEW(bitmapId)) : nullptr;
}

int DrawResIcon(DrvContext* ctx, HDC dc, int x, int y, uint32_t iconId) {
    HMODULE lib = ResGetStringDll(ctx);
    HICON icon = lib ? LoadIconW(lib, MAKEINTRESOURCEW(iconId)) : nullptr;
    if (!icon) return 0;
    const BOOL drawn = DrawIcon(dc, x, y, icon);
    DestroyIcon(icon);
    return drawn ? 1 : 0;
}

void DrawIconToWindow(DrvContext* ctx, HWND window, uint32_t iconId) {
    if (!window) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    DrawResIcon(ctx, dc, 0, 0, iconId);
    ReleaseDC(window, dc);
}

}  // namespace vesk
