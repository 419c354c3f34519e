// The model description: the driver's data file that lists the device's
// options, their values and commands, the command groups of the job and page
// headers, the device fonts and the rules between options.
//
// MdlLoad reads the file statement by statement into an MdlParseResult. The
// parse result is kept as plain C++ records, not as bytes: each record says
// beside its fields which field of the compiled image (offsets in the image
// layout) it becomes, so the image writer can size and lay it out. Links of
// the image (next, value list, strings) are vectors and strings here; rule
// references are kept as rule numbers (the low 16 bits the image resolves),
// 0 meaning none.
#pragma once
#include <win/types.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/first_index.h"

namespace vesk {

// ---- Vocabulary ----

// A row of a word table; a table ends with a row whose name is null, and that
// row's value is the answer for an unknown word.
struct MdlKeyword {
    const char* name;
    int32_t value;
};
// The value of the first row whose name equals `word` (case-sensitive), else
// the value of the terminating row.
int32_t MdlKeywordValue(const MdlKeyword* table, std::string_view word);

// Option type words (MdlOption::type).
constexpr uint16_t kMdlPickOne = 0x1;
constexpr uint16_t kMdlPickMany = 0x2;
constexpr uint16_t kMdlBoolean = 0x4;
constexpr uint16_t kMdlNumeric = 0x8;
constexpr uint16_t kMdlString = 0x10;
constexpr uint16_t kMdlPickPage = 0x101;
constexpr uint16_t kMdlPickSlot = 0x201;
constexpr uint16_t kMdlFontTbl = 0x401;
constexpr uint16_t kMdlIdentity = 0x1000;
constexpr uint16_t kMdlTypeUnknown = 0x2000;
// The type without its Identity and TypeUnknown bits, which selects how the
// values are kept.
constexpr uint16_t MdlBaseType(uint16_t type) { return static_cast<uint16_t>(type & ~0x3000u); }
// List types keep value records; the others keep one value block.
constexpr bool MdlIsListType(uint16_t type) { return (type & 0x3) != 0; }

// Header slots of the compiled image.
constexpr int kMdlSlotCount = 1237;          // slots 0..1236
constexpr int kMdlSlotResourceDll = 1225;
constexpr int kMdlSlotConstraintDll = 1226;
constexpr int kMdlSlotJobStart = 1227;
constexpr int kMdlSlotJobEnd = 1228;
constexpr int kMdlSlotDocReset = 1229;
constexpr int kMdlSlotPageStart = 1230;
constexpr int kMdlSlotPageEnd = 1231;
constexpr int kMdlSlotExclusive = 1236;
constexpr size_t kMdlHeaderSize = 4984;
// The header slot of an option id: ids 1-706 slot = id, 10001-10277 slot =
// id - 9294, 707-947 slot = id + 277; other ids have no slot (0).
int MdlSlotForOptionId(int optionId);

// ---- Options ----

// Page record (image: 36 bytes, linked by +0 next).
struct MdlPageRecord {
    uint16_t resolution = 0;     // +4
    uint16_t orientation = 0;    // +6
    uint16_t condKey = 0;        // +8 condition option key, 0 = none
    uint16_t condValue = 0;      // +10
    int32_t x = 0;               // +12
    int32_t y = 0;               // +16
    int32_t width = 0;           // +20
    int32_t height = 0;          // +24
    int32_t further1 = 0;        // +28
    int32_t further2 = 0;        // +32
};

// Value record of a list type (image: linked by +0 next; 12 bytes for
// PickOne and PickMany, 20 for PickSlot, 24 for PickPage and FontTbl).
struct MdlValue {
    uint16_t valueId = 0;        // +4
    std::string command;         // +8 the value's command string; empty = none
    // PickPage: +12 and +16 the PageMMValue numbers, +20 the page records.
    int32_t size1 = 0;
    int32_t size2 = 0;
    std::vector<MdlPageRecord> pages;
    // PickSlot: +12 count, +16 the value ids of the papers the slot takes.
    std::vector<uint16_t> slotPapers;
    // FontTbl: +12 count, +16 first strings (TrueType names), +20 second
    // strings (device font names); both arrays have the same length.
    std::vector<std::string> fontTrueType;
    std::vector<std::string> fontDevice;
};

// Value block of Boolean and the other scalar types (image: 12 bytes).
struct MdlBooleanBlock {
    int32_t defaultValue = 0;    // +0 True 1, False 0
    std::string trueCommand;     // +4
    std::string falseCommand;    // +8
};
// Value block of Numeric (image: 24 bytes; NumericValue fills it).
struct MdlNumericBlock {
    int16_t f0 = 0;              // +0 the number before the quotes
    int16_t f2 = 0;              // +2 first quoted number
    int16_t f4 = 0;              // +4 fifth
    int16_t f6 = 0;              // +6 sixth
    int16_t f8 = 0;              // +8 seventh
    int16_t f10 = 0;             // +10 eighth
    int32_t defaultValue = 0;    // +12 second
    int32_t minimum = 0;         // +16 third
    int32_t maximum = 0;         // +20 fourth
};
// Value block of String (image: 8 bytes, four i16).
struct MdlStringBlock {
    int16_t defaultId = 0;       // +0 default value id
    int16_t maxLength = 0;       // +2
    int16_t charKind = 0;        // +4
    int16_t display = 0;         // +6
};

// Option record (image: MdlOption, 28 bytes).
struct MdlOption {
    std::string name;            // the symbolic name of its OpenUI (not in the image)
    uint16_t key = 0;            // +4 dictionary key
    uint16_t subNumber = 0;      // +6 sub-number of a copy ...
    uint16_t identityKey = 0;    // ... or, for type Identity, the named option's key
    uint16_t optionId = 0;       // +8 item id
    uint16_t type = 0;           // +10 type word
    uint16_t selection = 0;      // +12 after CloseUI: index of the default value
    bool hasCommands = false;    // +16 the OptionCommand pair (prefix, suffix)
    std::string prefix;
    std::string suffix;
    bool isCopy = false;         // a later block of a defined key: uses the first block's values
    // +24: the value list or the block of its type. A copy and an Identity
    // option that names a defined option use the values of that option
    // (MdlValuesOwner); their own lists stay empty.
    std::vector<MdlValue> values;
    MdlBooleanBlock boolean;
    MdlNumericBlock numeric;
    MdlStringBlock string;
    // Whether `selection` already holds an index (inherited by a copy or an
    // Identity option) rather than a value id from a Default statement.
    bool selectionIsIndex = false;
};

// ---- Command groups, command strings, fonts ----

struct MdlCommandList;

// Node of a command list (image: linked by +0 next; +4 u16 kind).
struct MdlCommandNode {
    uint16_t kind = 0;           // 1 option command, 2 command string, 3 conditional, 4 device fonts
    uint16_t optionKey = 0;      // kind 1: +6
    int16_t number = 0;          // kind 1: +8 sub-key
    int32_t stringNumber = 0;    // kind 2: +8 the CommandString number
    std::unique_ptr<MdlCommandList> nested;  // kind 3: +8
};

// Command list (image: 12 bytes).
struct MdlCommandList {
    uint16_t condition = 0;      // +0 Judge number, 0 = always
    std::vector<MdlCommandNode> first;   // +4
    std::vector<MdlCommandNode> second;  // +8 the Else list, or one kind-3 node for ElseIf
};

// CommandString node (image: 16 bytes, in file order).
struct MdlCommandString {
    int32_t number = 0;          // +4
    std::string text;            // +12; +8 is text.size() + 1
};

// Font entry (image: 8 bytes, +0 number, +4 name).
struct MdlFont {
    int32_t number = 0;
    std::string name;
};

// ---- Rules ----

// Cell of a condition program: kind 1 option value (value = option id), 2
// literal, 3 operator (1 ==, 2 !=, 3 &&, 4 ||, 5 !, 6 >, 7 <, 8 >=, 9 <=, 10
// end of program).
struct MdlCondCell {
    uint16_t kind;
    uint16_t value;
    bool operator==(const MdlCondCell& o) const { return kind == o.kind && value == o.value; }
};
constexpr uint16_t kMdlCellOption = 1;
constexpr uint16_t kMdlCellLiteral = 2;
constexpr uint16_t kMdlCellOperator = 3;
constexpr uint16_t kMdlOpEnd = 10;

struct MdlJudge {                // image: the program alone, 4 bytes per cell
    uint16_t number = 0;
    std::vector<MdlCondCell> program;  // ends with {3, 10}
};
struct MdlItemEntry {            // image: 16 bytes
    uint32_t valueId = 0;        // +4
    uint16_t judge1 = 0;         // +8 Judge number (first condition)
    uint16_t judge2 = 0;         // +12 (second condition)
};
struct MdlActionPair {           // image: 12 bytes
    uint16_t targetId = 0;       // +4 option id or page id
    uint16_t targetKind = 0;     // +6 0 option, 1 page
    uint32_t value = 0;          // +8
};
struct MdlTransactPair {         // image: 12 bytes
    uint16_t judge = 0;          // +4
    uint16_t action = 0;         // +8
};
struct MdlAlertActionPair {      // image: 12 bytes
    uint16_t optionKey = 0;      // +4 the key compared with the answer
    uint16_t transact = 0;       // +8
};
struct MdlAlertEntry {           // image: 20 bytes
    uint16_t judge = 0;          // +4
    uint16_t messageKey = 0;     // +8
    int16_t icon = 0;            // +10
    int16_t buttons = 0;         // +12
    int16_t mode = 0;            // +14
    uint16_t alertAction = 0;    // +16
};
struct MdlExclusiveRow {         // image: 32 bytes, contiguous
    uint16_t optionKey = 0;      // +4
    uint16_t judge1 = 0;         // +8
    uint16_t judge2 = 0;         // +12
    uint16_t item = 0;           // +16
    uint16_t alert = 0;          // +20
    uint16_t transact1 = 0;      // +24
    uint16_t transact2 = 0;      // +28
};

template <class Entry>
struct MdlRule {
    uint16_t number = 0;
    std::vector<Entry> entries;
};

// Rule sections in the order of their name tables.
enum MdlSection : int { kSecJudge = 0, kSecItem, kSecAction, kSecTransact, kSecAlertAction, kSecAlert, kSecCount };

// ---- The parse result ----

// A statement that was not taken whole: skipped, or applied only up to a bad
// part where the format says so.
constexpr size_t kMdlSkipLogMax = 1000;
struct MdlSkipped {
    uint32_t line = 0;           // 1-based line of the statement's start
    std::string keyword;
    std::string reason;
};

struct MdlParseResult {
    // Header under construction.
    WCHAR fileVersion[16] = {};
    // Slots 1..1224: index + 1 into `options` of the option of that slot; 0
    // empty. Slot 0 of the image is the head of `options`.
    std::array<uint32_t, kMdlSlotResourceDll> optionSlots{};
    std::u16string resourceDll;      // slot 1225, empty = none
    std::u16string constraintDll;    // slot 1226
    // Slots 1227..1231 (JobStart, JobEnd, DocReset, PageStart, PageEnd).
    std::array<std::unique_ptr<MdlCommandList>, 5> groups;
    std::vector<MdlFont> deviceFonts;     // slots 1232/1233
    std::vector<MdlFont> cartridgeFonts;  // slots 1234/1235

    std::vector<MdlOption> options;       // in OpenUI order
    std::vector<MdlCommandString> commandStrings;

    std::vector<MdlJudge> judges;
    std::vector<MdlRule<MdlItemEntry>> items;
    std::vector<MdlRule<MdlActionPair>> actions;
    std::vector<MdlRule<MdlTransactPair>> transacts;
    std::vector<MdlRule<MdlAlertActionPair>> alertActions;
    std::vector<MdlRule<MdlAlertEntry>> alerts;
    std::vector<MdlExclusiveRow> exclusive;   // slot 1236

    // Rule names per section (the number of the first of each), for lookups
    // while parsing: views into the text, filled while a file is parsed and
    // emptied at its end.
    std::array<MdlNameIndex, kSecCount> nameIndex;

    // Statements not taken whole: how many, and the first kMdlSkipLogMax of
    // them in file order.
    uint32_t skippedCount = 0;
    std::vector<MdlSkipped> skipped;
    uint32_t statementsRead = 0;

    // Parse state.
    int openOption = -1;            // index of the option whose block is open
    int keywordCache = 0;           // index + 1 of the keyword found last
    // The block that takes the open block's value statements, found last:
    // the open index and the target's index (options are only appended while
    // parsing, so the first block of a key stays the first).
    int targetOfOpen = -1, targetIndex = -1;
    std::array<bool, 256> leadByte{};  // lead bytes of the ANSI code page

    // The first option of each key and the first rule of each number per
    // section, kept up with the lists by the lookups (MdlFindOptionByKey,
    // MdlFindRule), which may run on a const result.
    mutable MdlFirstIndex optionByKey;
    mutable std::array<MdlFirstIndex, kSecCount> ruleByNumber;
};

// ---- Interfaces ----

// The printer driver's data file (GetPrinterDriverW level 2, pDataFile) in a
// block of MemAllocZero, or null.
WCHAR* MdlGetDataFilePath(HANDLE printer);
// Maps the file read-only; `size` (optional) receives its size. 1 or 0. The
// view is released with UnmapViewOfFile.
int MdlMapFile(const WCHAR* path, const BYTE** base, DWORD* size);
// The same for a file already open for reading; the handle stays open.
int MdlMapOpenFile(HANDLE file, const BYTE** base, DWORD* size);
// The whole of a file open for reading, from its current position, in a new
// block; 1, or 0 (and `data` empty) when its size cannot be read, it is
// empty or larger than 32 bits, memory runs out or fewer bytes are read.
int MdlReadOpenFile(HANDLE file, std::unique_ptr<BYTE[]>& data, DWORD* size);
// Parses the whole file; null when it cannot be read or memory runs out.
MdlParseResult* MdlLoad(const WCHAR* path);
// Parses a description held in memory (the mapped view of MdlLoad).
MdlParseResult* MdlParseText(const BYTE* data, size_t size);
void MdlFree(MdlParseResult* result);
// Reads statements up to the first FileVersion and copies its value (at most
// 15 characters) into `out` (16 characters). Always 1; `out` is unchanged
// when the file cannot be read or has no FileVersion.
int MdlReadFileVersion(const WCHAR* path, WCHAR* out);
// The same through a file open for reading whose position is at its start
// (the position is moved).
int MdlReadFileVersionOf(HANDLE file, WCHAR* out);

// The option that owns the values `option` uses: for a copy the first option
// of its key, for an Identity option the first option of the named key when
// there is one, else the option itself.
const MdlOption& MdlValuesOwner(const MdlParseResult& r, const MdlOption& option);
// The first option of a key, or null.
const MdlOption* MdlFindOptionByKey(const MdlParseResult& r, uint16_t key);
// Position + 1 in its section's list of the first rule of a number, or 0.
uint32_t MdlFindRule(const MdlParseResult& r, int section, uint16_t number);
// The option of an option id: through its slot, else the first in the list.
const MdlOption* MdlFindOptionById(const MdlParseResult& r, uint16_t optionId);
// The default value an option has so far: list types whose low byte is 1 the
// value id at the selection index (0 past the end), Boolean the block's
// default, Numeric +12, String the default value id, others 0.
uint32_t MdlGetValueInTables(const MdlParseResult& r, const MdlOption& option);
// The CommandString of a number (the first one), or null.
const MdlCommandString* MdlFindCommandString(const MdlParseResult& r, int32_t number);

// Rule words.
// The reference a word names: a section prefix gives the section's class
// (Judge 0x10000, Item 0x20000, Action 0x30000, Transact 0x40000, Alert
// 0x50000, AlertAction 0x60000) plus the number in the word, "NULL" gives 0,
// any other word 0x70000 (a rule name).
uint32_t MdlParseRuleRef(std::string_view word);
// The decimal digits of a word accumulated in order up to its end, a blank or
// '='; any '-' makes the result negative. False when the number does not fit
// in 32 bits.
bool MdlParseDecimal(std::string_view word, int64_t* out);
// Registers a rule name; the name is kept as a view, so its text must last
// as long as the lookups (the text being parsed).
void MdlNameTableAdd(MdlParseResult& r, std::string_view name, uint16_t number, int table);
uint16_t MdlNameTableFind(const MdlParseResult& r, std::string_view name, int table);

// Expressions.
// Token classes of MdlExprNextToken.
enum MdlTokenClass : int { kTokOther = 0, kTokName = 1, kTokNumber = 2, kTokOperator = 3, kTokBracket = 4 };
struct MdlExprCursor {
    const char* p;
    const char* end;
    const std::array<bool, 256>* leadByte;  // may be null
};
// Skips blanks and line ends and reads one token into `token`; at the end
// of the text the class is 0 with an empty token.
int MdlExprNextToken(MdlExprCursor& c, std::string& token);
// The same with the token as a view into the cursor's text.
int MdlExprNextToken(MdlExprCursor& c, std::string_view& token);
// Compiles an expression (strictly left to right, no precedence) into a
// program ended by {3, 10}. The text ends at its end or at a brace, which is
// left to the caller in `stop` (0 at the end of the text). False when the
// expression does not compile.
bool MdlCompileExpression(const MdlParseResult& r, MdlExprCursor& text, std::vector<MdlCondCell>& out,
                          char* stop = nullptr);
// 1 when the program is well formed: every operand raises the depth, which
// must stay below 128; a binary operator needs two values and leaves one,
// '!' needs one and leaves it; the end cell must find exactly one value.
int MdlCheckProgram(const MdlCondCell* cells, size_t count);

}  // namespace vesk
