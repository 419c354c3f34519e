// One use of the maker's monitor library: loaded from the system directory
// (never by bare name: it is loaded inside applications, whose folders must
// not supply it), its table filled, the printer opened; the handle closed and
// the library freed when the session ends. Answers are fetched with a size
// call first and copied into zero-filled blocks of bounded size.
#pragma once
#include <makers/kw4mannt.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The largest answer taken from the library.
constexpr DWORD kBidiMaxAnswerBytes = 0x10000;

// An answer: its bytes (at least the size asked for, zero-filled past the
// answer) and the call's result.
class BidiAnswer {
public:
    BidiAnswer() = default;
    ~BidiAnswer();
    BidiAnswer(const BidiAnswer&) = delete;
    BidiAnswer& operator=(const BidiAnswer&) = delete;

    const BYTE* data() const { return data_; }
    BYTE* buffer() { return data_; }
    DWORD bytes() const { return bytes_; }  // bytes the library answered
    // Entries of a list answer: the count the library gave, bounded by the
    // bytes it answered.
    DWORD entries() const;
    // Entry i of a list answer; `missing` past its end.
    uint32_t entry(DWORD i, uint32_t missing) const;
    uint32_t firstWord() const { return entry(0, 0); }

    // Filled by BidiSession.
    bool allocate(DWORD bytes, DWORD minBytes);
    void setAnswered(DWORD bytes, LONG result) {
        bytes_ = bytes;
        result_ = result;
    }

private:
    BYTE* data_ = nullptr;
    DWORD capacity_ = 0;
    DWORD bytes_ = 0;
    LONG result_ = 0;
};

class BidiSession {
public:
    BidiSession(DrvContext* ctx, uint32_t flags);
    ~BidiSession();
    BidiSession(const BidiSession&) = delete;
    BidiSession& operator=(const BidiSession&) = delete;

    // The library is loaded, its table filled and the printer open with ok.
    bool open() const { return handle_ != nullptr && ok_; }
    // The device's model name into `name` of kBidiModelNameChars characters.
    bool modelName(WCHAR* name);
    // Begins the request (or the group): true when begun, also when the
    // library says with last error 102 that it already is.
    bool beginRequest(DWORD mask);
    bool beginGroup();
    // Query kind `kind` of the request (or subkind of the group) into
    // `answer`, its block at least `minBytes` long. List kinds answer their
    // entries, kind 11 its bytes, other kinds succeed or fail.
    bool query(DWORD kind, BidiAnswer* answer, DWORD minBytes = 0);
    bool groupQuery(DWORD subkind, BidiAnswer* answer, DWORD minBytes = 0);

private:
    HMODULE library_ = nullptr;
    maker::BidiApiTable table_{};
    HANDLE handle_ = nullptr;
    BOOL ok_ = FALSE;
    HANDLE request_ = nullptr;
    HANDLE group_ = nullptr;
};

}  // namespace vesk
