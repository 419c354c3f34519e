// The library's own state-flag accessors and value test.
#include <gtest/gtest.h>

#include <winsim/registry.h>

#include <cstring>

#include "common_calls/devmode_forms.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_public.h"
#include "core/library_profile.h"
#include "core/sysdeps.h"
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

TEST_F(ExcDevmodeForms, TheBinderFlagStaysZeroAndMergesAskNoJobControl) {
    // The job-binding tool is installed: the other libraries set the flag.
    winsim::regSetDword(HKEY_LOCAL_MACHINE, u"Software\\MAREN\\Featurix\\JobLinker", u"INSTALL_COUNT", 3);
    EXPECT_TRUE(ProfileOf(LibraryId::Ui).binderFlagFromRegistry);
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* c = handle(h)->ctx;
    EXPECT_EQ(DmGetFlag(c, DmFlag::JlInstalled), 0);
    DmSetBinderFlag(c);
    CtxInitSettingsExc(c);
    EXPECT_EQ(DmGetFlag(c, DmFlag::JlInstalled), 0);

    // A caller's DEVMODE asking for the binder flag, merged with the prompt
    // flag that would fetch job control in the other libraries.
    BYTE* mine = static_cast<BYTE*>(MemAllocZero(3808));
    ASSERT_NE(mine, nullptr);
    DmSetBinderFlag(c);
    std::memcpy(mine, c->devmode, 3808);
    winsim::journalClear();
    EXPECT_EQ(DmMergeDevmodeExc(c, mine, 1260, kMergeModify | kMergePrompt), 1);
    EXPECT_EQ(DmGetFlag(c, DmFlag::JlInstalled), 0);
    EXPECT_EQ(calls("JCGetInterface"), 0u);
    EXPECT_EQ(calls("JcGetItem"), 0u);
    EXPECT_EQ(DmMergeDevmodeExc(c, nullptr, 0, kMergeNoUi), 1);
    EXPECT_EQ(DmGetFlag(c, DmFlag::JlInstalled), 0);
    MemFree(mine);
    ExcFreeExclusive(h);
}

}  // namespace
}  // namespace vesk::test
