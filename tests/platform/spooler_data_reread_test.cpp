// Printer data read again and again through the same handle: every read
// answers what the state holds at that moment, whoever changed it (another
// handle, the host, another thread or another process), and a handle that
// was closed, or whose printer went away, fails as it did.
#include "spooler_fixture.h"
#include "platform/fork_child.h"

#include <thread>

using namespace spooltest;

namespace {

constexpr char16_t kOther[] = u"Back Office";

DWORD setDword(HANDLE h, const char16_t* name, BYTE v) {
    BYTE b[4] = {v, 0, 0, 0};
    return SetPrinterDataW(h, const_cast<LPWSTR>(name), kRegDword, b, 4);
}

// The first byte of a DWORD value, or -1 with the call's code in *code.
int readByte(HANDLE h, const char16_t* name, DWORD* code = nullptr) {
    BYTE b[4] = {};
    DWORD type = 0, needed = 0;
    const DWORD e = GetPrinterDataW(h, const_cast<LPWSTR>(name), &type, b, 4, &needed);
    if (code) *code = e;
    return e == ERROR_SUCCESS ? b[0] : -1;
}

class SpoolerRereadTest : public SpoolerTest {
protected:
    void SetUp() override {
        SpoolerTest::SetUp();
        winsim::PrinterRecord p;
        p.name = kOther;
        p.driver = kDriver;
        ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
    }
};

}  // namespace

TEST_F(SpoolerRereadTest, ChangesThroughAnotherHandleTheHostOrAThreadAreSeenAtTheNextRead) {
    HANDLE reader = openUse();
    HANDLE writer = openAdmin();
    ASSERT_TRUE(reader && writer);
    ASSERT_EQ(setDword(writer, u"Level", 1), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(reader, u"Level"), 1);
    EXPECT_EQ(readByte(reader, u"Level"), 1);

    ASSERT_EQ(setDword(writer, u"Level", 2), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(reader, u"Level"), 2);

    ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Level", kRegDword, {3, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(reader, u"Level"), 3);

    std::thread([&] { EXPECT_EQ(setDword(writer, u"Level", 4), static_cast<DWORD>(ERROR_SUCCESS)); }).join();
    EXPECT_EQ(readByte(reader, u"Level"), 4);

    // A value deleted since the last read is missing, with its last error.
    ASSERT_EQ(DeletePrinterDataW(writer, const_cast<LPWSTR>(u"Level")), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD code = 0;
    SetLastError(0);
    EXPECT_EQ(readByte(reader, u"Level", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // Another thread's reads see this thread's changes too.
    ASSERT_EQ(setDword(writer, u"Level", 5), static_cast<DWORD>(ERROR_SUCCESS));
    std::thread([&] {
        EXPECT_EQ(readByte(reader, u"Level"), 5);
        EXPECT_EQ(setDword(writer, u"Level", 6), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(readByte(reader, u"Level"), 6);
    }).join();
    EXPECT_EQ(readByte(reader, u"Level"), 6);
}

TEST_F(SpoolerRereadTest, AValueSetByAnotherProcessBetweenTwoReadsIsSeen) {
    HANDLE reader = openUse();
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Level", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(reader, u"Level"), 1);
    for (BYTE v : {BYTE{7}, BYTE{8}}) {
        ASSERT_TRUE(forktest::inChild([v] {
            HANDLE h = nullptr;
            PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
            if (!OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &all)) return false;
            const bool ok = setDword(h, u"Level", v) == ERROR_SUCCESS;
            return ClosePrinter(h) && ok;
        }));
        EXPECT_EQ(readByte(reader, u"Level"), v);
    }
    // A value the other process deletes is gone here.
    ASSERT_TRUE(forktest::inChild([] { return winsim::deletePrinterData(kPrinter, u"Level") == ERROR_SUCCESS; }));
    DWORD code = 0;
    EXPECT_EQ(readByte(reader, u"Level", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SpoolerRereadTest, AClosedHandleFailsAndANewHandleReadsItsOwnPrinter) {
    ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Where", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(winsim::setPrinterData(kOther, u"Where", kRegDword, {2, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE first = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &first, &use));
    EXPECT_EQ(readByte(first, u"Where"), 1);
    ASSERT_TRUE(ClosePrinter(first));

    DWORD code = 0;
    SetLastError(0);
    EXPECT_EQ(readByte(first, u"Where", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Handles opened one after the other, each read at once: each answers
    // for its own printer, and the closed one stays refused.
    HANDLE other = open(kOther, PRINTER_ACCESS_USE);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(readByte(other, u"Where"), 2);
    HANDLE again = openUse();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(readByte(again, u"Where"), 1);
    EXPECT_EQ(readByte(other, u"Where"), 2);
    EXPECT_EQ(readByte(first, u"Where", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // A server handle holds no printer data.
    HANDLE server = open(u"", SERVER_ACCESS_ENUMERATE);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(readByte(server, u"Where", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerRereadTest, APrinterRemovedBehindAReadHandleIsReportedAndTheMachineSwitchIsFollowed) {
    HANDLE other = open(kOther, PRINTER_ACCESS_USE);
    HANDLE main = openUse();
    ASSERT_TRUE(other && main);
    ASSERT_EQ(winsim::setPrinterData(kOther, u"Where", kRegDword, {2, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(other, u"Where"), 2);
    ASSERT_TRUE(forktest::inChild([] { return winsim::removePrinter(kOther) == ERROR_SUCCESS; }));
    DWORD code = 0;
    EXPECT_EQ(readByte(other, u"Where", &code), -1);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

    // The same machine opened afresh: the handle reads the files again.
    ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Where", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(readByte(main, u"Where"), 1);
    ASSERT_TRUE(winsim::useMachine(machine_.root()));
    EXPECT_EQ(readByte(main, u"Where"), 1);
    ASSERT_TRUE(forktest::inChild([] { return winsim::setPrinterData(kPrinter, u"Where", kRegDword, {9, 0, 0, 0}) == 0; }));
    EXPECT_EQ(readByte(main, u"Where"), 9);
}
