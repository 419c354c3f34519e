// The three deliverables loaded side by side in one process through the
// stand-in loader, as the spooler, the graphics engine and an application
// load them on one machine.
#include <gtest/gtest.h>

#include <win/modules.h>
#include <winsim/modules.h>
#include <winsim/winsim.h>

namespace {

struct Deliverable {
    const char16_t* file;
    const char* library;
};
constexpr Deliverable kLibraries[] = {
    {u"VESKGR.DLL", VESKGR_PATH},
    {u"VESKUI.DLL", VESKUI_PATH},
    {u"VESKEXC.DLL", VESKEXC_PATH},
};

size_t journalHits(std::string_view function, std::string_view detailPart) {
    size_t n = 0;
    for (const auto& e : winsim::journal())
        n += e.function == function && e.detail.find(detailPart) != std::string::npos;
    return n;
}

class Deliverables : public ::testing::Test {
protected:
    void SetUp() override {
        driverDir = winsim::fromUtf8(winsim::config().driverDir()) + u"\\";
        for (const auto& d : kLibraries) ASSERT_TRUE(winsim::installModule(driverDir + d.file, d.library));
        winsim::journalEnable(true);
    }
    std::u16string path(const Deliverable& d) const { return driverDir + d.file; }
    winsim::TempMachine machine;
    std::u16string driverDir;
};

TEST_F(Deliverables, AllThreeLoadInOneProcessEachAsItsOwnModule) {
    HMODULE h[3] = {};
    for (int i = 0; i < 3; ++i) {
        h[i] = LoadLibraryW(path(kLibraries[i]).c_str());
        ASSERT_NE(h[i], nullptr) << winsim::toUtf8(kLibraries[i].file) << " error " << GetLastError();
    }
    EXPECT_NE(h[0], h[1]);
    EXPECT_NE(h[1], h[2]);
    EXPECT_NE(h[0], h[2]);
    for (int i = 0; i < 3; ++i) {
        const std::string file = winsim::toUtf8(kLibraries[i].file);
        SCOPED_TRACE(file);
        // Each library's DllMain ran once, for its own module.
        EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH " + winsim::toUtf8(path(kLibraries[i]))), 1u);
        // Its entry point lives in its own image: the loader finds the
        // module by the address, so no library answers with another's code.
        FARPROC entry = GetProcAddress(h[i], "DllMain");
        ASSERT_NE(entry, nullptr);
        HMODULE owner = nullptr;
        ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(entry)), &owner));
        EXPECT_EQ(owner, h[i]);
        EXPECT_EQ(GetModuleHandleW(kLibraries[i].file), h[i]);
        // Nothing of the platform it links is reachable through it.
        EXPECT_EQ(GetProcAddress(h[i], "GetLastError"), nullptr);
    }
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 3u);
    EXPECT_EQ(winsim::loadedModules().size(), 3u);

    // Freeing one detaches only that one; the others stay.
    EXPECT_TRUE(FreeLibrary(h[1]));
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 1u);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH " + winsim::toUtf8(path(kLibraries[1]))), 1u);
    EXPECT_EQ(GetModuleHandleW(u"veskui.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"veskgr.dll"), h[0]);
    EXPECT_TRUE(FreeLibrary(h[0]));
    EXPECT_TRUE(FreeLibrary(h[2]));
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 3u);
    EXPECT_TRUE(winsim::loadedModules().empty());
}

TEST_F(Deliverables, LoadedByBareNameFromTheSearchPathAndUnloadedAtTheEnd) {
    // The spooler finds the driver files through PATH once the driver
    // directory is on it.
    static std::u16string pathValue;
    pathValue = driverDir;
    winsim::setModuleSearchPathProvider([] { return pathValue; });
    // Count only this test's loads, also when the suite runs in one process.
    winsim::unloadAllModules();
    winsim::journalClear();
    for (const auto& d : kLibraries) ASSERT_NE(LoadLibraryW(d.file), nullptr) << winsim::toUtf8(d.file);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 3u);
    // A host ends by detaching whatever is still loaded.
    EXPECT_EQ(winsim::unloadAllModules(), 3u);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 3u);
    auto j = winsim::journal();
    std::vector<std::string> detached;
    for (const auto& e : j)
        if (e.function == "DllMain" && e.detail.rfind("PROCESS_DETACH", 0) == 0) detached.push_back(e.detail);
    ASSERT_EQ(detached.size(), 3u);
    EXPECT_NE(detached[0].find("VESKEXC.DLL"), std::string::npos);  // the last loaded goes first
    EXPECT_NE(detached[2].find("VESKGR.DLL"), std::string::npos);
    winsim::setModuleSearchPathProvider(nullptr);
}

}  // namespace
