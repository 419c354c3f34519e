// A context's own copies of the template's tables: the same records as the
// template's, in storage of its own, so a change in one context reaches
// neither the template nor another context; and every failed allocation on
// the way leaves nothing behind.
#include <gtest/gtest.h>

#include <winsim/memory.h>

#include <cstring>

#include "common/context_support.h"
#include "core/library_profile.h"
#include "core/ui_lookup.h"

using namespace vesk;
using namespace vesk::test;

namespace {

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The bytes of every control of a page table, page by page.
bool sameControls(const UiPageTable& a, const UiPageTable& b) {
    if (a.count != b.count) return false;
    for (int i = 0; i < a.count; ++i) {
        const UiPage& pa = a.pages[i];
        const UiPage& pb = b.pages[i];
        if (pa.controlCount != pb.controlCount) return false;
        if (pa.controlCount > 0 &&
            !sameBytes(pa.controls, pb.controls, sizeof(UiControl) * static_cast<size_t>(pa.controlCount)))
            return false;
    }
    return true;
}

}  // namespace

TEST(ContextTables, ACopyHoldsTheTemplatesRecordsInItsOwnStorage) {
    winsim::TempMachine machine;
    ASSERT_TRUE(CurrentProfile().clonesPageTable);  // this library keeps its own pages
    const DrvContext* t = GetContextTemplate();
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    ASSERT_EQ(c->items->count, t->items->count);
    EXPECT_NE(c->items, t->items);
    EXPECT_NE(c->items->items, t->items->items);
    EXPECT_TRUE(sameBytes(c->items->items, t->items->items, sizeof(DmItem) * static_cast<size_t>(t->items->count)));

    ASSERT_EQ(CtxPages(c)->count, t->pages->count);
    EXPECT_NE(CtxPages(c), t->pages);
    EXPECT_NE(CtxPages(c)->pages, t->pages->pages);
    int controls = 0;
    for (int i = 0; i < CtxPages(c)->count; ++i) {
        const UiPage& own = CtxPages(c)->pages[i];
        const UiPage& tp = t->pages->pages[i];
        EXPECT_EQ(own.id, tp.id);
        EXPECT_EQ(own.controlCount, tp.controlCount);
        if (own.controlCount > 0) {
            EXPECT_NE(own.controls, tp.controls) << "page " << own.id;
            controls += own.controlCount;
        }
    }
    EXPECT_GT(controls, 0);
    EXPECT_TRUE(sameControls(*CtxPages(c), *t->pages));

    ASSERT_NE(c->desc, nullptr);
    EXPECT_NE(c->desc, t->desc);
    EXPECT_TRUE(sameBytes(c->desc, t->desc, sizeof(DriverDesc)));
}

TEST(ContextTables, AChangeStaysWithItsContext) {
    winsim::TempMachine machine;
    const DrvContext* t = GetContextTemplate();
    ContextPtr a = contextWithDevmode();
    ContextPtr b = contextWithDevmode();
    ASSERT_TRUE(a && b);
    const DmItem firstItem = t->items->items[0];
    a->items->items[0].changed = 7;
    a->items->items[0].typeWord ^= 0x1;
    UiControl* ctl = nullptr;
    for (int i = 0; i < CtxPages(a)->count && !ctl; ++i)
        if (CtxPages(a)->pages[i].controlCount > 0) ctl = &CtxPages(a)->pages[i].controls[0];
    ASSERT_NE(ctl, nullptr);
    ctl->hidden = 1;
    ctl->key ^= 0x5;
    a->desc->driverVersion ^= 0x3;

    EXPECT_TRUE(sameBytes(&t->items->items[0], &firstItem, sizeof(DmItem)));
    EXPECT_TRUE(sameBytes(b->items->items, t->items->items, sizeof(DmItem) * static_cast<size_t>(t->items->count)));
    EXPECT_TRUE(sameControls(*CtxPages(b), *t->pages));
    EXPECT_FALSE(sameControls(*CtxPages(a), *t->pages));
    EXPECT_EQ(b->desc->driverVersion, t->desc->driverVersion);

    // A context made after the change starts from the template again.
    a.reset();
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    EXPECT_TRUE(sameBytes(c->items->items, t->items->items, sizeof(DmItem) * static_cast<size_t>(t->items->count)));
    EXPECT_TRUE(sameControls(*CtxPages(c), *t->pages));
    EXPECT_TRUE(sameBytes(c->desc, t->desc, sizeof(DriverDesc)));
}

TEST(ContextTables, ManyContextsComeAndGoWithoutLeavingBlocks) {
    winsim::TempMachine machine;
    const size_t base = winsim::liveGlobalBlocks();
    PRINTER_INFO_2W pi = printerInfo(u"Tables");
    for (int round = 0; round < 3; ++round) {
        DrvContext* held[4] = {};
        for (DrvContext*& c : held) {
            c = CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi);
            ASSERT_NE(c, nullptr);
        }
        // Released out of creation order, so no block is freed by luck of
        // being the last one taken.
        for (int i : {2, 0, 3, 1}) CtxReleaseEx(held[i], kReleaseFree);
        EXPECT_EQ(winsim::liveGlobalBlocks(), base) << "round " << round;
    }
}

TEST(ContextTables, ANewContextInTheMemoryOfAFreedOneStartsFromTheTemplate) {
    winsim::TempMachine machine;
    const DrvContext* t = GetContextTemplate();
    const size_t itemBytes = sizeof(DmItem) * static_cast<size_t>(t->items->count);
    // Every field a context may change, in every record, then freed.
    auto scribble = [](DrvContext* c) {
        for (int i = 0; i < c->items->count; ++i) {
            DmItem& it = c->items->items[i];
            it.changed = 0xC1;
            it.classWords[kClassStamp] = 0xC2;
            it.changeClasses = 0xC3;
            it.reserved = 0xC4;
            it.valueName = u"scribbled";
        }
        for (int i = 0; i < CtxPages(c)->count; ++i) {
            UiPage& pg = CtxPages(c)->pages[i];
            pg.runtime[0] = pg.modal = 0xC5;
            for (int k = 0; k < pg.controlCount; ++k) {
                pg.controls[k].hidden = pg.controls[k].disabled = 0xC6;
                pg.controls[k].secondId = 0xC7;
                pg.controls[k].item = c->items->items;
            }
        }
    };
    for (int round = 0; round < 3; ++round) {
        ContextPtr a = contextWithDevmode();
        ContextPtr b = contextWithDevmode();
        ASSERT_TRUE(a && b);
        EXPECT_NE(a->items->items, b->items->items) << round;
        EXPECT_NE(CtxPages(a)->pages, CtxPages(b)->pages) << round;
        for (DrvContext* c : {a.get(), b.get()}) {
            EXPECT_TRUE(sameBytes(c->items->items, t->items->items, itemBytes)) << round;
            EXPECT_TRUE(sameControls(*CtxPages(c), *t->pages)) << round;
            for (int i = 0; i < CtxPages(c)->count; ++i) {
                const UiPage& own = CtxPages(c)->pages[i];
                const UiPage& tp = t->pages->pages[i];
                EXPECT_EQ(own.modal, tp.modal);
                EXPECT_EQ(own.runtime[0], tp.runtime[0]);
                // Each page's controls are the context's own, in its block.
                if (own.controlCount > 0) {
                    EXPECT_NE(own.controls, tp.controls);
                }
            }
        }
        scribble(a.get());
        scribble(b.get());
    }
}

TEST(ContextTables, EachPagesControlsFollowTheLastOnesInTheContextsOwnBlock) {
    winsim::TempMachine machine;
    const DrvContext* t = GetContextTemplate();
    ContextPtr a = contextWithDevmode();
    ContextPtr b = contextWithDevmode();
    ASSERT_TRUE(a && b);
    // Where each context's controls lie: one run after its pages, page by
    // page in page order; a page without controls points at none.
    auto controlRun = [&](DrvContext* c, const BYTE** first, const BYTE** end) {
        const UiControl* next = nullptr;
        *first = *end = nullptr;
        for (int i = 0; i < CtxPages(c)->count; ++i) {
            const UiPage& pg = CtxPages(c)->pages[i];
            if (pg.controlCount <= 0) {
                EXPECT_EQ(pg.controls, nullptr) << "page " << pg.id;
                continue;
            }
            if (next) {
                EXPECT_EQ(pg.controls, next) << "page " << pg.id;
            } else {
                *first = reinterpret_cast<const BYTE*>(pg.controls);
                EXPECT_GE(*first, reinterpret_cast<const BYTE*>(CtxPages(c)->pages + CtxPages(c)->count));
            }
            next = pg.controls + pg.controlCount;
        }
        *end = reinterpret_cast<const BYTE*>(next);
    };
    const BYTE *aFirst, *aEnd, *bFirst, *bEnd;
    controlRun(a.get(), &aFirst, &aEnd);
    controlRun(b.get(), &bFirst, &bEnd);
    ASSERT_NE(aFirst, nullptr);
    ASSERT_NE(bFirst, nullptr);
    EXPECT_TRUE(aEnd <= bFirst || bEnd <= aFirst);  // two contexts never share a control
    for (int i = 0; i < t->pages->count; ++i) {
        const UiPage& tp = t->pages->pages[i];
        if (tp.controlCount <= 0) continue;
        const BYTE* lo = reinterpret_cast<const BYTE*>(tp.controls);
        const BYTE* hi = reinterpret_cast<const BYTE*>(tp.controls + tp.controlCount);
        EXPECT_TRUE(hi <= aFirst || aEnd <= lo) << "page " << tp.id;
    }
    // A change to one context's controls is seen in neither the other nor a
    // context made after it.
    CtxPages(a)->pages[0].controls[0].flags ^= 0x5A5A;
    ContextPtr later = contextWithDevmode();
    ASSERT_TRUE(later);
    EXPECT_TRUE(sameControls(*CtxPages(b), *t->pages));
    EXPECT_TRUE(sameControls(*CtxPages(later), *t->pages));
    EXPECT_FALSE(sameControls(*CtxPages(a), *t->pages));
}

// A context looks at the template's pages until its first look through
// CtxPages or a page lookup: then it has its own, with the template's
// records, and every later look gives the same table.
TEST(ContextTables, PagesAreTheContextsOwnFromTheFirstLook) {
    const DrvContext* t = GetContextTemplate();
    ContextPtr a = contextWithDevmode();
    ContextPtr b = contextWithDevmode();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->pages, t->pages) << "no copy before the first look";
    ASSERT_NE(a->pagesPending, nullptr);
    UiPageTable* own = CtxPages(a);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, t->pages);
    EXPECT_EQ(a->pagesPending, nullptr);
    EXPECT_EQ(CtxPages(a), own);
    ASSERT_EQ(own->count, t->pages->count);
    for (int i = 0; i < own->count; ++i) {
        const UiPage& pg = own->pages[i];
        const UiPage& tp = t->pages->pages[i];
        EXPECT_EQ(pg.id, tp.id);
        ASSERT_EQ(pg.controlCount, tp.controlCount);
        if (pg.controlCount <= 0) continue;
        EXPECT_NE(pg.controls, tp.controls) << "page " << pg.id;
        EXPECT_EQ(std::memcmp(pg.controls, tp.controls, sizeof(UiControl) * size_t(pg.controlCount)), 0)
            << "page " << pg.id;
    }
    // A page lookup is a first look too: it finds the context's own page,
    // and a change there stays with the context.
    const int pageId = t->pages->pages[3].id;
    UiPage* page = PageFindById(b.get(), pageId);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page, &CtxPages(b)->pages[3]);
    ASSERT_GT(page->controlCount, 2);
    page->controls[2].hidden = 1;
    EXPECT_EQ(t->pages->pages[3].controls[2].hidden, 0u);
    EXPECT_EQ(CtxPages(a)->pages[3].controls[2].hidden, 0u);
}
