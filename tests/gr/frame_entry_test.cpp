// The driver's entry points: the user-mode query, the engine-version and
// size limits of DrvEnableDriver, the function table the engine gets, and
// the device check every driver function makes.
#include <gtest/gtest.h>

#include <winsim/engine.h>

#include <cstring>
#include <vector>

#include "driver_functions.h"
#include "pdev.h"

using namespace vesk;

TEST(DriverEntry, QueryDriverInfoAnswersUserModeIntoFourBytes) {
    DWORD value = 0, needed = 0;
    EXPECT_TRUE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &value, 4, &needed));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(needed, 4u);

    value = 7, needed = 0;
    SetLastError(0);
    EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &value, 3, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(value, 7u);
    EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, nullptr, 4, &needed));
    EXPECT_EQ(needed, 4u);

    SetLastError(0);
    EXPECT_FALSE(DrvQueryDriverInfo(2, &value, 4, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(DriverEntry, EnableDriverTakesEngineVersionsFrom0x20000AndTwelveBytes) {
    DRVENABLEDATA ded{};
    SetLastError(0);
    EXPECT_FALSE(DrvEnableDriver(0x1FFFF, sizeof ded, &ded));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_DRIVER_LEVEL));
    EXPECT_EQ(ded.c, 0u);
    SetLastError(0);
    EXPECT_FALSE(DrvEnableDriver(0x20000, 11, &ded));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(DrvEnableDriver(0x20000, 12, &ded));
    EXPECT_EQ(ded.iDriverVersion, 0x30000u);
    EXPECT_EQ(ded.c, 30u);
    DrvDisableDriver();
}

TEST(DriverEntry, TableListsThirtyFunctionsInTheirOrderWithTheEnginesIndexes) {
    DRVENABLEDATA ded{};
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT5_01, sizeof ded, &ded));
    const ULONG order[] = {0, 2, 1, 7, 3, 4, 33, 32, 35, 34, 57, 58, 18, 20, 14,
                           15, 16, 12, 24, 37, 13, 19, 26, 28, 27, 64, 65, 69, 53, 23};
    ASSERT_EQ(ded.c, sizeof order / sizeof order[0]);
    for (ULONG i = 0; i < ded.c; ++i) {
        EXPECT_EQ(ded.pdrvfn[i].iFunc, order[i]) << "entry " << i;
        EXPECT_NE(ded.pdrvfn[i].pfn, nullptr) << "entry " << i;
    }
    // The functions the engine starts with are where it looks for them.
    EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[0].pfn), reinterpret_cast<void*>(&DrvEnablePDEV));
    EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[8].pfn), reinterpret_cast<void*>(&DrvStartDoc));
    EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[29].pfn), reinterpret_cast<void*>(&DrvTextOut));

    winsim::engine::DriverTable table;
    std::string why;
    EXPECT_TRUE(winsim::engine::loadDriver(DrvEnableDriver, table, &why)) << why;
    EXPECT_TRUE(table.has(INDEX_DrvNextBand));
    EXPECT_FALSE(table.has(INDEX_DrvPaint));
}

TEST(DriverEntry, EveryDeviceFunctionRefusesARecordWithoutBothSignatures) {
    std::vector<unsigned char> block(sizeof(Pdev), 0);
    auto* p = reinterpret_cast<Pdev*>(block.data());
    p->signature = p->signatureEnd = kPdevSignature;
    EXPECT_TRUE(PdevIsValid(p));
    EXPECT_FALSE(PdevIsValid(nullptr));

    for (int which = 0; which < 2; ++which) {
        p->signature = which == 0 ? 0x19651014 : kPdevSignature;
        p->signatureEnd = which == 1 ? 0 : kPdevSignature;
        ASSERT_FALSE(PdevIsValid(p));
        SURFOBJ so{};
        so.dhpdev = reinterpret_cast<DHPDEV>(p);
        auto refused = [](BOOL r) {
            return r == FALSE && GetLastError() == static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        };
        SetLastError(0);
        EXPECT_TRUE(refused(DrvStartDoc(&so, nullptr, 1)));
        SetLastError(0);
        EXPECT_TRUE(refused(DrvStartPage(&so)));
        SetLastError(0);
        EXPECT_TRUE(refused(DrvSendPage(&so)));
        SetLastError(0);
        EXPECT_TRUE(refused(DrvEndDoc(&so, 0)));
        POINTL org{};
        SetLastError(0);
        EXPECT_TRUE(refused(DrvStartBanding(&so, &org)));
        SetLastError(0);
        EXPECT_TRUE(refused(DrvNextBand(&so, &org)));
        SetLastError(0);
        EXPECT_TRUE(refused(DrvResetPDEV(so.dhpdev, so.dhpdev)));
        SetLastError(0);
        EXPECT_EQ(DrvEnableSurface(so.dhpdev), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        SetLastError(0);
        EXPECT_EQ(DrvEscape(&so, QUERYESCSUPPORT, 0, nullptr, 0, nullptr), 0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        // The void ones leave the record as it is.
        DrvCompletePDEV(so.dhpdev, reinterpret_cast<HDEV>(1));
        EXPECT_EQ(p->hdev, nullptr);
        DrvDisableSurface(so.dhpdev);
        DrvDisablePDEV(so.dhpdev);
    }
    SURFOBJ none{};
    SetLastError(0);
    EXPECT_FALSE(DrvStartPage(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DrvStartPage(&none));
}
