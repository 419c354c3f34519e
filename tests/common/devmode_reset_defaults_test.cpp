// The defaults reset of a context on the sample model: the one-walk path of
// DmResetAllOptions sets every item the model has an option for to what the
// per-item queries give, in item order, and nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/model/query.h"

using namespace vesk;

namespace {

struct SampleContext : ::testing::Test {
    winsim::TempMachine machine;
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;

    void SetUp() override {
        ASSERT_TRUE(test::addSamplePrinter(u"Reset", &printer));
        CtxCacheClear();
        ctx = CtxCreateEx(printer, printer, nullptr, 0, 0, 0, nullptr);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->devmode, nullptr);
    }
    void TearDown() override {
        CtxReleaseEx(ctx, kReleaseFree);
        ClosePrinter(printer);
    }
};

}  // namespace

TEST_F(SampleContext, ListedDefaultsAnswerAsTheQueriesPerId) {
    std::vector<int> ids;
    MdlListedOptionIds(ctx, ids);
    std::vector<MdlOptionDefault> answers;
    MdlListedOptionDefaults(ctx, answers);
    ASSERT_GT(ids.size(), 20u);
    ASSERT_EQ(answers.size(), ids.size());
    size_t lists = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        EXPECT_EQ(answers[i].id, ids[i]);
        EXPECT_EQ(answers[i].baseType, MdlGetOptionType(ctx, ids[i]));
        EXPECT_EQ(answers[i].value, MdlGetOptionValue(ctx, ids[i]));
        if (MdlGetValueCount(ctx, ids[i]) > 1) ++lists;
    }
    EXPECT_GT(lists, 5u);  // the selection walk of list options is covered

    // Appends: what was in the vector stays in front.
    std::vector<MdlOptionDefault> more{{7, 1, 2}};
    MdlListedOptionDefaults(ctx, more);
    ASSERT_EQ(more.size(), answers.size() + 1);
    EXPECT_EQ(more[0].id, 7);
    EXPECT_EQ(more[1].id, answers[0].id);
}

TEST_F(SampleContext, ResetAllMatchesAnItemByItemReset) {
    const size_t size = dmSizes().stateSize;
    // Start both from the same non-default bytes so every reset shows.
    std::vector<BYTE> start(ctx->devmode, ctx->devmode + size);
    for (size_t i = dmSizes().publicSize; i < size; i += 7) start[i] ^= 0x5A;

    std::memcpy(ctx->devmode, start.data(), size);
    DmResetAllOptions(ctx);
    const std::vector<BYTE> fast(ctx->devmode, ctx->devmode + size);

    std::memcpy(ctx->devmode, start.data(), size);
    DmInitPrivateHeader(ctx->devmode, ctx);
    int reset = 0;
    for (int i = 0; i < ctx->items->count; ++i) reset += DmResetOption(ctx, &ctx->items->items[i]);
    const std::vector<BYTE> slow(ctx->devmode, ctx->devmode + size);

    EXPECT_GT(reset, 20);
    EXPECT_NE(fast, start);
    for (size_t i = 0; i < size; ++i) ASSERT_EQ(fast[i], slow[i]) << "byte " << i;
}

TEST(ListedDefaults, AContextWithoutAModelHasNone) {
    DrvContext c{};
    std::vector<MdlOptionDefault> out;
    MdlListedOptionDefaults(&c, out);
    EXPECT_TRUE(out.empty());
    MdlListedOptionDefaults(nullptr, out);
    EXPECT_TRUE(out.empty());
}
