// The text view of the job header (0xF3), page header (0xF4) and page
// trailer (0xF1) blocks: lines, their PJL commands, and the checks on the
// lines the driver itself writes (DATE, VESKDRIVERNAME, DEVFONTID,
// SUBFONTTABLE, JOBNAME).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decode/bytes.h"

namespace vesk::decode {

enum class LineEnd : std::uint8_t { CrLf, Lf, None };

struct TextLine {
    std::size_t offset = 0;  // of the line's first byte in the block
    std::string_view text;   // without the line end
    LineEnd end = LineEnd::None;
};

// Splits a block at LF; a CR just before the LF belongs to the line end. The
// views point into `block`.
std::vector<TextLine> splitLines(Bytes block);

// One line read as PJL.
struct PjlLine {
    bool uel = false;            // begins with the universal exit ESC%-12345X
    bool pjl = false;            // an "@PJL" command line (after the exit, if any)
    std::string_view command;    // SET, JOB, COMMENT, ... (may be empty)
    std::string_view variable;   // SET and DEFAULT: the name before '='
    std::string_view value;      // SET and DEFAULT: the value, quotes removed
    bool quoted = false;
};

// Reads one line. A line that is not PJL is accepted as text (pjl false).
// For a malformed @PJL line returns false with the reason and the offset of
// the fault in the line.
bool parsePjlLine(std::string_view line, PjlLine* out, std::string* why, std::size_t* where);

// Checks every line of a header or trailer block found at `fileOffset`
// (the offset of its data); false with the first problem.
bool checkTextBlock(Bytes block, std::uint64_t fileOffset, Issue* issue);

// The JOBNAME record: exactly `@PJL SET JOBNAME = "` name `"` CR LF.
bool looksLikeJobName(Bytes data);
bool parseJobName(Bytes data, std::uint64_t fileOffset, std::string* name, Issue* issue);

// Text for the listing: printable ASCII as it is, a backslash doubled, every
// other byte as \xNN.
std::string escapeBytes(std::string_view text);

}  // namespace vesk::decode
