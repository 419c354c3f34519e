// A machine with one printer of our driver for the tests of the common
// services: driver record, printer, an open handle, the terminal-server query
// library in the driver directory, and light contexts of that printer.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/context_support.h"
#include "core/context.h"
#include "core/context_cache.h"

namespace vesk::test {

inline const std::u16string kDriverDir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";

inline winsim::MachineConfig osConfig(uint32_t major, uint32_t minor, uint32_t suite = 0, uint32_t platform = 2) {
    winsim::MachineConfig c;
    c.osMajor = major;
    c.osMinor = minor;
    c.osSuite = suite;
    c.osPlatform = platform;
    return c;
}

inline void setAnswer(const char* value) {
    winsim::config().set("kw00c150.answer", value);
}

// The security descriptor of a file of the machine, empty when it cannot be read.
inline std::vector<BYTE> fileSecurity(const std::u16string& path, SECURITY_INFORMATION info) {
    DWORD need = 0;
    GetFileSecurityW(path.c_str(), info, nullptr, 0, &need);
    std::vector<BYTE> sd(need ? need : 1);
    if (!GetFileSecurityW(path.c_str(), info, sd.data(), need, &need)) return {};
    return sd;
}

// True when the file's owner is BUILTIN\Administrators.
inline bool ownedByAdministrators(const std::u16string& path) {
    auto sd = fileSecurity(path, OWNER_SECURITY_INFORMATION);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (sd.empty() || !GetSecurityDescriptorOwner(sd.data(), &owner, &defaulted) || !owner) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
    bool same = EqualSid(owner, admins);
    FreeSid(admins);
    return same;
}

// The one ACE of an Everyone DACL: its flags and mask, or {0, 0}.
inline std::pair<BYTE, DWORD> everyoneAce(const std::u16string& path) {
    auto sd = fileSecurity(path, DACL_SECURITY_INFORMATION);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (sd.empty() || !GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted) || !acl || acl->AceCount != 1)
        return {0, 0};
    void* ace = nullptr;
    if (!GetAce(acl, 0, &ace)) return {0, 0};
    auto* a = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    return {a->Header.AceFlags, a->Mask};
}

class PrinterMachine : public ::testing::Test {
protected:
    explicit PrinterMachine(const winsim::MachineConfig& cfg = osConfig(5, 2)) : machine_(cfg) {}

    void SetUp() override {
        winsim::DriverRecord d;
        d.name = u"VESK Colour MFP";
        d.driverPath = kDriverDir + u"veskgr.dll";
        d.dataFile = kDriverDir + u"VESKMFP1.VMD";
        d.configFile = kDriverDir + u"veskui.dll";
        d.helpFile = kDriverDir + u"VSKHLPfr.HLP";
        ASSERT_EQ(winsim::addDriver(d), static_cast<DWORD>(ERROR_SUCCESS));
        winsim::PrinterRecord p;
        p.name = name_;
        p.driver = d.name;
        p.attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI;
        ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name_.c_str()), &printer_, &pd));
        CtxCacheClear();
    }
    void TearDown() override {
        CtxCacheFlush(1);
        if (printer_) ClosePrinter(printer_);
    }

    // Puts the terminal-server query library into the driver directory.
    void installQueryLibrary() {
        ASSERT_TRUE(winsim::installModule(kDriverDir + u"KW00C150.dll", KW00C150_PATH));
    }
    // A light context of the printer, freed at the end of the test.
    DrvContext* context(uint32_t flags = 0, uint16_t kind = 4) {
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, kind, flags, 0, nullptr);
        EXPECT_NE(c, nullptr);
        contexts_.emplace_back(c);
        return c;
    }
    std::u16string data(const char16_t* value) {
        auto v = winsim::printerData(name_, value);
        if (!v) return u"(missing)";
        std::u16string s(v->data.size() / 2, u'\0');
        for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(v->data[2 * i] | v->data[2 * i + 1] << 8);
        return s;
    }
    void setData(const char16_t* value, const std::u16string& text) {
        std::vector<uint8_t> b;
        for (char16_t c : text) b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(0), b.push_back(0);
        ASSERT_EQ(winsim::setPrinterData(name_, value, REG_SZ, b), static_cast<DWORD>(ERROR_SUCCESS));
    }

    // Files of the machine by Windows path: written and read whole, and the
    // last-write time set to `t` seconds after the virtual clock's start
    // (startClock), which may be negative.
    void write(const std::u16string& path, const std::string& text) {
        std::ofstream(*winsim::hostPath(path), std::ios::binary) << text;
    }
    std::string read(const std::u16string& path) {
        auto h = winsim::hostPath(path);
        if (!h || !std::filesystem::exists(*h)) return "(missing)";
        std::ifstream in(*h, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void setTime(const std::u16string& path, int64_t t) {
        HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        uint64_t v = kClockStart + static_cast<uint64_t>(t * 10000000);
        FILETIME ft{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
        CloseHandle(h);
    }

    winsim::TempMachine machine_;
    std::u16string name_ = u"Office [2]";
    HANDLE printer_ = nullptr;
    std::vector<ContextPtr> contexts_;
};

}  // namespace vesk::test
