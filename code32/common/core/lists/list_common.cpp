// Shared pieces of the per-printer lists (lists_internal.h) and the language
// section.
#include <cstdio>

#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_info.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {

const WCHAR* GetLangSection(DrvContext* ctx) { return GetLangCode(ctx); }
const WCHAR* GetLangCodeAlias(DrvContext* ctx) { return GetLangSection(ctx); }

namespace lists {

const WCHAR* iniPath(DrvContext* ctx) {
    const WCHAR* p = GetIniFilePath(ctx);
    return isDrivePath(p) ? p : nullptr;
}

int sectionImport(DrvContext* ctx, const WCHAR* path, const WCHAR* section, uint32_t flags) {
    if (!ctx || !ctx->ws || !section || !isDrivePath(path)) return 0;
    NameSwap swap(ctx, section);
    return SettingsImport(ctx->printer, path, flags, ctx);
}

int sectionExport(DrvContext* ctx, const WCHAR* path, const WCHAR* section, uint32_t flags) {
    if (!ctx || !ctx->ws || !section || !isDrivePath(path)) return 0;
    NameSwap swap(ctx, section);
    return SettingsExport(ctx->printer, path, flags, ctx);
}

int readCount(const WCHAR* section, const WCHAR* key, const WCHAR* path) {
    if (!isDrivePath(path)) return 0;
    const int n = static_cast<int>(IniGetInt(section, key, 0, path));
    return n < 0 ? 0 : n;
}

int writeCount(const WCHAR* section, const WCHAR* key, int n, const WCHAR* path) {
    if (!isDrivePath(path)) return 0;
    char a[16];
    std::snprintf(a, sizeof a, "%d", n);
    WCHAR w[16] = {};
    for (size_t i = 0; a[i]; ++i) w[i] = static_cast<WCHAR>(a[i]);
    return IniWriteString(section, key, w, path) ? 1 : 0;
}

WCHAR* formatNumbered(WCHAR* buffer, const char* format, int n, const char* tail) {
    if (!buffer) return buffer;
    char a[kListKeyChars];
    std::snprintf(a, sizeof a, format, n, tail);
    size_t i = 0;
    for (; a[i] && i + 1 < kListKeyChars; ++i) buffer[i] = static_cast<WCHAR>(static_cast<unsigned char>(a[i]));
    buffer[i] = 0;
    return buffer;
}

WCHAR* formatLangSection(WCHAR* buffer, const char* stem, int i, DrvContext* ctx) {
    char format[16];
    std::snprintf(format, sizeof format, "%s%%d%%s", stem);
    formatNumbered(buffer, format, i, "");
    if (buffer) WAppendWhole(buffer, kListKeyChars, GetLangSection(ctx));
    return buffer;
}

void copyWhole(WCHAR* dest, size_t cap, const WCHAR* src) {
    if (!dest || cap == 0) return;
    WCopyCut(dest, cap, src);
    const size_t n = WLen(dest);
    // A lead surrogate whose partner was cut off goes too.
    if (n && dest[n - 1] >= 0xD800 && dest[n - 1] <= 0xDBFF && src && src[n] >= 0xDC00 && src[n] <= 0xDFFF)
        dest[n - 1] = 0;
}

size_t readBounded(const WCHAR* section, const WCHAR* key, WCHAR* dest, size_t chars, size_t ansiBytes,
                   const WCHAR* path) {
    if (!dest || chars == 0) return 0;
    dest[0] = 0;
    if (!isDrivePath(path)) return 0;
    WCHAR raw[kPresetCommentBytes + 2] = {};
    IniGetString(section, key, u"", raw, kPresetCommentBytes + 2, path);
    // Bounded as the ANSI buffer holds it: a double-byte character is never
    // split.
    char ansi[kPresetCommentBytes + 1] = {};
    if (ansiBytes > sizeof ansi) ansiBytes = sizeof ansi;
    StrWideToAnsi(ansi, raw, static_cast<int>(ansiBytes));
    WCHAR wide[kPresetCommentBytes + 1] = {};
    StrAnsiToWide(wide, ansi, static_cast<int>(kPresetCommentBytes + 1));
    copyWhole(dest, chars, wide);
    return WLen(dest);
}

RealName::RealName(DrvContext* ctx) : ws_(ctx->ws) {
    WCopyCut(kept_, kWsPrinterNameChars, ws_->printerName);
    if (PRINTER_INFO_2W* info = PrnGetInfo2(ctx->printer)) {
        if (info->pPrinterName && info->pPrinterName[0])
            WCopyCut(ws_->printerName, kWsPrinterNameChars, info->pPrinterName);
        PrnFreeInfo2(info);
    }
}

RealName::~RealName() { WCopyCut(ws_->printerName, kWsPrinterNameChars, kept_); }

void dropSnapshots(DrvContext* ctx) { PresetSnapshot(ctx, nullptr, 3); }

void checkStamp(DrvContext* ctx) {
    const uint32_t id = ItemRawById(ctx, kItRdmWmID);
    if (ItemRawById(ctx, kItRdmFuncSelectWaterMark) && id < static_cast<uint32_t>(GetStampCount(ctx))) {
        const uint32_t kind = ItemRawById(ctx, kItRdmWmKind);
        if (kind >= 1 && kind <= 3) LoadStampByIndex(ctx, id);
        return;
    }
    ItemSetRawById(ctx, kItRdmFuncSelectWaterMark, 0);
    ItemSetRawById(ctx, kItRdmWmID, 0);
}

}  // namespace lists
}  // namespace vesk
