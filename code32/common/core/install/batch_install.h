// The batch install: the setup INI's free sizes, stamps and batch keys
// copied into a printer's per-printer INI, the default bundle's free sizes
// over them, and the setup INI's mark that a batch install ran; and the
// default-job keys handed to other components.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Section and key of the setup INI's mark.
inline constexpr const WCHAR* kSetupMarkSection = u"BatchInstallDone";

// RunBatchInstallEx(printer, ctx, listsDone, 0).
int RunBatchInstall(HANDLE printer, DrvContext* ctx, int listsDone);
// Without a context, listsDone 1 and the setup INI's mark present: nothing
// (1). Else (a context made when none is given) the target INI, the common
// one (perUser 0) or the one the path rules choose (perUser 1), gets the
// setup INI's lists and batch keys when listsDone is 0 and the target is
// missing or holds a settings version of another family; then the default
// bundle's free sizes, and the setup INI's mark is set with its file time
// kept. 1, or 0 when no context, language, path or setup INI can be had.
int RunBatchInstallEx(HANDLE printer, DrvContext* ctx, int listsDone, int perUser);

// Modes of CopyDefaultJobKeys: the kind of row each writes.
constexpr int kJobKeysFromSetup = 0;   // kind-0 rows from the setup INI
constexpr int kJobKeysDefaultRst = 1;  // the default bundle's path
constexpr int kJobKeysKind3 = 3;
constexpr int kJobKeysBatchRst = 4;    // the batch-install bundle's path
// Writes the default-job keys of `mode` into the printer's section of the
// per-printer INI. Mode 0 copies them from the setup INI's language section
// and saves option classes 3 and 1; mode 1 needs `value`; modes 3 and 4
// delete their keys when `value` is null. 1/0.
int CopyDefaultJobKeys(DrvContext* ctx, int mode, const WCHAR* value);

}  // namespace vesk
