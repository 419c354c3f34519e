// The private directory inside one operation (RegReadScope): found once and
// given again to every later look of the scope, with the look's buffer left
// exactly as a look of its own leaves it; a write of the process itself, the
// outermost scope's end and the next creation look again, so another
// process's change reaches the next operation and the files built from it.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/registry.h>

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

constexpr WCHAR kFill = 0x5A5A;

// One look: the answer and every place of a buffer larger than any
// capacity asked for, filled beforehand with `fill`.
struct Look {
    size_t length;
    std::vector<WCHAR> places;
    bool operator==(const Look&) const = default;
};

Look look(size_t capacity, WCHAR fill = kFill) {
    std::vector<WCHAR> b(kPathBufChars + 64, fill);
    const size_t n = GetPrivateDirPlain(b.data(), capacity);
    return {n, b};
}

std::u16string dirOf(const Look& l) { return l.length ? std::u16string(l.places.data()) : u"(none)"; }

bool setDirElsewhere(const std::u16string& dir) {
    return forktest::inChild(
        [&] { return winsim::regSetString(HKEY_LOCAL_MACHINE, kRegDrvKey, kRegPrivateDirValue, dir); });
}

size_t journalled(const char* function) {
    size_t n = 0;
    for (const auto& e : winsim::journal())
        if (e.function == function) ++n;
    return n;
}

class PrivateDirScope : public PrinterMachine {
protected:
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::journalClear();
        PrinterMachine::TearDown();
    }
};

// Capacities around the paths' lengths and the 260-character limit.
const size_t kCapacities[] = {1, 2, 8, 9, 10, 12, 100, kPathBufChars - 1, kPathBufChars, kPathBufChars + 40};

}  // namespace

TEST_F(PrivateDirScope, EveryLookInTheScopeLeavesWhatItsOwnLookLeaves) {
    // The default (no value), a value, a value too long for a path, and an
    // empty value (the default again).
    struct Value {
        bool set;
        std::u16string text;
    };
    const std::vector<Value> values = {
        {false, u""}, {true, u"D:\\Shared"}, {true, u"D:\\" + std::u16string(270, u'x')}, {true, u""}};
    for (const Value& value : values) {
        SCOPED_TRACE(winsim::toUtf8(value.text.substr(0, 12)));
        if (value.set) {
            ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, kRegDrvKey, kRegPrivateDirValue, value.text));
        }
        const WCHAR fills[2] = {kFill, u'q'};
        std::vector<Look> own[2];
        for (int f = 0; f < 2; ++f)
            for (size_t c : kCapacities) own[f].push_back(look(c, fills[f]));
        RegReadScope scope;
        // Each capacity in two orders: the first look of a capacity and
        // every later one, over a buffer holding other text.
        for (int round = 0; round < 2; ++round) {
            for (size_t i = 0; i < std::size(kCapacities); ++i) {
                const size_t k = round ? std::size(kCapacities) - 1 - i : i;
                EXPECT_EQ(look(kCapacities[k], fills[round]), own[round][k]) << kCapacities[k];
            }
        }
        // No buffer or no room: nothing, as outside a scope.
        EXPECT_EQ(GetPrivateDirPlain(nullptr, kPathBufChars), 0u);
        WCHAR one[1] = {kFill};
        EXPECT_EQ(GetPrivateDirPlain(one, 0), 0u);
        EXPECT_EQ(one[0], kFill);
    }
}

TEST_F(PrivateDirScope, ALaterLookAsksNoOneAndTheProcesssOwnWriteIsSeen) {
    RegReadScope scope;
    winsim::journalClear();
    winsim::journalEnable(true);
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk");
    const size_t versions = journalled("GetVersionExW"), folders = journalled("GetSystemDirectoryW");
    EXPECT_GT(versions, 0u);
    ASSERT_TRUE(setDirElsewhere(u"D:\\Shared"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk") << "one state per operation";
    EXPECT_EQ(journalled("GetVersionExW"), versions);
    EXPECT_EQ(journalled("GetSystemDirectoryW"), folders);
    winsim::journalEnable(false);

    // A write of this process is seen at once, even a failed one.
    const char16_t own[] = u"F:\\Own";
    ASSERT_EQ(RegSetDrvValue(kRegPrivateDirValue, own, sizeof own), 1);
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"F:\\Own");
    ASSERT_TRUE(setDirElsewhere(u"H:\\Other"));
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"F:\\Own");
    winsim::config().userIsAdmin = false;
    EXPECT_EQ(RegSetDrvValue(kRegPrivateDirValue, u"G:\\x", 10), 0);
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"H:\\Other");
}

TEST_F(PrivateDirScope, OnlyTheOutermostEndForgetsAndTheNextOperationLooksAgain) {
    {
        RegReadScope outer;
        EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk");
        ASSERT_TRUE(setDirElsewhere(u"D:\\Shared"));
        {
            RegReadScope inner;
            EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk");
        }
        EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk");
        // Another capacity is another read, as the scope keeps reads by
        // their size; then that answer is kept in turn.
        EXPECT_EQ(dirOf(look(40)), u"D:\\Shared");
        ASSERT_TRUE(setDirElsewhere(u"E:\\Between"));
        EXPECT_EQ(dirOf(look(40)), u"D:\\Shared");
        EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\_vesk");
    }
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"E:\\Between");
    ASSERT_TRUE(setDirElsewhere(u"E:\\Later"));
    {
        RegReadScope next;
        EXPECT_EQ(dirOf(look(kPathBufChars)), u"E:\\Later");
    }
    // A system before Windows 2000 keeps its files in the system directory,
    // whatever a scope kept before.
    {
        RegReadScope scope;
        EXPECT_EQ(dirOf(look(kPathBufChars)), u"E:\\Later");
    }
    winsim::config().osMajor = 4;
    RegReadScope old;
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\WINDOWS\\system32");
    EXPECT_EQ(dirOf(look(kPathBufChars)), u"C:\\WINDOWS\\system32");
}

namespace {

class PrivateDirScopeContexts : public PrivateDirScope {
protected:
    void SetUp() override {
        PrivateDirScope::SetUp();
        write(kDriverDir + u"VESKMFP1.VMD", readFile(sampleModel()));
        setTime(kDriverDir + u"VESKMFP1.VMD", -10);
    }
};

}  // namespace

// Both files a creation builds from the private directory (the settings INI
// and the bidirectional settings file, read at open) follow another
// process's change of it at the next creation.
TEST_F(PrivateDirScopeContexts, EachCreationsFilesFollowAnotherProcesssChange) {
    const std::u16string name = GetContextTemplate()->desc->settingsIniName;
    for (const std::u16string& dir : {std::u16string(u"C:\\_vesk"), std::u16string(u"C:\\Moved"),
                                      std::u16string(u"C:\\Again")}) {
        SCOPED_TRACE(winsim::toUtf8(dir));
        if (dir != u"C:\\_vesk") {
            ASSERT_TRUE(setDirElsewhere(dir));
        }
        CreateDirectoryW(dir.c_str(), nullptr);
        // The bidirectional file names this printer's device settings as
        // imported: a context that read it takes the import's path.
        CtxCacheClear();
        winsim::journalClear();
        winsim::journalEnable(true);
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        winsim::journalEnable(false);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(std::u16string(c->ws->iniPath), dir + u"\\" + name);
        bool bidiRead = false;
        for (const auto& e : winsim::journal())
            if (e.function == "GetPrivateProfileIntW" &&
                e.detail.find(winsim::toUtf8(dir + u"\\KW00C171.ini")) != std::string::npos)
                bidiRead = true;
        EXPECT_TRUE(bidiRead) << "the bidirectional file is looked for in the new directory";
        CtxReleaseEx(c, kReleaseFree);
    }
}
