// The growable text all Exc writers append to: NUL-terminated ANSI text in
// 4096-byte steps. Appends answer -1 when memory runs out; the text written
// so far stays.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

struct ExcTextBuf {
    int32_t capacity;
    int32_t length;  // bytes written, a counted list terminator included
    char* bytes;
};

constexpr int32_t kExcTextStep = 4096;

// 0, or -1 without memory (the buffer then holds nothing).
int ExcTextInit(ExcTextBuf* b);
void ExcTextFree(ExcTextBuf* b);
// Appends `n` bytes and keeps a NUL after them that the length does not
// count, so the next append goes on from there.
int ExcTextAppendBytes(ExcTextBuf* b, const char* s, size_t n);
int ExcTextAppend(ExcTextBuf* b, const char* s);
// One NUL that the length counts (a list's or a text's end).
int ExcTextTerminate(ExcTextBuf* b);
// Cuts the text back to `length` bytes.
void ExcTextCut(ExcTextBuf* b, int32_t length);
// Hands the bytes over (the buffer is then empty): the caller frees them
// with MemFree.
char* ExcTextRelease(ExcTextBuf* b);

// Owns a text buffer for one scope.
class ExcText {
public:
    ExcText() { ok_ = ExcTextInit(&b_) == 0; }
    ~ExcText() { ExcTextFree(&b_); }
    ExcText(const ExcText&) = delete;
    ExcText& operator=(const ExcText&) = delete;
    bool ok() const { return ok_; }
    ExcTextBuf* operator->() { return &b_; }
    ExcTextBuf* get() { return &b_; }
    const char* c_str() const { return b_.bytes ? b_.bytes : ""; }

private:
    ExcTextBuf b_{};
    bool ok_;
};

}  // namespace vesk
