// The model database: the model name from the model description's Models
// section, the installer's file and what the registration writes.
#include <gtest/gtest.h>

#include "common/sample_printer_support.h"
#include "core/model_db.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kZordb = u"C:\\WINDOWS\\zordb.ini";

class ModelDb : public SamplePrinter {
protected:
    // The sample model with its Models line replaced.
    void modelsLine(const std::string& line) {
        std::string text = readFile(sampleModel());
        const std::string ours = "VESK Colour MFP=VESK MFP1 Colour";
        const size_t at = text.find(ours);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, ours.size(), line);
        write(kDriverDir + u"VESKMFP1.VMD", text);
    }
    void installerFile(const std::string& text) { write(kDriverDir + u"KWINST.ini", text); }
    std::string zordb(const char16_t* section, const char16_t* key) {
        WCHAR v[64] = {};
        GetPrivateProfileStringW(section, key, u"(missing)", v, 64, kZordb.c_str());
        return winsim::toUtf8(v);
    }
};

TEST_F(ModelDb, RegistersTheSampleModel) {
    installerFile("[VESK MFP1 Colour]\r\nLoadDll32=VESKMT32.dll\r\nVersion32=1.4.0.2\r\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_NE(GetModelDbSection(c), nullptr);
    EXPECT_EQ(std::u16string(GetModelDbSection(c)), u"VESK MFP1 Colour");
    WCHAR load[kInstallerValueChars], version[kInstallerValueChars];
    ASSERT_EQ(ReadInstallerDllEntry(c, load, version), 1);
    EXPECT_EQ(std::u16string(load), u"VESKMT32.dll");
    EXPECT_EQ(std::u16string(version), u"1.4.0.2");
    ASSERT_EQ(ModelDbRegister(c), 1);
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"LoadDll"), "VESKMT32.dll");
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"ResDll"), "OVA22DAT.dll");
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"Version"), "1.4.0.2");
}

TEST_F(ModelDb, WithoutInstallerSectionOnlyResDllAndOlderValuesStay) {
    installerFile("[Another Model]\r\nLoadDll32=X.dll\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESK MFP1 Colour", u"LoadDll", u"OLD.dll", kZordb.c_str()));
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(ModelDbRegister(c), 1);
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"LoadDll"), "OLD.dll");
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"ResDll"), "OVA22DAT.dll");
    EXPECT_EQ(zordb(u"VESK MFP1 Colour", u"Version"), "(missing)");
}

TEST_F(ModelDb, LeadingBlanksAreNotPartOfTheSection) {
    modelsLine("VESK Colour MFP=\"  Blank Model\"");
    installerFile("[Blank Model]\r\nVersion32=2.0\r\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_NE(GetModelDbSection(c), nullptr);
    EXPECT_EQ(std::u16string(GetModelDbSection(c)), u"  Blank Model");
    ASSERT_EQ(ModelDbRegister(c), 1);
    EXPECT_EQ(zordb(u"Blank Model", u"ResDll"), "OVA22DAT.dll");
    EXPECT_EQ(zordb(u"Blank Model", u"Version"), "2.0");
}

TEST_F(ModelDb, NoModelNameRegistersNothing) {
    modelsLine("Another Driver=Some Model");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetModelDbSection(c), nullptr);
    EXPECT_EQ(ModelDbRegister(c), 0);
    EXPECT_EQ(read(kZordb), "(missing)");
}

TEST_F(ModelDb, LongNamesAreCutAndNoDataLibraryWritesNothing) {
    modelsLine("VESK Colour MFP=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_NE(GetModelDbSection(c), nullptr);
    EXPECT_EQ(std::u16string(GetModelDbSection(c)), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    c->desc->dataLibraryName = u"";
    EXPECT_EQ(ModelDbRegister(c), 1);
    EXPECT_EQ(read(kZordb), "(missing)");
}

}  // namespace
