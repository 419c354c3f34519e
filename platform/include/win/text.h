// UTF-16 string functions and the wsprintfW formatter.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

WIN_END_DECLS
