// Functions waiting for capabilities the common library does not have yet,
// listed by the capability each waits for. Each answers "not done" (nothing
// loaded, run or written) until its capability is built, and the caller goes
// on as it does when the step fails: a context that needs one of the
// context-creation steps is not created, and the DEVMODE code falls back to
// the driver description's defaults, as it does for a model without the
// option.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"

namespace vesk {

// No function waits for a capability now.

}  // namespace vesk
