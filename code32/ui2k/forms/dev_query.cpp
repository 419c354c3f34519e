// DevQueryPrintEx: every job whose DEVMODE the driver can take is accepted;
// on the way its paper fields are completed from the spooler's forms.
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/install/install_check.h"
#include "docprops/doc_props.h"
#include "entry/scoped.h"
#include "forms/form_match.h"

namespace vesk {
namespace {
constexpr uint32_t kQueryMergeFlags = 0x8000008u;
}  // namespace
}  // namespace vesk

VESK_UI_EXPORT BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO info) {
    using namespace vesk;
    if (!info) return FALSE;
    if (!info->pDevMode) return TRUE;
    if (InstallCheckDefault(info->hPrinter) != 1) return TRUE;
    ScopedContext ctx(CtxCreate(info->hPrinter, info->hPrinter, nullptr, kCreateInterface));
    if (!ctx) return FALSE;
    BYTE* dm = reinterpret_cast<BYTE*>(info->pDevMode);
    const size_t len = DmClaimedLength(dm);
    if (!MergeableDevmode(dm) || !DmMergeDevmode(ctx.get(), dm, len, kQueryMergeFlags)) return FALSE;
    // The form found is checked against the model's papers, but no check
    // refuses a job.
    FoundForm form{};
    if (FormFindForDevmode(info->hPrinter, info->pDevMode, len, &form) == kFormFound)
        FormMatchModelPaper(&form.form, 0, ctx.get());
    return TRUE;
}
