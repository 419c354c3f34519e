// vesk printer jobcontrol and usercode on a fresh machine: the job-control
// library's state outlives each process.
#include <gtest/gtest.h>

#include "platform/run_vesk.h"

using vesktest::has;

TEST(JobControlCli, IdentityItemsReachTheLibraryAndStayThere) {
    vesktest::PrinterMachine m("vesk-jc-");
    ASSERT_TRUE(m.ok);
    auto r = m.run({"printer", "devmode", "P", "rdmUserID=USER0001", "rdmOwnerName=OWNER1"});
    ASSERT_EQ(r.status, 0) << r.out;
    r = m.run({"printer", "jobcontrol", "P", "store", "userid,owner"});
    ASSERT_EQ(r.status, 0) << r.out;
    r = m.run({"printer", "jobcontrol", "P", "show"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "interface 258, connection open")) << r.out;
    EXPECT_TRUE(has(r, "rdmUserID                   \"USER0001\"         \"USER0001\"")) << r.out;
    EXPECT_TRUE(has(r, "rdmOwnerName                \"OWNER1\"           \"OWNER1\"")) << r.out;
    EXPECT_TRUE(has(r, "rdmUserCode                 (unset)")) << r.out;

    // A fetch brings the library's values into the printer's settings.
    ASSERT_EQ(m.run({"printer", "devmode", "P", "rdmUserID=OTHER"}).status, 0);
    ASSERT_EQ(m.run({"printer", "jobcontrol", "P", "fetch", "8"}).status, 0);
    r = m.run({"printer", "jobcontrol", "P"});
    EXPECT_TRUE(has(r, "rdmUserID                   \"USER0001\"         \"USER0001\"")) << r.out;

    EXPECT_NE(m.run({"printer", "jobcontrol", "P", "store", "nobody"}).status, 0);
    EXPECT_NE(m.run({"printer", "jobcontrol", "P", "fetch"}).status, 0);
}

TEST(JobControlCli, AVersion257LibraryGetsNoDriverValuesAtInit) {
    vesktest::PrinterMachine m("vesk-jc-");
    ASSERT_TRUE(m.ok);
    // P was installed against a version 258 library, which got the values.
    auto r = m.run({"printer", "jobcontrol", "P"});
    EXPECT_TRUE(has(r, "256   (product word)              \"VESK\"")) << r.out;
    // Neither the install nor an init gives them to a version 257 library.
    ASSERT_EQ(m.run({"machine", "set", "zorjc32.versions=257"}).status, 0);
    ASSERT_EQ(m.run({"printer", "add", "Q"}).status, 0);
    r = m.run({"printer", "jobcontrol", "Q", "init"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "interface 257")) << r.out;
    EXPECT_TRUE(has(r, "256   (product word)              (unset)")) << r.out;
    EXPECT_TRUE(has(r, "258   (LANGID of rdmLanguageID)   (unset)")) << r.out;
    ASSERT_EQ(m.run({"machine", "set", "zorjc32.versions=257,258"}).status, 0);
    r = m.run({"printer", "jobcontrol", "Q", "init"});
    EXPECT_TRUE(has(r, "256   (product word)              \"VESK\"")) << r.out;
    r = m.run({"printer", "jobcontrol", "Q", "probe"});
    EXPECT_TRUE(has(r, "': 1")) << r.out;
}

TEST(JobControlCli, UserCodeSetAndShown) {
    vesktest::PrinterMachine m("vesk-uc-");
    ASSERT_TRUE(m.ok);
    auto r = m.run({"printer", "usercode", "P", "--set", "12345678"});
    ASSERT_EQ(r.status, 0) << r.out;
    r = m.run({"printer", "usercode", "P"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "use:   1")) << r.out;
    EXPECT_TRUE(has(r, "code:  \"12345678\"")) << r.out;
    EXPECT_TRUE(has(r, "fixed: 1")) << r.out;
    EXPECT_NE(m.run({"printer", "usercode", "P", "--set", "123456789"}).status, 0);
    r = m.run({"printer", "usercode", "P", "--sync"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "use:   0")) << r.out;
    EXPECT_TRUE(has(r, "code:  \"12345678\"")) << r.out;
}
