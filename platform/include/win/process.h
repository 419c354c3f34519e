// Process creation and waits.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

WIN_END_DECLS
