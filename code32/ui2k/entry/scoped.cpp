#include "entry/scoped.h"

#include "core/printer_info.h"

namespace vesk {

HANDLE OpenPrinterWith(const WCHAR* name, const DWORD* rights, size_t count) {
    if (!name) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        PRINTER_DEFAULTSW pd{nullptr, nullptr, rights[i]};
        HANDLE h = nullptr;
        if (OpenPrinterW(const_cast<LPWSTR>(name), &h, &pd) && h) return h;
    }
    return nullptr;
}

ScopedInfo2::~ScopedInfo2() {
    if (info_) PrnFreeInfo2(info_);
}

}  // namespace vesk
