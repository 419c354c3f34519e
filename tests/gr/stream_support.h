// A device for the stream tests: an allocation list, the device fields the
// record buffer uses, and a spooler-side write entry that keeps every piece
// it is given (and can be told to fail or to write short).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "stream/record_buffer.h"

namespace grtest {

using Bytes = std::vector<std::uint8_t>;

struct FakeSpool {
    std::vector<Bytes> pieces;
    Bytes stream;
    size_t failAt = 0;   // the piece (1 = first) whose call returns FALSE
    size_t shortAt = 0;  // the piece whose call reports one byte fewer
    size_t calls = 0;
    void* lastHandle = nullptr;
};
inline FakeSpool& spool() {
    static FakeSpool s;
    return s;
}

inline BOOL fakeWrite(HANDLE h, const void* bytes, DWORD count, DWORD* written) {
    FakeSpool& s = spool();
    ++s.calls;
    s.lastHandle = h;
    if (s.calls == s.failAt) {
        *written = 0;
        return FALSE;
    }
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    s.pieces.emplace_back(p, p + count);
    s.stream.insert(s.stream.end(), p, p + count);
    *written = s.calls == s.shortAt ? count - 1 : count;
    return TRUE;
}

inline HMODULE fakeLibrary() { return reinterpret_cast<HMODULE>(std::uintptr_t{0x1000}); }
inline HANDLE fakeSpoolHandle() { return reinterpret_cast<HANDLE>(std::uintptr_t{0x2000}); }

// The record buffer inside a device, bound to the fake write entry.
class StreamDevice {
public:
    explicit StreamDevice(bool bound = true) {
        spool() = FakeSpool{};
        allocs = vesk::AllocListCreate();
        buf = static_cast<vesk::RecordBuffer*>(vesk::AllocListAllocZero(allocs, sizeof(vesk::RecordBuffer)));
        vesk::RecBufInit(buf, nullptr, vesk::RecBufDevice{allocs, &flags, &pageCount, &firstPageHeaderOnly});
        if (bound) {
            buf->library = fakeLibrary();
            buf->spool = fakeSpoolHandle();
            buf->writeEntry = fakeWrite;
        }
    }
    ~StreamDevice() { vesk::AllocListDestroy(allocs); }
    StreamDevice(const StreamDevice&) = delete;
    StreamDevice& operator=(const StreamDevice&) = delete;

    const Bytes& out() const { return spool().stream; }

    vesk::AllocList* allocs = nullptr;
    vesk::RecordBuffer* buf = nullptr;
    DWORD flags = 0;
    DWORD pageCount = 2;
    WORD firstPageHeaderOnly = 0;
};

// An outer record as the stream holds it.
inline Bytes outer(std::uint8_t type, const Bytes& data) {
    Bytes b{type, 0, 0, 0};
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
}

}  // namespace grtest
