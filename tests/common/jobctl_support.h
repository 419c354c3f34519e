// The sample printer with the job-control library in the machine's system
// directory, a full context of the printer and the journal on.
#pragma once
#include <win/modules.h>
#include <winsim/winsim.h>

#include <string>

#include "common/sample_printer_support.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"

namespace vesk::test {

inline const std::u16string kJcLibraryPath = u"C:\\WINDOWS\\system32\\ZORJC32.DLL";

class JobControlPrinter : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        ASSERT_TRUE(winsim::installModule(kJcLibraryPath, ZORJC32_PATH));
        CreateDirectoryW(u"C:\\_vesk", nullptr);
        winsim::journalEnable(true);
        winsim::journalClear();
    }
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::clearFaults();
        SamplePrinter::TearDown();
    }
    static std::u16string text(DrvContext* c, int id) {
        WCHAR b[300] = {};
        ItemGetString(c, ItemFindById(c, id), b, 300);
        return b;
    }
    static void setText(DrvContext* c, int id, const std::u16string& t) { ItemSetString(c, ItemFindById(c, id), t.c_str()); }
    // What the library holds for `code` (through a connection of its own when
    // the context has none), "(none)" without a value.
    static std::u16string held(DrvContext* c, uint32_t code) {
        const bool own = c->ws->jc.connection == nullptr;
        if (own && JcDispatch(c, kJcOpen, 0) != 0) return u"(no connection)";
        WCHAR b[300] = {};
        const DWORD r = JcQueryItemText(c, code, b, 300);
        if (own) JcDispatch(c, kJcClose, 0);
        return r == 0 ? std::u16string(b) : u"(none)";
    }
    // Journal entries of `function` whose detail is `detail`.
    static size_t calls(const std::string& function, const std::string& detail = {}) {
        size_t n = 0;
        for (const auto& e : winsim::journal())
            n += e.function == function && (detail.empty() || e.detail == detail);
        return n;
    }
};

}  // namespace vesk::test
