#include "commands/pending_c29.h"

// Not done yet: answers the failure result.
int32_t WINAPI VESKDrvGetDevmode(void*, int32_t, void*) { return -1; }
