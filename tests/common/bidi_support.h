// The sample printer (with its resource modules) and the maker's monitor
// library in the system directory answering from a device description.
#pragma once
#include <win/windows.h>
#include <winsim/modules.h>
#include <winsim/winsim.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/res_support.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/paths.h"

namespace vesk::test {

inline const std::u16string kSystemDir = u"C:\\WINDOWS\\system32\\";
inline const std::u16string kDeviceFile = u"C:\\device.txt";

// The sample device of these tests: two main trays, a bank, the bypass.
inline const std::string kTestDevice =
    "model = VESK MFP1 Colour\n"
    "tray = 3 0x09 1 0\n"
    "tray = 4 0x05 3 4\n"
    "tray = 5 0x08 1 4\n"
    "tray = 6 0x17 1 1\n"
    "tray = 1 0x01 6 8\n"
    "option = 0x01 0x66 0x25 0x03\n"
    "memory = 524288\n"
    "memory.kind = 1\n"
    "version.system = V1.20.03\n"
    "version.emulation = PDL 2.01\n"
    "other = Finisher FN-2\n";

class BidiPrinter : public ResourcePrinter {
protected:
    void SetUp() override {
        ResourcePrinter::SetUp();
        ASSERT_TRUE(winsim::installModule(kSystemDir + u"kw4manNT.dll", KW4MANNT_PATH));
        device(kTestDevice);
        winsim::config().set("kw4mannt.device", winsim::toUtf8(kDeviceFile));
    }
    void TearDown() override {
        winsim::clearFaults();
        ResourcePrinter::TearDown();
    }
    void device(const std::string& text) { write(kDeviceFile, text); }
    // A kind-0 context of the printer on `handle` (the test's own by default).
    DrvContext* open(HANDLE handle = nullptr) {
        CtxCacheClear();
        HANDLE h = handle ? handle : printer_;
        DrvContext* c = CtxCreateEx(h, h, nullptr, 0, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
    std::vector<BYTE> section2(DrvContext* c) {
        const BYTE* p = c->devmode + dmSectionBase(dmSizes(), 2);
        return std::vector<BYTE>(p, p + dmSectionSize(dmSizes(), 2));
    }
    std::string text(DrvContext* c, int id) {
        WCHAR t[40] = {};
        ItemGetString(c, ItemFindById(c, id), t, 40);
        return winsim::toUtf8(t);
    }
    bool monitorLoaded() {
        for (const auto& m : winsim::loadedModules())
            if (m.path.find(u"kw4man") != std::u16string::npos) return true;
        return false;
    }
    // The per-printer INI's language section key of the query gates.
    void gate(const char16_t* key, const char16_t* value, DrvContext* c) {
        ASSERT_TRUE(WritePrivateProfileStringW(GetLangCode(c), key, value, GetIniFilePath(c)));
    }
    std::u16string bidiIni() {
        WCHAR p[kWsPathChars] = {};
        BuildPrivateDirPath(p, kWsPathChars, u"KW00C171.ini");
        return p;
    }
};

}  // namespace vesk::test
