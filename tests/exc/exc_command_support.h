// An Exc handle on the sample printer and the texts it hands out.
#pragma once
#include <string>
#include <vector>

#include "commands/exc_api.h"
#include "exc/exc_support.h"

namespace vesk::test {

class ExcSession : public ExcPrinter {
protected:
    void SetUp() override {
        ExcPrinter::SetUp();
        h_ = ExcGetExclusive("Office [2]");
        ASSERT_NE(h_, nullptr);
    }
    void TearDown() override {
        ExcFreeExclusive(h_);
        ExcPrinter::TearDown();
    }
    ExcContext* e() const { return static_cast<ExcContext*>(h_); }
    // A base of the four required commands and `more` lines.
    static std::string base(const std::string& more = {}) {
        return "@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n@PJL SET PAPER = SAME\r\n"
               "@PJL SET TRAY = ALL\r\n" +
               more;
    }
    static std::string line(const std::string& name, const std::string& value) {
        return "@PJL SET " + name + " = " + value + " \r\n";
    }
    // A buffer-protocol text (without its final NUL), "(error N)" otherwise.
    template <class F>
    static std::string fetch(F f) {
        int32_t need = -7;
        int32_t r = f(0, nullptr, &need);
        if (r == 0 && need == 0) return {};
        if (r != 1 || need <= 0) return "(error " + std::to_string(r) + ")";
        std::vector<char> b(static_cast<size_t>(need));
        r = f(need, b.data(), &need);
        if (r != 0) return "(error " + std::to_string(r) + ")";
        return std::string(b.data(), b.size() - 1);
    }
    std::string changes() { return fetch([&](int32_t s, char* b, int32_t* n) { return ExcGetCommandChange(h_, s, b, n); }); }
    std::string shown() { return fetch([&](int32_t s, char* b, int32_t* n) { return ExcGetCommandBase(h_, s, b, n); }); }
    // The entries of a list getter, joined by commas.
    template <class F>
    static std::string entries(F f) {
        const std::string raw = fetch(f);
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) out += raw[i] ? raw[i] : ',';
        if (!out.empty() && out.back() == ',') out.pop_back();
        return out;
    }
    std::string values(const char* cmd, int enabled = 0) {
        return entries([&](int32_t s, char* b, int32_t* n) { return ExcGetCommandValue(h_, cmd, enabled, s, b, n); });
    }
    void* h_ = nullptr;
};

}  // namespace vesk::test
