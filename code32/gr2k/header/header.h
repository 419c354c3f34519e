// The job header, page header and page trailer: the compiled model's
// JobStart, PageStart and PageEnd command groups rendered as text with the
// current option values of the job's driver context.
//
// A block is rendered twice by its writer: first without a buffer to learn
// its length, then into a buffer of that length. Both passes run the same
// steps; the filling pass never writes past its buffer and fails when the
// text no longer has the measured length (a printer-data value that changed
// between the passes), so a block is never written short or long.
#pragma once
#include <win/types.h>

#include <string_view>

#include "core/context.h"

namespace vesk {

// Text of a block: counted, and copied when there is a buffer.
class HeaderText {
public:
    HeaderText(BYTE* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void append(const void* bytes, size_t n);
    void append(std::string_view s) { append(s.data(), s.size()); }
    size_t length() const { return length_; }
    bool filling() const { return buffer_ != nullptr; }
    // The filling pass was asked to write past its buffer.
    bool overflowed() const { return overflow_; }

private:
    BYTE* buffer_;
    size_t capacity_;
    size_t length_ = 0;
    bool overflow_ = false;
};

// The prefix and suffix of an option's command record; either may be absent.
struct Affixes {
    std::string_view prefix;
    std::string_view suffix;
};

// Appends (or counts) prefix, text and suffix. Returns 0.
int CmdTextAppend(const Affixes& affixes, const char* text, size_t length, HeaderText& out);

// The three blocks: render the JobStart, PageStart and PageEnd lists. With a
// null buffer the length is counted; with a buffer, at most `capacity` bytes
// are written. The byte count, or -1 when the block cannot be rendered (a
// node of an unknown kind, an option command whose item or command record is
// missing, a string option without a value, an image that does not hold up)
// or when the filling pass does not give `capacity` bytes.
int JobHeaderBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity);
int PageHeaderBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity);
int PageTrailerBuilder(DrvContext* ctx, BYTE* buffer, uint32_t capacity);

// The special command kind of an item (0: none).
int ItemCommandKind(int itemId);

}  // namespace vesk
