// The address store in memory: reading a file image into records, the
// pooled display list and the file image written back. No file access and
// no context here (the fuzz target reads through these alone).
#include <win/codepage.h>

#include <cstring>
#include <string>

#include "address/csv_store.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

// A field as read, before it is converted.
struct RawField {
    char bytes[kCsvPartBytes + 1];
    bool endOfLine = false;
    bool endOfFile = false;
    bool partEnd = false;
};

bool isNamed(const CsvRecord* r) { return r && r->text[0][0] != 0; }

void freeLists(CsvRecord& r) {
    for (WCHAR*& l : r.lists) {
        MemFree(l);
        l = nullptr;
    }
}

void clearRecord(CsvRecord& r) {
    freeLists(r);
    std::memset(&r, 0, sizeof r);
}

void toWide(const char* bytes, size_t n, WCHAR* dest, size_t destChars) {
    dest[0] = 0;
    if (n) AnsiToWideBounded(bytes, n, dest, destChars);
}

// Appends a part (and '|' when it ended with one) to a list field, the
// string allocated anew for each part.
bool appendPart(WCHAR** field, const char* bytes, size_t n, bool bar) {
    WCHAR part[kCsvPartBytes + 2] = {};
    toWide(bytes, n, part, kCsvPartBytes + 1);
    size_t add = 0;
    while (part[add]) ++add;
    if (bar) part[add++] = u'|';
    if (!add) return true;
    size_t have = 0;
    if (*field)
        while ((*field)[have]) ++have;
    auto* grown = static_cast<WCHAR*>(MemAllocZero((have + add + 1) * sizeof(WCHAR)));
    if (!grown) return false;
    if (have) std::memcpy(grown, *field, have * sizeof(WCHAR));
    std::memcpy(grown + have, part, add * sizeof(WCHAR));
    MemFree(*field);
    *field = grown;
    return true;
}

// Reads a list field: parts of 64 bytes separated by '|'. An empty part
// inside the field is kept (so "a||b" reads and writes back whole) rather
// than ending the field there and shifting the record's later fields. A
// field of more than 1000 parts is refused like an over-long field: cut
// there, its rest would move into the next field and be saved so.
bool readListField(const BYTE* data, size_t size, size_t* at, WCHAR** field, RawField& f) {
    for (int part = 0; part < kCsvListFieldMaxParts; ++part) {
        f.partEnd = false;
        const int n = CsvReadField(data, size, at, f.bytes, kCsvPartBytes, &f.endOfLine, &f.endOfFile, &f.partEnd);
        if (n < 0) return false;
        if (!appendPart(field, f.bytes, size_t(n), f.partEnd)) return false;
        if (!f.partEnd) return true;
    }
    return false;
}

// The wide destination of field `i` and its capacity, or null for a list.
WCHAR* fieldText(CsvRecord& r, int i, size_t* chars) {
    switch (i) {
        case 0: case 1: case 2: case 3: case 4: *chars = 65; return r.text[i];
        case 5: *chars = sizeof r.number / sizeof(WCHAR); return r.number;
        case 8: *chars = sizeof r.field8 / sizeof(WCHAR); return r.field8;
        case 9: *chars = kCsvLineChars; return r.line;
        case 10: case 11: case 12: *chars = 2; return r.flags[i - 10];
        default: *chars = 0; return nullptr;
    }
}

const WCHAR* fieldTextOf(const CsvRecord& r, int i) {
    size_t chars = 0;
    if (i == 6 || i == 7) return r.lists[i - 6];
    return fieldText(const_cast<CsvRecord&>(r), i, &chars);
}

void linkAfterLast(CsvStore* s, CsvNode* n) {
    if (!s->first) {
        n->next = n->prev = n;
        s->first = s->last = n;
    } else {
        n->prev = s->last;
        n->next = s->first;
        s->last->next = n;
        s->first->prev = n;
        s->last = n;
    }
    ++s->nodeCount;
}

CsvNode* takeNode(CsvStore* s) {
    CsvNode* n = s->freeNodes;
    if (!n) return nullptr;
    s->freeNodes = n->next;
    n->next = n->prev = nullptr;
    return n;
}

// The node at 1-based `position`, counting named records only or all.
CsvNode* nodeAt(const CsvStore* s, int position, bool namedOnly) {
    CsvNode* n = s->first;
    for (int i = 0, seen = 0; n && i < s->nodeCount; ++i, n = n->next)
        if ((!namedOnly || isNamed(n->record)) && ++seen == position) return n;
    return nullptr;
}

CsvRecord* takeRecord(CsvStore* s) {
    int index = -1;
    if (s->usedRecords < kCsvMaxRecords) index = s->usedRecords++;
    else
        for (int i = 0; i < kCsvMaxRecords && index < 0; ++i)
            if (!s->records[i].recordNo) index = i;
    if (index < 0) return nullptr;
    CsvRecord* r = &s->records[index];
    clearRecord(*r);
    r->recordNo = uint16_t(index + 1);
    return r;
}

void appendAnsi(std::vector<BYTE>& out, const WCHAR* text, bool* ok) {
    if (!text || !text[0]) return;
    int chars = 0;
    while (text[chars]) ++chars;
    const int need = WideCharToMultiByte(CP_ACP, 0, text, chars, nullptr, 0, nullptr, nullptr);
    if (need <= 0) {
        *ok = false;
        return;
    }
    const size_t at = out.size();
    out.resize(at + size_t(need));
    if (WideCharToMultiByte(CP_ACP, 0, text, chars, reinterpret_cast<char*>(out.data() + at), need, nullptr,
                            nullptr) != need)
        *ok = false;
}

}  // namespace

int CsvReadField(const BYTE* data, size_t size, size_t* at, char* dest, size_t maxBytes, bool* endOfLine,
                 bool* endOfFile, bool* partEnd) {
    size_t n = 0;
    bool second = false;
    *endOfLine = false;
    *endOfFile = false;
    for (;;) {
        if (*at >= size) {
            *endOfFile = true;
            break;
        }
        const BYTE b = data[(*at)++];
        if (second) {
            second = false;
        } else {
            if (partEnd && b == '|') {
                *partEnd = true;
                break;
            }
            if (b == ',') break;
            if (b == '\n') {
                *endOfLine = true;
                break;
            }
            if (b == '\r') continue;
            second = IsDBCSLeadByte(b) != FALSE;
        }
        if (n >= maxBytes) return -1;
        dest[n++] = char(b);
    }
    dest[n] = 0;
    return int(n);
}

int CsvStoreInit(CsvStore* s) {
    if (!s) return 0;
    std::memset(s, 0, sizeof *s);
    s->records = static_cast<CsvRecord*>(MemAllocZero(sizeof(CsvRecord) * kCsvMaxRecords));
    s->nodes = static_cast<CsvNode*>(MemAllocZero(sizeof(CsvNode) * kCsvMaxRecords));
    if (!s->records || !s->nodes) {
        MemFree(s->records);
        MemFree(s->nodes);
        std::memset(s, 0, sizeof *s);
        return 0;
    }
    for (int i = 0; i < kCsvMaxRecords; ++i) s->nodes[i].next = i + 1 < kCsvMaxRecords ? &s->nodes[i + 1] : nullptr;
    s->freeNodes = &s->nodes[0];
    s->position = -1;
    return 1;
}

void CsvStoreFreeListFields(CsvStore* s) {
    if (!s) return;
    for (int i = 0; s->records && i < kCsvMaxRecords; ++i) freeLists(s->records[i]);
    s->position = -1;
}

void CsvStoreRelease(CsvStore* s) {
    if (!s) return;
    CsvStoreFreeListFields(s);
    MemFree(s->records);
    MemFree(s->nodes);
    std::memset(s, 0, sizeof *s);
}

int CsvParseRecords(CsvStore* s, const BYTE* data, size_t size) {
    if (!s || !s->records) return 0;
    size_t at = 0;
    int count = 0, unnamed = 0;
    RawField f;
    bool ok = true;
    while (ok) {
        int n = CsvReadField(data, size, &at, f.bytes, kCsvFieldBytes[0], &f.endOfLine, &f.endOfFile, nullptr);
        if (n < 0) {
            ok = false;
            break;
        }
        if (f.endOfFile && n == 0 && at >= size) break;
        if (f.endOfLine || f.endOfFile) {
            if (f.endOfFile) break;  // a last line without any ','
            continue;                // a line ending inside its first field
        }
        if (count >= kCsvMaxRecords) break;
        CsvRecord& r = s->records[count];
        clearRecord(r);
        toWide(f.bytes, size_t(n), r.text[0], 65);
        bool ended = false;
        for (int i = 1; i < kCsvFieldCount && ok && !ended; ++i) {
            if (kCsvFieldBytes[i] == 0) {
                ok = readListField(data, size, &at, &r.lists[i - 6], f);
            } else {
                n = CsvReadField(data, size, &at, f.bytes, kCsvFieldBytes[i], &f.endOfLine, &f.endOfFile, nullptr);
                ok = n >= 0;
                size_t chars = 0;
                WCHAR* dest = fieldText(r, i, &chars);
                if (ok) toWide(f.bytes, size_t(n), dest, chars);
            }
            ended = f.endOfLine || f.endOfFile;
        }
        // Fields past the 13th are read and dropped.
        while (ok && !ended) {
            n = CsvReadField(data, size, &at, f.bytes, kCsvPartBytes, &f.endOfLine, &f.endOfFile, nullptr);
            ok = n >= 0;
            ended = f.endOfLine || f.endOfFile;
        }
        if (!ok) break;
        r.recordNo = uint16_t(count + 1);
        if (!r.text[0][0]) ++unnamed;
        ++count;
        if (f.endOfFile) break;
    }
    if (!ok) {
        for (int i = 0; i < kCsvMaxRecords; ++i) clearRecord(s->records[i]);
        s->readCount = s->unnamedCount = s->usedRecords = 0;
        return 0;
    }
    s->readCount = uint16_t(count);
    s->unnamedCount = uint16_t(unnamed);
    s->usedRecords = uint16_t(count);
    return 1;
}

void CsvBuildDisplayListOf(CsvStore* s) {
    if (!s || !s->records) return;
    for (int i = 0; i < s->readCount; ++i) {
        if (!s->records[i].recordNo) continue;
        CsvNode* n = takeNode(s);
        if (!n) return;
        n->record = &s->records[i];
        linkAfterLast(s, n);
    }
}

CsvRecord* CsvListInsert(CsvStore* s, int position, int countNamed) {
    if (!s || !s->records || position <= 0 || s->nodeCount >= kCsvMaxRecords || !s->freeNodes) return nullptr;
    const int count = countNamed ? CsvNamedCount(s) : s->nodeCount;
    if (position > count + 1) return nullptr;
    CsvNode* before = position <= count ? nodeAt(s, position, countNamed != 0) : nullptr;
    CsvRecord* r = takeRecord(s);
    if (!r) return nullptr;
    CsvNode* n = takeNode(s);
    n->record = r;
    if (!before) {
        linkAfterLast(s, n);
        return r;
    }
    n->next = before;
    n->prev = before->prev;
    before->prev->next = n;
    before->prev = n;
    if (before == s->first) s->first = n;
    ++s->nodeCount;
    return r;
}

CsvRecord* CsvListRemove(CsvStore* s, int position) {
    if (!s || position <= 0) return nullptr;
    CsvNode* n = nodeAt(s, position, true);
    if (!n) return nullptr;
    if (s->nodeCount == 1) {
        s->first = s->last = nullptr;
    } else {
        n->prev->next = n->next;
        n->next->prev = n->prev;
        if (n == s->first) s->first = n->next;
        if (n == s->last) s->last = n->prev;
    }
    --s->nodeCount;
    CsvRecord* r = n->record;
    n->record = nullptr;
    n->prev = nullptr;
    n->next = s->freeNodes;
    s->freeNodes = n;
    clearRecord(*r);
    return r;
}

int CsvNamedCount(const CsvStore* s) {
    int named = 0;
    const CsvNode* n = s ? s->first : nullptr;
    for (int i = 0; n && i < s->nodeCount; ++i, n = n->next)
        if (isNamed(n->record)) ++named;
    return named;
}

CsvRecord* CsvNamedAt(const CsvStore* s, int position) {
    if (!s || position <= 0) return nullptr;
    CsvNode* n = nodeAt(s, position, true);
    return n ? n->record : nullptr;
}

int CsvNamedIndexOf(const CsvStore* s, uint16_t recordNo) {
    const CsvNode* n = s ? s->first : nullptr;
    for (int i = 0, seen = 0; n && i < s->nodeCount; ++i, n = n->next) {
        if (!isNamed(n->record)) continue;
        ++seen;
        if (n->record->recordNo == recordNo) return seen;
    }
    return 0;
}

bool CsvFormatFile(const CsvStore* s, std::vector<BYTE>& out) {
    out.clear();
    bool ok = true;
    const CsvNode* n = s ? s->first : nullptr;
    for (int i = 0; n && i < s->nodeCount; ++i, n = n->next) {
        for (int f = 0; f < kCsvFieldCount; ++f) {
            appendAnsi(out, fieldTextOf(*n->record, f), &ok);
            if (f < kCsvFieldCount - 1) out.push_back(',');
        }
        out.push_back('\r');
        out.push_back('\n');
    }
    return ok;
}

}  // namespace vesk
