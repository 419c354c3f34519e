// The user-code provider path. The provider is an outside library whose path
// is the REG_SZ value "ProviderDLL" under HKLM
// Software\MAREN\zorucode\Providers; it answers the code of the client
// user. Its switch is off in this driver: every operation returns at once.
#include <win/modules.h>
#include <win/registry.h>

#include <atomic>
#include <cstring>

#include "core/context_access.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"
#include "core/usercode/user_code.h"
#include "core/usercode/user_code_internal.h"

namespace vesk {
namespace {

constexpr WCHAR kProviderKey[] = u"Software\\MAREN\\zorucode\\Providers";
constexpr WCHAR kProviderValue[] = u"ProviderDLL";
constexpr DWORD kProviderPathBytes = 522;
constexpr DWORD kNoCode = 232;

using OpenFn = DWORD (*)(DWORD, DWORD, DWORD, HANDLE*);
using CloseFn = DWORD (*)(HANDLE, DWORD);
using GetCodeFn = DWORD (*)(HANDLE, DWORD, DWORD, DWORD, char*, DWORD*);

std::atomic<bool> g_onForTests{false};

bool providerOn() { return ReturnFalse() != 0 || g_onForTests.load(); }

void unload(UcProviderWorkspace& p) {
    if (p.module) FreeLibrary(p.module);
    p.module = nullptr;
    p.openEntry = p.closeEntry = p.getCodeEntry = nullptr;
    p.connection = nullptr;
}

bool load(UcProviderWorkspace& p) {
    if (p.module) return true;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProviderKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    WCHAR path[kProviderPathBytes / 2 + 1] = {};
    DWORD type = 0, bytes = kProviderPathBytes;
    const LONG r = RegQueryValueExW(key, kProviderValue, nullptr, &type, reinterpret_cast<BYTE*>(path), &bytes);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_SZ || !path[0]) return false;
    p.module = LoadLibraryW(path);
    if (!p.module) return false;
    p.openEntry = reinterpret_cast<void*>(GetProcAddress(p.module, "MUCOpenUCDataA"));
    p.closeEntry = reinterpret_cast<void*>(GetProcAddress(p.module, "MUCCloseUCDataA"));
    p.getCodeEntry = reinterpret_cast<void*>(GetProcAddress(p.module, "MUCGetClientUserCodeA"));
    if (p.openEntry && p.closeEntry && p.getCodeEntry) return true;
    unload(p);
    return false;
}

// Asks the provider for the client's code; true when it answered (with a
// code or with none).
bool query(DrvContext* ctx) {
    UcProviderWorkspace& p = ctx->ws->ucProvider;
    if (!load(p)) return false;
    auto open = reinterpret_cast<OpenFn>(p.openEntry);
    auto close = reinterpret_cast<CloseFn>(p.closeEntry);
    auto getCode = reinterpret_cast<GetCodeFn>(p.getCodeEntry);
    HANDLE conn = nullptr;
    if (open(0, 1, 0, &conn) != 0) {
        if (conn) close(conn, 0);
        unload(p);
        return false;
    }
    p.connection = conn;
    std::memset(p.code, 0, sizeof p.code);
    DWORD length = kUcProviderCodeBytes;
    const DWORD r = getCode(conn, 0, 0, 0, p.code, &length);
    p.code[kUcProviderCodeBytes - 1] = 0;
    const bool answered = r == 0 || r == kNoCode;
    if (answered) {
        const bool none = r == kNoCode || !p.code[0];
        if (none) std::memset(p.code, 0, sizeof p.code);
        DmPutUserCodeFix(ctx, none ? 0 : 1);
        ItemSetRawById(ctx, kItRdmLogCodeUse, none ? 0 : 1);
        WCHAR current[kWsUserCodeChars] = {};
        UcGetCode(ctx, current, kWsUserCodeChars);
        WideToAnsiBounded(current, p.savedCode, sizeof p.savedCode);
        WCHAR code[kUcProviderCodeBytes] = {};
        AnsiToWideBounded(p.code, strnlen(p.code, sizeof p.code), code, kUcProviderCodeBytes);
        ItemSetString(ctx, ItemFindById(ctx, kItRdmLogCode), code);
        DmItem* dll = ItemFindById(ctx, kItRdmDllLogCode);
        ItemSetString(ctx, dll, code);
        OptSaveToPrinterData(ctx->printer, ctx, dll);
    }
    if (!PrnIsRemote(ctx)) SaveUserCodeToIni(ctx);
    close(conn, 0);
    unload(p);
    return answered;
}

}  // namespace

bool SetUserCodeProviderForTests(bool on) { return g_onForTests.exchange(on); }

int LoadUserCodeOnMerge(DrvContext* ctx) {
    if (!providerOn() || !ctx || !ctx->ws) return 1;
    if (!UcServerSuppliesCode(ctx)) LoadUserCodeFromIni(ctx);
    return 1;
}

int UpdateProviderUserCodeFlags(DrvContext* ctx) {
    if (!providerOn() || !ctx || !ctx->ws) return 1;
    const BYTE answered = query(ctx) ? 1 : 0;
    PrnSetDataBinary(ctx->printer, &answered, 1, u"DllUserCodeUse");
    DmPutProviderUserCode(ctx, answered);
    DmPutProviderUserCode2(ctx, answered);
    return 1;
}

int SaveUserCodeFromProvider(DrvContext* ctx) {
    if (!providerOn() || !ctx || !ctx->ws) return 1;
    if (DmGetProviderUserCode(ctx) != 1) return SaveUserCodeToIni(ctx);
    UcProviderWorkspace& p = ctx->ws->ucProvider;
    // The code the provider replaced goes back once the provider's is saved.
    WCHAR saved[kWsUserCodeChars] = {}, code[kUcProviderCodeBytes] = {};
    AnsiToWideBounded(p.savedCode, strnlen(p.savedCode, sizeof p.savedCode), saved, kWsUserCodeChars);
    AnsiToWideBounded(p.code, strnlen(p.code, sizeof p.code), code, kUcProviderCodeBytes);
    DmItem* item = ItemFindById(ctx, kItRdmLogCode);
    ItemSetString(ctx, item, code);
    const int r = SaveUserCodeToIni(ctx);
    ItemSetString(ctx, item, saved);
    return r;
}

}  // namespace vesk
