#include "commands/driver_files.h"

#include <win/spooler.h>

#include <cstring>

#include "api/api_devmode.h"
#include "api/api_handle.h"
#include "commands/exc_api.h"
#include "common_calls/context_forms.h"
#include "core/context_cache.h"
#include "core/devmode_sizes.h"
#include "core/paths.h"
#include "core/terminal_server.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr int kPrinterNameChars = 260;
constexpr uint32_t kNameBytes = 32;
// Wide layout: dmSpecVersion at 64, dmFormName at 102 (64 bytes), the rest
// from 166. ANSI layout: dmSpecVersion at 32, dmFormName at 70, the rest
// from 102.
constexpr uint32_t kWSpec = 64, kWSize = 68, kWExtra = 70, kWForm = 102, kWRest = 166;
constexpr uint32_t kASpec = 32, kASize = 36, kAForm = 70, kARest = 102, kSpecRun = 38;

uint16_t le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A name of at most 31 bytes, cut on a character boundary, zero-filled.
void putName(BYTE* out, const char* text) {
    std::memset(out, 0, kNameBytes);
    if (!text) return;
    const size_t n = AnsiWholeCharacters(text, std::strlen(text), kNameBytes - 1);
    std::memcpy(out, text, n);
}

// The printer by its ANSI name; a name that does not fit is refused.
HANDLE openByName(const char* printerName) {
    WCHAR name[kPrinterNameChars] = {};
    if (!printerName || StrAnsiToWide(name, printerName, kPrinterNameChars) != 1 || !name[0]) return nullptr;
    HANDLE printer = nullptr;
    return OpenPrinterW(name, &printer, nullptr) ? printer : nullptr;
}

}  // namespace

uint32_t ExcDevmodeToAnsi(const BYTE* wide, uint32_t wideSize, const char* printerName, BYTE* out, uint32_t outSize) {
    if (!wide || wideSize < kWRest || !out) return 0;
    const uint32_t size = le16(wide + kWSize), extra = le16(wide + kWExtra);
    if (size < kWRest || size + extra > wideSize) return 0;
    const uint32_t total = size + extra - kExcAnsiShrink;
    if (outSize < total) return 0;
    std::memset(out, 0, total);
    putName(out, printerName);
    std::memcpy(out + kASpec, wide + kWSpec, kSpecRun);
    const uint16_t ansiSize = static_cast<uint16_t>(size - kExcAnsiShrink);
    out[kASize] = static_cast<BYTE>(ansiSize);
    out[kASize + 1] = static_cast<BYTE>(ansiSize >> 8);
    WCHAR form[kNameBytes + 1] = {};
    std::memcpy(form, wide + kWForm, kNameBytes * sizeof(WCHAR));
    char ansi[kNameBytes * 2 + 1] = {};
    StrWideToAnsi(ansi, form, static_cast<int>(sizeof ansi));
    putName(out + kAForm, ansi);
    std::memcpy(out + kARest, wide + kWRest, total - kARest);
    return total;
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI ExcGetDriverDevmode(const char* printerName, int32_t mode, int32_t size, void* buffer, int32_t* needed) {
    const uint32_t wideSize = dmSizes().totalSize;
    const int32_t need = static_cast<int32_t>(wideSize - kExcAnsiShrink);
    if (needed) *needed = need;
    if (!buffer || size < need) return 1;
    if (mode != 1) return -1;
    HANDLE printer = openByName(printerName);
    if (!printer) return -1;
    int32_t result = -1;
    if (DrvContext* ctx = CtxCreate(printer, printer, nullptr, kCreateExc)) {
        // The DEVMODE call reopens the printer by the workspace's name.
        WCHAR name[kPrinterNameChars] = {};
        StrAnsiToWide(name, printerName, kPrinterNameChars);
        if (ctx->ws) std::memcpy(ctx->ws->printerName, name, sizeof name);
        BYTE wide[1260] = {};
        static_assert(sizeof wide == kDmSizesNt.totalSize);
        if (VESKDrvGetDevmode(ctx, kApiDmCurrent, wide) != -1 &&
            ExcDevmodeToAnsi(wide, wideSize, printerName, static_cast<BYTE*>(buffer), static_cast<uint32_t>(size)))
            result = 0;
        CtxRelease(ctx);
        CtxCacheFlush(1);
    }
    ClosePrinter(printer);
    return result;
}

int32_t WINAPI ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed) {
    HANDLE printer = openByName(printerName);
    if (!printer) return -1;
    WCHAR path[261] = {};
    char ansi[260] = {};
    const bool ok = GetIniFilePathEx(path, TsIsEnabled(printer) ? 1 : 0) == 1 &&
                    StrWideToAnsi(ansi, path, static_cast<int>(sizeof ansi)) == 1;
    ClosePrinter(printer);
    if (!ok) return -1;
    const int32_t length = static_cast<int32_t>(std::strlen(ansi));
    const int32_t need = length ? length + 1 : 0;
    if (needed) *needed = need;
    if (!need) return 0;
    if (!buffer || size < need) return 1;
    std::memcpy(buffer, ansi, static_cast<size_t>(need));
    return 0;
}
