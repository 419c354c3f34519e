// Exc handles on the sample printer: opening, the user code from job
// control, resetting, freeing, and handles left without a context.
#include <gtest/gtest.h>

#include <string>

#include "common_calls/context_forms.h"
#include "core/context_cache.h"
#include "core/item_ids.h"
#include "core/library_profile.h"
#include "core/model/cache.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

using ExcHandle = ExcPrinter;

TEST_F(ExcHandle, OpensTheNamedPrinterAndRefusesOthers) {
    const Counts base = counts();
    EXPECT_EQ(ExcGetExclusive("No such printer"), nullptr);
    EXPECT_EQ(ExcGetExclusive(""), nullptr);
    EXPECT_EQ(ExcGetExclusive(nullptr), nullptr);
    // A name longer than the 260-character buffer is refused, not cut (the
    // cut name could be another printer's).
    const std::u16string longName(300, u'L');
    winsim::PrinterRecord p;
    p.name = longName.substr(0, 259);
    p.driver = u"VESK Colour MFP";
    ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ExcGetExclusive(std::string(300, 'L').c_str()), nullptr);
    EXPECT_EQ(counts(), base);
    ExcFreeExclusive(nullptr);  // ignored

    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    ExcContext* e = handle(h);
    EXPECT_EQ(e->count, 732);
    ASSERT_NE(e->ctx, nullptr);
    EXPECT_EQ(e->ctx->ws->creationFlags, kCreateExc);
    EXPECT_EQ(e->baseLength, 0);
    EXPECT_EQ(e->changeLength, 0);
    // The library shows no pages: its contexts share the template's table.
    EXPECT_EQ(e->ctx->pages, GetContextTemplate()->pages);
    ExcFreeExclusive(h);
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0);
    EXPECT_EQ(counts(), base);
}

TEST_F(ExcHandle, TwoHandlesOnOnePrinterHaveContextsOfTheirOwn) {
    const Counts base = counts();
    void* a = ExcGetExclusive("Office [2]");
    void* b = ExcGetExclusive("Office [2]");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(handle(a)->ctx, handle(b)->ctx);
    // A reopening builds a new context and caches nothing.
    handle(a)->given[4] = 1;
    handle(a)->values[4] = 9;
    EXPECT_EQ(ExcResetHandle(handle(a), 1), 0);
    EXPECT_EQ(handle(a)->given[4], 0);
    EXPECT_EQ(handle(a)->values[4], 0u);
    EXPECT_NE(handle(a)->ctx, nullptr);
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0);
    ExcFreeExclusive(a);
    ExcFreeExclusive(b);
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0);
    EXPECT_EQ(counts(), base);
}

TEST_F(ExcHandle, TheUserCodeComesFromJobControlCutToEightBytes) {
    ASSERT_TRUE(jcSeedText(name_, kJcCodeUserCode, u"4711"));
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(text(handle(h)->ctx, kItRdmUserCode), u"4711");
    ExcFreeExclusive(h);

    ASSERT_TRUE(jcSeedText(name_, kJcCodeUserCode, u"123456789ABC"));
    h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(text(handle(h)->ctx, kItRdmUserCode), u"12345678");
    ExcFreeExclusive(h);
}

TEST_F(ExcHandle, WithoutJobControlTheStoredUserCodeStays) {
    ASSERT_TRUE(DeleteFileW(kJcLibraryPath.c_str()));
    const Counts base = counts();
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    DrvContext* fresh = CtxCreateEx(printer_, printer_, nullptr, 0, kCreateExc, 0, nullptr);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(text(handle(h)->ctx, kItRdmUserCode), text(fresh, kItRdmUserCode));
    CtxReleaseExExc(fresh, kReleaseFree);
    ExcFreeExclusive(h);
    EXPECT_EQ(counts(), base);
}

TEST_F(ExcHandle, AFailedReopeningLeavesAHandleNothingWorksOn) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ExcUsableHandle(h), h);
    // Without its model the printer gets no context.
    ASSERT_TRUE(DeleteFileW((kDriverDir + u"VESKMFP1.VMD").c_str()));
    MdlCacheFreeAll();
    EXPECT_EQ(ExcResetHandle(handle(h), 1), -1);
    EXPECT_EQ(handle(h)->ctx, nullptr);
    EXPECT_EQ(ExcUsableHandle(h), nullptr);
    EXPECT_EQ(ExcUsableHandle(nullptr), nullptr);
    ExcFreeExclusive(h);  // still frees what it holds
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);  // the fixture's own
}

TEST(ExcProfile, OnlyTheConstraintLibraryLeavesOutPagesAndTheHandOver) {
    EXPECT_EQ(kLibraryIdentity.id, LibraryId::Exc);
    EXPECT_FALSE(CurrentProfile().clonesPageTable);
    EXPECT_FALSE(CurrentProfile().appliesHandOver);
    for (LibraryId id : {LibraryId::Ui, LibraryId::Test}) {
        EXPECT_TRUE(ProfileOf(id).clonesPageTable);
        EXPECT_TRUE(ProfileOf(id).appliesHandOver);
    }
}

}  // namespace
}  // namespace vesk::test
