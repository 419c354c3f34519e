// The administrator test and the spooler impersonation wrappers.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include "core/admin.h"

using namespace vesk;

namespace {

bool threadImpersonates() {
    HANDLE t = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &t)) return false;
    CloseHandle(t);
    return true;
}

}  // namespace

TEST(Admin, AnswersForTheCallerAndKeepsItsImpersonation) {
    winsim::TempMachine m;
    EXPECT_EQ(IsUserAdmin(), 1);
    EXPECT_FALSE(threadImpersonates());  // the test's own impersonation is undone
    winsim::config().userIsAdmin = false;
    EXPECT_EQ(IsUserAdmin(), 0);

    // A thread that already impersonates is asked as it stands and still
    // impersonates afterwards.
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    EXPECT_EQ(IsUserAdmin(), 0);
    EXPECT_TRUE(threadImpersonates());
    RevertToSelf();

    // A step that fails answers no.
    winsim::config().userIsAdmin = true;
    winsim::failCall("AccessCheck", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(IsUserAdmin(), 0);
    winsim::failCall("AllocateAndInitializeSid", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(IsUserAdmin(), 0);
    EXPECT_EQ(IsUserAdmin(), 1);
}

TEST(Admin, ImpersonationWrappers) {
    winsim::TempMachine m;
    winsim::journalEnable(true);
    EXPECT_EQ(DoImpersonatePrinterClient(nullptr), FALSE);
    EXPECT_EQ(winsim::journalCount("ImpersonatePrinterClient"), 0u);
    HANDLE token = DoRevertToPrinterSelf();
    ASSERT_NE(token, nullptr);
    EXPECT_TRUE(DoImpersonatePrinterClient(token));
    EXPECT_EQ(winsim::journalCount("ImpersonatePrinterClient"), 1u);
    winsim::journalEnable(false);
}
