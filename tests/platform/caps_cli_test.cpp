// `vesk printer caps` and `vesk printer summary` on a fresh machine with the
// sample printer, as separate processes.
#include <gtest/gtest.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

struct Machine : vesktest::PrinterMachine {
    Machine() : PrinterMachine("vesk-caps-") { EXPECT_TRUE(ok); }
};

using vesktest::has;

// The entries printed under "WHAT: N" up to the next question.
std::vector<std::string> entries(const std::string& out, const std::string& what) {
    std::vector<std::string> r;
    size_t at = out.find(what + ": ");
    if (at == std::string::npos) return r;
    at = out.find('\n', at);
    while (at != std::string::npos && out.compare(at + 1, 2, "  ") == 0) {
        const size_t end = out.find('\n', at + 1);
        r.push_back(out.substr(at + 3, end - at - 3));
        at = end;
    }
    return r;
}

TEST(VeskCaps, PaperListsAreParallelWithoutTheHiddenPaper) {
    Machine m;
    auto o = m.run({"printer", "caps", "P", "papers", "papernames", "papersize", "orient=2"});
    ASSERT_EQ(o.status, 0) << o.out;
    const auto ids = entries(o.out, "papers"), names = entries(o.out, "papernames"), sizes = entries(o.out, "papersize");
    ASSERT_EQ(ids.size(), 10u) << o.out;
    EXPECT_EQ(names.size(), ids.size());
    EXPECT_EQ(sizes.size(), ids.size());
    EXPECT_TRUE(has(o, "papers: 10\n") && has(o, "papernames: 10\n") && has(o, "papersize: 10\n")) << o.out;
    EXPECT_EQ(ids[1], "9");
    EXPECT_EQ(names[1], "\"A4\"");
    EXPECT_EQ(sizes[1], "2100 x 2970") << "sizes are given upright in any orientation";
    EXPECT_FALSE(has(o, "Executive")) << o.out;
    EXPECT_EQ(ids.back(), "384");
    EXPECT_FALSE(has(o, "bins")) << "only what was asked";

    // Without question words the command goes the application's way (its
    // own tests); the words ask the host's context.
    auto all = m.run({"printer", "caps", "P", "enumresolutions", "binnames", "bins", "minextent", "orientation"});
    ASSERT_EQ(all.status, 0) << all.out;
    EXPECT_EQ(entries(all.out, "enumresolutions"), (std::vector<std::string>{"600 x 600", "1200 x 1200"}));
    EXPECT_EQ(entries(all.out, "binnames").size(), entries(all.out, "bins").size());
    EXPECT_TRUE(has(all, "minextent: 900 x 1480 (0x05c80384)\n") && has(all, "orientation: 90\n")) << all.out;

    EXPECT_NE(m.run({"printer", "caps", "P", "pages"}).status, 0);
    EXPECT_NE(m.run({"printer", "caps", "P", "nosuchfield=1"}).status, 0);
    EXPECT_NE(m.run({"printer", "caps", "Q"}).status, 0);
}

TEST(VeskCaps, AFreePaperTakesItsSlotsNameAndSize) {
    Machine m;
    ASSERT_EQ(m.run({"printer", "freesizes", "P", "set", "0", "Poster", "3000", "4000"}).status, 0);
    auto o = m.run({"printer", "caps", "P", "papers", "papernames", "papersize"});
    ASSERT_EQ(o.status, 0) << o.out;
    const auto ids = entries(o.out, "papers"), names = entries(o.out, "papernames"), sizes = entries(o.out, "papersize");
    ASSERT_EQ(ids.size(), names.size());
    ASSERT_EQ(ids.size(), sizes.size());
    ASSERT_EQ(ids.back(), "384") << o.out;
    EXPECT_EQ(names.back(), "\"Poster\"");
    // Given in 0.01 inch (the install chose inches for the US locale),
    // answered in 0.1 mm: 30 x 40 inches.
    EXPECT_EQ(sizes.back(), "7620 x 10160");
}

TEST(VeskCaps, SummaryAndRequest) {
    Machine m;
    auto s = m.run({"printer", "summary", "P"});
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_TRUE(has(s, "byte  1: 0x07") && has(s, "byte  3: 0x03\n") && has(s, "byte  7: 0x02  output tray 2\n") &&
                has(s, "byte 10: 0x06  resolution 600, resolution 1200\n") && has(s, "byte 12: 0x3f\n") &&
                has(s, "byte 31: 0x00\n"))
        << s.out;

    // Staple code 6 (byte 5), as an application asks for it.
    const std::string staple = "0001000000060000000000000000000000000000000000000000000000000000";
    auto r = m.run({"printer", "summary", "P", "--request", staple});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "  rdmStapleType: 1 -> 50\n") && has(r, "rdmFuncSelectStaple")) << r.out;
    // Not valid: nothing changes.
    auto off = m.run({"printer", "summary", "P", "--request", "0000000000060000000000000000000000000000000000000000000000000000"});
    ASSERT_EQ(off.status, 0) << off.out;
    EXPECT_TRUE(has(off, "not valid") && has(off, "(no item changed)")) << off.out;
    // Mode 3 needs the device query.
    auto query = m.run({"printer", "summary", "P", "--request", "0301000000000000000000000000000000000000000000000000000000000000"});
    EXPECT_NE(query.status, 0) << query.out;
    EXPECT_NE(m.run({"printer", "summary", "P", "--request", "0001"}).status, 0);
    EXPECT_NE(m.run({"printer", "caps", "P", "--request", staple}).status, 0);
}

}  // namespace

#endif
