// The option-list walk behind the listed options (the defaults reset and
// the item actions) on a copy of the sample image whose list is broken in
// the ways a damaged cache file could break it, held against the answer the
// list walk and the per-id lookup give; and the inline slot rule against the
// model's own.
#include <gtest/gtest.h>

#include <bitset>
#include <memory>
#include <vector>

#include "common/model_support.h"
#include "common/sample_printer.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/model.h"
#include "core/model/query.h"

using namespace vesk;
using vesk::test::get16;
using vesk::test::get32;
using vesk::test::put16;
using vesk::test::put32;

namespace {

struct ImageFree {
    void operator()(MdlImage* m) const { MdlImageFree(m); }
};

// The listed options as the documented rule gives them: every record of the
// list walk, its id once at its first record, with the record MdlFindOption
// gives for the id (an id it does not find is left out).
std::vector<MdlListedOption> byTheRule(const DrvContext* ctx) {
    std::vector<MdlListedOption> out;
    const MdlImageView v = MdlViewOf(ctx);
    uint32_t head = 0;
    if (!v.data() || !v.link(MdlSlotOffset(0), kMdlImgOptionSize, &head)) return out;
    std::bitset<0x10000> seen;
    MdlListWalk walk(v, head, kMdlImgOptionSize);
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t id = 0;
        if (!v.u16(rec + kMdlOptId, &id) || !id || seen[id]) continue;
        seen[id] = true;
        if (const uint32_t o = MdlFindOption(ctx, id)) out.push_back({id, o});
        else seen[id] = false;  // a later record of the id is not found either
    }
    return out;
}

struct BrokenLists : ::testing::Test {
    winsim::TempMachine machine;
    HANDLE printer = nullptr;
    std::vector<uint8_t> bytes;       // the sample's relocated image
    std::vector<uint32_t> records;    // its option list, in order

    void SetUp() override {
        ASSERT_TRUE(test::addSamplePrinter(u"Walks", &printer));
        CtxCacheClear();
        DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, 0, 0, 0, nullptr);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->model, nullptr);
        bytes.assign(ctx->model->block, ctx->model->block + ctx->model->size);
        CtxReleaseEx(ctx, kReleaseFree);
        for (uint32_t at = get32(bytes, MdlSlotOffset(0)); at; at = get32(bytes, at)) records.push_back(at);
        ASSERT_GT(records.size(), 20u);
    }
    void TearDown() override { ClosePrinter(printer); }

    // Both answers for the image `b`.
    void expectSame(const std::vector<uint8_t>& b, const char* what) {
        SCOPED_TRACE(what);
        std::unique_ptr<MdlImage, ImageFree> img(MdlImageNew(b.data(), b.size()));
        ASSERT_NE(img, nullptr);
        DrvContext c{};
        c.model = img.get();
        std::vector<MdlListedOption> fast;
        MdlListedOptions(&c, fast);
        // A second walk answers from what the first kept, after what the
        // list already holds.
        MdlListedOptions(&c, fast);
        const std::vector<MdlListedOption> rule = byTheRule(&c);
        ASSERT_EQ(fast.size(), 2 * rule.size());
        for (size_t i = 0; i < fast.size(); ++i) {
            EXPECT_EQ(fast[i].id, rule[i % rule.size()].id) << "entry " << i;
            EXPECT_EQ(fast[i].option, rule[i % rule.size()].option) << "entry " << i;
        }
        // The other answers kept with the image: each id's record and type
        // as the lookup gives them, the listed options' types and defaults,
        // and the listed options with a type and a Transact list.
        const MdlImageKept* kept = MdlKeptOf(img.get());
        ASSERT_NE(kept, nullptr);
        ASSERT_EQ(kept->byId.size(), size_t{kMdlKeptIdLast + 1});
        for (int id = 1; id <= kMdlKeptIdLast; ++id) {
            uint16_t type = 0;
            const uint32_t o = MdlFindOptionTypedByWalk(&c, id, &type);
            ASSERT_EQ(kept->byId[static_cast<size_t>(id)].option, o) << "id " << id;
            ASSERT_EQ(kept->byId[static_cast<size_t>(id)].baseType, MdlGetOptionType(&c, id)) << "id " << id;
        }
        std::vector<MdlOptionDefault> defaults;
        MdlListedOptionDefaults(&c, defaults);
        ASSERT_EQ(defaults.size(), rule.size());
        for (size_t i = 0; i < rule.size(); ++i) {
            EXPECT_EQ(defaults[i].id, rule[i].id);
            EXPECT_EQ(defaults[i].baseType, MdlGetOptionType(&c, rule[i].id)) << "id " << rule[i].id;
            EXPECT_EQ(defaults[i].value, MdlGetOptionValue(&c, rule[i].id)) << "id " << rule[i].id;
        }
        std::vector<MdlListedAction> actions;
        MdlListedActions(&c, actions);
        size_t at = 0;
        for (const MdlListedOption& r : rule) {
            const uint32_t transact = MdlOptionTransactList(&c, r.option);
            if (!MdlGetOptionType(&c, r.id) || !transact) continue;
            ASSERT_LT(at, actions.size());
            EXPECT_EQ(actions[at].id, r.id);
            EXPECT_EQ(actions[at].transact, transact);
            ++at;
        }
        EXPECT_EQ(at, actions.size());
    }
};

}  // namespace

TEST(OptionSlots, TheInlineRuleIsTheModels) {
    for (int id = -2; id <= 0x10001; ++id) ASSERT_EQ(MdlOptionSlot(id), MdlSlotForOptionId(id)) << id;
}

TEST_F(BrokenLists, TheWalkEndsWhereTheListBreaks) {
    expectSame(bytes, "intact");
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    // Breaks at the first, a middle and the last record's next link.
    for (size_t k : {size_t{0}, records.size() / 2, records.size() - 1}) {
        const uint32_t at = records[k];
        const struct {
            const char* what;
            uint32_t link;
        } breaks[] = {
            {"a loop back to the head", records[0]},
            {"a loop onto itself", at},
            {"a tagged link", MdlTag(records[k / 2])},
            {"an odd link", records[k / 2] | 1u},
            {"a link into the header", kMdlHeaderSize - 4},
            {"a record cut by the block's end", size - kMdlImgOptionSize + 1},
            {"a record that ends at the block's end", size - kMdlImgOptionSize},
            {"a link past the end", size + 64},
        };
        for (const auto& b : breaks) {
            std::vector<uint8_t> broken = bytes;
            put32(broken, at, b.link);
            expectSame(broken, b.what);
        }
    }
}

TEST_F(BrokenLists, IdsTheLookupDoesNotFindAreLeftOut) {
    // An id twice in the list: given once, at its first record.
    {
        std::vector<uint8_t> b = bytes;
        put16(b, records[records.size() - 1] + kMdlOptId, get16(b, records[1] + kMdlOptId));
        expectSame(b, "an id repeated at the end");
    }
    // A record with id 0, and one with an id that has no slot (found by the
    // list walk itself, at its first record).
    {
        std::vector<uint8_t> b = bytes;
        put16(b, records[2] + kMdlOptId, 0);
        put16(b, records[3] + kMdlOptId, 950);
        put16(b, records[4] + kMdlOptId, 950);
        expectSame(b, "id 0 and an id without a slot");
    }
    // An id whose slot is empty, tagged or names a record cut by the end:
    // the lookup finds nothing, and the id is left out.
    for (uint32_t slotValue : {0u, MdlTag(records[0]), static_cast<uint32_t>(bytes.size()) - 8}) {
        std::vector<uint8_t> b = bytes;
        const uint16_t id = get16(b, records[5] + kMdlOptId);
        ASSERT_NE(MdlOptionSlot(id), 0);
        put32(b, MdlSlotOffset(MdlOptionSlot(id)), slotValue);
        expectSame(b, "an id whose slot is broken");
    }
    // A slot that names another record than the id's first in the list.
    {
        std::vector<uint8_t> b = bytes;
        const uint16_t id = get16(b, records[6] + kMdlOptId);
        put32(b, MdlSlotOffset(MdlOptionSlot(id)), records[7]);
        expectSame(b, "a slot naming another record");
    }
}
