// Case-insensitive lookups that a folder listing kept between calls answers
// still see entries another process adds, renames or removes.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <chrono>
#include <fstream>

#include "core/sim.h"

namespace fs = std::filesystem;
using winsim::detail::resolve;

namespace {

// Makes `dir` look long unchanged, so that its listing is kept.
void ageFolder(const fs::path& dir) {
    fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

void writeHostFile(const fs::path& p) { std::ofstream(p) << "x"; }

}  // namespace

TEST(PathListing, ChangesMadeOutsideTheStandInAreSeenByTheNextLookup) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::useMachine(m.root()));
    const fs::path dir = *winsim::hostPath(u"C:\\WINDOWS");
    const fs::path sub = dir / "Listed";
    fs::create_directory(sub);
    ageFolder(sub);
    // Missing: the listing is taken and kept.
    auto r = resolve(u"C:\\windows\\LISTED\\Name.INI");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->parentExists);
    EXPECT_FALSE(fs::exists(r->host));
    EXPECT_EQ(r->host.parent_path(), sub);
    // Another process adds it in its own spelling.
    writeHostFile(sub / "name.ini");
    r = resolve(u"C:\\windows\\LISTED\\Name.INI");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->host, sub / "name.ini");
    // Renamed to another spelling, after the folder has aged again.
    ageFolder(sub);
    EXPECT_EQ(resolve(u"C:\\WINDOWS\\Listed\\NAME.ini")->host, sub / "name.ini");
    fs::rename(sub / "name.ini", sub / "NaMe.Ini");
    EXPECT_EQ(resolve(u"C:\\WINDOWS\\Listed\\NAME.ini")->host, sub / "NaMe.Ini");
    // Removed.
    ageFolder(sub);
    EXPECT_EQ(resolve(u"C:\\WINDOWS\\Listed\\name.INI")->host, sub / "NaMe.Ini");
    fs::remove(sub / "NaMe.Ini");
    r = resolve(u"C:\\WINDOWS\\Listed\\name.INI");
    ASSERT_TRUE(r);
    EXPECT_FALSE(fs::exists(r->host));
    // A folder removed and made again under another spelling.
    ageFolder(sub);
    EXPECT_FALSE(fs::exists(resolve(u"C:\\WINDOWS\\listed\\x.txt")->host));
    fs::remove_all(sub);
    fs::create_directory(dir / "LISTED");
    writeHostFile(dir / "LISTED" / "X.TXT");
    EXPECT_EQ(resolve(u"C:\\WINDOWS\\listed\\x.txt")->host, dir / "LISTED" / "X.TXT");
}

TEST(PathListing, AFolderChangedWithinItsTimestampStepIsListedAgain) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::useMachine(m.root()));
    const fs::path dir = *winsim::hostPath(u"C:\\WINDOWS");
    // Fresh changes: the folder's stamp may not move for the next one, so
    // every lookup lists it.
    for (int i = 0; i < 5; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dat";
        writeHostFile(dir / name);
        auto r = resolve(u"C:\\windows\\F" + std::u16string(1, char16_t(u'0' + i)) + u".DAT");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->host, dir / name) << i;
    }
}
