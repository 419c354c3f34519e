// The library's forms of the header names, item, paper and language
// routines, and its look-ups of the model's Exclusive rows.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common_calls/item_forms.h"
#include "common_calls/model_forms.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_paper.h"
#include "core/item_ids.h"
#include "core/languages.h"
#include "core/library_profile.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

using ExcItemForms = ExcPrinter;

TEST_F(ExcItemForms, TheHeaderNamesCarryNoCommonTag) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    BYTE* p = c->devmode;
    setText(c, kItRdmKwomMark, u"JUNK");
    ItemSetRawById(c, kItRdmKwomVersion, 9);
    std::memset(p + 285, 0xEE, 64);
    const std::vector<BYTE> before(p, p + 3808);
    EXPECT_TRUE(ProfileOf(LibraryId::Ui).writesCommonTag);
    for (void (*write)(DrvContext*) : {DmWriteSignatureExc, DmHeaderTexts}) {
        write(c);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 228)), "KW12D170.ini");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 244)), "01.00");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 260)), "01.00");
        EXPECT_EQ(p[276], 0);
        EXPECT_EQ(p[284], 0);
        EXPECT_EQ(std::vector<BYTE>(p + 285, p + 349), std::vector<BYTE>(64, 0));
        // Nothing before the names or from the private signature on moves.
        EXPECT_EQ(std::memcmp(p, before.data(), 228), 0);
        EXPECT_EQ(std::memcmp(p + 349, before.data() + 349, 3808 - 349), 0);
    }
}

TEST_F(ExcItemForms, AComputedValueReachesOnlyAnItemThatExists) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const std::vector<BYTE> before(c->devmode, c->devmode + 3808);
    OptFindApply(c, 963, 1);
    OptFindApply(c, 0, 1);
    EXPECT_EQ(std::vector<BYTE>(c->devmode, c->devmode + 3808), before);
    const uint32_t was = ItemValueById(c, kItRdmFuncSelectDuplex);
    OptFindApply(c, kItRdmFuncSelectDuplex, was ? 0 : 1);
    EXPECT_EQ(ItemValueById(c, kItRdmFuncSelectDuplex), was ? 0u : 1u);
}

TEST_F(ExcItemForms, TheResourceLanguageAlwaysFollowsThePrintersHelpData) {
    // The driver's help file says "fr"; the printer's data says "gm".
    DrvContext* c = context(0, 1);
    ASSERT_NE(c, nullptr);
    setData(u"HelpFileName", u"VSKHLPgm.HLP");
    EXPECT_EQ(std::u16string(GetResLangCodeExc(c)), u"gm");
    EXPECT_EQ(std::u16string(c->ws->languageCode), u"gm");
    EXPECT_EQ(std::u16string(GetResLangCode(c)), u"gm");
    // The interface library's form would take the driver's help file here.
    EXPECT_TRUE(ProfileOf(LibraryId::Ui).resLangFromDriverHelp);
    EXPECT_EQ(std::u16string(LangCodeFromDriverHelpFile(c)), u"fr");
}

class ExcSourcePaper : public ExcPrinter {
protected:
    void SetUp() override {
        ExcPrinter::SetUp();
        c_ = context(0, 0);
        ASSERT_NE(c_, nullptr);
    }
    void publicSize(int32_t width, int32_t length) {
        ItemSetRawById(c_, kItDmPaperWidth, static_cast<uint32_t>(width));
        ItemSetRawById(c_, kItDmPaperLength, static_cast<uint32_t>(length));
    }
    std::pair<int32_t, int32_t> publicFields() const {
        return {dm::rds16(c_->devmode, dm::kOffPaperWidth), dm::rds16(c_->devmode, dm::kOffPaperLength)};
    }
    std::pair<uint32_t, uint32_t> dots() const {
        return {ItemRawById(c_, kItRdmSrcPaperWidthDot), ItemRawById(c_, kItRdmSrcPaperLengthDot)};
    }
    DrvContext* c_ = nullptr;
};

TEST_F(ExcSourcePaper, TheUserSizeIsThePublicSizeAndStaysInThePublicFields) {
    // A5 in the public fields; the user-size slot holds its default, A4.
    publicSize(1480, 2100);
    DmSetSrcPaperItemsCoreExc(c_, 256, 0, nullptr, 0);
    const auto a5 = dots();
    EXPECT_EQ(publicFields(), std::make_pair(1480, 2100));
    const uint32_t flags = DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PAPERSIZE;
    EXPECT_EQ(dm::fields(c_->devmode) & flags, flags);
    DmSetSrcPaperItemsCoreFor(c_, 256, 0, nullptr, 0, ProfileOf(LibraryId::Ui));
    const auto a4 = dots();
    EXPECT_EQ(publicFields(), std::make_pair(2100, 2970));
    EXPECT_LT(a5.first, a4.first);
    EXPECT_LT(a5.second, a4.second);
    EXPECT_GT(a5.first, 0u);

    // A public size past the device's limits is clamped to them.
    publicSize(1480, 30000);
    DmSetSrcPaperItemsCoreExc(c_, 256, 0, nullptr, 0);
    const auto far = dots();
    publicSize(1480, 32000);
    DmSetSrcPaperItemsCoreExc(c_, 256, 0, c_->devmode, 0);
    EXPECT_EQ(dots(), far);
    EXPECT_EQ(publicFields(), std::make_pair(1480, 32000));
}

TEST_F(ExcSourcePaper, ATurnedFreeSizeLeavesThePublicFieldsInPortraitOrder) {
    ItemSetRawById(c_, kItDmOrientation, DMORIENT_LANDSCAPE);
    // Slot 0 holds its default, A4 portrait.
    DmSetSrcPaperItemsCoreExc(c_, 384, 0, nullptr, 1);
    const auto turned = dots();
    EXPECT_GT(turned.first, turned.second);
    EXPECT_EQ(publicFields(), std::make_pair(2100, 2970));
    DmSetSrcPaperItemsCoreFor(c_, 384, 0, nullptr, 1, ProfileOf(LibraryId::Ui));
    EXPECT_EQ(dots(), turned);
    EXPECT_EQ(publicFields(), std::make_pair(2970, 2100));
    // Without the swap flag nothing turns.
    DmSetSrcPaperItemsCoreExc(c_, 384, 0, nullptr, 0);
    EXPECT_EQ(dots(), std::make_pair(turned.second, turned.first));
}

TEST_F(ExcItemForms, ExclusiveRowsAreFoundByTheLowBitsOfTheirKey) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const uint32_t option = MdlFindOption(c, kItRdmFuncSelectDuplex);
    ASSERT_NE(option, 0u);
    const uint32_t row = MdlFindExclusiveByKeyExc(kItRdmFuncSelectDuplex, c);
    EXPECT_NE(row, 0u);
    EXPECT_EQ(row, MdlOptionRule(c, option));
    EXPECT_EQ(MdlFindExclusiveByKeyExc(0x10000u | kItRdmFuncSelectDuplex, c), row);
    // The row's first condition: the duplex unit is missing.
    for (uint32_t unit : {0u, 1u}) {
        ItemSetRawById(c, kItRdmSourceOptionTypeDuplex, unit);
        EXPECT_EQ(MdlEvalExclusiveByKeyExc(kItRdmFuncSelectDuplex, 0, c), unit ? 0 : 1);
        EXPECT_EQ(static_cast<uint32_t>(MdlEvalExclusiveByKeyExc(kItRdmFuncSelectDuplex, 0, c)),
                  MdlEvalOptionCond1(c, option, 0));
    }
    // A value without an entry of its own, a key without a row, no model.
    EXPECT_EQ(MdlEvalExclusiveByKeyExc(kItRdmFuncSelectDuplex, 77, c), 0);
    EXPECT_EQ(MdlFindExclusiveByKeyExc(9999, c), 0u);
    EXPECT_EQ(MdlEvalExclusiveByKeyExc(9999, 0, c), -1);
    EXPECT_EQ(MdlFindExclusiveByKeyExc(kItRdmFuncSelectDuplex, nullptr), 0u);
    EXPECT_EQ(MdlEvalExclusiveByKeyExc(kItRdmFuncSelectDuplex, 0, nullptr), -1);
}

}  // namespace
}  // namespace vesk::test
