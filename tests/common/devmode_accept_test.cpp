// The acceptance test of a DEVMODE: each rule alone refuses it, the rest do
// not matter; buffers too short are refused without being read past.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "common/devmode_support.h"
#include "core/devmode/dm_private.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

TEST(DevmodeAccept, EachRuleAloneRefuses) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    const std::vector<BYTE> good = copyOf(c->devmode, 1260);
    ASSERT_EQ(DmIsCompatible(c.get(), good.data(), good.size()), 1);
    struct Case {
        const char* what;
        std::function<void(BYTE*)> spoil;
        int expect;
    };
    const Case cases[] = {
        {"signature", [](BYTE* p) { p[350] = 'R'; }, 0},
        {"private size", [](BYTE* p) { dm::wr32(p, 353, 1048); }, 0},
        {"version low word", [](BYTE* p) { dm::wr32(p, 357, 0x00030004); }, 0},
        {"version high word only", [](BYTE* p) { dm::wr32(p, 357, 0x00040003); }, 1},
        {"machine id", [](BYTE* p) { p[372] = 0x86; }, 0},
        {"driver type", [](BYTE* p) { p[857] = 1; }, 0},
        {"section bases", [](BYTE* p) { dm::wr16(p, 363, 0xFFFF); }, 1},
        {"tag", [](BYTE* p) { p[220] = 'X'; }, 1},
    };
    for (const Case& k : cases) {
        std::vector<BYTE> b = good;
        k.spoil(b.data());
        EXPECT_EQ(DmIsCompatible(c.get(), b.data(), b.size()), k.expect) << k.what;
    }
    EXPECT_EQ(DmIsCompatible(c.get(), nullptr, 1260), 0);
    EXPECT_EQ(DmIsCompatible(c.get(), good.data(), 857), 0) << "the driver-type byte lies outside";
    EXPECT_EQ(DmIsCompatible(c.get(), good.data(), 858), 1);
}

TEST(DevmodeAccept, OwnDevmodeAlsoNeedsThePublicSizes) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    std::vector<BYTE> b = copyOf(c->devmode, 1260);
    EXPECT_EQ(DmIsOwnDevmode(c.get(), b.data(), b.size()), 1);
    EXPECT_EQ(DmIsOwnDevmode(c.get(), b.data(), 1259), 0);
    dm::wr16(b.data(), 68, 212);
    EXPECT_EQ(DmIsOwnDevmode(c.get(), b.data(), b.size()), 0);
    dm::wr16(b.data(), 68, 220);
    dm::wr16(b.data(), 70, 1000);
    EXPECT_EQ(DmIsOwnDevmode(c.get(), b.data(), b.size()), 0);
}
