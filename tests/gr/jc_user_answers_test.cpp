// The job-control library's answers for the job's user, as the machine's
// configuration gives them, reaching the job's header; an item the library
// has nothing for (result 13) leaves the job's own value.
#include <gtest/gtest.h>
#include <win/system.h>
#include <winsim/winsim.h>

#include <string>

#include "decode/stream.h"
#include "frame_support.h"

using namespace grtest;

namespace {

class UserAnswers : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        WCHAR me[300] = {};
        DWORD n = 300;
        ASSERT_TRUE(GetUserNameW(me, &n));
        user_ = winsim::toUtf8(me);
    }
    std::string jobHeader() {
        const Printed p = printScript("job name=\"Answers\"\npage\nendpage\n", printerName_);
        EXPECT_TRUE(p.job.ok) << p.job.error;
        const auto s = vesk::decode::decodeAll(vesk::decode::Bytes(p.stream.data(), p.stream.size()));
        EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
        return s.jobHeaders.empty() ? std::string() : s.jobHeaders[0];
    }
    std::string user_;
};

}  // namespace

TEST_F(UserAnswers, TheUsersAnswersReachTheHeaderAndThirteenKeepsTheJobs) {
    winsim::config().set("zorjc32.user." + user_ + ".1", "8642");
    winsim::config().set("zorjc32.user." + user_ + ".4", "erin");
    winsim::config().set("zorjc32.user." + user_ + ".2", "Erin Owner");
    winsim::config().set("zorjc32.user.somebody-else.4", "mallory");
    std::string h = jobHeader();
    EXPECT_NE(h.find("@PJL SET USERCODE = \"8642\""), std::string::npos) << h;
    EXPECT_NE(h.find("@PJL SET USERNAME = \"erin\""), std::string::npos) << h;
    EXPECT_NE(h.find("@PJL SET OWNERNAME = \"Erin Owner\""), std::string::npos) << h;

    winsim::config().set("zorjc32.result.1", "13");
    h = jobHeader();
    EXPECT_NE(h.find("@PJL SET USERCODE = NONE"), std::string::npos) << h;
    EXPECT_NE(h.find("@PJL SET USERNAME = \"erin\""), std::string::npos) << h;
}
