// The versioned API's value tests and lists on small models: public values
// and names of list options, the fit-to-paper scale.
#include <gtest/gtest.h>

#include <vector>

#include "api/opt_values.h"
#include "common/eval_support.h"
#include "core/item_store.h"

namespace vesk::test {
namespace {

// Media types whose thick paper is disabled and labels hidden in duplex;
// an output tray list with a paper's value (no symbol of item 57); the
// orientation, whose public values differ from its model values.
const char* kLists = R"(*OpenUI *VPD_rdmFuncSelectDuplex: Boolean
*DefaultVPD_rdmFuncSelectDuplex: False
*CloseUI
*OpenUI *VPD_rdmMediaType: PickOne
*VPD_rdmMediaType IDS_MEDIA_PLAIN: "PLAIN"
*VPD_rdmMediaType IDS_MEDIA_THICK: "THICK"
*VPD_rdmMediaType IDS_MEDIA_LABEL: "LABEL"
*CloseUI
*OpenUI *VPD_rdmOutputTrayID: PickOne
*VPD_rdmOutputTrayID IDS_OUTTRAY_UPPER: "UPPER"
*VPD_rdmOutputTrayID IDS_PAPERSIZE_A4: "A4"
*VPD_rdmOutputTrayID IDS_OUTTRAY_FINISHERSHIFT: "SHIFT"
*CloseUI
*OpenUI *VPD_dmOrientation: PickOne
*VPD_dmOrientation IDS_ORIENT_PORTRAIT: "PORTRAIT"
*VPD_dmOrientation IDS_ORIENT_LANDSCAPE: "LANDSCAPE"
*CloseUI
*OpenUI *VPD_rdmMachineFeed: Boolean|TypeUnknown
*CloseUI
*OpenUI *VPD_dmCopies: Numeric
*NumericValue: 0 "3 1 1 999 0 1 1 1"
*CloseUI
*Judge 1=DuplexOn: { VPD_rdmFuncSelectDuplex == 1 }
*Item 1=MediaPerValue: { IDS_MEDIA_THICK DuplexOn NULL IDS_MEDIA_LABEL NULL DuplexOn }
*Exclusive: {
    VPD_rdmMediaType NULL NULL MediaPerValue NULL NULL NULL
}
)";

constexpr int kMedia = 378, kTray = 57, kOrientation = 7, kCopies = 12, kDuplex = 61, kFeed = 10001;

class ApiValueLists : public ImageTest {
protected:
    void SetUp() override { load(kLists); }
    std::vector<uint16_t> publicValues(int option, uint32_t flags) {
        std::vector<uint16_t> out(8, 0xEEEE);
        const int n = OptListPublicValuesEx(c, out.data(), option, flags);
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    }
};

TEST_F(ApiValueLists, PublicValuesInModelOrderAndTheValuesTheConditionsLeave) {
    EXPECT_EQ(OptListPublicValues(c, nullptr, kMedia), 3);
    EXPECT_EQ(publicValues(kMedia, 0), (std::vector<uint16_t>{1, 3, 5}));
    EXPECT_EQ(publicValues(kOrientation, 0), (std::vector<uint16_t>{1, 2})) << "public, not model values";
    EXPECT_EQ(publicValues(kMedia, kOptSkipDisabled), (std::vector<uint16_t>{1, 3, 5}));
    // In duplex thick paper is disabled and labels hidden: both are left out.
    ItemSetRawById(c, kDuplex, 1);
    EXPECT_EQ(publicValues(kMedia, kOptSkipDisabled), (std::vector<uint16_t>{1}));
    EXPECT_EQ(publicValues(kMedia, 0), (std::vector<uint16_t>{1, 3, 5})) << "flags 0 lists every value";
}

TEST_F(ApiValueLists, AValueWithoutItsPublicValueFailsTheWholeList) {
    std::vector<uint16_t> out(4, 0xEEEE);
    EXPECT_EQ(OptListPublicValuesEx(c, out.data(), kTray, 0), -1);
    EXPECT_EQ(out, std::vector<uint16_t>(4, 0xEEEE)) << "nothing written";
    EXPECT_EQ(OptListPublicValuesEx(c, nullptr, kTray, kOptSkipDisabled), -1);
    EXPECT_EQ(OptListPublicValues(c, nullptr, kCopies), -1) << "not a list option";
    EXPECT_EQ(OptListPublicValues(c, nullptr, 50), -1) << "not in the model";
    EXPECT_EQ(OptListPublicValues(nullptr, nullptr, kMedia), -1);
    // The names need no symbols.
    EXPECT_EQ(OptListValueNames(c, nullptr, 8, kTray), 3);
}

TEST_F(ApiValueLists, EveryValueLeftOutIsAFailure) {
    load(R"(*OpenUI *VPD_rdmFuncSelectDuplex: Boolean
*CloseUI
*Judge 2=Always: { VPD_rdmFuncSelectDuplex == 0 }
*Item 2=AllOff: { IDS_OUTTRAY_UPPER Always NULL IDS_OUTTRAY_FINISHERSHIFT NULL Always }
*OpenUI *VPD_rdmOutputTrayID: PickOne
*VPD_rdmOutputTrayID IDS_OUTTRAY_UPPER: "UPPER"
*VPD_rdmOutputTrayID IDS_OUTTRAY_FINISHERSHIFT: "SHIFT"
*CloseUI
*Exclusive: {
    VPD_rdmOutputTrayID NULL NULL AllOff NULL NULL NULL
}
)");
    if (HasFatalFailure()) return;
    EXPECT_EQ(OptListPublicValuesEx(c, nullptr, kTray, 0), 2);
    EXPECT_EQ(OptListPublicValuesEx(c, nullptr, kTray, kOptSkipDisabled), -1);
    EXPECT_EQ(OptListValueNamesEx(c, nullptr, 8, kTray, kOptSkipDisabled), -1);
}

TEST_F(ApiValueLists, NamesFillEntriesOfTheGivenWidth) {
    std::vector<WCHAR> names(16, 0xFFFF);
    ItemSetRawById(c, kDuplex, 1);
    EXPECT_EQ(OptListValueNamesEx(c, names.data(), 4, kMedia, 0), 3);
    // Without a string library the names are empty, one entry of 4 apart.
    EXPECT_EQ(names[0], 0);
    EXPECT_EQ(names[4], 0);
    EXPECT_EQ(names[8], 0);
    EXPECT_EQ(names[12], 0xFFFF) << "nothing past the third entry";
    names.assign(16, 0xFFFF);
    EXPECT_EQ(OptListValueNamesEx(c, names.data(), 4, kMedia, kOptSkipDisabled), 1);
    EXPECT_EQ(names[4], 0xFFFF);
    EXPECT_EQ(OptListValueNamesEx(c, names.data(), 0, kMedia, 0), -1) << "entries of no width";
}

TEST_F(ApiValueLists, ValueByPublicValue) {
    EXPECT_EQ(OptValueByPublicValue(c, kOrientation, 2), 2027);
    EXPECT_EQ(OptValueByPublicValue(c, kOrientation, 1), 2026);
    EXPECT_EQ(OptValueByPublicValue(c, kOrientation, 3), 0);
    EXPECT_EQ(OptValueByPublicValue(c, kCopies, 1), 0) << "a numeric option";
    EXPECT_EQ(OptValueByPublicValue(c, kTray, 2), 2) << "found before the value without a symbol";
    EXPECT_EQ(OptValueByPublicValue(c, kTray, 38), 0) << "the walk ends at the value without a symbol";
}

TEST_F(ApiValueLists, SelectableByEachCondition) {
    ItemSetRawById(c, kDuplex, 1);
    EXPECT_EQ(OptValueSelectable(c, kMedia, 3, kOptSkipDisabled), 0) << "thick is disabled";
    EXPECT_EQ(OptValueSelectable(c, kMedia, 3, kOptSkipHidden), 1);
    EXPECT_EQ(OptValueSelectable(c, kMedia, 5, kOptSkipHidden), 0) << "label is hidden";
    EXPECT_EQ(OptValueSelectable(c, kMedia, 5, kOptSkipDisabled), 1);
    EXPECT_EQ(OptValueSelectable(c, kMedia, 5, 0), 1);
    EXPECT_EQ(OptValueSelectable(c, kMedia, 1, kOptSkipDisabled | kOptSkipHidden), 1);
    ItemSetRawById(c, kDuplex, 0);
    EXPECT_EQ(OptValueSelectable(c, kMedia, 3, kOptSkipDisabled), 1);
    EXPECT_EQ(OptValueSelectable(c, kFeed, 1, 0), 0) << "an option of the unknown type";
    EXPECT_EQ(OptValueSelectable(c, 50, 1, 0), 0) << "not in the model";
}

// Papers of round sizes: the output paper half as wide and a third as long
// as the source.
const char* kPapers = R"(*OpenUI *VPD_dmPaperSize: PickPage
*VPD_dmPaperSize IDS_PAPERSIZE_A3: "A3"
*VPD_dmPaperSize IDS_PAPERSIZE_A5: "A5"
*DefaultVPD_dmPaperSize: IDS_PAPERSIZE_A3
*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A3: "3000 3000"
*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A5: "1500 1000"
*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A3: 600 IDS_ORIENT_PORTRAIT "0 0 7086 7086"
*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A5: 600 IDS_ORIENT_PORTRAIT "0 0 3543 2362"
*CloseUI
*OpenUI *VPD_dmOrientation: PickOne
*VPD_dmOrientation IDS_ORIENT_PORTRAIT: "PORTRAIT"
*CloseUI
)";

constexpr int kPaper = 8, kOutPaper = 50, kScaleOn = 58, kScaleType = 90, kScaleH = 92, kScaleV = 93;
constexpr uint32_t kA3 = 8, kA5 = 11;

class ApiFitScale : public ImageTest {
protected:
    void SetUp() override {
        load(kPapers);
        if (HasFatalFailure()) return;
        ItemSetRawById(c, 7, 1);
        ItemSetRawById(c, 42, 600);
        ItemSetRawById(c, 43, 600);
        ItemSetRawById(c, kPaper, kA3);
        ItemSetRawById(c, kOutPaper, kA5);
        ItemSetRawById(c, kScaleOn, 1);
        ItemSetRawById(c, kScaleType, 2);
        ItemSetRawById(c, kScaleH, 100);
        ItemSetRawById(c, kScaleV, 100);
    }
    std::pair<uint32_t, uint32_t> scales() { return {ItemRawById(c, kScaleH), ItemRawById(c, kScaleV)}; }
    using Scales = std::pair<uint32_t, uint32_t>;
};

TEST_F(ApiFitScale, TheSmallerQuotientGoesIntoBothScales) {
    DmRefreshPaperAndFitScale(c, 1);
    EXPECT_NE(ItemRawById(c, 45), 0u) << "the source paper items were derived";
    EXPECT_NE(ItemRawById(c, 52), 0u) << "the output paper items were derived";
    EXPECT_EQ(scales(), (Scales{33, 33}));
}

TEST_F(ApiFitScale, OnlyMode1AndFitToPaperChangeTheScales) {
    for (int mode : {0, 2, 4, 17}) {
        DmRefreshPaperAndFitScale(c, mode);
        EXPECT_EQ(scales(), (Scales{100, 100})) << "mode " << mode;
        EXPECT_EQ(ItemRawById(c, 45), 0u) << "mode " << mode << " derives no paper items";
    }
    ItemSetRawById(c, kScaleType, 1);
    DmRefreshPaperAndFitScale(c, 1);
    EXPECT_EQ(scales(), (Scales{100, 100})) << "scaling by percent";
    ItemSetRawById(c, kScaleType, 2);
    ItemSetRawById(c, kScaleOn, 0);
    DmRefreshPaperAndFitScale(c, 1);
    EXPECT_EQ(scales(), (Scales{100, 100})) << "scaling off";
}

TEST_F(ApiFitScale, APaperWithoutSizeLeavesTheScales) {
    // A paper code the model does not have derives no source items: they
    // stay 0 and the quotient fails.
    ItemSetRawById(c, kPaper, 9);
    DmRefreshPaperAndFitScale(c, 1);
    EXPECT_EQ(ItemRawById(c, 45), 0u);
    EXPECT_EQ(scales(), (Scales{100, 100}));
}

}  // namespace
}  // namespace vesk::test
