// Files, directories, file mapping and search.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

WIN_END_DECLS
