#include "common_calls/devmode_forms.h"

#include "core/caps/device_caps.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_private.h"
#include "core/library_profile.h"
#include "core/validation/option_checks.h"

namespace vesk {
namespace {
constexpr BYTE kOsKindWin95 = 0;
constexpr BYTE kOsKindWin98 = 3;
}  // namespace

BYTE* DmCreateDefaultExc(DrvContext* ctx, uint16_t kind) {
    return DmCreateDefaultFor(ctx, kind, ProfileOf(LibraryId::Exc));
}

// The common services follow this library's profile: these forms are theirs.
void CtxInitSettingsExc(DrvContext* ctx) { DmSetPrivateFlagDefaults(ctx); }
int DmMergeDevmodeExc(DrvContext* ctx, const BYTE* in, size_t len, uint32_t flags) {
    return DmMergeDevmode(ctx, in, len, flags);
}

void DmSetOsKindWin95(DrvContext* ctx) { DmPutOsKind(ctx, kOsKindWin95); }
void DmSetOsKindWin98(DrvContext* ctx) { DmPutOsKind(ctx, kOsKindWin98); }
BYTE DmGetTerminalServerFlag(DrvContext* ctx) { return DmGetFlag(ctx, DmFlag::Tse); }

int OptIsValueAllowedExc(uint16_t id, uint32_t value, DrvContext* ctx) { return OptIsValueAllowedByCheck(id, value, ctx); }

int CapsGetResolutionsExc(DrvContext* ctx, int32_t* out) { return CapsEnumResolutions(ctx, out, kResolutionsSingle); }

}  // namespace vesk
