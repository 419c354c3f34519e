#include <gtest/gtest.h>

#include <cstring>

#include "common/context_support.h"
#include "core/context_access.h"
#include "core/devmode/dm_layout.h"
#include "core/font_tables.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(ContextTemplate, HoldsTheBuiltInTablesAndNoBuffers) {
    const DrvContext* t = GetContextTemplate();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->items->count, 1239);
    EXPECT_EQ(t->devmode, nullptr);
    EXPECT_EQ(t->ws, nullptr);
    EXPECT_EQ(t->model, nullptr);
}

TEST(ContextCreate, LightKindOwnsItsTablesAndWorkspace) {
    PRINTER_INFO_2W pi = printerInfo(u"Office 1", 0x800);
    ContextPtr c(CtxCreateEx(handle(7), handle(8), nullptr, 4, kCreateInterface, 2, &pi));
    ASSERT_TRUE(c);
    const DrvContext* t = GetContextTemplate();
    EXPECT_EQ(c->printer, handle(7));
    EXPECT_EQ(c->driverQuery, handle(8));
    EXPECT_NE(c->items, t->items);
    EXPECT_NE(c->items->items, t->items->items);
    EXPECT_NE(CtxPages(c)->pages, t->pages->pages);
    EXPECT_NE(CtxPages(c)->pages[0].controls, t->pages->pages[0].controls);
    EXPECT_NE(c->desc, t->desc);
    EXPECT_EQ(c->symbols, t->symbols);  // the dictionaries stay shared
    EXPECT_EQ(c->messages, t->messages);
    EXPECT_EQ(c->devmode, nullptr);
    EXPECT_EQ(c->model, nullptr);
    ASSERT_NE(c->ws, nullptr);
    EXPECT_EQ(c->ws->kind, 4);
    EXPECT_EQ(c->ws->creationFlags, kCreateInterface);
    EXPECT_EQ(c->ws->documentMode, 2u);
    EXPECT_EQ(std::u16string(c->ws->printerName), u"Office 1");
    EXPECT_EQ(c->ws->attributes, 0x800u);
    EXPECT_EQ(c->ws->serverConnection, 2u);
    EXPECT_EQ(std::u16string(c->ws->languageCode), u"us");
    for (BYTE* b : c->ws->saveStack) EXPECT_NE(b, nullptr);
    EXPECT_NE(c->ws->shadow, nullptr);
}

TEST(ContextCreate, FlagsFromTheCallerAndTheInstallState) {
    PRINTER_INFO_2W pi = printerInfo(u"Office 1");
    ContextPtr a(CtxCreateEx(handle(1), handle(1), nullptr, 4, kCreateCallerApi, 0, &pi));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->ws->creationFlags, kCreateApiCaller);
    SetInstallRunning(true);
    ContextPtr b(CtxCreateEx(handle(1), handle(1), nullptr, 4, kCreateInterface, 0, &pi));
    SetInstallRunning(false);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->ws->creationFlags, kCreateInterface | kCreateInstallRunning);
}

TEST(ContextClone, ChangesNeverReachTheTemplateOrAnotherContext) {
    ContextPtr a = contextWithDevmode();
    ContextPtr b = contextWithDevmode();
    ASSERT_TRUE(a && b);
    DmItem* ia = ItemFindById(a.get(), kItRdmScaleH);
    ia->changeClasses = 0x10000;
    ia->valueName = u"Changed";
    CtxPages(a)->pages[3].controls[2].hidden = 1;
    a->desc->customWidthMax = 1;
    ItemSetRawById(a.get(), kItRdmScaleH, 250);
    ItemSetRawById(a.get(), kItDmOrientation, 2);

    const DrvContext* t = GetContextTemplate();
    EXPECT_EQ(t->items->items[91].changeClasses, 0u);
    EXPECT_EQ(t->items->items[91].changed, 0u);
    EXPECT_EQ(t->items->items[91].valueName, nullptr);
    EXPECT_EQ(t->pages->pages[3].controls[2].hidden, 0u);
    EXPECT_EQ(t->desc->customWidthMax, 14030u);

    DmItem* ib = ItemFindById(b.get(), kItRdmScaleH);
    EXPECT_EQ(ib->changeClasses, 0u);
    EXPECT_EQ(ib->changed, 0u);
    EXPECT_EQ(CtxPages(b)->pages[3].controls[2].hidden, 0u);
    EXPECT_EQ(b->desc->customWidthMax, 14030u);
    EXPECT_EQ(ItemRawById(b.get(), kItRdmScaleH), 0u);
    EXPECT_EQ(ItemRawById(b.get(), kItDmOrientation), 0u);
    EXPECT_EQ(ChangeMaskGet(b.get()), 0u);
    EXPECT_EQ(b->ws->itemsChanged, 0u);
}

TEST(ContextSnapshot, ShadowGetsItsOwnFontTables) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    size_t base = FontTableLiveCount();
    auto* table = static_cast<BYTE*>(MemAllocZero(2 * 68));
    std::memcpy(table, "font", 4);
    uint32_t h = FontTableAdopt(table, 2 * 68);
    ASSERT_NE(h, 0u);
    ItemSetRawById(c.get(), kItRdmDeviceFontNum, 2);
    ItemSetRawById(c.get(), kItRdmDeviceFont, h);
    ItemSetRawById(c.get(), kItRdmScaleH, 77);

    ASSERT_EQ(CtxSnapshotDevmode(c.get()), 1);
    EXPECT_EQ(ItemShadowRawById(c.get(), kItRdmScaleH), 77u);
    EXPECT_EQ(ItemShadowRawById(c.get(), kItRdmDeviceFontNum), 2u);
    uint32_t copy = ItemShadowRawById(c.get(), kItRdmDeviceFont);
    EXPECT_NE(copy, 0u);
    EXPECT_NE(copy, h);
    EXPECT_EQ(std::memcmp(FontTableData(copy), "font", 4), 0);
    EXPECT_EQ(FontTableLiveCount(), base + 2);

    // A second snapshot replaces the shadow's tables instead of leaking them.
    ASSERT_EQ(CtxSnapshotDevmode(c.get()), 1);
    EXPECT_EQ(FontTableData(copy), nullptr);
    EXPECT_EQ(FontTableLiveCount(), base + 2);

    ASSERT_EQ(CtxFreeFontTables(c.get()), 1);
    EXPECT_EQ(ItemShadowRawById(c.get(), kItRdmDeviceFont), 0u);
    EXPECT_EQ(FontTableLiveCount(), base + 1);
    c.reset();  // the DEVMODE's own table goes with the context
    EXPECT_EQ(FontTableLiveCount(), base);
}

TEST(ContextSnapshot, NeedsAShadowAndADevmode) {
    PRINTER_INFO_2W pi = printerInfo(u"Office 1");
    ContextPtr c(CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi));
    ASSERT_TRUE(c);
    EXPECT_EQ(CtxSnapshotDevmode(c.get()), 0);  // a light context has no DEVMODE
    EXPECT_EQ(CtxFreeFontTables(c.get()), 1);
    EXPECT_EQ(CtxSnapshotDevmode(nullptr), 0);
    EXPECT_EQ(CtxFreeFontTables(nullptr), 0);
}

TEST(ContextAccess, PartsOfTheDevmode) {
    winsim::TempMachine machine;
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    BYTE* dm = CtxGetDevmode(c.get());
    dm::wr16(dm, dm::kOffSize, 220);
    dm::wr16(dm, dm::kOffSectionBase2, static_cast<uint32_t>(dmSizes().totalSize));
    EXPECT_EQ(GetPrivateDevmode(c.get()), dm + 220);
    EXPECT_EQ(GetPrivateDevmodeNt(c.get()), dm + 220);
    EXPECT_EQ(GetDmVarBlock(c.get()), dm + dmSizes().totalSize);
    // A dmSize past the public part does not lead the private part outside.
    dm::wr16(dm, dm::kOffSize, 4000);
    EXPECT_EQ(GetPrivateDevmode(c.get()), dm + 220);
    dm::wr16(dm, dm::kOffSize, 188);
    EXPECT_EQ(GetPrivateDevmode(c.get()), dm + 188);
    EXPECT_EQ(GetPrivateDevmodeNt(c.get()), dm + 220);
    dm::wr16(dm, dm::kOffSectionBase2, 0xFFFF);
    EXPECT_EQ(GetDmVarBlock(c.get()), nullptr);
    EXPECT_EQ(GetPrivateDevmode(nullptr), nullptr);
    EXPECT_EQ(ReturnTrue(), 1);
    EXPECT_EQ(ReturnFalse(), 0);
}
