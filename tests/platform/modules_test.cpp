// The module loader: resolution through the machine, reference counts and
// DllMain, exports, handles and the test knobs.
#include <gtest/gtest.h>

#include <fstream>

#include <win/modules.h>
#include <winsim/modules.h>
#include <winsim/winsim.h>
#include "modules/module_loader.h"
#include "platform/last_error.h"

namespace fs = std::filesystem;
using winsim::fromUtf8;

namespace {

size_t journalHits(std::string_view function, std::string_view detailPart) {
    size_t n = 0;
    for (const auto& e : winsim::journal())
        n += e.function == function && e.detail.find(detailPart) != std::string::npos;
    return n;
}

std::u16string join(std::u16string dir, std::u16string_view name) {
    if (dir.back() != u'\\') dir += u'\\';
    return dir + std::u16string(name);
}

std::u16string fileName(HMODULE h) {
    WCHAR buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(h, buf, MAX_PATH);
    return std::u16string(buf, n < MAX_PATH ? n : 0);
}

// Function pointers pass through void* to their real type: FARPROC is only
// the generic spelling of an export's address.
void* addr(FARPROC p) { return reinterpret_cast<void*>(p); }
template <class T>
void* addr(T* p) { return reinterpret_cast<void*>(p); }

template <class F>
F proc(HMODULE h, const char* name) {
    return reinterpret_cast<F>(addr(GetProcAddress(h, name)));
}

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::journalEnable(true);
        systemDir = fromUtf8(winsim::config().systemDir);
        windowsDir = fromUtf8(winsim::config().windowsDir);
        driverDir = fromUtf8(winsim::config().driverDir());
    }
    void install(const std::u16string& dir, std::u16string_view name, const char* lib) {
        ASSERT_TRUE(winsim::installModule(join(dir, name), lib)) << winsim::toUtf8(name);
    }
    winsim::TempMachine machine;
    std::u16string systemDir, windowsDir, driverDir;
};

TEST_F(Loader, MissingModulesFailWithModNotFound) {
    EXPECT_FAILS_WITH(LoadLibraryW(u"nosuch.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"nosuch.dll").c_str()), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_FAILS_WITH(LoadLibraryW(u"C:\\NoFolder\\nosuch.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    // Registered, but no file on the machine: still missing.
    ASSERT_TRUE(winsim::registerModule(u"orphan.dll", MODTEST_MAIN_PATH));
    EXPECT_FAILS_WITH(LoadLibraryW(u"orphan.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_FAILS_WITH(GetModuleHandleW(u"orphan.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_FAILS_WITH(LoadLibraryW(nullptr), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(winsim::loadedModules().empty());
}

TEST_F(Loader, FileWithoutImplementationIsBadFormatButLoadsAsData) {
    auto host = winsim::hostPath(join(driverDir, u"STRINGS.DLL"));
    ASSERT_TRUE(host);
    std::ofstream(*host) << "not a library\n";
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"strings.dll").c_str()), nullptr, ERROR_BAD_EXE_FORMAT);

    HMODULE d = LoadLibraryExW(join(driverDir, u"strings.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(LDR_IS_DATAFILE(d));
    EXPECT_EQ(fileName(d), join(driverDir, u"STRINGS.DLL"));  // the stored case
    EXPECT_EQ(winsim::detail::moduleHostFile(d), host);
    EXPECT_FAILS_WITH(GetProcAddress(d, "anything"), nullptr, ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleW(u"strings.dll"), nullptr);  // data mappings are not modules
    EXPECT_TRUE(FreeLibrary(d));
    EXPECT_FAILS_WITH(FreeLibrary(d), FALSE, ERROR_MOD_NOT_FOUND);
}

TEST_F(Loader, SamePathTwiceSharesOneModuleAndOneDllMain) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    HMODULE a = LoadLibraryW(join(driverDir, u"ModMain.dll").c_str());
    ASSERT_NE(a, nullptr);
    // Other case, other separators, default extension: the same file.
    std::u16string other = join(driverDir, u"modmain");
    for (auto& c : other)
        if (c == u'\\') c = u'/';
    HMODULE b = LoadLibraryW(other.c_str());
    EXPECT_EQ(a, b);
    EXPECT_EQ(proc<int (*)()>(a, "ModTestAttachCount")(), 1);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 1u);
    ASSERT_EQ(winsim::loadedModules().size(), 1u);
    EXPECT_EQ(winsim::loadedModules()[0].references, 2u);

    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(GetModuleHandleW(u"modmain.dll"), a);
    EXPECT_EQ(journalHits("GetModuleHandleW", "modtest-main-detached"), 0u);
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 1u);
    EXPECT_EQ(journalHits("GetModuleHandleW", "modtest-main-detached"), 1u);  // the detach ran
    EXPECT_EQ(GetModuleHandleW(u"modmain.dll"), nullptr);
    EXPECT_FAILS_WITH(FreeLibrary(a), FALSE, ERROR_MOD_NOT_FOUND);

    // A new load maps the library afresh under a new handle and starts it
    // again; the freed handle stays invalid.
    HMODULE c = LoadLibraryW(join(driverDir, u"ModMain.dll").c_str());
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, a);
    EXPECT_FAILS_WITH(GetProcAddress(a, "ModTestAdd"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(proc<int (*)()>(c, "ModTestAttachCount")(), 1);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 2u);
    EXPECT_TRUE(FreeLibrary(c));
}

TEST_F(Loader, DllMainRunsAtTheFirstNormalLoadGetsItsHandleAndMayCallTheLoader) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    const std::u16string path = join(driverDir, u"ModMain.dll");
    HMODULE h = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(proc<int (*)()>(h, "ModTestAttachCount")(), 0);
    EXPECT_EQ(LoadLibraryW(path.c_str()), h);
    EXPECT_EQ(proc<int (*)()>(h, "ModTestAttachCount")(), 1);
    EXPECT_EQ(proc<HINSTANCE (*)()>(h, "ModTestAttachedHandle")(), h);
    auto add = proc<int (*)(int, int)>(h, "ModTestAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(addr(proc<FARPROC (*)()>(h, "ModTestSelfLookup")()), addr(add));
    EXPECT_TRUE(DisableThreadLibraryCalls(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 1u);
}

TEST_F(Loader, RefusedAttachFailsTheLoadAfterItsDetach) {
    install(driverDir, u"Refuse.dll", MODTEST_REFUSE_PATH);
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"Refuse.dll").c_str()), nullptr, ERROR_DLL_INIT_FAILED);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 1u);
    EXPECT_EQ(journalHits("GetModuleHandleW", "modtest-refuse-detached"), 1u);
    EXPECT_TRUE(winsim::loadedModules().empty());
    // Mapped without starting it, it loads; a later normal load starts it
    // and fails without disturbing the reference already held.
    HMODULE raw = LoadLibraryExW(join(driverDir, u"Refuse.dll").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 1u);
    EXPECT_NE(GetProcAddress(raw, "ModRefuseValue"), nullptr);
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"Refuse.dll").c_str()), nullptr, ERROR_DLL_INIT_FAILED);
    ASSERT_EQ(winsim::loadedModules().size(), 1u);
    EXPECT_EQ(winsim::loadedModules()[0].references, 1u);
    EXPECT_TRUE(FreeLibrary(raw));
    EXPECT_EQ(journalHits("GetModuleHandleW", "modtest-refuse-detached"), 2u);  // no detach without attach
}

TEST_F(Loader, GetProcAddressFindsOnlyTheModulesOwnExports) {
    install(driverDir, u"NoMain.dll", MODTEST_NOMAIN_PATH);
    HMODULE h = LoadLibraryW(join(driverDir, u"NoMain.dll").c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(journalHits("DllMain", ""), 0u);  // none to run
    EXPECT_EQ(proc<int (*)()>(h, "ModNoMainValue")(), 7);
    auto* data = reinterpret_cast<int*>(GetProcAddress(h, "ModNoMainData"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*data, 42);
    // Functions of the libraries it links are not its exports.
    for (const char* name : {"GetLastError", "malloc", "ModTestAdd", "modnomainvalue", ""}) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(h, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
    }
    EXPECT_FAILS_WITH(GetProcAddress(h, reinterpret_cast<LPCSTR>(uintptr_t{1})),
                      nullptr, ERROR_PROC_NOT_FOUND);  // by ordinal
    EXPECT_FAILS_WITH(GetProcAddress(reinterpret_cast<HMODULE>(uintptr_t{0x12340000}), "ModNoMainValue"),
                      nullptr, ERROR_MOD_NOT_FOUND);

    winsim::hideExport(u"NOMAIN", "ModNoMainValue");
    EXPECT_FAILS_WITH(GetProcAddress(h, "ModNoMainValue"), nullptr, ERROR_PROC_NOT_FOUND);
    EXPECT_NE(GetProcAddress(h, "ModNoMainData"), nullptr);
    winsim::showExport(u"nomain.dll", "ModNoMainValue");
    EXPECT_NE(GetProcAddress(h, "ModNoMainValue"), nullptr);
    EXPECT_TRUE(FreeLibrary(h));
}

TEST_F(Loader, SystemModulesAreThePlatformAndStayLoaded) {
    HMODULE env = LoadLibraryW(u"UserEnv.dll");
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(addr(GetProcAddress(env, "GetLastError")), addr(&GetLastError));
    EXPECT_EQ(fileName(env), join(systemDir, u"userenv.dll"));
    EXPECT_EQ(LoadLibraryW(u"userenv"), env);
    EXPECT_TRUE(FreeLibrary(env));
    EXPECT_TRUE(FreeLibrary(env));
    EXPECT_EQ(GetModuleHandleW(u"USERENV.DLL"), env);
    HMODULE k = GetModuleHandleW(u"kernel32");  // present without a load
    ASSERT_NE(k, nullptr);
    EXPECT_NE(k, env);
    EXPECT_NE(GetProcAddress(k, "LoadLibraryW"), nullptr);
    EXPECT_EQ(GetProcAddress(k, "malloc"), nullptr);  // the C library's, not the platform's
    EXPECT_FAILS_WITH(LoadLibraryW(join(systemDir, u"winspool.drv").c_str()),
                      nullptr, ERROR_MOD_NOT_FOUND);  // no file there
    EXPECT_NE(LoadLibraryW(u"winspool.drv"), nullptr);

    winsim::hideExport(u"shell32.dll", "GetLastError");
    HMODULE sh = LoadLibraryW(u"shell32.dll");
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(GetProcAddress(sh, "GetLastError"), nullptr);
    EXPECT_NE(GetProcAddress(env, "GetLastError"), nullptr);
    winsim::setModuleMissing(u"ole32", true);
    EXPECT_FAILS_WITH(LoadLibraryW(u"ole32.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleW(u"ole32.dll"), nullptr);
    winsim::resetModuleKnobs();
    EXPECT_NE(LoadLibraryW(u"ole32.dll"), nullptr);
    EXPECT_NE(GetProcAddress(sh, "GetLastError"), nullptr);
}

TEST_F(Loader, BareNamesFollowTheSearchOrder) {
    ASSERT_TRUE(winsim::registerModule(u"Search.dll", MODTEST_NOMAIN_PATH));
    auto place = [&](const std::u16string& dir) {
        auto host = winsim::hostPath(join(dir, u"Search.dll"));
        ASSERT_TRUE(host);
        fs::create_directories(host->parent_path());
        std::ofstream(*host) << "module\n";
    };
    auto loadedFrom = [&]() -> std::u16string {
        HMODULE h = LoadLibraryW(u"search");
        if (!h) return u"<" + fromUtf8(std::to_string(GetLastError())) + u">";
        std::u16string path = fileName(h);
        EXPECT_TRUE(FreeLibrary(h));
        return path;
    };
    // PATH comes last, then the current directory, the Windows and the
    // system directory; each placed copy takes over from the later ones.
    static std::u16string pathValue;
    pathValue = u" \"C:\\Tools\" ;;C:\\Other";
    winsim::setModuleSearchPathProvider([] { return pathValue; });
    winsim::detail::setCurrentDirectory(u"C:\\Work");
    place(u"C:\\Other");
    EXPECT_EQ(loadedFrom(), u"C:\\Other\\Search.dll");
    place(u"C:\\Tools");
    EXPECT_EQ(loadedFrom(), u"C:\\Tools\\Search.dll");
    place(u"C:\\Work");
    EXPECT_EQ(loadedFrom(), u"C:\\Work\\Search.dll");
    place(windowsDir);
    EXPECT_EQ(loadedFrom(), join(windowsDir, u"Search.dll"));
    place(systemDir);
    EXPECT_EQ(loadedFrom(), join(systemDir, u"Search.dll"));
    winsim::setProgramPath(u"C:\\App\\host.exe");
    place(u"C:\\App");
    EXPECT_EQ(loadedFrom(), u"C:\\App\\Search.dll");
    // The restricted search of LoadLibraryExW.
    HMODULE s = LoadLibraryExW(u"search.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(fileName(s), join(systemDir, u"Search.dll"));
    // Loaded already: a bare name gives that module without a search.
    EXPECT_EQ(LoadLibraryW(u"SEARCH.DLL"), s);
    EXPECT_TRUE(FreeLibrary(s));
    EXPECT_TRUE(FreeLibrary(s));
    winsim::setModuleSearchPathProvider(nullptr);
    winsim::detail::setCurrentDirectory(u"C:\\");
}

TEST_F(Loader, DefaultExtensionAndPathErrors) {
    install(windowsDir, u"Plain", MODTEST_NOMAIN_PATH);  // a module file without extension
    HMODULE h = LoadLibraryW(u"plain.");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(fileName(h), join(windowsDir, u"Plain"));
    EXPECT_FAILS_WITH(LoadLibraryW(u"plain"), nullptr, ERROR_MOD_NOT_FOUND);  // means plain.dll
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_FAILS_WITH(LoadLibraryW(u"C:\\WINDOWS\\bad|name.dll"), nullptr, ERROR_INVALID_NAME);
    std::u16string longPath = u"C:\\" + std::u16string(300, u'a') + u".dll";
    EXPECT_FAILS_WITH(LoadLibraryW(longPath.c_str()), nullptr, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FAILS_WITH(LoadLibraryW(u"\\\\server\\share\\x.dll"), nullptr, ERROR_MOD_NOT_FOUND);
}

TEST_F(Loader, LibraryThatCannotBeMappedReportsWhy) {
    auto host = machine.root() / "not-elf.so";
    std::ofstream(host) << "text, not a library";
    ASSERT_TRUE(winsim::installModule(join(driverDir, u"Broken.dll"), host));
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"Broken.dll").c_str()), nullptr, ERROR_BAD_EXE_FORMAT);
    ASSERT_TRUE(winsim::installModule(join(driverDir, u"Gone.dll"), machine.root() / "gone.so"));
    EXPECT_FAILS_WITH(LoadLibraryW(join(driverDir, u"Gone.dll").c_str()), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_TRUE(winsim::loadedModules().empty());
}

TEST_F(Loader, ModuleFileNameSizeProtocol) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    HMODULE h = LoadLibraryW(join(driverDir, u"modmain.DLL").c_str());
    ASSERT_NE(h, nullptr);
    const std::u16string full = join(driverDir, u"ModMain.dll");
    const DWORD len = static_cast<DWORD>(full.size());
    std::u16string buf(len + 8, u'#');
    EXPECT_EQ(GetModuleFileNameW(h, buf.data(), len + 1), len);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(buf.substr(0, len + 1), full + u'\0');
    buf.assign(len + 8, u'#');
    EXPECT_FAILS_WITH(GetModuleFileNameW(h, buf.data(), len), len, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buf.substr(0, len), full.substr(0, len - 1) + u'\0');
    EXPECT_EQ(buf[len], u'#');  // nothing written past nSize
    EXPECT_FAILS_WITH(GetModuleFileNameW(h, buf.data(), 0), 0u, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FAILS_WITH(GetModuleFileNameW(reinterpret_cast<HMODULE>(uintptr_t{0x7770000}), buf.data(), len),
                      0u, ERROR_MOD_NOT_FOUND);
    // The main program.
    EXPECT_EQ(fileName(nullptr), join(systemDir, u"spoolsv.exe"));
    EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(u"spoolsv.exe"));
    winsim::setProgramPath(u"C:\\Program Files\\Vesk\\vesk.exe");
    EXPECT_EQ(fileName(GetModuleHandleW(nullptr)), u"C:\\Program Files\\Vesk\\vesk.exe");
    EXPECT_TRUE(FreeLibrary(h));
}

TEST_F(Loader, HandlesAreDistinctAndOneLibraryIsOneModule) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    install(driverDir, u"NoMain.dll", MODTEST_NOMAIN_PATH);
    HMODULE a = LoadLibraryW(join(driverDir, u"ModMain.dll").c_str());
    HMODULE b = LoadLibraryW(join(driverDir, u"NoMain.dll").c_str());
    HMODULE k = GetModuleHandleW(u"kernel32.dll");
    ASSERT_TRUE(a && b && k);
    EXPECT_NE(a, b);
    EXPECT_NE(a, k);
    EXPECT_NE(a, GetModuleHandleW(nullptr));
    // A handle is no address of the module's own code.
    EXPECT_NE(reinterpret_cast<uintptr_t>(a) & ~uintptr_t{0xFFFF},
              reinterpret_cast<uintptr_t>(GetProcAddress(a, "ModTestAdd")) & ~uintptr_t{0xFFFF});
    // The same library named by a second file gives the module already loaded.
    install(windowsDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    HMODULE again = LoadLibraryW(join(windowsDir, u"ModMain.dll").c_str());
    EXPECT_EQ(again, a);
    EXPECT_EQ(journalHits("DllMain", "PROCESS_ATTACH"), 1u);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(b));
}

TEST_F(Loader, GetModuleHandleExCountsPinsAndFindsByAddress) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    HMODULE h = LoadLibraryW(join(driverDir, u"ModMain.dll").c_str());
    ASSERT_NE(h, nullptr);
    HMODULE got = nullptr;
    auto add = GetProcAddress(h, "ModTestAdd");
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   static_cast<LPCWSTR>(addr(add)), &got));
    EXPECT_EQ(got, h);  // and one more reference
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, u"modmain", &got));
    EXPECT_EQ(got, h);
    EXPECT_EQ(winsim::loadedModules()[0].references, 2u);
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   static_cast<LPCWSTR>(addr(&GetLastError)), &got));
    EXPECT_EQ(got, GetModuleHandleW(u"kernel32.dll"));
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                    u"modmain", &got));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(got, nullptr);
    EXPECT_FAILS_WITH(GetModuleHandleExW(0, u"nosuch.dll", &got), FALSE, ERROR_MOD_NOT_FOUND);
    EXPECT_FAILS_WITH(GetModuleHandleExW(0, nullptr, nullptr), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(GetModuleHandleW(u"modmain.dll"), nullptr);

    h = LoadLibraryW(join(driverDir, u"ModMain.dll").c_str());
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, u"modmain.dll", &got));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(GetModuleHandleW(u"modmain.dll"), h);  // pinned
    EXPECT_EQ(journalHits("DllMain", "PROCESS_DETACH"), 1u);
}

TEST_F(Loader, InjectedFailuresLeaveNothingLoaded) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    const std::u16string path = join(driverDir, u"ModMain.dll");
    winsim::failCall("LoadLibraryW", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FAILS_WITH(LoadLibraryW(path.c_str()), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(journalHits("DllMain", ""), 0u);
    winsim::failCall("DllMain", 1, ERROR_GEN_FAILURE);
    EXPECT_FAILS_WITH(LoadLibraryW(path.c_str()), nullptr, ERROR_DLL_INIT_FAILED);
    EXPECT_TRUE(winsim::loadedModules().empty());
    HMODULE h = LoadLibraryW(path.c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(proc<int (*)()>(h, "ModTestAttachCount")(), 1);
    winsim::failCall("FreeLibrary", 1, ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FreeLibrary(h));
    EXPECT_EQ(GetModuleHandleW(u"modmain.dll"), h);  // still loaded
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(winsim::journalCount("LoadLibraryW"), 3u);
    EXPECT_EQ(winsim::journalCount("FreeLibrary"), 2u);
}

TEST_F(Loader, FlagsAndAnsiNames) {
    install(driverDir, u"NoMain.dll", MODTEST_NOMAIN_PATH);
    const std::u16string path = join(driverDir, u"NoMain.dll");
    int dummy = 0;
    EXPECT_FAILS_WITH(LoadLibraryExW(path.c_str(), &dummy, 0), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(LoadLibraryExW(path.c_str(), nullptr, 0x80000000u), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_SYSTEM32),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(h, nullptr);
    std::string ansi = winsim::toUtf8(path);  // plain ASCII path
    EXPECT_EQ(LoadLibraryA(ansi.c_str()), h);
    // A data load of a file loaded as an image gives the image.
    EXPECT_EQ(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), h);
    EXPECT_EQ(winsim::loadedModules()[0].references, 3u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(winsim::loadedModules().empty());
}

TEST_F(Loader, UnloadAllDetachesInReverseOrder) {
    install(driverDir, u"ModMain.dll", MODTEST_MAIN_PATH);
    install(driverDir, u"NoMain.dll", MODTEST_NOMAIN_PATH);
    ASSERT_NE(LoadLibraryW(u"kernel32.dll"), nullptr);
    ASSERT_NE(LoadLibraryW(join(driverDir, u"ModMain.dll").c_str()), nullptr);
    ASSERT_NE(LoadLibraryW(join(driverDir, u"ModMain.dll").c_str()), nullptr);
    ASSERT_NE(LoadLibraryW(join(driverDir, u"NoMain.dll").c_str()), nullptr);
    EXPECT_EQ(winsim::unloadAllModules(), 2u);
    EXPECT_EQ(journalHits("GetModuleHandleW", "modtest-main-detached"), 1u);
    auto left = winsim::loadedModules();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].system);
}

}  // namespace
