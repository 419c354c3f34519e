// A versioned-API handle on the sample printer for the status tests, with
// record builders and the snapshot of the DEVMODE parts a Set may change.
#pragma once
#include <gtest/gtest.h>

#include <win/profile.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/api_handle.h"
#include "api/opt_values.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "exc/exc_support.h"
#include "status/status_engine.h"
#include "status/status_records.h"

namespace vesk::test {

class StatusHandle : public ExcPrinter {
protected:
    void SetUp() override {
        ExcPrinter::SetUp();
        h_ = VESKDrvEnable("Office [2]");
        ASSERT_NE(h_, nullptr);
    }
    void TearDown() override {
        if (h_) VESKDrvDisable(h_);
        ExcPrinter::TearDown();
    }
    DrvContext* ctx() const { return static_cast<DrvContext*>(h_); }
    uint32_t raw(int id) const { return ItemRawById(ctx(), id); }
    void setRaw(int id, uint32_t v) const { ItemSetRawById(ctx(), id, v); }

    // A 32-byte record: version 3, A to D and the switch.
    static std::vector<BYTE> rec(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0, uint32_t sw = 0,
                                 uint32_t version = 3) {
        std::vector<BYTE> r(32, 0);
        RecPutU32(r.data(), 0, version);
        RecPutU32(r.data(), 4, a);
        RecPutU32(r.data(), 8, b);
        RecPutU32(r.data(), 12, c);
        RecPutU32(r.data(), 16, d);
        RecPutU32(r.data(), 28, sw);
        return r;
    }
    static void putText(std::vector<BYTE>& r, size_t at, const std::string& s) {
        std::memcpy(r.data() + at, s.data(), s.size());
    }
    int32_t set(uint32_t id, std::vector<BYTE> r, BYTE* bitmap = nullptr, int32_t mode = 0) {
        return VESKDrvSetStatus(h_, id, r.data(), bitmap, mode);
    }
    // Sections 1 and 3 of the handle's DEVMODE.
    std::vector<BYTE> sections() const {
        const DmSizes& s = dmSizes();
        std::vector<BYTE> out(dmSectionSize(s, 1) + dmSectionSize(s, 3));
        std::memcpy(out.data(), ctx()->devmode + dmSectionBase(s, 1), dmSectionSize(s, 1));
        std::memcpy(out.data() + dmSectionSize(s, 1), ctx()->devmode + dmSectionBase(s, 3), dmSectionSize(s, 3));
        return out;
    }
    // The setup INI the API switch is read from.
    std::u16string iniPath() const {
        WCHAR p[260] = {};
        return ApiIniPath2(h_, p);
    }
    void* h_ = nullptr;
};

}  // namespace vesk::test
