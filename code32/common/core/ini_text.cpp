#include "core/ini_text.h"

#include <win/files.h>
#include <win/security.h>
#include <win/time.h>

#include "core/path_names.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr size_t kIntChars = 11;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when `text` begins with `name` (letter case aside).
bool startsWithNoCase(const char* text, const char* name, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!text[i] || upper(text[i]) != upper(name[i])) return false;
    return true;
}

size_t lenA(const char* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// A name in ANSI, or false when it is missing, empty or longer than the
// name limit.
bool toAnsiName(const WCHAR* name, char (&out)[kIniNameBytes + 1]) {
    if (!name || !name[0]) return false;
    return StrWideToAnsi(out, name, static_cast<int>(sizeof out)) == 1;
}

// Whether the line at `line` is the header of section `name`.
bool matchSection(const char* line, const char* name, size_t n) {
    return line[0] == '[' && startsWithNoCase(line + 1, name, n) && line[1 + n] == ']';
}

// The offset in `body` of the first line that begins with '[' or the end.
size_t bodyLength(const char* body) {
    const char* p = body;
    while (*p && *p != '[') p = NextLineA(p, nullptr);
    return static_cast<size_t>(p - body);
}

uint16_t useDefault(const WCHAR* def, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    for (size_t i = 0; i < capacity; ++i) buffer[i] = 0;
    WCopyCut(buffer, capacity, def ? def : u"");
    size_t n = WLen(buffer);
    return static_cast<uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

bool append(uint32_t* offset, char* buffer, uint32_t capacity, const char* const* parts, size_t count) {
    uint64_t need = 0;
    for (size_t i = 0; i < count; ++i) need += lenA(parts[i]);
    if (*offset >= capacity || need >= capacity - *offset) return false;
    char* p = buffer + *offset;
    for (size_t i = 0; i < count; ++i)
        for (const char* s = parts[i]; *s; ++s) *p++ = *s;
    *offset += static_cast<uint32_t>(need);
    return true;
}

// Reads the whole file: 1 with the bytes (possibly none) in *text, 0 when it
// could not be read whole. A file that cannot be opened counts as empty.
int readOld(const WCHAR* file, char** text, DWORD* size) {
    *text = nullptr;
    *size = 0;
    HANDLE h = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    int ok = 0;
    DWORD high = 0;
    DWORD n = GetFileSize(h, &high);
    if (n != INVALID_FILE_SIZE && high == 0 && n < 0x7FFFFFFF) {
        *text = static_cast<char*>(MemAllocZero(static_cast<size_t>(n) + 1));
        DWORD got = 0;
        if (*text && (n == 0 || (ReadFile(h, *text, n, &got, nullptr) && got == n))) {
            *size = n;
            ok = 1;
        }
    }
    CloseHandle(h);
    if (!ok) {
        MemFree(*text);
        *text = nullptr;
    }
    return ok;
}

bool writeAll(HANDLE h, const char* data, size_t n) {
    while (n > 0) {
        DWORD part = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        DWORD done = 0;
        if (!WriteFile(h, data, part, &done, nullptr) || done != part) return false;
        data += part;
        n -= part;
    }
    return true;
}

// A temporary file name in the folder of `file`: "~vskNNNN.tmp".
bool tempNameBeside(const WCHAR* file, WCHAR* out) {
    const WCHAR* name = FileNamePart(file);
    size_t dir = static_cast<size_t>(name - file);
    WCHAR suffix[16];
    uint32_t tick = GetTicks();
    const WCHAR hex[] = u"0123456789ABCDEF";
    const WCHAR head[] = u"~vsk";
    size_t k = 0;
    for (WCHAR c : head)
        if (c) suffix[k++] = c;
    for (int s = 12; s >= 0; s -= 4) suffix[k++] = hex[(tick >> s) & 0xF];
    for (WCHAR c : u".tmp") suffix[k++] = c;  // with the NUL
    if (dir + k > kPathBufChars) return false;
    for (size_t i = 0; i < dir; ++i) out[i] = file[i];
    for (size_t i = 0; i < k; ++i) out[dir + i] = suffix[i];
    return true;
}

// The file that replaces `file` keeps its access rules (the private
// directory's files grant every user full control).
void keepSecurity(const WCHAR* file, const WCHAR* temp) {
    DWORD need = 0;
    GetFileSecurityW(file, DACL_SECURITY_INFORMATION, nullptr, 0, &need);
    if (need == 0) return;
    void* sd = MemAllocZero(need);
    if (sd && GetFileSecurityW(file, DACL_SECURITY_INFORMATION, sd, need, &need))
        SetFileSecurityW(temp, DACL_SECURITY_INFORMATION, sd);
    MemFree(sd);
}

}  // namespace

const char* NextLineA(const char* text, uint32_t* count) {
    const char* p = text;
    if (p)
        while (*p && *p != '\n') ++p;
    if (p && *p == '\n') ++p;
    if (count) *count = p ? static_cast<uint32_t>(p - text) : 0;
    return p;
}

char* IniTextLoad(const WCHAR* path) {
    if (!path || !path[0] || path[1] != u':') return nullptr;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    char* block = nullptr;
    DWORD size = SetFilePointer(h, 0, nullptr, FILE_END);
    if (size != INVALID_SET_FILE_POINTER && size < 0x7FFFFFFF &&
        SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        block = static_cast<char*>(MemAllocZero(static_cast<size_t>(size) + 1));
        DWORD got = 0;
        if (block && size > 0 && (!ReadFile(h, block, size, &got, nullptr) || got != size)) {
            MemFree(block);
            block = nullptr;
        }
    }
    CloseHandle(h);
    return block;
}

int IniTextFree(char* text) {
    MemFree(text);
    return 1;
}

const char* IniTextFindSection(const WCHAR* name, const char* text) {
    if (!text) return nullptr;
    char ansi[kIniNameBytes + 1];
    if (!toAnsiName(name, ansi)) return nullptr;
    size_t n = lenA(ansi);
    for (const char* line = text; *line; line = NextLineA(line, nullptr))
        if (matchSection(line, ansi, n)) return NextLineA(line, nullptr);
    return nullptr;
}

uint16_t IniTextGetString(const WCHAR* key, const WCHAR* def, WCHAR* buffer, size_t capacity, const char* body,
                          uint32_t* cursor) {
    if (!body) {
        if (cursor) *cursor = 0;
        return useDefault(def, buffer, capacity);
    }
    if (!cursor || !buffer || capacity == 0) return useDefault(def, buffer, capacity);
    char ansiKey[kIniNameBytes + 1];
    if (!toAnsiName(key, ansiKey)) return useDefault(def, buffer, capacity);
    const size_t keyLen = lenA(ansiKey);
    const size_t end = bodyLength(body);
    // A cursor left over from a longer section or another text starts over.
    const char* start = body + (*cursor <= end ? *cursor : 0);
    const char* p = start;
    bool wrapped = false;
    for (;;) {
        if (wrapped && p >= start) return useDefault(def, buffer, capacity);
        if (p >= body + end) {
            if (wrapped) {
                *cursor = 0;
                return useDefault(def, buffer, capacity);
            }
            wrapped = true;
            p = body;
            continue;
        }
        if (startsWithNoCase(p, ansiKey, keyLen) && p[keyLen] == '=') {
            const char* v = p + keyLen + 1;
            size_t n = 0;
            while (v[n] && v[n] != '\r' && v[n] != '\n') ++n;
            for (size_t i = 0; i < capacity; ++i) buffer[i] = 0;
            AnsiToWideBounded(v, n, buffer, capacity);
            *cursor = static_cast<uint32_t>(NextLineA(v + n, nullptr) - body);
            size_t got = WLen(buffer);
            return static_cast<uint16_t>(got > 0xFFFF ? 0xFFFF : got);
        }
        p = NextLineA(p, nullptr);
    }
}

int IniTextGetInt(const WCHAR* key, int def, const char* body, uint32_t* cursor) {
    WCHAR value[kIntChars] = {};
    if (IniTextGetString(key, u"", value, kIntChars, body, cursor) < 1) return def;
    const WCHAR* p = value;
    while (*p == u' ' || *p == u'\t') ++p;
    bool negative = *p == u'-';
    if (*p == u'-' || *p == u'+') ++p;
    int64_t v = 0;
    while (*p >= u'0' && *p <= u'9' && v <= 0x80000000LL) v = v * 10 + (*p++ - u'0');
    if (negative) v = -v;
    // Ten characters hold no value beyond 32 bits but "9999999999": it wraps
    // as the C runtime's conversion does.
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int IniTextPutSection(uint32_t* offset, const WCHAR* name, char* buffer, uint32_t capacity) {
    if (!offset || !name || !buffer) return 0;
    if (!name[0]) return 1;
    char ansi[kIniNameBytes + 1];
    if (!toAnsiName(name, ansi)) return 0;
    const char* parts[] = {"[", ansi, "]\r\n"};
    return append(offset, buffer, capacity, parts, 3) ? 1 : 0;
}

int IniTextPutKey(uint32_t* offset, const WCHAR* key, const WCHAR* value, char* buffer, uint32_t capacity) {
    if (!offset || !key || !value || !buffer) return 0;
    if (!key[0]) return 1;
    char ansiKey[kIniNameBytes + 1];
    if (!toAnsiName(key, ansiKey)) return 0;
    // A value as long as the whole buffer cannot fit anyway.
    char* ansiValue = static_cast<char*>(MemAllocZero(capacity + 1));
    if (!ansiValue) return 0;
    int ok = 0;
    if (!value[0] || StrWideToAnsi(ansiValue, value, static_cast<int>(capacity + 1)) == 1) {
        const char* parts[] = {ansiKey, "=", ansiValue, "\r\n"};
        ok = append(offset, buffer, capacity, parts, 4) ? 1 : 0;
    }
    MemFree(ansiValue);
    return ok;
}

int IniFindSectionA(const char* text, const char* name, const char** start, const char** end) {
    if (!text || !name || !start || !end) return 0;
    size_t n = lenA(name);
    for (const char* line = text; *line; line = NextLineA(line, nullptr)) {
        if (!matchSection(line, name, n)) continue;
        const char* p = NextLineA(line, nullptr);
        while (*p && *p != '[') p = NextLineA(p, nullptr);
        *start = line;
        *end = p;
        return 1;
    }
    return 0;
}

int IniTextReplaceSection(const WCHAR* file, const WCHAR* name, const char* section, uint32_t length) {
    if (!file || !file[0] || !section) return 0;
    char ansi[kIniNameBytes + 1];
    if (!toAnsiName(name, ansi)) return 0;
    char* old = nullptr;
    DWORD oldSize = 0;
    if (!readOld(file, &old, &oldSize)) return 0;
    const char* before = old ? old : "";
    const char* oldEnd = before + oldSize;
    const char* secStart = oldEnd;
    const char* secEnd = oldEnd;
    if (!IniFindSectionA(before, ansi, &secStart, &secEnd)) secStart = secEnd = oldEnd;

    WCHAR temp[kPathBufChars];
    int ok = 0;
    if (tempNameBeside(file, temp)) {
        HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            bool written = writeAll(h, section, length) &&
                           writeAll(h, before, static_cast<size_t>(secStart - before)) &&
                           writeAll(h, secEnd, static_cast<size_t>(oldEnd - secEnd));
            CloseHandle(h);
            if (written) {
                keepSecurity(file, temp);
                DWORD attrs = GetFileAttributesW(file);
                if (attrs != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(temp, attrs);
                written = MoveFileExW(temp, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
            }
            if (!written) DeleteFileW(temp);
            ok = written ? 1 : 0;
        }
    }
    MemFree(old);
    return ok;
}

}  // namespace vesk
