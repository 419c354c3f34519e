#include "core/registry_values.h"

#include <win/files.h>
#include <win/registry.h>

#include "core/path_names.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

#include <cstring>

namespace vesk {
namespace {

constexpr WCHAR kJobLinkerKey[] = u"Software\\MAREN\\Featurix\\JobLinker";
constexpr WCHAR kCustomSetupKey[] = u"Software\\MAREN\\VeskDrvCustomSetup";
constexpr WCHAR kPrintLogKey[] = u"Software\\MAREN\\PrintLog";
constexpr DWORD kReadBytes = 520;
constexpr DWORD kDefaultMaxLogSize = 64;
constexpr int kFeatureJobLinker = 2;

// The answers a RegReadScope keeps: a few reads of up to kDataBytes bytes
// (a path's 261 characters fit), each with copies of its key's and value's
// names.
struct ReadMemo {
    static constexpr size_t kNameChars = 128;
    static constexpr DWORD kDataBytes = 1024;
    struct Entry {
        WCHAR subkey[kNameChars];
        WCHAR name[kNameChars];
        DWORD bytes;
        int result;
        BYTE data[kDataBytes];
    };
    static constexpr int kEntries = 4;
    int depth = 0;
    int used = 0;
    uint64_t state = 0;  // RegReadScopeState() inside a scope
    Entry entries[kEntries];

    Entry* find(const WCHAR* subkey, const WCHAR* name, DWORD bytes) {
        for (int i = 0; i < used; ++i) {
            Entry& e = entries[i];
            if (e.bytes == bytes && sameText(e.subkey, subkey) && sameText(e.name, name)) return &e;
        }
        return nullptr;
    }
    void keep(const WCHAR* subkey, const WCHAR* name, const BYTE* data, DWORD bytes, int result) {
        if (bytes > kDataBytes || used == kEntries) return;
        Entry& e = entries[used];
        if (!WCopyWhole(e.subkey, kNameChars, subkey) || !WCopyWhole(e.name, kNameChars, name)) return;
        e.bytes = bytes;
        e.result = result;
        std::memcpy(e.data, data, bytes);
        ++used;
    }

private:
    static bool sameText(const WCHAR* a, const WCHAR* b) {
        while (*a && *a == *b) ++a, ++b;
        return *a == *b;
    }
};

thread_local ReadMemo t_memo;

int readUncached(const WCHAR* subkey, const WCHAR* name, BYTE* b, DWORD bytes) {
    for (DWORD i = 0; i < bytes; ++i) b[i] = 0;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return 0;
    DWORD type = 0, size = bytes;
    LONG r = RegQueryValueExW(key, name, nullptr, &type, b, &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? 1 : 0;
}

// The kept answers forgotten: whatever was kept under the old state is
// stale.
void forget() {
    t_memo.used = 0;
    ++t_memo.state;
}

}  // namespace

RegReadScope::RegReadScope() {
    if (t_memo.depth++ == 0) forget();
}

RegReadScope::~RegReadScope() {
    if (--t_memo.depth == 0) t_memo.used = 0;
}

uint64_t RegReadScopeState() { return t_memo.depth > 0 ? t_memo.state : 0; }

int RegReadHklmValue2(const WCHAR* subkey, const WCHAR* name, void* buffer, DWORD bytes) {
    if (!buffer || bytes == 0) return 0;
    auto* b = static_cast<BYTE*>(buffer);
    // A null name is never kept.
    const bool memo = t_memo.depth > 0 && subkey && name;
    if (memo) {
        if (const ReadMemo::Entry* e = t_memo.find(subkey, name, bytes)) {
            std::memcpy(b, e->data, bytes);
            return e->result;
        }
    }
    const int result = readUncached(subkey, name, b, bytes);
    if (memo) t_memo.keep(subkey, name, b, bytes, result);
    return result;
}

int RegReadHklmValue(const WCHAR* subkey, const WCHAR* name, void* buffer, DWORD bytes, DrvContext*) {
    return RegReadHklmValue2(subkey, name, buffer, bytes);
}

int RegWriteHklmValue(const WCHAR* subkey, const WCHAR* name, const void* data, DWORD bytes, DWORD type,
                      DrvContext*) {
    forget();  // the scope's later reads must see this write
    HKEY key = nullptr;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return 0;
    LONG r = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? 1 : 0;
}

int RegReadHklmString(const WCHAR* subkey, const WCHAR* name, WCHAR* dest, size_t chars) {
    if (!dest || chars == 0 || chars > 0x7FFFFFFF / 2) return 0;
    if (!RegReadHklmValue2(subkey, name, dest, static_cast<DWORD>(chars * 2))) return 0;
    // Registry strings need not end with a NUL.
    if (dest[chars - 1] != 0) {
        dest[0] = 0;
        return 0;
    }
    return 1;
}

int RegGetDrvValue(const WCHAR* name, void* buffer, DWORD bytes) {
    return RegReadHklmValue2(kRegDrvKey, name, buffer, bytes);
}

int RegSetDrvValue(const WCHAR* name, const void* data, DWORD bytes) {
    return RegWriteHklmValue(kRegDrvKey, name, data, bytes, REG_SZ, nullptr);
}

int RegIsFeatureInstalled(int kind, DrvContext* ctx) {
    if (kind != kFeatureJobLinker) return 0;
    BYTE count[4] = {};
    if (!RegReadHklmValue(kJobLinkerKey, u"INSTALL_COUNT", count, sizeof count, ctx)) return 0;
    return (count[0] | count[1] | count[2] | count[3]) ? 1 : 0;
}

int RegGetSaveDeviceSetup(DrvContext* ctx) {
    auto* buf = static_cast<BYTE*>(MemAllocZero(kReadBytes));
    if (!buf) return 0;
    int on = RegReadHklmValue(kCustomSetupKey, u"SaveDeviceSetup", buf, kReadBytes, ctx) &&
             (buf[0] | buf[1] << 8) == 1;
    MemFree(buf);
    return on ? 1 : 0;
}

int RegEnsurePrintLogDefaults(DrvContext* ctx) {
    auto* dir = static_cast<WCHAR*>(MemAllocZero(kReadBytes));
    if (!dir) return 0;
    if (!RegReadHklmValue(kPrintLogKey, u"LogFileDirectory", dir, kReadBytes, ctx) || !dir[0]) {
        WCHAR def[kPathBufChars] = {};
        UINT n = GetWindowsDirectoryW(def, kPathBufChars);
        if (n > 0 && n < kPathBufChars && WAppendWhole(def, kPathBufChars, u"\\temp\\PrintLog"))
            RegWriteHklmValue(kPrintLogKey, u"LogFileDirectory", def, static_cast<DWORD>((WLen(def) + 1) * 2), REG_SZ,
                              ctx);
    }
    MemFree(dir);
    BYTE size[4];
    if (!RegReadHklmValue(kPrintLogKey, u"MaxLogFileSize", size, sizeof size, ctx)) {
        DWORD v = kDefaultMaxLogSize;
        BYTE le[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                      static_cast<BYTE>(v >> 24)};
        RegWriteHklmValue(kPrintLogKey, u"MaxLogFileSize", le, sizeof le, REG_DWORD, ctx);
    }
    return 1;
}

int PrnWriteLogFileName(int flag, DrvContext* ctx) {
    if (!RegEnsurePrintLogDefaults(ctx)) return 0;
    if (!flag) return 1;
    if (!ctx) return 0;
    WCHAR name[kPathBufChars] = {};
    if (!GetDriverFileName(ctx->printer, name, kPathBufChars)) return 0;
    size_t extLen = 0;
    const WCHAR* ext = FileExtension(name, &extLen);
    // "ABC.DLL" gives "ABC.log"; a name without a dot gets ".log" appended.
    if (extLen > 0 || (ext > name && ext[-1] == u'.')) {
        size_t keep = static_cast<size_t>(ext - name);
        name[keep] = 0;
    } else if (!WAppendWhole(name, kPathBufChars, u".")) {
        return 0;
    }
    if (!WAppendWhole(name, kPathBufChars, u"log")) return 0;
    return PrnSetDataString(ctx->printer, name, static_cast<DWORD>((WLen(name) + 1) * 2), u"LogFileName");
}

}  // namespace vesk
