// One item to and from its home: the encodings of printer data and of the
// INI, and the action word.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <win/files.h>
#include <win/registry.h>

#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/bridge/bridge.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {

const WCHAR kActionWordKey[] = u"rdmAction";

namespace {

constexpr int kLoggingItem = 10275;     // kept as REG_DWORD whatever its type
constexpr DWORD kScratchBytes = 1044;   // values up to this size need no allocation
constexpr size_t kIniNumberChars = 16;  // at most 15 characters of a number are read

// The bytes an item keeps in printer data: 1, 2 or 4 for numbers and bit
// items, the declared size for text and blocks.
DWORD dataBytes(const DmItem& it) {
    const uint32_t code = itemTypeCode(it);
    if (code == kTypeS8 || code == kTypeU8) return 1;
    if (code == kTypeS16 || code == kTypeU16) return 2;
    if (code == kTypeS32 || code == kTypeU32 || typeIsBit(code)) return 4;
    return itemSize(it);
}

void put32(BYTE* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

uint32_t get32(const BYTE* p, DWORD n) {
    uint32_t v = 0;
    for (DWORD i = 0; i < n && i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

// A printer-data value into a zero-filled buffer of at least `want` bytes:
// a shorter value is zero-extended, a longer one is read whole and its head
// used. Values up to 1044 bytes go through `scratch`.
class DataRead {
public:
    DataRead(HANDLE printer, const WCHAR* name, DWORD want, BYTE* scratch) {
        DWORD type = 0, needed = 0;
        // Most values fit the scratch: one call. A longer one is read again
        // whole into a buffer of its size.
        DWORD size = want > kScratchBytes ? want : kScratchBytes;
        buf_ = size > kScratchBytes ? own_ = static_cast<BYTE*>(MemAllocZero(size)) : scratch;
        if (!buf_) return;
        // Only the head the item takes needs zeros: a shorter value is
        // zero-extended to it, the bytes after it are never used.
        std::memset(buf_, 0, want);
        DWORD e = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, buf_, size, &needed);
        if (e == ERROR_MORE_DATA && needed > size) {
            MemFree(own_);
            size = needed;
            buf_ = own_ = static_cast<BYTE*>(MemAllocZero(size));
            if (!buf_) return;
            e = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, buf_, size, &needed);
        }
        ok_ = e == ERROR_SUCCESS;
    }
    ~DataRead() { MemFree(own_); }
    DataRead(const DataRead&) = delete;
    DataRead& operator=(const DataRead&) = delete;
    const BYTE* data() const { return ok_ ? buf_ : nullptr; }

private:
    BYTE* buf_ = nullptr;
    BYTE* own_ = nullptr;
    bool ok_ = false;
};

// Stores `bytes` read for an item (at least dataBytes(item) of them).
int storeRead(DrvContext* ctx, DmItem* item, const BYTE* bytes) {
    const uint32_t code = itemTypeCode(*item);
    if (typeIsAddress(code)) {
        if (!ItemGetStorage(ctx, item)) return 0;
        ItemSetRawBytes(ctx, item, bytes);
        return 1;
    }
    ItemSetRaw(ctx, item, get32(bytes, dataBytes(*item)));
    return 1;
}

int readNamed(HANDLE printer, DrvContext* ctx, DmItem* item, const WCHAR* name, uint32_t flags, HANDLE bridge) {
    if (!ctx || !item || !name || !name[0]) return 0;
    const DWORD want = dataBytes(*item);
    if (want == 0) return 0;
    BYTE scratch[kScratchBytes];
    if (flags & kOptLoadViaBridge) {
        BYTE* buf = static_cast<BYTE*>(MemAllocZero(want));
        if (!buf) return 0;
        int ok = BridgeReadPrinterData(ctx, bridge, name, buf, want) ? storeRead(ctx, item, buf) : 0;
        MemFree(buf);
        return ok;
    }
    DataRead r(printer, name, want, scratch);
    return r.data() ? storeRead(ctx, item, r.data()) : 0;
}

int saveNamed(HANDLE printer, DrvContext* ctx, DmItem* item, const WCHAR* name) {
    if (!ctx || !item || !name || !name[0]) return 0;
    const uint32_t code = itemTypeCode(*item);
    const DWORD type = item->id == kLoggingItem ? REG_DWORD : REG_BINARY;
    if (typeIsAddress(code)) {
        const BYTE* p = ItemGetStorage(ctx, item);
        // Nothing is written while the item has no storage.
        if (!p || itemSize(*item) == 0) return 0;
        return PrnSetDataTyped(printer, p, itemSize(*item), type, name);
    }
    BYTE v[4] = {};
    put32(v, ItemGetRaw(ctx, item));
    return PrnSetDataTyped(printer, v, dataBytes(*item), type, name);
}

const WCHAR* sectionOf(DrvContext* ctx, const DmItem* item) {
    if (item->iniSection && item->iniSection[0]) return item->iniSection;
    return ctx->ws && ctx->ws->printerName[0] ? ctx->ws->printerName : PrnGetPrinterName(ctx);
}

const WCHAR* iniFile(DrvContext* ctx, const WCHAR* given) { return given ? given : GetIniFilePath(ctx); }

// A decimal number (an optional sign, then digits, blanks around) in the
// range [lo, hi]; false for anything else.
bool parseNumber(const WCHAR* text, long long lo, long long hi, long long* out) {
    char a[kIniNumberChars] = {};
    size_t n = 0;
    for (; text[n] && n + 1 < kIniNumberChars; ++n) {
        if (text[n] > 0x7F) return false;
        a[n] = static_cast<char>(text[n]);
    }
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(a, &end, 10);
    if (end == a || errno) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// A value's zero-filled text buffer.
// A value's text: a number's (and a short text's) in place, a longer
// text's from the heap. Zero-filled either way.
class ValueText {
public:
    explicit ValueText(size_t chars)
        : p_(chars <= kLocalChars ? local_ : static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)))) {}
    ~ValueText() {
        if (p_ != local_) MemFree(p_);
    }
    ValueText(const ValueText&) = delete;
    ValueText& operator=(const ValueText&) = delete;
    WCHAR* get() { return p_; }

private:
    static constexpr size_t kLocalChars = 64;
    static_assert(kIniNumberChars <= kLocalChars, "a number's text is read in place");
    WCHAR local_[kLocalChars] = {};
    WCHAR* p_;
};

// OptLoadFromIni, with the key answered by `snapshot` where it can.
int loadFromIni(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, const char* sectionText, uint32_t* cursor,
                const IniSnapshot* snapshot) {
    if (!ctx || !item || !item->valueName || !item->valueName[0]) return 0;
    const uint32_t code = itemTypeCode(*item);
    if (!typeIsBit(code) && itemSize(*item) == 0) return 0;
    // Text is read with at most its declared size in characters.
    size_t chars = typeIsAddress(code) ? itemSize(*item) + 1 : kIniNumberChars;
    if (chars > kIniSectionBytes) chars = kIniSectionBytes;
    ValueText text(chars);
    WCHAR* buf = text.get();
    if (!buf) return 0;
    if (sectionText) {
        IniTextGetString(item->valueName, u"", buf, chars, sectionText, cursor);
    } else {
        const WCHAR* file = iniFile(ctx, iniPath);
        if (!isDrivePath(file)) return 1;
        const WCHAR* section = sectionOf(ctx, item);
        if (!snapshot || !snapshot->holds(section) ||
            snapshot->get(item->valueName, buf, chars) == IniSnapshot::Answer::Unsure)
            IniGetString(section, item->valueName, u"", buf, static_cast<DWORD>(chars), file);
    }
    return OptStoreIniValue(ctx, item, buf);
}

}  // namespace

int EnsureParentDir(const WCHAR* path) {
    if (!isDrivePath(path)) return 0;
    WCHAR dir[kWsPathChars] = {};
    if (!WCopyWhole(dir, kWsPathChars, path)) return 0;
    size_t cut = 0;
    for (size_t i = 0; dir[i]; ++i)
        if (dir[i] == u'\\') cut = i;
    if (cut <= 2) return 1;  // the drive's root
    dir[cut] = 0;
    if (GetFileAttributesW(dir) != INVALID_FILE_ATTRIBUTES) return 1;
    return CreateDirectoryW(dir, nullptr) ? 1 : 0;
}

int OptIsDeviceInfoItem(int id) {
    return (id >= 10012 && id <= 10272) || id == 10274 || id == 10276 || id == 10277 ? 1 : 0;
}

int OptReadFromPrinterData(HANDLE printer, DrvContext* ctx, DmItem* item, uint32_t flags, HANDLE bridge) {
    return item ? readNamed(printer, ctx, item, item->valueName, flags, bridge) : 0;
}

int OptSaveToPrinterData(HANDLE printer, DrvContext* ctx, DmItem* item) {
    return item ? saveNamed(printer, ctx, item, item->valueName) : 0;
}

int OptReadFromPrinterDataByField(HANDLE printer, DrvContext* ctx, DmItem* item) {
    return item ? readNamed(printer, ctx, item, item->fieldName, 0, nullptr) : 0;
}

int OptSaveToPrinterDataByField(HANDLE printer, DrvContext* ctx, DmItem* item) {
    return item ? saveNamed(printer, ctx, item, item->fieldName) : 0;
}

int OptFormatIniValue(DrvContext* ctx, const DmItem* item, WCHAR* dest, size_t chars) {
    if (!ctx || !item || !dest || chars == 0) return 0;
    dest[0] = 0;
    const uint32_t code = itemTypeCode(*item);
    if (typeIsAnsi(code) || typeIsWide(code)) return ItemGetString(ctx, item, dest, chars) ? 1 : 0;
    if (typeIsAddress(code) || !ItemGetStorage(ctx, item)) return 0;
    const uint32_t raw = ItemGetRaw(ctx, item);
    char a[24];
    if (code == kTypeS32) std::snprintf(a, sizeof a, "%ld", static_cast<long>(static_cast<int32_t>(raw)));
    else if (code == kTypeU8 || code == kTypeU16) std::snprintf(a, sizeof a, "%u", raw);
    else if (code == kTypeU32) std::snprintf(a, sizeof a, "%lu", static_cast<unsigned long>(raw));
    else std::snprintf(a, sizeof a, "%d", static_cast<int32_t>(raw));
    size_t i = 0;
    for (; a[i] && i + 1 < chars; ++i) dest[i] = static_cast<WCHAR>(a[i]);
    dest[i] = 0;
    return 1;
}

int OptStoreIniValue(DrvContext* ctx, DmItem* item, const WCHAR* text) {
    if (!ctx || !item || !text || !text[0] || !ItemGetStorage(ctx, item)) return 0;
    const uint32_t code = itemTypeCode(*item);
    if (typeIsAnsi(code) || typeIsWide(code)) return ItemSetString(ctx, item, text) ? 1 : 0;
    if (typeIsAddress(code)) return 0;
    // Each type takes only the numbers it can hold: a value out of range is
    // refused, never cut to the low bits.
    long long lo = 0, hi = 0;
    uint32_t width = code;
    if (typeIsBit(code)) width = itemSize(*item) == 1 ? kTypeU8 : itemSize(*item) == 2 ? kTypeU16 : kTypeU32;
    switch (width) {
        case kTypeS8: lo = INT8_MIN, hi = INT8_MAX; break;
        case kTypeS16: lo = INT16_MIN, hi = INT16_MAX; break;
        case kTypeU8: lo = 0, hi = UINT8_MAX; break;
        case kTypeU16: lo = 0, hi = UINT16_MAX; break;
        case kTypeS32: lo = INT32_MIN, hi = INT32_MAX; break;
        default: lo = 0, hi = UINT32_MAX; break;
    }
    long long v = 0;
    if (!parseNumber(text, lo, hi, &v)) return 0;
    ItemSetRaw(ctx, item, static_cast<uint32_t>(v));
    return 1;
}

int OptLoadFromIni(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, const char* sectionText, uint32_t* cursor) {
    return loadFromIni(ctx, item, iniPath, sectionText, cursor, nullptr);
}

int OptLoadFromIniSnapshot(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, const IniSnapshot* snapshot) {
    return loadFromIni(ctx, item, iniPath, nullptr, nullptr, snapshot);
}

const WCHAR* OptIniSectionOf(DrvContext* ctx, const DmItem* item) { return item ? sectionOf(ctx, item) : nullptr; }

int OptSaveToIni(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, char* sectionBuffer, uint32_t* offset) {
    if (!ctx || !item || !item->valueName || !item->valueName[0]) return 0;
    const uint32_t code = itemTypeCode(*item);
    size_t chars = typeIsAddress(code) ? itemSize(*item) + 1 : 24;
    WCHAR* text = static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)));
    if (!text) return 0;
    int ok = OptFormatIniValue(ctx, item, text, chars);
    if (ok && sectionBuffer) {
        ok = offset && IniTextPutKey(offset, item->valueName, text, sectionBuffer, kIniSectionBytes);
    } else if (ok) {
        const WCHAR* file = iniFile(ctx, iniPath);
        ok = !isDrivePath(file) ||
             (EnsureParentDir(file), IniWriteString(sectionOf(ctx, item), item->valueName, text, file));
    }
    MemFree(text);
    return ok ? 1 : 0;
}

int OptSaveEntry(HANDLE printer, DrvContext* ctx, DmItem* item, const WCHAR* iniPath) {
    if (!ctx || !item) return 0;
    if (itemSection(*item) == 2 && item->storageClass == kPersistPrinterData)
        return OptSaveToPrinterData(printer, ctx, item);
    if (item->storageClass == kPersistIni && itemSection(*item) >= 1)
        return OptSaveToIni(ctx, item, iniPath, nullptr, nullptr);
    return 0;
}

uint16_t OptActionWordGet(DrvContext* ctx) {
    uint16_t w = 0;
    for (int id = kActionFirstItem; id <= kActionLastItem; ++id)
        if (ItemRawById(ctx, id)) w = static_cast<uint16_t>(w | 1u << (id - kActionFirstItem));
    return w;
}

void OptActionWordSet(DrvContext* ctx, uint16_t word) {
    for (int id = kActionFirstItem; id <= kActionLastItem; ++id)
        ItemSetRawById(ctx, id, (word >> (id - kActionFirstItem)) & 1u);
}

int OptActionWordSave(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    DmItem* first = ItemFindById(ctx, kActionFirstItem);
    const WCHAR* file = GetIniFilePath(ctx);
    if (!first) return 0;
    if (!isDrivePath(file)) return 1;
    char a[8];
    std::snprintf(a, sizeof a, "%u", static_cast<unsigned>(OptActionWordGet(ctx)));
    WCHAR text[8] = {};
    for (size_t i = 0; a[i]; ++i) text[i] = static_cast<WCHAR>(a[i]);
    EnsureParentDir(file);
    return IniWriteString(sectionOf(ctx, first), kActionWordKey, text, file);
}

}  // namespace vesk
