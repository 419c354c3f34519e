// The bundle's preset and quality entries: copied into place, their rsr
// copies written, and registered in the printer's lists.
#include <cstdio>

#include "core/deploy/deploy.h"
#include "core/deploy/deploy_internal.h"
#include "core/files.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/wstr.h"

namespace vesk {
namespace deploy {

int entryCount(const WCHAR* bundle, const WCHAR* lang, const WCHAR* key) {
    const int n = static_cast<int>(IniGetInt(lang, key, 0xFFFF, bundle));
    if (n == 0xFFFF || n <= 0) return 0;
    return n > kMaxEntries ? kMaxEntries : n;
}

bool readEntry(const WCHAR* bundle, const WCHAR* lang, const char* stem, int n, WCHAR* out, DrvContext* ctx,
               bool expand) {
    char key[32];
    std::snprintf(key, sizeof key, "%s%d", stem, n);
    WCHAR wkey[32] = {};
    for (size_t i = 0; key[i]; ++i) wkey[i] = static_cast<WCHAR>(key[i]);
    out[0] = 0;
    IniGetString(lang, wkey, u"", out, kWsPathChars, bundle);
    return out[0] && (!expand || ExpandInstallPathChecked(out, kWsPathChars, ctx));
}

}  // namespace deploy

namespace {

using namespace deploy;

constexpr uint32_t kCopyRefresh = 2;
constexpr uint32_t kCopyOnce = 1;

// A value of the source's language section; empty when missing.
void readText(const WCHAR* file, const WCHAR* lang, const WCHAR* key, WCHAR* out, size_t chars) {
    out[0] = 0;
    IniGetString(lang, key, u"", out, static_cast<DWORD>(chars), file);
}

// Copies the source from the driver directory and brings its rsr copy up
// to date (import flags 4 for presets, 16 for qualities).
void copyEntry(DrvContext* ctx, const WCHAR* source, const WCHAR* rsr, uint32_t flags, uint32_t importFlags) {
    if (!CopyInstallFile(source, nullptr, kCopyRefresh, ctx, 0) && (flags & kDplHandover))
        CopyInstallFile(source, nullptr, kCopyRefresh, ctx, 0);
    if (!FileExists(rsr)) {
        if (flags & kDplHandover) CopyInstallFile(rsr, nullptr, kCopyOnce, ctx, 0);
        if (!PresetHasRstVersion(rsr, ctx)) CopyPresetConditions(rsr, source, importFlags, ctx);
    } else if (!(flags & kDplKeepRsr)) {
        CopyPresetConditions(rsr, source, importFlags, ctx);
    }
}

// An entry of the existing list names the copy: the first 8 characters of
// the file names, letter case aside.
bool alreadyListed(const WCHAR* rsr, const PresetEntry* existing, int count) {
    const WCHAR* a = FileNamePart(rsr);
    for (int i = 0; existing && i < count; ++i) {
        const WCHAR* b = FileNamePart(existing[i].path);
        WCHAR x[9] = {}, y[9] = {};
        WCopyCut(x, 9, a);
        WCopyCut(y, 9, b);
        if (WEqualNoCase(x, y)) return true;
    }
    return false;
}

// The settings-file header of the copy's printer section, exactly this
// driver's version.
bool headerAccepted(const WCHAR* rsr, DrvContext* ctx) {
    char* text = IniTextLoad(rsr);
    if (!text) return false;
    WCHAR section[kWsPrinterNameChars] = {};
    WCopyCut(section, kWsPrinterNameChars, ctx->ws->printerName);
    const char* body = IniTextFindSection(IniSectionBracketsToCommas(section), text);
    const bool ok = body && RstCheckHeader(rsr, body, 0, ctx, 0);
    IniTextFree(text);
    return ok;
}

// The name or comment of the current preset items.
void currentText(DrvContext* ctx, int id, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (DmItem* it = ItemFindById(ctx, id)) ItemGetString(ctx, it, out, chars);
}

void markDone(const WCHAR* bundle, const WCHAR* lang, const WCHAR* key) { IniWriteString(lang, key, u"1", bundle); }

}  // namespace

int PresetAddDefault(DrvContext* ctx, const WCHAR* file, const WCHAR* name, const WCHAR* comment) {
    if (!ctx || !ctx->ws || !file) return 0;
    const bool hasName = name && name[0];
    const bool hasComment = comment && comment[0];
    WCHAR current[kPresetTextChars] = {};
    if (hasName && hasComment) return PresetAdd(ctx, file, name, comment);
    if (hasName) {
        currentText(ctx, kItWdmPresetComment, current, kPresetTextChars);
        return PresetAdd(ctx, file, name, current);
    }
    if (hasComment) {
        currentText(ctx, kItWdmPresetName, current, kPresetTextChars);
        return PresetAdd(ctx, file, current[0] ? current : u"NoName", comment);
    }
    return PresetAdd(ctx, file, u"NoName", u"");
}

int PresetsInstallList(const WCHAR* bundle, const WCHAR* lang, uint32_t flags, DrvContext* ctx, int existingCount,
                       const PresetEntry* existing) {
    if (!bundle || !lang || !ctx || !ctx->ws) return 0;
    const bool handoverChecked = (flags & kDplCheckConditions) && (flags & kDplHandover);
    if ((flags & kDplRegister) && !(flags & kDplMerge) && !handoverChecked) PresetClear(ctx);
    const int count = entryCount(bundle, lang, u"NumDeficonfiles");
    if (GetPresetCount(ctx) >= kPresetSlots || count == 0) return 1;
    if (!hasDrive(GetIniFilePath(ctx))) return 0;
    int ok = 1;
    for (int n = 1; n <= count; ++n) {
        WCHAR source[kWsPathChars];
        WCHAR rsr[kWsPathChars];
        if (!readEntry(bundle, lang, "Deficonfiles", n, source, ctx) || !MakeUserRsrPath(ctx, source, rsr, kWsPathChars))
            continue;
        bool full = false;
        if (flags & kDplRegister) {
            WCHAR name[kPresetTextChars], comment[kPresetTextChars];
            readText(source, lang, u"setname", name, kPresetTextChars);
            readText(source, lang, u"setcomment", comment, kPresetTextChars);
            const bool enabled = PresetIsEnabled(source, ctx) != 0;
            if (flags & kDplCheckConditions) {
                if (enabled && CondEvaluate(source, ctx)) {
                    if (flags & kDplHandover) {
                        ok = PresetAddDefault(ctx, rsr, name, comment) && ok;
                    } else if ((flags & kDplMerge) && n != 1 && !alreadyListed(rsr, existing, existingCount)) {
                        ok = PresetAddDefault(ctx, rsr, name, comment) && ok;
                        if (!headerAccepted(rsr, ctx)) CopyPresetConditions(rsr, source, kStPresetDevice, ctx);
                    }
                }
            } else if (enabled) {
                ok = PresetAddDefault(ctx, rsr, name, comment) && ok;
            }
            full = GetPresetCount(ctx) >= kPresetSlots;
            if (flags & kDplResave) CopyPresetConditions(rsr, source, kStPresetDevice, ctx);
        }
        if (flags & kDplCopy) copyEntry(ctx, source, rsr, flags, kStPresetDevice);
        if (flags & kDplDeleteRsr) ForceDeleteFile(rsr);
        if (full) break;
    }
    if ((flags & kDplHandover) && ok) markDone(bundle, lang, u"DrvInstPresetDone");
    return ok;
}

int QualitiesInstallList(const WCHAR* bundle, const WCHAR* lang, uint32_t flags, DrvContext* ctx) {
    if (!bundle || !lang || !ctx || !ctx->ws) return 0;
    if (flags & kDplRegister) QualityListClear(ctx);
    const int count = entryCount(bundle, lang, u"NumDefqualityfiles");
    if (count == 0) return 1;
    if (!hasDrive(GetIniFilePath(ctx))) return 0;
    int ok = 1;
    for (int n = 1; n <= count; ++n) {
        WCHAR source[kWsPathChars];
        WCHAR rsr[kWsPathChars];
        if (!readEntry(bundle, lang, "Defqualityfiles", n, source, ctx) ||
            !MakeUserRsrPath(ctx, source, rsr, kWsPathChars))
            continue;
        if (flags & kDplRegister) {
            WCHAR name[kPresetTextChars];
            readText(source, lang, u"qualityname", name, kPresetTextChars);
            ok = QualityAdd(ctx, rsr, name) && ok;
        }
        if (flags & kDplResave) CopyPresetConditions(rsr, source, kStQuality, ctx);
        if (flags & kDplCopy) copyEntry(ctx, source, rsr, flags, kStQuality);
        if (flags & kDplDeleteRsr) ForceDeleteFile(rsr);
    }
    if ((flags & kDplHandover) && ok) markDone(bundle, lang, u"DrvInstQualityDone");
    return ok;
}

}  // namespace vesk
