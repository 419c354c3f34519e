// A versioned-API handle of the sample printer for the capability items,
// with room to extend the printer's model before the handle is opened.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/api_handle.h"
#include "caps/caps_items.h"
#include "exc/exc_support.h"

namespace vesk::test {

class CapsHandle : public ExcPrinter {
protected:
    void TearDown() override {
        close();
        ExcPrinter::TearDown();
    }
    // Statements added to the sample model ahead of its INI sections.
    // The sample model with `statements` added at the end of its options
    // and, when `from` is given, its first `from` replaced by `to`.
    void extendModel(const std::string& statements, const std::string& from = {}, const std::string& to = {}) {
        std::string text = readFile(sampleModel());
        const size_t at = text.find("\n[VESK Colour MFP]");
        ASSERT_NE(at, std::string::npos);
        text.insert(at + 1, statements + "\n");
        if (!from.empty()) {
            const size_t f = text.find(from);
            ASSERT_NE(f, std::string::npos) << from;
            text.replace(f, from.size(), to);
        }
        write(kDriverDir + u"VESKMFP1.VMD", text);
        MdlCacheFreeAll();
    }
    void open() {
        h_ = VESKDrvEnable("Office [2]");
        ASSERT_NE(h_, nullptr);
    }
    void close() {
        if (h_) VESKDrvDisable(h_);
        h_ = nullptr;
    }
    DrvContext* ctx() const { return static_cast<DrvContext*>(h_); }
    int32_t item(uint32_t id) { return static_cast<int32_t>(VESKDrvGetCaps(h_, id, nullptr)); }
    // A list item asked as an application asks: the count, then the fill.
    std::vector<uint32_t> list(uint32_t id, int32_t* result = nullptr) {
        const int32_t n = item(id);
        std::vector<uint32_t> v(n > 0 ? static_cast<size_t>(n) : 0);
        const int32_t got = n > 0 ? static_cast<int32_t>(VESKDrvGetCaps(h_, id, v.data())) : n;
        if (result) *result = got;
        v.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return v;
    }
    std::vector<std::string> names(uint32_t id, size_t bytes, int32_t* result = nullptr) {
        const int32_t n = item(id);
        std::vector<char> b(n > 0 ? static_cast<size_t>(n) * bytes : 0, '\x7f');
        const int32_t got = n > 0 ? static_cast<int32_t>(VESKDrvGetCaps(h_, id, b.data())) : n;
        if (result) *result = got;
        std::vector<std::string> out;
        for (int32_t i = 0; i < got; ++i) {
            const char* e = b.data() + static_cast<size_t>(i) * bytes;
            EXPECT_NE(std::memchr(e, 0, bytes), nullptr) << "entry " << i << " of item " << id << " is terminated";
            out.emplace_back(e, strnlen(e, bytes));
        }
        return out;
    }
    void* h_ = nullptr;
};

}  // namespace vesk::test
