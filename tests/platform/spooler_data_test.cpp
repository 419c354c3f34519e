// Printer data: result codes, the size protocols, access and persistence.
#include "spooler_fixture.h"
#include "platform/file_helpers.h"

#include <sys/wait.h>
#include <unistd.h>


using namespace spooltest;

namespace {

DWORD setValue(HANDLE h, const char16_t* name, DWORD type, std::vector<BYTE> data) {
    return SetPrinterDataW(h, const_cast<LPWSTR>(name), type, data.data(), static_cast<DWORD>(data.size()));
}

DWORD getValue(HANDLE h, const char16_t* name, DWORD* type, BYTE* data, DWORD size, DWORD* needed) {
    return GetPrinterDataW(h, const_cast<LPWSTR>(name), type, data, size, needed);
}

}  // namespace

TEST_F(SpoolerTest, GetPrinterDataResultCodesAndSizes) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    ASSERT_EQ(setValue(admin, u"Blob", kRegBinary, {1, 2, 3, 4, 5}), static_cast<DWORD>(ERROR_SUCCESS));

    DWORD type = 0, needed = 0;
    EXPECT_FAILS_WITH(getValue(admin, u"Missing", &type, nullptr, 0, &needed),
                      static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ERROR_FILE_NOT_FOUND);

    BYTE buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(getValue(admin, u"BLOB", &type, buf, 4, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 5u);
    EXPECT_EQ(buf[0], 0xEE);  // nothing copied on a short buffer
    EXPECT_EQ(getValue(admin, u"blob", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 5u);

    // A larger buffer gets exactly the stored bytes; the rest stays as it was.
    EXPECT_EQ(getValue(admin, u"Blob", &type, buf, sizeof buf, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(needed, 5u);
    const BYTE want[8] = {1, 2, 3, 4, 5, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(buf, want, 8), 0);

    // The type pointer may be null; the size pointer may not.
    EXPECT_EQ(getValue(admin, u"Blob", nullptr, buf, sizeof buf, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(getValue(admin, u"Blob", &type, buf, sizeof buf, nullptr), static_cast<DWORD>(RPC_X_NULL_REF_POINTER));
    EXPECT_EQ(getValue(nullptr, u"Blob", &type, buf, sizeof buf, &needed), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // An empty value reads back as zero bytes.
    ASSERT_EQ(setValue(admin, u"Empty", kRegBinary, {}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(getValue(admin, u"Empty", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(needed, 0u);
}

TEST_F(SpoolerTest, WritesNeedAdministerAccessAndChangeNothingOtherwise) {
    HANDLE use = openUse();
    HANDLE admin = openAdmin();
    ASSERT_TRUE(use && admin);
    ASSERT_EQ(setValue(admin, u"Permission", kRegDword, {7, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(setValue(use, u"Permission", kRegDword, {9, 0, 0, 0}), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(setValue(use, u"BidiFlag", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(DeletePrinterDataW(use, const_cast<LPWSTR>(u"Permission")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    auto v = winsim::printerData(kPrinter, u"Permission");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{7, 0, 0, 0}));
    EXPECT_FALSE(winsim::printerData(kPrinter, u"BidiFlag"));
    // Reads need only the use right.
    BYTE buf[4];
    DWORD needed = 0;
    EXPECT_EQ(getValue(use, u"Permission", nullptr, buf, 4, &needed), static_cast<DWORD>(ERROR_SUCCESS));

    EXPECT_EQ(DeletePrinterDataW(admin, const_cast<LPWSTR>(u"PERMISSION")), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(DeletePrinterDataW(admin, const_cast<LPWSTR>(u"Permission")), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(SetPrinterDataW(admin, nullptr, kRegDword, buf, 4), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"X"), kRegDword, nullptr, 4),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SpoolerTest, ReplacingAValueKeepsItsNameAndPlace) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    ASSERT_EQ(setValue(admin, u"First", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(setValue(admin, u"Second", kRegDword, {2, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(setValue(admin, u"FIRST", kRegSz, {'a', 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    auto p = winsim::findPrinter(kPrinter);
    ASSERT_EQ(p->data.size(), 2u);
    EXPECT_EQ(p->data[0].name, u"First");
    EXPECT_EQ(p->data[0].type, kRegSz);
    EXPECT_EQ(p->data[1].name, u"Second");
}

TEST_F(SpoolerTest, EnumPrinterDataWalksEveryValue) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    DWORD nameSize = 0, dataSize = 0, type = 0;
    EXPECT_EQ(EnumPrinterDataW(admin, 0, nullptr, 0, &nameSize, &type, nullptr, 0, &dataSize),
              static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    ASSERT_EQ(setValue(admin, u"A", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(setValue(admin, u"LongerName", kRegBinary, {1, 2, 3, 4, 5, 6, 7, 8, 9}), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(setValue(admin, u"Mid", kRegSz, {'x', 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));

    // Both sizes zero: the largest name and data of all values.
    ASSERT_EQ(EnumPrinterDataW(admin, 0, nullptr, 0, &nameSize, &type, nullptr, 0, &dataSize),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(nameSize, (10u + 1) * 2);
    EXPECT_EQ(dataSize, 9u);

    std::vector<WCHAR> name(nameSize / 2);
    std::vector<BYTE> data(dataSize);
    std::vector<std::u16string> seen;
    DWORD i = 0;
    for (;; ++i) {
        DWORD n = 0, d = 0;
        DWORD r = EnumPrinterDataW(admin, i, name.data(), nameSize, &n, &type, data.data(), dataSize, &d);
        if (r == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(r, static_cast<DWORD>(ERROR_SUCCESS));
        seen.push_back(name.data());
        EXPECT_EQ(n, (seen.back().size() + 1) * 2);
    }
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"A", u"LongerName", u"Mid"}));

    // A buffer too small for one value: ERROR_MORE_DATA with its sizes.
    DWORD n = 0, d = 0;
    WCHAR small[2];
    EXPECT_EQ(EnumPrinterDataW(admin, 1, small, sizeof small, &n, &type, data.data(), dataSize, &d),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(n, 22u);
    EXPECT_EQ(d, 9u);
    EXPECT_EQ(EnumPrinterDataW(admin, 0, name.data(), nameSize, nullptr, &type, data.data(), dataSize, &d),
              static_cast<DWORD>(RPC_X_NULL_REF_POINTER));
}

TEST_F(SpoolerTest, PrinterDataPersistsAcrossProcesses) {
    // A child process writes through the Windows calls; this one reads.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HANDLE h = nullptr;
        PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
        bool ok = OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &all);
        BYTE v[] = {0x2A, 0, 0, 0};
        ok = ok && SetPrinterDataW(h, const_cast<LPWSTR>(u"FromChild"), kRegDword, v, 4) == ERROR_SUCCESS;
        ok = ok && ClosePrinter(h);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    BYTE buf[4] = {};
    DWORD type = 0, needed = 0;
    ASSERT_EQ(getValue(h, u"FromChild", &type, buf, 4, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(buf[0], 0x2A);

    // And after the machine is opened afresh.
    ASSERT_TRUE(winsim::useMachine(machine_.root()));
    EXPECT_TRUE(winsim::printerData(kPrinter, u"FromChild"));
}

TEST_F(SpoolerTest, TextWithAnyCharacterSurvivesTheStateFile) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    // Separators, escapes, a lone surrogate and a character outside the BMP.
    std::u16string odd = u"a b%uZZ=\n\r\t,\xD800x\xD83D\xDE00 end";
    std::vector<BYTE> bytes{0, 0xFF, '\n', ' '};
    ASSERT_EQ(SetPrinterDataW(admin, odd.data(), 77, bytes.data(), 4), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(winsim::useMachine(machine_.root()));
    auto v = winsim::printerData(kPrinter, odd);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->name, odd);
    EXPECT_EQ(v->type, 77u);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{0, 0xFF, '\n', ' '}));
}

TEST_F(SpoolerTest, DamagedStateIsReportedAndNeverOverwritten) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    auto file = machine_.root() / "spooler" / "printers.txt";
    const std::string good = filetest::hostText(file);
    filetest::putHostText(file, good.substr(0, good.rfind("end")));  // the last record is cut off
    BYTE v[4] = {1, 0, 0, 0};
    EXPECT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"X"), kRegDword, v, 4), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_EQ(filetest::hostText(file), good.substr(0, good.rfind("end")));
    EXPECT_TRUE(winsim::listPrinters().empty());
}
