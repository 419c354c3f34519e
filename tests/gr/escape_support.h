// Escapes called on a device the engine made for the test printer, with
// input and output buffers of exactly the sizes the test names (so a read or
// write past them is caught under the address sanitiser).
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "escape.h"
#include "frame_support.h"

namespace grtest {

using ByteList = std::vector<std::uint8_t>;

struct Escaped {
    ULONG result = 0;
    ByteList out;  // the output buffer after the call (0xAA where untouched)
};

// DrvEscape with `in` as the input (a null input when empty) and an output
// buffer of `outSize` bytes (a null one when 0), filled with 0xAA first.
inline Escaped callEscape(SURFOBJ* so, ULONG escape, const ByteList& in, ULONG outSize = 0) {
    std::unique_ptr<std::uint8_t[]> input(in.empty() ? nullptr : new std::uint8_t[in.size()]);
    if (input) std::memcpy(input.get(), in.data(), in.size());
    std::unique_ptr<std::uint8_t[]> output(outSize ? new std::uint8_t[outSize] : nullptr);
    if (output) std::memset(output.get(), 0xAA, outSize);
    Escaped e;
    e.result = DrvEscape(so, escape, static_cast<ULONG>(in.size()), input.get(), outSize, output.get());
    if (output) e.out.assign(output.get(), output.get() + outSize);
    return e;
}

inline ByteList le16(std::uint32_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
inline ByteList le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}
// The bytes of `s`, without a terminator unless `s` holds one.
inline ByteList bytesOf(const std::string& s) { return ByteList(s.begin(), s.end()); }
inline ByteList wideBytes(const std::u16string& s) {
    ByteList b;
    for (char16_t c : s) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return b;
}
inline ByteList operator+(ByteList a, const ByteList& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr ULONG kFailed = 0xFFFFFFFFu;

// A device of the test printer whose escapes the test calls.
class EscapeDevice : public DriverMachine {
protected:
    explicit EscapeDevice(const winsim::MachineConfig& cfg = winsim::MachineConfig()) : DriverMachine(cfg) {}

    // Makes the device; the printer's DEVMODE items are set first.
    void makeDevice(const std::vector<std::pair<int, uint32_t>>& items = {}) {
        if (!items.empty()) setPrinterItems(items);
        ASSERT_TRUE(dev_.make(printer_)) << dev_.error;
    }
    void TearDown() override {
        dev_.session.reset();
        DriverMachine::TearDown();
    }
    SURFOBJ* so() const { return dev_.so(); }
    vesk::Pdev* pdev() const { return dev_.pdev(); }
    vesk::DrvContext* ctx() const { return dev_.pdev()->ctx; }
    Escaped esc(ULONG escape, const ByteList& in = {}, ULONG outSize = 0) {
        return callEscape(so(), escape, in, outSize);
    }
    std::uint32_t raw(int id) const { return vesk::ItemRawById(ctx(), id); }
    // A text item's bytes up to its terminator (or its whole field).
    std::string itemText(int id) const {
        vesk::DmItem* it = vesk::ItemFindById(ctx(), id);
        const BYTE* f = it ? vesk::ItemGetRawAddress(ctx(), it) : nullptr;
        if (!f) return "(none)";
        size_t n = 0;
        while (n < vesk::itemSize(*it) && f[n]) ++n;
        return std::string(reinterpret_cast<const char*>(f), n);
    }
    // The context's whole DEVMODE buffer.
    ByteList devmodeBytes() const {
        return ByteList(ctx()->devmode, ctx()->devmode + vesk::dmSizes().totalSize);
    }

    // A document on a spool job of the printer, ended with endDocument.
    void startDocument(const std::u16string& name = u"Escapes") {
        job_ = startSpoolJob(name);
        ASSERT_NE(job_, 0u);
        std::u16string n = name;
        ASSERT_TRUE(DrvStartDoc(so(), n.data(), job_));
    }
    void endDocument() {
        EXPECT_TRUE(DrvEndDoc(so(), 0));
        EndDocPrinter(printer_);
    }

    EngineDevice dev_;
    DWORD job_ = 0;
};

}  // namespace grtest
