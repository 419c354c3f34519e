// Helpers of the model-description tests: parsing text held in memory, the
// statements a parse did not take, options by symbol.
#pragma once
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <string_view>

#include "core/dictionary_lookup.h"
#include "core/model/model.h"

namespace vesk::test {

struct ParseFree {
    void operator()(MdlParseResult* r) const { MdlFree(r); }
};
using ParsePtr = std::unique_ptr<MdlParseResult, ParseFree>;

// Little-endian fields of a model image held in a byte container (a
// std::string or a byte vector).
template <class Bytes>
uint16_t get16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
template <class Bytes>
uint32_t get32(const Bytes& b, size_t at) {
    return get16(b, at) | static_cast<uint32_t>(get16(b, at + 2)) << 16;
}
template <class Bytes>
void put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<typename Bytes::value_type>(v & 0xFF);
    b[at + 1] = static_cast<typename Bytes::value_type>(v >> 8);
}
template <class Bytes>
void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, static_cast<uint16_t>(v));
    put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

inline ParsePtr parse(std::string_view text) {
    return ParsePtr(MdlParseText(reinterpret_cast<const BYTE*>(text.data()), text.size()));
}

// "line keyword: reason" of every statement not taken, one a line.
inline std::string skippedText(const MdlParseResult& r) {
    std::string s;
    for (const MdlSkipped& k : r.skipped)
        s += std::to_string(k.line) + " " + k.keyword + ": " + k.reason + "\n";
    return s;
}

// The first option opened under a symbol name.
inline const MdlOption* option(const MdlParseResult& r, const char* symbol) {
    const SymbolEntry* sym = SymFindByName(symbol);
    return sym ? MdlFindOptionByKey(r, static_cast<uint16_t>(sym->key)) : nullptr;
}

inline uint16_t valueId(const char* name) {
    const ValueSymbol* v = ValueSymFindByName(name);
    return v ? static_cast<uint16_t>(v->value) : 0xFFFF;
}

inline uint16_t itemOf(const char* symbol) {
    const SymbolEntry* sym = SymFindByName(symbol);
    return sym ? sym->itemId : 0;
}

inline uint16_t keyOf(const char* symbol) {
    const SymbolEntry* sym = SymFindByName(symbol);
    return sym ? static_cast<uint16_t>(sym->key) : 0;
}

// Folders of the sources: the sample model and the test data.
// The build names the source folder; __FILE__ may be relative to the build
// folder, which is not the folder the tests run in.
inline std::filesystem::path sourceRoot() {
#ifdef VESK_SOURCE_DIR
    return VESK_SOURCE_DIR;
#else
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
#endif
}
inline std::filesystem::path sampleModel() { return sourceRoot() / "samples" / "model" / "VESKMFP1.VMD"; }
inline std::filesystem::path testData(const char* name) { return sourceRoot() / "tests" / "common" / "data" / name; }

// A host file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace vesk::test
