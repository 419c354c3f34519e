// Compiled model image: the strings and header slots of the bounds-checked
// view (field reads and the list walk are inline in image.h).
#include "core/model/image.h"

#include <cstring>

namespace vesk {

bool MdlImageView::str(uint32_t offset, std::string_view* out) const {
    *out = {};
    if (offset < kMdlHeaderSize || !inside(offset, 1)) return false;
    const void* nul = std::memchr(base_ + offset, 0, size_ - offset);
    if (!nul) return false;
    *out = std::string_view(reinterpret_cast<const char*>(base_ + offset),
                            static_cast<const uint8_t*>(nul) - (base_ + offset));
    return true;
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

}  // namespace vesk
