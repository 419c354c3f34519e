// The sample printer for the interface library's entry points, with the
// job-control library, the journal and buffers guarded by canary bytes.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <win/winddiui.h>
#include <winsim/memory.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/jobctl_support.h"
#include "core/context_cache.h"
#include "core/devmode_sizes.h"
#include "caps/device_capabilities.h"
#include "docprops/doc_props.h"
#include "entry/ui_entry.h"
#include "forms/form_match.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/install/batch_install.h"
#include "core/install/install_printer.h"
#include "core/install/install_rename.h"
#include "sheets/sheet_session.h"
#include "save/sheet_save.h"

namespace vesk::test {

constexpr size_t kUiDm = 1260;
constexpr uint8_t kCanary = 0xCD;
constexpr size_t kCanaryBytes = 32;

// A caller's buffer of `size` bytes followed by canary bytes.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t size, uint8_t fill = kCanary) : size_(size), bytes_(size + kCanaryBytes, fill) {
        std::memset(bytes_.data() + size, kCanary, kCanaryBytes);
    }
    PDEVMODEW dm() { return reinterpret_cast<PDEVMODEW>(bytes_.data()); }
    uint8_t* data() { return bytes_.data(); }
    bool canaryIntact() const {
        for (size_t i = 0; i < kCanaryBytes; ++i)
            if (bytes_[size_ + i] != kCanary) return false;
        return true;
    }
    bool untouched() const {
        for (uint8_t b : bytes_)
            if (b != kCanary) return false;
        return true;
    }
    std::vector<uint8_t> content() const { return {bytes_.begin(), bytes_.begin() + static_cast<long>(size_)}; }
    uint16_t u16(size_t at) const { return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8)); }
    uint32_t u32(size_t at) const { return u16(at) | (uint32_t{u16(at + 2)} << 16); }
    void put16(size_t at, uint16_t v) {
        bytes_[at] = static_cast<uint8_t>(v);
        bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void put32(size_t at, uint32_t v) {
        put16(at, static_cast<uint16_t>(v));
        put16(at + 2, static_cast<uint16_t>(v >> 16));
    }

private:
    size_t size_;
    std::vector<uint8_t> bytes_;
};

class UiPrinter : public JobControlPrinter {
protected:
    LPWSTR name() { return name_.data(); }
    // The driver's DEVMODE of the printer, as an application gets it.
    GuardedBuffer driverDevmode() {
        GuardedBuffer b(kUiDm);
        EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), b.dm(), nullptr, DM_COPY), IDOK);
        return b;
    }
    static size_t cached() { return static_cast<size_t>(CtxCacheOccupied(1) + CtxCacheOccupied(2)); }
};

}  // namespace vesk::test
