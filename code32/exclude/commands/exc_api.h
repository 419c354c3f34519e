// The Exc interface's exports past opening and freeing a handle: the
// command base, updates and their changes, and the getters. Buffers follow
// one protocol: the needed size (every NUL counted) is set first; 1 when
// the size is smaller (nothing copied, nothing changed), 0 when done, -1
// for a null handle or a failure.
#pragma once
#include <win/types.h>

#define VESK_EXC_EXPORT extern "C" __attribute__((visibility("default")))

// 0 applied as given, 1 applied with changes (the change text lists them),
// -1 null handle, failed reopening, bad line or no memory, -2 no text or a
// required command missing.
VESK_EXC_EXPORT int32_t WINAPI ExcSetCommandBase(void* handle, const char* text, int32_t* changeLength);
// The first line of `line` with the driver's rules: 1 with a change text,
// 0 for nothing changed (or an unknown, non-job or not yet given command,
// or a null line), -1 null handle, bad line or no memory.
VESK_EXC_EXPORT int32_t WINAPI ExcUpdateCommand(void* handle, const char* line, int32_t* changeLength);
// Hands the change text out and forgets it.
VESK_EXC_EXPORT int32_t WINAPI ExcGetCommandChange(void* handle, int32_t size, char* buffer, int32_t* needed);
VESK_EXC_EXPORT int32_t WINAPI ExcGetCommandBase(void* handle, int32_t size, char* buffer, int32_t* needed);
// The words (or three numbers) a job command takes: all, or with
// enabledOnly those the current settings would keep. A list: each entry
// with its NUL, one more NUL at the end.
VESK_EXC_EXPORT int32_t WINAPI ExcGetCommandValue(void* handle, const char* command, int32_t enabledOnly, int32_t size,
                                                  char* buffer, int32_t* needed);
// The installed choices of a printer option, as a list.
VESK_EXC_EXPORT int32_t WINAPI ExcGetPrinterOption(void* handle, const char* command, int32_t size, char* buffer,
                                                   int32_t* needed);
// The current value of a printer value as one string.
VESK_EXC_EXPORT int32_t WINAPI ExcGetPrinterValue(void* handle, const char* command, int32_t size, char* buffer,
                                                  int32_t* needed);
// The stored stamps' PJL lines: selector 0 text stamps, 1 image stamps;
// one group per stamp, each ended by a NUL, one more NUL at the end.
VESK_EXC_EXPORT int32_t WINAPI ExcGetWaterMarkList(void* handle, int32_t selector, int32_t size, char* buffer,
                                                   int32_t* needed);
// The printer's current DEVMODE in the ANSI layout (mode 1).
VESK_EXC_EXPORT int32_t WINAPI ExcGetDriverDevmode(const char* printerName, int32_t mode, int32_t size, void* buffer,
                                                   int32_t* needed);
// The ANSI path of the printer's settings INI.
VESK_EXC_EXPORT int32_t WINAPI ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed);
