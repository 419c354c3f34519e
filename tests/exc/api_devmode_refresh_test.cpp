// The refresh that every DEVMODE mode of the versioned API ends with, and
// the Exc DEVMODE's printer name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/api_devmode.h"
#include "commands/exc_api.h"
#include "common/eval_support.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

// A staple switch hidden (second condition) while the device has no
// finisher, and its type; the type's stored value is none of the model's.
const char* kStapler = R"(*OpenUI *VPD_rdmOutputOptionTypeFin3000: Boolean
*DefaultVPD_rdmOutputOptionTypeFin3000: False
*CloseUI
*OpenUI *VPD_rdmFuncSelectStaple: Boolean
*DefaultVPD_rdmFuncSelectStaple: False
*CloseUI
*OpenUI *VPD_rdmStapleType: PickOne
*DefaultVPD_rdmStapleType: IDS_STAPLE_TOPLEFT
*VPD_rdmStapleType IDS_STAPLE_TOPLEFT: "TOPLEFT"
*VPD_rdmStapleType IDS_STAPLE_TOPRIGHT: "TOPRIGHT"
*CloseUI
*OpenUI *VPD_dmCollate: Boolean
*CloseUI
*OpenUI *VPD_rdmFuncSelectSort: Boolean
*CloseUI
*Judge 1=FinisherMissing: { VPD_rdmOutputOptionTypeFin3000 == 0 }
*Exclusive: {
    VPD_rdmFuncSelectStaple NULL FinisherMissing NULL NULL NULL NULL
}
)";

constexpr int kFinisher = 10050, kStapleType = 136, kCollate = 19, kSort = 64;

class ApiRefresh : public ImageTest {};

TEST_F(ApiRefresh, AHiddenStapleSwitchKeepsItsType) {
    load(kStapler);
    ASSERT_EQ(itemOf("VPD_rdmOutputOptionTypeFin3000"), kFinisher);
    // Shown, the type goes through the remerge's checks.
    ItemSetRawById(c, kFinisher, 1);
    ItemSetRawById(c, kStapleType, 9);
    DmRefreshPublicKeepFinishing(c);
    const uint32_t checked = ItemRawById(c, kStapleType);
    ASSERT_NE(checked, 9u) << "the remerge repairs a type the model lacks";
    // Hidden, it keeps what it held.
    ItemSetRawById(c, kFinisher, 0);
    ItemSetRawById(c, kStapleType, 9);
    DmRefreshPublicKeepFinishing(c);
    EXPECT_EQ(ItemRawById(c, kStapleType), 9u);
}

TEST_F(ApiRefresh, CollateFollowsTheSortSwitch) {
    load(kStapler);
    ItemSetRawById(c, kSort, 1);
    ItemSetRawById(c, kCollate, 0);
    DmRefreshPublicKeepFinishing(c);
    EXPECT_EQ(ItemRawById(c, kCollate), 1u);
    ItemSetRawById(c, kSort, 0);
    DmRefreshPublicKeepFinishing(c);
    EXPECT_EQ(ItemRawById(c, kCollate), 0u);
}

class ApiExcDevmode : public ExcPrinter {};

TEST_F(ApiExcDevmode, ALongPrinterNameIsCutToTheAnsiField) {
    winsim::PrinterRecord p;
    p.name = u"Office printer with a forty-char name 01";
    ASSERT_EQ(p.name.size(), 40u);
    p.driver = u"VESK Colour MFP";
    ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    std::vector<BYTE> b(1196, 0xAB);
    int32_t need = 0;
    ASSERT_EQ(ExcGetDriverDevmode("Office printer with a forty-char name 01", 1, 1196, b.data(), &need), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 31), "Office printer with a forty-cha");
    EXPECT_EQ(b[31], 0) << "31 bytes and the terminator";
    EXPECT_EQ(b[36] | b[37] << 8, 156);
}

}  // namespace
}  // namespace vesk::test
