// Owners of what an entry point opens: printer handles, driver contexts and
// the installing mark, each given back on every way out.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

// A printer handle closed with the object.
class ScopedPrinter {
public:
    ScopedPrinter() = default;
    explicit ScopedPrinter(HANDLE h) : h_(h) {}
    ~ScopedPrinter() { reset(); }
    ScopedPrinter(const ScopedPrinter&) = delete;
    ScopedPrinter& operator=(const ScopedPrinter&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(HANDLE h = nullptr) {
        if (h_) ClosePrinter(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Opens `name` with each access right in turn until one is granted; null
// when none is (or the name is null).
HANDLE OpenPrinterWith(const WCHAR* name, const DWORD* rights, size_t count);
inline HANDLE OpenPrinterAs(const WCHAR* name, DWORD right) { return OpenPrinterWith(name, &right, 1); }

// A context released with the object (release type given at creation).
class ScopedContext {
public:
    explicit ScopedContext(DrvContext* ctx = nullptr, uint16_t releaseType = kReleaseCache2)
        : ctx_(ctx), type_(releaseType) {}
    ~ScopedContext() { reset(); }
    ScopedContext(const ScopedContext&) = delete;
    ScopedContext& operator=(const ScopedContext&) = delete;
    DrvContext* get() const { return ctx_; }
    DrvContext* operator->() const { return ctx_; }
    explicit operator bool() const { return ctx_ != nullptr; }
    // A context that failed half-way is freed, never offered to a cache.
    void freeOnRelease() { type_ = kReleaseFree; }
    void reset(DrvContext* ctx = nullptr) {
        if (ctx_) CtxReleaseEx(ctx_, type_);
        ctx_ = ctx;
    }

private:
    DrvContext* ctx_;
    uint16_t type_;
};

// The installing mark while an install runs: set and cleared at most once
// each, cleared at the latest when the object goes.
class InstallMark {
public:
    InstallMark() = default;
    ~InstallMark() { clear(); }
    InstallMark(const InstallMark&) = delete;
    InstallMark& operator=(const InstallMark&) = delete;
    void set() {
        if (!on_) InstallMarkEnter();
        on_ = true;
    }
    void clear() {
        if (on_) InstallMarkLeave();
        on_ = false;
    }

private:
    bool on_ = false;
};

// The PRINTER_INFO_2 of a printer, freed with the object.
class ScopedInfo2 {
public:
    explicit ScopedInfo2(PRINTER_INFO_2W* info = nullptr) : info_(info) {}
    ~ScopedInfo2();
    ScopedInfo2(const ScopedInfo2&) = delete;
    ScopedInfo2& operator=(const ScopedInfo2&) = delete;
    PRINTER_INFO_2W* get() const { return info_; }
    explicit operator bool() const { return info_ != nullptr; }

private:
    PRINTER_INFO_2W* info_;
};

}  // namespace vesk
