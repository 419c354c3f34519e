// The versioned API on the sample printer: the API level from the settings
// INI, opening and closing handles, and the handle's DEVMODE in each mode.
#include <gtest/gtest.h>

#include <win/profile.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/api_devmode.h"
#include "api/api_handle.h"
#include "commands/exc_api.h"
#include "core/context_cache.h"
#include "core/devmode/dm_flags.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

class ApiHandle : public ExcPrinter {
protected:
    void TearDown() override {
        if (h_) VESKDrvDisable(h_);
        winsim::config().osPlatform = 2;
        winsim::config().osMajor = 5;
        winsim::config().osMinor = 0;
        ExcPrinter::TearDown();
    }
    static void setLevel(const char16_t* value) {
        WCHAR dir[260] = {};
        ASSERT_NE(GetPrivateDirPlain(dir, 260), 0u);
        const std::u16string path = std::u16string(dir) + u"\\KW12D170.ini";
        ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIVer", value, path.c_str()));
    }
    DrvContext* ctx() const { return static_cast<DrvContext*>(h_); }
    void* h_ = nullptr;
};

TEST_F(ApiHandle, TheLevelComesFromTheSettingsIni) {
    EXPECT_EQ(VESKDrvCheckAPIVer("Office [2]"), 3) << "no section";
    setLevel(u"1");
    EXPECT_EQ(VESKDrvCheckAPIVer("any name at all"), 1) << "one setting serves every printer";
    EXPECT_EQ(VESKDrvCheckAPIVer(""), 0);
    EXPECT_EQ(VESKDrvCheckAPIVer(nullptr), 0);
    EXPECT_EQ(ApiLevel.load(), 1) << "an empty name keeps the level";
    setLevel(u"-1");
    EXPECT_EQ(VESKDrvCheckAPIVer("Office [2]"), 3);
    setLevel(u"2");
    EXPECT_EQ(VESKDrvEnable("No such printer"), nullptr);
    EXPECT_EQ(ApiLevel.load(), 2) << "the level is updated before the open fails";
    setLevel(nullptr);
}

TEST_F(ApiHandle, EnableGivesAContextThatHoldsNoPrinterAndDisableFreesAll) {
    const Counts base = counts();
    EXPECT_EQ(VESKDrvEnable(""), nullptr);
    EXPECT_EQ(VESKDrvEnable(nullptr), nullptr);
    // A name of 260 characters does not fit the workspace with its end: it
    // is refused, not cut to the 259 of a printer that exists.
    winsim::PrinterRecord p;
    p.name = std::u16string(259, u'L');
    p.driver = u"VESK Colour MFP";
    ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(VESKDrvEnable(std::string(260, 'L').c_str()), nullptr);
    void* longest = VESKDrvEnable(std::string(259, 'L').c_str());
    EXPECT_NE(longest, nullptr);
    VESKDrvDisable(longest);
    EXPECT_EQ(VESKDrvDisable(nullptr), 1);
    EXPECT_EQ(counts(), base);

    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    ASSERT_NE(ctx()->ws, nullptr);
    EXPECT_EQ(ctx()->ws->creationFlags, kCreateApi);
    EXPECT_EQ(std::u16string(ctx()->ws->printerName), u"Office [2]");
    ASSERT_NE(ctx()->ws->apiStatus, nullptr);
    const ApiStatusArray zero{};
    EXPECT_EQ(std::memcmp(ctx()->ws->apiStatus, &zero, sizeof zero), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), base.printers) << "no printer stays open";
    EXPECT_EQ(ctx()->printer, nullptr) << "no closed handle stays in the slots";
    EXPECT_EQ(ctx()->driverQuery, nullptr);
    EXPECT_EQ(DmGetOsKind(ctx()), 2);

    EXPECT_EQ(VESKDrvDisable(h_), 1);
    h_ = nullptr;
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0) << "nothing stays cached";
    EXPECT_EQ(counts(), base);
}

TEST_F(ApiHandle, TheOsKindFollowsTheVersion) {
    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    struct Case {
        DWORD platform, major, minor;
        BYTE kind;
    } cases[] = {{1, 4, 0, 0}, {1, 4, 10, 3}, {1, 4, 90, 3}, {2, 4, 0, 1}, {2, 5, 0, 2}, {2, 6, 1, 2}};
    for (const Case& k : cases) {
        winsim::config().osPlatform = k.platform;
        winsim::config().osMajor = k.major;
        winsim::config().osMinor = k.minor;
        DmSetOsKind(ctx());
        EXPECT_EQ(DmGetOsKind(ctx()), k.kind) << k.platform << "." << k.major << "." << k.minor;
    }
}

TEST_F(ApiHandle, TheDevmodeInEachMode) {
    EXPECT_EQ(VESKDrvGetDevmode(nullptr, 1, nullptr), -1);
    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    const size_t printers = winsim::openPrinterHandles();
    std::vector<BYTE> b(1260, 0xAB);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 3, b.data()), -1);
    EXPECT_EQ(b, std::vector<BYTE>(1260, 0xAB)) << "an unknown mode leaves the buffer";

    // A null buffer asks the size but still refreshes: the preset goes back
    // to none and the user macro is off.
    ItemSetRawById(ctx(), 41, 3);
    ItemSetRawById(ctx(), 185, 1);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 1, nullptr), 1260);
    EXPECT_EQ(ItemRawById(ctx(), 41), 255u);
    EXPECT_EQ(ItemRawById(ctx(), 185), 0u);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 1, b.data()), 1260);
    EXPECT_EQ(std::memcmp(b.data(), ctx()->devmode, 1260), 0);
    EXPECT_EQ(std::memcmp(b.data() + 220, "VESK", 4), 0) << "the private part comes along";
    EXPECT_EQ(ctx()->printer, nullptr);
    EXPECT_EQ(winsim::openPrinterHandles(), printers) << "the printer opened for the call is closed";

    EXPECT_EQ(VESKDrvGetDevmode(h_, 2, b.data()), 1260);
    EXPECT_EQ(std::memcmp(b.data(), ctx()->devmode, 1260), 0);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 18, nullptr), 1260);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 17, nullptr), 1260);
}

TEST_F(ApiHandle, DefaultsThatCannotBeBuiltKeepTheOldDevmode) {
    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    int failures = 0;
    for (size_t n = 1; n <= 6; ++n) {
        BYTE* before = ctx()->devmode;
        const std::vector<BYTE> copy(before, before + 1260);
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        const int32_t r = VESKDrvGetDevmode(h_, 2, nullptr);
        winsim::clearFaults();
        ASSERT_NE(ctx()->devmode, nullptr) << "allocation " << n;
        if (r == -1) {
            ++failures;
            EXPECT_EQ(ctx()->devmode, before);
            EXPECT_EQ(std::memcmp(ctx()->devmode, copy.data(), 1260), 0);
        } else {
            EXPECT_EQ(r, 1260);
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 2, nullptr), 1260);
}

TEST_F(ApiHandle, TheResolutionVariantOnlyOnAFullResolutionMachine) {
    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    ASSERT_EQ(VESKDrvGetDevmode(h_, 1, nullptr), 1260);
    auto setUp = [&](uint32_t machine) {
        ItemSetRawById(ctx(), 39, machine);
        ItemSetRawById(ctx(), 10014, 1);
        ItemSetRawById(ctx(), 61, 1);
        ItemSetRawById(ctx(), 10012, 32);
        ItemSetRawById(ctx(), 248, 4);
        ItemSetRawById(ctx(), 42, 300);
        ItemSetRawById(ctx(), 43, 300);
    };
    setUp(7);
    // The model's own rules may move the resolution pair; the override's
    // mark is the "both" resolution turned to 3.
    ItemSetRawById(ctx(), 41, 5);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 4, nullptr), 1260);
    EXPECT_EQ(ItemRawById(ctx(), 248), 4u);
    EXPECT_EQ(ItemRawById(ctx(), 41), 5u) << "mode 4 keeps the preset";
    setUp(130);
    EXPECT_EQ(VESKDrvGetDevmode(h_, 4, nullptr), 1260);
    EXPECT_EQ(ItemRawById(ctx(), 42), 600u);
    EXPECT_EQ(ItemRawById(ctx(), 43), 600u);
    EXPECT_EQ(ItemRawById(ctx(), 248), 3u);
}

TEST_F(ApiHandle, ACustomPaperSurvivesTheRemerge) {
    h_ = VESKDrvEnable("Office [2]");
    ASSERT_NE(h_, nullptr);
    BYTE* dm = ctx()->devmode;
    uint32_t fields = dm[72] | dm[73] << 8 | dm[74] << 16 | static_cast<uint32_t>(dm[75]) << 24;
    fields |= 0xe;
    for (int i = 0; i < 4; ++i) dm[72 + i] = static_cast<BYTE>(fields >> (8 * i));
    dm[80] = 0x34, dm[81] = 0x12;  // dmPaperLength
    dm[82] = 0x21, dm[83] = 0x07;  // dmPaperWidth
    DmRemergeOwnDevmode(ctx());
    dm = ctx()->devmode;
    EXPECT_EQ(dm[72] & 0xe, 0xc) << "DM_PAPERSIZE cleared, the dimensions kept";
    EXPECT_EQ(dm[80] | dm[81] << 8, 0x1234);
    EXPECT_EQ(dm[82] | dm[83] << 8, 0x0721);
}

TEST_F(ApiHandle, TheExcDevmodeAnswersThroughTheCurrentSettings) {
    std::vector<BYTE> b(1196);
    int32_t need = 0;
    const Counts base = counts();
    ASSERT_EQ(ExcGetDriverDevmode("Office [2]", 1, 1196, b.data(), &need), 0);
    EXPECT_EQ(need, 1196);
    EXPECT_EQ(b[36] | b[37] << 8, 156) << "dmSize reduced by 64";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "Office [2]");
    EXPECT_EQ(std::memcmp(b.data() + 156, "VESK", 4), 0);
    EXPECT_EQ(counts(), base);
}

}  // namespace
}  // namespace vesk::test
