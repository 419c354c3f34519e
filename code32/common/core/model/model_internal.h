// Private parts of the model-description reader: character classes, the
// statement reader with its token buffers, the value cursor and the
// statement handlers.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"

namespace vesk::mdl {

// ---- Character classes ----
enum : uint8_t {
    kChDigit = 0x80,       // 0-9
    kChHex = 0x40,         // A-F a-f
    kChLineEnd = 0x20,     // LF CR
    kChBlank = 0x10,       // tab space
    kChPrintable = 0x08,   // tab, space, 0x21-0x7E
    kChWord = 0x04,        // 0x21-0x7E except ':' and '/'
    kChKeyword = 0x02,     // digits, letters, / @ [ \ ] ^ _ `
    kChTerminator = 0x01,  // : / tab space LF CR " # $ % & ' ( ) * , . ; < = > ? { | }
};
// Character classes of the reader, by byte.
extern const uint8_t kCharClasses[256];
inline uint8_t charClass(unsigned char c) { return kCharClasses[c]; }
inline bool is(unsigned char c, uint8_t cls) { return (charClass(c) & cls) != 0; }

// The first byte at or after `p` (before `end`) that is not a digit, '@', a
// letter or one of [ \ ] ^ _ ` (0x30-0x39, 0x40-0x7A): the bytes that make
// up nearly all of a name, passed over sixteen at a time where SSE2 is at
// hand. Such bytes are keyword bytes and word bytes alike, so a scan for
// either may take this run first and go on byte by byte after it.
const char* skipNameRun(const char* p, const char* end);

// ---- Statement reader ----

// A statement as read: views into the text, which must outlive them. The
// value is the text's own bytes (escapes and double-byte characters as
// written), so no statement copies or allocates anything.
struct Statement {
    std::string_view keyword, word1, word2, value;
    size_t start = 0;  // offset of the statement's '*'
};

// The mapped file: reading past its end reports the end of the file.
struct Reader {
    const BYTE* base = nullptr;
    size_t size = 0;
    size_t pos = 0;
    int peek() const { return pos < size ? base[pos] : -1; }
    int get() { return pos < size ? base[pos++] : -1; }
    void skipLine();
    // Line counting for the log of skipped statements: lines are counted
    // from the last offset asked for, since statements come in file order.
    size_t countedTo = 0;
    uint32_t countedLines = 1;
};

enum : int { kReadOk = 0, kReadEnd = 1, kReadSkipped = 3, kReadNoMemory = 4 };
int readStatement(Reader& r, Statement& s, const std::array<bool, 256>& leadByte);

// 1-based line number of an offset (offsets asked for in increasing order
// cost one pass over the file in all).
uint32_t lineOf(Reader& r, size_t offset);

// ---- Values ----

// Reads the parts of a statement's value: words, numbers, quoted strings and
// the punctuation { } |.
class Value {
public:
    Value(std::string_view text, const std::array<bool, 256>& lead)
        : p_(text.data()), end_(text.data() + text.size()), lead_(lead) {}
    // The next significant character after blanks and line ends, or -1.
    // (Here rather than with the reader: every handler asks it often.)
    int peek() {
        if (pending_) return static_cast<unsigned char>(pending_);
        while (p_ < end_ && is(static_cast<unsigned char>(*p_), kChBlank | kChLineEnd)) ++p_;
        return p_ < end_ ? static_cast<unsigned char>(*p_) : -1;
    }
    bool atEnd() { return peek() < 0; }
    // Consumes `c` when it comes next.
    bool take(char c) {
        if (peek() != static_cast<unsigned char>(c)) return false;
        if (pending_) pending_ = 0;
        else ++p_;
        return true;
    }
    // A word: a leading '*' is dropped; it ends at a blank, a line end, the
    // end or a word terminator, and the terminator is consumed with it. A
    // brace or bar consumed so is still reported by peek() and take() as
    // the next character; a quote is not. False when no word comes next.
    bool word(std::string& out);
    // The same word as a view into the value's text.
    bool wordView(std::string_view& out);
    // A word that must be a decimal number (optional '-' and digits) within
    // [lo, hi].
    bool number(int64_t lo, int64_t hi, int64_t* out);
    // A quoted string; `out` is empty for "" . False when no quote comes
    // next or the quote is not closed.
    bool quoted(std::string& out);
    std::string_view rest() const {
        const char* p = mark();
        return {p, static_cast<size_t>(end_ - p)};
    }
    const char* mark() const { return pending_ ? p_ - 1 : p_; }
    void seek(const char* p) {
        p_ = p;
        pending_ = 0;
    }

private:
    const char* p_;
    char pending_ = 0;  // the brace or bar that ended the last word
    const char* end_;
    const std::array<bool, 256>& lead_;
};

// Parses a whole decimal word (optional '-', digits).
bool parseWholeDecimal(std::string_view w, int64_t lo, int64_t hi, int64_t* out);

// ---- Handlers ----

// A statement as the handlers see it.
struct Stmt {
    std::string_view keyword, w1, w2, value;
};

// Every handler returns true when the statement was taken whole, else false
// with `why` set.
using Handler = bool (*)(MdlParseResult& r, const Stmt& s, std::string& why);

bool onFileVersion(MdlParseResult&, const Stmt&, std::string&);
bool onResourceDll(MdlParseResult&, const Stmt&, std::string&);
bool onConstraintDll(MdlParseResult&, const Stmt&, std::string&);
bool onOpenUI(MdlParseResult&, const Stmt&, std::string&);
bool onCloseUI(MdlParseResult&, const Stmt&, std::string&);
bool onDefault(MdlParseResult&, const Stmt&, std::string&);
bool onValueStatement(MdlParseResult&, const Stmt&, std::string&);
bool onNumericValue(MdlParseResult&, const Stmt&, std::string&);
bool onStringValue(MdlParseResult&, const Stmt&, std::string&);
bool onPageValue(MdlParseResult&, const Stmt&, std::string&);
bool onPageMMValue(MdlParseResult&, const Stmt&, std::string&);
bool onSlotPaper(MdlParseResult&, const Stmt&, std::string&);
bool onOptionCommand(MdlParseResult&, const Stmt&, std::string&);
bool onTTFS(MdlParseResult&, const Stmt&, std::string&);
bool onDeviceFonts(MdlParseResult&, const Stmt&, std::string&);
bool onFontCartridge(MdlParseResult&, const Stmt&, std::string&);
bool onCommandGroup(MdlParseResult&, const Stmt&, std::string&);
bool onCommandString(MdlParseResult&, const Stmt&, std::string&);
bool onJudge(MdlParseResult&, const Stmt&, std::string&);
bool onItem(MdlParseResult&, const Stmt&, std::string&);
bool onAction(MdlParseResult&, const Stmt&, std::string&);
bool onTransact(MdlParseResult&, const Stmt&, std::string&);
bool onAlertAction(MdlParseResult&, const Stmt&, std::string&);
bool onAlert(MdlParseResult&, const Stmt&, std::string&);
bool onExclusive(MdlParseResult&, const Stmt&, std::string&);

// Buffers the handlers reuse from statement to statement instead of
// allocating their temporaries anew: one set per thread, since a parse runs
// on one thread and handlers do not nest. A handler clears what it takes
// before filling it; nothing in here survives the statement that filled it.
struct Scratch {
    std::string text;                        // a quoted text read to be cut up
    std::vector<std::string_view> fields;    // the words of a rule's braces
    std::vector<uint16_t> ids;               // value ids collected for a record
};
Scratch& scratch();

// The open option, or null.
MdlOption* openOption(MdlParseResult& r);
// The option whose values the open option's value statements fill: the
// first option in the list with the open option's key.
MdlOption* valueTarget(MdlParseResult& r);

}  // namespace vesk::mdl
