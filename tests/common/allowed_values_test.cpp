// The built-in allowed-value table: condition chains, the allowed values
// of a setting with its size protocol, and the check by trial.
#include <gtest/gtest.h>
#include <winsim/winsim.h>

#include <cstring>
#include <vector>

#include "common/eval_support.h"
#include "core/allowed/allowed_values.h"
#include "core/devmode/dm_private.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// A chain or pair list of nodes {connective, item, value}, linked in order.
class Nodes {
public:
    Nodes(std::initializer_list<AllowedNode> nodes) : n_(nodes) {
        for (size_t i = 0; i + 1 < n_.size(); ++i) n_[i].next = &n_[i + 1];
        if (!n_.empty()) n_.back().next = nullptr;
    }
    const AllowedNode* head() const { return n_.empty() ? nullptr : &n_[0]; }

private:
    std::vector<AllowedNode> n_;
};

AllowedNode node(uint32_t connective, uint32_t item, uint32_t value) { return {nullptr, connective, item, value}; }

class Allowed : public ImageTest {
protected:
    void SetUp() override { loadSample(); }
    void TearDown() override { winsim::clearFaults(); }
    // A device item of section 2 and, through the mirror, its copy.
    void device(int id, uint32_t v) {
        ItemSetRawById(c, id, v);
        ASSERT_EQ(DmCopyExtBlock(c), 1);
    }
    std::vector<uint32_t> values(uint32_t option) {
        uint32_t n = 0;
        std::vector<uint32_t> out(64);
        EXPECT_EQ(OptGetAllowedValues(c, option, static_cast<uint32_t>(out.size()), out.data(), &n), kAllowedDone);
        out.resize(n);
        return out;
    }
    std::vector<uint8_t> buffer() { return std::vector<uint8_t>(c->devmode, c->devmode + dmSizes().stateSize); }
};

TEST_F(Allowed, ConditionChainTruthTable) {
    const int a = kItRdmFuncSelectDuplex, b = kItRdmFuncSelectSort, d = kItRdmFuncSelectStaple;
    ItemSetRawById(c, a, 1);
    ItemSetRawById(c, b, 0);
    ItemSetRawById(c, d, 1);
    EXPECT_EQ(OptEvalCondChain(c, nullptr), 1);
    // One node.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, a, 1)}.head()), 1);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, a, 0)}.head()), 0);
    // Two groups joined by connective 0 are alternatives.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, b, 1), node(0, a, 1)}.head()), 1);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, a, 1), node(0, b, 1)}.head()), 1);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, b, 1), node(0, a, 0)}.head()), 0);
    // Connective 2 joins a group: both must hold.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(2, a, 1), node(0, d, 1)}.head()), 1);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(2, a, 1), node(0, b, 1)}.head()), 0);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(2, b, 1), node(0, a, 1)}.head()), 0);
    // (b and a) or d: the failing group passes on to the alternative.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(2, b, 1), node(0, a, 1), node(0, d, 1)}.head()), 1);
    // A failing connective-1 node fails the chain at once; a holding one
    // goes on to the next node.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(1, b, 1), node(0, a, 1)}.head()), 0);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(1, a, 1), node(0, b, 1)}.head()), 0);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(1, a, 1), node(0, d, 1)}.head()), 1);
    // A holding group passes over the alternatives after it up to a
    // connective-1 node, and the chain goes on after that node.
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, a, 1), node(1, b, 1), node(0, b, 1)}.head()), 0);
    EXPECT_EQ(OptEvalCondChain(c, Nodes{node(0, a, 1), node(1, b, 1), node(0, d, 1)}.head()), 1);
}

TEST_F(Allowed, InstalledOptionChainsReadTheItemsTheyMirror) {
    // 443 names rdmInOptionSupportDuplex (250) here, not itself.
    const Nodes twin{node(0, 443, 1)};
    ItemSetRawById(c, 443, 1);
    EXPECT_EQ(OptCondChain443(c, twin.head()), 0);
    EXPECT_EQ(OptEvalCondChain(c, twin.head()), 1);
    ItemSetRawById(c, kItRdmInOptionSupportDuplex, 1);
    EXPECT_EQ(OptCondChain443(c, twin.head()), 1);
    ItemSetRawById(c, 538 - 193, 1);
    EXPECT_EQ(OptCondChain443(c, Nodes{node(2, 538, 1), node(0, 443, 1)}.head()), 1);
    // Nodes outside 443..538 are passed over, holding or not.
    EXPECT_EQ(OptCondChain443(c, Nodes{node(2, 442, 7), node(0, 443, 1)}.head()), 1);
    EXPECT_EQ(OptCondChain443(c, Nodes{node(0, 539, 7)}.head()), 1);
    EXPECT_EQ(OptCondChain443(c, Nodes{node(0, 443, 0), node(0, 61, 9)}.head()), 0);
}

TEST_F(Allowed, SizeProtocol) {
    // With no option installed TRAY allows ALL, TRAY1 and TRAY2.
    uint32_t out[8] = {};
    uint32_t n = 99;
    EXPECT_EQ(OptGetAllowedValues(c, kItDmDefaultSource, 0, nullptr, &n), kAllowedTooSmall);
    EXPECT_EQ(n, 3u);
    n = 0;
    EXPECT_EQ(OptGetAllowedValues(c, kItDmDefaultSource, 8, nullptr, &n), kAllowedTooSmall);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(OptGetAllowedValues(c, kItDmDefaultSource, 2, out, &n), kAllowedTooSmall);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(out[0], 0u);   // nothing copied
    EXPECT_EQ(OptGetAllowedValues(c, kItDmDefaultSource, 3, out, &n), kAllowedDone);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::vector<uint32_t>(out, out + 4), (std::vector<uint32_t>{7, 1, 3, 0}));
    // No document row: a device setting, an unknown option, option 0.
    for (uint32_t option : {604u, 9999u, 0u}) {
        n = 5;
        EXPECT_EQ(OptGetAllowedValues(c, option, 8, out, &n), kAllowedDone) << option;
        EXPECT_EQ(n, 0u) << option;
    }
    // No memory for the work list.
    winsim::failCall("GlobalAlloc", 1, 8);
    n = 5;
    EXPECT_EQ(OptGetAllowedValues(c, kItDmDefaultSource, 8, out, &n), kAllowedNoMemory);
    EXPECT_EQ(n, 0u);
    winsim::failCall("GlobalAlloc", 1, 8);
    EXPECT_EQ(OptHasAllowedValue(c, kItDmDefaultSource), 0);
}

TEST_F(Allowed, InstalledOptionsThroughTheDeviceItemsTheyCopy) {
    EXPECT_EQ(values(kItDmDefaultSource), (std::vector<uint32_t>{7, 1, 3}));
    device(kItRdmSourceOptionTypeBank, 1);
    EXPECT_EQ(ItemRawById(c, 449), 1u);
    EXPECT_EQ(values(kItDmDefaultSource), (std::vector<uint32_t>{7, 1, 3, 2, 256}));
    device(kItRdmSourceOptionTypeBank, 0);
    EXPECT_EQ(values(kItDmDefaultSource), (std::vector<uint32_t>{7, 1, 3}));

    EXPECT_EQ(values(kItRdmFuncSelectDuplex), (std::vector<uint32_t>{0}));
    device(kItRdmSourceOptionTypeDuplex, 1);
    EXPECT_EQ(values(kItRdmFuncSelectDuplex), (std::vector<uint32_t>{1, 0}));

    // Staple: only the off value until a finisher is fitted; LEFTTOP and
    // RIGHTTOP need either of 489 and 490, the others 490.
    EXPECT_EQ(values(kItRdmStapleType), (std::vector<uint32_t>{0}));
    EXPECT_EQ(OptHasAllowedValue(c, kItRdmStapleType), 0);
    device(10001 + (489 - 430), 1);
    EXPECT_EQ(values(kItRdmStapleType), (std::vector<uint32_t>{50, 49, 0}));
    EXPECT_EQ(OptHasAllowedValue(c, kItRdmStapleType), 1);
    device(10001 + (489 - 430), 0);
    device(10001 + (490 - 430), 1);
    EXPECT_EQ(values(kItRdmStapleType), (std::vector<uint32_t>{65, 67, 66, 50, 49, 0}));
}

TEST_F(Allowed, FindingRowsByOptionAndMask) {
    const AllowedTable* t = GetBuiltinTable10();
    bool forceFeed = false;
    for (uint32_t i = 0; i < t->count; ++i) forceFeed = forceFeed || std::strcmp(t->rows[i].name, "FORCEFEED") == 0;
    ASSERT_TRUE(forceFeed);
    EXPECT_EQ(OptFindAllowedEntry(c, 0, 0xFFFFFFFFu), nullptr);
    const AllowedSetting* tray = OptFindAllowedEntry(c, kItDmDefaultSource, kAllowedUseOwnChain);
    ASSERT_NE(tray, nullptr);
    EXPECT_STREQ(tray->name, "TRAY");
    EXPECT_EQ(OptFindAllowedEntry(c, kItDmDefaultSource, kAllowedUseDevice), nullptr);
    const AllowedSetting* paper = OptFindAllowedEntry(c, 604, kAllowedUseDevice);
    ASSERT_NE(paper, nullptr);
    EXPECT_STREQ(paper->name, "TRAYPAPER1");
    EXPECT_EQ(OptFindAllowedEntry(c, 604, kAllowedUseDocument), nullptr);
}

// A row of kind 8 checks a value by applying it to the item store, then
// puts every section back.
TEST_F(Allowed, TrialLeavesEveryByteAndMarkAsItWas) {
    const Nodes pairs{node(0, kItRdmFuncSelectSort, 1), node(0, kItRdmSourceOptionTypeBank, 1), node(0, 949, 2)};
    AllowedValue on{0, 1, "ON", nullptr, pairs.head(), nullptr, nullptr};
    AllowedValueList list{1, &on};
    AllowedSetting row{kItRdmFuncSelectDuplex, 0, kAllowedKindNamed | kAllowedKindTrial, kAllowedUseDocument,
                       kAllowedFormatName, "TRIAL", nullptr, &list, nullptr, nullptr};
    // The sample's rules turn duplex off without the duplex unit.
    device(kItRdmSourceOptionTypeDuplex, 1);
    for (int i = 0; i < c->items->count; ++i) c->items->items[i].changed = 0;
    const uint32_t mask = c->ws->changeMask;
    const std::vector<uint8_t> before = buffer();
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &on), 1);
    EXPECT_TRUE(buffer() == before);
    for (int i = 0; i < c->items->count; ++i) EXPECT_EQ(c->items->items[i].changed, 0u) << c->items->items[i].id;
    EXPECT_EQ(c->ws->changeMask, mask);

    // A value is refused when an item it sets does not keep its value: a
    // later pair takes it back, or the item cannot hold it.
    const Nodes undone{node(0, kItRdmFuncSelectSort, 1), node(0, kItRdmFuncSelectSort, 0)};
    AllowedValue back{0, 1, "ON", nullptr, undone.head(), nullptr, nullptr};
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &back), 0);
    AllowedValue wide{0, 300, "WIDE", nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &wide), 0);
    // An off value leaves the row's item alone.
    AllowedValue off{kAllowedValueOff, 300, "OFF", nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &off), 1);
    EXPECT_TRUE(buffer() == before);

    // At most 19 pairs; a buffer that cannot be saved refuses the value.
    std::vector<AllowedNode> many(kTrialMaxNoted - 1, node(0, kItRdmFuncSelectSort, 1));
    for (size_t i = 0; i + 1 < many.size(); ++i) many[i].next = &many[i + 1];
    AllowedValue nineteen{0, 1, "ON", nullptr, &many[0], nullptr, nullptr};
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &nineteen), 1);
    many.back().next = pairs.head();   // 22 pairs
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &nineteen), 0);
    winsim::failCall("GlobalAlloc", 1, 8);
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &on), 0);
    EXPECT_TRUE(buffer() == before);

    // Without kind 8 the value's chain decides and nothing is set.
    row.kind = kAllowedKindNamed;
    EXPECT_EQ(OptValueAllowedBuiltin(c, &row, &wide), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 0u);
}

}  // namespace
