// DevQueryPrintEx and the form matching: by size within the tolerance, by
// paper number, by name, the custom form, bounded names.
#include "ui/ui_support.h"

#include "core/devmode/dm_layout.h"

namespace vesk::test {
namespace {

class Forms : public UiPrinter {
protected:
    GuardedBuffer sized(int16_t width, int16_t length) {
        GuardedBuffer d = driverDevmode();
        d.put32(dm::kOffFields, (d.u32(dm::kOffFields) | DM_PAPERWIDTH | DM_PAPERLENGTH) & ~uint32_t{DM_FORMNAME});
        d.put16(dm::kOffPaperWidth, static_cast<uint16_t>(width));
        d.put16(dm::kOffPaperLength, static_cast<uint16_t>(length));
        for (uint32_t i = 0; i < dm::kFormNameChars; ++i) d.put16(dm::kOffFormName + 2 * i, 0);
        return d;
    }
    static std::u16string formName(GuardedBuffer& d) {
        std::u16string s;
        for (uint32_t i = 0; i < dm::kFormNameChars && d.u16(dm::kOffFormName + 2 * i); ++i)
            s += static_cast<char16_t>(d.u16(dm::kOffFormName + 2 * i));
        return s;
    }
};

TEST_F(Forms, ASizeWithinTheToleranceTakesTheFormsFields) {
    GuardedBuffer d = sized(2100, 2970);
    d.put16(dm::kOffPaperSize, 0);
    FoundForm f{};
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormFound);
    EXPECT_EQ(std::u16string(f.form.pName), u"A4");
    EXPECT_EQ(f.form.pName, f.name);
    EXPECT_EQ(d.u16(dm::kOffPaperSize), 9);
    EXPECT_EQ(formName(d), u"A4");
    EXPECT_TRUE(d.u32(dm::kOffFields) & DM_FORMNAME);
    EXPECT_TRUE(d.canaryIntact());
}

TEST_F(Forms, ExactlyTheToleranceOffIsACustomFormAndTheJobStillPrints) {
    GuardedBuffer d = sized(2110, 2980);  // 1 mm off A4 in both directions
    FoundForm f{};
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormCustom);
    EXPECT_EQ(f.form.Size.cx, 211000);
    EXPECT_EQ(f.form.ImageableArea.bottom, 298000);
    EXPECT_EQ(f.name[0], 0);
    EXPECT_EQ(formName(d), u"") << "no form fields taken";
    DEVQUERYPRINT_INFO info{};
    info.hPrinter = printer_;
    info.pDevMode = d.dm();
    EXPECT_TRUE(DevQueryPrintEx(&info));
    EXPECT_EQ(formName(d), u"");
}

TEST_F(Forms, ThePaperNumberMustNameAForm) {
    GuardedBuffer d = driverDevmode();
    d.put32(dm::kOffFields, (d.u32(dm::kOffFields) | DM_PAPERSIZE) & ~uint32_t{DM_PAPERWIDTH | DM_PAPERLENGTH | DM_FORMNAME});
    FoundForm f{};
    d.put16(dm::kOffPaperSize, 0);
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormNone);
    d.put16(dm::kOffPaperSize, 30000);
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormNone);
    d.put16(dm::kOffPaperSize, 1);
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormFound);
    EXPECT_EQ(std::u16string(f.name), u"Letter");
    EXPECT_EQ(d.u16(dm::kOffPaperWidth), 2159);
    // By name, case-sensitive.
    d.put32(dm::kOffFields, DM_FORMNAME);
    const std::u16string a5 = u"a5";
    for (size_t i = 0; i <= a5.size(); ++i) d.put16(dm::kOffFormName + 2 * i, i < a5.size() ? a5[i] : 0);
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormNone);
    d.put16(dm::kOffFormName, u'A');
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormFound);
    EXPECT_EQ(d.u16(dm::kOffPaperSize), 11);
    // A DEVMODE too short to hold the form name is left alone.
    EXPECT_EQ(FormFindForDevmode(printer_, d.dm(), 100, &f), kFormNone);
}

TEST_F(Forms, LongFormNamesAreCutOnACharacterBoundary) {
    std::u16string longName(40, u'F');
    longName[30] = 0xD83D;  // a surrogate pair across the DEVMODE's cut
    longName[31] = 0xDE00;
    FORM_INFO_1W form{FORM_USER, longName.data(), {123400, 234500}, {0, 0, 123400, 234500}};
    ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&form)));
    GuardedBuffer d = sized(1234, 2345);
    FoundForm f{};
    ASSERT_EQ(FormFindForDevmode(printer_, d.dm(), kUiDm, &f), kFormFound);
    EXPECT_EQ(std::u16string(f.name), longName) << "40 characters fit the 64 of the record";
    EXPECT_EQ(formName(d), longName.substr(0, 30)) << "the pair does not fit in 31 characters";
    EXPECT_TRUE(d.canaryIntact());
    WCHAR small[4];
    CopyFormName(small, 4, u"ABCDEF");
    EXPECT_EQ(std::u16string(small), u"ABC");
    CopyFormName(small, 4, nullptr);
    EXPECT_EQ(small[0], 0);
}

TEST_F(Forms, TheJobCheckAcceptsWhatItCanMerge) {
    EXPECT_FALSE(DevQueryPrintEx(nullptr));
    DEVQUERYPRINT_INFO info{};
    info.hPrinter = printer_;
    winsim::journalClear();
    EXPECT_TRUE(DevQueryPrintEx(&info)) << "no DEVMODE: nothing to check";
    EXPECT_EQ(calls("OpenPrinterW") + calls("GetPrinterW"), 0u);
    GuardedBuffer d = sized(2100, 2970);
    info.pDevMode = d.dm();
    EXPECT_TRUE(DevQueryPrintEx(&info));
    EXPECT_EQ(formName(d), u"A4");
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

TEST_F(Forms, BuiltInFormsFitAPaperOfTheModel) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    FORM_INFO_1W a4{FORM_BUILTIN, const_cast<LPWSTR>(u"A4"), {210000, 297000}, {}};
    EXPECT_EQ(FormMatchModelPaper(&a4, 0, c), 1);
    FORM_INFO_1W huge{FORM_BUILTIN, const_cast<LPWSTR>(u"Huge"), {900000, 900000}, {}};
    EXPECT_EQ(FormMatchModelPaper(&huge, 0, c), 0);
    FORM_INFO_1W user{FORM_USER, const_cast<LPWSTR>(u"Mine"), {900000, 900000}, {}};
    EXPECT_EQ(FormMatchModelPaper(&user, 1, c), 1);
    FORM_INFO_1W printerForm{FORM_BUILTIN | FORM_PRINTER, const_cast<LPWSTR>(u"P"), {210000, 297000}, {}};
    EXPECT_EQ(FormMatchModelPaper(&printerForm, 1, c), 0);
    EXPECT_EQ(FormMatchModelPaper(&printerForm, 0, c), 1);
}

}  // namespace
}  // namespace vesk::test
