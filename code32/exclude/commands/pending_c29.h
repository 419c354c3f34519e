// Functions another piece of work brings, declared here with their final
// signature and answering "not done" until it lands.
#pragma once
#include <win/types.h>

// The driver DEVMODE of a versioned-API handle (mode 1: the printer's
// current settings): its size on success, -1 on failure.
extern "C" int32_t WINAPI VESKDrvGetDevmode(void* handle, int32_t mode, void* buffer);
