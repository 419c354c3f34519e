// Helpers of the context tests: light contexts with a DEVMODE buffer attached,
// printer information records and the virtual clock.
#pragma once
#include <winsim/winsim.h>

#include <memory>

#include "core/context.h"
#include "core/devmode_sizes.h"
#include "core/sysdeps.h"

namespace vesk::test {

// Kind 4 with the reuse option: a light context that the caches may hand out.
constexpr uint16_t kLightReusable = 4 | kKindOptReuse;

struct ContextFree {
    void operator()(DrvContext* c) const { CtxReleaseEx(c, kReleaseFree); }
};
using ContextPtr = std::unique_ptr<DrvContext, ContextFree>;

inline PRINTER_INFO_2W printerInfo(const WCHAR* name, DWORD attributes = 0) {
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = const_cast<LPWSTR>(name);
    pi.pDriverName = const_cast<LPWSTR>(u"VESK Color");
    pi.Attributes = attributes;
    return pi;
}

inline HANDLE handle(uintptr_t v) { return reinterpret_cast<HANDLE>(v); }

// A light context with its own zeroed DEVMODE buffer, as the item tests need.
inline ContextPtr contextWithDevmode() {
    PRINTER_INFO_2W pi = printerInfo(u"Items");
    DrvContext* c = CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi);
    if (c) c->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
    return ContextPtr(c);
}

// The virtual clock's start (a day of 2022, in FILETIME units).
constexpr uint64_t kClockStart = 133000000000000000ull;
inline void startClock(uint32_t tick) { winsim::setVirtualClock(kClockStart, tick); }

}  // namespace vesk::test
