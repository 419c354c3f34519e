// The driver's exports: DrvQueryDriverInfo, DrvEnableDriver with the table of
// driver functions the engine calls, and DrvDisableDriver.
#include <win/gdi.h>

#include "driver_functions.h"

namespace {

constexpr ULONG kDriverVersion = 0x30000;
constexpr ULONG kLowestEngineVersion = 0x20000;
constexpr ULONG kEnableDataSize = 12;  // DRVENABLEDATA of the 32-bit engine

PFN fn(auto f) { return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(f)); }

// The functions in the order the engine is given them, with its indexes.
const DRVFN kFunctions[] = {
    {INDEX_DrvEnablePDEV, fn(DrvEnablePDEV)},
    {INDEX_DrvDisablePDEV, fn(DrvDisablePDEV)},
    {INDEX_DrvCompletePDEV, fn(DrvCompletePDEV)},
    {INDEX_DrvResetPDEV, fn(DrvResetPDEV)},
    {INDEX_DrvEnableSurface, fn(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, fn(DrvDisableSurface)},
    {INDEX_DrvStartPage, fn(DrvStartPage)},
    {INDEX_DrvSendPage, fn(DrvSendPage)},
    {INDEX_DrvStartDoc, fn(DrvStartDoc)},
    {INDEX_DrvEndDoc, fn(DrvEndDoc)},
    {INDEX_DrvStartBanding, fn(DrvStartBanding)},
    {INDEX_DrvNextBand, fn(DrvNextBand)},
    {INDEX_DrvBitBlt, fn(DrvBitBlt)},
    {INDEX_DrvStretchBlt, fn(DrvStretchBlt)},
    {INDEX_DrvStrokePath, fn(DrvStrokePath)},
    {INDEX_DrvFillPath, fn(DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, fn(DrvStrokeAndFillPath)},
    {INDEX_DrvRealizeBrush, fn(DrvRealizeBrush)},
    {INDEX_DrvEscape, fn(DrvEscape)},
    {INDEX_DrvGetGlyphMode, fn(DrvGetGlyphMode)},
    {INDEX_DrvDitherColor, fn(DrvDitherColor)},
    {INDEX_DrvCopyBits, fn(DrvCopyBits)},
    {INDEX_DrvQueryFont, fn(DrvQueryFont)},
    {INDEX_DrvQueryFontData, fn(DrvQueryFontData)},
    {INDEX_DrvQueryFontTree, fn(DrvQueryFontTree)},
    {INDEX_DrvIcmCreateColorTransform, fn(DrvIcmCreateColorTransform)},
    {INDEX_DrvIcmDeleteColorTransform, fn(DrvIcmDeleteColorTransform)},
    {INDEX_DrvStretchBltROP, fn(DrvStretchBltROP)},
    {INDEX_DrvQueryAdvanceWidths, fn(DrvQueryAdvanceWidths)},
    {INDEX_DrvTextOut, fn(DrvTextOut)},
};
static_assert(sizeof(kFunctions) / sizeof(kFunctions[0]) == 30);

}  // namespace

namespace vesk {
const DRVFN* DriverFunctionTable(ULONG* count) {
    *count = sizeof(kFunctions) / sizeof(kFunctions[0]);
    return kFunctions;
}
}  // namespace vesk

extern "C" {

VESK_EXPORT BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
    if (dwMode != DRVQUERY_USERMODE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
    if (!pBuffer || cbBuf < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *static_cast<DWORD*>(pBuffer) = 1;
    return TRUE;
}

VESK_EXPORT BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
    if (iEngineVersion < kLowestEngineVersion) {
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    if (cj < kEnableDataSize || !pded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONG count = 0;
    const DRVFN* table = vesk::DriverFunctionTable(&count);
    pded->iDriverVersion = kDriverVersion;
    pded->c = count;
    pded->pdrvfn = const_cast<DRVFN*>(table);
    return TRUE;
}

VESK_EXPORT void APIENTRY DrvDisableDriver(void) {}

}  // extern "C"
