// The merge of a job's DEVMODE into the graphics library's context: the
// private part it takes or refuses, the public fields as the graphics
// library keeps them, and a merge that cannot be done leaving the context
// as it was.
#include <gtest/gtest.h>
#include <win/devmode.h>
#include <winsim/winsim.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common_calls/context_devmode.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "frame_support.h"
#include "job_state.h"

using namespace vesk;
using namespace grtest;

namespace {

constexpr uint32_t kAtEnable = 0x10008;

class GrMerge : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ctx_ = CtxCreateGr(printer_, 0, 0x10000);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        winsim::clearFaults();
        CtxReleaseExGr(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }
    // A whole DEVMODE of this driver, as the context holds it.
    std::vector<BYTE> whole() const {
        return std::vector<BYTE>(ctx_->devmode, ctx_->devmode + dmSizes().totalSize);
    }
    // The public part alone (no private part behind it).
    std::vector<BYTE> publicOnly(uint32_t fields) const {
        std::vector<BYTE> d(ctx_->devmode, ctx_->devmode + dmSizes().publicSize);
        dm::wr16(d.data(), dm::kOffDriverExtra, 0);
        dm::wr32(d.data(), dm::kOffFields, fields);
        return d;
    }
    int merge(const std::vector<BYTE>& d, uint32_t flags = kAtEnable) {
        return DmApplyDevmodeFlagsGr(ctx_, reinterpret_cast<const DEVMODEW*>(d.data()), flags);
    }
    int16_t pub16(uint32_t off) const { return dm::rds16(ctx_->devmode, off); }
    uint32_t fields() const { return dm::rd32(ctx_->devmode, dm::kOffFields); }
    DrvContext* ctx_ = nullptr;
};

}  // namespace

// A DEVMODE without a private part keeps the context's; one of another
// display language gives way to the context's own.
TEST_F(GrMerge, APrivatePartItCannotUseIsTheContexts) {
    ItemSetRawById(ctx_, kItRdmFuncSelectTonerSave, 1);
    std::vector<BYTE> d = publicOnly(DM_COPIES);
    dm::wr16(d.data(), dm::kOffCopies, 3);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffCopies), 3);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmFuncSelectTonerSave), 1u);

    // The job's part, of another display language, asks for toner saving;
    // the context's does not.
    ItemSetRawById(ctx_, kItRdmFuncSelectTonerSave, 0);
    DmItem* toner = ItemFindById(ctx_, kItRdmFuncSelectTonerSave);
    ASSERT_NE(toner, nullptr);
    std::vector<BYTE> other = whole();
    other[dm::kOffLanguageId] = static_cast<BYTE>(ctx_->devmode[dm::kOffLanguageId] + 1);
    ItemWriteRawIn(other.data(), toner, 1);
    ASSERT_EQ(merge(other), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmFuncSelectTonerSave), 0u);

    // The same part in the context's language is taken.
    std::vector<BYTE> same = whole();
    ItemWriteRawIn(same.data(), toner, 1);
    ASSERT_EQ(merge(same), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmFuncSelectTonerSave), 1u);
}

// Papers: an unknown code takes the model's default, explicit lengths are
// taken (also beside a code the model knows), a free size in landscape is
// turned, and an empty form name clears its flag whatever came with it.
TEST_F(GrMerge, PapersAndTheFormName) {
    const int16_t a4 = pub16(dm::kOffPaperSize);
    std::vector<BYTE> d = publicOnly(DM_PAPERSIZE);
    dm::wr16(d.data(), dm::kOffPaperSize, 9999);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffPaperSize), a4);

    d = publicOnly(DM_PAPERLENGTH | DM_PAPERWIDTH);
    dm::wr16(d.data(), dm::kOffPaperSize, DMPAPER_USER);
    dm::wr16(d.data(), dm::kOffPaperLength, 2500);
    dm::wr16(d.data(), dm::kOffPaperWidth, 1500);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffPaperSize), DMPAPER_USER);
    EXPECT_EQ(pub16(dm::kOffPaperLength), 2500);
    EXPECT_EQ(pub16(dm::kOffPaperWidth), 1500);
    EXPECT_TRUE(fields() & DM_PAPERLENGTH);

    // Lengths with a code the model does not know: a size of the user's.
    d = publicOnly(DM_PAPERLENGTH | DM_PAPERWIDTH);
    dm::wr16(d.data(), dm::kOffPaperSize, 9999);
    dm::wr16(d.data(), dm::kOffPaperLength, 2000);
    dm::wr16(d.data(), dm::kOffPaperWidth, 1000);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffPaperSize), DMPAPER_USER);

    // The first free size (A4 by default): turned in landscape.
    d = publicOnly(DM_PAPERSIZE | DM_ORIENTATION);
    dm::wr16(d.data(), dm::kOffPaperSize, 384);
    dm::wr16(d.data(), dm::kOffOrientation, DMORIENT_PORTRAIT);
    ASSERT_EQ(merge(d), 1);
    const int16_t w = pub16(dm::kOffPaperWidth), l = pub16(dm::kOffPaperLength);
    ASSERT_GT(l, w);
    dm::wr16(d.data(), dm::kOffOrientation, DMORIENT_LANDSCAPE);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffPaperWidth), l);
    EXPECT_EQ(pub16(dm::kOffPaperLength), w);

    // The context's default may hold the spooler's form name: the job's
    // comes empty.
    d = publicOnly(DM_PAPERSIZE | DM_FORMNAME);
    dm::wr16(d.data(), dm::kOffPaperSize, a4);
    std::fill_n(d.begin() + dm::kOffFormName, 2 * dm::kFormNameChars, BYTE{0});
    ASSERT_EQ(merge(d), 1);
    EXPECT_FALSE(fields() & DM_FORMNAME);
    EXPECT_EQ(dm::rd16(ctx_->devmode, dm::kOffFormName), 0);
}

// Copies out of range and a DMRES_ quality take the defaults; the vertical
// resolution follows the quality; item 885 follows bit 2 of the flags; item
// 394 follows the model's option.
TEST_F(GrMerge, NumbersQualityAndFlags) {
    std::vector<BYTE> d = publicOnly(DM_COPIES | DM_PRINTQUALITY | DM_SCALE);
    dm::wr16(d.data(), dm::kOffCopies, 5000);
    dm::wr16(d.data(), dm::kOffPrintQuality, DMRES_DRAFT);
    dm::wr16(d.data(), dm::kOffScale, 100);
    ASSERT_EQ(merge(d), 1);
    EXPECT_EQ(pub16(dm::kOffCopies), static_cast<int16_t>(ctx_->desc->publicDefaults.copies));
    EXPECT_EQ(pub16(dm::kOffPrintQuality), 600);
    EXPECT_EQ(pub16(dm::kOffYResolution), 600);
    EXPECT_TRUE(fields() & DM_YRESOLUTION);
    // The scale the job asked for keeps its flag in this library.
    EXPECT_TRUE(fields() & DM_SCALE);

    EXPECT_EQ(ItemRawById(ctx_, kItWdmCtrlWorkPrompt), 0u);
    ASSERT_EQ(merge(d, kAtEnable | 0x4), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItWdmCtrlWorkPrompt), 1u);

    uint32_t option394 = 0;
    const bool has = dmModel().optionValue(ctx_, kItRdmQualityFuncTextBitmapSupport, &option394);
    std::vector<BYTE> full = whole();
    ItemWriteRawIn(full.data(), ItemFindById(ctx_, kItRdmQualityFuncTextBitmapSupport), has && option394 ? 0 : 1);
    ASSERT_EQ(merge(full), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmQualityFuncTextBitmapSupport), has && option394 ? 1u : 0u);
}

// Without memory for the working copy nothing of the context moves.
TEST_F(GrMerge, NoMemoryLeavesTheContextUnchanged) {
    const std::vector<BYTE> before = whole();
    std::vector<BYTE> d = publicOnly(DM_COPIES | DM_ORIENTATION);
    dm::wr16(d.data(), dm::kOffCopies, 7);
    dm::wr16(d.data(), dm::kOffOrientation, DMORIENT_LANDSCAPE);
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, SIZE_MAX);
    EXPECT_EQ(merge(d), 0);
    winsim::clearFaults();
    EXPECT_EQ(whole(), before);
}

// The device made by the engine for a public-only DEVMODE: the job's
// public fields over the context's private part.
TEST_F(GrMerge, EnableWithAPublicOnlyDevmode) {
    std::vector<BYTE> d = publicOnly(DM_COPIES | DM_ORIENTATION);
    dm::wr16(d.data(), dm::kOffCopies, 4);
    dm::wr16(d.data(), dm::kOffOrientation, DMORIENT_LANDSCAPE);
    EngineDevice dev;
    ASSERT_TRUE(dev.make(printer_, d)) << dev.error;
    DrvContext* c = dev.pdev()->ctx;
    EXPECT_EQ(dm::rds16(c->devmode, dm::kOffCopies), 4);
    EXPECT_EQ(dm::rds16(c->devmode, dm::kOffOrientation), DMORIENT_LANDSCAPE);
    EXPECT_EQ(std::memcmp(c->devmode + dm::kOffSignature, ctx_->devmode + dm::kOffSignature, 4), 0);
}

// The source resolver turns a free size in landscape without being asked,
// and the output resolver copies the source's items for the same paper.
TEST_F(GrMerge, ThePaperResolversTurnLandscapeFreeSizes) {
    dm::wr16(ctx_->devmode, dm::kOffOrientation, DMORIENT_PORTRAIT);
    DmSetSrcPaperItemsGr(ctx_, 384);
    const uint32_t length = ItemRawById(ctx_, kItRdmSrcPaperLengthDot);
    const uint32_t width = ItemRawById(ctx_, kItRdmSrcPaperLengthDot + 1);
    ASSERT_GT(length, width);
    dm::wr16(ctx_->devmode, dm::kOffOrientation, DMORIENT_LANDSCAPE);
    DmSetSrcPaperItemsGr(ctx_, 384);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmSrcPaperLengthDot), width);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmSrcPaperLengthDot + 1), length);
    DmSetDstPaperItemsGr(ctx_, 384);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ItemRawById(ctx_, kItRdmDstPaperLengthDot + i), ItemRawById(ctx_, kItRdmSrcPaperLengthDot + i)) << i;
}
