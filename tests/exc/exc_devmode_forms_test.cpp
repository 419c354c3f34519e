// The library's own state-flag accessors and value test.
#include <gtest/gtest.h>

#include "common_calls/devmode_forms.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/validation/option_checks.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

using ExcDevmodeForms = ExcPrinter;

TEST_F(ExcDevmodeForms, StoresEveryOsKindAndReadsTheTerminalServerFlag) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* c = handle(h)->ctx;
    DmSetOsKindWin95(c);
    EXPECT_EQ(DmGetOsKind(c), 0);
    DmSetOsKindWin98(c);
    EXPECT_EQ(DmGetOsKind(c), 3);
    DmSetOsKindNt4(c);
    EXPECT_EQ(DmGetOsKind(c), 1);
    for (BYTE v : {1, 0}) {
        DmPutTerminalServerFlag(c, v);
        EXPECT_EQ(DmGetTerminalServerFlag(c), v);
    }
    ExcFreeExclusive(h);
}

TEST_F(ExcDevmodeForms, TheValueTestAnswersUnknownOptionsAndTheModelsValues) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* c = handle(h)->ctx;
    EXPECT_EQ(OptIsValueAllowedExc(0, 1, c), kOptNoKey);
    // The current value of an option of the model is allowed, as the
    // common test says; a value far outside its list is not.
    const uint32_t orient = ItemRawById(c, kItDmOrientation);
    EXPECT_EQ(OptIsValueAllowedExc(kItDmOrientation, orient, c), 1);
    EXPECT_EQ(OptIsValueAllowed(kItDmOrientation, orient, c), 1);
    EXPECT_EQ(OptIsValueAllowedExc(kItDmOrientation, 0x7777, c), 0);
    ExcFreeExclusive(h);
}

}  // namespace
}  // namespace vesk::test
