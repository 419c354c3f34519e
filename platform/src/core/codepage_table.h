// Cached conversion tables of the 8-bit code pages and the conversions built
// on them, shared by the exported code-page functions and the stand-in's own
// text handling (profile files, ANSI entry points).
#pragma once
#include "sim.h"

#include <string>
#include <string_view>
#include <vector>

#pragma GCC visibility push(default)
namespace winsim::detail {

constexpr UINT kUtf8CodePage = 65001;
// A code-page byte or pair with no character.
constexpr char16_t kNoChar = 0xFFFF;
// A character with no byte form in the code page (0xFFFF is never a valid
// code: 0xFF is not a lead byte in any supported page).
constexpr uint16_t kNoCode = 0xFFFF;

// One 8-bit code page, read from iconv once and kept for the process.
struct CodePageTable {
    UINT codePage = 0;
    bool doubleByte = false;
    bool lead[256] = {};
    // Lead-byte ranges as GetCPInfo reports them (pairs, zero-terminated).
    BYTE leadRanges[12] = {};
    // Characters of single bytes (kNoChar: undefined).
    char16_t single[256] = {};
    // Characters of double-byte codes, indexed by lead << 8 | trail.
    std::vector<char16_t> pair;
    // Code of each UTF-16 unit: a byte, or lead << 8 | trail (kNoCode: none).
    std::vector<uint16_t> code;
    // What undefined input becomes (U+30FB for 932, '?' elsewhere).
    char16_t defaultWide = u'?';

    // Whether `b` may follow a lead byte; a lead byte followed by anything
    // else is an incomplete character and the byte after it stands alone.
    bool isTrail(unsigned char b) const;
};

// The table of a code page (CP_ACP and CP_OEMCP resolved), or null for UTF-8
// and pages the stand-in does not know.
const CodePageTable* codePageTable(UINT cp);
// Whether the exported conversion functions accept the code page.
bool isKnownCodePage(UINT cp);

// Bytes to UTF-16. Undefined input becomes the page's default character (for
// UTF-8, U+FFFD per maximal invalid subsequence); `invalid` tells whether any
// did. Pages without a table are read as 1252.
std::u16string decodeBytes(UINT cp, std::string_view in, bool* invalid);
// UTF-16 to bytes. Characters without a code become `defaultChar` (one or two
// bytes; empty: '?'), setting `usedDefault`. For UTF-8, lone surrogates
// become U+FFFD and set `invalid`. No best-fit substitutes are made: a
// character either has its own code or becomes the default.
std::string encodeWide(UINT cp, std::u16string_view in, std::string_view defaultChar, bool* usedDefault,
                       bool* invalid);

}  // namespace winsim::detail
#pragma GCC visibility pop
