// Byte sequences for the decoder tests, written field by field at the
// layouts' little-endian offsets.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "decode/stream.h"

namespace dtest {

using Buf = std::vector<std::uint8_t>;

struct B {
    Buf b;
    B& u8(unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    B& u8s(std::initializer_list<unsigned> vs) {
        for (unsigned v : vs) u8(v);
        return *this;
    }
    B& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    B& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    B& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    B& rect(int l, int t, int r, int bt) { return i32(l).i32(t).i32(r).i32(bt); }
    B& str(std::string_view s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    B& zeros(std::size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    B& pad4() { return zeros((4 - b.size() % 4) % 4); }
    B& add(const Buf& o) {
        b.insert(b.end(), o.begin(), o.end());
        return *this;
    }
    operator Buf() const { return b; }
};

inline Buf outer(std::uint8_t type, const Buf& data) {
    return B().u8(type).zeros(3).u32(static_cast<std::uint32_t>(data.size())).add(data);
}
inline Buf text(std::string_view s) { return Buf(s.begin(), s.end()); }

inline Buf pageStart(std::uint32_t w = 4960, std::uint32_t h = 7016, unsigned res = 600) {
    return B().u8s({0x60, 0, 0, 0}).u32(w).u32(h).u16(res).u16(res);
}
inline Buf pageEnd() { return {0x61, 0, 0, 0}; }

// A page: header text, the given drawing blocks, trailer text.
inline Buf page(const std::vector<Buf>& blocks, std::string_view header = "@PJL SET PAGE = 1 \r\n",
                  std::string_view trailer = "") {
    B s;
    s.add(outer(0xF4, text(header))).add(outer(0xF0, {}));
    for (const Buf& blk : blocks) s.add(outer(0xF5, blk));
    return s.add(outer(0xF1, text(trailer)));
}

// A whole job of one page whose single block holds PageStart, `records`
// and PageEnd; `drawingAt` gets the file offset of `records`.
inline Buf oneRecordJob(const Buf& records, std::size_t* drawingAt = nullptr) {
    B s;
    s.add(outer(0xF3, {}));                             // 8
    s.add(outer(0xF4, {})).add(outer(0xF0, {}));         // 16
    s.add(outer(0xF5, B().add(pageStart()).add(records).add(pageEnd())));
    s.add(outer(0xF1, {}));
    if (drawingAt) *drawingAt = 8 + 16 + 8 + 16;
    return s;
}

inline vesk::decode::DecodedStream decode(const Buf& b, const vesk::decode::StreamOptions& o = {}) {
    return vesk::decode::decodeAll(vesk::decode::Bytes(b.data(), b.size()), o);
}

}  // namespace dtest
