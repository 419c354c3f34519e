// The import of a download: the lists of the downloaded per-printer INI
// (free sizes, stamps, presets, qualities) into the printer's own INI, each
// listed preset and quality file re-read and written afresh under the
// printer's name, and the handler of the downloaded bidirectional settings.
#include <cstring>

#include "core/bidi/bidi.h"
#include "core/bridge/bridge.h"
#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/install/install_check.h"
#include "core/install/install_ini.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kBidiFlagKey[] = u"BidiFlag";
constexpr WCHAR kBidiExFlagKey[] = u"BidiExFlag";
constexpr UINT kBidiFlagAbsent = 7;
constexpr uint32_t kImportPreset = kStPresetDevice | kStNoMessage;  // 0x8004
constexpr uint32_t kImportBidi = kStDeviceInfo;                      // 0x100
constexpr uint32_t kMaxPresets = 16;
constexpr DWORD kValueChars = 1024;
constexpr int kFreeSizeFirst = 859;  // wdmFreeSizeName .. the source slot's length
constexpr int kFreeSizeLast = 864;

const WCHAR* settingsIniName(DrvContext* ctx) {
    return FileNamePart((ctx->desc ? *ctx->desc : builtinDriverDesc()).settingsIniName);
}

// Copies one key from section `from` of `src` to section `to` of `dst`;
// `skipEmpty` leaves an empty value out.
void copyKey(const WCHAR* src, const WCHAR* from, const WCHAR* dst, const WCHAR* to, const WCHAR* key,
             bool skipEmpty) {
    WCHAR* v = static_cast<WCHAR*>(MemAllocZero(kValueChars * sizeof(WCHAR)));
    if (!v) return;
    IniGetString(from, key, u"", v, kValueChars, src);
    if (!(skipEmpty && !v[0])) IniWriteString(to, key, v, dst);
    MemFree(v);
}

// The keys of a settings-file section (free size or stamp) from `src` to
// `dst`, the same section name in both.
template <class Pick>
void copySectionKeys(DrvContext* ctx, const WCHAR* src, const WCHAR* dst, const WCHAR* section, Pick pick) {
    copyKey(src, section, dst, section, u"RstVersion", true);
    for (int i = 0; i < ctx->items->count; ++i) {
        const DmItem& it = ctx->items->items[i];
        if (pick(it) && it.fieldName && it.fieldName[0]) copyKey(src, section, dst, section, it.fieldName, false);
    }
}

// A numbered list's keys: the count and, per entry, the file path
// rewritten into the private directory and the companions (`suffixes`).
// The listed entries' local paths go into `paths` (up to `cap`).
uint32_t copyList(const Bridge* b, DrvContext* ctx, const WCHAR* src, const WCHAR* dst, const WCHAR* countKey,
                  const WCHAR* key, std::initializer_list<const WCHAR*> suffixes, uint32_t cap) {
    const WCHAR* local = PrnGetPrinterName(ctx);
    uint32_t count = IniGetInt(b->serverPrinter, countKey, 0, src);
    if (count > cap) count = cap;
    uint32_t listed = 0;
    for (; listed < count; ++listed) {
        WCHAR name[64] = {};
        wsprintfW(name, u"%s%u", key, listed);
        WCHAR path[kPathBufChars] = {}, file[kPathBufChars] = {}, target[kPathBufChars] = {};
        IniGetString(b->serverPrinter, name, u"", path, kPathBufChars, src);
        // A name that would leave its folder ends the list there.
        if (!BridgeSafeFileName(path, file, kPathBufChars) || !BuildPrivateDirPath(target, kPathBufChars, file)[0])
            break;
        IniWriteString(local, name, target, dst);
        for (const WCHAR* s : suffixes) {
            WCHAR k[80] = {};
            wsprintfW(k, u"%s%s", name, s);
            WCHAR v[kValueChars] = {};
            IniGetString(b->serverPrinter, k, u"", v, kValueChars, src);
            IniWriteString(local, k, v, dst);
        }
    }
    WCHAR n[16] = {};
    wsprintfW(n, u"%u", listed);
    IniWriteString(local, countKey, n, dst);
    return listed;
}

// Re-reads one listed file from the copy folder under the server printer's
// name and writes it to its local path under the printer's own.
void reimport(const Bridge* b, DrvContext* ctx, const WCHAR* dst, const WCHAR* key, uint32_t i, uint32_t importFlags,
              uint32_t exportFlags) {
    WCHAR name[64] = {};
    wsprintfW(name, u"%s%u", key, i);
    WCHAR target[kPathBufChars] = {}, downloaded[kPathBufChars] = {};
    IniGetString(PrnGetPrinterName(ctx), name, u"", target, kPathBufChars, dst);
    BridgeLocalPath(ctx, FileNamePart(target), downloaded, kPathBufChars);
    if (!target[0] || !BridgeExpandSystemDrive(downloaded, kPathBufChars)) return;
    DmSaveState(ctx);
    bool read = false;
    {
        NameSwap swap(ctx, b->serverPrinter);
        read = SettingsImport(ctx->printer, downloaded, importFlags, ctx) && !ctx->ws->rejectedFile;
    }
    if (read) SettingsExport(ctx->printer, target, exportFlags, ctx);
    DmRestoreState(ctx, 1);
}

bool isPrivateIni(DrvContext* ctx) {
    WCHAR priv[kPathBufChars] = {};
    return GetIniFilePathEx(priv, 0) && WEqualNoCase(priv, GetIniFilePath(ctx));
}

// Each registered file's handler on its local copy in the folder `pathOf`
// names.
template <class PathOf>
int runHandlers(Bridge* b, DrvContext* ctx, PathOf pathOf) {
    int ok = 1;
    for (const BridgeRegisteredFile& f : kBridgeRegisteredFiles) {
        WCHAR path[kPathBufChars] = {};
        pathOf(f.name, path);
        ok = path[0] && BridgeExpandSystemDrive(path, kPathBufChars) && f.handler(path, b, ctx) && ok;
    }
    return ok;
}

}  // namespace

int SrvCfgImportSettings(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    uint32_t installType = 0;
    if (!PrinterInstallType(ctx, &installType)) return 0;
    // The install type is "DrvInstType" of the printer's section of its INI.
    if (installType != 0 &&
        !((installType == 1 || installType == 5) && InstallCheck(ctx->printer, kInstallCheckConnection, nullptr) == 1))
        return 0;
    if (!SrvCfgBridgeUsable(ctx)) return 0;
    const uint32_t flag = SrvCfgReadKorvanFlg(ctx);
    uint32_t connection = 0, ini = 0;
    if (!(SrvCfgReadFlag(ctx, kKorvanConnection, &connection) && connection == 1)) {
        if (flag != 0) {
            SrvCfgWriteFlag(ctx, kKorvanConnection, 1);
            SrvCfgWriteFlag(ctx, kKorvanIni, flag);
        }
        if (flag != 1) return 0;
    }
    if (!(SrvCfgReadFlag(ctx, kKorvanIni, &ini) && ini != 0) && flag != 0) SrvCfgWriteFlag(ctx, kKorvanIni, flag);
    if (flag != 1) return 0;
    Bridge* b = static_cast<Bridge*>(MemAllocZero(sizeof(Bridge)));
    if (!b) return 0;
    int ok = 0;
    if (LoadBridge(b, ctx)) {
        BridgeQueryServerType(b, PrnGetPrinterName(ctx));
        if (b->serverPrinter[0] && SrvCfgImportLists(b, ctx)) {
            SrvCfgRunHandlers(b, ctx);
            SrvCfgWriteFlag(ctx, kKorvanIni, 2);
            SrvCfgWriteKorvanFlg(ctx, u"2");
            ok = 1;
        }
        FreeBridge(b);
    }
    MemFree(b);
    return ok;
}

int SrvCfgImportLists(Bridge* b, DrvContext* ctx) {
    if (!b || !ctx || !ctx->ws || !ctx->items || isPrivateIni(ctx)) return 0;
    WCHAR src[kPathBufChars] = {};
    BridgeLocalPath(ctx, settingsIniName(ctx), src, kPathBufChars);
    if (!src[0] || !BridgeExpandSystemDrive(src, kPathBufChars)) return 0;
    WCHAR dst[kPathBufChars] = {};
    if (!WCopyWhole(dst, kPathBufChars, GetIniFilePath(ctx)) || !dst[0]) return 0;
    const WCHAR* lang = GetLangCode(ctx);

    // Free sizes and stamps, per display language.
    copyKey(src, lang, dst, lang, u"FreeSizeCount", false);
    const UINT freeSizes = IniGetInt(lang, u"FreeSizeCount", 0, src);
    for (UINT i = 0; i < freeSizes; ++i) {
        WCHAR section[80] = {};
        wsprintfW(section, u"FreeSize%u%s", i, lang);
        copySectionKeys(ctx, src, dst, section,
                        [](const DmItem& it) { return it.id >= kFreeSizeFirst && it.id <= kFreeSizeLast; });
    }
    copyKey(src, lang, dst, lang, u"StampCount", false);
    const UINT stamps = IniGetInt(lang, u"StampCount", 0, src);
    for (UINT i = 0; i < stamps; ++i) {
        WCHAR section[80] = {};
        wsprintfW(section, u"Stamp%u%s", i, lang);
        copySectionKeys(ctx, src, dst, section, [](const DmItem& it) { return it.classWords[kClassStamp] != 0; });
    }

    // Presets and qualities: the lists, then each file afresh.
    const uint32_t presets = copyList(b, ctx, src, dst, u"Count", u"PresetList", {u"Name", u"Comment"}, kMaxPresets);
    const uint32_t qualities = copyList(b, ctx, src, dst, u"QualityCount", u"QualityList", {u"Name"}, UINT32_MAX);
    for (uint32_t i = 0; i < presets; ++i) reimport(b, ctx, dst, u"PresetList", i, kImportPreset, kStPresetDevice);
    for (uint32_t i = 0; i < qualities; ++i) reimport(b, ctx, dst, u"QualityList", i, kStQuality, kStQuality);
    return 1;
}

int SrvCfgApplyBidiIni(const WCHAR* path, Bridge* b, DrvContext* ctx) {
    if (!path || !b || !ctx || !ctx->ws) return 0;
    if (IniGetInt(b->serverPrinter, kBidiFlagKey, kBidiFlagAbsent, path) == kBidiFlagAbsent) {
        // The server holds no device information: the printer's own goes too.
        BidiIniClearSection(ctx);
        return 1;
    }
    bool read = false;
    {
        NameSwap swap(ctx, b->serverPrinter);
        read = SettingsImport(ctx->printer, path, kImportBidi, ctx) && !ctx->ws->rejectedFile;
    }
    if (read) BidiIniExport(ctx);
    SrvCfgSetPresetRefresh(ctx);
    return 1;
}

int SrvCfgRunHandlers(Bridge* b, DrvContext* ctx) {
    return runHandlers(b, ctx, [&](const WCHAR* name, WCHAR* out) { BridgeLocalPath(ctx, name, out, kPathBufChars); });
}

int SrvCfgRunHandlersLegacy(DrvContext* ctx, Bridge* b) {
    return runHandlers(b, ctx, [](const WCHAR* name, WCHAR* out) { BridgeLegacyPath(name, out, kPathBufChars); });
}

}  // namespace vesk
