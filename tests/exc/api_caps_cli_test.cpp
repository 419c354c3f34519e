// vesk api PRINTER caps on a fresh machine: the library loaded from the
// printer's driver directory as an application loads it, items printed
// with their lists decoded.
#include <gtest/gtest.h>

#include "platform/run_vesk.h"

namespace {

struct ApiMachine : vesktest::PrinterMachine {
    ApiMachine() : PrinterMachine("vesk-api-caps-") {
        ok = ok && vesktest::vesk(path, {"printer", "add", "VESK MFP C41"}).status == 0;
    }
};

TEST(ApiCapsCli, AllItemsWithTheirListsDecodedAndTheRecordRoundTrip) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    const auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "caps", "all"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(" 0 bitmap 32: FF FF FF FF FF FF FF 00 00"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("     9  \"A4\"  2100 x 2970 (0.1 mm)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("     3  (600 dpi)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("56 mark paper types"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("record freed: 1"), std::string::npos) << r.out;
}

TEST(ApiCapsCli, OneItemAndTheRefusals) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "caps", "20"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("20 largest scale                0x01900190: 400 x 400"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("21 "), std::string::npos) << "one item only";
    EXPECT_NE(vesktest::vesk(m.path, {"api", "VESK MFP C41", "caps", "57"}).status, 0);
    EXPECT_NE(vesktest::vesk(m.path, {"api", "No printer", "caps", "1"}).status, 0);
    EXPECT_EQ(vesktest::vesk(m.path, {"api", "VESK MFP C41", "caps", "1", "2"}).status, 2);
}

}  // namespace
