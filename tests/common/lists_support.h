// The sample printer with its resource modules and the driver set's setup
// INI, and an ordinary context of it.
#pragma once
#include <string>

#include "common/res_support.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"

namespace vesk::test {

class ListPrinter : public ResourcePrinter {
protected:
    void SetUp() override {
        ResourcePrinter::SetUp();
        write(kDriverDir + u"KW12D172.ini", readFile(sourceRoot() / "samples" / "driver" / "KW12D172.ini"));
        c_ = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        ASSERT_NE(c_, nullptr);
        contexts_.emplace_back(c_);
        ini_ = GetIniFilePath(c_);
        ASSERT_EQ(EnsureParentDir(ini_.c_str()), 1);
    }
    // Value `key` of `section` of the per-printer INI ("(none)" when absent).
    std::u16string value(const char16_t* section, const char16_t* key, const std::u16string& path = {}) {
        WCHAR v[600] = {};
        IniGetString(section, key, u"(none)", v, 600, path.empty() ? ini_.c_str() : path.c_str());
        return v;
    }
    void put(const char16_t* section, const char16_t* key, const char16_t* v, const std::u16string& path = {}) {
        ASSERT_TRUE(IniWriteString(section, key, v, path.empty() ? ini_.c_str() : path.c_str()));
    }
    const char16_t* printerSection() const { return c_->ws->printerName; }
    // The text of a text item of the context.
    std::u16string itemText(int id) {
        WCHAR t[300] = {};
        ItemGetString(c_, ItemFindById(c_, id), t, 300);
        return t;
    }
    // Stamp `i` saved with `chars` as its text.
    void saveStamp(uint32_t i, const char16_t* chars) {
        ItemSetString(c_, ItemFindById(c_, kItWdmWmChar), chars);
        ASSERT_EQ(SaveStampByIndex(c_, i), 1);
    }
    DrvContext* c_ = nullptr;
    std::u16string ini_;
};

}  // namespace vesk::test
