// The two queries of opening an Exc handle: the user code from job control
// (the library loaded for each call) and the bidirectional state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "common_calls/context_forms.h"
#include "common_calls/jc_query.h"
#include "core/bidi/bidi.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

using ExcOpenQueries = ExcPrinter;

// The buffer as the query left it, up to its first NUL.
std::u16string upToNul(const WCHAR* b, size_t chars) { return std::u16string(b, std::find(b, b + chars, u'\0')); }

TEST_F(ExcOpenQueries, TheUserCodeQueryAndWhereItGivesUp) {
    ASSERT_TRUE(jcSeedText(name_, kJcCodeUserCode, u"123456789ABC"));
    const size_t modules = winsim::loadedModules().size();
    winsim::journalClear();
    WCHAR b[9];
    std::fill(b, b + 9, u'x');
    // A longer answer is cut to the buffer and ended with a NUL.
    EXPECT_EQ(JcQueryStringExc(printer_, kJcCodeUserCode, kJcKindText, b), 1);
    EXPECT_EQ(upToNul(b, 9), u"12345678");
    EXPECT_EQ(winsim::loadedModules().size(), modules) << "loaded and freed for the call";
    EXPECT_EQ(calls("JcClose"), 1u);

    // "Nothing there" (13) ends the call with the buffer untouched.
    std::fill(b, b + 9, u'x');
    winsim::failCall("JcGetItem", 1, 13);
    EXPECT_EQ(JcQueryStringExc(printer_, kJcCodeUserCode, kJcKindText, b), 0);
    EXPECT_EQ(b[0], u'x');
    EXPECT_EQ(calls("JcClose"), 2u);
    EXPECT_EQ(winsim::loadedModules().size(), modules);

    // A library granting only 257 is asked for 258 first.
    winsim::config().set("zorjc32.versions", "257");
    winsim::journalClear();
    EXPECT_EQ(JcQueryStringExc(printer_, kJcCodeUserCode, kJcKindText, b), 1);
    EXPECT_EQ(calls("JCGetInterface"), 2u);
    EXPECT_EQ(upToNul(b, 9), u"12345678");

    // A library without the entries, and none at all.
    std::fill(b, b + 9, u'x');
    ASSERT_TRUE(winsim::installModule(kJcLibraryPath, KW00C150_PATH));
    EXPECT_EQ(JcQueryStringExc(printer_, kJcCodeUserCode, kJcKindText, b), 0);
    ASSERT_TRUE(DeleteFileW(kJcLibraryPath.c_str()));
    EXPECT_EQ(JcQueryStringExc(printer_, kJcCodeUserCode, kJcKindText, b), 0);
    EXPECT_EQ(b[0], u'x');
    EXPECT_EQ(winsim::loadedModules().size(), modules);
}

TEST(ExcJcQuerySizes, BufferBytesByItem) {
    const struct { DWORD item, bytes; } rows[] = {{1, 18}, {2, 34}, {3, 18}, {4, 18}, {5, 34},
                                                  {6, 130}, {7, 18}, {8, 18}, {0, 2}, {9, 2}, {257, 2}};
    for (const auto& r : rows) EXPECT_EQ(JcQueryBufferBytes(r.item), r.bytes) << r.item;
}

size_t monitorCalls() {
    size_t n = 0;
    for (const auto& e : winsim::journal()) {
        std::string d = e.detail;
        std::transform(d.begin(), d.end(), d.begin(), [](unsigned char ch) { return std::tolower(ch); });
        n += d.find("kw4man") != std::string::npos;
    }
    return n;
}

TEST_F(ExcOpenQueries, TheBidiStateIsSavedQueriedOrCleared) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* c = handle(h)->ctx;
    winsim::journalClear();
    // Nothing saved: a reopening (query 0) clears the state and asks nothing.
    DmSetFlagE(c);
    EXPECT_EQ(BidiRefreshOnOpenExc(c, 0), 0);
    EXPECT_EQ(DmGetFlag(c, DmFlag::BiDirect), 0);
    EXPECT_EQ(monitorCalls(), 0u);
    // Query 1 goes to the device (here none answers).
    EXPECT_EQ(BidiRefreshOnOpenExc(c, 1), 0);
    EXPECT_GT(monitorCalls(), 0u);
    // Saved results in printer data: used as they are, with either query.
    auto savedInData = [this](uint8_t v) {
        return winsim::setPrinterData(name_, u"BidiFlag", REG_BINARY, {v, 0, 0, 0}) == ERROR_SUCCESS;
    };
    ASSERT_TRUE(savedInData(1));
    winsim::journalClear();
    for (int query : {0, 1}) {
        DmClearFlagE(c);
        EXPECT_EQ(BidiRefreshOnOpenExc(c, query), 1);
        EXPECT_EQ(DmGetFlag(c, DmFlag::BiDirect), BidiGateOn(c, kBidiGateQuery) ? 1 : 0);
    }
    EXPECT_EQ(monitorCalls(), 0u);
    // The local settings file's flag decides over printer data once it has one.
    ASSERT_EQ(BidiIniSetFlag(c, 0), 1);
    EXPECT_EQ(BidiRefreshOnOpenExc(c, 0), 0);
    ASSERT_EQ(BidiIniSetFlag(c, 1), 1);
    ASSERT_TRUE(savedInData(0));
    EXPECT_EQ(BidiRefreshOnOpenExc(c, 0), 1);
    ExcFreeExclusive(h);
}

TEST_F(ExcOpenQueries, DeviceDefaultTraysBecomeTheChosenOnesWithoutABundle) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* c = handle(h)->ctx;
    ItemSetRawById(c, kItRdmCoverDefTray, 2);
    ItemSetRawById(c, kItRdmMPDefTray, 1);
    ItemSetRawById(c, kItRdmCoverInputTray, 0);
    ItemSetRawById(c, kItRdmMPInputTray, 0);
    WCHAR ini[kWsPathChars] = {};
    ASSERT_TRUE(GetIniFilePathEx(ini, 0));
    ASSERT_TRUE(IniWriteString(name_.c_str(), u"BatchInstRst", u"C:\\b.rst", ini));
    EXPECT_EQ(DmApplyBidiTraysExc(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmCoverInputTray), 0u);
    ASSERT_TRUE(IniWriteString(name_.c_str(), u"BatchInstRst", u"", ini));
    EXPECT_EQ(DmApplyBidiTraysExc(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmCoverInputTray), ItemRawById(c, kItRdmCoverDefTray));
    EXPECT_EQ(ItemRawById(c, kItRdmMPInputTray), ItemRawById(c, kItRdmMPDefTray));
    EXPECT_EQ(DmApplyBidiTraysExc(nullptr), 0);
    ExcFreeExclusive(h);
}

}  // namespace
}  // namespace vesk::test
