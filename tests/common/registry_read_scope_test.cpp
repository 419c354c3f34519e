// Reads of the driver's HKLM values inside one operation (RegReadScope): a
// repeated read answers what the first one found, a write of the process
// itself or the scope's end makes the registry be asked again, and a change
// another process makes between two context creations reaches the second.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/registry.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/model_support.h"
#include "common/services_support.h"
#include "core/paths.h"
#include "core/registry_values.h"
#include "core/wstr.h"
#include "platform/fork_child.h"

using namespace vesk;
using namespace vesk::test;

namespace {

std::u16string privateDir() {
    WCHAR b[kPathBufChars];
    return GetPrivateDirFromRegistry(b, kPathBufChars) ? std::u16string(b) : u"(none)";
}

// Sets the private directory's value from another process.
bool setDirElsewhere(const std::u16string& dir) {
    return forktest::inChild(
        [&] { return winsim::regSetString(HKEY_LOCAL_MACHINE, kRegDrvKey, kRegPrivateDirValue, dir); });
}

size_t driverKeyOpens() {
    size_t n = 0;
    for (const auto& e : winsim::journal())
        if (e.function == "RegOpenKeyW" && e.detail == "SOFTWARE\\MAREN\\VeskDrv") ++n;
    return n;
}

class RegistryReadScope : public PrinterMachine {
protected:
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::journalClear();
        PrinterMachine::TearDown();
    }
};

}  // namespace

TEST_F(RegistryReadScope, ARepeatedReadAnswersTheFirstUntilTheScopeEnds) {
    EXPECT_EQ(privateDir(), u"C:\\_vesk");  // no value: the default
    {
        RegReadScope scope;
        EXPECT_EQ(privateDir(), u"C:\\_vesk");
        ASSERT_TRUE(setDirElsewhere(u"D:\\Shared"));
        winsim::journalClear();
        winsim::journalEnable(true);
        EXPECT_EQ(privateDir(), u"C:\\_vesk");  // the operation sees one state
        {
            RegReadScope inner;  // shares the outer answers; its end forgets none
            EXPECT_EQ(privateDir(), u"C:\\_vesk");
        }
        EXPECT_EQ(privateDir(), u"C:\\_vesk");
        EXPECT_EQ(driverKeyOpens(), 0u);
        winsim::journalEnable(false);
    }
    // The next operation, and every read outside one, asks the registry.
    EXPECT_EQ(privateDir(), u"D:\\Shared");
    ASSERT_TRUE(setDirElsewhere(u"E:\\Later"));
    EXPECT_EQ(privateDir(), u"E:\\Later");
    RegReadScope again;
    EXPECT_EQ(privateDir(), u"E:\\Later");
}

TEST_F(RegistryReadScope, TheProcesssOwnWriteIsSeenWithinTheScope) {
    RegReadScope scope;
    EXPECT_EQ(privateDir(), u"C:\\_vesk");
    const char16_t dir[] = u"F:\\Own";
    ASSERT_EQ(RegSetDrvValue(kRegPrivateDirValue, dir, sizeof dir), 1);
    EXPECT_EQ(privateDir(), u"F:\\Own");
    // Even a write that fails forgets: it may have changed the value first.
    winsim::config().userIsAdmin = false;
    EXPECT_EQ(RegSetDrvValue(kRegPrivateDirValue, u"G:\\x", 10), 0);
    ASSERT_TRUE(setDirElsewhere(u"H:\\Other"));
    EXPECT_EQ(privateDir(), u"H:\\Other");
}

TEST_F(RegistryReadScope, KeptAnswersAreTheReadsBytesForTheirKeyNameAndSize) {
    constexpr char16_t kMissing[] = u"NotThere";
    RegReadScope scope;
    BYTE b[16];
    std::memset(b, 0xAA, sizeof b);
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, kMissing, b, sizeof b), 0);
    ASSERT_TRUE(
        forktest::inChild([&] { return winsim::regSetString(HKEY_LOCAL_MACHINE, kRegDrvKey, kMissing, u"v"); }));
    // A failed read is kept as such, with the buffer zero-filled as it left it.
    std::memset(b, 0xAA, sizeof b);
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, kMissing, b, sizeof b), 0);
    for (BYTE x : b) EXPECT_EQ(x, 0);
    // Another size, another name's case or another key is another read.
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, kMissing, b, 8), 1);
    EXPECT_EQ(b[0], 'v');
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, u"notthere", b, sizeof b), 1);
    EXPECT_EQ(RegReadHklmValue2(u"SOFTWARE\\MAREN\\Other", kMissing, b, sizeof b), 0);
    // Names in a buffer that is then reused for another name are copied.
    WCHAR name[16] = u"First";
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, kRegDrvKey, u"First", 1));
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, kRegDrvKey, u"Second", 2));
    DWORD v = 0;
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, name, &v, sizeof v), 1);
    EXPECT_EQ(v, 1u);
    std::memcpy(name, u"Second", sizeof u"Second");
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, name, &v, sizeof v), 1);
    EXPECT_EQ(v, 2u);
    // A read too large to keep, and every read past the few answers a scope
    // keeps, still gets the registry's.
    std::vector<BYTE> big(4096, 0xAA);
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, u"Large", big.data(), 4096), 0);
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, kRegDrvKey, u"Large", 9));
    EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, u"Large", big.data(), 4096), 1);
    EXPECT_EQ(big[0], 9);
    for (int i = 0; i < 8; ++i) {
        const std::u16string n = u"Many" + std::u16string(1, static_cast<char16_t>(u'A' + i));
        ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, kRegDrvKey, n, static_cast<uint32_t>(i)));
        EXPECT_EQ(RegReadHklmValue2(kRegDrvKey, n.c_str(), &v, sizeof v), 1);
        EXPECT_EQ(v, static_cast<DWORD>(i)) << i;
    }
}

// Contexts of kind 0 of the printer with the sample model.
class RegistryReadScopeContexts : public RegistryReadScope {
protected:
    void SetUp() override {
        RegistryReadScope::SetUp();
        write(kDriverDir + u"VESKMFP1.VMD", readFile(sampleModel()));
        setTime(kDriverDir + u"VESKMFP1.VMD", -10);
    }
    // A new context's settings file, with the registry reads it made.
    std::u16string iniOfNewContext(size_t* opens) {
        CtxCacheClear();
        winsim::journalClear();
        winsim::journalEnable(true);
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        winsim::journalEnable(false);
        *opens = driverKeyOpens();
        std::u16string ini = c && c->ws ? std::u16string(c->ws->iniPath) : u"(no context)";
        CtxReleaseEx(c, kReleaseFree);
        return ini;
    }
};

TEST_F(RegistryReadScopeContexts, EachCreationReadsTheDirectoryOnceAndSeesAnotherProcesssChange) {
    const std::u16string name = GetContextTemplate()->desc->settingsIniName;
    size_t opens = 0;
    EXPECT_EQ(iniOfNewContext(&opens), u"C:\\_vesk\\" + name);
    EXPECT_EQ(opens, 1u);  // the settings file and the bidirectional one share it
    ASSERT_TRUE(setDirElsewhere(u"D:\\Moved"));
    EXPECT_EQ(iniOfNewContext(&opens), u"D:\\Moved\\" + name);
    EXPECT_EQ(opens, 1u);
    ASSERT_TRUE(setDirElsewhere(u""));  // empty: the default again
    EXPECT_EQ(iniOfNewContext(&opens), u"C:\\_vesk\\" + name);
    // Outside a creation every read asks again.
    ASSERT_TRUE(setDirElsewhere(u"E:\\Now"));
    EXPECT_EQ(privateDir(), u"E:\\Now");
}
