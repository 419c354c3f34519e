// Whether an item may hold a value, against a stand-in model: value maps,
// value lists, the values' conditions, Boolean and numeric options; the
// answers with the conditions and the switches that gate finishing values;
// the model's item actions over the whole table.
#include <gtest/gtest.h>

#include "common/devmode_support.h"
#include "core/devmode/dm_validate.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class DevmodeValidate : public ::testing::Test {
protected:
    void SetUp() override {
        // Paper (item 8, mapped Windows codes), a duplex switch and type, a
        // Boolean, a numeric range and N-up.
        model_.types = {{8, 257}, {61, 4}, {102, 1}, {64, 4}, {12, 8}, {95, 1}, {59, 4}, {189, 0x401}};
        model_.ranges = {{12, {1, 999}}};
        model_.lists = {{8, {41, 45}}, {102, {1, 3}}, {95, {2, 4}}};
        scope_ = std::make_unique<ModelScope>(model_);
        ctx_ = defaultsContext();
        ASSERT_TRUE(ctx_);
    }
    DmItem* item(int id) { return ItemFindById(ctx_.get(), id); }
    int valid(int id, uint32_t raw) { return ItemValueIsValid(ctx_.get(), item(id), id, raw); }
    int check(int id, uint32_t raw, bool repair = true) {
        return ItemValueIsValidEx(ctx_.get(), item(id), id, raw, repair);
    }

    FakeModel model_;
    std::unique_ptr<ModelScope> scope_;
    ContextPtr ctx_;
};

}  // namespace

TEST_F(DevmodeValidate, ListsMapsConditionsBooleansAndRanges) {
    EXPECT_EQ(valid(kItDmPaperSize, 9), 1) << "A4 is model value 41, which the list has";
    EXPECT_EQ(valid(kItDmPaperSize, 1), 1) << "Letter is 45";
    EXPECT_EQ(valid(kItDmPaperSize, 11), 0) << "A5 (42) is not in this model's list";
    EXPECT_EQ(valid(kItDmPaperSize, 384), 0) << "a code the map does not know";
    model_.conditions.insert({8, 45, 1});
    EXPECT_EQ(valid(kItDmPaperSize, 1), 0) << "Letter's first condition holds";
    model_.conditions = {{8, 45, 2}};
    EXPECT_EQ(valid(kItDmPaperSize, 1), 1) << "only the first condition refuses";

    EXPECT_EQ(valid(kItRdmFuncSelectSort, 0), 1);
    EXPECT_EQ(valid(kItRdmFuncSelectSort, 1), 1);
    EXPECT_EQ(valid(kItRdmFuncSelectSort, 2), 0);
    EXPECT_EQ(valid(kItDmCopies, 999), 1);
    EXPECT_EQ(valid(kItDmCopies, 1000), 0);
    EXPECT_EQ(valid(kItDmCopies, 0), 0);
    model_.ranges.clear();
    EXPECT_EQ(valid(kItDmCopies, 5), 0) << "a numeric option without its record refuses";
    EXPECT_EQ(valid(kItRdmTTFont, 77), 1) << "other option types accept";
    EXPECT_EQ(valid(kItDmPrintQuality, 12345), 1) << "an item without model option accepts";

    // A list option without value list: only a non-zero value counts.
    model_.lists.erase(102);
    EXPECT_EQ(valid(kItRdmDuplexType, 0), 0);
    EXPECT_EQ(valid(kItRdmDuplexType, 7), 1);
}

TEST_F(DevmodeValidate, AnswersWithConditionsAndGatingSwitches) {
    model_.types.push_back({378, 1});
    model_.lists[378] = {1, 2, 3};
    model_.conditions = {{378, 2, 1}, {378, 3, 2}};
    EXPECT_EQ(check(kItRdmMediaType, 1), 1);
    EXPECT_EQ(check(kItRdmMediaType, 2), 4) << "first condition: not allowed now";
    EXPECT_EQ(check(kItRdmMediaType, 3), 5) << "second condition: allowed";
    EXPECT_EQ(check(kItRdmMediaType, 9), 0);

    // The duplex type is refused by its condition only while duplex is on.
    model_.conditions = {{102, 3, 1}};
    ItemSetRawById(ctx_.get(), kItRdmFuncSelectDuplex, 0);
    EXPECT_EQ(check(kItRdmDuplexType, 3), 1);
    ItemSetRawById(ctx_.get(), kItRdmFuncSelectDuplex, 1);
    EXPECT_EQ(check(kItRdmDuplexType, 3), 4);
    model_.conditions.insert({61, 0, 2});  // the switch itself is held by its condition
    EXPECT_EQ(check(kItRdmDuplexType, 3), 1);

    EXPECT_EQ(check(kItDmCopies, 5), 1);
    EXPECT_EQ(check(kItDmCopies, 5000), 0);
}

TEST_F(DevmodeValidate, NupTypeBringsItsKindAlong) {
    model_.lists[95] = {2, 4, 33};
    ItemSetRawById(ctx_.get(), kItRdmFuncSelectNup, 1);
    ItemSetRawById(ctx_.get(), kItRdmNUPPOSTKind, 7);
    ItemSetRawById(ctx_.get(), kItRdmNUPType, 2);
    // A type without a kind of its own gives kind 0; the type stays.
    EXPECT_EQ(check(kItRdmNUPType, 4), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPPOSTKind), 0u);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPType), 2u);
    // 4-up brings kind 2; 2-up kind 1, and with kind 1 the type becomes
    // the portrait 2-up.
    EXPECT_EQ(check(kItRdmNUPType, 33), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPPOSTKind), 2u);
    EXPECT_EQ(check(kItRdmNUPType, 2), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPPOSTKind), 1u);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPType), 1u);
    // Without the repair nothing is stored.
    EXPECT_EQ(check(kItRdmNUPType, 33, false), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmNUPPOSTKind), 1u);
    EXPECT_EQ(check(kItRdmNUPType, 5), 0) << "a value the list lacks is refused before anything";
}

TEST_F(DevmodeValidate, ItemActionsRunForEveryItemWithAnOption) {
    model_.actionsRun.clear();
    DmApplyAllItemActions(ctx_.get());
    std::vector<int> expected;
    for (auto& t : model_.types) expected.push_back(t.first);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(model_.actionsRun, expected) << "in table order, only items with a model option";
}
