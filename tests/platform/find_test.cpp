// Directory search: wildcard rules, entry data, ends and errors, handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include <winsim/winsim.h>
#include "platform/file_helpers.h"

using namespace filetest;

namespace {

// Names a pattern finds, in order; "<error N>" when the search fails.
std::vector<std::u16string> found(const std::u16string& pattern) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) {
        std::string e = "<error " + std::to_string(GetLastError()) + ">";
        return {std::u16string(e.begin(), e.end())};
    }
    std::vector<std::u16string> names{d.cFileName};
    while (FindNextFileW(h, &d)) names.push_back(d.cFileName);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    return names;
}

using Names = std::vector<std::u16string>;

class Find : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(kDir, nullptr));
        for (const char16_t* n : {u"a.txt", u"B.TXT", u"c.txtx", u"noext", u"d.e.txt", u"x.htm", u"x.html", u"ab.txt"})
            ASSERT_TRUE(writeText((std::u16string(kDir) + u"\\" + n).c_str(), "12345"));
        ASSERT_TRUE(CreateDirectoryW((std::u16string(kDir) + u"\\Sub").c_str(), nullptr));
    }
    std::u16string in(const char16_t* mask) { return std::u16string(kDir) + u"\\" + mask; }
    static constexpr const char16_t* kDir = u"C:\\WINDOWS\\Temp\\find";
    winsim::TempMachine m;
};

}  // namespace

TEST_F(Find, StarDotStarMatchesEveryNameWithDotEntriesFirst) {
    EXPECT_EQ(found(in(u"*.*")), (Names{u".", u"..", u"a.txt", u"ab.txt", u"B.TXT", u"c.txtx", u"d.e.txt",
                                       u"noext", u"Sub", u"x.htm", u"x.html"}));
    EXPECT_EQ(found(in(u"*")), found(in(u"*.*")));
}

TEST_F(Find, ExtensionPatternsFollowWindowsRules) {
    EXPECT_EQ(found(in(u"*.txt")), (Names{u"a.txt", u"ab.txt", u"B.TXT", u"d.e.txt"}));
    EXPECT_EQ(found(in(u"*.TXT")), found(in(u"*.txt")));
    EXPECT_EQ(found(in(u"*.htm")), (Names{u"x.htm"}));
    EXPECT_EQ(found(in(u"x.htm*")), (Names{u"x.htm", u"x.html"}));
    // "*." finds the names without an extension.
    EXPECT_EQ(found(in(u"*.")), (Names{u".", u"..", u"noext", u"Sub"}));
    // '?' is one character, or none before a dot.
    EXPECT_EQ(found(in(u"?.txt")), (Names{u"a.txt", u"B.TXT"}));
    EXPECT_EQ(found(in(u"a?.txt")), (Names{u"a.txt", u"ab.txt"}));
    EXPECT_EQ(found(in(u"?b.txt")), (Names{u"ab.txt"}));
    EXPECT_EQ(found(in(u"d.*.txt")), (Names{u"d.e.txt"}));
    // A plain name is looked up in any letter case and reported as stored.
    EXPECT_EQ(found(in(u"b.txt")), (Names{u"B.TXT"}));
}

TEST_F(Find, EntryDataAndRootHasNoDotEntries) {
    WIN32_FIND_DATAW d;
    std::memset(&d, 0xAB, sizeof d);
    HANDLE h = FindFirstFileW(in(u"a.TXT").c_str(), &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(d.nFileSizeLow, 5u);
    EXPECT_EQ(d.nFileSizeHigh, 0u);
    EXPECT_EQ(std::u16string(d.cFileName), u"a.txt");
    EXPECT_EQ(d.cAlternateFileName[0], 0);
    EXPECT_NE(u64(d.ftLastWriteTime), 0u);
    EXPECT_FAILS_WITH(FindNextFileW(h, &d), FALSE, ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));

    ASSERT_NE((h = FindFirstFileW(in(u"Sub").c_str(), &d)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    FindClose(h);

    auto root = found(u"C:\\*");
    EXPECT_EQ(std::count(root.begin(), root.end(), u"."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), u"WINDOWS"), 1);
    static_assert(sizeof(WIN32_FIND_DATAW) == 592);
}

TEST_F(Find, FailuresAndHandleKinds) {
    EXPECT_EQ(found(in(u"*.zip")), (Names{u"<error 2>"}));                     // nothing matches
    EXPECT_EQ(found(u"C:\\WINDOWS\\Temp\\find\\"), (Names{u"<error 2>"}));     // ends in a separator
    EXPECT_EQ(found(u"C:\\WINDOWS\\NoDir\\*.*"), (Names{u"<error 3>"}));      // missing folder
    EXPECT_EQ(found(in(u"none.txt")), (Names{u"<error 2>"}));
    EXPECT_EQ(found(u"C:\\" + std::u16string(300, u'a') + u"\\*"), (Names{u"<error 206>"}));
    WIN32_FIND_DATAW d;
    EXPECT_FAILS_WITH(FindFirstFileW(nullptr, &d), INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND);

    // Find handles and kernel handles are not interchangeable.
    HANDLE f = FindFirstFileW(in(u"*").c_str(), &d);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(CloseHandle(f), FALSE, ERROR_INVALID_HANDLE);
    HANDLE file = openRead(in(u"a.txt").c_str());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(FindClose(file), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(FindNextFileW(file, &d), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(FindClose(f));
    EXPECT_FAILS_WITH(FindClose(f), FALSE, ERROR_INVALID_HANDLE);
}

TEST_F(Find, EntriesRemovedDuringTheSearchAreSkipped) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(in(u"*.txt").c_str(), &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(d.cFileName), u"a.txt");
    ASSERT_TRUE(DeleteFileW(in(u"ab.txt").c_str()));
    ASSERT_TRUE(FindNextFileW(h, &d));
    EXPECT_EQ(std::u16string(d.cFileName), u"B.TXT");
    FindClose(h);
}
