// Each deliverable exports exactly the entry points its version script lists:
// nothing of the common library or the C++ runtime leaks, nothing listed is
// missing.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <fstream>

#include "library_exports.h"

namespace {

void checkExports(const char* library, const char* versionScript) {
    SCOPED_TRACE(library);
    std::ifstream in(versionScript, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(text.empty()) << "cannot read " << versionScript;
    std::string error;
    const auto globals = exports::scriptGlobals(text, &error);
    ASSERT_EQ(error, "") << versionScript;
    const auto names = exports::definedExports(library, &error);
    ASSERT_EQ(error, "");

    auto isPattern = [](const std::string& s) { return s.find_first_of("*?[") != std::string::npos; };
    std::vector<std::string> unlisted, missing;
    for (const auto& name : names) {
        bool listed = false;
        for (const auto& g : globals)
            listed = listed || (isPattern(g) ? fnmatch(g.c_str(), name.c_str(), 0) == 0 : g == name);
        if (!listed) unlisted.push_back(name);
    }
    for (const auto& g : globals)
        if (!isPattern(g) && !names.count(g)) missing.push_back(g);
    EXPECT_TRUE(unlisted.empty()) << "exported but not listed: " << ::testing::PrintToString(unlisted);
    EXPECT_TRUE(missing.empty()) << "listed but not exported: " << ::testing::PrintToString(missing);
}

}  // namespace

TEST(LibraryExports, VeskgrExportsOnlyItsList) { checkExports(VESKGR_PATH, VESKGR_MAP); }
TEST(LibraryExports, VeskuiExportsOnlyItsList) { checkExports(VESKUI_PATH, VESKUI_MAP); }
TEST(LibraryExports, VeskexcExportsOnlyItsList) { checkExports(VESKEXC_PATH, VESKEXC_MAP); }
