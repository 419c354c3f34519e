#include "api/api_handle.h"

#include <win/profile.h>
#include <win/spooler.h>

#include <cstring>
#include <string_view>

#include "api/api_devmode.h"
#include "common_calls/devmode_forms.h"
#include "core/context_cache.h"
#include "core/driver_desc.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {

std::atomic<int32_t> ApiLevel{kApiVersionDefault};

namespace {

constexpr size_t kIniPathChars = 260;
constexpr int kNameChars = 260;

// The settings INI: the name itself when it names a drive, else that name
// in the private directory. Empty when the path does not fit.
void apiIniPath(WCHAR* out) {
    out[0] = 0;
    const std::u16string_view name = builtinDriverDesc().settingsIniName;
    std::u16string path;
    if (name.size() > 1 && name[1] == u':') {
        path = name;
    } else {
        WCHAR dir[kIniPathChars] = {};
        if (!GetPrivateDirPlain(dir, kIniPathChars)) return;
        path = dir;
        path += u'\\';
        path += name;
    }
    if (path.size() >= kIniPathChars) return;
    std::memcpy(out, path.data(), path.size() * sizeof(WCHAR));
    out[path.size()] = 0;
}

}  // namespace

DrvContext* ApiUsableHandle(void* handle) {
    auto* ctx = static_cast<DrvContext*>(handle);
    return ctx && ctx->ws && ctx->devmode ? ctx : nullptr;
}

int ApiOpenPrinter(void* handle, HANDLE* out, PRINTER_DEFAULTSW* defaults) {
    auto* ctx = static_cast<DrvContext*>(handle);
    if (!ctx || !ctx->ws || !ctx->ws->printerName[0] || !out) return 0;
    if (!OpenPrinterW(ctx->ws->printerName, out, defaults)) return 0;
    ctx->printer = *out;
    ctx->driverQuery = *out;
    return 1;
}

BOOL ApiClosePrinter(void* handle, HANDLE printer) {
    if (auto* ctx = static_cast<DrvContext*>(handle)) {
        if (ctx->printer == printer) ctx->printer = nullptr;
        if (ctx->driverQuery == printer) ctx->driverQuery = nullptr;
    }
    return printer ? ClosePrinter(printer) : FALSE;
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI VESKDrvCheckAPIVer(const char* printerName) {
    if (!printerName || !printerName[0]) return 0;
    WCHAR path[kIniPathChars] = {};
    apiIniPath(path);
    int32_t level = -1;
    if (path[0]) level = static_cast<int32_t>(GetPrivateProfileIntW(u"VESKAPI", u"VESKAPIVer", -1, path));
    if (level == -1) level = kApiVersionDefault;
    ApiLevel.store(level);
    return level;
}

void* WINAPI VESKDrvEnable(const char* printerName) {
    if (!printerName || !printerName[0]) return nullptr;
    VESKDrvCheckAPIVer(printerName);
    // A name that does not fit the workspace's 260 characters is refused,
    // never cut: a cut name could open another printer.
    WCHAR name[kNameChars] = {};
    if (StrAnsiToWide(name, printerName, kNameChars) != 1 || !name[0]) return nullptr;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name, &printer, nullptr)) return nullptr;
    DrvContext* ctx = CtxCreate(printer, printer, nullptr, kCreateApi);
    if (ctx && !ctx->ws) {
        CtxRelease(ctx);
        CtxCacheFlush(1);
        ctx = nullptr;
    }
    if (ctx) {
        DmSetSimplexBindDefaults(ctx);
        static_assert(sizeof name <= sizeof ctx->ws->printerName);
        std::memset(ctx->ws->printerName, 0, sizeof ctx->ws->printerName);
        std::memcpy(ctx->ws->printerName, name, sizeof name);
        // Without the array the open still succeeds: the status calls then
        // find none.
        ctx->ws->apiStatus = static_cast<ApiStatusArray*>(MemAllocZero(sizeof(ApiStatusArray)));
        CtxInitSettingsExc(ctx);
        DmSetOsKind(ctx);
    }
    ApiClosePrinter(ctx, printer);
    return ctx;
}

int32_t WINAPI VESKDrvDisable(void* handle) {
    auto* ctx = static_cast<DrvContext*>(handle);
    if (!ctx) return 1;
    if (ctx->ws) {
        MemFree(ctx->ws->apiStatus);
        ctx->ws->apiStatus = nullptr;
    }
    // The context is never put back for reuse.
    CtxRelease(ctx);
    CtxCacheFlush(1);
    return 1;
}
