#include "commands/text_buf.h"

#include <cstring>

#include "core/sysdeps.h"

namespace vesk {
namespace {

// Room for `n` more bytes and the NUL after them.
int reserve(ExcTextBuf* b, size_t n) {
    if (!b->bytes) return -1;
    const size_t want = static_cast<size_t>(b->length) + n + 1;
    if (want > 0x7FFFF000u) return -1;
    size_t cap = static_cast<size_t>(b->capacity);
    if (want <= cap) return 0;
    while (cap < want) cap += kExcTextStep;
    char* grown = static_cast<char*>(MemAllocZero(cap));
    if (!grown) return -1;
    std::memcpy(grown, b->bytes, static_cast<size_t>(b->capacity));
    MemFree(b->bytes);
    b->bytes = grown;
    b->capacity = static_cast<int32_t>(cap);
    return 0;
}

}  // namespace

int ExcTextInit(ExcTextBuf* b) {
    b->length = 0;
    b->bytes = static_cast<char*>(MemAllocZero(kExcTextStep));
    b->capacity = b->bytes ? kExcTextStep : 0;
    return b->bytes ? 0 : -1;
}

void ExcTextFree(ExcTextBuf* b) {
    MemFree(b->bytes);
    *b = ExcTextBuf{};
}

int ExcTextAppendBytes(ExcTextBuf* b, const char* s, size_t n) {
    if (reserve(b, n) != 0) return -1;
    if (n) std::memcpy(b->bytes + b->length, s, n);
    b->length += static_cast<int32_t>(n);
    b->bytes[b->length] = 0;
    return 0;
}

int ExcTextAppend(ExcTextBuf* b, const char* s) { return ExcTextAppendBytes(b, s, s ? std::strlen(s) : 0); }

int ExcTextTerminate(ExcTextBuf* b) {
    if (reserve(b, 1) != 0) return -1;
    b->bytes[b->length++] = 0;
    b->bytes[b->length] = 0;
    return 0;
}

void ExcTextCut(ExcTextBuf* b, int32_t length) {
    if (!b->bytes || length < 0 || length > b->length) return;
    b->length = length;
    b->bytes[length] = 0;
}

char* ExcTextRelease(ExcTextBuf* b) {
    char* p = b->bytes;
    *b = ExcTextBuf{};
    return p;
}

}  // namespace vesk
