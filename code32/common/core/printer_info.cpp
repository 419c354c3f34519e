#include "core/printer_info.h"

#include "core/sysdeps.h"

namespace vesk {

namespace {

template <class Query>
BYTE* fetchTwice(Query query) {
    DWORD needed = 0;
    if (query(nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return nullptr;
    auto* block = static_cast<BYTE*>(MemAllocZero(needed));
    if (!block) return nullptr;
    DWORD again = 0;
    if (!query(block, needed, &again)) {
        MemFree(block);
        return nullptr;
    }
    return block;
}

}  // namespace

BYTE* PrnGetInfo(HANDLE printer, DWORD level) {
    if (!printer) return nullptr;
    return fetchTwice([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(printer, level, b, n, need); });
}

BYTE* PrnGetDriverInfo(HANDLE printer, DWORD level) {
    if (!printer) return nullptr;
    return fetchTwice(
        [&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(printer, nullptr, level, b, n, need); });
}

PRINTER_INFO_2W* PrnGetInfo2(HANDLE printer) { return reinterpret_cast<PRINTER_INFO_2W*>(PrnGetInfo(printer, 2)); }

void PrnFreeInfo2(PRINTER_INFO_2W* info) { MemFree(info); }

WCHAR* PrnDupPrinterName(HANDLE printer) {
    PRINTER_INFO_2W* info = PrnGetInfo2(printer);
    WCHAR* copy = nullptr;
    if (info && info->pPrinterName) {
        size_t n = 0;
        while (info->pPrinterName[n]) ++n;
        copy = static_cast<WCHAR*>(MemAllocZero((n + 1) * sizeof(WCHAR)));
        if (copy)
            for (size_t i = 0; i < n; ++i) copy[i] = info->pPrinterName[i];
    }
    PrnFreeInfo2(info);
    return copy;
}

}  // namespace vesk
