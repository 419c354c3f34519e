// The class walks read the per-printer INI through one read of its section
// per walk: whatever another process writes to that file between two walks
// (through the profile functions, or as plain bytes of the same length
// within the same second) reaches the next walk of a living context and the
// next context's creation, and a file it deletes is missing for both.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <fstream>
#include <string>

#include "common/sample_printer_support.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "platform/fork_child.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class SettingsIniReread : public SamplePrinter {
protected:
    // A document-settings item of an unsigned number type kept in the INI,
    // that the walks read (not an action bit).
    static DmItem* iniNumber(DrvContext* c) {
        for (int i = 0; i < c->items->count; ++i) {
            DmItem& it = c->items->items[i];
            const uint32_t cls = itemSection(it), code = itemTypeCode(it);
            if ((cls == 1 || cls == 3) && it.storageClass == kPersistIni && it.valueName && it.valueName[0] &&
                (code == kTypeU8 || code == kTypeU16 || code == kTypeU32) && it.id >= 35 &&
                !(it.id >= 430 && it.id <= 730) && !(it.id >= kActionFirstItem && it.id <= kActionLastItem) &&
                ItemGetStorage(c, &it))
                return &it;
        }
        return nullptr;
    }
    // The section text a key read finds for `section`.
    static std::string sectionLine(const WCHAR* section) {
        std::u16string s = section;
        IniSectionBracketsToCommas(s.data());
        return "[" + winsim::toUtf8(s) + "]\r\n";
    }
};

}  // namespace

TEST_F(SettingsIniReread, AnotherProcesssChangesReachTheNextWalkAndTheNextContext) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    DmItem* item = iniNumber(c);
    ASSERT_NE(item, nullptr);
    const int cls = static_cast<int>(itemSection(*item));
    const std::u16string ini = GetIniFilePath(c);
    ASSERT_EQ(EnsureParentDir(ini.c_str()), 1);
    const std::u16string section = OptIniSectionOf(c, item);
    const std::u16string key = item->valueName;
    const std::string head = sectionLine(section.c_str());
    const std::string keyText = winsim::toUtf8(key);

    // Written through the profile functions by another process.
    ASSERT_TRUE(forktest::inChild([&] { return IniWriteString(section.c_str(), key.c_str(), u"17", ini.c_str()) == 1; }));
    EXPECT_EQ(OptLoadClass(printer_, c, cls, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, item), 17u);

    // Rewritten twice as bytes of the same length with the same write time,
    // as a host program may: each walk reads what the file holds.
    const std::u16string name = ini;
    for (const char* v : {"23", "31"}) {
        write(ini, head + keyText + "=" + v + "\r\nrdmAction=" + v + "\r\n");
        setTime(ini, 5);
        EXPECT_EQ(OptLoadClass(printer_, c, cls, 0, nullptr), 1);
        EXPECT_EQ(ItemGetRaw(c, item), static_cast<uint32_t>(std::stoul(v))) << v;
        EXPECT_EQ(OptActionWordGet(c), static_cast<uint16_t>(std::stoul(v))) << v;
        // The same from another process.
        const std::string other = std::string(v) == "23" ? "29" : "37";
        ASSERT_TRUE(forktest::inChild([&] {
            std::ofstream(*winsim::hostPath(name), std::ios::binary)
                << head + keyText + "=" + other + "\r\nrdmAction=" + other + "\r\n";
            return true;
        }));
        setTime(ini, 5);
        EXPECT_EQ(OptLoadClass(printer_, c, cls, 0, nullptr), 1);
        EXPECT_EQ(ItemGetRaw(c, item), static_cast<uint32_t>(std::stoul(other))) << other;
        EXPECT_EQ(OptActionWordGet(c), static_cast<uint16_t>(std::stoul(other))) << other;
        // A new context reads the file as it stands at its creation.
        DrvContext* next = open();
        ASSERT_NE(next, nullptr);
        uint16_t word = 0;
        for (int id = kActionFirstItem; id <= kActionLastItem; ++id)
            if (ItemRawById(next, id)) word = static_cast<uint16_t>(word | 1u << (id - kActionFirstItem));
        EXPECT_EQ(word, OptActionWordGet(c)) << other;
    }

    // Deleted by another process: the key is missing, the item stays; the
    // action word is missing, so the old per-bit keys are read (missing too)
    // and the word the items hold is written back.
    ASSERT_TRUE(forktest::inChild([&] { return DeleteFileW(name.c_str()) != FALSE; }));
    const uint32_t kept = ItemGetRaw(c, item);
    const uint16_t word = OptActionWordGet(c);
    EXPECT_EQ(OptLoadClass(printer_, c, cls, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, item), kept);
    EXPECT_EQ(OptActionWordGet(c), word);
    WCHAR b[16] = {};
    if (cls == 1) {
        IniGetString(section.c_str(), kActionWordKey, u"", b, 16, ini.c_str());
        EXPECT_EQ(std::u16string(b), winsim::fromUtf8(std::to_string(word)));
    }
    IniGetString(section.c_str(), key.c_str(), u"", b, 16, ini.c_str());
    EXPECT_EQ(std::u16string(b), u"") << "the item itself is not written";
}
