// Compiled model image: the bounds-checked view and the bounded list walk.
#include "core/model/image.h"

namespace vesk {

bool MdlImageView::u8(uint32_t offset, uint8_t* out) const {
    *out = 0;
    if (!inside(offset, 1)) return false;
    *out = base_[offset];
    return true;
}
bool MdlImageView::u16(uint32_t offset, uint16_t* out) const {
    *out = 0;
    if (!inside(offset, 2)) return false;
    *out = static_cast<uint16_t>(base_[offset] | (base_[offset + 1] << 8));
    return true;
}
bool MdlImageView::i16(uint32_t offset, int16_t* out) const {
    uint16_t v;
    bool ok = u16(offset, &v);
    *out = static_cast<int16_t>(v);
    return ok;
}
bool MdlImageView::u32(uint32_t offset, uint32_t* out) const {
    *out = 0;
    if (!inside(offset, 4)) return false;
    const uint8_t* p = base_ + offset;
    *out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
    return true;
}
bool MdlImageView::i32(uint32_t offset, int32_t* out) const {
    uint32_t v;
    bool ok = u32(offset, &v);
    *out = static_cast<int32_t>(v);
    return ok;
}
bool MdlImageView::link(uint32_t offset, uint32_t length, uint32_t* out) const {
    uint32_t v;
    *out = 0;
    if (!u32(offset, &v)) return false;
    if (v == 0) return true;
    // Records lie past the header; a tagged value was never relocated.
    if (MdlIsTagged(v) || v < kMdlHeaderSize || !inside(v, length)) return false;
    *out = v;
    return true;
}
bool MdlImageView::str(uint32_t offset, std::string_view* out) const {
    *out = {};
    if (offset < kMdlHeaderSize || !inside(offset, 1)) return false;
    for (size_t i = offset; i < size_; ++i)
        if (base_[i] == 0) {
            *out = std::string_view(reinterpret_cast<const char*>(base_ + offset), i - offset);
            return true;
        }
    return false;
}
bool MdlImageView::wstr(uint32_t offset, std::u16string* out) const {
    out->clear();
    if (offset < kMdlHeaderSize) return false;
    std::u16string s;
    for (uint32_t at = offset;; at += 2) {
        uint16_t c;
        if (!u16(at, &c)) return false;
        if (c == 0) break;
        s.push_back(static_cast<char16_t>(c));
    }
    *out = std::move(s);
    return true;
}
bool MdlImageView::slot(int n, uint32_t* out) const {
    *out = 0;
    if (n < 0 || n >= kMdlSlotCount) return false;
    return u32(MdlSlotOffset(n), out);
}

MdlListWalk::MdlListWalk(const MdlImageView& view, uint32_t head, uint32_t recordSize)
    : view_(view), cur_(head), size_(recordSize) {
    // A list of distinct records cannot hold more records than fit in the
    // block; one more step means a cycle.
    budget_ = static_cast<uint32_t>(view.size() / (recordSize ? recordSize : 1)) + 1;
}

bool MdlListWalk::next(uint32_t* out) {
    *out = 0;
    if (failed_ || cur_ == 0) return false;
    if (budget_-- == 0 || MdlIsTagged(cur_) || cur_ < kMdlHeaderSize || !view_.inside(cur_, size_)) {
        failed_ = true;
        return false;
    }
    *out = cur_;
    uint32_t nxt;
    view_.u32(cur_, &nxt);
    cur_ = nxt;
    return true;
}

}  // namespace vesk
