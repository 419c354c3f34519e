// What a shared library exports and what it is meant to export: a reader of
// the dynamic symbol table of an ELF file (32- and 64-bit, little-endian)
// and a parser of the linker version scripts that list each library's
// entry points.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace elf {

struct Exports {
    int elfClass = 0;                // 32 or 64
    std::set<std::string> names;     // defined, global or weak, visible
};

namespace impl {

class View {
public:
    View(const unsigned char* p, size_t n) : p_(p), n_(n) {}
    bool has(uint64_t off, uint64_t len) const { return off <= n_ && len <= n_ - off; }
    uint64_t u(uint64_t off, int bytes) const {  // little-endian; caller checked has()
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p_[off + i];
        return v;
    }
    const unsigned char* at(uint64_t off) const { return p_ + off; }

private:
    const unsigned char* p_;
    size_t n_;
};

struct Section {
    uint32_t type = 0;
    uint64_t offset = 0, size = 0, entsize = 0;
    uint32_t link = 0;
};

constexpr uint32_t kShtStrtab = 3;
constexpr uint32_t kShtDynsym = 11;
constexpr uint16_t kShnUndef = 0;
constexpr uint16_t kShnAbs = 0xFFF1;

}  // namespace impl

// Reads the defined dynamic symbols that other objects can bind to: bound
// global, weak or unique, with default or protected visibility, not section
// or file symbols, and not the absolute zero symbols that name a version
// node. Returns an empty string, or what is wrong with the file.
inline std::string readDynamicExports(const unsigned char* data, size_t size, Exports& out) {
    using namespace impl;
    View v(data, size);
    out = Exports{};
    if (!v.has(0, 16) || data[0] != 0x7F || data[1] != 'E' || data[2] != 'L' || data[3] != 'F')
        return "not an ELF file";
    const int cls = data[4];
    if (cls != 1 && cls != 2) return "unknown ELF class";
    if (data[5] != 1) return "not little-endian";
    const bool b64 = cls == 2;
    out.elfClass = b64 ? 64 : 32;
    if (!v.has(0, b64 ? 64 : 52)) return "truncated ELF header";
    const uint64_t shoff = b64 ? v.u(0x28, 8) : v.u(0x20, 4);
    const uint64_t shentsize = v.u(b64 ? 0x3A : 0x2E, 2);
    uint64_t shnum = v.u(b64 ? 0x3C : 0x30, 2);
    const uint64_t minShent = b64 ? 64 : 40;
    if (shoff == 0) return "no section headers";
    if (shentsize < minShent) return "bad section header size";
    auto section = [&](uint64_t i, Section& s) -> bool {
        if (i > (UINT64_MAX - shoff) / shentsize) return false;
        uint64_t base = shoff + i * shentsize;
        if (!v.has(base, minShent)) return false;
        s.type = static_cast<uint32_t>(v.u(base + 4, 4));
        s.offset = b64 ? v.u(base + 24, 8) : v.u(base + 16, 4);
        s.size = b64 ? v.u(base + 32, 8) : v.u(base + 20, 4);
        s.link = static_cast<uint32_t>(v.u(base + (b64 ? 40 : 24), 4));
        s.entsize = b64 ? v.u(base + 56, 8) : v.u(base + 36, 4);
        return true;
    };
    Section first;
    if (!section(0, first)) return "section headers outside the file";
    if (shnum == 0) shnum = first.size;  // more sections than the header field holds
    Section dynsym;
    bool found = false;
    for (uint64_t i = 0; i < shnum; ++i) {
        Section s;
        if (!section(i, s)) return "section headers outside the file";
        if (s.type == kShtDynsym) {
            if (found) return "more than one dynamic symbol table";
            dynsym = s;
            found = true;
        }
    }
    if (!found) return "no dynamic symbol table";
    Section strtab;
    if (dynsym.link == 0 || dynsym.link >= shnum || !section(dynsym.link, strtab) || strtab.type != kShtStrtab)
        return "dynamic symbol table without its string table";
    if (!v.has(strtab.offset, strtab.size)) return "string table outside the file";
    const uint64_t symSize = b64 ? 24 : 16;
    const uint64_t entsize = dynsym.entsize ? dynsym.entsize : symSize;
    if (entsize < symSize) return "bad symbol size";
    if (!v.has(dynsym.offset, dynsym.size)) return "symbol table outside the file";
    const uint64_t count = dynsym.size / entsize;
    for (uint64_t i = 1; i < count; ++i) {
        const uint64_t s = dynsym.offset + i * entsize;
        const uint64_t name = v.u(s, 4);
        const unsigned info = static_cast<unsigned>(v.u(b64 ? s + 4 : s + 12, 1));
        const unsigned other = static_cast<unsigned>(v.u(b64 ? s + 5 : s + 13, 1));
        const uint64_t shndx = v.u(b64 ? s + 6 : s + 14, 2);
        const uint64_t value = b64 ? v.u(s + 8, 8) : v.u(s + 4, 4);
        const uint64_t symbolSize = b64 ? v.u(s + 16, 8) : v.u(s + 8, 4);
        const unsigned bind = info >> 4, type = info & 0xF, visibility = other & 3;
        if (shndx == kShnUndef) continue;
        if (bind != 1 && bind != 2 && bind != 10) continue;  // global, weak, unique
        if (visibility == 1 || visibility == 2) continue;      // internal, hidden
        if (type == 3 || type == 4) continue;                  // section, file
        if (shndx == kShnAbs && value == 0 && symbolSize == 0) continue;  // version node name
        if (name >= strtab.size) return "symbol name outside the string table";
        const auto* str = reinterpret_cast<const char*>(v.at(strtab.offset + name));
        const size_t room = static_cast<size_t>(strtab.size - name);
        const size_t len = std::string_view(str, room).find('\0');
        if (len == std::string_view::npos) return "unterminated symbol name";
        out.names.emplace(str, len);
    }
    return {};
}

inline std::string readDynamicExportsFile(const std::string& path, Exports& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open " + path;
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return readDynamicExports(bytes.data(), bytes.size(), out);
}

// The symbols a GNU ld version script makes global and local. Comments (/* */
// and # to the end of a line) are skipped; a list before any "global:" or
// "local:" label is global; extern "C++" blocks are not supported.
struct VersionScript {
    std::vector<std::string> nodes;   // version node names (empty for the anonymous one)
    std::vector<std::string> global;  // names or glob patterns
    std::vector<std::string> local;
};

inline std::string parseVersionScript(std::string_view text, VersionScript& out) {
    out = VersionScript{};
    std::string clean;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "/*") == 0) {
            size_t e = text.find("*/", i + 2);
            if (e == std::string_view::npos) return "unterminated comment";
            clean += ' ';
            i = e + 2;
        } else if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else {
            clean += text[i++];
        }
    }
    std::vector<std::string> tokens;
    for (size_t i = 0; i < clean.size();) {
        char c = clean[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '{' || c == '}' || c == ';' || c == ':') {
            tokens.emplace_back(1, c);
            ++i;
        } else if (c == '"') {
            size_t e = clean.find('"', i + 1);
            if (e == std::string::npos) return "unterminated string";
            tokens.push_back(clean.substr(i, e - i + 1));
            i = e + 1;
        } else {
            size_t j = i;
            constexpr std::string_view kStops = " \t\r\n{};:\"";
            while (j < clean.size() && kStops.find(clean[j]) == std::string_view::npos) ++j;
            tokens.push_back(clean.substr(i, j - i));
            i = j;
        }
    }
    size_t t = 0;
    auto peek = [&](std::string_view s) { return t < tokens.size() && tokens[t] == s; };
    while (t < tokens.size()) {
        std::string node;
        if (!peek("{")) node = tokens[t++];
        if (!peek("{")) return "expected '{' after version node " + node;
        ++t;
        out.nodes.push_back(node);
        std::vector<std::string>* list = &out.global;
        while (!peek("}")) {
            if (t >= tokens.size()) return "missing '}'";
            const std::string& tok = tokens[t];
            if ((tok == "global" || tok == "local") && t + 1 < tokens.size() && tokens[t + 1] == ":") {
                list = tok == "global" ? &out.global : &out.local;
                t += 2;
            } else if (tok == "extern") {
                return "extern blocks are not supported";
            } else if (tok == "{" || tok == ";" || tok == ":" || tok[0] == '"') {
                return "unexpected '" + tok + "'";
            } else {
                list->push_back(tok);
                ++t;
                if (!peek(";")) return "expected ';' after " + tok;
                ++t;
            }
        }
        ++t;                                        // '}'
        if (t < tokens.size() && !peek(";")) ++t;   // the node it depends on
        if (!peek(";")) return "expected ';' after '}'";
        ++t;
    }
    if (out.nodes.empty()) return "no version node";
    return {};
}

}  // namespace elf
