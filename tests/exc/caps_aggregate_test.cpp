// The record of every capability item: built through the exported entry,
// compared with the items one by one, freed without a leak, and built with
// each of its allocations failing in turn.
#include <winsim/winsim.h>

#include <utility>

#include "exc/caps_support.h"

namespace vesk::test {
namespace {

using CapsRecord = CapsHandle;

// Every list field of a record with the item it holds and its entry size.
struct ListField {
    uint32_t item;
    CapsList CapsAggregate::*field;
};
constexpr ListField kLists[] = {
    {2, &CapsAggregate::inputBins},       {3, &CapsAggregate::inputBinNames},   {4, &CapsAggregate::mediaTypes},
    {5, &CapsAggregate::mediaTypeNames},  {6, &CapsAggregate::outputTrays},     {7, &CapsAggregate::outputTrayNames},
    {10, &CapsAggregate::papers},         {11, &CapsAggregate::paperNames},     {12, &CapsAggregate::paperSizes},
    {15, &CapsAggregate::outputPapers},   {16, &CapsAggregate::outputPaperNames}, {18, &CapsAggregate::printMethods},
    {30, &CapsAggregate::watermarkKinds}, {32, &CapsAggregate::stampIds},       {33, &CapsAggregate::stampNames},
    {39, &CapsAggregate::sortTypes},      {40, &CapsAggregate::stapleTypes},    {41, &CapsAggregate::punchTypes},
    {45, &CapsAggregate::emulations},     {47, &CapsAggregate::printAreas},     {54, &CapsAggregate::resolutions},
    {56, &CapsAggregate::markPaperTypes},
};

TEST_F(CapsRecord, TheRecordHoldsWhatTheItemsAnswer) {
    const Counts base = counts();
    open();
    auto* r = reinterpret_cast<CapsAggregate*>(VESKDrvGetCaps(h_, kCapsIdGetAll, nullptr));
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->bitmap, nullptr);
    BYTE bitmap[32];
    VESKDrvGetCaps(h_, 0, bitmap);
    EXPECT_EQ(std::memcmp(r->bitmap, bitmap, 32), 0);
    EXPECT_EQ(r->item1, 1u);
    EXPECT_EQ(r->item17, static_cast<uint32_t>(item(17)));
    EXPECT_EQ(r->item24, 1u);
    EXPECT_EQ(r->item25to29[1], static_cast<uint32_t>(item(26)));
    EXPECT_EQ(r->item35to38[2], static_cast<uint32_t>(item(37)));
    EXPECT_EQ(r->item48to53[2], static_cast<uint32_t>(item(50)));
    EXPECT_EQ(static_cast<uint16_t>(r->maxScale.low) | (static_cast<uint32_t>(static_cast<uint16_t>(r->maxScale.high)) << 16),
              static_cast<uint32_t>(item(20)));
    EXPECT_EQ(static_cast<uint16_t>(r->minExtent.low) | (static_cast<uint32_t>(static_cast<uint16_t>(r->minExtent.high)) << 16),
              static_cast<uint32_t>(item(14)));
    for (const ListField& f : kLists) {
        const CapsList& l = r->*f.field;
        const CapsItemRow* row = CapsRowById(f.item);
        const int32_t n = item(f.item);
        SCOPED_TRACE(f.item);
        if (n <= 0) {
            EXPECT_EQ(l.count, 0u);
            EXPECT_EQ(l.entries, nullptr);
            continue;
        }
        ASSERT_EQ(l.count, static_cast<uint32_t>(n));
        ASSERT_NE(l.entries, nullptr);
        std::vector<char> b(static_cast<size_t>(n) * row->entryBytes);
        ASSERT_EQ(VESKDrvGetCaps(h_, f.item, b.data()), n);
        EXPECT_EQ(std::memcmp(b.data(), l.entries, b.size()), 0);
    }
    EXPECT_EQ(VESKDrvGetCaps(h_, kCapsIdFreeAll, r), 1);
    close();
    EXPECT_EQ(counts(), base) << "every block of the record is freed";
}

TEST_F(CapsRecord, EachFailedAllocationLeavesItsFieldEmptyAndNothingLeaks) {
    open();
    // The handle keeps its model: the blocks are counted without freeing
    // the model cache.
    auto live = [] { return std::make_pair(winsim::liveGlobalBlocks(), winsim::openPrinterHandles()); };
    const auto base = live();
    auto* full = CapsGetAll(h_);
    ASSERT_NE(full, nullptr);
    size_t filled = 0;
    for (const ListField& f : kLists) filled += (full->*f.field).entries != nullptr;
    CapsFreeAll(full);
    ASSERT_GT(filled, 5u);

    // The record, then the bitmap: no record at all.
    for (size_t n : {1u, 2u}) {
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(VESKDrvGetCaps(h_, kCapsIdGetAll, nullptr), 0) << n;
        winsim::clearFaults();
        EXPECT_EQ(live(), base) << n;
    }
    // Every later allocation: the record comes, one field fewer at most.
    size_t emptied = 0;
    for (size_t n = 3; n < 3 + 4 * filled; ++n) {
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        CapsAggregate* r = CapsGetAll(h_);
        winsim::clearFaults();
        ASSERT_NE(r, nullptr) << n;
        size_t kept = 0;
        for (const ListField& f : kLists) {
            const CapsList& l = r->*f.field;
            EXPECT_EQ(l.count == 0, l.entries == nullptr) << "allocation " << n << ", item " << f.item;
            kept += l.entries != nullptr;
        }
        EXPECT_GE(kept + 1, filled) << n;
        emptied += kept < filled;
        EXPECT_EQ(CapsFreeAll(r), 1);
        EXPECT_EQ(live(), base) << "allocation " << n;
    }
    EXPECT_GT(emptied, 0u);
    EXPECT_EQ(CapsFreeAll(nullptr), 1);
}

}  // namespace
}  // namespace vesk::test
