// Scenario export: the digits and names, the files written, removal.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <string>

#include "common/sample_printer_support.h"
#include "core/scenario/scenario.h"

namespace vesk::test {
namespace {

SYSTEMTIME at(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y), t.wMonth = static_cast<WORD>(mo), t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h), t.wMinute = static_cast<WORD>(mi), t.wSecond = static_cast<WORD>(s);
    return t;
}

std::u16string digits(uint32_t count) {
    WCHAR d[kScenarioDigits + 1];
    ScenarioDigitsOf(count, d);
    return d;
}

std::u16string next(std::u16string d) {
    ScenarioDigitsIncrement(d.data());
    return d;
}

TEST(ScenarioNames, DigitsCountThirtyOneDayMonthsUnsignedAndCarry) {
    // 2026-12-09 23:44:38: 38 + 60 * (44 + 60 * (23 + 24*8 + 744*11 + 8928*56)).
    EXPECT_EQ(ScenarioSecondCount(at(2026, 12, 9, 23, 44, 38)), 1830123878u);
    EXPECT_EQ(digits(1830123878u), u"U9LWME");
    // Past 2^31 seconds the count stays positive.
    EXPECT_EQ(ScenarioSecondCount(at(2040, 1, 1, 0, 0, 0)), 2249856000u);
    EXPECT_EQ(digits(2249856000u), u"17I800");
    EXPECT_EQ(digits(35), u"00000Z");
    EXPECT_EQ(next(u"00000Z"), u"000010");
    EXPECT_EQ(next(u"0000ZZ"), u"000100");
    EXPECT_EQ(next(u"000009"), u"00000A");
    EXPECT_EQ(next(u"ZZZZZZ"), u"000000");
    EXPECT_EQ(ScenarioIndexChar(9), u'9');
    EXPECT_EQ(ScenarioIndexChar(11), u'B');
    EXPECT_EQ(ScenarioIndexChar(35), u'Z');
    EXPECT_EQ(ScenarioIndexChar(36), 0);
}

class Scenario : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        CreateDirectoryW(u"C:\\_vesk", nullptr);
        CreateDirectoryW(u"C:\\out", nullptr);
        CreateDirectoryW(u"C:\\p", nullptr);
        c_ = context(0, 0);
        ASSERT_NE(c_, nullptr);
    }
    // A preset and a quality list of the given lengths in the per-printer INI.
    void lists(int presets, int qualities) {
        std::string ini = "[Office ,2,]\r\nCount=" + std::to_string(presets) +
                          "\r\nQualityCount=" + std::to_string(qualities) + "\r\n";
        for (int i = 0; i < presets; ++i) {
            const std::string n = std::to_string(i);
            ini += "PresetList" + n + "=C:\\p\\p" + n + ".rst\r\nPresetList" + n + "Name=Preset " + n +
                   "\r\nPresetList" + n + "Comment=c" + n + "\r\n";
            write(u"C:\\p\\p" + winsim::fromUtf8(n) + u".rst",
                  "[Office ,2,]\r\nrdmNUPLineType=" + n + "\r\n[condition]\r\nConditionOption0_0=A\r\n");
        }
        for (int i = 0; i < qualities; ++i) {
            const std::string n = std::to_string(i);
            ini += "QualityList" + n + "=C:\\p\\q" + n + ".rsq\r\nQualityList" + n + "Name=Quality " + n + "\r\n";
            write(u"C:\\p\\q" + winsim::fromUtf8(n) + u".rsq", "[Office ,2,]\r\nq=" + n + "\r\n");
        }
        write(u"C:\\_vesk\\KW12D170.ini", ini);
    }
    std::u16string bundleAt(const SYSTEMTIME& t) {
        WCHAR b[300] = {};
        EXPECT_EQ(MakeBackupNameAt(u"C:\\out\\a.rst", b, c_, t), 1);
        return b;
    }
    DrvContext* c_ = nullptr;
};

TEST_F(Scenario, TheSameSecondReusesTheFolderAndTheBundleName) {
    const SYSTEMTIME t = at(2026, 12, 9, 23, 44, 38);
    const std::u16string b = bundleAt(t);
    EXPECT_EQ(b, u"C:\\_vesk\\vesk\\20261209234438a\\RU9LWME1.rsb");
    EXPECT_EQ(bundleAt(t), b);
}

TEST_F(Scenario, TwelvePresetsGetIndexCharactersUpToBAndTheListFileNamesThemAll) {
    lists(12, 1);
    const std::u16string b = bundleAt(at(1970, 1, 1, 0, 0, 35));
    ASSERT_EQ(ScenarioExport(u"C:\\out\\a.rst", b.c_str(), c_), 1);
    const std::u16string dir = u"C:\\_vesk\\vesk\\19700101000035a\\";
    EXPECT_NE(read(dir + u"R00000ZB.rsd"), "(missing)");
    EXPECT_NE(read(dir + u"R00000ZA.rsd").find("[us]\r\nrdmNUPLineType=10\r\nsetname=Preset 10\r\nsetcomment=c10\r\n"),
              std::string::npos)
        << read(dir + u"R00000ZA.rsd");
    EXPECT_NE(read(dir + u"R00000ZA.rsd").find("[condition]\r\nConditionOption0_0=A\r\n"), std::string::npos);
    // The qualities take the next digits: Z carries.
    EXPECT_NE(read(dir + u"R0000100.rsq").find("qualityname=Quality 0"), std::string::npos);
    const std::string header =
        "DriverType=VESK\r\nRstFileOSVersion=1\r\nDriverVersion=3.61\r\nDrvInst=VESK Colour MFP\r\n";
    std::string list = "[ScenarioInstallData]\r\nMARENVESKDriverFileList=1\r\nDefaultRst=" + winsim::toUtf8(b) + "\r\n";
    for (int i = 0; i < 12; ++i)
        list += "OtherFiles" + std::to_string(i + 1) + "=" + winsim::toUtf8(dir) + "R00000Z" +
                static_cast<char>(i < 10 ? '0' + i : 'A' + i - 10) + ".rsd\r\n";
    list += "OtherFiles13=" + winsim::toUtf8(dir) + "R0000100.rsq\r\n" + header;
    EXPECT_EQ(read(u"C:\\out\\a.lst"), list);
    EXPECT_EQ(read(u"C:\\out\\a.rst"), "[ScenarioInstallData]\r\n" + header);
    const std::string bundle = read(b);
    EXPECT_NE(bundle.find("NumDeficonfiles=12\r\nDeficonfiles1=%sysdir%R00000Z0.rsd\r\n"), std::string::npos);
    EXPECT_NE(bundle.find("Deficonfiles12=%sysdir%R00000ZB.rsd\r\nNumDefqualityfiles=1\r\n"
                          "Defqualityfiles1=%sysdir%R0000100.rsq\r\n"),
              std::string::npos);
    EXPECT_NE(bundle.find("[ScenarioInstallData]\r\n" + header + "DefaultRstName=C:\\out\\a.rst\r\n"),
              std::string::npos);
    EXPECT_NE(bundle.find("RstVersion=200\r\n"), std::string::npos);
}

TEST_F(Scenario, AFailedSectionReadFailsTheExportAndTheTreeCanGo) {
    lists(1, 0);
    const std::u16string b = bundleAt(at(2026, 1, 2, 3, 4, 5));
    winsim::failCall("GetPrivateProfileSectionW", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ScenarioExport(u"C:\\out\\a.rst", b.c_str(), c_), 0);
    winsim::clearFaults();
    EXPECT_EQ(RemoveDirTree(b.c_str()), 1);
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vesk\\vesk\\20260102030405a"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(read(u"C:\\out\\a.lst"), "(missing)");
}

TEST_F(Scenario, MoreQualitiesThanIndexCharactersFailTheExport) {
    lists(0, 37);
    EXPECT_EQ(ScenarioExport(u"C:\\out\\a.rst", bundleAt(at(2026, 1, 2, 3, 4, 5)).c_str(), c_), 0);
    lists(0, 36);
    EXPECT_EQ(ScenarioExport(u"C:\\out\\a.rst", bundleAt(at(2026, 1, 2, 3, 4, 5)).c_str(), c_), 1);
}

TEST_F(Scenario, RemoveTakesItsOwnFolderButNoOtherDirectory) {
    lists(2, 0);
    const std::u16string b = bundleAt(at(2026, 1, 2, 3, 4, 5));
    ASSERT_EQ(ScenarioExport(u"C:\\out\\a.rst", b.c_str(), c_), 1);
    EXPECT_EQ(ScenarioRemove(u"C:\\out\\a.rst"), 1);
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vesk\\vesk\\20260102030405a"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(read(u"C:\\out\\a.lst"), "(missing)");
    EXPECT_EQ(ScenarioRemove(u"C:\\out\\a.rst"), 0);

    CreateDirectoryW(u"C:\\other", nullptr);
    write(u"C:\\other\\keep.txt", "x");
    for (const char* target : {"C:\\other\\x.rsb", "C:\\_vesk\\vesk\\..\\..\\other\\x.rsb", "C:\\_vesk\\x.rsb"}) {
        write(u"C:\\out\\b.lst", std::string("[ScenarioInstallData]\r\nDefaultRst=") + target + "\r\n");
        EXPECT_EQ(ScenarioRemove(u"C:\\out\\b.rst"), 1);
        EXPECT_EQ(read(u"C:\\other\\keep.txt"), "x") << target;
        EXPECT_EQ(read(u"C:\\out\\b.lst"), "(missing)");
    }
}

}  // namespace
}  // namespace vesk::test
