#include "commands/set_line.h"

#include <cstring>

namespace vesk {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool tokenEnd(char c) { return blank(c) || c == '\r' || c == '\n' || c == 0; }

const char* skipBlanks(const char* p) {
    while (blank(*p)) ++p;
    return p;
}

// A token into `out`: null when it is empty or does not fit.
const char* token(const char* p, char* out) {
    size_t n = 0;
    while (!tokenEnd(p[n])) {
        if (n + 1 >= kExcTokenBytes) return nullptr;
        out[n] = p[n];
        ++n;
    }
    out[n] = 0;
    return n ? p + n : nullptr;
}

const char* word(const char* p, const char* w) {
    const size_t n = std::strlen(w);
    return std::strncmp(p, w, n) == 0 ? p + n : nullptr;
}

}  // namespace

int ExcParseSetLine(const char* text, char* name, char* value) {
    if (!text || !name || !value) return 0;
    name[0] = value[0] = 0;
    const char* p = skipBlanks(text);
    if (!*p) return 0;
    if (!(p = word(p, "@PJL"))) return -1;
    if (!(p = word(skipBlanks(p), "SET"))) return -1;
    if (!(p = token(skipBlanks(p), name))) return -1;
    p = skipBlanks(p);
    if (*p != '=') return -1;
    if (!(p = token(skipBlanks(p + 1), value))) return -1;
    p = skipBlanks(p);
    if (p[0] != '\r' || p[1] != '\n') {
        name[0] = value[0] = 0;
        return -1;
    }
    return static_cast<int>(p + 2 - text);
}

int ExcFindLineValue(const char* text, const char* name, char* value) {
    value[0] = 0;
    if (!text || !name) return 0;
    char n[kExcTokenBytes], v[kExcTokenBytes];
    int offset = 0;
    for (;;) {
        const int used = ExcParseSetLine(text + offset, n, v);
        if (used <= 0) return offset;
        if (std::strcmp(n, name) == 0) {
            std::memcpy(value, v, std::strlen(v) + 1);
            return offset;
        }
        offset += used;
    }
}

int ExcWriteSetLine(ExcTextBuf* b, const char* name, const char* value) {
    if (ExcTextAppend(b, "@PJL SET ") || ExcTextAppend(b, name) || ExcTextAppend(b, " = ") || ExcTextAppend(b, value) ||
        ExcTextAppend(b, " \r\n"))
        return -1;
    return 0;
}

}  // namespace vesk
