// Merging a caller's DEVMODE: which public fields are taken and how, what of
// the private part survives, and callers' DEVMODEs that are short, foreign or
// lie about their sizes.
#include <gtest/gtest.h>

#include <cstring>

#include <winsim/winsim.h>

#include "common/devmode_support.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_state.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kDocMerge = 0x2000000 | 8;

class DevmodeMerge : public ::testing::Test {
protected:
    void SetUp() override {
        model_.types = {{7, 1}, {8, 257}, {13, 513}, {14, 1}, {16, 1}, {15, 1}, {20, 1}, {42, 1}};
        model_.values = {{8, 45}, {14, 300}, {7, 2026}};
        model_.allowedValues = {{7, 1}, {7, 2}, {8, 9}, {8, 1}, {14, 600}, {14, 300}, {42, 600}, {42, 300},
                                {16, 1}, {16, 2}, {16, 3}, {13, 7}, {13, 1}};
        scope_ = std::make_unique<ModelScope>(model_);
        ctx_ = defaultsContext();
        ASSERT_TRUE(ctx_);
        in_ = copyOf(ctx_->devmode, 1260);
        dm::setFields(in_.data(), 0);
    }
    BYTE* cur() { return ctx_->devmode; }
    int merge(uint32_t flags = kDocMerge) { return DmMergeDevmode(ctx_.get(), in_.data(), in_.size(), flags); }

    FakeModel model_;
    std::unique_ptr<ModelScope> scope_;
    ContextPtr ctx_;
    std::vector<BYTE> in_;
};

}  // namespace

TEST_F(DevmodeMerge, FlagsWithoutModifyOrNoUiChangeNothing) {
    dm::wr16(in_.data(), 76, 2);
    dm::setFields(in_.data(), DM_ORIENTATION);
    std::vector<BYTE> before = copyOf(cur(), 3808);
    EXPECT_EQ(merge(2), 1);
    EXPECT_EQ(copyOf(cur(), 3808), before);
}

TEST_F(DevmodeMerge, PaperBySizeCode) {
    dm::wr16(in_.data(), 78, 1);
    dm::setFields(in_.data(), DM_PAPERSIZE | DM_PAPERLENGTH);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 78), 1);
    EXPECT_EQ(s16(cur(), 82), 2159);  // from the model's page size
    EXPECT_EQ(s16(cur(), 80), 2794);
    EXPECT_EQ(dm::fields(cur()) & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH), uint32_t(DM_PAPERSIZE));

    // A code the model does not allow: the model's current paper.
    dm::wr16(in_.data(), 78, 119);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 78), 1);
    // Without a model option: the description's.
    model_.types = {};
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 78), 9);
}

TEST_F(DevmodeMerge, PaperByLengthAndWidthAndByFreeSize) {
    dm::wr16(in_.data(), 78, DMPAPER_USER);
    dm::wr16(in_.data(), 80, 1500);
    dm::wr16(in_.data(), 82, 1000);
    dm::setFields(in_.data(), DM_PAPERSIZE);  // a user size counts as length and width
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 78), DMPAPER_USER);
    EXPECT_EQ(s16(cur(), 80), 1500);
    EXPECT_EQ(s16(cur(), 82), 1000);
    EXPECT_EQ(dm::fields(cur()) & (DM_PAPERLENGTH | DM_PAPERWIDTH), uint32_t(DM_PAPERLENGTH | DM_PAPERWIDTH));

    dm::wr16(in_.data(), 78, 384);  // a free-size slot of 6000 x 9600 dots
    dm::setFields(in_.data(), DM_PAPERSIZE);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 78), 384);
    EXPECT_EQ(s16(cur(), 82), 1270);
    EXPECT_EQ(s16(cur(), 80), 2032);
    EXPECT_EQ(dm::fields(cur()) & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH),
              uint32_t(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));
}

TEST_F(DevmodeMerge, FormNameReplacesOnlyANamedForm) {
    dm::putWideField(in_.data(), 102, 32, u"Letter");
    dm::setFields(in_.data(), DM_FORMNAME);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(cur()[102], 'L');
    EXPECT_TRUE(dm::fields(cur()) & DM_FORMNAME);
    // A name without a terminator is cut inside its field.
    for (uint32_t i = 0; i < 32; ++i) dm::wr16(in_.data(), 102 + 2 * i, 'Z');
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(dm::rd16(cur(), 102 + 62), 0);
    EXPECT_EQ(dm::rd16(cur(), 102 + 60), 'Z');
    // An empty name empties the current one.
    dm::putWideField(in_.data(), 102, 32, u"");
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(dm::rd16(cur(), 102), 0);
    EXPECT_FALSE(dm::fields(cur()) & DM_FORMNAME);
    dm::putWideField(in_.data(), 102, 32, u"A5");
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(dm::rd16(cur(), 102), 0) << "an empty current name stays empty";
}

TEST_F(DevmodeMerge, CollateFollowsTheDevice) {
    dm::wr16(in_.data(), 100, 1);
    dm::setFields(in_.data(), DM_COLLATE);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 100), 0);
    EXPECT_FALSE(dm::fields(cur()) & DM_COLLATE);
    model_.collate = true;
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 100), 1);
    EXPECT_TRUE(dm::fields(cur()) & DM_COLLATE);
    // Without the flag the sort item decides: the caller's, since its
    // private part is this driver's.
    dm::setFields(in_.data(), 0);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 100), 0);
    in_[413] = 1;  // item 64
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 100), 1);
}

TEST_F(DevmodeMerge, DuplexSetsItsItemsByOrientation) {
    dm::wr16(in_.data(), 94, DMDUP_VERTICAL);
    dm::wr16(in_.data(), 76, DMORIENT_PORTRAIT);
    dm::setFields(in_.data(), DM_DUPLEX | DM_ORIENTATION);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 94), DMDUP_VERTICAL);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmFuncSelectDuplex), 1u);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDuplexType), 3u);  // long edge in portrait is the vertical flip
    dm::wr16(in_.data(), 94, 7);                  // not allowed: the description's simplex
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 94), DMDUP_SIMPLEX);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmFuncSelectDuplex), 0u);
}

TEST_F(DevmodeMerge, ResolutionAndItsItems) {
    dm::wr16(in_.data(), 90, 300);
    dm::setFields(in_.data(), DM_PRINTQUALITY);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 300);
    EXPECT_EQ(s16(cur(), 96), 300);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDstResolutionW), 300u);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDstResolutionH), 300u);
    dm::wr16(in_.data(), 90, static_cast<uint16_t>(DMRES_MEDIUM));  // the model's current resolution
    dm::wr16(cur(), 90, 600);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 300);
    model_.paperLimits = false;  // the paper does not fit the mode: 600
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 600);
    EXPECT_EQ(s16(cur(), 96), 600);
}

TEST_F(DevmodeMerge, CopiesAndScaleLimits) {
    const std::pair<int16_t, int16_t> copies[] = {{999, 999}, {1000, 1}, {0, 1}, {-5, 1}, {12, 12}};
    for (auto [in, out] : copies) {
        dm::wr16(in_.data(), 86, static_cast<uint16_t>(in));
        dm::setFields(in_.data(), DM_COPIES);
        ASSERT_EQ(merge(), 1);
        EXPECT_EQ(s16(cur(), 86), out) << in;
    }
    dm::addFields(cur(), DM_SCALE);
    dm::wr16(in_.data(), 84, 0);
    dm::setFields(in_.data(), DM_SCALE);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 84), 100);
    EXPECT_FALSE(dm::fields(cur()) & DM_SCALE);
    model_.types.push_back({11, 8});
    model_.ranges = {{11, {25, 400}}};
    dm::wr16(in_.data(), 84, 500);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 84), 100);
    dm::wr16(in_.data(), 84, 25);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 84), 25);
}

TEST_F(DevmodeMerge, ForeignPrivatePartKeepsOursAndContextFlagsSurvive) {
    const std::vector<BYTE> before = copyOf(cur(), 1260);
    std::memcpy(in_.data() + 349, "oops", 4);
    for (uint32_t off = 1241; off <= 1256; ++off) in_[off] = 9;
    dm::wr16(in_.data(), 76, 2);
    dm::setFields(in_.data(), DM_ORIENTATION);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 76), 2);
    EXPECT_EQ(std::memcmp(cur() + 349, "priv", 4), 0);
    EXPECT_EQ(std::memcmp(cur() + 1241, before.data() + 1241, 16), 0);

    // Our own private part: the context's situation bytes stay, the others
    // come from the caller; the front-function word is kept whole.
    in_ = copyOf(cur(), 1260);
    for (uint32_t off = 1241; off <= 1256; ++off) in_[off] = 9;
    dm::wr32(cur(), 832, 0x01020304);
    dm::wr16(in_.data(), 363, 0xFFFF);
    ASSERT_EQ(merge(), 1);
    for (uint32_t off : {1241u, 1242u, 1249u, 1253u, 1255u, 1256u}) EXPECT_EQ(cur()[off], before[off]) << off;
    for (uint32_t off : {1250u, 1251u, 1254u}) EXPECT_EQ(cur()[off], 9) << off;
    // The printer's facts are taken again, whatever the caller says.
    EXPECT_EQ(cur()[1247], 0) << "item 40 is 0";
    EXPECT_EQ(cur()[1248], 0) << "the printer has no bidirectional attribute";
    EXPECT_EQ(dm::rd32(cur(), 832), 0x01020304u);
    EXPECT_EQ(dm::rd16(cur(), 363), 1260u) << "section bases are the driver's";
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), cur(), 1260), 1);
}

TEST_F(DevmodeMerge, ShortOrLyingDevmodesAreRefusedWithoutHarm) {
    const std::vector<BYTE> ownPrivate = copyOf(cur() + 220, 1040);
    // Truncated: too short for its own header.
    dm::wr16(in_.data(), 76, 2);
    dm::setFields(in_.data(), DM_ORIENTATION);
    EXPECT_EQ(DmMergeDevmode(ctx_.get(), in_.data(), 60, kDocMerge), 1);
    EXPECT_EQ(s16(cur(), 76), 1);
    // Sizes that claim more than the buffer.
    dm::wr16(in_.data(), 70, 4000);
    EXPECT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 76), 1);
    // A small public part (a 3.20 DEVMODE without private data) is taken.
    std::vector<BYTE> small = copyOf(in_.data(), 188);
    dm::wr16(small.data(), 68, 188);
    dm::wr16(small.data(), 70, 0);
    EXPECT_EQ(DmMergeDevmode(ctx_.get(), small.data(), small.size(), kDocMerge), 1);
    EXPECT_EQ(s16(cur(), 76), 2);
    EXPECT_EQ(std::memcmp(cur() + 220 + 4, ownPrivate.data() + 4, 4), 0);
    EXPECT_EQ(DmIsOwnDevmode(ctx_.get(), cur(), 1260), 1);
    // No DEVMODE at all.
    EXPECT_EQ(DmMergeDevmode(ctx_.get(), nullptr, 0, kDocMerge), 1);
}

TEST_F(DevmodeMerge, ModelDefaultsLandAsWindowsValues) {
    model_.values.push_back({13, 5});  // the model's TRAY3
    dm::wr16(in_.data(), 88, 99);
    dm::wr16(in_.data(), 76, 7);
    dm::setFields(in_.data(), DM_DEFAULTSOURCE | DM_ORIENTATION);
    model_.values[2] = {7, 2027};  // landscape
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 88), 2) << "value id 5 is DMBIN_LOWER";
    EXPECT_EQ(s16(cur(), 76), 2);
    model_.types = {};
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 88), 7) << "without a model option: the description's";
    EXPECT_EQ(s16(cur(), 76), 1);
}

TEST_F(DevmodeMerge, PrintQualityMustSuitTheResolutionItem) {
    model_.lists[42] = {600, 1200};
    model_.values.push_back({42, 1200});
    dm::wr16(in_.data(), 90, 300);  // the quality validator allows it, item 42 does not
    dm::setFields(in_.data(), DM_PRINTQUALITY);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 1200);
    EXPECT_EQ(s16(cur(), 96), 1200);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDstResolutionW), 1200u);

    // A numeric item 42: the resolution id of item 248 decides.
    model_.types.push_back({248, 1});
    for (auto& t : model_.types)
        if (t.first == 42) t.second = 8;
    model_.lists[248] = {3, 4};
    model_.values.push_back({248, 4});
    dm::wr16(in_.data(), 90, 600);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 600) << "600 dpi is id 3, which item 248 allows";
    dm::wr16(in_.data(), 90, 300);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(s16(cur(), 90), 1200) << "id 1 is refused: the model's id 4 gives 1200";
}

TEST_F(DevmodeMerge, QualityMacroWithoutItsListLeavesTheQuality) {
    ItemSetRawById(ctx_.get(), kItRdmUseUserMacro, 1);
    ItemSetRawById(ctx_.get(), kItRdmUserPrintMacro, 33);
    ItemSetRawById(ctx_.get(), kItRdmDstResolutionW, 600);
    in_ = copyOf(cur(), 1260);
    dm::wr16(in_.data(), 90, 300);
    dm::setFields(in_.data(), DM_PRINTQUALITY);
    ASSERT_EQ(merge(kDocMerge | 4), 1);
    EXPECT_EQ(s16(cur(), 90), 300) << "no quality entry was loaded, so item 42 says nothing";
    EXPECT_EQ(DmSaveDepth(ctx_.get()), 0u);
}

TEST_F(DevmodeMerge, ItemActionsRunAfterTheMergesThatAskForThem) {
    model_.actionsRun.clear();
    ASSERT_EQ(merge(kDocMerge), 1);
    EXPECT_TRUE(model_.actionsRun.empty());
    ASSERT_EQ(merge(0x8000008), 1);  // the job check
    EXPECT_EQ(model_.actionsRun.size(), model_.types.size());
}

TEST_F(DevmodeMerge, DuplexTypeTurnsOnlyToGiveTheOtherFlip) {
    ItemSetRawById(ctx_.get(), kItRdmFuncSelectDuplex, 1);
    ItemSetRawById(ctx_.get(), kItRdmDuplexType, 17);  // gives the short-edge flip in portrait
    in_ = copyOf(cur(), 1260);
    dm::wr16(in_.data(), 94, DMDUP_HORIZONTAL);
    dm::setFields(in_.data(), DM_DUPLEX);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDuplexType), 17u);
    dm::wr16(in_.data(), 94, DMDUP_VERTICAL);
    ASSERT_EQ(merge(), 1);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDuplexType), 3u);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmFuncSelectDuplex), 1u);
}

TEST_F(DevmodeMerge, PromptedMergeWritesTheItemsBackIntoThePublicFields) {
    // The caller's private part carries a landscape long-edge duplex at
    // 1200 dpi and a media type; with the prompt bit the public fields follow.
    ItemSetRawById(ctx_.get(), kItRdmFuncSelectDuplex, 1);
    ItemSetRawById(ctx_.get(), kItRdmDuplexType, 1);
    ItemSetRawById(ctx_.get(), kItRdmMediaType, 3);
    in_ = copyOf(cur(), 1260);
    dm::wr16(in_.data(), 76, DMORIENT_LANDSCAPE);
    dm::wr16(in_.data(), 90, 1200);
    model_.allowedValues.insert({14, 1200});
    dm::setFields(in_.data(), DM_ORIENTATION | DM_PRINTQUALITY);
    ASSERT_EQ(merge(kDocMerge | 4), 1);
    EXPECT_EQ(s16(cur(), 94), DMDUP_VERTICAL);
    EXPECT_EQ(dm::rd32(cur(), 196), 3u);
    EXPECT_EQ(s16(cur(), 90), 1200);
    EXPECT_EQ(ItemRawById(ctx_.get(), kItRdmDstResolutionH), 1200u);
}

TEST(DevmodeMergeAlloc, FailedWorkingCopyLeavesTheDevmode) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    std::vector<BYTE> in = copyOf(c->devmode, 1260);
    dm::wr16(in.data(), 76, 2);
    dm::setFields(in.data(), DM_ORIENTATION);
    const std::vector<BYTE> before = copyOf(c->devmode, 3808);
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(DmMergeDevmode(c.get(), in.data(), in.size(), 0x2000008), 0);
    EXPECT_EQ(copyOf(c->devmode, 3808), before);
}
