// The CSV address list: reading, the pooled display list, writing back, and
// a book that is never lost (unreadable files are not overwritten; a failed
// save leaves the old file).
#include <gtest/gtest.h>

#include <win/files.h>
#include <winsim/winsim.h>

#include <string>
#include <vector>

#include "address/csv_store.h"
#include "common/sample_printer_support.h"
#include "core/paths.h"

namespace vesk::test {
namespace {

std::vector<BYTE> bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string text(const std::vector<BYTE>& b) { return {b.begin(), b.end()}; }

struct Store {
    CsvStore s{};
    Store() { EXPECT_EQ(CsvStoreInit(&s), 1); }
    ~Store() { CsvStoreRelease(&s); }
    int parse(const std::string& file) {
        const auto b = bytes(file);
        const int ok = CsvParseRecords(&s, b.data(), b.size());
        if (ok) CsvBuildDisplayListOf(&s);
        return ok;
    }
    std::string format() {
        std::vector<BYTE> out;
        EXPECT_TRUE(CsvFormatFile(&s, out));
        return text(out);
    }
};

std::string line(const std::string& name, const std::string& number, const std::string& lineName = "",
                 const std::string& list6 = "") {
    return name + ",a,b,c,d," + number + "," + list6 + ",,x," + lineName + ",1,,0\r\n";
}

TEST(AddressCsv, UnchangedRoundTripIsByteForByte) {
    Store st;
    const std::string file = line("Office", "0123-456", "L1", "p1|p2") + line("", "99") + line("Home", "*7#", "", "");
    ASSERT_EQ(st.parse(file), 1);
    EXPECT_EQ(st.s.readCount, 3);
    EXPECT_EQ(st.s.unnamedCount, 1);
    EXPECT_EQ(st.format(), file);
    EXPECT_EQ(CsvNamedCount(&st.s), 2);
}

TEST(AddressCsv, LineEndsAndFieldSplitting) {
    Store st;
    // No LF on the last line; a name-only line and an empty line skipped; a
    // comma in a name makes two fields; fields past the 13th are dropped.
    ASSERT_EQ(st.parse("Solo\n\nAc,me,2,3,4,555\nLast,1,2,3,4,12,,,,L,,,,extra,more"), 1);
    ASSERT_EQ(CsvNamedCount(&st.s), 2);
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->text[0]), u"Ac");
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->text[1]), u"me");
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->number), u"555");
    CsvRecord* last = CsvNamedAt(&st.s, 2);
    EXPECT_EQ(std::u16string(last->number), u"12");
    EXPECT_EQ(std::u16string(last->line), u"L");
    EXPECT_EQ(st.format().substr(st.format().find("Last")), "Last,1,2,3,4,12,,,,L,,,\r\n");
}

TEST(AddressCsv, FieldLimitsMakeTheFileUnreadable) {
    Store ok;
    EXPECT_EQ(ok.parse("N,,,,," + std::string(32, '1') + "\r\n"), 1);
    Store bad;
    EXPECT_EQ(bad.parse(line("First", "1") + "N,,,,," + std::string(33, '1') + "\r\n"), 0);
    EXPECT_EQ(bad.s.readCount, 0);
    EXPECT_EQ(bad.s.records[0].recordNo, 0);
    Store longName;
    EXPECT_EQ(longName.parse(std::string(65, 'n') + ",1\r\n"), 0);
}

TEST(AddressCsv, ListFieldsKeepEveryPart) {
    Store st;
    const std::string file = line("A", "1", "", "one||three|") + line("B", "2", "", std::string(64, 'p') + "|q");
    ASSERT_EQ(st.parse(file), 1);
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->lists[0]), u"one||three|");
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->text[0]), u"A");
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->field8), u"x");
    EXPECT_EQ(st.format(), file);
    Store longPart;
    EXPECT_EQ(longPart.parse(line("C", "3", "", std::string(65, 'p'))), 0);
    std::string parts;
    for (int i = 0; i < 999; ++i) parts += "x|";
    Store thousand;
    EXPECT_EQ(thousand.parse(line("D", "4", "", parts + "y")), 1);
    Store tooMany;
    EXPECT_EQ(tooMany.parse(line("D", "4", "", parts + "x|y")), 0);
}

TEST(AddressCsv, ThousandRecordCapAndRecordReuse) {
    Store st;
    std::string file;
    for (int i = 0; i < 1005; ++i) file += line("N" + std::to_string(i), std::to_string(i));
    ASSERT_EQ(st.parse(file), 1);
    EXPECT_EQ(st.s.readCount, 1000);
    EXPECT_EQ(CsvNamedCount(&st.s), 1000);
    EXPECT_EQ(CsvListInsert(&st.s, 1, 1), nullptr);  // every node in use
    CsvRecord* gone = CsvListRemove(&st.s, 3);
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->recordNo, 0);
    // All 1000 records were handed out: the freed one is taken again.
    CsvRecord* again = CsvListInsert(&st.s, 1, 1);
    EXPECT_EQ(again, gone);
    EXPECT_EQ(again->recordNo, 3);
}

TEST(AddressCsv, InsertAndRemoveCountNamedPositions) {
    Store st;
    ASSERT_EQ(st.parse(line("A", "1") + line("", "2") + line("B", "3")), 1);
    EXPECT_EQ(CsvListInsert(&st.s, 0, 1), nullptr);
    EXPECT_EQ(CsvListInsert(&st.s, 4, 1), nullptr);
    CsvRecord* r = CsvListInsert(&st.s, 2, 1);  // before B, after the unnamed one
    ASSERT_NE(r, nullptr);
    r->text[0][0] = u'M';
    EXPECT_EQ(r->recordNo, 4);
    EXPECT_EQ(CsvNamedIndexOf(&st.s, 4), 2);
    CsvRecord* e = CsvListInsert(&st.s, 4, 1);  // count + 1 appends
    ASSERT_NE(e, nullptr);
    e->text[0][0] = u'Z';
    EXPECT_EQ(st.format().substr(0, 2), "A,");
    EXPECT_NE(st.format().find("\r\n,a,b,c,d,2,"), std::string::npos);
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 4)->text[0]), u"Z");
    EXPECT_EQ(CsvListRemove(&st.s, 5), nullptr);
    ASSERT_NE(CsvListRemove(&st.s, 1), nullptr);
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->text[0]), u"M");
    EXPECT_EQ(st.s.nodeCount, 4);
}

class AddressFile : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        ctx_ = context();
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(CsvFilePath(ctx_, path_, kWsPathChars), 1);
        WCHAR dir[kWsPathChars];
        ASSERT_GT(GetPrivateDir(dir, kWsPathChars, ctx_), 0u);
        CreateDirectoryW(dir, nullptr);
    }
    void TearDown() override {
        CsvClose(ctx_);
        SamplePrinter::TearDown();
    }
    CsvRecord* add(int position, const char16_t* name, const char16_t* number) {
        CsvRecord* r = CsvNewRecord(ctx_, position);
        if (!r) return nullptr;
        std::u16string(name).copy(r->text[0], 64);
        std::u16string(number).copy(r->number, 32);
        return r;
    }
    DrvContext* ctx_ = nullptr;
    WCHAR path_[kWsPathChars] = {};
};

TEST_F(AddressFile, MissingFileGivesAnEmptyBookThatSaves) {
    ASSERT_EQ(CsvLoad(ctx_), 1);
    EXPECT_EQ(CsvStoreOf(ctx_)->unreadable, 0u);
    ASSERT_NE(add(1, u"Office", u"0123-456"), nullptr);
    ASSERT_EQ(CsvWriteFile(ctx_), 1);
    EXPECT_EQ(read(path_), "Office,,,,,0123-456,,,,,,,\r\n");
    CsvClose(ctx_);
    ASSERT_EQ(CsvLoad(ctx_), 1);
    EXPECT_EQ(CsvNamedCount(CsvStoreOf(ctx_)), 1);
}

TEST_F(AddressFile, UnreadableFileIsNeverOverwritten) {
    const std::string book = line("Keep", "1") + "N,,,,," + std::string(33, '1') + "\r\n";
    write(path_, book);
    ASSERT_EQ(CsvLoad(ctx_), 1);
    EXPECT_EQ(CsvNamedCount(CsvStoreOf(ctx_)), 0);
    EXPECT_EQ(CsvStoreOf(ctx_)->unreadable, 1u);
    ASSERT_NE(add(1, u"New", u"2"), nullptr);
    EXPECT_EQ(CsvWriteFile(ctx_), 0);
    EXPECT_EQ(read(path_), book);
}

TEST_F(AddressFile, FailedWriteLeavesTheOldFile) {
    const std::string book = line("Old", "1");
    write(path_, book);
    ASSERT_EQ(CsvLoad(ctx_), 1);
    ASSERT_NE(add(2, u"New", u"2"), nullptr);
    winsim::failCall("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_EQ(CsvWriteFile(ctx_), 0);
    winsim::clearFaults();
    EXPECT_EQ(read(path_), book);
    WCHAR temp[kWsPathChars];
    std::u16string(path_).append(u".new").copy(temp, kWsPathChars);
    temp[std::u16string(path_).size() + 4] = 0;
    EXPECT_EQ(GetFileAttributesW(temp), INVALID_FILE_ATTRIBUTES);
    winsim::failCall("MoveFileExW", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(CsvWriteFile(ctx_), 0);
    winsim::clearFaults();
    EXPECT_EQ(read(path_), book);
    EXPECT_EQ(CsvWriteFile(ctx_), 1);
    EXPECT_EQ(read(path_), book + "New,,,,,2,,,,,,,\r\n");
}

TEST_F(AddressFile, DoubleByteTrailBytesStayInTheField) {
    winsim::config().ansiCodePage = 932;
    Store st;
    // 0x81 leads a double-byte character; its trail byte is taken whole even
    // when it is the code of ',' or '|'.
    ASSERT_EQ(st.parse("A\x81,B,1,2,3,4,5\r\n"), 1);
    ASSERT_EQ(CsvNamedCount(&st.s), 1);
    EXPECT_EQ(std::u16string(CsvNamedAt(&st.s, 1)->text[1]), u"1");
    winsim::config().ansiCodePage = 1252;
}

}  // namespace
}  // namespace vesk::test
