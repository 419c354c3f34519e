#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/context_support.h"
#include "core/computed/computed.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class ItemStore : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = contextWithDevmode();
        ASSERT_TRUE(ctx_);
        c = ctx_.get();
    }
    // A byte of the DEVMODE buffer.
    BYTE& at(uint32_t section, uint32_t offset) { return c->devmode[dmSectionBase(dmSizes(), section) + offset]; }
    // Gives an item of the context's own table another type, for the codes the
    // built-in table does not use.
    DmItem* retype(int id, uint32_t code, uint32_t size) {
        DmItem* it = ItemFindById(c, id);
        it->typeWord = (it->typeWord & 0xC0000000u) | (code << 24) | size;
        return it;
    }
    winsim::TempMachine machine_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
};

}  // namespace

TEST_F(ItemStore, FindByIdCoversBothRangesAndNothingElse) {
    EXPECT_EQ(ItemFindById(c, 0), nullptr);
    EXPECT_EQ(ItemFindById(c, -5), nullptr);
    for (int id : {1, 962, 10001, 10277}) EXPECT_EQ(ItemFindById(c, id)->id, id);
    // Ids between the ranges would alias records 963 and up by position.
    for (int id : {963, 1000, 1239, 5000, 10000, 10278, 20000, 65535, 65536 + 7})
        EXPECT_EQ(ItemFindById(c, id), nullptr) << id;
    EXPECT_EQ(std::u16string(ItemGetName(c, kItRdmScaleH)), u"rdmScaleH");
    EXPECT_EQ(ItemGetName(c, 500), nullptr);  // unnamed
    EXPECT_EQ(ItemGetName(c, 999), nullptr);  // unknown
}

TEST_F(ItemStore, FindByKeyThroughItemsThenSymbols) {
    EXPECT_EQ(ItemFindByKey(c, 0), nullptr);
    EXPECT_EQ(ItemFindByKey(c, 860)->id, 860);
    EXPECT_EQ(ItemFindByKey(c, 328)->id, 7);    // the orientation radio list
    EXPECT_EQ(ItemFindByKey(c, 546)->id, 954);  // the source orientation radio list
    EXPECT_EQ(ItemFindByKey(c, 264), nullptr);  // a page key names no item
    EXPECT_EQ(ItemFindByKey(c, 233), nullptr);  // a message key neither
    EXPECT_EQ(ItemFindByKey(c, 12345), nullptr);
    // An item whose handler decides has no key of its own, but the dictionary
    // can still name it.
    EXPECT_EQ(ItemFindById(c, kItRdmFuncSelectBooklet)->key, 0);
    EXPECT_EQ(ItemFindByKey(c, 20062)->id, 62);
    // The result always lies in the context's own table.
    DmItem* it = ItemFindByKey(c, 328);
    EXPECT_GE(it, c->items->items);
    EXPECT_LT(it, c->items->items + c->items->count);
}

TEST_F(ItemStore, NumericCodesReadSignedAndUnsignedAndStoreLowBits) {
    // Item 7 is a signed 16-bit field at 76.
    ItemSetRawById(c, kItDmOrientation, 0x12348001u);
    EXPECT_EQ(at(1, 76), 0x01);
    EXPECT_EQ(at(1, 77), 0x80);
    EXPECT_EQ(ItemRawById(c, kItDmOrientation), 0xFFFF8001u);
    // Item 157 is signed 8-bit.
    ItemSetRawById(c, kItRdmColorBrightness, 0xFF);
    EXPECT_EQ(static_cast<int32_t>(ItemRawById(c, kItRdmColorBrightness)), -1);
    // Item 40 is unsigned 8-bit.
    ItemSetRawById(c, kItRdmUIModeChange, 0x1FF);
    EXPECT_EQ(ItemRawById(c, kItRdmUIModeChange), 0xFFu);
    // Item 2 is unsigned 16-bit.
    ItemSetRawById(c, kItDmSpecVersion, 0xFFFF);
    EXPECT_EQ(ItemRawById(c, kItDmSpecVersion), 0xFFFFu);
    // Item 6 is unsigned 32-bit, little-endian at 72.
    ItemSetRawById(c, kItDmFields, 0xA1B2C3D4u);
    EXPECT_EQ(at(1, 72), 0xD4);
    EXPECT_EQ(at(1, 75), 0xA1);
    EXPECT_EQ(ItemRawById(c, kItDmFields), 0xA1B2C3D4u);
    // Signed 32-bit, which the table does not use.
    DmItem* s32 = retype(kItDmFields, kTypeS32, 4);
    ItemSetRaw(c, s32, 0xFFFFFFFEu);
    EXPECT_EQ(static_cast<int32_t>(ItemGetRaw(c, s32)), -2);
    // Items of section 2 and 3 are addressed from their section bases.
    ItemSetRawById(c, kItRdmServerLogCode, 5);
    EXPECT_EQ(at(2, 0), 5);
    ItemSetRawById(c, kItWdmFreeSizeWidth, 14030);
    EXPECT_EQ(ItemRawById(c, kItWdmFreeSizeWidth), 14030u);
}

TEST_F(ItemStore, BitItemsTouchOneBitOfTheirWord) {
    // Items 224 to 239 are the bits of one 16-bit word.
    DmItem* first = ItemFindById(c, kItRdmActionSecurity);
    uint32_t off = first->offset;
    ItemSetRawById(c, kItRdmActionSecurity, 7);  // any non-zero value sets the bit
    ItemSetRawById(c, 234, 1);  // bit 10: byte offset + 1, bit 2
    EXPECT_EQ(at(1, off), 0x01);
    EXPECT_EQ(at(1, off + 1), 0x04);
    EXPECT_EQ(ItemRawById(c, kItRdmActionSecurity), 1u);
    EXPECT_EQ(ItemRawById(c, 234), 1u);
    EXPECT_EQ(ItemRawById(c, 235), 0u);
    ItemSetRawById(c, kItRdmActionSecurity, 0);
    EXPECT_EQ(at(1, off), 0x00);
    EXPECT_EQ(at(1, off + 1), 0x04);
    // Bits of the third and fourth byte of a 32-bit word (items 250 to 281).
    ItemSetRawById(c, 250 + 17, 1);
    ItemSetRawById(c, 250 + 31, 1);
    uint32_t w = ItemFindById(c, kItRdmInOptionSupportDuplex)->offset;
    EXPECT_EQ(at(1, w + 2), 0x02);
    EXPECT_EQ(at(1, w + 3), 0x80);
    EXPECT_EQ(ItemRawById(c, 281), 1u);
    EXPECT_EQ(ItemRawById(c, 280), 0u);
}

TEST_F(ItemStore, TextAndBlockItems) {
    DmItem* code = ItemFindById(c, kItRdmUserCode);  // 9 ANSI bytes
    BYTE* field = ItemGetRawAddress(c, code);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(ItemGetRaw(c, code), 0u);  // the address has its own accessor
    EXPECT_EQ(ItemGetRawAddress(c, ItemFindById(c, kItDmOrientation)), nullptr);
    const char src[9] = {'1', '2', '3', '4', '5', '6', '7', '8', 0};
    ItemSetRawBytes(c, code, src);
    EXPECT_EQ(std::memcmp(field, src, 9), 0);
    ItemSetRawBytes(c, code, nullptr);
    EXPECT_EQ(field[0], 0);
    EXPECT_EQ(ItemSetRaw(c, code, 0x1234), 0u);  // a number is not text
    std::memset(field, 'x', 9);
    ItemSetRaw(c, code, 0);  // zero clears
    for (int i = 0; i < 9; ++i) EXPECT_EQ(field[i], 0);
    // A block type (no code of its own in the table).
    DmItem* block = retype(kItRdmKwomMember, 40 + 20, 32);  // code 60: a block of 32 bytes
    BYTE* b = ItemGetRawAddress(c, block);
    ASSERT_NE(b, nullptr);
    BYTE data[32];
    for (int i = 0; i < 32; ++i) data[i] = static_cast<BYTE>(i + 1);
    ItemSetRawBytes(c, block, data);
    EXPECT_EQ(std::memcmp(b, data, 32), 0);
    EXPECT_EQ(c->devmode[b - c->devmode + 32], 0);  // nothing past the block
}

TEST_F(ItemStore, StringsAreBoundedAndTerminated) {
    WCHAR out[80];
    DmItem* name = ItemFindById(c, kItDmDeviceName);  // 64 bytes of wide text
    ASSERT_NE(ItemSetString(c, name, u"Office Printer"), nullptr);
    ItemGetString(c, name, out, 80);
    EXPECT_EQ(std::u16string(out), u"Office Printer");
    EXPECT_EQ(name->changed, 1u);
    // Longer text is cut to 31 characters and a terminator.
    std::u16string longer(50, u'a');
    ItemSetString(c, name, longer.c_str());
    ItemGetString(c, name, out, 80);
    EXPECT_EQ(std::u16string(out), std::u16string(31, u'a'));
    EXPECT_EQ(c->devmode[62], 0);
    EXPECT_EQ(c->devmode[63], 0);
    // A full field without terminator (as an application may send) reads as
    // its 32 characters, and never past the destination.
    for (int i = 0; i < 64; i += 2) c->devmode[i] = 'b', c->devmode[i + 1] = 0;
    ItemGetString(c, name, out, 80);
    EXPECT_EQ(std::u16string(out), std::u16string(32, u'b'));
    WCHAR small[5];
    ItemGetString(c, name, small, 5);
    EXPECT_EQ(std::u16string(small), u"bbbb");
    // ANSI text, in the machine's code page 1252.
    DmItem* user = ItemFindById(c, kItRdmUserID);  // 9 bytes
    ItemSetString(c, user, u"user-0123456789");
    ItemGetString(c, user, out, 80);
    EXPECT_EQ(std::u16string(out), u"user-012");
    DmItem* owner = ItemFindById(c, kItRdmOwnerName);  // 17 bytes
    ItemSetString(c, owner, u"M\u00FCller \u00C9ric");
    EXPECT_EQ(ItemGetRawAddress(c, owner)[1], 0xFC);
    ItemGetString(c, owner, out, 80);
    EXPECT_EQ(std::u16string(out), u"M\u00FCller \u00C9ric");
    // Not a text item.
    ItemGetString(c, ItemFindById(c, kItDmOrientation), out, 80);
    EXPECT_EQ(std::u16string(out), u"wrong");
    EXPECT_EQ(ItemSetString(c, ItemFindById(c, kItDmOrientation), u"x"), nullptr);
    EXPECT_EQ(ItemGetString(c, name, nullptr, 10), nullptr);
    EXPECT_EQ(ItemGetString(c, nullptr, out, 80), nullptr);
}

TEST_F(ItemStore, StoresMarkTheItemAndRaiseChangeClasses) {
    DmItem* scaleH = ItemFindById(c, kItRdmScaleH);
    DmItem* scaleV = ItemFindById(c, kItRdmScaleV);
    scaleH->changeClasses = 0x10000;
    scaleV->changeClasses = 0x40000;
    EXPECT_EQ(ItemSetRawById(c, kItRdmScaleH, 150), 0x10000u);
    EXPECT_EQ(scaleH->changed, 1u);
    EXPECT_EQ(c->ws->itemsChanged, 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleV), 0u);  // item 90 is not 1: no mirror
    EXPECT_EQ(ChangeMaskGet(c), 0x10000u);
    ItemSetRawById(c, kItRdmScaleType, 1);
    ItemSetRawById(c, kItRdmScaleH, 175);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleV), 175u);
    EXPECT_EQ(scaleV->changed, 1u);
    EXPECT_EQ(ChangeMaskGet(c), 0x50000u);
    // A store into an item without storage does nothing.
    c->devmode = (MemFree(c->devmode), nullptr);
    scaleH->changed = 0;
    EXPECT_EQ(ItemSetRawById(c, kItRdmScaleH, 1), 0u);
    EXPECT_EQ(scaleH->changed, 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleH), 0u);
}

TEST_F(ItemStore, ARunStoresEachItemInOrderAsSingleStoresWould) {
    // Sixteen byte items side by side: each takes its own value and mark.
    uint32_t flags[16];
    for (uint32_t i = 0; i < 16; ++i) flags[i] = i + 1;
    ItemFindById(c, kItRdmBiDirect)->changeClasses = 0x20000;
    ItemFindById(c, kItRdmAdmin)->changeClasses = 0x80000;
    EXPECT_EQ(ItemSetRawRun(c, kItRdmCallSrc, flags, 16), 0xA0000u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ItemRawById(c, kItRdmCallSrc + i), static_cast<uint32_t>(i + 1)) << i;
        EXPECT_EQ(ItemFindById(c, kItRdmCallSrc + i)->changed, 1u) << i;
    }
    EXPECT_EQ(ChangeMaskGet(c), 0xA0000u);
    // In id order: the scale type is set before the horizontal scale, so the
    // mirror runs, and the vertical scale's own value comes last.
    const uint32_t scale[] = {1, 0, 150, 120};
    ItemSetRawRun(c, kItRdmScaleType, scale, 4);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleH), 150u);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleV), 120u);
    // Ids past the table are skipped, and no values store nothing.
    const uint32_t tail[] = {7, 7, 7};
    EXPECT_EQ(ItemSetRawRun(c, 961, tail, 3), 0u);
    EXPECT_EQ(ItemSetRawRun(c, kItRdmCallSrc, nullptr, 16), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmCallSrc), 1u);
}

TEST_F(ItemStore, ValueMapsTranslateBothWays) {
    DmItem* orient = ItemFindById(c, kItDmOrientation);
    ItemSetValue(c, orient, 2027);
    EXPECT_EQ(ItemGetRaw(c, orient), 2u);
    EXPECT_EQ(ItemGetValue(c, orient), 2027u);
    EXPECT_EQ(ItemMapToRaw(c, orient, 2026), 1u);
    EXPECT_EQ(ItemMapToRaw(c, orient, 0x10000 + 2026), 1u);  // 16-bit comparison
    EXPECT_EQ(ItemMapToRaw(c, orient, 999), 999u);           // absent: stored as is
    EXPECT_EQ(ItemMapToValue(c, orient, 5), 5u);
    EXPECT_EQ(ItemHasMapping(c, orient, 1), 1);
    EXPECT_EQ(ItemHasMapping(c, orient, 5), 0);
    EXPECT_EQ(ItemValueByKey(c, 328), 2027u);
    // Without a map raw and logical values are the same.
    DmItem* copies = ItemFindById(c, kItDmCopies);
    ItemSetValue(c, copies, 3);
    EXPECT_EQ(ItemGetValue(c, copies), 3u);
    EXPECT_EQ(ItemHasMapping(c, copies, 3), 0);
}

TEST_F(ItemStore, NoLogicalValueAndTwoSectionMaps) {
    // Item 95 turns with the page: its second section applies in landscape.
    static const ValueMapEntry nup[] = {{1, 501}, {2, 502}, {3, kNoLogicalValue}, {0, 0},
                                        {1, 601}, {2, 602}, {0, 0}};
    DmItem* it = ItemFindById(c, kItRdmNUPType);
    it->valueMap = nup;
    ItemSetRawById(c, kItDmOrientation, 1);
    EXPECT_EQ(ItemMapToValue(c, it, 2), 502u);
    EXPECT_EQ(ItemMapToValue(c, it, 3), 3u);  // no logical value: unchanged
    EXPECT_EQ(ItemHasMapping(c, it, 3), 0);
    ItemSetRawById(c, kItDmOrientation, 2);
    EXPECT_EQ(ItemMapToValue(c, it, 2), 602u);
    EXPECT_EQ(ItemMapToRaw(c, it, 601), 1u);
    EXPECT_EQ(ItemMapToRaw(c, it, 502), 502u);  // the first section is not consulted
    // Items 134 and 136 follow the effective page orientation instead.
    DmItem* punch = ItemFindById(c, kItRdmPunchType);
    punch->valueMap = nup;
    ItemSetRawById(c, kItDmOrientation, 1);
    EXPECT_EQ(IsEffectiveLandscape(c), 0);
    EXPECT_EQ(ItemMapToValue(c, punch, 1), 501u);
    ItemSetRawById(c, kItRdmFuncSelectNup, 1);  // N-up of type 2 turns a portrait page
    ItemSetRawById(c, kItRdmNUPType, 2);
    EXPECT_EQ(IsEffectiveLandscape(c), 1);
    EXPECT_EQ(ItemMapToValue(c, punch, 1), 601u);
    // A one-section map serves both orientations.
    static const ValueMapEntry one[] = {{4, 704}, {0, 0}};
    it->valueMap = one;
    EXPECT_EQ(ItemMapToValue(c, it, 4), 704u);
}

TEST_F(ItemStore, ShadowAccessHasNoSideEffects) {
    DmItem* scaleH = ItemFindById(c, kItRdmScaleH);
    scaleH->changeClasses = 0x10000;
    ItemSetRawById(c, kItRdmScaleType, 1);
    scaleH->changed = 0;
    c->ws->itemsChanged = 0;
    ChangeMaskAdd(c, 0);
    EXPECT_EQ(ItemSetShadowRawById(c, kItRdmScaleH, 123), 1);
    EXPECT_EQ(ItemShadowRawById(c, kItRdmScaleH), 123u);
    EXPECT_EQ(ItemRawById(c, kItRdmScaleH), 0u);
    EXPECT_EQ(ItemShadowRawById(c, kItRdmScaleV), 0u);
    EXPECT_EQ(scaleH->changed, 0u);
    EXPECT_EQ(c->ws->itemsChanged, 0u);
    EXPECT_EQ(ChangeMaskGet(c), 0u);
    EXPECT_EQ(ItemSetShadowRawById(c, 99999, 1), 0);
}

TEST_F(ItemStore, StorageStaysInsideTheBufferWhateverTheHeaderSays) {
    // Section bases written into the private header by an outside DEVMODE are
    // not used to address memory.
    c->devmode[363] = 0xFF;
    c->devmode[364] = 0xFF;
    BYTE* p = ItemGetStorage(c, ItemFindById(c, kItRdmServerLogCode));
    EXPECT_EQ(p, c->devmode + 1260);
    // An item whose offset would leave its section has no storage.
    DmItem* it = ItemFindById(c, kItRdmServerLogCode);
    it->offset = 508;
    EXPECT_EQ(ItemGetStorage(c, it), nullptr);
    EXPECT_EQ(ItemSetRaw(c, it, 1), 0u);
}

TEST_F(ItemStore, ChangeMaskKeepsItsLowHalfAndHistory) {
    ChangeMaskAdd(c, 0x20003);
    ChangeMaskAdd(c, 0x10005);
    EXPECT_EQ(ChangeMaskGet(c), 0x30005u);
    ChangeMaskAdd(c, 0x40000);  // no low bits: the low half stays
    EXPECT_EQ(ChangeMaskGet(c), 0x70005u);
    ChangeMaskClear(c, 0x20000);
    EXPECT_EQ(ChangeMaskGet(c), 0x50005u);
    ChangeMaskAdd(c, 0);
    EXPECT_EQ(ChangeMaskGet(c), 0u);
    ChangeMaskAdd(c, 0x30000000);
    for (uint32_t& h : c->ws->changeHistory) h = 0x30000001;
    ChangeMaskClear(c, 0x10000000);
    EXPECT_EQ(ChangeMaskGet(c), 0x20000000u);
    for (uint32_t h : c->ws->changeHistory) EXPECT_EQ(h, 0x20000001u);
    ChangeMaskClear(c, 0x1);  // low bits leave the history alone
    for (uint32_t h : c->ws->changeHistory) EXPECT_EQ(h, 0x20000001u);
    EXPECT_EQ(ChangeMaskGet(nullptr), 0u);
}

TEST(ItemStoreText, AnsiItemsConvertInTheSystemCodePage) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    ContextPtr ctx = contextWithDevmode();
    ASSERT_TRUE(ctx);
    DrvContext* c = ctx.get();
    DmItem* user = ItemFindById(c, kItRdmUserID);  // 9 bytes
    // Four double-byte characters fill 8 bytes; a fifth does not fit whole
    // and is left out rather than split.
    ItemSetString(c, user, u"\u3042\u3044\u3046\u3048\u304A");
    BYTE* f = ItemGetRawAddress(c, user);
    EXPECT_EQ(f[8], 0);
    WCHAR out[16];
    ItemGetString(c, user, out, 16);
    EXPECT_EQ(std::u16string(out), u"\u3042\u3044\u3046\u3048");
    ItemSetString(c, user, u"a\u3042\u3044\u3046\u3048");
    ItemGetString(c, user, out, 16);
    EXPECT_EQ(std::u16string(out), u"a\u3042\u3044\u3046");
}

TEST_F(ItemStore, FirstTextCodesBehaveAsTheSecond) {
    DmItem* ansi = retype(kItRdmUserCode, kTypeAnsi, 9);
    DmItem* wide = retype(kItDmDeviceName, kTypeWide, 64);
    ItemSetString(c, ansi, u"code");
    ItemSetString(c, wide, u"name");
    WCHAR out[16];
    ItemGetString(c, ansi, out, 16);
    EXPECT_EQ(std::u16string(out), u"code");
    ItemGetString(c, wide, out, 16);
    EXPECT_EQ(std::u16string(out), u"name");
    EXPECT_EQ(ItemGetRaw(c, ansi), 0u);
    EXPECT_NE(ItemGetRawAddress(c, wide), nullptr);
}
