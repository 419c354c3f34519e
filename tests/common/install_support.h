// A machine for the install sequence: the sample printer with its model,
// resource modules, setup INI and the job-control library, the journal on,
// and the paths of its common and per-user INI.
#pragma once
#include <win/windows.h>
#include <winsim/winsim.h>

#include <string>
#include <vector>

#include "common/model_support.h"
#include "common/services_support.h"
#include "core/deploy/deploy.h"
#include "core/ini_wrap.h"
#include "core/model/cache.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/pending_capabilities.h"
#include "core/terminal_server.h"

namespace vesk::test {

class InstallMachine : public PrinterMachine {
protected:
    explicit InstallMachine(const winsim::MachineConfig& cfg = osConfig(5, 1)) : PrinterMachine(cfg) {}
    void SetUp() override {
        TsForget();
        PrinterMachine::SetUp();
        // The driver set's own help file: the printer's language is "us".
        auto driver = winsim::findDriver(u"VESK Colour MFP");
        ASSERT_TRUE(driver);
        driver->helpFile = kDriverDir + winsim::kDriverHelpFile;
        ASSERT_EQ(winsim::addDriver(*driver), static_cast<DWORD>(ERROR_SUCCESS));
        MdlCacheFreeAll();
        write(kDriverDir + u"VESKMFP1.VMD", readFile(sampleModel()));
        for (const char* f : {"VESKR1us.DLL", "VESKR1jp.DLL", "VESKR1gm.DLL", "VESKC1XX.DLL"})
            write(kDriverDir + winsim::fromUtf8(f), readFile(std::filesystem::path(VESK_RES_DIR) / f));
        write(setup_, readFile(sourceRoot() / "samples" / "driver" / "KW12D172.ini"));
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        WCHAR p[kWsPathChars] = {};
        ASSERT_TRUE(GetIniFilePathEx(p, 0));
        common_ = p;
        ASSERT_TRUE(GetIniFilePathEx(p, 1));
        user_ = p;
        userDir_ = user_.substr(0, user_.rfind(u'\\'));
        startClock(0);
        winsim::journalEnable(true);
        winsim::journalClear();
    }
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::clearFaults();
        contexts_.clear();
        PrinterMachine::TearDown();
        MdlCacheFreeAll();
        TsForget();
    }
    // The INI section of the printer (brackets as commas) and a value of a
    // file, "(none)" when absent.
    std::u16string section() const { return u"Office ,2,"; }
    std::u16string get(const std::u16string& ini, const char16_t* key, const std::u16string& sec = {}) {
        WCHAR v[600] = {};
        IniGetString(sec.empty() ? name_.c_str() : sec.c_str(), key, u"(none)", v, 600, ini.c_str());
        return v;
    }
    void put(const std::u16string& ini, const char16_t* key, const char16_t* v, const std::u16string& sec = {}) {
        ASSERT_EQ(EnsureParentDir(ini.c_str()), 1);
        ASSERT_TRUE(IniWriteString(sec.empty() ? name_.c_str() : sec.c_str(), key, v, ini.c_str()));
    }
    // What the deployment of the default presets answers on this machine:
    // the install sequence's job-control and default-bundle steps run only
    // when it succeeds.
    bool deploymentSucceeds() {
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, kCreateInterface, 0, nullptr);
        if (!c) return false;
        const bool ok = InstallDeployPresetFiles(c, 0) != 0;
        CtxReleaseEx(c, kReleaseFree);
        return ok;
    }
    // The job-control library's calls in order.
    static std::vector<std::string> jobControlCalls() {
        std::vector<std::string> out;
        for (const auto& e : winsim::journal())
            if (e.function.rfind("Jc", 0) == 0) out.push_back(e.function + (e.detail.empty() ? "" : " " + e.detail));
        return out;
    }
    std::u16string setup_ = kDriverDir + u"KW12D172.ini";
    std::u16string common_, user_, userDir_;
};

class InstallMachineTs : public InstallMachine {
protected:
    InstallMachineTs() : InstallMachine(osConfig(5, 1, VER_SUITE_TERMINAL)) {}
};

}  // namespace vesk::test
