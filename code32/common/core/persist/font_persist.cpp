// Font tables in printer data (font_persist.h).
#include "core/persist/font_persist.h"

#include <cstdio>
#include <cstring>

#include "core/font_tables.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/model/query.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr uint32_t kRecordBytes = 68, kPairBytes = 128, kHalfBytes = 64;
constexpr DWORD kNoBuffer = 8;  // ERROR_NOT_ENOUGH_MEMORY

// One font list: its items, its printer-data names and the model's copy.
struct FontList {
    int countItem, handleItem;
    const WCHAR* countName;
    const WCHAR* dataName;
    BYTE* (*fromModel)(const DrvContext*, uint32_t*);
};
const FontList kDeviceList{kItRdmDeviceFontNum, kItRdmDeviceFont, u"DeviceFontNum", u"DeviceFont", MdlCopyDeviceFonts};
const FontList kOptionList{kItRdmOptionFontNum, kItRdmOptionFont, u"OptionFontNum", u"OptionFont", MdlCopyOptionFonts};

struct Names {
    const WCHAR* count;
    const WCHAR* trueType;
    const WCHAR* device;
};
const Names kCurrentNames{u"FontTableNum", u"TTFontTable%d", u"DevFontTable%d"};
const Names kDefaultNames{u"DefFontTableNum", u"TTFontDefTable%d", u"DevFontDefTable%d"};
const WCHAR kLastNumName[] = u"LastFontTableNum";

// "TTFontTable%d" with i put in.
void nameOf(const WCHAR* pattern, uint32_t i, WCHAR* dest, size_t chars) {
    char digits[12];
    std::snprintf(digits, sizeof digits, "%u", i);
    size_t o = 0;
    for (const WCHAR* p = pattern; *p && o + 1 < chars; ++p) {
        if (p[0] == u'%' && p[1] == u'd') {
            for (const char* d = digits; *d && o + 1 < chars; ++d) dest[o++] = static_cast<WCHAR>(*d);
            ++p;
        } else {
            dest[o++] = *p;
        }
    }
    dest[o] = 0;
}

bool readCount(HANDLE printer, const WCHAR* name, uint32_t* count) {
    BYTE b[2] = {};
    if (!PrnGetData(printer, b, 2, name)) return false;
    *count = static_cast<uint32_t>(b[0] | b[1] << 8);
    return true;
}

int writeCount(HANDLE printer, const WCHAR* name, uint32_t count) {
    const BYTE b[2] = {static_cast<BYTE>(count), static_cast<BYTE>(count >> 8)};
    return PrnSetDataBinary(printer, b, 2, name);
}

// The table of a handle item pair in `buffer` (the DEVMODE or its shadow).
const BYTE* tableIn(DrvContext* ctx, BYTE* buffer, int countItem, int handleItem, uint32_t entry, uint32_t* count) {
    *count = 0;
    if (!buffer) return nullptr;
    const uint32_t n = ItemReadRawIn(buffer, ItemFindById(ctx, countItem));
    uint32_t bytes = 0;
    const BYTE* t = static_cast<const BYTE*>(FontTableData(ItemReadRawIn(buffer, ItemFindById(ctx, handleItem)), &bytes));
    if (!t || n == 0 || bytes < n * entry) return nullptr;
    *count = n;
    return t;
}

// Replaces the DEVMODE's table by `block` (adopted; null for none).
void setTable(DrvContext* ctx, int countItem, int handleItem, BYTE* block, uint32_t count, uint32_t entry) {
    const uint32_t old = ItemRawById(ctx, handleItem);
    // Handle 0 names no table (FontTableAdopt never gives it): nothing to
    // release, and no look in the handle table under its lock.
    if (old != 0 && !(ctx->ws->substKept && old == ctx->ws->keptSubstTable)) FontTableRelease(old);
    uint32_t h = 0;
    if (block && count) h = FontTableAdopt(block, count * entry);
    else MemFree(block);
    ItemSetRawById(ctx, handleItem, h);
    ItemSetRawById(ctx, countItem, h ? count : 0);
}

bool unchanged(DrvContext* ctx, int countItem, int handleItem, uint32_t entry, const BYTE* t, uint32_t n) {
    if (ctx->ws->kind != kKindOrdinary || !ctx->ws->shadow) return false;
    uint32_t sn = 0;
    const BYTE* s = tableIn(ctx, ctx->ws->shadow, countItem, handleItem, entry, &sn);
    return sn == n && (n == 0 || (s && std::memcmp(s, t, n * entry) == 0));
}

int listWrite(HANDLE printer, const FontList& l, const BYTE* t, uint32_t n) {
    return writeCount(printer, l.countName, n) && PrnSetDataBinary(printer, t, n * kRecordBytes, l.dataName);
}

int listSave(HANDLE printer, DrvContext* ctx, const FontList& l, uint32_t flags) {
    if (!ctx || !ctx->devmode) return 0;
    BYTE* model = nullptr;
    const BYTE* t = nullptr;
    uint32_t n = 0;
    if (flags & kFontFromModel) t = model = l.fromModel(ctx, &n);
    else t = tableIn(ctx, ctx->devmode, l.countItem, l.handleItem, kRecordBytes, &n);
    int ok = 0;
    if (t && n) {
        if ((flags & kFontChangedOnly) && unchanged(ctx, l.countItem, l.handleItem, kRecordBytes, t, n)) ok = 1;
        else ok = listWrite(printer, l, t, n);
    }
    MemFree(model);
    return ok;
}

int listLoad(HANDLE printer, DrvContext* ctx, const FontList& l) {
    if (!ctx || !ctx->devmode) return 0;
    setTable(ctx, l.countItem, l.handleItem, nullptr, 0, kRecordBytes);
    uint32_t n = 0;
    if (!readCount(printer, l.countName, &n)) {
        // A printer without the list gets the model's. When it cannot be
        // written (no right to change the printer) the context still takes
        // the model's list rather than none. The model's list is built once
        // for both.
        uint32_t m = 0;
        BYTE* block = l.fromModel(ctx, &m);
        if (!block) return 1;
        if (!m || !listWrite(printer, l, block, m)) {
            setTable(ctx, l.countItem, l.handleItem, block, m, kRecordBytes);
            return ItemRawById(ctx, l.countItem) != 0 ? 1 : 0;
        }
        MemFree(block);
        if (!readCount(printer, l.countName, &n)) return 0;
    }
    if (n == 0) return 0;
    BYTE* block = static_cast<BYTE*>(MemAllocZero(n * kRecordBytes));
    if (!block) return 0;
    if (!PrnGetData(printer, block, n * kRecordBytes, l.dataName)) {
        MemFree(block);
        return 0;
    }
    setTable(ctx, l.countItem, l.handleItem, block, n, kRecordBytes);
    return ItemRawById(ctx, l.countItem) != 0 ? 1 : 0;
}

// Loads the pairs under `names` into the DEVMODE's substitution table.
int substLoadFrom(HANDLE printer, DrvContext* ctx, const Names& names, uint32_t n) {
    if (n == 0) return 1;
    BYTE* block = static_cast<BYTE*>(MemAllocZero(n * kPairBytes));
    if (!block) return 0;
    FontSubstTableRead(printer, block, n, &names == &kDefaultNames ? kFontDefaultNames : 0);
    setTable(ctx, kItRdmFontTableNum, kItRdmFontTable, block, n, kPairBytes);
    return ItemRawById(ctx, kItRdmFontTableNum) == n ? 1 : 0;
}

}  // namespace

int FontDeviceListLoad(HANDLE printer, DrvContext* ctx) { return listLoad(printer, ctx, kDeviceList); }
int FontOptionListLoad(HANDLE printer, DrvContext* ctx) { return listLoad(printer, ctx, kOptionList); }
int FontDeviceListSave(HANDLE printer, DrvContext* ctx, uint32_t flags) { return listSave(printer, ctx, kDeviceList, flags); }
int FontOptionListSave(HANDLE printer, DrvContext* ctx, uint32_t flags) { return listSave(printer, ctx, kOptionList, flags); }

int FontListsLoad(HANDLE printer, DrvContext* ctx) {
    const int a = FontDeviceListLoad(printer, ctx);
    const int b = FontOptionListLoad(printer, ctx);
    const int c = FontSubstTableLoad(printer, ctx);
    return a && b && c ? 1 : 0;
}

int FontListsSaveChanged(HANDLE printer, DrvContext* ctx) {
    const int a = FontDeviceListSave(printer, ctx, kFontChangedOnly);
    const int b = FontOptionListSave(printer, ctx, kFontChangedOnly);
    const int c = FontSubstTableSave(printer, ctx, kFontChangedOnly);
    return a && b && c ? 1 : 0;
}

int FontListsSaveDefaults(HANDLE printer, DrvContext* ctx) {
    const int a = FontDeviceListSave(printer, ctx, kFontFromModel);
    const int b = FontOptionListSave(printer, ctx, kFontFromModel);
    const int c = FontSubstTableSave(printer, ctx, kFontFromModel);
    return a && b && c ? 1 : 0;
}

int FontSubstTableDeleteOld(HANDLE printer) {
    uint32_t last = 0;
    if (!readCount(printer, kLastNumName, &last)) return 1;
    WCHAR name[32];
    for (uint32_t i = 1; i <= last; ++i) {
        nameOf(kCurrentNames.trueType, i, name, 32);
        DeletePrinterDataW(printer, name);
        nameOf(kCurrentNames.device, i, name, 32);
        DeletePrinterDataW(printer, name);
    }
    return 1;
}

int FontSubstTableWrite(HANDLE printer, const BYTE* pairs, uint32_t count, uint32_t flags) {
    // A count without its pairs is no table: nothing is written.
    if (!pairs && count) return 0;
    const Names& names = (flags & kFontDefaultNames) ? kDefaultNames : kCurrentNames;
    if (!(flags & kFontDefaultNames) && CurrentProfile().fontTableWriteDeletesOld) FontSubstTableDeleteOld(printer);
    int ok = 1;
    WCHAR name[32];
    for (uint32_t i = 0; pairs && i < count; ++i) {
        nameOf(names.trueType, i + 1, name, 32);
        ok &= PrnSetDataBinary(printer, pairs + i * kPairBytes, kHalfBytes, name);
        nameOf(names.device, i + 1, name, 32);
        ok &= PrnSetDataBinary(printer, pairs + i * kPairBytes + kHalfBytes, kHalfBytes, name);
    }
    ok &= writeCount(printer, (flags & kFontDefaultNames) ? kDefaultNames.count : kLastNumName, count);
    return ok;
}

DWORD FontSubstTableRead(HANDLE printer, BYTE* pairs, uint32_t count, uint32_t flags) {
    if (!pairs) return kNoBuffer;
    const Names& names = (flags & kFontDefaultNames) ? kDefaultNames : kCurrentNames;
    DWORD result = 0;
    WCHAR name[32];
    for (uint32_t i = 0; i < count; ++i) {
        BYTE* pair = pairs + i * kPairBytes;
        DWORD type = 0, needed = 0;
        nameOf(names.trueType, i + 1, name, 32);
        std::memset(pair, 0, kPairBytes);
        DWORD e = GetPrinterDataW(printer, name, &type, pair, kHalfBytes, &needed);
        if (e == ERROR_SUCCESS) {
            nameOf(names.device, i + 1, name, 32);
            e = GetPrinterDataW(printer, name, &type, pair + kHalfBytes, kHalfBytes, &needed);
        }
        // A pair with a half missing is emptied whole.
        if (e != ERROR_SUCCESS) {
            std::memset(pair, 0, kPairBytes);
            result = e;
        }
    }
    return result;
}

namespace {

// The current table's count and pairs.
int substWriteCurrent(HANDLE printer, const BYTE* pairs, uint32_t n) {
    return writeCount(printer, kCurrentNames.count, n) && FontSubstTableWrite(printer, pairs, n, 0);
}

}  // namespace

int FontSubstTableSave(HANDLE printer, DrvContext* ctx, uint32_t flags) {
    if (!ctx || !ctx->devmode) return 0;
    BYTE* model = nullptr;
    const BYTE* t = nullptr;
    uint32_t n = 0;
    if (flags & kFontFromModel) {
        t = model = MdlCopyFontSubstDefaults(ctx, &n);
        if (!t) return 1;
    } else {
        t = tableIn(ctx, ctx->devmode, kItRdmFontTableNum, kItRdmFontTable, kPairBytes, &n);
    }
    int ok = 1;
    if (flags & kFontDefaultNames) {
        ok = FontSubstTableWrite(printer, t, n, kFontDefaultNames);
    } else if (!((flags & kFontChangedOnly) && unchanged(ctx, kItRdmFontTableNum, kItRdmFontTable, kPairBytes, t, n))) {
        ok = substWriteCurrent(printer, t, n);
    }
    MemFree(model);
    return ok;
}

int FontSubstDefaultsEnsure(HANDLE printer, DrvContext* ctx) {
    uint32_t n = 0;
    if (readCount(printer, kDefaultNames.count, &n)) return 1;
    return FontSubstTableSave(printer, ctx, kFontFromModel | kFontDefaultNames);
}

int FontSubstTableLoad(HANDLE printer, DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    setTable(ctx, kItRdmFontTableNum, kItRdmFontTable, nullptr, 0, kPairBytes);
    uint32_t n = 0;
    if (!readCount(printer, kCurrentNames.count, &n)) {
        // The model's pairs are written for the printer; not writable, they
        // serve this context only. They are built once for both.
        uint32_t m = 0;
        BYTE* block = MdlCopyFontSubstDefaults(ctx, &m);
        if ((block && !substWriteCurrent(printer, block, m)) || !readCount(printer, kCurrentNames.count, &n)) {
            if (block) setTable(ctx, kItRdmFontTableNum, kItRdmFontTable, block, m, kPairBytes);
            return 1;
        }
        MemFree(block);
    }
    return substLoadFrom(printer, ctx, kCurrentNames, n);
}

void FontListsFree(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->ws) return;
    setTable(ctx, kItRdmDeviceFontNum, kItRdmDeviceFont, nullptr, 0, kRecordBytes);
    setTable(ctx, kItRdmOptionFontNum, kItRdmOptionFont, nullptr, 0, kRecordBytes);
    setTable(ctx, kItRdmFontTableNum, kItRdmFontTable, nullptr, 0, kPairBytes);
}

int FontSubstTableResetDefaults(DrvContext* ctx) {
    if (!ctx || !ctx->devmode || !ctx->ws) return 0;
    HANDLE printer = ctx->printer;
    setTable(ctx, kItRdmFontTableNum, kItRdmFontTable, nullptr, 0, kPairBytes);
    FontSubstDefaultsEnsure(printer, ctx);
    uint32_t n = 0;
    if (!readCount(printer, kDefaultNames.count, &n)) return 0;
    return substLoadFrom(printer, ctx, kDefaultNames, n);
}

}  // namespace vesk
