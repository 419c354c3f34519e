// The one-read INI section snapshot of the class walks: every answer it
// gives is the one a key read of the same file gives, and the walk that uses
// it loads the same items as the per-item reads.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <cctype>
#include <string>
#include <vector>

#include "common/sample_printer_support.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/persist/ini_snapshot.h"
#include "core/persist/opt_persist.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kIni = u"C:\\snap\\s.ini";

// Lines of a section's keys that a reader may trip on.
const char kTricky[] =
    "; a comment\r\n"
    "[Office ,2,]\r\n"
    "Plain=1\r\n"
    "lower=2\r\n"
    "  Blanks  =   3   \r\n"
    "Double=\"4\"\r\n"
    "Single='5'\r\n"
    "Mixed=\"6'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Bare line\r\n"
    ";Commented=9\r\n"
    "Long=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
    "Eq=a=b\r\n"
    "K\xE9y=latin\r\n"
    "[office ,2,]\r\n"
    "Second=no\r\n"
    "Plain=10\r\n";

class IniSnapshotTest : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        CreateDirectoryW(u"C:\\snap", nullptr);
    }
    // The key as the file reader answers it.
    static std::u16string direct(const WCHAR* section, const WCHAR* key, size_t chars) {
        std::vector<WCHAR> b(chars, 0);
        IniGetString(section, key, u"", b.data(), static_cast<DWORD>(chars), kIni.c_str());
        return b.data();
    }
    // Every key the snapshot answers matches the reader; the answers given.
    static std::vector<IniSnapshot::Answer> compare(const WCHAR* section, const std::vector<std::u16string>& keys,
                                                     size_t chars) {
        IniSnapshot s(section, kIni.c_str());
        std::vector<IniSnapshot::Answer> out;
        for (const auto& k : keys) {
            std::vector<WCHAR> b(chars, 0);
            const IniSnapshot::Answer a = s.get(k.c_str(), b.data(), chars);
            out.push_back(a);
            if (a != IniSnapshot::Answer::Unsure) {
                EXPECT_EQ(std::u16string(b.data()), direct(section, k.c_str(), chars)) << winsim::toUtf8(k);
            }
        }
        return out;
    }
};

using A = IniSnapshot::Answer;

}  // namespace

TEST_F(IniSnapshotTest, AnswersAsTheKeyReaderDoesOrNotAtAll) {
    write(kIni, kTricky);
    const std::vector<std::u16string> keys = {u"Plain", u"PLAIN", u"Lower", u"Blanks", u"Double", u"Single",
                                              u"Mixed", u"Lone",  u"Empty", u"Dup",    u"Bare line", u"Bare",
                                              u"Commented", u"Long", u"Eq", u"Second", u"Missing", u"Kay",
                                              u"K\u00C9Y"};
    // The section as the printer's name gives it: brackets read as commas.
    for (size_t chars : {size_t{2}, size_t{5}, size_t{16}, size_t{64}}) {
        SCOPED_TRACE(chars);
        const auto got = compare(u"Office [2]", keys, chars);
        for (size_t i = 0; i + 3 < keys.size(); ++i)
            if (keys[i] != u"Bare line") {
                EXPECT_NE(got[i], A::Unsure) << winsim::toUtf8(keys[i]);
            }
        EXPECT_EQ(got[keys.size() - 3], A::Absent) << "no key of that name";
        EXPECT_EQ(got[keys.size() - 2], A::Unsure) << "a name outside ASCII of the same length may be the key";
        EXPECT_EQ(got[keys.size() - 1], A::Unsure) << "a key outside ASCII is read itself";
    }
    IniSnapshot s(u"Office [2]", kIni.c_str());
    EXPECT_TRUE(s.holds(u"Office [2]"));
    EXPECT_FALSE(s.holds(u"Office [3]"));
    WCHAR b[16] = {};
    EXPECT_EQ(s.get(u"Second", b, 16), A::Absent) << "only the first section of the name counts";
    EXPECT_EQ(s.get(u"Double", b, 16), A::Value);
    EXPECT_EQ(std::u16string(b), u"4");
}

TEST_F(IniSnapshotTest, MissingFilesAndSectionsAreEmptyAndLongSectionsAreReadWhole) {
    // No file: every key is missing, as the reader says.
    auto got = compare(u"Office [2]", {u"Plain"}, 16);
    EXPECT_EQ(got[0], A::Absent);
    write(kIni, "[Other]\r\nPlain=1\r\n");
    got = compare(u"Office [2]", {u"Plain"}, 16);
    EXPECT_EQ(got[0], A::Absent);

    // A section beyond the first buffer is read again whole; one beyond any
    // section buffer leaves every key to its own read.
    for (size_t lines : {size_t{600}, size_t{4000}}) {
        std::string text = "[S]\r\n";
        for (size_t i = 0; i < lines; ++i) text += "Pad" + std::to_string(i) + "=xxxxxxxx\r\n";
        text += "Last=7\r\n";
        write(kIni, text);
        got = compare(u"S", {u"Last", u"Pad3", u"None"}, 16);
        const A want = lines == 600 ? A::Value : A::Unsure;
        EXPECT_EQ(got[0], want) << lines;
        EXPECT_EQ(got[1], want) << lines;
    }
}

TEST_F(IniSnapshotTest, AFailedSectionReadLeavesEveryKeyToItsOwnRead) {
    write(kIni, kTricky);
    winsim::failCall("GetPrivateProfileSectionW", 1, ERROR_ACCESS_DENIED);
    IniSnapshot s(u"Office [2]", kIni.c_str());
    winsim::clearFaults();
    WCHAR b[16] = {};
    EXPECT_EQ(s.get(u"Plain", b, 16), A::Unsure);
    EXPECT_FALSE(s.holds(u"Office [2]"));
}

// The walk of classes 1 and 3 against the per-item reads it replaces, for a
// file with every INI item written in one of several spellings, a file
// without the printer's section, no file, and one whose section is too long
// for one read.
TEST_F(IniSnapshotTest, TheWalkLoadsWhatThePerItemReadsLoad) {
    DrvContext* probe = context();
    ASSERT_NE(probe, nullptr);
    const std::u16string ini = GetIniFilePath(probe);
    ASSERT_EQ(EnsureParentDir(ini.c_str()), 1);
    // The items the walk reads from the INI, but the action bits.
    std::vector<int> ids;
    for (int i = 0; i < probe->items->count; ++i) {
        const DmItem& it = probe->items->items[i];
        const uint32_t cls = itemSection(it);
        if ((cls == 1 || cls == 3) && it.storageClass == kPersistIni && it.valueName && it.valueName[0] &&
            it.id >= 35 && !(it.id >= 430 && it.id <= 730) && !(it.id >= kActionFirstItem && it.id <= kActionLastItem))
            ids.push_back(it.id);
    }
    ASSERT_GT(ids.size(), 2u);
    auto spelled = [&](int variant, const DmItem& it) {
        std::string key = winsim::toUtf8(it.valueName);
        const bool text = typeIsAddress(itemTypeCode(it));
        switch (variant % 8) {
            case 0: return key + "=1\r\n";
            case 1: for (char& ch : key) ch = static_cast<char>(std::tolower(ch));
                    return key + "=\"2\"\r\n";
            case 2: return "  " + key + "  =  " + (text ? "Tray B" : "3") + "  \r\n";
            case 3: return key + "='x'\r\n";
            case 4: return key + "=\r\n";
            case 5: return key + "=99999999999\r\n";
            case 6: return key + "=4\r\n" + key + "=5\r\n";
            default: return key + "\r\n;" + key + "=6\r\n";
        }
    };
    std::string rich = "[Office ,2,]\r\nrdmAction='66'\r\n";
    std::string longer = "[Office ,2,]\r\n";
    for (size_t i = 0; i < ids.size(); ++i) {
        const DmItem& it = *ItemFindById(probe, ids[i]);
        rich += spelled(static_cast<int>(i), it);
        longer += spelled(static_cast<int>(i + 6), it);
    }
    for (int i = 0; i < 5000; ++i) longer += "Pad" + std::to_string(i) + "=1\r\n";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"rich", rich}, {"no section", "[Other]\r\nPrnMethod=2\r\n"}, {"no file", ""}, {"too long", longer}};
    for (const auto& [what, text] : files) {
        SCOPED_TRACE(what);
        // Three contexts of kind 0 that found no INI at open, then the file.
        DeleteFileW(ini.c_str());
        DrvContext* fast = open();
        DrvContext* slow = open();
        DrvContext* none = open();
        ASSERT_TRUE(fast && slow && none);
        if (what == std::string("no file")) DeleteFileW(ini.c_str());
        else write(ini, text);
        OptLoadClass(printer_, fast, 3, 0, nullptr);
        OptLoadClass(printer_, fast, 1, 0, nullptr);
        for (int id : ids) OptLoadFromIni(slow, ItemFindById(slow, id), nullptr, nullptr, nullptr);
        size_t moved = 0;
        for (int id : ids) {
            DmItem* f = ItemFindById(fast, id);
            DmItem* s = ItemFindById(slow, id);
            if (typeIsAddress(itemTypeCode(*f))) {
                WCHAR a[300] = {}, b[300] = {}, n[300] = {};
                ItemGetString(fast, f, a, 300);
                ItemGetString(slow, s, b, 300);
                ItemGetString(none, ItemFindById(none, id), n, 300);
                EXPECT_EQ(std::u16string(a), std::u16string(b)) << id;
                moved += std::u16string(a) != std::u16string(n);
            } else {
                EXPECT_EQ(ItemGetRaw(fast, f), ItemGetRaw(slow, s)) << id;
                moved += ItemGetRaw(fast, f) != ItemRawById(none, id);
            }
        }
        if (what == std::string("rich") || what == std::string("too long")) {
            EXPECT_GT(moved, 0u) << "the file's values reach the items";
        } else {
            EXPECT_EQ(moved, 0u);
        }
        if (what == std::string("rich")) {
            EXPECT_EQ(OptActionWordGet(fast), 66u) << "quotes around the word go";
        }
    }
}
