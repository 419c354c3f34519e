// The spooler-side library: its path from the printer's driver record, the
// driver directory on PATH, loading and binding by entry names.
#include <gtest/gtest.h>

#include <win/environment.h>

#include <vector>

#include "frame_support.h"
#include "spool_library.h"

using namespace vesk;
using namespace grtest;

namespace {

std::u16string pathVariable() {
    std::vector<WCHAR> buf(GetEnvironmentVariableW(u"PATH", nullptr, 0) + 1, 0);
    GetEnvironmentVariableW(u"PATH", buf.data(), static_cast<DWORD>(buf.size()));
    return std::u16string(buf.data());
}

size_t count(const std::u16string& text, const std::u16string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A device record for the library calls: the printer and the library name.
struct LibraryDevice {
    std::vector<unsigned char> block = std::vector<unsigned char>(sizeof(Pdev), 0);
    Pdev* p = reinterpret_cast<Pdev*>(block.data());
    LibraryDevice(HANDLE printer) {
        p->signature = p->signatureEnd = kPdevSignature;
        p->printer = printer;
        p->spoolLibraryName = u"KW12C123.DLL";
        p->jobId = 3;
    }
    ~LibraryDevice() { PdevUnbindLibrary(p); }
};

class SpoolLibrary : public DriverMachine {};

}  // namespace

TEST_F(SpoolLibrary, PathIsTheDriverDirectoryAndTheLibraryName) {
    WCHAR path[261] = {};
    ASSERT_TRUE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 261));
    EXPECT_EQ(std::u16string(path), kDriverDir + u"\\KW12C123.DLL");
    EXPECT_EQ(count(pathVariable(), u";" + kDriverDir), 1u);
    // The directory goes on PATH once.
    ASSERT_TRUE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 261));
    EXPECT_EQ(count(pathVariable(), kDriverDir), 1u);
    EXPECT_FALSE(GetSpoolLibraryPath(printer_, u"", path, 261));
    EXPECT_EQ(path[0], 0);
    EXPECT_FALSE(GetSpoolLibraryPath(printer_, nullptr, path, 261));
    EXPECT_FALSE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 20));
}

TEST_F(SpoolLibrary, DriverPathsTooLongOrWithoutFolderFail) {
    auto d = winsim::findDriver(u"VESK Colour MFP");
    ASSERT_TRUE(d);
    WCHAR path[261] = {};
    d->driverPath = u"C:\\" + std::u16string(228, u'd') + u"\\veskgr.dll";  // 242 characters
    ASSERT_EQ(winsim::addDriver(*d), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 261));
    d->driverPath = u"C:\\" + std::u16string(226, u'd') + u"\\veskgr.dll";  // 240
    ASSERT_EQ(winsim::addDriver(*d), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 261));
    d->driverPath = u"veskgr.dll";
    ASSERT_EQ(winsim::addDriver(*d), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(GetSpoolLibraryPath(printer_, u"KW12C123.DLL", path, 261));
}

TEST_F(SpoolLibrary, PathThatHoldsTheDirectoryAnywhereIsLeftAlone) {
    const std::u16string longer = u"D:\\tools;" + kDriverDir + u"extra;E:\\bin";
    ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", longer.c_str()));
    EXPECT_TRUE(AddDirectoryToPath(kDriverDir.c_str()));
    EXPECT_EQ(pathVariable(), longer);
    ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", u""));
    EXPECT_TRUE(AddDirectoryToPath(kDriverDir.c_str()));
    EXPECT_EQ(pathVariable(), kDriverDir);
}

TEST_F(SpoolLibrary, LongPathIsReadAgainWholeBeforeTheTest) {
    // PATH and the directory reach 4095 characters: the long form.
    for (size_t len : {4095 - kDriverDir.size(), size_t{4094}, size_t{6000}}) {
        SCOPED_TRACE(len);
        std::u16string path(len, u'p');
        path[0] = u'C';
        ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", path.c_str()));
        EXPECT_TRUE(AddDirectoryToPath(kDriverDir.c_str()));
        EXPECT_EQ(pathVariable(), path + u";" + kDriverDir);
        // The directory at the very end of a long PATH is found.
        EXPECT_TRUE(AddDirectoryToPath(kDriverDir.c_str()));
        EXPECT_EQ(pathVariable().size(), path.size() + 1 + kDriverDir.size());
    }
    const std::u16string shorter(4095 - kDriverDir.size() - 1, u'q');
    ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", shorter.c_str()));
    EXPECT_TRUE(AddDirectoryToPath(kDriverDir.c_str()));
    EXPECT_EQ(pathVariable(), shorter + u";" + kDriverDir);
}

TEST_F(SpoolLibrary, LoadsBindsTheWriteEntryAndStartsTheDocument) {
    winsim::journalEnable(true);
    LibraryDevice d(printer_);
    ASSERT_TRUE(SpoolLibraryLoad(d.p));
    EXPECT_NE(d.p->out.library, nullptr);
    EXPECT_NE(d.p->out.writeEntry, nullptr);
    SpoolLibraryStartDoc(d.p);
    EXPECT_NE(d.p->out.spool, nullptr);
    EXPECT_EQ(winsim::journalCount("DrvSplStartDocEx"), 1u);
    EXPECT_EQ(winsim::journalCount("DrvSplStartDoc"), 0u);
    PdevUnbindLibrary(d.p);
    EXPECT_EQ(d.p->out.library, nullptr);
    EXPECT_EQ(d.p->out.writeEntry, nullptr);
    EXPECT_EQ(winsim::journalCount("DrvSplEndDoc"), 1u);
    EXPECT_EQ(winsim::journalCount("DrvSplClose"), 1u);
    EXPECT_EQ(GetModuleHandleW(u"KW12C123.DLL"), nullptr);
}

TEST_F(SpoolLibrary, WithoutTheExtendedStartTheOlderOneStarts) {
    winsim::journalEnable(true);
    winsim::hideExport(u"KW12C123.DLL", "DrvSplStartDocEx");
    winsim::hideExport(u"KW12C123.DLL", "DrvSplStartPage");
    LibraryDevice d(printer_);
    ASSERT_TRUE(SpoolLibraryLoad(d.p));
    SpoolLibraryStartDoc(d.p);
    EXPECT_NE(d.p->out.spool, nullptr);
    EXPECT_EQ(winsim::journalCount("DrvSplStartDoc"), 1u);
    SpoolLibraryStartPage(d.p);
    SpoolLibraryEndPage(d.p);
    EXPECT_EQ(winsim::journalCount("DrvSplStartPage"), 0u);
    EXPECT_EQ(winsim::journalCount("DrvSplEndPage"), 1u);
}

TEST_F(SpoolLibrary, NoWriteEntryOrNoLibraryIsNoDocument) {
    winsim::hideExport(u"KW12C123.DLL", "DrvSplWritePrinter");
    LibraryDevice d(printer_);
    EXPECT_FALSE(SpoolLibraryLoad(d.p));
    EXPECT_EQ(d.p->out.library, nullptr);
    // The library that could not take the output was given back.
    EXPECT_EQ(GetModuleHandleW(u"KW12C123.DLL"), nullptr);
    winsim::resetModuleKnobs();
    winsim::setModuleMissing(u"KW12C123.DLL", true);
    EXPECT_FALSE(SpoolLibraryLoad(d.p));
    d.p->spoolLibraryName = nullptr;
    winsim::resetModuleKnobs();
    EXPECT_FALSE(SpoolLibraryLoad(d.p));
}

TEST_F(SpoolLibrary, ADiscardingLibraryTakesEveryByteWithoutASpoolJob) {
    winsim::config().set("kw12c123.discard", "1");
    winsim::journalEnable(true);
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    std::u16string name = u"Nowhere";
    ASSERT_TRUE(DrvStartDoc(d.so(), name.data(), 0));
    ASSERT_TRUE(DrvStartPage(d.so()));
    ASSERT_TRUE(DrvSendPage(d.so()));
    ASSERT_TRUE(DrvEndDoc(d.so(), 0));
    uint64_t taken = 0;
    for (const auto& e : winsim::journal())
        if (e.function == "DrvSplWritePrinter") taken += std::stoull(e.detail);
    EXPECT_GT(taken, 100u);
    EXPECT_TRUE(winsim::listJobs().empty());
}
