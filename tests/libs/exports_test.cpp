// Each deliverable exports exactly the entry points its version script lists:
// nothing of the common library or the C++ runtime leaks, nothing listed is
// missing.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <sstream>

#include "elf_exports.h"

namespace {

// ---- The deliverables ------------------------------------------------------

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool isPattern(const std::string& s) { return s.find_first_of("*?[") != std::string::npos; }

void checkExports(const char* library, const char* versionScript) {
    SCOPED_TRACE(library);
    elf::VersionScript script;
    const std::string text = readText(versionScript);
    ASSERT_FALSE(text.empty()) << "cannot read " << versionScript;
    ASSERT_EQ(elf::parseVersionScript(text, script), "") << versionScript;
    ASSERT_FALSE(script.global.empty()) << versionScript << " lists no entry point";

    elf::Exports exports;
    ASSERT_EQ(elf::readDynamicExportsFile(library, exports), "");
    EXPECT_EQ(exports.elfClass, int(sizeof(void*) * 8));

    std::vector<std::string> unlisted, missing;
    for (const auto& name : exports.names) {
        bool listed = false;
        for (const auto& g : script.global)
            listed = listed || (isPattern(g) ? fnmatch(g.c_str(), name.c_str(), 0) == 0 : g == name);
        if (!listed) unlisted.push_back(name);
    }
    for (const auto& g : script.global)
        if (!isPattern(g) && !exports.names.count(g)) missing.push_back(g);
    EXPECT_TRUE(unlisted.empty()) << "exported but not listed: " << ::testing::PrintToString(unlisted);
    EXPECT_TRUE(missing.empty()) << "listed but not exported: " << ::testing::PrintToString(missing);
}

TEST(LibraryExports, VeskgrExportsOnlyItsList) { checkExports(VESKGR_PATH, VESKGR_MAP); }
TEST(LibraryExports, VeskuiExportsOnlyItsList) { checkExports(VESKUI_PATH, VESKUI_MAP); }
TEST(LibraryExports, VeskexcExportsOnlyItsList) { checkExports(VESKEXC_PATH, VESKEXC_MAP); }

// ---- The reader on images built here ---------------------------------------

struct Sym {
    std::string name;
    uint8_t info;     // bind << 4 | type
    uint8_t other;    // visibility
    uint16_t shndx;
    uint64_t value = 0x1000;
    uint64_t size = 8;
};

void put(std::vector<unsigned char>& b, size_t off, uint64_t v, int bytes) {
    if (b.size() < off + bytes) b.resize(off + bytes);
    for (int i = 0; i < bytes; ++i) b[off + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A minimal ELF image: header, .dynstr, .dynsym, section headers
// [null, .dynstr, .dynsym].
std::vector<unsigned char> makeImage(bool b64, const std::vector<Sym>& syms) {
    std::vector<unsigned char> b;
    const size_t ehsize = b64 ? 64 : 52, shentsize = b64 ? 64 : 40, symsize = b64 ? 24 : 16;
    std::string strtab(1, '\0');
    std::vector<size_t> nameOffsets;
    for (const auto& s : syms) {
        nameOffsets.push_back(strtab.size());
        strtab += s.name + '\0';
    }
    const size_t strOff = ehsize;
    size_t symOff = (strOff + strtab.size() + 7) & ~size_t{7};
    const size_t symBytes = (syms.size() + 1) * symsize;
    const size_t shOff = (symOff + symBytes + 7) & ~size_t{7};
    b.assign(shOff + 3 * shentsize, 0);
    b[0] = 0x7F, b[1] = 'E', b[2] = 'L', b[3] = 'F', b[4] = b64 ? 2 : 1, b[5] = 1, b[6] = 1;
    put(b, b64 ? 0x28 : 0x20, shOff, b64 ? 8 : 4);
    put(b, b64 ? 0x3A : 0x2E, shentsize, 2);
    put(b, b64 ? 0x3C : 0x30, 3, 2);
    std::copy(strtab.begin(), strtab.end(), b.begin() + strOff);
    for (size_t i = 0; i < syms.size(); ++i) {
        const size_t s = symOff + (i + 1) * symsize;
        const Sym& y = syms[i];
        put(b, s, nameOffsets[i], 4);
        if (b64) {
            b[s + 4] = y.info, b[s + 5] = y.other;
            put(b, s + 6, y.shndx, 2);
            put(b, s + 8, y.value, 8);
            put(b, s + 16, y.size, 8);
        } else {
            put(b, s + 4, y.value, 4);
            put(b, s + 8, y.size, 4);
            b[s + 12] = y.info, b[s + 13] = y.other;
            put(b, s + 14, y.shndx, 2);
        }
    }
    auto header = [&](size_t i, uint32_t type, size_t off, size_t size, uint32_t link, size_t entsize) {
        const size_t h = shOff + i * shentsize;
        put(b, h + 4, type, 4);
        put(b, h + (b64 ? 24 : 16), off, b64 ? 8 : 4);
        put(b, h + (b64 ? 32 : 20), size, b64 ? 8 : 4);
        put(b, h + (b64 ? 40 : 24), link, 4);
        put(b, h + (b64 ? 56 : 36), entsize, b64 ? 8 : 4);
    };
    header(1, 3, strOff, strtab.size(), 0, 0);
    header(2, 11, symOff, symBytes, 1, symsize);
    return b;
}

const std::vector<Sym> kSample = {
    {"Keep", 0x12, 0, 7},                  // global function
    {"Weak", 0x22, 0, 7},                  // weak function
    {"Undef", 0x12, 0, 0},                 // imported
    {"Loc", 0x02, 0, 7},                   // local
    {"Hid", 0x12, 2, 7},                   // hidden
    {"Unique", 0xA1, 0, 9},                // unique object
    {"Sect", 0x13, 0, 7},                  // section symbol
    {"VESK_1", 0x11, 0, 0xFFF1, 0, 0},     // version node name
    {"Abs", 0x11, 0, 0xFFF1, 0x40, 4},     // an absolute object that is a real export
};

TEST(ElfReader, KeepsDefinedVisibleGlobalsOfBothClasses) {
    for (bool b64 : {false, true}) {
        SCOPED_TRACE(b64 ? "ELF64" : "ELF32");
        auto img = makeImage(b64, kSample);
        elf::Exports e;
        ASSERT_EQ(elf::readDynamicExports(img.data(), img.size(), e), "");
        EXPECT_EQ(e.elfClass, b64 ? 64 : 32);
        EXPECT_EQ(e.names, (std::set<std::string>{"Abs", "Keep", "Unique", "Weak"}));
    }
}

TEST(ElfReader, DamagedImagesAreRefusedNotRead) {
    for (bool b64 : {false, true}) {
        SCOPED_TRACE(b64 ? "ELF64" : "ELF32");
        const auto good = makeImage(b64, kSample);
        elf::Exports e;
        // Every truncation cuts the section headers at the end.
        for (size_t n = 0; n < good.size(); ++n) {
            std::vector<unsigned char> cut(good.begin(), good.begin() + n);
            EXPECT_NE(elf::readDynamicExports(cut.data(), cut.size(), e), "") << n;
        }
        const size_t shOff = b64 ? good[0x28] | good[0x29] << 8 : good[0x20] | good[0x21] << 8;
        const size_t shent = b64 ? 64 : 40;
        auto damaged = [&](auto change) {
            auto img = good;
            change(img);
            return elf::readDynamicExports(img.data(), img.size(), e);
        };
        EXPECT_NE(damaged([](auto& i) { i[1] = 'X'; }), "");
        EXPECT_NE(damaged([](auto& i) { i[5] = 2; }), "");  // big-endian
        EXPECT_NE(damaged([](auto& i) { i[4] = 3; }), "");
        // The symbol table's string table link points past the sections.
        EXPECT_NE(damaged([&](auto& i) { put(i, shOff + 2 * shent + (b64 ? 40 : 24), 9, 4); }), "");
        // The string table is cut short: names run past its end.
        EXPECT_NE(damaged([&](auto& i) { put(i, shOff + shent + (b64 ? 32 : 20), 3, b64 ? 8 : 4); }), "");
        // The symbol table claims more bytes than the file holds.
        EXPECT_NE(damaged([&](auto& i) { put(i, shOff + 2 * shent + (b64 ? 32 : 20), 1u << 30, b64 ? 8 : 4); }), "");
        // No dynamic symbol table at all.
        EXPECT_NE(damaged([&](auto& i) { put(i, shOff + 2 * shent + 4, 2, 4); }), "");
        // A section header size too small to hold a header.
        EXPECT_NE(damaged([&](auto& i) { put(i, b64 ? 0x3A : 0x2E, 8, 2); }), "");
    }
}

TEST(VersionScript, ReadsListsLabelsAndComments) {
    elf::VersionScript s;
    ASSERT_EQ(elf::parseVersionScript("/* exports */\n{\n  global:\n    DllMain;  # entry\n"
                                      "    Drv*;\n  local:\n    *;\n};\n",
                                      s),
              "");
    EXPECT_EQ(s.global, (std::vector<std::string>{"DllMain", "Drv*"}));
    EXPECT_EQ(s.local, (std::vector<std::string>{"*"}));
    ASSERT_EQ(elf::parseVersionScript("VESK_1 { A; B; }; VESK_2 { global: C; } VESK_1;", s), "");
    EXPECT_EQ(s.nodes, (std::vector<std::string>{"VESK_1", "VESK_2"}));
    EXPECT_EQ(s.global, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_NE(elf::parseVersionScript("{ global: A; ", s), "");
    EXPECT_NE(elf::parseVersionScript("{ global: A }", s), "");
    EXPECT_NE(elf::parseVersionScript("{ extern \"C++\" { foo; }; };", s), "");
    EXPECT_NE(elf::parseVersionScript("/* open", s), "");
    EXPECT_NE(elf::parseVersionScript("", s), "");
}

}  // namespace
