// The DEVMODE's byte layout: public fields where Windows has them, the
// private header where this driver writes it, the items on the same places.
#include <gtest/gtest.h>

#include <win/devmode.h>

#include <cstddef>
#include <cstring>

#include "common/devmode_support.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/context.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(DevmodeLayout, PublicFieldsAtTheWindowsOffsetsAndTheirItems) {
    EXPECT_EQ(sizeof(DEVMODEW), 220u);
    struct Row {
        int item;
        size_t off;
    };
    const Row rows[] = {{2, offsetof(DEVMODEW, dmSpecVersion)}, {5, offsetof(DEVMODEW, dmDriverExtra)},
                        {6, offsetof(DEVMODEW, dmFields)},      {7, offsetof(DEVMODEW, dmOrientation)},
                        {8, offsetof(DEVMODEW, dmPaperSize)},   {14, offsetof(DEVMODEW, dmPrintQuality)},
                        {19, offsetof(DEVMODEW, dmCollate)},    {20, offsetof(DEVMODEW, dmFormName)},
                        {27, offsetof(DEVMODEW, dmICMMethod)},  {34, offsetof(DEVMODEW, dmPanningHeight)}};
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    for (const Row& r : rows) {
        DmItem* it = ItemFindById(c.get(), r.item);
        ASSERT_NE(it, nullptr);
        EXPECT_EQ(ItemGetStorage(c.get(), it), c->devmode + r.off) << r.item;
    }
    EXPECT_EQ(offsetof(DEVMODEW, dmFields), 72u);
    EXPECT_EQ(offsetof(DEVMODEW, dmOrientation), 76u);
    EXPECT_EQ(offsetof(DEVMODEW, dmFormName), 102u);
    EXPECT_EQ(DM_COLLATE, 0x8000);
    EXPECT_EQ(DM_FORMNAME, 0x10000);
    EXPECT_EQ(DM_DITHERTYPE, 0x4000000);
}

TEST(DevmodeLayout, DefaultsWriteThePrivateHeaderAtItsOffsets) {
    // The public resolution follows the model's resolution item.
    FakeModel model;
    model.types = {{42, 1}};
    model.values = {{42, 1200}};
    ModelScope scope(model);
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    const BYTE* p = c->devmode;
    EXPECT_EQ(std::memcmp(p + 220, "VESK", 4), 0);
    EXPECT_EQ(dm::rd32(p, 224), 0u);
    EXPECT_EQ(std::memcmp(p + 349, "priv", 4), 0);
    EXPECT_EQ(dm::rd32(p, 353), 1040u);
    EXPECT_EQ(dm::rd32(p, 357), 0x00030003u);
    EXPECT_EQ(dm::rd16(p, 361), 0u);
    EXPECT_EQ(dm::rd16(p, 363), 1260u);
    EXPECT_EQ(dm::rd16(p, 365), 1768u);
    EXPECT_EQ(p[372], 0x85);
    EXPECT_EQ(p[857], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 228)), "KW12D170.ini");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 244)), "01.00");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 276)), "KWOMMON");
    EXPECT_EQ(p[284], 5);
    // State bytes: user default mode, Windows 2000 family, batch marker.
    EXPECT_EQ(p[1241], 1);
    EXPECT_EQ(p[1242], 2);
    EXPECT_EQ(p[1243], 1);
    EXPECT_EQ(p[1256], 1);  // the machine's user is an administrator
    // Public defaults of the description.
    EXPECT_EQ(dm::rd16(p, 68), 220);
    EXPECT_EQ(dm::rd16(p, 70), 1040);
    EXPECT_EQ(s16(p, 78), 9);
    EXPECT_EQ(s16(p, 90), 1200);
    EXPECT_EQ(s16(p, 96), 1200);
    EXPECT_EQ(ItemRawById(c.get(), kItRdmDstResolutionH), 1200u);
    EXPECT_EQ(dm::rd32(p, 72) & (DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COLLATE), 0u);
    EXPECT_EQ(p[102], 'A');
    EXPECT_EQ(p[104], '4');
    // The driver version text in section 3.
    WCHAR text[8];
    ItemGetString(c.get(), ItemFindById(c.get(), kItWdmDriverVersion), text, 8);
    EXPECT_EQ(std::u16string(text), u"3.61");
    EXPECT_EQ(DmIsOwnDevmode(c.get(), p, 1260), 1);
}

TEST(DevmodeLayout, MirrorCarriesSectionTwoButNoFontHandles) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    ItemSetRawById(c.get(), kItRdmLogCodeUse, 1);
    ItemSetRawById(c.get(), kItRdmDeviceFontNum, 3);
    ItemSetRawById(c.get(), kItRdmDeviceFont, 0x1234);
    ItemSetRawById(c.get(), kItRdmMPDefTray, 7);
    ASSERT_EQ(DmCopyExtBlock(c.get()), 1);
    EXPECT_EQ(ItemRawById(c.get(), 431), 1u);  // copy of 10002
    EXPECT_EQ(c->devmode[892 + 17], 3);        // device font count
    EXPECT_EQ(dm::rd32(c->devmode, 892 + 19), 0u);  // its handle stays inside
    EXPECT_EQ(dm::rd16(c->devmode, 892 + 306), 7u);
    // Section 2 from byte 349 on stays out: the state bytes follow the mirror.
    ItemSetString(c.get(), ItemFindById(c.get(), kItWdmPrintPostTray1Name), u"Tray");
    DmCopyExtBlock(c.get());
    EXPECT_EQ(c->devmode[1241], 1);
    ItemWriteRawIn(c->devmode, ItemFindById(c.get(), kItRdmDeviceFont), 0);
}

TEST(DevmodeLayout, NamedStateFlagAccessorsReachTheirBytes) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    DrvContext* x = c.get();
    struct Row {
        uint32_t off;
        void (*clear)(DrvContext*);
        void (*set)(DrvContext*);
        void (*put)(DrvContext*, BYTE);
    };
    const Row rows[] = {
        {1241, DmClearUserDefaultMode, DmSetUserDefaultMode, DmPutUserDefaultMode},
        {1242, DmSetOsKindNt4, DmSetOsKindNt5, DmPutOsKind},
        {1243, DmClearFlagC, DmSetFlagC, DmPutFlagC},
        {1244, DmClearInstUserCode, DmSetInstUserCode, DmPutInstUserCode},
        {1245, DmClearFlagE, DmSetFlagE, DmPutFlagE},
        {1246, DmClearNoPermission, DmSetNoPermission, DmPutNoPermission},
        {1247, DmClearOpt40Flag, DmSetOpt40Flag, DmPutOpt40Flag},
        {1248, DmClearBidiAttrFlag, DmSetBidiAttrFlag, DmPutBidiAttrFlag},
        {1249, DmClearRemoteFlag, DmSetRemoteFlag, DmPutRemoteFlag},
        {1250, DmClearUserCodeFix, DmSetUserCodeFix, DmPutUserCodeFix},
        {1251, DmClearProviderUserCode, DmSetProviderUserCode, DmPutProviderUserCode},
        {1252, DmClearBinderFlag, DmSetBinderFlag, DmPutBinderFlag},
        {1253, DmClearDeviceSheetMode, DmSetDeviceSheetMode, DmPutDeviceSheetMode},
        {1254, DmClearProviderUserCode2, DmSetProviderUserCode2, DmPutProviderUserCode2},
        {1255, nullptr, nullptr, DmPutTerminalServerFlag},
        {1256, nullptr, nullptr, DmPutAdminFlag},
    };
    for (const Row& r : rows) {
        const std::vector<BYTE> before = copyOf(x->devmode, 1260);
        r.put(x, 7);
        EXPECT_EQ(x->devmode[r.off], 7) << r.off;
        std::vector<BYTE> after = copyOf(x->devmode, 1260);
        after[r.off] = before[r.off];
        EXPECT_EQ(after, before) << "only byte " << r.off << " changes";
        if (r.set) {
            r.clear(x);
            const BYTE low = x->devmode[r.off];
            r.set(x);
            EXPECT_EQ(low, r.off == 1242 ? 1 : 0) << r.off;
            EXPECT_EQ(x->devmode[r.off], r.off == 1242 ? 2 : 1) << r.off;
        }
    }
}

TEST(DevmodeLayout, StateBytesFollowTheSystemAndTheUser) {
    winsim::MachineConfig cfg;
    cfg.osMajor = 4;
    cfg.osMinor = 0;
    cfg.userIsAdmin = false;
    winsim::TempMachine m(cfg);
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->devmode[1242], 1) << "before Windows 2000";
    EXPECT_EQ(c->devmode[1256], 0) << "a standard user";
    EXPECT_EQ(c->devmode[1255], 0) << "no printer, so no terminal server";
}
