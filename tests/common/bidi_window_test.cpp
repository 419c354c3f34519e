// The query's windows: the wait window while a query with window runs, none
// for the quiet query, and the warning of a failed query.
#include <gtest/gtest.h>

#include <winsim/ui.h>
#include <winsim/window.h>

#include "common/bidi_support.h"
#include "core/bidi/bidi.h"

using namespace vesk;
using namespace vesk::test;

namespace {

using BidiWindow = BidiPrinter;

// Positions of the journal's entries of `function`.
std::vector<size_t> positions(const std::vector<winsim::JournalEntry>& j, const char* function) {
    std::vector<size_t> at;
    for (size_t i = 0; i < j.size(); ++i)
        if (j[i].function == function) at.push_back(i);
    return at;
}

TEST_F(BidiWindow, WaitWindowSpansTheQueryAndTheQuietQueryHasNone) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    for (int status = 0; status < 2; ++status) {
        winsim::journalEnable(true);
        winsim::journalClear();
        ASSERT_EQ(status ? BidiQueryDeviceStatus(c, nullptr) : BidiGetDeviceInfo(c, nullptr), 1);
        winsim::journalEnable(false);
        const auto j = winsim::journal();
        const auto made = positions(j, "CreateDialogParamW");
        const auto gone = positions(j, "DestroyWindow");
        const auto opens = positions(j, "BidiOpen");
        const auto queries = positions(j, "BidiQuery");
        ASSERT_EQ(made.size(), 1u) << status;
        ASSERT_FALSE(gone.empty());
        ASSERT_EQ(opens.size(), 2u) << "the availability test, then the query";
        ASSERT_FALSE(queries.empty());
        EXPECT_LT(opens[0], made[0]) << "the window opens once the device answers";
        EXPECT_LT(made[0], opens[1]);
        EXPECT_LT(queries.back(), gone.back());
        EXPECT_TRUE(winsim::windows().empty()) << "destroyed before return";
    }
    winsim::journalEnable(true);
    winsim::journalClear();
    ASSERT_EQ(BidiGetDeviceInfoQuiet(c), 1);
    winsim::journalEnable(false);
    EXPECT_EQ(winsim::journalCount("CreateDialogParamW"), 0u);
}

TEST_F(BidiWindow, WarningOfAFailedQuery) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    BidiShowQueryWarning(c, nullptr);
    auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, u"The printer's configuration could not be read.");
    EXPECT_EQ(log[0].caption, name_);
}

}  // namespace
