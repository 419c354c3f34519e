// The copy that fills the DEVMODE's mirror of section 2's first bytes, as
// steps: the bytes of every section-2 item that ends inside the mirrored
// bytes, in item order, neighbouring or overlapping copies made as one, and
// zeros for a font-table handle (a handle means something only inside this
// library, and the mirror leaves with the spooler's DEVMODE). A pending copy
// is emitted before a handle's zeros, so the order of the bytes' last writes
// stays the items' order.
#pragma once
#include <cstdint>

#include "core/devmode/dm_layout.h"
#include "core/font_tables.h"
#include "core/item.h"

namespace vesk {

struct MirrorStep {
    uint16_t offset;  // within section 2 and within the mirror alike
    uint16_t length;
    uint8_t zero;     // 1: zeros, 0: section 2's bytes
    bool operator==(const MirrorStep&) const = default;
};

inline bool ItemInMirror(const DmItem& it) {
    return itemSection(it) == 2 && it.offset + itemSize(it) <= dm::kExtMirrorBytes;
}

// Calls emit(MirrorStep) for each step the `count` items ask for.
template <class Emit>
void PlanExtMirror(const DmItem* items, int count, Emit&& emit) {
    uint32_t runStart = 0, runEnd = 0;
    auto flush = [&] {
        if (runEnd > runStart)
            emit(MirrorStep{static_cast<uint16_t>(runStart), static_cast<uint16_t>(runEnd - runStart), 0});
        runStart = runEnd = 0;
    };
    for (int i = 0; i < count; ++i) {
        const DmItem& it = items[i];
        // Most items lie past the mirrored bytes.
        if (!ItemInMirror(it)) continue;
        const uint32_t width = itemSize(it);
        bool handle = false;
        for (const FontTableItems& f : kFontTableItems) handle = handle || it.id == f.handleItem;
        if (handle) {
            flush();
            emit(MirrorStep{it.offset, static_cast<uint16_t>(width), 1});
        } else if (runEnd > runStart && it.offset <= runEnd && it.offset + width >= runStart) {
            runStart = runStart < it.offset ? runStart : it.offset;
            runEnd = runEnd > it.offset + width ? runEnd : it.offset + width;
        } else {
            flush();
            runStart = it.offset;
            runEnd = it.offset + width;
        }
    }
    flush();
}

}  // namespace vesk
