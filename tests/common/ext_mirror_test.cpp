// DmCopyExtBlock against a byte-by-byte rendering of what it promises: the
// mirror takes, item by item, section 2's bytes of every section-2 field
// that ends inside the mirrored bytes, or zeros for a font-table handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/context_support.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/item_lists.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

namespace {

std::vector<BYTE> plainMirror(const DrvContext* c) {
    const BYTE* buf = c->devmode;
    const uint32_t base2 = dmSectionBase(dmSizes(), 2);
    std::vector<BYTE> m(buf + dm::kOffExtMirror, buf + dm::kOffExtMirror + dm::kExtMirrorBytes);
    for (int i = 0; i < c->items->count; ++i) {
        const DmItem& it = c->items->items[i];
        if (itemSection(it) != 2) continue;
        bool handle = false;
        for (const FontTableItems& f : kFontTableItems) handle = handle || it.id == f.handleItem;
        for (uint32_t b = it.offset; b < it.offset + itemSize(it); ++b)
            if (it.offset + itemSize(it) <= dm::kExtMirrorBytes) m[b] = handle ? 0 : buf[base2 + b];
    }
    return m;
}

std::vector<BYTE> mirrorOf(const DrvContext* c) {
    return std::vector<BYTE>(c->devmode + dm::kOffExtMirror, c->devmode + dm::kOffExtMirror + dm::kExtMirrorBytes);
}

}  // namespace

TEST(ExtMirror, CopiesWhatThePlainRenderingGives) {
    winsim::TempMachine machine;
    ContextPtr ctx = contextWithDevmode();
    ASSERT_TRUE(ctx);
    DrvContext* c = ctx.get();
    // The table is put back and the handles the pattern wrote over are
    // cleared before the context goes: its freeing releases the tables they
    // name.
    const std::vector<DmItem> saved(c->items->items, c->items->items + c->items->count);
    struct PutBack {
        DrvContext* c;
        const std::vector<DmItem>& from;
        ~PutBack() {
            std::copy(from.begin(), from.end(), c->items->items);
            for (const FontTableItems& f : kFontTableItems) ItemWriteRawIn(c->devmode, ItemFindById(c, f.handleItem), 0);
        }
    } putBack{c, saved};
    const uint32_t base2 = dmSectionBase(dmSizes(), 2);
    auto fill = [&] {
        for (uint32_t b = 0; b < dm::kExtMirrorBytes + 8; ++b) c->devmode[base2 + b] = static_cast<BYTE>(0x40 + b * 7);
        for (uint32_t b = 0; b < dm::kExtMirrorBytes; ++b) c->devmode[dm::kOffExtMirror + b] = 0xEE;
    };
    auto check = [&](const char* what) {
        fill();
        const std::vector<BYTE> want = plainMirror(c);
        ASSERT_EQ(DmCopyExtBlock(c), 1);
        EXPECT_EQ(mirrorOf(c), want) << what;
    };
    ASSERT_NE(ItemListsOf(c), nullptr) << "a fresh table copies by the plan found once";
    check("built-in table");
    ItemTableEdited(c);
    // Fields moved around the mirror's end, out of section 2 and over a
    // handle; the last write of a byte decides.
    DmItem* items = c->items->items;
    const int n = c->items->count;
    auto retype = [](DmItem& it, uint32_t section, uint16_t offset, uint32_t size) {
        it.typeWord = (section << 30) | (it.typeWord & 0x3F000000u) | size;
        it.offset = offset;
    };
    for (int i = 0; i < n; ++i)
        if (itemSection(items[i]) == 2 && items[i].offset < 40) retype(items[i], 1, items[i].offset, itemSize(items[i]));
    retype(items[10], 2, static_cast<uint16_t>(dm::kExtMirrorBytes - 4), 4);      // ends at the mirror's end
    retype(items[11], 2, static_cast<uint16_t>(dm::kExtMirrorBytes - 2), 4);      // ends past it
    retype(items[12], 2, static_cast<uint16_t>(dm::kExtMirrorBytes), 0);          // empty, at the end
    retype(items[13], 2, static_cast<uint16_t>(dm::kExtMirrorBytes + 1), 0);      // empty, past the end
    retype(items[n - 1], 2, 0, 8);                                               // last item over the first bytes
    ASSERT_NE(ItemFindById(c, kFontTableItems[0].handleItem), nullptr);
    DmItem* handle = ItemFindById(c, kFontTableItems[0].handleItem);
    retype(*handle, 2, 4, 4);  // a handle inside the last item's bytes, written before it
    check("moved fields");
}
