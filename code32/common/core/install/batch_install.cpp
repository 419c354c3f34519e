#include "core/install/batch_install.h"

#include <win/windows.h>

#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/setupdirs/setup_dirs.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/wstr.h"

namespace vesk {
namespace {

// Items whose keys make a free size and a stamp; the INI key of each is the
// item's field name.
constexpr int kFreeSizeItems[] = {859, 860, 861};
constexpr int kStampItems[] = {109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121,
                               122, 123, 124, 125, 126, 127, 128, 869, 870, 871, 872, 873};
// Keys of the language section copied as they are.
constexpr const WCHAR* kBatchKeys[] = {u"RstVersion", u"bIsBIDISupportForVESKModel", u"bIsBIDISupportForVESKFont",
                                       u"bIsBIDISupportForVESK"};
constexpr DWORD kValueChars = 1024;
constexpr int kRstVersionMissing = 0xFFFF;

// A context this file made, freed at the end of the scope.
struct OwnContext {
    DrvContext* ctx = nullptr;
    ~OwnContext() {
        if (ctx) CtxReleaseEx(ctx, kReleaseFree);
    }
};

// Copies `key` of `section` from `from` to `to`; a key `from` lacks is
// written empty with `always`, else left alone.
void copyKey(const WCHAR* section, const WCHAR* key, const WCHAR* from, const WCHAR* to, bool always) {
    WCHAR v[kValueChars] = {};
    const WCHAR kMissing[] = u"\x01";
    IniGetString(section, key, kMissing, v, kValueChars, from);
    const bool missing = v[0] == 1 && v[1] == 0;
    if (missing && !always) return;
    IniWriteString(section, key, missing ? u"" : v, to);
}

template <size_t N>
void copyItemKeys(DrvContext* ctx, const WCHAR* section, const int (&ids)[N], const WCHAR* from, const WCHAR* to,
                  bool always) {
    for (int id : ids) {
        const DmItem* it = ItemFindById(ctx, id);
        if (it && it->fieldName) copyKey(section, it->fieldName, from, to, always);
    }
}

// The setup INI's free sizes, stamps and batch keys into `target`.
void copySetupLists(DrvContext* ctx, const WCHAR* lang, const WCHAR* setup, const WCHAR* target) {
    copyKey(lang, u"FreeSizeCount", setup, target, true);
    const int sizes = static_cast<int>(IniGetInt(lang, u"FreeSizeCount", 0, setup));
    for (int i = 0; i < sizes && i < 0x100; ++i) {
        WCHAR section[kListKeyChars];
        copyItemKeys(ctx, FormatFreeSizeSection(section, i, ctx), kFreeSizeItems, setup, target, true);
    }
    copyKey(lang, u"StampCount", setup, target, true);
    const int stamps = static_cast<int>(IniGetInt(lang, u"StampCount", 0, setup));
    for (int i = 0; i < stamps && i < 0x100; ++i) {
        WCHAR section[kListKeyChars];
        copyItemKeys(ctx, FormatStampSection(section, i, ctx), kStampItems, setup, target, true);
    }
    for (const WCHAR* key : kBatchKeys) copyKey(lang, key, setup, target, true);
}

// A target that is missing or of another settings family gets the lists.
bool needsLists(const WCHAR* lang, const WCHAR* target) {
    if (GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) return true;
    const UINT v = IniGetInt(lang, u"RstVersion", kRstVersionMissing, target);
    return v == kRstVersionMissing || !RstSameVersionFamily(v, kRstVersion);
}

}  // namespace

int RunBatchInstall(HANDLE printer, DrvContext* ctx, int listsDone) {
    return RunBatchInstallEx(printer, ctx, listsDone, 0);
}

int RunBatchInstallEx(HANDLE printer, DrvContext* ctx, int listsDone, int perUser) {
    OwnContext own;
    if (!ctx) {
        WCHAR setup[kWsPathChars] = {};
        if (listsDone == 1 && GetSetupIniPathEx(printer, setup) && setup[0]) {
            WCHAR v[8] = {};
            if (GetPrivateProfileSectionW(kSetupMarkSection, v, 8, setup) > 0) return 1;
        }
        ctx = own.ctx = CtxCreateEx(printer, printer, nullptr, kKindOrdinary, kCreateInterface, 0, nullptr);
        if (!ctx) return 0;
    }
    DrvContext* c = ctx;
    WCHAR target[kWsPathChars] = {}, setup[kWsPathChars] = {};
    if (perUser) WCopyCut(target, kWsPathChars, GetIniFilePath(c));
    else GetIniFilePathEx(target, 0);
    WCopyCut(setup, kWsPathChars, GetSetupIniPath(c));
    const WCHAR* lang = GetLangSection(c);
    // Without the setup INI there is nothing to copy, and no mark to set.
    if (!target[0] || !setup[0] || !lang || !lang[0] || GetFileAttributesW(setup) == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (!listsDone && needsLists(lang, target)) copySetupLists(c, lang, setup, target);

    WCHAR bundle[kWsPathChars] = {};
    if (GetDefaultRstName(c, bundle, kWsPathChars) && bundle[0]) {
        const int sizes = static_cast<int>(IniGetInt(lang, u"FreeSizeCount", 0, setup));
        for (int i = 0; i < sizes && i < 0x100; ++i) {
            WCHAR section[kListKeyChars];
            copyItemKeys(c, FormatFreeSizeSection(section, i, c), kFreeSizeItems, bundle, target, false);
        }
    }
    // The mark tells a later re-deployment that the lists were copied; the
    // setup INI's time stays as shipped so that its refresh from the driver
    // directory still compares equal.
    IniWriteStringKeepTime(kSetupMarkSection, GetBatchInstallDoneKey(), u"1", setup);
    return 1;
}

}  // namespace vesk
