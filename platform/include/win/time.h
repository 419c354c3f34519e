// Tick count, system and local time, file times.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

WIN_END_DECLS
