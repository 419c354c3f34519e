// Locating, mapping and parsing the model description; the keyword table and
// the dispatch of statements to their handlers.
#include <algorithm>
#include <cstring>
#include <new>

#include <win/codepage.h>
#include <win/files.h>
#include <win/spooler.h>

#include "core/model/model_internal.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {

using namespace mdl;

int32_t MdlKeywordValue(const MdlKeyword* table, std::string_view word) {
    const MdlKeyword* row = table;
    // The first character rules most rows out before a whole comparison.
    const char first = word.empty() ? 0 : word[0];
    for (; row->name; ++row)
        if (row->name[0] == first && word == row->name) return row->value;
    return row->value;
}

int MdlSlotForOptionId(int id) {
    if (id >= 1 && id <= 706) return id;
    if (id >= 10001 && id <= 10277) return id - 9294;
    if (id >= 707 && id <= 947) return id + 277;
    return 0;
}

namespace {

struct KeywordRow {
    std::string_view name;
    Handler handler;
};

// In the order of the table; the row found last is tried first.
constexpr KeywordRow kKeywords[] = {
    {"FileVersion", onFileVersion},     {"OpenUI", onOpenUI},
    {"CloseUI", onCloseUI},             {"NumericValue", onNumericValue},
    {"StringValue", onStringValue},     {"PageValue", onPageValue},
    {"PageMMValue", onPageMMValue},     {"SlotPaper", onSlotPaper},
    {"OptionCommand", onOptionCommand}, {"CommandGroup", onCommandGroup},
    {"DeviceFonts", onDeviceFonts},     {"FontCartridge", onFontCartridge},
    {"TTFS", onTTFS},                   {"CommandString", onCommandString},
    {"Judge", onJudge},                 {"Item", onItem},
    {"Action", onAction},               {"Transact", onTransact},
    {"AlertAction", onAlertAction},     {"Alert", onAlert},
    {"Exclusive", onExclusive},         {"UIResDLLName", onResourceDll},
    {"ExcDepDLLName", onConstraintDll},
};
constexpr int kKeywordCount = static_cast<int>(sizeof kKeywords / sizeof kKeywords[0]);

Handler findHandler(MdlParseResult& r, std::string_view kw) {
    if (r.keywordCache > 0 && kw == kKeywords[r.keywordCache - 1].name) return kKeywords[r.keywordCache - 1].handler;
    for (int i = 0; i < kKeywordCount; ++i) {
        if (kw == kKeywords[i].name) {
            r.keywordCache = i + 1;
            return kKeywords[i].handler;
        }
    }
    return nullptr;
}

void noteSkipped(MdlParseResult& r, Reader& rd, size_t start, std::string_view keyword, std::string reason) {
    ++r.skippedCount;
    if (r.skipped.size() >= kMdlSkipLogMax) return;
    try {
        r.skipped.push_back({lineOf(rd, start), std::string(keyword), std::move(reason)});
    } catch (const std::bad_alloc&) {
        // The log is lost, the parse goes on.
    }
}

void dispatch(MdlParseResult& r, Reader& rd, const Statement& st) {
    Stmt s{st.keyword, st.word1, st.word2, st.value};
    std::string why;
    bool ok = false;
    try {
        Handler h = nullptr;
        if (MdlOption* open = openOption(r)) {
            if (s.keyword == open->name)
                h = onValueStatement;
            else if (s.keyword.size() == 7 + open->name.size() && s.keyword.substr(0, 7) == "Default" &&
                     s.keyword.substr(7) == open->name)
                h = onDefault;
        }
        if (!h) h = findHandler(r, s.keyword);
        if (!h)
            why = "unknown keyword";
        else
            ok = h(r, s, why);
    } catch (const std::bad_alloc&) {
        ok = false;
        why = "out of memory";
    }
    if (!ok) noteSkipped(r, rd, st.start, s.keyword, why.empty() ? "malformed" : why);
}

void leadBytes(std::array<bool, 256>& lead) {
    lead.fill(false);
    // The ANSI code page's lead-byte ranges in one call; byte by byte only
    // when they cannot be had.
    CPINFO info{};
    if (GetCPInfo(CP_ACP, &info)) {
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
            for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
                if (b >= 0x80) lead[static_cast<size_t>(b)] = true;
        return;
    }
    for (int b = 0x80; b < 256; ++b) lead[static_cast<size_t>(b)] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
}

}  // namespace

MdlParseResult* MdlParseText(const BYTE* data, size_t size) {
    MdlParseResult* r = new (std::nothrow) MdlParseResult;
    if (!r) return nullptr;
    Statement st;
    leadBytes(r->leadByte);
    Reader rd{data, data ? size : 0, 0};
    // Descriptions hold about one option block per 400 bytes: room for them
    // up front spares moving the records as the list grows. Only a hint: a
    // room that cannot be had is left to the growth of the list.
    try {
        r->options.reserve(std::min<size_t>(rd.size / 400 + 16, 4096));
    } catch (const std::bad_alloc&) {
    }
    int res = kReadOk;
    try {
        for (auto& t : r->nameIndex) t.clear();
        for (;;) {
            res = readStatement(rd, st, r->leadByte);
            if (res == kReadOk) {
                ++r->statementsRead;
                dispatch(*r, rd, st);
            } else if (res == kReadSkipped) {
                noteSkipped(*r, rd, st.start, st.keyword,
                            "malformed statement (words, quotes, parentheses or braces)");
            } else {
                break;
            }
        }
        for (auto& t : r->nameIndex) t.clear();
    } catch (const std::bad_alloc&) {
        res = kReadNoMemory;
    }
    if (res != kReadEnd) {
        delete r;
        return nullptr;
    }
    r->openOption = -1;
    r->targetOfOpen = r->targetIndex = -1;
    r->keywordCache = 0;
    return r;
}

void MdlFree(MdlParseResult* result) { delete result; }

int MdlMapFile(const WCHAR* path, const BYTE** base, DWORD* size) {
    if (base) *base = nullptr;
    if (size) *size = 0;
    if (!path || !base) return 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int ok = MdlMapOpenFile(file, base, size);
    CloseHandle(file);
    return ok;
}

int MdlMapOpenFile(HANDLE file, const BYTE** base, DWORD* size) {
    if (base) *base = nullptr;
    if (size) *size = 0;
    if (!base) return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    // The reader is bounded by this size: a file whose size cannot be read
    // (or that does not fit in 32 bits) is not mapped.
    if (low == INVALID_FILE_SIZE || high != 0) {
        if (size) *size = static_cast<DWORD>(-1);
        return 0;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) return 0;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping);
    if (!view) return 0;
    *base = static_cast<const BYTE*>(view);
    if (size) *size = low;
    return 1;
}

int MdlReadOpenFile(HANDLE file, std::unique_ptr<BYTE[]>& data, DWORD* size) {
    *size = 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    // The reader is bounded by this size: a file whose size cannot be read,
    // that does not fit in 32 bits or that is empty is not read.
    if (low == INVALID_FILE_SIZE || high != 0 || low == 0) return 0;
    data.reset(new (std::nothrow) BYTE[low]);
    DWORD got = 0;
    // A file that shrank since its size was read is refused as a whole.
    if (!data || !ReadFile(file, data.get(), low, &got, nullptr) || got != low) {
        data.reset();
        return 0;
    }
    *size = low;
    return 1;
}

MdlParseResult* MdlLoad(const WCHAR* path) {
    if (!path) return nullptr;
    // The text is read rather than mapped: one copy from the file costs less
    // than setting up a view and tearing it down for a single pass.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<BYTE[]> data;
    DWORD size = 0;
    const int ok = MdlReadOpenFile(file, data, &size);
    CloseHandle(file);
    return ok ? MdlParseText(data.get(), size) : nullptr;
}

namespace {

// Scans the statements of `size` bytes up to the first FileVersion. When
// the bytes are only the head of the file (`whole` false) a FileVersion
// counts only when its statement ended before the last byte read, so the
// rest of the file could not have changed it. 1 found (copied to `out`),
// 0 not in the file, -1 not decided by the head.
int versionIn(const BYTE* data, size_t size, bool whole, WCHAR* out) {
    std::array<bool, 256> lead{};
    leadBytes(lead);
    Statement st;
    Reader rd{data, size, 0};
    int found = whole ? 0 : -1;
    int res;
    while ((res = readStatement(rd, st, lead)) == kReadOk || res == kReadSkipped) {
        if (res == kReadOk && st.keyword == "FileVersion") {
            if (!whole && rd.pos >= size) break;
            WCHAR text[16];
            if (AnsiToWideBounded(st.value.data(), st.value.size(), text, 16)) std::memcpy(out, text, sizeof text);
            found = 1;
            break;
        }
    }
    return found;
}

}  // namespace

int MdlReadFileVersionOf(HANDLE file, WCHAR* out) {
    if (!out) return 1;
    // The FileVersion statement comes near the top of a description: the
    // head is read first, the whole file only when the head cannot tell.
    constexpr DWORD kHead = 4096;
    BYTE head[kHead];
    DWORD got = 0;
    if (!ReadFile(file, head, kHead, &got, nullptr)) return 1;
    if (versionIn(head, got, got < kHead, out) >= 0) return 1;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 1;
    std::unique_ptr<BYTE[]> data;
    DWORD size = 0;
    if (MdlReadOpenFile(file, data, &size)) versionIn(data.get(), size, true, out);
    return 1;
}

int MdlReadFileVersion(const WCHAR* path, WCHAR* out) {
    if (!out || !path) return 1;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    MdlReadFileVersionOf(file, out);
    CloseHandle(file);
    return 1;
}

WCHAR* MdlGetDataFilePath(HANDLE printer) {
    // One call serves nearly every driver: the record with its texts fits
    // the local block; a larger one is asked for again at its size.
    alignas(8) BYTE local[2048];
    std::unique_ptr<BYTE[]> grown;
    BYTE* buf = local;
    DWORD needed = 0;
    if (!GetPrinterDriverW(printer, nullptr, 2, local, sizeof local, &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(DRIVER_INFO_2W)) return nullptr;
        grown.reset(new (std::nothrow) BYTE[needed]);
        if (!grown || !GetPrinterDriverW(printer, nullptr, 2, grown.get(), needed, &needed)) return nullptr;
        buf = grown.get();
    }
    DRIVER_INFO_2W info;
    std::memcpy(&info, buf, sizeof info);
    if (!info.pDataFile) return nullptr;
    size_t n = 0;
    while (info.pDataFile[n]) ++n;
    WCHAR* path = static_cast<WCHAR*>(MemAllocZero((n + 1) * sizeof(WCHAR)));
    if (path) std::memcpy(path, info.pDataFile, n * sizeof(WCHAR));
    return path;
}

// ---- Lookups on a parse result ----

const MdlOption* MdlFindOptionByKey(const MdlParseResult& r, uint16_t key) {
    const uint32_t at = r.optionByKey.find(key, r.options.size(), [&](size_t i) { return r.options[i].key; });
    return at ? &r.options[at - 1] : nullptr;
}

uint32_t MdlFindRule(const MdlParseResult& r, int section, uint16_t number) {
    MdlFirstIndex& index = r.ruleByNumber[static_cast<size_t>(section)];
    auto in = [&](const auto& list) {
        return index.find(number, list.size(), [&](size_t i) { return list[i].number; });
    };
    switch (section) {
    case kSecJudge: return in(r.judges);
    case kSecItem: return in(r.items);
    case kSecAction: return in(r.actions);
    case kSecTransact: return in(r.transacts);
    case kSecAlertAction: return in(r.alertActions);
    case kSecAlert: return in(r.alerts);
    default: return 0;
    }
}

const MdlOption& MdlValuesOwner(const MdlParseResult& r, const MdlOption& option) {
    const MdlOption* o = &option;
    if (o->isCopy) {
        if (const MdlOption* first = MdlFindOptionByKey(r, o->key)) o = first;
    }
    // An Identity option (or the copy of one) uses the values of the option
    // it names, following a short chain of Identity options; a chain that
    // loops ends where it started.
    for (int hop = 0; hop < 8 && o->identityKey; ++hop) {
        const MdlOption* named = MdlFindOptionByKey(r, o->identityKey);
        if (!named || named == o || named == &option) break;
        o = named;
    }
    return *o;
}

const MdlOption* MdlFindOptionById(const MdlParseResult& r, uint16_t optionId) {
    if (optionId == 0) return nullptr;
    int slot = MdlSlotForOptionId(optionId);
    if (slot && r.optionSlots[slot] && r.optionSlots[slot] <= r.options.size())
        return &r.options[r.optionSlots[slot] - 1];
    for (const MdlOption& o : r.options)
        if (o.optionId == optionId) return &o;
    return nullptr;
}

uint32_t MdlGetValueInTables(const MdlParseResult& r, const MdlOption& option) {
    uint16_t base = MdlBaseType(option.type);
    if ((option.type & 0xFF) == 1) {
        const MdlOption& owner = MdlValuesOwner(r, option);
        return option.selection < owner.values.size() ? owner.values[option.selection].valueId : 0;
    }
    if (base == kMdlBoolean) return static_cast<uint32_t>(option.boolean.defaultValue);
    if (base == kMdlNumeric) return static_cast<uint32_t>(MdlValuesOwner(r, option).numeric.defaultValue);
    if (base == kMdlString) return static_cast<uint16_t>(option.string.defaultId);
    return 0;
}

const MdlCommandString* MdlFindCommandString(const MdlParseResult& r, int32_t number) {
    for (const MdlCommandString& c : r.commandStrings)
        if (c.number == number) return &c;
    return nullptr;
}

}  // namespace vesk
