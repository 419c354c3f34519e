// The form database and print jobs.
#include "spooler_fixture.h"
#include "platform/file_helpers.h"


using namespace spooltest;

namespace {

std::vector<BYTE> enumForms(HANDLE h, DWORD level, DWORD* count) {
    DWORD needed = 0;
    *count = 99;
    if (EnumFormsW(h, level, nullptr, 0, &needed, count) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    if (*count != 0) return {};
    std::vector<BYTE> buf(needed);
    if (!EnumFormsW(h, level, buf.data(), needed, &needed, count)) return {};
    return buf;
}

DWORD startDoc(HANDLE h, const char16_t* name, const char16_t* output = nullptr, const char16_t* type = nullptr) {
    DOC_INFO_1W doc{const_cast<LPWSTR>(name), const_cast<LPWSTR>(output), const_cast<LPWSTR>(type)};
    return StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
}

bool write(HANDLE h, const std::string& bytes) {
    DWORD written = 0;
    return WritePrinter(h, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) &&
           written == bytes.size();
}

}  // namespace

TEST_F(SpoolerTest, StandardFormsStandInPaperNumberOrder) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    DWORD count = 0;
    auto buf = enumForms(h, 1, &count);
    ASSERT_EQ(count, 118u);
    auto* forms = reinterpret_cast<FORM_INFO_1W*>(buf.data());
    struct Expect {
        DWORD paper;
        const char16_t* name;
        LONG cx, cy;
    };
    // Position + 1 is the DMPAPER value, which the driver relies on: anchors
    // along the table keep its order.
    for (const Expect& e : {Expect{1, u"Letter", 215900, 279400}, Expect{9, u"A4", 210000, 297000},
                            Expect{20, u"Envelope #10", 104775, 241300}, Expect{43, u"Japanese Postcard", 100000, 148000},
                            Expect{70, u"A6", 105000, 148000}, Expect{118, u"PRC Envelope #10 Rotated", 458000, 324000}}) {
        const FORM_INFO_1W& f = forms[e.paper - 1];
        EXPECT_EQ(std::u16string(f.pName), e.name) << e.paper;
        EXPECT_EQ(f.Size.cx, e.cx) << e.paper;
        EXPECT_EQ(f.Size.cy, e.cy) << e.paper;
        EXPECT_EQ(f.Flags, DWORD(FORM_BUILTIN));
        EXPECT_EQ(f.ImageableArea.left, 0);
        EXPECT_EQ(f.ImageableArea.right, e.cx);
        EXPECT_EQ(f.ImageableArea.bottom, e.cy);
    }
    // Names are unique and every string lies in the caller's block.
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_GE(reinterpret_cast<BYTE*>(forms[i].pName), buf.data() + count * sizeof(FORM_INFO_1W));
        EXPECT_LT(reinterpret_cast<BYTE*>(forms[i].pName), buf.data() + buf.size());
        for (DWORD j = 0; j < i; ++j) EXPECT_NE(std::u16string(forms[i].pName), forms[j].pName);
    }
    // Level 2 adds the keyword; a short buffer returns nothing.
    auto two = enumForms(h, 2, &count);
    ASSERT_EQ(count, 118u);
    auto* f2 = reinterpret_cast<FORM_INFO_2W*>(two.data());
    EXPECT_STREQ(f2[8].pKeyword, "A4");
    EXPECT_EQ(f2[8].Size.cx, 210000);
    DWORD needed = 0;
    std::vector<BYTE> small(64);
    EXPECT_FALSE(EnumFormsW(h, 1, small.data(), 64, &needed, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_FAILS_WITH(EnumFormsW(h, 3, nullptr, 0, &needed, &count), FALSE, ERROR_INVALID_LEVEL);
}

TEST_F(SpoolerTest, MachineFormsFollowTheStandardOnes) {
    HANDLE use = openUse();
    HANDLE admin = openAdmin();
    ASSERT_TRUE(use && admin);
    FORM_INFO_1W form{FORM_USER, const_cast<LPWSTR>(u"Ticket"), {80000, 200000}, {1000, 1000, 79000, 199000}};
    EXPECT_FAILS_WITH(AddFormW(use, 1, reinterpret_cast<BYTE*>(&form)), FALSE, ERROR_ACCESS_DENIED);
    ASSERT_TRUE(AddFormW(admin, 1, reinterpret_cast<BYTE*>(&form)));
    EXPECT_FAILS_WITH(AddFormW(admin, 1, reinterpret_cast<BYTE*>(&form)), FALSE, ERROR_FILE_EXISTS);
    FORM_INFO_1W bad = form;
    bad.pName = const_cast<LPWSTR>(u"Bad");
    bad.ImageableArea.right = 90000;  // outside the sheet
    EXPECT_FAILS_WITH(AddFormW(admin, 1, reinterpret_cast<BYTE*>(&bad)), FALSE, ERROR_INVALID_FORM_SIZE);
    bad.pName = const_cast<LPWSTR>(u"");
    EXPECT_FAILS_WITH(AddFormW(admin, 1, reinterpret_cast<BYTE*>(&bad)), FALSE, ERROR_INVALID_FORM_NAME);

    DWORD count = 0;
    auto buf = enumForms(use, 1, &count);
    ASSERT_EQ(count, 119u);
    auto* forms = reinterpret_cast<FORM_INFO_1W*>(buf.data());
    EXPECT_EQ(std::u16string(forms[118].pName), u"Ticket");
    EXPECT_EQ(forms[118].Flags, DWORD(FORM_USER));
    EXPECT_EQ(forms[118].ImageableArea.top, 1000);

    auto one = twoCalls([&](BYTE* b, DWORD n, DWORD* need) {
        return GetFormW(use, const_cast<LPWSTR>(u"ticket"), 1, b, n, need);
    });
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(reinterpret_cast<FORM_INFO_1W*>(one.data())->Size.cy, 200000);

    EXPECT_FAILS_WITH(DeleteFormW(admin, const_cast<LPWSTR>(u"A4")), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(DeleteFormW(admin, const_cast<LPWSTR>(u"Ticket")));
    EXPECT_FAILS_WITH(DeleteFormW(admin, const_cast<LPWSTR>(u"Ticket")), FALSE, ERROR_INVALID_FORM_NAME);
    EXPECT_EQ(winsim::listForms().size(), 118u);

    // The print server's handle sees the same forms.
    HANDLE server = nullptr;
    ASSERT_TRUE(OpenPrinterW(nullptr, &server, nullptr));
    EXPECT_EQ(enumForms(server, 1, &count).empty(), false);
    EXPECT_EQ(count, 118u);
    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterW(server, 2, nullptr, 0, &needed), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_TRUE(ClosePrinter(server));
}

TEST_F(SpoolerTest, JobIsWrittenAndReadBack) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    winsim::setVirtualClock(0x01D0000000000000ull, 0);
    DWORD id = startDoc(h, u"report: Q3/Q4");
    ASSERT_NE(id, 0u);
    EXPECT_FAILS_WITH(startDoc(h, u"again"), 0u, ERROR_INVALID_PRINTER_STATE);  // one document per handle at a time
    ASSERT_TRUE(StartPagePrinter(h));
    ASSERT_TRUE(write(h, "\x1B%-12345X@PJL\r\n"));
    ASSERT_TRUE(EndPagePrinter(h));
    ASSERT_TRUE(StartPagePrinter(h));
    ASSERT_TRUE(write(h, std::string("page two\0bytes", 14)));
    ASSERT_TRUE(EndPagePrinter(h));

    // While spooling, a second handle sees the job and its size so far.
    HANDLE other = openUse();
    ASSERT_NE(other, nullptr);
    auto two = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetJobW(other, id, 2, b, n, need); });
    ASSERT_FALSE(two.empty());
    auto* j2 = reinterpret_cast<JOB_INFO_2W*>(two.data());
    EXPECT_EQ(j2->JobId, id);
    EXPECT_EQ(std::u16string(j2->pDocument), u"report: Q3/Q4");
    EXPECT_EQ(std::u16string(j2->pPrinterName), kPrinter);
    EXPECT_EQ(std::u16string(j2->pUserName), u"user");
    EXPECT_EQ(std::u16string(j2->pDriverName), kDriver);
    EXPECT_EQ(std::u16string(j2->pDatatype), u"RAW");
    EXPECT_EQ(j2->Status, DWORD(JOB_STATUS_SPOOLING));
    EXPECT_EQ(j2->TotalPages, 2u);
    EXPECT_EQ(j2->Size, 15u + 14u);
    EXPECT_EQ(j2->Position, 1u);
    EXPECT_EQ(j2->Submitted.wYear, 2014);

    ASSERT_TRUE(EndDocPrinter(h));
    EXPECT_FAILS_WITH(EndDocPrinter(h), FALSE, ERROR_SPL_NO_STARTDOC);
    auto one = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetJobW(h, id, 1, b, n, need); });
    ASSERT_FALSE(one.empty());
    auto* j1 = reinterpret_cast<JOB_INFO_1W*>(one.data());
    EXPECT_EQ(j1->Status, DWORD(JOB_STATUS_COMPLETE));
    EXPECT_EQ(std::u16string(j1->pUserName), u"user");
    EXPECT_EQ(std::u16string(j1->pMachineName), u"\\\\VESKPC");

    // The spool file is named for a person and holds the bytes.
    auto path = winsim::jobSpoolFile(id);
    ASSERT_TRUE(path);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%05u Office Colour - report_ Q3_Q4.prn", unsigned(id));
    EXPECT_EQ(path->filename().string(), expected);
    EXPECT_EQ(filetest::hostText(*path), std::string("\x1B%-12345X@PJL\r\npage two\0bytes", 29));
    winsim::useRealClock();
}

TEST_F(SpoolerTest, JobsOfAnotherPrinterAndBadCalls) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    DWORD written = 7;
    EXPECT_FAILS_WITH(WritePrinter(h, const_cast<char*>("x"), 1, &written), FALSE, ERROR_SPL_NO_STARTDOC);
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(StartPagePrinter(h));
    EXPECT_FAILS_WITH(startDoc(h, u"doc", nullptr, u"NO SUCH TYPE"), 0u, ERROR_INVALID_DATATYPE);
    EXPECT_FAILS_WITH(StartDocPrinterW(h, 2, nullptr), 0u, ERROR_INVALID_LEVEL);
    EXPECT_TRUE(winsim::listJobs().empty());

    DWORD id = startDoc(h, u"doc");
    ASSERT_NE(id, 0u);
    winsim::PrinterRecord p;
    p.name = u"Other";
    p.driver = kDriver;
    ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
    HANDLE other = open(u"Other", PRINTER_ACCESS_USE);
    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetJobW(other, id, 1, nullptr, 0, &needed), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetJobW(h, id + 100, 1, nullptr, 0, &needed), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetJobW(h, id, 3, nullptr, 0, &needed), FALSE, ERROR_INVALID_LEVEL);
}

TEST_F(SpoolerTest, AbortDropsTheJobAndCloseEndsIt) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    DWORD aborted = startDoc(h, u"draft");
    ASSERT_NE(aborted, 0u);
    ASSERT_TRUE(write(h, "partial"));
    auto spool = winsim::jobSpoolFile(aborted);
    ASSERT_TRUE(spool && std::filesystem::exists(*spool));
    ASSERT_TRUE(AbortPrinter(h));
    EXPECT_FALSE(winsim::findJob(aborted));
    EXPECT_FALSE(std::filesystem::exists(*spool));

    // Closing a handle with a document open ends that document.
    HANDLE second = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &second, nullptr));
    DWORD id = startDoc(second, nullptr);
    ASSERT_GT(id, aborted);  // ids are never reused
    ASSERT_TRUE(write(second, "kept"));
    ASSERT_TRUE(ClosePrinter(second));
    auto job = winsim::findJob(id);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->status, DWORD(JOB_STATUS_COMPLETE));
    char name[32];
    std::snprintf(name, sizeof name, "%05u Office Colour.prn", unsigned(id));
    EXPECT_EQ(job->spoolFile, winsim::fromUtf8(name));

    // Removing the printer takes its jobs and spool files along.
    auto path = winsim::jobSpoolFile(id);
    ASSERT_EQ(winsim::removePrinter(kPrinter), ERROR_SUCCESS);
    EXPECT_TRUE(winsim::listJobs().empty());
    EXPECT_FALSE(std::filesystem::exists(*path));
}

TEST_F(SpoolerTest, OutputFileReceivesTheDocumentAndJobsCarryTheHandlesDevmode) {
    std::vector<uint8_t> dm = devmode(220, 4, 0x33);
    PRINTER_DEFAULTSW d{const_cast<LPWSTR>(u"RAW"), reinterpret_cast<DEVMODEW*>(dm.data()), PRINTER_ACCESS_USE};
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &d));
    open_.push_back(h);
    DWORD id = startDoc(h, u"to file", u"C:\\WINDOWS\\Temp\\out.prn");
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(write(h, "bytes for the file"));
    ASSERT_TRUE(EndDocPrinter(h));
    EXPECT_EQ(filetest::hostText(machine_.root() / "C" / "WINDOWS" / "Temp" / "out.prn"), "bytes for the file");
    auto two = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetJobW(h, id, 2, b, n, need); });
    ASSERT_FALSE(two.empty());
    auto* j2 = reinterpret_cast<JOB_INFO_2W*>(two.data());
    ASSERT_NE(j2->pDevMode, nullptr);
    EXPECT_EQ(std::memcmp(j2->pDevMode, dm.data(), dm.size()), 0);
}
