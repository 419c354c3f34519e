// A terminal-server machine whose printer "Office [2]" is served by a print
// server (a second emulated machine with printer "Central") through the
// remote-configuration bridge in the system directory.
#pragma once
#include <win/registry.h>
#include <winsim/modules.h>

#include <memory>

#include "common/sample_printer_support.h"
#include "core/bridge/bridge.h"
#include "core/paths.h"

namespace vesk::test {

inline const std::u16string kSystemDir = u"C:\\WINDOWS\\system32\\";

class BridgeMachine : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        installQueryLibrary();
        setAnswer("1");
        ASSERT_TRUE(winsim::installModule(kSystemDir + u"QMBIDISS.dll", QMBIDISS_PATH));
        setRegFlag(u"QMBIDI_FLG", 1);
        makeServer(5, 2);
        serve("17");
        winsim::journalEnable(true);
        winsim::journalClear();
    }
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::journalClear();
        winsim::resetModuleKnobs();
        SamplePrinter::TearDown();
    }
    void setRegFlag(const char16_t* name, DWORD value) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\MAREN\\Tavo Printer Driver", &k), 0);
        RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(k);
    }
    void serve(const std::string& type, const std::string& printer = "Central") {
        winsim::config().set("qmbidiss.printer.Office [2]", type + ":" + printer);
    }
    // Runs `work` on the server machine (made current meanwhile; the local
    // machine's settings are saved first, as switching back reloads them).
    template <class F>
    void onServer(F work) {
        ASSERT_TRUE(winsim::saveConfig());
        ASSERT_TRUE(winsim::useMachine(server_->root()));
        work();
        ASSERT_TRUE(winsim::useMachine(machine_.root()));
    }
    // The server: printer "Central" of our driver, with a bidirectional
    // settings INI and a per-printer INI listing one preset.
    void makeServer(uint32_t major, uint32_t platform) {
        winsim::MachineConfig c = osConfig(major, 0, 0, platform);
        c.computerName = "PRINTSRV";
        ASSERT_TRUE(winsim::saveConfig());  // the local settings outlive the switch
        server_ = std::make_unique<winsim::TempMachine>(c);
        winsim::PrinterRecord p;
        p.name = u"Central";
        p.driver = u"VESK Colour MFP";
        winsim::DriverRecord d;
        d.name = p.driver;
        d.driverPath = kDriverDir + u"veskgr.dll";
        ASSERT_EQ(winsim::addDriver(d), 0u);
        ASSERT_EQ(winsim::addPrinter(p), 0u);
        ASSERT_TRUE(winsim::useMachine(machine_.root()));
        winsim::config().set("qmbidiss.server", server_->root().string());
        serverDir_ = major >= 5 ? u"C:\\_vesk\\" : u"C:\\WINDOWS\\";
        serverFile(u"KW00C171.ini", "[Central]\r\nBidiFlag=7\r\n");
        serverFile(u"KW12D170.ini",
                   "[Central]\r\nCount=1\r\nPresetList0=C:\\_vesk\\user0000.rst\r\nPresetList0Name=Draft\r\n"
                   "PresetList0Comment=fast\r\n");
        serverFile(u"user0000.rst", "[Central]\r\nrdmMarginOdd=77\r\n");
    }
    // Writes a file of the server's: a bare name goes into the folder the
    // driver looks in for that server, a drive path where it says.
    void serverFile(const std::u16string& name, const std::string& text) {
        const std::u16string path = name.find(u':') == std::u16string::npos
                                        ? (name.size() > 4 && name.substr(name.size() - 4) == u".rst"
                                               ? std::u16string(u"C:\\_vesk\\") + name
                                               : serverDir_ + name)
                                        : name;
        auto host = winsim::hostPathOn(server_->root(), path);
        ASSERT_TRUE(host);
        std::filesystem::create_directories(host->parent_path());
        std::ofstream(*host, std::ios::binary) << text;
    }
    void serverData(const char16_t* name, const std::vector<uint8_t>& bytes) {
        onServer([&] { ASSERT_EQ(winsim::setPrinterData(u"Central", name, REG_BINARY, bytes), 0u); });
    }
    uint32_t flag(const char16_t* name) {
        auto v = winsim::printerData(name_, name);
        if (!v || v->data.size() != 4) return 0xFFFFFFFFu;
        return v->data[0] | v->data[1] << 8 | v->data[2] << 16 | static_cast<uint32_t>(v->data[3]) << 24;
    }
    // The journal's entries of the bridge, "name detail" each.
    std::vector<std::string> bridgeCalls() {
        std::vector<std::string> out;
        for (const auto& e : winsim::journal())
            if (e.function.rfind("QM", 0) == 0) out.push_back(e.function + " " + e.detail);
        return out;
    }
    size_t callCount(const char* entry) { return winsim::journalCount(entry); }
    DrvContext* full(uint32_t flags = 0) { return context(flags, 0); }

    static constexpr char16_t kCopy[] = u"C:\\_vesk\\Office [2]\\";
    std::unique_ptr<winsim::TempMachine> server_;
    std::u16string serverDir_;
};

}  // namespace vesk::test
