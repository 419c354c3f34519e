// Contexts of kind 0 for a printer of the emulated machine whose driver set
// carries the sample model: the DEVMODE is built from the spooler's default
// DEVMODE when it is this driver's, else from the driver's defaults; a
// caller's DEVMODE is merged into it; the DEVMODE written back passes the
// driver's own acceptance and comes back as the printer's default.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/devmode_support.h"
#include "common/sample_printer_support.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode/dm_validate.h"
#include "core/item_store.h"
#include "core/units.h"
#include "core/item_ids.h"
#include "core/validation/public_validators.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kDocMerge = 0x2000000 | 8;  // document merge without user interface

class DevmodePrinter : public SamplePrinter {
protected:
    void storeDefault(const std::vector<BYTE>& dm) {
        ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    }
    static std::u16string text(DrvContext* c, int id) {
        WCHAR t[40] = {};
        ItemGetString(c, ItemFindById(c, id), t, 40);
        return t;
    }
};

}  // namespace

TEST_F(DevmodePrinter, WithoutASpoolerDefaultTheDriverDefaultsAreBuilt) {
    EXPECT_EQ(PrnHasInfo2Data(printer_), 0);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->model, nullptr);
    const BYTE* p = c->devmode;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(DmIsOwnDevmode(c, p, 1260), 1);
    // The sample's defaults, as Windows values in the public fields.
    EXPECT_EQ(s16(p, 78), DMPAPER_A4);
    EXPECT_EQ(s16(p, 88), DMBIN_AUTO);
    EXPECT_EQ(s16(p, 76), DMORIENT_PORTRAIT);
    EXPECT_EQ(s16(p, 86), 1);
    EXPECT_EQ(s16(p, 90), 600) << "item 42's model default";
    EXPECT_EQ(s16(p, 96), 600);
    EXPECT_EQ(ItemRawById(c, kItRdmDstResolutionW), 600u);
    EXPECT_EQ(ItemRawById(c, kItRdmMediaType), 1u) << "plain paper";
    EXPECT_EQ(text(c, kItWdmDriverVersion), u"3.61");
    // The source paper in dots at 600 dpi: A4 is 4960 x 7015 (even
    // 1200-dpi counts that do not show as more than 210 x 297 mm).
    EXPECT_EQ(ItemRawById(c, kItRdmSrcPaperWidthDot), 4960u);
    EXPECT_EQ(ItemRawById(c, kItRdmSrcPaperLengthDot), 7015u);
    EXPECT_EQ(p[1241], 1);
    EXPECT_EQ(p[1248], 1) << "the printer has the bidirectional attribute";
}

TEST_F(DevmodePrinter, ACallersDevmodeIsMergedAndTheResultIsTakenBack) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    std::vector<BYTE> caller = copyOf(c->devmode, 1260);
    dm::wr16(caller.data(), 86, 4);       // copies: the model's range 1-999
    dm::wr16(caller.data(), 80, 2500);    // a paper by length and width
    dm::wr16(caller.data(), 82, 1500);
    dm::setFields(caller.data(), DM_COPIES | DM_PAPERLENGTH | DM_PAPERWIDTH);
    ASSERT_EQ(DmMergeDevmode(c, caller.data(), caller.size(), kDocMerge), 1);
    EXPECT_EQ(s16(c->devmode, 86), 4);
    EXPECT_EQ(s16(c->devmode, 80), 2500);
    EXPECT_EQ(s16(c->devmode, 82), 1500);
    EXPECT_EQ(ItemRawById(c, kItRdmSrcPaperWidthDot), 3543u) << "150 mm at 600 dpi";

    // Written back as the printer's default, the next context takes it.
    const std::vector<BYTE> out = copyOf(c->devmode, 1260);
    ASSERT_EQ(DmIsOwnDevmode(c, out.data(), out.size()), 1);
    storeDefault(out);
    DrvContext* again = open();
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again, c);
    // Section 1 as the spooler keeps it, but for the mirror of section 2,
    // which follows the new context's own section 2.
    EXPECT_EQ(std::memcmp(again->devmode, out.data(), 892), 0);
    EXPECT_EQ(std::memcmp(again->devmode + 1241, out.data() + 1241, 19), 0);
    EXPECT_EQ(text(again, kItWdmDriverVersion), u"3.61") << "section 3 from the model";
}

TEST_F(DevmodePrinter, TheSpoolersDefaultOfThisDriverIsTakenWithAnEmptySectionTwo) {
    std::vector<BYTE> mine;
    {
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        mine = copyOf(c->devmode, 1260);
    }
    dm::wr16(mine.data(), 86, 7);
    storeDefault(mine);
    EXPECT_EQ(PrnHasInfo2Data(printer_), 1);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(PrnHasInfo2Data(nullptr), 0);
    EXPECT_EQ(s16(c->devmode, 86), 7);
    // Section 2 is filled by the persisted settings only: on a printer
    // without any, just the font tables the model gives (offsets 11 to 28).
    std::vector<BYTE> section2 = copyOf(c->devmode + 1260, 508);
    EXPECT_EQ(section2[17], 4) << "the model's four device fonts";
    std::fill(section2.begin() + 11, section2.begin() + 29, 0);
    EXPECT_EQ(section2, std::vector<BYTE>(508, 0));
}

namespace {

// The caller's DEVMODE: the context's own with some public fields set.
struct Caller {
    std::vector<BYTE> b;
    explicit Caller(DrvContext* c) : b(copyOf(c->devmode, 1260)) { dm::setFields(b.data(), 0); }
    Caller& s16(uint32_t off, int32_t v, uint32_t flag) {
        dm::wr16(b.data(), off, static_cast<uint32_t>(v));
        dm::addFields(b.data(), flag);
        return *this;
    }
    int mergeInto(DrvContext* c) { return DmMergeDevmode(c, b.data(), b.size(), kDocMerge); }
};

// The public-field checks of the option validation, answered as they first
// ask the model: by the item's value map, value list and conditions.
int modelsOwnAnswer(DrvContext* ctx, int item, int32_t v) {
    return ItemValueIsValid(ctx, ItemFindById(ctx, item), item, static_cast<uint32_t>(v));
}

}  // namespace

TEST_F(DevmodePrinter, PublicFieldsThroughTheOptionChecks) {
    // The public fields' validators: the sample model decides for the
    // fields it describes, the built-in ranges for those it does not.
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const BYTE* p = c->devmode;
    ASSERT_EQ(Caller(c).s16(78, DMPAPER_LETTER, DM_PAPERSIZE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 78), DMPAPER_LETTER);
    EXPECT_EQ(s16(p, 82), 2159);
    EXPECT_EQ(s16(p, 80), 2794);
    EXPECT_EQ(dm::fields(p) & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH), uint32_t(DM_PAPERSIZE));
    ASSERT_EQ(Caller(c).s16(78, 70, DM_PAPERSIZE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 78), DMPAPER_A4) << "A6: a paper the model lacks, and no built-in list";
    ASSERT_EQ(Caller(c).s16(90, 1200, DM_PRINTQUALITY).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 90), 1200);
    ASSERT_EQ(Caller(c).s16(90, 300, DM_PRINTQUALITY).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 90), 600) << "item 42's model value";
    ASSERT_EQ(Caller(c).s16(94, DMDUP_VERTICAL, DM_DUPLEX).s16(100, 1, DM_COLLATE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 94), DMDUP_VERTICAL);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    // Collation follows whether the device collates (the allowed values of
    // option 129).
    EXPECT_EQ(s16(p, 100), DmCollateSupported(c) ? 1 : 0);
    EXPECT_EQ((dm::fields(p) & DM_COLLATE) != 0, DmCollateSupported(c) != 0);
    // Orientation by its value map; colour, which the model does not
    // describe, by the built-in range 1..2.
    ASSERT_EQ(Caller(c).s16(76, DMORIENT_LANDSCAPE, DM_ORIENTATION).s16(92, DMCOLOR_COLOR, DM_COLOR).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 76), DMORIENT_LANDSCAPE);
    EXPECT_EQ(s16(p, 92), DMCOLOR_COLOR);
    ASSERT_EQ(Caller(c).s16(76, 3, DM_ORIENTATION).s16(92, 3, DM_COLOR).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 76), DMORIENT_PORTRAIT) << "no mapping: the model's default";
    EXPECT_EQ(s16(p, 92), DMCOLOR_MONOCHROME) << "outside 1..2: the description's default";

    // Copies within the model's numeric range.
    const std::pair<int16_t, int16_t> copies[] = {{999, 999}, {1000, 1}, {0, 1}, {2, 2}};
    for (auto [in, out] : copies) {
        ASSERT_EQ(Caller(c).s16(86, in, DM_COPIES).mergeInto(c), 1);
        EXPECT_EQ(s16(p, 86), out) << in;
    }
    EXPECT_EQ(DmIsOwnDevmode(c, p, 1260), 1);
}

TEST_F(DevmodePrinter, CollationNeedsTheInstalledOptionOfTheBuiltInSortValues) {
    // Sorting and rotating are allowed values of option 129 only while
    // installed option 499 is there; "off" alone is no collation.
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const BYTE* p = c->devmode;
    EXPECT_EQ(DmCollateSupported(c), 0);
    ASSERT_EQ(Caller(c).s16(100, 1, DM_COLLATE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 100), 0);
    EXPECT_FALSE(dm::fields(p) & DM_COLLATE);
    ItemSetRawById(c, 499, 1);
    EXPECT_EQ(DmCollateSupported(c), 1);
    EXPECT_EQ(DeviceHasCapability129(c), 1);
    ASSERT_EQ(Caller(c).s16(100, 1, DM_COLLATE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 100), 1);
    EXPECT_TRUE(dm::fields(p) & DM_COLLATE);
}

TEST_F(DevmodePrinter, PublicFieldsAsTheSampleModelAnswersThem) {
    DmModelQueries q = DmDefaultModelQueries();
    q.checkValue = modelsOwnAnswer;
    const DmModelQueries* previous = DmSetModelQueries(&q);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const BYTE* p = c->devmode;

    // Papers by code: through item 8's map to the model's list and sizes.
    ASSERT_EQ(Caller(c).s16(78, DMPAPER_LETTER, DM_PAPERSIZE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 78), DMPAPER_LETTER);
    EXPECT_EQ(s16(p, 82), 2159);
    EXPECT_EQ(s16(p, 80), 2794);
    EXPECT_EQ(ItemRawById(c, kItRdmSrcPaperWidthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2159, 600)));
    ASSERT_EQ(Caller(c).s16(78, DMPAPER_LEGAL, DM_PAPERSIZE).s16(76, DMORIENT_LANDSCAPE, DM_ORIENTATION).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 78), DMPAPER_LEGAL);
    EXPECT_EQ(s16(p, 82), 3556) << "the page size turned with the orientation";
    EXPECT_EQ(s16(p, 80), 2159);
    ASSERT_EQ(Caller(c).s16(78, 70, DM_PAPERSIZE).s16(76, DMORIENT_PORTRAIT, DM_ORIENTATION).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 78), DMPAPER_A4) << "A6 (70): a paper the model lacks gives its default";

    // Trays: TRAY1 is the model's value 3; TRAY3 (value 5) is there only
    // with the paper bank; an unknown bin gives the default.
    ASSERT_EQ(Caller(c).s16(88, DMBIN_UPPER, DM_DEFAULTSOURCE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 88), DMBIN_UPPER);
    ASSERT_EQ(Caller(c).s16(88, DMBIN_LOWER, DM_DEFAULTSOURCE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 88), DMBIN_AUTO) << "no paper bank";
    ItemSetRawById(c, itemOf("VPD_rdmSourceOptionTypeBank"), 1);
    ASSERT_EQ(Caller(c).s16(88, DMBIN_LOWER, DM_DEFAULTSOURCE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 88), DMBIN_LOWER);
    ASSERT_EQ(Caller(c).s16(88, 99, DM_DEFAULTSOURCE).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 88), DMBIN_AUTO);

    // Resolution: the model lists 600 and 1200 for item 42.
    ASSERT_EQ(Caller(c).s16(90, 1200, DM_PRINTQUALITY).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 90), 1200);
    EXPECT_EQ(s16(p, 96), 1200);
    EXPECT_EQ(ItemRawById(c, kItRdmDstResolutionW), 1200u);
    ASSERT_EQ(Caller(c).s16(90, 300, DM_PRINTQUALITY).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 90), 600) << "300 dpi is not a resolution of the model";

    // Duplex: the binding follows the flip and the orientation.
    ASSERT_EQ(Caller(c).s16(94, DMDUP_VERTICAL, DM_DUPLEX).mergeInto(c), 1);
    EXPECT_EQ(s16(p, 94), DMDUP_VERTICAL);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    EXPECT_EQ(ItemValueById(c, kItRdmDuplexType), static_cast<uint32_t>(valueId("IDS_BIND_LONGEDGE")));
    ASSERT_EQ(Caller(c).s16(94, DMDUP_HORIZONTAL, DM_DUPLEX).mergeInto(c), 1);
    EXPECT_EQ(ItemValueById(c, kItRdmDuplexType), static_cast<uint32_t>(valueId("IDS_BIND_SHORTEDGE")));
    ASSERT_EQ(Caller(c).s16(94, DMDUP_SIMPLEX, DM_DUPLEX).mergeInto(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 0u);
    DmSetModelQueries(previous);
    EXPECT_EQ(DmIsOwnDevmode(c, p, 1260), 1);
}
