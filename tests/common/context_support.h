// Helpers of the context tests: light contexts with a DEVMODE buffer attached,
// printer information records, font tables and the virtual clock.
#pragma once
#include <winsim/winsim.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/sysdeps.h"

namespace vesk::test {

// Kind 4 with the reuse option: a light context that the caches may hand out.
constexpr uint16_t kLightReusable = 4 | kKindOptReuse;

struct ContextFree {
    void operator()(DrvContext* c) const { CtxReleaseEx(c, kReleaseFree); }
};
using ContextPtr = std::unique_ptr<DrvContext, ContextFree>;
// The context's page table (filled at the first look, as the library does).
inline UiPageTable* CtxPages(const ContextPtr& c) { return vesk::CtxPages(c.get()); }

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

// Font tables as the DEVMODE's handles name them: device-font records of 68
// bytes (the id, then the name at 4) and substitution pairs of 128 bytes
// (two names of 32 characters).
inline void putWide(BYTE* at, const std::u16string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        at[2 * i] = static_cast<BYTE>(s[i]);
        at[2 * i + 1] = static_cast<BYTE>(s[i] >> 8);
    }
}
inline uint32_t adoptFontRecords(const std::vector<std::pair<std::uint16_t, std::u16string>>& fonts) {
    auto* t = static_cast<BYTE*>(MemAllocZero(68 * fonts.size()));
    for (size_t i = 0; i < fonts.size(); ++i) {
        t[68 * i] = static_cast<BYTE>(fonts[i].first), t[68 * i + 1] = static_cast<BYTE>(fonts[i].first >> 8);
        putWide(t + 68 * i + 4, fonts[i].second);
    }
    return FontTableAdopt(t, static_cast<uint32_t>(68 * fonts.size()));
}
inline uint32_t adoptFontPairs(const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
    auto* t = static_cast<BYTE*>(MemAllocZero(128 * pairs.size()));
    for (size_t i = 0; i < pairs.size(); ++i) {
        putWide(t + 128 * i, pairs[i].first);
        putWide(t + 128 * i + 64, pairs[i].second);
    }
    return FontTableAdopt(t, static_cast<uint32_t>(128 * pairs.size()));
}

// The virtual clock's start (a day of 2022, in FILETIME units).
constexpr uint64_t kClockStart = 133000000000000000ull;
inline void startClock(uint32_t tick) { winsim::setVirtualClock(kClockStart, tick); }

}  // namespace vesk::test
