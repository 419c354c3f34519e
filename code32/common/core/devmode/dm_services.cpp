#include "core/devmode/dm_services.h"

#include "core/admin.h"
#include "core/languages.h"
#include "core/registry_values.h"
#include "core/terminal_server.h"

namespace vesk {

int JobLinkerInstalled(DrvContext* ctx) { return RegIsFeatureInstalled(2, ctx); }

int PrnIsTerminalServer(DrvContext* ctx) { return ctx && TsIsEnabled(ctx->printer) == 1; }

int UserIsAdministrator(DrvContext*) { return IsUserAdmin(); }

int PrnLanguageId(DrvContext* ctx) { return ctx ? LangIdFromHelpData(ctx) : 0; }

}  // namespace vesk
