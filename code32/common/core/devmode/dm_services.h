// Facts about the printer, the user and the machine that the DEVMODE's
// defaults and state flags record.
#pragma once
#include "core/context.h"

namespace vesk {

// 1 when the job-linking product is installed.
int JobLinkerInstalled(DrvContext* ctx);
// 1 for a printer on a terminal server.
int PrnIsTerminalServer(DrvContext* ctx);
// 1 when the user is an administrator.
int UserIsAdministrator(DrvContext* ctx);
// The printer's display-language index, from the installed language its
// printer data "HelpFileName" names (1, "us", when it names none).
int PrnLanguageId(DrvContext* ctx);

}  // namespace vesk
