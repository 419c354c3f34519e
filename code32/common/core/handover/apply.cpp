// Applying a printer's hand-over section at install, and its push of the
// job-control items at the next context open.
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/handover/handover.h"
#include "core/handover/handover_internal.h"
#include "core/deploy/deploy.h"
#include "core/install/batch_install.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/setupdirs/setup_dirs.h"
#include "core/terminal_server.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr uint32_t kDeployCopyHandover = 0x102;  // copy the files, hand-over mode
constexpr uint32_t kRegisterHandover = 0x101;    // register, hand-over mode
constexpr int kJobKeysBundle = kJobKeysKind3;  // DefaultRst and BatchInstRst

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A bundle the hand-over may apply: a base name, an extension of one to
// three characters, and the file there.
bool bundleUsable(const WCHAR* path) {
    const size_t n = WLen(path);
    size_t dot = n, start = 0;
    for (size_t i = 0; i < n; ++i) {
        if (path[i] == u'\\') start = i + 1, dot = n;
        else if (path[i] == u'.') dot = i;
    }
    if (dot == n || dot == start) return false;
    const size_t ext = n - dot - 1;
    return ext >= 1 && ext <= 3 && FileExists(path);
}

void markApplied(DrvContext* ctx, const WCHAR* ini, const WCHAR* section) {
    HoMark(ini, section, GetBatchInstallDoneKey(), u"1");
    SetBatchInstallDone(GetIniFilePath(ctx), section, 1, 1, ctx);
}

// The item's text kept across an import that may overwrite it.
struct KeptText {
    KeptText(DrvContext* c, int id) : ctx(c), item(ItemFindById(c, id)) {
        if (item) ItemGetString(ctx, item, text, kHoValueChars);
    }
    void putBack() {
        if (item && text[0]) ItemSetString(ctx, item, text);
    }
    DrvContext* ctx;
    DmItem* item;
    WCHAR text[kHoValueChars] = {};
};

// The bundle's device options, presets and qualities registered in
// hand-over mode.
bool installBundleLists(const WCHAR* bundle, uint32_t importFlags, DrvContext* ctx) {
    const WCHAR* lang = GetLangCode(ctx);
    const bool options = DeviceFileLoad(bundle, kStAboveFive, ctx) != 0;
    const bool presets = PresetsInstallList(bundle, lang, importFlags | kRegisterHandover, ctx, 0, nullptr) != 0;
    const bool qualities = QualitiesInstallList(bundle, lang, importFlags | kRegisterHandover, ctx) != 0;
    return options && presets && qualities;
}

}  // namespace

int InstApplyVeskIni(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR ini[kWsPathChars];
    if (!WCopyWhole(ini, kWsPathChars, GetVeskIniPath(ctx)) || !ini[0] || !FileExists(ini)) return 0;
    WCHAR section[kWsPrinterNameChars];
    WCopyCut(section, kWsPrinterNameChars, PrnGetPrinterName(ctx));
    int result = 1;
    if (!VeskIniSectionIsEmpty(ini, section)) {
        WCHAR bundle[kWsPathChars];
        if (GetVeskIniDefaultRst(bundle, ctx)) {
            const WCHAR* lang = GetLangCode(ctx);
            PresetsInstallList(bundle, lang, kDeployCopyHandover, ctx, 0, nullptr);
            QualitiesInstallList(bundle, lang, kDeployCopyHandover, ctx);
        } else {
            result = 0;
            markApplied(ctx, ini, section);
        }
    }
    int changed = 0;
    ApplySetUserCode(ini, section, &changed, ctx);
    ApplySetUserIds(ini, section, ctx);
    if (DmGetInstUserCode(ctx) || changed) ctx->ws->flags |= kWsUserCodeChanged;
    else ctx->ws->flags &= ~kWsUserCodeChanged;
    ApplySpoolDirectory(GetSetupIniPath(ctx), section, ctx);
    ApplySpoolDirectory(ini, section, ctx);
    return result;
}

int InstApplyDefaultRst(uint32_t importFlags, DrvContext* ctx, int isReinstall) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR ini[kWsPathChars];
    if (!WCopyWhole(ini, kWsPathChars, GetVeskIniPath(ctx)) || !ini[0]) return 0;
    WCHAR section[kWsPrinterNameChars];
    WCopyCut(section, kWsPrinterNameChars, PrnGetPrinterName(ctx));
    const bool work = !VeskIniSectionIsEmpty(ini, section);
    const bool ts = TsIsEnabled(ctx->printer) != 0;
    if (!work && !(isReinstall && ts && IniGetInt(section, GetBatchInstallDoneKey(), 0, ini) != 0)) return 0;

    // The bundle: the per-printer INI's once the section is spent under
    // terminal services, else the section's.
    WCHAR named[kWsPathChars] = {};
    if (!work && ts) IniGetString(section, kHoDefaultRst, u"", named, kWsPathChars, GetIniFilePath(ctx));
    else HoReadKey(ini, section, kHoDefaultRst, named, kWsPathChars);
    const bool fromSection = work || !ts;
    WCHAR bundle[kWsPathChars] = {};
    if (!named[0] || !HoDriverDirPath(ctx, named, bundle)) {
        CopyDefaultJobKeys(ctx, kJobKeysBatchRst, nullptr);
        return 0;
    }

    int result = 0;
    const WCHAR* lang = GetLangCode(ctx);
    if (!bundleUsable(bundle) || !lang[0]) {
        CopyDefaultJobKeys(ctx, kJobKeysBatchRst, nullptr);
    } else if (DmSaveState(ctx)) {
        KeptText userId(ctx, kItRdmUserID), owner(ctx, kItRdmOwnerName);
        const bool imported = ImportBundleSettings(bundle, ctx) != 0;
        userId.putBack();
        owner.putBack();
        result = imported && installBundleLists(bundle, importFlags, ctx) ? 1 : 0;
        DmRestoreState(ctx, result ? 0 : 1);
        CopyDefaultJobKeys(ctx, kJobKeysBundle, bundle);
    }

    if (result) {
        ImportFreeSizesFromFile(bundle, lang, ctx);
        ImportStampsFromFile(bundle, lang, ctx);
        uint32_t mask = kJcMaskIdentity;
        if (ctx->ws->userCodeApplied == 0 && fromSection) {
            // The bundle's own user code, when it is one (read whole, so
            // that a longer value is dropped rather than cut).
            WCHAR code[kHoValueChars] = {};
            if (const WCHAR* name = ItemGetName(ctx, kItRdmUserCode))
                IniGetString(lang, name, u"", code, kHoValueChars, bundle);
            if (code[0] && HoAnsiWithin(code, kHoUserCodeMax, isDigit, nullptr)) {
                DmClearInstUserCode(ctx);
                mask |= kJcMaskUserCode;
            }
        }
        HoSendJobItems(ctx, mask);
        SetDrvInstSet(ini, section, 1);
        if (mask & kJcMaskUserCode) HoSaveUserCodeItems(ctx);
    }

    markApplied(ctx, ini, section);
    HoMark(ini, section, kHoDefaultRstName, bundle);
    HoDeleteKey(ini, section, kHoDefaultRst);
    return result;
}

int HandoverApplyAtOpen(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR ini[kWsPathChars];
    if (!GetVeskIniPathInto(ini, kWsPathChars)) return 0;
    // A missing file reads as a section without the flag: no separate
    // existence test, which costs more than the (cached) read.
    WCHAR section[kWsPrinterNameChars];
    WCopyCut(section, kWsPrinterNameChars, PrnGetPrinterName(ctx));
    if (!GetDrvInstSet(ini, section)) return 1;
    JcReadItemsFromPrinterData(ctx, kJcMaskIdentity);
    JcStoreItemsIfOn(ctx, kJcMaskIdentity);
    if (OptReadFromPrinterDataByField(ctx->printer, ctx, ItemFindById(ctx, kItRdmUserCode)))
        JcStoreItemsIfOn(ctx, kJcMaskUserCode);
    SetDrvInstSet(ini, section, 0);
    return 1;
}

}  // namespace vesk
