// Whether a printer is used through a terminal-server session. On Windows
// Server 2003 (5.2) and later the driver set's own query library
// "KW00C150.dll" in the printer's driver directory answers; without it the
// printer is not on a terminal server. On older systems, or without a
// printer handle, the system's terminal-services suite decides.
#pragma once
#include <win/types.h>

namespace vesk {

// The answer computed now: 1 on a terminal server, 0 otherwise.
int TsQueryEnabled(HANDLE printer);
// The process-wide answer: computed with the first caller's printer and kept
// while the library stays loaded.
int TsIsEnabled(HANDLE printer);
// Forgets the kept answer (process detach).
void TsForget();

}  // namespace vesk
