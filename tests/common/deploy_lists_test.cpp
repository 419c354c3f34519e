// Deploying the driver set's default bundle: condition lines, the 16-preset
// limit, revalidation after the model's options change, the one-time
// registration, the system-directory copies under the spooler's identity and
// the repaired quality file.
#include <gtest/gtest.h>

#include <winsim/ui.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <string>

#include "common/lists_support.h"
#include "core/deploy/deploy.h"
#include "core/files.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/persist/settings_file.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kPriv = u"C:\\_vesk\\";

class Deploy : public ListPrinter {
protected:
    void SetUp() override {
        ListPrinter::SetUp();
        ASSERT_EQ(CreateDirectoryIfMissing(u"C:\\_vesk"), 1);
    }
    // The driver set's bundle and its files, as `vesk printer add` installs them.
    void installSampleBundle() {
        for (const char* f : {"VESKDEF.rsb", "VESKDSEC.ini", "VSTD.rsd", "VSTAPLE.rsd", "VDUPLEX.rsd", "VDRAFT.rsq"})
            write(kDriverDir + winsim::fromUtf8(f), readFile(sourceRoot() / "samples" / "driver" / f));
    }
    void fitted(uint32_t finisher, uint32_t duplex, uint32_t bank = 0) {
        ItemSetRawById(c_, kItRdmOutputOptionTypeFin3000, finisher);
        ItemSetRawById(c_, kItRdmSourceOptionTypeDuplex, duplex);
        ItemSetRawById(c_, kItRdmSourceOptionTypeBank, bank);
    }
    std::u16string presetNames() {
        std::u16string all;
        for (int i = 0; i < GetPresetCount(c_); ++i) {
            WCHAR key[kListKeyChars];
            all += (i ? u"," : u"") + value(printerSection(), FormatPresetKey(key, i, 1));
        }
        return all;
    }
    // A preset file in the driver directory with these condition lines.
    std::u16string conditions(const std::string& lines) {
        const std::u16string path = kDriverDir + u"COND" + winsim::fromUtf8(std::to_string(++files_)) + u".rsd";
        write(path, "[us]\r\nsetname=C\r\n[condition]\r\n" + lines);
        return path;
    }
    // The bundle "B.rsb" with `n` bare-named presets P1.rsd .. Pn.rsd.
    std::u16string bundleOf(int n) {
        std::string text = "[us]\r\nNumDeficonfiles=" + std::to_string(n) + "\r\n";
        for (int i = 1; i <= n; ++i) {
            const std::string name = "P" + std::to_string(i) + ".rsd";
            text += "Deficonfiles" + std::to_string(i) + "=" + name + "\r\n";
            write(kDriverDir + winsim::fromUtf8(name), "[us]\r\nsetname=Preset " + std::to_string(i) + "\r\n");
        }
        write(kDriverDir + u"B.rsb", text);
        return kDriverDir + u"B.rsb";
    }
    int files_ = 0;
};

}  // namespace

TEST_F(Deploy, ConditionLinesReadGroupsAndTermsFromTheLeft) {
    fitted(0, 1);
    struct Row {
        std::string lines;
        bool holds;
    };
    const Row rows[] = {
        {"", true},                                          // no condition lines
        {"ConditionOption0_0=COND_DUPLEX\r\n", true},
        {"ConditionOption0_0=COND_FINISHER\r\n", false},
        {"ConditionOption0_0=COND_DUPLEX | NO_SUCH_VALUE\r\n", true},  // the right side is not looked up
        {"ConditionOption0_0=COND_FINISHER | NO_SUCH_VALUE\r\n", false},
        {"ConditionOption0_0=!NO_SUCH_VALUE\r\n", false},    // an unknown name is false, negated too
        {"ConditionOption0_0= \t!COND_BANK\r\n", true},
        {"ConditionOption0_0=COND_FINISHER & COND_DUPLEX\r\n", false},
        {"ConditionOption0_0=COND_DUPLEX&!COND_BANK\r\n", true},
        {"ConditionOption0_0=COND_FINISHER & COND_DUPLEX | COND_DUPLEX\r\n", false},
        {"ConditionOption0_0=COND_FINISHER | COND_DUPLEX & COND_BANK\r\n", false},
        // A group holds when one of its lines does; lines end at the first gap.
        {"ConditionOption0_0=COND_FINISHER\r\nConditionOption0_1=COND_DUPLEX\r\n", true},
        {"ConditionOption0_0=COND_FINISHER\r\nConditionOption0_2=COND_DUPLEX\r\n", false},
        // Every group must hold; a group without line 0 is passed over.
        {"ConditionOption0_0=COND_DUPLEX\r\nConditionOption3_0=COND_BANK\r\n", false},
        {"ConditionOption0_0=COND_DUPLEX\r\nConditionOption1_1=COND_BANK\r\n", true},
        {"ConditionOption9_0=COND_DUPLEX\r\n", true},
        // A name longer than its buffer is unknown.
        {"ConditionOption0_0=!" + std::string(100, 'C') + "\r\n", false},
    };
    for (const Row& r : rows) EXPECT_EQ(CondEvaluate(conditions(r.lines).c_str(), c_) != 0, r.holds) << r.lines;
    fitted(1, 0, 1);
    EXPECT_EQ(CondEvaluate(conditions("ConditionOption0_0=COND_FINISHER & COND_BANK\r\n").c_str(), c_), 1);
    EXPECT_EQ(CondEvaluate(u"C:\\missing.rsd", c_), 1) << "a file without conditions passes";
}

TEST_F(Deploy, TheDisableSectionNamesDrivers) {
    const std::u16string path = kDriverDir + u"D.rsd";
    write(path, "[disable]\r\nVESK Mono Printer=1\r\n");
    EXPECT_EQ(PresetIsEnabled(path.c_str(), c_), 1);
    write(path, "[disable]\r\nVESK Colour MFP=1\r\n");
    EXPECT_EQ(PresetIsEnabled(path.c_str(), c_), 0);
    write(path, "[disable]\r\nVESK Colour MFP=0\r\n");
    EXPECT_EQ(PresetIsEnabled(path.c_str(), c_), 1);
}

TEST_F(Deploy, AtMostSixteenPresetsCountingThoseListed) {
    const std::u16string bundle = bundleOf(20);
    ASSERT_EQ(PresetsInstallList(bundle.c_str(), u"us", kDplRegister, c_, 0, nullptr), 1);
    EXPECT_EQ(GetPresetCount(c_), 16);
    EXPECT_EQ(value(printerSection(), u"PresetList15"), kPriv + u"P16.rsr");
    EXPECT_EQ(value(printerSection(), u"PresetList15Name"), u"Preset 16");

    // A full list is left as it is and the call succeeds.
    ASSERT_EQ(PresetsInstallList(bundle.c_str(), u"us", kDplRegister | kDplMerge, c_, 0, nullptr), 1);
    EXPECT_EQ(GetPresetCount(c_), 16);

    // Merging into a list of ten adds entries from 2 on until sixteen.
    PresetClear(c_);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(PresetAdd(c_, u"C:\\user\\u.rst", u"U", u""), 1);
    PresetEntry listed[1] = {};
    WCopyCut(listed[0].path, kWsPathChars, (kPriv + u"P3.rsr").c_str());
    ASSERT_EQ(PresetsInstallList(bundle.c_str(), u"us", kDplRegister | kDplMerge | kDplCheckConditions, c_, 1, listed),
              1);
    EXPECT_EQ(GetPresetCount(c_), 16);
    EXPECT_EQ(value(printerSection(), u"PresetList10"), kPriv + u"P2.rsr") << "entry 1 is never merged";
    EXPECT_EQ(value(printerSection(), u"PresetList11"), kPriv + u"P4.rsr") << "P3 is listed already";
    EXPECT_EQ(value(printerSection(), u"PresetList15"), kPriv + u"P8.rsr");
}

TEST_F(Deploy, DefaultNamesAndDoneMarks) {
    const std::u16string bundle = bundleOf(3);
    write(kDriverDir + u"P2.rsd", "[us]\r\nsetcomment=Only a comment\r\n");
    write(kDriverDir + u"P3.rsd", "[us]\r\n");
    ItemSetString(c_, ItemFindById(c_, kItWdmPresetComment), u"Current comment");
    ASSERT_EQ(PresetsInstallList(bundle.c_str(), u"us", kDplRegister, c_, 0, nullptr), 1);
    EXPECT_EQ(presetNames(), u"Preset 1,NoName,NoName");
    EXPECT_EQ(value(printerSection(), u"PresetList0Comment"), u"Current comment");
    EXPECT_EQ(value(printerSection(), u"PresetList1Comment"), u"Only a comment");
    EXPECT_EQ(value(printerSection(), u"PresetList2Comment"), u"");
    EXPECT_EQ(value(u"us", u"DrvInstPresetDone", bundle), u"(none)") << "only the hand-over mode marks";
    ASSERT_EQ(PresetsInstallList(bundle.c_str(), u"us", kDplRegister | kDplHandover, c_, 0, nullptr), 1);
    EXPECT_EQ(value(u"us", u"DrvInstPresetDone", bundle), u"1");
}

TEST_F(Deploy, TheSampleBundleDeploysAndRegistersOnce) {
    installSampleBundle();
    ASSERT_EQ(InstallDeployPresetFiles(c_, 0), 1);
    // The sections file gave the stapled preset its conditions and settings.
    EXPECT_EQ(value(u"condition", u"ConditionOption0_0", kDriverDir + u"VSTAPLE.rsd"), u"COND_FINISHER");
    EXPECT_EQ(value(u"us", u"setcomment", kDriverDir + u"VSTAPLE.rsd"), u"Stapled at the top left (needs the finisher)");
    // The %sysdir% entries were copied into the private directory; every
    // rsr copy carries the header and the conditions.
    EXPECT_NE(read(kPriv + u"VDUPLEX.rsd"), "(missing)");
    EXPECT_NE(read(kPriv + u"VDRAFT.rsq"), "(missing)");
    for (const char16_t* copy : {u"VSTD.rsr", u"VSTAPLE.rsr", u"VDUPLEX.rsr", u"VDRAFT.rsr"})
        EXPECT_EQ(PresetHasRstVersion((kPriv + copy).c_str(), c_), 1) << winsim::toUtf8(copy);
    EXPECT_EQ(value(u"condition", u"ConditionOption0_0", kPriv + u"VDUPLEX.rsr"), u"COND_DUPLEX");
    EXPECT_EQ(value(printerSection(), u"rdmFuncSelectDuplex", kPriv + u"VDUPLEX.rsr"), u"1");
    EXPECT_EQ(GetPresetCount(c_), 0) << "the deployment registers nothing";

    ASSERT_EQ(InstallDefaultRstOnce(0, 1, c_), 1);
    EXPECT_EQ(presetNames(), u"Standard,Stapled,Two-sided");
    EXPECT_EQ(value(printerSection(), u"PresetList2"), kPriv + u"VDUPLEX.rsr");
    EXPECT_EQ(GetQualityCount(c_), 1);
    EXPECT_EQ(value(printerSection(), u"QualityList0Name"), u"Draft");
    EXPECT_EQ(value(printerSection(), u"BatchInstallDone"), u"1");
    auto flag = winsim::printerData(name_, u"BatchInstallDone");
    ASSERT_TRUE(flag) << "also in printer data for a local install";
    EXPECT_EQ(flag->data, (std::vector<uint8_t>{1, 0, 0, 0}));

    // A preset load reads the registered copy.
    ASSERT_EQ(LoadPresetByIndex(c_, 2), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmFuncSelectDuplex), 1u);
}

TEST_F(Deploy, RevalidationFollowsTheFittedOptions) {
    installSampleBundle();
    ASSERT_EQ(InstallDeployPresetFiles(c_, 0), 1);
    ASSERT_EQ(InstallDefaultRstOnce(0, 1, c_), 1);
    // The default-job keys of the install name the bundle; without them
    // there is nothing to revalidate against.
    put(printerSection(), u"DefaultRst", nullptr);
    EXPECT_EQ(PresetsRevalidate(c_, 0), 0) << "no bundle in the printer's section";
    // The install's default-job keys name the bundle for the printer.
    put(printerSection(), u"DefaultRst", u"VESKDEF.rsb");
    ASSERT_EQ(PresetAdd(c_, u"C:\\sets\\mine.rst", u"Mine", u"A user's own"), 1);

    fitted(0, 1);
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(PresetsRevalidate(c_, 1), 0);
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u) << "the user was asked";
    EXPECT_EQ(presetNames(), u"Standard,Stapled,Two-sided,Mine") << "a cancel changes nothing";

    EXPECT_EQ(PresetsRevalidate(c_, 0), 1);
    EXPECT_EQ(presetNames(), u"Standard,Two-sided,Mine") << "no finisher: no stapled preset";
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u) << "not asked";

    fitted(1, 0);
    EXPECT_EQ(PresetsRevalidate(c_, 0), 1);
    EXPECT_EQ(presetNames(), u"Standard,Mine,Stapled") << "the finisher fitted, the duplex unit gone";
    fitted(1, 1);
    EXPECT_EQ(PresetsRevalidate(c_, 0), 1);
    EXPECT_EQ(presetNames(), u"Standard,Mine,Stapled,Two-sided");
    EXPECT_EQ(value(printerSection(), u"PresetList1Comment"), u"A user's own");
    EXPECT_EQ(value(printerSection(), u"PresetList3Comment"), u"Long-edge binding (needs the duplex unit)");
}

TEST_F(Deploy, SystemDirectoryCopiesRunAsTheSpooler) {
    write(kDriverDir + u"veskexc.DLL", "constraint library");
    write(kDriverDir + u"kw4mon.dll", "port monitor");
    winsim::journalClear();
    winsim::journalEnable(true);
    EXPECT_EQ(InstallCopyFilesToSystemDir(printer_), 1);
    winsim::journalEnable(false);
    EXPECT_EQ(read(u"C:\\WINDOWS\\system32\\veskexc.DLL"), "constraint library");
    EXPECT_EQ(read(u"C:\\WINDOWS\\system32\\kw4mon.dll"), "port monitor");
    size_t revert = 0, copy = 0, back = 0, i = 0;
    for (const auto& e : winsim::journal()) {
        ++i;
        if (e.function == "RevertToPrinterSelf") revert = i;
        if (e.function == "CopyFileW" && !copy) copy = i;
        if (e.function == "ImpersonatePrinterClient") back = i;
    }
    EXPECT_TRUE(revert && copy && back && revert < copy && copy < back) << revert << " " << copy << " " << back;
}

TEST_F(Deploy, ARefusedQualityFileIsWrittenAgainFromItsSource) {
    installSampleBundle();
    ASSERT_EQ(InstallDeployPresetFiles(c_, 0), 1);
    ASSERT_EQ(InstallDefaultRstOnce(0, 1, c_), 1);
    const std::u16string copy = kPriv + u"VDRAFT.rsr";
    put(printerSection(), u"RstVersion", u"300", copy);
    ASSERT_EQ(LoadQualityByIndex(c_, 0), 1);
    EXPECT_EQ(value(printerSection(), u"RstVersion", copy), u"200") << "the copy was written again";
    EXPECT_EQ(LoadQualityByIndex(c_, 0), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmTonerSave), 1u) << "and is read next time";
    EXPECT_EQ(winsim::messageBoxLog().size(), 0u);
}

TEST_F(Deploy, DeviceSettingsIntoTheBundleKeepItsEntries) {
    installSampleBundle();
    ItemSetRawById(c_, kItRdmOutputOptionTypeFin3000, 1);
    ASSERT_EQ(DefaultRstWriteDevice(c_), 1);
    const std::u16string bundle = kDriverDir + u"VESKDEF.rsb";
    EXPECT_EQ(value(u"us", u"RstVersion", bundle), u"200");
    EXPECT_EQ(value(u"us", u"rdmOutputOptionTypeFin3000", bundle), u"1");
    EXPECT_EQ(value(u"us", u"NumDeficonfiles", bundle), u"3");
    EXPECT_EQ(value(u"us", u"Deficonfiles3", bundle), u"%sysdir%\\VDUPLEX.rsd");

    ItemSetRawById(c_, kItRdmOutputOptionTypeFin3000, 0);
    ASSERT_EQ(DeviceFileLoad(bundle.c_str(), kStAboveFive, c_), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmOutputOptionTypeFin3000), 1u);
}

TEST_F(Deploy, ACopyGetsWholeSectionsOrNone) {
    const std::u16string source = kDriverDir + u"S.rsd";
    const std::u16string target = kPriv + u"S.rsr";
    std::string lines = "[us]\r\nsetname=S\r\n[disable]\r\nOther Driver=1\r\n[condition]\r\n";
    for (int i = 0; i < 1500; ++i) lines += "ConditionOption0_" + std::to_string(i % 10) + "=COND_BANK | COND_DUPLEX\r\n";
    write(source, lines);
    write(target, "[condition]\r\nConditionOption0_0=OLD\r\n");
    CopyPresetConditions(target.c_str(), source.c_str(), kStPresetDevice, c_);
    EXPECT_EQ(value(u"disable", u"Other Driver", target), u"1");
    EXPECT_EQ(value(u"condition", u"ConditionOption0_0", target), u"(none)")
        << "a section longer than its buffer is not copied cut; the old one is gone";
    EXPECT_EQ(PresetHasRstVersion(target.c_str(), c_), 1);
}
