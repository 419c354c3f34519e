// DrvDeviceCapabilities: constants of the driver description answered
// without the printer, the lists through a device-capability context with
// the caller's DEVMODE merged (released into the capability cache), a few
// answers from printer data, the driver's data file and the printer's
// default DEVMODE.
#include "caps/device_capabilities.h"

#include <win/windows.h>
#include <win/winddiui.h>

#include <cstring>

#include "core/allowed/allowed_values.h"
#include "core/caps/device_caps.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/ini_wrap.h"
#include "core/install/install_check.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/sysdeps.h"
#include "docprops/doc_props.h"
#include "entry/scoped.h"

namespace vesk {
namespace {

constexpr LONG kFailed = -1;
constexpr uint32_t kCapsMergeFlags = 0x1000008u;
constexpr int32_t kNupValues[] = {1, 2, 4, 9, 16};
constexpr WCHAR kPersonality[] = u"VESK";

// The indices answered through a context; the others are constants or
// their own reads.
bool needsContext(WORD dc) {
    switch (dc) {
    case DC_FIELDS: case DC_PAPERS: case DC_PAPERSIZE: case DC_BINS: case DC_BINNAMES: case DC_ENUMRESOLUTIONS:
    case DC_TRUETYPE: case DC_PAPERNAMES: case DC_BINADJUST: case DC_EMF_COMPLIANT: case DC_DATATYPE_PRODUCED:
    case DC_COLLATE: case DC_MEDIAREADY: case DC_STAPLE:
        return true;
    default: return false;
    }
}

bool mergesDevmode(WORD dc) { return dc != DC_TRUETYPE && dc != DC_DATATYPE_PRODUCED; }

LONG contextAnswer(DrvContext* ctx, WORD dc, PVOID out) {
    switch (dc) {
    case DC_FIELDS: return static_cast<LONG>(dm::fields(ctx->devmode));
    case DC_PAPERS: return CapsGetPapers(ctx, static_cast<uint16_t*>(out), kItDmPaperSize);
    case DC_PAPERSIZE: return CapsGetPaperSizes(ctx, static_cast<int32_t*>(out), kItDmPaperSize);
    case DC_BINS: return CapsGetBins(ctx, static_cast<uint16_t*>(out), kItDmDefaultSource);
    case DC_BINNAMES: return CapsGetBinNames(ctx, static_cast<WCHAR*>(out), kCapsBinNameChars, kItDmDefaultSource);
    case DC_ENUMRESOLUTIONS: return CapsGetResolutions(ctx, static_cast<int32_t*>(out));
    case DC_TRUETYPE: return (ItemRawById(ctx, kItRdmFrontFunc) & 1) ? (DCTT_BITMAP | DCTT_SUBDEV) : DCTT_BITMAP;
    case DC_PAPERNAMES:
        return CapsGetPaperNames(ctx, static_cast<WCHAR*>(out), kCapsPaperNameChars, kItDmPaperSize);
    case DC_COLLATE: return DeviceHasCapability129(ctx) ? 1 : 0;
    case DC_MEDIAREADY: return CapsMediaReady(ctx, static_cast<WCHAR*>(out));
    case DC_STAPLE: return OptHasAllowedValue(ctx, kItRdmStapleType) ? 1 : 0;
    default: return kFailed;  // DC_BINADJUST, DC_EMF_COMPLIANT, DC_DATATYPE_PRODUCED
    }
}

// The "C" rows: the printer checked, a capability context made and merged.
LONG answerWithContext(HANDLE printer, WORD dc, PVOID out, const DEVMODEW* devmode) {
    ScopedInfo2 info(PrnGetInfo2(printer));
    if (!info) return kFailed;
    {
        // The rename test needs only the printer's identity: a light context.
        ScopedContext probe(CtxCreateEx(printer, printer, nullptr, kKindFirstLight, kCreateDeviceCaps, 0, info.get()),
                            kReleaseFree);
        const bool renamed = probe && PrnIsLocalRenamed(probe.get(), info.get());
        probe.reset();
        if (!renamed && InstallCheck(printer, 0, info.get()) != 1) return kFailed;
    }
    ScopedContext ctx(CtxCreateFromInfo(printer, printer, nullptr, kCreateDeviceCaps, info.get()), kReleaseCache1);
    if (!ctx || !ctx->devmode) return kFailed;
    if (mergesDevmode(dc)) {
        const BYTE* in = reinterpret_cast<const BYTE*>(devmode);
        if ((in && !MergeableDevmode(in)) || !DmMergeDevmode(ctx.get(), in, DmClaimedLength(in), kCapsMergeFlags))
            return kFailed;
    }
    return contextAnswer(ctx.get(), dc, out);
}

LONG duplexAnswer(HANDLE printer) {
    BYTE value[4] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"Duplex"), &type, value, sizeof value, &needed) != ERROR_SUCCESS ||
        needed != sizeof value)
        return kFailed;
    return (value[0] | value[1] | value[2] | value[3]) ? 1 : 0;
}

// The print rate: key "PPM" of the section named after the printer's
// driver in the driver's data file.
LONG printRateAnswer(HANDLE printer) {
    BYTE* block = PrnGetDriverInfo(printer, 2);
    if (!block) return 0;
    const auto* d = reinterpret_cast<const DRIVER_INFO_2W*>(block);
    const LONG ppm = d->pName && d->pDataFile ? static_cast<LONG>(IniGetInt(d->pName, u"PPM", 0, d->pDataFile)) : 0;
    MemFree(block);
    return ppm;
}

LONG colorDeviceAnswer(HANDLE printer) {
    ScopedInfo2 info(PrnGetInfo2(printer));
    if (!info || !info.get()->pDevMode) return kFailed;
    const BYTE* dm = reinterpret_cast<const BYTE*>(info.get()->pDevMode);
    return ColorDeviceAnswer(dm, DmClaimedLength(dm));
}

}  // namespace

int ColorDeviceAnswer(const BYTE* dm, size_t len) {
    const DmSizes& s = dmSizes();
    if (!dm || len < s.totalSize || !DmIsCompatible(GetContextTemplate(), dm, len)) return 0;
    return DmIsColorDevice(dm) ? 1 : 0;
}

}  // namespace vesk

VESK_UI_EXPORT LONG WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR, WORD iDevCap, PVOID pvOutput,
                                                 PDEVMODEW pDevMode) {
    using namespace vesk;
    const DrvContext* tmpl = GetContextTemplate();
    const DmSizes& s = dmSizes();
    if (needsContext(iDevCap)) return answerWithContext(hPrinter, iDevCap, pvOutput, pDevMode);
    switch (iDevCap) {
    case DC_MINEXTENT:
    case DC_MAXEXTENT: return CapsGetExtent(tmpl, static_cast<uint16_t*>(pvOutput), iDevCap);
    case DC_DUPLEX: return duplexAnswer(hPrinter);
    case DC_SIZE: return static_cast<LONG>(s.publicSize);
    case DC_EXTRA: return static_cast<LONG>(s.totalSize - s.publicSize);
    case DC_VERSION: return tmpl->desc->specVersion;
    case DC_DRIVER: return tmpl->desc->driverVersion;
    case DC_FILEDEPENDENCIES: return 0;
    case DC_ORIENTATION: return GetSettingsField6(tmpl);
    case DC_COPIES: return tmpl->desc->publicDefaults.copiesMax;
    case DC_PERSONALITY:
        if (pvOutput) {
            auto* entry = static_cast<WCHAR*>(pvOutput);
            std::memset(entry, 0, kPersonalityChars * sizeof(WCHAR));
            std::memcpy(entry, kPersonality, sizeof kPersonality);
        }
        return 1;
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM: return printRateAnswer(hPrinter);
    case DC_PRINTRATEUNIT: return PRINTRATEUNIT_PPM;
    case DC_COLORDEVICE: return colorDeviceAnswer(hPrinter);
    case DC_NUP:
        if (pvOutput) std::memcpy(pvOutput, kNupValues, sizeof kNupValues);
        return static_cast<LONG>(sizeof kNupValues / sizeof kNupValues[0]);
    default: return -1;  // 0, DC_MANUFACTURER, DC_MODEL, DC_PRINTERMEM and beyond DC_NUP
    }
}
