// Loading persisted settings into a context: each new context reads what
// printer data holds at its creation, whoever wrote it since the last one,
// the class walk follows the context's own item descriptions, and plain
// ASCII text converts as the code page converts it.
#include <gtest/gtest.h>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <string>
#include <vector>

#include <win/codepage.h>

#include "common/sample_printer_support.h"
#include "core/item_ids.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/persist/opt_persist.h"
#include "core/text_convert.h"
#include "platform/fork_child.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class SettingsReread : public SamplePrinter {
protected:
    uint32_t memoryOfNewContext() {
        DrvContext* c = open();
        return c ? ItemRawById(c, kItRdmPrinterMemory) : 0xFFFFFFFFu;
    }
    void setHost(const char16_t* value, std::vector<uint8_t> b) {
        ASSERT_EQ(winsim::setPrinterData(name_, value, REG_BINARY, b), static_cast<DWORD>(ERROR_SUCCESS));
    }
    // A class 2 item of a plain number type, kept nowhere, that the walk
    // passes over (an id it walks, not a font table item).
    static DmItem* unpersistedNumber(DrvContext* c) {
        for (int i = 0; i < c->items->count; ++i) {
            DmItem& it = c->items->items[i];
            const uint32_t code = itemTypeCode(it);
            const bool number = code == kTypeU8 || code == kTypeU16 || code == kTypeU32 || code == kTypeS32;
            const bool walked = it.id >= 35 && (it.id < 430 || it.id > 730) && (it.id < 10004 || it.id > 10009);
            if (itemSection(it) == 2 && number && !it.valueName && walked && ItemGetStorage(c, &it))
                return &it;
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(SettingsReread, EachNewContextReadsThePrinterDataOfItsCreation) {
    winsim::deletePrinterData(name_, u"RAM");
    const uint32_t fallback = memoryOfNewContext();
    setHost(u"RAM", {0x34, 0x12});
    EXPECT_EQ(memoryOfNewContext(), 0x1234u);

    // Through another handle of this process.
    HANDLE admin = nullptr;
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name_.c_str()), &admin, &all));
    BYTE v[2] = {0x78, 0x56};
    EXPECT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"RAM"), REG_BINARY, v, 2),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(memoryOfNewContext(), 0x5678u);
    ASSERT_TRUE(ClosePrinter(admin));

    // By another process, twice: each change is seen by the next context.
    for (uint8_t low : {uint8_t{0x21}, uint8_t{0x22}}) {
        const std::u16string name = name_;
        ASSERT_TRUE(forktest::inChild([&] {
            HANDLE h = nullptr;
            if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, &all)) return false;
            BYTE b[2] = {low, 0x43};
            const bool ok = SetPrinterDataW(h, const_cast<LPWSTR>(u"RAM"), REG_BINARY, b, 2) == ERROR_SUCCESS;
            return ClosePrinter(h) && ok;
        }));
        EXPECT_EQ(memoryOfNewContext(), 0x4300u | low);
    }
    // Deleted by another process: the next context has the model's value.
    ASSERT_TRUE(forktest::inChild([&] { return winsim::deletePrinterData(name_, u"RAM") == ERROR_SUCCESS; }));
    EXPECT_EQ(memoryOfNewContext(), fallback);
}

TEST_F(SettingsReread, TheClassWalkFollowsTheContextsOwnItemDescriptions) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    DmItem* probe = unpersistedNumber(c);
    ASSERT_NE(probe, nullptr);
    const uint32_t before = ItemGetRaw(c, probe);
    setHost(u"SpeedProbe", {static_cast<uint8_t>(before + 1), 0, 0, 0});
    EXPECT_EQ(OptLoadClass(printer_, c, 2, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, probe), before) << "an item kept nowhere is not read";

    // Given a value name and the printer-data kind in this context only.
    ItemTableEdited(c);
    probe->valueName = u"SpeedProbe";
    probe->storageClass = kPersistPrinterData;
    EXPECT_EQ(OptLoadClass(printer_, c, 2, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, probe), (before + 1) & 0xFF);
    // Another class's walk leaves it alone.
    setHost(u"SpeedProbe", {static_cast<uint8_t>(before + 2), 0, 0, 0});
    EXPECT_EQ(OptLoadClass(printer_, c, 3, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, probe), (before + 1) & 0xFF);
    EXPECT_EQ(OptLoadClass(printer_, c, -1, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, probe), (before + 2) & 0xFF);

    // An item whose value name this context took away is not read.
    DmItem* memory = ItemFindById(c, kItRdmPrinterMemory);
    ASSERT_NE(memory, nullptr);
    setHost(u"RAM", {0x11, 0x22});
    memory->valueName = nullptr;
    const uint32_t kept = ItemGetRaw(c, memory);
    EXPECT_EQ(OptLoadClass(printer_, c, 2, 0, nullptr), 1);
    EXPECT_EQ(ItemGetRaw(c, memory), kept);
    // A new context still reads it.
    EXPECT_EQ(memoryOfNewContext(), 0x2211u);
}

TEST(SettingsTextConvert, AsciiTextConvertsAsEachCodePageConvertsIt) {
    winsim::TempMachine m;
    std::string all;
    for (int b = 0; b < 0x80; ++b) all += static_cast<char>(b);
    for (UINT cp : {1252u, 1250u, 1251u, 932u, 936u, 949u, 950u, 65001u}) {
        winsim::config().ansiCodePage = cp;
        std::vector<WCHAR> want(all.size(), u'?');
        const int n = MultiByteToWideChar(CP_ACP, 0, all.data(), static_cast<int>(all.size()), want.data(),
                                          static_cast<int>(want.size()));
        ASSERT_EQ(n, static_cast<int>(all.size())) << cp;
        std::vector<WCHAR> got(all.size() + 1, u'?');
        ASSERT_TRUE(AnsiToWideBounded(all.data(), all.size(), got.data(), got.size())) << cp;
        EXPECT_EQ(std::u16string(got.data(), all.size()), std::u16string(want.data(), all.size())) << cp;
        EXPECT_EQ(got[all.size()], 0) << cp;
        // Cut to the room given, and terminated.
        WCHAR small[4] = {u'?', u'?', u'?', u'?'};
        ASSERT_TRUE(AnsiToWideBounded("a\\b~c", 5, small, 4)) << cp;
        EXPECT_EQ(std::u16string(small), u"a\\b") << cp;
    }
    winsim::config().ansiCodePage = 1252;
    // One byte past ASCII takes the code page's own conversion.
    WCHAR w[4] = {};
    ASSERT_TRUE(AnsiToWideBounded("a\xE9", 2, w, 4));
    EXPECT_EQ(std::u16string(w), u"a\u00E9");
}
