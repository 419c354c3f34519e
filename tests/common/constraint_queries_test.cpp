// Hidden and disabled states of options and controls, the preset buttons,
// and the changed-state queries, on the sample model and small models.
#include <gtest/gtest.h>

#include "common/eval_support.h"
#include "core/model/constraints.h"
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/ui_lookup.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Constraints : public ImageTest {
protected:
    // The preset list's "Count" in the per-printer INI.
    void setPresetCount(int n) {
        if (!c->ws->printerName[0]) c->ws->printerName[0] = u'P';
        const std::u16string v = std::u16string(1, static_cast<char16_t>(u'0' + n));
        ASSERT_EQ(EnsureParentDir(GetIniFilePath(c)), 1);
        ASSERT_TRUE(IniWriteString(c->ws->printerName, u"Count", v.c_str(), GetIniFilePath(c)));
    }
    void clearChanged() {
        for (int i = 0; i < c->items->count; ++i) c->items->items[i].changed = 0;
    }
    // A control of the context's pages bound to its option as the sheets
    // bind it, with its stored states as they are now.
    UiControl* bound(int page, int id) {
        UiControl* ctl = CtlFindById(c, PageFindById(c, page), id);
        EXPECT_NE(ctl, nullptr);
        if (!ctl) return nullptr;
        CtlBindItem(c, ctl);
        ctl->option = MdlFindOptionByKey(c, ctl->key);
        ctl->hidden = MdlOptionCond1Check(c, ctl->option, ctl->id);
        ctl->disabled = MdlOptionCond2Check(c, ctl->option, ctl->id);
        return ctl;
    }
};

TEST_F(Constraints, RuleRecordFirstThenThePerValueRecordOfListOptions) {
    loadSample();
    const uint32_t duplexType = MdlFindOption(c, kItRdmDuplexType);
    const uint32_t source = MdlFindOption(c, kItDmDefaultSource);
    ASSERT_NE(duplexType, 0u);
    ASSERT_NE(source, 0u);
    // rdmDuplexType: hidden while the duplex unit is missing, disabled
    // while duplex is off, whatever the sub-id.
    EXPECT_EQ(MdlOptionCond1Check(c, duplexType, 0), 1u);
    EXPECT_EQ(MdlOptionCond2Check(c, duplexType, 2087), 1u);
    ItemSetRawById(c, kItRdmSourceOptionTypeDuplex, 1);
    ItemSetRawById(c, kItRdmFuncSelectDuplex, 1);
    EXPECT_EQ(MdlOptionCond1Check(c, duplexType, 2087), 0u);
    EXPECT_EQ(MdlOptionCond2Check(c, duplexType, 2087), 0u);
    EXPECT_EQ(MdlKeyCond1Holds(c, keyOf("VPD_rdmDuplexType")), 0u);
    ItemSetRawById(c, kItRdmSourceOptionTypeDuplex, 0);
    EXPECT_EQ(MdlKeyCond1Holds(c, keyOf("VPD_rdmDuplexType")), 1u);
    EXPECT_EQ(MdlKeyCond1Holds(c, 0), 0u);
    EXPECT_EQ(MdlKeyCond1Holds(c, keyOf("VPD_rdmScaleType")), 0u);   // not in the model

    // dmDefaultSource has no rule conditions: the per-value record of the
    // sub-id decides (TRAY3 hidden without the bank, LCT disabled on large
    // paper).
    const uint16_t tray3 = valueId("IDS_SOURCE_TRAY3"), lct = valueId("IDS_SOURCE_LCT");
    EXPECT_EQ(MdlOptionCond1Check(c, source, tray3), 1u);
    EXPECT_EQ(MdlOptionCond1Check(c, source, valueId("IDS_SOURCE_TRAY1")), 0u);
    EXPECT_EQ(MdlOptionCond1Check(c, source, 0), 0u);
    ItemSetRawById(c, kItRdmSourceOptionTypeBank, 1);
    EXPECT_EQ(MdlOptionCond1Check(c, source, tray3), 0u);
    ItemSetValueById(c, kItDmPaperSize, valueId("IDS_PAPERSIZE_A3"));
    EXPECT_EQ(MdlOptionCond2Check(c, source, lct), 1u);
    ItemSetValueById(c, kItDmPaperSize, valueId("IDS_PAPERSIZE_A4"));
    EXPECT_EQ(MdlOptionCond2Check(c, source, lct), 0u);
    EXPECT_EQ(MdlOptionCond1Check(c, 0, tray3), 0u);
    EXPECT_EQ(MdlOptionCond2Check(c, 0, lct), 0u);
}

TEST_F(Constraints, PerValueRecordsCountOnlyForListKinds) {
    load("*OpenUI *VPD_rdmFuncSelectNup: Boolean\n*DefaultVPD_rdmFuncSelectNup: False\n*CloseUI\n"
         "*OpenUI *VPD_rdmMediaType: PickOne\n*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK }\n*CloseUI\n"
         "*Judge 1=Always: { 1 == 1 }\n"
         "*Item 1=Thick: { IDS_MEDIA_THICK Always Always }\n"
         "*Exclusive: {\n VPD_rdmFuncSelectNup NULL NULL Thick NULL NULL NULL\n"
         " VPD_rdmMediaType NULL NULL Thick NULL NULL NULL\n}\n");
    const uint32_t nup = MdlFindOption(c, kItRdmFuncSelectNup), media = MdlFindOption(c, kItRdmMediaType);
    const uint16_t thick = valueId("IDS_MEDIA_THICK");
    ASSERT_EQ(MdlEvalOptionCond1(c, nup, thick), 1u);   // the record is there and holds
    EXPECT_EQ(MdlOptionCond1Check(c, nup, thick), 0u);
    EXPECT_EQ(MdlOptionCond2Check(c, nup, thick), 0u);
    EXPECT_EQ(MdlOptionCond1Check(c, media, thick), 1u);
    EXPECT_EQ(MdlOptionCond2Check(c, media, thick), 1u);

    // The value list walked record by record; a value with per-value
    // records names them, an option without none.
    uint32_t rec = MdlGetOptionValues(c, kItRdmMediaType, nullptr);
    uint32_t constraint = 7;
    EXPECT_EQ(MdlOptionGetChoice(c, media, rec, &constraint), valueId("IDS_MEDIA_PLAIN"));
    EXPECT_NE(constraint, 0u);
    rec = MdlOptionGetValueList(c, media, rec);
    EXPECT_EQ(MdlOptionGetChoice(c, media, rec, nullptr), thick);
    EXPECT_EQ(MdlOptionGetValueList(c, media, rec), 0u);
    EXPECT_EQ(MdlOptionGetValueList(c, nup, MdlGetOptionValues(c, kItRdmFuncSelectNup, nullptr)), 0u);
    EXPECT_EQ(MdlOptionGetChoice(c, nup, MdlGetOptionValues(c, kItRdmFuncSelectNup, nullptr), &constraint), 0);
    EXPECT_EQ(constraint, 0u);
}

TEST_F(Constraints, PresetButtonsFollowTheSelectedPresetAndTheCount) {
    loadSample();
    // Disabled (1) or not for c = 0, 1, 2, 3, per button, at n = 0, 1, 3.
    struct Row {
        int n;
        uint32_t a[4], b[4], last[4];
    } rows[] = {
        {0, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
        {1, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
        {3, {1, 0, 0, 1}, {1, 1, 0, 1}, {1, 0, 1, 1}},
    };
    for (const Row& r : rows) {
        setPresetCount(r.n);
        ASSERT_EQ(GetPresetCount(c), r.n);
        for (uint32_t sel = 0; sel < 4; ++sel) {
            ItemSetRawById(c, 949, sel);
            EXPECT_EQ(MdlOptionCond2Check(c, 0, kPresetButtonA), r.a[sel]) << r.n << " " << sel;
            EXPECT_EQ(MdlOptionCond2Check(c, 0, kPresetButtonB), r.b[sel]) << r.n << " " << sel;
            EXPECT_EQ(MdlOptionCond2Check(c, 0, kPresetButtonC), r.last[sel]) << r.n << " " << sel;
        }
    }
}

TEST_F(Constraints, ChangedStateThroughChangedFlags) {
    loadSample();
    UiControl* binding = bound(1003, 2087);       // rdmDuplexType
    UiControl* source = bound(1002, 2007);        // dmDefaultSource
    UiControl* button = CtlFindById(c, PageFindById(c, kPresetPage), kPresetButtonC);
    ASSERT_TRUE(binding && source && button);
    ASSERT_NE(binding->option, 0u);
    clearChanged();
    EXPECT_EQ(CtlStateChanged(c, binding), 0);
    EXPECT_EQ(CtlStateChangedEx(c, binding), 0);
    EXPECT_EQ(CtlStateChanged(c, source), 0);
    EXPECT_EQ(CtlStateChanged(c, button), 0);

    // rdmFuncSelectDuplex stored again with its own value: nothing would
    // change, but the disabling program reads a changed item.
    ItemSetRawById(c, kItRdmFuncSelectDuplex, 0);
    EXPECT_EQ(CtlStateChanged(c, binding), 1);
    EXPECT_EQ(CtlStateChangedEx(c, binding), 0);
    const uint32_t rule = MdlOptionRule(c, binding->option);
    uint32_t cond1 = 0, cond2 = 0;
    ASSERT_TRUE(image_->view().u32(rule + kMdlRuleCond1, &cond1) && image_->view().u32(rule + kMdlRuleCond2, &cond2));
    EXPECT_EQ(CondProgramHasChangedItem(c, cond2), 1);
    EXPECT_EQ(CondProgramHasChangedItem(c, cond1), 0);
    EXPECT_EQ(CondProgramHasChangedItem(c, 0), 0);

    // A stored state that no longer matches counts without any changed item.
    clearChanged();
    binding->hidden = 0;
    EXPECT_EQ(CtlStateChangedEx(c, binding), 1);
    EXPECT_EQ(CtlStateChanged(c, binding), 0);

    // The per-value records of dmDefaultSource: the paper read by LCT's
    // second condition, the option items read by the first conditions.
    ItemSetRawById(c, kItDmPaperSize, ItemRawById(c, kItDmPaperSize));
    EXPECT_EQ(CtlStateChanged(c, source), 1);
    EXPECT_EQ(CtlStateChangedEx(c, source), 0);
    clearChanged();
    ItemSetRawById(c, kItRdmSourceOptionTypeLCT1, 0);
    EXPECT_EQ(CtlStateChangedEx(c, source), 1);

    // The preset buttons follow the changed flag of the selected preset.
    clearChanged();
    ItemSetRawById(c, 949, 0);
    EXPECT_EQ(CtlStateChanged(c, button), 1);
    EXPECT_EQ(CtlStateChangedEx(c, button), 0);
}

}  // namespace
