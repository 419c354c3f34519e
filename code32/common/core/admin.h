// Whether the caller is an administrator, and the spooler's impersonation
// calls as the install copies and printer events use them.
#pragma once
#include <win/types.h>

namespace vesk {

// 1 when the calling thread's token (else the process's) grants access
// through a descriptor that allows only BUILTIN\Administrators; 0 when not
// or when any step fails. A thread that impersonates a client is tested as
// that client and keeps its impersonation.
int IsUserAdmin();
// ImpersonatePrinterClient with `token`; 0 without calling for null.
BOOL DoImpersonatePrinterClient(HANDLE token);
// RevertToPrinterSelf: the token to hand back to DoImpersonatePrinterClient.
HANDLE DoRevertToPrinterSelf();

}  // namespace vesk
