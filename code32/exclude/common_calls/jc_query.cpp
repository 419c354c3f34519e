#include "common_calls/jc_query.h"

#include <maker/zorjc32.h>
#include <win/files.h>
#include <win/modules.h>

#include <cstring>
#include <vector>

#include "core/printer_info.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr WCHAR kJcLibraryName[] = u"ZORJC32.DLL";
// The library's answer for an item it has nothing for.
constexpr DWORD kJcNoValue = 13;

// The library, its interface and a connection, each given back in reverse
// order when the query ends.
class JcCall {
public:
    ~JcCall() {
        if (conn_) table_->close(conn_);
        if (table_) dispose_(table_);
        if (module_) FreeLibrary(module_);
    }
    // `only257`: the interface of version 257 or nothing.
    bool load(bool only257 = false) {
        WCHAR path[MAX_PATH + 1] = {};
        const UINT n = GetSystemDirectoryW(path, MAX_PATH);
        const size_t nameChars = sizeof kJcLibraryName / sizeof(WCHAR);
        if (n == 0 || n + 1 + nameChars > MAX_PATH + 1) return false;
        path[n] = u'\\';
        std::memcpy(path + n + 1, kJcLibraryName, sizeof kJcLibraryName);
        module_ = LoadLibraryW(path);
        if (!module_) return false;
        auto get = ProcAs<JcGetInterfaceFn>(GetProcAddress(module_, "JCGetInterface"));
        dispose_ = ProcAs<JcDisposeInterfaceFn>(GetProcAddress(module_, "JCDisposeInterface"));
        if (!get || !dispose_) return false;
        JcInterface* t = nullptr;
        if (only257 || get(kJcVersion258, &t) != kJcOk || !t) {
            t = nullptr;
            if (get(kJcVersion257, &t) != kJcOk || !t) return false;
        }
        table_ = t;
        return true;
    }
    bool open(const WCHAR* printer) {
        HANDLE c = nullptr;
        if (table_->open(printer, &c) != kJcOk || !c) return false;
        conn_ = c;
        return true;
    }
    DWORD get(DWORD item, DWORD kind, void* buffer, DWORD bytes, DWORD* needed) {
        return table_->getItem(conn_, item, kind, buffer, bytes, needed);
    }
    DWORD set(DWORD item, DWORD kind, const void* value, DWORD bytes) {
        return table_->setItem(conn_, item, kind, value, bytes);
    }

private:
    HMODULE module_ = nullptr;
    JcDisposeInterfaceFn dispose_ = nullptr;
    JcInterface* table_ = nullptr;
    HANDLE conn_ = nullptr;
};

}  // namespace

DWORD JcQueryBufferBytes(DWORD item) {
    switch (item) {
        case 2: case 5: return 34;
        case 6: return 130;
        case 1: case 3: case 4: case 7: case 8: return 18;
        default: return 2;
    }
}

int JcQueryStringExc(HANDLE printer, DWORD item, DWORD subItem, WCHAR* buffer) {
    if (!buffer) return 0;
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    if (!info) return 0;
    JcCall call;
    const bool open = call.load() && call.open(info->pPrinterName);
    PrnFreeInfo2(info);
    if (!open) return 0;
    const DWORD size = JcQueryBufferBytes(item);
    DWORD needed = 0;
    if (call.get(item, subItem, nullptr, 0, &needed) == kJcNoValue || needed == 0) return 0;
    // The answer lands in a buffer of its own first: the caller's stays
    // untouched unless the library answers, and a longer one is cut.
    std::vector<BYTE> answer(needed > size ? needed : size, 0);
    DWORD got = 0;
    if (call.get(item, subItem, answer.data(), static_cast<DWORD>(answer.size()), &got) != kJcOk) return 0;
    answer[size - 2] = 0;
    answer[size - 1] = 0;
    std::memcpy(buffer, answer.data(), size);
    return 1;
}

int JcSetItemDirect(HANDLE printer, DWORD item, DWORD kind, const WCHAR* text, DWORD bytes) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    if (!info) return 0;
    JcCall call;
    const bool open = call.load(true) && call.open(info->pPrinterName);
    PrnFreeInfo2(info);
    if (!open) return 0;
    call.set(item, kind, text, bytes);
    return 1;
}

}  // namespace vesk
